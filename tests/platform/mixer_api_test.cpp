// SPDX-License-Identifier: GPL-3.0-or-later
// Mixer API tests: format checks, setter ranges, locking, lifetimes, the lost-buffer hook
// and the offline backend's clock link and capture.
#include "mixer_helpers.h"

#include "container/Error.h"
#include "platform/Clock.h"

#include <filesystem>
#include <fstream>

namespace vl::platform {
namespace {

using namespace vl::platform::testing;

class MixerApi : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(backend.CreateDevice(device), kMixOk); }
    std::unique_ptr<MixerBuffer> Sine(uint32_t frames = 4800) {
        return Load(*device, FormatOf(1, 48000, 16), SineBytes(frames, 1000, 48000, 1, 16));
    }
    OfflineAudioBackend backend{48000};
    std::unique_ptr<MixerDevice> device;
};

TEST_F(MixerApi, RejectsFormatsItCannotPlay) {
    auto bad = [&](std::vector<uint8_t> block, uint32_t bytes = 100) {
        std::unique_ptr<MixerBuffer> buf;
        const MixResult r = device->CreateBuffer(block, bytes, buf);
        EXPECT_FALSE(buf);
        return r;
    };
    auto withField = [](std::vector<uint8_t> b, size_t at, uint16_t v) {
        b[at] = static_cast<uint8_t>(v);
        b[at + 1] = static_cast<uint8_t>(v >> 8);
        return b;
    };
    const auto pcm = FormatOf(2, 44100, 16);
    EXPECT_EQ(bad({}), kMixErrBadFormat);
    EXPECT_EQ(bad({pcm.begin(), pcm.begin() + 15}), kMixErrBadFormat);
    EXPECT_EQ(bad(withField(pcm, 0, 2)), kMixErrBadFormat);         // ADPCM
    EXPECT_EQ(bad(withField(pcm, 2, 0)), kMixErrBadFormat);         // no channels
    EXPECT_EQ(bad(withField(pcm, 2, 6)), kMixErrBadFormat);         // 5.1
    EXPECT_EQ(bad(withField(pcm, 12, 2)), kMixErrBadFormat);        // block align != 2*16/8
    EXPECT_EQ(bad(withField(pcm, 14, 12)), kMixErrBadFormat);       // 12-bit
    EXPECT_EQ(bad(withField(pcm, 4, 50)), kMixErrBadFormat);        // rate below 100 Hz
    EXPECT_EQ(bad(FormatOf(1, 44100, 16, true)), kMixErrBadFormat); // 16-bit float
    auto ext = ExtensibleOf(2, 44100, 16);
    EXPECT_EQ(bad({ext.begin(), ext.begin() + 39}), kMixErrBadFormat); // cut short
    EXPECT_EQ(bad(withField(ext, 16, 20)), kMixErrBadFormat);          // cbSize too small
    EXPECT_EQ(bad(withField(ext, 24, 2)), kMixErrBadFormat);           // ADPCM subformat
    auto guid = ext;
    guid[39] ^= 1;
    EXPECT_EQ(bad(guid), kMixErrBadFormat);                   // not a KSDATAFORMAT subtype
    EXPECT_EQ(bad(withField(ext, 18, 24)), kMixErrBadFormat); // more valid bits than stored
    // Good formats with a bad size.
    EXPECT_EQ(bad(pcm, 0), kMixErrInvalidParam);
    // A plain 18-byte block with cbSize 0, as many writers make it, is fine.
    auto pcm18 = pcm;
    pcm18.push_back(0);
    pcm18.push_back(0);
    std::unique_ptr<MixerBuffer> buf;
    EXPECT_EQ(device->CreateBuffer(pcm18, 3, buf), kMixOk);
    EXPECT_EQ(buf->Length(), 3u); // exactly the bytes asked for, even a partial frame
}

TEST_F(MixerApi, OutOfRangeSettersLeaveSettingsUnchanged) {
    auto buf = Sine();
    ASSERT_EQ(buf->SetFrequency(22050), kMixOk);
    ASSERT_EQ(buf->SetPan(-500), kMixOk);
    ASSERT_EQ(buf->SetVolume(-700), kMixOk);
    for (uint32_t hz : {1u, 99u, 200001u, 0xFFFFFFFFu})
        EXPECT_EQ(buf->SetFrequency(hz), kMixErrInvalidParam);
    for (int32_t pan : {-10001, 10001, INT32_MIN}) EXPECT_EQ(buf->SetPan(pan), kMixErrInvalidParam);
    for (int32_t vol : {1, -10001, INT32_MAX}) EXPECT_EQ(buf->SetVolume(vol), kMixErrInvalidParam);
    EXPECT_EQ(buf->Frequency(), 22050u);
    EXPECT_EQ(buf->Pan(), -500);
    EXPECT_EQ(buf->Volume(), -700);
    EXPECT_EQ(buf->SetFrequency(100), kMixOk);
    EXPECT_EQ(buf->SetFrequency(200000), kMixOk);
    EXPECT_EQ(buf->SetFrequency(0), kMixOk);
    EXPECT_EQ(buf->Frequency(), 48000u);
    EXPECT_EQ(buf->SetCurrentPosition(buf->Length()), kMixErrInvalidParam);
}

