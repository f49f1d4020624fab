// SPDX-License-Identifier: GPL-3.0-or-later
// sim_trace_test: a busy script's whole trace compared byte for byte with the one recorded
// in tests/app/golden, so that reshaping the match's code cannot change what it does.
//
// The banks are the tests' own tones (no speech), so the trace depends only on the program
// and the generated pictures. After a change that is meant to change the match, record it
// anew with VL_UPDATE_GOLDEN=1 and say why in the commit.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "app/sim_support.h"
#include "support/bank_builder.h"
#include "support/match_data.h"

namespace {

namespace fs = std::filesystem;
using vl::simtest::Sim;

const fs::path kGolden = fs::path(VL_SOURCE_DIR) / "tests" / "app" / "golden" / "busy_match.trace";

void WriteToneBank(const fs::path& file, std::initializer_list<const char*> names) {
    std::vector<vl::testing::BankItem> items;
    for (const char* n : names)
        items.push_back({.name = n,
                         .looped = false,
                         .wave = vl::testing::SineWave({.frames = 2205, .amplitude = 0.1})});
    const std::vector<uint8_t> bank = vl::testing::BuildBank(items);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bank.data()),
               static_cast<std::streamsize>(bank.size()));
}

// Two matches of both players moving, firing every weapon, collecting and shooting
// pickups, asking for counters; the first closed with Esc, the second ended by a hit.
constexpr const char* kScript = R"(wait 300
press ENTER
wait 100
down E
down DOWN
wait 400
press SPACE
press 0x60
wait 300
up E
down C
press TAB
press 0x25
wait 200
press X
press 0x10
press 1
press NUMPAD4
wait 700
up C
up DOWN
down UP
wait 500
up UP
press F
press 0x0D
wait 12000
press SPACE
press F
press 0x0D
wait 9000
press TAB
press X
wait 9000
press SPACE
press 2
dump
press ESCAPE
wait 400
press ENTER
wait 300
set right.energy 10
down C
wait 3300
up C
press SPACE
wait 1000
dump
)";

TEST(SimTrace, BusyScriptGivesTheRecordedTraceByteForByte) {
    const fs::path work = fs::path(VL_BINARY_DIR) / "test-app-trace" / std::to_string(getpid());
    const fs::path data = vl::testing::WriteMatchData(work / "data");
    if (!fs::exists(data / "pics" / "game.dat")) GTEST_SKIP() << "no generated pictures";
    WriteToneBank(data / "snd" / "menu.dat",
                  {"mainmenusp", "startgameitemsp", "computergameitemsp", "netgameitemsp",
                   "testspeakersitemsp", "soundsguideitemsp", "replaysitemsp", "settingsitemsp",
                   "endgameitemsp", "endofgamesp", "testspeakers"});
    WriteToneBank(
        data / "snd" / "guide.dat",
        {"introguidesp",        "levitstanditemsp",  "levitrunitemsp",  "bulletitemsp",
         "missileitemsp",       "machgunitemsp",     "emptygunitemsp",  "magnetitemsp",
         "alertitemsp",         "hititemsp",         "navigleftitemsp", "navigrightitemsp",
         "objectleftitemsp",    "objectrightitemsp", "objectappitemsp", "objectnotdestroyeditemsp",
         "weapappitemsp",       "navigweapitemsp",   "getweapitemsp",   "weapdestroyitemsp",
         "returnmainmenuitemsp"});

    // The same run's data and script for another build of the simulator (the Windows one,
    // under Wine), which must give the very same trace.
    if (const char* kit = std::getenv("VL_TRACE_KIT")) {
        fs::create_directories(kit);
        fs::copy(data, fs::path(kit) / "data",
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        std::ofstream(fs::path(kit) / "script.txt", std::ios::binary) << kScript;
    }
    const vl::simtest::SimRun run = Sim(work, data, kScript);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::string trace;
    for (const std::string& l : run.lines) trace += l + "\n";
    if (std::getenv("VL_UPDATE_GOLDEN")) {
        fs::create_directories(kGolden.parent_path());
        std::ofstream(kGolden, std::ios::binary) << trace;
    }
    std::ifstream in(kGolden, std::ios::binary);
    const std::string golden{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(golden.empty()) << "no recorded trace at " << kGolden;
    // Both dumps must show what the script meant: a match under way, then one ended.
    EXPECT_NE(trace.find("\"gamerunning\":true"), std::string::npos);
    EXPECT_NE(trace.find("\"gamerunning\":false"), std::string::npos);
    if (trace != golden) {
        size_t i = 0;
        while (i < trace.size() && i < golden.size() && trace[i] == golden[i]) ++i;
        const size_t from = trace.rfind('\n', i) == std::string::npos ? 0 : trace.rfind('\n', i);
        FAIL() << "the trace differs from " << kGolden << " at byte " << i
               << ":\n  now:    " << trace.substr(from, 200)
               << "\n  golden: " << golden.substr(from, 200);
    }
    std::error_code ec;
    fs::remove_all(work, ec);
}

} // namespace
