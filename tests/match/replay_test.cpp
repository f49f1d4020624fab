// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the replay file: what is written reads back the same and small; every cut, every
// changed byte, another format version and other data are refused with their reasons.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "match/Replay.h"
#include "match/StateText.h"

namespace vl::match {
namespace {

namespace fs = std::filesystem;

Replay Sample(size_t frames) {
    Replay r;
    r.programVersion = "0.1.0";
    r.dataHash = 0x0123456789ABCDEFULL;
    r.mode = ReplayMode::Computer;
    r.players = {ReplayPlayer{PlayerKind::Person, 0}, ReplayPlayer{PlayerKind::Computer, 3}};
    r.seed = 4321;
    r.finalState = 0xFEDCBA9876543210ULL;
    std::mt19937 rng(7);
    input::FrameInput held;
    for (size_t i = 0; i < frames; ++i) {
        if (rng() % 40 == 0) { // keys change now and then, as players press them
            held.sides[0] = input::ActionSet::FromBits(static_cast<uint16_t>(rng()));
            held.sides[1] = input::ActionSet::FromBits(static_cast<uint16_t>(rng()));
        }
        r.frames.push_back(held);
    }
    if (!r.frames.empty()) r.frames.back().leave = true;
    return r;
}

std::string ReasonOf(const std::vector<uint8_t>& bytes) {
    try {
        DecodeReplay(bytes);
    } catch (const EReplayError& e) {
        return e.what();
    }
    return "accepted";
}

TEST(Replay, WhatIsWrittenReadsBackTheSameAndRunsKeepItSmall) {
    for (const size_t n : {0, 1, 18000}) {
        const Replay r = Sample(n);
        const std::vector<uint8_t> bytes = EncodeReplay(r);
        EXPECT_EQ(DecodeReplay(bytes), r) << n;
        if (n == 18000) {
            EXPECT_LT(bytes.size(), 5000U); // three minutes of play
        }
    }
}

// The fuzzer's seed was written by hand from docs/replay.md's table, not by the writer.
TEST(Replay, AFileMadeFromTheDocumentedLayoutReads) {
    std::ifstream in(fs::path(VL_SOURCE_DIR) / "fuzz/corpus/replay/computer_match.vlr",
                     std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    const Replay r = DecodeReplay(bytes);
    EXPECT_EQ(r.programVersion, "0.1.0");
    EXPECT_EQ(r.mode, ReplayMode::Computer);
    EXPECT_EQ(r.players[1], (ReplayPlayer{PlayerKind::Computer, 2}));
    EXPECT_EQ(r.seed, 7U);
    ASSERT_EQ(r.frames.size(), 200U);
    EXPECT_TRUE(r.frames[120].Has(input::Side::Right, input::Action::Climb));
    EXPECT_TRUE(r.frames[199].leave);
    EXPECT_EQ(EncodeReplay(r), bytes);
}

TEST(Replay, EveryCutAndEveryChangedByteIsRefused) {
    const std::vector<uint8_t> bytes = EncodeReplay(Sample(300));
    for (size_t n = 0; n < bytes.size(); ++n) {
        const std::string reason = ReasonOf({bytes.begin(), bytes.begin() + static_cast<long>(n)});
        EXPECT_TRUE(reason == "it is truncated" || reason == "it is not a replay of this game")
            << n << ": " << reason;
    }
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::vector<uint8_t> changed = bytes;
        changed[i] ^= 0x20;
        EXPECT_NE(ReasonOf(changed), "accepted") << "byte " << i;
    }
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_EQ(ReasonOf(longer), "it is damaged (bytes after its end)");
    std::vector<uint8_t> newer = bytes;
    newer[8] = 2;
    EXPECT_EQ(ReasonOf(newer), "it has format version 2; this program reads version 1");
}

// A version longer than its field allows is refused even when the rest is whole and summed:
// the longest (255) once read past the end of a 64-bit number.
TEST(Replay, AProgramVersionLongerThanItsFieldIsRefused) {
    for (const size_t length : {kMaxProgramVersion + 1, size_t{255}}) {
        std::vector<uint8_t> bytes = EncodeReplay(Sample(10));
        const size_t versionAt = 11, oldLength = bytes[10];
        bytes[10] = static_cast<uint8_t>(length);
        bytes.insert(bytes.begin() + static_cast<long>(versionAt + oldLength), length - oldLength,
                     uint8_t{'x'});
        bytes.resize(bytes.size() - 8);
        const uint64_t sum = HashOf({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
        for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<uint8_t>(sum >> (8 * i)));
        EXPECT_EQ(ReasonOf(bytes), "it is damaged (its program version)") << length;
    }
}

TEST(Replay, FilesAreReadWholeAndOtherDataIsRefusedNamingTheFile) {
    const fs::path dir = fs::temp_directory_path() / ("vl-replay-" + std::to_string(getpid()));
    const fs::path file = dir / "a match.vlr";
    std::string error;
    ASSERT_TRUE(WriteReplayFile(file, Sample(500), &error)) << error;
    EXPECT_EQ(ReadReplayFile(file, Sample(0).dataHash), Sample(500));
    const auto reason = [&](const fs::path& path, uint64_t hash) {
        try {
            ReadReplayFile(path, hash);
        } catch (const EReplayError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(reason(file, 1), "Cannot play the replay " + file.string() +
                                   ": it was recorded with other game data (version 0.1.0)");
    EXPECT_EQ(reason(dir / "none.vlr", 1),
              "Cannot play the replay " + (dir / "none.vlr").string() + ": it cannot be opened");
    fs::remove_all(dir);
}

} // namespace
} // namespace vl::match
