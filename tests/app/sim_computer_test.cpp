// SPDX-License-Identifier: GPL-3.0-or-later
// The computer opponent through the simulator: how soon each level beats a player who does
// nothing, each level against the one below, the practice target, the computer against
// itself (ends, repeats exactly, never closes the window), and a bad --computer value.
#include <gtest/gtest.h>

#include <unistd.h>

#include <set>
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
    // "Start hry" after `waitMs`, then the match until it ends (`matchMs` at most) and a dump.
    static SimRun Match(const std::string& computer, int waitMs, int matchMs) {
        return Sim(Work(), kData,
                   "wait " + std::to_string(waitMs) + "\npress ENTER\nawait Form1\nawait end " +
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

// Each level against a player who does nothing, the computer on alternate sides: no sooner
// than its floor (a beginner has time to learn), and within a bound.
TEST_F(SimComputer, EachLevelDestroysAPlayerWhoDoesNothingWithinItsLimits) {
    const struct {
        int level;
        uint64_t atLeastMs, withinMs;
    } cases[] = {
        {1, 90000, 300000}, {2, 40000, 150000}, {3, 15000, 60000}, {4, 0, 30000}, {5, 0, 30000}};
    for (const auto& c : cases) {
        const bool left = c.level % 2 == 0;
        const std::string option =
            "--computer " + std::string(left ? "left:" : "right:") + std::to_string(c.level);
        const SimRun run = Match(option, left ? 1277 : 300, static_cast<int>(c.withinMs));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        uint64_t at = 0;
        EXPECT_EQ(Loser(run, &at), left ? "right" : "left") << option;
        EXPECT_GE(at - StartOf(run), c.atLeastMs) << option;
        EXPECT_LE(at - StartOf(run), c.withinMs) << option;
    }
    const SimRun dump = Match("--computer right", 300, 10);
    EXPECT_FALSE(Lines(dump, {"\"computer\":{\"left\":null,\"right\":3}"}).empty());
}

// Each level beats the one below in at least 5 of 6 matches started at different moments,
// on alternating sides.
class SimComputerLadder : public SimComputer, public ::testing::WithParamInterface<int> {};
INSTANTIATE_TEST_SUITE_P(Levels, SimComputerLadder, ::testing::Values(2, 3, 4, 5));

TEST_P(SimComputerLadder, ALevelBeatsTheOneBelow) {
    const std::string upper = std::to_string(GetParam()), lower = std::to_string(GetParam() - 1);
    int wins = 0;
    for (int i = 0; i < 6; ++i) {
        const bool left = i % 2 == 0;
        const SimRun run = Match(left ? "--computer left:" + upper + " --computer right:" + lower
                                      : "--computer left:" + lower + " --computer right:" + upper,
                                 300 + 977 * i, 300000);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        if (Loser(run) == (left ? "right" : "left")) ++wins;
    }
    EXPECT_GE(wins, 5);
}

// The practice target flies up and down and never fires, for half a minute.
TEST_F(SimComputer, ThePracticeTargetMovesAndNeverFires) {
    const SimRun run = Match("--computer right:0", 300, 30000);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* weapon : {"gun", "missile", "machgun", "magnet"})
        EXPECT_TRUE(
            Lines(run, {"\"item\":\"" + std::string(weapon) + "\"", "\"pan\":10000"}).empty())
            << weapon;
    std::set<std::string> heights;
    for (const std::string& l : Lines(run, {"\"ev\":\"set\"", "\"item\":\"navig2\"", "\"freq\":"}))
        heights.insert(l.substr(l.find("\"freq\"")));
    EXPECT_GE(heights.size(), 200U); // the whole field, up and down
    EXPECT_EQ(Loser(run), "");
}

TEST_F(SimComputer, AgainstItselfItEndsAMatchRepeatsItExactlyAndLeavesTheWindowOpen) {
    const std::string both = "--computer left:3 --computer right:3";
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

TEST_F(SimComputer, ABadValueIsRefusedBeforeAnythingRuns) {
    for (const char* bad : {"--computer middle", "--computer left:6", "--computer right:",
                            "--computer right:-1", "--computer left --computer left:3"}) {
        const SimRun run = Match(bad, 300, 10);
        EXPECT_EQ(run.exitCode, 2) << bad;
        EXPECT_TRUE(run.lines.empty()) << bad;
        EXPECT_NE(run.err.find("--computer"), std::string::npos) << bad << ": " << run.err;
    }
}

} // namespace
