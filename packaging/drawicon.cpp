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
// Sections:
//   1. the picture file and sampling
//   2. composing the icon
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
#include "graphics/PictureCollection.h"

namespace vl::packaging {
namespace {

// --- 1. the picture file and sampling ----------------------------------------------------------

struct Rgba {
    float r = 0, g = 0, b = 0, a = 0; // colour premultiplied by a; all 0..1
};

// A picture of the file, read as RGB with its colour key (if any) as transparency.
class Source {
public:
    Source(const graphics::TPictureCollection& pics, std::string_view name, bool keyed) {
        const graphics::TDIB* dib = pics.Find(name).Picture().Graphic();
        if (!dib || dib->Empty())
            throw Error("drawicon: picture " + std::string(name) + " is empty");
        dib_ = *dib;
        keyed_ = keyed;
    }
    int Width() const { return dib_.Width(); }
    int Height() const { return dib_.Height(); }

    // The pixel under the point (u, v) in picture pixels; transparent outside, or when
    // `wrap` is set the picture repeats as the game's tiled background does.
    Rgba At(float u, float v, bool wrap = false) const {
        auto x = static_cast<int>(std::floor(u)), y = static_cast<int>(std::floor(v));
        if (wrap) {
            x = ((x % Width()) + Width()) % Width();
            y = ((y % Height()) + Height()) % Height();
        }
        if (x < 0 || y < 0 || x >= Width() || y >= Height()) return {};
        const uint32_t p = dib_.Pixel(x, y);
        if (keyed_ && p == 0) return {};
        return {((p >> 16) & 0xFF) / 255.0f, ((p >> 8) & 0xFF) / 255.0f, (p & 0xFF) / 255.0f, 1};
    }

private:
    graphics::TDIB dib_;
    bool keyed_ = false;
};

Rgba Over(Rgba top, Rgba under) {
    const float k = 1 - top.a;
    return {top.r + under.r * k, top.g + under.g * k, top.b + under.b * k, top.a + under.a * k};
}

// --- 2. composing the icon ---------------------------------------------------------------------

// Whether the point (x, y) of the unit square lies in the rounded square that frames the icon.
bool InFrame(float x, float y) {
    constexpr float kInset = 0.03f, kRadius = 0.18f;
    const float lo = kInset + kRadius, hi = 1 - kInset - kRadius;
    const float dx = std::max({lo - x, 0.0f, x - hi}), dy = std::max({lo - y, 0.0f, y - hi});
    return dx * dx + dy * dy <= kRadius * kRadius;
}

class Icon {
public:
    explicit Icon(const graphics::TPictureCollection& pics)
        : left_(pics, "tanklevy", true), right_(pics, "tankpravy", true),
          water_(pics, "background1", false) {}

    // The icon at size x size pixels, rows top first, RGBA with straight (not
    // premultiplied) alpha, 4 bytes a pixel.
    std::vector<uint8_t> Draw(int size) const {
        constexpr int kSamples = 8;
        std::vector<uint8_t> out(static_cast<size_t>(size) * size * 4);
        for (int py = 0; py < size; ++py)
            for (int px = 0; px < size; ++px) {
                Rgba sum;
                for (int sy = 0; sy < kSamples; ++sy)
                    for (int sx = 0; sx < kSamples; ++sx) {
                        const Rgba s = Sample((px + (sx + 0.5f) / kSamples) / size,
                                              (py + (sy + 0.5f) / kSamples) / size);
                        sum = {sum.r + s.r, sum.g + s.g, sum.b + s.b, sum.a + s.a};
                    }
                uint8_t* o = &out[(static_cast<size_t>(py) * size + px) * 4];
                const float a = sum.a / (kSamples * kSamples);
                auto channel = [&](float premultiplied) {
                    const float v = a > 0 ? premultiplied / (kSamples * kSamples) / a : 0;
                    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255));
                };
                o[0] = channel(sum.r);
                o[1] = channel(sum.g);
                o[2] = channel(sum.b);
                o[3] = static_cast<uint8_t>(std::lround(a * 255));
            }
        return out;
    }

private:
    // The icon at the point (x, y) of the unit square.
    Rgba Sample(float x, float y) const {
        if (!InFrame(x, y)) return {};
        // Both crafts span 86 % of the width, one above the middle and one below it; the
        // water shows two of its tiles across.
        constexpr float kCraftWidth = 0.86f, kMargin = (1 - kCraftWidth) / 2;
        const float scale = left_.Width() / kCraftWidth; // picture pixels per icon width
        const float craftHeight = left_.Height() / scale;
        const float gap = (1 - 2 * craftHeight) / 3;
        Rgba c = water_.At(x * 2 * water_.Width(), y * 2 * water_.Height(), true);
        const float u = (x - kMargin) * scale;
        c = Over(left_.At(u, (y - gap) * scale), c);
        c = Over(right_.At(u, (y - 2 * gap - craftHeight) * scale), c);
        return c;
    }

    Source left_, right_, water_;
};

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

// A PNG file of an 8-bit RGBA picture (`rgba` as Icon::Draw gives it). Throws vl::Error
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
    const Icon icon(list.Items());
    for (const int size : sizes) {
        const std::string dim = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path dir = outDir / dim / "apps";
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec) throw Error("drawicon: cannot create " + dir.string() + ": " + ec.message());
        const std::vector<uint8_t> png = EncodePng(size, size, icon.Draw(size));
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
