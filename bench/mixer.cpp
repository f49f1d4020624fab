// SPDX-License-Identifier: GPL-3.0-or-later
// Mixer benchmark: one second of 48 kHz stereo output with 32 looping voices, each
// resampled from its own rate and panned, through the output limiter. Targets: at most
// 5 ms of CPU per second, and half of what OpenAL Soft's linear mixer takes for the same
// voices (bench/openal/mixer_openal.cpp, in the same binary when OpenAL Soft is there).
#include "platform/Mixer.h"
#include "platform/MixLoops.h"
#include "platform/WaveFormat.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <numbers>

namespace {

using namespace vl::platform;

std::vector<uint8_t> Tone(uint32_t frames, uint32_t rate, uint16_t channels) {
    std::vector<uint8_t> b;
    for (uint32_t i = 0; i < frames; ++i) {
        const auto s =
            static_cast<int16_t>(8000 * std::sin(2 * std::numbers::pi * 440.0 * i / rate));
        for (int c = 0; c < channels; ++c) {
            b.push_back(static_cast<uint8_t>(s));
            b.push_back(static_cast<uint8_t>(s >> 8));
        }
    }
    return b;
}

void BM_Mix32VoicesOneSecond(benchmark::State& state) {
    OfflineAudioBackend backend(48000);
    backend.UseMixLoops(state.range(0) != 0 ? BestMixLoops() : PlainMixLoops());
    std::unique_ptr<MixerDevice> device;
    backend.CreateDevice(device);
    std::vector<std::unique_ptr<MixerBuffer>> voices;
    const uint32_t rates[] = {11025, 22050, 44100, 32000, 8000, 16000, 96000, 37800};
    for (int i = 0; i < 32; ++i) {
        const uint32_t rate = rates[i % 8];
        const uint16_t channels = static_cast<uint16_t>(1 + i % 2);
        const auto fmt = MakeFormatBlock(channels, rate, 16);
        const auto bytes = Tone(rate / 3, rate, channels); // a third of a second, looped
        std::unique_ptr<MixerBuffer> buf;
        device->CreateBuffer(fmt, static_cast<uint32_t>(bytes.size()), buf);
        uint8_t *p1, *p2;
        uint32_t n1, n2;
        buf->Lock(0, buf->Length(), &p1, &n1, &p2, &n2);
        std::memcpy(p1, bytes.data(), n1);
        buf->Unlock();
        // A rate different from the wave's own and the output's, and a pan of its own.
        buf->SetFrequency(rate + 1000 + 37 * static_cast<uint32_t>(i));
        buf->SetPan(-10000 + 625 * i);
        buf->SetVolume(-100 * (i % 8));
        buf->Play(true);
        voices.push_back(std::move(buf));
    }
    uint64_t ms = 0;
    for (auto _ : state) {
        ms += 1000;
        backend.RenderUntilMs(ms);
    }
    benchmark::DoNotOptimize(backend.FramesRendered());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 48000 * 32);
}
// Argument: the plain loops (0) or the fastest this processor has (1).
BENCHMARK(BM_Mix32VoicesOneSecond)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
