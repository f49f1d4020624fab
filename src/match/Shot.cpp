// SPDX-License-Identifier: GPL-3.0-or-later
// Shot: the move and collision hooks of bullets, missiles, machine-gun rounds and magnets.
#include "match/Shot.h"

#include "match/FieldObjects.h"
#include "match/Match.h"
#include "match/Player.h"
#include "match/Weapon.h"

namespace vl::match {

namespace {

// Energy a hit takes from the other craft; at this much or less the hit destroys it.
constexpr uint8_t DamageOf(ShotKind kind) {
    return kind == ShotKind::Bullet ? 10 : kind == ShotKind::Missile ? 50 : 1;
}

// The shooter's launch flag of a kind.
bool& LockOf(tproperties& r, ShotKind kind) {
    switch (kind) {
    case ShotKind::Bullet:
        return r.bulletflying;
    case ShotKind::Missile:
        return r.missileflying;
    case ShotKind::Machgun:
        return r.machgunlock;
    case ShotKind::Magnet:
        break;
    }
    return r.magnetflying;
}

} // namespace

bool* TShotSprite::LaunchFlag() const {
    if (kind_ == ShotKind::Magnet) return nullptr;
    return &LockOf(TheMatch().Record(shooter_), kind_);
}

template <ShotKind K, Side S> void TShot<K, S>::OnMove(int32_t /*moveCount*/) {
    X += S == Side::Left ? 10 : -10;
    CheckCollisions();
    const bool gone = S == Side::Left ? X > kFieldWidth : X < 0;
    if (!gone) return;
    tproperties& r = TheMatch().Record(S);
    if constexpr (K == ShotKind::Magnet) {
        r.magnetflying = false;
        Kill();
    } else {
        Kill();
        // The round's lock is the cooldown timer's to clear.
        if constexpr (K != ShotKind::Machgun) LockOf(r, K) = false;
    }
}

template <ShotKind K, Side S>
void TShot<K, S>::OnCollision(sprite::TSprite& other, bool& /*stop*/) {
    Match& match = TheMatch();
    tproperties& mine = match.Record(S);
    constexpr Side target = Opposite(S);

    if constexpr (K == ShotKind::Magnet) {
        if (dynamic_cast<TFieldObject*>(&other)) {
            // Hidden behind an obstacle, it flies on and can still reach a pickup beyond.
            Visible = false;
        }
        // A pickup a shot destroyed earlier in this frame is gone: nothing to collect.
        auto* pickup = dynamic_cast<Tweapon*>(&other);
        if (pickup && !pickup->IsDead()) {
            Visible = false;
            match.CollectPickup(*pickup, S);
        }
    } else {
        if (dynamic_cast<TCraft<target>*>(&other)) {
            LockOf(mine, K) = false;
            match.Hit(target, DamageOf(K));
            Kill();
        }
        auto* object = dynamic_cast<TFieldObject*>(&other);
        // An obstacle already destroyed this frame (by another shot) is passed by, so it
        // is heard and counted off only once and objectcount reaches 0 with the last one.
        if (!object || object->IsDead()) return;
        if constexpr (K == ShotKind::Bullet) {
            mine.bulletflying = false;
            match.DestroyObject(*object);
            Kill();
        } else if constexpr (K == ShotKind::Missile) {
            // A missile goes on through the column, destroying every obstacle in its way.
            match.DestroyObject(*object);
        } else {
            match.PlayAt("machgunhitobject", 0);
            mine.machgunlock = false;
            Kill();
        }
    }
}

template class TShot<ShotKind::Bullet, Side::Left>;
template class TShot<ShotKind::Bullet, Side::Right>;
template class TShot<ShotKind::Missile, Side::Left>;
template class TShot<ShotKind::Missile, Side::Right>;
template class TShot<ShotKind::Machgun, Side::Left>;
template class TShot<ShotKind::Machgun, Side::Right>;
template class TShot<ShotKind::Magnet, Side::Left>;
template class TShot<ShotKind::Magnet, Side::Right>;

} // namespace vl::match
