// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the frame timer on virtual time: tick spacing, lag counts, activation,
// enabling rules, the clock's wrap, the frame rate and the returned wait.
#include <gtest/gtest.h>

#include <vector>

#include "input/DXClass.h"
#include "input_fakes.h"

namespace vl::input {
namespace {

using test::FakeApplication;

// The match window's timer: stored disabled with Interval 10, then loaded.
class DXTimerTest : public ::testing::Test {
protected:
    DXTimerTest() {
        timer.SetEnabled(false);
        timer.SetInterval(10);
        timer.Loaded();
        timer.OnTimer = [this](TCustomDXTimer&, int32_t lag) { lags.push_back(lag); };
    }
    // Enables at virtual time t.
    void EnableAt(uint64_t t) {
        app.clock.AdvanceTo(t);
        timer.SetEnabled(true);
    }

    FakeApplication app;
    TDXTimer timer{app};
    std::vector<int32_t> lags;
};

TEST_F(DXTimerTest, StoredDisabledStartsNothing) {
    EXPECT_FALSE(timer.Running());
    EXPECT_FALSE(app.idle);
    EXPECT_EQ(timer.LagInterval(), 10);
}

TEST_F(DXTimerTest, TicksAtIntervalWithLagCount) {
    EnableAt(2000);
    ASSERT_TRUE(app.idle);
    EXPECT_EQ(app.IdleAt(2004), 6); // too early; 6 ms to go
    EXPECT_EQ(app.IdleAt(2008), 2);
    EXPECT_TRUE(lags.empty());
    EXPECT_EQ(app.IdleAt(2010), 10); // first tick exactly Interval after enabling
    EXPECT_EQ(lags, std::vector<int32_t>{1});
    EXPECT_EQ(app.IdleAt(2045), 10); // 35 ms gap: one tick, lag 3
    EXPECT_EQ(lags, (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(timer.LastTick(), 2045U);
}

TEST_F(DXTimerTest, WaitCountsTheHandlersOwnTime) {
    timer.OnTimer = [this](TCustomDXTimer&, int32_t) { app.clock.SleepMs(4); };
    EnableAt(0);
    EXPECT_EQ(app.IdleAt(10), 6);
    timer.OnTimer = [this](TCustomDXTimer&, int32_t) { app.clock.SleepMs(25); };
    EXPECT_EQ(app.IdleAt(20), 0); // handler overran the interval: due at once
}

TEST_F(DXTimerTest, IntervalZeroTicksEveryCall) {
    timer.SetInterval(0);
    EXPECT_EQ(timer.Interval(), 0);
    EXPECT_EQ(timer.LagInterval(), 1);
    EnableAt(100);
    EXPECT_EQ(app.IdleAt(100), 0); // no time passed: still a tick, lag 1
    EXPECT_EQ(app.IdleAt(107), 0);
    EXPECT_EQ(lags, (std::vector<int32_t>{1, 7}));
    timer.SetInterval(-5);
    EXPECT_EQ(timer.Interval(), 0);
    EXPECT_EQ(timer.LagInterval(), 1);
}

TEST_F(DXTimerTest, DeactivationStopsTicksAndReactivationHasNoBurst) {
    int activations = 0, deactivations = 0;
    timer.OnActivate = [&](TCustomDXTimer&) { ++activations; };
    timer.OnDeactivate = [&](TCustomDXTimer&) { ++deactivations; };
    EnableAt(0);
    app.IdleAt(10);
    app.SetActive(false);
    EXPECT_FALSE(app.idle);
    EXPECT_TRUE(timer.Running());
    app.clock.AdvanceTo(5000);
    app.SetActive(true);
    EXPECT_EQ(app.IdleAt(5005), 5);
    app.IdleAt(5012);
    EXPECT_EQ(lags, (std::vector<int32_t>{1, 1}));
    EXPECT_EQ(activations, 1);
    EXPECT_EQ(deactivations, 1);
}

TEST_F(DXTimerTest, EnablingWhileInactiveWaitsForActivation) {
    app.active = false;
    EnableAt(50);
    EXPECT_TRUE(timer.Running());
    EXPECT_FALSE(app.idle);
    app.clock.AdvanceTo(300);
    app.SetActive(true);
    app.IdleAt(305);
    EXPECT_TRUE(lags.empty());
    app.IdleAt(310);
    EXPECT_EQ(lags, std::vector<int32_t>{1});

    // ActiveOnly off: enabling while inactive ticks all the same.
    timer.SetEnabled(false);
    timer.SetActiveOnly(false);
    app.SetActive(false);
    EnableAt(400);
    app.IdleAt(410);
    EXPECT_EQ(lags.size(), 2U);
}

TEST_F(DXTimerTest, EnablingOrDisablingTwiceChangesNothing) {
    EnableAt(0);
    const int sets = app.idleSets;
    app.clock.AdvanceTo(7);
    timer.SetEnabled(true); // must not restart the clocks
    EXPECT_EQ(app.idleSets, sets);
    app.IdleAt(10);
    EXPECT_EQ(lags.size(), 1U);
    timer.SetEnabled(false);
    EXPECT_FALSE(app.idle);
    const int afterStop = app.idleSets;
    timer.SetEnabled(false);
    EXPECT_EQ(app.idleSets, afterStop);
    EXPECT_FALSE(timer.Running());
}

TEST_F(DXTimerTest, StopLeavesAnotherIdleHandlerAlone) {
    app.active = false;
    EnableAt(0); // running, not hooked
    bool other = false;
    app.SetIdleHandler([&] {
        other = true;
        return platform::kIdleForever;
    });
    timer.SetEnabled(false);
    ASSERT_TRUE(app.idle);
    app.idle();
    EXPECT_TRUE(other);
}

TEST_F(DXTimerTest, ClockWrapIsHarmless) {
    const uint64_t wrap = uint64_t{1} << 32;
    EnableAt(wrap - 5);
    EXPECT_EQ(timer.LastTick(), 0xFFFFFFFBU);
    EXPECT_EQ(app.IdleAt(wrap + 3), 2);  // elapsed 8
    EXPECT_EQ(app.IdleAt(wrap + 5), 10); // elapsed 10: tick
    EXPECT_EQ(lags, std::vector<int32_t>{1});
    EXPECT_EQ(timer.LastTick(), 5U);
}

TEST_F(DXTimerTest, FramesPerSecondAfterASecond) {
    EnableAt(0);
    for (uint64_t t = 10; t < 1000; t += 10) app.IdleAt(t);
    EXPECT_EQ(timer.FramesPerSecond(), 0);
    EXPECT_EQ(timer.FrameCounter(), 99);
    app.IdleAt(1000);
    EXPECT_EQ(timer.FramesPerSecond(), 100);
    EXPECT_EQ(timer.FrameCounter(), 0);
    EXPECT_EQ(timer.FrameRateStart(), 1000U);
    app.IdleAt(2500); // one tick in 1500 ms: 0.67 rounds to 1
    EXPECT_EQ(timer.FramesPerSecond(), 1);
}

TEST_F(DXTimerTest, TickHandlerMayStopTheTimerAndIsNotReentered) {
    int depth = 0, maxDepth = 0;
    timer.OnTimer = [&](TCustomDXTimer&, int32_t) {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        // A modal box's loop inside the tick runs idle processing too.
        app.clock.SleepMs(20);
        EXPECT_EQ(app.idle(), platform::kIdleForever);
        --depth;
    };
    EnableAt(0);
    app.IdleAt(10);
    EXPECT_EQ(maxDepth, 1);

    timer.OnTimer = [&](TCustomDXTimer& t, int32_t) {
        static_cast<TDXTimer&>(t).SetEnabled(false);
    };
    EXPECT_EQ(app.IdleAt(100), static_cast<int64_t>(platform::kIdleForever));
    EXPECT_FALSE(timer.Running());
    EXPECT_FALSE(app.idle);
}

TEST_F(DXTimerTest, ThrowingHandlerDoesNotWedgeTheTimer) {
    timer.OnTimer = [](TCustomDXTimer&, int32_t) { throw std::runtime_error("boom"); };
    EnableAt(0);
    EXPECT_THROW(app.IdleAt(10), std::runtime_error);
    timer.OnTimer = [this](TCustomDXTimer&, int32_t lag) { lags.push_back(lag); };
    app.IdleAt(20);
    EXPECT_EQ(lags, std::vector<int32_t>{1});
}

TEST(DXTimerLoadingTest, EnabledStoredDuringLoadingStartsAtEnd) {
    FakeApplication app;
    TDXTimer timer(app);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_FALSE(timer.Running());
    EXPECT_EQ(timer.Interval(), 1000);
    timer.Loaded();
    EXPECT_TRUE(timer.Running());
    EXPECT_TRUE(app.idle);
}

TEST(DXTimerLoadingTest, DestroyedTimerGivesUpSlotAndListener) {
    FakeApplication app;
    {
        TDXTimer timer(app);
        timer.Loaded();
        EXPECT_EQ(app.listeners.size(), 1U);
    }
    EXPECT_FALSE(app.idle);
    EXPECT_TRUE(app.listeners.empty());
    app.SetActive(true); // no dangling listener to call
}

} // namespace
} // namespace vl::input
