// SPDX-License-Identifier: GPL-3.0-or-later
// DIBTest: the bitmap decoder against bitmaps ImageMagick writes (pixel for pixel as it
// decodes them), hand-made run-length data that overruns rows and the picture, and the
// decoder's exact failure messages.
#include <gtest/gtest.h>

#include <algorithm>

#include "graphics/DIB.h"
#include "graphics_test_util.h"

namespace vl::graphics {
namespace {

using namespace test;

// Decodes `data` as "TDIB" picture data (no file header).
TDIB DecodeDib(const Bytes& data) {
    container::ByteReader in(data);
    TDIB dib;
    dib.LoadDIB(in);
    return dib;
}

std::string FailureOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no failure)";
}

// --- files written by ImageMagick --------------------------------------------------------

class ImageMagickBitmaps : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
        // Gradient plus shapes, so every row and column differs.
        ASSERT_TRUE(RunShell("convert -size 37x23 gradient:red-blue -fill yellow -draw 'circle "
                             "10,10 15,15' -fill green -draw 'rectangle 20,5 30,18' " +
                             dir_.File("src.png")));
    }
    // Writes the source with `options` to NAME.bmp and returns the file.
    Bytes Make(const std::string& name, const std::string& options) {
        const std::string out = dir_.File(name + ".bmp");
        EXPECT_TRUE(RunShell("convert " + dir_.File("src.png") + " " + options + ":" + out));
        return ReadFile(out);
    }
    // ImageMagick's own decoding of NAME.bmp, as 0x00RRGGBB top row first.
    std::vector<uint32_t> Reference(const std::string& name) {
        const std::string rgb = dir_.File(name + ".rgb");
        EXPECT_TRUE(RunShell("convert " + dir_.File(name + ".bmp") + " -depth 8 rgb:" + rgb));
        const Bytes b = ReadFile(rgb);
        std::vector<uint32_t> px(b.size() / 3);
        for (size_t i = 0; i < px.size(); ++i)
            px[i] = (uint32_t{b[3 * i]} << 16) | (uint32_t{b[3 * i + 1]} << 8) | b[3 * i + 2];
        return px;
    }
    void ExpectSame(const TDIB& dib, const std::vector<uint32_t>& ref, int bits) {
        ASSERT_EQ(dib.Width(), 37);
        ASSERT_EQ(dib.Height(), 23);
        EXPECT_EQ(dib.BitCount(), bits);
        ASSERT_EQ(ref.size(), dib.Pixels().size());
        for (size_t i = 0; i < ref.size(); ++i)
            ASSERT_EQ(dib.Pixels()[i], ref[i]) << "pixel " << i % 37 << "," << i / 37;
    }
    TempDir dir_;
};

TEST_F(ImageMagickBitmaps, EveryDepthDecodesAsImageMagickDecodesIt) {
    struct Case {
        std::string name, options;
        int bits;
    };
    const Case cases[] = {
        {"p1", "-monochrome BMP3", 1},
        {"p4", "+dither -colors 12 BMP3", 4},
        {"p8", "+dither -colors 40 -compress None BMP3", 8},
        {"rle8", "+dither -colors 40 -compress RLE BMP3", 8},
        {"t24", "-type TrueColor BMP3", 24},
        {"t32", "-alpha set -define bmp3:alpha=true BMP3", 32},
        {"os2p8", "+dither -colors 40 BMP2", 8}, // core header, 3-byte palette
        {"os2t24", "-type TrueColor BMP2", 24},  // core header
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = Make(c.name, c.options);
        ASSERT_GT(file.size(), 14u);
        const std::vector<uint32_t> ref = Reference(c.name);
        // As picture data of kind "TDIB": the same bytes without the file header.
        ExpectSame(DecodeDib(Bytes(file.begin() + 14, file.end())), ref, c.bits);
        // As a whole file, kind "TBitmap".
        TDIB whole;
        whole.LoadBitmapFile(file);
        ExpectSame(whole, ref, c.bits);
    }
}

TEST_F(ImageMagickBitmaps, LaterHeadersWithMasksReadFromBitmapFiles) {
    const std::pair<std::string, std::string> cases[] = {
        {"v5rle", "+dither -colors 40 BMP"},               // 124-byte header, RLE8
        {"v5argb", "-alpha set -type TrueColorAlpha BMP"}, // 32-bit bit fields
        {"v5rgb565", "-define bmp:subtype=RGB565 BMP"},    // 16-bit 5-6-5
    };
    const int bits[] = {8, 32, 16};
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].first);
        const Bytes file = Make(cases[i].first, cases[i].second);
        TDIB dib;
        dib.LoadBitmapFile(file);
        ExpectSame(dib, Reference(cases[i].first), bits[i]);
        // "TDIB" data knows only the 12- and 40-byte headers.
        EXPECT_EQ(FailureOf([&] { DecodeDib(Bytes(file.begin() + 14, file.end())); }),
                  "DIB is invalid");
    }
}

