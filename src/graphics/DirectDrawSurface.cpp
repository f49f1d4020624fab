// SPDX-License-Identifier: GPL-3.0-or-later
// DirectDrawSurface: software drawing surfaces (SDL surfaces, 32-bit XRGB8888), their
// block copies, fills, pixel access, colour matching and text canvas.
//
// Index:
//   - colours: the classic system colour scheme, ColorToRGB
//   - surface: size, fill, pixel access, lock, restore
//   - Draw: clipping both rectangles together, mirroring, the colour key
//   - canvas: text through SDL2_ttf, single pixels
#include "graphics/DirectDrawSurface.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "graphics/DIB.h"
#include "graphics/FontCache.h"
#include "graphics/PixelLoops.h"

namespace vl::graphics {

namespace {

constexpr TColor Rgb(uint32_t r, uint32_t g, uint32_t b) {
    return r | (g << 8) | (b << 16);
}

// Colour (0x00BBGGRR) to our pixel layout (0x00RRGGBB).
constexpr uint32_t ToPixel(TColor rgb) {
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

// The classic desktop scheme (as shipped with the grey 3-D look), indexed by system
// colour number. We have no platform scheme to ask, so this fixed table stands in.
constexpr std::array<TColor, 31> kSystemColors = {
    Rgb(212, 208, 200), // 0 scroll bar
    Rgb(58, 110, 165),  // 1 desktop background
    Rgb(10, 36, 106),   // 2 active caption
    Rgb(128, 128, 128), // 3 inactive caption
    Rgb(212, 208, 200), // 4 menu
    Rgb(255, 255, 255), // 5 window
    Rgb(0, 0, 0),       // 6 window frame
    Rgb(0, 0, 0),       // 7 menu text
    Rgb(0, 0, 0),       // 8 window text
    Rgb(255, 255, 255), // 9 caption text
    Rgb(212, 208, 200), // 10 active border
    Rgb(212, 208, 200), // 11 inactive border
    Rgb(128, 128, 128), // 12 application workspace
    Rgb(10, 36, 106),   // 13 highlight
    Rgb(255, 255, 255), // 14 highlight text
    Rgb(212, 208, 200), // 15 button face
    Rgb(128, 128, 128), // 16 button shadow
    Rgb(128, 128, 128), // 17 grey text
    Rgb(0, 0, 0),       // 18 button text
    Rgb(212, 208, 200), // 19 inactive caption text
    Rgb(255, 255, 255), // 20 button highlight
    Rgb(64, 64, 64),    // 21 3-D dark shadow
    Rgb(212, 208, 200), // 22 3-D light
    Rgb(0, 0, 0),       // 23 tooltip text
    Rgb(255, 255, 225), // 24 tooltip background
    Rgb(0, 0, 0),       // 25 (unused)
    Rgb(0, 0, 128),     // 26 hot-tracked item
    Rgb(166, 202, 240), // 27 active caption gradient
    Rgb(192, 192, 192), // 28 inactive caption gradient
    Rgb(10, 36, 106),   // 29 menu highlight
    Rgb(212, 208, 200), // 30 menu bar
};

// Cuts one axis of a copy: destination [d0, d1) inside [0, destMax), source [s0, s1)
// inside [0, srcMax). A cut on one side is applied to the other — to the opposite end
// when the axis is mirrored. False when nothing is left.
bool ClipAxis(int64_t& d0, int64_t& d1, int64_t& s0, int64_t& s1, int64_t destMax, int64_t srcMax,
              bool mirrored) {
    if (s0 < 0) {
        (mirrored ? d1 : d0) += mirrored ? s0 : -s0;
        s0 = 0;
    }
    if (s1 > srcMax) {
        (mirrored ? d0 : d1) += mirrored ? s1 - srcMax : srcMax - s1;
        s1 = srcMax;
    }
    if (d0 < 0) {
        (mirrored ? s1 : s0) += mirrored ? d0 : -d0;
        d0 = 0;
    }
    if (d1 > destMax) {
        (mirrored ? s0 : s1) += mirrored ? d1 - destMax : destMax - d1;
        d1 = destMax;
    }
    return d0 < d1 && s0 < s1;
}

} // namespace

TColor SystemColorRGB(uint32_t index) {
    return index < kSystemColors.size() ? kSystemColors[index] : clBlack;
}

TColor ColorToRGB(TColor color) {
    if ((color & 0xFF000000u) == clSystemColor) return SystemColorRGB(color & 0xFF);
    return color & 0xFFFFFF;
}

// --- surface ---------------------------------------------------------------------------

TDirectDrawSurface::TDirectDrawSurface(std::shared_ptr<FontCache> fonts)
    : fonts_(std::move(fonts)) {}

TDirectDrawSurface::~TDirectDrawSurface() = default;

bool TDirectDrawSurface::SetSize(int32_t w, int32_t h) {
    surface_.reset();
    lost_ = false;
    locked_ = false;
    WrittenWhole();
    if (w < 1 || h < 1) return false;
    surface_.reset(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_XRGB8888));
    if (!surface_) return false;
    Fill(0);
    return true;
}

void TDirectDrawSurface::Release() {
    surface_.reset();
    locked_ = false;
    WrittenWhole();
}

void TDirectDrawSurface::ClearDamage(TDamageReader reader) {
    TDamage& d = damage_[static_cast<size_t>(reader)];
    d.rects.clear();
    d.whole = false;
}

void TDirectDrawSurface::Written(const TRect& rect) {
    ++writes_;
    const TRect r{std::max(rect.Left, 0), std::max(rect.Top, 0), std::min(rect.Right, Width()),
                  std::min(rect.Bottom, Height())};
    if (r.Right <= r.Left || r.Bottom <= r.Top) return;
    const auto inside = [&r](const TRect& o) {
        return o.Left <= r.Left && o.Top <= r.Top && r.Right <= o.Right && r.Bottom <= o.Bottom;
    };
    for (TDamage& d : damage_) {
        if (d.whole || std::any_of(d.rects.begin(), d.rects.end(), inside)) continue;
        if (d.rects.size() == TDamage::kMaxRects) {
            d.whole = true;
            d.rects.clear();
        } else {
            d.rects.push_back(r);
        }
    }
}

void TDirectDrawSurface::WrittenWhole() {
    ++writes_;
    for (TDamage& d : damage_) {
        d.whole = true;
        d.rects.clear();
    }
}

int32_t TDirectDrawSurface::Width() const {
    return surface_ ? surface_->w : 0;
}
int32_t TDirectDrawSurface::Height() const {
    return surface_ ? surface_->h : 0;
}

uint32_t* TDirectDrawSurface::Row(int32_t y) const {
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface_->pixels) +
                                       static_cast<ptrdiff_t>(y) * surface_->pitch);
}

