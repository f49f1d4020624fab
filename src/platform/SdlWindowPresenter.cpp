// SPDX-License-Identifier: GPL-3.0-or-later
// SdlWindowPresenter: the copy of a finished frame onto the window surface.
#include "platform/SdlWindowPresenter.h"

#include <cstddef>
#include <cstring>

namespace vl::platform {

void SdlWindowPresenter::Present(SDL_Surface& back, int x, int y) {
    if (!window_ || !form_.Visible()) return;
    SDL_Surface* target = SDL_GetWindowSurface(window_);
    if (!target) return;
    const SDL_Rect placed{x, y, back.w, back.h};
    const SDL_Rect whole{0, 0, target->w, target->h};
    SDL_Rect shown{};
    if (back.format->format == target->format->format && !SDL_MUSTLOCK(target) &&
        !SDL_MUSTLOCK(&back)) {
        // Row by row with ordinary stores: SDL's copy stores past the cache, and the window
        // system reads these pixels next.
        if (SDL_IntersectRect(&placed, &whole, &shown) == SDL_TRUE) {
            const int bpp = back.format->BytesPerPixel;
            const auto* from = static_cast<const uint8_t*>(back.pixels) +
                               static_cast<ptrdiff_t>(shown.y - y) * back.pitch +
                               static_cast<ptrdiff_t>(shown.x - x) * bpp;
            auto* to = static_cast<uint8_t*>(target->pixels) +
                       static_cast<ptrdiff_t>(shown.y) * target->pitch +
                       static_cast<ptrdiff_t>(shown.x) * bpp;
            for (int row = 0; row < shown.h; ++row)
                std::memcpy(to + static_cast<ptrdiff_t>(row) * target->pitch,
                            from + static_cast<ptrdiff_t>(row) * back.pitch,
                            static_cast<size_t>(shown.w) * bpp);
            SDL_UpdateWindowSurfaceRects(window_, &shown, 1);
        }
    } else {
        // SDL_BlitSurface clips to the target and converts the pixel format.
        SDL_Rect dst = placed;
        if (SDL_BlitSurface(&back, nullptr, target, &dst) == 0) SDL_UpdateWindowSurface(window_);
    }
    lastPictureMs_ = SDL_GetTicks64();
    shown_ = true;
}

bool SdlWindowPresenter::WantsPicture() {
    // A 100 Hz match then shows every other frame: 50 pictures a second, the most a
    // 60 Hz screen can show of it evenly, for half the drawing and the window's updates.
    return !shown_ || SDL_GetTicks64() - lastPictureMs_ >= kPictureIntervalMs;
}

} // namespace vl::platform
