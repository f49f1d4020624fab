// SPDX-License-Identifier: GPL-3.0-or-later
// SdlWindowPresenter: the copy of a finished frame onto the window surface.
#include "platform/SdlWindowPresenter.h"

#include <array>
#include <cstddef>
#include <cstring>

namespace vl::platform {

int SdlWindowPresenter::CopyChangedRows(const uint8_t* from, int fromPitch, uint8_t* to,
                                        int toPitch, size_t bytes, int rows,
                                        std::array<RowBand, kMaxBands>& bands) {
    // A match changes a few bands of rows from one picture to the next (the craft, the
    // shots, the counters): most rows are only read, and the window system is given only
    // the bands that changed. Comparing with the window surface itself keeps this right
    // whatever else drew there (the toolkit's repaint) or a new surface holds.
    int count = 0;
    for (int row = 0; row < rows; ++row) {
        uint8_t* t = to + static_cast<ptrdiff_t>(row) * toPitch;
        const uint8_t* f = from + static_cast<ptrdiff_t>(row) * fromPitch;
        if (std::memcmp(t, f, bytes) == 0) continue;
        std::memcpy(t, f, bytes);
        RowBand* last = count > 0 ? &bands[count - 1] : nullptr;
        if (last != nullptr &&
            (row - (last->top + last->rows) <= kBandGapRows || count == kMaxBands))
            last->rows = row + 1 - last->top; // the rows between are sent along
        else
            bands[count++] = RowBand{row, 1};
    }
    return count;
}

void SdlWindowPresenter::Present(SDL_Surface& back, int x, int y) {
    if (!window_ || !form_.Visible()) return;
    SDL_Surface* target = SDL_GetWindowSurface(window_);
    if (!target) return;
    const SDL_Rect placed{x, y, back.w, back.h};
    const SDL_Rect whole{0, 0, target->w, target->h};
    SDL_Rect shown{};
    if (back.format->format == target->format->format && !SDL_MUSTLOCK(target) &&
        !SDL_MUSTLOCK(&back)) {
        // Only the rows that differ from what the window holds (CopyChangedRows), with
        // ordinary stores: SDL's copy stores past the cache, and the window system reads
        // these pixels next.
        if (SDL_IntersectRect(&placed, &whole, &shown) == SDL_TRUE) {
            const int bpp = back.format->BytesPerPixel;
            const auto* from = static_cast<const uint8_t*>(back.pixels) +
                               static_cast<ptrdiff_t>(shown.y - y) * back.pitch +
                               static_cast<ptrdiff_t>(shown.x - x) * bpp;
            auto* to = static_cast<uint8_t*>(target->pixels) +
                       static_cast<ptrdiff_t>(shown.y) * target->pitch +
                       static_cast<ptrdiff_t>(shown.x) * bpp;
            std::array<RowBand, kMaxBands> bands{};
            const int count = CopyChangedRows(from, back.pitch, to, target->pitch,
                                              static_cast<size_t>(shown.w) * bpp, shown.h, bands);
            std::array<SDL_Rect, kMaxBands> rects{};
            for (int i = 0; i < count; ++i)
                rects[i] = SDL_Rect{shown.x, shown.y + bands[i].top, shown.w, bands[i].rows};
            // Nothing changed: the window already shows this picture.
            if (count > 0) SDL_UpdateWindowSurfaceRects(window_, rects.data(), count);
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
