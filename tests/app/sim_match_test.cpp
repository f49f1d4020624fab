// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end tests of the match through the headless simulator: "Start hry" from the menu,
// the dump's match member and `set`, repeatable runs, obstacle rows and the way back to
// the menu. The match bank is a tone bank (every item the match looks up).
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>

#include "sim_support.h"
#include "support/match_data.h"

namespace {

namespace fs = std::filesystem;
using vl::simtest::Has;
using vl::simtest::Lines;
using vl::simtest::SimRun;
using vl::simtest::TimeOf;

const fs::path kWork =
    fs::path(VL_BINARY_DIR) / "test-app-match" / std::to_string(static_cast<long>(getpid()));

class SimMatch : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        data_ = vl::testing::WriteMatchData(kWork / "data");
        greeting_ = vl::simtest::Durations(data_ / "snd" / "menu.dat")["mainmenusp"];
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(kWork, ec);
    }
    void SetUp() override {
        if (!fs::exists(data_ / "pics" / "game.dat") || !fs::exists(data_ / "snd" / "menu.dat"))
            GTEST_SKIP() << "no generated menu bank or pictures in " << VL_DATA_DIR;
    }
    // The time "Start hry" is chosen at, and the script up to then.
    static uint64_t StartTime() { return greeting_ + 200; }
    static std::string Start() { return "wait " + std::to_string(StartTime()) + "\npress ENTER\n"; }
    static SimRun Run(const std::string& script) { return vl::simtest::Sim(kWork, data_, script); }
    static std::string Play(const std::string& item) {
        return R"("ev":"play","bank":"DXWaveList1","item":")" + item + "\"";
    }

    static inline fs::path data_;
    static inline uint64_t greeting_ = 0;
};

struct DumpedSprite {
    std::string cls;
    double x = 0, y = 0;
    int height = 0;
};

// The sprites of a dump line, in engine order.
std::vector<DumpedSprite> Sprites(const std::string& dump) {
    static const std::regex one(
        R"re(\{"class":"(\w+)","picture":[^,]*,"x":([-0-9.e]+),"y":([-0-9.e]+),"z":-?\d+,"width":\d+,"height":(\d+))re");
    std::vector<DumpedSprite> out;
    for (std::sregex_iterator it(dump.begin(), dump.end(), one), end; it != end; ++it)
        out.push_back({(*it)[1], std::stod((*it)[2]), std::stod((*it)[3]), std::stoi((*it)[4])});
    return out;
}

bool IsObject(const std::string& cls) {
    return cls == "Talarm" || cls == "Tglass" || cls == "Tcamera" || cls == "Tphone";
}

int Number(const std::string& line, const std::string& key) {
    const auto at = line.find("\"" + key + "\":");
    return at == std::string::npos ? -1 : std::stoi(line.substr(at + key.size() + 3));
}

// A timer's interval in a dump; -1 when it is not there.
int TimerInterval(const std::string& dump, const std::string& timer) {
    const std::string key = "\"" + timer + "\":{\"enabled\":";
    const auto at = dump.find(key);
    if (at == std::string::npos) return -1;
    return Number(dump.substr(at), "interval");
}

