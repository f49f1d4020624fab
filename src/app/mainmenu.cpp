// SPDX-License-Identifier: GPL-3.0-or-later
// mainmenu: the main menu's form data and handlers, and its pages.
//
// Index:
//   - form data, handlers
//   - page stack: Open, Back, Refresh
//   - pages: main, computer, network, address, replays, settings, keys
//   - words: numbers, keys, characters
#include "app/mainmenu.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>

#include "app/soundsguide.h"
#include "base/Check.h"
#include "input/ActionTable.h"
#include "match/ComputerPlayer.h"
#include "match/Unit1.h"
#include "platform/Keys.h"
#include "settings/Resources.h"

namespace vl::app {

namespace {

constexpr uint8_t kVkDelete = 0x2E;

// The form data in the window's language.
SpokenListLayout Layout(const settings::Texts& texts) {
    std::vector<std::string> entries;
    entries.reserve(Tmainmenuform::kEntrySounds.size());
    for (const std::string_view item : Tmainmenuform::kEntrySounds)
        entries.emplace_back(settings::MenuWordOf(texts, item));
    return {
        .formName = "mainmenuform",
        .caption = texts.menuTitle,
        .listName = "mainmenulist",
        .listLeft = 216,
        .listTop = 136,
        .listWidth = 121,
        .listHeight = 97,
        .autoComplete = false,
        .bankName = "DXWaveListmenu",
        .bankFile = settings::kMenuBank,
        .greeting = "mainmenusp",
        .entries = std::move(entries),
        .entrySounds = Tmainmenuform::kEntrySounds,
    };
}

// "2026-12-10_14-05-33_computer.vlr" (a "-2" may follow the seconds): the replay's date,
// time and mode; false for another name.
struct ReplayName {
    int year, month, day, hour, minute, second;
    std::string mode;
};
bool ReadReplayName(const std::string& stem, ReplayName& out) {
    char mode[16] = {};
    if (std::sscanf(stem.c_str(), "%4d-%2d-%2d_%2d-%2d-%2d_%15[a-z]", &out.year, &out.month,
                    &out.day, &out.hour, &out.minute, &out.second, mode) != 7)
        return false;
    out.mode = mode;
    return out.month >= 1 && out.month <= 12 && out.day >= 1 && out.day <= 31 && out.hour < 24 &&
           out.minute < 60;
}

std::string ActionItem(input::Action action) {
    std::string name(input::ActionName(action));
    std::erase(name, '_');
    return "act" + name + "sp";
}

} // namespace

// --- form data, handlers -------------------------------------------------------------

Tmainmenuform::Tmainmenuform(const sound::WindowContext& context)
    : TSpokenListForm(context, Layout(context.language.texts)), language_(context.language),
      speaker_(context.toolkit, bank) {
    pages_.push_back(MainPage());
    form.OnCreate = [this] { FormCreate(); };
    form.OnActivate = [this] { FormActivate(); };
    form.OnClose = [this] { FormClose(); };
    mainmenulist.OnClick = [this] { mainmenulistClick(); };
    mainmenulist.OnDblClick = [this] { mainmenulistDblClick(); };
    mainmenulist.OnKeyDown = [this](uint8_t& vk) { mainmenulistKeyDown(vk); };
    mainmenulist.OnKeyPress = [this](char32_t& key) { mainmenulistKeyPress(key); };
}

void Tmainmenuform::FormActivate() {
    if (resume_) { // back from a replay of the list: the list again
        resume_ = false;
        ShowPage(Page().selected);
        SayPage({Page().greeting});
        return;
    }
    if (!Greets) return;
    pages_.resize(1);
    ShowPage(0);
    speaker_.Stop();
    bank.Items().Find("mainmenusp").Play(true);
    Say({std::string(kEntrySounds.front())});
}

void Tmainmenuform::mainmenulistClick() {
    const int index = mainmenulist.ItemIndex();
    if (index < 0 || index >= static_cast<int>(Page().entries.size())) return;
    Page().selected = index;
    if (pages_.size() == 1) { // the main menu stops every entry's sound in table order
        speaker_.Release();
        StopEntrySounds();
    }
    Say(Page().entries[static_cast<size_t>(index)].words);
}

void Tmainmenuform::mainmenulistKeyDown(uint8_t& vk) {
    // Copies: a page's handler may open or close pages, its own among them.
    const std::function<bool(uint8_t)> capture = Page().capture;
    if (capture && capture(vk)) {
        // The character the key makes is the capture's too.
        swallowChar_ = platform::CharForVirtualKey(vk, false).has_value();
        vk = 0;
        return;
    }
    const int index = mainmenulist.ItemIndex();
    switch (vk) {
    case platform::kVkEscape:
        if (pages_.size() > 1) Back();
        vk = 0;
        return;
    case platform::kVkLeft:
    case platform::kVkRight:
        if (const std::function<void(int, int)> change = Page().change) {
            if (index >= 0) change(index, vk == platform::kVkLeft ? -1 : 1);
            vk = 0;
        }
        return;
    case kVkDelete:
        if (const std::function<void(int)> remove = Page().remove; remove && index >= 0)
            remove(index);
        vk = 0;
        return;
    default:
        return;
    }
}

void Tmainmenuform::mainmenulistKeyPress(char32_t& key) {
    if (swallowChar_) {
        swallowChar_ = false;
        key = 0;
        return;
    }
    const std::function<bool(char32_t)> type = Page().type; // it may close its page
    if (type && type(key)) {
        key = 0;
        return;
    }
    if (key == U'\r') {
        key = 0;
        mainmenulistDblClick();
    } else if (key == U'\x1b') {
        key = 0; // Esc was the key-down's
    }
}

void Tmainmenuform::mainmenulistDblClick() {
    const int index = mainmenulist.ItemIndex();
    if (pages_.size() == 1) {
        speaker_.Release();
        StopEntrySounds();
        MainEnter(index);
        return;
    }
    const std::function<void(int)> enter = Page().enter; // it may close its page
    if (index >= 0 && enter) enter(index);
}

void Tmainmenuform::FormClose() {
    speaker_.Release();
    StopEntrySounds();
    DXWaveListmenu.Items().Find("endofgamesp").Play(true);
}

void Tmainmenuform::SayPad(input::Side side, bool plugged) {
    const bool left = side == input::Side::Left;
    Say({plugged ? (left ? "padleftonsp" : "padrightonsp")
                 : (left ? "padleftoffsp" : "padrightoffsp")});
}

// --- page stack ----------------------------------------------------------------------

void Tmainmenuform::ShowPage(int selected) {
    std::vector<std::string> texts;
    for (const MenuEntry& e : Page().entries) texts.push_back(e.text);
    if (texts != mainmenulist.Items()) mainmenulist.SetItems(std::move(texts));
    selected = std::clamp(selected, 0, std::max(0, static_cast<int>(Page().entries.size()) - 1));
    Page().selected = selected;
    mainmenulist.SetItemIndex(selected);
}

void Tmainmenuform::Open(MenuPage page, int selected) {
    VL_CHECK(!page.entries.empty(), "a spoken list has an entry");
    pages_.push_back(std::move(page));
    ShowPage(selected);
    SayPage({Page().greeting});
}

void Tmainmenuform::SayPage(std::vector<std::string> words) {
    const auto& entry = Page().entries[static_cast<size_t>(Page().selected)].words;
    words.insert(words.end(), entry.begin(), entry.end());
    Say(std::move(words));
}

void Tmainmenuform::Back() {
    std::vector<std::string> words;
    if (Page().leave) words = Page().leave();
    pages_.pop_back();
    ShowPage(Page().selected);
    if (words.empty()) words.push_back(pages_.size() == 1 ? "mainmenusp" : Page().greeting);
    SayPage(std::move(words));
}

void Tmainmenuform::Refresh(std::vector<MenuEntry> entries) {
    Page().entries = std::move(entries);
    ShowPage(Page().selected);
}

// --- pages ---------------------------------------------------------------------------

MenuPage Tmainmenuform::MainPage() {
    MenuPage page;
    page.greeting = "mainmenusp";
    for (const std::string_view item : kEntrySounds)
        page.entries.push_back(Entry({std::string(item)}));
    return page;
}

void Tmainmenuform::MainEnter(int index) {
    switch (index) {
    case 0:
        if (OnStartGame) {
            OnStartGame();
        } else if (form1_) {
            // A match already open is only brought to the front: a second start would leave
            // the first match's craft and shots on the field.
            if (!form1_->form.Visible()) form1_->startmatch(); // runs before the window shows
            form1_->form.Show();
        }
        break;
    case 1:
        if (actions_)
            Open(ComputerPage(), actions_->Settings().Get(UserSettings::Number::ComputerLevel));
        break;
    case 2:
        if (actions_) Open(NetworkPage());
        break;
    case 3:
        DXWaveListmenu.Items().Find("testspeakers").Play(true);
        break;
    case 4:
        if (guide_) guide_->form.Show();
        break;
    case 5:
        if (actions_) Open(ReplaysPage());
        break;
    case 6:
        if (actions_) Open(SettingsPage());
        break;
    case 7:
        form.Close();
        break;
    default:
        break; // nothing selected
    }
}

MenuPage Tmainmenuform::ComputerPage() {
    MenuPage page;
    page.greeting = "computergameitemsp";
    for (int level = match::kPracticeLevel; level <= match::kComputerLevels; ++level)
        page.entries.push_back(Entry({"level" + std::to_string(level) + "sp"}));
    page.enter = [this](int index) {
        speaker_.Stop();
        actions_->PlayComputer(index);
    };
    return page;
}

MenuPage Tmainmenuform::NetworkPage() {
    MenuPage page;
    page.greeting = "netgameitemsp";
    page.entries = {Entry({"hostgameitemsp"}), Entry({"joingameitemsp"})};
    page.enter = [this](int index) {
        if (index == 1) {
            address_ = actions_->Settings().JoinAddress();
            Open(AddressPage());
            return;
        }
        if (!actions_->Host()) return;
        std::vector<std::string> words{"netwaitsp"};
        const std::vector<std::string> addresses = actions_->LocalAddresses();
        if (addresses.empty()) words.emplace_back("noaddresssp");
        for (const std::string& address : addresses) {
            words.emplace_back("hostaddresssp");
            const auto said = Spell(address);
            words.insert(words.end(), said.begin(), said.end());
        }
        Say(std::move(words));
    };
    page.leave = [this] {
        actions_->CancelDuel();
        return std::vector<std::string>();
    };
    return page;
}

MenuPage Tmainmenuform::AddressPage() {
    MenuPage page;
    page.greeting = "typeaddresssp";
    const auto shown = [this] {
        MenuEntry e;
        e.text = address_;
        e.words = Spell(address_);
        if (e.words.empty()) e.words.emplace_back("emptysp");
        return e;
    };
    page.entries = {shown()};
    page.type = [this, shown](char32_t ch) {
        if (ch == U'\b') {
            if (address_.empty()) {
                Say({"emptysp"});
            } else {
                const char removed = address_.back();
                address_.pop_back();
                Say(CharWords(static_cast<unsigned char>(removed)));
            }
        } else if (ch == U'\r') {
            if (address_.empty()) {
                Say({"emptysp"});
                return true;
            }
            actions_->Settings().SetJoinAddress(address_);
            speaker_.Stop();
            actions_->Join(address_);
            return true;
        } else if (ch < 128 && (std::isalnum(static_cast<int>(ch)) != 0 || ch == U'.' ||
                                ch == U':' || ch == U'-')) {
            if (address_.size() >= 255) return true;
            address_.push_back(static_cast<char>(ch));
            Say(CharWords(ch));
        } else {
            return ch >= 32; // other characters are not part of an address
        }
        Refresh({shown()});
        return true;
    };
    return page;
}

MenuPage Tmainmenuform::ReplaysPage() {
    MenuPage page;
    page.greeting = "replaysitemsp";
    std::vector<std::filesystem::path> files;
    for (const std::filesystem::path& file : actions_->Replays()) {
        ReplayName name{};
        if (!ReadReplayName(file.stem().string(), name)) continue;
        MenuEntry e;
        std::vector<std::string> words = Number(name.day);
        const auto add = [&words](const std::vector<std::string>& more) {
            words.insert(words.end(), more.begin(), more.end());
        };
        add(Number(name.month));
        add(Number(name.year));
        add(Number(name.hour));
        add(name.minute == 0 ? std::vector<std::string>{"0", "0"} : Number(name.minute));
        words.push_back("mode" + name.mode + "sp");
        char text[64];
        std::snprintf(text, sizeof text, "%d. %d. %d %02d:%02d:%02d ", name.day, name.month,
                      name.year, name.hour, name.minute, name.second);
        e.text = text + std::string(settings::MenuWordOf(language_.texts, words.back()));
        e.words = std::move(words);
        page.entries.push_back(std::move(e));
        files.push_back(file);
    }
    if (page.entries.empty()) {
        page.entries.push_back(Entry({"noreplayssp"}));
        return page;
    }
    page.enter = [this, files](int index) {
        speaker_.Stop();
        resume_ = true;
        if (!actions_->PlayReplay(files[static_cast<size_t>(index)])) resume_ = false;
    };
    page.remove = [this, files](int index) {
        Open(ConfirmDeletePage(files[static_cast<size_t>(index)],
                               Page().entries[static_cast<size_t>(index)]));
    };
    return page;
}

MenuPage Tmainmenuform::ConfirmDeletePage(const std::filesystem::path& file,
                                          const MenuEntry& entry) {
    MenuPage page;
    page.greeting = "deletereplaysp";
    page.entries = {entry};
    page.enter = [this, file](int) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
        if (ec)
            std::fprintf(stderr, "vlnedla: cannot delete %s: %s\n", file.string().c_str(),
                         ec.message().c_str());
        const int at = pages_[pages_.size() - 2].selected;
        pages_.pop_back();
        pages_.back() = ReplaysPage();
        ShowPage(at);
        SayPage({"deletedsp"});
    };
    page.leave = [] { return std::vector<std::string>{"keptsp"}; };
    return page;
}

