// SPDX-License-Identifier: GPL-3.0-or-later
// Player: the craft's move hook, reading its player's actions and its side's sounds and
// shots from Side.h.
#include "match/Player.h"

#include <string_view>

#include "match/Match.h"
#include "match/Shot.h"

namespace vl::match {

namespace {

constexpr int32_t kPitchStep = 240;

} // namespace

template <Side S> void TCraft<S>::OnMove(int32_t /*moveCount*/) {
    constexpr const SideTable& side = SideOf(S);
    constexpr int32_t pan = PanOf(S);
    Match& match = TheMatch();
    tproperties& r = match.Record(S);
    sprite::TImageSprite* radar = match.Radar(S);
    using input::Action;
    const bool up = match.Wants(S, Action::Climb);
    const bool down = match.Wants(S, Action::Descend);
    // The moving and idle sounds change only when `moving` does, so exactly one sounds.
    const auto toIdle = [&] {
        if (!r.moving) return;
        r.moving = false;
        match.Wave(side.moving).Stop();
        match.Wave(side.idle).Play(false);
    };
    const auto toMoving = [&] {
        if (r.moving) return;
        r.moving = true;
        match.Wave(side.idle).Stop();
        match.Wave(side.moving).Play(false);
    };

    if (!up && !down) toIdle();
    if (up) {
        if (Y > kCraftTop) {
            Y -= 1;
            if (radar) radar->Y -= 1;
            r.navigfreq += kPitchStep;
            toMoving();
        } else {
            toIdle();
        }
    }
    if (down) {
        if (Y >= kCraftBottom) {
            toIdle();
        } else {
            Y += 1;
            if (radar) radar->Y += 1;
            r.navigfreq -= kPitchStep;
            toMoving();
        }
    }
    const double y = Y; // shots start at the craft's new height

    // A weapon asked for: one shot while its lock is clear and its counter above 0; an
    // empty weapon clicks with wait, pausing the match for the click.
    const auto fire = [&](Action action, bool& lock, int32_t& counter, std::string_view sound,
                          auto create) {
        if (!match.Wants(S, action) || lock) return;
        if (counter != 0) {
            lock = true;
            --counter;
            match.PlayAt(sound, pan);
            create();
        } else {
            match.PlayAt("emptygun", pan, true);
        }
    };
    fire(Action::Gun, r.bulletflying, r.bullets, "gun", [&] {
        match.CreateSprite<TShot<ShotKind::Bullet, S>>(side.bulletPicture, side.shotX,
                                                       y + LaunchDrop(ShotKind::Bullet));
    });
    fire(Action::Missile, r.missileflying, r.missiles, "missile", [&] {
        match.CreateSprite<TShot<ShotKind::Missile, S>>(side.missilePicture, side.shotX,
                                                        y + LaunchDrop(ShotKind::Missile));
    });
    fire(Action::Machgun, r.machgunlock, r.machgunrounds, "machgun", [&] {
        match.CreateSprite<TShot<ShotKind::Machgun, S>>("machgun", side.shotX,
                                                        y + LaunchDrop(ShotKind::Machgun));
    });
    if (match.Wants(S, Action::Magnet) && !r.magnetflying) {
        r.magnetflying = true;
        match.PlayAt("magnet", pan);
        match.CreateSprite<TShot<ShotKind::Magnet, S>>(side.magnetPicture, side.shotX,
                                                       y + LaunchDrop(ShotKind::Magnet));
    }
}

template class TCraft<Side::Left>;
template class TCraft<Side::Right>;

} // namespace vl::match