TEST_F(SimMatch, StartHryStartsTheMatchThatDumpShowsAndSetChanges) {
    const SimRun run = Run(Start() + "wait 100\ndump\nset left.energy 10\nset objectcount 7\n"
                                     "wait 30\ndump\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto hum = Lines(run, {Play("tankstoji")});
    ASSERT_EQ(hum.size(), 1u);
    EXPECT_TRUE(Has(hum[0], R"("looped":true,"freq":0,"pan":-10000,"vol":-400)")) << hum[0];
    EXPECT_TRUE(Has(Lines(run, {Play("navig1")}).at(0), R"("freq":94800,"pan":-10000,"vol":-800)"));
    EXPECT_TRUE(Has(Lines(run, {Play("navig2")}).at(0), R"("freq":19200,"pan":10000)"));
    const auto dumps = Lines(run, {"\"ev\":\"dump\""});
    ASSERT_EQ(dumps.size(), 2u);
    EXPECT_TRUE(Has(
        dumps[0],
        R"("match":{"gamerunning":true,"weaponblocked":false,"weaponannounced":false,"weaponkind":0,"objectcount":0,"frames":)"))
        << dumps[0];
    EXPECT_TRUE(Has(
        dumps[0],
        R"("left":{"energy":100,"navigfreq":94800,"moving":false,"navigon":true,"blinkcount":0,"bullets":50,"bulletflying":false,"missiles":1,"missileflying":false,"machgunrounds":200,"machgunlock":false,"alarmon":false,"magnetflying":false})"));
    EXPECT_TRUE(Has(
        dumps[0],
        R"("timers":{"DXTimer1":{"enabled":true,"interval":10},"blikleftTimer":{"enabled":false,"interval":50},)"));
    EXPECT_TRUE(Has(
        dumps[0],
        R"({"class":"TPlayer1","picture":"tanklevy","x":31.0,"y":0.0,"z":0,"width":110,"height":33,"visible":true,"dead":false})"));
    const int frames = Number(dumps[0], "frames");
    EXPECT_GE(frames, 8);
    EXPECT_LE(frames, 11);
    // The set values: the alarm starts in the next frame; the count stays as set.
    const auto alarm = Lines(run, {Play("alertleft")});
    ASSERT_EQ(alarm.size(), 1u);
    EXPECT_TRUE(Has(alarm[0], R"("pan":-10000)"));
    EXPECT_LE(TimeOf(alarm[0]), StartTime() + 110);
    EXPECT_TRUE(Has(dumps[1], R"("energy":10,)"));
    EXPECT_TRUE(Has(dumps[1], R"("alarmon":true)"));
    EXPECT_EQ(Number(dumps[1], "objectcount"), 7);
}

TEST_F(SimMatch, BadSetLinesAreRefusedBeforeRunning) {
    for (const std::string bad : {"set left.speed 3", "set gamerunning 1", "set left.energy x"}) {
        const SimRun run = Run("wait 10\n" + bad + "\n");
        EXPECT_EQ(run.exitCode, 2) << bad;
        EXPECT_TRUE(Has(run.err, "line 2: set")) << run.err;
        EXPECT_TRUE(run.lines.empty());
    }
}

TEST_F(SimMatch, OneScriptGivesTheSameTraceEveryTime) {
    std::string script = Start();
    // Both players busy for 25 s: rows come, a pickup is made, shots fly.
    const char* keys[] = {"C", "E", "SPACE", "X", "F", "DOWN", "UP", "SHIFT", "LEFT", "NUMPAD0"};
    for (int i = 0; i < 250; ++i) {
        const char* k = keys[(i * 7) % 10];
        script += std::string("down ") + k + "\nwait " + std::to_string(40 + (i * 13) % 120) +
                  "\nup " + k + "\n";
    }
    script += "dump\n";
    const SimRun a = Run(script);
    const SimRun b = Run(script);
    ASSERT_EQ(a.exitCode, 0) << a.err;
    EXPECT_GT(Lines(a, {Play("objapp")}).size(), 0u);
    EXPECT_GT(Lines(a, {Play("gun")}).size(), 0u);
    EXPECT_EQ(a.lines, b.lines);
}

TEST_F(SimMatch, RowsComeAtX230StackedByTheRulesAndAfterTheirInterval) {
    const SimRun first = Run(Start() + "wait 10050\ndump\n");
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const auto objapp = Lines(first, {Play("objapp")});
    ASSERT_EQ(objapp.size(), 1u);
    EXPECT_TRUE(Has(objapp[0], R"("pan":0,)"));
    const uint64_t t1 = TimeOf(objapp[0]);
    EXPECT_GE(t1, StartTime() + 5000);
    EXPECT_LT(t1, StartTime() + 10010);
    // The row: X 230, first top 0..86, gaps 0..34, as many as objectcount says.
    const std::string dump = Lines(first, {"\"ev\":\"dump\""}).at(0);
    std::vector<DumpedSprite> row;
    for (const auto& s : Sprites(dump))
        if (IsObject(s.cls)) row.push_back(s);
    ASSERT_GE(row.size(), 1u);
    EXPECT_EQ(Number(dump, "objectcount"), static_cast<int>(row.size()));
    EXPECT_GE(row[0].y, 0);
    EXPECT_LE(row[0].y, 86);
    for (size_t i = 0; i < row.size(); ++i) {
        EXPECT_EQ(row[i].x, 230);
        if (i > 0) {
            const double gap = row[i].y - (row[i - 1].y + row[i - 1].height);
            EXPECT_GE(gap, 0);
            EXPECT_LE(gap, 34);
        }
    }
    EXPECT_GT(row.back().y + row.back().height + 65, 348 - 44) << "the stop rule";

    // With objectcount at 0 the next row comes after the interval drawn at the first,
    // unless the first pickup (due at the weapon timer's interval from the start) is on
    // the field by then: then no row comes while it is there.
    const auto interval = static_cast<uint64_t>(TimerInterval(dump, "objectapptimer"));
    const auto pickupAt = StartTime() + static_cast<uint64_t>(TimerInterval(dump, "weaponstimer"));
    const uint64_t clear = t1 + 50;
    const SimRun second = Run(Start() + "wait " + std::to_string(clear - StartTime()) +
                              "\nset objectcount 0\nwait " + std::to_string(interval + 100) + "\n");
    const auto rows = Lines(second, {Play("objapp")});
    if (clear + interval + 20 < pickupAt) {
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_GE(TimeOf(rows[1]), clear + interval);
        EXPECT_LE(TimeOf(rows[1]), clear + interval + 20);
    } else {
        EXPECT_EQ(rows.size(), 1u);
    }
}

TEST_F(SimMatch, EscLeavesTheMatchAndTheMenuSpeaksAgain) {
    const SimRun run =
        Run(Start() + "wait 500\ndown 1\ndown ESCAPE\nwait 30\nup ESCAPE\nup 1\nwait 2000\ndump\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto hide = Lines(run, {R"("ev":"hide","window":"Form1")"});
    ASSERT_EQ(hide.size(), 1u);
    // The counter key held with Esc is spoken first.
    const auto energy = Lines(run, {Play("sto")});
    ASSERT_GE(energy.size(), 1u);
    EXPECT_LE(TimeOf(energy[0]), TimeOf(hide[0]));
    const auto greet = Lines(run, {R"("item":"mainmenusp")"});
    ASSERT_EQ(greet.size(), 2u);
    EXPECT_GE(TimeOf(greet[1]), TimeOf(hide[0]));
    for (const char* item : {"tankstoji", "tankstoji2", "navig1", "navig2", "navigweap"})
        EXPECT_FALSE(
            Lines(run, {R"("ev":"stop","bank":"DXWaveList1","item":")" + std::string(item) + "\""})
                .empty())
            << item;
    const std::string dump = Lines(run, {"\"ev\":\"dump\""}).at(0);
    EXPECT_TRUE(Has(dump, R"("Form1":{"visible":false})"));
    EXPECT_TRUE(Has(dump, R"("sprites":[])"));
}

// The keys a user set in the settings file play the match, and a damaged file gives the
// default keys with one warning.
TEST_F(SimMatch, KeysFromTheSettingsFileFireAndADamagedFileGivesTheDefaults) {
    const fs::path settings = kWork / "config" / "vlnedla" / "settings.ini";
    fs::create_directories(settings.parent_path());
    std::ofstream(settings) << "key.left.gun = K\n";
    const std::string script = Start() + "wait 200\npress SPACE\nwait 300\npress K\nwait 300\n";
    SimRun run = Run(script);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    auto shots = Lines(run, {Play("gun")});
    ASSERT_EQ(shots.size(), 1u); // K, not Space
    EXPECT_GE(TimeOf(shots[0]), StartTime() + 500);

    std::ofstream(settings) << "key.left.gun = K\nnot a setting\n";
    run = Run(script);
    fs::remove_all(settings.parent_path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    shots = Lines(run, {Play("gun")});
    ASSERT_EQ(shots.size(), 1u); // Space again
    EXPECT_LT(TimeOf(shots[0]), StartTime() + 500);
    EXPECT_NE(run.err.find("settings.ini:2: no '='"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("settings"), run.err.rfind("settings: ")) << run.err; // once
}

// The output device pulled in the middle of a match and back half a second later: silence
// until the next attempt, then the hums and navigation tones again on their own sides,
// with nothing stopped or restarted by the match.
TEST_F(SimMatch, DeviceLostMidMatchLeavesTheContinuousSoundsSoundingAfterwards) {
    const fs::path wav = kWork / "lost.wav";
    const uint64_t lost = StartTime() + 2000;
    const SimRun run = vl::simtest::Sim(
        kWork, data_, Start() + "wait 2000\naudio lost\nwait 500\naudio back\nwait 2000\n",
        "--wav '" + wav.string() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(Lines(run, {R"("ev":"stop","bank":"DXWaveList1")"}).empty());
    std::ifstream in(wav, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    // The loudest 16-bit sample of one channel (0 left, 1 right) in [fromMs, toMs).
    const auto peak = [&](uint64_t fromMs, uint64_t toMs, int channel) {
        int p = 0;
        for (uint64_t i = 44 + fromMs * 192 + 2 * static_cast<uint64_t>(channel);
             i + 1 < 44 + toMs * 192 && i + 1 < bytes.size(); i += 4) {
            const auto v = static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) |
                                                (static_cast<uint8_t>(bytes[i + 1]) << 8));
            p = std::max(p, std::abs(static_cast<int>(v)));
        }
        return p;
    };
    ASSERT_GE(bytes.size(), 44 + (lost + 2500) * 192);
    EXPECT_EQ(peak(lost + 20, lost + 900, 0), 0);
    for (const int channel : {0, 1}) {
        EXPECT_GT(peak(lost - 500, lost, channel), 100) << channel;
        EXPECT_GT(peak(lost + 1500, lost + 2500, channel), 100) << channel;
    }
}

// A key pressed and released while a spoken counter holds the match, or between two
// frames, still acts: the keyboard remembers it for the next poll.
TEST_F(SimMatch, TapsDuringAPauseOrBetweenFramesAreNotLost) {
    const auto items = vl::simtest::Durations(data_ / "snd" / "game.dat");
    std::string script = Start() + "wait 500\npress 1\nwait 30\npress SPACE\nwait 2120\n";
    // Five 3 ms taps at five phases of the 10 ms frame, each after the last bullet is gone.
    for (int i = 0; i < 5; ++i) script += "down SPACE\nwait 3\nup SPACE\nwait 1501\n";
    script += "press 1\nwait 30\npress ESCAPE\nwait 2000\n";
    const SimRun run = Run(script);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto spoken = Lines(run, {Play("sto"), R"("wait":true)"});
    ASSERT_EQ(spoken.size(), 2u);
    const uint64_t firstEnd = TimeOf(spoken[0]) + items.at("sto");
    ASSERT_GT(firstEnd, StartTime() + 530) << "the tap falls inside the pause";
    const auto guns = Lines(run, {Play("gun"), R"("pan":-10000)"});
    ASSERT_EQ(guns.size(), 6u);
    EXPECT_GE(TimeOf(guns[0]), firstEnd);
    EXPECT_LE(TimeOf(guns[0]), firstEnd + 20);
    for (int i = 0; i < 5; ++i) {
        const uint64_t tap = StartTime() + 2650 + static_cast<uint64_t>(i) * 1504;
        EXPECT_GE(TimeOf(guns[1 + i]), tap) << i;
        EXPECT_LE(TimeOf(guns[1 + i]), tap + 11) << i;
    }
    const auto hide = Lines(run, {R"("ev":"hide","window":"Form1")"});
    ASSERT_EQ(hide.size(), 1u);
    const uint64_t secondEnd = TimeOf(spoken[1]) + items.at("sto");
    EXPECT_GE(TimeOf(hide[0]), secondEnd);
    EXPECT_LE(TimeOf(hide[0]), secondEnd + 20);
}

// A tap remembered for the next poll is forgotten when the program loses the foreground
// before that poll: coming back, the player finds nothing acted on.
TEST_F(SimMatch, ATapBeforeTheFocusIsLostDoesNotActOnReturn) {
    const std::string script = Start() + "wait 500\npress 1\nwait 30\npress SPACE\ndeactivate\n"
                                         "wait 400\nactivate\nwait 500\npress SPACE\nwait 300\n";
    const SimRun run = Run(script);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_EQ(Lines(run, {Play("sto"), R"("wait":true)"}).size(), 1u); // the pause was there
    const auto guns = Lines(run, {Play("gun")});
    ASSERT_EQ(guns.size(), 1u); // only the tap after the return
    EXPECT_GE(TimeOf(guns[0]), StartTime() + 930);
}

} // namespace
