// SPDX-License-Identifier: GPL-3.0-or-later
// UserSettings: what a user can change, as the program uses it — read once at start from
// the settings file and stored there at once whenever it changes. A setting is added by
// reading it in Load (rejecting a value that cannot be used), giving it a getter, and a
// setter that stores it.
//
// Settings so far: the keys of each player, "key.left.climb = E", "key.right.gun = SHIFT,
// CONTROL" (action names in input/ActionTable.h, key names as the simulator's scripts
// write them).
#pragma once

#include <filesystem>
#include <optional>
#include <utility>

#include "input/Bindings.h"
#include "settings/SettingsFile.h"

namespace vl::app {

class UserSettings {
public:
    // The defaults, never stored.
    UserSettings() = default;
    // Reads `path` (empty: no settings file). A file that cannot be read, has a bad line
    // or a value that cannot be used gives the defaults; its one warning line is written
    // to standard error.
    static UserSettings Load(const std::filesystem::path& path);
    // The same from a file already read; says nothing on standard error.
    static UserSettings FromFile(settings::SettingsFile file);

    const input::Bindings& Bindings() const { return bindings_; }
    // Binds `keys` to `side`'s `action` and stores it; a key bound to another action is
    // refused with that action and nothing changes. A store that fails says so on
    // standard error; the binding holds for this run all the same.
    std::optional<std::pair<input::Side, input::Action>>
    SetKeys(input::Side side, input::Action action, const input::ActionKeys& keys);

    const settings::SettingsFile& File() const { return file_; }

private:
    // Writes the file, or one line on standard error.
    void Store();

    settings::SettingsFile file_;
    input::Bindings bindings_;
};

} // namespace vl::app
