// SPDX-License-Identifier: GPL-3.0-or-later
// DXInput: the input component of a window: its three devices, the poll that turns
// them into ActiveStates, initialisation and acquisition.
//
// Where the component gets things from:
//   - the owning form answers whether its window is in front (no form: "Form not found");
//   - the platform input service (scan-code keyboard, joysticks) is handed in by the
//     program; a null service is the absent service, and the keyboard then reads the
//     system keyboard state and the joystick the system's joystick functions, both
//     from the `system` source. The program owns the service and outlives the
//     component, so no count of holders is kept: the component only holds a pointer
//     between InitializeAll and Finalize.
//   - the application's activation notifications acquire the devices again (the
//     form forwards its own window activation and creation the same way).
//
// Choices where the platform is free: key states come from set-1 scan codes through
// ScanCodeToVirtualKey (keypad keys stay distinct from arrows and editing keys);
// acquisition is the service's; ActiveOnly is met by reporting nothing while the form
// is not in front; joystick axes are scaled linearly outside the dead zone.
#pragma once

#include <memory>
#include <vector>

#include "input/InputStates.h"
#include "input/Joystick.h"
#include "input/Keyboard.h"
#include "input/Mouse.h"
#include "platform/Application.h"

namespace vl::input {

// The owning form as the input component sees it.
class IInputOwnerForm {
public:
    virtual ~IInputOwnerForm() = default;
    // True while the form's window is the foreground window.
    virtual bool IsForeground() const = 0;
};

// What the component is connected to; every pointer must outlive the component.
struct InputEnvironment {
    const IInputOwnerForm* form = nullptr;      // required
    platform::IInputService* service = nullptr; // the platform input service; null = absent
    platform::IInputService* system = nullptr;  // system keyboard state/joysticks; null = none
    platform::IApplication* app = nullptr;      // activation notifications; null = none
};

class TCustomDXInput {
public:
    // Creates the devices (joystick, keyboard, mouse, in that order) and listens for
    // activation. The component starts in the loading state: settings are only stored
    // until Loaded() ends it and runs InitializeAll. Throws EDXInputError("Form not
    // found") when the environment has no form.
    explicit TCustomDXInput(const InputEnvironment& env);
    virtual ~TCustomDXInput();
    TCustomDXInput(const TCustomDXInput&) = delete;
    TCustomDXInput& operator=(const TCustomDXInput&) = delete;

    // Ends loading and initialises every device.
    void Loaded();
    bool Loading() const { return loading_; }

    // Polls every device and brings ActiveStates up to the union of the bound
    // devices' states. Never throws.
    void PollInput();
    // Closes and reopens every device, takes the service (when UseDirectInput), sets
    // the access modes and polls once.
    void InitializeAll();

    // The form's window was created: set every device's access mode again.
    void FormCreated() { SetAccessModes(); }
    // The form or the application became active: acquire every device.
    void FormActivated() { AcquireAll(); }

    bool ActiveOnly() const { return activeOnly_; }
    void SetActiveOnly(bool value);
    bool UseDirectInput() const { return useDirectInput_; }
    void SetUseDirectInput(bool value);

    TJoystick& Joystick() { return *joystick_; }
    const TJoystick& Joystick() const { return *joystick_; }
    TKeyboard& Keyboard() { return *keyboard_; }
    const TKeyboard& Keyboard() const { return *keyboard_; }
    TMouse& Mouse() { return *mouse_; }
    // The devices in creation order, the order of polls and initialisation.
    const std::vector<TCustomInput*>& Devices() const { return devices_; }

    // The union of the previous poll, as the component publishes it; the program itself
    // reads only ActiveStates.
    InputStates PolledStates() const { return polledStates_; }
    InputStates ActiveStates() const { return activeStates_; }

    bool OwnerIsForeground() const { return form_->IsForeground(); }
    // The platform input service while it is held (null when absent or not in use).
    platform::IInputService* Service() const { return service_; }
    platform::IInputService* System() const { return system_; }

private:
    friend class TCustomInput; // devices enter and leave the list themselves
    void AddDevice(TCustomInput* device);
    void RemoveDevice(TCustomInput* device);
    void SetAccessModes();
    void AcquireAll();
    void FinalizeAll();

    const IInputOwnerForm* form_;
    platform::IInputService* platformService_;
    platform::IInputService* system_;
    platform::IApplication* app_;
    platform::IInputService* service_ = nullptr;
    int activationToken_ = -1;
    bool loading_ = true;
    bool activeOnly_ = true;
    bool useDirectInput_ = true;
    InputStates polledStates_;
    InputStates activeStates_;
    std::vector<TCustomInput*> devices_; // declared before the devices: they leave it
    std::unique_ptr<TJoystick> joystick_;
    std::unique_ptr<TKeyboard> keyboard_;
    std::unique_ptr<TMouse> mouse_;
};

// The published form of the component; the match window's DXInput1.
class TDXInput final : public TCustomDXInput {
public:
    using TCustomDXInput::TCustomDXInput;
};

} // namespace vl::input
