// SPDX-License-Identifier: GPL-3.0-or-later
// NumberWords: each language's rules that turn a whole number into the number words of its
// match bank, in the order they are spoken, and the list of pieces its rules can name.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vl::settings {

// The item names for `value` (0 or more in practice; a negative value gives no words). A zero
// is spoken only for a value of 0 with `sayzero`.
using NumberWordsFn = std::vector<std::string> (*)(int32_t value, bool sayzero);

// Czech: millions, thousands, hundreds, then the rest below a hundred. A value that ends in
// whole hundreds, thousands or millions ends with the group word; one of a group is the group
// word alone ("sto", "tisic", "milion"). A two on its own and before "sta" is "2"; after a
// tens word and before "tisice"/"miliony" it is "dva".
std::vector<std::string> CzechNumberWords(int32_t value, bool sayzero);
// English, as an American reads a number without "and": "2" "hundred" "15", "1" "thousand"
// "3" "hundred", "20" "1".
std::vector<std::string> EnglishNumberWords(int32_t value, bool sayzero);

// Every item name each language's rules can give.
std::span<const std::string_view> CzechNumberPieces();
std::span<const std::string_view> EnglishNumberPieces();

} // namespace vl::settings
