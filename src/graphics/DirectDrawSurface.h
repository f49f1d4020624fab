// SPDX-License-Identifier: GPL-3.0-or-later
// DirectDrawSurface: a drawing surface of the display — a 32-bit software surface with a
// colour key, keyed and mirrored block copies, fills, pixel reads and a text canvas.
//
// Index:
//   - colours (TColor, the named values), errors, the canvas's brush and font
//   - TDirectDrawSurfaceCanvas: text and single pixels on a surface
//   - TDamage: what was written on a surface since a reader last looked
//   - TDirectDrawSurface: the surface
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "container/Error.h"
#include "graphics/Rect.h"

namespace vl::graphics {

class TDIB;
class FontCache;

// 0x00BBGGRR for a plain colour, 0xFF0000nn for system colour nn, plus clNone and
// clDefault. Pixels of our surfaces are 0x00RRGGBB: ColorMatch turns one into the other.
using TColor = uint32_t;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;
inline constexpr TColor clSystemColor = 0xFF000000;
inline constexpr TColor clBtnFace = clSystemColor | 15;

// Plain RGB of a colour: system colours through our fixed classic scheme (see
// SystemColorRGB), clNone white, clDefault black. Result 0x00BBGGRR.
TColor ColorToRGB(TColor color);
// Classic desktop colour `index` (0..30) as 0x00BBGGRR; black for unknown numbers.
TColor SystemColorRGB(uint32_t index);

class EDirectDrawError : public Error {
public:
    using Error::Error;
};
class EDXDrawError : public Error {
public:
    using Error::Error;
};
// The canvas cannot reach its surface (it is lost).
class ECanvasError : public Error {
public:
    using Error::Error;
};
inline constexpr std::string_view kCanvasNoDrawing = "Canvas does not allow drawing";

enum class TBrushStyle { bsSolid, bsClear };
struct TBrush {
    TBrushStyle Style = TBrushStyle::bsSolid;
    TColor Color = clWhite;
};
struct TFont {
    int32_t Size = 8; // points at 96 dpi
    TColor Color = clBlack;
};

class TDirectDrawSurface;

// Draws text and single pixels onto its surface. Brush and font persist between uses.
class TDirectDrawSurfaceCanvas {
public:
    explicit TDirectDrawSurfaceCanvas(TDirectDrawSurface& surface) : surface_(surface) {}

    TBrush Brush;
    TFont Font;

    // Writes UTF-8 `text` with its top-left corner at (x, y) in Font.Size/Font.Color,
    // over a Brush.Color box unless the brush is clear. Does nothing when the surface
    // does not exist; throws ECanvasError(kCanvasNoDrawing) when it is lost. A font
    // that cannot be found draws nothing.
    void TextOut(int32_t x, int32_t y, std::string_view text);
    // Width and height of `text` in the current font, (0, 0) without a font.
    void TextExtent(std::string_view text, int32_t& w, int32_t& h);
    // Sets one pixel to `color` (any TColor form). Same conditions as TextOut.
    void SetPixel(int32_t x, int32_t y, TColor color);
    // Gives the surface back for copying and presenting (nothing to free in software,
    // but kept so callers hold to the protocol).
    void Release() {}

private:
    bool Acquire();
    TDirectDrawSurface& surface_;
};

// Region of a surface locked for direct pixel access.
struct TSurfaceLock {
    uint8_t* Bits = nullptr; // top-left pixel of the locked rectangle
    int32_t Pitch = 0;       // bytes from one row to the next
    int32_t BitCount = 0;    // bits per pixel
    int32_t Width = 0, Height = 0;
};

// The rectangles written on a surface since a reader last cleared its record, each inside
// the surface; or the whole surface: after new pixels, a restore, or more rectangles than
// are kept. A picture drawn anew every frame changes little of itself: its readers (a
// background that repaints only what was drawn over it, a window that sends only what
// changed) use this to leave the rest alone.
struct TDamage {
    static constexpr size_t kMaxRects = 64;
    std::vector<TRect> rects;
    bool whole = true;
};
enum class TDamageReader : uint8_t { Background, Present };

class TDirectDrawSurface {
public:
    // A surface with no pixels yet (Exists() false); `fonts` is the display's font
    // cache, shared by the canvases of its surfaces (a private one is made when null).
    explicit TDirectDrawSurface(std::shared_ptr<FontCache> fonts = nullptr);
    ~TDirectDrawSurface();
    TDirectDrawSurface(const TDirectDrawSurface&) = delete;
    TDirectDrawSurface& operator=(const TDirectDrawSurface&) = delete;

