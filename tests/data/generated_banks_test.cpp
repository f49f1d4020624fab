// SPDX-License-Identifier: GPL-3.0-or-later
// Checks the generated banks snd/game.dat and snd/guide.dat against what the match and the
// guide rely on: every item they look up with its looping, number words short enough for a
// spoken counter, sounds that start at once and end without a click, seamless loops, even
// levels, and guide entries whose navigation tones are heard high, then low, on their side.
//
// The banks are read the way a player's program gets them: listed and extracted with the
// data tool.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/soundsguide.h"
#include "settings/Language.h"

namespace {

namespace fs = std::filesystem;

const fs::path kTool = fs::path(VL_BINARY_DIR) / "bin" / "vlnedla-assets";
// A language's bank folder: Czech's snd/, another's lang/<code>/snd/.
fs::path SndOf(const std::string& code) {
    return code == "cs" ? fs::path(VL_DATA_DIR) / "snd"
                        : fs::path(VL_DATA_DIR) / "lang" / code / "snd";
}

struct Entry {
    bool looped = false;
    int max = 0, channels = 0, rate = 0;
    long durationMs = 0;
    std::vector<std::vector<double>> samples; // per channel, -1..1
};
using Bank = std::map<std::string, Entry>;

std::string Field(const std::string& line, const std::string& key) {
    const auto at = line.find("\"" + key + "\": ");
    if (at == std::string::npos) return {};
    auto from = at + key.size() + 4;
    if (line[from] == '"') ++from;
    return line.substr(from, line.find_first_of(",\"}", from) - from);
}

std::vector<std::vector<double>> ReadWav(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    const std::string b = all.str();
    const auto u16 = [&](size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(b[at]) |
                                     static_cast<unsigned char>(b[at + 1]) << 8);
    };
    const auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    size_t pos = 12, channels = 1;
    std::vector<std::vector<double>> out;
    while (pos + 8 <= b.size()) {
        const std::string id = b.substr(pos, 4);
        const size_t len = u32(pos + 4);
        if (id == "fmt ") channels = u16(pos + 10);
        if (id == "data") {
            out.assign(channels, {});
            for (size_t i = 0; i + 2 * channels <= len; i += 2 * channels)
                for (size_t c = 0; c < channels; ++c)
                    out[c].push_back(static_cast<int16_t>(u16(pos + 8 + i + 2 * c)) / 32768.0);
        }
        pos += 8 + len;
    }
    return out;
}

// Lists and extracts a bank; empty when the data tool fails.
Bank Load(const fs::path& bankFile) {
    Bank bank;
    const fs::path dir = fs::path(VL_BINARY_DIR) / ("test-data-" + std::to_string(getpid()));
    fs::remove_all(dir);
    const std::string bankPath = bankFile.string();
    if (std::system(("'" + kTool.string() + "' bank extract '" + bankPath + "' '" + dir.string() +
                     "' >/dev/null")
                        .c_str()) != 0)
        return {};
    FILE* p = popen(("'" + kTool.string() + "' bank list '" + bankPath + "' --json").c_str(), "r");
    if (!p) return {};
    char buf[1024];
    while (fgets(buf, sizeof buf, p)) {
        const std::string l = buf;
        const std::string name = Field(l, "name");
        if (name.empty()) continue;
        Entry& e = bank[name];
        e.looped = Field(l, "looped") == "true";
        e.max = std::stoi(Field(l, "maxPlayingCount"));
        e.channels = std::stoi(Field(l, "channels"));
        e.rate = std::stoi(Field(l, "sampleRate"));
        e.durationMs = std::stol(Field(l, "durationMs"));
        e.samples = ReadWav(dir / (name + ".wav"));
    }
    pclose(p);
    fs::remove_all(dir);
    return bank;
}

