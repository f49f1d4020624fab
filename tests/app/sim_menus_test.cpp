// SPDX-License-Identifier: GPL-3.0-or-later
// The spoken menus below the main menu through the simulator: every page heard, a match
// against the computer, the settings changed at once and kept across a restart (keys,
// volumes, the side swap, heard in the rendered sound), the replays played and deleted,
// and two game controllers playing both sides.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "match/DataHash.h"
#include "match/Replay.h"
#include "settings/Language.h"
#include "sim_support.h"

namespace {

using namespace vl::simtest;

class SimMenus : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(fs::path(VL_DATA_DIR) / "snd" / "game.dat") ||
            !fs::exists(fs::path(VL_DATA_DIR) / "pics" / "game.dat"))
            GTEST_SKIP() << "no generated data";
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        work_ =
            fs::path(VL_BINARY_DIR) / "test-app-menus" / std::to_string(getpid()) / info->name();
        fs::remove_all(work_);
        fs::create_directories(work_ / "config" / "vlnedla");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(work_, ec);
    }
    // Runs `script` with this test's settings and data folders. With a data folder of its
    // own, fontconfig keeps a little of its configuration to the end: its leak, not ours.
    SimRun Run(const std::string& script, const std::string& args = "") const {
        return Sim(work_, VL_DATA_DIR, script, args,
                   "XDG_DATA_HOME='" + (work_ / "share").string() +
                       "' LSAN_OPTIONS=suppressions='" VL_SOURCE_DIR
                       "/tests/scripts/system-libraries.lsan'");
    }
    void WriteSettings(const std::string& text) const {
        std::ofstream(work_ / "config" / "vlnedla" / "settings.ini") << text;
    }
    std::string Settings() const {
        std::ifstream in(work_ / "config" / "vlnedla" / "settings.ini");
        return {std::istreambuf_iterator<char>(in), {}};
    }
    fs::path work_;
};

// The menu bank's items as they were played, in order.
std::vector<std::string> MenuPlays(const SimRun& run) {
    std::vector<std::string> items;
    const std::string key = R"("bank":"DXWaveListmenu","item":")";
    for (const auto& l : run.lines) {
        if (!Has(l, "\"ev\":\"play\"")) continue;
        const size_t at = l.find(key);
        if (at != std::string::npos)
            items.push_back(
                l.substr(at + key.size(), l.find('"', at + key.size()) - at - key.size()));
    }
    return items;
}

// Whether `want` comes in `got` in this order (other items between).
::testing::AssertionResult InOrder(const std::vector<std::string>& got,
                                   const std::vector<std::string>& want) {
    size_t at = 0;
    for (const std::string& item : got)
        if (at < want.size() && item == want[at]) ++at;
    if (at == want.size()) return ::testing::AssertionSuccess();
    std::string all;
    for (const auto& g : got) all += g + " ";
    return ::testing::AssertionFailure() << "missing '" << want[at] << "' in order; heard " << all;
}

std::string MatchOf(const SimRun& run, size_t dump) {
    const auto dumps = Lines(run, {"\"ev\":\"dump\""});
    return dump < dumps.size() ? dumps[dump] : std::string();
}

// The number after "side":{... "field": in a dump.
long Field(const std::string& dump, const std::string& side, const std::string& field) {
    const size_t s = dump.find("\"" + side + "\":{");
    const size_t f = dump.find("\"" + field + "\":", s);
    if (s == std::string::npos || f == std::string::npos) return -1;
    return std::stol(dump.substr(f + field.size() + 3));
}

constexpr const char* kGreeting = "wait 2500\n"; // "Hlavní menu" and the first entry