std::vector<MenuEntry> Tmainmenuform::SettingsEntries() {
    const UserSettings& s = actions_->Settings();
    using N = UserSettings::Number;
    std::vector<MenuEntry> entries;
    const auto volume = [&](const char* item, N n) {
        std::vector<std::string> words{item};
        const auto number = Number(s.Get(n));
        words.insert(words.end(), number.begin(), number.end());
        words.emplace_back("percentsp");
        MenuEntry e = Entry(std::move(words));
        e.text = std::string(settings::MenuWordOf(language_.texts, item)) + ": " +
                 std::to_string(s.Get(n)) + " %";
        return e;
    };
    entries.push_back(volume("volumesp", N::Volume));
    entries.push_back(volume("speechvolumesp", N::SpeechVolume));
    entries.push_back(volume("effectsvolumesp", N::EffectsVolume));
    entries.push_back(volume("continuousvolumesp", N::ContinuousVolume));
    entries.push_back(Entry({"reversestereosp", s.ReverseStereo() ? "onsp" : "offsp"}));
    const std::string code = s.Language().empty() ? std::string(language_.code) : s.Language();
    entries.push_back(Entry({"languagesp", "language" + code + "sp"}));
    entries.push_back(
        Entry({"computerlevelsp", "level" + std::to_string(s.Get(N::ComputerLevel)) + "sp"}));
    entries.push_back(Entry({"leftkeyssp"}));
    entries.push_back(Entry({"rightkeyssp"}));
    entries.push_back(Entry({"restorekeyssp"}));
    entries.push_back(Entry({"padssp", s.SwapPads() ? "padsswappedsp" : "padsnormalsp"}));
    return entries;
}

