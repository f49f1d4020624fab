// SPDX-License-Identifier: GPL-3.0-or-later
// SurfaceTest: block copies (clipping on both sides, mirroring, the colour key, copies
// within one surface), the row loops' two forms, fills, locks, ColorMatch and the text
// canvas of drawing surfaces.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/DIB.h"
#include "graphics/DirectDrawSurface.h"
#include "graphics/FontCache.h"
#include "graphics/PixelLoops.h"

namespace vl::graphics {
namespace {

uint32_t Code(int32_t x, int32_t y) {
    return (static_cast<uint32_t>(x) << 16) | (static_cast<uint32_t>(y) << 8) | 1;
}

// A w x h surface whose pixel (x, y) is 0x00xxyy00 + 1 (distinct and never 0).
void Numbered(TDirectDrawSurface& s, int32_t w, int32_t h) {
    ASSERT_TRUE(s.SetSize(w, h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) s.SetPixelValue(x, y, Code(x, y));
}

TEST(SurfaceDraw, ClipsTheSourceWithTheDestination) {
    TDirectDrawSurface src, dst;
    Numbered(src, 32, 8);
    ASSERT_TRUE(dst.SetSize(40, 10));
    dst.Draw(-10, 0, &src, false); // drawn from the source's column 10 on
    for (int32_t x = 0; x < 22; ++x) EXPECT_EQ(dst.Pixel(x, 3), Code(x + 10, 3)) << x;
    EXPECT_EQ(dst.Pixel(22, 3), 0u);

    dst.Fill(0);
    dst.Draw(30, 5, &src, false); // cut on the right and at the bottom
    EXPECT_EQ(dst.Pixel(39, 9), Code(9, 4));
    EXPECT_EQ(dst.Pixel(29, 5), 0u);

    dst.Fill(0);
    dst.Draw(41, 0, &src, false); // beyond the width: nothing
    dst.Draw(0, 11, &src, false);
    dst.Draw(0, 0, TRect{-5, -5, -1, -1}, &src, false); // source rectangle outside
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 40; ++x) ASSERT_EQ(dst.Pixel(x, y), 0u);

    dst.Draw(0, 0, TRect{-4, 2, 3, 4}, &src, false); // source cut applied to destination
    EXPECT_EQ(dst.Pixel(4, 0), Code(0, 2));
    EXPECT_EQ(dst.Pixel(3, 0), 0u);
    EXPECT_EQ(dst.Pixel(6, 1), Code(2, 3));
}

TEST(SurfaceDraw, ReversedSourceRectanglesMirror) {
    TDirectDrawSurface src, dst;
    Numbered(src, 4, 3);
    ASSERT_TRUE(dst.SetSize(10, 10));
    dst.Draw(0, 0, TRect{4, 0, 0, 3}, &src, false); // right to left
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(dst.Pixel(x, y), Code(3 - x, y));
    dst.Fill(0);
    dst.Draw(0, 0, TRect{0, 3, 4, 0}, &src, false); // bottom to top
    EXPECT_EQ(dst.Pixel(1, 0), Code(1, 2));
    // Mirrored and clipped: the left cut of the destination removes the source's
    // right-most columns, which a mirror puts on the left.
    dst.Fill(0);
    dst.Draw(-1, 0, TRect{4, 0, 0, 3}, &src, false);
    EXPECT_EQ(dst.Pixel(0, 0), Code(2, 0));
    EXPECT_EQ(dst.Pixel(2, 0), Code(0, 0));
    EXPECT_EQ(dst.Pixel(3, 0), 0u);
}

TEST(SurfaceDraw, TransparentCopiesSkipTheColourKeyMirroredToo) {
    TDirectDrawSurface src, dst;
    ASSERT_TRUE(src.SetSize(3, 1));
    src.SetPixelValue(0, 0, 0xFF00FF);
    src.SetPixelValue(1, 0, 0x123456);
    src.SetPixelValue(2, 0, 0xFF00FF);
    src.SetTransparentColor(0xFF00FF);
    ASSERT_TRUE(dst.SetSize(3, 1));
    dst.Fill(0x777777);
    dst.Draw(0, 0, &src, true);
    EXPECT_EQ(dst.Pixel(0, 0), 0x777777u);
    EXPECT_EQ(dst.Pixel(1, 0), 0x123456u);
    dst.Fill(0x777777);
    dst.Draw(0, 0, TRect{3, 0, 0, 1}, &src, true);
    EXPECT_EQ(dst.Pixel(2, 0), 0x777777u);
    EXPECT_EQ(dst.Pixel(1, 0), 0x123456u);
    dst.Draw(0, 0, &src, false); // without the flag the key is drawn
    EXPECT_EQ(dst.Pixel(0, 0), 0xFF00FFu);
}

// A clip cuts a copy as the surface's own edges do: the same pixels of a whole copy
// inside it, nothing outside, mirrored too.
TEST(SurfaceDraw, AClipKeepsAWholeCopysPixelsInsideItOnly) {
    TDirectDrawSurface src, whole, clipped;
    Numbered(src, 8, 6);
    for (const TRect from : {TRect{0, 0, 8, 6}, TRect{8, 6, 0, 0}}) {
        ASSERT_TRUE(whole.SetSize(12, 10));
        ASSERT_TRUE(clipped.SetSize(12, 10));
        const TRect clip{3, 2, 7, 20};
        whole.Draw(1, 1, from, &src, false);
        clipped.Draw(1, 1, from, &src, false, clip);
        for (int32_t y = 0; y < 10; ++y)
            for (int32_t x = 0; x < 12; ++x) {
                const bool in = x >= 3 && x < 7 && y >= 2;
                ASSERT_EQ(clipped.Pixel(x, y), in ? whole.Pixel(x, y) : 0u) << x << ", " << y;
            }
    }
}

// Each reader's record holds what was written since it cleared it: clipped to the
// surface, nothing held twice, the whole surface past its limit or for new pixels.
TEST(SurfaceDamage, RecordsWhatWasWrittenForEachReader) {
    TDirectDrawSurface s, src;
    Numbered(src, 4, 4);
    ASSERT_TRUE(s.SetSize(50, 40));
    EXPECT_TRUE(s.Damage(TDamageReader::Present).whole);
    s.ClearDamage(TDamageReader::Present);
    s.ClearDamage(TDamageReader::Background);
    s.Draw(-2, 38, &src, true);
    s.FillRect(TRect{10, 10, 20, 20}, 1);
    s.SetPixelValue(12, 12, 2); // held already
    const std::vector<TRect> twoWrites{{0, 38, 2, 40}, {10, 10, 20, 20}};
    EXPECT_EQ(s.Damage(TDamageReader::Present).rects, twoWrites);
    s.ClearDamage(TDamageReader::Present);
    EXPECT_TRUE(s.Damage(TDamageReader::Present).rects.empty());
    EXPECT_EQ(s.Damage(TDamageReader::Background).rects, twoWrites);
    for (int32_t i = 0; i <= static_cast<int32_t>(TDamage::kMaxRects); ++i)
        s.SetPixelValue(i % 50, i / 50, 3);
    EXPECT_TRUE(s.Damage(TDamageReader::Present).whole);
    EXPECT_TRUE(s.Damage(TDamageReader::Present).rects.empty());
    s.ClearDamage(TDamageReader::Present);
    ASSERT_TRUE(s.Restore());
    EXPECT_TRUE(s.Damage(TDamageReader::Present).whole);
}

TEST(PixelLoops, VectorAndPlainGiveTheSamePixels) {
    if (&BestPixelLoops() == &PlainPixelLoops())
        GTEST_SKIP() << "no vector loops on this processor";
    const PixelLoops& loops = BestPixelLoops();
    const uint32_t key = 0x00FF00;
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    // Rows of every length around the vector width, at every start within a vector, with
    // runs of all, some and no key pixels (the key with other top bytes too).
    for (int32_t n = 0; n <= 19; ++n) {
        for (int32_t at = 0; at < 4; ++at) {
            std::vector<uint32_t> src(32), plain(32), vector(32);
            for (auto& p : src) {
                const uint32_t r = next();
                p = (r >> 28) < 7 ? (key | (r & 0xFF000000)) : r;
            }
            for (size_t i = 0; i < plain.size(); ++i) plain[i] = vector[i] = next();
            PlainPixelLoops().keyCopy(plain.data() + at, src.data() + 3, n, key);
            loops.keyCopy(vector.data() + at, src.data() + 3, n, key);
            ASSERT_EQ(plain, vector) << "copy of " << n << " at " << at;
            PlainPixelLoops().fill(plain.data() + at, n, 0x89ABCDEF);
            loops.fill(vector.data() + at, n, 0x89ABCDEF);
            ASSERT_EQ(plain, vector) << "fill of " << n << " at " << at;
        }
    }
}

TEST(SurfaceDraw, CopiesWithinOneSurfaceUseTheOldPixels) {
    TDirectDrawSurface s;
    Numbered(s, 8, 1);
    s.Draw(1, 0, TRect{0, 0, 7, 1}, &s, false);
    for (int32_t x = 1; x < 8; ++x) EXPECT_EQ(s.Pixel(x, 0), Code(x - 1, 0));
}

TEST(SurfaceDraw, NothingHappensWithoutPixels) {
    TDirectDrawSurface none, real;
    Numbered(real, 2, 2);
    none.Fill(5);
    none.Draw(0, 0, &real, false);
    real.Draw(0, 0, &none, false);
    real.Draw(0, 0, nullptr, false);
    none.Canvas().TextOut(0, 0, "nic");
    none.Canvas().SetPixel(0, 0, clRed);
    EXPECT_EQ(none.Width(), 0);
    EXPECT_EQ(none.ColorMatch(clRed), 0u);
    TSurfaceLock lock;
    EXPECT_FALSE(none.Lock(lock));
    EXPECT_EQ(real.Pixel(1, 1), Code(1, 1));
}

TEST(SurfacePixels, LockGivesDepthPitchAndTheRectanglesFirstPixel) {
    TDirectDrawSurface s;
    Numbered(s, 5, 4);
    TSurfaceLock lock;
    ASSERT_TRUE(s.Lock(TRect{1, 2, 4, 4}, lock));
    EXPECT_EQ(lock.BitCount, 32);
    EXPECT_GE(lock.Pitch, 20);
    const auto* row1 = reinterpret_cast<const uint32_t*>(lock.Bits + lock.Pitch);
    EXPECT_EQ(row1[2], Code(3, 3));
    s.Unlock();
    EXPECT_FALSE(s.Lock(TRect{0, 0, 6, 1}, lock)); // outside
    s.SetLostForTesting(true);
    EXPECT_FALSE(s.Lock(lock));
}

TEST(SurfacePixels, ColorMatchGivesThePixelValueAndLeavesThePixel) {
    TDirectDrawSurface s;
    ASSERT_TRUE(s.SetSize(2, 2));
    s.SetPixelValue(0, 0, 0xABCDEF);
    EXPECT_EQ(s.ColorMatch(0x0000FF), 0xFF0000u); // red: 0x00BBGGRR -> 0x00RRGGBB
    EXPECT_EQ(s.ColorMatch(0x123456), 0x563412u);
    EXPECT_EQ(s.ColorMatch(clBtnFace), 0xD4D0C8u); // the classic grey
    EXPECT_EQ(s.Pixel(0, 0), 0xABCDEFu);
    EXPECT_EQ(ColorToRGB(clNone), 0xFFFFFFu);
    EXPECT_EQ(ColorToRGB(0xFF0000FF), 0u); // no such system colour
}

TEST(SurfaceCanvas, TextDrawsInTheFontColourWithAClearBrush) {
    TDirectDrawSurface s;
    ASSERT_TRUE(s.SetSize(120, 30));
    s.Fill(0xFFFFFF);
    if (!s.Fonts().Font(12)) GTEST_SKIP() << "no sans-serif font on this machine";
    TDirectDrawSurfaceCanvas& c = s.Canvas();
    c.Brush.Style = TBrushStyle::bsClear;
    c.Font.Size = 12;
    c.Font.Color = 0x0000FF;
    c.TextOut(2, 2, "Žluťoučký 42");
    c.Release();
    int red = 0, other = 0;
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 120; ++x) {
            const uint32_t p = s.Pixel(x, y) & 0xFFFFFF;
            if (p == 0xFF0000)
                ++red;
            else if (p != 0xFFFFFF && (p & 0xFF) != (p >> 8 & 0xFF))
                ++other;
        }
    EXPECT_GT(red, 20);
    EXPECT_EQ(s.Pixel(119, 29), 0xFFFFFFu); // the box stays clear
    // 12 pt at 96 dpi is 16 px: the line is about that tall.
    int32_t w = 0, h = 0;
    c.TextExtent("Ž", w, h);
    EXPECT_GE(h, 16);
    EXPECT_LE(h, 22);

