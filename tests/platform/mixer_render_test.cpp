// SPDX-License-Identifier: GPL-3.0-or-later
// Mixer output tests: pan, volume, pitch, loops, stop/resume, duplicates and formats,
// all judged on what the offline backend renders.
#include "mixer_helpers.h"

#include "platform/MixLoops.h"

#include <bit>

namespace vl::platform {
namespace {

using namespace vl::platform::testing;

class MixerRender : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(backend.CreateDevice(device), kMixOk); }
    // A 1 kHz mono 16-bit sine at 48 kHz, `frames` long.
    std::unique_ptr<MixerBuffer> Sine(uint32_t frames = 48000, double hz = 1000.0) {
        return Load(*device, FormatOf(1, 48000, 16), SineBytes(frames, hz, 48000, 1, 16));
    }
    OfflineAudioBackend backend{48000};
    std::unique_ptr<MixerDevice> device;
};

TEST_F(MixerRender, PanAndVolumeSetChannelLevels) {
    auto buf = Sine();
    const double full = 0.5 / std::sqrt(2.0); // RMS of the 0.5-amplitude sine
    struct Case {
        int32_t pan, volume;
        double leftDb, rightDb; // expected, relative to full level; -1000 = exact silence
    };
    const Case cases[] = {
        {0, 0, 0, 0},      {-10000, 0, 0, -1000}, {10000, 0, -1000, 0},   {-3000, 0, 0, -30},
        {2000, 0, -20, 0}, {0, -600, -6, -6},     {-1000, -600, -6, -16}, {0, -10000, -1000, -1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "pan " << c.pan << " volume " << c.volume);
        ASSERT_EQ(buf->SetPan(c.pan), kMixOk);
        ASSERT_EQ(buf->SetVolume(c.volume), kMixOk);
        ASSERT_EQ(buf->SetCurrentPosition(0), kMixOk);
        ASSERT_EQ(buf->Play(false), kMixOk);
        const auto out = backend.RenderFrames(4800);
        ASSERT_EQ(buf->Stop(), kMixOk);
        backend.RenderFrames(64); // let the stop's fade pass
        const double l = Rms(Channel(out, 0)), r = Rms(Channel(out, 1));
        if (c.leftDb <= -1000)
            EXPECT_EQ(Peak(Channel(out, 0)), 0.0f);
        else
            EXPECT_NEAR(Db(l / full), c.leftDb, 0.05);
        if (c.rightDb <= -1000)
            EXPECT_EQ(Peak(Channel(out, 1)), 0.0f);
        else
            EXPECT_NEAR(Db(r / full), c.rightDb, 0.05);
    }
    // -600 mB is close to half amplitude, as the mixer's users expect.
    ASSERT_EQ(buf->SetPan(0), kMixOk);
    ASSERT_EQ(buf->SetVolume(-600), kMixOk);
    ASSERT_EQ(buf->SetCurrentPosition(0), kMixOk);
    ASSERT_EQ(buf->Play(false), kMixOk);
    EXPECT_NEAR(Peak(Channel(backend.RenderFrames(4800), 0)), 0.25, 0.01);
}

