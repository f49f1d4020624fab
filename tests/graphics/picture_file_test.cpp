// SPDX-License-Identifier: GPL-3.0-or-later
// PictureFileTest: reading picture files into the image list — properties in any order
// and their defaults, colour names, picture kinds, loading before and after the display
// is initialised, and the exact (wrapped) failure messages with the items read so far.
#include <gtest/gtest.h>

#include "graphics/DXDraws.h"
#include "graphics_test_util.h"

namespace vl::graphics {
namespace {

using namespace test;
using container::ObjectWriter;
using platform::HeadlessPresenter;

Bytes Strip() { // 100 x 20, a colour per 20-pixel column
    return DibData(100, 20, [](int32_t x, int32_t) { return static_cast<uint32_t>(x / 20 + 1); });
}

std::string LoadFailure(TPictureCollection& pics, const Bytes& file) {
    try {
        pics.LoadFromStream(file);
    } catch (const Error& e) {
        return e.what();
    }
    return "(no failure)";
}

TEST(PictureFile, PropertiesInAnyOrderWithTheirDefaults) {
    Bytes table(1030, 0);
    for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<uint8_t>(i * 7);
    ObjectWriter w("TPictureCollectionComponent", "");
    w.BeginCollection("List");
    w.BeginItem();
    w.WriteIdent("TransparentColor", "clFuchsia");
    w.WriteBinary("Picture.Data", Strip());
    w.WriteInteger("PatternWidth", 20);
    w.WriteString("Name", "tanklevy");
    w.WriteInteger("PatternHeight", 20);
    w.WriteInteger("SkipWidth", -1);
    w.EndItem();
    w.BeginItem();
    w.WriteString("Name", "radar");
    w.WriteIdent("Transparent", "False");
    w.WriteBoolean("SystemMemory", true);
    w.WriteInteger("TransparentColor", static_cast<int32_t>(0xFF00000F));
    w.EndItem();
    w.EndCollection();
    w.WriteBinary("List.ColorTable", table); // after the items: order is free here too
    TPictureCollection pics;
    pics.LoadFromStream(w.Finish("PICTURES"));

    ASSERT_EQ(pics.Count(), 2);
    const TPictureCollectionItem& tank = pics.Find("TANKLEVY");
    EXPECT_EQ(tank.TransparentColor(), 0xFF00FFu);
    EXPECT_TRUE(tank.Transparent());
    EXPECT_FALSE(tank.SystemMemory());
    EXPECT_EQ(tank.SkipWidth(), -1);
    EXPECT_EQ(tank.SkipHeight(), 0);
    EXPECT_EQ(tank.Picture().Kind(), "TDIB");
    EXPECT_EQ(tank.Picture().Width(), 100);
    EXPECT_EQ(tank.ImageWidth(), 20);
    const TPictureCollectionItem& radar = pics.Items(1);
    EXPECT_FALSE(radar.Transparent());
    EXPECT_TRUE(radar.SystemMemory());
    EXPECT_EQ(radar.TransparentColor(), clBtnFace);
    EXPECT_EQ(radar.Picture().Graphic(), nullptr);
    EXPECT_EQ(radar.ImageWidth(), 0);
    EXPECT_EQ(pics.ColorTable()[1023], static_cast<uint8_t>(1023 * 7));

    pics.LoadFromStream(PictureFile([](ObjectWriter&) {})); // discards the old items
    EXPECT_EQ(pics.Count(), 0);
}

TEST(PictureFile, BitmapFilesAndUnknownKinds) {
    // A .bmp file: file header, then the bitmap our writer makes (past its kind name).
    const Bytes dib = Strip();
    Bytes bmp = {'B', 'M'};
    Put32(bmp, static_cast<uint32_t>(14 + dib.size() - 5));
    Put32(bmp, 0);
    Put32(bmp, 54);
    bmp.insert(bmp.end(), dib.begin() + 5, dib.end());
    Bytes data = {7, 'T', 'B', 'i', 't', 'm', 'a', 'p'};
    Put32(data, static_cast<uint32_t>(bmp.size()));
    data.insert(data.end(), bmp.begin(), bmp.end());
    const Bytes icon = {5, 'T', 'I', 'c', 'o', 'n', 0, 0, 1, 0};
    TPictureCollection pics;
    pics.LoadFromStream(PictureFile([&](ObjectWriter& w) {
        w.BeginItem();
        w.WriteBinary("Picture.Data", data);
        w.EndItem();
        w.BeginItem();
        w.WriteBinary("Picture.Data", icon);
        w.WriteInteger("PatternWidth", 9);
        w.EndItem();
    }));
    ASSERT_EQ(pics.Count(), 2);
    ASSERT_NE(pics.Items(0).Picture().Graphic(), nullptr);
    EXPECT_EQ(pics.Items(0).Picture().Graphic()->Pixel(99, 19), 5u);
    EXPECT_EQ(pics.Items(1).Picture().Kind(), "TIcon");
    EXPECT_EQ(pics.Items(1).Picture().Graphic(), nullptr);
    EXPECT_EQ(pics.Items(1).ImageWidth(), 9);
}

TEST(PictureFile, PatternsAppearOnceTheDisplayIsInitialised) {
    TempDir dir;
    const std::string path = dir.File("game.dat");
    WriteFile(path, PictureFile([](ObjectWriter& w) {
                  w.BeginItem();
                  w.WriteString("Name", "strip");
                  w.WriteInteger("PatternWidth", 20);
                  w.WriteBinary("Picture.Data", Strip());
                  w.EndItem();
              }));
    HeadlessPresenter window(536, 348);
    TDXDraw draw;
    draw.SetPresenter(&window);
    TDXImageList images;
    images.SetDXDraw(&draw);
    images.Items().LoadFromFile(path); // as the match window's creation does
    EXPECT_EQ(images.Items().Find("strip").PatternCount(), 0);
    draw.FormShown();
    EXPECT_EQ(images.Items().Find("strip").PatternCount(), 5);
    // Loading again while initialised prepares the new items at once.
    images.Items().LoadFromFile(path);
    TPictureCollectionItem& strip = images.Items().Find("strip");
    ASSERT_EQ(strip.PatternCount(), 5);
    strip.DrawPattern(draw.Surface(), 0, 0, 4);
    EXPECT_EQ(draw.Surface().Pixel(19, 19), 5u);
    images.SetDXDraw(nullptr);

    try {
        images.Items().LoadFromFile(dir.File("missing.dat"));
        FAIL();
    } catch (const container::EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"", 0), 0u) << e.what();
    }
}

