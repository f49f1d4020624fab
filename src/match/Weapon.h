// SPDX-License-Identifier: GPL-3.0-or-later
// Weapon: the weapon pickup. Created hidden beside the obstacle row, it slides down while it
// touches an obstacle, then is announced and beeps at its height until a magnet collects it
// or a shot destroys it.
#pragma once

#include <cstdint>

#include "match/MatchSprite.h"

namespace vl::match {

class Tweapon final : public TMatchSprite {
public:
    using TMatchSprite::TMatchSprite;
    // Collision pass, the announcement in the first frame that touched no obstacle, and
    // removal without a sound past the bottom. A pickup already destroyed in this frame
    // (by a shot in its own pass, or by a magnet that moved first) is not announced: its
    // beacon would sound for a pickup that is gone.
    void OnMove(int32_t moveCount) override;
    // An obstacle pushes it down a pixel; any bullet, missile or round destroys it
    // ("explweap") and releases its shooter's launch flag.
    void OnCollision(sprite::TSprite& other, bool& stop) override;
};

} // namespace vl::match
