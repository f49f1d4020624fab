// SPDX-License-Identifier: GPL-3.0-or-later
// The mixer's yardstick: OpenAL Soft mixing the same 32 voices as BM_Mix32VoicesOneSecond
// (bench/mixer.cpp) — the same tones, rates, pitches, gains and spread of pans — into one
// second of 48 kHz float stereo through its loopback device, with its linear resampler
// and its output limiter, so that one run of bench_mixer gives both figures.
#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

std::vector<int16_t> ToneSamples(uint32_t frames, uint32_t rate, int channels) {
    std::vector<int16_t> s;
    for (uint32_t i = 0; i < frames; ++i) {
        const auto v =
            static_cast<int16_t>(8000 * std::sin(2 * std::numbers::pi * 440.0 * i / rate));
        for (int c = 0; c < channels; ++c) s.push_back(v);
    }
    return s;
}

// The index of the resampler named `name`, or -1.
ALint ResamplerNamed(const char* name) {
    const ALint n = alGetInteger(AL_NUM_RESAMPLERS_SOFT);
    for (ALint i = 0; i < n; ++i)
        if (std::strcmp(alGetStringiSOFT(AL_RESAMPLER_NAME_SOFT, i), name) == 0) return i;
    return -1;
}

void BM_OpenAlSoftMix32VoicesOneSecond(benchmark::State& state) {
    ALCdevice* device = alcLoopbackOpenDeviceSOFT(nullptr);
    if (device == nullptr) {
        state.SkipWithError("OpenAL Soft: no loopback device");
        return;
    }
    const ALCint attrs[] = {ALC_FREQUENCY,
                            48000,
                            ALC_FORMAT_CHANNELS_SOFT,
                            ALC_STEREO_SOFT,
                            ALC_FORMAT_TYPE_SOFT,
                            ALC_FLOAT_SOFT,
                            ALC_HRTF_SOFT,
                            ALC_FALSE,
                            ALC_OUTPUT_LIMITER_SOFT,
                            static_cast<ALCint>(state.range(0)),
                            0};
    ALCcontext* context = alcCreateContext(device, attrs);
    alcMakeContextCurrent(context);
    alDistanceModel(AL_NONE);
    const ALint linear = ResamplerNamed("Linear");
    if (linear < 0) state.SkipWithError("OpenAL Soft: no linear resampler");

    const uint32_t rates[] = {11025, 22050, 44100, 32000, 8000, 16000, 96000, 37800};
    ALuint buffers[32], sources[32];
    alGenBuffers(32, buffers);
    alGenSources(32, sources);
    for (int i = 0; i < 32; ++i) {
        const uint32_t rate = rates[i % 8];
        const int channels = 1 + i % 2;
        const auto samples = ToneSamples(rate / 3, rate, channels);
        alBufferData(buffers[i], channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16,
                     samples.data(), static_cast<ALsizei>(samples.size() * sizeof(int16_t)),
                     static_cast<ALsizei>(rate));
        const ALuint s = sources[i];
        alSourcei(s, AL_BUFFER, static_cast<ALint>(buffers[i]));
        alSourcei(s, AL_LOOPING, AL_TRUE);
        alSourcei(s, AL_SOURCE_RESAMPLER_SOFT, linear);
        alSourcef(s, AL_PITCH, static_cast<float>(rate + 1000 + 37 * i) / static_cast<float>(rate));
        alSourcef(s, AL_GAIN, static_cast<float>(std::pow(10.0, -100.0 * (i % 8) / 2000.0)));
        // The same spread as the pans -10000 + 625 i: from hard left to nearly hard right.
        const double angle = (-1.0 + 0.0625 * i) * std::numbers::pi / 2;
        alSourcei(s, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(s, AL_POSITION, static_cast<float>(std::sin(angle)), 0.0f,
                   static_cast<float>(-std::cos(angle)));
        alSourcePlay(s);
    }
    std::vector<float> out(2 * 48000);
    for (auto _ : state) {
        alcRenderSamplesSOFT(device, out.data(), 48000);
        benchmark::DoNotOptimize(out.data());
    }
    if (alGetError() != AL_NO_ERROR) state.SkipWithError("OpenAL Soft reported an error");
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 48000 * 32);
    alDeleteSources(32, sources);
    alDeleteBuffers(32, buffers);
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);
}
// Argument: OpenAL Soft's output limiter off (0) or on (1).
BENCHMARK(BM_OpenAlSoftMix32VoicesOneSecond)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
