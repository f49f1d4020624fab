// SPDX-License-Identifier: GPL-3.0-or-later
// Paths: the one place that knows where the user's files are (the program's data lie relative
// to the folder it runs in: Resources, Language): settings under $XDG_CONFIG_HOME/vlnedla
// (~/.config/vlnedla; on Windows %APPDATA%\Vlnedla) and data such as replays under
// $XDG_DATA_HOME/vlnedla
// (~/.local/share/vlnedla; on Windows %LOCALAPPDATA%\Vlnedla).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vl::settings {

// The user's settings folder; empty when the environment names none (no HOME).
std::filesystem::path ConfigDir();
// The settings file in it; empty when there is no settings folder.
std::filesystem::path SettingsPath();
// The user's data folder; empty when the environment names none.
std::filesystem::path DataHome();

// A path from UTF-8 text (the command line's, a file's) and back to UTF-8 for a message. A
// plain narrow string would be read in the system's code page on Windows, where the program's
// own strings are UTF-8.
std::filesystem::path PathFromUtf8(std::string_view text);
std::string Utf8Of(const std::filesystem::path& path);

} // namespace vl::settings
