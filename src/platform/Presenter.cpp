// SPDX-License-Identifier: GPL-3.0-or-later
// Presenter: the headless window, which keeps the last frame for tests and the simulator.
#include "platform/Presenter.h"

#include <algorithm>

namespace vl::platform {

void HeadlessPresenter::Present(SDL_Surface& back, int x, int y,
                                const PictureChanges& /*changes*/) {
    ++presents_;
    lastX_ = x;
    lastY_ = y;
    frame_.assign(
        static_cast<size_t>(std::max(width_, 0)) * static_cast<size_t>(std::max(height_, 0)), 0);
    if (back.format->BytesPerPixel != 4) return; // our surfaces are always 32-bit
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + back.w, width_), y1 = std::min(y + back.h, height_);
    for (int py = y0; py < y1; ++py) {
        const auto* row = reinterpret_cast<const Uint32*>(
            static_cast<const Uint8*>(back.pixels) + static_cast<ptrdiff_t>(py - y) * back.pitch);
        uint32_t* out = frame_.data() + static_cast<size_t>(py) * static_cast<size_t>(width_);
        if (back.format->format == SDL_PIXELFORMAT_XRGB8888) { // our own layout: copy
            for (int px = x0; px < x1; ++px) out[px] = row[px - x] & 0xFFFFFF;
            continue;
        }
        for (int px = x0; px < x1; ++px) {
            Uint8 r = 0, g = 0, b = 0;
            SDL_GetRGB(row[px - x], back.format, &r, &g, &b);
            frame_[static_cast<size_t>(py) * static_cast<size_t>(width_) +
                   static_cast<size_t>(px)] = (Uint32{r} << 16) | (Uint32{g} << 8) | b;
        }
    }
}

uint32_t HeadlessPresenter::FramePixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || frame_.empty()) return 0;
    return frame_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
}

} // namespace vl::platform
