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

    // Counts the move and collision passes running on an engine (null: none), so that
    // FreeKilled can assert that no sprite is freed under a pass that still walks it.
    class PassGuard {
    public:
        explicit PassGuard(TSpriteEngine* engine) : engine_(engine) {
            if (engine_) ++engine_->passDepth_;
        }
        ~PassGuard() {
            if (engine_) --engine_->passDepth_;
        }
        PassGuard(const PassGuard&) = delete;
        PassGuard& operator=(const PassGuard&) = delete;

    private:
        TSpriteEngine* engine_;
    };

    // One candidate of the collision pass run by `probe` (see TSprite::CheckCollisions).
    void CollisionVisit(TSprite& sprite, TSprite& probe);
    void Unqueue(TSprite& sprite);

    std::vector<TSprite*> killList_; // not owning: the sprites belong to their parents
    int32_t passDepth_ = 0;          // move and collision passes running
};

} // namespace vl::sprite
