// SPDX-License-Identifier: GPL-3.0-or-later
// A match at one keyboard is a pure function of its seed and each frame's input: played in
// the match window with keys, recorded, then played again through the match's driver
// alone (no window, no keyboard), every frame's dump is the same.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "MatchState.h"
#include "graphics/DXDraws.h"
#include "match/MatchDriver.h"
#include "match/Replay.h"
#include "match/StateText.h"
#include "platform/Presenter.h"
#include "sound/DXSounds.h"
#include "support/match_rig.h"

namespace vl {
namespace {

namespace fs = std::filesystem;

// Every match of a run: its seed, each frame's input and the dump after each frame.
class Recorder final : public match::IMatchRecorder {
public:
    struct Recorded {
        uint32_t seed = 0;
        std::vector<input::FrameInput> inputs;
        std::vector<std::string> dumps;
        uint64_t finalState = 0;
    };
    explicit Recorder(const match::MatchDriver& driver) : driver_(driver) {}
    void MatchStarted(uint32_t seed) override { matches.push_back({seed, {}, {}}); }
    void FrameTaken(const input::FrameInput& in) override { matches.back().inputs.push_back(in); }
    void FrameDone(const match::Match& match) override {
        matches.back().dumps.push_back(sim::MatchJson(driver_, driver_.MatchFrames(), true, 10));
        matches.back().finalState = match::HashOf(match::StateText(match));
    }
    std::vector<Recorded> matches;

private:
    const match::MatchDriver& driver_;
};

class Owner final : public sound::SoundOwnerWindow {
public:
    uint64_t NativeHandle() const override { return 1; }
    void AddHandleHook(const void*, std::function<void(uint64_t)>) override {}
    void RemoveHandleHook(const void*) override {}
};

TEST(DriverReplay, KeyboardMatchesPlayAgainFromTheirSeedsAndInputsAlone) {
    const fs::path data = VL_DATA_DIR;
    if (!fs::exists(data / "pics" / "game.dat")) GTEST_SKIP() << "no generated data";

    // Played: two players at random on the window's keyboard, match after match.
    testing::MatchRig rig(data);
    Recorder recorder(rig.form1->driver);
    rig.form1->driver.SetRecorder(&recorder);
    rig.clock.AdvanceTo(4321);
    testing::Soak(rig, 11, 120000, [](int) {});
    rig.form1->driver.SetRecorder(nullptr);
    ASSERT_FALSE(recorder.matches.empty());

    // Again, on the driver alone: the same data, a clock of its own.
    platform::VirtualClock clock;
    platform::OfflineAudioBackend audio;
    clock.AddAdvanceListener([&audio](uint64_t now) { audio.RenderUntilMs(now); });
    Owner owner;
    sound::TDXSound device{sound::SoundContext{&audio, &clock}, &owner};
    device.Loaded();
    sound::TDXWaveList bank{"DXWaveList1"};
    bank.SetDXSound(&device);
    bank.Items().LoadFromFile((data / "snd" / "game.dat").string());
    // Pictures on surfaces of a display without a window, as the match window's are once
    // shown: a craft is hit pixel by pixel, not by its rectangle.
    platform::HeadlessPresenter presenter{536, 348};
    graphics::TDXDraw display;
    display.SetPresenter(&presenter);
    display.SetBounds(0, 0, 536, 348);
    graphics::TDXImageList images;
    images.SetDXDraw(&display);
    images.Items().LoadFromFile((data / "pics" / "game.dat").string());
    display.Initialize();
    sprite::TSpriteEngine engine;
    match::MatchDriver driver(
        match::DriverParts{engine, images.Items(), bank.Items(), [] { return 348; }});
    match::FrameView view;
    size_t frames = 0;
    for (const Recorder::Recorded& m : recorder.matches) {
        // Through the replay file's bytes: what is kept is what plays again.
        match::Replay kept;
        kept.programVersion = "test";
        kept.seed = m.seed;
        kept.frames = m.inputs;
        kept.finalState = m.finalState;
        const match::Replay replay = match::DecodeReplay(match::EncodeReplay(kept));
        ASSERT_EQ(replay, kept);
        driver.Game().Close();
        driver.Start(replay.seed);
        ASSERT_EQ(replay.frames.size(), m.dumps.size());
        for (size_t i = 0; i < replay.frames.size(); ++i) {
            ASSERT_TRUE(driver.Step(replay.frames[i], view));
            ASSERT_EQ(sim::MatchJson(driver, driver.MatchFrames(), true, 10), m.dumps[i])
                << "seed " << m.seed << ", frame " << i + 1;
            clock.SleepMs(10);
        }
        EXPECT_EQ(match::HashOf(match::StateText(driver.Game())), replay.finalState);
        frames += m.inputs.size();
    }
    images.SetDXDraw(nullptr);
    EXPECT_GT(frames, 3000U); // minutes of play, not a few frames
}

} // namespace
} // namespace vl
