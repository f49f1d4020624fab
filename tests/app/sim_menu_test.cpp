// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end tests of start-up and the main menu, through the headless simulator: the
// real program's windows, bank and handlers on virtual time, driven by user scripts.
//
// The menu bank is the generated one in the data folder when it is there; otherwise, and
// for the tests that need a bank with an item missing, a bank of sox tones is built with
// the data tool.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "container/Error.h"
#include "sim_support.h"

namespace {

using namespace vl::simtest;

// One folder per test process: ctest runs the cases of this file side by side.
const fs::path kWork =
    fs::path(VL_BINARY_DIR) / "test-app-sim" / std::to_string(static_cast<long>(getpid()));
const std::vector<std::string> kMenuItems = {
    "mainmenusp",         "startgameitemsp",   "computergameitemsp", "netgameitemsp",
    "testspeakersitemsp", "soundsguideitemsp", "replaysitemsp",      "settingsitemsp",
    "endgameitemsp",      "testspeakers",      "endofgamesp"};

// Builds DIR/snd/menu.dat of 300-900 ms tones holding `items`.
void BuildToneBank(const fs::path& dir, const std::vector<std::string>& items) {
    ASSERT_TRUE(vl::simtest::BuildToneBank(dir, "menu.dat", items));
}

SimRun Sim(const fs::path& dataDir, const std::string& script, const std::string& args = "") {
    return vl::simtest::Sim(kWork, dataDir, script, args);
}

std::string Play(const std::string& item) {
    return "\"ev\":\"play\",\"bank\":\"DXWaveListmenu\",\"item\":\"" + item + "\"";
}

class SimMenu : public ::testing::Test {
protected:
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(kWork, ec);
    }
    static void SetUpTestSuite() {
        const fs::path generated = fs::path(VL_DATA_DIR) / "snd" / "menu.dat";
        if (fs::exists(generated)) {
            data_ = fs::path(VL_DATA_DIR);
        } else {
            data_ = kWork / "tones";
            fs::remove_all(data_);
            BuildToneBank(data_, kMenuItems);
        }
        durations_ = Durations(data_ / "snd" / "menu.dat");
        for (const auto& item : kMenuItems) ASSERT_TRUE(durations_.count(item)) << item;
    }
    static uint64_t Dur(const std::string& item) { return durations_.at(item); }
    // A script that starts after the greeting and the first entry have been spoken.
    static std::string AfterGreeting() {
        return "wait " + std::to_string(Dur("mainmenusp") + 100) + "\n";
    }

    static inline fs::path data_;
    static inline std::map<std::string, uint64_t> durations_;
};