TEST_F(SimMenus, EveryPageIsSpokenAndEscapeReturnsSpeakingTheOneAbove) {
    const SimRun run = Run(std::string(kGreeting) +
                           "press DOWN\nwait 1500\npress ENTER\nwait 3000\n" // computer
                           "press HOME\nwait 1500\npress END\nwait 1500\n"   // its levels
                           "press ESCAPE\nwait 3000\n"                       // back
                           "press DOWN\nwait 1500\npress ENTER\nwait 3000\n" // network
                           "press DOWN\nwait 1500\npress ENTER\nwait 3000\n" // join
                           "type 10.0.0.5\nwait 4000\npress BACKSPACE\nwait 1500\n"
                           "press ESCAPE\nwait 3000\npress ESCAPE\nwait 3000\n" // back twice
                           "press DOWN\npress DOWN\npress DOWN\nwait 1500\n"    // replays
                           "press ENTER\nwait 3000\npress ESCAPE\nwait 3000\n"
                           "press DOWN\nwait 1500\npress ENTER\nwait 4000\n" // settings
                           "press END\nwait 3000\ndump\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(InOrder(MenuPlays(run), {"mainmenusp",
                                         "startgameitemsp",
                                         "computergameitemsp",
                                         "computergameitemsp",
                                         "level3sp",
                                         "level0sp",
                                         "level5sp",
                                         "mainmenusp",
                                         "computergameitemsp",
                                         "netgameitemsp",
                                         "netgameitemsp",
                                         "hostgameitemsp",
                                         "joingameitemsp",
                                         "typeaddresssp",
                                         "1",
                                         "0",
                                         "dotsp",
                                         "5",
                                         "5",
                                         "netgameitemsp",
                                         "joingameitemsp",
                                         "mainmenusp",
                                         "netgameitemsp",
                                         "replaysitemsp",
                                         "replaysitemsp",
                                         "noreplayssp",
                                         "settingsitemsp",
                                         "settingsitemsp",
                                         "volumesp",
                                         "percentsp",
                                         "padssp"}));
    EXPECT_TRUE(Lines(run, {"\"ev\":\"msgbox\""}).empty());
    EXPECT_TRUE(Has(MatchOf(run, 0), R"("mainmenuform":{"visible":true,"selected":10})"));
}