TEST_F(ImageMagickBitmaps, TopDownRowsReadTopFirst) {
    // ImageMagick writes bottom-up only; turn its 24-bit file over by hand: negative
    // height, rows in the other order.
    Bytes file = Make("t24", "-type TrueColor BMP3");
    const std::vector<uint32_t> ref = Reference("t24");
    const size_t off = file[10] | (file[11] << 8), stride = (37 * 3 + 3) / 4 * 4;
    Bytes flipped(file.begin(), file.begin() + static_cast<ptrdiff_t>(off));
    for (int r = 22; r >= 0; --r)
        flipped.insert(flipped.end(), file.begin() + static_cast<ptrdiff_t>(off + r * stride),
                       file.begin() + static_cast<ptrdiff_t>(off + (r + 1) * stride));
    const uint32_t negative = static_cast<uint32_t>(-23);
    for (int i = 0; i < 4; ++i) flipped[22 + i] = static_cast<uint8_t>(negative >> (8 * i));
    ExpectSame(DecodeDib(Bytes(flipped.begin() + 14, flipped.end())), ref, 24);
}

// --- run-length data ---------------------------------------------------------------------

Bytes Palette4() { // index 0 black, 1 red, 2 green, 3 blue (B, G, R, 0)
    return {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};
}

TDIB DecodeRle(int32_t w, int32_t h, uint16_t bits, const Bytes& rle) {
    Bytes d = InfoHeader(w, h, bits, bits == 8 ? 1 : 2, static_cast<uint32_t>(rle.size()), 4);
    const Bytes pal = Palette4();
    d.insert(d.end(), pal.begin(), pal.end());
    d.insert(d.end(), rle.begin(), rle.end());
    return DecodeDib(d);
}

constexpr uint32_t R = 0xFF0000, G = 0x00FF00, B = 0x0000FF;

TEST(DIBRunLength, Rle8RunsDeltasAndOverrunsStayInsideThePicture) {
    const TDIB dib = DecodeRle(6, 3, 8,
                               {
                                   8,   1,                 // 8 reds on a 6-wide row: 2 dropped
                                   0,   0,                 // end of line
                                   0,   3, 2,   3,   2, 0, // absolute run of 3, padded
                                   0,   2, 1,   1,         // delta: right 1, up 1
                                   1,   3,                 // one blue at (4, top row)
                                   0,   2, 200, 200,       // delta far outside
                                   255, 1,                 // a run nowhere: dropped
                                   0,   1,                 // end of bitmap
                                   5,   2,                 // after the end: ignored
                               });
    const std::vector<uint32_t> expect = {
        0, 0, 0, 0, B, 0, // top row (stored last)
        G, B, G, 0, 0, 0, //
        R, R, R, R, R, R, // bottom row (stored first)
    };
    EXPECT_EQ(dib.Pixels(), expect);
}

TEST(DIBRunLength, Rle4AlternatesNibblesAndPadsAbsoluteRuns) {
    const TDIB dib = DecodeRle(7, 2, 4,
                               {
                                   5,
                                   0x12, // 1 2 1 2 1
                                   0,
                                   3,
                                   0x31,
                                   0x20, // absolute 3 1 2 (2 bytes, even)
                                   0,
                                   0, // end of line
                                   0,
                                   5,
                                   0x11,
                                   0x22,
                                   0x30,
                                   0, // absolute 5 nibbles, padded
                                   0,
                                   1,
                               });
    const std::vector<uint32_t> expect = {
        R, R, G, G, B, 0, 0, // top row
        R, G, R, G, R, B, R, // bottom row: the 8th pixel of the run is dropped
    };
    EXPECT_EQ(dib.Pixels(), expect);
}

TEST(DIBRunLength, TruncatedDataEndsDecodingWithoutFailure) {
    // The image-size field covers only part of an absolute run and half a delta.
    const TDIB dib = DecodeRle(4, 1, 8, {2, 1, 0, 9, 1});
    EXPECT_EQ(dib.Pixels(), (std::vector<uint32_t>{R, R, 0, 0}));
}

// --- uncompressed details ----------------------------------------------------------------

