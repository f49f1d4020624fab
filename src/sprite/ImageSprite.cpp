// SPDX-License-Identifier: GPL-3.0-or-later
// ImageSprite: animation step, wrapping bounds, drawing and the pixel-exact hit test.
//
// Index:
//   - hooks (OnMove, GetBounds, OnDraw, HitTest)
//   - pictures (CurrentFrame, DrawRect)
//   - pixel test (PixelOverlap, ScanOpaqueOverlap)
#include "sprite/ImageSprite.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sprite/SpriteEngine.h"

namespace vl::sprite {

using graphics::TDirectDrawSurface;
using graphics::TSurfaceLock;

TImageSprite::TImageSprite(TSprite* parent) : TSprite(parent) {}

// --- hooks ------------------------------------------------------------------------------

void TImageSprite::OnMove(int32_t moveCount) {
    FramePos += FrameSpeed * moveCount;
    if (FrameLooped) {
        if (FrameCount > 0) {
            // A floating remainder kept in 0 <= FramePos < FrameCount.
            FramePos -= std::trunc(FramePos / FrameCount) * FrameCount;
            if (FramePos < 0) FramePos += FrameCount;
        } else {
            FramePos = 0;
        }
    } else {
        // Stops on the last pattern, or on the first when running backwards.
        if (FramePos >= FrameCount) {
            FramePos = FrameCount - 1;
            FrameSpeed = 0;
        }
        if (FramePos < 0) {
            FramePos = 0;
            FrameSpeed = 0;
        }
    }
    // NaN (an infinite speed) would make every later comparison false; park it.
    if (std::isnan(FramePos)) FramePos = 0;
}

TRect TImageSprite::GetBounds() const {
    int64_t x = TruncToInt32(AbsoluteX());
    int64_t y = TruncToInt32(AbsoluteY());
    if (Tiled) {
        const TRect r = Engine() ? Engine()->TargetRect : TRect{};
        const int64_t spanX = int64_t{r.Right} + Width;
        const int64_t spanY = int64_t{r.Bottom} + Height;
        x = FloorMod(x, spanX);
        y = FloorMod(y, spanY);
        if (x > r.Right) x -= spanX;
        if (y > r.Bottom) y -= spanY;
    }
    return SaturatedBounds(ClampToInt32(x), ClampToInt32(y), Width, Height);
}

void TImageSprite::OnDraw() {
    if (!PictureItem || !Engine() || !Engine()->Target) return;
    const TRect r = DrawRect();
    PictureItem->DrawPattern(Engine()->Target, r.Left, r.Top, CurrentFrame());
}

bool TImageSprite::HitTest(TSprite& other) {
    if (!PixelCollision) return true;
    auto* image = dynamic_cast<TImageSprite*>(&other);
    return image ? PixelOverlap(*image) : true;
}

// --- pictures ---------------------------------------------------------------------------

int32_t TImageSprite::CurrentFrame() const {
    return ClampToInt32(int64_t{TruncToInt32(FramePos)} + FrameStart);
}

TRect TImageSprite::DrawRect() const {
    const TRect bounds = GetBounds();
    if (!PictureItem) return bounds;
    const int64_t dx = (int64_t{Width} - PictureItem->ImageWidth()) / 2;
    const int64_t dy = (int64_t{Height} - PictureItem->ImageHeight()) / 2;
    return TRect{ClampToInt32(bounds.Left + dx), ClampToInt32(bounds.Top + dy),
                 ClampToInt32(bounds.Right + dx), ClampToInt32(bounds.Bottom + dy)};
}

// --- pixel test -------------------------------------------------------------------------

namespace {

// What PixelOverlap needs of one side: where its pattern is drawn and where it lives.
struct PatternView {
    int64_t x = 0, y = 0; // top-left of the drawing rectangle on the target
    int32_t w = 0, h = 0; // pattern size
    TRect onSurface;      // the pattern's rectangle on its surface
    TDirectDrawSurface* surface = nullptr;
};

PatternView ViewOf(const TImageSprite& sprite) {
    PatternView v;
    const TRect draw = sprite.DrawRect();
    v.x = draw.Left;
    v.y = draw.Top;
    if (!sprite.PictureItem) return v;
    const int32_t frame = sprite.CurrentFrame();
    v.onSurface = sprite.PictureItem->PatternRect(frame);
    v.w = std::max(v.onSurface.Width(), 0);
    v.h = std::max(v.onSurface.Height(), 0);
    v.surface = sprite.PictureItem->PatternSurface(frame);
    return v;
}

// Reads one stored pixel of `bytes` bytes (1 to 4) as a little-endian value.
inline uint32_t ReadPixel(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint32_t{p[i]} << (8 * i);
    return v;
}

} // namespace

bool TImageSprite::PixelOverlap(TImageSprite& other) const {
    const PatternView a = ViewOf(*this);
    const PatternView b = ViewOf(other);

    // B's pattern seen from A's top-left corner. 64-bit: far-apart sprites must not wrap.
    const int64_t bx = b.x - a.x;
    const int64_t by = b.y - a.y;
    const bool hit = 0 < bx + b.w && a.w > bx && 0 < by + b.h && a.h > by;
    if (!a.surface || !b.surface) return hit;
    if (!hit) return false;

    // The shared part, from each pattern's own corner. The rectangles overlap, so every
    // value below lies within the two pattern sizes.
    const int32_t ax0 = static_cast<int32_t>(std::max<int64_t>(bx, 0));
    const int32_t ay0 = static_cast<int32_t>(std::max<int64_t>(by, 0));
    const int32_t bx0 = static_cast<int32_t>(std::max<int64_t>(-bx, 0));
    const int32_t by0 = static_cast<int32_t>(std::max<int64_t>(-by, 0));
    const int32_t w = std::min(a.w - ax0, b.w - bx0);
    const int32_t h = std::min(a.h - ay0, b.h - by0);
    if (w <= 0 || h <= 0) return false;

    const TRect regionA = graphics::Bounds(a.onSurface.Left + ax0, a.onSurface.Top + ay0, w, h);
    const TRect regionB = graphics::Bounds(b.onSurface.Left + bx0, b.onSurface.Top + by0, w, h);

    TSurfaceLock lockA;
    TSurfaceLock lockB;
    const bool shared = a.surface == b.surface;
    if (shared) {
        // One lock serves both patterns: the smallest rectangle holding both regions.
        const TRect both{std::min(regionA.Left, regionB.Left), std::min(regionA.Top, regionB.Top),
                         std::max(regionA.Right, regionB.Right),
                         std::max(regionA.Bottom, regionB.Bottom)};
        TSurfaceLock lock;
        if (!a.surface->Lock(both, lock)) return false;
        const int bytes = lock.BitCount / 8;
        auto at = [&](const TRect& r) {
            TSurfaceLock part = lock;
            part.Bits = lock.Bits + static_cast<ptrdiff_t>(r.Top - both.Top) * lock.Pitch +
                        static_cast<ptrdiff_t>(r.Left - both.Left) * bytes;
            part.Width = w;
            part.Height = h;
            return part;
        };
        lockA = at(regionA);
        lockB = at(regionB);
    } else {
        if (!a.surface->Lock(regionA, lockA)) return false;
        if (!b.surface->Lock(regionB, lockB)) {
            a.surface->Unlock();
            return false;
        }
    }
    bool result = true; // surfaces of different depths count as a hit
    if (lockA.BitCount == lockB.BitCount)
        result = ScanOpaqueOverlap(lockA, a.surface->TransparentColor(), lockB,
                                   b.surface->TransparentColor(), w, h);
    a.surface->Unlock();
    if (!shared) b.surface->Unlock();
    return result;
}

bool ScanOpaqueOverlap(const TSurfaceLock& a, uint32_t keyA, const TSurfaceLock& b, uint32_t keyB,
                       int32_t w, int32_t h) {
    if (a.BitCount != b.BitCount || !a.Bits || !b.Bits || w <= 0 || h <= 0) return false;
    int bytes = 0;
    uint32_t mask = 0;
    switch (a.BitCount) {
    case 8:
        bytes = 1, mask = 0xFFu;
        break;
    case 16:
        bytes = 2, mask = 0xFFFFu;
        break;
    case 24:
        bytes = 3, mask = 0xFFFFFFu;
        break;
    case 32:
        bytes = 4, mask = 0xFFFFFFu;
        break;
    default:
        return false;
    }
    keyA &= mask;
    keyB &= mask;
    for (int32_t row = 0; row < h; ++row) {
        const uint8_t* pa = a.Bits + static_cast<ptrdiff_t>(row) * a.Pitch;
        const uint8_t* pb = b.Bits + static_cast<ptrdiff_t>(row) * b.Pitch;
        if (bytes == 4) {
            // The common case on our surfaces: whole words, no per-byte assembly.
            for (int32_t col = 0; col < w; ++col) {
                uint32_t va;
                uint32_t vb;
                std::memcpy(&va, pa + 4 * col, 4);
                std::memcpy(&vb, pb + 4 * col, 4);
                if ((va & mask) != keyA && (vb & mask) != keyB) return true;
            }
        } else {
            for (int32_t col = 0; col < w; ++col) {
                if (ReadPixel(pa + bytes * col, bytes) != keyA &&
                    ReadPixel(pb + bytes * col, bytes) != keyB)
                    return true;
            }
        }
    }
    return false;
}

} // namespace vl::sprite
