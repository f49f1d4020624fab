// SPDX-License-Identifier: GPL-3.0-or-later
// DXClass: the frame timer's tick, start/stop and activation handling.
#include "input/DXClass.h"

namespace vl::input {

TCustomDXTimer::TCustomDXTimer(platform::IApplication& app) : app_(app) {
    activationToken_ = app_.AddActivationListener([this](bool active) { AppActivated(active); });
}

TCustomDXTimer::~TCustomDXTimer() {
    StopTimer();
    app_.RemoveActivationListener(activationToken_);
}

void TCustomDXTimer::Loaded() {
    if (!loading_) return;
    loading_ = false;
    if (enabled_) StartTimer();
}

void TCustomDXTimer::SetEnabled(bool value) {
    if (enabled_ == value) return;
    enabled_ = value;
    if (loading_) return;
    if (enabled_)
        StartTimer();
    else
        StopTimer();
}

void TCustomDXTimer::SetInterval(int32_t value) {
    if (interval_ == value) return;
    interval_ = value < 0 ? 0 : value;
    lagInterval_ = value < 1 ? 1 : value;
}

uint32_t TCustomDXTimer::IdleTick() {
    if (inTick_) return platform::kIdleForever; // a modal loop inside the tick: no re-entry
    const uint32_t now = app_.Clock().NowMs();
    const uint32_t elapsed = now - lastTick_; // modulo 2^32
    if (elapsed < static_cast<uint32_t>(interval_))
        return static_cast<uint32_t>(interval_) - elapsed;

    lastTick_ = now;
    uint32_t lag = elapsed / static_cast<uint32_t>(lagInterval_);
    if (lag < 1) lag = 1;
    if (lag > static_cast<uint32_t>(INT32_MAX)) lag = INT32_MAX;
    // Reset every second in practice; the cap only matters for a clock that stands still.
    if (frameCounter_ < INT32_MAX) ++frameCounter_;
    uint32_t span = now - frameRateStart_;
    if (span < 1) span = 1;
    if (span >= 1000) {
        const uint64_t frames = static_cast<uint64_t>(frameCounter_) * 1000U;
        framesPerSecond_ = static_cast<int32_t>((frames + span / 2) / span);
        frameCounter_ = 0;
        frameRateStart_ = now;
    }

    // The flag must drop even when the handler throws, or the timer would never tick again.
    struct TickGuard {
        bool& flag;
        explicit TickGuard(bool& f) : flag(f) { flag = true; }
        ~TickGuard() { flag = false; }
        TickGuard(const TickGuard&) = delete;
        TickGuard& operator=(const TickGuard&) = delete;
    } guard(inTick_);
    FireTimer(static_cast<int32_t>(lag));
    return hooked_ ? WaitUntilDue() : platform::kIdleForever;
}

uint32_t TCustomDXTimer::WaitUntilDue() {
    const uint32_t elapsed = app_.Clock().NowMs() - lastTick_;
    const auto interval = static_cast<uint32_t>(interval_);
    return elapsed < interval ? interval - elapsed : 0;
}

void TCustomDXTimer::StartTimer() {
    StopTimer();
    if (!activeOnly_ || app_.IsActive()) InstallIdleHook();
    running_ = true;
}

void TCustomDXTimer::StopTimer() {
    if (!running_) return;
    RemoveIdleHook();
    running_ = false;
}

void TCustomDXTimer::InstallIdleHook() {
    lastTick_ = app_.Clock().NowMs();
    frameRateStart_ = lastTick_;
    app_.SetIdleHandler([this] { return IdleTick(); });
    hooked_ = true;
}

void TCustomDXTimer::RemoveIdleHook() {
    if (!hooked_) return;
    app_.SetIdleHandler({});
    hooked_ = false;
}

void TCustomDXTimer::AppActivated(bool active) {
    if (active) {
        FireActivate();
        if (running_ && activeOnly_) InstallIdleHook();
    } else {
        FireDeactivate();
        if (running_ && activeOnly_) RemoveIdleHook();
    }
}

void TCustomDXTimer::FireActivate() {
    if (OnActivate) OnActivate(*this);
}

void TCustomDXTimer::FireDeactivate() {
    if (OnDeactivate) OnDeactivate(*this);
}

void TCustomDXTimer::FireTimer(int32_t lagCount) {
    if (OnTimer) OnTimer(*this, lagCount);
}

} // namespace vl::input
