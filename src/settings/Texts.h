// SPDX-License-Identifier: GPL-3.0-or-later
// Texts: everything the program shows by name — window titles, list entries, message boxes,
// the usage of --help — in one table per language. The spoken items are the banks' (the sound
// items keep one name in every language); these are the words on the screen and in the boxes.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace vl::settings {

inline constexpr size_t kGuideEntryCount = 20;

// A spoken item of the menu bank and the words it says, as a list box shows them.
struct MenuWord {
    std::string_view item, text;
};
#include "settings/MenuWords.inc"

struct Texts {
    std::string_view matchTitle; // the match window's title
    std::string_view menuTitle;
    std::string_view guideTitle;
    // The menu bank's items and their words (assets/lang/<code>/menu.txt).
    std::span<const MenuWord> menuWords;
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
    // What --help prints, and the tail of a refused command line.
    std::string_view usage;
};

inline constexpr Texts kCzechTexts{
    .matchTitle = "Vlnedla",
    .menuTitle = "Hlavní menu",
    .guideTitle = "Průvodce zvuky",
    .menuWords = kMenuWords_cs,
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
    .usage = "Usage: vlnedla [OPTION]...\n"
             "Souboj dvou vlnedel hraný po sluchu.\n"
             "Bez přepínačů začne hra mluveným hlavním menu; svá data čte ze složek snd/ a\n"
             "pics/ v aktuální složce.\n"
             "\n"
             "  -h, --help     vypíše tuto nápovědu a skončí\n"
             "      --version  vypíše verzi a skončí\n"
             "      --language CODE\n"
             "                 jazyk menu a řeči CODE: cs (čeština) nebo en (angličtina); bez\n"
             "                 něj rozhoduje položka language v souboru nastavení, potom\n"
             "                 prostředí (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), jinak čeština\n"
             "      --record FILE\n"
             "                 zapíše záznam příští hry do souboru FILE místo do složky\n"
             "                 záznamů\n"
             "      --replay FILE\n"
             "                 přehraje hru ze záznamu FILE a skončí; mezerník ji pozastaví,\n"
             "                 Esc ukončí\n"
             "      --render OUT\n"
             "                 s --replay: zapíše zvuk hry bez okna do souboru OUT, WAV\n"
             "                 (OUT.wav) nebo Ogg Opus (OUT.opus)\n"
             "      --computer SIDE[:LEVEL]\n"
             "                 počítač řídí vlnedlo na straně SIDE (left vlevo, right vpravo)\n"
             "                 v každé hře, na úrovni LEVEL 1 (začátečník) až 5 (nejtěžší),\n"
             "                 bez ní 3; 0 je cvičný terč, který jen pomalu létá nahoru a\n"
             "                 dolů; zadáno pro obě strany hraje počítač sám se sebou\n"
             "      --host [PORT]\n"
             "                 čeká na soupeře z jiného počítače, který se připojí po síti\n"
             "                 (UDP port PORT, bez něj 27461); hrajete vlevo\n"
             "      --join HOST[:PORT]\n"
             "                 připojí se k soupeři, který hru založil na počítači HOST;\n"
             "                 hrajete vpravo\n",
};

inline constexpr Texts kEnglishTexts{
    .matchTitle = "Vlnedla",
    .menuTitle = "Main menu",
    .guideTitle = "Sound guide",
    .menuWords = kMenuWords_en,
    .guideEntries = {"Hovercraft standing",
                     "Hovercraft moving",
                     "Cannon",
                     "Missile",
                     "Machine gun",
                     "Out of ammunition",
                     "Magnet",
                     "Energy critical",
                     "Hit",
                     "Navigation of the left hovercraft",
                     "Navigation of the right hovercraft",
                     "An obstacle ahead of the left hovercraft",
                     "An obstacle ahead of the right hovercraft",
                     "Obstacles appear",
                     "Obstacle not shot down",
                     "A weapon or energy appears",
                     "Position of the weapon or energy",
                     "Weapon or energy collected",
                     "Weapon or energy shot down",
                     "Back to the main menu"},
    .displayFailure = "DirectX is not installed correctly",
    .dataMissing = "The game did not find its data (snd\\menu.dat, snd\\guide.dat, snd\\game.dat, "
                   "pics\\game.dat) in the folder ",
    .duelRefused = "The opponent has another version of the game or other data. The network game "
                   "cannot start.",
    .duelNoHost = "The opponent could not be reached: ",
    .duelDesync = "The game went apart on the two computers and was ended. The state of both is "
                  "in the file ",
    .usage = "Usage: vlnedla [OPTION]...\n"
             "A two-player hovercraft duel played by ear.\n"
             "Without options the game starts with its spoken main menu; it reads its data\n"
             "from snd/ and pics/ in the current folder.\n"
             "\n"
             "  -h, --help     show this help and end\n"
             "      --version  show the version and end\n"
             "      --language CODE\n"
             "                 the language of the menus and the speech: cs (Czech) or en\n"
             "                 (English); without it the settings file's language, then the\n"
             "                 environment (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) decide, else\n"
             "                 Czech\n"
             "      --record FILE\n"
             "                 write the next match's replay to FILE instead of the replays\n"
             "                 folder\n"
             "      --replay FILE\n"
             "                 play the match kept in FILE again and end; Space pauses it,\n"
             "                 Esc ends it\n"
             "      --render OUT\n"
             "                 with --replay: write the match's sound to OUT without a window,\n"
             "                 as WAV (OUT.wav) or Ogg Opus (OUT.opus)\n"
             "      --computer SIDE[:LEVEL]\n"
             "                 the computer plays the craft of SIDE (left or right) in every\n"
             "                 match, at LEVEL 1 (beginner) to 5 (hardest), 3 if none is given;\n"
             "                 0 is a practice target that only flies slowly up and down; give\n"
             "                 it once for each side to watch the computer play itself\n"
             "      --host [PORT]\n"
             "                 wait for an opponent on another machine, who joins over the\n"
             "                 network (UDP port PORT, 27461 if none is given); you play left\n"
             "      --join HOST[:PORT]\n"
             "                 join the opponent who hosts on HOST; you play right\n",
};

// The words of the menu item `item` in `texts`' language; the item's name when it has none.
constexpr std::string_view MenuWordOf(const Texts& texts, std::string_view item) {
    for (const MenuWord& w : texts.menuWords)
        if (w.item == item) return w.text;
    return item;
}

} // namespace vl::settings
