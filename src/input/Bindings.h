// SPDX-License-Identifier: GPL-3.0-or-later
// Bindings: which keys perform which player's action, and the joystick's states as the
// game has always read them. Read turns this frame's keyboard and joystick into the frame's
// FrameInput. Stored in the settings as "key.left.climb = E" ("SHIFT, CONTROL" for two).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "input/ActionTable.h"
#include "input/FrameInput.h"
#include "input/InputStates.h"

namespace vl::input {

class TKeyboard;

class Bindings {
public:
    // The default keys of the action table.
    Bindings();

    const ActionKeys& Keys(Side side, Action action) const { return keys_[Index(side, action)]; }
    // Binds `keys` to the action unless one of them performs another action (or leaves
    // the match): then nothing changes and that action is returned.
    std::optional<std::pair<Side, Action>> Set(Side side, Action action, const ActionKeys& keys);
    // Binds `keys` to the action without a check (Clash tells afterwards).
    void Assign(Side side, Action action, const ActionKeys& keys) {
        keys_[Index(side, action)] = keys;
    }
    // Another action one of `keys` performs, if any; Esc counts as the asking action
    // itself (it always leaves the match).
    std::optional<std::pair<Side, Action>> Clash(Side side, Action action,
                                                 const ActionKeys& keys) const;

    // This frame's input from the keyboard's keys and the joystick's input states.
    FrameInput Read(const TKeyboard& keyboard, InputStates joystick) const;
    // The same from a bare virtual-key test.
    template <class IsDown> FrameInput ReadWith(IsDown isDown, InputStates joystick) const;

    // "key.left.climb".
    static std::string SettingName(Side side, Action action);
    // "E", "SHIFT, CONTROL": key names as the simulator's scripts write them. nullopt for
    // an unknown name, an empty list or more than kKeysPerAction keys.
    static std::optional<ActionKeys> ParseKeys(std::string_view value);
    static std::string FormatKeys(const ActionKeys& keys);

private:
    static size_t Index(Side side, Action action) {
        return static_cast<size_t>(side) * kActionCount + static_cast<size_t>(action);
    }
    std::array<ActionKeys, 2 * kActionCount> keys_{};
};

template <class IsDown> FrameInput Bindings::ReadWith(IsDown isDown, InputStates joystick) const {
    FrameInput in;
    for (const ActionRow& row : kActionTable) {
        bool down = joystick.Contains(row.partsState);
        for (const uint8_t vk : keys_[Index(row.side, row.action)])
            down = down || (vk != 0 && isDown(vk));
        if (down) in.Of(row.side).Add(row.action);
    }
    in.leave = joystick.Contains(kLeaveState);
    for (const uint8_t vk : kLeaveKeys) in.leave = in.leave || (vk != 0 && isDown(vk));
    return in;
}

} // namespace vl::input
