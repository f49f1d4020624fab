// SPDX-License-Identifier: GPL-3.0-or-later
// UserSettings: reading the known settings with their checks, and storing a change.
#include "app/UserSettings.h"

#include "base/Check.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace vl::app {

namespace {

// The side and action of a "key.SIDE.ACTION" name; nothing for any other name.
std::optional<std::pair<input::Side, input::Action>> KeySetting(const std::string& name) {
    for (const input::Side side : {input::Side::Left, input::Side::Right}) {
        const std::string prefix = "key." + std::string(input::SideName(side)) + ".";
        if (name.rfind(prefix, 0) != 0) continue;
        if (const auto action = input::ActionFromName(std::string_view(name).substr(prefix.size())))
            return std::pair{side, *action};
    }
    return std::nullopt;
}

} // namespace

UserSettings UserSettings::Load(const std::filesystem::path& path) {
    UserSettings s = FromFile(settings::SettingsFile::Load(path));
    if (!s.file_.Warning().empty())
        std::fprintf(stderr, "vlnedla: settings: %s\n", s.file_.Warning().c_str());
    return s;
}

UserSettings UserSettings::FromFile(settings::SettingsFile file) {
    UserSettings s;
    s.file_ = std::move(file);
    // Every binding first, then the check: a file may well swap two actions' keys.
    struct Read {
        std::string name;
        input::Side side;
        input::Action action;
    };
    input::Bindings bindings;
    std::vector<Read> read;
    for (const std::string& name : s.file_.Keys()) {
        const auto which = KeySetting(name);
        if (!which) continue; // not ours: kept as it stands
        const std::string value = s.file_.Get(name).value_or("");
        const std::optional<input::ActionKeys> keys = input::Bindings::ParseKeys(value);
        if (!keys) {
            s.file_.Reject(name, "unknown key '" + value + "'");
            bindings = {};
            read.clear();
            break;
        }
        bindings.Assign(which->first, which->second, *keys);
        read.push_back({name, which->first, which->second});
    }
    for (const auto& [name, side, action] : read) {
        if (const auto other = bindings.Clash(side, action, bindings.Keys(side, action))) {
            const bool esc = other->first == side && other->second == action;
            s.file_.Reject(name,
                           esc ? std::string("ESCAPE leaves the match and serves nothing else")
                               : "a key of it also serves " +
                                     input::Bindings::SettingName(other->first, other->second));
            bindings = {};
            break;
        }
    }
    s.bindings_ = bindings;
    if (const std::optional<std::string> record = s.file_.Get("record")) {
        if (*record == "false" || *record == "true")
            s.recordOff_ = *record == "false";
        else
            s.file_.Reject("record", "expected true or false, not '" + *record + "'");
    }
    return s;
}

void UserSettings::SetLanguage(std::string_view code) {
    VL_CHECK(settings::FindLanguage(code) != nullptr, "a stored language is one the game has");
    file_.Set("language", code);
    Store();
}

const settings::Language& ChooseProgramLanguage(std::string_view option, std::string_view setting,
                                                bool checkBanks) {
    const settings::LanguageChoice choice = settings::ChooseLanguage(
        option, setting, settings::ProcessEnvironment, settings::SystemLocaleName(),
        checkBanks ? settings::BanksPresent : std::function<bool(const settings::Language&)>());
    if (!choice.warning.empty()) std::fprintf(stderr, "%s\n", choice.warning.c_str());
    return *choice.language;
}

std::optional<std::pair<input::Side, input::Action>>
UserSettings::SetKeys(input::Side side, input::Action action, const input::ActionKeys& keys) {
    if (auto other = bindings_.Set(side, action, keys)) return other;
    file_.Set(input::Bindings::SettingName(side, action), input::Bindings::FormatKeys(keys));
    Store();
    return std::nullopt;
}

void UserSettings::Store() {
    std::string error;
    if (!file_.Save(&error)) std::fprintf(stderr, "vlnedla: settings: %s\n", error.c_str());
}

} // namespace vl::app
