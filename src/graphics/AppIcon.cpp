// SPDX-License-Identifier: GPL-3.0-or-later
// AppIcon: sampling the pictures and composing the icon.
#include "graphics/AppIcon.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "container/Error.h"

namespace vl::graphics {

namespace {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 0; // colour premultiplied by a; all 0..1
};

// A picture of the file, read as RGB with its colour key (if any) as transparency.
class Source {
public:
    Source(const TPictureCollection& pics, std::string_view name, bool keyed) {
        const TDIB* dib = pics.Find(name).Picture().Graphic();
        if (!dib || dib->Empty())
            throw Error("the icon's picture " + std::string(name) + " is empty");
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
    TDIB dib_;
    bool keyed_ = false;
};

Rgba Over(Rgba top, Rgba under) {
    const float k = 1 - top.a;
    return {top.r + under.r * k, top.g + under.g * k, top.b + under.b * k, top.a + under.a * k};
}

// Whether the point (x, y) of the unit square lies in the rounded square that frames the icon.
bool InFrame(float x, float y) {
    constexpr float kInset = 0.03f, kRadius = 0.18f;
    const float lo = kInset + kRadius, hi = 1 - kInset - kRadius;
    const float dx = std::max({lo - x, 0.0f, x - hi}), dy = std::max({lo - y, 0.0f, y - hi});
    return dx * dx + dy * dy <= kRadius * kRadius;
}

class Icon {
public:
    explicit Icon(const TPictureCollection& pics)
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

} // namespace

std::vector<uint8_t> DrawAppIcon(const TPictureCollection& pictures, int size) {
    return Icon(pictures).Draw(size);
}

} // namespace vl::graphics