TEST_F(SimMenus, AMatchAgainstTheComputerFromTheMenuAndEitherKeySetDrivesThePlayer) {
    const fs::path replays = work_ / "replays";
    const SimRun run =
        Run(std::string(kGreeting) + "press DOWN\nwait 1500\npress ENTER\nwait 3000\n"
                                     "press DOWN\nwait 1500\npress ENTER\nwait 300\ndump\n"
                                     "down DOWN\nwait 600\nup DOWN\ndump\ndown C\nwait 600\nup C\n"
                                     "dump\n"
                                     "press ESCAPE\nwait 3000\ndblclick 0\nwait 300\npress ESCAPE\n"
                                     "wait 1000\n",
            "--record '" + replays.string() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // The left craft descends on the right player's Down as on C.
    const long start = Field(MatchOf(run, 0), "left", "navigfreq");
    const long afterUp = Field(MatchOf(run, 1), "left", "navigfreq");
    EXPECT_NE(start, afterUp);
    EXPECT_NE(afterUp, Field(MatchOf(run, 2), "left", "navigfreq"));
    // Level 4 played the right craft; the next "Start hry" is two people again.
    const fs::path here = fs::current_path();
    fs::current_path(VL_DATA_DIR); // the data's own paths are relative
    const uint64_t hash = vl::match::MatchDataHash(vl::settings::Czech());
    fs::current_path(here);
    const vl::match::Replay first = vl::match::ReadReplayFile(replays / "1.vlr", hash);
    EXPECT_EQ(first.mode, vl::match::ReplayMode::Computer);
    EXPECT_EQ(first.players[1].kind, vl::match::PlayerKind::Computer);
    EXPECT_EQ(first.players[1].level, 4);
    EXPECT_EQ(first.players[0].kind, vl::match::PlayerKind::Person);
    EXPECT_EQ(vl::match::ReadReplayFile(replays / "2.vlr", hash).mode,
              vl::match::ReplayMode::Keyboard);
}

TEST_F(SimMenus, SettingsChangeAtOnceRefuseADuplicateKeyAndLastAcrossARestart) {
    const std::string toSettings =
        std::string(kGreeting) + "press END\npress UP\nwait 1500\npress ENTER\nwait 4000\n";
    const SimRun set =
        Run(toSettings + "press DOWN\nwait 1500\n"
                         "press LEFT\npress LEFT\npress LEFT\npress LEFT\npress LEFT\nwait 2000\n"
                         "press DOWN\npress DOWN\npress DOWN\nwait 1500\npress RIGHT\nwait 1500\n"
                         "press DOWN\npress DOWN\npress DOWN\nwait 1500\npress ENTER\nwait 3000\n"
                         "press DOWN\npress DOWN\nwait 1500\npress ENTER\nwait 1500\n"
                         "press K\nwait 2000\n" // gun on K
                         "press HOME\nwait 1500\npress ENTER\nwait 1500\n"
                         "press C\nwait 3000\n"); // climb on C: descend has it
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_TRUE(InOrder(MenuPlays(set),
                        {"speechvolumesp", "percentsp", "reversestereosp", "onsp", "leftkeyssp",
                         "actgunsp", "presskeysp", "keysetsp", "keyK", "actclimbsp", "presskeysp",
                         "keyinusesp", "leftplayersp", "actdescendsp"}));
    const std::string file = Settings();
    EXPECT_NE(file.find("speech_volume = 50"), std::string::npos) << file;
    EXPECT_NE(file.find("reverse_stereo = true"), std::string::npos) << file;
    EXPECT_NE(file.find("key.left.gun = K"), std::string::npos) << file;
    EXPECT_EQ(file.find("key.left.climb"), std::string::npos) << file;

    // The next start: K fires the left cannon, Space no longer does.
    const SimRun again = Run(std::string(kGreeting) + "dblclick 0\nwait 300\npress SPACE\n"
                                                      "wait 20\ndump\nwait 2000\npress K\n"
                                                      "wait 20\ndump\n");
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_TRUE(Has(MatchOf(again, 0), R"("bullets":50,"bulletflying":false)"));
    EXPECT_TRUE(Has(MatchOf(again, 1), R"("bullets":49,"bulletflying":true)"));
}

// The mixer's gains as the listener set them: the spoken counter at half the speech volume
// is 6 dB quieter, and with the sides swapped the left player's shot is heard on the right.
TEST_F(SimMenus, SpeechVolumeAndTheSideSwapAreHeardInTheRenderedSound) {
    // The loudness of each channel of a capture (RMS of the 16-bit samples).
    const auto levels = [](const fs::path& wav) {
        std::ifstream in(wav, std::ios::binary);
        std::vector<char> b((std::istreambuf_iterator<char>(in)), {});
        double sum[2] = {0, 0};
        size_t n = 0;
        for (size_t i = 44; i + 3 < b.size(); i += 4, ++n)
            for (int c = 0; c < 2; ++c) {
                const auto v = static_cast<int16_t>(static_cast<uint8_t>(b[i + 2 * c]) |
                                                    (static_cast<uint8_t>(b[i + 2 * c + 1]) << 8));
                sum[c] += static_cast<double>(v) * v;
            }
        return std::array<double, 2>{std::sqrt(sum[0] / n), std::sqrt(sum[1] / n)};
    };
    const std::string counter =
        std::string(kGreeting) + "dblclick 0\nwait 300\npress 1\nwait 3000\n";
    std::array<double, 2> full{}, half{};
    for (const int speech : {100, 50}) {
        WriteSettings("speech_volume = " + std::to_string(speech) +
                      "\neffects_volume = 0\ncontinuous_volume = 0\n");
        const fs::path wav = work_ / ("speech" + std::to_string(speech) + ".wav");
        ASSERT_EQ(Run(counter, "--wav '" + wav.string() + "'").exitCode, 0);
        (speech == 100 ? full : half) = levels(wav);
    }
    const double db = 20 * std::log10(half[0] / full[0]);
    EXPECT_NEAR(db, -6.02, 1.0);

    WriteSettings("reverse_stereo = true\nspeech_volume = 0\ncontinuous_volume = 0\n");
    const fs::path shot = work_ / "shot.wav";
    ASSERT_EQ(Run(std::string(kGreeting) + "dblclick 0\nwait 300\npress SPACE\nwait 600\n",
                  "--wav '" + shot.string() + "'")
                  .exitCode,
              0);
    const auto swapped = levels(shot);
    EXPECT_GT(swapped[1], 100.0);
    EXPECT_LT(swapped[0], 1.0) << "the left channel is silent";
}

TEST_F(SimMenus, AReplayPlaysFromTheListWhichComesBackAndOneIsDeletedAfterAsking) {
    const fs::path recorded = work_ / "recorded";
    ASSERT_EQ(Run(std::string(kGreeting) + "dblclick 0\nwait 300\ndown E\nwait 500\nup E\n"
                                           "press ESCAPE\nwait 500\n",
                  "--record '" + recorded.string() + "'")
                  .exitCode,
              0);
    const fs::path folder = work_ / "share" / "vlnedla" / "replays";
    fs::create_directories(folder);
    const fs::path older = folder / "2026-12-09_10-00-00_keyboard.vlr";
    const fs::path newer = folder / "2026-12-10_11-30-00_keyboard.vlr";
    fs::copy_file(recorded / "1.vlr", older);
    fs::copy_file(recorded / "1.vlr", newer);

    const SimRun run = Run(std::string(kGreeting) +
                           "press END\npress UP\npress UP\nwait 1500\npress ENTER\nwait 6000\n"
                           "press ENTER\nawait Form1\nwait 3000\ndump\n" // played, back
                           "wait 6000\npress DELETE\nwait 4000\npress ESCAPE\nwait 6000\n"
                           "press DELETE\nwait 4000\npress ENTER\nwait 6000\ndump\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(InOrder(MenuPlays(run), {"replaysitemsp", "10", "12", "11", "30", "modekeyboardsp",
                                         "replaysitemsp", "deletereplaysp", "keptsp",
                                         "deletereplaysp", "deletedsp", "9", "modekeyboardsp"}));
    EXPECT_EQ(Lines(run, {"\"ev\":\"show\",\"window\":\"Form1\""}).size(), 1u);
    EXPECT_TRUE(Has(MatchOf(run, 0), R"("Form1":{"visible":false})"));
    EXPECT_FALSE(fs::exists(newer));
    EXPECT_TRUE(fs::exists(older));
    EXPECT_EQ(fs::directory_iterator(folder)->path(), older) << "no replay of the replay";
}

