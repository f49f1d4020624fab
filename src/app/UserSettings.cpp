// SPDX-License-Identifier: GPL-3.0-or-later
// UserSettings: reading the known settings with their checks, and storing a change.
#include "app/UserSettings.h"

#include "base/Check.h"

#include <algorithm>
#include <charconv>
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

constexpr std::array<UserSettings::NumberRow, 6> kNumberRows = {{
    {UserSettings::Number::Volume, "volume", 0, 100, 10, 100},
    {UserSettings::Number::SpeechVolume, "speech_volume", 0, 100, 10, 100},
    {UserSettings::Number::EffectsVolume, "effects_volume", 0, 100, 10, 100},
    {UserSettings::Number::ContinuousVolume, "continuous_volume", 0, 100, 10, 100},
    {UserSettings::Number::ComputerLevel, "computer_level", 0, 5, 1, 3},
    {UserSettings::Number::Port, "port", 1, 65535, 1, 27461},
}};

// A "true"/"false" setting: its value, or the fallback after rejecting anything else.
bool ReadFlag(settings::SettingsFile& file, std::string_view name, bool fallback) {
    const std::optional<std::string> value = file.Get(name);
    if (!value) return fallback;
    if (*value == "true" || *value == "false") return *value == "true";
    file.Reject(std::string(name), "expected true or false, not '" + *value + "'");
    return fallback;
}

} // namespace

const UserSettings::NumberRow& UserSettings::RowOf(Number number) {
    const NumberRow& row = kNumberRows[static_cast<size_t>(number)];
    VL_CHECK(row.number == number, "the number settings' table is in their order");
    return row;
}

void UserSettings::Set(Number number, int value) {
    const NumberRow& row = RowOf(number);
    value = std::clamp(value, row.min, row.max);
    value -= (value - row.min) % row.step;
    numbers_[static_cast<size_t>(number)] = value;
    file_.Set(row.name, std::to_string(value));
    Store();
}

void UserSettings::SetReverseStereo(bool reverse) {
    reverseStereo_ = reverse;
    file_.Set("reverse_stereo", reverse ? "true" : "false");
    Store();
}

void UserSettings::SetSwapPads(bool swap) {
    swapPads_ = swap;
    file_.Set("swap_pads", swap ? "true" : "false");
    Store();
}

void UserSettings::SetJoinAddress(std::string_view address) {
    file_.Set("join_address", address);
    Store();
}

void UserSettings::RestoreDefaultKeys() {
    bindings_ = input::Bindings();
    for (const input::ActionRow& row : input::kActionTable)
        file_.Erase(input::Bindings::SettingName(row.side, row.action));
    Store();
}

void UserSettings::ApplyAudio(platform::AudioBackend* audio) const {
    if (!audio) return;
    const float overall = static_cast<float>(Get(Number::Volume)) / 100.0f;
    const auto gain = [&](Number n) { return overall * static_cast<float>(Get(n)) / 100.0f; };
    audio->SetBusGain(platform::MixBus::Speech, gain(Number::SpeechVolume));
    audio->SetBusGain(platform::MixBus::Effects, gain(Number::EffectsVolume));
    audio->SetBusGain(platform::MixBus::Continuous, gain(Number::ContinuousVolume));
    audio->SetReverseStereo(reverseStereo_);
}

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
    s.recordOff_ = !ReadFlag(s.file_, "record", true);
    s.reverseStereo_ = ReadFlag(s.file_, "reverse_stereo", false);
    s.swapPads_ = ReadFlag(s.file_, "swap_pads", false);
    for (const NumberRow& row : kNumberRows) {
        int& value = s.numbers_[static_cast<size_t>(row.number)];
        value = row.fallback;
        const std::optional<std::string> text = s.file_.Get(row.name);
        if (!text) continue;
        int read = 0;
        const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), read);
        if (ec != std::errc() || end != text->data() + text->size() || read < row.min ||
            read > row.max || (read - row.min) % row.step != 0) {
            s.file_.Reject(row.name, "expected a whole number from " + std::to_string(row.min) +
                                         " to " + std::to_string(row.max) +
                                         (row.step > 1 ? " in steps of " + std::to_string(row.step)
                                                       : std::string()) +
                                         ", not '" + *text + "'");
            continue;
        }
        value = read;
    }
    if (!s.file_.Warning().empty()) {
        // A damaged file: its values are gone, every setting is its default.
        UserSettings defaults;
        defaults.file_ = std::move(s.file_);
        return defaults;
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