TEST(DIBPixels, SixteenBitsDefaultToFiveFiveFiveAndMasksMayChooseFiveSixFive) {
    Bytes d = InfoHeader(3, 1, 16);
    for (uint32_t v : {0x7FFFu, 0x001Fu, 0x7C00u}) Put16(d, v);
    Put16(d, 0); // row padding
    EXPECT_EQ(DecodeDib(d).Pixels(), (std::vector<uint32_t>{0xFFFFFF, 0x0000FF, 0xFF0000}));

    Bytes m = InfoHeader(2, 1, 16, 3);
    for (uint32_t v : {0xF800u, 0x07E0u, 0x001Fu}) Put32(m, v);
    Put16(m, 0x07E0);
    Put16(m, 0xF800);
    EXPECT_EQ(DecodeDib(m).Pixels(), (std::vector<uint32_t>{0x00FF00, 0xFF0000}));
}

TEST(DIBPixels, ColoursUsedSetsThePaletteLengthAndBadIndexesAreBlack) {
    Bytes d = InfoHeader(3, 1, 8, 0, 0, 2);
    for (uint8_t v : {0, 0, 255, 0, 255, 0, 0, 0}) d.push_back(v); // red, blue
    for (uint8_t v : {1, 0, 7, 0}) d.push_back(v);                 // 7: no such entry
    EXPECT_EQ(DecodeDib(d).Pixels(), (std::vector<uint32_t>{0x0000FF, 0xFF0000, 0}));
}

TEST(DIBPixels, WrittenPicturesReadBack) {
    TDIB dib(5, 3, 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) dib.SetPixel(x, y, static_cast<uint32_t>(x * 40 + y * 0x10000));
    TPicture pic;
    pic.LoadFromData(WriteDIB24(dib));
    ASSERT_NE(pic.Graphic(), nullptr);
    EXPECT_EQ(pic.Kind(), "TDIB");
    EXPECT_EQ(pic.Graphic()->Pixels(), dib.Pixels());
}

TEST(DIBPixels, APaletteOverTwoHundredFiftySixEntriesIsSkippedToThePixels) {
    // 300 entries declared: the first 256 are kept, the rest skipped before the pixels.
    auto make = [](uint16_t bits) {
        Bytes d = InfoHeader(2, 1, bits, 0, 0, 300);
        for (uint32_t i = 0; i < 300; ++i) Put32(d, i * 0x010101u); // grey i (wraps at 256)
        return d;
    };
    Bytes p8 = make(8);
    for (uint8_t v : {7, 255, 0, 0}) p8.push_back(v);
    EXPECT_EQ(DecodeDib(p8).Pixels(), (std::vector<uint32_t>{0x070707, 0xFFFFFF}));
    Bytes p24 = make(24);
    for (uint8_t v : {1, 2, 3, 4, 5, 6, 0, 0}) p24.push_back(v);
    EXPECT_EQ(DecodeDib(p24).Pixels(), (std::vector<uint32_t>{0x030201, 0x060504}));
    // A palette declared longer than the data is short data.
    Bytes cut = make(8);
    cut.resize(cut.size() - 4);
    EXPECT_EQ(FailureOf([&] { DecodeDib(cut); }), "Stream read error");
}

TEST(DIBPixels, BitFieldChannelsWiderThanEightBitsAreRounded) {
    // 11-11-10 and 10-10-10 (two alpha bits on top, ignored): v * 255 / max to the nearest.
    Bytes d = InfoHeader(2, 1, 32, 3);
    for (uint32_t m : {0xFFE00000u, 0x001FFC00u, 0x000003FFu}) Put32(d, m);
    Put32(d, (5u << 21) | (13u << 10) | 7u); // 1275/2047, 3315/2047, 1785/1023 rounded
    Put32(d, (2047u << 21) | 1023u);
    EXPECT_EQ(DecodeDib(d).Pixels(), (std::vector<uint32_t>{0x010202, 0xFF00FF}));
    Bytes a = InfoHeader(1, 1, 32, 3);
    for (uint32_t m : {0x3FF00000u, 0x000FFC00u, 0x000003FFu}) Put32(a, m);
    Put32(a, (3u << 30) | (7u << 20) | (3u << 10) | 1023u);
    EXPECT_EQ(DecodeDib(a).Pixels(), std::vector<uint32_t>{0x0201FF});
}