// The listener's gains: a buffer sounds at its bus' gain, taken at once while it sounds, a
// duplicate on its source's bus, and the side swap turns a left sound into a right one.
TEST_F(MixerRender, BusGainsAndTheSideSwapApplyWhileSounding) {
    auto speech = Sine(), effect = Sine();
    ASSERT_EQ(speech->SetBus(MixBus::Speech), kMixOk);
    ASSERT_EQ(speech->SetPan(kMixPanLeft), kMixOk);
    ASSERT_EQ(speech->Play(true), kMixOk);
    const double full = Rms(Channel(backend.RenderFrames(4800), 0));
    backend.SetBusGain(MixBus::Speech, 0.5f);
    backend.SetBusGain(MixBus::Effects, 0.0f); // another bus: no change here
    backend.RenderFrames(64);
    EXPECT_NEAR(Db(Rms(Channel(backend.RenderFrames(4800), 0)) / full), -6.02, 0.05);
    backend.SetReverseStereo(true);
    backend.RenderFrames(64);
    const auto swapped = backend.RenderFrames(4800);
    EXPECT_EQ(Peak(Channel(swapped, 0)), 0.0f);
    EXPECT_NEAR(Db(Rms(Channel(swapped, 1)) / full), -6.02, 0.05);
    std::unique_ptr<MixerBuffer> copy;
    ASSERT_EQ(device->DuplicateBuffer(*speech, copy), kMixOk);
    ASSERT_EQ(speech->Stop(), kMixOk);
    ASSERT_EQ(copy->Play(true), kMixOk);
    backend.RenderFrames(64);
    EXPECT_NEAR(Db(Rms(Channel(backend.RenderFrames(4800), 1)) / full), -6.02, 0.05);
    ASSERT_EQ(effect->Play(true), kMixOk); // an effect, silenced
    ASSERT_EQ(copy->Stop(), kMixOk);
    backend.RenderFrames(64);
    EXPECT_EQ(Peak(backend.RenderFrames(4800)), 0.0f);
}

TEST_F(MixerRender, FrequencyScalesPitchAndZeroMeansOwnRate) {
    auto buf = Sine(96000);
    auto crossings = [&](uint32_t hz) {
        EXPECT_EQ(buf->SetFrequency(hz), kMixOk);
        EXPECT_EQ(buf->SetCurrentPosition(0), kMixOk);
        EXPECT_EQ(buf->Play(false), kMixOk);
        const int n = ZeroCrossings(Channel(backend.RenderFrames(24000), 0));
        EXPECT_EQ(buf->Stop(), kMixOk);
        backend.RenderFrames(64); // the stop's fade
        return n;
    };
    const int own = crossings(0);
    EXPECT_NEAR(own, 1000, 2); // 1 kHz for half a second: 1000 crossings
    EXPECT_EQ(buf->Frequency(), 48000u);
    EXPECT_NEAR(crossings(96000), 2 * own, 2);
    EXPECT_NEAR(crossings(24000), own / 2, 2);
    EXPECT_NEAR(crossings(44100), own * 44100 / 48000, 2);
    EXPECT_EQ(buf->Frequency(), 44100u);
}

TEST_F(MixerRender, LoopWrapsWithoutDiscontinuity) {
    // 480 frames hold exactly 10 periods of 1 kHz, so the loop joins seamlessly; played
    // at a rate that does not divide evenly, interpolation must wrap to the first frame.
    auto buf = Sine(480);
    ASSERT_EQ(buf->SetFrequency(44100), kMixOk);
    ASSERT_EQ(buf->Play(true), kMixOk);
    uint32_t status = 0;
    const auto out = Channel(backend.RenderFrames(48000), 0);
    ASSERT_EQ(buf->GetStatus(&status), kMixOk);
    EXPECT_EQ(status, kMixStatusPlaying | kMixStatusLooping);
    // The sine's own largest step is 0.5 * 2*pi*f/rate.
    const float own = static_cast<float>(0.5 * 2 * std::numbers::pi * 1000 * 44100 / 48000 / 48000);
    EXPECT_LT(MaxStep(out), own * 1.05f);
    EXPECT_GT(Peak(out), 0.49f);
}

