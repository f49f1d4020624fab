// SPDX-License-Identifier: GPL-3.0-or-later
// MatchDriver: the local source, and the driver's start and step.
#include "match/MatchDriver.h"

namespace vl::match {

// --- the local source -----------------------------------------------------------------

std::optional<input::FrameInput> LocalSource::NextFrame(const input::FrameInput& devices,
                                                        const Match& match) {
    input::FrameInput in = devices;
    if (computer_[0].has_value() != computer_[1].has_value()) {
        // One person against the computer: either key set drives the person's craft.
        const Side person = computer_[0] ? Side::Right : Side::Left;
        in.Of(person) = input::ActionSet::FromBits(devices.Of(Side::Left).Bits() |
                                                   devices.Of(Side::Right).Bits());
    }
    for (std::optional<ComputerPlayer>& player : computer_)
        if (player) player->Play(match, in);
    return in;
}

void LocalSource::SetComputer(Side side, int32_t level) {
    std::optional<ComputerPlayer>& player = computer_[static_cast<size_t>(side)];
    if (level == kNoComputer)
        player.reset();
    else
        player.emplace(side, level);
}

int32_t LocalSource::ComputerLevel(Side side) const {
    const std::optional<ComputerPlayer>& player = computer_[static_cast<size_t>(side)];
    return player ? player->Level() : kNoComputer;
}

// --- the driver -----------------------------------------------------------------------

MatchDriver::MatchDriver(const DriverParts& parts)
    : timers_{FrameTimer(50, [this] { game_.BlinkStep(Side::Left); }),
              FrameTimer(50, [this] { game_.BlinkStep(Side::Right); }),
              FrameTimer(100, [this] { game_.propertiesleft.machgunlock = false; }),
              FrameTimer(100, [this] { game_.propertiesright.machgunlock = false; }),
              FrameTimer(5000, [this] { game_.NewPickup(); }),
              FrameTimer(5000, [this] { game_.ObjectRowDue(); })},
      game_(
          MatchParts{parts.engine,
                     parts.pictures,
                     parts.waves,
                     {&timers_[0], &timers_[1], &timers_[2], &timers_[3], &timers_[4], &timers_[5]},
                     parts.fieldHeight,
                     parts.numberWords}) {}

void MatchDriver::Start(uint32_t seed) {
    for (FrameTimer& t : timers_) t.SetEnabled(false);
    matchFrames_ = 0;
    if (recorder_) recorder_->MatchStarted(seed);
    game_.Start(seed);
}

std::optional<input::FrameInput> MatchDriver::Step(const input::FrameInput& devices,
                                                   FrameView& view) {
    const std::optional<input::FrameInput> in = source_->NextFrame(devices, game_);
    if (!in) return std::nullopt;
    if (recorder_) recorder_->FrameTaken(*in);
    ++matchFrames_;
    for (FrameTimer& t : timers_) t.Advance(kFrameMs);
    game_.Frame(*in, view);
    source_->FrameRan(game_);
    if (recorder_) recorder_->FrameDone(game_);
    return in;
}

} // namespace vl::match
