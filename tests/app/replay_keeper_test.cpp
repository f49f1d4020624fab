// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of keeping the matches: every match into the user's replays folder, the newest
// hundred kept; --record's file for the next match only; "record = false" keeps none; a
// folder that cannot be written costs one line on standard error.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/ReplayKeeper.h"
#include "support/match_data.h"
#include "support/match_rig.h"

namespace vl::app {
namespace {

namespace fs = std::filesystem;

class ReplayKeeperTest : public ::testing::Test {
protected:
    void SetUp() override {
        work_ = fs::temp_directory_path() / ("vl-keeper-" + std::to_string(getpid()));
        fs::remove_all(work_);
        data_ = testing::WriteMatchData(work_ / "data");
        setenv("XDG_DATA_HOME", (work_ / "share").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("XDG_DATA_HOME");
        fs::remove_all(work_);
    }
    // A match of `frames` frames, the left craft climbing, then its window closed.
    void Play(ReplayKeeper& keeper, testing::MatchRig& rig, int frames) {
        keeper.Attach(*rig.form1);
        rig.Start();
        rig.toolkit.UserKeyDown(0x45);
        for (int i = 0; i < frames; ++i) rig.Frame();
        rig.toolkit.UserKeyUp(0x45);
        rig.form1->FormClose();
    }
    std::vector<fs::path> Kept() const {
        std::vector<fs::path> out;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(work_ / "share" / "vlnedla" / "replays", ec))
            out.push_back(e.path());
        std::sort(out.begin(), out.end());
        return out;
    }
    static match::Replay Read(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return match::DecodeReplay(std::vector<uint8_t>{std::istreambuf_iterator<char>(in), {}});
    }
    fs::path work_, data_;
};

TEST_F(ReplayKeeperTest, EveryMatchGoesToTheUsersFolderAndTheNewestHundredStay) {
    fs::create_directories(work_ / "share" / "vlnedla" / "replays");
    for (int i = 0; i < 100; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "2000-01-01_00-%02d-00_keyboard.vlr", i);
        std::ofstream(work_ / "share" / "vlnedla" / "replays" / name) << "old";
    }
    testing::MatchRig rig(data_);
    ReplayKeeper keeper(PlayOptions{}, false);
    Play(keeper, rig, 30);
    const std::vector<fs::path> kept = Kept();
    ASSERT_EQ(kept.size(), kReplaysKept);
    EXPECT_EQ(kept.front().filename(), "2000-01-01_00-01-00_keyboard.vlr"); // the oldest went
    ASSERT_EQ(keeper.Written().size(), 1U);
    EXPECT_EQ(kept.back(), keeper.Written()[0]);
    EXPECT_TRUE(kept.back().filename().string().ends_with("_keyboard.vlr"));
    const match::Replay r = Read(kept.back());
    EXPECT_EQ(r.mode, match::ReplayMode::Keyboard);
    ASSERT_EQ(r.frames.size(), 30U);
    EXPECT_TRUE(r.frames[10].Has(input::Side::Left, input::Action::Climb));
}

TEST_F(ReplayKeeperTest, RecordGoesToItsFileOnceAndRecordFalseKeepsNothingElse) {
    testing::MatchRig rig(data_);
    PlayOptions play;
    play.recordFile = work_ / "mine.vlr";
    ReplayKeeper keeper(play, true);
    Play(keeper, rig, 5);
    Play(keeper, rig, 5);
    EXPECT_EQ(Read(work_ / "mine.vlr").frames.size(), 5U);
    EXPECT_EQ(keeper.Written().size(), 1U);
    EXPECT_TRUE(Kept().empty());
}

TEST_F(ReplayKeeperTest, AFolderThatCannotBeWrittenCostsOneLine) {
    fs::create_directories(work_);
    std::ofstream(work_ / "share") << "a file where the folder should be";
    testing::MatchRig rig(data_);
    ReplayKeeper keeper(PlayOptions{}, false);
    ::testing::internal::CaptureStderr();
    Play(keeper, rig, 5);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(err.starts_with("vlnedla: the replay was not kept: cannot write ")) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    EXPECT_TRUE(keeper.Written().empty());
}

} // namespace
} // namespace vl::app
