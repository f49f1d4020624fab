// SPDX-License-Identifier: GPL-3.0-or-later
// ComputerPlayer: seeing, deciding (dodge, pickup, attack) and pressing its keys.
//
// Index:
//   - the field's geometry it reckons with
//   - Play: each frame
//   - Decide, Dodge, Worth, Blockers: a decision
#include "match/ComputerPlayer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/Check.h"
#include "match/Match.h"
#include "match/Pickup.h"
#include "match/Player.h"

namespace vl::match {

namespace {

// Shots move 10 pixels a frame.
constexpr double kShotStep = 10;
// Rows of a craft a shot can hit: its body, not the see-through corners.
constexpr double kBodyTop = 2, kBodyBottom = 31;
// A shot closer than this many frames is seen coming.
constexpr double kThreatFrames = 45;
// Bullets kept back for the craft rather than spent on obstacles.
constexpr int32_t kSpareBullets = 5;
// The magnet's height against the pickup's: centred on it.
constexpr double kMagnetAim = -2;
// A bullet launched this far off the other craft's height still crosses its body.
constexpr double kHitWindow = 9;
// Frames a shot takes from one craft to the other.
constexpr double kFlightFrames = 23;

double ClampHeight(double y) {
    return std::clamp(y, static_cast<double>(kCraftTop), static_cast<double>(kCraftBottom));
}

} // namespace

ComputerPlayer::ComputerPlayer(Side side, int32_t level)
    : side_(side), level_(level),
      table_(kComputerLevelTables[static_cast<size_t>(std::clamp(level, 1, kComputerLevels) - 1)]) {
    VL_CHECK(level >= 1 && level <= kComputerLevels, "a level the table has");
}

// --- each frame -----------------------------------------------------------------------

void ComputerPlayer::Play(const Match& match, input::FrameInput& input) {
    using input::Action;
    // Whatever the devices say for this side does not count while the computer plays it.
    input::ActionSet& mine = input.Of(side_);
    mine = {};

    if (match.Starts() != seenStarts_) {
        // A new match: a new generator from its start, and a first decision after one
        // reaction time, as a player takes in the field first.
        seenStarts_ = match.Starts();
        seed_ = match.Seed() * 2654435761U + (side_ == Side::Left ? 0x5bd1e995U : 0x1b873593U);
        framesToDecide_ = table_.reactionFrames;
        intent_ = Intent::None;
        machgun_ = false;
        targetY_ = SideOf(side_).craftStartY;
        lastOtherY_.reset();
    }
    match.Look(sight_);
    const std::optional<SeenBox>& me = sight_.Craft(side_);
    if (!sight_.running || !me) return;
    if (--framesToDecide_ <= 0) {
        Decide();
        framesToDecide_ =
            table_.reactionFrames - table_.jitterFrames + Random(2 * table_.jitterFrames + 1);
        lastInterval_ = std::max(framesToDecide_, 1);
    }

    const double y = me->y;
    if (targetY_ < y - 0.5) mine.Add(Action::Climb);
    if (targetY_ > y + 0.5) mine.Add(Action::Descend);

    // Fire only what would leave now: a pressed key with nothing to fire would click
    // "emptygun" and pause the match.
    const tproperties& r = sight_.Record(side_);
    // A shot fired now crosses the other craft's body where it expects it.
    const double off = std::abs(y - aimY_);
    const bool lined = off <= kHitWindow;
    if (intent_ == Intent::Bullet && lined && r.bullets > 0 && !r.bulletflying)
        mine.Add(Action::Gun);
    if (intent_ == Intent::Missile && off <= kHitWindow / 2 && r.missiles > 0 && !r.missileflying)
        mine.Add(Action::Missile);
    if (machgun_ && lined && r.machgunrounds > 0 && !r.machgunlock) mine.Add(Action::Machgun);
    if (intent_ == Intent::Magnet && std::abs(y - targetY_) <= 3 && !r.magnetflying)
        mine.Add(Action::Magnet);
}

// --- a decision -----------------------------------------------------------------------

void ComputerPlayer::Decide() {
    const SeenBox& me = *sight_.Craft(side_);
    const std::optional<SeenBox>& other = sight_.Craft(Opposite(side_));
    const tproperties& r = sight_.Record(side_);
    intent_ = Intent::None;
    machgun_ = false;
    // How fast the other craft climbs or sinks, from the last decision to this one.
    double velocity = 0;
    if (other && lastOtherY_) velocity = (other->y - *lastOtherY_) / lastInterval_;
    lastOtherY_ = other ? std::optional<double>(other->y) : std::nullopt;

    if (Dodge(me)) return;

    // A pickup worth having (or any, once the guns are empty), while the magnet is free.
    const bool empty = r.bullets == 0 && r.missiles == 0;
    if (sight_.pickup && !r.magnetflying && (table_.collectsPickups || empty) &&
        (empty || Worth(sight_.pickupKind, r))) {
        targetY_ = ClampHeight(sight_.pickup->y + kMagnetAim);
        intent_ = Intent::Magnet;
        return;
    }
    if (!other) {
        targetY_ = me.y;
        return;
    }

    // Where the other craft will be when the shot arrives, as this level judges it.
    const double error = table_.aimError * (Random(2001) - 1000) / 1000.0;
    aimY_ = ClampHeight(other->y + table_.lead * velocity * kFlightFrames + error);
    targetY_ = std::round(aimY_);
    const int32_t blockers = Blockers(targetY_);
    if (blockers == 0) {
        intent_ = r.bullets > 0 ? Intent::Bullet : Intent::None;
        // The missile's fifty at a clear line: a good player sends it at once, a beginner
        // keeps it until the other craft is weak or the guns are low.
        if (r.missiles > 0 && (table_.missileThroughObstacles ||
                               sight_.Record(Opposite(side_)).energy <= 50 || r.bullets < 10))
            intent_ = Intent::Missile;
        machgun_ = Random(100) < table_.machgunPercent;
        return;
    }
    if (table_.missileThroughObstacles && r.missiles > 0) {
        intent_ = Intent::Missile;
    } else if (!table_.clearsObstacles || r.bullets > kSpareBullets) {
        // A beginner fires into the obstacles all the same.
        intent_ = r.bullets > 0 ? Intent::Bullet : Intent::None;
    }
}

bool ComputerPlayer::Dodge(const SeenBox& me) {
    const double myTop = me.y + kBodyTop, myBottom = me.y + kBodyBottom;
    // The nearest enemy shot crossing its rows that will reach it soon.
    const SeenShot* threat = nullptr;
    double frames = kThreatFrames;
    for (const SeenShot& s : sight_.shots) {
        // Rounds take one point each: not worth leaving a firing line for.
        if (s.shooter == side_ || s.kind == ShotKind::Magnet || s.kind == ShotKind::Machgun)
            continue;
        if (!s.box.CrossesRows(myTop, myBottom)) continue;
        const double gap =
            side_ == Side::Left ? s.box.x - (me.x + me.width) : me.x - s.box.x - s.box.width;
        if (gap < -me.width) continue; // already past
        const double t = std::max(gap, 0.0) / kShotStep;
        if (t < frames) {
            frames = t;
            threat = &s;
        }
    }
    if (!threat || Random(100) >= table_.dodgePercent) return false;
    // Above it or below it, whichever is reached sooner within the field — and only if it
    // can be reached before the shot arrives: a dodge that fails only leaves the line.
    const double up = threat->box.y - kBodyBottom - 1;
    const double down = threat->box.Bottom() - kBodyTop + 1;
    const bool canUp = up >= kCraftTop && me.y - up <= frames;
    const bool canDown = down <= kCraftBottom && down - me.y <= frames;
    if (!canUp && !canDown) return false;
    const bool goUp = canUp && (!canDown || me.y - up <= down - me.y);
    targetY_ = goUp ? up : down;
    return true;
}

bool ComputerPlayer::Worth(uint8_t kind, const tproperties& r) {
    switch (static_cast<PickupKind>(kind)) {
    case PickupKind::Energy:
        return r.energy <= 70;
    case PickupKind::Bullets:
        return r.bullets <= 30;
    case PickupKind::Missiles:
        return r.missiles == 0;
    case PickupKind::Machgun:
        return r.machgunrounds <= 100;
    }
    return false;
}

int32_t ComputerPlayer::Blockers(double y) const {
    const double top = y + LaunchDrop(ShotKind::Bullet);
    const double bottom = top + 8; // a bullet's height
    return static_cast<int32_t>(
        std::count_if(sight_.obstacles.begin(), sight_.obstacles.end(),
                      [top, bottom](const SeenBox& o) { return o.CrossesRows(top, bottom); }));
}

int32_t ComputerPlayer::Random(int32_t n) {
    seed_ = seed_ * 1664525U + 1013904223U;
    return n <= 0 ? 0 : static_cast<int32_t>((uint64_t{seed_} * static_cast<uint32_t>(n)) >> 32);
}

} // namespace vl::match
