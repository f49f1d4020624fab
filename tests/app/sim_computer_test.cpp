// SPDX-License-Identifier: GPL-3.0-or-later
// The computer opponent through the simulator: how soon each level beats a player who does
// nothing, the computer against itself (ends, repeats exactly, never closes the window),
// level 3 against level 1, and a bad --computer value.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "app/sim_support.h"

namespace {

namespace fs = std::filesystem;
using vl::simtest::Has;
using vl::simtest::Lines;
using vl::simtest::Sim;
using vl::simtest::SimRun;
using vl::simtest::TimeOf;

const fs::path kData(VL_DATA_DIR);

class SimComputer : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kData / "snd" / "game.dat") || !fs::exists(kData / "pics" / "game.dat"))
            GTEST_SKIP() << "no generated data in " << kData;
    }
    static fs::path Work() {
        return fs::path(VL_BINARY_DIR) / "test-app-computer" / std::to_string(getpid());
    }
    // "Start hry" after `waitMs`, then up to `matchMs` of the match and a dump.
    static SimRun Match(const std::string& computer, int waitMs, int matchMs) {
        return Sim(Work(), kData,
                   "wait " + std::to_string(waitMs) + "\npress ENTER\nwait " +
                       std::to_string(matchMs) + "\ndump\n",
                   computer);
    }
    // The side whose craft was destroyed first ("left"/"right"), and when; "" if none.
    static std::string Loser(const SimRun& run, uint64_t* at = nullptr) {
        const auto explos = Lines(run, {"\"ev\":\"play\"", "\"item\":\"explos\""});
        if (explos.empty()) return "";
        if (at) *at = TimeOf(explos.front());
        return Has(explos.front(), "\"pan\":-10000") ? "left" : "right";
    }
    // When the match started: the first frame's pitch of the left tone.
    static uint64_t StartOf(const SimRun& run) {
        const auto starts = Lines(run, {"\"item\":\"navig1\"", "\"freq\":94800"});
        return starts.empty() ? 0 : TimeOf(starts.front());
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(Work(), ec);
    }
};

TEST_F(SimComputer, EachLevelDestroysAPlayerWhoDoesNothingInTime) {
    const struct {
        const char* option;
        const char* loser;
        uint64_t withinMs;
    } cases[] = {{"--computer right:3", "left", 60000}, {"--computer left:1", "right", 240000}};
    for (const auto& c : cases) {
        const SimRun run = Match(c.option, 300, static_cast<int>(c.withinMs));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        uint64_t at = 0;
        EXPECT_EQ(Loser(run, &at), c.loser) << c.option;
        EXPECT_LE(at - StartOf(run), c.withinMs) << c.option;
        EXPECT_FALSE(Lines(run, {"\"computer\":{"}).empty());
    }
    const SimRun dump = Match("--computer right", 300, 10);
    EXPECT_FALSE(Lines(dump, {"\"computer\":{\"left\":null,\"right\":2}"}).empty());
}

TEST_F(SimComputer, AgainstItselfItEndsAMatchRepeatsItExactlyAndLeavesTheWindowOpen) {
    const std::string both = "--computer left:2 --computer right:2";
    // Within three minutes, well inside the ten a match may take.
    const SimRun a = Match(both, 300, 180000), b = Match(both, 300, 180000);
    ASSERT_EQ(a.exitCode, 0) << a.err;
    EXPECT_NE(Loser(a), "");
    EXPECT_EQ(a.lines, b.lines);
    // The match window is still up after the match, and no number was spoken but after a
    // pickup was collected.
    EXPECT_FALSE(Lines(a, {"\"ev\":\"dump\"", "\"Form1\":{\"visible\":true}"}).empty());
    EXPECT_TRUE(Lines(a, {"\"ev\":\"hide\"", "\"window\":\"Form1\""}).empty());
    if (Lines(a, {"\"item\":\"getweap\""}).empty()) {
        EXPECT_TRUE(
            Lines(a, {"\"bank\":\"DXWaveList1\"", "\"wait\":true", "\"item\":\"sto\""}).empty());
    }
}

TEST_F(SimComputer, LevelThreeBeatsLevelOneMostTimes) {
    int wins = 0;
    for (int i = 0; i < 6; ++i) {
        // Matches started at different moments, level 3 on either side.
        const bool left = i % 2 == 0;
        const SimRun run = Match(left ? "--computer left:3 --computer right:1"
                                      : "--computer left:1 --computer right:3",
                                 300 + 977 * i, 60000);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        if (Loser(run) == (left ? "right" : "left")) ++wins;
    }
    EXPECT_GE(wins, 5);
}

TEST_F(SimComputer, ABadValueIsRefusedBeforeAnythingRuns) {
    for (const char* bad : {"--computer middle", "--computer left:4",
                            "--computer right:", "--computer left --computer left:3"}) {
        const SimRun run = Match(bad, 300, 10);
        EXPECT_EQ(run.exitCode, 2) << bad;
        EXPECT_TRUE(run.lines.empty()) << bad;
        EXPECT_NE(run.err.find("--computer"), std::string::npos) << bad << ": " << run.err;
    }
}

} // namespace
