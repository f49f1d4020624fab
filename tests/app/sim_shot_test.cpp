// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end tests of the simulator's `shot` command: the match window's back surface
// written as a PPM once "Start hry" has shown the window, and nothing before that.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSim = fs::path(VL_BINARY_DIR) / "bin" / "vlnedla-sim";
const fs::path kData = fs::path(VL_DATA_DIR);
const fs::path kWork =
    fs::path(VL_BINARY_DIR) / "test-app-shot" / std::to_string(static_cast<long>(getpid()));

struct SimRun {
    int exitCode = -1;
    std::string out, err;
};

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the simulator from kWork (so relative shot files land there) on the data folder.
SimRun Sim(const std::string& script) {
    fs::create_directories(kWork);
    std::ofstream(kWork / "script.txt") << script;
    const std::string cmd = "cd '" + kWork.string() + "' && '" + kSim.string() + "' --data '" +
                            kData.string() + "' script.txt >out.txt 2>err.txt";
    const int rc = std::system(cmd.c_str());
    SimRun run;
    run.exitCode = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    run.out = Slurp(kWork / "out.txt");
    run.err = Slurp(kWork / "err.txt");
    return run;
}

class SimShot : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kData / "snd" / "menu.dat") || !fs::exists(kData / "pics" / "game.dat"))
            GTEST_SKIP() << "no generated data in " << kData;
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(kWork, ec);
    }
};

// The greeting blocks the menu at start; keys wait in the queue until it has ended, so a
// long wait before Enter is only for a clear picture of the order.
TEST_F(SimShot, StartHryShowsTheMatchWindowWhoseSurfaceTheShotWrites) {
    const SimRun run = Sim("shot early.ppm\nwait 20000\npress ENTER\nwait 200\ndump\n"
                           "shot out.ppm # after the first show\nwait 10\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(R"("Form1":{"visible":true})"), std::string::npos) << run.out;
    EXPECT_FALSE(fs::exists(kWork / "early.ppm")); // no display yet: nothing written
    const std::string ppm = Slurp(kWork / "out.ppm");
    const std::string header = "P6\n536 348\n255\n";
    ASSERT_EQ(ppm.substr(0, header.size()), header);
    EXPECT_EQ(ppm.size(), header.size() + 536u * 348u * 3u);
    EXPECT_EQ(run.out.find("shot"), std::string::npos); // the trace is left alone
}

TEST_F(SimShot, UnwritableShotFileFailsTheRunAtItsEndAndBadArgumentsAreRefused) {
    const SimRun bad = Sim("shot\n");
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("line 1: shot needs a file name"), std::string::npos) << bad.err;

    const SimRun run = Sim("press ENTER\nwait 20000\nshot /nonexistent-vl-dir/x.ppm\n"
                           "wait 10\ndump\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("Cannot write shot /nonexistent-vl-dir/x.ppm"), std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("\"ev\":\"dump\""), std::string::npos); // the run went on
}

} // namespace
