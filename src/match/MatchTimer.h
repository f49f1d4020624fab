// SPDX-License-Identifier: GPL-3.0-or-later
// MatchTimer: the timers the rules switch and set, as the match sees them — the window's
// message timers in play at one keyboard, or timers that count the match's own frames in a
// duel over the network, where both machines must see every timer fire between the same
// frames — and the clock that goes with the frame-counted ones.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/Clock.h"
#include "platform/ToolkitTimer.h"

namespace vl::match {

class MatchTimerBase {
public:
    virtual ~MatchTimerBase() = default;
    virtual bool Enabled() const = 0;
    // Switching on (or setting the interval) starts the interval anew.
    virtual void SetEnabled(bool on) = 0;
    virtual uint32_t Interval() const = 0;
    virtual void SetInterval(uint32_t ms) = 0;
};

// A window's message timer, fired by the message loop.
class WindowTimer final : public MatchTimerBase {
public:
    explicit WindowTimer(platform::Timer& timer) : timer_(timer) {}
    bool Enabled() const override { return timer_.Enabled(); }
    void SetEnabled(bool on) override { timer_.SetEnabled(on); }
    uint32_t Interval() const override { return timer_.Interval(); }
    void SetInterval(uint32_t ms) override { timer_.SetInterval(ms); }

private:
    platform::Timer& timer_;
};

// A timer of the match's own time: Advance moves it on and fires it, like the window's
// timers, never more than once for one step and with the next interval counted from then.
class FrameTimer final : public MatchTimerBase {
public:
    FrameTimer(uint32_t interval, std::function<void()> onTimer)
        : interval_(interval), onTimer_(std::move(onTimer)) {}
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool on) override {
        enabled_ = on;
        elapsed_ = 0;
    }
    uint32_t Interval() const override { return interval_; }
    void SetInterval(uint32_t ms) override {
        interval_ = ms;
        elapsed_ = 0;
    }
    // `ms` of the match's time have passed.
    void Advance(uint32_t ms) {
        if (!enabled_ || interval_ == 0) return;
        elapsed_ += ms;
        if (elapsed_ < interval_) return;
        elapsed_ = 0;
        if (onTimer_) onTimer_();
    }

private:
    bool enabled_ = false;
    uint32_t interval_;
    uint32_t elapsed_ = 0;
    std::function<void()> onTimer_;
};

// The match's time in a duel: the start's seed plus 10 ms a frame. Never sleeps.
class FrameClock final : public platform::IClock {
public:
    uint32_t NowMs() override { return now_; }
    void SleepMs(uint32_t ms) override { now_ += ms; }
    void Set(uint32_t ms) { now_ = ms; }

private:
    uint32_t now_ = 0;
};

} // namespace vl::match
