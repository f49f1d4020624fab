// SPDX-License-Identifier: GPL-3.0-or-later
// UserSettings: what a user can change, as the program uses it — read once at start from
// the settings file and stored there at once whenever it changes. A setting is added by
// reading it in Load (rejecting a value that cannot be used), giving it a getter, and a
// setter that stores it.
//
// Settings so far: the keys of each player, "key.left.climb = E", "key.right.gun = SHIFT,
// CONTROL" (action names in input/ActionTable.h, key names as the simulator's scripts
// write them); the language, "language = en" (settings::Languages()); "record = false" keeps
// no replays; the listener's volumes in percent, "volume", "speech_volume", "effects_volume",
// "continuous_volume" (0..100 in steps of 10, default 100) and "reverse_stereo = true"; the
// computer's level offered first, "computer_level" (0 the practice target, 1..5, default 3);
// the duel's "port" (default 27461) and "join_address" (the last address joined); and
// "swap_pads = true", the second game controller playing the left craft.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "input/Bindings.h"
#include "platform/Mixer.h"
#include "settings/Language.h"
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

    // The language the file asks for; empty when it names none. A code the game does not
    // have is left for the choice to refuse (ChooseProgramLanguage), the file kept whole.
    std::string Language() const { return file_.Get("language").value_or(""); }
    // Whether the file says "record = false": no match is kept as a replay.
    bool RecordOff() const { return recordOff_; }
    // Stores `code` (one of settings::Languages()) as the language of the next start.
    void SetLanguage(std::string_view code);

    // --- numbers: the volumes, the computer's level, the duel's port ----------------------
    enum class Number : uint8_t {
        Volume,
        SpeechVolume,
        EffectsVolume,
        ContinuousVolume,
        ComputerLevel,
        Port
    };
    struct NumberRow {
        Number number;
        std::string_view name;
        int min, max, step, fallback;
    };
    static const NumberRow& RowOf(Number number);
    int Get(Number number) const { return numbers_[static_cast<size_t>(number)]; }
    // Stores `value`, brought into the setting's range and onto its steps.
    void Set(Number number, int value);

    bool ReverseStereo() const { return reverseStereo_; }
    void SetReverseStereo(bool reverse);
    bool SwapPads() const { return swapPads_; }
    void SetSwapPads(bool swap);
    std::string JoinAddress() const { return file_.Get("join_address").value_or(""); }
    void SetJoinAddress(std::string_view address);
    // Every key of `side` back to the action table's; stored.
    void RestoreDefaultKeys();

    // The volumes and the side swap handed to the mixer (nothing without one).
    void ApplyAudio(platform::AudioBackend* audio) const;

    const settings::SettingsFile& File() const { return file_; }

private:
    // Writes the file, or one line on standard error.
    void Store();

    settings::SettingsFile file_;
    input::Bindings bindings_;
    bool recordOff_ = false;
    bool reverseStereo_ = false;
    bool swapPads_ = false;
    std::array<int, 6> numbers_{100, 100, 100, 100, 3, 27461};
};

// The language the program runs in: `option` (--language), else the file's `language`, else
// the environment (settings::ChooseLanguage). With `checkBanks` a language whose banks are
// missing is not used. Writes the choice's one warning line, if any, to standard error.
const settings::Language& ChooseProgramLanguage(std::string_view option, std::string_view setting,
                                                bool checkBanks);

} // namespace vl::app
