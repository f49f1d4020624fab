// SPDX-License-Identifier: GPL-3.0-or-later
// InputFile: a file opened for reading in bounded pieces, with the program's open rules
// (regular files only, writers kept out) and its "Cannot open file" message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vl::container {

class InputFile {
public:
    // Opens `path` exactly as given, for reading with writers refused where the system can
    // (a shared advisory lock; a file another process holds exclusively fails at once).
    // Only regular files are read: a directory fails with the system's "Is a directory",
    // a device or pipe with "No such device". Nothing is read yet. Throws
    // EFOpenError(kCannotOpenFile) with the absolute path and the reason.
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // The file's size when it was opened.
    uint64_t Size() const { return size_; }
    const std::string& Path() const { return path_; }

    // Reads up to `n` bytes at `offset` into `dst`; fewer only at the end of the file.
    // Throws EFOpenError with the system's reason when reading fails.
    size_t ReadAt(uint64_t offset, void* dst, size_t n);

private:
    std::string path_;
#ifdef _WIN32
    void* handle_ = nullptr; // the file's HANDLE
#else
    int fd_ = -1;
#endif
    uint64_t size_ = 0;
};

// A path in the program's own form for its data files ("snd\\menu.dat"): backslashes
// separate folders. Paths from anywhere else are used as given, since a backslash is an
// ordinary file-name character here.
std::string ProgramDataPath(std::string_view path);

} // namespace vl::container
