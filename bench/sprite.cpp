// SPDX-License-Identifier: GPL-3.0-or-later
// Sprite benchmark: the pixel-exact test of two overlapping 110 x 33 sprites (target: at
// most 5 us) and one frame's move pass of about 40 sprites that each run their own
// collision pass, as the match's projectiles and craft do.
#include <benchmark/benchmark.h>

#include <functional>
#include <string>

#include "graphics/DXDraws.h"
#include "platform/Presenter.h"
#include "sprite/DXSprite.h"

namespace {

using namespace vl;
using sprite::Create;
using sprite::TImageSprite;

// A headless 536 x 348 match field with its image list and sprite engine.
struct Field {
    platform::HeadlessPresenter window{536, 348};
    graphics::TDXDraw draw;
    graphics::TDXImageList images;
    sprite::TDXSpriteEngine sprites;
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
    const graphics::TPictureCollectionItem&
    Add(int32_t w, int32_t h, const std::function<uint32_t(int32_t, int32_t)>& rgb) {
        graphics::TDIB dib(w, h, 24);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) dib.SetPixel(x, y, rgb(x, y));
        graphics::TPicture picture;
        picture.Assign(dib);
        auto& item = images.Items().Add();
        item.SetName("p" + std::to_string(images.Items().Count()));
        item.SetPicture(picture);
        images.Items().Initialize(draw);
        images.Items().Restore();
        return item;
    }
};

template <class T = TImageSprite>
T& Place(Field& f, const graphics::TPictureCollectionItem& item, double x, double y) {
    T& s = Create<T>(f.sprites.Engine());
    s.PictureItem = &item;
    s.X = x;
    s.Y = y;
    s.Width = item.ImageWidth();
    s.Height = item.ImageHeight();
    s.PixelCollision = true;
    return s;
}

// The worst case: the two pictures cover each other wholly and are opaque on alternate
// pixels, so the scan visits every pixel and finds nothing.
void BM_PixelOverlap110x33(benchmark::State& state) {
    Field f;
    auto& even = f.Add(110, 33, [](int32_t x, int32_t y) { return (x + y) % 2 ? 0u : 0xFF0000u; });
    auto& odd = f.Add(110, 33, [](int32_t x, int32_t y) { return (x + y) % 2 ? 0x00FF00u : 0u; });
    TImageSprite& a = Place(f, even, 100, 100);
    TImageSprite& b = Place(f, odd, 100, 100);
    for (auto _ : state) benchmark::DoNotOptimize(a.PixelOverlap(b));
    if (a.PixelOverlap(b)) state.SkipWithError("the alternate pixels must not collide");
}
BENCHMARK(BM_PixelOverlap110x33);

// A sprite that moves one step and then runs its own collision pass.
class Mover : public TImageSprite {
public:
    using TImageSprite::TImageSprite;
    void OnMove(int32_t moveCount) override {
        X += Speed * moveCount;
        if (X > 536) X = -Width;
        if (X < -Width) X = 536;
        Hits += CheckCollisions();
    }
    void OnCollision(TSprite&, bool&) override {}
    double Speed = 0;
    int64_t Hits = 0;
};

// 2 craft, 38 projectiles and obstacles scattered over the field, all probing each frame.
void BM_MoveAndCollide40(benchmark::State& state) {
    Field f;
    auto& craft = f.Add(110, 33, [](int32_t x, int32_t y) { return (x + y) % 3 ? 0xFF0000u : 0u; });
    auto& shot = f.Add(20, 6, [](int32_t, int32_t) { return 0x00FF00u; });
    Place<Mover>(f, craft, 30, 150);
    Place<Mover>(f, craft, 396, 150);
    for (int i = 0; i < 38; ++i) {
        Mover& m = Place<Mover>(f, shot, 20.0 + 13 * i, 20.0 + (i * 37) % 300);
        m.Speed = i % 2 ? 10 : -10;
        m.PixelCollision = i % 3 == 0;
    }
    for (auto _ : state) f.sprites.MoveAll(1);
    state.counters["sprites"] = f.sprites.Engine().SpriteCount;
}
BENCHMARK(BM_MoveAndCollide40);

} // namespace
