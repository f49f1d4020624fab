// SPDX-License-Identifier: GPL-3.0-or-later
// SettingsFile: a user's settings file — `key = value` lines and `#` comments — read whole at
// start, changed by key, and written atomically (a temporary file renamed over the old) so a
// crash or a full disk never leaves half a file. Lines the program does not know are kept
// as they stand when the file is written again.
//
// A file that cannot be read or has a bad line (binary junk, a line without `=`, a value a
// reader rejects) never stops the program: its values are dropped (the defaults hold), one
// warning names the line, and its bytes are kept as PATH.bad before anything writes PATH.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vl::settings {

class SettingsFile {
public:
    // An empty file that is never written (no place for settings is known).
    SettingsFile() = default;
    // Reads `path`; a missing file is an empty one. A damaged file comes back empty and
    // Warning() says why; its bytes are then already kept as PATH.bad.
    static SettingsFile Load(const std::filesystem::path& path);
    // Reads `path` and touches nothing: a damaged or too large file comes back empty, kept
    // nowhere, never written, with its warning (for a glance before the program starts).
    static SettingsFile Peek(const std::filesystem::path& path);
    // The same from the file's bytes as read from `path` (empty: kept nowhere, never
    // written).
    static SettingsFile FromBytes(const std::filesystem::path& path, std::string bytes);

    const std::filesystem::path& Path() const { return path_; }
    // The one line to write to standard error about this file; empty when all is well.
    const std::string& Warning() const { return warning_; }

    // The value of `key` (spaces around it trimmed); nothing when the file has none.
    std::optional<std::string> Get(std::string_view key) const;
    // Every key the file holds, in file order.
    std::vector<std::string> Keys() const;
    // Sets `key` to `value`: its line is rewritten in place, or a line is added at the end.
    // A key or value that would not read back the same (a line break, `=` or `#` in the
    // key, leading or trailing spaces) is refused: false, nothing changed.
    bool Set(std::string_view key, std::string_view value);
    // Removes every line of `key` (the reader's default holds again).
    void Erase(std::string_view key);
    // A reader found the value of `key` unusable (`reason`): the whole file counts as
    // damaged, as if it had a bad line there.
    void Reject(std::string_view key, std::string_view reason);

    // What Save writes: every line as it stands, or as Set wrote it.
    std::string Text() const;
    // Writes the file atomically, making its folder when missing. False with `error` set
    // when it cannot (the old file is then whole); always false for a file whose damaged
    // bytes could not be kept as PATH.bad, or that has no path.
    bool Save(std::string* error = nullptr) const;

private:
    struct Line {
        std::string text;       // as written
        std::string key, value; // empty key: a comment or a blank line
    };
    // Drops every value, says which line was wrong and keeps the bytes as PATH.bad.
    void Damaged(size_t lineNumber, std::string_view reason, const std::string& bytes);

    std::filesystem::path path_;
    std::vector<Line> lines_;
    std::string bytes_; // as read, for a rejection after loading
    std::string warning_;
    bool writable_ = false;
};

// Writes `bytes` to `path` through a temporary file beside it, synced to the disk and renamed
// over it, making its folder when missing: a crash leaves the old file or the new, whole. False
// with `error` ("cannot write PATH: why") when it cannot.
bool WriteFileAtomically(const std::filesystem::path& path, const std::string& bytes,
                         std::string* error = nullptr);

} // namespace vl::settings
