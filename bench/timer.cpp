// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmarks of the per-frame input and timing work: one idle call of the frame timer
// (the message loop makes one whenever its queue is empty) and one poll of the input
// component with the match key table, through the scan-code path.
// No fixed target: both must stay far below the 10 ms frame (about 1 µs here).
#include <benchmark/benchmark.h>

#include "input/DXClass.h"
#include "input/DXInput.h"
#include "platform/Application.h"

namespace {

using namespace vl;

class BenchApp final : public platform::IApplication {
public:
    platform::IClock& Clock() override { return clock; }
    bool IsActive() const override { return true; }
    void SetIdleHandler(platform::IdleHandler handler) override { idle = std::move(handler); }
    int AddActivationListener(std::function<void(bool)>) override { return 0; }
    void RemoveActivationListener(int) override {}
    platform::VirtualClock clock;
    platform::IdleHandler idle;
};

class BenchKeys final : public platform::IInputService {
public:
    bool ReadScanCodes(platform::KeyTable& out) override {
        out = scan;
        return true;
    }
    void Acquire() override {}
    void ReadVirtualKeys(platform::KeyTable& out) override { out.fill(0); }
    platform::KeyTable scan{};
};

class Front final : public input::IInputOwnerForm {
public:
    bool IsForeground() const override { return true; }
};

// Idle calls between ticks: the cost the loop pays each time it wakes early.
void BM_IdleTickNoTick(benchmark::State& state) {
    BenchApp app;
    input::TDXTimer timer(app);
    timer.SetInterval(10);
    timer.Loaded();
    for (auto _ : state) benchmark::DoNotOptimize(app.idle());
}
BENCHMARK(BM_IdleTickNoTick);

// An idle call that ticks (empty handler): the timer's own share of a frame.
void BM_IdleTickWithTick(benchmark::State& state) {
    BenchApp app;
    input::TDXTimer timer(app);
    timer.SetInterval(0);
    int64_t ticks = 0;
    timer.OnTimer = [&](input::TCustomDXTimer&, int32_t) { ++ticks; };
    timer.Loaded();
    for (auto _ : state) {
        app.clock.SleepMs(1);
        benchmark::DoNotOptimize(app.idle());
    }
    state.counters["ticks"] = static_cast<double>(ticks);
}
BENCHMARK(BM_IdleTickWithTick);

// PollInput with a few keys held: the first step of every frame.
void BM_PollInput(benchmark::State& state) {
    Front form;
    BenchKeys keys;
    for (int sc : {57, 18, 200, 28, 82}) keys.scan[static_cast<size_t>(sc)] = 0x80;
    input::TDXInput dx(input::InputEnvironment{&form, &keys, nullptr, nullptr});
    dx.Keyboard().SetAssigns(input::kMatchAssigns);
    dx.Loaded();
    for (auto _ : state) {
        dx.PollInput();
        benchmark::DoNotOptimize(dx.ActiveStates().Bits());
    }
}
BENCHMARK(BM_PollInput);

} // namespace
