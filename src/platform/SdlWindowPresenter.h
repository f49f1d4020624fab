// SPDX-License-Identifier: GPL-3.0-or-later
// SdlWindowPresenter: a form's SDL window as the place the display component presents
// its frames — the back surface is copied onto the window surface and shown.
#pragma once

#include <SDL.h>

#include "platform/Presenter.h"
#include "platform/ToolkitForm.h"

namespace vl::platform {

class SdlWindowPresenter final : public IPresenter {
public:
    // `window` belongs to `form`; both must outlive the presenter.
    SdlWindowPresenter(const Form& form, SDL_Window* window) : form_(form), window_(window) {}

    int ClientWidth() const override { return form_.ClientWidth(); }
    int ClientHeight() const override { return form_.ClientHeight(); }
    // Copies `back` to (x, y) of the window, clipped, and updates the window. Does nothing
    // while the window is hidden or has no surface.
    void Present(SDL_Surface& back, int x, int y) override;
    // True once kPictureIntervalMs have passed since the last picture shown (real time).
    bool WantsPicture() override;

private:
    const Form& form_;
    SDL_Window* window_;
    uint64_t lastPictureMs_ = 0;
    bool shown_ = false;
};

} // namespace vl::platform
