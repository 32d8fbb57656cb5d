// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// The log's file as the system holds it, for CycleLog: a descriptor on POSIX
// systems, a handle on Windows. A call that fails returns false (or -1) and
// error() gives the system's reason. Closed when destroyed, its lock with it.
class LogFile {
public:
    enum class Access {
        Append,     // writing at the end, the file made if missing
        ReadAppend, // the same, and reading; for a regular file
        Read,       // reading only; the file must be there
    };
    // Which file it is: equal for one file under any of its names.
    struct Identity {
        std::uint64_t volume = 0;
        std::uint64_t file = 0;
        friend bool operator==(const Identity&, const Identity&) = default;
    };

    LogFile() = default;
    ~LogFile();
    LogFile(LogFile&& other) noexcept;
    LogFile& operator=(LogFile&& other) noexcept;
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Does not wait: a FIFO without a reader is refused (ENXIO) rather than
    // waited for.
    bool open(const QString& path, Access access);
    bool isOpen() const { return handle_ != -1; }
    void close();
    // A file on a disk, rather than a pipe or a device.
    bool isRegular() const { return regular_; }

    bool status(std::int64_t& size, Identity& identity);
    // What the path names now, following links; false when nothing is there.
    static bool identify(const QString& path, Identity& identity, bool& regular);

    // Copies that log to one file take turns through this lock, shared or
    // exclusive, held until the file is closed. Waits while another copy
    // holds it, unless the run is asked to stop meanwhile.
    bool lock(bool exclusive);
    // The bytes read at offset: fewer at the end, -1 on failure.
    std::int64_t readAt(char* data, std::int64_t size, std::int64_t offset);
    // All of bytes, at the end of a regular file. A stop request cuts a write
    // blocked on a slow reader short.
    bool writeAll(const QByteArray& bytes);
    // What was written reaches the disk, past the system's cache.
    bool sync();
    bool truncate(std::int64_t size);
    // From now on writes wait for a slow reader as any other writer's would.
    void waitForReaders();

    QString error() const { return error_; }

private:
    bool failed();

    std::intptr_t handle_ = -1; // a descriptor, or a HANDLE on Windows
    bool regular_ = false;
    bool locked_ = false;
    QString error_;
};
