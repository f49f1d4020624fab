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

#include "app/Form1Shot.h"
#include "match/Unit1.h"
#include "platform/HeadlessToolkit.h"
#include "platform/Mixer.h"
#include "sprite/BackgroundSprite.h"
#include "sprite/ImageSprite.h"
#include "support/MatchData.h"

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

TEST(Form1Shot, PpmHeaderAndRgbByteOrder) {
    graphics::TDirectDrawSurface surface;
    EXPECT_TRUE(app::EncodePpm(surface).empty());
    ASSERT_TRUE(surface.SetSize(2, 2));
    surface.SetPixelValue(0, 0, 0x00112233);
    surface.SetPixelValue(1, 1, 0x00FF0080);
    const std::vector<uint8_t> ppm = app::EncodePpm(surface);
    const std::string header = "P6\n2 2\n255\n";
    ASSERT_EQ(ppm.size(), header.size() + 12);
    EXPECT_EQ(std::string(ppm.begin(), ppm.begin() + static_cast<long>(header.size())), header);
    const uint8_t* px = ppm.data() + header.size();
    EXPECT_EQ(px[0], 0x11); // red first
    EXPECT_EQ(px[1], 0x22);
    EXPECT_EQ(px[2], 0x33);
    EXPECT_EQ(px[9], 0xFF); // bottom-right pixel last
    EXPECT_EQ(px[10], 0x00);
    EXPECT_EQ(px[11], 0x80);
}

// The engine draws a tiled background and a craft onto the display; the shot file holds
// exactly what the pictures put there.
TEST_F(Form1Components, ShotHoldsTheSpritesTheEngineDrew) {
    if (!HavePictures()) GTEST_SKIP() << "no pics/game.dat in " << Data();
    const fs::path out = fs::temp_directory_path() / ("vl-form1-shot-" + std::to_string(getpid()));
    EXPECT_FALSE(app::WriteShot(form1->DXDraw1, out.string())); // before the first show
    EXPECT_FALSE(fs::exists(out));

    ASSERT_TRUE(CreateIn(Data()));
    ShowMenuThenForm1();
    graphics::TPictureCollection& pics = form1->DXImageList1.Items();
    const graphics::TPictureCollectionItem& bgPic = pics.Find("background1");
    const graphics::TPictureCollectionItem& tankPic = pics.Find("tanklevy");
    sprite::TSpriteEngine& engine = form1->DXSpriteEngine1.Engine();
    auto& bg = sprite::Create<sprite::TBackgroundSprite>(engine);
    bg.PictureItem = &bgPic;
    bg.ResizeMap(1, 1);
    bg.SetCell(0, 0, 0);
    bg.Tiled = true;
    bg.SetZ(-2);
    auto& tank = sprite::Create<sprite::TImageSprite>(engine);
    tank.PictureItem = &tankPic;
    tank.Width = tankPic.ImageWidth();
    tank.Height = tankPic.ImageHeight();
    tank.X = 31;
    tank.Y = 0;
    form1->DXDraw1.Surface().Fill(0);
    form1->DXSpriteEngine1.DrawAll();
    ASSERT_TRUE(app::WriteShot(form1->DXDraw1, out.string()));

    std::ifstream file(out, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    fs::remove(out);
    const std::string header = "P6\n536 348\n255\n";
    ASSERT_EQ(bytes.size(), header.size() + 536u * 348u * 3u);
    auto shot = [&](int x, int y) {
        const uint8_t* p = bytes.data() + header.size() + (static_cast<size_t>(y) * 536 + x) * 3;
        return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    };
    auto picture = [](const graphics::TPictureCollectionItem& item, int x, int y) {
        const graphics::TRect r = item.PatternRect(0);
        return item.PatternSurface(0)->Pixel(r.Left + x, r.Top + y) & 0x00FFFFFFu;
    };
    const int bw = bgPic.ImageWidth(), bh = bgPic.ImageHeight();
    ASSERT_GT(bw, 0);
    // Away from the craft: the background, repeated.
    for (const auto& [x, y] : {std::pair{300, 200}, std::pair{535, 347}, std::pair{0, 100}})
        EXPECT_EQ(shot(x, y), picture(bgPic, x % bw, y % bh)) << x << "," << y;
    // Over the craft: its opaque pixels, and the background through its key colour.
    const uint32_t key = tankPic.PatternSurface(0)->TransparentColor() & 0x00FFFFFFu;
    int opaque = 0, seeThrough = 0;
    for (int y = 0; y < tankPic.ImageHeight(); ++y)
        for (int x = 0; x < tankPic.ImageWidth(); ++x) {
            const uint32_t t = picture(tankPic, x, y);
            const uint32_t want = t == key ? picture(bgPic, (31 + x) % bw, y % bh) : t;
            (t == key ? seeThrough : opaque) += 1;
            ASSERT_EQ(shot(31 + x, y), want) << x << "," << y;
        }
    EXPECT_GT(opaque, 0);
    EXPECT_GT(seeThrough, 0);
}

} // namespace
} // namespace vl::match
