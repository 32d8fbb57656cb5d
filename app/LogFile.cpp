// SPDX-License-Identifier: MIT
#include "app/LogFile.h"

#include "app/StopSignals.h"
#include "app/SystemError.h"

#include <utility>

#ifdef _WIN32
#include <QDir>
#include <windows.h>
#else
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

LogFile::~LogFile() {
    close();
}

LogFile::LogFile(LogFile&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), regular_(other.regular_),
      locked_(std::exchange(other.locked_, false)), error_(std::move(other.error_)) {}

LogFile& LogFile::operator=(LogFile&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, -1);
        regular_ = other.regular_;
        locked_ = std::exchange(other.locked_, false);
        error_ = std::move(other.error_);
    }
    return *this;
}

bool LogFile::failed() {
    error_ = systemerror::text(systemerror::last());
    return false;
}

#ifdef _WIN32

namespace {

HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

std::wstring nativePath(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}

// Shared every way, so that others may read, rotate or delete the log while
// a copy writes it, as on Linux.
constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Windows' locks keep everyone else from the bytes they cover, so copies take
// turns through a byte far past any log's end, which no one reads or writes.
OVERLAPPED lockedByte() {
    OVERLAPPED at{};
    at.OffsetHigh = 0x7FFFFFFF;
    return at;
}

LogFile::Identity identityOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return {info.dwVolumeSerialNumber,
            (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

} // namespace

bool LogFile::open(const QString& path, Access access) {
    close();
    const DWORD rights = access == Access::Read         ? GENERIC_READ
                         : access == Access::ReadAppend ? GENERIC_READ | GENERIC_WRITE
                                                        : GENERIC_WRITE;
    HANDLE file = CreateFileW(nativePath(path).c_str(), rights, ShareAll, nullptr,
                              access == Access::Read ? OPEN_EXISTING : OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return failed();
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    regular_ = GetFileType(file) == FILE_TYPE_DISK;
    return true;
}

void LogFile::close() {
    if (handle_ == -1) {
        return;
    }
    // Windows may keep the lock of a closed file a while; let it go at once.
    if (locked_) {
        OVERLAPPED at = lockedByte();
        UnlockFileEx(handleOf(handle_), 0, 1, 0, &at);
        locked_ = false;
    }
    CloseHandle(handleOf(handle_));
    handle_ = -1;
}

bool LogFile::status(std::int64_t& size, Identity& identity) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handleOf(handle_), &info)) {
        return failed();
    }
    size = static_cast<std::int64_t>((std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow);
    identity = identityOf(info);
    return true;
}

bool LogFile::identify(const QString& path, Identity& identity, bool& regular) {
    // Opened for no access at all, a folder too, only to ask what it is.
    HANDLE file = CreateFileW(nativePath(path).c_str(), 0, ShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(file, &info);
    regular = GetFileType(file) == FILE_TYPE_DISK &&
              (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    CloseHandle(file);
    identity = identityOf(info);
    return known;
}

bool LogFile::lock(bool exclusive) {
    OVERLAPPED at = lockedByte();
    const DWORD how = (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0) | LOCKFILE_FAIL_IMMEDIATELY;
    while (!LockFileEx(handleOf(handle_), how, 0, 1, 0, &at)) {
        if (GetLastError() != ERROR_LOCK_VIOLATION || stop::requested() != 0) {
            return failed();
        }
        // A lock waited for cannot be given up on a stop request: look again soon instead.
        Sleep(20);
    }
    locked_ = true;
    return true;
}

std::int64_t LogFile::readAt(char* data, std::int64_t size, std::int64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(handleOf(handle_), data, static_cast<DWORD>(size), &got, &at)) {
        if (GetLastError() == ERROR_HANDLE_EOF) {
            return 0;
        }
        failed();
        return -1;
    }
    return got;
}

bool LogFile::writeAll(const QByteArray& bytes) {
    for (qsizetype done = 0; done < bytes.size();) {
        // At the end, wherever another writer left it, as O_APPEND does.
        OVERLAPPED end{};
        end.Offset = end.OffsetHigh = 0xFFFFFFFF;
        DWORD written = 0;
        if (!WriteFile(handleOf(handle_), bytes.constData() + done,
                       static_cast<DWORD>(bytes.size() - done), &written,
                       regular_ ? &end : nullptr)) {
            return failed();
        }
        done += written;
    }
    return true;
}

bool LogFile::sync() {
    return FlushFileBuffers(handleOf(handle_)) || failed();
}

bool LogFile::truncate(std::int64_t size) {
    LARGE_INTEGER at{};
    at.QuadPart = size;
    return (SetFilePointerEx(handleOf(handle_), at, nullptr, FILE_BEGIN) &&
            SetEndOfFile(handleOf(handle_))) ||
           failed();
}

// A write to a pipe waits for its reader already; a stop request cuts it short
// (StopSignals.cpp).
void LogFile::waitForReaders() {}

#else

namespace {

int descriptorOf(std::intptr_t handle) {
    return static_cast<int>(handle);
}

} // namespace

bool LogFile::open(const QString& path, Access access) {
    close();
    const int flags = access == Access::Read ? O_RDONLY
                                             : (access == Access::ReadAppend ? O_RDWR : O_WRONLY) |
                                                   O_APPEND | O_CREAT | O_NONBLOCK;
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC | O_NOCTTY, 0666);
    if (descriptor < 0) {
        return failed();
    }
    handle_ = descriptor;
    struct stat status {};
    regular_ = ::fstat(descriptor, &status) != 0 || S_ISREG(status.st_mode);
    return true;
}

void LogFile::close() {
    if (handle_ != -1) {
        ::close(descriptorOf(handle_)); // the lock goes with the last descriptor
        handle_ = -1;
    }
    locked_ = false;
}

bool LogFile::status(std::int64_t& size, Identity& identity) {
    struct stat status {};
    if (::fstat(descriptorOf(handle_), &status) != 0) {
        return failed();
    }
    size = status.st_size;
    identity = {static_cast<std::uint64_t>(status.st_dev),
                static_cast<std::uint64_t>(status.st_ino)};
    return true;
}

bool LogFile::identify(const QString& path, Identity& identity, bool& regular) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return false;
    }
    identity = {static_cast<std::uint64_t>(status.st_dev),
                static_cast<std::uint64_t>(status.st_ino)};
    regular = S_ISREG(status.st_mode);
    return true;
}

bool LogFile::lock(bool exclusive) {
    while (::flock(descriptorOf(handle_), exclusive ? LOCK_EX : LOCK_SH) != 0) {
        if (errno != EINTR || stop::requested() != 0) {
            return failed();
        }
    }
    locked_ = true;
    return true;
}

std::int64_t LogFile::readAt(char* data, std::int64_t size, std::int64_t offset) {
    const ssize_t n = ::pread(descriptorOf(handle_), data, static_cast<std::size_t>(size), offset);
    if (n < 0) {
        failed();
    }
    return n;
}

// A signal ends the write: here it only comes to ask the run to stop.
bool LogFile::writeAll(const QByteArray& bytes) {
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(descriptorOf(handle_), bytes.constData() + done,
                                  static_cast<std::size_t>(bytes.size() - done));
        if (n < 0) {
            return failed();
        }
        done += n;
    }
    return true;
}

bool LogFile::sync() {
    return ::fsync(descriptorOf(handle_)) == 0 || failed();
}

bool LogFile::truncate(std::int64_t size) {
    return ::ftruncate(descriptorOf(handle_), size) == 0 || failed();
}

void LogFile::waitForReaders() {
    const int descriptor = descriptorOf(handle_);
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
}

#endif
