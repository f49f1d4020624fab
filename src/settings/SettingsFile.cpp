// SPDX-License-Identifier: GPL-3.0-or-later
// SettingsFile: reading with its checks, changing by key, the atomic write and keeping a
// damaged file.
//
// Index:
//   - helpers: Trim, WriteAndSync, WriteAtomically
//   - Load, Damaged, Reject
//   - Get, Keys, Set
//   - Save
#include "settings/SettingsFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include "container/Error.h"
#include "settings/Paths.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vl::settings {

namespace {

// The largest settings file read; a larger one is damaged (nobody writes that by hand).
constexpr size_t kMaxBytes = size_t{1} << 20;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// `bytes` into a new file at `path`, on the disk before it returns true (errno set when not).
bool WriteAndSync(const std::filesystem::path& path, const std::string& bytes) {
#ifndef _WIN32
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    const bool ok = done == bytes.size() && ::fsync(fd) == 0;
    const int err = errno;
    if (::close(fd) != 0 || !ok) {
        errno = ok ? errno : err;
        return false;
    }
    return true;
#else
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) errno = EIO;
    return static_cast<bool>(out);
#endif
}

// `bytes` to `path` through a temporary file beside it, on the disk, renamed over it.
bool WriteAtomically(const std::filesystem::path& path, const std::string& bytes,
                     std::string* error) {
    const auto fail = [error, &path](const std::string& why) {
        if (error) *error = "cannot write " + Utf8Of(path) + ": " + why;
        return false;
    };
    std::error_code ec;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) return fail(ec.message());
    std::filesystem::path temp = path;
    temp += ".tmp";
#ifndef _WIN32
    temp += std::to_string(::getpid());
#endif
    if (!WriteAndSync(temp, bytes)) {
        const int err = errno;
        std::filesystem::remove(temp, ec);
        return fail(std::strerror(err != 0 ? err : EIO));
    }
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        return fail(ec.message());
    }
    return true;
}

} // namespace

bool WriteFileAtomically(const std::filesystem::path& path, const std::string& bytes,
                         std::string* error) {
    return WriteAtomically(path, bytes, error);
}

// --- reading --------------------------------------------------------------------------

SettingsFile SettingsFile::Load(const std::filesystem::path& path) {
    SettingsFile file;
    file.path_ = path;
    file.writable_ = !path.empty();
    if (path.empty()) return file;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return file; // the defaults, written on a change
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        // Unreadable: nothing to keep, and nothing to write over it either.
        file.warning_ = path.string() + ": cannot be read; using the default settings";
        file.writable_ = false;
        return file;
    }
    // One byte past the limit tells a file too large, without reading all of it.
    std::string bytes(kMaxBytes + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    if (bytes.size() <= kMaxBytes) return FromBytes(path, std::move(bytes));
    // Too large to hold: kept as .bad by a copy of the whole file.
    std::filesystem::path bad = path;
    bad += ".bad";
    std::filesystem::copy_file(path, bad, std::filesystem::copy_options::overwrite_existing, ec);
    file.warning_ = path.string() + ": larger than 1 MiB; using the default settings" +
                    (ec ? " (" + ec.message() + "; the file is left as it is)"
                        : " (the file is kept as " + bad.string() + ")");
    file.writable_ = !ec;
    return file;
}

