// SPDX-License-Identifier: GPL-3.0-or-later
// Keys: the one table of keys that maps SDL scancodes to set-1 scan codes and virtual keys.
#include "platform/Keys.h"

#include <array>
#include <charconv>

namespace vl::platform {
namespace {

struct KeyRow {
    SDL_Scancode sdl;
    uint8_t set1; // extended keys at 128 + code
    uint8_t vk;   // generic virtual-key code
};

// Ordered so that the first row with a virtual-key code is the key a script means by it
// (left Shift for SHIFT, main Enter for ENTER).
constexpr std::array kKeys{
    KeyRow{SDL_SCANCODE_ESCAPE, 1, 0x1B},
    KeyRow{SDL_SCANCODE_1, 2, 0x31},
    KeyRow{SDL_SCANCODE_2, 3, 0x32},
    KeyRow{SDL_SCANCODE_3, 4, 0x33},
    KeyRow{SDL_SCANCODE_4, 5, 0x34},
    KeyRow{SDL_SCANCODE_5, 6, 0x35},
    KeyRow{SDL_SCANCODE_6, 7, 0x36},
    KeyRow{SDL_SCANCODE_7, 8, 0x37},
    KeyRow{SDL_SCANCODE_8, 9, 0x38},
    KeyRow{SDL_SCANCODE_9, 10, 0x39},
    KeyRow{SDL_SCANCODE_0, 11, 0x30},
    KeyRow{SDL_SCANCODE_MINUS, 12, 0xBD},
    KeyRow{SDL_SCANCODE_EQUALS, 13, 0xBB},
    KeyRow{SDL_SCANCODE_BACKSPACE, 14, 0x08},
    KeyRow{SDL_SCANCODE_TAB, 15, 0x09},
    KeyRow{SDL_SCANCODE_Q, 16, 'Q'},
    KeyRow{SDL_SCANCODE_W, 17, 'W'},
    KeyRow{SDL_SCANCODE_E, 18, 'E'},
    KeyRow{SDL_SCANCODE_R, 19, 'R'},
    KeyRow{SDL_SCANCODE_T, 20, 'T'},
    KeyRow{SDL_SCANCODE_Y, 21, 'Y'},
    KeyRow{SDL_SCANCODE_U, 22, 'U'},
    KeyRow{SDL_SCANCODE_I, 23, 'I'},
    KeyRow{SDL_SCANCODE_O, 24, 'O'},
    KeyRow{SDL_SCANCODE_P, 25, 'P'},
    KeyRow{SDL_SCANCODE_LEFTBRACKET, 26, 0xDB},
    KeyRow{SDL_SCANCODE_RIGHTBRACKET, 27, 0xDD},
    KeyRow{SDL_SCANCODE_RETURN, 28, 0x0D},
    KeyRow{SDL_SCANCODE_LCTRL, 29, 0x11},
    KeyRow{SDL_SCANCODE_A, 30, 'A'},
    KeyRow{SDL_SCANCODE_S, 31, 'S'},
    KeyRow{SDL_SCANCODE_D, 32, 'D'},
    KeyRow{SDL_SCANCODE_F, 33, 'F'},
    KeyRow{SDL_SCANCODE_G, 34, 'G'},
    KeyRow{SDL_SCANCODE_H, 35, 'H'},
    KeyRow{SDL_SCANCODE_J, 36, 'J'},
    KeyRow{SDL_SCANCODE_K, 37, 'K'},
    KeyRow{SDL_SCANCODE_L, 38, 'L'},
    KeyRow{SDL_SCANCODE_SEMICOLON, 39, 0xBA},
    KeyRow{SDL_SCANCODE_APOSTROPHE, 40, 0xDE},
    KeyRow{SDL_SCANCODE_GRAVE, 41, 0xC0},
    KeyRow{SDL_SCANCODE_LSHIFT, 42, 0x10},
    KeyRow{SDL_SCANCODE_BACKSLASH, 43, 0xDC},
    KeyRow{SDL_SCANCODE_NONUSHASH, 43, 0xDC},
    KeyRow{SDL_SCANCODE_Z, 44, 'Z'},
    KeyRow{SDL_SCANCODE_X, 45, 'X'},
    KeyRow{SDL_SCANCODE_C, 46, 'C'},
    KeyRow{SDL_SCANCODE_V, 47, 'V'},
    KeyRow{SDL_SCANCODE_B, 48, 'B'},
    KeyRow{SDL_SCANCODE_N, 49, 'N'},
    KeyRow{SDL_SCANCODE_M, 50, 'M'},
    KeyRow{SDL_SCANCODE_COMMA, 51, 0xBC},
    KeyRow{SDL_SCANCODE_PERIOD, 52, 0xBE},
    KeyRow{SDL_SCANCODE_SLASH, 53, 0xBF},
    KeyRow{SDL_SCANCODE_RSHIFT, 54, 0x10},
    KeyRow{SDL_SCANCODE_KP_MULTIPLY, 55, 0x6A},
    KeyRow{SDL_SCANCODE_LALT, 56, 0x12},
    KeyRow{SDL_SCANCODE_SPACE, 57, 0x20},
    KeyRow{SDL_SCANCODE_CAPSLOCK, 58, 0x14},
    KeyRow{SDL_SCANCODE_F1, 59, 0x70},
    KeyRow{SDL_SCANCODE_F2, 60, 0x71},
    KeyRow{SDL_SCANCODE_F3, 61, 0x72},
    KeyRow{SDL_SCANCODE_F4, 62, 0x73},
    KeyRow{SDL_SCANCODE_F5, 63, 0x74},
    KeyRow{SDL_SCANCODE_F6, 64, 0x75},
    KeyRow{SDL_SCANCODE_F7, 65, 0x76},
    KeyRow{SDL_SCANCODE_F8, 66, 0x77},
    KeyRow{SDL_SCANCODE_F9, 67, 0x78},
    KeyRow{SDL_SCANCODE_F10, 68, 0x79},
    KeyRow{SDL_SCANCODE_NUMLOCKCLEAR, 69, 0x90},
    KeyRow{SDL_SCANCODE_SCROLLLOCK, 70, 0x91},
    KeyRow{SDL_SCANCODE_KP_7, 71, 0x67},
    KeyRow{SDL_SCANCODE_KP_8, 72, 0x68},
    KeyRow{SDL_SCANCODE_KP_9, 73, 0x69},
    KeyRow{SDL_SCANCODE_KP_MINUS, 74, 0x6D},
    KeyRow{SDL_SCANCODE_KP_4, 75, 0x64},
    KeyRow{SDL_SCANCODE_KP_5, 76, 0x65},
    KeyRow{SDL_SCANCODE_KP_6, 77, 0x66},
    KeyRow{SDL_SCANCODE_KP_PLUS, 78, 0x6B},
    KeyRow{SDL_SCANCODE_KP_1, 79, 0x61},
    KeyRow{SDL_SCANCODE_KP_2, 80, 0x62},
    KeyRow{SDL_SCANCODE_KP_3, 81, 0x63},
    KeyRow{SDL_SCANCODE_KP_0, 82, 0x60},
    KeyRow{SDL_SCANCODE_KP_PERIOD, 83, 0x6E},
    KeyRow{SDL_SCANCODE_NONUSBACKSLASH, 86, 0xE2},
    KeyRow{SDL_SCANCODE_F11, 87, 0x7A},
    KeyRow{SDL_SCANCODE_F12, 88, 0x7B},
    KeyRow{SDL_SCANCODE_KP_ENTER, 156, 0x0D},
    KeyRow{SDL_SCANCODE_RCTRL, 157, 0x11},
    KeyRow{SDL_SCANCODE_KP_DIVIDE, 181, 0x6F},
    KeyRow{SDL_SCANCODE_PRINTSCREEN, 183, 0x2C},
    KeyRow{SDL_SCANCODE_RALT, 184, 0x12},
    KeyRow{SDL_SCANCODE_PAUSE, 197, 0x13},
    KeyRow{SDL_SCANCODE_HOME, 199, 0x24},
    KeyRow{SDL_SCANCODE_UP, 200, 0x26},
    KeyRow{SDL_SCANCODE_PAGEUP, 201, 0x21},
    KeyRow{SDL_SCANCODE_LEFT, 203, 0x25},
    KeyRow{SDL_SCANCODE_RIGHT, 205, 0x27},
    KeyRow{SDL_SCANCODE_END, 207, 0x23},
    KeyRow{SDL_SCANCODE_DOWN, 208, 0x28},
    KeyRow{SDL_SCANCODE_PAGEDOWN, 209, 0x22},
    KeyRow{SDL_SCANCODE_INSERT, 210, 0x2D},
    KeyRow{SDL_SCANCODE_DELETE, 211, 0x2E},
    KeyRow{SDL_SCANCODE_LGUI, 219, 0x5B},
    KeyRow{SDL_SCANCODE_RGUI, 220, 0x5C},
    KeyRow{SDL_SCANCODE_APPLICATION, 221, 0x5D},
};

const KeyRow* RowOf(SDL_Scancode sc) {
    for (const auto& r : kKeys)
        if (r.sdl == sc) return &r;
    return nullptr;
}

} // namespace

uint8_t SdlScancodeToSet1(SDL_Scancode sc) {
    const KeyRow* r = RowOf(sc);
    return r ? r->set1 : 0;
}

uint8_t SdlScancodeToVirtualKey(SDL_Scancode sc) {
    const KeyRow* r = RowOf(sc);
    return r ? r->vk : 0;
}

uint8_t SdlScancodeToSidedVirtualKey(SDL_Scancode sc) {
    switch (sc) {
    case SDL_SCANCODE_LSHIFT:
        return 0xA0;
    case SDL_SCANCODE_RSHIFT:
        return 0xA1;
    case SDL_SCANCODE_LCTRL:
        return 0xA2;
    case SDL_SCANCODE_RCTRL:
        return 0xA3;
    case SDL_SCANCODE_LALT:
        return 0xA4;
    case SDL_SCANCODE_RALT:
        return 0xA5;
    default:
        return 0;
    }
}

uint8_t VirtualKeyToSet1(uint8_t vk) {
    // Sided modifier codes name their own key.
    switch (vk) {
    case 0xA0:
        return 42;
    case 0xA1:
        return 54;
    case 0xA2:
        return 29;
    case 0xA3:
        return 157;
    case 0xA4:
        return 56;
    case 0xA5:
        return 184;
    default:
        break;
    }
    for (const auto& r : kKeys)
        if (r.vk == vk) return r.set1;
    return 0;
}

void SetVirtualKey(KeyTable& table, uint8_t vk, bool down) {
    if (vk == 0) return;
    table[vk] = down ? 0x80 : 0;
    // The generic modifier code is down while either side is.
    uint8_t generic = 0, left = 0;
    if (vk >= 0xA0 && vk <= 0xA5) {
        static constexpr uint8_t kGeneric[3] = {0x10, 0x11, 0x12};
        generic = kGeneric[(vk - 0xA0) / 2];
        left = static_cast<uint8_t>(0xA0 + (vk - 0xA0) / 2 * 2);
        table[generic] = (table[left] | table[left + 1]) & 0x80;
    }
}

std::optional<char32_t> CharForVirtualKey(uint8_t vk, bool shift) {
    if (vk == kVkReturn) return U'\r';
    if (vk == kVkBack) return U'\b';
    if (vk == kVkEscape) return char32_t{27};
    if (vk == kVkSpace) return U' ';
    if (vk >= 'A' && vk <= 'Z') return static_cast<char32_t>(shift ? vk : vk + 32);
    if (vk >= '0' && vk <= '9') return static_cast<char32_t>(vk);
    if (vk >= kVkNumpad0 && vk <= kVkNumpad0 + 9)
        return static_cast<char32_t>('0' + vk - kVkNumpad0);
    return std::nullopt;
}

namespace {

struct NamedKey {
    std::string_view name;
    uint8_t vk;
};
constexpr NamedKey kNamedKeys[] = {
    {"SPACE", 0x20}, {"ENTER", 0x0D},   {"ESCAPE", 0x1B},    {"TAB", 0x09},
    {"SHIFT", 0x10}, {"CONTROL", 0x11}, {"BACKSPACE", 0x08}, {"UP", 0x26},
    {"DOWN", 0x28},  {"LEFT", 0x25},    {"RIGHT", 0x27},     {"HOME", 0x24},
    {"END", 0x23},   {"DELETE", 0x2E},  {"PAGEUP", 0x21},    {"PAGEDOWN", 0x22},
};

} // namespace

std::string VirtualKeyName(uint8_t vk) {
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))
        return std::string(1, static_cast<char>(vk));
    for (const auto& n : kNamedKeys)
        if (n.vk == vk) return std::string(n.name);
    if (vk >= kVkNumpad0 && vk <= kVkNumpad0 + 9) return "NUMPAD" + std::to_string(vk - kVkNumpad0);
    if (vk >= kVkF1 && vk < kVkF1 + 12) return "F" + std::to_string(vk - kVkF1 + 1);
    static constexpr char kHex[] = "0123456789ABCDEF";
    return std::string("0x") + kHex[vk >> 4] + kHex[vk & 15];
}

