// SPDX-License-Identifier: GPL-3.0-or-later
// CustomInput: the base of the input component's devices (joystick, keyboard, mouse).
//
// A device belongs to its component: it enters the component's device list when it is
// created and leaves it when destroyed. Initialize opens what the device reads from,
// Poll fills DeviceStates, Finalize closes it again. Settings written outside loading
// take effect at once (a changed Enabled or ForceFeedback initialises the device again).
#pragma once

#include <cstdint>

#include "input/InputStates.h"

namespace vl::input {

class TCustomDXInput;

// Access-mode bits of a device, as the platform input service takes them.
inline constexpr uint32_t kAccessExclusive = 1, kAccessNonExclusive = 2, kAccessForeground = 4,
                          kAccessBackground = 8;

class TCustomInput {
public:
    explicit TCustomInput(TCustomDXInput& owner);
    virtual ~TCustomInput();
    TCustomInput(const TCustomInput&) = delete;
    TCustomInput& operator=(const TCustomInput&) = delete;

    // Closes the device: no platform device, not initialised, no states.
    virtual void Finalize();
    // Opens the device when it is enabled. Never throws: a device that cannot be opened
    // stays uninitialised and reports no states.
    virtual void Initialize();
    // The access mode the device asks for: exclusive only for active force feedback,
    // foreground while the component's ActiveOnly is set.
    virtual uint32_t CooperativeFlags() const;
    // Reads the device into DeviceStates (empty when nothing can be read).
    virtual void Poll() = 0;

    bool BindInputStates() const { return bindInputStates_; }
    void SetBindInputStates(bool value) { bindInputStates_ = value; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    bool ForceFeedback() const { return forceFeedback_; }
    void SetForceFeedback(bool value);

    InputStates DeviceStates() const { return deviceStates_; }
    bool Initialized() const { return initialized_; }
    // True while a device of the platform input service is open.
    bool DeviceOpen() const { return deviceOpen_; }
    // The access mode last given to the platform device (0 before any). Our services
    // ignore it; it is kept so the settings stay inspectable.
    uint32_t AccessMode() const { return accessMode_; }

    // Sets the access mode from CooperativeFlags when a platform device is open.
    void ApplyAccessMode();
    // Acquires the platform device, if one is open.
    void Acquire();

    TCustomDXInput& Owner() const { return owner_; }

protected:
    // Whether the device's force-feedback support is running; no platform here has it.
    virtual bool ForceFeedbackActive() const { return false; }
    virtual void AcquireDevice() {}

    InputStates deviceStates_;
    bool initialized_ = false;
    bool deviceOpen_ = false;

private:
    TCustomDXInput& owner_;
    bool bindInputStates_ = true;
    bool enabled_ = true;
    bool forceFeedback_ = false;
    uint32_t accessMode_ = 0;
};

} // namespace vl::input
