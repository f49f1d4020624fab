// SPDX-License-Identifier: GPL-3.0-or-later
// DXClass: the frame timer, which ticks from the application's idle processing.
//
// A running timer holds the application's single idle slot while the application is
// active. Every idle call reads the millisecond clock and ticks when at least Interval
// ms have passed since the previous tick, with the number of whole LagIntervals that
// elapsed as the lag count. Clock differences are taken modulo 2^32, so the counter's
// wrap is harmless. Activation restarts the clocks, so returning to the application
// never brings a burst of catch-up ticks.
//
// Choices where the platform is free:
//   - idle processing, activation and the clock come from platform::IApplication;
//   - the loop sleeps instead of spinning: IdleTick returns how many ms remain until
//     the next tick is due (0 when it is due now), and the message loop may wait that
//     long for an event before calling it again; tick times are the same as a spin's;
//   - no tick is delivered while a tick is still running (a modal box opened inside
//     the tick handler runs idle processing too): the frame handler is never re-entered.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/Application.h"

namespace vl::input {

class TCustomDXTimer {
public:
    using NotifyEvent = std::function<void(TCustomDXTimer& sender)>;
    using TDXTimerEvent = std::function<void(TCustomDXTimer& sender, int32_t lagCount)>;

    // Listens for the application's activation. The timer starts in the loading state
    // with Enabled true stored; Loaded() ends loading and starts it if Enabled is still
    // true (the match window's data stores false, so nothing starts at load). `app`
    // must outlive the timer.
    explicit TCustomDXTimer(platform::IApplication& app);
    virtual ~TCustomDXTimer();
    TCustomDXTimer(const TCustomDXTimer&) = delete;
    TCustomDXTimer& operator=(const TCustomDXTimer&) = delete;

    void Loaded();
    bool Loading() const { return loading_; }

    bool ActiveOnly() const { return activeOnly_; }
    void SetActiveOnly(bool value) { activeOnly_ = value; }
    bool Enabled() const { return enabled_; }
    // true starts, false stops; the current value changes nothing; while loading the
    // value is only stored.
    void SetEnabled(bool value);
    int32_t Interval() const { return interval_; }
    int32_t LagInterval() const { return lagInterval_; }
    // Stores max(value, 0) as Interval and max(value, 1) as LagInterval.
    void SetInterval(int32_t value);

    bool Running() const { return running_; }
    uint32_t LastTick() const { return lastTick_; }
    int32_t FrameCounter() const { return frameCounter_; }
    uint32_t FrameRateStart() const { return frameRateStart_; }
    int32_t FramesPerSecond() const { return framesPerSecond_; }

    NotifyEvent OnActivate;
    NotifyEvent OnDeactivate;
    TDXTimerEvent OnTimer;

    // One idle call: ticks when Interval ms have passed since the last tick. Returns
    // the ms the message loop may wait before the next call (0 = call again at once;
    // kIdleForever once the tick handler has stopped the timer). Exceptions from the
    // tick handler pass through to the message loop.
    uint32_t IdleTick();

    // Stops, then holds the idle slot if ActiveOnly is off or the application is
    // active; Running in either case.
    void StartTimer();
    // When running: gives up the idle slot and stops.
    void StopTimer();
    // Restarts both clocks and takes the idle slot.
    void InstallIdleHook();
    // Clears the idle slot, if this timer holds it (a slot given to someone else since
    // is left alone).
    void RemoveIdleHook();

protected:
    virtual void FireActivate();
    virtual void FireDeactivate();
    virtual void FireTimer(int32_t lagCount);

private:
    void AppActivated(bool active);
    // Ms until the next tick is due, from the clock's current reading.
    uint32_t WaitUntilDue();

    platform::IApplication& app_;
    int activationToken_ = -1;
    bool loading_ = true;
    bool activeOnly_ = true;
    bool enabled_ = true;
    int32_t interval_ = 1000;
    int32_t lagInterval_ = 1000;
    bool running_ = false;
    bool hooked_ = false;
    bool inTick_ = false;
    uint32_t lastTick_ = 0;
    int32_t frameCounter_ = 0;
    uint32_t frameRateStart_ = 0;
    int32_t framesPerSecond_ = 0;
};

// The published form of the timer; the match window's DXTimer1.
class TDXTimer final : public TCustomDXTimer {
public:
    using TCustomDXTimer::TCustomDXTimer;
};

} // namespace vl::input
