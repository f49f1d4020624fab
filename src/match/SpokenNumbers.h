// SPDX-License-Identifier: GPL-3.0-or-later
// SpokenNumbers: a whole number as the Czech number words of the match bank, in the order
// they are spoken.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vl::match {

// The item names `saynumber` plays for `value` (0 or more in practice; a negative value
// gives no words). "0" comes only for a value of 0 with `sayzero`; a value that ends in
// whole hundreds, thousands or millions ends with the group word. A two on its own and
// before "sta" is "2"; after a tens word and before "tisice"/"miliony" it is "dva".
std::vector<std::string> NumberWords(int32_t value, bool sayzero);

} // namespace vl::match
