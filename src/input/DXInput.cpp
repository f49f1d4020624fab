// SPDX-License-Identifier: GPL-3.0-or-later
// DXInput: the component's poll, initialisation, access modes and acquisition.
#include "input/DXInput.h"

#include <algorithm>

namespace vl::input {

namespace {
const IInputOwnerForm* RequireForm(const IInputOwnerForm* form) {
    if (form == nullptr) throw EDXInputError(kFormNotFound);
    return form;
}
} // namespace

TCustomDXInput::TCustomDXInput(const InputEnvironment& env)
    : form_(RequireForm(env.form)), platformService_(env.service), system_(env.system),
      app_(env.app) {
    joystick_ = std::make_unique<TJoystick>(*this);
    keyboard_ = std::make_unique<TKeyboard>(*this);
    mouse_ = std::make_unique<TMouse>(*this);
    if (app_ != nullptr) {
        activationToken_ = app_->AddActivationListener([this](bool active) {
            if (active) AcquireAll();
        });
    }
}

TCustomDXInput::~TCustomDXInput() {
    if (app_ != nullptr && activationToken_ >= 0) app_->RemoveActivationListener(activationToken_);
    FinalizeAll();
    service_ = nullptr;
}

void TCustomDXInput::Loaded() {
    loading_ = false;
    InitializeAll();
}

void TCustomDXInput::AddDevice(TCustomInput* device) {
    devices_.push_back(device);
}

void TCustomDXInput::RemoveDevice(TCustomInput* device) {
    devices_.erase(std::remove(devices_.begin(), devices_.end(), device), devices_.end());
}

void TCustomDXInput::FinalizeAll() {
    for (TCustomInput* device : devices_) device->Finalize();
}

void TCustomDXInput::PollInput() {
    InputStates polled;
    for (TCustomInput* device : devices_) {
        device->Poll();
        if (device->BindInputStates()) polled |= device->DeviceStates();
    }
    // Only changes since the previous poll touch ActiveStates, so a state set by
    // anything else stays until its key goes from held to released.
    for (int state = 0; state < static_cast<int>(kInputStateCount); ++state) {
        const bool now = polled.Contains(state);
        const bool before = polledStates_.Contains(state);
        if (now && !before) activeStates_.Add(state);
        if (!now && before) activeStates_.Remove(state);
    }
    polledStates_ = polled;
}

void TCustomDXInput::InitializeAll() {
    FinalizeAll();
    service_ = nullptr;
    if (useDirectInput_) service_ = platformService_;
    for (TCustomInput* device : devices_) device->Initialize();
    SetAccessModes();
    PollInput();
}

void TCustomDXInput::SetAccessModes() {
    for (TCustomInput* device : devices_) device->ApplyAccessMode();
}

void TCustomDXInput::AcquireAll() {
    for (TCustomInput* device : devices_) {
        if (activeOnly_ && !OwnerIsForeground()) continue;
        device->Acquire();
    }
}

void TCustomDXInput::SetActiveOnly(bool value) {
    if (activeOnly_ == value) return;
    activeOnly_ = value;
    if (!loading_) SetAccessModes();
}

void TCustomDXInput::SetUseDirectInput(bool value) {
    if (useDirectInput_ == value) return;
    useDirectInput_ = value;
    if (!loading_) InitializeAll();
}

} // namespace vl::input
