// SPDX-License-Identifier: GPL-3.0-or-later
// KeyMap: the scan-code → virtual-key table, the match window's key table and the
// stored form of a key table.
//
// Index:
//   - ScanCodeToVirtualKey: set-1 scan codes (extended keys at 128 + code) to the
//     virtual-key codes the key table is written in
//   - KeyAssigns and kMatchAssigns: three codes per state, 0 = no key
//   - EncodeAssigns / DecodeAssigns: 432 bytes, 108 little-endian int32 in state order
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "input/InputStates.h"

namespace vl::input {

// --- scan codes -----------------------------------------------------------------------

namespace detail {
// Built once at compile time. Punctuation gives the code of its key cap, so some keys
// share a code with a navigation key (apostrophe = Right arrow, '.' = Delete, ...);
// keypad keys keep the keypad codes, distinct from the arrows and editing keys.
constexpr std::array<uint8_t, 256> MakeScanCodeTable() {
    std::array<uint8_t, 256> t{};
    t[1] = 0x1B;                                                           // Esc
    for (int i = 0; i < 9; ++i) t[2 + i] = static_cast<uint8_t>(0x31 + i); // 1..9
    t[11] = 0x30;                                                          // 0
    t[13] = 0x3D;                                                          // '='
    t[14] = 0x08;                                                          // Backspace
    t[15] = 0x09;                                                          // Tab
    constexpr char row1[] = "QWERTYUIOP";
    for (int i = 0; i < 10; ++i) t[16 + i] = static_cast<uint8_t>(row1[i]);
    t[26] = 0x5B;  // '['
    t[27] = 0x5D;  // ']'
    t[28] = 0x0D;  // Enter
    t[156] = 0x0D; // keypad Enter
    t[29] = 0x11;  // left Ctrl
    t[157] = 0x11; // right Ctrl
    constexpr char row2[] = "ASDFGHJKL";
    for (int i = 0; i < 9; ++i) t[30 + i] = static_cast<uint8_t>(row2[i]);
    t[39] = 0x3B; // ';'
    t[40] = 0x27; // apostrophe
    t[42] = 0x10; // left Shift
    t[54] = 0x10; // right Shift
    t[43] = 0x5C; // backslash
    constexpr char row3[] = "ZXCVBNM";
    for (int i = 0; i < 7; ++i) t[44 + i] = static_cast<uint8_t>(row3[i]);
    t[51] = 0x2C;                                                            // ','
    t[52] = 0x2E;                                                            // '.'
    t[53] = 0x2F;                                                            // '/'
    t[55] = 0x2A;                                                            // keypad '*'
    t[56] = 0x12;                                                            // left Alt
    t[184] = 0x12;                                                           // right Alt
    t[57] = 0x20;                                                            // Space
    t[58] = 0x14;                                                            // Caps Lock
    for (int i = 0; i < 10; ++i) t[59 + i] = static_cast<uint8_t>(0x70 + i); // F1..F10
    t[87] = 0x7A;                                                            // F11
    t[88] = 0x7B;                                                            // F12
    t[69] = 0x90;                                                            // Num Lock
    t[70] = 0x91;                                                            // Scroll Lock
    t[71] = 0x67;                                                            // keypad 7
    t[72] = 0x68;                                                            // keypad 8
    t[73] = 0x69;                                                            // keypad 9
    t[74] = 0x6D;                                                            // keypad '-'
    t[78] = 0x6B;                                                            // keypad '+'
    t[83] = 0x6E;                                                            // keypad '.'
    t[181] = 0x6F;                                                           // keypad '/'
    t[75] = 0x64;                                                            // keypad 4
    t[76] = 0x65;                                                            // keypad 5
    t[77] = 0x66;                                                            // keypad 6
    t[79] = 0x61;                                                            // keypad 1
    t[80] = 0x62;                                                            // keypad 2
    t[81] = 0x63;                                                            // keypad 3
    t[82] = 0x60;                                                            // keypad 0
    t[199] = 0x24;                                                           // Home
    t[207] = 0x23;                                                           // End
    t[201] = 0x21;                                                           // Page Up
    t[209] = 0x22;                                                           // Page Down
    t[200] = 0x26;                                                           // Up
    t[208] = 0x28;                                                           // Down
    t[203] = 0x25;                                                           // Left
    t[205] = 0x27;                                                           // Right
    t[210] = 0x2D;                                                           // Insert
    t[211] = 0x2E;                                                           // Delete
    t[219] = 0x5B;                                                           // left Windows
    t[220] = 0x5C;                                                           // right Windows
    t[221] = 0x5D;                                                           // Applications
    return t;
}
} // namespace detail

inline constexpr std::array<uint8_t, 256> kScanCodeToVirtualKey = detail::MakeScanCodeTable();

// The virtual-key code of a scan code; 0 (never down) for keys the table does not list.
constexpr uint8_t ScanCodeToVirtualKey(uint8_t scanCode) {
    return kScanCodeToVirtualKey[scanCode];
}

// --- key tables -----------------------------------------------------------------------

// Three virtual-key codes per state, in state order; 0 = no key.
using KeyCodes = std::array<int32_t, 3>;
using KeyAssigns = std::array<KeyCodes, kInputStateCount>;

// The match window's table: left player on E C F Space Tab X and 1..4, right player on
// the arrows, Shift, Enter and keypad 0..4, Esc leaves. Only state 5 has two codes
// (Enter twice); 'F' drives both 16 and 17.
inline constexpr KeyAssigns kMatchAssigns = {{
    {0x26, 0, 0},    // 0 Up arrow
    {0x28, 0, 0},    // 1 Down arrow
    {0x25, 0, 0},    // 2 Left arrow
    {0x27, 0, 0},    // 3 Right arrow
    {0x10, 0, 0},    // 4 Shift
    {0x0D, 0x0D, 0}, // 5 Enter, Enter
    {0x1B, 0, 0},    // 6 Esc
    {0, 0, 0},       // 7
    {0x31, 0, 0},    // 8 '1'
    {0x32, 0, 0},    // 9 '2'
    {0x33, 0, 0},    // 10 '3'
    {0x34, 0, 0},    // 11 '4'
    {0x71, 0, 0},    // 12 F2
    {0x60, 0, 0},    // 13 keypad 0
    {0x45, 0, 0},    // 14 'E'
    {0x43, 0, 0},    // 15 'C'
    {0x46, 0, 0},    // 16 'F'
    {0x46, 0, 0},    // 17 'F'
    {0x20, 0, 0},    // 18 Space
    {0x09, 0, 0},    // 19 Tab
    {0x61, 0, 0},    // 20 keypad 1
    {0x62, 0, 0},    // 21 keypad 2
    {0x63, 0, 0},    // 22 keypad 3
    {0x64, 0, 0},    // 23 keypad 4
    {0, 0, 0},       // 24
    {0, 0, 0},       // 25
    {0, 0, 0},       // 26
    {0, 0, 0},       // 27
    {0x58, 0, 0},    // 28 'X'
    {0, 0, 0},       // 29
    {0, 0, 0},       // 30
    {0, 0, 0},       // 31
    {0, 0, 0},       // 32
    {0, 0, 0},       // 33
    {0, 0, 0},       // 34
    {0, 0, 0},       // 35
}};

// --- stored form ----------------------------------------------------------------------

inline constexpr size_t kAssignsBytes = kInputStateCount * 3 * 4; // 432

// The stored bytes of a table: 108 little-endian int32 in state order.
std::vector<uint8_t> EncodeAssigns(const KeyAssigns& assigns);

// Reads the stored bytes. Throws EDXInputError("Invalid property value") unless there
// are exactly 432 bytes; nothing is returned half-read.
KeyAssigns DecodeAssigns(std::span<const uint8_t> bytes);

} // namespace vl::input
