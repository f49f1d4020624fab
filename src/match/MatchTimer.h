// SPDX-License-Identifier: GPL-3.0-or-later
// MatchTimer: the timers the rules switch and set, as the match sees them, and the timers of
// the match's own time that the driver runs: they count the match's frames, so a match is
// the same on any machine (two in a duel, a replay) and at any speed.
#pragma once

#include <cstdint>
#include <functional>

namespace vl::match {

class MatchTimerBase {
public:
    virtual ~MatchTimerBase() = default;
    virtual bool Enabled() const = 0;
    // Switching on (or setting another interval) starts the interval anew.
    virtual void SetEnabled(bool on) = 0;
    virtual uint32_t Interval() const = 0;
    virtual void SetInterval(uint32_t ms) = 0;
    // The time since the interval began, in ms.
    virtual uint32_t Elapsed() const = 0;
};

// A timer of the match's own time: Advance moves it on and fires it, like the window's
// timers, never more than once for one step and with the next interval counted from then.
class FrameTimer final : public MatchTimerBase {
public:
    FrameTimer(uint32_t interval, std::function<void()> onTimer)
        : interval_(interval), onTimer_(std::move(onTimer)) {}
    bool Enabled() const override { return enabled_; }
    // As with a window's timer, setting what it already is changes nothing: the frame
    // switches the obstacle timer on every frame while the field is empty, and that must
    // not hold its interval back.
    void SetEnabled(bool on) override {
        if (on == enabled_) return;
        enabled_ = on;
        elapsed_ = 0;
    }
    uint32_t Interval() const override { return interval_; }
    void SetInterval(uint32_t ms) override {
        if (ms == interval_) return;
        interval_ = ms;
        elapsed_ = 0;
    }
    uint32_t Elapsed() const override { return elapsed_; }
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

} // namespace vl::match
