// SPDX-License-Identifier: GPL-3.0-or-later
// drawicon: draws the game's application icon from its own pictures — the two hovercraft
// facing each other over water — as PNG files at the desktop's usual sizes.
//
// usage: drawicon GAME.DAT OUTDIR SIZE...   -> OUTDIR/SIZExSIZE/apps/vlnedla.png
//
// The pictures come from pics/game.dat through the game's own picture reader: the left craft
// ("tanklevy") above, the right one ("tankpravy") below, on the water tile ("background1"),
// inside a rounded square. Every pixel is the mean of 8 x 8 samples, so the small sizes stay
// clean; the crafts' black colour key becomes transparency.
//
// The icon itself is drawn by graphics::DrawAppIcon, which the game's window uses too.
//
// Sections:
//   3. PNG output
//   4. main

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "container/Error.h"
#include "graphics/AppIcon.h"
#include "graphics/PictureCollection.h"

namespace vl::packaging {
namespace {

// --- 1. the picture file and sampling ----------------------------------------------------------

// --- 3. PNG output -----------------------------------------------------------------------------

void PutBigEndian(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char (&type)[5], const std::vector<uint8_t>& data) {
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0, &out[start], static_cast<uInt>(out.size() - start));
    PutBigEndian(out, static_cast<uint32_t>(crc));
}

// A PNG file of an 8-bit RGBA picture (`rgba` as DrawAppIcon gives it). Throws vl::Error
// when zlib fails.
std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rgba) {
    std::vector<uint8_t> raw; // each row behind its filter byte (0: none)
    const size_t stride = static_cast<size_t>(width) * 4;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgba.begin() + static_cast<std::ptrdiff_t>(y * stride),
                   rgba.begin() + static_cast<std::ptrdiff_t>((y + 1) * stride));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) !=
        Z_OK)
        throw Error("drawicon: zlib cannot compress the picture");
    packed.resize(packedSize);

    std::vector<uint8_t> header;
    PutBigEndian(header, static_cast<uint32_t>(width));
    PutBigEndian(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, adaptive, no interlace
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", {});
    return png;
}

// --- 4. main -----------------------------------------------------------------------------------

void Run(const std::string& picsFile, const std::filesystem::path& outDir,
         const std::vector<int>& sizes) {
    graphics::TDXImageList list;
    list.Items().LoadFromFile(picsFile);
    for (const int size : sizes) {
        const std::string dim = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path dir = outDir / dim / "apps";
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec) throw Error("drawicon: cannot create " + dir.string() + ": " + ec.message());
        const std::vector<uint8_t> png =
            EncodePng(size, size, graphics::DrawAppIcon(list.Items(), size));
        std::ofstream out(dir / "vlnedla.png", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(png.data()),
                  static_cast<std::streamsize>(png.size()));
        out.close();
        if (!out) throw Error("drawicon: cannot write " + (dir / "vlnedla.png").string());
    }
}

} // namespace
} // namespace vl::packaging

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 1 || size > 1024) {
            std::fprintf(stderr, "drawicon: bad size %s\n", argv[i]);
            return 2;
        }
        sizes.push_back(size);
    }
    if (argc < 4) {
        std::fputs("usage: drawicon GAME.DAT OUTDIR SIZE...\n", stderr);
        return 2;
    }
    try {
        vl::packaging::Run(argv[1], argv[2], sizes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
