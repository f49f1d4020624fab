// SPDX-License-Identifier: GPL-3.0-or-later
// Keys: translation between SDL scancodes, keyboard scan codes (set 1) and virtual-key codes.
//
// The input component reads the keyboard as set-1 scan codes (extended keys at 128 + code)
// and falls back to virtual-key flags; the windowing layer produces both from SDL's
// keyboard state, and the headless backend from the virtual-key codes a script names.
// Keypad keys keep their own codes whatever Num Lock says, as SDL scancodes already do.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Application.h"

namespace vl::platform {

// Virtual-key codes the windowing layer itself acts on.
inline constexpr uint8_t kVkBack = 0x08, kVkTab = 0x09, kVkReturn = 0x0D, kVkShift = 0x10,
                         kVkControl = 0x11, kVkMenu = 0x12, kVkEscape = 0x1B, kVkSpace = 0x20,
                         kVkPrior = 0x21, kVkNext = 0x22, kVkEnd = 0x23, kVkHome = 0x24,
                         kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28,
                         kVkNumpad0 = 0x60, kVkF1 = 0x70, kVkF4 = 0x73;

// Set-1 scan code of an SDL scancode (extended keys at 128 + code); 0 for keys without one.
uint8_t SdlScancodeToSet1(SDL_Scancode sc);

// Virtual-key code of an SDL scancode; sided modifiers give the generic code here
// (kVkShift etc.). 0 for keys without one.
uint8_t SdlScancodeToVirtualKey(SDL_Scancode sc);

// The sided virtual-key code of a modifier (0xA0..0xA5), 0 for other keys.
uint8_t SdlScancodeToSidedVirtualKey(SDL_Scancode sc);

// Set-1 scan code of the first key that gives `vk` (left modifiers, main Enter); 0 when
// no key gives it. Used by the headless backend, which is told keys by virtual-key code.
uint8_t VirtualKeyToSet1(uint8_t vk);

// Marks `vk` (and the generic code of a sided modifier) down or up in a virtual-key table.
void SetVirtualKey(KeyTable& table, uint8_t vk, bool down);

// The key-press character a key makes (Enter 13, Backspace 8, Escape 27, Space, letters
// lower-case or upper-case with Shift, digits, keypad digits); nullopt when it makes none.
std::optional<char32_t> CharForVirtualKey(uint8_t vk, bool shift);

// The virtual-key code named by a script: A-Z, 0-9, SPACE, ENTER, ESCAPE, TAB, SHIFT,
// CONTROL, BACKSPACE, UP, DOWN, LEFT, RIGHT, HOME, END, DELETE, PAGEUP, PAGEDOWN, NUMPAD0-9,
// F1-F12, or 0xNN (1..255). nullopt for anything else.
std::optional<uint8_t> VirtualKeyFromName(std::string_view name);

// The name VirtualKeyFromName reads back as `vk` ("E", "SHIFT", "NUMPAD0", "F2", "0x5B").
std::string VirtualKeyName(uint8_t vk);

} // namespace vl::platform