TEST(DIBPixels, APixelBudgetAndReadingWithoutPixels) {
    // 16384 x 4096 in a few bytes of RLE: inside the limit, so it decodes with the
    // defaults; a smaller budget refuses it, and reading without pixels keeps its size.
    const Bytes bomb = [] {
        Bytes d = InfoHeader(16384, 4096, 8, 1, 2, 2);
        for (int i = 0; i < 8; ++i) d.push_back(0);
        for (uint8_t v : {0, 1}) d.push_back(v); // end of bitmap
        return d;
    }();
    TDIB dib;
    container::ByteReader small(bomb);
    EXPECT_EQ(FailureOf([&] { dib.LoadDIB(small, {.maxPixels = 1 << 16}); }), "DIB is invalid");
    container::ByteReader sized(bomb);
    dib.LoadDIB(sized, {.decodePixels = false});
    EXPECT_EQ(dib.Width(), 16384);
    EXPECT_EQ(dib.Height(), 4096);
    EXPECT_TRUE(dib.Pixels().empty());
    Bytes shortRows = InfoHeader(10, 10, 24);
    shortRows.resize(shortRows.size() + 10 * 32 - 1);
    container::ByteReader rows(shortRows);
    EXPECT_EQ(FailureOf([&] { dib.LoadDIB(rows, {.decodePixels = false}); }), "Stream read error");
}

// --- picture kinds and failures ----------------------------------------------------------

TEST(DIBFailures, ExactMessages) {
    auto dib = [](const Bytes& d) { return FailureOf([&] { DecodeDib(d); }); };
    EXPECT_EQ(dib({40, 0, 0}), "DIB is invalid"); // fewer than 4 bytes
    Bytes size20 = {20, 0, 0, 0};
    size20.resize(40, 0);
    EXPECT_EQ(dib(size20), "DIB is invalid");
    EXPECT_EQ(dib(InfoHeader(2, 2, 7)), "Bitcount in invalid (7)");
    Bytes badMasks = InfoHeader(2, 2, 16, 3);
    for (uint32_t v : {0x0F00u, 0x00F0u, 0x000Fu}) Put32(badMasks, v);
    EXPECT_EQ(dib(badMasks), "PixelFormat in invalid");
    EXPECT_EQ(dib(InfoHeader(2, 2, 24, 4)), "DIB is invalid"); // unknown compression
    EXPECT_EQ(dib(InfoHeader(2, 2, 24, 1)), "DIB is invalid"); // RLE8 needs 8 bits
    EXPECT_EQ(dib(InfoHeader(0, 2, 24)), "DIB is invalid");
    Bytes header = InfoHeader(2, 2, 24);
    header.resize(30);
    EXPECT_EQ(dib(header), "Stream read error");
    Bytes shortRows = InfoHeader(10, 10, 24);
    shortRows.resize(shortRows.size() + 10 * 32 - 1);
    EXPECT_EQ(dib(shortRows), "Stream read error");
    // Hostile sizes fail before anything large is allocated.
    EXPECT_EQ(dib(InfoHeader(8000, 8000, 32)), "Stream read error");
    EXPECT_EQ(dib(InfoHeader(100000, 1, 8)), "DIB is invalid");
    EXPECT_EQ(dib(InfoHeader(16384, -16384, 8, 1)), "DIB is invalid");
    EXPECT_EQ(dib(InfoHeader(10, 10, 8, 1, 1000)), "Stream read error"); // RLE bytes missing

    TDIB whole;
    EXPECT_EQ(FailureOf([&] { whole.LoadBitmapFile(Bytes{'B', 'M', 0}); }), "Stream read error");
    Bytes notBm(60, 0);
    EXPECT_EQ(FailureOf([&] { whole.LoadBitmapFile(notBm); }), "DIB is invalid");
}

TEST(DIBFailures, PictureKindsUnknownKindHasNoPicture) {
    TPicture pic;
    pic.LoadFromData(Bytes{5, 'T', 'I', 'c', 'o', 'n', 1, 2, 3});
    EXPECT_EQ(pic.Kind(), "TIcon");
    EXPECT_EQ(pic.Graphic(), nullptr);
    EXPECT_EQ(pic.Width(), 0);

    Bytes bitmap = {7, 'T', 'B', 'i', 't', 'm', 'a', 'p'};
    Put32(bitmap, 500); // more than there is
    bitmap.insert(bitmap.end(), {'B', 'M'});
    EXPECT_EQ(FailureOf([&] { pic.LoadFromData(bitmap); }), "Stream read error");
    EXPECT_EQ(pic.Graphic(), nullptr);
    EXPECT_EQ(FailureOf([&] { pic.LoadFromData({}); }), "Stream read error");
}

} // namespace
} // namespace vl::graphics
