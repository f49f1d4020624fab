// SPDX-License-Identifier: GPL-3.0-or-later
// CustomInput: device list membership, re-initialisation on changed settings, access modes.
#include "input/CustomInput.h"

#include "input/DXInput.h"

namespace vl::input {

TCustomInput::TCustomInput(TCustomDXInput& owner) : owner_(owner) {
    owner_.AddDevice(this);
}

TCustomInput::~TCustomInput() {
    owner_.RemoveDevice(this);
}

void TCustomInput::Finalize() {
    deviceOpen_ = false;
    initialized_ = false;
    deviceStates_.Clear();
    accessMode_ = 0;
}

void TCustomInput::Initialize() {
    Finalize();
}

uint32_t TCustomInput::CooperativeFlags() const {
    uint32_t flags =
        forceFeedback_ && ForceFeedbackActive() ? kAccessExclusive : kAccessNonExclusive;
    flags |= owner_.ActiveOnly() ? kAccessForeground : kAccessBackground;
    return flags;
}

void TCustomInput::SetEnabled(bool value) {
    if (enabled_ == value) return;
    enabled_ = value;
    if (!owner_.Loading()) Initialize();
}

void TCustomInput::SetForceFeedback(bool value) {
    if (forceFeedback_ == value) return;
    forceFeedback_ = value;
    if (!owner_.Loading()) Initialize();
}

void TCustomInput::ApplyAccessMode() {
    if (deviceOpen_) accessMode_ = CooperativeFlags();
}

void TCustomInput::Acquire() {
    if (deviceOpen_) AcquireDevice();
}

} // namespace vl::input
