// SPDX-License-Identifier: GPL-3.0-or-later
// Joystick: opening joystick ID, axis scaling and the mapping to states.
#include "input/Joystick.h"

#include "input/DXInput.h"

namespace vl::input {

TJoystick::TJoystick(TCustomDXInput& owner) : TCustomInput(owner) {}

void TJoystick::Finalize() {
    source_ = nullptr;
    axis_.fill(0);
    buttons_.fill(false);
    TCustomInput::Finalize();
}

void TJoystick::Initialize() {
    Finalize();
    if (!Enabled() || id_ < 0) return;
    platform::IInputService* service = Owner().Service();
    platform::IInputService* source = service != nullptr ? service : Owner().System();
    if (source == nullptr || id_ >= source->JoystickCount()) return;
    source_ = source;
    deviceOpen_ = source == service; // only a service device has an access mode
    initialized_ = true;
}

uint32_t TJoystick::CooperativeFlags() const {
    // Force feedback would need exclusive access; no platform here offers it, so the
    // joystick asks for the same shared access as the other devices.
    return TCustomInput::CooperativeFlags();
}

void TJoystick::SetID(int32_t value) {
    if (id_ == value) return;
    id_ = value;
    if (!Owner().Loading()) Initialize();
}

int32_t TJoystick::ScaleAxis(int32_t raw, int32_t deadZonePercent, int32_t range) {
    // The negative half is one step longer than the positive one; scaling each by its
    // own length makes both ends reach the full range.
    const int64_t half = raw < 0 ? 32768 : 32767;
    const int64_t zone = half * ClampZone(deadZonePercent) / 100;
    const int64_t magnitude = raw < 0 ? -int64_t{raw} : int64_t{raw};
    if (magnitude <= zone || zone >= half) return 0;
    int64_t scaled = (magnitude - zone) * range / (half - zone);
    if (scaled > range) scaled = range;
    return static_cast<int32_t>(raw < 0 ? -scaled : scaled);
}

void TJoystick::Poll() {
    deviceStates_.Clear();
    axis_.fill(0);
    buttons_.fill(false);
    if (!initialized_ || source_ == nullptr) return;
    if (Owner().ActiveOnly() && !Owner().OwnerIsForeground()) return;

    platform::IInputService::JoystickState raw;
    if (!source_->ReadJoystick(id_, raw)) return; // unplugged: nothing this poll
    axis_[0] = ScaleAxis(raw.x, deadZone_[0], range_[0]);
    axis_[1] = ScaleAxis(raw.y, deadZone_[1], range_[1]);
    axis_[2] = ScaleAxis(raw.z, deadZone_[2], range_[2]);
    buttons_ = raw.buttons;

    if (axis_[0] < 0) deviceStates_.Add(InputLeft);
    if (axis_[0] > 0) deviceStates_.Add(InputRight);
    if (axis_[1] < 0) deviceStates_.Add(InputUp);
    if (axis_[1] > 0) deviceStates_.Add(InputDown);
    for (int n = 1; n <= 32; ++n) {
        if (buttons_[static_cast<size_t>(n - 1)]) deviceStates_.Add(ButtonState(n));
    }
}

} // namespace vl::input
