// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of vl::Format, the formatter of every error message.
#include <gtest/gtest.h>

#include "container/Error.h"

namespace vl {
namespace {

TEST(Format, FillsEachConversionInTurn) {
    EXPECT_EQ(Format("Wave '%s' not found", {"gun"}), "Wave 'gun' not found");
    EXPECT_EQ(Format("Error reading %s%s%s: %s", {"TWave", ".", "WAVE", "Wave is invalid"}),
              "Error reading TWave.WAVE: Wave is invalid");
    EXPECT_EQ(Format("List index out of bounds (%d)", {int64_t{-3}}),
              "List index out of bounds (-3)");
    EXPECT_EQ(Format("%u/%x", {int64_t{4000000000}, int64_t{0x88780096}}), "4000000000/88780096");
    EXPECT_EQ(Format("100%% %s", {"sure"}), "100% sure");
}

TEST(Format, NegativeUnsignedShowsThe32BitPattern) {
    EXPECT_EQ(Format("%u %x", {int64_t{-1}, int64_t{-1}}), "4294967295 FFFFFFFF");
}

TEST(Format, MissingExtraAndMismatchedArgumentsAreSafe) {
    EXPECT_EQ(Format("a%sb%dc", {}), "abc");
    EXPECT_EQ(Format("%s", {"x", "y", int64_t{3}}), "x");
    EXPECT_EQ(Format("%d|%s", {"text", int64_t{7}}), "text|7");
    EXPECT_EQ(Format("50%", {}), "50%");     // a trailing lone '%'
    EXPECT_EQ(Format("%q%s", {"z"}), "%qz"); // not a conversion of ours
}

// A string from a file's bytes is shown whole and printable: control bytes, a NUL and
// bytes that are not UTF-8 as \xNN; Czech letters as they are; cleaning twice as once.
TEST(Format, StringsFromFilesAreShownWholeAndPrintable) {
    const std::string raw("L\x01st\0ze\xff\xc3\n\x7f", 11);
    EXPECT_EQ(Format("Property %s does not exist", {raw}),
              "Property L\\x01st\\x00ze\\xff\\xc3\\x0a\\x7f does not exist");
    EXPECT_EQ(CleanText("Průvodce zvuky, žluťoučký kůň"), "Průvodce zvuky, žluťoučký kůň");
    EXPECT_EQ(CleanText(CleanText(raw)), CleanText(raw));
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    EXPECT_EQ(CleanText("\xc0\xaf|\xed\xa0\x80|\xf4\x90\x80\x80|\xf0\x9f\x98\x80"),
              "\\xc0\\xaf|\\xed\\xa0\\x80|\\xf4\\x90\\x80\\x80|\xf0\x9f\x98\x80");
}

} // namespace
} // namespace vl