TEST_F(SimMenu, StartSpeaksTheGreetingToItsEndThenTheFirstEntry) {
    const SimRun run = Sim(data_, AfterGreeting() + "dump\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_GE(run.lines.size(), 4u);
    EXPECT_EQ(run.lines[0], R"({"t":0,"ev":"show","window":"mainmenuform"})");
    EXPECT_EQ(run.lines[1], R"({"t":0,"ev":"activate","window":"mainmenuform"})");
    const auto greet = Lines(run, {Play("mainmenusp")});
    const auto first = Lines(run, {Play("startgameitemsp")});
    ASSERT_EQ(greet.size(), 1u);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_TRUE(Has(greet[0], "\"t\":0,") && Has(greet[0], "\"wait\":true"));
    EXPECT_TRUE(Has(first[0], "\"wait\":false"));
    EXPECT_GE(TimeOf(first[0]), Dur("mainmenusp"));
    EXPECT_LE(TimeOf(first[0]), Dur("mainmenusp") + 20);
    const auto dump = Lines(run, {"\"ev\":\"dump\""});
    ASSERT_EQ(dump.size(), 1u);
    EXPECT_TRUE(Has(
        dump[0],
        R"("active":"mainmenuform","windows":{"mainmenuform":{"visible":true,"selected":0},"Form1":{"visible":false},"guideform":{"visible":false,"selected":-1}})"))
        << dump[0];
    EXPECT_TRUE(Has(run.lines.back(), "\"ev\":\"end\""));
}

TEST_F(SimMenu, EachMoveDownStopsTheEntrySoundsThenSpeaksTheNewEntry) {
    const SimRun run = Sim(data_, AfterGreeting() + "press DOWN\nwait 50\npress DOWN\nwait 50\n"
                                                    "press DOWN\nwait 50\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // After the greeting: three rounds of eight stops in table order and one play.
    std::vector<std::string> seq;
    bool started = false;
    for (const auto& l : run.lines) {
        if (Has(l, Play("startgameitemsp")))
            started = true;
        else if (started && (Has(l, "\"ev\":\"stop\"") || Has(l, "\"ev\":\"play\"")))
            seq.push_back(l.substr(l.find("\"ev\"")));
    }
    const std::vector<std::string> entries = {
        "startgameitemsp",   "computergameitemsp", "netgameitemsp",  "testspeakersitemsp",
        "soundsguideitemsp", "replaysitemsp",      "settingsitemsp", "endgameitemsp"};
    ASSERT_EQ(seq.size(), 27u);
    for (size_t round = 0; round < 3; ++round) {
        for (size_t k = 0; k < 8; ++k)
            EXPECT_EQ(seq[round * 9 + k],
                      "\"ev\":\"stop\",\"bank\":\"DXWaveListmenu\",\"item\":\"" + entries[k] +
                          "\"}");
        EXPECT_TRUE(Has(seq[round * 9 + 8], Play(entries[round + 1]) + ",\"wait\":false"));
    }
    EXPECT_EQ(Lines(run, {"\"ev\":\"select\""}).size(), 4u); // entry 0 at start, then 1-3
}

TEST_F(SimMenu, SpeakerTestPlaysToItsEndAndKeysPressedMeanwhileActAfterwards) {
    const SimRun run = Sim(data_, AfterGreeting() +
                                      "press DOWN\npress DOWN\npress DOWN\nwait 50\n"
                                      "press ENTER\nwait 100\n"
                                      "press DOWN\nwait 100\npress ESCAPE\nwait " +
                                      std::to_string(Dur("testspeakers") + 200) + "\ndump\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto test = Lines(run, {Play("testspeakers"), "\"wait\":true"});
    ASSERT_EQ(test.size(), 1u);
    const auto later = Lines(run, {"\"ev\":\"select\"", "\"index\":4"});
    ASSERT_EQ(later.size(), 1u);
    EXPECT_GE(TimeOf(later[0]), TimeOf(test[0]) + Dur("testspeakers"));
    const auto dump = Lines(run, {"\"ev\":\"dump\""});
    ASSERT_EQ(dump.size(), 1u);
    EXPECT_TRUE(Has(dump[0], "\"selected\":4")); // Escape did nothing
    EXPECT_TRUE(Lines(run, {"\"ev\":\"msgbox\""}).empty());
}

TEST_F(SimMenu, EscapeDoesNothing) {
    const SimRun run = Sim(data_, AfterGreeting() + "press ESCAPE\nwait 500\ndump\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (size_t i = 0; i < run.lines.size(); ++i) {
        if (TimeOf(run.lines[i]) > Dur("mainmenusp") + 20) {
            EXPECT_TRUE(Has(run.lines[i], "dump") || Has(run.lines[i], "\"end\"")) << run.lines[i];
        }
    }
}

TEST_F(SimMenu, EndOfGameAndTheCloseButtonPlayTheFarewellToItsEndThenExit) {
    for (const std::string how : {"press END\nwait 50\npress ENTER\n", "close\n"}) {
        const SimRun run = Sim(data_, AfterGreeting() + how + "wait " +
                                          std::to_string(Dur("endofgamesp") + 1000) + "\n");
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const auto bye = Lines(run, {Play("endofgamesp"), "\"wait\":true"});
        ASSERT_EQ(bye.size(), 1u) << how;
        ASSERT_TRUE(Has(run.lines.back(), "\"ev\":\"exit\",\"code\":0")) << run.lines.back();
        EXPECT_GE(TimeOf(run.lines.back()), TimeOf(bye[0]) + Dur("endofgamesp"));
        // The farewell does not cut off an entry sound it does not own: the eight stops
        // come first.
        EXPECT_EQ(Lines(run, {"\"ev\":\"stop\""}).size() % 8, 0u);
    }
}

TEST_F(SimMenu, StartAndGuideShowTheirWindowsAndTheMenuSpeaksAgainOnReturn) {
    const SimRun run = Sim(
        data_, AfterGreeting() + "press ENTER\nwait 100\ndump\nclose\nwait " +
                   std::to_string(Dur("mainmenusp") + 100) +
                   "\npress DOWN\npress DOWN\npress DOWN\npress DOWN\nwait 50\n"
                   "press ENTER\nwait 50\nclose\nwait 15000\ndump\n"); // the guide's greeting first
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto dumps = Lines(run, {"\"ev\":\"dump\""});
    ASSERT_EQ(dumps.size(), 2u);
    EXPECT_TRUE(Has(dumps[0], R"("active":"Form1")"));
    EXPECT_TRUE(Has(dumps[0], R"("Form1":{"visible":true})"));
    EXPECT_TRUE(Has(dumps[1], R"("guideform":{"visible":false,)"));
    EXPECT_TRUE(Has(dumps[1], R"("selected":0)"));
    EXPECT_EQ(Lines(run, {"\"ev\":\"show\",\"window\":\"guideform\""}).size(), 1u);
    EXPECT_EQ(Lines(run, {"\"ev\":\"hide\",\"window\":\"Form1\""}).size(), 1u);
    EXPECT_EQ(Lines(run, {Play("mainmenusp")}).size(), 3u); // start, after Form1, after guide
}

TEST_F(SimMenu, LeavingAndRegainingTheForegroundDoesNotSpeakTheMenuAgain) {
    const SimRun run = Sim(data_, AfterGreeting() + "deactivate\nwait 10\ndump\npress DOWN\n"
                                                    "wait 10\nactivate\nwait 10\ndump\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto dumps = Lines(run, {"\"ev\":\"dump\""});
    ASSERT_EQ(dumps.size(), 2u);
    EXPECT_TRUE(Has(dumps[0], "\"active\":null")) << dumps[0];
    EXPECT_TRUE(Has(dumps[1], "\"active\":\"mainmenuform\"")) << dumps[1];
    EXPECT_TRUE(Has(dumps[1], "\"selected\":0")); // the key went nowhere in the background
    EXPECT_EQ(Lines(run, {Play("mainmenusp")}).size(), 1u);
    EXPECT_EQ(Lines(run, {"\"ev\":\"deactivate\",\"window\":\"mainmenuform\""}).size(), 1u);
}