std::optional<uint8_t> VirtualKeyFromName(std::string_view name) {
    if (name.empty()) return std::nullopt;
    if (name.size() == 1) {
        const char c = name[0];
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return static_cast<uint8_t>(c);
        return std::nullopt;
    }
    for (const auto& n : kNamedKeys)
        if (n.name == name) return n.vk;
    if (name.size() == 7 && name.substr(0, 6) == "NUMPAD" && name[6] >= '0' && name[6] <= '9')
        return static_cast<uint8_t>(kVkNumpad0 + (name[6] - '0'));
    if (name[0] == 'F' && name.size() <= 3) {
        int n = 0;
        const auto* end = name.data() + name.size();
        const auto [p, ec] = std::from_chars(name.data() + 1, end, n);
        if (ec == std::errc() && p == end && n >= 1 && n <= 12 && name[1] != '0')
            return static_cast<uint8_t>(kVkF1 + n - 1);
        return std::nullopt;
    }
    if (name.size() == 4 && name[0] == '0' && (name[1] == 'x' || name[1] == 'X')) {
        unsigned v = 0;
        const auto* end = name.data() + name.size();
        const auto [p, ec] = std::from_chars(name.data() + 2, end, v, 16);
        if (ec == std::errc() && p == end && v >= 1 && v <= 255) return static_cast<uint8_t>(v);
    }
    return std::nullopt;
}

} // namespace vl::platform
