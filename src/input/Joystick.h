// SPDX-License-Identifier: GPL-3.0-or-later
// Joystick: the joystick device of the input component.
//
// Three axes and 32 buttons become states: X left/right, Y up/down, button N the state
// of button N. Each raw axis (-32768..32767) inside its dead zone reads 0; outside it
// is scaled linearly from the zone's edge to ±Range, so a direction is only reported
// once the stick has left the dead zone.
#pragma once

#include <array>

#include "input/CustomInput.h"
#include "platform/Application.h"

namespace vl::input {

class TJoystick final : public TCustomInput {
public:
    explicit TJoystick(TCustomDXInput& owner);

    void Finalize() override;
    // Opens joystick ID among those present, through the platform input service or,
    // without it, through the system's joystick functions; with none present the
    // joystick stays uninitialised and reports nothing.
    void Initialize() override;
    uint32_t CooperativeFlags() const override;
    void Poll() override;

    // The getters of the joystick's stored settings (AutoCenter, DeadZone*, Range*) have no
    // caller in the program; they are kept as the published settings of the device.
    bool AutoCenter() const { return autoCenter_; }
    void SetAutoCenter(bool value) { autoCenter_ = value; }
    int32_t ID() const { return id_; }
    void SetID(int32_t value);
    // Dead zones in percent of the half range, kept within 0..100.
    int32_t DeadZoneX() const { return deadZone_[0]; }
    int32_t DeadZoneY() const { return deadZone_[1]; }
    int32_t DeadZoneZ() const { return deadZone_[2]; }
    void SetDeadZoneX(int32_t v) { deadZone_[0] = ClampZone(v); }
    void SetDeadZoneY(int32_t v) { deadZone_[1] = ClampZone(v); }
    void SetDeadZoneZ(int32_t v) { deadZone_[2] = ClampZone(v); }
    // Ranges: the scaled axis runs from -Range to +Range; kept at 0 or above.
    int32_t RangeX() const { return range_[0]; }
    int32_t RangeY() const { return range_[1]; }
    int32_t RangeZ() const { return range_[2]; }
    void SetRangeX(int32_t v) { range_[0] = v < 0 ? 0 : v; }
    void SetRangeY(int32_t v) { range_[1] = v < 0 ? 0 : v; }
    void SetRangeZ(int32_t v) { range_[2] = v < 0 ? 0 : v; }

    // The scaled axes and the buttons of the last poll (0 / released when none).
    int32_t X() const { return axis_[0]; }
    int32_t Y() const { return axis_[1]; }
    int32_t Z() const { return axis_[2]; }

    // One raw axis value scaled with a dead zone (percent) and a range.
    static int32_t ScaleAxis(int32_t raw, int32_t deadZonePercent, int32_t range);

private:
    static int32_t ClampZone(int32_t v) { return v < 0 ? 0 : (v > 100 ? 100 : v); }

    platform::IInputService* source_ = nullptr; // where the open joystick is read
    bool autoCenter_ = true;
    int32_t id_ = 0;
    std::array<int32_t, 3> deadZone_{50, 50, 50};
    std::array<int32_t, 3> range_{1000, 1000, 1000};
    std::array<int32_t, 3> axis_{};
    std::array<bool, 32> buttons_{};
};

} // namespace vl::input
