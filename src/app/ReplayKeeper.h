// SPDX-License-Identifier: GPL-3.0-or-later
// ReplayKeeper: keeps every match of the run as a replay file. It hears the match window's
// driver (a ReplayRecorder) and writes the match when its window closes: into the user's
// replays folder (DataHome()/replays, named by date, time and mode, the newest kReplaysKept
// kept), to the --record file for the next match, or numbered into the simulator's --record
// folder. A replay that cannot be written costs one line on standard error, nothing more.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "app/CommandLine.h"
#include "match/Replay.h"
#include "match/Unit1.h"

namespace vl::app {

inline constexpr size_t kReplaysKept = 100;

class ReplayKeeper {
public:
    // Where the matches go; `off` (the setting record = false) keeps none but a --record file.
    ReplayKeeper(const PlayOptions& play, bool off);
    ReplayKeeper(const ReplayKeeper&) = delete;
    ReplayKeeper& operator=(const ReplayKeeper&) = delete;

    // Records `form1`'s matches from now on.
    void Attach(match::TForm1& form1);
    // The match in `form1` has ended or is left: written, if one ran a frame.
    void MatchClosing(const match::TForm1& form1);
    // The duel that plays from now on (the menu's network game).
    void SetNetwork(PlayOptions::Network network) { play_.network = network; }
    // Whether the match window's matches are recorded (not while a replay plays in it).
    void SetRecording(match::TForm1& form1, bool on);
    // The user's replays folder; empty when none is known.
    const std::filesystem::path& Folder() const { return userFolder_; }
    // The files written so far, in order.
    const std::vector<std::filesystem::path>& Written() const { return written_; }

private:
    // The path for the next replay; empty when none is to be kept.
    std::filesystem::path NextPath(match::ReplayMode mode);
    // Removes the oldest replays of the user's folder beyond kReplaysKept.
    void Prune() const;

    PlayOptions play_;
    bool off_;
    std::filesystem::path userFolder_;
    std::optional<uint64_t> dataHash_; // read once, at the first replay
    match::ReplayRecorder recorder_;
    std::vector<std::filesystem::path> written_;
    int numbered_ = 0;
};

} // namespace vl::app
