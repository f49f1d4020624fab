// SPDX-License-Identifier: GPL-3.0-or-later
// A match played with keys in the simulator and kept (--record), then played again from its
// replay (--replay): the same dumps at every frame and the same sounds at the same times
// after the start; the program ends with 0. A refused file ends it with 2 and its box.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <map>

#include "app/sim_support.h"

namespace {

namespace fs = std::filesystem;
using vl::simtest::Has;
using vl::simtest::Lines;
using vl::simtest::SimRun;
using vl::simtest::TimeOf;

const fs::path kData(VL_DATA_DIR);
const fs::path kWork =
    fs::path(VL_BINARY_DIR) / "test-app-replay" / std::to_string(static_cast<long>(getpid()));

std::string Dumps(int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += "dump\nwait 10\n";
    return out;
}

// The "match" member of every dump by its frame count, without who played (a replay's
// players are its frames).
std::map<std::string, std::string> ByFrame(const SimRun& run) {
    auto out = vl::simtest::MatchesByFrame(run.lines);
    for (auto& [frames, match] : out)
        if (const size_t c = match.find(",\"computer\":{"); c != std::string::npos)
            match.erase(c, match.find('}', c) + 1 - c);
    return out;
}

// The match's sounds: item and pan, at their times after the match's first sound.
std::vector<std::string> Sounds(const SimRun& run) {
    std::vector<std::string> out;
    uint64_t start = 0;
    for (const std::string& l : Lines(run, {R"("ev":"play","bank":"DXWaveList1")"})) {
        if (out.empty()) start = TimeOf(l);
        out.push_back(std::to_string(TimeOf(l) - start) + l.substr(l.find("\"item\"")));
    }
    return out;
}

class SimReplay : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kData / "snd" / "game.dat") || !fs::exists(kData / "pics" / "game.dat"))
            GTEST_SKIP() << "no generated data in " << kData;
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(kWork, ec);
    }
};

class SimReplayKinds : public SimReplay, public ::testing::WithParamInterface<std::string> {};

// At one keyboard, and against the computer (its decisions are in the frames).
INSTANTIATE_TEST_SUITE_P(Kinds, SimReplayKinds, ::testing::Values("", "--computer right:3"));

TEST_P(SimReplayKinds, AKeptMatchPlaysAgainFrameForFrameAndSoundForSound) {
    const fs::path kept = kWork / ("kept" + std::to_string(GetParam().size()));
    const SimRun played = vl::simtest::Sim(
        kWork / "played", kData,
        "wait 1800\npress ENTER\nawait Form1\ndown E\ndown SPACE\n" + Dumps(80) +
            "up SPACE\nup E\npress X\ndown C\ndown UP\n" + Dumps(80) + "press ESCAPE\nwait 1000\n",
        GetParam() + " --record '" + kept.string() + "'");
    ASSERT_EQ(played.exitCode, 0) << played.err;
    ASSERT_TRUE(fs::exists(kept / "1.vlr"));
    const SimRun again = vl::simtest::Sim(kWork / "again", kData, Dumps(400),
                                          "--replay '" + (kept / "1.vlr").string() + "'");
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_TRUE(again.err.empty()) << again.err; // the final state was the recorded one
    const auto a = ByFrame(played), b = ByFrame(again);
    int common = 0;
    for (const auto& [frames, match] : a) {
        const auto it = b.find(frames);
        if (it == b.end()) continue;
        ++common;
        EXPECT_EQ(match, it->second) << "frames " << frames;
    }
    EXPECT_GE(common, 100);
    EXPECT_EQ(Sounds(played), Sounds(again));
    EXPECT_GE(Sounds(played).size(), 5U);
}

TEST_F(SimReplay, ADamagedReplayIsRefusedWithItsReasonAndExitCodeTwo) {
    fs::create_directories(kWork);
    std::ofstream(kWork / "bad.vlr", std::ios::binary) << std::string("VLREPLAY\x01\x00\x05", 11);
    const SimRun run = vl::simtest::Sim(kWork / "bad", kData, "wait 1000\n",
                                        "--replay '" + (kWork / "bad.vlr").string() + "'");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(Lines(run, {R"("ev":"msgbox")", "Cannot play the replay ", "it is truncated"}).size(),
              1U);
}

} // namespace
