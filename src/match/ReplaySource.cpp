// SPDX-License-Identifier: GPL-3.0-or-later
// ReplaySource: the next recorded frame, the pause and Esc.
#include "match/ReplaySource.h"

namespace vl::match {

std::optional<input::FrameInput> ReplaySource::NextFrame(const input::FrameInput& devices,
                                                         const Match& /*match*/) {
    if (cut_ || next_ == frames_.size()) return std::nullopt;
    if (devices.leave) {
        // The listener leaves: one frame of leaving closes the window, the rest is not played.
        cut_ = true;
        input::FrameInput leave;
        leave.leave = true;
        return leave;
    }
    const bool pause = devices.Has(input::Side::Left, input::Action::Gun);
    if (pause && !pauseHeld_) paused_ = !paused_;
    pauseHeld_ = pause;
    if (paused_) return std::nullopt;
    return frames_[next_++];
}

void ReplaySource::FrameRan(const Match& /*match*/) {
    if (Finished() && OnFinished) OnFinished();
}

} // namespace vl::match
