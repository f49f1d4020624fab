// SPDX-License-Identifier: GPL-3.0-or-later
// Common: what the data tool's command families share — help and usage output, command
// dispatch, the JSON string form, writing output files, loading a data file while keeping
// its failure, and the word lines of a manifest.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "container/Error.h"
#include "container/InputFile.h"
#include "container/ObjectStream.h"

namespace vl::tools {

// --- help, usage and dispatch ------------------------------------------------------------

// True when any argument asks for help ("--help" or "-h").
bool WantsHelp(const std::vector<std::string>& args);

// Prints `usage` on standard output. Returns exit code 0.
int Help(std::string_view usage);

// Prints "vlnedla-assets: PROBLEM", a blank line and `usage` on standard error. Returns
// exit code 2, bad usage.
int Usage(std::string_view usage, std::string_view problem);

// One command of a family: its name and what runs it with the arguments after the name.
struct Command {
    std::string_view name;
    int (*run)(const std::vector<std::string>& args);
};

// A command family ("bank", "pics") with the texts its dispatch shows.
struct Family {
    std::string_view usage;            // the family's help text
    std::string_view missing;          // the problem when no command is named
    std::string_view unknown;          // the problem for an unknown command; %s is its name
    std::span<const Command> commands; // in no particular order
};

// Runs the command named by args[0] with the rest of `args`; "--help", "-h" and "help"
// print the family's usage. Returns the command's exit code, 0 for help, or 2 (with the
// usage on standard error) when the command is missing or unknown.
int RunFamily(const Family& family, const std::vector<std::string>& args);

// --- output --------------------------------------------------------------------------------

// A JSON string literal, quotes included. Valid UTF-8 passes through; a byte that is not
// part of a valid sequence is written as \u00XX, its Latin-1 code point, so that the
// output stays valid JSON whatever the file's names hold.
std::string JsonString(std::string_view s);

// Writes `bytes` to `path`, replacing what was there. Returns nothing when all was
// written and closed, else the system's reason.
std::optional<std::string> WriteFile(const std::filesystem::path& path,
                                     const std::vector<uint8_t>& bytes);
// As WriteFile, with the contents put by `fill` piece by piece, so that a large output
// is never held whole in memory.
std::optional<std::string> WriteStreamed(const std::filesystem::path& path,
                                         const std::function<void(std::ostream&)>& fill);

// The tool's message for an output that failed: `cannot write "PATH": REASON` (or
// `cannot make` for a folder) on standard error. Returns exit code 1.
int CannotWrite(const std::filesystem::path& path, const std::string& reason);
int CannotMake(const std::filesystem::path& dir, const std::string& reason);

// Fills `collection` from the file at `path` (taken exactly as given) the way the game
// does, reading only as far as the file's content declares. Returns the failure's
// message, if any; the items read before it stay in `collection`.
template <class Collection>
std::optional<std::string> LoadReporting(Collection& collection, const std::string& path) {
    try {
        container::InputFile file(path);
        container::ByteReader in(file);
        collection.LoadFromStream(in);
    } catch (const Error& e) {
        return e.Message();
    }
    return std::nullopt;
}

// Ends a command that read a data file: with a failure, prints its message on standard
// error as the last line, after all standard output so far, and returns 1; else returns 0.
int FinishLoad(const std::optional<std::string>& failure);

// --- manifests -----------------------------------------------------------------------------

// One line of a manifest that holds an item: its number (from 1), its words, and what is
// wrong with the way it is written (empty when nothing).
struct ManifestLine {
    int number = 0;
    std::vector<std::string> words;
    std::string problem;
};

// Splits manifest text at '\n' into lines and each line at white space into words. A word
// in double quotes may hold white space and '#'; in it \" stands for a quote and \\ for a
// backslash (any other backslash is kept as it is), and the closing quote must end the
// word. An unquoted word starting with '#' starts a comment that runs to the end of the
// line. Lines without words are left out; the others keep their line numbers for
// messages. A line with an unclosed quote carries its problem and the words before it.
std::vector<ManifestLine> ManifestLines(std::string_view text);

} // namespace vl::tools
