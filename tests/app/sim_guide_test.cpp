// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end tests of the sound guide through the headless simulator: opened from the menu
// by a double click, its greeting, selection sounds, search, Enter and double click, and a
// missing bank.
//
// The banks are the generated ones when the data folder has them; otherwise banks of sox
// tones are built with the data tool.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/soundsguide.h"
#include "sim_support.h"

namespace {

using namespace vl::simtest;
using vl::app::Tguideform;

const fs::path kWork =
    fs::path(VL_BINARY_DIR) / "test-app-guide" / std::to_string(static_cast<long>(getpid()));
const std::vector<std::string> kMenuItems = {
    "mainmenusp",         "startgameitemsp",   "computergameitemsp", "netgameitemsp",
    "testspeakersitemsp", "soundsguideitemsp", "replaysitemsp",      "settingsitemsp",
    "endgameitemsp",      "testspeakers",      "endofgamesp"};

std::string Play(const std::string& item) {
    return "\"ev\":\"play\",\"bank\":\"DXWaveListguide\",\"item\":\"" + item + "\"";
}
std::string Stop(std::string_view item) {
    return "\"ev\":\"stop\",\"bank\":\"DXWaveListguide\",\"item\":\"" + std::string(item) + "\"}";
}

// The guide's sound events (plays and stops) from the first line carrying `from` on, each
// without its time.
std::vector<std::string> GuideSounds(const SimRun& run, const std::string& from) {
    std::vector<std::string> out;
    bool on = false;
    for (const auto& l : run.lines) {
        on = on || Has(l, from);
        if (on && Has(l, "DXWaveListguide")) out.push_back(l.substr(l.find("\"ev\"")));
    }
    return out;
}

class SimGuide : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const fs::path generated = fs::path(VL_DATA_DIR) / "snd";
        if (fs::exists(generated / "guide.dat") && fs::exists(generated / "menu.dat")) {
            data_ = fs::path(VL_DATA_DIR);
        } else {
            data_ = kWork / "tones";
            fs::remove_all(data_);
            std::vector<std::string> guide(Tguideform::kEntrySounds.begin(),
                                           Tguideform::kEntrySounds.end());
            guide.insert(guide.begin(), "introguidesp");
            ASSERT_TRUE(BuildToneBank(data_, "menu.dat", kMenuItems));
            ASSERT_TRUE(BuildToneBank(data_, "guide.dat", guide));
        }
        durations_ = Durations(data_ / "snd" / "guide.dat");
        const auto menu = Durations(data_ / "snd" / "menu.dat");
        ASSERT_TRUE(durations_.count("introguidesp") && menu.count("mainmenusp"));
        greeting_ = menu.at("mainmenusp");
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(kWork, ec);
    }
    static uint64_t Dur(const std::string& item) { return durations_.at(item); }
    // Opens the guide from the menu by a double click and waits out its greeting.
    static std::string InGuide() {
        return "wait " + std::to_string(greeting_ + 100) + "\ndblclick 4\nwait " +
               std::to_string(Dur("introguidesp") + 200) + "\n";
    }
    static SimRun Run(const std::string& script) { return Sim(kWork, data_, script); }

    static inline fs::path data_;
    static inline std::map<std::string, uint64_t> durations_;
    static inline uint64_t greeting_ = 0;
};

