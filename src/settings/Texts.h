// SPDX-License-Identifier: GPL-3.0-or-later
// Texts: everything the program shows by name — window titles, list entries, message boxes —
// in one table per language. The spoken items are the banks' (the sound items keep one name
// in every language); these are the words on the screen and in the boxes.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace vl::settings {

inline constexpr size_t kMenuEntryCount = 4;
inline constexpr size_t kGuideEntryCount = 20;

struct Texts {
    std::string_view matchTitle; // the match window's title
    std::string_view menuTitle;
    std::string_view guideTitle;
    std::array<std::string_view, kMenuEntryCount> menuEntries;
    std::array<std::string_view, kGuideEntryCount> guideEntries;
    // The match's one message: the display cannot draw.
    std::string_view displayFailure;
    // None of the data files is where the program looks (the folder follows).
    std::string_view dataMissing;
    // The duel's messages: a host with other data or version refused us; the host could
    // not be reached (the address follows); the two machines' states differ (the file
    // follows).
    std::string_view duelRefused;
    std::string_view duelNoHost;
    std::string_view duelDesync;
};

inline constexpr Texts kCzechTexts{
    .matchTitle = "Vlnedla",
    .menuTitle = "Hlavní menu",
    .guideTitle = "Průvodce zvuky",
    .menuEntries = {"Start hry", "Test reproduktorů", "Průvodce zvuky", "Konec hry"},
    .guideEntries = {"Vlnedlo stojí",
                     "Pohyb vlnedla",
                     "Kanón",
                     "Raketa",
                     "Kulomet",
                     "Nejsou náboje",
                     "Magnet",
                     "Energie na kritické hodnotě",
                     "Zásah",
                     "Navigační systém levého vlnedla",
                     "Navigační systém pravého vlnedla",
                     "Před levým vlnedlem je předmět",
                     "Před pravým vlnedlem je předmět",
                     "Objevení předmětů",
                     "Předmět nebyl sestřelen",
                     "Objevení zbraně nebo energie",
                     "Pozice zbraně nebo energie",
                     "Získání zbraně nebo energie",
                     "Zbraň nebo energie sestřelena",
                     "Návrat do hlavního menu"},
    .displayFailure = "Chybná instalace DirectX",
    .dataMissing = "Hra nenašla svá data (snd\\menu.dat, snd\\guide.dat, snd\\game.dat, "
                   "pics\\game.dat) ve složce ",
    .duelRefused = "Soupeř má jinou verzi hry nebo jiná data. Hru po síti nelze začít.",
    .duelNoHost = "Soupeře se nepodařilo zastihnout: ",
    .duelDesync = "Hra se na obou počítačích rozešla a byla ukončena. Stav obou je v souboru ",
};

// The texts of the language the program runs in (Czech: the only one so far).
constexpr const Texts& CurrentTexts() {
    return kCzechTexts;
}

} // namespace vl::settings
