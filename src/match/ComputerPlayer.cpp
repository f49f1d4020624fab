// SPDX-License-Identifier: GPL-3.0-or-later
// ComputerPlayer: listening, deciding (dodge, pickup, attack) and pressing its keys.
//
// Index:
//   - the field's geometry it reckons with
//   - Play: each frame; Restart
//   - Listen: what a player hears of the field
//   - Practise: the practice target
//   - Decide, Dodge, Worth: a decision
#include "match/ComputerPlayer.h"

#include <algorithm>
#include <cmath>

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
// A shot closer than this many frames is heard coming.
constexpr double kThreatFrames = 45;
// The magnet's height against the pickup's: centred on it.
constexpr double kMagnetAim = -2;
// A bullet launched this far off the other craft's height still crosses its body.
constexpr double kHitWindow = 9;
// Frames a shot takes from one craft to the other.
constexpr double kFlightFrames = 23;
// The practice target: moves this far, then holds this long.
constexpr double kPracticeStride = 40;
constexpr int32_t kPracticeHoldFrames = 100;

double ClampHeight(double y) {
    return std::clamp(y, static_cast<double>(kCraftTop), static_cast<double>(kCraftBottom));
}

} // namespace

ComputerPlayer::ComputerPlayer(Side side, int32_t level)
    : side_(side), level_(level),
      table_(kComputerLevelTables[static_cast<size_t>(std::clamp(level, 1, kComputerLevels) - 1)]) {
    VL_CHECK(level >= kPracticeLevel && level <= kComputerLevels, "a level the table has");
}

// --- each frame -----------------------------------------------------------------------

void ComputerPlayer::Play(const Match& match, input::FrameInput& input) {
    using input::Action;
    // Whatever the devices say for this side does not count while the computer plays it.
    input::ActionSet& mine = input.Of(side_);
    mine = {};

    if (match.Starts() != seenStarts_) Restart(match);
    match.Look(sight_);
    Listen();
    if (!heard_.running || !sight_.Craft(side_)) return;
    ++frame_;
    if (level_ == kPracticeLevel) {
        Practise(mine);
        return;
    }
    if (--framesToDecide_ <= 0) {
        Decide();
        framesToDecide_ =
            table_.reactionFrames - table_.jitterFrames + Random(2 * table_.jitterFrames + 1);
        lastInterval_ = std::max(framesToDecide_, 1);
    }

    const double y = heard_.me.y;
    if (targetY_ < y - 0.5) mine.Add(Action::Climb);
    if (targetY_ > y + 0.5) mine.Add(Action::Descend);

    // Fire only what would leave now: a pressed key with nothing to fire would click
    // "emptygun" and pause the match.
    const tproperties& r = heard_.record;
    // A shot fired now crosses the other craft's body where it expects it.
    const double off = std::abs(y - aimY_);
    const bool lined = off <= kHitWindow;
    const bool missileNow = intent_ == Intent::Missile ||
                            (intent_ == Intent::Bullet && heard_.echo && table_.missileUse == 2);
    if (missileNow && off <= kHitWindow / 2 && r.missiles > 0 && !r.missileflying) {
        mine.Add(Action::Missile);
    } else if (intent_ == Intent::Bullet && lined && r.bullets > 0 && !r.bulletflying &&
               frame_ - lastShotFrame_ >= static_cast<uint32_t>(table_.shotGapFrames)) {
        mine.Add(Action::Gun);
        lastShotFrame_ = frame_;
    }
    // Rounds stop at an obstacle: only on a line it hears clear.
    if (machgun_ && lined && !heard_.echo && r.machgunrounds > 0 && !r.machgunlock)
        mine.Add(Action::Machgun);
    if (intent_ == Intent::Magnet && std::abs(y - magnetY_) <= 3 && !r.magnetflying)
        mine.Add(Action::Magnet);
}

void ComputerPlayer::Restart(const Match& match) {
    // A new match: a new generator from its start, and a first decision after one reaction
    // time, as a player takes in the field first.
    seenStarts_ = match.Starts();
    seed_ = match.Seed() * 2654435761U + (side_ == Side::Left ? 0x5bd1e995U : 0x1b873593U);
    framesToDecide_ = level_ == kPracticeLevel ? kPracticeHoldFrames : table_.reactionFrames;
    frame_ = 0;
    lastShotFrame_ = 0;
    intent_ = Intent::None;
    machgun_ = false;
    targetY_ = SideOf(side_).craftStartY;
    lastOtherY_.reset();
    heard_.shots.clear();
    otherBulletWas = otherMissileWas = false;
    practiceStep_ = side_ == Side::Left ? 1 : -1; // from its start towards the middle
}

// --- what a player hears --------------------------------------------------------------