void TDirectDrawSurface::Fill(uint32_t pixel) {
    FillRect(ClientRect(), pixel);
}

void TDirectDrawSurface::FillRect(const TRect& rect, uint32_t pixel) {
    if (!surface_ || lost_) return;
    const int32_t l = std::max(rect.Left, 0), t = std::max(rect.Top, 0);
    const int32_t r = std::min(rect.Right, Width()), b = std::min(rect.Bottom, Height());
    if (r <= l || b <= t) return;
    Written(TRect{l, t, r, b});
    // The whole back surface is filled for every picture; the row loop keeps it in the
    // cache for the drawing that follows (see PixelLoops).
    const PixelFillFn fill = BestPixelLoops().fill;
    for (int32_t y = t; y < b; ++y) fill(Row(y) + l, r - l, pixel);
}

uint32_t TDirectDrawSurface::Pixel(int32_t x, int32_t y) const {
    if (!surface_ || x < 0 || y < 0 || x >= Width() || y >= Height()) return 0;
    return Row(y)[x];
}

void TDirectDrawSurface::SetPixelValue(int32_t x, int32_t y, uint32_t pixel) {
    if (!surface_ || lost_ || x < 0 || y < 0 || x >= Width() || y >= Height()) return;
    Written(Bounds(x, y, 1, 1));
    Row(y)[x] = pixel;
}