TEST(PictureFile, FailuresAreExactAndKeepTheItemsRead) {
    const std::string list = "Error reading TPictureCollectionComponent.List: ";
    const std::string item = list + "Error reading TPictureCollectionItem.";
    auto oneItem = [](auto props) {
        return PictureFile([&](ObjectWriter& w) {
            w.BeginItem();
            w.WriteString("Name", "first");
            w.EndItem();
            w.BeginItem();
            w.WriteString("Name", "second");
            props(w);
            w.EndItem();
        });
    };
    Bytes badDib = Strip();
    badDib[5] = 20; // header size 20
    Bytes badBits = Strip();
    badBits[5 + 14] = 7;
    struct Case {
        Bytes file;
        std::string message;
        int items;
    };
    const Case cases[] = {
        {oneItem([&](ObjectWriter& w) { w.WriteBinary("Picture.Data", badDib); }),
         item + "Picture.Data: DIB is invalid", 2},
        {oneItem([&](ObjectWriter& w) { w.WriteBinary("Picture.Data", badBits); }),
         item + "Picture.Data: Bitcount in invalid (7)", 2},
        {oneItem([](ObjectWriter& w) { w.WriteInteger("Colour", 1); }),
         item + "Colour: Property Colour does not exist", 2},
        {oneItem([](ObjectWriter& w) { w.WriteIdent("TransparentColor", "clPink"); }),
         item + "TransparentColor: Invalid property value", 2},
        {oneItem([](ObjectWriter& w) { w.WriteString("PatternWidth", "20"); }),
         item + "PatternWidth: Invalid property value", 2},
        {oneItem([](ObjectWriter& w) { w.WriteInteger("Name.Length", 3); }),
         item + "Name.Length: Invalid property path", 2},
        {PictureFile([](ObjectWriter&) {}, 1023),
         "Error reading TPictureCollectionComponent.List.ColorTable: Stream read error", 0},
        {Bytes{'T', 'P', 'F', '0', 0, 0}, "Invalid stream format", 0},
    };
    for (const Case& c : cases) {
        TPictureCollection pics;
        EXPECT_EQ(LoadFailure(pics, c.file), c.message);
        EXPECT_EQ(pics.Count(), c.items) << c.message;
    }
    // Cut short inside the second item's picture.
    Bytes cut = oneItem([](ObjectWriter& w) { w.WriteBinary("Picture.Data", Strip()); });
    cut.resize(cut.size() - 200);
    TPictureCollection pics;
    EXPECT_NE(LoadFailure(pics, cut).find("Stream read error"), std::string::npos);
    EXPECT_EQ(pics.Count(), 2);
    EXPECT_EQ(pics.Items(0).Name(), "first");
}

// The pixels of one file count up across its pictures: the one that would pass the file's
// budget is refused, and a new file starts from nothing.
TEST(PictureFile, ThePixelsOfOneFileStayWithinItsBudget) {
    const Bytes three = PictureFile([](ObjectWriter& w) {
        for (const char* name : {"a", "b", "c"}) {
            w.BeginItem();
            w.WriteString("Name", name);
            w.WriteBinary("Picture.Data", Strip()); // 2000 pixels each
            w.EndItem();
        }
    });
    TPictureCollection pics;
    TDIBReadOptions options;
    options.maxFilePixels = 5000;
    pics.SetReadOptions(options);
    EXPECT_NE(LoadFailure(pics, three).find("Picture.Data: DIB is invalid"), std::string::npos);
    EXPECT_EQ(pics.Count(), 3); // the third was being read
    EXPECT_NE(pics.Items(1).Picture().Graphic(), nullptr);
    pics.Clear();
    options.maxFilePixels = 6000;
    pics.SetReadOptions(options);
    EXPECT_EQ(LoadFailure(pics, three), "(no failure)");
}

} // namespace
} // namespace vl::graphics
