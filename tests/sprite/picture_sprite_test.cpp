// SPDX-License-Identifier: GPL-3.0-or-later
// PictureSpriteTest: image and background sprites on a headless display — animation,
// wrapping, the pixel-exact hit test (and the raw scan at every pixel depth), the cell map
// and its tiled and untiled drawing, and the engine component's link to the display.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "graphics/DXDraws.h"
#include "platform/Presenter.h"
#include "sprite/DXSprite.h"

namespace vl::sprite {
namespace {

using graphics::TDIB;
using graphics::TPicture;
using graphics::TPictureCollectionItem;
using graphics::TSurfaceLock;

constexpr uint32_t kRed = 0xFF0000;   // pixel values are 0x00RRGGBB
constexpr uint32_t kGreen = 0x00FF00; // black is the pictures' transparent colour
constexpr uint32_t kFill = 0x123456;

// An initialised 536 x 348 display with an image list and a sprite engine on it.
struct Field {
    platform::HeadlessPresenter window{536, 348};
    graphics::TDXDraw draw;
    graphics::TDXImageList images;
    TDXSpriteEngine sprites;
    Field() {
        draw.SetPresenter(&window);
        draw.SetBounds(0, 0, 536, 348);
        images.SetDXDraw(&draw);
        sprites.SetDXDraw(&draw);
        draw.Initialize();
    }
    ~Field() {
        sprites.SetDXDraw(nullptr);
        images.SetDXDraw(nullptr);
    }
    // A picture of w x h whose pixel (x, y) is rgb(x, y), cut into patterns of pw x ph.
    const TPictureCollectionItem& Add(int32_t w, int32_t h,
                                      const std::function<uint32_t(int32_t, int32_t)>& rgb,
                                      int32_t pw = 0, int32_t ph = 0) {
        TDIB dib(w, h, 24);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) dib.SetPixel(x, y, rgb(x, y));
        TPicture picture;
        picture.Assign(dib);
        TPictureCollectionItem& item = images.Items().Add();
        item.SetName("p" + std::to_string(images.Items().Count()));
        item.SetPicture(picture);
        item.SetPatternWidth(pw);
        item.SetPatternHeight(ph);
        images.Items().Initialize(draw);
        images.Items().Restore();
        return item;
    }
    TImageSprite& Image(const TPictureCollectionItem& item, double x, double y,
                        bool pixelCollision = true) {
        TImageSprite& s = Create<TImageSprite>(sprites.Engine());
        s.PictureItem = &item;
        s.X = x;
        s.Y = y;
        s.Width = item.ImageWidth();
        s.Height = item.ImageHeight();
        s.PixelCollision = pixelCollision;
        return s;
    }
    uint32_t At(int32_t x, int32_t y) { return draw.Surface().Pixel(x, y) & 0xFFFFFF; }
};

TEST(ImageAnimation, StopsOnTheLastPatternOrWrapsAround) {
    TSpriteEngine engine;
    TImageSprite& s = Create<TImageSprite>(engine);
    s.FrameCount = 4;
    s.FrameSpeed = 1.5;
    s.FrameStart = 10;
    s.OnMove(1);
    EXPECT_DOUBLE_EQ(s.FramePos, 1.5);
    EXPECT_EQ(s.CurrentFrame(), 11);
    s.OnMove(1);
    EXPECT_DOUBLE_EQ(s.FramePos, 3.0);
    s.OnMove(1);
    EXPECT_DOUBLE_EQ(s.FramePos, 3.0);
    EXPECT_DOUBLE_EQ(s.FrameSpeed, 0.0);
    EXPECT_EQ(s.CurrentFrame(), 13);
    s.FrameSpeed = -2; // backwards stops on the first pattern
    s.OnMove(2);
    EXPECT_DOUBLE_EQ(s.FramePos, 0.0);
    EXPECT_DOUBLE_EQ(s.FrameSpeed, 0.0);

    s.FrameLooped = true;
    s.FramePos = 3.5;
    s.FrameSpeed = 1;
    s.OnMove(1);
    EXPECT_DOUBLE_EQ(s.FramePos, 0.5);
    s.FrameSpeed = -1;
    s.OnMove(1);
    EXPECT_DOUBLE_EQ(s.FramePos, 3.5); // negative wraps to the top of the range
    s.OnMove(9);
    EXPECT_DOUBLE_EQ(s.FramePos, 2.5);
    s.FrameCount = 0;
    s.OnMove(1);
    EXPECT_DOUBLE_EQ(s.FramePos, 0.0);
}

TEST(ImageBounds, TiledSpritesReenterAcrossTheOppositeEdge) {
    TSpriteEngine engine;
    engine.TargetRect = TRect{0, 0, 536, 348};
    TImageSprite& s = Create<TImageSprite>(engine);
    s.Width = 20;
    s.Height = 8;
    s.X = 537;
    s.Y = -9;
    EXPECT_EQ(s.GetBounds(), (TRect{537, -9, 557, -1})); // not tiled: as placed
    s.Tiled = true;
    EXPECT_EQ(s.GetBounds(), (TRect{-19, 347, 1, 355}));
    s.X = 536; // exactly at the width: still to the right, not yet wrapped
    s.Y = 348 + 8 + 5;
    EXPECT_EQ(s.GetBounds().Left, 536);
    EXPECT_EQ(s.GetBounds().Top, 5);
    // No target and no size: the wrap has nothing to wrap by and leaves the position.
    TSpriteEngine bare;
    TImageSprite& t = Create<TImageSprite>(bare);
    t.Tiled = true;
    t.X = -7;
    EXPECT_EQ(t.GetBounds(), (TRect{-7, 0, -7, 0}));
}

TEST(PixelCollision, TransparentOverlapIsNoHitOneSharedOpaquePixelIs) {
    Field f;
    // A: 4 x 4, opaque only at (3, 3). B: 4 x 4, opaque only at (0, 0).
    auto& itemA = f.Add(4, 4, [](int32_t x, int32_t y) { return x == 3 && y == 3 ? kRed : 0; });
    auto& itemB = f.Add(4, 4, [](int32_t x, int32_t y) { return x == 0 && y == 0 ? kGreen : 0; });
    TImageSprite& a = f.Image(itemA, 0, 0);
    TImageSprite& b = f.Image(itemB, 2, 3);
    EXPECT_FALSE(a.PixelOverlap(b)); // rectangles overlap, opaque pixels do not
    EXPECT_EQ(a.CheckCollisions(), 0);
    b.X = 3;
    EXPECT_TRUE(a.PixelOverlap(b));
    EXPECT_TRUE(b.PixelOverlap(a));
    EXPECT_EQ(a.CheckCollisions(), 1);
    b.Y = 4; // touching edges never reach the scan
    EXPECT_FALSE(a.PixelOverlap(b));
    // Only one of the two needs PixelCollision: the probe without it still asks the
    // candidate, which compares pixels.
    b.Y = 2;
    a.PixelCollision = false;
    EXPECT_EQ(b.CheckCollisions(), 0);
    EXPECT_EQ(a.CheckCollisions(), 0);
    b.PixelCollision = false;
    EXPECT_EQ(a.CheckCollisions(), 1); // rectangles alone
}

TEST(PixelCollision, PatternsOfAStripAndOfOneSurfaceAreFoundWhereTheyLie) {
    Field f;
    // Three 3 x 3 patterns side by side: empty, a centre dot, full.
    auto& strip = f.Add(
        9, 3,
        [](int32_t x, int32_t y) {
            if (x < 3) return 0u;
            if (x < 6) return x == 4 && y == 1 ? kRed : 0u;
            return kGreen;
        },
        3, 3);
    ASSERT_EQ(strip.PatternCount(), 3);
    TImageSprite& a = f.Image(strip, 0, 0);
    TImageSprite& b = f.Image(strip, 1, 1);
    a.FramePos = 1; // dot at (1, 1)
    b.FramePos = 1; // dot at (2, 2)
    EXPECT_FALSE(a.PixelOverlap(b));
    b.X = 0;
    b.Y = 0;
    EXPECT_TRUE(a.PixelOverlap(b));
    b.FramePos = 0; // empty pattern: no hit anywhere
    EXPECT_FALSE(a.PixelOverlap(b));
    b.FramePos = 2;
    b.X = 2;
    b.Y = 2; // full pattern covering only A's bottom-right pixel, which is transparent
    EXPECT_FALSE(a.PixelOverlap(b));
    b.X = 1;
    EXPECT_FALSE(a.PixelOverlap(b));
    b.Y = 1;
    EXPECT_TRUE(a.PixelOverlap(b));
    // A pattern index outside the picture has no surface: the rectangle test decides,
    // and a zero-size pattern strictly inside A counts by the edge comparisons.
    b.FramePos = 7;
    EXPECT_TRUE(a.PixelOverlap(b));
    b.X = 3;
    EXPECT_FALSE(a.PixelOverlap(b));
}

TEST(PixelCollision, ScanComparesKeysAtEveryDepth) {
    // Two 2 x 1 regions per depth; A's second pixel is its key, B's first pixel is its.
    auto lock = [](std::vector<uint8_t>& bytes, int32_t bits) {
        TSurfaceLock l;
        l.Bits = bytes.data();
        l.BitCount = bits;
        l.Pitch = static_cast<int32_t>(bytes.size());
        l.Width = 2;
        l.Height = 1;
        return l;
    };
    std::vector<uint8_t> a8{7, 5}, b8{9, 7};
    EXPECT_FALSE(ScanOpaqueOverlap(lock(a8, 8), 5, lock(b8, 8), 9, 2, 1));
    b8[0] = 8;
    EXPECT_TRUE(ScanOpaqueOverlap(lock(a8, 8), 5, lock(b8, 8), 9, 2, 1));

    std::vector<uint8_t> a16{0x34, 0x12, 0xCD, 0xAB}, b16{0x34, 0x12, 0x01, 0x00};
    EXPECT_FALSE(ScanOpaqueOverlap(lock(a16, 16), 0xABCD, lock(b16, 16), 0x1234, 2, 1));
    EXPECT_TRUE(ScanOpaqueOverlap(lock(a16, 16), 0xCDAB, lock(b16, 16), 0x1234, 2, 1));

    // 24 bits: three bytes, first lowest.
    std::vector<uint8_t> a24{1, 1, 1, 0x03, 0x02, 0x01}, b24{0x30, 0x20, 0x10, 2, 2, 2};
    EXPECT_FALSE(ScanOpaqueOverlap(lock(a24, 24), 0x010203, lock(b24, 24), 0x102030, 2, 1));
    EXPECT_TRUE(ScanOpaqueOverlap(lock(a24, 24), 0x030201, lock(b24, 24), 0x102030, 2, 1));

    // 32 bits: the top byte is not part of the colour.
    std::vector<uint8_t> a32{1, 0, 0, 0, 0, 0, 0, 0xFF}, b32{0, 0, 0, 0xAA, 5, 0, 0, 0};
    EXPECT_FALSE(ScanOpaqueOverlap(lock(a32, 32), 0, lock(b32, 32), 0, 2, 1));
    a32[4] = 1;
    EXPECT_TRUE(ScanOpaqueOverlap(lock(a32, 32), 0, lock(b32, 32), 0, 2, 1));

    // Other or mixed depths compare nothing.
    EXPECT_FALSE(ScanOpaqueOverlap(lock(a32, 32), 9, lock(b8, 8), 9, 1, 1));
    std::vector<uint8_t> a4{0xFF}, b4{0xFF};
    EXPECT_FALSE(ScanOpaqueOverlap(lock(a4, 4), 0, lock(b4, 4), 0, 1, 1));
}

TEST(ImageDrawing, PatternsAreDrawnCentredKeyedAndCulled) {
    Field f;
    auto& item = f.Add(4, 2, [](int32_t x, int32_t) { return x == 0 ? 0u : kRed; });
    TImageSprite& s = f.Image(item, 10, 20, false);
    s.Width = 8; // a bounds box wider than the picture: drawn centred
    s.Height = 3;
    EXPECT_EQ(s.DrawRect(), (TRect{12, 20, 20, 23})); // the bounds box, moved
    f.Image(item, 536, 0, false);                     // off the right edge
    f.Image(item, -4, 5, false);                      // ends at the left edge
    TImageSprite& edge = f.Image(item, -3, 100, false);
    f.draw.Surface().Fill(kFill);
    f.sprites.DrawAll();
    EXPECT_EQ(f.sprites.Engine().DrawnCount, 2);
    EXPECT_EQ(f.At(12, 20), kFill); // transparent column
    EXPECT_EQ(f.At(13, 20), kRed);
    EXPECT_EQ(f.At(15, 21), kRed);
    EXPECT_EQ(f.At(16, 21), kFill);
    EXPECT_EQ(f.At(0, 100), kRed); // the clipped sprite's visible column
    edge.Visible = false;
    f.sprites.DrawAll();
    EXPECT_EQ(f.sprites.Engine().DrawnCount, 1);
}

TEST(BackgroundMap, SizesCellsAndOutsideReads) {
    TSpriteEngine engine;
    TBackgroundSprite& bg = Create<TBackgroundSprite>(engine);
    EXPECT_FALSE(bg.CollisionEnabled);
    bg.ResizeMap(3, 2);
    EXPECT_EQ(bg.CellMap().size(), 6u);
    EXPECT_EQ(bg.CellAt(2, 1), 0);
    EXPECT_TRUE(bg.SolidAt(2, 1));
    bg.SetCell(2, 1, 4);
    bg.SetSolid(1, 0, false);
    EXPECT_EQ(bg.CellMap()[5], 4);
    EXPECT_FALSE(bg.SolidAt(1, 0));
    bg.ResizeMap(3, 2); // same size: contents kept
    EXPECT_EQ(bg.CellAt(2, 1), 4);
    for (auto [c, r] : {std::pair{-1, 0}, {3, 0}, {0, 2}, {0, -1}}) {
        EXPECT_EQ(bg.CellAt(c, r), -1);
        EXPECT_FALSE(bg.SolidAt(c, r));
    }
    bg.SetCell(5, 5, 1); // outside: ignored
    bg.ResizeMap(2, 3);  // a new size clears
    EXPECT_EQ(bg.CellAt(1, 0), 0);
    EXPECT_TRUE(bg.SolidAt(1, 0));
    bg.ResizeMap(0, 5);
    EXPECT_EQ(bg.MapColumns(), 0);
    EXPECT_EQ(bg.MapRows(), 0);
    EXPECT_TRUE(bg.CellMap().empty());
    EXPECT_EQ(bg.CellAt(0, 0), -1);
}

TEST(BackgroundDrawing, UntiledCellsTiledCoverageAndEmptyMaps) {
    Field f;
    // Two 10 x 10 patterns: red and green.
    auto& item = f.Add(
        20, 10, [](int32_t x, int32_t) { return x < 10 ? kRed : kGreen; }, 10, 10);
    TBackgroundSprite& bg = Create<TBackgroundSprite>(f.sprites.Engine());
    bg.PictureItem = &item;
    bg.ResizeMap(0, 5);
    f.draw.Surface().Fill(kFill);
    f.sprites.DrawAll();
    EXPECT_EQ(f.At(0, 0), kFill); // empty map: nothing

    bg.ResizeMap(3, 1);
    bg.SetCell(1, 0, 1);
    bg.SetCell(2, 0, -1); // drawn as nothing
    bg.X = -5;
    bg.Y = 7;
    EXPECT_EQ(bg.GetBounds(), (TRect{-5, 7, 25, 17}));
    f.sprites.DrawAll();
    EXPECT_EQ(f.At(0, 7), kRed);
    EXPECT_EQ(f.At(4, 16), kRed);
    EXPECT_EQ(f.At(5, 7), kGreen);
    EXPECT_EQ(f.At(14, 16), kGreen);
    EXPECT_EQ(f.At(15, 7), kFill);
    EXPECT_EQ(f.At(0, 6), kFill);
    EXPECT_EQ(f.At(0, 17), kFill);

    // Tiled at a negative offset: every pixel of the target is covered, and the map
    // repeats with a period of two cells.
    bg.ResizeMap(2, 1);
    bg.SetCell(1, 0, 1);
    bg.Tiled = true;
    bg.X = -13;
    bg.Y = -4;
    EXPECT_EQ(bg.GetBounds(), (TRect{0, 0, 536, 348}));
    f.draw.Surface().Fill(kFill);
    f.sprites.DrawAll();
    int uncovered = 0;
    for (int32_t y = 0; y < 348; ++y)
        for (int32_t x = 0; x < 536; ++x) uncovered += f.At(x, y) == kFill;
    EXPECT_EQ(uncovered, 0);
    // Screen x shows map column floor((x + 13) / 10) mod 2.
    for (int32_t x : {0, 6, 7, 16, 17, 26, 535})
        EXPECT_EQ(f.At(x, 200), ((x + 13) / 10) % 2 == 0 ? kRed : kGreen) << x;
}

TEST(BackgroundDrawing, ATargetIsCoveredOnlyByAWholeOpaqueTiling) {
    Field f;
    auto& item = f.Add(
        20, 10, [](int32_t x, int32_t) { return x < 10 ? kRed : 0x000000u; }, 10, 10);
    TPictureCollectionItem& strip = f.images.Items().Items(0);
    TBackgroundSprite& bg = Create<TBackgroundSprite>(f.sprites.Engine());
    bg.PictureItem = &item;
    bg.ResizeMap(2, 2);
    bg.SetCell(1, 1, 1); // the black pattern: keyed away unless the item is opaque
    bg.X = -7;
    bg.Y = 3;
    graphics::TDirectDrawSurface& target = f.draw.Surface();
    EXPECT_FALSE(bg.CoversTarget(target)); // not tiled
    bg.Tiled = true;
    EXPECT_FALSE(bg.CoversTarget(target)); // keyed: the target shows through
    strip.SetTransparent(false);
    ASSERT_TRUE(bg.CoversTarget(target));
    // What it promises: nothing of what was on the target is left.
    target.Fill(kFill);
    f.sprites.DrawAll();
    int left = 0;
    for (int32_t y = 0; y < 348; ++y)
        for (int32_t x = 0; x < 536; ++x) left += f.At(x, y) == kFill;
    EXPECT_EQ(left, 0);

    graphics::TDirectDrawSurface other;
    ASSERT_TRUE(other.SetSize(536, 348));
    EXPECT_FALSE(bg.CoversTarget(other)); // not the engine's target
    bg.SetCell(0, 1, 2);                  // no such pattern
    EXPECT_FALSE(bg.CoversTarget(target));
    bg.SetCell(0, 1, -1); // an empty cell
    EXPECT_FALSE(bg.CoversTarget(target));
    bg.SetCell(0, 1, 0);
    f.sprites.Engine().Visible = false;
    EXPECT_FALSE(bg.CoversTarget(target));
}

// A covering background repaints only what was drawn over it; the pixels must be those of
// a whole paint whatever moved, scrolled, changed its cells or its picture in between.
TEST(BackgroundDrawing, RepaintingWhatWasDrawnOverGivesAWholePaintsPixels) {
    Field f, whole;
    struct Scene {
        TBackgroundSprite* bg;
        TImageSprite* ship;
        TImageSprite* shot;
        TPictureCollectionItem* tiles;
    };
    const auto build = [](Field& on) {
        auto& tiles = const_cast<TPictureCollectionItem&>(on.Add(
            32, 16, [](int32_t x, int32_t y) { return uint32_t(x * 7 + y * 1300 + 1); }, 16, 16));
        tiles.SetTransparent(false);
        auto& ship = on.Add(21, 9, [](int32_t x, int32_t y) { return (x + y) % 3 ? kRed : 0u; });
        TBackgroundSprite& bg = Create<TBackgroundSprite>(on.sprites.Engine());
        bg.PictureItem = &tiles;
        bg.Tiled = true;
        bg.ResizeMap(3, 2);
        bg.SetCell(1, 0, 1);
        bg.SetCell(2, 1, 1);
        return Scene{&bg, &on.Image(ship, 40, 50), &on.Image(ship, 300, 200), &tiles};
    };
    Scene a = build(f), b = build(whole);
    graphics::TDirectDrawSurface& target = f.draw.Surface();
    ASSERT_TRUE(a.bg->CoversTarget(target));
    for (int step = 0; step < 24; ++step) {
        for (Scene* s : {&a, &b}) {
            s->ship->X += 3;
            s->ship->Y += step % 5 - 2;
            s->shot->X -= 11;
            if (step == 8) s->bg->X = -5;            // the field scrolls
            if (step == 12) s->bg->SetCell(0, 0, 1); // a cell changes
            if (step == 16) s->tiles->PatternSurface(0)->SetPixelValue(3, 3, kGreen);
        }
        whole.draw.Surface().Fill(kFill); // the reference paints whole every time
        target.ClearDamage(graphics::TDamageReader::Present);
        f.sprites.DrawAll();
        whole.sprites.DrawAll();
        f.draw.Surface().FillRect(graphics::Bounds(step * 9, 300, 12, 4), kGreen); // a counter
        whole.draw.Surface().FillRect(graphics::Bounds(step * 9, 300, 12, 4), kGreen);
        for (int32_t y = 0; y < 348; ++y)
            for (int32_t x = 0; x < 536; ++x)
                ASSERT_EQ(f.At(x, y), whole.At(x, y))
                    << "step " << step << " at " << x << ", " << y;
        const graphics::TDamage& sent = target.Damage(graphics::TDamageReader::Present);
        const bool repainted = step > 0 && step != 8 && step != 12 && step != 16;
        EXPECT_EQ(sent.whole, !repainted) << step;
        if (repainted) {
            int64_t area = 0;
            for (const TRect& r : sent.rects) area += int64_t{r.Width()} * r.Height();
            EXPECT_LT(area, 536 * 348 / 20) << step;
        }
    }
}

TEST(BackgroundCollision, OnlySolidCellsAreHit) {
    Field f;
    auto& item = f.Add(10, 10, [](int32_t, int32_t) { return kRed; });
    TBackgroundSprite& bg = Create<TBackgroundSprite>(f.sprites.Engine());
    TSprite& probe = Create<TSprite>(f.sprites.Engine());
    probe.Width = 4;
    probe.Height = 4;
    EXPECT_TRUE(bg.HitTest(probe)); // no picture yet
    bg.PictureItem = &item;
    EXPECT_TRUE(bg.HitTest(probe)); // no map
    bg.ResizeMap(3, 1);
    bg.SetSolid(1, 0, false);
    bg.X = 100;
    bg.Y = 50;
    probe.X = 111; // inside the open cell only
    probe.Y = 52;
    EXPECT_FALSE(bg.HitTest(probe));
    EXPECT_EQ(probe.CheckCollisions(), 0); // backgrounds start without collisions
    bg.CollisionEnabled = true;
    EXPECT_EQ(probe.CheckCollisions(), 0);
    probe.X = 108; // reaches into solid cell 0
    EXPECT_TRUE(bg.HitTest(probe));
    EXPECT_EQ(probe.CheckCollisions(), 1);
    probe.X = 116; // touches cell 2 along its edge only
    EXPECT_FALSE(bg.HitTest(probe));
    probe.X = 117;
    EXPECT_TRUE(bg.HitTest(probe));
}

TEST(EngineComponent, FollowsTheDisplaysLifecycle) {
    auto window = std::make_unique<platform::HeadlessPresenter>(200, 100);
    auto draw = std::make_unique<graphics::TDXDraw>();
    draw->SetPresenter(window.get());
    draw->SetBounds(0, 0, 200, 100);
    TDXSpriteEngine sprites;
    TSpriteEngine& engine = sprites.Engine();
    TSprite& s = Create<TSprite>(engine);
    s.Width = s.Height = 5;

    sprites.SetDXDraw(draw.get());
    EXPECT_EQ(engine.Target, nullptr);
    sprites.DrawAll(); // not initialised: nothing
    EXPECT_EQ(engine.DrawnCount, 0);

    draw->Initialize();
    EXPECT_EQ(engine.Target, &draw->Surface());
    EXPECT_EQ(engine.TargetRect, (TRect{0, 0, 200, 100}));
    EXPECT_EQ(engine.Width, 200);
    sprites.DrawAll();
    EXPECT_EQ(engine.DrawnCount, 1);

    draw->Finalize();
    EXPECT_EQ(engine.Target, nullptr);
    draw->Initialize();
    sprites.SetDXDraw(nullptr); // leaving replays the finalise notice
    EXPECT_EQ(engine.Target, nullptr);
    EXPECT_EQ(draw->NotifyCount(), 0u);

    sprites.SetDXDraw(draw.get()); // joining an initialised display sets the target at once
    EXPECT_EQ(engine.Target, &draw->Surface());
    draw.reset(); // a destroyed display is forgotten
    EXPECT_EQ(sprites.DXDraw(), nullptr);
    EXPECT_EQ(engine.Target, nullptr);
}

} // namespace
} // namespace vl::sprite
