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
    const std::string withZero("a\0b", 3);
    EXPECT_EQ(Format("%s!", {withZero}), std::string("a\0b!", 4));
}

} // namespace
} // namespace vl
