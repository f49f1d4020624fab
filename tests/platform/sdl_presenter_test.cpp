// SPDX-License-Identifier: GPL-3.0-or-later
// The SDL window presenter on SDL's dummy video driver (a window surface without a
// screen): after every present the window holds the picture, whatever was drawn over the
// window meanwhile and however few or many of its rows changed; told what changed, it
// looks at nothing else unless the window was painted or the picture moved.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/Clock.h"
#include "platform/SdlToolkit.h"
#include "platform/SdlWindowPresenter.h"

namespace {

using namespace vl::platform;

struct SurfaceDeleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};

// Whether the window surface holds `back` at (x, y), row for row.
bool Holds(const SDL_Surface& window, const SDL_Surface& back, int x, int y) {
    for (int row = 0; row < back.h; ++row) {
        const auto* w = static_cast<const uint8_t*>(window.pixels) +
                        static_cast<ptrdiff_t>(y + row) * window.pitch + ptrdiff_t{x} * 4;
        const auto* b =
            static_cast<const uint8_t*>(back.pixels) + static_cast<ptrdiff_t>(row) * back.pitch;
        if (std::memcmp(w, b, static_cast<size_t>(back.w) * 4) != 0) return false;
    }
    return true;
}

void Paint(SDL_Surface& s, int top, int rows, uint32_t colour) {
    const SDL_Rect r{0, top, s.w, rows};
    SDL_FillRect(&s, &r, colour);
}

// The rows a present copies and the bands it sends: every changed row in a band, each band
// starting and ending on a changed row, no more bands than allowed, nothing when nothing
// changed.
TEST(SdlPresenter, ChangedRowsAreCopiedAndSentAsFewBands) {
    using P = SdlWindowPresenter;
    constexpr int kRows = 200, kBytes = 24, kPitch = 32;
    std::vector<uint8_t> from(kRows * kPitch, 7), to(kRows * kPitch, 7);
    for (const std::vector<int>& changed : {std::vector<int>{},
                                            {0},
                                            {kRows - 1},
                                            {5, 6, 7, 5 + P::kBandGapRows + 3},
                                            {3, 3 + P::kBandGapRows + 1, 40, 41, 90}}) {
        std::vector<int> all = changed;
        for (int i = 0; i < 2 * P::kMaxBands; ++i) all.push_back(10 + 9 * i); // too many bands
        for (const auto& rows : {changed, all}) {
            for (int r : rows) from[static_cast<size_t>(r) * kPitch + r % kBytes] ^= 0x5A;
            std::array<P::RowBand, P::kMaxBands> bands{};
            const int count =
                P::CopyChangedRows(from.data(), kPitch, to.data(), kPitch, kBytes, kRows, bands);
            for (int r = 0; r < kRows; ++r)
                ASSERT_EQ(std::memcmp(&from[size_t(r) * kPitch], &to[size_t(r) * kPitch], kBytes),
                          0);
            ASSERT_LE(count, P::kMaxBands);
            EXPECT_EQ(count == 0, rows.empty());
            const auto changedRow = [&](int r) {
                return std::count(rows.begin(), rows.end(), r) % 2 == 1;
            };
            for (int r : rows) {
                if (!changedRow(r)) continue;
                EXPECT_TRUE(
                    std::any_of(bands.begin(), bands.begin() + count,
                                [&](const auto& b) { return b.top <= r && r < b.top + b.rows; }))
                    << "row " << r;
            }
            for (int i = 0; i < count; ++i) {
                EXPECT_TRUE(changedRow(bands[i].top));
                EXPECT_TRUE(changedRow(bands[i].top + bands[i].rows - 1));
                if (i > 0) {
                    EXPECT_GT(bands[i].top, bands[i - 1].top + bands[i - 1].rows);
                }
            }
            EXPECT_EQ(
                P::CopyChangedRows(from.data(), kPitch, to.data(), kPitch, kBytes, kRows, bands),
                0);
        }
    }
}

TEST(SdlPresenter, TheWindowHoldsEachPictureWhateverChanged) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    RealClock clock;
    std::unique_ptr<SdlToolkit> tk;
    try {
        tk = std::make_unique<SdlToolkit>(clock);
    } catch (const std::exception& e) {
        GTEST_SKIP() << "no SDL video: " << e.what();
    }
    unsetenv("SDL_VIDEODRIVER"); // read once, as SDL started
    Form& form = tk->CreateForm("f", "f", 0, 0, 300, 200);
    form.Show();
    auto presenter = tk->CreatePresenter(form);
    SDL_Surface* window = SDL_GetWindowSurface(tk->WindowOf(form));
    ASSERT_NE(window, nullptr) << SDL_GetError();
    ASSERT_EQ(window->format->BytesPerPixel, 4);
    const std::unique_ptr<SDL_Surface, SurfaceDeleter> back(
        SDL_CreateRGBSurfaceWithFormat(0, 280, 150, 32, window->format->format));
    ASSERT_TRUE(back);
    constexpr int x = 10, y = 20;

    Paint(*back, 0, back->h, 0x00336699);
    presenter->Present(*back, x, y);
    EXPECT_TRUE(Holds(*window, *back, x, y));
    // Rows changed far apart (more bands than are sent separately), next to each other,
    // the first and the last; then the window painted over in part, as a repaint does.
    for (int top = 0; top < back->h; top += 12) Paint(*back, top, 2, 0x00FF0000u + top);
    Paint(*back, back->h - 1, 1, 0x0000FF00);
    presenter->Present(*back, x, y);
    EXPECT_TRUE(Holds(*window, *back, x, y));
    Paint(*window, y + 40, 30, 0x00FFFFFF);
    presenter->Present(*back, x, y);
    EXPECT_TRUE(Holds(*window, *back, x, y));
    // Unchanged: still the picture; and placed partly outside, clipped to the window.
    presenter->Present(*back, x, y);
    EXPECT_TRUE(Holds(*window, *back, x, y));
    presenter->Present(*back, 100, 120);
    const auto* corner =
        static_cast<const uint8_t*>(window->pixels) + 120 * window->pitch + 100 * 4;
    uint32_t pixel = 0;
    std::memcpy(&pixel, corner, 4);
    EXPECT_EQ(pixel & 0xFFFFFF, 0xFF0000u);

    // Told what changed, a present looks at nothing else — until the toolkit paints the
    // window itself, or the picture moves: then at every row again.
    presenter->Present(*back, x, y);
    Paint(*back, 30, 4, 0x00ABCDEF);
    Paint(*back, 90, 1, 0x00123456); // not told
    const std::array<SDL_Rect, 1> told{SDL_Rect{0, 30, back->w, 4}};
    presenter->Present(*back, x, y, PictureChanges{false, told});
    EXPECT_FALSE(Holds(*window, *back, x, y));
    Paint(*back, 90, 1, 0x00336699); // as it was
    EXPECT_TRUE(Holds(*window, *back, x, y));
    form.Invalidate();
    int idles = 0;
    tk->SetIdleHandler([&]() -> uint32_t {
        if (++idles == 2) tk->Terminate();
        return 0;
    });
    tk->RunLoop(); // one paint of the form
    tk->SetIdleHandler(nullptr);
    EXPECT_FALSE(Holds(*window, *back, x, y));
    presenter->Present(*back, x, y, PictureChanges{false, {}});
    EXPECT_TRUE(Holds(*window, *back, x, y));
    presenter->Present(*back, x + 1, y, PictureChanges{false, {}});
    EXPECT_TRUE(Holds(*window, *back, x + 1, y));
}

} // namespace
