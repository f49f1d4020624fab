// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmarks of the match: one whole frame of a busy match on the headless display, and an
// hour of random play by both players (time, sprites, memory).
#include <benchmark/benchmark.h>

#include <vector>

#include <fstream>
#include <string>

#include "support/match_rig.h"

namespace {

using vl::testing::MatchRig;

// The process's resident memory in kB, from /proc; 0 where there is none.
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(256, '\n');
    }
    return 0;
}

// A frame with both craft moving and firing, a row of obstacles, a pickup and the radars:
// poll, move pass with its collision passes, fill, free, draw, counters, flip. With `cold`
// the caches are emptied before each frame (64 MB written), as in the real program, where
// the window system, the audio thread and other programs run between two pictures: the
// drawing's memory traffic (the back surface is 0.75 MB) then counts, not only its
// instructions.
void MatchFrames(benchmark::State& state, bool cold) {
    MatchRig rig(VL_DATA_DIR);
    rig.Start();
    vl::match::TForm1& f = *rig.form1;
    for (const uint8_t vk : {0x43, 0x20, 0x26, 0x10})
        rig.toolkit.UserKeyDown(vk); // C Space Up Shift
    f.placeobjects();
    f.game.NewPickup();
    f.game.weaponannounced = true; // no wait for its announcement inside the timing
    std::vector<uint8_t> other(cold ? size_t{64} << 20 : 0); // larger than any cache
    int64_t frames = 0;
    for (auto _ : state) {
        rig.Frame();
        const bool refill = ++frames % 64 == 0; // keep the field as busy as it started
        if (!refill && !cold) continue;
        state.PauseTiming();
        if (refill) {
            f.game.propertiesleft.bullets = f.game.propertiesright.bullets = 50;
            f.game.propertiesleft.energy = f.game.propertiesright.energy = 100;
            if (f.game.objectcount == 0) f.placeobjects();
        }
        for (size_t i = 0; i < other.size(); i += 64) other[i] = static_cast<uint8_t>(i + frames);
        state.ResumeTiming();
    }
    benchmark::DoNotOptimize(other.data());
    state.counters["sprites"] = f.DXSpriteEngine1.Engine().SpriteCount;
}
void BM_MatchFrame(benchmark::State& state) {
    MatchFrames(state, false);
}
BENCHMARK(BM_MatchFrame)->Unit(benchmark::kMicrosecond);
void BM_MatchFrameColdCache(benchmark::State& state) {
    MatchFrames(state, true);
}
BENCHMARK(BM_MatchFrameColdCache)->Unit(benchmark::kMicrosecond);

// The computer's decision in a busy frame: a row of obstacles, a pickup, both craft firing
// (shots in flight), at level 5 (the one that decides most often). Each iteration is one
// frame's Play, which looks at the whole field and hears what a player would of it; a fresh
// decision every eighth frame.
void BM_ComputerDecision(benchmark::State& state) {
    MatchRig rig(VL_DATA_DIR);
    rig.Start();
    vl::match::TForm1& f = *rig.form1;
    for (const uint8_t vk : {0x43, 0x20, 0x58, 0x10, 0x60})
        rig.toolkit.UserKeyDown(vk); // C Space X Shift keypad-0: both fire
    f.placeobjects();
    f.game.NewPickup();
    f.game.weaponannounced = true;
    for (int i = 0; i < 12; ++i) rig.Frame(); // shots in flight
    vl::match::ComputerPlayer computer(vl::match::Side::Right, vl::match::kComputerLevels);
    const vl::input::FrameInput keys = f.DevicesInput();
    for (auto _ : state) {
        vl::input::FrameInput in = keys;
        computer.Play(f.game, in);
        benchmark::DoNotOptimize(in);
    }
    state.counters["sprites"] = f.DXSpriteEngine1.Engine().SpriteCount;
}
BENCHMARK(BM_ComputerDecision)->Unit(benchmark::kMicrosecond);

// One virtual hour of matches with random input, mixer rendering included.
void BM_SoakHour(benchmark::State& state) {
    for (auto _ : state) {
        MatchRig rig(VL_DATA_DIR);
        int matches = 0, maxSprites = 0;
        long rssAfterMinute = 0;
        const uint64_t start = rig.clock.ElapsedMs();
        vl::testing::Soak(rig, 20261208, 3600 * 1000, [&](int m) {
            matches = m;
            maxSprites = std::max(maxSprites, rig.form1->DXSpriteEngine1.Engine().SpriteCount);
            if (rssAfterMinute == 0 && rig.clock.ElapsedMs() - start >= 60000)
                rssAfterMinute = ResidentKb();
        });
        state.counters["frames"] = static_cast<double>(rig.form1->frames);
        state.counters["matches"] = matches;
        state.counters["max_sprites"] = maxSprites;
        state.counters["rss_growth_kB"] = static_cast<double>(ResidentKb() - rssAfterMinute);
    }
}
BENCHMARK(BM_SoakHour)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