TEST_F(MixerRender, OneShotEndsAtItsEndAndStopResumes) {
    auto buf = Sine(1000);
    ASSERT_EQ(buf->Play(false), kMixOk);
    auto first = backend.RenderFrames(400);
    ASSERT_EQ(buf->Stop(), kMixOk);
    uint32_t pos = 0, status = 9;
    ASSERT_EQ(buf->GetCurrentPosition(&pos), kMixOk);
    EXPECT_EQ(pos, 800u); // 400 frames of 2 bytes
    ASSERT_EQ(buf->GetStatus(&status), kMixOk);
    EXPECT_EQ(status, 0u);
    backend.RenderFrames(200); // silence while stopped (after the short fade)
    ASSERT_EQ(buf->Play(false), kMixOk);
    const auto rest = Channel(backend.RenderFrames(600), 0);
    // The continuation is the sine from frame 400 on, sample for sample once it has risen
    // from silence; the rise starts at zero.
    const auto whole = SineBytes(1000, 1000.0, 48000, 1, 16);
    EXPECT_EQ(rest[0], 0.0f);
    for (int i = kRamp; i < 600; ++i) {
        const auto s = static_cast<int16_t>(whole[2 * (400 + i)] | (whole[2 * (400 + i) + 1] << 8));
        ASSERT_NEAR(rest[i], s / 32768.0f, 1e-6) << "frame " << i;
    }
    ASSERT_EQ(buf->GetStatus(&status), kMixOk);
    EXPECT_EQ(status, 0u); // reached the end exactly
    ASSERT_EQ(buf->GetCurrentPosition(&pos), kMixOk);
    EXPECT_EQ(pos, 2000u);
    // Play from the end ends at once; after a rewind it sounds again.
    ASSERT_EQ(buf->Play(false), kMixOk);
    ASSERT_EQ(buf->GetStatus(&status), kMixOk);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(Peak(backend.RenderFrames(100)), 0.0f);
    ASSERT_EQ(buf->SetCurrentPosition(0), kMixOk);
    ASSERT_EQ(buf->Play(false), kMixOk);
    EXPECT_GT(Peak(backend.RenderFrames(100)), 0.4f);
}

// A one-shot voice whose rate is many times the output's steps over its last frame in
// one go; it must end there, for a plain play and for a cut-off fade alike.
TEST_F(MixerRender, FastOneShotEndsWithoutReadingPastItsSamples) {
    for (const uint32_t hz : {60000u, 190000u, 200000u}) {
        auto buf = Load(*device, FormatOf(1, 8000, 8), SineBytes(200, 440.0, 8000, 1, 8));
        ASSERT_EQ(buf->SetFrequency(hz), kMixOk);
        ASSERT_EQ(buf->Play(false), kMixOk);
        backend.RenderFrames(256); // at most 160 output frames hold the whole sound
        uint32_t status = 9;
        ASSERT_EQ(buf->GetStatus(&status), kMixOk);
        EXPECT_EQ(status, 0u) << hz;
        ASSERT_EQ(buf->SetCurrentPosition(0), kMixOk);
        ASSERT_EQ(buf->Play(false), kMixOk);
        ASSERT_EQ(buf->Stop(), kMixOk); // the fade runs on at the fast rate
        backend.RenderFrames(128);
        EXPECT_EQ(Peak(backend.RenderFrames(64)), 0.0f) << hz;
    }
}

TEST_F(MixerRender, StopFadesInsteadOfJumping) {
    // A full-scale square of DC: stopping mid-way must not drop to 0 in one frame.
    std::vector<uint8_t> dc;
    for (int i = 0; i < 4800; ++i) PutSample(dc, 0.8, 16, false);
    auto buf = Load(*device, FormatOf(1, 48000, 16), dc);
    ASSERT_EQ(buf->Play(false), kMixOk);
    backend.RenderFrames(100);
    ASSERT_EQ(buf->Stop(), kMixOk);
    const auto tail = Channel(backend.RenderFrames(200), 0);
    EXPECT_LT(MaxStep(tail), 0.8f / 32);
    EXPECT_GT(tail[0], 0.7f);
    EXPECT_EQ(tail[100], 0.0f);
}

