// SPDX-License-Identifier: GPL-3.0-or-later
// LegacyTitle: UTF-8 captions as STRING or COMPOUND_TEXT for X11's WM_NAME.
#include "platform/LegacyTitle.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "platform/ToolkitListBox.h"

namespace vl::platform {

namespace {

// The code points of ISO 8859-2's bytes 0xA0..0xFF, in byte order.
constexpr std::array<char16_t, 96> kLatin2High = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7, 0x00A8, 0x0160, 0x015E, 0x0164,
    0x0179, 0x00AD, 0x017D, 0x017B, 0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7,
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102,
    0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170,
    0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3,
    0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};

enum class RightHalf : char { Latin1 = 'A', Latin2 = 'B' }; // final bytes of ESC - F

std::optional<char> InLatin1(char32_t c) {
    if (c >= 0xA0 && c <= 0xFF) return static_cast<char>(c);
    return std::nullopt;
}

std::optional<char> InLatin2(char32_t c) {
    const auto* it = std::find(kLatin2High.begin(), kLatin2High.end(), c);
    if (it == kLatin2High.end()) return std::nullopt;
    return static_cast<char>(0xA0 + (it - kLatin2High.begin()));
}

// The ASCII a character keeps in either encoding, or nothing for one above 0x7F.
std::optional<char> Plain(char32_t c) {
    if (c == '\t' || c == '\n' || (c >= 0x20 && c < 0x7F)) return static_cast<char>(c);
    if (c < 0xA0) return '?'; // C0 and C1 controls, DEL
    return std::nullopt;
}

} // namespace

LegacyTitle EncodeLegacyTitle(std::string_view utf8) {
    const std::u32string text = DecodeUtf8(utf8);
    LegacyTitle out;
    out.compound = std::any_of(text.begin(), text.end(), [](char32_t c) { return c > 0xFF; });
    // Compound text starts with Latin-1's right half in GR; a switch to the other set stays
    // while the following characters are in it too, so Czech text switches once per word.
    RightHalf gr = RightHalf::Latin1;
    auto select = [&](RightHalf want) {
        if (gr == want) return;
        out.bytes += "\x1b-";
        out.bytes += static_cast<char>(want);
        gr = want;
    };
    for (const char32_t c : text) {
        if (const std::optional<char> ascii = Plain(c)) {
            out.bytes += *ascii;
            continue;
        }
        const std::optional<char> l1 = InLatin1(c), l2 = out.compound ? InLatin2(c) : std::nullopt;
        if (gr == RightHalf::Latin2 && l2) {
            out.bytes += *l2;
        } else if (l1) {
            select(RightHalf::Latin1);
            out.bytes += *l1;
        } else if (l2) {
            select(RightHalf::Latin2);
            out.bytes += *l2;
        } else {
            out.bytes += '?';
        }
    }
    select(RightHalf::Latin1); // a reader that joins titles starts each in the default state
    return out;
}

} // namespace vl::platform
