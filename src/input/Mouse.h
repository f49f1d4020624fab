// SPDX-License-Identifier: GPL-3.0-or-later
// Mouse: the mouse device of the input component. The match window keeps it disabled
// and unbound, and no platform here reads a mouse through the input service, so it
// never contributes a state.
#pragma once

#include "input/CustomInput.h"

namespace vl::input {

class TMouse final : public TCustomInput {
public:
    explicit TMouse(TCustomDXInput& owner);

    void Finalize() override;
    // Marks an enabled mouse initialised; it has no platform device to open.
    void Initialize() override;
    // Always leaves DeviceStates empty.
    void Poll() override;
};

} // namespace vl::input
