// SPDX-License-Identifier: GPL-3.0-or-later
// mainmenu: the main menu window — the application's main window, whose close ends the
// program after a farewell — and every spoken menu below it: the game against the computer,
// the network game, the replays and the settings. A submenu is a page of the window's one
// list box; Esc goes back to the page above, speaking it.
//
// Index:
//   - MenuActions: what the menus ask of the program
//   - MenuEntry, MenuPage: one spoken list and what its keys do
//   - Tmainmenuform: the window, its handlers, the pages
//
// The greeting and the first page's four old entries keep their items ("mainmenusp",
// "startgameitemsp" ...); a bank without them makes each handler fail with "Wave '...' not
// found" in the error box, and stop there.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Speaker.h"
#include "app/SpokenListForm.h"
#include "app/UserSettings.h"
#include "input/FrameInput.h"
#include "settings/Texts.h"

namespace vl::match {
class TForm1;
}

namespace vl::app {

class Tguideform;

// What the menus ask of the program (Program answers).
class MenuActions {
public:
    virtual ~MenuActions() = default;
    virtual UserSettings& Settings() = 0;
    // A setting changed: the mixer's volumes, the keys.
    virtual void SettingsChanged() = 0;
    // A match with the person on the left, the computer on the right at `level`.
    virtual void PlayComputer(int level) = 0;
    // Hosts a duel on the settings' port; false after an error box.
    virtual bool Host() = 0;
    // This machine's addresses for the opponent to type.
    virtual std::vector<std::string> LocalAddresses() = 0;
    // Joins the duel at `address` ("host" or "host:port"); false after an error box.
    virtual bool Join(const std::string& address) = 0;
    // A duel asked for from the menu that has not begun is given up.
    virtual void CancelDuel() = 0;
    // The user's replays, newest first.
    virtual std::vector<std::filesystem::path> Replays() = 0;
    // Plays a replay in the match window; false after an error box.
    virtual bool PlayReplay(const std::filesystem::path& file) = 0;
};

// One entry of a spoken list: what it shows and the items that say it.
struct MenuEntry {
    std::string text;
    std::vector<std::string> words;
};

// One spoken list and what its keys do (an empty function: the key does nothing there).
struct MenuPage {
    std::string greeting; // the item said as the page opens
    std::vector<MenuEntry> entries;
    std::function<void(int index)> enter;            // Enter, a double click, pad A
    std::function<void(int index, int step)> change; // Left -1, Right +1
    std::function<void(int index)> remove;           // Delete
    std::function<bool(uint8_t vk)> capture;         // every key first; true: taken
    std::function<bool(char32_t ch)> type;           // typed characters; true: taken
    // Esc leaves the page: what to say before the page above's entry (none: its greeting).
    std::function<std::vector<std::string>()> leave;
    int selected = 0;
};

class Tmainmenuform final : public TSpokenListForm {
public:
    // Builds the window and its components and opens the sound device (AutoInitialize).
    // Throws what the device's opening throws other than EDirectSoundError: the window
    // cannot be created then. FormCreate is left to the caller (through the boundary).
    explicit Tmainmenuform(const sound::WindowContext& context);

    // What "Start hry" does instead of starting a match here (a duel over the network
    // starts it on both machines); none: the match starts here.
    std::function<void()> OnStartGame;

    // The windows the entries lead to and the program behind the menus; set once they exist.
    void SetWindows(match::TForm1* form1, Tguideform* guide) { form1_ = form1, guide_ = guide; }
    void SetActions(MenuActions* actions) { actions_ = actions; }

    // Handlers, as the toolkit calls them.
    void FormCreate() { LoadBank(); }
    void FormActivate();
    // False while a replay of --replay plays: the menu stays silent behind it.
    bool Greets = true;
    void mainmenulistClick();
    void mainmenulistKeyDown(uint8_t& vk);
    void mainmenulistKeyPress(char32_t& key);
    void mainmenulistDblClick();
    void FormClose();

    // Says `items` one after another, cutting off whatever the menu was saying.
    void Say(std::vector<std::string> items) { speaker_.Say(std::move(items)); }
    // A game controller came or went: its player hears it.
    void SayPad(input::Side side, bool plugged);
    // The page shown now (0: the main menu).
    size_t Depth() const { return pages_.size() - 1; }

    static constexpr std::array<std::string_view, 8> kEntrySounds{
        "startgameitemsp",   "computergameitemsp", "netgameitemsp",  "testspeakersitemsp",
        "soundsguideitemsp", "replaysitemsp",      "settingsitemsp", "endgameitemsp"};

    // The form data's names of the shared parts.
    platform::ListBox& mainmenulist = list;
    sound::TDXSound& DXSoundmenu = device;
    sound::TDXWaveList& DXWaveListmenu = bank;

private:
    // --- pages ------------------------------------------------------------------------
    MenuPage MainPage();
    MenuPage ComputerPage();
    MenuPage NetworkPage();
    MenuPage AddressPage();
    MenuPage ReplaysPage();
    MenuPage ConfirmDeletePage(const std::filesystem::path& file, const MenuEntry& entry);
    MenuPage SettingsPage();
    MenuPage KeysPage(input::Side side);
    std::vector<MenuEntry> SettingsEntries();
    std::vector<MenuEntry> KeysEntries(input::Side side);
    void MainEnter(int index);

    // Opens `page` below the one shown, at entry `selected`, saying its greeting and entry.
    void Open(MenuPage page, int selected = 0);
    // Back to the page above (Esc), saying it.
    void Back();
    // The page shown now gets `entries`, the selection staying where it is.
    void Refresh(std::vector<MenuEntry> entries);
    // Says `words`, then the selected entry of the page shown.
    void SayPage(std::vector<std::string> words);
    void ShowPage(int selected);
    MenuPage& Page() { return pages_.back(); }

    // --- words -----------------------------------------------------------------------
    MenuEntry Entry(std::vector<std::string> words) const;         // shown as the items' words
    std::vector<std::string> Number(int value) const;              // a number's word items
    std::vector<std::string> KeyWords(uint8_t vk) const;           // a key's name
    std::vector<std::string> CharWords(char32_t ch) const;         // a typed character
    std::vector<std::string> Spell(const std::string& text) const; // character by character

    const settings::Language& language_;
    match::TForm1* form1_ = nullptr;
    Tguideform* guide_ = nullptr;
    MenuActions* actions_ = nullptr;
    Speaker speaker_;
    std::vector<MenuPage> pages_; // pages_[0] the main menu
    std::string address_;         // the address being typed
    bool resume_ = false;         // the next activation comes back from a replay of the list
    bool swallowChar_ = false;    // a captured key's character is still to come
};

} // namespace vl::app
