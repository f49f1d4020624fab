// SPDX-License-Identifier: GPL-3.0-or-later
// SpriteEngine: the root of a sprite tree — the count of its sprites, the state of the
// running collision pass, the queue of killed sprites and the surface they draw on.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/DirectDrawSurface.h"
#include "sprite/Sprite.h"

namespace vl::sprite {

class TSpriteEngine : public TSprite {
public:
    // The root of a tree; `parent` is nullptr in every normal use.
    explicit TSpriteEngine(TSprite* parent = nullptr);
    // Frees every sprite of the tree first, then the kill queue.
    ~TSpriteEngine() override;

    // Frees every queued sprite, the last killed first. Freeing a sprite takes it and its
    // queued descendants out of the queue.
    void FreeKilled();
    // DrawnCount := 0, then the draw pass over the whole tree.
    void DrawAll();
    // Attaches the surface the sprites draw on. With a surface, TargetRect and the
    // engine's Width/Height follow its size; with nullptr only Target is cleared.
    void SetTarget(graphics::TDirectDrawSurface* surface);

    // Sprites killed and waiting to be freed, in the order they were killed.
    const std::vector<TSprite*>& KillList() const { return killList_; }

    // --- data -------------------------------------------------------------------------
    int32_t SpriteCount = 0;        // sprites created under this engine, not yet freed
    int32_t HitCount = 0;           // hits of the current or last collision pass
    bool StopCollisions = false;    // stop flag of the running pass
    TRect ProbeRect;                // the probe's bounds, taken at the start of the pass
    TSprite* ProbeSprite = nullptr; // the probe of the current or last pass
    int32_t DrawnCount = 0;         // sprites whose OnDraw ran in the last draw pass
    graphics::TDirectDrawSurface* Target = nullptr;
    TRect TargetRect;

private:
    friend class TSprite;

    // One candidate of the collision pass run by `probe` (see TSprite::CheckCollisions).
    void CollisionVisit(TSprite& sprite, TSprite& probe);
    void Unqueue(TSprite& sprite);

    std::vector<TSprite*> killList_; // not owning: the sprites belong to their parents
};

} // namespace vl::sprite
