// SPDX-License-Identifier: GPL-3.0-or-later
// Paths: the one place that knows where things are — the program's data (its banks and
// pictures, relative to the folder it runs in), a language pack's folder, and the user's
// own files: settings under $XDG_CONFIG_HOME/vlnedla (~/.config/vlnedla; on Windows
// %APPDATA%\Vlnedla) and data such as replays under $XDG_DATA_HOME/vlnedla
// (~/.local/share/vlnedla; on Windows %LOCALAPPDATA%\Vlnedla).
#pragma once

#include <filesystem>
#include <string_view>

namespace vl::settings {

// The user's settings folder; empty when the environment names none (no HOME).
std::filesystem::path ConfigDir();
// The settings file in it; empty when there is no settings folder.
std::filesystem::path SettingsPath();
// The user's data folder; empty when the environment names none.
std::filesystem::path DataHome();
// The data files of language `code` other than Czech: "lang/<code>/" beside the
// program's own ("snd\menu.dat" stays where it is for Czech).
std::filesystem::path LanguageDir(std::string_view code);

} // namespace vl::settings
