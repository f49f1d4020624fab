// SPDX-License-Identifier: GPL-3.0-or-later
// SDL2 output tests: a device opens on SDL's disk driver and pulls the mix; the dummy
// driver leaves the backend without output and CreateDevice fails cleanly; a start
// without a device says so once and plays on the mixer's own time; a removed or stalled
// device is reopened and the voices go on.
#include "mixer_helpers.h"

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace vl::platform {
namespace {

using namespace vl::platform::testing;

// Sets SDL_AUDIODRIVER for one test and puts the old value back.
class AudioDriverScope {
public:
    explicit AudioDriverScope(const char* driver) {
        if (const char* old = std::getenv("SDL_AUDIODRIVER")) old_ = old;
        setenv("SDL_AUDIODRIVER", driver, 1);
    }
    ~AudioDriverScope() {
        if (old_)
            setenv("SDL_AUDIODRIVER", old_->c_str(), 1);
        else
            unsetenv("SDL_AUDIODRIVER");
    }
    AudioDriverScope(const AudioDriverScope&) = delete;
    AudioDriverScope& operator=(const AudioDriverScope&) = delete;

private:
    std::optional<std::string> old_;
};

TEST(MixerSdl, DiskDriverOpensAndPlays) {
    AudioDriverScope driver("disk");
    const std::string file = ::testing::TempDir() + "vlnedla_sdl_disk.raw";
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    auto backend = std::make_unique<SdlAudioBackend>();
    ASSERT_TRUE(backend->HasOutput());
    EXPECT_GT(backend->PeriodFrames(), 0u);
    EXPECT_TRUE(backend->OutputRate() == 44100 || backend->OutputRate() == 48000);
    std::unique_ptr<MixerDevice> device;
    ASSERT_EQ(backend->CreateDevice(device), kMixOk);
    ASSERT_TRUE(device);
    auto buf = Load(*device, FormatOf(1, 48000, 16), SineBytes(480, 1000, 48000, 1, 16));
    ASSERT_EQ(buf->Play(false), kMixOk);
    // The disk driver pulls periods in real time; a 10 ms sound ends well within 5 s.
    uint32_t status = kMixStatusPlaying;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (buf->GetStatus(&status) == kMixOk && status != 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(status, 0u);
    // Closing the output before its device and buffers are gone is safe; they live on
    // without sound.
    ASSERT_EQ(buf->Play(true), kMixOk);
    backend.reset();
    EXPECT_EQ(buf->Stop(), kMixOk);
}

TEST(MixerSdl, DummyDriverIsSilentOnPurposeAndSaysNothing) {
    AudioDriverScope driver("dummy");
    int notices = 0;
    SdlAudioBackend backend(SdlAudioOptions{[&](std::string_view) { ++notices; }});
    EXPECT_FALSE(backend.HasOutput());
    std::unique_ptr<MixerDevice> device;
    EXPECT_EQ(backend.CreateDevice(device), kMixErrNotAllocated);
    EXPECT_FALSE(device);
    EXPECT_EQ(notices, 0);
}

// Polls `done` every 2 ms for up to `limitMs`; the milliseconds it took, or -1.
int64_t MsUntil(const std::function<bool()>& done, int64_t limitMs = 5000) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        if (done()) return ms;
        if (ms > limitMs) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

bool Sounding(const MixerBuffer& b) {
    uint32_t status = 0;
    return b.GetStatus(&status) == kMixOk && status != 0;
}

TEST(MixerSdl, StartWithoutDeviceSaysSoOncePlaysOnTimeAndPicksOneUp) {
    // An impossible driver and the disk driver's device kept away by the seam.
    for (const char* name : {"nonexistent", "disk"}) {
        AudioDriverScope driver(name);
        setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
        std::vector<std::string> notices;
        SdlAudioBackend backend(
            SdlAudioOptions{[&](std::string_view t) { notices.emplace_back(t); }, true, 20});
        ASSERT_TRUE(backend.HasOutput()) << name;
        EXPECT_FALSE(backend.OutputRunning()) << name;
        std::unique_ptr<MixerDevice> device;
        ASSERT_EQ(backend.CreateDevice(device), kMixOk) << name;
        // 150 ms of sound ends by the real clock, neither at once nor never. The mix is timed
        // by the supervisor's looks, each rendering the time since the last: a look that comes
        // late (a loaded machine, sanitizers) renders time from before the sound started too.
        auto buf = Load(*device, FormatOf(1, 48000, 16), SineBytes(7200, 500, 48000, 1, 16));
        ASSERT_EQ(buf->Play(false), kMixOk);
        const int64_t ms = MsUntil([&] { return !Sounding(*buf); });
        EXPECT_GE(ms, 100) << name;
        EXPECT_NE(ms, -1) << name;
        // Many attempts later, still the one message.
        ASSERT_EQ(notices, std::vector<std::string>{std::string(kNoAudioOutputMessage)}) << name;
        if (std::string(name) == "disk") {
            backend.SimulateOutputReturn();
            EXPECT_NE(MsUntil([&] { return backend.PeriodsPulled() > 2; }), -1);
            EXPECT_GE(backend.OutputOpenings(), 1u);
        }
    }
}

TEST(MixerSdl, AnIdleMixRestsAndASoundEndsItAtOnce) {
    AudioDriverScope driver("disk");
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    SdlAudioOptions options;
    options.restMs = 2000; // a rest that only a wake-up ends within the times below
    SdlAudioBackend backend(std::move(options));
    ASSERT_TRUE(backend.OutputRunning());
    std::unique_ptr<MixerDevice> device;
    ASSERT_EQ(backend.CreateDevice(device), kMixOk);
    auto blip = Load(*device, FormatOf(1, 48000, 16), SineBytes(480, 1000, 48000, 1, 16));
    ASSERT_EQ(blip->Play(false), kMixOk);
    ASSERT_NE(MsUntil([&] { return !Sounding(*blip); }), -1);
    // Silent for a while: the device is asked for a few periods a second, not ~190.
    std::this_thread::sleep_for(std::chrono::milliseconds(SdlAudioBackend::kRestAfterMs + 200));
    const uint64_t before = backend.PeriodsPulled();
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_LE(backend.PeriodsPulled() - before, 2u);
    EXPECT_EQ(backend.OutputOpenings(), 1u); // a rest is no loss
    // A sound wakes it at once and plays in real time to its end.
    auto tone = Load(*device, FormatOf(1, 48000, 16), SineBytes(7200, 500, 48000, 1, 16));
    const uint64_t woken = backend.PeriodsPulled();
    ASSERT_EQ(tone->Play(false), kMixOk);
    const int64_t firstPull = MsUntil([&] { return backend.PeriodsPulled() > woken; });
    EXPECT_NE(firstPull, -1);
    EXPECT_LT(firstPull, 500);
    const int64_t ms = MsUntil([&] { return !Sounding(*tone); });
    EXPECT_GE(ms, 140);
    EXPECT_NE(ms, -1);
}

TEST(MixerSdl, RemovedOrStalledDeviceIsReopenedAndVoicesGoOn) {
    AudioDriverScope driver("disk");
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    std::vector<std::string> notices;
    SdlAudioOptions options;
    options.notice = [&](std::string_view t) { notices.emplace_back(t); };
    options.watchdogMinMs = 400; // no false alarm from a loaded machine's scheduler
    SdlAudioBackend backend(std::move(options));
    ASSERT_TRUE(backend.OutputRunning());
    std::unique_ptr<MixerDevice> device;
    ASSERT_EQ(backend.CreateDevice(device), kMixOk);
    auto loop = Load(*device, FormatOf(1, 48000, 16), SineBytes(48000, 300, 48000, 1, 16));
    ASSERT_EQ(loop->SetPan(-2000), kMixOk);
    ASSERT_EQ(loop->Play(true), kMixOk);
    const auto position = [&] {
        uint32_t p = 0;
        loop->GetCurrentPosition(&p);
        return p;
    };

    // The removal: noticed at once; no device while it is away, yet the loop moves on
    // and a one-shot ends on time.
    backend.SimulateOutputLoss();
    EXPECT_NE(MsUntil([&] { return !backend.OutputRunning(); }, 1000), -1);
    const uint32_t before = position();
    auto shot = Load(*device, FormatOf(1, 48000, 16), SineBytes(4800, 700, 48000, 1, 16));
    ASSERT_EQ(shot->Play(false), kMixOk);
    const int64_t ms = MsUntil([&] { return !Sounding(*shot); });
    EXPECT_GE(ms, 90);
    EXPECT_NE(ms, -1);
    EXPECT_NE(position(), before);

    // The device returns: taken up at the next attempt, the loop still one voice with its
    // settings; nothing said, since sound had been heard.
    backend.SimulateOutputReturn();
    const uint64_t pulled = backend.PeriodsPulled();
    EXPECT_NE(MsUntil([&] { return backend.PeriodsPulled() > pulled + 2; }), -1);
    EXPECT_EQ(backend.OutputOpenings(), 2u);
    uint32_t status = 0;
    EXPECT_EQ(loop->GetStatus(&status), kMixOk);
    EXPECT_EQ(status, kMixStatusPlaying | kMixStatusLooping);
    EXPECT_EQ(loop->Pan(), -2000);

    // A device whose callback stops without a word: the watchdog reopens.
    const uint32_t openings = backend.OutputOpenings();
    SDL_PauseAudioDevice(backend.SdlDevice(), 1);
    EXPECT_NE(MsUntil([&] { return backend.OutputOpenings() > openings; }), -1);
    EXPECT_NE(MsUntil([&] { return backend.PeriodsPulled() > pulled + 10; }), -1);
    EXPECT_TRUE(notices.empty());
}

} // namespace
} // namespace vl::platform
