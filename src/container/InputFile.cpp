// SPDX-License-Identifier: GPL-3.0-or-later
// InputFile: opening a data file with the program's rules, and positioned reads from it.
#include "container/InputFile.h"

#include "container/ObjectStream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace vl::container {

namespace {

[[noreturn]] void ThrowOpen(const std::string& path, int err) {
    std::string shown = path;
    try {
        shown = std::filesystem::absolute(path).string();
    } catch (const std::exception&) {
        // No working directory to resolve against: the path is shown as given.
    }
    const std::string reason = std::strerror(err);
    throw EFOpenError(Format(kCannotOpenFile, {shown, reason}));
}

} // namespace

InputFile::InputFile(const std::string& path) : path_(path) {
    // Non-blocking, so that opening a pipe never waits for a writer; cleared for reads.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd_ < 0) ThrowOpen(path, errno);
    // From here on a failure must close the descriptor: the destructor does not run.
    const auto fail = [this](int err) {
        ::close(fd_);
        fd_ = -1;
        ThrowOpen(path_, err);
    };
    struct stat st {};
    if (::fstat(fd_, &st) != 0) fail(errno);
    if (S_ISDIR(st.st_mode)) fail(EISDIR);
    if (!S_ISREG(st.st_mode)) fail(ENODEV);
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);

    // Writers that take an exclusive lock are kept out while we read; one that holds
    // it now makes the open fail instead of blocking start-up.
    while (::flock(fd_, LOCK_SH | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno == EWOULDBLOCK) fail(errno);
        break; // a file system without advisory locks: read unprotected
    }
    size_ = static_cast<uint64_t>(std::max<off_t>(st.st_size, 0));
}

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

size_t InputFile::ReadAt(uint64_t offset, void* dst, size_t n) {
    auto* out = static_cast<uint8_t*>(dst);
    size_t got = 0;
    while (got < n) {
        const ssize_t r = ::pread(fd_, out + got, n - got, static_cast<off_t>(offset + got));
        if (r == 0) break;
        if (r < 0) {
            if (errno == EINTR) continue;
            ThrowOpen(path_, errno);
        }
        got += static_cast<size_t>(r);
    }
    return got;
}

std::string ProgramDataPath(std::string_view path) {
    std::string out(path);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

} // namespace vl::container
