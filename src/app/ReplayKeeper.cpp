// SPDX-License-Identifier: GPL-3.0-or-later
// ReplayKeeper: naming, writing and pruning the replays.
#include "app/ReplayKeeper.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "match/DataHash.h"
#include "settings/Paths.h"

namespace vl::app {

namespace {

const char* ModeName(match::ReplayMode mode) {
    switch (mode) {
    case match::ReplayMode::Keyboard:
        return "keyboard";
    case match::ReplayMode::Computer:
        return "computer";
    case match::ReplayMode::NetworkHost:
        return "host";
    case match::ReplayMode::NetworkJoin:
        return "join";
    }
    return "match";
}

// "2026-12-10_14-05-33" in the user's local time: names sort as the matches were played.
std::string LocalStamp() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d_%H-%M-%S", &local);
    return text;
}

} // namespace

ReplayKeeper::ReplayKeeper(const PlayOptions& play, bool off) : play_(play), off_(off) {
    const std::filesystem::path home = settings::DataHome();
    if (!home.empty()) userFolder_ = home / "replays";
}

void ReplayKeeper::Attach(match::TForm1& form1) {
    form1.driver.SetRecorder(&recorder_);
    form1.OnMatchClosing = [this, &form1] { MatchClosing(form1); };
}

void ReplayKeeper::SetRecording(match::TForm1& form1, bool on) {
    form1.driver.SetRecorder(on ? &recorder_ : nullptr);
}

std::filesystem::path ReplayKeeper::NextPath(match::ReplayMode mode) {
    if (!play_.recordFile.empty()) {
        std::filesystem::path file = play_.recordFile;
        play_.recordFile.clear(); // the next match only
        return file;
    }
    if (!play_.recordFolder.empty())
        return play_.recordFolder / (std::to_string(++numbered_) + ".vlr");
    if (off_ || userFolder_.empty()) return {};
    const std::string stem = LocalStamp() + "_" + ModeName(mode);
    std::filesystem::path path = userFolder_ / (stem + ".vlr");
    std::error_code ec;
    for (int n = 2; std::filesystem::exists(path, ec); ++n)
        path = userFolder_ / (stem + "-" + std::to_string(n) + ".vlr");
    return path;
}

void ReplayKeeper::MatchClosing(const match::TForm1& form1) {
    if (!recorder_.Started()) return;
    if (recorder_.Overflowed()) {
        recorder_.Discard();
        std::fprintf(stderr, "vlnedla: the match was longer than a replay can keep: not kept\n");
        return;
    }
    // Who played, and so where the match goes.
    std::array<match::ReplayPlayer, 2> players{};
    for (const match::Side side : {match::Side::Left, match::Side::Right}) {
        const int32_t level = form1.ComputerLevel(side);
        if (level != match::kNoComputer)
            players[static_cast<size_t>(side)] = {match::PlayerKind::Computer,
                                                  static_cast<uint8_t>(level)};
    }
    match::ReplayMode mode = match::ReplayMode::Keyboard;
    if (play_.network == PlayOptions::Network::Host) {
        mode = match::ReplayMode::NetworkHost;
        players[1] = {match::PlayerKind::Network, 0};
    } else if (play_.network == PlayOptions::Network::Join) {
        mode = match::ReplayMode::NetworkJoin;
        players[0] = {match::PlayerKind::Network, 0};
    } else if (players[0].kind == match::PlayerKind::Computer ||
               players[1].kind == match::PlayerKind::Computer) {
        mode = match::ReplayMode::Computer;
    }
    const std::filesystem::path path =
        recorder_.Frames().empty() ? std::filesystem::path() : NextPath(mode);
    if (path.empty()) { // nothing played, or nothing to keep
        recorder_.Discard();
        return;
    }
    match::Replay replay = recorder_.Take(form1.game);
    replay.programVersion = std::string(kProgramVersion);
    replay.mode = mode;
    replay.players = players;
    if (!dataHash_) dataHash_ = match::MatchDataHash(form1.language);
    replay.dataHash = *dataHash_;
    std::string error;
    if (!match::WriteReplayFile(path, replay, &error)) {
        std::fprintf(stderr, "vlnedla: the replay was not kept: %s\n", error.c_str());
        return;
    }
    written_.push_back(path);
    if (path.parent_path() == userFolder_) Prune();
}

void ReplayKeeper::Prune() const {
    std::error_code ec;
    std::vector<std::filesystem::path> kept;
    try {
        for (const auto& entry : std::filesystem::directory_iterator(userFolder_, ec))
            if (entry.path().extension() == ".vlr") kept.push_back(entry.path());
    } catch (const std::filesystem::filesystem_error&) {
        return; // a folder that cannot be listed keeps what it has
    }
    if (kept.size() <= kReplaysKept) return;
    std::sort(kept.begin(), kept.end());
    for (size_t i = 0; i + kReplaysKept < kept.size(); ++i) std::filesystem::remove(kept[i], ec);
}

} // namespace vl::app