TEST_F(SimMenu, MissingBankShowsCannotOpenFileAndTheProgramGoesOn) {
    const fs::path empty = kWork / "empty";
    fs::create_directories(empty);
    const SimRun run = Sim(empty, "wait 100\npress DOWN\nwait 100\ndump\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto boxes = Lines(run, {"\"ev\":\"msgbox\",\"caption\":\"Vlnedla\""});
    // At creation the menu's bank, then the match window's bank and the guide's bank,
    // cannot be opened; then the menu's greeting fails at its lookup.
    ASSERT_GE(boxes.size(), 4u);
    EXPECT_TRUE(Has(boxes[0], "\"t\":0,"));
    EXPECT_TRUE(Has(boxes[0], R"("text":"Cannot open file \")")) << boxes[0];
    EXPECT_TRUE(Has(boxes[0], "snd/menu.dat\\\". ")) << boxes[0];
    EXPECT_TRUE(Has(boxes[1], "snd/game.dat\\\". ")) << boxes[1];
    EXPECT_TRUE(Has(boxes[2], "snd/guide.dat\\\". ")) << boxes[2];
    EXPECT_TRUE(Has(boxes[3], R"("text":"Wave 'mainmenusp' not found.")")) << boxes[3];
    // The menu still moves; its handler stops at the failed lookup.
    EXPECT_TRUE(Has(Lines(run, {"\"ev\":\"dump\""}).at(0), "\"selected\":1"));
    EXPECT_TRUE(Lines(run, {"\"ev\":\"play\""}).empty());
    EXPECT_TRUE(Has(run.lines.back(), "\"ev\":\"end\""));
}

// The main window closes and the program ends even when its farewell cannot be played:
// no data beside it, or a menu bank cut short. The error box is still shown.
TEST_F(SimMenu, MainWindowClosesWithoutItsFarewell) {
    const fs::path cut = kWork / "cut";
    BuildToneBank(cut, kMenuItems);
    const fs::path bank = cut / "snd" / "menu.dat";
    fs::resize_file(bank, fs::file_size(bank) / 2);
    const fs::path empty = kWork / "nothing";
    fs::create_directories(empty);
    for (const fs::path& dir : {empty, cut}) {
        const SimRun run = Sim(dir, "wait 100\nclose\nwait 1000\n");
        EXPECT_EQ(run.exitCode, 0) << dir;
        ASSERT_FALSE(run.lines.empty());
        EXPECT_TRUE(Has(run.lines.back(), R"("ev":"exit","code":0)")) << run.lines.back();
        const auto boxes = Lines(run, {"\"ev\":\"msgbox\""});
        ASSERT_FALSE(boxes.empty());
        EXPECT_TRUE(Has(boxes.back(), "not found")) << boxes.back(); // the farewell's lookup
    }
}

