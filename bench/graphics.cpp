// SPDX-License-Identifier: GPL-3.0-or-later
// bench_graphics: one full frame of the match's drawing on the 536 x 348 back surface, as
// the frame handler does it — fill, the sprite engine's draw pass over a tiled background
// and 40 image sprites with keyed pictures, and the eight counter texts.
// Target: at most 0.5 ms per frame.
#include <benchmark/benchmark.h>

#include <string>

#include "graphics/DXDraws.h"
#include "platform/Presenter.h"
#include "sprite/BackgroundSprite.h"
#include "sprite/DXSprite.h"
#include "sprite/ImageSprite.h"

namespace {

using namespace vl::graphics;

TPicture MakePicture(int32_t w, int32_t h, uint32_t seed) {
    TDIB dib(w, h, 24);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) // a magenta border is the transparent colour
            dib.SetPixel(x, y, (x < 2 || y < 2) ? 0xFF00FF : (seed * 2654435761u + x * 7 + y));
    TPicture p;
    p.Assign(dib);
    return p;
}

struct Scene {
    vl::platform::HeadlessPresenter window{536, 348};
    TDXDraw draw;
    TDXImageList images;
    vl::sprite::TDXSpriteEngine sprites;
    Scene() {
        draw.SetPresenter(&window);
        draw.SetBounds(0, 0, 536, 348);
        images.SetDXDraw(&draw);
        TPictureCollectionItem& bg = images.Items().Add();
        bg.SetName("background1");
        bg.SetPicture(MakePicture(128, 96, 1));
        bg.SetTransparent(false);
        for (int i = 0; i < 4; ++i) {
            TPictureCollectionItem& s = images.Items().Add();
            s.SetName("sprite" + std::to_string(i));
            s.SetPicture(MakePicture(40, 24, 10 + i));
            s.SetTransparentColor(0xFF00FF);
        }
        sprites.SetDXDraw(&draw);
        draw.Initialize();
        using namespace vl::sprite;
        TSpriteEngine& engine = sprites.Engine();
        auto& bgSprite = Create<TBackgroundSprite>(engine);
        bgSprite.PictureItem = &bg;
        bgSprite.ResizeMap(1, 1);
        bgSprite.Tiled = true;
        bgSprite.X = -17;
        bgSprite.Y = -5;
        bgSprite.SetZ(-2);
        for (int i = 0; i < 40; ++i) {
            auto& s = Create<TImageSprite>(engine);
            s.PictureItem = &images.Items().Items(1 + i % 4);
            s.X = (i * 53) % 520 - 8;
            s.Y = (i * 37) % 340;
            s.Width = s.PictureItem->ImageWidth();
            s.Height = s.PictureItem->ImageHeight();
        }
    }
    void Frame() {
        TDirectDrawSurface& back = draw.Surface();
        back.Fill(0xFFFFFF);
        sprites.FreeKilled();
        sprites.DrawAll();
        TDirectDrawSurfaceCanvas& c = back.Canvas();
        c.Brush.Style = TBrushStyle::bsClear;
        c.Font.Size = 12;
        c.Font.Color = 0x0000FF;
        for (int i = 0; i < 8; ++i) {
            c.TextOut(i < 4 ? 30 : 480, 5 + (i % 4) * 20, std::to_string(100 - i * 7));
            c.Release();
        }
    }
};

void BM_MatchFrame(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) {
        scene.Frame();
        benchmark::DoNotOptimize(scene.draw.Surface().Pixel(100, 100));
    }
    // Sprites the last draw pass painted (background included): 41 when all are on it.
    state.counters["drawn"] = scene.sprites.Engine().DrawnCount;
}
BENCHMARK(BM_MatchFrame)->Unit(benchmark::kMicrosecond);

} // namespace
