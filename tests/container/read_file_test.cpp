// Tests of ReadWholeFile: contents, the program's backslash paths, and the messages of
// files that cannot be opened.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "container/ObjectStream.h"
#include "test_objects.h"

namespace vl::container::testing {
namespace {

namespace fs = std::filesystem;

class ReadWholeFileTest : public ::testing::Test {
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
    fs::path dir_;
    fs::path old_;
};

TEST_F(ReadWholeFileTest, ReadsAllBytesThroughABackslashPath) {
    std::vector<uint8_t> bytes(200000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    std::ofstream(dir_ / "snd" / "menu.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    EXPECT_EQ(ReadWholeFile("snd\\menu.dat"), bytes);
    std::ofstream(dir_ / "empty.dat", std::ios::binary);
    EXPECT_TRUE(ReadWholeFile("empty.dat").empty());
}

TEST_F(ReadWholeFileTest, FailuresNameTheAbsolutePathAndTheReason) {
    const std::string where = fs::absolute("snd/game.dat").string();
    try {
        ReadWholeFile("snd\\game.dat");
        FAIL() << "opened a missing file";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file \"" + where + "\". No such file or directory");
    }
    EXPECT_EQ(MessageOf([] { ReadWholeFile("snd"); }),
              "Cannot open file \"" + fs::absolute("snd").string() + "\". Is a directory");
}

TEST_F(ReadWholeFileTest, AFileHeldExclusivelyByAWriterIsRefused) {
    std::ofstream(dir_ / "busy.dat") << "x";
    const int fd = ::open((dir_ / "busy.dat").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_THROW(ReadWholeFile("busy.dat"), EFOpenError);
    ::close(fd);
    EXPECT_EQ(ReadWholeFile("busy.dat").size(), 1u);
}

} // namespace
} // namespace vl::container::testing
