// SDL2 output tests: a device opens on SDL's disk driver and pulls the mix; the dummy
// driver and an impossible driver leave the backend without output and CreateDevice
// fails cleanly.
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

TEST(MixerSdl, DummyOrImpossibleDriverMeansNoOutput) {
    for (const char* name : {"dummy", "nonexistent"}) {
        AudioDriverScope driver(name);
        SdlAudioBackend backend;
        EXPECT_FALSE(backend.HasOutput()) << name;
        std::unique_ptr<MixerDevice> device;
        EXPECT_EQ(backend.CreateDevice(device), kMixErrNotAllocated) << name;
        EXPECT_FALSE(device) << name;
    }
}

} // namespace
} // namespace vl::platform
