// SPDX-License-Identifier: GPL-3.0-or-later
// Clock tests: the virtual clock's listeners and the 32-bit wrap of NowMs.
#include "platform/Clock.h"

#include <gtest/gtest.h>

namespace vl::platform {
namespace {

TEST(VirtualClock, ListenersSeeEveryAdvanceInOrder) {
    VirtualClock clock(100);
    std::vector<std::pair<int, uint64_t>> seen;
    clock.AddAdvanceListener([&](uint64_t t) { seen.emplace_back(1, t); });
    clock.AddAdvanceListener([&](uint64_t t) { seen.emplace_back(2, t); });
    clock.SleepMs(10);
    clock.AdvanceTo(50);  // backwards: ignored, nobody told
    clock.AdvanceTo(110); // no move: nobody told
    clock.SleepMs(0);
    clock.AdvanceTo(500);
    const std::vector<std::pair<int, uint64_t>> want = {{1, 110}, {2, 110}, {1, 500}, {2, 500}};
    EXPECT_EQ(seen, want);
    EXPECT_EQ(clock.ElapsedMs(), 500u);
}

TEST(VirtualClock, NowMsWrapsAt32BitsWhileDifferencesHold) {
    VirtualClock clock((uint64_t{1} << 32) - 5);
    const uint32_t before = clock.NowMs();
    EXPECT_EQ(before, 0xFFFFFFFBu);
    clock.SleepMs(15);
    EXPECT_EQ(clock.NowMs(), 10u);
    EXPECT_EQ(static_cast<uint32_t>(clock.NowMs() - before), 15u); // modulo 2^32
    EXPECT_EQ(clock.ElapsedMs(), (uint64_t{1} << 32) + 10);
}

TEST(RealClock, MovesForwardAcrossASleep) {
    RealClock clock;
    const uint32_t t0 = clock.NowMs();
    clock.SleepMs(20);
    EXPECT_GE(static_cast<uint32_t>(clock.NowMs() - t0), 20u);
}

} // namespace
} // namespace vl::platform
