// SPDX-License-Identifier: GPL-3.0-or-later
// Shot: what a craft sends across the field — bullet, missile, machine-gun round and
// magnet — one fixed step a frame, deciding in its collision hook what it does to what it
// touches.
#pragma once

#include <cstdint>

#include "match/MatchSprite.h"
#include "match/ShotKind.h"
#include "match/Side.h"

namespace vl::match {

// What every shot tells the sprites it meets: its kind and its shooter.
class TShotSprite : public TMatchSprite {
public:
    TShotSprite(sprite::TSprite* parent, Match& match, ShotKind kind, Side shooter)
        : TMatchSprite(parent, match), kind_(kind), shooter_(shooter) {}
    ShotKind Kind() const { return kind_; }
    Side Shooter() const { return shooter_; }
    // The shooter's flag that keeps another shot of this kind from being launched (the
    // round's cooldown lock); null for a magnet, which destroys nothing.
    bool* LaunchFlag() const;

private:
    ShotKind kind_;
    Side shooter_;
};

// One kind of shot of one side. Left shots fly right (+10 a frame) and leave the field past
// X 536; right shots fly left and leave below X 0.
template <ShotKind K, Side S> class TShot final : public TShotSprite {
public:
    TShot(sprite::TSprite* parent, Match& match) : TShotSprite(parent, match, K, S) {}
    // Step, collision pass, leaving the field (which releases the launch flag of the
    // bullet, missile and magnet; the round's lock is left to its cooldown timer).
    void OnMove(int32_t moveCount) override;
    // Damage to the other craft, what happens to field objects, and the magnet's
    // collection of the pickup. Field objects already destroyed in this frame (killed,
    // waiting to be freed) are passed by: each object is counted off and heard once.
    void OnCollision(sprite::TSprite& other, bool& stop) override;
};

using TBullet1 = TShot<ShotKind::Bullet, Side::Left>;
using TBullet2 = TShot<ShotKind::Bullet, Side::Right>;
using Tmissileleft = TShot<ShotKind::Missile, Side::Left>;
using Tmissileright = TShot<ShotKind::Missile, Side::Right>;
using Tmachgunleft = TShot<ShotKind::Machgun, Side::Left>;
using Tmachgunright = TShot<ShotKind::Machgun, Side::Right>;
using Tmagnetleft = TShot<ShotKind::Magnet, Side::Left>;
using Tmagnetright = TShot<ShotKind::Magnet, Side::Right>;

extern template class TShot<ShotKind::Bullet, Side::Left>;
extern template class TShot<ShotKind::Bullet, Side::Right>;
extern template class TShot<ShotKind::Missile, Side::Left>;
extern template class TShot<ShotKind::Missile, Side::Right>;
extern template class TShot<ShotKind::Machgun, Side::Left>;
extern template class TShot<ShotKind::Machgun, Side::Right>;
extern template class TShot<ShotKind::Magnet, Side::Left>;
extern template class TShot<ShotKind::Magnet, Side::Right>;

} // namespace vl::match
