// SPDX-License-Identifier: GPL-3.0-or-later
// SdlWindowPresenter: a form's SDL window as the place the display component presents
// its frames — the back surface is copied onto the window surface and shown.
#pragma once

#include <SDL.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/Presenter.h"
#include "platform/ToolkitForm.h"

namespace vl::platform {

class SdlWindowPresenter final : public IPresenter {
public:
    // `window` belongs to `form`; both must outlive the presenter. `paints` counts the
    // toolkit's own paints of the window's surface; without it every row is compared.
    SdlWindowPresenter(const Form& form, SDL_Window* window,
                       std::shared_ptr<const uint64_t> paints = nullptr)
        : form_(form), window_(window), paints_(std::move(paints)) {}

    int ClientWidth() const override { return form_.ClientWidth(); }
    int ClientHeight() const override { return form_.ClientHeight(); }
    // Copies `back` to (x, y) of the window, clipped, and updates the window where it
    // changed. Does nothing while the window is hidden or has no surface. Only the pixels
    // of `changes` are compared when the window surface holds the last picture of `back`
    // presented at the same place, which nothing else (the toolkit's paint) drew over.
    using IPresenter::Present;
    void Present(SDL_Surface& back, int x, int y, const PictureChanges& changes) override;
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
    // The same within `spans` only (rectangles of pixels inside the `rows` rows); `changed`
    // is its scratch.
    static int CopyChangedSpans(const uint8_t* from, int fromPitch, uint8_t* to, int toPitch,
                                int bytesPerPixel, std::span<const SDL_Rect> spans, int rows,
                                std::array<RowBand, kMaxBands>& bands,
                                std::vector<uint8_t>& changed);
    // True once kPictureIntervalMs have passed since the last picture shown (real time).
    bool WantsPicture() override;

private:
    // Adds `row` (past every row added before) to the bands; `count` is their number.
    static void AddRow(std::array<RowBand, kMaxBands>& bands, int& count, int row);

    // What the window surface held after the last present; reset when it presented nothing.
    struct Shown {
        const SDL_Surface* back = nullptr;
        int x = 0, y = 0;
        const SDL_Surface* target = nullptr;
        int targetW = 0, targetH = 0;
        uint64_t paints = 0;
        friend bool operator==(const Shown&, const Shown&) = default;
    };
    const Form& form_;
    SDL_Window* window_;
    std::shared_ptr<const uint64_t> paints_;
    Shown last_;
    std::vector<SDL_Rect> spans_;      // what a present compares, in the shown part's terms
    std::vector<uint8_t> changedRows_; // the rows it copied
    uint64_t lastPictureMs_ = 0;
    bool shown_ = false;
};

} // namespace vl::platform
