// SPDX-License-Identifier: GPL-3.0-or-later
// SdlWindowPresenter: the copy of a finished frame onto the window surface.
#include "platform/SdlWindowPresenter.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

namespace vl::platform {

void SdlWindowPresenter::AddRow(std::array<RowBand, kMaxBands>& bands, int& count, int row) {
    RowBand* last = count > 0 ? &bands[static_cast<size_t>(count - 1)] : nullptr;
    if (last != nullptr && (row - (last->top + last->rows) <= kBandGapRows || count == kMaxBands))
        last->rows = row + 1 - last->top; // the rows between are sent along
    else
        bands[static_cast<size_t>(count++)] = RowBand{row, 1};
}

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
        AddRow(bands, count, row);
    }
    return count;
}

int SdlWindowPresenter::CopyChangedSpans(const uint8_t* from, int fromPitch, uint8_t* to,
                                         int toPitch, int bytesPerPixel,
                                         std::span<const SDL_Rect> spans, int rows,
                                         std::array<RowBand, kMaxBands>& bands,
                                         std::vector<uint8_t>& changed) {
    changed.assign(static_cast<size_t>(std::max(rows, 0)), 0);
    for (const SDL_Rect& r : spans) {
        const size_t bytes = static_cast<size_t>(r.w) * static_cast<size_t>(bytesPerPixel);
        for (int row = std::max(r.y, 0); row < std::min(r.y + r.h, rows); ++row) {
            uint8_t* t = to + static_cast<ptrdiff_t>(row) * toPitch +
                         static_cast<ptrdiff_t>(r.x) * bytesPerPixel;
            const uint8_t* f = from + static_cast<ptrdiff_t>(row) * fromPitch +
                               static_cast<ptrdiff_t>(r.x) * bytesPerPixel;
            if (std::memcmp(t, f, bytes) == 0) continue;
            std::memcpy(t, f, bytes);
            changed[static_cast<size_t>(row)] = 1;
        }
    }
    int count = 0;
    for (int row = 0; row < rows; ++row)
        if (changed[static_cast<size_t>(row)] != 0) AddRow(bands, count, row);
    return count;
}

void SdlWindowPresenter::Present(SDL_Surface& back, int x, int y, const PictureChanges& changes) {
    const Shown before = last_;
    last_ = Shown{};
    if (!window_ || !form_.Visible()) return;
    SDL_Surface* target = SDL_GetWindowSurface(window_);
    if (!target) return;
    const Shown now{&back, x, y, target, target->w, target->h, paints_ ? *paints_ : 0};
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
            int count = 0;
            if (paints_ && !changes.whole && now == before) {
                // The window holds the last picture of `back` here: only what changed
                // since can differ from it.
                spans_.clear();
                const SDL_Rect inShown{shown.x - x, shown.y - y, shown.w, shown.h};
                for (const SDL_Rect& r : changes.rects) {
                    SDL_Rect part{};
                    if (SDL_IntersectRect(&r, &inShown, &part) == SDL_TRUE)
                        spans_.push_back(
                            SDL_Rect{part.x - inShown.x, part.y - inShown.y, part.w, part.h});
                }
                count = CopyChangedSpans(from, back.pitch, to, target->pitch, bpp, spans_, shown.h,
                                         bands, changedRows_);
            } else {
                count = CopyChangedRows(from, back.pitch, to, target->pitch,
                                        static_cast<size_t>(shown.w) * bpp, shown.h, bands);
            }
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
    last_ = now;
    lastPictureMs_ = SDL_GetTicks64();
    shown_ = true;
}

bool SdlWindowPresenter::WantsPicture() {
    // A 100 Hz match then shows every other frame: 50 pictures a second, the most a
    // 60 Hz screen can show of it evenly, for half the drawing and the window's updates.
    return !shown_ || SDL_GetTicks64() - lastPictureMs_ >= kPictureIntervalMs;
}

} // namespace vl::platform