    // Makes the pixels anew: w x h (each at least 1), black, 32 bits per pixel. Returns
    // false and leaves no pixels when the platform cannot make them.
    bool SetSize(int32_t w, int32_t h);
    // Drops the pixels (Exists() false afterwards).
    void Release();
    bool Exists() const { return surface_ != nullptr; }

    int32_t Width() const;
    int32_t Height() const;
    TRect ClientRect() const { return TRect{0, 0, Width(), Height()}; }
    int32_t BitCount() const { return Exists() ? 32 : 0; }

    // Fills the whole surface with the raw pixel value. Nothing without pixels.
    void Fill(uint32_t pixel);
    void FillRect(const TRect& rect, uint32_t pixel);

    // Block copy of `src` of `source` to (x, y), both clipped together (and to `clip` of
    // this surface, when given); with
    // `transparent`, source pixels equal to the source's colour key are skipped. A
    // right-to-left or bottom-to-top `src` is drawn mirrored that way. Nothing without
    // a source, pixels on either side, or x/y beyond this surface's width/height.
    void Draw(int32_t x, int32_t y, const TRect& src, const TDirectDrawSurface* source,
              bool transparent) {
        Draw(x, y, src, source, transparent, ClientRect());
    }
    void Draw(int32_t x, int32_t y, const TRect& src, const TDirectDrawSurface* source,
              bool transparent, const TRect& clip);
    void Draw(int32_t x, int32_t y, const TDirectDrawSurface* source, bool transparent) {
        if (source) Draw(x, y, source->ClientRect(), source, transparent);
    }

    // Direct access to `rect` (which must lie inside the surface), counted as written. Returns
    // false (and leaves `out` empty) when there are no pixels, the surface is lost or already
    // locked, or the rectangle is outside. Each successful Lock needs an Unlock.
    bool Lock(const TRect& rect, TSurfaceLock& out);
    bool Lock(TSurfaceLock& out) { return Lock(ClientRect(), out); }
    void Unlock();

    // Stored pixel value at (x, y): the little-endian 32-bit value; 0 outside or
    // without pixels.
    uint32_t Pixel(int32_t x, int32_t y) const;
    void SetPixelValue(int32_t x, int32_t y, uint32_t pixel);

    // This surface's pixel value for `color`: draws it at (0, 0) through the canvas,
    // reads it back, writes the old value back. 0 without pixels.
    uint32_t ColorMatch(TColor color);

    // The source colour key as a raw pixel value.
    uint32_t TransparentColor() const { return colorKey_; }
    void SetTransparentColor(uint32_t pixel);

    bool SystemMemory = false;

    // Copies the picture's rectangle (x, y, w, h) (clipped to the picture) to (0, 0).
    void CopyFromPicture(const TDIB& picture, int32_t x, int32_t y, int32_t w, int32_t h);

    TDirectDrawSurfaceCanvas& Canvas();
    FontCache& Fonts();

    // Software surfaces are never lost; tests mark them lost to run the restore path.
    bool IsLost() const { return lost_; }
    void SetLostForTesting(bool lost) { lost_ = lost; }
    // Brings a lost surface back (contents undefined: callers fill it). True when the
    // surface exists and is not lost afterwards.
    bool Restore();

    // The platform surface, for presenting; nullptr without pixels. What is written
    // through it must be recorded with Written.
    SDL_Surface* Sdl() { return surface_.get(); }
    const SDL_Surface* Sdl() const { return surface_.get(); }

    // --- what was written ---------------------------------------------------------------
    // Every write above records its rectangle (clipped to the surface) for each reader,
    // unless one recorded already holds it; Written records a write about to be made.
    const TDamage& Damage(TDamageReader reader) const {
        return damage_[static_cast<size_t>(reader)];
    }
    void ClearDamage(TDamageReader reader);
    void Written(const TRect& rect);
    // Counts the writes (any rectangle) since the surface was made: equal counts, equal
    // pixels.
    uint64_t WriteCount() const { return writes_; }
    // A background that paints every pixel leaves its key here, so that the next time it
    // knows the pixels outside Damage(Background) are still its own.
    uint64_t BackgroundKey = 0;

private:
    void WrittenWhole();

    struct SdlFree {
        void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
    };
    uint32_t* Row(int32_t y) const;

    std::unique_ptr<SDL_Surface, SdlFree> surface_;
    std::shared_ptr<FontCache> fonts_;
    std::unique_ptr<TDirectDrawSurfaceCanvas> canvas_;
    std::array<TDamage, 2> damage_;
    uint64_t writes_ = 0;
    uint32_t colorKey_ = 0;
    bool lost_ = false;
    bool locked_ = false;
};

} // namespace vl::graphics