TEST_F(MixerApi, LockGivesOneOrTwoRegions) {
    std::unique_ptr<MixerBuffer> buf;
    ASSERT_EQ(device->CreateBuffer(FormatOf(1, 8000, 8), 100, buf), kMixOk);
    uint8_t *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 7;
    ASSERT_EQ(buf->Lock(0, 100, &p1, &n1, &p2, &n2), kMixOk);
    EXPECT_EQ(n1, 100u);
    EXPECT_EQ(p2, nullptr);
    EXPECT_EQ(n2, 0u);
    EXPECT_EQ(p1[0], 0x80); // 8-bit silence
    uint8_t* base = p1;
    ASSERT_EQ(buf->Unlock(), kMixOk);
    ASSERT_EQ(buf->Lock(90, 30, &p1, &n1, &p2, &n2), kMixOk);
    EXPECT_EQ(p1, base + 90);
    EXPECT_EQ(n1, 10u);
    EXPECT_EQ(p2, base);
    EXPECT_EQ(n2, 20u);
    ASSERT_EQ(buf->Unlock(), kMixOk);
    EXPECT_EQ(buf->Lock(100, 1, &p1, &n1, &p2, &n2), kMixErrInvalidParam);
    EXPECT_EQ(buf->Lock(0, 101, &p1, &n1, &p2, &n2), kMixErrInvalidParam);
    EXPECT_EQ(buf->Lock(50, 60, &p1, &n1, nullptr, nullptr), kMixErrInvalidParam);
    EXPECT_EQ(buf->Unlock(), kMixErrInvalidParam); // nothing locked
}

TEST_F(MixerApi, PrimaryBufferHoldsNoSamples) {
    std::unique_ptr<MixerBuffer> primary, dup;
    ASSERT_EQ(device->CreatePrimaryBuffer(primary), kMixOk);
    uint8_t *p1, *p2;
    uint32_t n1, n2, status = 9;
    EXPECT_FALSE(MixSucceeded(primary->Lock(0, 1, &p1, &n1, &p2, &n2)));
    EXPECT_FALSE(MixSucceeded(primary->Play(false)));
    EXPECT_FALSE(MixSucceeded(device->DuplicateBuffer(*primary, dup)));
    EXPECT_EQ(primary->GetStatus(&status), kMixOk);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(device->SetCooperativeLevel(0x1234, 1), kMixOk);
    EXPECT_EQ(device->SetCooperativeLevel(0x1234, 3), kMixOk);
}

TEST_F(MixerApi, DestroyingTheDeviceSilencesAndInvalidatesItsBuffers) {
    auto buf = Sine(48000);
    std::unique_ptr<MixerBuffer> dup;
    ASSERT_EQ(device->DuplicateBuffer(*buf, dup), kMixOk);
    ASSERT_EQ(buf->Play(true), kMixOk);
    ASSERT_EQ(dup->Play(true), kMixOk);
    EXPECT_GT(Peak(backend.RenderFrames(480)), 0.9f);
    device.reset();
    backend.RenderFrames(64); // the fade-out
    EXPECT_EQ(Peak(backend.RenderFrames(480)), 0.0f);
    uint32_t status = 0;
    EXPECT_EQ(buf->GetStatus(&status), kMixErrNotAllocated);
    EXPECT_EQ(buf->Play(false), kMixErrNotAllocated);
    EXPECT_EQ(dup->SetPan(0), kMixErrNotAllocated);
    EXPECT_EQ(buf->Length(), 0u);
    buf.reset(); // harmless afterwards
    dup.reset();
    // Other devices of the same backend are unaffected.
    ASSERT_EQ(backend.CreateDevice(device), kMixOk);
    auto again = Sine();
    ASSERT_EQ(again->Play(false), kMixOk);
    EXPECT_GT(Peak(backend.RenderFrames(480)), 0.4f);
}

TEST(MixerLifetime, BuffersAndDevicesOutliveTheirBackend) {
    std::unique_ptr<MixerDevice> device;
    std::unique_ptr<MixerBuffer> buf;
    {
        OfflineAudioBackend backend;
        ASSERT_EQ(backend.CreateDevice(device), kMixOk);
        buf = Load(*device, FormatOf(1, 48000, 16), SineBytes(480, 1000, 48000, 1, 16));
        ASSERT_EQ(buf->Play(true), kMixOk);
    }
    uint32_t status = 0;
    EXPECT_EQ(buf->GetStatus(&status), kMixOk);
    EXPECT_EQ(buf->Stop(), kMixOk);
    device.reset();
    EXPECT_EQ(buf->Play(false), kMixErrNotAllocated);
}