// A bank whose property name holds a control byte, a NUL and a byte that is not UTF-8:
// the message shows them escaped and keeps the reason after them, and the trace stays
// valid UTF-8 (so valid JSON).
TEST_F(SimMenu, DamagedBankMessageIsWholeAndPrintable) {
    const fs::path dir = kWork / "damaged";
    BuildToneBank(dir, kMenuItems);
    const fs::path bank = dir / "snd" / "menu.dat";
    std::ifstream in(bank, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    in.close();
    const size_t at = bytes.find("List");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 4, std::string("L\x01\0\xff", 4));
    std::ofstream(bank, std::ios::binary | std::ios::trunc) << bytes;
    const SimRun run = Sim(dir, "wait 100\n");
    const auto boxes = Lines(run, {"\"ev\":\"msgbox\""});
    ASSERT_FALSE(boxes.empty());
    EXPECT_TRUE(Has(boxes[0], R"(Error reading TWaveCollectionComponent.L\\x01\\x00\\xff: )"
                              R"(Property L\\x01\\x00\\xff does not exist.")"))
        << boxes[0];
    for (const auto& line : run.lines)
        for (size_t i = 0; i < line.size(); i += std::max<size_t>(1, vl::Utf8SequenceAt(line, i)))
            ASSERT_NE(vl::Utf8SequenceAt(line, i), 0u) << line;
}

TEST_F(SimMenu, ItemMissingFromTheBankStopsTheHandlerAtTheLookup) {
    const fs::path dir = kWork / "partial";
    fs::remove_all(dir);
    std::vector<std::string> items = kMenuItems;
    std::erase(items, std::string("soundsguideitemsp"));
    BuildToneBank(dir, items);
    const SimRun run = Sim(dir, "wait 1500\npress DOWN\nwait 100\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // The tone folder has no match bank and no guide bank: those boxes come at creation,
    // the lookup's after them.
    const auto boxes = Lines(run, {"\"ev\":\"msgbox\""});
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_TRUE(Has(boxes[0], "snd/game.dat\\\". ")) << boxes[0];
    EXPECT_TRUE(Has(boxes[1], "snd/guide.dat\\\". ")) << boxes[1];
    EXPECT_TRUE(Has(boxes[2], R"("text":"Wave 'soundsguideitemsp' not found.")"));
    // StopEntrySounds got as far as the missing item; the entry was not spoken.
    EXPECT_TRUE(Lines(run, {Play("computergameitemsp")}).empty());
    EXPECT_EQ(Lines(run, {"\"ev\":\"stop\""}).size(), 4u);
}

TEST_F(SimMenu, BadScriptLineIsReportedWithItsNumberBeforeRunning) {
    const SimRun run = Sim(data_, "wait 10\npress NOPE\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.lines.empty());
    EXPECT_TRUE(Has(run.err, "line 2")) << run.err;
    const SimRun ok = Sim(data_, "# a comment\n\n  wait 10   # trailing comment\ndump # here\n");
    EXPECT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_EQ(Lines(ok, {"\"ev\":\"dump\",\"active\""}).size(), 1u);
    EXPECT_EQ(Sim(data_, "wait -5\n").exitCode, 2);
    EXPECT_EQ(Sim(data_, "dump now\n").exitCode, 2);
    EXPECT_EQ(Sim(data_, "audio gone\n").exitCode, 2);
}

TEST_F(SimMenu, OutputLostDuringTheGreetingIsSilenceUntilTheNextAttemptAndNothingElse) {
    // Lost at 200 ms, back at 500: heard again from the attempt at 1200 on. A Down after
    // that (and after the greeting and first entry) speaks the next entry.
    const uint64_t down = std::max<uint64_t>(Dur("mainmenusp") + 100, 1300);
    const fs::path wav = kWork / "lost.wav";
    const SimRun run = Sim(data_,
                           "wait 200\naudio lost\nwait 300\naudio back\nwait " +
                               std::to_string(down - 500) + "\npress DOWN\nwait 400\n",
                           "--wav '" + wav.string() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // The greeting's wait ended with its sound; the entries came as ever.
    const auto first = Lines(run, {Play("startgameitemsp")});
    ASSERT_EQ(first.size(), 1u);
    EXPECT_GE(TimeOf(first[0]), Dur("mainmenusp"));
    EXPECT_LE(TimeOf(first[0]), Dur("mainmenusp") + 20);
    const auto next = Lines(run, {Play("computergameitemsp")});
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(TimeOf(next[0]), down);
    EXPECT_TRUE(Lines(run, {"\"ev\":\"msgbox\""}).empty());

    std::ifstream in(wav, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The loudest 16-bit sample of [fromMs, toMs) of the 48 kHz stereo capture.
    const auto peak = [&](uint64_t fromMs, uint64_t toMs) {
        int p = 0;
        for (uint64_t i = 44 + fromMs * 192; i + 1 < 44 + toMs * 192 && i + 1 < bytes.size();
             i += 2) {
            const auto v = static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) |
                                                (static_cast<uint8_t>(bytes[i + 1]) << 8));
            p = std::max(p, std::abs(static_cast<int>(v)));
        }
        return p;
    };
    ASSERT_GE(bytes.size(), 44 + (down + 400) * 192);
    EXPECT_EQ(peak(200, 1200), 0);
    EXPECT_GT(peak(down, down + 400), 100);
}

} // namespace