    s.SetLostForTesting(true);
    try {
        c.TextOut(0, 0, "x");
        FAIL() << "drawing on a lost surface";
    } catch (const ECanvasError& e) {
        EXPECT_STREQ(e.what(), "Canvas does not allow drawing");
    }
}

// A counter drawn every frame is rasterised once: the same text, size and colour is the
// same rendering, other colours and sizes are not, and the oldest goes once the cache is
// full. Drawing from the cache gives the first drawing's pixels.
TEST(SurfaceCanvas, TextsAreRenderedOnceAndKeptUpToTheirNumber) {
    TDirectDrawSurface s;
    ASSERT_TRUE(s.SetSize(60, 24));
    FontCache& fonts = s.Fonts();
    if (!fonts.Font(12)) GTEST_SKIP() << "no sans-serif font on this machine";
    const SDL_Color red{255, 0, 0, 255}, blue{0, 0, 255, 255};
    SDL_Surface* first = fonts.Rendered(12, red, "250");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(fonts.Rendered(12, red, "250"), first);
    EXPECT_NE(fonts.Rendered(12, blue, "250"), first);
    EXPECT_NE(fonts.Rendered(11, red, "250"), first);
    int w = 0, h = 0, w2 = 0, h2 = 0;
    ASSERT_TRUE(fonts.Extent(12, "250", w, h));
    ASSERT_EQ(TTF_SizeUTF8(fonts.Font(12), "250", &w2, &h2), 0);
    EXPECT_EQ(std::pair(w, h), std::pair(w2, h2));

    auto draw = [&s] {
        s.Fill(0xFFFFFF);
        TDirectDrawSurfaceCanvas& c = s.Canvas();
        c.Brush.Style = TBrushStyle::bsClear;
        c.Font.Size = 12;
        c.Font.Color = 0x0000FF;
        c.TextOut(1, 1, "250");
        c.Release();
        std::vector<uint32_t> pixels;
        for (int32_t y = 0; y < 24; ++y)
            for (int32_t x = 0; x < 60; ++x) pixels.push_back(s.Pixel(x, y));
        return pixels;
    };
    const auto once = draw();
    EXPECT_EQ(draw(), once);
    for (size_t i = 0; i < FontCache::kKeptTexts; ++i)
        ASSERT_NE(fonts.Rendered(12, red, std::to_string(i)), nullptr);
    EXPECT_EQ(draw(), once); // rendered anew, the same
}

} // namespace
} // namespace vl::graphics
