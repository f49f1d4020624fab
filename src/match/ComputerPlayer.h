// SPDX-License-Identifier: GPL-3.0-or-later
// ComputerPlayer: the computer at the keys of one craft. Each frame it listens to the field
// as a player does and sets its side's movements and weapons — nothing else — exactly as
// that player's keys would, so it plays by the same rules and is heard the same.
//
// Fair by ear: it decides from a Hearing — what a player at that craft can hear — and never
// from the field itself. It hears the other craft's height (its navigation tone), an echo
// while an obstacle stands in front of its own craft, a pickup's height and kind once its
// beacon sounds, and the other craft's shots as they are fired (the sound, at the height
// the other craft had then); it knows both crafts' energy (every hit is heard) and its own
// counters. Where an obstacle stands in another row, where a shot is after an obstacle
// stopped it, and anything of the future it does not know.
//
// It decides afresh only every so often (its reaction time) and with its level's exactness;
// between decisions it flies towards the height it chose and fires when it gets there. Its
// chances come from a generator of its own seeded from the match's start, so a match
// against it repeats exactly on the same input. Level 0 is a practice target: it flies up
// and down slowly and never fires.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "input/FrameInput.h"
#include "match/FieldSight.h"
#include "match/Side.h"

namespace vl::match {

class Match;

// How one level plays. Times in frames (10 ms); distances in pixels.
struct ComputerLevel {
    int32_t reactionFrames; // a new decision this often...
    int32_t jitterFrames;   // ... give or take this much
    int32_t stridePixels;   // the furthest it moves on one decision (0: as far as it wants)
    double aimError;        // the height it hears the other craft at is off by up to this much
    double lead;            // share of the other craft's motion it leads its aim by (0..1)
    int32_t shotGapFrames;  // at least this long from one shot of its gun to the next
    int32_t missileUse;     // 0 keeps its missile; 1 fires it to finish the other craft (at
                            // 50 energy or less) or when short of bullets; 2 at once, and
                            // through an obstacle it hears in front
    int32_t machgunPercent; // chance to add the machine gun to a clear line
    int32_t dodgePercent;   // chance to get out of the way of a shot it heard coming
    bool collectsPickups;   // goes for a pickup worth having (any level takes one when empty)
};

// Levels 1..kComputerLevels, from the sparring partner to the strongest; 0 is practice.
inline constexpr int32_t kComputerLevels = 5;
inline constexpr int32_t kPracticeLevel = 0;
inline constexpr int32_t kDefaultComputerLevel = 3;
// "No computer at this craft", wherever a level is kept.
inline constexpr int32_t kNoComputer = -1;
// Each row clearly stronger than the one above it (docs/computer.md says how much).
inline constexpr std::array<ComputerLevel, kComputerLevels> kComputerLevelTables = {{
    // react jitter stride  aim  lead  gap  missile machgun dodge pickups
    {70, 15, 14, 50.0, 0.0, 380, 0, 0, 0, false},
    {45, 10, 30, 38.0, 0.0, 330, 0, 0, 20, true},
    {30, 6, 0, 24.0, 0.3, 330, 1, 0, 40, true},
    {18, 5, 0, 5.0, 0.5, 0, 2, 60, 60, true},
    {8, 2, 0, 1.0, 1.0, 0, 2, 100, 95, true},
}};

// What a player at one craft hears at one moment (see the file's head).
struct Hearing {
    // An enemy shot heard fired: where it is now, reckoned from the sound and the time.
    struct Shot {
        ShotKind kind = ShotKind::Bullet;
        SeenBox box;
    };
    bool running = false;
    SeenBox me;                      // its own craft: its place, its height by its tone
    tproperties record;              // its own counters (it can have them spoken)
    std::optional<double> otherY;    // the other craft's; empty once destroyed
    bool echo = false;               // an obstacle in front of its craft
    std::optional<double> pickupY;   // a pickup's height while its beacon sounds
    uint8_t pickupKind = 0;          // and its kind, spoken when it came
    std::array<uint8_t, 2> energy{}; // both crafts', by Side
    std::vector<Shot> shots;         // the other craft's, in flight as far as it knows
};

class ComputerPlayer {
public:
    // Plays `side` at `level` (kPracticeLevel..kComputerLevels; asserted).
    ComputerPlayer(Side side, int32_t level);

    Side PlaysSide() const { return side_; }
    int32_t Level() const { return level_; }

    // This frame's decision: its side's actions in `input` (whatever the devices gave,
    // counters included) are replaced by its own movements and weapons. Call before the
    // match's frame. Never throws.
    void Play(const Match& match, input::FrameInput& input);

    // What it heard this frame (for tests).
    const Hearing& Heard() const { return heard_; }

private:
    enum class Intent : uint8_t { None, Bullet, Missile, Magnet };

    // A new match: a fresh generator and memory.
    void Restart(const Match& match);
    // Turns what a player could hear of `sight_` into `heard_`: the only look at the field.
    void Listen();
    // The practice target's frame: up and down, slowly, never firing.
    void Practise(input::ActionSet& mine);
    // A new decision from what it has heard.
    void Decide();
    // Sets out of the way of an enemy shot heard crossing its rows soon; false when none
    // is coming (or this level lets it pass).
    bool Dodge();
    // Whether a pickup of `kind` is worth a trip for what the record holds.
    static bool Worth(uint8_t kind, const tproperties& r);
    // A whole number from 0 to n - 1 (0 when n is 0 or less).
    int32_t Random(int32_t n);

    Side side_;
    int32_t level_;
    const ComputerLevel& table_;
    FieldSight sight_; // filled by the match; read by Listen alone
    Hearing heard_;
    bool otherBulletWas = false, otherMissileWas = false; // the launch flags last frame
    uint32_t seenStarts_ = 0;
    uint32_t seed_ = 0;
    uint32_t frame_ = 0;
    int32_t framesToDecide_ = 0;
    uint32_t lastShotFrame_ = 0;
    double targetY_ = 0;
    double aimY_ = 0;                  // where it expects the other craft when a shot arrives
    double magnetY_ = 0;               // the height its magnet collects the pickup from
    std::optional<double> lastOtherY_; // the other craft's height at the last decision
    int32_t lastInterval_ = 1;         // frames between the last two decisions
    Intent intent_ = Intent::None;
    bool machgun_ = false;
    int32_t practiceStep_ = 1; // the practice target's direction: +1 down, -1 up
};

} // namespace vl::match
