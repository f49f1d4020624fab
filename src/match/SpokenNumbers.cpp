// SPDX-License-Identifier: GPL-3.0-or-later
// SpokenNumbers: millions, thousands, hundreds, then the rest below a hundred.
#include "match/SpokenNumbers.h"

namespace vl::match {

namespace {

void Append(std::vector<std::string>& out, int32_t value, bool sayzero);

// A group of millions or thousands: `c` times the group, with its word for one, for two
// to four and for five or more. Two before the group word is "dva", not "2".
void Group(std::vector<std::string>& out, int32_t c, const char* one, const char* few,
           const char* many) {
    if (c == 1) {
        out.emplace_back(one);
    } else if (c == 2) {
        out.emplace_back("dva");
        out.emplace_back(few);
    } else {
        Append(out, c, false);
        out.emplace_back(c <= 4 ? few : many);
    }
}

void Append(std::vector<std::string>& out, int32_t value, bool sayzero) {
    int32_t r = value;
    bool z = sayzero;
    if (r >= 1000000) {
        const int32_t c = r / 1000000;
        Group(out, c, "milion", "miliony", "milionu");
        r -= c * 1000000;
        if (r == 0) z = false;
    }
    if (r >= 1000) {
        const int32_t c = r / 1000;
        Group(out, c, "tisic", "tisice", "tisic");
        r -= c * 1000;
        if (r == 0) z = false;
    }
    if (r >= 100) {
        const int32_t c = r / 100;
        if (c == 1) {
            out.emplace_back("sto");
        } else {
            Append(out, c, false);
            out.emplace_back(c <= 4 ? "sta" : "set");
        }
        r -= c * 100;
        if (r == 0) z = false;
    }
    if (r > 20) {
        out.push_back(std::to_string(r / 10 * 10));
        const int32_t u = r % 10;
        if (u == 2)
            out.emplace_back("dva");
        else if (u != 0)
            out.push_back(std::to_string(u));
    } else if (r > 0 || (r == 0 && z)) {
        out.push_back(std::to_string(r));
    }
}

} // namespace

std::vector<std::string> NumberWords(int32_t value, bool sayzero) {
    std::vector<std::string> out;
    Append(out, value, sayzero);
    return out;
}

} // namespace vl::match
