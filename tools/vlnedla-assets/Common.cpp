// SPDX-License-Identifier: GPL-3.0-or-later
// Common: the data tool's shared help, dispatch, JSON, file and manifest helpers.
#include "Common.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace vl::tools {

namespace {

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

} // namespace

// --- help, usage and dispatch ------------------------------------------------------------

bool WantsHelp(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") return true;
    }
    return false;
}

int Help(std::string_view usage) {
    std::fwrite(usage.data(), 1, usage.size(), stdout);
    return 0;
}

int Usage(std::string_view usage, std::string_view problem) {
    std::fprintf(stderr, "vlnedla-assets: %.*s\n\n%.*s", static_cast<int>(problem.size()),
                 problem.data(), static_cast<int>(usage.size()), usage.data());
    return 2;
}

int RunFamily(const Family& family, const std::vector<std::string>& args) {
    if (args.empty()) return Usage(family.usage, family.missing);
    const std::string& name = args.front();
    if (name == "--help" || name == "-h" || name == "help") return Help(family.usage);
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const Command& command : family.commands) {
        if (name == command.name) return command.run(rest);
    }
    return Usage(family.usage, Format(family.unknown, {name}));
}

// --- output --------------------------------------------------------------------------------

std::string JsonString(std::string_view s) {
    std::string out = "\"";
    char esc[8];
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<uint8_t>(s[i]);
        if (b >= 0x80) {
            if (const size_t n = Utf8SequenceAt(s, i); n > 0) {
                out.append(s.substr(i, n));
                i += n;
                continue;
            }
            std::snprintf(esc, sizeof esc, "\\u%04x", b);
            out += esc;
        } else if (b == '"') {
            out += "\\\"";
        } else if (b == '\\') {
            out += "\\\\";
        } else if (b == '\n') {
            out += "\\n";
        } else if (b == '\r') {
            out += "\\r";
        } else if (b == '\t') {
            out += "\\t";
        } else if (b < 0x20) {
            std::snprintf(esc, sizeof esc, "\\u%04x", b);
            out += esc;
        } else {
            out += static_cast<char>(b);
        }
        ++i;
    }
    out += '"';
    return out;
}

std::optional<std::string> WriteFile(const std::filesystem::path& path,
                                     const std::vector<uint8_t>& bytes) {
    return WriteStreamed(path, [&](std::ostream& out) {
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    });
}

std::optional<std::string> WriteStreamed(const std::filesystem::path& path,
                                         const std::function<void(std::ostream&)>& fill) {
    errno = 0; // a stream failure need not set it; EIO stands in then
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) fill(out);
    if (out) out.close(); // a failure to flush counts as a failure to write
    if (!out) return std::string(std::strerror(errno ? errno : EIO));
    return std::nullopt;
}

int CannotWrite(const std::filesystem::path& path, const std::string& reason) {
    std::fprintf(stderr, "vlnedla-assets: cannot write \"%s\": %s\n", path.string().c_str(),
                 reason.c_str());
    return 1;
}

int CannotMake(const std::filesystem::path& dir, const std::string& reason) {
    std::fprintf(stderr, "vlnedla-assets: cannot make \"%s\": %s\n", dir.string().c_str(),
                 reason.c_str());
    return 1;
}

int FinishLoad(const std::optional<std::string>& failure) {
    if (!failure) return 0;
    std::fflush(stdout); // where both streams go to one place, the message comes last
    std::fprintf(stderr, "%s\n", failure->c_str());
    return 1;
}

// --- manifests -----------------------------------------------------------------------------

std::vector<ManifestLine> ManifestLines(std::string_view text) {
    std::vector<ManifestLine> lines;
    int number = 0;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ManifestLine entry;
        entry.number = ++number;
        for (size_t i = 0;;) {
            while (i < line.size() && IsSpace(line[i])) ++i;
            if (i == line.size() || line[i] == '#') break;
            std::string word;
            if (line[i] != '"') {
                while (i < line.size() && !IsSpace(line[i])) word += line[i++];
                entry.words.push_back(std::move(word));
                continue;
            }
            bool closed = false;
            for (++i; i < line.size() && !closed;) {
                const char c = line[i++];
                if (c == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\'))
                    word += line[i++];
                else if (c == '"')
                    closed = true;
                else
                    word += c;
            }
            if (!closed) {
                entry.problem = "a quoted name has no closing quote";
                break;
            }
            if (i < line.size() && !IsSpace(line[i])) {
                entry.problem = "a closing quote must end its word";
                break;
            }
            entry.words.push_back(std::move(word));
        }
        if (entry.words.empty() && entry.problem.empty()) continue;
        lines.push_back(std::move(entry));
    }
    return lines;
}

} // namespace vl::tools
