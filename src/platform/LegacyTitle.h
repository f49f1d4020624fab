// SPDX-License-Identifier: GPL-3.0-or-later
// LegacyTitle: a window caption in the form X11's older title property WM_NAME can carry.
//
// WM_NAME is a text property with an encoding of its own: STRING is Latin-1, COMPOUND_TEXT
// switches between character sets by escape sequences. Window managers and tools that read
// only WM_NAME (not the UTF-8 _NET_WM_NAME) decode it by its type, so a Czech caption must
// go as compound text to reach them with its letters intact.
#pragma once

#include <string>
#include <string_view>

namespace vl::platform {

struct LegacyTitle {
    bool compound = false; // COMPOUND_TEXT when true, else STRING
    std::string bytes;     // the property's value, no terminating NUL
};

// Encodes a UTF-8 caption for WM_NAME as ICCCM asks: as STRING when every character is
// Latin-1, otherwise as COMPOUND_TEXT, with the Latin-2 set (Czech, Slovak, Polish,
// Hungarian letters) switched in where a character needs it. A character neither set holds,
// and a control character other than tab and newline, becomes '?'. Never throws but for
// std::bad_alloc.
LegacyTitle EncodeLegacyTitle(std::string_view utf8);

} // namespace vl::platform
