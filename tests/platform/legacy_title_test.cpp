// SPDX-License-Identifier: GPL-3.0-or-later
// Window titles for WM_NAME: Latin-1 captions stay STRING, Czech ones become compound text
// that decodes back to the caption.
#include "platform/LegacyTitle.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace vl::platform {
namespace {

// The UTF-8 form of one ISO 8859-2 byte, by the C library's own converter.
std::string Latin2ByteAsUtf8(char byte) {
    iconv_t cd = iconv_open("UTF-8", "ISO-8859-2");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    char in[1] = {byte};
    char out[8] = {};
    char* src = in;
    char* dst = out;
    size_t inLeft = 1, outLeft = sizeof out;
    iconv(cd, &src, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    return std::string(out, sizeof out - outLeft);
}

TEST(LegacyTitle, LatinOneCaptionsStayPlainStrings) {
    const LegacyTitle menu = EncodeLegacyTitle("Hlavní menu");
    EXPECT_FALSE(menu.compound);
    EXPECT_EQ(menu.bytes, "Hlavn\xED menu");
    EXPECT_EQ(EncodeLegacyTitle("Vlnedla").bytes, "Vlnedla");
    // Controls other than tab and newline have no place in a title.
    EXPECT_EQ(EncodeLegacyTitle("a\rb\x7f\tc\n").bytes, "a?b?\tc\n");
}

TEST(LegacyTitle, CzechCaptionsSwitchToLatinTwoAndBack) {
    const LegacyTitle guide = EncodeLegacyTitle("Průvodce zvuky");
    EXPECT_TRUE(guide.compound);
    EXPECT_EQ(guide.bytes, "Pr\x1b-B\xF9vodce zvuky\x1b-A");
    // One switch covers a run of letters both sets hold; a Latin-1-only letter switches back;
    // what neither set holds is '?'.
    EXPECT_EQ(EncodeLegacyTitle("Test reproduktorů").bytes, "Test reproduktor\x1b-B\xF9\x1b-A");
    EXPECT_EQ(EncodeLegacyTitle("žluťoučký kůň").bytes,
              "\x1b-B\xBElu\xBBou\xE8k\xFD k\xF9\xF2\x1b-A");
    EXPECT_EQ(EncodeLegacyTitle("řà€").bytes, "\x1b-B\xF8\x1b-A\xE0?");
}

TEST(LegacyTitle, EveryLatinTwoLetterEncodesToItsOwnByte) {
    for (int b = 0xA0; b <= 0xFF; ++b) {
        const std::string letter = Latin2ByteAsUtf8(static_cast<char>(b));
        ASSERT_FALSE(letter.empty()) << "no ISO-8859-2 converter";
        // A trailing letter outside Latin-1 makes the title compound text.
        const LegacyTitle t = EncodeLegacyTitle("ů" + letter);
        EXPECT_EQ(t.bytes, std::string("\x1b-B\xF9") + static_cast<char>(b) + "\x1b-A")
            << "byte " << b;
    }
}

} // namespace
} // namespace vl::platform
