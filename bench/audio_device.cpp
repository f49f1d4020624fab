// SPDX-License-Identifier: GPL-3.0-or-later
// Audio device benchmark: what a lost output device costs, measured on SDL's disk driver
// in real time. Targets: sound is back at most 1 s after a removal when a device is there
// to take over (and at most 1 s after a device returns), and a play with wait on a dead
// device ends at most one period after its sound would have.
#include "platform/Mixer.h"
#include "platform/WaveFormat.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

namespace {

using namespace vl::platform;
using Clock = std::chrono::steady_clock;

std::unique_ptr<SdlAudioBackend> DiskBackend(bool withoutDevice) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    SdlAudioOptions options;
    options.notice = [](std::string_view) {};
    options.startWithoutDevice = withoutDevice;
    return std::make_unique<SdlAudioBackend>(std::move(options));
}

// Seconds until `done`, polled every 0.2 ms.
double SecondsUntil(const std::function<bool()>& done) {
    const auto start = Clock::now();
    while (!done()) std::this_thread::sleep_for(std::chrono::microseconds(200));
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The new device's first period after a reopen.
bool NewDevicePulled(const SdlAudioBackend& b, uint32_t openings, uint64_t& pullsAtOpen) {
    if (b.OutputOpenings() <= openings) return false;
    if (pullsAtOpen == 0) pullsAtOpen = b.PeriodsPulled() + 1;
    return b.PeriodsPulled() > pullsAtOpen;
}

// Removal with another device there at once: from the removal to the new device's pull.
void BM_SilenceGapDeviceReplaced(benchmark::State& state) {
    auto backend = DiskBackend(false);
    for (auto _ : state) {
        const uint32_t openings = backend->OutputOpenings();
        uint64_t pullsAtOpen = 0;
        backend->SimulateOutputLoss();
        backend->SimulateOutputReturn();
        state.SetIterationTime(
            SecondsUntil([&] { return NewDevicePulled(*backend, openings, pullsAtOpen); }));
    }
}
BENCHMARK(BM_SilenceGapDeviceReplaced)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// The device returns 100 ms after the removal, after the attempt made at once has failed
// (close to the worst case, a return just after it): from its return to its first pull.
void BM_SilenceGapDeviceBack(benchmark::State& state) {
    auto backend = DiskBackend(false);
    for (auto _ : state) {
        const uint32_t openings = backend->OutputOpenings();
        uint64_t pullsAtOpen = 0;
        backend->SimulateOutputLoss();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        backend->SimulateOutputReturn();
        state.SetIterationTime(
            SecondsUntil([&] { return NewDevicePulled(*backend, openings, pullsAtOpen); }));
    }
}
BENCHMARK(BM_SilenceGapDeviceBack)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// A 100 ms one-shot played and waited for: the time beyond 100 ms until the mixer ends
// it, on a dead device (arg 1) and, for comparison, a live one (arg 0).
void BM_WaitExtra(benchmark::State& state) {
    auto backend = DiskBackend(state.range(0) == 1);
    std::unique_ptr<MixerDevice> device;
    backend->CreateDevice(device);
    const auto fmt = MakeFormatBlock(1, 48000, 16);
    std::unique_ptr<MixerBuffer> buf;
    device->CreateBuffer(fmt, 9600, buf); // 100 ms of silence: only its length matters
    double worstMs = -1000;
    for (auto _ : state) {
        buf->SetCurrentPosition(0);
        buf->Play(false);
        const double s = SecondsUntil([&] {
            uint32_t status = 0;
            return buf->GetStatus(&status) != kMixOk || status == 0;
        });
        const double extra = s - 0.1;
        worstMs = std::max(worstMs, extra * 1000);
        state.SetIterationTime(std::max(extra, 0.0));
    }
    state.counters["worst_extra_ms"] = worstMs;
    // A device that never opened has the period asked for: 512 frames.
    const uint32_t period = backend->PeriodFrames() != 0 ? backend->PeriodFrames() : 512;
    state.counters["period_ms"] = 1000.0 * period / backend->OutputRate();
}
BENCHMARK(BM_WaitExtra)
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

} // namespace
