// SPDX-License-Identifier: GPL-3.0-or-later
// Shot: the move and collision hooks of bullets, missiles, machine-gun rounds and magnets.
#include "match/Shot.h"

#include <array>
#include <string_view>

#include "match/FieldObjects.h"
#include "match/Player.h"
#include "match/Unit1.h"
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

// The announcement of a collected pickup: the word of its kind.
constexpr std::array<std::string_view, 4> kKindWords = {"energysp", "bulletsp", "missilesp",
                                                        "machgunsp"};

} // namespace

template <ShotKind K, Side S> void TShot<K, S>::OnMove(int32_t /*moveCount*/) {
    X += S == Side::Left ? 10 : -10;
    CheckCollisions();
    const bool gone = S == Side::Left ? X > kFieldWidth : X < 0;
    if (!gone) return;
    tproperties& r = Form().Record(S);
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
    TForm1& form = Form();
    tproperties& mine = form.Record(S);
    constexpr Side target = Opposite(S);
    constexpr int32_t pan = PanOf(S);

    if constexpr (K == ShotKind::Magnet) {
        if (dynamic_cast<TFieldObject*>(&other)) {
            // Hidden behind an obstacle, it flies on and can still reach a pickup beyond.
            Visible = false;
        }
        // A pickup a shot destroyed earlier in this frame is gone: nothing to collect.
        if (dynamic_cast<Tweapon*>(&other) && !other.IsDead()) {
            Visible = false;
            other.Kill();
            form.weaponstimer.SetEnabled(true);
            form.Wave("navigweap").Stop();
            form.PlayAt("getweap", pan);
            const uint8_t kind = form.weaponkind;
            if (kind < 1 || kind > 4) return;
            int32_t value = 0;
            switch (kind) {
            case 1:
                mine.energy = 100;
                value = mine.energy;
                break;
            case 2:
                mine.bullets += 50;
                value = mine.bullets;
                break;
            case 3:
                mine.missiles += 1;
                value = mine.missiles;
                break;
            default:
                mine.machgunrounds += 100;
                value = mine.machgunrounds;
                break;
            }
            form.PlayAt(kKindWords[kind - 1U], pan, true);
            form.saynumber(PlayerOf(S), value, true);
        }
        return;
    } else {
        if (dynamic_cast<TCraft<target>*>(&other)) {
            LockOf(mine, K) = false;
            tproperties& hit = form.Record(target);
            if (hit.energy <= DamageOf(K)) {
                form.DestroyPlayer(target);
            } else {
                hit.energy = static_cast<uint8_t>(hit.energy - DamageOf(K));
                form.PlayAt("hit", PanOf(target));
                hit.blinkcount = 0;
                form.BlinkTimer(target).SetEnabled(true);
            }
            Kill();
        }
        auto* object = dynamic_cast<TFieldObject*>(&other);
        // An obstacle already destroyed this frame (by another shot) is passed by, so it
        // is heard and counted off only once and objectcount reaches 0 with the last one.
        if (!object || object->IsDead()) return;
        if constexpr (K == ShotKind::Bullet) {
            mine.bulletflying = false;
            form.PlayAt(object->Name(), 0);
            Kill();
            object->Kill();
            --form.objectcount;
        } else if constexpr (K == ShotKind::Missile) {
            // A missile goes on through the column, destroying every obstacle in its way.
            form.PlayAt(object->Name(), 0);
            object->Kill();
            --form.objectcount;
        } else {
            form.PlayAt("machgunhitobject", 0);
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
