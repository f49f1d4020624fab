// SPDX-License-Identifier: GPL-3.0-or-later
// CommandLine: parsing the options and the usage text.
#include "app/CommandLine.h"

namespace vl::app {

CommandLine ParseCommandLine(const std::vector<std::string_view>& args) {
    CommandLine out;
    for (const std::string_view arg : args) {
        CommandLine::Action action = CommandLine::Action::Refuse;
        if (arg == "--help" || arg == "-h") action = CommandLine::Action::Help;
        if (arg == "--version") action = CommandLine::Action::Version;
        if (action == CommandLine::Action::Refuse) {
            out.action = action;
            out.reason = arg.starts_with("-") ? "unknown option '" + std::string(arg) + "'"
                                              : "unexpected argument '" + std::string(arg) + "'";
            return out;
        }
        // The first of --help and --version given decides; both answer and end.
        if (out.action == CommandLine::Action::Play) out.action = action;
    }
    return out;
}

std::string Usage() {
    return "Usage: vlnedla [OPTION]\n"
           "A two-player hovercraft duel played by ear (menus and speech in Czech).\n"
           "Without options the game starts with its spoken main menu; it reads its data\n"
           "from snd/ and pics/ in the current folder.\n"
           "\n"
           "  -h, --help     show this help and end\n"
           "      --version  show the version and end\n";
}

} // namespace vl::app
