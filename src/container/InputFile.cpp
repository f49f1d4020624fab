// SPDX-License-Identifier: GPL-3.0-or-later
// InputFile: opening a data file with the program's rules, and positioned reads from it.
#include "container/InputFile.h"

#include "container/ObjectStream.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

#ifdef _WIN32

namespace {

// A Windows error as the C library's number, so the message reads as on Linux.
int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EWOULDBLOCK;
    default:
        return EIO;
    }
}

// `utf8` for Windows' wide-character calls.
std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(std::max(n, 0)), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

} // namespace

InputFile::InputFile(const std::string& path) : path_(path) {
    // Others may read meanwhile, not write: a writer is kept out, one already writing
    // makes the open fail.
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) ThrowOpen(path, ErrnoOf(GetLastError()));
    const auto fail = [h, this](int err) {
        CloseHandle(h);
        ThrowOpen(path_, err);
    };
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) fail(ErrnoOf(GetLastError()));
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) fail(EISDIR);
    if (GetFileType(h) != FILE_TYPE_DISK) fail(ENODEV);
    handle_ = h;
    size_ = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
}

InputFile::~InputFile() {
    if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
}

size_t InputFile::ReadAt(uint64_t offset, void* dst, size_t n) {
    auto* out = static_cast<uint8_t*>(dst);
    size_t got = 0;
    while (got < n) {
        OVERLAPPED at{};
        const uint64_t where = offset + got;
        at.Offset = static_cast<DWORD>(where & 0xFFFFFFFFU);
        at.OffsetHigh = static_cast<DWORD>(where >> 32);
        const DWORD want = static_cast<DWORD>(std::min<size_t>(n - got, 1U << 30));
        DWORD r = 0;
        if (!ReadFile(static_cast<HANDLE>(handle_), out + got, want, &r, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            ThrowOpen(path_, ErrnoOf(GetLastError()));
        }
        if (r == 0) break;
        got += r;
    }
    return got;
}

#else

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

#endif

std::string ProgramDataPath(std::string_view path) {
    std::string out(path);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

} // namespace vl::container
