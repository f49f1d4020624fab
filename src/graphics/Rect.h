// SPDX-License-Identifier: GPL-3.0-or-later
// Rect: the rectangle of the graphics and sprite code — left, top, right, bottom, with
// right and bottom exclusive (signed 32-bit, as pictures and sprites measure them).
#pragma once

#include <algorithm>
#include <cstdint>

namespace vl::graphics {

struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    constexpr int32_t Width() const { return Right - Left; }
    constexpr int32_t Height() const { return Bottom - Top; }
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Bounds(int32_t x, int32_t y, int32_t w, int32_t h) {
    return TRect{x, y, x + w, y + h};
}

// True when the two share an interior point; touching edges do not overlap.
constexpr bool RectsOverlap(const TRect& a, const TRect& b) {
    return a.Left < b.Right && a.Right > b.Left && a.Top < b.Bottom && a.Bottom > b.Top;
}

} // namespace vl::graphics
