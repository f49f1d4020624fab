// SPDX-License-Identifier: GPL-3.0-or-later
// CommandLine: the options of the vlnedla command. Without any the program behaves as it
// always has; --help and --version answer without a display or a sound device;
// --computer SIDE[:LEVEL] lets the computer play a craft; --language CODE chooses the language.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "match/ComputerPlayer.h"
#include "net/Protocol.h"
#include "settings/Texts.h"

namespace vl::app {

inline constexpr std::string_view kProgramName = "vlnedla";
inline constexpr std::string_view kProgramVersion = VLNEDLA_VERSION;

// How the matches of a run are played.
struct PlayOptions {
    // The computer's level for the left and the right craft (0 the practice target);
    // match::kNoComputer where a person plays.
    std::array<int32_t, 2> computer{match::kNoComputer, match::kNoComputer};
    // A duel over the network: this program hosts it (left craft) or joins one (right).
    enum class Network { None, Host, Join };
    Network network = Network::None;
    std::string joinHost;              // Join: the host's name or address
    uint16_t port = net::kDefaultPort; // the host's
    // The simulator's duel: a frame waits for the peer where it stands (see NetDuel).
    bool waitInFrame = false;
    // --language's code, one of settings::Languages(); empty: not given.
    std::string language;
    // --record FILE: the next match's replay goes there instead of the user's folder.
    std::filesystem::path recordFile;
    // The simulator's --record DIR: every match as DIR/1.vlr, 2.vlr, ...; when set (or when
    // `recordOff`), nothing goes to the user's folder.
    std::filesystem::path recordFolder;
    bool recordOff = false;
    // --replay FILE: the program plays that replay's match and ends.
    std::filesystem::path replayFile;
    // --render OUT (with --replay): the match's sound goes to OUT (.wav or .opus), without a
    // window or a sound device.
    std::filesystem::path renderFile;
};

struct CommandLine {
    enum class Action { Play, Help, Version, Refuse };
    Action action = Action::Play;
    std::string reason; // Refuse: why, one line
    PlayOptions play;
};

// Reads the arguments after the program's name. An unknown option, a stray argument, a
// missing or bad value is refused with its reason.
CommandLine ParseCommandLine(const std::vector<std::string_view>& args);

// Reads the value of one --computer: "left" or "right", optionally ":0" (the practice
// target) to ":5" (3 when left out), into `play`. False, with the reason, for a bad value or a side
// given twice.
bool ParseComputerOption(std::string_view value, PlayOptions& play, std::string& reason);

// Reads --host's optional PORT or --join's HOST[:PORT] into `play`. False, with the
// reason, for a bad value.
bool ParseHostOption(std::string_view port, PlayOptions& play, std::string& reason);
bool ParseJoinOption(std::string_view value, PlayOptions& play, std::string& reason);

// Reads --language's value into `play`. False, with the reason naming the languages, for a
// code the game does not have.
bool ParseLanguageOption(std::string_view value, PlayOptions& play, std::string& reason);

// The usage in `texts`' language, one line an option: what --help prints, and the tail of a
// refusal.
std::string Usage(const settings::Texts& texts);

} // namespace vl::app
