// SPDX-License-Identifier: GPL-3.0-or-later
// Script: the parser of simulator scripts.
#include "Script.h"

#include <charconv>

#include "MatchState.h"
#include "platform/Keys.h"

namespace vl::sim {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// An optionally negative decimal whole number that fits in 64 bits.
bool WholeNumber(std::string_view s) {
    int64_t v = 0;
    const char* end = s.data() + s.size();
    const auto [p, ec] = std::from_chars(s.data(), end, v);
    return !s.empty() && ec == std::errc() && p == end;
}

[[noreturn]] void Fail(int line, const std::string& what) {
    throw ScriptError{"line " + std::to_string(line) + ": " + what};
}

} // namespace

// pad N plug | unplug | down BUTTON | up BUTTON | axis AXIS VALUE (SDL's names).
static void ParsePad(std::string_view arg, int lineNo, Action& a) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : std::string(arg) + " ") {
        if (c == ' ' || c == '\t') {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    const auto number = [&](const std::string& w, int& out, int lo, int hi) {
        const auto [p, ec] = std::from_chars(w.data(), w.data() + w.size(), out);
        return ec == std::errc() && p == w.data() + w.size() && out >= lo && out <= hi;
    };
    if (words.size() < 2 || !number(words[0], a.index, 1, 99))
        Fail(lineNo, "pad needs a pad number (1, 2, ...) and plug, unplug, down, up or axis");
    const std::string& what = words[1];
    if ((what == "plug" || what == "unplug") && words.size() == 2) {
        a.kind = what == "plug" ? Action::Kind::PadPlug : Action::Kind::PadUnplug;
    } else if ((what == "down" || what == "up") && words.size() == 3) {
        a.control = SDL_GameControllerGetButtonFromString(words[2].c_str());
        if (a.control == SDL_CONTROLLER_BUTTON_INVALID)
            Fail(lineNo, "unknown pad button '" + words[2] + "'");
        a.kind = what == "down" ? Action::Kind::PadDown : Action::Kind::PadUp;
    } else if (what == "axis" && words.size() == 4) {
        a.control = SDL_GameControllerGetAxisFromString(words[2].c_str());
        if (a.control == SDL_CONTROLLER_AXIS_INVALID)
            Fail(lineNo, "unknown pad axis '" + words[2] + "'");
        if (!number(words[3], a.amount, -32768, 32767))
            Fail(lineNo, "pad axis needs a value from -32768 to 32767, got '" + words[3] + "'");
        a.kind = Action::Kind::PadAxis;
    } else {
        Fail(lineNo, "pad N takes plug, unplug, down BUTTON, up BUTTON or axis AXIS VALUE");
    }
}

Script ParseScript(std::string_view text) {
    Script script;
    uint64_t now = 0;
    int lineNo = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        const size_t eol = text.find('\n', pos);
        const std::string_view raw =
            text.substr(pos, eol == std::string_view::npos ? std::string_view::npos : eol - pos);
        pos = eol == std::string_view::npos ? text.size() + 1 : eol + 1;
        ++lineNo;
        const std::string_view line = Trim(raw);
        if (line.empty() || line.front() == '#') continue;

        const size_t sp = line.find_first_of(" \t");
        const std::string_view cmd = line.substr(0, sp);
        std::string_view arg =
            sp == std::string_view::npos ? std::string_view{} : Trim(line.substr(sp));
        // A '#' after the command starts a comment, except in the text that `type` types.
        if (cmd != "type") {
            if (const size_t hash = arg.find('#'); hash != std::string_view::npos)
                arg = Trim(arg.substr(0, hash));
        }

        Action a;
        a.t = now;
        a.line = lineNo;
        if (cmd == "wait") {
            uint64_t ms = 0;
            const char* end = arg.data() + arg.size();
            const auto [p, ec] = std::from_chars(arg.data(), end, ms);
            if (arg.empty() || ec != std::errc() || p != end || ms > (uint64_t{1} << 40))
                Fail(lineNo,
                     "wait needs a whole number of milliseconds, got '" + std::string(arg) + "'");
            now += ms;
            continue;
        }
        if (cmd == "down" || cmd == "up" || cmd == "press") {
            const auto vk = platform::VirtualKeyFromName(arg);
            if (!vk) Fail(lineNo, "unknown key '" + std::string(arg) + "'");
            a.kind = cmd == "down" ? Action::Kind::Down
                     : cmd == "up" ? Action::Kind::Up
                                   : Action::Kind::Press;
            a.vk = *vk;
        } else if (cmd == "type") {
            if (arg.empty()) Fail(lineNo, "type needs text");
            a.kind = Action::Kind::Type;
            a.text = std::string(arg);
        } else if (cmd == "click" || cmd == "dblclick") {
            int index = 0;
            const char* end = arg.data() + arg.size();
            const auto [p, ec] = std::from_chars(arg.data(), end, index);
            if (arg.empty() || ec != std::errc() || p != end || index < 0)
                Fail(lineNo, std::string(cmd) + " needs an entry index (0, 1, ...), got '" +
                                 std::string(arg) + "'");
            a.kind = cmd == "click" ? Action::Kind::Click : Action::Kind::DblClick;
            a.index = index;
        } else if (cmd == "shot") {
            if (arg.empty()) Fail(lineNo, "shot needs a file name");
            a.kind = Action::Kind::Shot;
            a.text = std::string(arg);
        } else if (cmd == "set") {
            const size_t gap = arg.find_first_of(" \t");
            const std::string_view name = arg.substr(0, gap);
            const std::string_view value =
                gap == std::string_view::npos ? std::string_view{} : Trim(arg.substr(gap));
            const MatchValueKind kind = MatchValueKindOf(name);
            if (kind == MatchValueKind::Unknown)
                Fail(lineNo, "set: unknown name '" + std::string(name) + "'");
            if (kind == MatchValueKind::Flag ? value != "true" && value != "false"
                                             : !WholeNumber(value))
                Fail(lineNo,
                     "set " + std::string(name) + " needs " +
                         (kind == MatchValueKind::Flag ? "true or false" : "a whole number") +
                         ", got '" + std::string(value) + "'");
            a.kind = Action::Kind::Set;
            a.text = std::string(name);
            a.value = std::string(value);
        } else if (cmd == "await" && arg.starts_with("end")) {
            // await end MS: until the match window's match has ended, MS at most.
            const std::string_view ms = arg.substr(3);
            uint64_t limit = 0;
            const char* last = ms.data() + ms.size();
            const auto [p, ec] = std::from_chars(ms.data() + (ms.empty() ? 0 : 1), last, limit);
            if (ms.empty() || ms[0] != ' ' || ec != std::errc() || p != last ||
                limit > (uint64_t{1} << 40))
                Fail(lineNo, "await end needs the longest wait in milliseconds, got '" +
                                 std::string(arg) + "'");
            a.kind = Action::Kind::Await;
            a.text = "end";
            a.value = std::to_string(limit);
        } else if (cmd == "await") {
            if (arg != "mainmenuform" && arg != "Form1" && arg != "guideform")
                Fail(lineNo, "await needs a window: mainmenuform, Form1 or guideform, or end MS");
            a.kind = Action::Kind::Await;
            a.text = std::string(arg);
        } else if (cmd == "pad") {
            ParsePad(arg, lineNo, a);
        } else if (cmd == "audio") {
            if (arg != "lost" && arg != "back") Fail(lineNo, "audio needs lost or back");
            a.kind = arg == "lost" ? Action::Kind::AudioLost : Action::Kind::AudioBack;
        } else if (cmd == "close" || cmd == "deactivate" || cmd == "activate" || cmd == "dump") {
            if (!arg.empty()) Fail(lineNo, std::string(cmd) + " takes no argument");
            a.kind = cmd == "close"        ? Action::Kind::Close
                     : cmd == "deactivate" ? Action::Kind::Deactivate
                     : cmd == "activate"   ? Action::Kind::Activate
                                           : Action::Kind::Dump;
        } else {
            Fail(lineNo, "unknown command '" + std::string(cmd) + "'");
        }
        script.actions.push_back(std::move(a));
    }
    script.endMs = now;
    return script;
}

} // namespace vl::sim