TEST_F(MixerApi, SimulatedLossAffectsOnlyExistingBuffersOfTheDevice) {
    auto lost = Sine(48000);
    std::unique_ptr<MixerDevice> other;
    ASSERT_EQ(backend.CreateDevice(other), kMixOk);
    auto elsewhere = Load(*other, FormatOf(1, 48000, 16), SineBytes(480, 1000, 48000, 1, 16));
    ASSERT_EQ(lost->Play(true), kMixOk);
    device->SimulateBufferLoss();
    uint32_t status = 0;
    uint8_t *p1, *p2;
    uint32_t n1, n2;
    EXPECT_EQ(lost->GetStatus(&status), kMixErrBufferLost);
    EXPECT_EQ(lost->Play(false), kMixErrBufferLost);
    EXPECT_EQ(lost->Stop(), kMixErrBufferLost);
    EXPECT_EQ(lost->SetCurrentPosition(0), kMixErrBufferLost);
    EXPECT_EQ(lost->SetFrequency(0), kMixErrBufferLost);
    EXPECT_EQ(lost->SetPan(0), kMixErrBufferLost);
    EXPECT_EQ(lost->SetVolume(0), kMixErrBufferLost);
    EXPECT_EQ(lost->Lock(0, 2, &p1, &n1, &p2, &n2), kMixErrBufferLost);
    std::unique_ptr<MixerBuffer> dup;
    EXPECT_EQ(device->DuplicateBuffer(*lost, dup), kMixErrBufferLost);
    backend.RenderFrames(64);
    EXPECT_EQ(Peak(backend.RenderFrames(480)), 0.0f); // the lost sound stopped
    // A buffer made anew works, and so does the other device.
    auto fresh = Sine();
    EXPECT_EQ(fresh->Play(false), kMixOk);
    EXPECT_EQ(elsewhere->Play(false), kMixOk);
    EXPECT_GT(Peak(backend.RenderFrames(480)), 0.9f);
}

TEST_F(MixerApi, ClockSleepRendersItsTimeAndPlayEndsOnTime) {
    // Clock at 5000 ms when attached: the mixer's time is matched to it, nothing jumps.
    VirtualClock clock(5000);
    backend.AttachClock(clock);
    auto buf = Sine(1234); // 25.7 ms
    ASSERT_EQ(buf->Play(false), kMixOk);
    uint32_t status = kMixStatusPlaying;
    uint64_t waited = 0;
    // As the bank waits for a sound: test, then sleep 10 ms.
    while (buf->GetStatus(&status) == kMixOk && (status & 5) != 0) {
        clock.SleepMs(10);
        waited += 10;
        ASSERT_LT(waited, 1000u);
    }
    EXPECT_EQ(waited, 30u);
    EXPECT_EQ(backend.FramesRendered(), 1440u);
    backend.RenderUntilMs(20); // already past: nothing
    EXPECT_EQ(backend.FramesRendered(), 1440u);
    backend.RenderUntilMs(100);
    EXPECT_EQ(backend.FramesRendered(), 4800u);
}

TEST_F(MixerApi, ClockOutlivingTheBackendIsHarmless) {
    VirtualClock clock;
    {
        OfflineAudioBackend shortLived;
        shortLived.AttachClock(clock);
        clock.SleepMs(10);
        EXPECT_EQ(shortLived.FramesRendered(), 480u);
    }
    clock.SleepMs(10); // the listener finds the backend gone
    EXPECT_EQ(clock.ElapsedMs(), 20u);
}

TEST_F(MixerApi, CaptureIsWrittenAsWav) {
    backend.SetCapture(true);
    auto buf = Sine(480);
    ASSERT_EQ(buf->SetPan(10000), kMixOk);
    ASSERT_EQ(buf->Play(false), kMixOk);
    backend.RenderUntilMs(20);
    ASSERT_EQ(backend.Captured().size(), 2u * 960);
    const auto path = std::filesystem::path(::testing::TempDir()) / "mixer_capture.wav";
    backend.WriteCaptureWav(path.string());
    std::ifstream f(path, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(f)), {});
    ASSERT_EQ(b.size(), 44u + 960 * 4);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    const auto fmt = ParseWaveFormat({b.data() + 20, 16});
    ASSERT_TRUE(fmt);
    EXPECT_EQ(fmt->channels, 2);
    EXPECT_EQ(fmt->sampleRate, 48000u);
    EXPECT_EQ(fmt->bitsPerSample, 16);
    auto sample = [&](size_t frame, int ch) {
        const size_t at = 44 + frame * 4 + ch * 2;
        return static_cast<int16_t>(b[at] | (b[at + 1] << 8));
    };
    EXPECT_EQ(sample(60, 0), 0);          // left silent
    EXPECT_NEAR(sample(60, 1), 16383, 2); // right: 0.5 at a crest after the start's rise
    EXPECT_EQ(sample(700, 1), 0);         // after the end
    std::filesystem::remove(path);
    EXPECT_THROW(backend.WriteCaptureWav("/nonexistent-dir/x.wav"), vl::Error);
}

} // namespace
} // namespace vl::platform
