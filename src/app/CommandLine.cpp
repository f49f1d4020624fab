// SPDX-License-Identifier: GPL-3.0-or-later
// CommandLine: parsing the options and the usage text.
#include "app/CommandLine.h"

#include "match/ComputerPlayer.h"

namespace vl::app {

bool ParseComputerOption(std::string_view value, PlayOptions& play, std::string& reason) {
    const size_t colon = value.find(':');
    const std::string_view side = value.substr(0, colon);
    const std::string_view level = colon == std::string_view::npos ? "" : value.substr(colon + 1);
    const int index = side == "left" ? 0 : side == "right" ? 1 : -1;
    const bool levelOk = colon == std::string_view::npos ||
                         (level.size() == 1 && level[0] >= '1' &&
                          level[0] < static_cast<char>('1' + match::kComputerLevels));
    if (index < 0 || !levelOk) {
        reason = "bad value '" + std::string(value) +
                 "' for --computer: expected left or right, optionally with :1, :2 or :3";
        return false;
    }
    int32_t& slot = play.computer[static_cast<size_t>(index)];
    if (slot != 0) {
        reason = "--computer " + std::string(side) + " given twice";
        return false;
    }
    slot = colon == std::string_view::npos ? match::kDefaultComputerLevel : level[0] - '0';
    return true;
}

CommandLine ParseCommandLine(const std::vector<std::string_view>& args) {
    CommandLine out;
    const auto refuse = [&out](std::string reason) {
        out.action = CommandLine::Action::Refuse;
        out.reason = std::move(reason);
        return out;
    };
    CommandLine::Action answer = CommandLine::Action::Play;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h" || arg == "--version") {
            // The first of --help and --version given decides; both answer and end.
            if (answer == CommandLine::Action::Play)
                answer =
                    arg == "--version" ? CommandLine::Action::Version : CommandLine::Action::Help;
            continue;
        }
        if (arg == "--computer" || arg.starts_with("--computer=")) {
            std::string_view value;
            if (arg == "--computer") {
                if (i + 1 >= args.size()) return refuse("--computer needs a value");
                value = args[++i];
            } else {
                value = arg.substr(std::string_view("--computer=").size());
            }
            std::string reason;
            if (!ParseComputerOption(value, out.play, reason)) return refuse(reason);
            continue;
        }
        return refuse(arg.starts_with("-") ? "unknown option '" + std::string(arg) + "'"
                                           : "unexpected argument '" + std::string(arg) + "'");
    }
    out.action = answer;
    return out;
}

std::string Usage() {
    return "Usage: vlnedla [OPTION]...\n"
           "A two-player hovercraft duel played by ear (menus and speech in Czech).\n"
           "Without options the game starts with its spoken main menu; it reads its data\n"
           "from snd/ and pics/ in the current folder.\n"
           "\n"
           "  -h, --help     show this help and end\n"
           "      --version  show the version and end\n"
           "      --computer SIDE[:LEVEL]\n"
           "                 the computer plays the craft of SIDE (left or right) in every\n"
           "                 match, at LEVEL 1 (beginner), 2 (default) or 3 (hard); give it\n"
           "                 once for each side to watch the computer play itself\n";
}

} // namespace vl::app
