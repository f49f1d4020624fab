// SPDX-License-Identifier: GPL-3.0-or-later
// ComputerPlayer: the computer at the keys of one craft. Each frame it looks at the field as
// a sighted player would and sets its side's movements and weapons — nothing else —
// exactly as that player's keys would, so it plays by the same rules and is heard the same.
//
// It decides afresh only every so often (its reaction time) and with a level's exactness;
// between decisions it flies to the height it chose and fires when it gets there. Its
// chances come from a generator of its own seeded from the match's start, so a match
// against it repeats exactly on the same input.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "input/FrameInput.h"
#include "match/FieldSight.h"
#include "match/Side.h"

namespace vl::match {

class Match;

// How one level plays. Reaction and jitter in frames (10 ms); distances in pixels.
struct ComputerLevel {
    int32_t reactionFrames;       // a new decision this often...
    int32_t jitterFrames;         // ... give or take this much
    double aimError;              // the height it sees the other craft at is off by up to this much
    double lead;                  // share of the other craft's motion it leads its aim by (0..1)
    int32_t dodgePercent;         // chance to get out of the way of a bullet or missile coming
    int32_t machgunPercent;       // chance to add the machine gun to a clear line
    bool missileThroughObstacles; // sends its missile through a blocked line
    bool clearsObstacles;         // shoots an obstacle away rather than waiting behind it
    bool collectsPickups;         // goes for a pickup worth having
};

inline constexpr int32_t kComputerLevels = 3;
inline constexpr int32_t kDefaultComputerLevel = 2;
// Level 1 reacts in about 400 ms and aims loosely; level 3 in about 80 ms, exactly.
inline constexpr std::array<ComputerLevel, kComputerLevels> kComputerLevelTables = {{
    {40, 8, 12.0, 0.0, 20, 40, false, false, false},
    {18, 5, 5.0, 0.5, 60, 80, true, true, true},
    {8, 2, 1.0, 1.0, 95, 100, true, true, true},
}};

class ComputerPlayer {
public:
    // Plays `side` at `level` (1..kComputerLevels; asserted).
    ComputerPlayer(Side side, int32_t level);

    Side PlaysSide() const { return side_; }
    int32_t Level() const { return level_; }

    // This frame's decision: its side's actions in `input` (whatever the devices gave,
    // counters included) are replaced by its own movements and weapons. Call before the
    // match's frame. Never throws.
    void Play(const Match& match, input::FrameInput& input);

private:
    enum class Intent : uint8_t { None, Bullet, Missile, Magnet };

    // A new decision from what it sees now.
    void Decide();
    // Sets out of the way of an enemy shot crossing its rows soon; false when none is seen
    // (or this level lets it pass).
    bool Dodge(const SeenBox& me);
    // Whether a pickup of `kind` is worth a trip for what the record holds.
    static bool Worth(uint8_t kind, const tproperties& r);
    // Obstacles in the way of a bullet launched from height y.
    int32_t Blockers(double y) const;
    // A whole number from 0 to n - 1 (0 when n is 0 or less).
    int32_t Random(int32_t n);

    Side side_;
    int32_t level_;
    const ComputerLevel& table_;
    FieldSight sight_;
    uint32_t seenStarts_ = 0;
    uint32_t seed_ = 0;
    int32_t framesToDecide_ = 0;
    double targetY_ = 0;
    double aimY_ = 0;                  // where it expects the other craft when a shot arrives
    std::optional<double> lastOtherY_; // the other craft's height at the last decision
    int32_t lastInterval_ = 1;         // frames between the last two decisions
    Intent intent_ = Intent::None;
    bool machgun_ = false;
};

} // namespace vl::match
