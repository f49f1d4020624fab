// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of reading files: paths taken as given (backslashes converted only in the program's
// data paths), the messages of files that cannot be opened, and the file-backed reader,
// which reads in pieces only as far as the content asks.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "container/InputFile.h"
#include "container/LittleEndian.h"
#include "container/ObjectStream.h"
#include "test_objects.h"

namespace vl::container::testing {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class ReadFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vl_read_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_ / "snd");
        old_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(old_);
        fs::remove_all(dir_);
    }
    static void Write(const fs::path& path, const Bytes& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    fs::path dir_;
    fs::path old_;
};

TEST_F(ReadFileTest, PathsAreTakenAsGivenAndOnlyProgramPathsConvertBackslashes) {
    Write("out\\x.dat", {1, 2, 3}); // one file whose name holds a backslash
    Write(dir_ / "snd" / "menu.dat", {4});
    EXPECT_EQ(ReadWholeFile("out\\x.dat"), (Bytes{1, 2, 3}));
    EXPECT_EQ(ReadWholeFile(ProgramDataPath("snd\\menu.dat")), Bytes{4});
    EXPECT_EQ(MessageOf([] { ReadWholeFile("snd\\menu.dat"); }),
              "Cannot open file \"" + fs::absolute("snd\\menu.dat").string() +
                  "\". No such file or directory");
    EXPECT_EQ(MessageOf([] { InputFile file("snd"); }),
              "Cannot open file \"" + fs::absolute("snd").string() + "\". Is a directory");
    Write("empty.dat", {});
    EXPECT_TRUE(ReadWholeFile("empty.dat").empty());
}

TEST_F(ReadFileTest, AFileHeldExclusivelyByAWriterIsRefused) {
    std::ofstream(dir_ / "busy.dat") << "x";
    const int fd = ::open((dir_ / "busy.dat").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_THROW(InputFile("busy.dat"), EFOpenError);
    ::close(fd);
    EXPECT_EQ(ReadWholeFile("busy.dat").size(), 1u);
}

TEST_F(ReadFileTest, AFileReadsInPiecesAsMemoryDoes) {
    // Values straddle the reader's 64 KB pieces; one block is larger than a piece.
    Bytes data(300000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 251);
    Write("big.dat", data);
    InputFile file("big.dat");
    ByteReader in(file);
    ByteReader mem(data);
    for (ByteReader* r : {&in, &mem}) {
        r->Seek(65534);
        EXPECT_EQ(r->ReadU32(), LoadU32(&data[65534]));
        const std::span<const uint8_t> block = r->ReadSpan(200000);
        EXPECT_TRUE(std::equal(block.begin(), block.end(), data.begin() + 65538));
        r->Seek(3);
        uint8_t buf[100000];
        r->Read(buf, sizeof buf);
        EXPECT_EQ(std::memcmp(buf, &data[3], sizeof buf), 0);
        r->Seek(data.size() - 2);
        EXPECT_EQ(MessageOf([&] { r->ReadU32(); }), "Stream read error");
        EXPECT_EQ(r->Position(), data.size() - 2); // a failed read consumes nothing
        EXPECT_EQ(r->ReadU16(), LoadU16(&data[data.size() - 2]));
    }
}

TEST_F(ReadFileTest, AHugeSparseFileOrALyingLengthFailsWithoutReadingOn) {
    // 2 GB of holes: not a resource header, so the first piece read is the last.
    {
        std::ofstream("sparse.dat");
        ASSERT_EQ(::truncate("sparse.dat", off_t{2} << 30), 0);
    }
    InputFile sparse("sparse.dat");
    ByteReader in(sparse);
    TestItem root;
    EXPECT_EQ(MessageOf([&] {
                  ObjectReader reader(in);
                  reader.ReadResourceHeader();
              }),
              "Invalid stream format");

    // A byte block declaring 2 GB in a file of a few bytes fails before reading it.
    ObjectWriter w("TTestComponent", "");
    w.WriteBinary("Wave.WAVE", Bytes(8, 0));
    Bytes file = w.Finish("T");
    const size_t at = file.size() - 2 - 8 - 4; // the block's length field
    StoreU32(&file[at], 0x80000000u);
    Write("lying.dat", file);
    InputFile lying("lying.dat");
    ByteReader lin(lying);
    ObjectReader reader(lin);
    reader.ReadResourceHeader();
    EXPECT_EQ(MessageOf([&] { reader.ReadRootObject(root); }),
              "Error reading TTestItem.Wave.WAVE: Stream read error");
}

} // namespace
} // namespace vl::container::testing
