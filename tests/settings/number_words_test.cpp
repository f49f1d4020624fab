// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the number rules of both languages: worked examples, the edges, and that every
// word a rule gives is one of its language's pieces (which the data tests find in its bank).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "settings/Language.h"

namespace vl::settings {
namespace {

using Words = std::vector<std::string>;

TEST(NumberWords, CzechWorkedExamplesAndEdges) {
    const std::vector<std::pair<int32_t, Words>> rows = {
        {1, {"1"}},
        {2, {"2"}},
        {7, {"7"}},
        {12, {"12"}},
        {20, {"20"}},
        {21, {"20", "1"}},
        {22, {"20", "dva"}},
        {100, {"sto"}},
        {101, {"sto", "1"}},
        {121, {"sto", "20", "1"}},
        {200, {"2", "sta"}},
        {215, {"2", "sta", "15"}},
        {400, {"4", "sta"}},
        {512, {"5", "set", "12"}},
        {1000, {"tisic"}},
        {1100, {"tisic", "sto"}},
        {1300, {"tisic", "3", "sta"}},
        {2000, {"dva", "tisice"}},
        {2345, {"dva", "tisice", "3", "sta", "40", "5"}},
        {4000, {"4", "tisice"}},
        {5000, {"5", "tisic"}},
        {22000, {"20", "dva", "tisic"}},
        {1000000, {"milion"}},
        {1250000, {"milion", "2", "sta", "50", "tisic"}},
        {2000000, {"dva", "miliony"}},
        {4000000, {"4", "miliony"}},
        {7000000, {"7", "milionu"}},
    };
    for (const auto& [value, words] : rows) {
        EXPECT_EQ(CzechNumberWords(value, true), words) << value;
        EXPECT_EQ(CzechNumberWords(value, false), words) << value;
    }
    EXPECT_EQ(CzechNumberWords(0, true), Words{"0"});
    EXPECT_TRUE(CzechNumberWords(0, false).empty());
    EXPECT_TRUE(CzechNumberWords(-5, true).empty());
}

TEST(NumberWords, EnglishReadsAsAnEnglishSpeakerDoes) {
    const std::vector<std::pair<int32_t, Words>> rows = {
        {1, {"1"}},
        {2, {"2"}},
        {12, {"12"}},
        {19, {"19"}},
        {20, {"20"}},
        {21, {"20", "1"}},
        {40, {"40"}},
        {100, {"1", "hundred"}},
        {101, {"1", "hundred", "1"}},
        {215, {"2", "hundred", "15"}},
        {1000, {"1", "thousand"}},
        {1300, {"1", "thousand", "3", "hundred"}},
        {2000, {"2", "thousand"}},
        {21015, {"20", "1", "thousand", "15"}},
        {1000000, {"1", "million"}},
        {1000001, {"1", "million", "1"}},
        {INT32_MAX,
         {"2", "thousand", "1", "hundred", "40", "7", "million", "4", "hundred", "80", "3",
          "thousand", "6", "hundred", "40", "7"}},
    };
    for (const auto& [value, words] : rows) {
        EXPECT_EQ(EnglishNumberWords(value, true), words) << value;
        EXPECT_EQ(EnglishNumberWords(value, false), words) << value;
    }
    EXPECT_EQ(EnglishNumberWords(0, true), Words{"0"});
    EXPECT_TRUE(EnglishNumberWords(0, false).empty());
    EXPECT_TRUE(EnglishNumberWords(-5, true).empty());
}

TEST(NumberWords, EveryWordIsOneOfItsLanguagesPieces) {
    for (const Language& language : Languages()) {
        const auto pieces = language.numberPieces();
        for (int64_t value = 0; value <= INT32_MAX;
             value = value < 3000 ? value + 1 : value * 7 + 13) {
            for (const std::string& w : language.numberWords(static_cast<int32_t>(value), true)) {
                ASSERT_NE(std::find(pieces.begin(), pieces.end(), w), pieces.end())
                    << language.code << " " << value << ": " << w;
                EXPECT_TRUE(IsSpokenGameItem(w));
            }
        }
    }
    EXPECT_FALSE(IsSpokenGameItem("hit"));
}

} // namespace
} // namespace vl::settings