MenuPage Tmainmenuform::SettingsPage() {
    MenuPage page;
    page.greeting = "settingsitemsp";
    page.entries = SettingsEntries();
    page.change = [this](int index, int step) {
        UserSettings& s = actions_->Settings();
        using N = UserSettings::Number;
        std::vector<std::string> extra;
        switch (index) {
        case 0:
        case 1:
        case 2:
        case 3: {
            const N n = static_cast<N>(index);
            s.Set(n, s.Get(n) + 10 * step);
            break;
        }
        case 4:
            s.SetReverseStereo(!s.ReverseStereo());
            break;
        case 5: {
            const auto all = settings::Languages();
            const std::string now =
                s.Language().empty() ? std::string(language_.code) : s.Language();
            size_t at = 0;
            for (size_t i = 0; i < all.size(); ++i)
                if (all[i].code == now) at = i;
            at =
                (at + all.size() + static_cast<size_t>(step > 0 ? 1 : all.size() - 1)) % all.size();
            s.SetLanguage(all[at].code);
            extra.emplace_back("restartsp");
            break;
        }
        case 6:
            s.Set(N::ComputerLevel, s.Get(N::ComputerLevel) + step);
            break;
        case 10:
            s.SetSwapPads(!s.SwapPads());
            break;
        default:
            return; // no value: the keys' entries are opened with Enter
        }
        actions_->SettingsChanged();
        Refresh(SettingsEntries());
        // The new value at once: the entry's words after its name.
        std::vector<std::string> words = Page().entries[static_cast<size_t>(index)].words;
        words.erase(words.begin());
        words.insert(words.end(), extra.begin(), extra.end());
        Say(std::move(words));
    };
    page.enter = [this](int index) {
        if (index == 7 || index == 8) {
            Open(KeysPage(index == 7 ? input::Side::Left : input::Side::Right));
        } else if (index == 9) {
            actions_->Settings().RestoreDefaultKeys();
            actions_->SettingsChanged();
            Say({"keysrestoredsp"});
        }
    };
    return page;
}