double Peak(const Entry& e) {
    double p = 0;
    for (const auto& ch : e.samples)
        for (const double v : ch) p = std::max(p, std::fabs(v));
    return p;
}
double RmsDb(const Entry& e) {
    double sum = 0;
    size_t n = 0;
    for (const auto& ch : e.samples)
        for (const double v : ch) sum += v * v, ++n;
    return 10 * std::log10(sum / std::max<size_t>(n, 1));
}
// Milliseconds until the first sample within 40 dB of the item's peak.
double LeadMs(const Entry& e) {
    const double threshold = Peak(e) * 0.01;
    const auto& s = e.samples.at(0);
    for (size_t i = 0; i < s.size(); ++i)
        if (std::fabs(s[i]) >= threshold) return 1000.0 * double(i) / e.rate;
    return 1e9;
}
// Zero crossings a second over [from, to) of a channel.
double Crossings(const std::vector<double>& s, size_t from, size_t to, int rate) {
    int n = 0;
    for (size_t i = from + 1; i < to; ++i) n += (s[i - 1] < 0) != (s[i] < 0);
    return n * double(rate) / double(to - from);
}

const std::vector<std::string> kLooped = {"tankstoji", "tankjede",   "tankstoji2",
                                          "tankjede2", "navig1",     "navig2",
                                          "alertleft", "alertright", "navigweap"};
const std::vector<std::string> kEffects = {
    "gun",    "missile",  "machgun", "magnet",     "emptygun",    "hit",
    "explos", "explweap", "getweap", "glass",      "alarm",       "phone",
    "camera", "objapp",   "weapapp", "snavigleft", "snavigright", "machgunhitobject"};
const std::vector<std::string> kKindWords = {"energysp", "bulletsp", "missilesp", "machgunsp"};
// Each language's banks are checked alike: the same items by name, the same levels, number
// words as short. Read once a language.
class GeneratedBanks : public ::testing::TestWithParam<std::string> {
protected:
    struct Banks {
        Bank game, guide, menu;
    };
    static void SetUpTestSuite() {
        std::ifstream cache(fs::path(VL_BINARY_DIR) / "CMakeCache.txt");
        std::stringstream text;
        text << cache.rdbuf();
        noData_ = text.str().find("VLNEDLA_DATA:BOOL=OFF") != std::string::npos &&
                  !fs::exists(SndOf("cs") / "game.dat");
    }
    void SetUp() override {
        if (noData_) GTEST_SKIP() << "this build makes no data (VLNEDLA_DATA=OFF)";
        const std::string& code = GetParam();
        if (!banks_.count(code)) {
            const fs::path snd = SndOf(code);
            banks_[code] = {Load(snd / "game.dat"), Load(snd / "guide.dat"),
                            Load(snd / "menu.dat")};
        }
        const Banks& b = banks_[code];
        game_ = b.game, guide_ = b.guide, menu_ = b.menu;
        ASSERT_FALSE(game_.empty()) << SndOf(code) / "game.dat"
                                    << " is missing or unreadable";
        ASSERT_FALSE(guide_.empty()) << SndOf(code) / "guide.dat"
                                     << " is missing or unreadable";
        ASSERT_FALSE(menu_.empty()) << SndOf(code) / "menu.dat"
                                    << " is missing or unreadable";
    }
    // The pieces the language's number rules speak.
    std::vector<std::string> NumberWords() const {
        const vl::settings::Language* language = vl::settings::FindLanguage(GetParam());
        std::vector<std::string> w;
        for (const std::string_view piece : language->numberPieces()) w.emplace_back(piece);
        return w;
    }
    static inline bool noData_ = false;
    static inline std::map<std::string, Banks> banks_;
    Bank game_, guide_, menu_;
};

INSTANTIATE_TEST_SUITE_P(Languages, GeneratedBanks, ::testing::Values("cs", "en"));