void ComputerPlayer::Listen() {
    Hearing& h = heard_;
    const Side other = Opposite(side_);
    h.running = sight_.running;
    if (const std::optional<SeenBox>& me = sight_.Craft(side_)) h.me = *me;
    h.record = sight_.Record(side_);
    h.energy = {sight_.Record(Side::Left).energy, sight_.Record(Side::Right).energy};
    const std::optional<SeenBox>& them = sight_.Craft(other);
    h.otherY = them ? std::optional<double>(them->y) : std::nullopt;
    // The echo: an obstacle across its own probe, as the game plays it.
    h.echo = false;
    if (const std::optional<SeenBox>& probe = sight_.Probe(side_))
        h.echo = std::any_of(sight_.obstacles.begin(), sight_.obstacles.end(),
                             [&](const SeenBox& o) { return o.Overlaps(*probe); });
    h.pickupY = sight_.pickup ? std::optional<double>(sight_.pickup->y) : std::nullopt;
    h.pickupKind = sight_.pickupKind;

    // Shots heard before fly on towards it, one step a frame, until they are past.
    const double step = side_ == Side::Left ? -kShotStep : kShotStep;
    for (Hearing::Shot& s : h.shots) s.box.x += step;
    std::erase_if(h.shots, [&](const Hearing::Shot& s) {
        return side_ == Side::Left ? s.box.x + s.box.width < h.me.x : s.box.x > h.me.x + h.me.width;
    });
    // A launch is heard as its sound: the shot leaves the other craft at its height then.
    const tproperties& theirs = sight_.Record(other);
    // Of its kind, the one nearest the launch: one fired earlier may still fly.
    const auto launched = [&](ShotKind kind, bool now, bool& was) {
        if (now && !was) {
            const SeenShot* heard = nullptr;
            const double from = SideOf(other).shotX;
            for (const SeenShot& s : sight_.shots)
                if (s.shooter == other && s.kind == kind &&
                    (!heard || std::abs(s.box.x - from) < std::abs(heard->box.x - from)))
                    heard = &s;
            if (heard) h.shots.push_back({kind, heard->box});
        }
        was = now;
    };
    launched(ShotKind::Bullet, theirs.bulletflying, otherBulletWas);
    launched(ShotKind::Missile, theirs.missileflying, otherMissileWas);
}

// --- the practice target --------------------------------------------------------------

void ComputerPlayer::Practise(input::ActionSet& mine) {
    const double y = heard_.me.y;
    if (std::abs(targetY_ - y) > 0.5) {
        mine.Add(targetY_ < y ? input::Action::Climb : input::Action::Descend);
        return;
    }
    if (--framesToDecide_ > 0) return; // holding, for the player to find its pitch
    framesToDecide_ = kPracticeHoldFrames;
    if (y + practiceStep_ * kPracticeStride < kCraftTop ||
        y + practiceStep_ * kPracticeStride > kCraftBottom)
        practiceStep_ = -practiceStep_;
    targetY_ = ClampHeight(y + practiceStep_ * kPracticeStride);
}

// --- a decision -----------------------------------------------------------------------

void ComputerPlayer::Decide() {
    const Hearing& h = heard_;
    const tproperties& r = h.record;
    const double y = h.me.y;
    intent_ = Intent::None;
    machgun_ = false;
    // How fast the other craft climbs or sinks, from the last decision to this one.
    double velocity = 0;
    if (h.otherY && lastOtherY_) velocity = (*h.otherY - *lastOtherY_) / lastInterval_;
    lastOtherY_ = h.otherY;
    // The furthest this level goes on one decision.
    const auto stride = [&](double want) {
        if (table_.stridePixels <= 0) return want;
        const double s = table_.stridePixels;
        return std::clamp(want, y - s, y + s);
    };

    if (Dodge()) return;

    // A pickup worth having (or any, once the weapons it uses are empty), while the magnet
    // is free.
    const bool empty = r.bullets == 0 && (r.missiles == 0 || table_.missileUse == 0);
    if (h.pickupY && !r.magnetflying && (table_.collectsPickups || empty) &&
        (empty || Worth(h.pickupKind, r))) {
        magnetY_ = ClampHeight(*h.pickupY + kMagnetAim);
        targetY_ = stride(magnetY_);
        intent_ = Intent::Magnet;
        return;
    }
    if (!h.otherY) {
        targetY_ = y;
        return;
    }

    // Where the other craft will be when the shot arrives, as this level judges it.
    // An error that would aim off the field is turned the other way: a craft at the edge
    // is missed as often as one in the middle.
    const double error = table_.aimError * (Random(2001) - 1000) / 1000.0;
    const double expected = ClampHeight(*h.otherY + table_.lead * velocity * kFlightFrames);
    aimY_ = expected + error;
    if (aimY_ < kCraftTop || aimY_ > kCraftBottom) aimY_ = expected - error;
    aimY_ = ClampHeight(aimY_);
    targetY_ = stride(std::round(aimY_));
    intent_ = r.bullets > 0 ? Intent::Bullet : Intent::None;
    const uint8_t otherEnergy = h.energy[static_cast<size_t>(Opposite(side_))];
    if (r.missiles > 0 && (table_.missileUse == 2 ||
                           (table_.missileUse == 1 && (otherEnergy <= 50 || r.bullets < 10))))
        intent_ = Intent::Missile;
    machgun_ = Random(100) < table_.machgunPercent;
}

bool ComputerPlayer::Dodge() {
    const SeenBox& me = heard_.me;
    const double myTop = me.y + kBodyTop, myBottom = me.y + kBodyBottom;
    // The nearest shot heard crossing its rows that will reach it soon.
    const Hearing::Shot* threat = nullptr;
    double frames = kThreatFrames;
    for (const Hearing::Shot& s : heard_.shots) {
        if (!s.box.CrossesRows(myTop, myBottom)) continue;
        const double gap =
            side_ == Side::Left ? s.box.x - (me.x + me.width) : me.x - s.box.x - s.box.width;
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

int32_t ComputerPlayer::Random(int32_t n) {
    seed_ = seed_ * 1664525U + 1013904223U;
    return n <= 0 ? 0 : static_cast<int32_t>((uint64_t{seed_} * static_cast<uint32_t>(n)) >> 32);
}

} // namespace vl::match
