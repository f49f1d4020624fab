// SPDX-License-Identifier: GPL-3.0-or-later
// ImageSprite: a sprite that shows one pattern of a picture item, steps through patterns
// as an animation, can wrap around the target surface, and can test hits pixel by pixel.
//
// Index:
//   - TImageSprite: hooks, animation, drawing rectangle, pixel test, data
//   - ScanOpaqueOverlap: the pixel comparison itself, on two locked regions
#pragma once

#include <cstdint>

#include "graphics/DirectDrawSurface.h"
#include "graphics/PictureCollection.h"
#include "sprite/Sprite.h"

namespace vl::sprite {

class TImageSprite : public TSprite {
public:
    explicit TImageSprite(TSprite* parent);

    // --- hooks ------------------------------------------------------------------------
    // Draws pattern CurrentFrame() at the top-left of DrawRect() on the engine's target;
    // nothing without picture, engine or target.
    void OnDraw() override;
    // The animation step: FramePos advances by FrameSpeed x moveCount, then wraps
    // (FrameLooped) or stops on the last pattern.
    void OnMove(int32_t moveCount) override;
    // The truncated absolute position with Width x Height; with Tiled the position wraps
    // around the engine's TargetRect, so the sprite re-enters across the opposite edge.
    TRect GetBounds() const override;
    // PixelOverlap when `other` is an image sprite and PixelCollision is set; else true.
    bool HitTest(TSprite& other) override;

    // --- pictures ---------------------------------------------------------------------
    // FramePos truncated toward zero, plus FrameStart.
    int32_t CurrentFrame() const;
    // GetBounds() moved so the picture's ImageWidth x ImageHeight sits centred in it
    // (offsets truncated toward zero); GetBounds() itself without a picture.
    TRect DrawRect() const;
    // True when this sprite's current pattern and `other`'s share a position where both
    // are opaque. Without a pattern surface on either side, the answer is whether the
    // pattern rectangles overlap. A surface that cannot be locked gives false; patterns
    // on surfaces of different depths give true.
    bool PixelOverlap(TImageSprite& other) const;

    // --- data -------------------------------------------------------------------------
    int32_t FrameCount = 0;
    bool FrameLooped = false;
    double FramePos = 0.0;
    double FrameSpeed = 0.0;
    int32_t FrameStart = 0;
    // Not owned; must outlive the sprite (the image list's items live as long as it).
    const graphics::TPictureCollectionItem* PictureItem = nullptr;
    bool PixelCollision = false;
    bool Tiled = false;
};

// Scans `h` rows of `w` pixels of two locked regions of equal depth in step and returns
// true at the first position where a's pixel differs from keyA and b's from keyB. Pixels
// of 8, 16, 24 and 32 bits are compared as stored (little-endian; 32-bit pixels by their
// low 24 bits, keys cut to the pixel's width); other depths, or regions of different
// depths, compare nothing and give false. Both regions must hold at least w x h pixels.
bool ScanOpaqueOverlap(const graphics::TSurfaceLock& a, uint32_t keyA,
                       const graphics::TSurfaceLock& b, uint32_t keyB, int32_t w, int32_t h);

} // namespace vl::sprite
