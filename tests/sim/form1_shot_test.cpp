// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's picture of the match window: the PPM encoding, and a shot that holds
// exactly what the sprite engine drew.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "Form1Shot.h"
#include "sprite/BackgroundSprite.h"
#include "sprite/ImageSprite.h"
#include "support/match_data.h"
#include "support/match_rig.h"

namespace vl::sim {
namespace {

namespace fs = std::filesystem;

TEST(Form1Shot, PpmHeaderAndRgbByteOrder) {
    graphics::TDirectDrawSurface surface;
    EXPECT_TRUE(EncodePpm(surface).empty());
    ASSERT_TRUE(surface.SetSize(2, 2));
    surface.SetPixelValue(0, 0, 0x00112233);
    surface.SetPixelValue(1, 1, 0x00FF0080);
    const std::vector<uint8_t> ppm = EncodePpm(surface);
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
TEST(Form1Shot, ShotHoldsTheSpritesTheEngineDrew) {
    const fs::path data = vl::testing::WriteMatchData(fs::path(VL_BINARY_DIR) / "test-sim" /
                                                      ("shot-" + std::to_string(getpid())));
    if (!fs::exists(data / "pics" / "game.dat")) GTEST_SKIP() << "no generated pictures";
    vl::testing::MatchRig rig(data);
    match::TForm1* form1 = rig.form1.get();
    const fs::path out = fs::temp_directory_path() / ("vl-form1-shot-" + std::to_string(getpid()));
    EXPECT_FALSE(WriteShot(form1->DXDraw1, out.string())); // before the first show
    EXPECT_FALSE(fs::exists(out));

    form1->form.Show();
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
    ASSERT_TRUE(WriteShot(form1->DXDraw1, out.string()));

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
} // namespace vl::sim
