// SPDX-License-Identifier: GPL-3.0-or-later
// Language: the table of languages, their banks' paths and the choice at start.
#include "settings/Language.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <array>
#include <cstdlib>
#include <filesystem>

#include "container/InputFile.h"
#include "settings/Resources.h"

namespace vl::settings {

namespace {

constexpr std::array kLanguages = {
    Language{"cs", "Czech", kCzechTexts, CzechNumberWords, CzechNumberPieces},
    Language{"en", "English", kEnglishTexts, EnglishNumberWords, EnglishNumberPieces},
};

// The words of the match bank that name a counter or a pickup, the same in every language.
constexpr std::array<std::string_view, 4> kKindWords = {"energysp", "bulletsp", "missilesp",
                                                        "machgunsp"};

// What a locale's value says about the language.
enum class Meaning { Nothing, Invalid, Chosen };
struct Reading {
    Meaning meaning = Meaning::Nothing;
    const Language* language = nullptr;
    bool exact = false; // the language itself, not English standing in for another
};

// One locale value ("en_US.UTF-8", "cs", "de-AT", "C.UTF-8"): its language code is the two or
// three letters before any of "_-.@". A language the game has is itself, any other English.
Reading ReadLocale(std::string_view value) {
    const std::string_view code = value.substr(0, value.find_first_of("_-.@"));
    if (code == "C" || code == "POSIX") return {};
    if (code.size() < 2 || code.size() > 3) return {Meaning::Invalid, nullptr};
    std::string lower;
    for (const char c : code) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return {Meaning::Invalid, nullptr};
        lower += static_cast<char>(c | 0x20);
    }
    const Language* known = FindLanguage(lower);
    return {Meaning::Chosen, known ? known : FindLanguage("en"), known != nullptr};
}

// LANGUAGE is a list in order of preference ("de:cs"): the first the game has wins, else
// English for a real language, else nothing.
Reading ReadLanguageList(std::string_view list) {
    Reading best;
    while (!list.empty()) {
        const size_t colon = list.find(':');
        const std::string_view entry = list.substr(0, colon);
        list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
        if (entry.empty()) continue;
        const Reading r = ReadLocale(entry);
        if (r.exact) return r;
        if (r.meaning == Meaning::Chosen && best.meaning != Meaning::Chosen) best = r;
        if (r.meaning == Meaning::Invalid && best.meaning == Meaning::Nothing) best = r;
    }
    return best;
}

std::string NotAvailable(std::string_view value, std::string_view source) {
    return "vlnedla: the language '" + std::string(value) + "' (" + std::string(source) +
           ") is not available; playing in Czech";
}

} // namespace

std::span<const Language> Languages() {
    return kLanguages;
}

const Language& Czech() {
    return kLanguages[0];
}

const Language* FindLanguage(std::string_view code) {
    for (const Language& l : kLanguages)
        if (l.code == code) return &l;
    return nullptr;
}

std::string LanguageList() {
    std::string out;
    for (const Language& l : kLanguages) {
        if (!out.empty()) out += ", ";
        out += std::string(l.code) + " (" + std::string(l.name) + ")";
    }
    return out;
}

std::string BankPath(const Language& language, std::string_view bank) {
    if (&language == &Czech()) return std::string(bank);
    return "lang\\" + std::string(language.code) + "\\" + std::string(bank);
}

bool BanksPresent(const Language& language) {
    std::error_code ec;
    for (const std::string_view bank : {kMenuBank, kGuideBank, kGameBank})
        if (!std::filesystem::is_regular_file(container::ProgramDataPath(BankPath(language, bank)),
                                              ec))
            return false;
    return true;
}

bool IsSpokenGameItem(std::string_view name) {
    for (const std::string_view w : kKindWords)
        if (w == name) return true;
    for (const Language& l : kLanguages)
        for (const std::string_view piece : l.numberPieces())
            if (piece == name) return true;
    return false;
}

std::optional<std::string> ProcessEnvironment(const char* name) {
#ifdef _WIN32
    const std::wstring wide(name, name + std::char_traits<char>::length(name));
    const wchar_t* v = _wgetenv(wide.c_str());
    if (!v) return std::nullopt;
    std::string out;
    for (const wchar_t* p = v; *p; ++p) out += *p < 0x80 ? static_cast<char>(*p) : '?';
    return out;
#else
    const char* v = std::getenv(name);
    if (!v) return std::nullopt;
    return std::string(v);
#endif
}

std::string SystemLocaleName() {
#ifdef _WIN32
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) <= 0) return {};
    std::string out;
    for (const wchar_t* p = name; *p; ++p) out += *p < 0x80 ? static_cast<char>(*p) : '?';
    return out;
#else
    return {};
#endif
}

LanguageChoice ChooseLanguage(std::string_view option, std::string_view setting,
                              const EnvironmentFn& environment, std::string_view systemLocale,
                              const std::function<bool(const Language&)>& installed) {
    LanguageChoice out{&Czech(), {}};
    const Language* chosen = nullptr;
    std::string value, source;
    if (!option.empty()) {
        chosen = FindLanguage(option);
        value = option;
        source = "from --language";
    } else if (!setting.empty()) {
        chosen = FindLanguage(setting);
        value = setting;
        source = "from the settings file";
    } else {
        Reading r;
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
            const std::optional<std::string> v = environment(name);
            if (!v || v->empty()) continue;
            r = std::string_view(name) == "LANGUAGE" ? ReadLanguageList(*v) : ReadLocale(*v);
            if (r.meaning == Meaning::Nothing) continue;
            value = *v;
            source = "from " + std::string(name);
            break;
        }
        if (r.meaning == Meaning::Nothing && !systemLocale.empty()) {
            r = ReadLocale(systemLocale);
            value = systemLocale;
            source = "the system's language";
        }
        if (r.meaning == Meaning::Nothing) return out;
        chosen = r.language;
    }
    if (!chosen) {
        out.warning = NotAvailable(value, source);
        return out;
    }
    if (chosen != &Czech() && installed && !installed(*chosen)) {
        out.warning = NotAvailable(chosen->code, source + ", its banks are missing");
        return out;
    }
    out.language = chosen;
    return out;
}

} // namespace vl::settings