TEST_P(GeneratedBanks, MenuHoldsTheSameItemsInEveryLanguage) {
    // The menu's own words (the same names in every language's texts), then the match's
    // words, from which the menus say numbers.
    std::set<std::string> names;
    for (const auto& w : vl::settings::kCzechTexts.menuWords) names.emplace(w.item);
    std::set<std::string> english;
    for (const auto& w : vl::settings::kEnglishTexts.menuWords) english.emplace(w.item);
    EXPECT_EQ(names, english);
    for (const auto& w : kKindWords) names.insert(w);
    for (const auto& w : NumberWords()) names.insert(w);
    std::set<std::string> got;
    for (const auto& [name, e] : menu_) got.insert(name);
    EXPECT_EQ(got, names);
    EXPECT_EQ(menu_["testspeakers"].channels, 2);
}

TEST_P(GeneratedBanks, GameHoldsEveryItemTheMatchLooksUpWithItsLooping) {
    std::vector<std::string> oneShots = kEffects;
    for (const auto& w : kKindWords) oneShots.push_back(w);
    for (const auto& w : NumberWords()) oneShots.push_back(w);
    for (const auto& name : kLooped) {
        ASSERT_TRUE(game_.count(name)) << name;
        EXPECT_TRUE(game_[name].looped) << name;
    }
    for (const auto& name : oneShots) {
        ASSERT_TRUE(game_.count(name)) << name;
        EXPECT_FALSE(game_[name].looped) << name;
        EXPECT_EQ(game_[name].channels, 1) << name;
    }
    EXPECT_EQ(game_.size(), kLooped.size() + oneShots.size());
    // An echo grain started every 10 ms frame overlaps the ones before it; even at the
    // lowest pitch (19200 Hz) the copies allowed cover a whole grain, so none is cut off
    // while it is loud.
    for (const char* echo : {"snavigleft", "snavigright"}) {
        const double seconds = double(game_[echo].samples[0].size()) / 19200.0;
        EXPECT_GE(game_[echo].max * 0.01, seconds * 0.95) << echo;
        EXPECT_GT(seconds, 0.02) << echo << ": a grain outlasts a frame even at the top";
    }
}

// The shortest lag (in samples) at which a wave's loud part repeats itself: the first peak
// of its normalised autocorrelation above 0.9.
int BasePeriod(const std::vector<double>& s) {
    double peak = 0;
    for (const double v : s) peak = std::max(peak, std::fabs(v));
    size_t from = 0, to = s.size();
    while (from < to && std::fabs(s[from]) < peak * 0.5) ++from;
    while (to > from && std::fabs(s[to - 1]) < peak * 0.5) --to;
    const auto corr = [&](size_t lag) {
        double xy = 0, xx = 0, yy = 0;
        for (size_t i = from; i + lag < to; ++i)
            xy += s[i] * s[i + lag], xx += s[i] * s[i], yy += s[i + lag] * s[i + lag];
        return xy / std::sqrt(xx * yy + 1e-30);
    };
    for (size_t lag = 10; lag <= 400 && from + lag < to; ++lag) {
        if (corr(lag) <= 0.9) continue;
        while (corr(lag + 1) > corr(lag)) ++lag;
        return static_cast<int>(lag);
    }
    return 0;
}

TEST_P(GeneratedBanks, EchoesAndBeaconShareTheNavigationTonesPeriod) {
    // The match plays them all at one rate for one height, so one period means one pitch.
    const int navig = BasePeriod(game_["navig1"].samples[0]);
    EXPECT_EQ(navig, 100);
    EXPECT_EQ(BasePeriod(game_["navig2"].samples[0]), navig);
    for (const char* name : {"snavigleft", "snavigright", "navigweap"})
        EXPECT_EQ(BasePeriod(game_[name].samples[0]), navig) << name;
}

