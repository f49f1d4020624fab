// SPDX-License-Identifier: GPL-3.0-or-later
// Tests that the shared bank-file builder writes what the bank reads: optional records,
// waves in the formats the tone generator makes, and a file on disk through LoadFromFile.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "sound/DXSounds.h"
#include "support/bank_builder.h"

namespace vl::sound {
namespace {

TEST(BankBuilder, ItemsReadBackWithAbsentRecordsAtTheirDefaults) {
    const auto wave8 = testing::SineWave({.rate = 8000, .channels = 2, .bits = 8, .frames = 80});
    const auto wave16 = testing::SineWave({.frames = 100});
    const auto file = testing::BuildBank({{.name = "navig1", .looped = true, .wave = wave16},
                                          {.name = "gun", .maxPlayingCount = -1, .wave = wave8},
                                          {.name = "silent"},
                                          {}});
    TWaveCollection bank;
    bank.LoadFromStream(file);
    ASSERT_EQ(bank.Count(), 4);
    EXPECT_TRUE(bank.Find("NAVIG1").Looped());
    EXPECT_EQ(bank.Find("navig1").Wave().Data.size(), 200u);
    const TWaveCollectionItem& gun = bank.Find("gun");
    EXPECT_FALSE(gun.Looped());
    EXPECT_EQ(gun.MaxPlayingCount(), 0);
    EXPECT_EQ(gun.Wave().Channels(), 2);
    EXPECT_EQ(gun.Wave().BitsPerSample(), 8);
    EXPECT_EQ(gun.Wave().BlockAlign(), 2);
    EXPECT_EQ(gun.Wave().Data.size(), 160u);
    // 8-bit samples are unsigned: the tone starts at the midpoint.
    EXPECT_EQ(gun.Wave().Data[0], 128);
    EXPECT_TRUE(bank.Find("silent").Wave().Empty());
    EXPECT_EQ(bank.Items(3).Name(), "");
}

TEST(BankBuilder, LoadFromFileTakesTheProgramsBackslashPath) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("vl_bankfile_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "snd");
    const auto bytes = testing::BuildBank({{.name = "mainmenusp", .wave = testing::SineWave()}});
    std::ofstream(dir / "snd" / "menu.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    TWaveCollection bank;
    EXPECT_NO_THROW(bank.LoadFromFile("snd\\menu.dat"));
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
    ASSERT_EQ(bank.Count(), 1);
    EXPECT_EQ(bank.Items(0).Wave().SamplesPerSec(), 22050u);
}

} // namespace
} // namespace vl::sound
