// SPDX-License-Identifier: MIT
#include "app/CycleLog.h"

#include <QFile>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// False with errno set when not all of bytes were written. A signal ends the
// write: here it only comes to ask the run to stop.
bool writeAll(int descriptor, const QByteArray& bytes) {
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(descriptor, bytes.constData() + done,
                                  static_cast<std::size_t>(bytes.size() - done));
        if (n < 0) {
            return false;
        }
        done += n;
    }
    return true;
}

} // namespace

CycleLog::~CycleLog() {
    if (stream_ >= 0) {
        ::close(stream_);
    }
}

int CycleLog::openPath(int access) {
    // Without blocking: a FIFO that no one reads is refused (ENXIO) instead
    // of waited for.
    const int descriptor =
        ::open(QFile::encodeName(path_).constData(),
               access | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (descriptor < 0) {
        error_ =
            QStringLiteral("cannot open the log %1 for appending: %2").arg(path_, reason(errno));
        return -1;
    }
    // Rows wait for a slow reader as any other writer's would.
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return descriptor;
}

bool CycleLog::open(const QString& path) {
    path_ = path;
    const int descriptor = openPath(O_WRONLY);
    if (descriptor < 0) {
        return false;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) == 0 && !S_ISREG(status.st_mode)) {
        // A pipe or device is a new stream, and reopening a FIFO would end
        // its reader's stream with every cycle.
        stream_ = descriptor;
        streamHeaderDue_ = true;
        logging_ = true;
        return true;
    }
    ::close(descriptor);
    if (status.st_size > 0) {
        // Never two formats in one file.
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            error_ = QStringLiteral("cannot read the log %1 to check its header: %2")
                         .arg(path, file.errorString());
            return false;
        }
        const QByteArray header = cycle::csvHeader();
        const QByteArray first = file.read(header.size());
        if (first != header) {
            // Named, the column tells an earlier version's log from a stranger's.
            QStringList missing;
            const QList<QByteArray> columns = first.split('\n').first().trimmed().split(',');
            for (const QByteArray& column : header.trimmed().split(',')) {
                if (!columns.contains(column)) {
                    missing << QString::fromLatin1(column);
                }
            }
            error_ = QStringLiteral("the log %1 does not begin with the header this version "
                                    "writes (it lacks the column%2 %3); give another file")
                         .arg(path, missing.size() > 1 ? QStringLiteral("s") : QString(),
                              missing.join(QStringLiteral(", ")));
            return false;
        }
    }
    logging_ = true;
    return true;
}

bool CycleLog::fail(int error) {
    error_ = QStringLiteral("cannot write to the log %1: %2").arg(path_, reason(error));
    logging_ = false;
    if (stream_ >= 0) {
        ::close(stream_);
        stream_ = -1;
    }
    return false;
}

bool CycleLog::append(const cycle::CycleResult& cycle, const sensor::UnitState& units) {
    if (!logging_) {
        return true;
    }
    QByteArray bytes = cycle::csvRows(cycle, units);
    if (stream_ >= 0) {
        if (streamHeaderDue_) {
            bytes.prepend(cycle::csvHeader());
        }
        if (!writeAll(stream_, bytes)) {
            return fail(errno);
        }
        streamHeaderDue_ = false;
        return true;
    }

    // Opened afresh, so that a log renamed or deleted meanwhile is followed
    // by a new one at the path.
    const int descriptor = openPath(O_RDWR);
    if (descriptor < 0) {
        logging_ = false;
        return false;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        const int error = errno;
        ::close(descriptor);
        return fail(error);
    }
    const off_t before = status.st_size;
    char last = '\n';
    if (before == 0) {
        bytes.prepend(cycle::csvHeader());
    } else if (::pread(descriptor, &last, 1, before - 1) == 1 && last != '\n') {
        // Rows of their own, not the end of a line someone left unfinished.
        bytes.prepend(last == '\r' ? "\n" : "\r\n");
    }
    bool written = writeAll(descriptor, bytes);
    int error = errno;
    // Past the page cache too, so that a power cut keeps the cycles before.
    if (written && ::fsync(descriptor) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        // A row cut short would run into the next run's first row. Should
        // even this fail, the write's reason is still the one to tell.
        [[maybe_unused]] const int cut = ::ftruncate(descriptor, before);
    }
    ::close(descriptor);
    return written || fail(error);
}
