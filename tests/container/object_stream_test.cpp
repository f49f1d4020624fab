// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the resource header, the object stream reader and writer, and ByteReader.
//
// Index:
//   - resource header
//   - round trips and value tags
//   - collections
//   - failures and their wrapping
//   - skipping, nesting and truncation
#include <gtest/gtest.h>

#include <cstring>

#include "container/ObjectStream.h"
#include "test_objects.h"

namespace vl::container::testing {
namespace {

using Bytes = std::vector<uint8_t>;

void PutU32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutShort(Bytes& b, std::string_view s) {
    b.push_back(static_cast<uint8_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
}

// A file whose root stream is written by hand after the writer's header; `body` is the
// bytes after the object name (root records, their end and the child list).
Bytes HandFile(const Bytes& body, std::string_view resourceName = "TTESTCOMPONENT") {
    Bytes stream = {'T', 'P', 'F', '0'};
    PutShort(stream, "TTestComponent");
    PutShort(stream, "");
    stream.insert(stream.end(), body.begin(), body.end());
    Bytes file = {0xFF, 10, 0};
    file.insert(file.end(), resourceName.begin(), resourceName.end());
    file.insert(file.end(), {0, 0x30, 0x10});
    PutU32(file, static_cast<uint32_t>(stream.size()));
    file.insert(file.end(), stream.begin(), stream.end());
    return file;
}

// --- resource header ----------------------------------------------------------------------

TEST(ResourceHeader, StreamStartsAfterTheName) {
    ObjectWriter w("TWaveCollectionComponent", "");
    const Bytes file = w.Finish("TWAVECOLLECTIONCOMPONE"); // 22 bytes: check the arithmetic
    ByteReader in(file);
    ObjectReader(in).ReadResourceHeader();
    EXPECT_EQ(in.Position(), 32u);

    const Bytes file21 = ObjectWriter("TX", "").Finish("ABCDEFGHIJKLMNOPQRSTU");
    ByteReader in21(file21);
    ObjectReader(in21).ReadResourceHeader();
    EXPECT_EQ(in21.Position(), 31u);
    EXPECT_EQ(std::memcmp(file21.data() + 31, "TPF0", 4), 0);
    // Flags and stream length as writers put them.
    EXPECT_EQ(file21[25], 0x30);
    EXPECT_EQ(file21[26], 0x10);
    EXPECT_EQ(file21[27] + (file21[28] << 8), static_cast<int>(file21.size() - 31));
}

TEST(ResourceHeader, WrongMarkerOrTypeIsNotOurFormat) {
    Bytes bare = {'T', 'P', 'F', '0', 0, 0, 0, 0};
    TestItem root;
    EXPECT_EQ(MessageOf([&] { ReadFile(bare, root); }), "Invalid stream format");
    Bytes file = ObjectWriter("TX", "").Finish("N");
    file[1] = 11;
    EXPECT_EQ(MessageOf([&] { ReadFile(file, root); }), "Invalid stream format");
    file[1] = 10;
    file[2] = 1; // type 266
    EXPECT_EQ(MessageOf([&] { ReadFile(file, root); }), "Invalid stream format");
    const Bytes empty;
    EXPECT_EQ(MessageOf([&] { ReadFile(empty, root); }), "Invalid stream format");
}

TEST(ResourceHeader, NameWithoutTerminatorStaysInsideTheHeaderArea) {
    // 79 bytes of name and no zero: the zero-filled area ends the name at byte 79.
    Bytes file = {0xFF, 10, 0};
    file.insert(file.end(), 100, 'A');
    ByteReader in(file);
    ObjectReader(in).ReadResourceHeader();
    EXPECT_EQ(in.Position(), 10u + 76u);
}

TEST(ObjectStream, WrongSignatureFails) {
    Bytes file = ObjectWriter("TX", "").Finish("N");
    file[12] = 'X'; // "TPF0" starts at 11
    TestItem root;
    EXPECT_EQ(MessageOf([&] { ReadFile(file, root); }), "Invalid stream format");
}

// --- round trips and value tags -----------------------------------------------------------

TEST(ObjectStream, WriterOutputReadsBack) {
    ObjectWriter w("TTestComponent", "Root1");
    w.WriteString("Name", "menu");
    w.WriteBoolean("Looped", true);
    w.WriteInteger("Count", -70000);
    w.WriteIdent("Kind", "clRed");
    const Bytes block = {1, 2, 3, 0, 255};
    w.WriteBinary("Wave.WAVE", block);
    TestItem root;
    ReadFile(w.Finish("TTESTCOMPONENT"), root);
    EXPECT_EQ(root.name, "menu");
    EXPECT_TRUE(root.looped);
    EXPECT_EQ(root.count, -70000);
    EXPECT_EQ(root.kind, "clRed");
    EXPECT_EQ(root.wave.bytes, block);
}

TEST(ObjectWriter, PicksTheSmallestIntegerTagAndLongStringsWhenNeeded) {
    struct Case {
        int32_t value;
        uint8_t tag;
        size_t payload;
    };
    for (const Case c : {Case{-128, 2, 1}, Case{127, 2, 1}, Case{128, 3, 2}, Case{-32768, 3, 2},
                         Case{32768, 4, 4}, Case{INT32_MIN, 4, 4}}) {
        ObjectWriter w("T", "");
        const size_t start = w.Raw().size();
        w.WriteInteger("Count", c.value);
        ASSERT_EQ(w.Raw().size(), start + 6 + 1 + c.payload) << c.value;
        EXPECT_EQ(w.Raw()[start + 6], c.tag) << c.value;
        TestItem root;
        ReadFile(w.Finish("N"), root);
        EXPECT_EQ(root.count, c.value);
    }
    const std::string longName(300, 'x');
    ObjectWriter w("T", "");
    const size_t start = w.Raw().size();
    w.WriteString("Name", longName);
    EXPECT_EQ(w.Raw()[start + 5], 12);
    TestItem root;
    ReadFile(w.Finish("N"), root);
    EXPECT_EQ(root.name, longName);
}

TEST(ObjectWriter, RefusesWhatTheFormatCannotHold) {
    ObjectWriter w("T", "");
    EXPECT_THROW(w.WriteInteger(std::string(256, 'n'), 1), EWriteError);
    EXPECT_THROW(w.Finish(std::string(76, 'R')), EWriteError);
    EXPECT_THROW(ObjectWriter("T", "").Finish(std::string("A\0B", 3)), EWriteError);
}

TEST(ObjectStream, PrefixByteIsSkippedWithItsInteger) {
    for (const Bytes& prefix : {Bytes{0xF0}, Bytes{0xF2, 2, 5}, Bytes{0xF3, 4, 1, 2, 3, 4}}) {
        Bytes stream = {'T', 'P', 'F', '0'};
        stream.insert(stream.end(), prefix.begin(), prefix.end());
        PutShort(stream, "TTestComponent");
        PutShort(stream, "Obj");
        PutShort(stream, "Count");
        stream.insert(stream.end(), {2, 9, 0, 0});
        ByteReader in(stream);
        TestItem root;
        ObjectReader(in).ReadRootObject(root);
        EXPECT_EQ(root.count, 9);
        EXPECT_EQ(in.Remaining(), 0u);
    }
}

TEST(ObjectStream, BooleansAcceptIdentifiersInAnyCase) {
    for (const auto& [ident, expect] :
         {std::pair{"True", true}, std::pair{"false", false}, std::pair{"TRUE", true}}) {
        Bytes body;
        PutShort(body, "Looped");
        body.push_back(7);
        PutShort(body, ident);
        body.insert(body.end(), {0, 0});
        TestItem root;
        root.looped = !expect;
        ReadFile(HandFile(body), root);
        EXPECT_EQ(root.looped, expect) << ident;
    }
    Bytes body;
    PutShort(body, "Looped");
    body.push_back(7);
    PutShort(body, "Yes");
    body.insert(body.end(), {0, 0});
    TestItem root;
    EXPECT_EQ(MessageOf([&] { ReadFile(HandFile(body), root); }),
              "Error reading TTestItem.Looped: Invalid property value");
}

TEST(ObjectStream, WideAndUtf8StringsBecomeUtf8) {
    auto readName = [](uint8_t tag, const Bytes& payload) {
        Bytes body;
        PutShort(body, "Name");
        body.push_back(tag);
        body.insert(body.end(), payload.begin(), payload.end());
        body.insert(body.end(), {0, 0});
        TestItem root;
        ReadFile(HandFile(body), root);
        return root.name;
    };
    // "Tě" + U+1F600 as a surrogate pair.
    Bytes wide;
    PutU32(wide, 4);
    wide.insert(wide.end(), {'T', 0, 0x1B, 0x01, 0x3D, 0xD8, 0x00, 0xDE});
    EXPECT_EQ(readName(18, wide), "T\xC4\x9B\xF0\x9F\x98\x80");
    // Unpaired surrogates, high at the end and low alone, become U+FFFD.
    Bytes lone;
    PutU32(lone, 3);
    lone.insert(lone.end(), {0x00, 0xDC, 'a', 0, 0x00, 0xD8});
    EXPECT_EQ(readName(18, lone), "\xEF\xBF\xBD"
                                  "a"
                                  "\xEF\xBF\xBD");
    Bytes utf8;
    PutU32(utf8, 3);
    utf8.insert(utf8.end(), {'z', 0xC5, 0xA1});
    EXPECT_EQ(readName(20, utf8), "z\xC5\xA1");
    // A wide count larger than the file is a short read, not an allocation.
    Bytes huge;
    PutU32(huge, 0xFFFFFFFF);
    TestItem root;
    Bytes body;
    PutShort(body, "Name");
    body.push_back(18);
    body.insert(body.end(), huge.begin(), huge.end());
    EXPECT_EQ(MessageOf([&] { ReadFile(HandFile(body), root); }),
              "Error reading TTestItem.Name: Stream read error");
}

// --- collections --------------------------------------------------------------------------

TEST(Collection, ItemsReadInOrderWithOptionalIndex) {
    Bytes body;
    PutShort(body, "List");
    body.push_back(14);
    body.push_back(1); // item without index
    PutShort(body, "Name");
    body.push_back(6);
    PutShort(body, "a");
    body.push_back(0);
    body.insert(body.end(), {2, 7, 1}); // index 7 as tag 2
    body.push_back(0);                  // empty item
    body.insert(body.end(), {4, 1, 0, 0, 0, 1});
    PutShort(body, "Count");
    body.insert(body.end(), {3, 0x34, 0x12, 0});
    body.insert(body.end(), {0, 0, 0}); // end of List, end of root, no children
    TestItem root;
    root.items.push_back(std::make_unique<TestItem>());
    ReadFile(HandFile(body), root);
    ASSERT_EQ(root.items.size(), 3u);
    EXPECT_EQ(root.clears, 1);
    EXPECT_EQ(root.items[0]->name, "a");
    EXPECT_EQ(root.items[1]->name, "");
    EXPECT_EQ(root.items[2]->count, 0x1234);
}

TEST(Collection, EmptyCollectionKeepsExistingItems) {
    ObjectWriter w("T", "");
    w.BeginCollection("List");
    w.EndCollection();
    TestItem root;
    root.items.push_back(std::make_unique<TestItem>());
    ReadFile(w.Finish("N"), root);
    EXPECT_EQ(root.clears, 0);
    EXPECT_EQ(root.items.size(), 1u);
}

TEST(Collection, ItemWithoutListTagFailsAfterTheItemIsMade) {
    Bytes body;
    PutShort(body, "List");
    body.insert(body.end(), {14, 1, 0, 6});
    TestItem root;
    EXPECT_EQ(MessageOf([&] { ReadFile(HandFile(body), root); }),
              "Error reading TTestItem.List: Invalid property value");
    EXPECT_EQ(root.items.size(), 2u);
}

// --- failures and their wrapping ----------------------------------------------------------

TEST(Failures, ItemFailureIsWrappedTwiceAndKeepsItsClass) {
    class EOwnError : public Error {
    public:
        using Error::Error;
    };
    // A wave object whose reading fails with its own class.
    class FailingRoot : public TestItem {
    public:
        void ReadProperty(std::string_view name, ObjectReader& reader) override {
            if (!SameName(name, "List")) return TestItem::ReadProperty(name, reader);
            reader.ReadCollection([] {}, [this]() -> Persistent& { return child; });
        }
        class Child : public TestItem {
        public:
            Child() : TestItem("TWaveCollectionItem") {}
            Persistent* ObjectProperty(std::string_view name) override {
                return SameName(name, "Wave") ? &wave2 : TestItem::ObjectProperty(name);
            }
            class Wave2 : public TestWave {
            public:
                void ReadProperty(std::string_view, ObjectReader& reader) override {
                    reader.ReadBinarySpan();
                    throw EOwnError("Wave is invalid");
                }
            } wave2;
        } child;
    };
    class Root : public FailingRoot {
    public:
        std::string ReaderName() const override { return "TWaveCollectionComponent"; }
    };
    ObjectWriter w("TWaveCollectionComponent", "");
    w.BeginCollection("List");
    w.BeginItem();
    w.WriteBinary("Wave.WAVE", Bytes{1});
    w.EndItem();
    w.EndCollection();
    const Bytes file = w.Finish("N");
    Root root;
    try {
        ReadFile(file, root);
        FAIL() << "no error";
    } catch (const EOwnError& e) {
        EXPECT_EQ(e.Message(), "Error reading TWaveCollectionComponent.List: Error reading "
                               "TWaveCollectionItem.Wave.WAVE: Wave is invalid");
    }
}

TEST(Failures, PathsAndNamesReportTheirOwnMessages) {
    auto fail = [](const std::function<void(ObjectWriter&)>& write) {
        ObjectWriter w("T", "");
        write(w);
        TestItem root;
        return MessageOf([&] { ReadFile(w.Finish("N"), root); });
    };
    EXPECT_EQ(fail([](ObjectWriter& w) { w.WriteInteger("Volume", 1); }),
              "Error reading TTestItem.Volume: Property Volume does not exist");
    EXPECT_EQ(fail([](ObjectWriter& w) { w.WriteBinary("Sound.WAVE", Bytes{}); }),
              "Error reading TTestItem.Sound.WAVE: Property Sound does not exist");
    EXPECT_EQ(fail([](ObjectWriter& w) { w.WriteBinary("Name.WAVE", Bytes{}); }),
              "Error reading TTestItem.Name.WAVE: Invalid property path");
    EXPECT_EQ(fail([](ObjectWriter& w) { w.WriteBinary("Wave.Data", Bytes{}); }),
              "Error reading TTestItem.Wave.Data: Property Data does not exist");
    EXPECT_EQ(fail([](ObjectWriter& w) { w.WriteString("Count", "3"); }),
              "Error reading TTestItem.Count: Invalid property value");
    EXPECT_EQ(fail([](ObjectWriter& w) { w.WriteInteger("Wave.WAVE", 3); }),
              "Error reading TTestItem.Wave.WAVE: Invalid property value");
    // Case is ignored in every part of a path.
    EXPECT_EQ(fail([](ObjectWriter& w) { w.WriteBinary("wAVE.wave", Bytes{7}); }), "");
}

TEST(Failures, ChildObjectsAreNotAccepted) {
    Bytes body = {0, 1};
    TestItem root;
    EXPECT_EQ(MessageOf([&] { ReadFile(HandFile(body), root); }), "Invalid stream format");
}

// --- skipping, nesting and truncation -----------------------------------------------------

TEST(SkipValue, SkipsEveryTag) {
    const std::vector<Bytes> values = {
        {0},
        {1, 2, 5, 6, 1, 'x', 1, 0, 0}, // list with a nested list
        {2, 1},
        {3, 1, 2},
        {4, 1, 2, 3, 4},
        {5, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
        {6, 2, 'a', 'b'},
        {7, 1, 'i'},
        {8},
        {9},
        {10, 2, 0, 0, 0, 9, 9},
        {11, 2, 's', '1', 1, 't', 0}, // set of two names
        {12, 1, 0, 0, 0, 'l'},
        {13},
        {14, 2, 0, 1, 1, 'P', 9, 0, 1, 0, 0}, // collection: indexed item, empty item
        {15, 1, 2, 3, 4},
        {16, 1, 2, 3, 4, 5, 6, 7, 8},
        {17, 1, 2, 3, 4, 5, 6, 7, 8},
        {18, 1, 0, 0, 0, 'w', 0},
        {19, 1, 2, 3, 4, 5, 6, 7, 8},
        {20, 2, 0, 0, 0, 0xC5, 0xA1},
    };
    for (const Bytes& v : values) {
        Bytes body;
        PutShort(body, "Skipped");
        body.insert(body.end(), v.begin(), v.end());
        PutShort(body, "Count");
        body.insert(body.end(), {2, 42, 0, 0});
        TestItem root;
        ReadFile(HandFile(body), root);
        EXPECT_EQ(root.skipped, 1) << int{v[0]};
        EXPECT_EQ(root.count, 42) << int{v[0]};
    }
    for (const uint8_t bad : {21, 0x7F, 0xFF}) {
        Bytes body;
        PutShort(body, "Skipped");
        body.push_back(bad);
        TestItem root;
        EXPECT_EQ(MessageOf([&] { ReadFile(HandFile(body), root); }),
                  "Error reading TTestItem.Skipped: Invalid property value");
    }
}

TEST(SkipValue, DeepNestingFailsInsteadOfOverflowing) {
    for (const uint8_t open : {1, 14}) {
        Bytes body;
        PutShort(body, "Skipped");
        for (int i = 0; i < 100000; ++i) {
            body.push_back(open);
            if (open == 14) {
                body.push_back(1);
                PutShort(body, "P");
            }
        }
        TestItem root;
        EXPECT_EQ(MessageOf([&] { ReadFile(HandFile(body), root); }),
                  "Error reading TTestItem.Skipped: Invalid property value");
    }
    // Nested collections read into objects are bounded too.
    Bytes body;
    for (int i = 0; i < 100000; ++i) {
        PutShort(body, "List");
        body.insert(body.end(), {14, 1});
    }
    TestItem root;
    const std::string msg = MessageOf([&] { ReadFile(HandFile(body), root); });
    EXPECT_TRUE(msg.ends_with(": Invalid property value")) << msg.substr(0, 200);
}

TEST(Truncation, EveryPrefixOfAFileFailsCleanly) {
    ObjectWriter w("TTestComponent", "Root");
    w.WriteString("Name", "x");
    w.WriteBoolean("Looped", true);
    w.WriteInteger("Count", 1000);
    w.BeginCollection("List");
    w.BeginItem();
    w.WriteBinary("Wave.WAVE", Bytes(20, 7));
    w.WriteIdent("Kind", "clRed");
    w.EndItem();
    w.EndCollection();
    const Bytes file = w.Finish("TTESTCOMPONENT");
    {
        TestItem whole;
        ReadFile(file, whole);
        ASSERT_EQ(whole.items.size(), 1u);
    }
    for (size_t n = 0; n < file.size(); ++n) {
        const Bytes part(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
        TestItem root;
        const std::string msg = MessageOf([&] { ReadFile(part, root); });
        EXPECT_TRUE(msg.ends_with("Stream read error") || msg == "Invalid stream format")
            << n << ": " << msg;
    }
}

TEST(ByteReader, BoundedReads) {
    const Bytes data = {1, 2, 3, 4, 5, 0xFF};
    ByteReader in(data);
    EXPECT_EQ(in.ReadU16(), 0x0201);
    EXPECT_EQ(in.ReadU32(), 0xFF050403u);
    EXPECT_THROW(in.ReadU8(), EReadError);
    in.Seek(100);
    EXPECT_EQ(in.Position(), data.size());
    in.Seek(5);
    EXPECT_EQ(in.ReadI8(), -1);
    in.Seek(2);
    uint8_t buf[8] = {};
    EXPECT_EQ(in.ReadSome(buf, 8), 4u);
    in.Seek(2);
    EXPECT_EQ(MessageOf([&] { in.Read(buf, 5); }), "Stream read error");
    EXPECT_EQ(in.Position(), 2u); // a failed read consumes nothing
    EXPECT_THROW(in.Skip(5), EReadError);
    EXPECT_THROW(in.ReadSpan(SIZE_MAX), EReadError);
}

} // namespace
} // namespace vl::container::testing
