// SDL2 output tests: a device opens on SDL's dummy driver and pulls the mix; an
// impossible driver leaves the backend without output and CreateDevice fails cleanly.
#include "mixer_helpers.h"

#include <chrono>
#include <cstdlib>
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

TEST(MixerSdl, DummyDriverOpensAndPlays) {
    AudioDriverScope driver("dummy");
    auto backend = std::make_unique<SdlAudioBackend>();
    ASSERT_TRUE(backend->HasOutput());
    EXPECT_GT(backend->PeriodFrames(), 0u);
    EXPECT_TRUE(backend->OutputRate() == 44100 || backend->OutputRate() == 48000);
    std::unique_ptr<MixerDevice> device;
    ASSERT_EQ(backend->CreateDevice(device), kMixOk);
    ASSERT_TRUE(device);
    auto buf = Load(*device, FormatOf(1, 48000, 16), SineBytes(480, 1000, 48000, 1, 16));
    ASSERT_EQ(buf->Play(false), kMixOk);
    // The dummy driver pulls periods in real time; a 10 ms sound ends well within 5 s.
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

TEST(MixerSdl, ImpossibleDriverMeansNoOutput) {
    AudioDriverScope driver("nonexistent");
    SdlAudioBackend backend;
    EXPECT_FALSE(backend.HasOutput());
    std::unique_ptr<MixerDevice> device;
    EXPECT_EQ(backend.CreateDevice(device), kMixErrNotAllocated);
    EXPECT_FALSE(device);
}

} // namespace
} // namespace vl::platform