bool TDirectDrawSurface::Lock(const TRect& rect, TSurfaceLock& out) {
    out = TSurfaceLock{};
    if (!surface_ || lost_) return false;
    if (rect.Left < 0 || rect.Top < 0 || rect.Right > Width() || rect.Bottom > Height() ||
        rect.Right < rect.Left || rect.Bottom < rect.Top)
        return false;
    // Software pixels stay put, so nested locks (two patterns on one surface) are fine.
    Written(rect);
    out.Bits = reinterpret_cast<uint8_t*>(Row(rect.Top) + rect.Left);
    out.Pitch = surface_->pitch;
    out.BitCount = 32;
    out.Width = rect.Width();
    out.Height = rect.Height();
    locked_ = true;
    return true;
}

void TDirectDrawSurface::Unlock() {
    locked_ = false;
}

uint32_t TDirectDrawSurface::ColorMatch(TColor color) {
    if (!surface_ || lost_) return 0;
    const uint32_t old = Pixel(0, 0);
    Canvas().SetPixel(0, 0, color);
    Canvas().Release();
    const uint32_t value = Pixel(0, 0);
    SetPixelValue(0, 0, old);
    return value;
}

void TDirectDrawSurface::SetTransparentColor(uint32_t pixel) {
    colorKey_ = pixel;
}

void TDirectDrawSurface::CopyFromPicture(const TDIB& picture, int32_t x, int32_t y, int32_t w,
                                         int32_t h) {
    if (!surface_ || lost_) return;
    const int32_t x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int32_t x1 = std::min({x + w, picture.Width(), x0 + Width()});
    const int32_t y1 = std::min({y + h, picture.Height(), y0 + Height()});
    Written(TRect{x0 - x, y0 - y, x1 - x, y1 - y});
    for (int32_t py = y0; py < y1; ++py) {
        uint32_t* dst = Row(py - y);
        for (int32_t px = x0; px < x1; ++px) dst[px - x] = picture.Pixel(px, py);
    }
}

bool TDirectDrawSurface::Restore() {
    if (!surface_) return false;
    lost_ = false;
    WrittenWhole(); // contents undefined
    return true;
}

FontCache& TDirectDrawSurface::Fonts() {
    if (!fonts_) fonts_ = std::make_shared<FontCache>();
    return *fonts_;
}

TDirectDrawSurfaceCanvas& TDirectDrawSurface::Canvas() {
    if (!canvas_) canvas_ = std::make_unique<TDirectDrawSurfaceCanvas>(*this);
    return *canvas_;
}

// --- Draw ------------------------------------------------------------------------------

