// SPDX-License-Identifier: GPL-3.0-or-later
// MatchDriver: the one frame path of every match — at one keyboard, against the computer,
// over the network, from a replay. It owns the match, the match's own time (six timers
// that count frames, 10 ms each) and asks the match's input source for one FrameInput a
// frame. A match is then a pure function of the data, the seed it starts from and each
// frame's input.
//
// Index:
//   - IFrameSource: where each frame's input comes from; LocalSource: this machine's
//     devices, with the computer in place of a person where it plays
//   - IMatchRecorder: told the seed and every frame's input
//   - MatchDriver: start, step, the source, the timers
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "input/FrameInput.h"
#include "match/ComputerPlayer.h"
#include "match/Match.h"
#include "match/MatchTimer.h"

namespace vl::match {

// The match's frame period in ms: the time a frame stands for.
inline constexpr uint32_t kFrameMs = 10;

class IFrameSource {
public:
    virtual ~IFrameSource() = default;
    // This frame's input, given what this machine's devices give now; nothing while it
    // has to wait (the peer's keys have not come): no frame runs then.
    virtual std::optional<input::FrameInput> NextFrame(const input::FrameInput& devices,
                                                       const Match& match) = 0;
    // The frame has run on that input.
    virtual void FrameRan(const Match& /*match*/) {}
};

// Play on this machine: the devices' input, each side the computer plays replaced by its
// decision.
class LocalSource final : public IFrameSource {
public:
    std::optional<input::FrameInput> NextFrame(const input::FrameInput& devices,
                                               const Match& match) override;
    // The computer plays `side` at `level` from now on (kPracticeLevel..kComputerLevels);
    // kNoComputer gives it back to a person.
    void SetComputer(Side side, int32_t level);
    // The computer's level on `side`; kNoComputer where a person plays.
    int32_t ComputerLevel(Side side) const;

private:
    std::array<std::optional<ComputerPlayer>, 2> computer_;
};

// Told of every match the driver runs: what a replay is made of.
class IMatchRecorder {
public:
    virtual ~IMatchRecorder() = default;
    virtual void MatchStarted(uint32_t seed) = 0;
    // A frame is about to run on `input`...
    virtual void FrameTaken(const input::FrameInput& input) = 0;
    // ... and has run.
    virtual void FrameDone(const Match& /*match*/) {}
};

// What the match is built on (everything outlives the driver).
struct DriverParts {
    sprite::TSpriteEngine& engine;
    graphics::TPictureCollection& pictures;
    sound::TWaveCollection& waves;
    std::function<int32_t()> fieldHeight;
    settings::NumberWordsFn numberWords = settings::CzechNumberWords;
};

class MatchDriver {
public:
    explicit MatchDriver(const DriverParts& parts);
    MatchDriver(const MatchDriver&) = delete;
    MatchDriver& operator=(const MatchDriver&) = delete;

    Match& Game() { return game_; }
    const Match& Game() const { return game_; }

    // A new match from `seed`: the match's time starts at 0 with every timer stopped, then
    // Match::Start. The recorder hears the seed.
    void Start(uint32_t seed);
    // One frame: the source's input for it (none: the frame waits, nothing happens and
    // nothing is returned), then the match's time moves on a frame and its timers fire in
    // their fixed order, then the match's frame on that input. Returns the input it ran on.
    std::optional<input::FrameInput> Step(const input::FrameInput& devices, FrameView& view);

    // Where each frame's input comes from; null: the local source.
    void SetSource(IFrameSource* source) { source_ = source ? source : &local_; }
    IFrameSource& Source() const { return *source_; }
    LocalSource& Local() { return local_; }
    const LocalSource& Local() const { return local_; }
    void SetRecorder(IMatchRecorder* recorder) { recorder_ = recorder; }

    // Frames run since the match started: the match's time is 10 ms times this.
    uint32_t MatchFrames() const { return matchFrames_; }
    const FrameTimer& Timer(MatchTimer t) const { return timers_[static_cast<size_t>(t)]; }

private:
    std::array<FrameTimer, kMatchTimerCount> timers_;
    Match game_;
    LocalSource local_;
    IFrameSource* source_ = &local_;
    IMatchRecorder* recorder_ = nullptr;
    uint32_t matchFrames_ = 0;
};

} // namespace vl::match
