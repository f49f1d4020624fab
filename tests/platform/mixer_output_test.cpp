// SPDX-License-Identifier: GPL-3.0-or-later
// Output device tests on the offline backend: a lost output is silence while the mix goes
// on, the next attempt after the device's return is heard again with every voice as the
// mixer has it, and a replaced device is taken up at once.
#include "mixer_helpers.h"

namespace vl::platform {
namespace {

using namespace vl::platform::testing;

// The captured stereo frames [fromMs, toMs) at 48 kHz.
std::vector<float> Span(const OfflineAudioBackend& b, uint64_t fromMs, uint64_t toMs) {
    const auto& c = b.Captured();
    return {c.begin() + static_cast<std::ptrdiff_t>(fromMs * 96),
            c.begin() + static_cast<std::ptrdiff_t>(toMs * 96)};
}

TEST(MixerOutput, LostOutputIsSilenceTheMixGoesOnAndTheReturnIsHeardAtTheNextAttempt) {
    OfflineAudioBackend backend{48000};
    backend.SetCapture(true);
    std::unique_ptr<MixerDevice> device;
    ASSERT_EQ(backend.CreateDevice(device), kMixOk);
    // A 300 Hz loop, a third to the left and lowered, and a 200 ms one-shot.
    auto loop = Load(*device, FormatOf(1, 48000, 16), SineBytes(48000, 300, 48000, 1, 16));
    ASSERT_EQ(loop->SetPan(-3000), kMixOk);
    ASSERT_EQ(loop->SetVolume(-600), kMixOk);
    ASSERT_EQ(loop->Play(true), kMixOk);
    auto shot = Load(*device, FormatOf(1, 48000, 16), SineBytes(9600, 900, 48000, 1, 16));
    backend.RenderUntilMs(500);
    const auto before = Span(backend, 400, 500);

    backend.SimulateOutputLoss();
    ASSERT_EQ(shot->Play(false), kMixOk);
    backend.RenderUntilMs(800);
    EXPECT_FALSE(backend.OutputRunning());
    EXPECT_EQ(Peak(Span(backend, 500, 800)), 0.0f);
    uint32_t status = 1, pos = 0;
    EXPECT_EQ(shot->GetStatus(&status), kMixOk);
    EXPECT_EQ(status, 0u); // over on time, unheard
    EXPECT_EQ(loop->GetCurrentPosition(&pos), kMixOk);
    EXPECT_EQ(pos, 800u * 48 * 2);

    // Back at 800: the attempts fell at 500 (failed) and fall at 1500.
    backend.SimulateOutputReturn();
    backend.RenderUntilMs(2000);
    EXPECT_EQ(Peak(Span(backend, 800, 1500)), 0.0f);
    EXPECT_GT(Peak(Span(backend, 1500, 1501)), 0.0f);
    const auto after = Span(backend, 1900, 2000);
    for (int ch = 0; ch < 2; ++ch) // one voice, as loud and as panned as before
        EXPECT_NEAR(Rms(Channel(after, ch)), Rms(Channel(before, ch)), 1e-3) << ch;
    EXPECT_EQ(backend.OutputOpenings(), 2u);

    // A device replaced by another at once loses nothing.
    backend.SimulateOutputLoss();
    backend.SimulateOutputReturn();
    backend.RenderUntilMs(2100);
    EXPECT_TRUE(backend.OutputRunning());
    EXPECT_EQ(backend.OutputOpenings(), 3u);
    EXPECT_NEAR(Rms(Channel(Span(backend, 2000, 2100), 0)), Rms(Channel(before, 0)), 1e-3);
}

} // namespace
} // namespace vl::platform
