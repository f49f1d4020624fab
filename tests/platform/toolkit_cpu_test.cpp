// SPDX-License-Identifier: GPL-3.0-or-later
// Measurement, not a check (disabled; scripts/measure_cpu.sh runs it under Xvfb): the
// processor share of the SDL message loop on the real clock while the frame timer
// (TDXTimer) ticks every 10 ms with an empty frame handler, and the tick intervals. With
// VL_MEASURE_PAD=1 a virtual joystick is plugged in first, as a player's pad would be.
// Also what a thread costs that does nothing but sleep and wake, at the audio period and
// at the frame's: the price of each wake-up on the machine.
#include <SDL.h>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "input/DXClass.h"
#include "platform/SdlToolkit.h"

namespace vl::platform {
namespace {

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

TEST(ToolkitCpu, DISABLED_FrameTimerLoopOnTheRealClock) {
    RealClock clock;
    std::unique_ptr<SdlToolkit> tk;
    try {
        tk = std::make_unique<SdlToolkit>(clock);
    } catch (const std::exception& e) {
        GTEST_SKIP() << "no display: " << e.what();
    }
    const char* pad = std::getenv("VL_MEASURE_PAD");
    if (pad != nullptr && *pad == '1') {
        ASSERT_GE(SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0), 0)
            << SDL_GetError();
    }
    Form& form = tk->CreateForm("Form1", "Vlnedla", 192, 107, 544, 375);
    form.Show();
    // The match's frame timer with an empty frame handler: 10 ms, ticking while active.
    input::TDXTimer timer(*tk);
    timer.SetInterval(10);
    timer.SetEnabled(false);
    timer.Loaded();
    uint32_t last = clock.NowMs();
    std::vector<uint32_t> gaps;
    // The timer's own reading of the clock at each tick: a second reading here could lag
    // it by a millisecond and make a 10 ms interval look like 9 or 11.
    timer.OnTimer = [&](input::TCustomDXTimer& t, int32_t) {
        const uint32_t now = t.LastTick();
        gaps.push_back(now - last);
        last = now;
    };
    timer.SetEnabled(true);
    Timer stop(*tk, 10000);
    stop.OnTimer = [&] { tk->Terminate(0); };
    const double cpu0 = CpuSeconds();
    const uint32_t wall0 = clock.NowMs();
    tk->RunLoop();
    const double cpu = CpuSeconds() - cpu0;
    const double wall = (clock.NowMs() - wall0) / 1000.0;
    ASSERT_FALSE(gaps.empty());
    std::sort(gaps.begin(), gaps.end());
    double sum = 0;
    for (const uint32_t g : gaps) sum += g;
    const auto within =
        std::count_if(gaps.begin(), gaps.end(), [](uint32_t g) { return g >= 10 && g <= 11; });
    std::printf("frame-timer loop%s: %.1f s, cpu %.3f s = %.2f %% of one core; %zu ticks, "
                "interval min %u / median %u / mean %.2f / max %u ms; %zd of them 10-11 ms\n",
                pad != nullptr && *pad == '1' ? " with a pad" : "", wall, cpu, 100.0 * cpu / wall,
                gaps.size(), gaps.front(), gaps[gaps.size() / 2],
                sum / static_cast<double>(gaps.size()), gaps.back(), within);
}

TEST(ToolkitCpu, DISABLED_BareWakeUpsOfAThread) {
    for (const auto period : {std::chrono::microseconds(5333), std::chrono::microseconds(10000)}) {
        double cpu = 0;
        int wakes = 0;
        std::thread([&] {
            timespec t0{}, t1{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t0);
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            for (; std::chrono::steady_clock::now() < end; ++wakes)
                std::this_thread::sleep_for(period);
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t1);
            cpu = static_cast<double>(t1.tv_sec - t0.tv_sec) +
                  static_cast<double>(t1.tv_nsec - t0.tv_nsec) / 1e9;
        }).join();
        ASSERT_GT(wakes, 0);
        std::printf("bare wake-ups every %.2f ms: %d in 5 s, cpu %.3f s = %.2f %% of one core, "
                    "%.1f us each\n",
                    static_cast<double>(period.count()) / 1000.0, wakes, cpu, 100.0 * cpu / 5.0,
                    1e6 * cpu / wakes);
    }
}

} // namespace
} // namespace vl::platform
