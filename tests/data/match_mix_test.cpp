// SPDX-License-Identifier: GPL-3.0-or-later
// The generated sounds as a match mixes them: a match with both players busy, rendered by
// the simulator, never reaches full scale; the hums start without a step; a spoken counter
// stands well above the player's own continuous sounds that go on under it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/sim_support.h"

namespace {

namespace fs = std::filesystem;
using vl::simtest::Lines;
using vl::simtest::SimRun;
using vl::simtest::TimeOf;

const fs::path kData(VL_DATA_DIR);
const fs::path kWork =
    fs::path(VL_BINARY_DIR) / "test-data-mix" / std::to_string(static_cast<long>(getpid()));

// The left or right channel of a 16-bit stereo WAV written by the simulator (44-byte header).
struct Capture {
    std::vector<int16_t> ch[2];

    explicit Capture(const fs::path& wav) {
        std::ifstream in(wav, std::ios::binary);
        const std::vector<char> b((std::istreambuf_iterator<char>(in)), {});
        for (size_t i = 44; i + 3 < b.size(); i += 4)
            for (int c = 0; c < 2; ++c)
                ch[c].push_back(
                    static_cast<int16_t>(static_cast<uint8_t>(b[i + 2 * c]) |
                                         (static_cast<uint8_t>(b[i + 2 * c + 1]) << 8)));
    }
    // Mean power of channel c over [fromMs, toMs), in dBFS.
    double PowerDb(int c, uint64_t fromMs, uint64_t toMs) const {
        double sum = 0;
        size_t n = 0;
        for (size_t i = fromMs * 48; i < toMs * 48 && i < ch[c].size(); ++i, ++n)
            sum += double(ch[c][i]) * ch[c][i];
        return 10 * std::log10(sum / double(std::max<size_t>(n, 1)) / (32768.0 * 32768.0) + 1e-20);
    }
};

class MatchMix : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kData / "snd" / "game.dat") || !fs::exists(kData / "snd" / "menu.dat"))
            GTEST_SKIP() << "no generated data in " << kData;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(kWork, ec);
    }
};

TEST_F(MatchMix, BusyMatchNeverClipsHumsStartFromSilenceAndCountersStandOut) {
    const auto game = vl::simtest::Durations(kData / "snd" / "game.dat");
    // The match starts once the menu's greeting and first entry have been spoken, so that
    // nothing else sounds when the hums start.
    const auto menu = vl::simtest::Durations(kData / "snd" / "menu.dat");
    const uint64_t start = menu.at("mainmenusp") + menu.at("startgameitemsp") + 300;
    // Still: the energy spoken over the idle hum and navigation tone. Moving: again, with
    // the left craft moving down. Then both players busy, and both alarms on.
    std::string script = "wait " + std::to_string(start) + "\npress ENTER\nwait 1500\npress 1\n" +
                         "wait 1500\ndown C\nwait 300\npress 1\nwait 1000\nup C\n";
    const char* keys[] = {"C", "E", "SPACE", "X", "F", "DOWN", "UP", "SHIFT", "TAB", "NUMPAD0"};
    for (int i = 0; i < 200; ++i) {
        const char* k = keys[(i * 7) % 10];
        script += std::string("down ") + k + "\nwait " + std::to_string(40 + (i * 13) % 120) +
                  "\nup " + k + "\n";
        if (i == 100) script += "set left.energy 10\nset right.energy 10\n";
    }
    const fs::path wav = kWork / "match.wav";
    const SimRun run = vl::simtest::Sim(kWork, kData, script, "--wav '" + wav.string() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_FALSE(Lines(run, {R"("item":"alertleft")"}).empty());
    const Capture cap(wav);
    ASSERT_GT(cap.ch[0].size(), (start + 20000) * 48);

    for (int c = 0; c < 2; ++c) {
        int peak = 0;
        for (const int16_t v : cap.ch[c]) peak = std::max(peak, std::abs(int{v}));
        EXPECT_LT(peak, 32767) << "channel " << c;
    }

    // The idle hums start at the match's start: their first half millisecond rises from
    // near zero instead of stepping to the wave's first sample.
    for (int c = 0; c < 2; ++c) {
        const auto& s = cap.ch[c];
        size_t first = start * 48;
        while (first < s.size() && s[first] == 0) ++first;
        ASSERT_LT(first, (start + 20) * 48) << c;
        int rise = 0, after = 0;
        for (size_t i = first; i < first + 24; ++i) rise = std::max(rise, std::abs(int{s[i]}));
        for (size_t i = first + 96; i < first + 2400; ++i)
            after = std::max(after, std::abs(int{s[i]}));
        EXPECT_LE(std::abs(int{s[first]}), after / 30) << c;
        EXPECT_LE(rise, after * 6 / 10) << c;
    }

    // A counter over the bed: the word's own power (the window's less the bed's) against
    // the bed just before it, on the speaker's side.
    const auto words =
        Lines(run, {R"("ev":"play","bank":"DXWaveList1")", R"("wait":true,"looped":false)"});
    ASSERT_GE(words.size(), 2u);
    for (const auto& [line, least] : {std::pair{words[0], 8.0}, {words[1], 6.0}}) {
        const uint64_t t = TimeOf(line);
        const auto at = line.find(R"("item":")") + 8;
        const uint64_t ms = game.at(line.substr(at, line.find('"', at) - at));
        const double bed = cap.PowerDb(0, t - 250, t);
        const double both = cap.PowerDb(0, t, t + ms);
        const double word = 10 * std::log10(std::pow(10, both / 10) - std::pow(10, bed / 10));
        EXPECT_GE(word - bed, least) << line;
    }
}

} // namespace