TEST_F(SimMenus, TwoPadsPlayBothSidesAndAnUnpluggedPadLeavesItsCraftStill) {
    const SimRun run = Run(std::string(kGreeting) +
                           "pad 3 plug\npad 7 plug\nwait 3000\n"
                           "pad 3 down dpdown\npad 3 up dpdown\nwait 1500\n" // the menu moves
                           "pad 3 down dpup\npad 3 up dpup\nwait 1500\n"
                           "pad 3 down a\npad 3 up a\nwait 300\ndump\n" // the match starts
                           "pad 3 down dpdown\npad 7 axis lefty -30000\nwait 500\ndump\n"
                           "pad 3 unplug\nwait 20\ndump\nwait 500\ndump\n"
                           "pad 7 down start\nwait 200\npad 7 up start\nwait 3000\ndump\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(InOrder(MenuPlays(run), {"padleftonsp", "padrightonsp", "computergameitemsp",
                                         "startgameitemsp", "padleftoffsp"}));
    const std::string start = MatchOf(run, 0), moved = MatchOf(run, 1);
    EXPECT_TRUE(Has(start, R"("Form1":{"visible":true})"));
    EXPECT_NE(Field(start, "left", "navigfreq"), Field(moved, "left", "navigfreq"));
    EXPECT_NE(Field(start, "right", "navigfreq"), Field(moved, "right", "navigfreq"));
    // Unplugged while descending: the craft stops where it is.
    EXPECT_EQ(Field(MatchOf(run, 2), "left", "navigfreq"),
              Field(MatchOf(run, 3), "left", "navigfreq"));
    EXPECT_TRUE(Has(MatchOf(run, 4), R"("Form1":{"visible":false})")); // Start left it
}

TEST_F(SimMenus, BadPadLinesAreRefusedBeforeRunning) {
    for (const char* line :
         {"pad 0 plug", "pad 1 down nosuch", "pad 1 axis lefty 40000", "pad 1 hover", "pad x plug"})
        EXPECT_EQ(Run(std::string(line) + "\n").exitCode, 2) << line;
}

} // namespace