std::vector<MenuEntry> Tmainmenuform::KeysEntries(input::Side side) {
    std::vector<MenuEntry> entries;
    const input::Bindings& b = actions_->Settings().Bindings();
    for (size_t a = 0; a < input::kActionCount; ++a) {
        const auto action = static_cast<input::Action>(a);
        MenuEntry e;
        e.words = {ActionItem(action)};
        e.text = std::string(settings::MenuWordOf(language_.texts, e.words.front())) + ": " +
                 input::Bindings::FormatKeys(b.Keys(side, action));
        for (const uint8_t vk : b.Keys(side, action)) {
            if (vk == 0) continue;
            const auto said = KeyWords(vk);
            e.words.insert(e.words.end(), said.begin(), said.end());
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

MenuPage Tmainmenuform::KeysPage(input::Side side) {
    MenuPage page;
    page.greeting = side == input::Side::Left ? "leftkeyssp" : "rightkeyssp";
    page.entries = KeysEntries(side);
    // Enter waits for the new key; the key that comes next is the action's.
    auto waiting = std::make_shared<bool>(false);
    page.enter = [this, waiting](int) {
        *waiting = true;
        Say({"presskeysp"});
    };
    page.capture = [this, side, waiting](uint8_t vk) {
        if (!*waiting || vk == 0) return false;
        *waiting = false;
        const int index = mainmenulist.ItemIndex();
        const auto action = static_cast<input::Action>(index);
        if (vk == platform::kVkEscape) { // nothing changes
            Say(Page().entries[static_cast<size_t>(index)].words);
            return true;
        }
        const input::ActionKeys keys{vk};
        if (const auto other = actions_->Settings().SetKeys(side, action, keys)) {
            Say({"keyinusesp", other->first == input::Side::Left ? "leftplayersp" : "rightplayersp",
                 ActionItem(other->second)});
            return true;
        }
        actions_->SettingsChanged();
        Refresh(KeysEntries(side));
        std::vector<std::string> words{"keysetsp"};
        const auto said = KeyWords(vk);
        words.insert(words.end(), said.begin(), said.end());
        Say(std::move(words));
        return true;
    };
    return page;
}

// --- words ---------------------------------------------------------------------------

MenuEntry Tmainmenuform::Entry(std::vector<std::string> words) const {
    // "Name: value", the first word the name.
    MenuEntry e;
    for (size_t i = 0; i < words.size(); ++i)
        e.text += (i == 0   ? ""
                   : i == 1 ? ": "
                            : " ") +
                  std::string(settings::MenuWordOf(language_.texts, words[i]));
    e.words = std::move(words);
    return e;
}

std::vector<std::string> Tmainmenuform::Number(int value) const {
    return language_.numberWords(value, true);
}

std::vector<std::string> Tmainmenuform::KeyWords(uint8_t vk) const {
    const std::string name = platform::VirtualKeyName(vk);
    if (name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z') return {"key" + name};
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9') return {name};
    if (name.rfind("NUMPAD", 0) == 0 && name.size() == 7) return {"keyNUMPAD", name.substr(6)};
    if (name.size() >= 2 && name[0] == 'F' && name[1] >= '1' && name[1] <= '9') {
        std::vector<std::string> words{"keyF"};
        const auto n = Number(std::stoi(name.substr(1)));
        words.insert(words.end(), n.begin(), n.end());
        return words;
    }
    if (name.rfind("0x", 0) != 0 && bank.Items().FindOrNull("key" + name)) return {"key" + name};
    std::vector<std::string> words{"keyCODE"};
    const auto n = Number(vk);
    words.insert(words.end(), n.begin(), n.end());
    return words;
}

std::vector<std::string> Tmainmenuform::Spell(const std::string& text) const {
    std::vector<std::string> words;
    for (const char c : text) {
        const auto said = CharWords(static_cast<unsigned char>(c));
        words.insert(words.end(), said.begin(), said.end());
    }
    return words;
}

std::vector<std::string> Tmainmenuform::CharWords(char32_t ch) const {
    if (ch >= U'0' && ch <= U'9') return {std::string(1, static_cast<char>(ch))};
    if (ch >= U'a' && ch <= U'z') ch -= U'a' - U'A';
    if (ch >= U'A' && ch <= U'Z') return {"key" + std::string(1, static_cast<char>(ch))};
    if (ch == U'.') return {"dotsp"};
    if (ch == U':') return {"colonsp"};
    if (ch == U'-') return {"dashsp"};
    return {};
}

} // namespace vl::app