TEST_F(SimGuide, OpeningPlaysTheIntroductionToItsEndThenTheFirstEntry) {
    const SimRun run = Run(InGuide() + "dump\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // The menu's double click: the click's selection and sound, then the guide shows.
    const auto menuSelect =
        Lines(run, {"\"ev\":\"select\",\"window\":\"mainmenuform\",\"index\":4"});
    const auto shown = Lines(run, {"\"ev\":\"show\",\"window\":\"guideform\""});
    ASSERT_EQ(menuSelect.size(), 1u);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(TimeOf(menuSelect[0]), TimeOf(shown[0]));
    const auto intro = Lines(run, {Play("introguidesp"), "\"wait\":true"});
    const auto first = Lines(run, {Play("levitstanditemsp"), "\"wait\":false"});
    ASSERT_EQ(intro.size(), 1u);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_GE(TimeOf(first[0]), TimeOf(intro[0]) + Dur("introguidesp"));
    EXPECT_LE(TimeOf(first[0]), TimeOf(intro[0]) + Dur("introguidesp") + 20);
    // Entry 0 is selected without the selection handler: nothing stopped before the play.
    EXPECT_TRUE(Lines(run, {"\"ev\":\"stop\",\"bank\":\"DXWaveListguide\""}).empty());
    const auto dump = Lines(run, {"\"ev\":\"dump\""});
    ASSERT_EQ(dump.size(), 1u);
    EXPECT_TRUE(Has(dump[0], R"("active":"guideform")")) << dump[0];
    EXPECT_TRUE(Has(dump[0], R"("guideform":{"visible":true,"selected":0})")) << dump[0];
}

TEST_F(SimGuide, EachSelectionStopsTheTwentyEntrySoundsInOrderThenPlaysItsOwn) {
    const SimRun run = Run(InGuide() + "click 8\nwait 50\npress DOWN\nwait 50\nclick 9\nwait 50\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto seq = GuideSounds(run, Play("hititemsp"));
    ASSERT_EQ(seq.size(), 22u); // hit, twenty stops, the new entry; clicking 9 again: nothing
    for (size_t k = 0; k < Tguideform::kEntrySounds.size(); ++k)
        EXPECT_EQ(seq[1 + k], Stop(Tguideform::kEntrySounds[k]));
    EXPECT_TRUE(Has(seq[21], Play("navigleftitemsp") + ",\"wait\":false"));
}

TEST_F(SimGuide, EnterActsOnlyOnTheLastEntryWhichStopsAllAndTheMenuSpeaksAgain) {
    const SimRun run = Run(InGuide() + "click 5\nwait 50\npress ENTER\nwait 100\ndump\n" +
                           "press END\nwait 50\npress ENTER\nwait " +
                           std::to_string(greeting_ + 200) + "\ndump\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto dumps = Lines(run, {"\"ev\":\"dump\""});
    ASSERT_EQ(dumps.size(), 2u);
    EXPECT_TRUE(Has(dumps[0], R"("guideform":{"visible":true,"selected":5})")) << dumps[0];
    // Enter on 5 added nothing after entry 5's own sound.
    const auto after5 = GuideSounds(run, Play("emptygunitemsp"));
    ASSERT_GE(after5.size(), 22u);
    EXPECT_TRUE(Has(after5[21], Play("returnmainmenuitemsp"))) << after5[21];
    // Enter on 19: its twenty stops, then the guide hides and the menu greets again.
    const auto closing = GuideSounds(run, Play("returnmainmenuitemsp"));
    ASSERT_EQ(closing.size(), 21u);
    EXPECT_EQ(closing.back(), Stop("returnmainmenuitemsp"));
    EXPECT_EQ(Lines(run, {"\"ev\":\"hide\",\"window\":\"guideform\""}).size(), 1u);
    EXPECT_EQ(Lines(run, {"\"item\":\"mainmenusp\""}).size(), 2u);
    EXPECT_TRUE(Has(dumps[1], R"("active":"mainmenuform")")) << dumps[1];
    EXPECT_TRUE(Has(dumps[1], R"("mainmenuform":{"visible":true,"selected":0})")) << dumps[1];
}

TEST_F(SimGuide, DoubleClickClosesOnlyOnTheLastEntry) {
    const SimRun run = Run(InGuide() + "dblclick 18\nwait 100\ndump\ndblclick 19\nwait 100\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto dumps = Lines(run, {"\"ev\":\"dump\""});
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_TRUE(Has(dumps[0], R"("guideform":{"visible":true,"selected":18})")) << dumps[0];
    EXPECT_EQ(Lines(run, {Play("weapdestroyitemsp")}).size(), 1u);
    const auto hide = Lines(run, {"\"ev\":\"hide\",\"window\":\"guideform\""});
    ASSERT_EQ(hide.size(), 1u);
    EXPECT_GE(TimeOf(hide[0]), TimeOf(dumps[0]));
    EXPECT_EQ(Run("click x\n").exitCode, 2);
    EXPECT_EQ(Run("dblclick -1\n").exitCode, 2);
}

TEST_F(SimGuide, TypedLettersSearchAndAPauseStartsANewSearch) {
    // "p" finds "Pohyb vlnedla", "př" "Před levým..."; after the pause "z" finds "Zásah",
    // "zb" "Zbraň...", and Backspace takes the search back to "z".
    const SimRun run = Run(InGuide() + "type př\nwait 600\ntype zb\nwait 100\npress BACKSPACE\n"
                                       "wait 100\ntype o\nwait 100\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> picked;
    for (const auto& l : Lines(run, {"\"ev\":\"select\",\"window\":\"guideform\""}))
        picked.push_back(l.substr(l.find("\"index\"")));
    // 0 at activation; "zo" matches nothing and leaves 8.
    const std::vector<std::string> want = {"\"index\":0}", "\"index\":1}",  "\"index\":11}",
                                           "\"index\":8}", "\"index\":18}", "\"index\":8}"};
    EXPECT_EQ(picked, want);
    EXPECT_EQ(Lines(run, {Play("hititemsp")}).size(), 2u);
}

TEST_F(SimGuide, MissingBankFailsEveryLookupInTheErrorBoxAndTheGuideStillCloses) {
    const fs::path dir = kWork / "noguide";
    fs::remove_all(dir);
    fs::create_directories(dir / "snd");
    fs::copy_file(data_ / "snd" / "menu.dat", dir / "snd" / "menu.dat");
    const SimRun run = Sim(kWork, dir,
                           "wait " + std::to_string(greeting_ + 100) +
                               "\ndblclick 4\nwait 100\npress DOWN\nwait 50\nclose\nwait " +
                               std::to_string(greeting_ + 200) + "\ndump\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> texts;
    for (const auto& l : Lines(run, {"\"ev\":\"msgbox\",\"caption\":\"Vlnedla\""}))
        texts.push_back(l.substr(l.find("\"text\"")));
    // The guide bank's box at start-up (after those of the match window's files), then the
    // three lookups: the greeting, the selection, the close.
    size_t g = 0;
    while (g < texts.size() && !Has(texts[g], "snd/guide.dat\\\". ")) ++g;
    ASSERT_EQ(texts.size(), g + 4) << run.err;
    EXPECT_TRUE(Has(texts[g], "Cannot open file \\\"")) << texts[g];
    EXPECT_EQ(texts[g + 1], R"("text":"Wave 'introguidesp' not found."})");
    EXPECT_EQ(texts[g + 2], R"("text":"Wave 'levitstanditemsp' not found."})");
    EXPECT_EQ(texts[g + 3], R"("text":"Wave 'levitstanditemsp' not found."})");
    const auto dump = Lines(run, {"\"ev\":\"dump\""});
    ASSERT_EQ(dump.size(), 1u);
    EXPECT_TRUE(Has(dump[0], R"("active":"mainmenuform")")) << dump[0];
    EXPECT_TRUE(Has(dump[0], R"("guideform":{"visible":false,"selected":1})")) << dump[0];
}

} // namespace