TEST_F(MixerRender, DuplicateSharesSamplesButNotSettings) {
    auto src = Sine(4800);
    std::unique_ptr<MixerBuffer> dup;
    ASSERT_EQ(src->SetPan(-10000), kMixOk);
    ASSERT_EQ(device->DuplicateBuffer(*src, dup), kMixOk);
    EXPECT_EQ(dup->Pan(), -10000); // starts with the source's settings
    ASSERT_EQ(dup->SetPan(10000), kMixOk);
    EXPECT_EQ(src->Pan(), -10000);
    // The source plays first; the duplicate starts 1200 frames later from its own 0.
    ASSERT_EQ(src->Play(false), kMixOk);
    backend.RenderFrames(1200);
    ASSERT_EQ(dup->Play(false), kMixOk);
    const auto out = backend.RenderFrames(2400);
    const auto l = Channel(out, 0), r = Channel(out, 1);
    // Left = source at frames 1200.., right = duplicate at 0..; 1200 frames = 25 periods,
    // so both are the same sine in phase.
    for (size_t i = kRamp; i < l.size(); ++i) ASSERT_NEAR(l[i], r[i], 1e-6);
    EXPECT_GT(Peak(r), 0.49f);
    // Rewriting the source's samples is heard through the duplicate: one storage.
    uint8_t *p1, *p2;
    uint32_t n1, n2;
    ASSERT_EQ(src->Lock(0, src->Length(), &p1, &n1, &p2, &n2), kMixOk);
    std::fill(p1, p1 + n1, 0);
    ASSERT_EQ(src->Unlock(), kMixOk);
    EXPECT_EQ(Peak(Channel(backend.RenderFrames(600), 1)), 0.0f);
}

TEST_F(MixerRender, EveryFormatRendersTheSameSine) {
    auto reference = Channel(
        [&] {
            auto b = Load(*device, FormatOf(1, 44100, 32, true),
                          SineBytes(4410, 441, 44100, 1, 32, true));
            b->Play(false);
            auto out = backend.RenderFrames(4000);
            b->Stop();
            backend.RenderFrames(64); // the stop's fade-out
            return out;
        }(),
        0);
    struct Fmt {
        uint16_t channels, bits;
        bool isFloat, extensible;
        float tolerance;
    };
    const Fmt fmts[] = {{1, 8, false, false, 1.0f / 100}, {2, 8, false, false, 1.0f / 100},
                        {1, 16, false, false, 1e-4f},     {2, 16, false, true, 1e-4f},
                        {1, 24, false, false, 1e-6f},     {2, 24, false, true, 1e-6f},
                        {1, 32, false, false, 1e-6f},     {2, 32, false, false, 1e-6f},
                        {2, 32, true, false, 1e-6f},      {1, 32, true, true, 1e-6f}};
    for (const auto& f : fmts) {
        SCOPED_TRACE(::testing::Message()
                     << f.channels << "ch " << f.bits << "bit" << (f.isFloat ? " float" : "")
                     << (f.extensible ? " extensible" : ""));
        const auto block = f.extensible ? ExtensibleOf(f.channels, 44100, f.bits, f.isFloat)
                                        : FormatOf(f.channels, 44100, f.bits, f.isFloat);
        auto buf = Load(*device, block, SineBytes(4410, 441, 44100, f.channels, f.bits, f.isFloat));
        ASSERT_TRUE(buf);
        ASSERT_EQ(buf->Play(false), kMixOk);
        const auto out = backend.RenderFrames(4000);
        for (int ch = 0; ch < 2; ++ch) {
            const auto x = Channel(out, ch);
            for (size_t i = 0; i < x.size(); ++i) ASSERT_NEAR(x[i], reference[i], f.tolerance) << i;
        }
        buf->Stop();
        backend.RenderFrames(64);
    }
}

