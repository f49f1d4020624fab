// SPDX-License-Identifier: GPL-3.0-or-later
// SdlWindowPresenter: a form's SDL window as the place the display component presents
// its frames — the back surface is copied onto the window surface and shown.
#pragma once

#include <SDL.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/Presenter.h"
#include "platform/ToolkitForm.h"

namespace vl::platform {

class SdlWindowPresenter final : public IPresenter {
public:
    // `window` belongs to `form`; both must outlive the presenter.
    SdlWindowPresenter(const Form& form, SDL_Window* window) : form_(form), window_(window) {}

    int ClientWidth() const override { return form_.ClientWidth(); }
    int ClientHeight() const override { return form_.ClientHeight(); }
    // Copies `back` to (x, y) of the window, clipped, and updates the window where it
    // changed. Does nothing while the window is hidden or has no surface.
    void Present(SDL_Surface& back, int x, int y) override;
    // Rows [top, top + rows) of a picture, to be sent to the window system.
    struct RowBand {
        int top = 0;
        int rows = 0;
    };
    // A present sends the window's changed rows as bands: rows this close are sent along
    // with their neighbours' band rather than as a band of their own, and at most this many.
    static constexpr int kBandGapRows = 8;
    static constexpr int kMaxBands = 8;
    // Copies each of `rows` rows of `bytes` bytes from `from` to `to` (each with its pitch)
    // that differs there, and gives the bands that hold every row it copied (their number,
    // 0 when `to` held the picture already).
    static int CopyChangedRows(const uint8_t* from, int fromPitch, uint8_t* to, int toPitch,
                               size_t bytes, int rows, std::array<RowBand, kMaxBands>& bands);
    // True once kPictureIntervalMs have passed since the last picture shown (real time).
    bool WantsPicture() override;

private:
    const Form& form_;
    SDL_Window* window_;
    uint64_t lastPictureMs_ = 0;
    bool shown_ = false;
};

} // namespace vl::platform
