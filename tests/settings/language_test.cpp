// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the choice of a language: the order of the sources, how a locale's value is read,
// and what falls back to Czech with its one line.
#include <gtest/gtest.h>

#include <map>

#include "settings/Language.h"
#include "settings/Resources.h"

namespace vl::settings {
namespace {

struct Env {
    std::map<std::string, std::string> vars;
    EnvironmentFn Fn() const {
        return [this](const char* name) -> std::optional<std::string> {
            const auto it = vars.find(name);
            if (it == vars.end()) return std::nullopt;
            return it->second;
        };
    }
};

const auto kAll = [](const Language&) { return true; };

std::string_view Chosen(const Env& env, std::string_view option = "", std::string_view setting = "",
                        std::string_view system = "") {
    const LanguageChoice c = ChooseLanguage(option, setting, env.Fn(), system, kAll);
    EXPECT_TRUE(c.warning.empty()) << c.warning;
    return c.language->code;
}

TEST(Language, EnvironmentIsReadInItsOrderAndCOrPosixChooseNothing) {
    EXPECT_EQ(Chosen({}), "cs");
    EXPECT_EQ(Chosen({{{"LANG", "C.UTF-8"}}}), "cs");
    EXPECT_EQ(Chosen({{{"LANG", "POSIX"}, {"LC_ALL", "C"}}}), "cs");
    EXPECT_EQ(Chosen({{{"LANG", "en_US.UTF-8"}}}), "en");
    EXPECT_EQ(Chosen({{{"LANG", "de_DE.UTF-8"}}}), "en");
    EXPECT_EQ(Chosen({{{"LANG", "cs_CZ.UTF-8"}}}), "cs");
    EXPECT_EQ(Chosen({{{"LANG", "cs_CZ.UTF-8"}, {"LC_MESSAGES", "en_GB"}}}), "en");
    EXPECT_EQ(Chosen({{{"LC_MESSAGES", "en_GB"}, {"LC_ALL", "cs_CZ"}}}), "cs");
    EXPECT_EQ(Chosen({{{"LC_ALL", "C.UTF-8"}, {"LANG", "en_US.UTF-8"}}}), "en");
    // LANGUAGE comes first; in its list the first language the game has wins.
    EXPECT_EQ(Chosen({{{"LANGUAGE", "de:cs:en"}, {"LANG", "en_US"}}}), "cs");
    EXPECT_EQ(Chosen({{{"LANGUAGE", "fr_FR:de"}, {"LANG", "cs_CZ"}}}), "en");
    EXPECT_EQ(Chosen({{{"LANGUAGE", ""}, {"LANG", "en_US"}}}), "en");
    // The system's language (Windows) only when the environment says nothing.
    EXPECT_EQ(Chosen({}, "", "", "en-US"), "en");
    EXPECT_EQ(Chosen({{{"LANG", "cs_CZ"}}}, "", "", "en-US"), "cs");
}

TEST(Language, OptionThenSettingThenEnvironment) {
    const Env english{{{"LANG", "en_US.UTF-8"}}};
    EXPECT_EQ(Chosen(english, "cs"), "cs");
    EXPECT_EQ(Chosen(english, "", "cs"), "cs");
    EXPECT_EQ(Chosen({}, "", "en"), "en");
    EXPECT_EQ(Chosen({}, "en", "cs"), "en");
}

TEST(Language, WhatCannotBeUsedFallsBackToCzechWithOneLine) {
    const auto choose = [](std::string_view option, std::string_view setting, const Env& env,
                           bool installed = true) {
        return ChooseLanguage(option, setting, env.Fn(), "",
                              [installed](const Language&) { return installed; });
    };
    LanguageChoice c = choose("", "xx", {});
    EXPECT_EQ(c.language, &Czech());
    EXPECT_EQ(c.warning, "vlnedla: the language 'xx' (from the settings file) is not available; "
                         "playing in Czech");
    c = choose("", "", {{{"LANG", "1234"}}});
    EXPECT_EQ(c.language, &Czech());
    EXPECT_NE(c.warning.find("'1234' (from LANG)"), std::string::npos) << c.warning;
    c = choose("en", "", {}, false);
    EXPECT_EQ(c.language, &Czech());
    EXPECT_EQ(c.warning, "vlnedla: the language 'en' (from --language, its banks are missing) is "
                         "not available; playing in Czech");
    c = choose("", "", {{{"LANG", "de_AT"}}}, false);
    EXPECT_EQ(c.language, &Czech());
    EXPECT_NE(c.warning.find("(from LANG, its banks are missing)"), std::string::npos);
    // Czech is never missing: its own files' absence is reported by the windows.
    EXPECT_TRUE(choose("cs", "", {}, false).warning.empty());
}

TEST(Language, BanksOfAnotherLanguageLieUnderItsFolder) {
    EXPECT_EQ(BankPath(Czech(), kGameBank), "snd\\game.dat");
    EXPECT_EQ(BankPath(*FindLanguage("en"), kMenuBank), "lang\\en\\snd\\menu.dat");
    EXPECT_EQ(LanguageList(), "cs (Czech), en (English)");
    EXPECT_EQ(FindLanguage("EN"), nullptr);
}

} // namespace
} // namespace vl::settings
