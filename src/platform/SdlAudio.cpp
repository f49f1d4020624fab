// SdlAudio: the real-time output, an SDL2 audio device pulling periods from the mixer.
#include "platform/Mixer.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

namespace vl::platform {

namespace {

constexpr int kWantedRate = 48000;
constexpr Uint16 kWantedPeriod = 512; // frames; ~10.7 ms at 48 kHz

} // namespace

SdlAudioBackend::SdlAudioBackend() : AudioBackend(kWantedRate) {
    // SDL's "dummy" driver plays nothing: it counts as no audio device, so the sound
    // devices stay closed and the program runs silent, as on a machine without a sound
    // card. Every other driver that opens ("disk" included) is an output.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    sdlAudioInit_ = true;
    if (const char* driver = SDL_GetCurrentAudioDriver();
        driver != nullptr && SDL_strcasecmp(driver, "dummy") == 0)
        return;

    SDL_AudioSpec want{};
    want.freq = kWantedRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kWantedPeriod;
    want.callback = &SdlAudioBackend::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // Rate and sample format may differ (the callback converts); SDL keeps stereo for us.
    SDL_AudioDeviceID dev = SDL_OpenAudioDevice(
        nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_FORMAT_CHANGE);
    if (dev != 0 && have.format != AUDIO_F32SYS && have.format != AUDIO_S16SYS) {
        // A sample format we do not write: let SDL convert from float instead.
        SDL_CloseAudioDevice(dev);
        dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    }
    if (dev == 0) return;
    if (have.freq <= 0 || have.channels != 2) {
        SDL_CloseAudioDevice(dev);
        return;
    }
    sdlDevice_ = dev;
    floatOutput_ = have.format == AUDIO_F32SYS;
    periodFrames_ = have.samples;
    SetOutputRate(static_cast<uint32_t>(have.freq));
    // Sized for the period SDL announced; a larger request is served in pieces.
    scratch_.assign(2 * static_cast<size_t>(std::max<uint32_t>(periodFrames_, kWantedPeriod)),
                    0.0f);
    SDL_PauseAudioDevice(dev, 0);
}

SdlAudioBackend::~SdlAudioBackend() {
    // Close before the members the callback uses go away; SDL waits for a running callback.
    if (sdlDevice_ != 0) SDL_CloseAudioDevice(sdlDevice_);
    if (sdlAudioInit_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlAudioBackend::HasOutput() const {
    return sdlDevice_ != 0;
}

uint32_t SdlAudioBackend::PeriodFrames() const {
    return periodFrames_;
}

void SdlAudioBackend::Callback(void* self, uint8_t* stream, int len) noexcept {
    auto& b = *static_cast<SdlAudioBackend*>(self);
    if (len <= 0) return;
    if (b.floatOutput_) {
        const auto frames = static_cast<uint32_t>(static_cast<size_t>(len) / (2 * sizeof(float)));
        b.Render(reinterpret_cast<float*>(stream), frames);
        return;
    }
    // 16-bit output: mix into the float scratch a piece at a time and convert.
    auto* out = reinterpret_cast<int16_t*>(stream);
    size_t left = static_cast<size_t>(len) / (2 * sizeof(int16_t));
    const size_t piece = b.scratch_.size() / 2;
    while (left > 0) {
        const size_t n = std::min(left, piece);
        b.Render(b.scratch_.data(), static_cast<uint32_t>(n));
        for (size_t i = 0; i < 2 * n; ++i)
            out[i] = static_cast<int16_t>(std::lrint(b.scratch_[i] * 32767.0f));
        out += 2 * n;
        left -= n;
    }
}

} // namespace vl::platform