TEST_F(MixerRender, VoicesSumUnderTheLimitersCeiling) {
    // A lone voice keeps its level; a hard-panned one leaves the other side silent.
    auto a = Sine(4800), b = Sine(4800);
    ASSERT_EQ(a->SetPan(-10000), kMixOk);
    ASSERT_EQ(a->Play(false), kMixOk);
    const auto lone = backend.RenderFrames(2400);
    EXPECT_NEAR(Peak(Channel(lone, 0)), 0.5f, 1e-3);
    EXPECT_EQ(Peak(Channel(lone, 1)), 0.0f);
    // Two 0.5 sines in phase would reach full scale: held at the ceiling instead.
    ASSERT_EQ(a->SetPan(0), kMixOk);
    ASSERT_EQ(a->SetCurrentPosition(0), kMixOk);
    ASSERT_EQ(b->Play(false), kMixOk);
    const auto sum = Channel(backend.RenderFrames(2400), 0);
    EXPECT_NEAR(Peak(sum), MixerCore::kLimitCeiling, 1e-3);
    ASSERT_EQ(a->Stop(), kMixOk);
    ASSERT_EQ(b->Stop(), kMixOk);
    backend.RenderFrames(64); // their fade
    // Far over full scale, and only on the left: the left peaks at the ceiling, the right
    // stays exactly silent.
    std::vector<uint8_t> loud;
    for (int i = 0; i < 4800; ++i) PutSample(loud, 0.9, 16, false);
    std::vector<std::unique_ptr<MixerBuffer>> many;
    for (int i = 0; i < 4; ++i) {
        many.push_back(Load(*device, FormatOf(1, 48000, 16), loud));
        ASSERT_EQ(many.back()->SetPan(-10000), kMixOk);
        ASSERT_EQ(many.back()->Play(false), kMixOk);
    }
    const auto out = backend.RenderFrames(2400);
    EXPECT_LE(Peak(Channel(out, 0)), MixerCore::kLimitCeiling);
    EXPECT_GT(Peak(Channel(out, 0)), 0.9f);
    EXPECT_EQ(Peak(Channel(out, 1)), 0.0f);
}

TEST_F(MixerRender, StartRisesFromSilenceWithinAMillisecond) {
    // A loop of constant 0.8 (a sound whose first sample is far from zero) starts without
    // a step: no sample-to-sample change over 0.8 / kRamp plus rounding.
    std::vector<uint8_t> dc;
    for (int i = 0; i < 480; ++i) PutSample(dc, 0.8, 16, false);
    auto buf = Load(*device, FormatOf(1, 48000, 16), dc);
    ASSERT_EQ(buf->Play(true), kMixOk);
    const auto out = Channel(backend.RenderFrames(200), 0);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_LT(MaxStep(out), 0.8f / kRamp + 1e-4f);
    EXPECT_NEAR(out[kRamp], 0.8f, 1e-3); // full level after 1 ms
}

// An output may leave out its pulls while the mix is idle: only when the Renders it skips
// would have given silence and changed nothing, so that what follows sounds the same.
TEST(MixerIdle, SkippedRendersChangeNothingThatFollows) {
    struct Rig {
        MixerCore core{48000};
        uint32_t device = core.AddDevice();
        uint32_t Buffer(const std::vector<uint8_t>& bytes) {
            const auto format = FormatOf(1, 48000, 16);
            uint32_t id = 0;
            EXPECT_EQ(core.CreateBuffer(device, format, static_cast<uint32_t>(bytes.size()), &id),
                      kMixOk);
            uint8_t *p1 = nullptr, *p2 = nullptr;
            uint32_t n1 = 0, n2 = 0;
            EXPECT_EQ(core.Lock(id, 0, core.Length(id), &p1, &n1, &p2, &n2), kMixOk);
            std::memcpy(p1, bytes.data(), n1);
            EXPECT_EQ(core.Unlock(id), kMixOk);
            return id;
        }
        std::vector<float> Render(uint32_t frames) {
            std::vector<float> out(2 * size_t{frames}, 1.0f);
            core.Render(out.data(), frames);
            return out;
        }
    };
    std::vector<uint8_t> loud;
    for (int i = 0; i < 4800; ++i) PutSample(loud, i % 2 ? 0.9 : -0.9, 16, false);
    const auto quiet = SineBytes(4800, 700, 48000, 1, 16);
    Rig skipping, running;
    int starts = 0;
    skipping.core.SetStartListener([&] { ++starts; });
    EXPECT_TRUE(skipping.core.Idle());
    for (Rig* r : {&skipping, &running}) {
        // Two loud voices over the ceiling, one stopped midway (a fading tail): the limiter
        // works, and nothing is idle until the last of it has let go.
        const uint32_t a = r->Buffer(loud), b = r->Buffer(loud);
        ASSERT_EQ(r->core.Play(a, false), kMixOk);
        ASSERT_EQ(r->core.Play(b, true), kMixOk);
        EXPECT_FALSE(r->core.Idle());
        r->Render(1000);
        ASSERT_EQ(r->core.Stop(b), kMixOk);
        EXPECT_FALSE(r->core.Idle());
        int periods = 0;
        while (!r->core.Idle() && periods < 1000) {
            r->Render(256);
            ++periods;
        }
        ASSERT_TRUE(r->core.Idle());
        EXPECT_GT(periods * 256, 4800 - 1000); // the one-shot's end, and then the limiter's
    }
    EXPECT_EQ(starts, 2);
    // Renders the idle mix leaves out give silence; the next sound is the same either way.
    const auto left = running.Render(10000);
    EXPECT_EQ(Peak(left), 0.0f);
    EXPECT_TRUE(running.core.Idle());
    std::vector<float> next[2];
    for (int i = 0; i < 2; ++i) {
        Rig& r = i == 0 ? skipping : running;
        ASSERT_EQ(r.core.Play(r.Buffer(quiet), false), kMixOk);
        EXPECT_FALSE(r.core.Idle());
        next[i] = r.Render(2400);
    }
    EXPECT_EQ(starts, 3);
    EXPECT_GT(Peak(next[0]), 0.4f);
    EXPECT_EQ(next[0], next[1]);
}

