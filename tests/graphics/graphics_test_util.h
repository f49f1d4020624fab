// SPDX-License-Identifier: GPL-3.0-or-later
// graphics_test_util: small helpers of the graphics tests — little-endian byte building,
// temporary folders, running ImageMagick, picture files made with the container writer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "container/ObjectStream.h"
#include "graphics/DIB.h"

namespace vl::graphics::test {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A 40-byte info header.
inline Bytes InfoHeader(int32_t w, int32_t h, uint16_t bits, uint32_t compression = 0,
                        uint32_t sizeImage = 0, uint32_t colorsUsed = 0) {
    Bytes b;
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(w));
    Put32(b, static_cast<uint32_t>(h));
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, compression);
    Put32(b, sizeImage);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, colorsUsed);
    Put32(b, 0);
    return b;
}

// A folder under the system's temp dir, removed with the object.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vlgfxXXXXXX").string();
        path_ = mkdtemp(tmpl.data()) ? tmpl : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}

inline bool RunShell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

inline bool HaveConvert() {
    return RunShell("command -v convert >/dev/null 2>&1");
}

// A picture file with the given items written by `fill` (between BeginItem/EndItem
// calls of its own), root class TPictureCollectionComponent and a colour table.
template <typename Fill> Bytes PictureFile(Fill fill, size_t colorTableSize = 1024) {
    container::ObjectWriter w("TPictureCollectionComponent", "");
    w.WriteBinary("List.ColorTable", Bytes(colorTableSize, 0));
    w.BeginCollection("List");
    fill(w);
    w.EndCollection();
    return w.Finish("PICTURES");
}

// A picture of w x h where pixel (x, y) has `rgb(x, y)`, as TDIB picture data.
template <typename Color> Bytes DibData(int32_t w, int32_t h, Color rgb) {
    TDIB dib(w, h, 24);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) dib.SetPixel(x, y, rgb(x, y));
    return WriteDIB24(dib);
}

} // namespace vl::graphics::test
