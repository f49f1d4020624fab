// SPDX-License-Identifier: GPL-3.0-or-later
// Weapon: the pickup's collision and move hooks.
#include "match/Weapon.h"

#include "match/FieldObjects.h"
#include "match/Match.h"
#include "match/Shot.h"

namespace vl::match {

void Tweapon::OnCollision(sprite::TSprite& other, bool& /*stop*/) {
    Match& match = TheMatch();
    if (dynamic_cast<TFieldObject*>(&other)) {
        Y += 1;
        match.weaponblocked = true;
    }
    // Bullets, missiles and rounds destroy it and give their shooter the launch back.
    const auto* shot = dynamic_cast<TShotSprite*>(&other);
    bool* flag = shot ? shot->LaunchFlag() : nullptr;
    if (!flag) return;
    other.Kill();
    match.PickupShot(*this);
    *flag = false;
}

void Tweapon::OnMove(int32_t /*moveCount*/) {
    Match& match = TheMatch();
    CheckCollisions();
    if (!match.weaponblocked && !match.weaponannounced && !IsDead()) {
        match.AnnouncePickup(Y);
        Visible = true;
    }
    if (Y > match.FieldHeight() - Height) match.PickupFell(*this);
}

} // namespace vl::match
