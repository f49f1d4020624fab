// SPDX-License-Identifier: GPL-3.0-or-later
// Weapon: the pickup's collision and move hooks.
#include "match/Weapon.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "match/FieldObjects.h"
#include "match/Shot.h"
#include "match/Unit1.h"

namespace vl::match {

namespace {

constexpr std::array<std::string_view, 4> kKindSounds = {"energysp", "bulletsp", "missilesp",
                                                         "machgunsp"};

// The launch flag a projectile's player gets back when it destroys the pickup; null for a
// sprite that is not a projectile.
bool* LaunchFlag(TForm1& form, sprite::TSprite& other) {
    if (dynamic_cast<TBullet1*>(&other)) return &form.propertiesleft.bulletflying;
    if (dynamic_cast<TBullet2*>(&other)) return &form.propertiesright.bulletflying;
    if (dynamic_cast<Tmissileleft*>(&other)) return &form.propertiesleft.missileflying;
    if (dynamic_cast<Tmissileright*>(&other)) return &form.propertiesright.missileflying;
    if (dynamic_cast<Tmachgunleft*>(&other)) return &form.propertiesleft.machgunlock;
    if (dynamic_cast<Tmachgunright*>(&other)) return &form.propertiesright.machgunlock;
    return nullptr;
}

} // namespace

void Tweapon::OnCollision(sprite::TSprite& other, bool& /*stop*/) {
    TForm1& form = Form();
    if (dynamic_cast<TFieldObject*>(&other)) {
        Y += 1;
        form.weaponblocked = true;
    }
    bool* flag = LaunchFlag(form, other);
    if (!flag) return;
    other.Kill();
    form.PlayAt("explweap", 0);
    form.Wave("navigweap").Stop();
    Kill();
    form.weaponstimer.SetEnabled(true);
    *flag = false;
}

void Tweapon::OnMove(int32_t /*moveCount*/) {
    TForm1& form = Form();
    CheckCollisions();
    if (!form.weaponblocked && !form.weaponannounced && !IsDead()) {
        form.weaponannounced = true;
        // The beacon's pitch: a craft's tone one pixel above the pickup, fixed now.
        const int32_t f = std::max(95040 - 240 * static_cast<int32_t>(std::nearbyint(Y)), 19200);
        form.PlayAt("weapapp", 0, true);
        const uint8_t kind = form.weaponkind;
        if (kind >= 1 && kind <= 4) form.PlayAt(kKindSounds[kind - 1U], 0);
        sound::TWaveCollectionItem& beacon = form.Wave("navigweap");
        beacon.SetPan(0);
        beacon.SetFrequency(f);
        beacon.Play(false);
        Visible = true;
    }
    if (Y > form.FieldHeight() - Height) {
        Kill();
        form.weaponstimer.SetEnabled(true);
    }
}

} // namespace vl::match
