// SPDX-License-Identifier: GPL-3.0-or-later
// NumberWords: the Czech and the English rules, group by group from the millions down.
#include "settings/NumberWords.h"

#include <array>

namespace vl::settings {

namespace {

// --- Czech ------------------------------------------------------------------------------

void AppendCzech(std::vector<std::string>& out, int32_t value, bool sayzero);

// A group of millions or thousands: `c` times the group, with its word for one, for two
// to four and for five or more. Two before the group word is "dva", not "2".
void CzechGroup(std::vector<std::string>& out, int32_t c, const char* one, const char* few,
                const char* many) {
    if (c == 1) {
        out.emplace_back(one);
    } else if (c == 2) {
        out.emplace_back("dva");
        out.emplace_back(few);
    } else {
        AppendCzech(out, c, false);
        out.emplace_back(c <= 4 ? few : many);
    }
}

void AppendCzech(std::vector<std::string>& out, int32_t value, bool sayzero) {
    int32_t r = value;
    bool z = sayzero;
    if (r >= 1000000) {
        const int32_t c = r / 1000000;
        CzechGroup(out, c, "milion", "miliony", "milionu");
        r -= c * 1000000;
        if (r == 0) z = false;
    }
    if (r >= 1000) {
        const int32_t c = r / 1000;
        CzechGroup(out, c, "tisic", "tisice", "tisic");
        r -= c * 1000;
        if (r == 0) z = false;
    }
    if (r >= 100) {
        const int32_t c = r / 100;
        if (c == 1) {
            out.emplace_back("sto");
        } else {
            AppendCzech(out, c, false);
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

// --- English ----------------------------------------------------------------------------

// Millions and thousands (a count of either said the same way, so the largest values read
// "2 thousand 1 hundred 47 million"), then "N hundred", then 1 to 19 as one word, or the
// tens and the units.
void AppendEnglish(std::vector<std::string>& out, int32_t r) {
    if (r >= 1000000) {
        AppendEnglish(out, r / 1000000);
        out.emplace_back("million");
        r %= 1000000;
    }
    if (r >= 1000) {
        AppendEnglish(out, r / 1000);
        out.emplace_back("thousand");
        r %= 1000;
    }
    if (r >= 100) {
        out.push_back(std::to_string(r / 100));
        out.emplace_back("hundred");
        r %= 100;
    }
    if (r >= 20) {
        out.push_back(std::to_string(r / 10 * 10));
        r %= 10;
    }
    if (r > 0) out.push_back(std::to_string(r));
}

constexpr std::array<std::string_view, 37> kCzechPieces = {
    "0",   "1",   "2",     "3",      "4",      "5",       "6",      "7",  "8",   "9",
    "10",  "11",  "12",    "13",     "14",     "15",      "16",     "17", "18",  "19",
    "20",  "30",  "40",    "50",     "60",     "70",      "80",     "90", "dva", "sto",
    "sta", "set", "tisic", "tisice", "milion", "miliony", "milionu"};
constexpr std::array<std::string_view, 31> kEnglishPieces = {
    "0",  "1",  "2",  "3",  "4",  "5",  "6",       "7",        "8",      "9",  "10",
    "11", "12", "13", "14", "15", "16", "17",      "18",       "19",     "20", "30",
    "40", "50", "60", "70", "80", "90", "hundred", "thousand", "million"};

} // namespace

std::vector<std::string> CzechNumberWords(int32_t value, bool sayzero) {
    std::vector<std::string> out;
    AppendCzech(out, value, sayzero);
    return out;
}

std::vector<std::string> EnglishNumberWords(int32_t value, bool sayzero) {
    std::vector<std::string> out;
    if (value > 0)
        AppendEnglish(out, value);
    else if (value == 0 && sayzero)
        out.emplace_back("0");
    return out;
}

std::span<const std::string_view> CzechNumberPieces() {
    return kCzechPieces;
}

std::span<const std::string_view> EnglishNumberPieces() {
    return kEnglishPieces;
}

} // namespace vl::settings
