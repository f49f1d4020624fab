// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of loading a bank: lookup, reloading, partial loads, the reader's messages,
// and building every item into the mixer when the device is open.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "sound_fixture.h"

namespace vl::sound::testing {
namespace {

TEST(BankLoad, FindIgnoresCaseAndTheLaterItemWins) {
    SoundRig rig;
    rig.Load({{"mainmenusp", WaveMs(10)}, {"Gun", WaveMs(20)}, {"GUN", WaveMs(30)}});
    EXPECT_EQ(rig.bank().Count(), 3);
    EXPECT_EQ(&rig.bank().Find("MAINMENUSP"), &rig.bank().Items(0));
    EXPECT_EQ(&rig.bank().Find("gun"), &rig.bank().Items(2));
    EXPECT_EQ(&rig.bank().Find("Gun"), &rig.bank().Items(2));
    EXPECT_EQ(MessageOf([&] { rig.bank().Find("tankjede"); }), "Wave 'tankjede' not found");
    EXPECT_THROW(rig.bank().Find(""), EWaveCollectionError);
}

TEST(BankLoad, AnOpenDeviceGetsEverySampleOnLoadAndAReloadResetsTheSettings) {
    SoundRig rig;
    const auto wave = WaveMs(10);
    rig.Load({{"a", wave}, {"b", wave, true}});
    for (int i = 0; i < 2; ++i) {
        const TWaveCollectionItem& item = rig.bank().Items(i);
        EXPECT_TRUE(item.Initialized());
        ASSERT_NE(item.Buffer(), nullptr);
        ASSERT_TRUE(item.Buffer()->Made());
        EXPECT_EQ(item.Buffer()->IDSBuffer()->Length(), 480u * 2);
    }
    TWaveCollectionItem& a = rig.bank().Find("a");
    a.SetFrequency(22050);
    a.SetPan(-10000);
    a.SetVolume(-1000);
    a.Play(false);
    rig.bank().LoadFromStream(BankFile({{"a", wave}, {"b", wave, true}}));
    TWaveCollectionItem& again = rig.bank().Find("a");
    EXPECT_EQ(again.Frequency(), 0);
    EXPECT_EQ(again.Pan(), 0);
    EXPECT_EQ(again.Volume(), 0);
    EXPECT_EQ(again.CopyCount(), 0u);
    EXPECT_EQ(again.Buffer()->IDSBuffer()->Pan(), 0);
    EXPECT_EQ(rig.device->DSound()->BufferCount(), 3u); // primary + 2: the old ones are gone
}

TEST(BankLoad, AMalformedFileLeavesTheItemsReadSoFarUnbound) {
    SoundRig rig;
    rig.Load({{"old", WaveMs(10)}});
    auto badWave = WaveMs(10);
    badWave[8] = 'X'; // "WAVE" -> "XAVE"
    const auto file =
        BankFile({{"first", WaveMs(10)}, {"second", WaveMs(10), true}, {"third", badWave}});
    EXPECT_EQ(MessageOf([&] { rig.bank().LoadFromStream(file); }),
              "Error reading TWaveCollectionComponent.List: Error reading "
              "TWaveCollectionItem.Wave.WAVE: Wave is invalid");
    ASSERT_EQ(rig.bank().Count(), 3); // the one being filled stays too
    EXPECT_EQ(rig.bank().Items(2).Name(), "third");
    EXPECT_TRUE(rig.bank().Find("second").Looped());
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(rig.bank().Items(i).Initialized());
        EXPECT_EQ(rig.bank().Items(i).Buffer(), nullptr);
    }
    EXPECT_EQ(rig.bank().FindOrNull("old"), nullptr);
    EXPECT_NO_THROW(rig.bank().Find("first").Play(true)); // unbound: silent
    EXPECT_EQ(rig.device->DSound()->BufferCount(), 1u);   // the primary buffer only

    // A truncated file: the items before the cut are there.
    const auto good = BankFile({{"x", WaveMs(10)}, {"y", WaveMs(10)}});
    const std::vector<uint8_t> cut(good.begin(), good.end() - 200);
    EXPECT_EQ(MessageOf([&] { rig.bank().LoadFromStream(cut); }),
              "Error reading TWaveCollectionComponent.List: Error reading "
              "TWaveCollectionItem.Wave.WAVE: Stream read error");
    EXPECT_EQ(rig.bank().Count(), 2);
    EXPECT_EQ(rig.bank().Items(0).Wave().Data.size(), 960u);

    // A file that is no bank at all.
    const std::vector<uint8_t> tpf = {'T', 'P', 'F', '0', 0, 0};
    EXPECT_EQ(MessageOf([&] { rig.bank().LoadFromStream(tpf); }), "Invalid stream format");
    EXPECT_EQ(rig.bank().Count(), 0);
}

TEST(BankLoad, AFileThatCannotBeOpenedLeavesTheBankAsItWas) {
    SoundRig rig;
    rig.Load({{"kept", WaveMs(10)}});
    const std::string missing = std::string(VL_BINARY_DIR) + "/no-such-dir/menu.dat";
    const std::string message = MessageOf([&] { rig.bank().LoadFromFile(missing); });
    EXPECT_EQ(message.rfind("Cannot open file \"" + missing + "\". ", 0), 0u) << message;
    EXPECT_EQ(rig.bank().Count(), 1);
    EXPECT_TRUE(rig.bank().Find("kept").Initialized());

    // And one that can: backslashes are folder separators.
    const auto dir = std::filesystem::path(VL_BINARY_DIR) / "sound-test-snd";
    std::filesystem::create_directories(dir);
    const auto bytes = BankFile({{"menu", WaveMs(10)}});
    std::ofstream(dir / "menu.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    rig.bank().LoadFromFile((dir.parent_path() / "sound-test-snd").string() + "\\menu.dat");
    EXPECT_TRUE(rig.bank().Find("MENU").Initialized());
}

TEST(BankLoad, AnUnplayableFormatStopsTheBuildingAtThatItem) {
    SoundRig rig;
    auto adpcm = PcmFormat(1, 48000, 16);
    adpcm[0] = 2; // a format tag the mixer cannot play
    const auto file = BankFile({{"good", WaveMs(10)},
                                {"bad", Riff({{"fmt ", adpcm}, {"data", Mono16(100)}})},
                                {"after", WaveMs(10)}});
    EXPECT_EQ(MessageOf([&] { rig.bank().LoadFromStream(file); }), "Sound Buffer cannot be made");
    EXPECT_THROW(rig.bank().LoadFromStream(file), EDirectSoundBufferError);
    EXPECT_TRUE(rig.bank().Find("good").Buffer()->Made());
    EXPECT_FALSE(rig.bank().Find("bad").Buffer()->Made());
    EXPECT_EQ(rig.bank().Find("after").Buffer(), nullptr);
    // Playing the bad one tries to build it again and fails the same way.
    EXPECT_EQ(MessageOf([&] { rig.bank().Find("bad").Play(false); }),
              "Sound Buffer cannot be made");
}

} // namespace
} // namespace vl::sound::testing
