// SPDX-License-Identifier: GPL-3.0-or-later
// Presenter: where the display component shows its back surface — the window it sits in.
//
// The display (graphics/DXDraw) knows its window only through this interface: whether
// there is one at all ("Form not found" otherwise), how large its client area is, and
// how to put a finished frame on screen. The SDL window implements it; the headless
// presenter below serves tests and the simulator.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <span>
#include <vector>

namespace vl::platform {

// Where a picture may differ from the last one presented from the same surface: these
// rectangles of it, or anywhere (whole).
struct PictureChanges {
    bool whole = true;
    std::span<const SDL_Rect> rects;
};

class IPresenter {
public:
    virtual ~IPresenter() = default;
    // False when the display is not placed on a window (initialising then fails).
    virtual bool HasParentForm() const { return true; }
    // Client area of the window the display fills, in pixels.
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    // Shows `back` with its top-left corner at (x, y) of the client area; the parts
    // outside the client area are clipped. `back` is only read; `changes` may spare the
    // presenter looking at the rest.
    virtual void Present(SDL_Surface& back, int x, int y, const PictureChanges& changes) = 0;
    void Present(SDL_Surface& back, int x, int y) { Present(back, x, y, PictureChanges{}); }
    // Blocks until the start of the next vertical blank, where the platform can.
    virtual void WaitVBlank() {}
    // Whether a frame finished now would be shown. A screen shows at most its refresh
    // rate, so a window takes a picture at most every kPictureIntervalMs and the frames
    // between may leave drawing and presenting out. Headless: every frame.
    virtual bool WantsPicture() { return true; }
    static constexpr uint32_t kPictureIntervalMs = 16; // ~60 pictures a second
};

// A window without a screen: keeps a copy of the last presented frame (in the
// client area's size, black where nothing was drawn) and counts presents.
class HeadlessPresenter : public IPresenter {
public:
    HeadlessPresenter(int width, int height, bool hasForm = true)
        : width_(width), height_(height), hasForm_(hasForm) {}

    bool HasParentForm() const override { return hasForm_; }
    int ClientWidth() const override { return width_; }
    int ClientHeight() const override { return height_; }
    using IPresenter::Present;
    void Present(SDL_Surface& back, int x, int y, const PictureChanges& changes) override;
    void WaitVBlank() override { ++vblankWaits_; }

    int PresentCount() const { return presents_; }
    int VBlankWaits() const { return vblankWaits_; }
    // Pixel of the last frame as 0x00RRGGBB; 0 outside the client area.
    uint32_t FramePixel(int x, int y) const;
    // Where the last frame's top-left corner went.
    int LastX() const { return lastX_; }
    int LastY() const { return lastY_; }

private:
    int width_, height_;
    bool hasForm_;
    int presents_ = 0;
    int vblankWaits_ = 0;
    int lastX_ = 0, lastY_ = 0;
    std::vector<uint32_t> frame_; // width_ * height_, row-major, 0x00RRGGBB
};

} // namespace vl::platform
