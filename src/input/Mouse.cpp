// SPDX-License-Identifier: GPL-3.0-or-later
// Mouse: a device that is opened and polled like the others but reports nothing.
#include "input/Mouse.h"

namespace vl::input {

TMouse::TMouse(TCustomDXInput& owner) : TCustomInput(owner) {}

void TMouse::Finalize() {
    TCustomInput::Finalize();
}

void TMouse::Initialize() {
    Finalize();
    if (Enabled()) initialized_ = true;
}

void TMouse::Poll() {
    deviceStates_.Clear();
}

} // namespace vl::input
