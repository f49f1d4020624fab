// SPDX-License-Identifier: GPL-3.0-or-later
// PictureCollectionTest: how items cut their pictures into patterns and tiles, drawing
// patterns with and without the colour key, Find and index access, and the image list's
// link to the display.
#include <gtest/gtest.h>

#include "graphics/DXDraws.h"

namespace vl::graphics {
namespace {

using platform::HeadlessPresenter;

// Pixel colour that tells where in the picture it came from: the pattern cell of
// `cell` x `cell` pixels, row and column packed into the colour.
uint32_t CellColour(int32_t x, int32_t y, int32_t cellW, int32_t cellH) {
    return (static_cast<uint32_t>(x / cellW) << 16) | (static_cast<uint32_t>(y / cellH) << 8) | 1;
}

TPicture Picture(int32_t w, int32_t h, int32_t cellW, int32_t cellH) {
    TDIB dib(w, h, 24);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) dib.SetPixel(x, y, CellColour(x, y, cellW, cellH));
    TPicture p;
    p.Assign(dib);
    return p;
}

// An initialised 536 x 348 display with an image list on it.
struct Fixture {
    HeadlessPresenter window{536, 348};
    TDXDraw draw;
    TDXImageList images;
    Fixture() {
        draw.SetPresenter(&window);
        draw.SetBounds(0, 0, 536, 348);
        images.SetDXDraw(&draw);
        draw.Initialize();
    }
    ~Fixture() { images.SetDXDraw(nullptr); }
    TPictureCollectionItem& Add(const std::string& name, const TPicture& pic, int32_t pw = 0,
                                int32_t ph = 0) {
        TPictureCollectionItem& item = images.Items().Add();
        item.SetName(name);
        item.SetPicture(pic);
        item.SetPatternWidth(pw);
        item.SetPatternHeight(ph);
        return item;
    }
    void Restore() {
        images.Items().Initialize(draw);
        images.Items().Restore();
    }
};

TEST(PicturePatterns, WholePictureAndEqualPatterns) {
    Fixture f;
    TPictureCollectionItem& whole = f.Add("whole", Picture(30, 10, 30, 10));
    TPictureCollectionItem& strip = f.Add("strip", Picture(100, 20, 20, 20), 20, 20);
    EXPECT_EQ(strip.PatternCount(), 0); // nothing before Restore
    f.Restore();
    EXPECT_EQ(whole.PatternCount(), 1);
    EXPECT_EQ(whole.PatternRect(0), (TRect{0, 0, 30, 10}));
    EXPECT_EQ(whole.ImageWidth(), 30);

    ASSERT_EQ(strip.PatternCount(), 5);
    EXPECT_EQ(strip.ImageWidth(), 20);
    EXPECT_EQ(strip.PatternRect(3), (TRect{60, 0, 80, 20}));
    EXPECT_EQ(strip.SurfaceCount(), 1u);
    EXPECT_EQ(strip.PatternRect(5), TRect{});
    EXPECT_EQ(strip.PatternRect(-1), TRect{});
    EXPECT_EQ(strip.PatternSurface(5), nullptr);

    TDirectDrawSurface& back = f.draw.Surface();
    strip.DrawPattern(back, 7, 9, 3);
    EXPECT_EQ(back.Pixel(7, 9), CellColour(60, 0, 20, 20));
    EXPECT_EQ(back.Pixel(26, 28), CellColour(79, 19, 20, 20));
    EXPECT_EQ(back.Pixel(27, 9), 0u);
    back.Fill(0);
    strip.DrawPattern(back, 0, 0, 5); // out of range: nothing
    strip.DrawPattern(back, 0, 0, -1);
    EXPECT_EQ(back.Pixel(0, 0), 0u);
}

TEST(PicturePatterns, SkipsAndOversizedPatterns) {
    Fixture f;
    TPictureCollectionItem& skip = f.Add("skip", Picture(108, 20, 22, 20), 20, 20);
    skip.SetSkipWidth(2);
    TPictureCollectionItem& big = f.Add("big", Picture(30, 10, 30, 10), 40, 10);
    TPictureCollectionItem& none = f.Add("nopicture", TPicture(), 12, 0);
    f.Restore();
    ASSERT_EQ(skip.PatternCount(), 5); // (108 + 2) / 22
    EXPECT_EQ(skip.PatternRect(4), (TRect{88, 0, 108, 20}));
    EXPECT_EQ(big.PatternCount(), 0);
    EXPECT_EQ(big.ImageWidth(), 40);
    EXPECT_EQ(none.PatternCount(), 0);
    EXPECT_EQ(none.ImageWidth(), 12);
    none.DrawPattern(f.draw.Surface(), 0, 0, 0);
}

TEST(PicturePatterns, WideStripsAreCutIntoTilesOfWholeCells) {
    Fixture f;
    // 30 cells of 40: tiles of 13 cells (520 px), then 520 and 160.
    TPictureCollectionItem& strip = f.Add("strip", Picture(1200, 16, 40, 16), 40, 16);
    // 6 x 11 cells of 100: tiles of 600 x 600, the last row 600 x 500.
    TPictureCollectionItem& grid = f.Add("grid", Picture(600, 1100, 100, 100), 100, 100);
    TPictureCollectionItem& sys = f.Add("sys", Picture(1200, 16, 40, 16), 40, 16);
    sys.SetSystemMemory(true);
    f.Restore();

    ASSERT_EQ(strip.SurfaceCount(), 3u);
    EXPECT_EQ(strip.Surfaces(0).Width(), 520);
    EXPECT_EQ(strip.Surfaces(2).Width(), 160);
    ASSERT_EQ(strip.PatternCount(), 30);
    EXPECT_EQ(strip.PatternSurface(12), &strip.Surfaces(0));
    EXPECT_EQ(strip.PatternRect(12), (TRect{480, 0, 520, 16}));
    EXPECT_EQ(strip.PatternSurface(13), &strip.Surfaces(1));
    EXPECT_EQ(strip.PatternRect(13), (TRect{0, 0, 40, 16}));
    EXPECT_EQ(strip.PatternSurface(29), &strip.Surfaces(2));
    EXPECT_EQ(strip.PatternRect(29), (TRect{120, 0, 160, 16}));

    ASSERT_EQ(grid.SurfaceCount(), 2u);
    EXPECT_EQ(grid.Surfaces(1).Height(), 500);
    ASSERT_EQ(grid.PatternCount(), 66);
    EXPECT_EQ(grid.PatternSurface(44), &grid.Surfaces(1)); // row 7, column 2
    EXPECT_EQ(grid.PatternRect(44), (TRect{200, 100, 300, 200}));

    EXPECT_EQ(sys.SurfaceCount(), 1u);
    EXPECT_EQ(sys.PatternRect(29), (TRect{1160, 0, 1200, 16}));

    // Every pattern draws its own cell, whichever tile holds it.
    TDirectDrawSurface& back = f.draw.Surface();
    for (TPictureCollectionItem* item : {&strip, &sys})
        for (int32_t i = 0; i < 30; ++i) {
            item->DrawPattern(back, 0, 0, i);
            ASSERT_EQ(back.Pixel(39, 15), CellColour(i * 40, 0, 40, 16)) << item->Name() << i;
        }
    grid.DrawPattern(back, 0, 0, 65);
    EXPECT_EQ(back.Pixel(50, 50), CellColour(550, 1050, 100, 100));
}

TEST(PicturePatterns, NegativeSkipsThatEmptyTheCellCutNothing) {
    Fixture f;
    TPictureCollectionItem& item = f.Add("odd", Picture(50, 50, 10, 10), 10, 10);
    item.SetSkipWidth(-10);
    item.SetSkipHeight(-30);
    f.Restore();
    EXPECT_EQ(item.PatternCount(), 0);
}

TEST(PictureDrawing, TheTransparentColourIsKeyedAndCanChange) {
    Fixture f;
    TDIB dib(2, 1, 24);
    dib.SetPixel(0, 0, 0xFF00FF); // magenta: clFuchsia
    dib.SetPixel(1, 0, 0x00FF00);
    TPicture pic;
    pic.Assign(dib);
    TPictureCollectionItem& item = f.Add("key", pic);
    item.SetTransparentColor(0xFF00FF);
    f.Restore();
    TDirectDrawSurface& back = f.draw.Surface();
    back.Fill(0xFFFFFF);
    item.DrawPattern(back, 0, 0, 0);
    EXPECT_EQ(back.Pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(back.Pixel(1, 0), 0x00FF00u);
    item.SetTransparentColor(0x00FF00); // green in 0x00BBGGRR, re-keys the surface
    EXPECT_EQ(item.PatternSurface(0)->TransparentColor(), 0x00FF00u);
    back.Fill(0xFFFFFF);
    item.DrawPattern(back, 0, 0, 0);
    EXPECT_EQ(back.Pixel(0, 0), 0xFF00FFu);
    EXPECT_EQ(back.Pixel(1, 0), 0xFFFFFFu);
    item.SetTransparent(false);
    item.DrawPattern(back, 0, 0, 0);
    EXPECT_EQ(back.Pixel(1, 0), 0x00FF00u);
}

TEST(PictureLookup, FindIgnoresCaseAndTheLastNamedWins) {
    TPictureCollection pics;
    pics.Add().SetName("tanklevy");
    pics.Add().SetName("Alarm");
    pics.Add().SetName("ALARM");
    EXPECT_EQ(pics.Find("TankLevy").Index(), 0);
    EXPECT_EQ(pics.Find("alarm").Index(), 2);
    EXPECT_EQ(&pics[1], &pics.Items(1));
    try {
        pics.Find("background9");
        FAIL();
    } catch (const EPictureCollectionError& e) {
        EXPECT_STREQ(e.what(), "Image 'background9' not found");
    }
    try {
        pics.Items(3);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (3)");
    }
    EXPECT_THROW(pics.Items(-1), Error);
}

TEST(ImageList, FollowsTheDisplaysLifecycle) {
    Fixture f;
    TPictureCollectionItem& item = f.Add("strip", Picture(100, 20, 20, 20), 20, 20);
    // Joining an initialised display replays 2 and 6: the items are cut at once.
    f.images.SetDXDraw(nullptr);
    EXPECT_FALSE(item.Initialized());
    f.images.SetDXDraw(&f.draw);
    EXPECT_TRUE(item.Initialized());
    EXPECT_EQ(item.PatternCount(), 5);

    // Lost surfaces: the display restores them and the items cut their pictures again.
    f.draw.Surface().SetLostForTesting(true);
    EXPECT_TRUE(f.draw.CanDraw());
    EXPECT_EQ(item.PatternCount(), 5);
    EXPECT_NE(item.PatternSurface(0), nullptr);

    f.draw.Finalize();
    EXPECT_FALSE(item.Initialized());
    EXPECT_EQ(item.PatternCount(), 0);
    EXPECT_EQ(f.images.Items().DXDraw(), nullptr);
    item.DrawPattern(f.draw.Surface(), 0, 0, 0); // no surfaces: nothing, no failure

    try {
        f.images.Items().Initialize(f.draw);
        FAIL();
    } catch (const EPictureCollectionError& e) {
        EXPECT_STREQ(e.what(), "TPictureCollection cannot be initialized");
    }
    f.draw.Initialize();
    EXPECT_EQ(item.PatternCount(), 5);
}

TEST(ImageList, ForgetsADisplayThatIsDestroyedFirst) {
    TDXImageList images;
    {
        HeadlessPresenter window(50, 50);
        TDXDraw draw;
        draw.SetPresenter(&window);
        images.SetDXDraw(&draw);
        draw.Initialize();
        EXPECT_EQ(images.Items().DXDraw(), &draw);
    }
    EXPECT_EQ(images.DXDraw(), nullptr);
    EXPECT_EQ(images.Items().DXDraw(), nullptr);
}

} // namespace
} // namespace vl::graphics
