// SPDX-License-Identifier: GPL-3.0-or-later
// The game in English through the simulator: the menu, the guide and the match speak the
// English banks (their items come when the English words end), and a counter is read as an
// English speaker reads it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <map>

#include "app/sim_support.h"
#include "settings/Language.h"

namespace {

namespace fs = std::filesystem;
using vl::simtest::Durations;
using vl::simtest::Lines;
using vl::simtest::SimRun;
using vl::simtest::TimeOf;

const fs::path kData(VL_DATA_DIR);
const fs::path kEnglish = kData / "lang" / "en" / "snd";
const fs::path kWork =
    fs::path(VL_BINARY_DIR) / "test-app-language" / std::to_string(static_cast<long>(getpid()));

class SimLanguage : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kData / "snd" / "menu.dat") || !fs::exists(kEnglish / "game.dat"))
            GTEST_SKIP() << "no generated data in " << kData;
        menu_ = Durations(kEnglish / "menu.dat");
        guide_ = Durations(kEnglish / "guide.dat");
        // The checks of timing below tell the languages apart only if their words differ.
        const auto czech = Durations(kData / "snd" / "menu.dat");
        ASSERT_GT(std::abs(static_cast<long>(czech.at("mainmenusp")) -
                           static_cast<long>(menu_.at("mainmenusp"))),
                  20);
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(kWork, ec);
    }
    static SimRun Run(const std::string& script) {
        return vl::simtest::Sim(kWork, kData, script, "--language en");
    }
    std::map<std::string, uint64_t> menu_, guide_;
};

// The English text of a match item, from the language's sources.
std::string EnglishText(const std::string& item) {
    std::ifstream in(fs::path(VL_SOURCE_DIR) / "assets" / "lang" / "en" / "game.txt");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(item + "\t", 0) == 0) return line.substr(item.size() + 1);
    return {};
}

TEST_F(SimLanguage, MenuAndGuideSpeakTheEnglishBanks) {
    // The greeting is played to its end before the first entry: its English length.
    const SimRun run =
        Run("wait " + std::to_string(menu_.at("mainmenusp") + 200) +
            "\npress DOWN\npress DOWN\npress DOWN\npress DOWN\npress ENTER\nwait 15000\ndump\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto greet = Lines(run, {R"("item":"mainmenusp")"});
    const auto first = Lines(run, {R"("item":"startgameitemsp")"});
    ASSERT_FALSE(greet.empty());
    ASSERT_FALSE(first.empty());
    // (The clock moves on in steps of 10 ms while a sound is waited for.)
    EXPECT_NEAR(TimeOf(first[0]) - TimeOf(greet[0]), menu_.at("mainmenusp") + 5, 5);
    const auto intro = Lines(run, {R"("item":"introguidesp")"});
    const auto entry = Lines(run, {R"("bank":"DXWaveListguide","item":"levitstanditemsp")"});
    ASSERT_FALSE(intro.empty()) << run.err;
    ASSERT_FALSE(entry.empty());
    EXPECT_NEAR(TimeOf(entry[0]) - TimeOf(intro[0]), guide_.at("introguidesp") + 5, 5);
    EXPECT_TRUE(Lines(run, {R"("ev":"msgbox")"}).empty());
    EXPECT_EQ(Lines(run, {R"("ev":"dump")", R"("language":"en")"}).size(), 1u);
}

TEST_F(SimLanguage, ACounterOf215IsReadTwoHundredFifteen) {
    const SimRun run = Run("wait " + std::to_string(menu_.at("mainmenusp") + 200) +
                           "\npress ENTER\nawait Form1\nwait 300\nset left.bullets 215\n"
                           "press 2\nwait 3000\ndump\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(Lines(run, {R"("ev":"msgbox")"}).empty());
    std::vector<std::string> said;
    for (const std::string& l : Lines(run, {R"("ev":"play","bank":"DXWaveList1")"})) {
        const size_t at = l.find("\"item\":\"") + 8;
        const std::string item = l.substr(at, l.find('"', at) - at);
        if (vl::settings::IsSpokenGameItem(item)) said.push_back(item);
    }
    ASSERT_EQ(said, (std::vector<std::string>{"2", "hundred", "15"}));
    std::string words;
    for (const std::string& item : said) words += EnglishText(item) + " ";
    EXPECT_EQ(words, "two hundred fifteen ");
}

} // namespace