SettingsFile SettingsFile::Peek(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(kMaxBytes + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(in ? bytes.size() : static_cast<size_t>(in.gcount()));
    if (bytes.size() > kMaxBytes) return {};
    return FromBytes({}, std::move(bytes));
}

SettingsFile SettingsFile::FromBytes(const std::filesystem::path& path, std::string bytes) {
    SettingsFile file;
    file.path_ = path;
    file.writable_ = !path.empty();
    file.bytes_ = std::move(bytes);
    const std::string& all = file.bytes_;
    if (all.size() > kMaxBytes) {
        file.Damaged(0, "larger than 1 MiB", all);
        return file;
    }
    size_t number = 0;
    size_t at = 0;
    while (at < all.size()) {
        ++number;
        size_t end = all.find('\n', at);
        if (end == std::string::npos) end = all.size();
        const std::string_view raw(all.data() + at, end - at);
        at = end + 1;
        for (size_t i = 0; i < raw.size();) {
            const auto c = static_cast<unsigned char>(raw[i]);
            const bool control = c < 0x20 && c != '\t' && !(c == '\r' && i + 1 == raw.size());
            const size_t n = Utf8SequenceAt(raw, i);
            if (control || c == 0x7F || n == 0) {
                file.Damaged(number, "binary bytes", all);
                return file;
            }
            i += n;
        }
        Line line{std::string(raw), {}, {}};
        if (!line.text.empty() && line.text.back() == '\r') line.text.pop_back();
        const std::string_view text = Trim(raw);
        if (!text.empty() && text.front() != '#') {
            const size_t eq = text.find('=');
            if (eq == std::string_view::npos) {
                file.Damaged(number, "no '=' in the line", all);
                return file;
            }
            line.key = std::string(Trim(text.substr(0, eq)));
            line.value = std::string(Trim(text.substr(eq + 1)));
            if (line.key.empty()) {
                file.Damaged(number, "no key before '='", all);
                return file;
            }
        }
        file.lines_.push_back(std::move(line));
    }
    return file;
}

void SettingsFile::Damaged(size_t lineNumber, std::string_view reason, const std::string& bytes) {
    lines_.clear();
    std::filesystem::path bad = path_;
    bad += ".bad";
    std::string error = "kept nowhere";
    const bool kept = !path_.empty() && WriteAtomically(bad, bytes, &error);
    warning_ = path_.string() + (lineNumber > 0 ? ":" + std::to_string(lineNumber) : "") + ": " +
               std::string(reason) + "; using the default settings";
    if (kept) {
        warning_ += " (the file is kept as " + bad.string() + ")";
    } else {
        // Without the copy the damaged file must stay as it is: never written over.
        warning_ += " (" + error + "; the file is left as it is)";
        writable_ = false;
    }
}

void SettingsFile::Reject(std::string_view key, std::string_view reason) {
    size_t number = 0;
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].key == key) number = i + 1;
    if (number == 0) return; // not from the file
    Damaged(number, std::string(key) + ": " + std::string(reason), bytes_);
}

// --- values ---------------------------------------------------------------------------

void SettingsFile::Erase(std::string_view key) {
    std::erase_if(lines_, [&](const Line& line) { return line.key == key; });
}

std::optional<std::string> SettingsFile::Get(std::string_view key) const {
    // The last line of a key counts, as a reader of the file would expect.
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it)
        if (it->key == key) return it->value;
    return std::nullopt;
}

std::vector<std::string> SettingsFile::Keys() const {
    std::vector<std::string> keys;
    for (const Line& line : lines_)
        if (!line.key.empty()) keys.push_back(line.key);
    return keys;
}

bool SettingsFile::Set(std::string_view key, std::string_view value) {
    const auto clean = [](std::string_view s, bool isKey) {
        if (s != Trim(s)) return false;
        for (const char c : s)
            if (static_cast<unsigned char>(c) < 0x20 || (isKey && (c == '=' || c == '#')))
                return false;
        return true;
    };
    if (key.empty() || key.front() == '#' || !clean(key, true) || !clean(value, false))
        return false;
    const std::string text = std::string(key) + " = " + std::string(value);
    bool found = false;
    for (auto it = lines_.rbegin(); it != lines_.rend() && !found; ++it) {
        if (it->key != key) continue;
        *it = Line{text, std::string(key), std::string(value)};
        found = true;
    }
    if (!found) lines_.push_back(Line{text, std::string(key), std::string(value)});
    return true;
}

// --- writing --------------------------------------------------------------------------

bool SettingsFile::Save(std::string* error) const {
    if (!writable_) {
        if (error)
            *error = path_.empty() ? "no place for the settings is known"
                                   : path_.string() + " is left as it is";
        return false;
    }
    return WriteAtomically(path_, Text(), error);
}

std::string SettingsFile::Text() const {
    std::string bytes;
    for (const Line& line : lines_) bytes += line.text + "\n";
    return bytes;
}

} // namespace vl::settings
