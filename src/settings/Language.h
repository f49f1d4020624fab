// SPDX-License-Identifier: GPL-3.0-or-later
// Language: the languages the game speaks and shows, and the choice of one at start.
//
// A language is its banks (Czech's in snd\, another's in lang\<code>\snd\, the same item
// names in each), its texts (`Texts`) and its number rules (`NumberWords`). The choice goes:
// the command line's --language, the settings file's `language`, the environment (LANGUAGE,
// then LC_ALL, LC_MESSAGES, LANG; on Windows then the user's language of the system), Czech.
// A value of the environment starting with "cs" means Czech, with "en" English, and any other
// language English; "C" and "POSIX" choose nothing. What cannot be used (an unknown code,
// a language whose banks are missing) falls back to Czech with one line on standard error.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "settings/NumberWords.h"
#include "settings/Texts.h"

namespace vl::settings {

struct Language {
    std::string_view code; // "cs", "en": what --language and the settings file take
    std::string_view name; // in English, for messages and lists
    const Texts& texts;
    NumberWordsFn numberWords;
    std::span<const std::string_view> (*numberPieces)();
};

// Every language, Czech first.
std::span<const Language> Languages();
const Language& Czech();
// The language of `code` (exactly as listed); null for another.
const Language* FindLanguage(std::string_view code);
// "cs (Czech), en (English)": the list a refusal names.
std::string LanguageList();

// The program's data path of `bank` (kMenuBank, kGuideBank or kGameBank) in `language`:
// Czech's as it stands, another's under "lang\<code>\".
std::string BankPath(const Language& language, std::string_view bank);
// Whether all three of the language's banks are where the program reads them.
bool BanksPresent(const Language& language);

// Whether the match bank's item `name` is a word some language speaks (a counter's or a
// pickup's name, a number's piece) rather than an effect: words never decide a match.
bool IsSpokenGameItem(std::string_view name);

// A variable of the environment: its value, or nothing when it is not set.
using EnvironmentFn = std::function<std::optional<std::string>(const char* name)>;
// The process's own environment (on Windows read as wide characters).
std::optional<std::string> ProcessEnvironment(const char* name);
// The user's language of the system as a locale name ("en-US"); empty where the system has
// none apart from the environment (everywhere but Windows).
std::string SystemLocaleName();

struct LanguageChoice {
    const Language* language = nullptr; // never null
    std::string warning;                // the one line for standard error; empty: none
};

// Chooses as the file's opening says. `option` has been checked against the list already
// (empty: not given); `setting` is the settings file's value (empty: none); `installed` says
// whether a language's banks are there (null: not asked, as for --help).
LanguageChoice ChooseLanguage(std::string_view option, std::string_view setting,
                              const EnvironmentFn& environment, std::string_view systemLocale,
                              const std::function<bool(const Language&)>& installed);

} // namespace vl::settings
