// SPDX-License-Identifier: GPL-3.0-or-later
// Bindings: the default keys, binding with its conflict check, reading a frame, and the
// stored form of a key list.
#include "input/Bindings.h"

#include <algorithm>

#include "input/Keyboard.h"
#include "platform/Keys.h"

namespace vl::input {

std::optional<Action> ActionFromName(std::string_view name) {
    for (size_t i = 0; i < kActionNames.size(); ++i)
        if (kActionNames[i] == name) return static_cast<Action>(i);
    return std::nullopt;
}

Bindings::Bindings() {
    for (const ActionRow& row : kActionTable) keys_[Index(row.side, row.action)] = row.keys;
}

std::optional<std::pair<Side, Action>> Bindings::Set(Side side, Action action,
                                                     const ActionKeys& keys) {
    if (auto other = Clash(side, action, keys)) return other;
    keys_[Index(side, action)] = keys;
    return std::nullopt;
}

std::optional<std::pair<Side, Action>> Bindings::Clash(Side side, Action action,
                                                       const ActionKeys& keys) const {
    for (const uint8_t vk : keys) {
        if (vk == 0) continue;
        for (const ActionRow& row : kActionTable) {
            if (row.side == side && row.action == action) continue;
            const ActionKeys& other = keys_[Index(row.side, row.action)];
            if (std::find(other.begin(), other.end(), vk) != other.end())
                return std::pair{row.side, row.action};
        }
        // Esc leaves the match whatever else it is bound to; it is refused like a
        // conflict, named by the action that asked for it.
        if (std::find(kLeaveKeys.begin(), kLeaveKeys.end(), vk) != kLeaveKeys.end())
            return std::pair{side, action};
    }
    return std::nullopt;
}

FrameInput Bindings::Read(const TKeyboard& keyboard, InputStates joystick) const {
    return ReadWith([&keyboard](uint8_t vk) { return keyboard.IsKeyDown(vk); }, joystick);
}

std::string Bindings::SettingName(Side side, Action action) {
    return "key." + std::string(SideName(side)) + "." + std::string(ActionName(action));
}

std::optional<ActionKeys> Bindings::ParseKeys(std::string_view value) {
    ActionKeys keys{};
    size_t n = 0;
    for (;;) {
        const size_t comma = value.find(',');
        std::string_view name = value.substr(0, comma);
        while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
        while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
        const std::optional<uint8_t> vk = platform::VirtualKeyFromName(name);
        if (!vk || n == keys.size()) return std::nullopt;
        keys[n++] = *vk;
        if (comma == std::string_view::npos) break;
        value.remove_prefix(comma + 1);
    }
    return keys;
}

std::string Bindings::FormatKeys(const ActionKeys& keys) {
    std::string out;
    for (const uint8_t vk : keys) {
        if (vk == 0) continue;
        if (!out.empty()) out += ", ";
        out += platform::VirtualKeyName(vk);
    }
    return out;
}

} // namespace vl::input
