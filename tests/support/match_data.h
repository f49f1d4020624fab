// SPDX-License-Identifier: GPL-3.0-or-later
// match_data: a data folder for match tests — a match bank of short tones holding every item
// the match looks up (looped where the match expects it), beside the generated pictures and
// the other banks.
//
//   const auto dir = vl::testing::WriteMatchData(tmp);   // dir/snd/game.dat, dir/pics/...
//
// The tones keep waits short and exact: words 100 ms, everything else 50 ms.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/bank_builder.h"

namespace vl::testing {

inline std::vector<std::string> MatchLoopedItems() {
    return {"tankstoji", "tankjede",  "tankstoji2", "tankjede2", "navig1",
            "navig2",    "alertleft", "alertright", "navigweap"};
}

inline std::vector<std::string> MatchWordItems() {
    std::vector<std::string> words;
    for (int i = 0; i <= 20; ++i) words.push_back(std::to_string(i));
    for (int i = 30; i <= 90; i += 10) words.push_back(std::to_string(i));
    for (const char* w : {"dva", "sto", "sta", "set", "tisic", "tisice", "milion", "miliony",
                          "milionu", "energysp", "bulletsp", "missilesp", "machgunsp"})
        words.emplace_back(w);
    return words;
}

inline std::vector<std::string> MatchEffectItems() {
    return {"snavigleft", "snavigright", "explos",   "gun",   "missile",
            "machgun",    "magnet",      "emptygun", "hit",   "machgunhitobject",
            "getweap",    "explweap",    "glass",    "alarm", "phone",
            "camera",     "objapp",      "weapapp"};
}

// The bank file: 22050 Hz mono tones; `leaveOut` names an item to omit.
inline std::vector<uint8_t> MatchBank(const std::string& leaveOut = "") {
    std::vector<BankItem> items;
    const auto add = [&](const std::string& name, uint32_t ms, bool looped) {
        if (name == leaveOut) return;
        items.push_back({.name = name,
                         .looped = looped,
                         .wave = SineWave({.frames = 22050 * ms / 1000, .amplitude = 0.1})});
    };
    for (const auto& n : MatchLoopedItems()) add(n, 50, true);
    for (const auto& n : MatchWordItems()) add(n, 100, false);
    for (const auto& n : MatchEffectItems()) add(n, 50, false);
    return BuildBank(items);
}

// Makes dir/snd/game.dat (the tone bank) and copies whatever of pics/game.dat,
// snd/menu.dat and snd/guide.dat the generated data folder has. Returns dir.
inline std::filesystem::path WriteMatchData(const std::filesystem::path& dir,
                                            const std::string& leaveOut = "") {
    namespace fs = std::filesystem;
    fs::create_directories(dir / "snd");
    fs::create_directories(dir / "pics");
    const std::vector<uint8_t> bank = MatchBank(leaveOut);
    std::ofstream(dir / "snd" / "game.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(bank.data()),
               static_cast<std::streamsize>(bank.size()));
    const fs::path data(VL_DATA_DIR);
    for (const char* f : {"pics/game.dat", "snd/menu.dat", "snd/guide.dat"}) {
        std::error_code ec;
        if (fs::exists(data / f))
            fs::copy_file(data / f, dir / f, fs::copy_options::overwrite_existing, ec);
    }
    return dir;
}

} // namespace vl::testing
