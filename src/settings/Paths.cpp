// SPDX-License-Identifier: GPL-3.0-or-later
// Paths: the user's folders from the environment.
#include "settings/Paths.h"

#include <cstdlib>
#include <string>

namespace vl::settings {

namespace {

// An environment variable's value when it is set to an absolute path. On Windows through
// the wide-character environment, so a user's folder with any letters in it comes whole.
std::filesystem::path AbsoluteFromEnv(const char* name) {
#ifdef _WIN32
    const std::wstring wide(name, name + std::char_traits<char>::length(name));
    const wchar_t* v = _wgetenv(wide.c_str());
    if (!v || *v == L'\0') return {};
#else
    const char* v = std::getenv(name);
    if (!v || *v == '\0') return {};
#endif
    std::filesystem::path p(v);
    return p.is_absolute() ? p : std::filesystem::path();
}

// The folder `xdgName` names, or HOME/`fallback`; on Windows `windowsName`\Vlnedla.
std::filesystem::path UserDir([[maybe_unused]] const char* xdgName,
                              [[maybe_unused]] const char* fallback,
                              [[maybe_unused]] const char* windowsName) {
#ifdef _WIN32
    const std::filesystem::path base = AbsoluteFromEnv(windowsName);
    return base.empty() ? base : base / "Vlnedla";
#else
    std::filesystem::path base = AbsoluteFromEnv(xdgName);
    if (base.empty()) {
        const std::filesystem::path home = AbsoluteFromEnv("HOME");
        if (home.empty()) return {};
        base = home / fallback;
    }
    return base / "vlnedla";
#endif
}

} // namespace

std::filesystem::path ConfigDir() {
    return UserDir("XDG_CONFIG_HOME", ".config", "APPDATA");
}

std::filesystem::path SettingsPath() {
    const std::filesystem::path dir = ConfigDir();
    return dir.empty() ? dir : dir / "settings.ini";
}

std::filesystem::path DataHome() {
    return UserDir("XDG_DATA_HOME", ".local/share", "LOCALAPPDATA");
}

std::filesystem::path PathFromUtf8(std::string_view text) {
    return {std::u8string(text.begin(), text.end())};
}

std::string Utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

} // namespace vl::settings
