// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the match window's components as its form data wires them: the display that
// initialises on the first show, the image list and sprite engine that follow it, the
// input that reads only while the window is in front, and the frame timer.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "match/Unit1.h"
#include "platform/HeadlessToolkit.h"
#include "platform/Mixer.h"
#include "sprite/BackgroundSprite.h"
#include "sprite/ImageSprite.h"
#include "support/match_data.h"

namespace vl::match {
namespace {

namespace fs = std::filesystem;

// The generated pictures beside a match bank of tones.
const fs::path& Data() {
    static const fs::path dir = vl::testing::WriteMatchData(fs::path(VL_BINARY_DIR) / "test-match" /
                                                            ("form1-" + std::to_string(getpid())));
    return dir;
}
bool HavePictures() {
    return fs::exists(Data() / "pics" / "game.dat");
}

class Form1Components : public ::testing::Test {
protected:
    void SetUp() override {
        form1 = std::make_unique<TForm1>(
            sound::WindowContext{toolkit, sound::SoundContext{&audio, &clock}, nullptr});
    }
    // Runs the creation handler in `dir`, as start-up does in the program's folder.
    bool CreateIn(const fs::path& dir) {
        const fs::path here = fs::current_path();
        fs::current_path(dir);
        const bool ok = toolkit.Invoke(form1->form.OnCreate);
        fs::current_path(here);
        return ok;
    }
    void ShowMenuThenForm1() {
        menu.Show();
        form1->form.Show();
    }

    platform::VirtualClock clock;
    platform::OfflineAudioBackend audio;
    platform::HeadlessToolkit toolkit{clock};
    // The main window comes first, as at start-up.
    platform::Form& menu = toolkit.CreateForm("mainmenuform", "Hlavní menu", 0, 0, 300, 200);
    std::unique_ptr<TForm1> form1;
};

TEST_F(Form1Components, FirstShowInitialisesTheDisplayAndWhatHangsOffIt) {
    if (!HavePictures()) GTEST_SKIP() << "no pics/game.dat in " << Data();
    ASSERT_TRUE(CreateIn(Data()));
    graphics::TDXDraw& draw = form1->DXDraw1;
    EXPECT_FALSE(draw.CanDraw());
    EXPECT_EQ(draw.GetSurfaceWidth(), 536);
    EXPECT_EQ(draw.GetSurfaceHeight(), 348);
    // Read, but no patterns until there is a display to make them on.
    graphics::TPictureCollectionItem& tank = form1->DXImageList1.Items().Find("tanklevy");
    EXPECT_EQ(tank.PatternCount(), 0);
    EXPECT_EQ(form1->DXSpriteEngine1.Engine().Target, nullptr);

    int surfaceInits = 0;
    draw.OnInitializeSurface = [&](graphics::TCustomDXDraw&) { ++surfaceInits; };
    ShowMenuThenForm1();
    ASSERT_TRUE(draw.CanDraw());
    EXPECT_EQ(draw.Surface().Width(), 536);
    EXPECT_EQ(draw.Surface().Height(), 348);
    EXPECT_EQ(surfaceInits, 1);
    EXPECT_EQ(form1->DXImageList1.Items().DXDraw(), &draw);
    EXPECT_TRUE(tank.Initialized());
    EXPECT_EQ(tank.ImageWidth(), 110);
    EXPECT_EQ(tank.ImageHeight(), 33);
    EXPECT_GT(tank.PatternCount(), 0);
    EXPECT_NE(tank.PatternSurface(0), nullptr);
    EXPECT_EQ(form1->DXSpriteEngine1.Engine().Target, &draw.Surface());
    EXPECT_EQ(form1->DXSpriteEngine1.Engine().Width, 536);

    // Hidden and shown again, activated back and forth: the same surfaces stay, with
    // what was drawn on them.
    draw.Surface().SetPixelValue(5, 7, 0x00ABCDEF);
    form1->form.Hide();
    EXPECT_TRUE(draw.Initialized());
    form1->form.Show();
    menu.Show();
    form1->form.Show();
    EXPECT_EQ(surfaceInits, 1);
    EXPECT_TRUE(draw.CanDraw());
    EXPECT_EQ(draw.Surface().Pixel(5, 7), 0x00ABCDEFu);
    EXPECT_GT(tank.PatternCount(), 0);
}

TEST_F(Form1Components, MissingPictureFileIsReportedAndTheWindowStillWorks) {
    const fs::path empty =
        fs::temp_directory_path() / ("vl-form1-empty-" + std::to_string(getpid()));
    fs::create_directories(empty);
    EXPECT_FALSE(CreateIn(empty));
    fs::remove_all(empty);
    ASSERT_EQ(toolkit.MessageBoxes().size(), 1u);
    EXPECT_EQ(toolkit.MessageBoxes()[0].caption, "Vlnedla");
    EXPECT_EQ(toolkit.MessageBoxes()[0].text.rfind("Cannot open file \"", 0), 0u)
        << toolkit.MessageBoxes()[0].text;
    EXPECT_EQ(form1->DXImageList1.Items().Count(), 0);
    ShowMenuThenForm1();
    EXPECT_TRUE(form1->DXDraw1.CanDraw());
}

TEST_F(Form1Components, InputSeesTheMatchKeysOnlyWhileTheWindowIsInFront) {
    ShowMenuThenForm1();
    input::TDXInput& in = form1->DXInput1;
    toolkit.UserKeyDown(0x26); // Up arrow: the right craft climbs
    toolkit.UserKeyDown(0x20); // Space: the left craft's gun
    in.PollInput();
    EXPECT_TRUE(in.ActiveStates().Contains(input::InputUp));
    EXPECT_TRUE(in.ActiveStates().Contains(18));
    EXPECT_FALSE(in.ActiveStates().Contains(input::InputDown));

    menu.Show(); // another of our windows in front
    in.PollInput();
    EXPECT_TRUE(in.ActiveStates().Empty());

    form1->form.Show(); // back in front: the devices are taken again
    in.PollInput();
    EXPECT_TRUE(in.ActiveStates().Contains(input::InputUp));
    toolkit.UserKeyUp(0x26);
    in.PollInput();
    EXPECT_FALSE(in.ActiveStates().Contains(input::InputUp));
}

TEST_F(Form1Components, FrameTimerIsStoredOffAndTicksEveryTenMsOnlyWhileActive) {
    input::TDXTimer& timer = form1->DXTimer1;
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 10);
    EXPECT_TRUE(timer.ActiveOnly());
    ShowMenuThenForm1();

    std::vector<uint64_t> ticks;
    const auto frame = timer.OnTimer;
    timer.OnTimer = [&](input::TCustomDXTimer& sender, int32_t lag) {
        ticks.push_back(clock.ElapsedMs());
        frame(sender, lag);
    };
    toolkit.RunUntil(50);
    EXPECT_TRUE(ticks.empty()); // not enabled yet
    timer.SetEnabled(true);
    toolkit.RunUntil(150);
    ASSERT_GE(ticks.size(), 9u);
    EXPECT_LE(ticks.size(), 10u);
    for (size_t i = 1; i < ticks.size(); ++i) EXPECT_GE(ticks[i] - ticks[i - 1], 10u);

    const size_t before = ticks.size();
    toolkit.UserSetForeground(false);
    toolkit.RunUntil(400);
    EXPECT_EQ(ticks.size(), before);
    toolkit.UserSetForeground(true);
    toolkit.RunUntil(450);
    EXPECT_GT(ticks.size(), before);
    EXPECT_LE(ticks.size(), before + 5);
}

} // namespace
} // namespace vl::match