// Every kind of stretch the mix has — mono and stereo, slow and fast, looping, ending, cut
// off, starting — at the limiter's ceiling and below it, rendered in pieces of awkward
// sizes: the vector loops must give the plain loops' samples to the bit.
TEST(MixLoops, VectorAndPlainGiveTheSameSamples) {
    if (&BestMixLoops() == &PlainMixLoops()) GTEST_SKIP() << "no vector loops on this processor";
    auto render = [](const MixLoops& loops) {
        OfflineAudioBackend backend(48000);
        backend.UseMixLoops(loops);
        std::unique_ptr<MixerDevice> device;
        EXPECT_EQ(backend.CreateDevice(device), kMixOk);
        std::vector<std::unique_ptr<MixerBuffer>> voices;
        const uint32_t rates[] = {8000, 11025, 22050, 44100, 48000, 96000, 37800};
        for (uint32_t i = 0; i < 14; ++i) {
            const auto ch = static_cast<uint16_t>(1 + i % 2);
            const uint32_t rate = rates[i % 7];
            voices.push_back(
                Load(*device, FormatOf(ch, rate, 16),
                     SineBytes(rate / 5 + 7 * i, 300.0 + 91.0 * i, rate, ch, 16, false, 0.45)));
            MixerBuffer& v = *voices.back();
            EXPECT_EQ(v.SetFrequency(rate + 313 * i), kMixOk);
            EXPECT_EQ(v.SetPan(-10000 + 1500 * static_cast<int32_t>(i)), kMixOk);
            EXPECT_EQ(v.Play(i % 3 != 0), kMixOk); // every third a one-shot that ends
        }
        std::vector<float> out;
        auto take = [&](uint32_t frames) {
            const auto part = backend.RenderFrames(frames);
            out.insert(out.end(), part.begin(), part.end());
        };
        for (uint32_t n : {1u, 3u, 257u, 4096u, 15u, 999u}) take(n);
        voices[1]->Stop();                        // a fade
        EXPECT_EQ(voices[4]->Play(true), kMixOk); // a restart
        EXPECT_EQ(voices[5]->SetCurrentPosition(0), kMixOk);
        take(2048);
        for (size_t i = 2; i < voices.size(); ++i) voices[i]->Stop();
        take(9000); // the limiter lets go
        return out;
    };
    const auto plain = render(PlainMixLoops());
    const auto vector = render(BestMixLoops());
    ASSERT_EQ(plain.size(), vector.size());
    EXPECT_GE(Peak(plain), MixerCore::kLimitCeiling * 0.999f); // the limiter did work
    for (size_t i = 0; i < plain.size(); ++i)
        ASSERT_EQ(std::bit_cast<uint32_t>(plain[i]), std::bit_cast<uint32_t>(vector[i])) << i;
}

} // namespace
} // namespace vl::platform
