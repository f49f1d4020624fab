// SPDX-License-Identifier: GPL-3.0-or-later
// Replay: the byte layout (docs/replay.md), written and read field by field.
//
// Index:
//   - the layout's pieces: a frame's word, little-endian writing and checked reading
//   - EncodeReplay, DecodeReplay
//   - files: ReadReplayFile, WriteReplayFile
//   - ReplayRecorder
#include "match/Replay.h"

#include <algorithm>
#include <fstream>

#include "base/Check.h"
#include "match/StateText.h"
#include "settings/Paths.h"
#include "settings/SettingsFile.h"

namespace vl::match {

namespace {

// --- the layout's pieces ----------------------------------------------------------------

// A frame is a 3-byte word: bits 0-9 the left side's actions, 10-19 the right's, 20 leaving.
constexpr uint32_t kLeaveBit = 1U << 20;
constexpr uint32_t kWordBits =
    kLeaveBit | (uint32_t{input::ActionSet::kAllBits} << 10) | input::ActionSet::kAllBits;
constexpr size_t kRunBytes = 7; // the word, then the run's length (u32)
// magic, format, version's length; then after the version: data hash, mode, players, seed,
// frames, final state, runs; the checksum at the end.
constexpr size_t kHeadBytes = 8 + 2 + 1;
constexpr size_t kFieldBytes = 8 + 1 + 4 + 4 + 4 + 8 + 4;
constexpr size_t kSumBytes = 8;

uint32_t WordOf(const input::FrameInput& f) {
    return f.sides[0].Bits() | (uint32_t{f.sides[1].Bits()} << 10) | (f.leave ? kLeaveBit : 0);
}

input::FrameInput FrameOf(uint32_t word) {
    input::FrameInput f;
    f.sides[0] = input::ActionSet::FromBits(static_cast<uint16_t>(word & 0x3FF));
    f.sides[1] = input::ActionSet::FromBits(static_cast<uint16_t>((word >> 10) & 0x3FF));
    f.leave = (word & kLeaveBit) != 0;
    return f;
}

void Put(std::vector<uint8_t>& out, uint64_t v, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Reads little-endian fields; the caller has checked the size, so running out is a fault.
class Fields {
public:
    explicit Fields(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint64_t Get(size_t n) {
        VL_CHECK(n <= 8, "a replay's number field fits 64 bits");
        VL_CHECK(at_ + n <= bytes_.size(), "a replay's field lies inside the checked size");
        uint64_t v = 0;
        for (size_t i = 0; i < n; ++i) v |= uint64_t{bytes_[at_ + i]} << (8 * i);
        at_ += n;
        return v;
    }
    void Skip(size_t n) {
        VL_CHECK(at_ + n <= bytes_.size(), "a replay's field lies inside the checked size");
        at_ += n;
    }
    size_t At() const { return at_; }

private:
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
};

std::string_view AsText(std::span<const uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

} // namespace

// --- EncodeReplay, DecodeReplay -------------------------------------------------------------

std::vector<uint8_t> EncodeReplay(const Replay& replay) {
    VL_CHECK(replay.frames.size() <= kMaxReplayFrames, "a replay fits its frame limit");
    VL_CHECK(!replay.programVersion.empty() && replay.programVersion.size() <= kMaxProgramVersion,
             "a replay's program version fits its field");
    std::vector<uint8_t> out(kReplayMagic.begin(), kReplayMagic.end());
    Put(out, kReplayFormat, 2);
    Put(out, replay.programVersion.size(), 1);
    out.insert(out.end(), replay.programVersion.begin(), replay.programVersion.end());
    Put(out, replay.dataHash, 8);
    Put(out, static_cast<uint8_t>(replay.mode), 1);
    for (const ReplayPlayer& p : replay.players) {
        Put(out, static_cast<uint8_t>(p.kind), 1);
        Put(out, p.level, 1);
    }
    Put(out, replay.seed, 4);
    Put(out, replay.frames.size(), 4);
    Put(out, replay.finalState, 8);
    std::vector<std::pair<uint32_t, uint32_t>> runs;
    for (const input::FrameInput& f : replay.frames) {
        const uint32_t word = WordOf(f);
        if (!runs.empty() && runs.back().first == word)
            ++runs.back().second;
        else
            runs.emplace_back(word, 1);
    }
    Put(out, runs.size(), 4);
    for (const auto& [word, length] : runs) {
        Put(out, word, 3);
        Put(out, length, 4);
    }
    Put(out, HashOf(AsText(out)), kSumBytes);
    return out;
}

Replay DecodeReplay(std::span<const uint8_t> bytes) {
    const auto refuse = [](const char* reason) { throw EReplayError(reason); };
    if (bytes.size() < kReplayMagic.size() ||
        !std::equal(kReplayMagic.begin(), kReplayMagic.end(), bytes.begin()))
        refuse("it is not a replay of this game");
    if (bytes.size() > kMaxReplayBytes) refuse("it is larger than any replay can be");
    if (bytes.size() < kHeadBytes) refuse("it is truncated");
    Fields f(bytes);
    f.Skip(kReplayMagic.size());
    if (const uint64_t format = f.Get(2); format != kReplayFormat)
        throw EReplayError("it has format version " + std::to_string(format) +
                           "; this program reads version " + std::to_string(kReplayFormat));
    const size_t versionLength = f.Get(1);
    const size_t runsAt = kHeadBytes + versionLength + kFieldBytes;
    if (bytes.size() < runsAt + kSumBytes) refuse("it is truncated");
    const uint64_t runCount = Fields(bytes.subspan(runsAt - 4, 4)).Get(4);
    const uint64_t expected = runsAt + runCount * kRunBytes + kSumBytes;
    if (bytes.size() < expected) refuse("it is truncated");
    if (bytes.size() > expected) refuse("it is damaged (bytes after its end)");
    const size_t sumAt = bytes.size() - kSumBytes;
    if (Fields(bytes.subspan(sumAt)).Get(kSumBytes) != HashOf(AsText(bytes.first(sumAt))))
        refuse("it is damaged (its checksum does not match)");

    // Whole and as written: now every field's meaning.
    Replay r;
    const std::span<const uint8_t> version = bytes.subspan(f.At(), versionLength);
    f.Skip(versionLength);
    for (const uint8_t c : version)
        if (c < 0x20 || c > 0x7E) refuse("it is damaged (its program version)");
    if (version.empty() || version.size() > kMaxProgramVersion)
        refuse("it is damaged (its program version)");
    r.programVersion.assign(version.begin(), version.end());
    r.dataHash = f.Get(8);
    const uint64_t mode = f.Get(1);
    if (mode > static_cast<uint8_t>(ReplayMode::NetworkJoin)) refuse("it is damaged (its mode)");
    r.mode = static_cast<ReplayMode>(mode);
    for (ReplayPlayer& p : r.players) {
        const uint64_t kind = f.Get(1), level = f.Get(1);
        if (kind > static_cast<uint8_t>(PlayerKind::Network) ||
            (kind != static_cast<uint8_t>(PlayerKind::Computer) && level != 0) || level > 9)
            refuse("it is damaged (its players)");
        p = {static_cast<PlayerKind>(kind), static_cast<uint8_t>(level)};
    }
    r.seed = static_cast<uint32_t>(f.Get(4));
    const uint64_t frames = f.Get(4);
    if (frames > kMaxReplayFrames) refuse("it is damaged (more frames than a match can have)");
    r.finalState = f.Get(8);
    f.Get(4); // the runs' count, read above
    if (runCount > frames) refuse("it is damaged (its runs)");
    uint64_t total = 0;
    for (uint64_t i = 0; i < runCount; ++i) {
        const uint32_t word = static_cast<uint32_t>(f.Get(3));
        const uint64_t length = f.Get(4);
        if ((word & ~kWordBits) != 0 || length == 0 || total + length > frames)
            refuse("it is damaged (its frames)");
        total += length;
    }
    if (total != frames) refuse("it is damaged (its frames)");
    // Checked: unpack. Leaving ends a match, so it may come with the last frame only.
    r.frames.reserve(frames);
    Fields runs(bytes.subspan(runsAt, runCount * kRunBytes));
    for (uint64_t i = 0; i < runCount; ++i) {
        const input::FrameInput frame = FrameOf(static_cast<uint32_t>(runs.Get(3)));
        r.frames.insert(r.frames.end(), runs.Get(4), frame);
    }
    for (size_t i = 0; i + 1 < r.frames.size(); ++i)
        if (r.frames[i].leave) refuse("it is damaged (a frame after the match was left)");
    return r;
}

// --- files -------------------------------------------------------------------------------

Replay ReadReplayFile(const std::filesystem::path& path, uint64_t dataHash) {
    const auto fail = [&path](const std::string& reason) {
        return EReplayError("Cannot play the replay " + settings::Utf8Of(path) + ": " + reason);
    };
    std::ifstream in(path, std::ios::binary);
    if (!in) throw fail("it cannot be opened");
    // Read as far as the file goes, and one byte past the largest replay at most: a kept
    // match of a few minutes takes a few kilobytes, not the largest file's buffer.
    std::vector<uint8_t> bytes;
    std::vector<char> chunk(size_t{64} << 10);
    while (bytes.size() <= kMaxReplayBytes) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto n =
            std::min(static_cast<size_t>(in.gcount()), kMaxReplayBytes + 1 - bytes.size());
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
        if (!in) break;
    }
    Replay r;
    try {
        r = DecodeReplay(bytes);
    } catch (const EReplayError& e) {
        throw fail(e.what());
    }
    if (r.dataHash != dataHash)
        throw fail("it was recorded with other game data (version " + r.programVersion + ")");
    return r;
}

bool WriteReplayFile(const std::filesystem::path& path, const Replay& replay, std::string* error) {
    const std::vector<uint8_t> bytes = EncodeReplay(replay);
    return settings::WriteFileAtomically(path, std::string(bytes.begin(), bytes.end()), error);
}

// --- ReplayRecorder ------------------------------------------------------------------------

void ReplayRecorder::MatchStarted(uint32_t seed) {
    started_ = true;
    overflowed_ = false;
    seed_ = seed;
    frames_.clear();
}

void ReplayRecorder::FrameTaken(const input::FrameInput& input) {
    if (!started_ || overflowed_) return;
    if (frames_.size() >= kMaxReplayFrames) {
        overflowed_ = true;
        frames_.clear();
        frames_.shrink_to_fit();
        return;
    }
    frames_.push_back(input);
}

Replay ReplayRecorder::Take(const Match& match) {
    Replay r;
    r.seed = seed_;
    r.frames = std::move(frames_);
    r.finalState = HashOf(StateText(match));
    Discard();
    return r;
}

void ReplayRecorder::Discard() {
    frames_.clear();
    started_ = false;
}

} // namespace vl::match
