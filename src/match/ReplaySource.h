// SPDX-License-Identifier: GPL-3.0-or-later
// ReplaySource: a replay's frames fed to the match, one a frame, as its players gave them.
// The devices only steer the playing: the left player's gun key (Space) pauses and resumes,
// Esc leaves at once.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "match/MatchDriver.h"

namespace vl::match {

class ReplaySource final : public IFrameSource {
public:
    explicit ReplaySource(std::vector<input::FrameInput> frames) : frames_(std::move(frames)) {}

    std::optional<input::FrameInput> NextFrame(const input::FrameInput& devices,
                                               const Match& match) override;
    void FrameRan(const Match& match) override;

    bool Paused() const { return paused_; }
    // Every frame has run as recorded (not left early with Esc).
    bool Finished() const { return next_ == frames_.size() && !cut_; }
    // Left with Esc before the end.
    bool Cut() const { return cut_; }
    // After the last frame has run; the match window is still open.
    std::function<void()> OnFinished;

private:
    std::vector<input::FrameInput> frames_;
    size_t next_ = 0;
    bool paused_ = false, pauseHeld_ = false, cut_ = false;
};

} // namespace vl::match