TEST_P(GeneratedBanks, NumberWordsAreShortAndEventSoundsStartAtOnceAndEndQuietly) {
    std::vector<long> ms;
    for (const auto& w : NumberWords()) {
        EXPECT_LE(game_[w].durationMs, 600) << w;
        ms.push_back(game_[w].durationMs);
    }
    std::sort(ms.begin(), ms.end());
    EXPECT_LE(ms[ms.size() / 2], 400);
    std::vector<std::string> prompt = kEffects;
    for (const auto& w : NumberWords()) prompt.push_back(w);
    for (const auto& name : prompt) {
        const Entry& e = game_[name];
        EXPECT_LE(LeadMs(e), 5.0) << name;
        // The last millisecond is far below the peak: no step at the end.
        const auto& s = e.samples[0];
        double tail = 0;
        for (size_t i = s.size() - static_cast<size_t>(e.rate / 1000); i < s.size(); ++i)
            tail = std::max(tail, std::fabs(s[i]));
        EXPECT_LE(tail, Peak(e) * 0.05) << name;
    }
}

TEST_P(GeneratedBanks, LoopsJoinWithoutAStep) {
    for (const auto& name : kLooped) {
        const auto& s = game_[name].samples[0];
        double steepest = 0;
        for (size_t i = 1; i < s.size(); ++i)
            steepest = std::max(steepest, std::fabs(s[i] - s[i - 1]));
        EXPECT_LE(std::fabs(s.front() - s.back()), steepest * 1.05 + 1e-4) << name;
    }
}

TEST_P(GeneratedBanks, EveryItemIsLevelledWithTheMenuAndPeaksBelowMinusOneDb) {
    // A player's continuous sounds stand lower on purpose, under the spoken counters.
    const std::set<std::string> bed = {"tankstoji", "tankjede", "tankstoji2", "tankjede2",
                                       "navig1",    "navig2",   "snavigleft", "snavigright"};
    double menu = 0;
    for (const auto& [name, e] : menu_) menu += RmsDb(e) / double(menu_.size());
    for (const Bank* bank : {&game_, &guide_}) {
        for (const auto& [name, e] : *bank) {
            EXPECT_LE(20 * std::log10(Peak(e)), -1.0) << name;
            if (bank == &game_ && bed.count(name))
                EXPECT_LT(RmsDb(e), menu - 4.0) << name;
            else
                EXPECT_NEAR(RmsDb(e), menu, 5.0) << name;
        }
    }
}

TEST_P(GeneratedBanks, GuideHoldsItsIntroductionAndEveryEntryWithNavigationHighThenLowOnItsSide) {
    EXPECT_EQ(guide_.size(), 21u);
    EXPECT_TRUE(guide_.count("introguidesp"));
    for (const auto name : vl::app::Tguideform::kEntrySounds) {
        ASSERT_TRUE(guide_.count(std::string(name))) << name;
        EXPECT_LE(guide_[std::string(name)].durationMs, 6000) << name;
    }
    // The tone fills the item's last 1.8 s: the first 0.5 s of it at the top, the last
    // 0.5 s at the bottom, about 2.3 octaves apart; the other side silent throughout.
    for (const auto& [name, side] : {std::pair{"navigleftitemsp", 0}, {"navigrightitemsp", 1}}) {
        const Entry& e = guide_[name];
        ASSERT_EQ(e.channels, 2) << name;
        const auto& own = e.samples[static_cast<size_t>(side)];
        const auto& other = e.samples[static_cast<size_t>(1 - side)];
        const size_t n = own.size(), r = static_cast<size_t>(e.rate);
        const size_t start = n - r * 18 / 10;
        double leak = 0;
        for (size_t i = start; i < n; ++i) leak = std::max(leak, std::fabs(other[i]));
        EXPECT_EQ(leak, 0.0) << name;
        const double high = Crossings(own, start + r / 20, start + r / 2, e.rate);
        const double low = Crossings(own, n - r / 2, n - r / 20, e.rate);
        EXPECT_GT(high, 4 * low) << name;
        EXPECT_GT(low, 100) << name;
    }
}

} // namespace
