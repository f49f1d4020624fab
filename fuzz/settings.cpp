// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: a user's settings file and the settings read from it, on any bytes. A file
// that is taken (no warning) reads back the same when written again, and the key bindings
// it gives never serve one key to two actions; its numbers stand in their ranges and on their
// steps; its language, and every value of it taken as a
// locale, choose a language (never none), with a warning only for what names none the game
// has.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/UserSettings.h"
#include "settings/Language.h"
#include "settings/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using vl::input::Action;
    using vl::input::Side;
    vl::settings::SettingsFile file = vl::settings::SettingsFile::FromBytes(
        {}, std::string(reinterpret_cast<const char*>(data), size));
    const bool taken = file.Warning().empty();
    if (!taken && !file.Keys().empty()) std::abort(); // a damaged file gives nothing
    const vl::app::UserSettings s = vl::app::UserSettings::FromFile(file);
    for (const Side side : {Side::Left, Side::Right})
        for (size_t a = 0; a < vl::input::kActionCount; ++a) {
            const auto action = static_cast<Action>(a);
            if (s.Bindings().Clash(side, action, s.Bindings().Keys(side, action))) std::abort();
        }
    using N = vl::app::UserSettings::Number;
    for (const N n : {N::Volume, N::SpeechVolume, N::EffectsVolume, N::ContinuousVolume,
                      N::ComputerLevel, N::Port}) {
        const auto& row = vl::app::UserSettings::RowOf(n);
        const int v = s.Get(n);
        if (v < row.min || v > row.max || (v - row.min) % row.step != 0) std::abort();
        if (!s.File().Warning().empty() && v != row.fallback) std::abort(); // damaged: defaults
    }
    const std::string language = s.Language();
    const auto env = [&language](const char*) -> std::optional<std::string> { return language; };
    const vl::settings::LanguageChoice fromFile =
        vl::settings::ChooseLanguage("", language, env, "", nullptr);
    const vl::settings::LanguageChoice fromLocale =
        vl::settings::ChooseLanguage("", "", env, language, nullptr);
    if (!fromFile.language || !fromLocale.language) std::abort();
    if (fromFile.warning.empty() != (language.empty() || vl::settings::FindLanguage(language)))
        std::abort();
    if (!taken) return 0;
    const vl::settings::SettingsFile again = vl::settings::SettingsFile::FromBytes({}, file.Text());
    if (!again.Warning().empty() || again.Keys() != file.Keys()) std::abort();
    for (const std::string& key : file.Keys())
        if (again.Get(key) != file.Get(key)) std::abort();
    return 0;
}
