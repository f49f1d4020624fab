// SPDX-License-Identifier: GPL-3.0-or-later
// CommandLine: parsing the options and the usage text.
#include "app/CommandLine.h"

#include <filesystem>

#include "app/SoundFileWriter.h"
#include "match/ComputerPlayer.h"
#include "settings/Language.h"
#include "settings/Paths.h"

namespace vl::app {

bool ParseComputerOption(std::string_view value, PlayOptions& play, std::string& reason) {
    const size_t colon = value.find(':');
    const std::string_view side = value.substr(0, colon);
    const std::string_view level = colon == std::string_view::npos ? "" : value.substr(colon + 1);
    const int index = side == "left" ? 0 : side == "right" ? 1 : -1;
    const bool levelOk = colon == std::string_view::npos ||
                         (level.size() == 1 && level[0] >= '0' + match::kPracticeLevel &&
                          level[0] <= '0' + match::kComputerLevels);
    if (index < 0 || !levelOk) {
        reason = "bad value '" + std::string(value) +
                 "' for --computer: expected left or right, optionally with :0 (practice) to :5";
        return false;
    }
    int32_t& slot = play.computer[static_cast<size_t>(index)];
    if (slot != match::kNoComputer) {
        reason = "--computer " + std::string(side) + " given twice";
        return false;
    }
    slot = colon == std::string_view::npos ? match::kDefaultComputerLevel : level[0] - '0';
    return true;
}

namespace {

// A port number 1..65535, nothing else.
bool ParsePort(std::string_view text, uint16_t& port) {
    if (text.empty() || text.size() > 5) return false;
    uint32_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint32_t>(c - '0');
    }
    if (v == 0 || v > 65535) return false;
    port = static_cast<uint16_t>(v);
    return true;
}

} // namespace

bool ParseHostOption(std::string_view port, PlayOptions& play, std::string& reason) {
    play.network = PlayOptions::Network::Host;
    if (!port.empty() && !ParsePort(port, play.port)) {
        reason = "bad port '" + std::string(port) + "' for --host: expected 1 to 65535";
        return false;
    }
    return true;
}

bool ParseJoinOption(std::string_view value, PlayOptions& play, std::string& reason) {
    play.network = PlayOptions::Network::Join;
    const size_t colon = value.rfind(':');
    const std::string_view host = value.substr(0, colon);
    const bool portOk =
        colon == std::string_view::npos || ParsePort(value.substr(colon + 1), play.port);
    if (host.empty() || !portOk) {
        reason = "bad value '" + std::string(value) + "' for --join: expected HOST or HOST:PORT";
        return false;
    }
    play.joinHost = std::string(host);
    return true;
}

bool ParseLanguageOption(std::string_view value, PlayOptions& play, std::string& reason) {
    if (!settings::FindLanguage(value)) {
        reason = "unknown language '" + std::string(value) + "' for --language: expected one of " +
                 settings::LanguageList();
        return false;
    }
    play.language = std::string(value);
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
        // An option with a value: "--name VALUE" or "--name=VALUE".
        std::string_view value;
        bool missing = false;
        const auto valued = [&](std::string_view name) {
            if (arg == name) {
                missing = i + 1 >= args.size();
                if (!missing) value = args[++i];
                return true;
            }
            if (!arg.starts_with(name) || arg.size() <= name.size() || arg[name.size()] != '=')
                return false;
            value = arg.substr(name.size() + 1);
            return true;
        };
        if (valued("--computer") || valued("--language") || valued("--record") ||
            valued("--replay") || valued("--render")) {
            const std::string name(arg.substr(0, arg.find('=')));
            if (missing) return refuse(name + " needs a value");
            std::string reason;
            if ((name == "--language" && !out.play.language.empty()) ||
                (name == "--record" && !out.play.recordFile.empty()) ||
                (name == "--render" && !out.play.renderFile.empty()))
                return refuse(name + " given twice");
            if (name == "--replay") {
                if (value.empty() || !out.play.replayFile.empty())
                    return refuse("--replay needs one file");
                out.play.replayFile = settings::PathFromUtf8(value);
                continue;
            }
            if (name == "--render") {
                if (!SoundFileWriter::KindOf(std::filesystem::path(value)))
                    return refuse("--render's file must end in .wav or .opus");
                out.play.renderFile = settings::PathFromUtf8(value);
                continue;
            }
            if (name == "--record") {
                if (value.empty()) return refuse("--record needs a file");
                out.play.recordFile = settings::PathFromUtf8(value);
                continue;
            }
            const bool ok = name == "--computer" ? ParseComputerOption(value, out.play, reason)
                                                 : ParseLanguageOption(value, out.play, reason);
            if (!ok) return refuse(reason);
            continue;
        }
        if (arg == "--host" || arg == "--join") {
            if (out.play.network != PlayOptions::Network::None)
                return refuse("only one of --host and --join, once");
            std::string reason;
            if (arg == "--host") {
                // The port is optional: the next argument is one if it is a number.
                std::string_view port;
                if (i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] >= '0' &&
                    args[i + 1][0] <= '9')
                    port = args[++i];
                if (!ParseHostOption(port, out.play, reason)) return refuse(reason);
            } else {
                if (i + 1 >= args.size()) return refuse("--join needs a value");
                if (!ParseJoinOption(args[++i], out.play, reason)) return refuse(reason);
            }
            continue;
        }
        return refuse(arg.starts_with("-") ? "unknown option '" + std::string(arg) + "'"
                                           : "unexpected argument '" + std::string(arg) + "'");
    }
    if (out.play.network != PlayOptions::Network::None &&
        (out.play.computer[0] != match::kNoComputer || out.play.computer[1] != match::kNoComputer))
        return refuse("--computer cannot be combined with --host or --join");
    if (!out.play.replayFile.empty() &&
        (out.play.network != PlayOptions::Network::None ||
         out.play.computer[0] != match::kNoComputer || out.play.computer[1] != match::kNoComputer ||
         !out.play.recordFile.empty()))
        return refuse("--replay cannot be combined with --computer, --host, --join or --record");
    if (!out.play.renderFile.empty() && out.play.replayFile.empty())
        return refuse("--render needs --replay");
    out.action = answer;
    return out;
}

std::string Usage(const settings::Texts& texts) {
    return std::string(texts.usage);
}

} // namespace vl::app
