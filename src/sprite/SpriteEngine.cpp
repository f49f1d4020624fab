// SPDX-License-Identifier: GPL-3.0-or-later
// SpriteEngine: the kill queue, the candidate step of the collision pass, the draw pass
// over the whole tree and the drawing target.
#include "sprite/SpriteEngine.h"

#include <algorithm>

#include "base/Check.h"

namespace vl::sprite {

TSpriteEngine::TSpriteEngine(TSprite* parent) : TSprite(parent) {}

TSpriteEngine::~TSpriteEngine() {
    // Here, not in ~TSprite: the sprites unqueue themselves and uncount themselves from
    // this engine while they go, so its fields must still exist.
    FreeChildren();
    killList_.clear();
}

void TSpriteEngine::FreeKilled() {
    // A pass holds pointers into the tree: a killed sprite stays until the pass is over.
    VL_CHECK(passDepth_ == 0, "no sprite is freed during a move or collision pass");
    // Newest first; freeing one may take others (its descendants) out of the queue too.
    while (!killList_.empty()) {
        TSprite* sprite = killList_.back();
        if (sprite->Parent()) {
            Free(*sprite);
        } else {
            killList_.pop_back(); // an engine cannot queue itself; keep the loop finite
        }
    }
}

void TSpriteEngine::DrawAll() {
    DrawnCount = 0;
    DrawTree();
}

void TSpriteEngine::SetTarget(graphics::TDirectDrawSurface* surface) {
    Target = surface;
    if (surface) {
        TargetRect = TRect{0, 0, surface->Width(), surface->Height()};
        Width = surface->Width();
        Height = surface->Height();
    }
}

void TSpriteEngine::CollisionVisit(TSprite& sprite, TSprite& probe) {
    if (!sprite.CollisionEnabled) return;
    if (&sprite != &probe) {
        // Cheap rectangle first; then the probe's fine test, and the candidate's only when
        // the probe agreed.
        if (RectsOverlap(sprite.GetBounds(), ProbeRect) && probe.HitTest(sprite) &&
            sprite.HitTest(probe)) {
            ++HitCount;
            probe.OnCollision(sprite, StopCollisions);
            if (!probe.CollisionEnabled || probe.IsDead()) StopCollisions = true;
        }
    }
    if (StopCollisions) return;
    const int32_t count = sprite.ChildCount();
    for (int32_t i = 0; i < count; ++i) CollisionVisit(sprite.Child(i), probe);
}

void TSpriteEngine::Unqueue(TSprite& sprite) {
    auto it = std::find(killList_.begin(), killList_.end(), &sprite);
    if (it != killList_.end()) killList_.erase(it);
}

} // namespace vl::sprite
