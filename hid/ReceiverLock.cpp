// SPDX-License-Identifier: MIT
#include "hid/ReceiverLock.h"

#include "hid/HidBackend.h"

#include <utility>

#ifdef _WIN32
#include <algorithm>
#include <cwctype>
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace hid {

ReceiverLock::ReceiverLock(ReceiverLock&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)) {}

#ifdef _WIN32

// A named mutex in the global namespace, so copies in other sessions see it
// too. Holding it is not needed: it exists while any copy has it open, and
// Windows closes a process's handles when it ends.
ReceiverLock::~ReceiverLock() {
    if (handle_ != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
    }
}

std::optional<ReceiverLock> ReceiverLock::take(const std::string& path, std::string& error,
                                               bool& inUse) {
    // Device paths differ only in case from one listing to the next, and a
    // backslash is the one character a name may not hold.
    std::wstring name = L"Global\\Tyrescope-receiver-";
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), wide.data(),
                        length);
    for (wchar_t c : wide) {
        name += c == L'\\' ? L'/' : static_cast<wchar_t>(std::towlower(c));
    }
    name.resize(std::min<std::size_t>(name.size(), MAX_PATH));

    ReceiverLock lock;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    const DWORD why = GetLastError();
    if (mutex != nullptr) {
        lock.handle_ = reinterpret_cast<std::intptr_t>(mutex);
        if (why != ERROR_ALREADY_EXISTS) {
            return lock;
        }
    }
    // Another user's copy made it: its rights keep this one from opening it.
    inUse = mutex != nullptr || why == ERROR_ACCESS_DENIED;
    if (inUse) {
        error = InUseError;
    } else {
        char text[256] = {};
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, why, 0,
                       text, sizeof text, nullptr);
        error = text;
        error.erase(error.find_last_not_of(" \r\n") + 1);
    }
    return std::nullopt;
}

#else

// An flock on a descriptor of the device node, which the kernel holds for the
// open file, not the process: a second open in the same process is a second
// holder.
ReceiverLock::~ReceiverLock() {
    if (handle_ != -1) {
        ::close(static_cast<int>(handle_));
    }
}

std::optional<ReceiverLock> ReceiverLock::take(const std::string& path, std::string& error,
                                               bool& inUse) {
    ReceiverLock lock;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        // A path that names no file has nothing to lock (nor, then, anything
        // hidapi can open).
        if (errno == ENOENT) {
            return lock;
        }
        error = std::strerror(errno);
        return std::nullopt;
    }
    lock.handle_ = fd;
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        inUse = errno == EWOULDBLOCK;
        error = inUse ? InUseError : std::strerror(errno);
        return std::nullopt;
    }
    return lock;
}

#endif

} // namespace hid
