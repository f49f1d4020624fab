// SPDX-License-Identifier: GPL-3.0-or-later
// Replay: a match kept as what decides it — the data's hash, the seed and every frame's
// input — in a small binary file of our own (docs/replay.md): the file's form, its writer,
// its checking reader, and the recorder that collects a match as the driver runs it.
//
// The reader checks everything before any of it is used: size, magic, format version,
// checksum, every field's range, the runs' total. A hostile file is refused with a reason
// and never takes more than kMaxReplayBytes of input and kMaxReplayFrames frames of memory.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "container/Error.h"
#include "input/FrameInput.h"
#include "match/MatchDriver.h"

namespace vl::match {

inline constexpr std::array<char, 8> kReplayMagic = {'V', 'L', 'R', 'E', 'P', 'L', 'A', 'Y'};
inline constexpr uint16_t kReplayFormat = 1;
// Six hours of play at 100 frames a second; a longer match is not kept.
inline constexpr uint32_t kMaxReplayFrames = 6 * 3600 * 100;
// No run is shorter than a frame, so a file of kMaxReplayFrames runs bounds the size.
inline constexpr size_t kMaxReplayBytes = 64 + 32 + size_t{kMaxReplayFrames} * 7;
inline constexpr size_t kMaxProgramVersion = 32;

// How the match was played.
enum class ReplayMode : uint8_t { Keyboard = 0, Computer = 1, NetworkHost = 2, NetworkJoin = 3 };
// Who played a side: a person at this machine, the computer (at `level`), the peer.
enum class PlayerKind : uint8_t { Person = 0, Computer = 1, Network = 2 };
struct ReplayPlayer {
    PlayerKind kind = PlayerKind::Person;
    uint8_t level = 0; // the computer's level; 0 for a person or the peer
    friend bool operator==(const ReplayPlayer&, const ReplayPlayer&) = default;
};

struct Replay {
    std::string programVersion;
    uint64_t dataHash = 0; // MatchDataHash of the recording program
    ReplayMode mode = ReplayMode::Keyboard;
    std::array<ReplayPlayer, 2> players{};
    uint32_t seed = 0;
    std::vector<input::FrameInput> frames;
    uint64_t finalState = 0; // HashOf(StateText) after the last frame
    friend bool operator==(const Replay&, const Replay&) = default;
};

// A replay that cannot be used; what() is the reason alone ("it is truncated").
class EReplayError : public vl::Error {
public:
    using vl::Error::Error;
};

// The file's bytes. The replay must hold at most kMaxReplayFrames frames and a version of at
// most kMaxProgramVersion printable characters.
std::vector<uint8_t> EncodeReplay(const Replay& replay);
// The replay in `bytes`, every field checked; EReplayError with the reason otherwise.
Replay DecodeReplay(std::span<const uint8_t> bytes);

// Reads `path` (at most kMaxReplayBytes + 1 bytes of it) and decodes it; a replay recorded
// with other data (`dataHash`) is refused too. EReplayError "Cannot play the replay PATH:
// REASON" on any failure.
Replay ReadReplayFile(const std::filesystem::path& path, uint64_t dataHash);
// Writes the replay atomically; false with `error` when it cannot.
bool WriteReplayFile(const std::filesystem::path& path, const Replay& replay, std::string* error);

// Collects the match the driver runs: its seed and every frame's input. Nothing before the
// first start; a match longer than kMaxReplayFrames is dropped (Overflowed).
class ReplayRecorder final : public IMatchRecorder {
public:
    void MatchStarted(uint32_t seed) override;
    void FrameTaken(const input::FrameInput& input) override;

    bool Started() const { return started_; }
    bool Overflowed() const { return overflowed_; }
    uint32_t Seed() const { return seed_; }
    const std::vector<input::FrameInput>& Frames() const { return frames_; }
    // The match as a replay, its final state taken from `match` as it stands; the recorder
    // is then empty until the next start.
    Replay Take(const Match& match);
    // Forgets the match: the recorder is empty until the next start.
    void Discard();

private:
    bool started_ = false, overflowed_ = false;
    uint32_t seed_ = 0;
    std::vector<input::FrameInput> frames_;
};

} // namespace vl::match