void TDirectDrawSurface::Draw(int32_t x, int32_t y, const TRect& src,
                              const TDirectDrawSurface* source, bool transparent,
                              const TRect& clip) {
    if (!source || !surface_ || !source->surface_ || lost_ || source->lost_) return;
    if (x > Width() || y > Height()) return;
    const int64_t cl = std::max(clip.Left, 0), ct = std::max(clip.Top, 0);
    const int64_t cr = std::min(clip.Right, Width()), cb = std::min(clip.Bottom, Height());
    if (cr <= cl || cb <= ct) return;
    const bool mirrorX = src.Right < src.Left, mirrorY = src.Bottom < src.Top;
    int64_t sx0 = std::min(src.Left, src.Right), sx1 = std::max(src.Left, src.Right);
    int64_t sy0 = std::min(src.Top, src.Bottom), sy1 = std::max(src.Top, src.Bottom);
    // Clipped in the clip's own coordinates, then placed back.
    int64_t dx0 = x - cl, dx1 = dx0 + (sx1 - sx0);
    int64_t dy0 = y - ct, dy1 = dy0 + (sy1 - sy0);
    if (!ClipAxis(dx0, dx1, sx0, sx1, cr - cl, source->Width(), mirrorX)) return;
    if (!ClipAxis(dy0, dy1, sy0, sy1, cb - ct, source->Height(), mirrorY)) return;
    dx0 += cl, dx1 += cl, dy0 += ct, dy1 += ct;
    const auto w = static_cast<int32_t>(dx1 - dx0), h = static_cast<int32_t>(dy1 - dy0);
    Written(TRect{static_cast<int32_t>(dx0), static_cast<int32_t>(dy0), static_cast<int32_t>(dx1),
                  static_cast<int32_t>(dy1)});

    // A copy within one surface may overlap itself: take the source rows first.
    std::vector<uint32_t> scratch;
    const int32_t sl = static_cast<int32_t>(sx0), st = static_cast<int32_t>(sy0);
    auto srcRow = [&](int32_t i) -> const uint32_t* {
        const int32_t row = mirrorY ? st + h - 1 - i : st + i;
        return scratch.empty() ? source->Row(row) + sl
                               : scratch.data() + static_cast<size_t>(row - st) * w;
    };
    if (source == this) {
        scratch.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
        for (int32_t i = 0; i < h; ++i)
            std::memcpy(scratch.data() + static_cast<size_t>(i) * w, Row(st + i) + sl,
                        static_cast<size_t>(w) * sizeof(uint32_t));
    }
    // The key compares the 24 colour bits, as the pixel-exact collision test does.
    const uint32_t key = source->colorKey_ & 0xFFFFFF;
    for (int32_t i = 0; i < h; ++i) {
        const uint32_t* s = srcRow(i);
        uint32_t* d = Row(static_cast<int32_t>(dy0) + i) + dx0;
        if (!transparent && !mirrorX) {
            std::memcpy(d, s, static_cast<size_t>(w) * sizeof(uint32_t));
        } else if (!mirrorX) {
            BestPixelLoops().keyCopy(d, s, w, key);
        } else {
            for (int32_t j = 0; j < w; ++j) {
                const uint32_t p = s[w - 1 - j];
                if (!transparent || (p & 0xFFFFFF) != key) d[j] = p;
            }
        }
    }
}

// --- canvas ----------------------------------------------------------------------------

bool TDirectDrawSurfaceCanvas::Acquire() {
    if (!surface_.Exists()) return false; // display not initialised: drawing is a no-op
    if (surface_.IsLost()) throw ECanvasError(std::string(kCanvasNoDrawing));
    return true;
}

void TDirectDrawSurfaceCanvas::SetPixel(int32_t x, int32_t y, TColor color) {
    if (!Acquire()) return;
    surface_.SetPixelValue(x, y, ToPixel(ColorToRGB(color)));
}

void TDirectDrawSurfaceCanvas::TextExtent(std::string_view text, int32_t& w, int32_t& h) {
    w = h = 0;
    if (text.empty()) return;
    int tw = 0, th = 0;
    if (surface_.Fonts().Extent(Font.Size, text, tw, th)) w = tw, h = th;
}

void TDirectDrawSurfaceCanvas::TextOut(int32_t x, int32_t y, std::string_view text) {
    if (!Acquire() || text.empty()) return;
    TTF_Font* font = surface_.Fonts().Font(Font.Size);
    if (!font) return;
    const TColor c = ColorToRGB(Font.Color);
    const SDL_Color color{static_cast<Uint8>(c), static_cast<Uint8>(c >> 8),
                          static_cast<Uint8>(c >> 16), 255};
    SDL_Surface* rendered = surface_.Fonts().Rendered(Font.Size, color, text);
    if (rendered == nullptr) return;
    if (Brush.Style == TBrushStyle::bsSolid)
        surface_.FillRect(Bounds(x, y, rendered->w, rendered->h), ToPixel(ColorToRGB(Brush.Color)));
    SDL_Rect dst{x, y, rendered->w, rendered->h};
    if (SDL_BlitSurface(rendered, nullptr, surface_.Sdl(), &dst) == 0)
        surface_.Written(Bounds(dst.x, dst.y, dst.w, dst.h)); // clipped by the blit
}

} // namespace vl::graphics
