// SPDX-License-Identifier: GPL-3.0-or-later
// ActionTable: every player's action once — its side, the name it is stored under, its
// default keys (the game's keys as they have always been) and the input state the window's
// components set for it (which the joystick drives: its default binding). Leaving the
// match (Esc) stands beside them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "input/FrameInput.h"
#include "input/InputStates.h"

namespace vl::input {

// Up to this many keys per action; 0 = none.
inline constexpr size_t kKeysPerAction = 4;
using ActionKeys = std::array<uint8_t, kKeysPerAction>;

struct ActionRow {
    Side side;
    Action action;
    ActionKeys keys; // virtual-key codes
    int partsState;  // the input state the key table and the joystick set for it
};

// The stored names of the actions, in Action order ("key.left.climb").
inline constexpr std::array<std::string_view, kActionCount> kActionNames = {
    "climb",  "descend",    "gun",         "missile",      "machinegun",
    "magnet", "say_energy", "say_bullets", "say_missiles", "say_rounds"};

inline constexpr std::string_view ActionName(Action a) {
    return kActionNames[static_cast<size_t>(a)];
}
std::optional<Action> ActionFromName(std::string_view name);
inline constexpr std::string_view SideName(Side s) {
    return s == Side::Left ? "left" : "right";
}

inline constexpr std::array<ActionRow, 2 * kActionCount> kActionTable = {{
    {Side::Left, Action::Climb, {0x45}, InputButton11},        // E
    {Side::Left, Action::Descend, {0x43}, InputButton12},      // C
    {Side::Left, Action::Gun, {0x20}, InputButton15},          // Space
    {Side::Left, Action::Missile, {0x09}, InputButton16},      // Tab
    {Side::Left, Action::Machgun, {0x58}, InputButton25},      // X
    {Side::Left, Action::Magnet, {0x46}, InputButton13},       // F
    {Side::Left, Action::SayEnergy, {0x31}, InputButton5},     // 1
    {Side::Left, Action::SayBullets, {0x32}, InputButton6},    // 2
    {Side::Left, Action::SayMissiles, {0x33}, InputButton7},   // 3
    {Side::Left, Action::SayRounds, {0x34}, InputButton8},     // 4
    {Side::Right, Action::Climb, {0x26}, InputUp},             // Up arrow
    {Side::Right, Action::Descend, {0x28}, InputDown},         // Down arrow
    {Side::Right, Action::Gun, {0x10}, InputButton1},          // Shift
    {Side::Right, Action::Missile, {0x0D}, InputButton2},      // Enter
    {Side::Right, Action::Machgun, {0x60}, InputButton10},     // keypad 0
    {Side::Right, Action::Magnet, {0x25}, InputLeft},          // Left arrow
    {Side::Right, Action::SayEnergy, {0x61}, InputButton17},   // keypad 1
    {Side::Right, Action::SayBullets, {0x62}, InputButton18},  // keypad 2
    {Side::Right, Action::SayMissiles, {0x63}, InputButton19}, // keypad 3
    {Side::Right, Action::SayRounds, {0x64}, InputButton20},   // keypad 4
}};

// Leaving the match: Esc, and the state the key table and the joystick's button 3 set.
inline constexpr ActionKeys kLeaveKeys = {0x1B};
inline constexpr int kLeaveState = InputButton3;

// The row of `side`'s `action`.
constexpr const ActionRow& RowOf(Side side, Action action) {
    return kActionTable[static_cast<size_t>(side) * kActionCount + static_cast<size_t>(action)];
}

} // namespace vl::input
