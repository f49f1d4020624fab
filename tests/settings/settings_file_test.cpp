// SPDX-License-Identifier: GPL-3.0-or-later
// The user's settings file: defaults when it is missing, a damaged file kept byte for byte
// as .bad with one warning and the defaults, unknown lines surviving a rewrite, a failed
// write leaving the old file whole; and the keys' settings as the program reads them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/UserSettings.h"
#include "settings/Paths.h"
#include "settings/SettingsFile.h"

namespace vl::settings {
namespace {

namespace fs = std::filesystem;

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(VL_BINARY_DIR) / "test-settings" /
              (std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = dir / "vlnedla" / "settings.ini";
    }
    void TearDown() override { fs::remove_all(dir); }
    void Write(const std::string& bytes) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    fs::path dir, path;
};

TEST_F(SettingsFileTest, MissingFileIsEmptyAndTheFirstChangeWritesItWithItsFolder) {
    SettingsFile f = SettingsFile::Load(path);
    EXPECT_TRUE(f.Warning().empty());
    EXPECT_FALSE(f.Get("key.left.gun"));
    ASSERT_TRUE(f.Set("key.left.gun", "K"));
    ASSERT_TRUE(f.Save());
    EXPECT_EQ(Read(path), "key.left.gun = K\n");
    EXPECT_EQ(SettingsFile::Load(path).Get("key.left.gun"), "K");
    EXPECT_FALSE(f.Set("bad = key", "x"));
    EXPECT_FALSE(f.Set("key", "line\nbreak"));
    EXPECT_FALSE(f.Set(" key", "x"));
}

TEST_F(SettingsFileTest, DamagedFilesGiveTheDefaultsOneWarningAndAreKeptAsBad) {
    const std::string cases[] = {
        std::string("key.left.gun = K\n\x01\x02\xff junk\n", 24),
        "# fine\nkey.left.gun = K\nno equals sign here\n", "= value without a key\n",
        "key.left.gun = K\nname = \xc3\x28\n", // not UTF-8
    };
    for (const std::string& bytes : cases) {
        Write(bytes);
        SettingsFile f = SettingsFile::Load(path);
        EXPECT_NE(f.Warning().find(path.string()), std::string::npos) << f.Warning();
        EXPECT_TRUE(f.Keys().empty()) << f.Warning();
        EXPECT_EQ(Read(path.string() + ".bad"), bytes);
        // A later change writes a fresh file; the damaged one stays as .bad.
        ASSERT_TRUE(f.Set("language", "cs"));
        ASSERT_TRUE(f.Save());
        EXPECT_EQ(Read(path), "language = cs\n");
        EXPECT_EQ(Read(path.string() + ".bad"), bytes);
    }
    // The line is named.
    Write("a = 1\nb = 2\nthird line\n");
    EXPECT_NE(SettingsFile::Load(path).Warning().find("settings.ini:3: no '='"), std::string::npos);
}

TEST_F(SettingsFileTest, UnknownKeysAndCommentsSurviveARewrite) {
    Write("# my keys\nfuture.option = 7  \n\nkey.left.gun = K\r\nother = a = b\n");
    SettingsFile f = SettingsFile::Load(path);
    ASSERT_TRUE(f.Warning().empty()) << f.Warning();
    EXPECT_EQ(f.Get("other"), "a = b");
    ASSERT_TRUE(f.Set("key.left.gun", "L"));
    ASSERT_TRUE(f.Set("volume", "50"));
    ASSERT_TRUE(f.Save());
    EXPECT_EQ(Read(path),
              "# my keys\nfuture.option = 7  \n\nkey.left.gun = L\nother = a = b\nvolume = 50\n");
}

TEST_F(SettingsFileTest, AFailedWriteLeavesTheOldFileWhole) {
    Write("key.left.gun = K\n");
    SettingsFile f = SettingsFile::Load(path);
    ASSERT_TRUE(f.Set("key.left.gun", "L"));
    // The temporary file cannot be made: a folder stands in its place.
    fs::path temp = path;
    temp += ".tmp" + std::to_string(getpid());
    fs::create_directories(temp);
    std::string error;
    EXPECT_FALSE(f.Save(&error));
    EXPECT_NE(error.find(path.string()), std::string::npos) << error;
    EXPECT_EQ(Read(path), "key.left.gun = K\n");
    fs::remove_all(temp);
    if (geteuid() != 0) { // a read-only folder stops everyone but root
        fs::permissions(path.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(f.Save(&error));
        fs::permissions(path.parent_path(), fs::perms::owner_all);
        EXPECT_EQ(Read(path), "key.left.gun = K\n");
    }
    EXPECT_TRUE(f.Save());
    EXPECT_EQ(Read(path), "key.left.gun = L\n");
}

TEST_F(SettingsFileTest, KeySettingsBindTheActionsAndABadValueGivesTheDefaults) {
    using input::Action;
    using input::Side;
    Write("key.left.gun = K, L\nkey.right.climb = E\nkey.left.climb = UP\n");
    app::UserSettings s = app::UserSettings::Load(path);
    EXPECT_TRUE(s.File().Warning().empty()) << s.File().Warning();
    EXPECT_EQ(s.Bindings().Keys(Side::Left, Action::Gun), (input::ActionKeys{'K', 'L'}));
    // Two actions' keys swapped in one file are no conflict.
    EXPECT_EQ(s.Bindings().Keys(Side::Right, Action::Climb)[0], 'E');
    EXPECT_EQ(s.Bindings().Keys(Side::Left, Action::Climb)[0], 0x26);
    // A change is stored at once; a key of another action is refused and nothing changes.
    EXPECT_FALSE(s.SetKeys(Side::Right, Action::Gun, {'J'}));
    EXPECT_EQ(app::UserSettings::Load(path).Bindings().Keys(Side::Right, Action::Gun)[0], 'J');
    const auto refused = s.SetKeys(Side::Right, Action::Missile, {'K'});
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->second, Action::Gun);
    EXPECT_EQ(s.Bindings().Keys(Side::Right, Action::Missile)[0], 0x0D);

    for (const char* bad :
         {"key.left.gun = NOSUCHKEY\n", "key.left.gun = SPACE\nkey.right.gun = SPACE\n",
          "key.left.magnet = ESCAPE\n"}) {
        Write(std::string("unknown.thing = 1\n") + bad);
        app::UserSettings d = app::UserSettings::Load(path);
        EXPECT_NE(d.File().Warning().find("settings.ini:"), std::string::npos) << bad;
        EXPECT_EQ(d.Bindings().Keys(Side::Left, Action::Gun)[0], 0x20) << bad; // the default
        EXPECT_EQ(d.Bindings().Keys(Side::Left, Action::Magnet)[0], 'F') << bad;
        EXPECT_EQ(Read(path.string() + ".bad"), std::string("unknown.thing = 1\n") + bad);
    }
}

// The listener's numbers and flags: read whole or not at all, stored on their steps, and the
// default keys restored by removing the players' lines.
TEST_F(SettingsFileTest, VolumesFlagsAndLevelsAreCheckedAndStoredOnTheirSteps) {
    using N = app::UserSettings::Number;
    Write("speech_volume = 50\nreverse_stereo = true\ncomputer_level = 0\nkey.left.gun = K\n");
    app::UserSettings s = app::UserSettings::Load(path);
    EXPECT_TRUE(s.File().Warning().empty()) << s.File().Warning();
    EXPECT_EQ(s.Get(N::SpeechVolume), 50);
    EXPECT_EQ(s.Get(N::Volume), 100);
    EXPECT_TRUE(s.ReverseStereo());
    EXPECT_EQ(s.Get(N::ComputerLevel), 0);
    EXPECT_EQ(s.Get(N::Port), 27461);
    s.Set(N::EffectsVolume, 37); // onto its step
    s.Set(N::ComputerLevel, 9);  // into its range
    s.RestoreDefaultKeys();
    const std::string stored = Read(path);
    EXPECT_NE(stored.find("effects_volume = 30"), std::string::npos) << stored;
    EXPECT_NE(stored.find("computer_level = 5"), std::string::npos) << stored;
    EXPECT_EQ(stored.find("key.left.gun"), std::string::npos) << stored;
    EXPECT_EQ(s.Bindings().Keys(input::Side::Left, input::Action::Gun)[0], 0x20);

    for (const char* bad : {"volume = 35\n", "speech_volume = 110\n", "port = 0\n",
                            "computer_level = x\n", "swap_pads = yes\n"}) {
        Write(std::string("reverse_stereo = true\n") + bad);
        const app::UserSettings d = app::UserSettings::Load(path);
        EXPECT_NE(d.File().Warning().find("settings.ini:2"), std::string::npos) << bad;
        EXPECT_FALSE(d.ReverseStereo()) << bad; // the whole file counts as damaged
        EXPECT_EQ(d.Get(N::Volume), 100) << bad;
    }
}

TEST(SettingsPaths, TheUsersFoldersComeFromTheEnvironment) {
    const std::string home = getenv("HOME") ? getenv("HOME") : "";
    setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
    setenv("XDG_DATA_HOME", "relative/is/ignored", 1);
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(SettingsPath(), fs::path("/tmp/cfg/vlnedla/settings.ini"));
    EXPECT_EQ(DataHome(), fs::path("/home/someone/.local/share/vlnedla"));
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(ConfigDir(), fs::path("/home/someone/.config/vlnedla"));
    unsetenv("HOME");
    EXPECT_TRUE(SettingsPath().empty());
    if (!home.empty()) setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_DATA_HOME");
}

} // namespace
} // namespace vl::settings
