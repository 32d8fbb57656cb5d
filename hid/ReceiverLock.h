// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// One program per receiver: a lock named by the receiver's device path that
// the system holds for whichever process took it, whatever user, session or
// environment that process runs in, and lets go when the lock is destroyed or
// the process ends, even after a crash.
namespace hid {

class ReceiverLock {
public:
    ReceiverLock() = default;
    ~ReceiverLock();
    ReceiverLock(ReceiverLock&& other) noexcept;
    ReceiverLock& operator=(ReceiverLock&&) = delete;
    ReceiverLock(const ReceiverLock&) = delete;
    ReceiverLock& operator=(const ReceiverLock&) = delete;

    // Empty with `error` set when another holder has the receiver (then
    // `inUse`, and `error` is InUseError) or the lock cannot be taken.
    static std::optional<ReceiverLock> take(const std::string& path, std::string& error,
                                            bool& inUse);

private:
    // A descriptor on POSIX systems, a HANDLE on Windows; -1 for none.
    std::intptr_t handle_ = -1;
};

} // namespace hid
