// SPDX-License-Identifier: GPL-3.0-or-later
// CommandLine: the options of the vlnedla command. Without any the program behaves as it
// always has; --help and --version answer without a display or a sound device.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vl::app {

inline constexpr std::string_view kProgramName = "vlnedla";
inline constexpr std::string_view kProgramVersion = VLNEDLA_VERSION;

struct CommandLine {
    enum class Action { Play, Help, Version, Refuse };
    Action action = Action::Play;
    std::string reason; // Refuse: why, one line
};

// Reads the arguments after the program's name. An unknown option, a stray argument or a
// missing value is refused with its reason.
CommandLine ParseCommandLine(const std::vector<std::string_view>& args);

// The usage, one line an option: what --help prints, and the tail of a refusal.
std::string Usage();

} // namespace vl::app
