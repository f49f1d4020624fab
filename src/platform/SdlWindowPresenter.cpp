// SPDX-License-Identifier: GPL-3.0-or-later
// SdlWindowPresenter: the copy of a finished frame onto the window surface.
#include "platform/SdlWindowPresenter.h"

namespace vl::platform {

void SdlWindowPresenter::Present(SDL_Surface& back, int x, int y) {
    if (!window_ || !form_.Visible()) return;
    SDL_Surface* target = SDL_GetWindowSurface(window_);
    if (!target) return;
    SDL_Rect dst{x, y, back.w, back.h};
    // SDL_BlitSurface clips to the target and converts the pixel format when they differ.
    if (SDL_BlitSurface(&back, nullptr, target, &dst) == 0) SDL_UpdateWindowSurface(window_);
    lastPictureMs_ = SDL_GetTicks64();
    shown_ = true;
}

bool SdlWindowPresenter::WantsPicture() {
    // A 100 Hz match then shows every other frame: 50 pictures a second, the most a
    // 60 Hz screen can show of it evenly, for half the drawing and the window's updates.
    return !shown_ || SDL_GetTicks64() - lastPictureMs_ >= kPictureIntervalMs;
}

} // namespace vl::platform
