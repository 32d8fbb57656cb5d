// SPDX-License-Identifier: MIT
#include "app/CycleLog.h"

#include "app/StopSignals.h"
#include "cycle/TerminalText.h"

#include <QFile>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
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

// Waits for the lock as long as another copy holds it, unless the run is
// asked to stop meanwhile.
bool lock(int descriptor, int operation) {
    while (::flock(descriptor, operation) != 0) {
        if (errno != EINTR || stop::requested() != 0) {
            return false;
        }
    }
    return true;
}

// Rows wait for a slow reader as any other writer's would.
void blockingWrites(int descriptor) {
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
}

QString printable(const QString& text) {
    return QString::fromStdString(printableText(text.toStdString()));
}

// How a first line differs from the header this version writes, in words.
QString differenceFrom(const QStringList& found, const QStringList& ours) {
    QStringList missing;
    QStringList extra;
    for (const QString& column : ours) {
        if (!found.contains(column)) {
            missing << column;
        }
    }
    for (const QString& column : found) {
        if (!ours.contains(column)) {
            extra << printable(column);
        }
    }
    const auto columns = [](const QStringList& names) {
        return (names.size() > 1 ? QStringLiteral("columns ") : QStringLiteral("column ")) +
               names.join(QStringLiteral(", "));
    };
    if (missing.size() == ours.size()) {
        // Nothing in common: the line itself says more than all our columns would.
        return QStringLiteral("its first line is \"%1\"")
            .arg(printable(found.join(QLatin1Char(','))).left(80));
    }
    QStringList parts;
    if (!missing.isEmpty()) {
        parts << QStringLiteral("it lacks the ") + columns(missing);
    }
    if (!extra.isEmpty()) {
        parts << QStringLiteral("it has the ") + columns(extra) +
                     QStringLiteral(", which this version does not write");
    }
    if (parts.isEmpty()) {
        parts << QStringLiteral("its columns are in another order");
    }
    return parts.join(QStringLiteral("; "));
}

} // namespace

CycleLog::~CycleLog() {
    if (stream_ >= 0) {
        ::close(stream_);
    }
}

CycleLog::Opened CycleLog::open(const QString& path) {
    path_ = path;
    const QByteArray name = QFile::encodeName(path);
    // Without blocking: a FIFO that no one reads is refused (ENXIO) instead
    // of waited for.
    const int descriptor = ::open(
        name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (descriptor < 0) {
        error_ =
            QStringLiteral("cannot open the log %1 for appending: %2").arg(path, reason(errno));
        return Opened::CannotOpen;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) == 0 && !S_ISREG(status.st_mode)) {
        // A pipe or device is a new stream, and reopening a FIFO would end
        // its reader's stream with every cycle.
        blockingWrites(descriptor);
        stream_ = descriptor;
        streamHeaderDue_ = true;
        logging_ = true;
        return Opened::Yes;
    }
    ::close(descriptor);

    const int reading = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (reading < 0) {
        error_ = QStringLiteral("cannot read the log %1 to check its header: %2")
                     .arg(path, reason(errno));
        return Opened::CannotOpen;
    }
    // Shared: a copy writing the header of a new file is let finish first.
    const cycle::CsvLayout* layout = lock(reading, LOCK_SH) ? layoutOf(reading) : nullptr;
    if (layout == nullptr && error_.isEmpty()) {
        error_ = QStringLiteral("cannot lock the log %1: %2").arg(path, reason(errno));
    }
    ::close(reading);
    if (layout == nullptr) {
        return Opened::OtherLayout;
    }
    if (layout != &cycle::currentCsvLayout()) {
        notice_ = QStringLiteral("the log %1 is in the layout %2, which it keeps, so serial "
                                 "numbers are not logged there; give a new file to log them")
                      .arg(path, QLatin1String(layout->name));
    }
    logging_ = true;
    return Opened::Yes;
}

const cycle::CsvLayout* CycleLog::layoutOf(int descriptor) {
    // A header of ours is far shorter; a longer first line is no header of ours.
    QByteArray first(4096, '\0');
    const ssize_t n = ::pread(descriptor, first.data(), static_cast<std::size_t>(first.size()), 0);
    if (n < 0) {
        error_ = QStringLiteral("cannot read the log %1 to check its header: %2")
                     .arg(path_, reason(errno));
        return nullptr;
    }
    first.truncate(n);
    if (first.isEmpty()) {
        return &cycle::currentCsvLayout();
    }
    // Spreadsheets add a byte-order mark and may end lines with LF alone.
    if (first.startsWith("\xEF\xBB\xBF")) {
        first.remove(0, 3);
    }
    first.truncate(first.indexOf('\n') < 0 ? first.size() : first.indexOf('\n'));
    if (first.endsWith('\r')) {
        first.chop(1);
    }
    for (const cycle::CsvLayout& layout : cycle::csvLayouts()) {
        if (first == layout.columns.join(QLatin1Char(',')).toUtf8()) {
            return &layout;
        }
    }
    error_ = QStringLiteral("the log %1 does not begin with a header this version writes (%2); "
                            "give another file")
                 .arg(path_, differenceFrom(QString::fromUtf8(first).split(QLatin1Char(',')),
                                            cycle::currentCsvLayout().columns));
    return nullptr;
}

int CycleLog::openChecked() {
    const QByteArray name = QFile::encodeName(path_);
    // The path may be given to another file between the open and the lock;
    // then that file is the one to write.
    for (int attempt = 0; attempt < 10; ++attempt) {
        struct stat found {};
        const bool regular = ::stat(name.constData(), &found) != 0 || S_ISREG(found.st_mode);
        const int descriptor = ::open(name.constData(),
                                      (regular ? O_RDWR : O_WRONLY) | O_APPEND | O_CREAT |
                                          O_NONBLOCK | O_CLOEXEC | O_NOCTTY,
                                      0666);
        if (descriptor < 0) {
            error_ = QStringLiteral("cannot open the log %1 for appending: %2")
                         .arg(path_, reason(errno));
            return -1;
        }
        struct stat opened {};
        if (::fstat(descriptor, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            // A pipe or device now: from here on one stream, as when it was one from the start.
            blockingWrites(descriptor);
            stream_ = descriptor;
            streamHeaderDue_ = true;
            return -1;
        }
        if (!regular || !lock(descriptor, LOCK_EX)) {
            const int error = errno;
            ::close(descriptor);
            if (regular) {
                error_ = QStringLiteral("cannot lock the log %1: %2").arg(path_, reason(error));
                return -1;
            }
            continue;
        }
        struct stat now {};
        if (::stat(name.constData(), &now) == 0 && now.st_dev == opened.st_dev &&
            now.st_ino == opened.st_ino) {
            blockingWrites(descriptor);
            return descriptor;
        }
        ::close(descriptor);
    }
    error_ = QStringLiteral("cannot open the log %1: it is replaced faster than it can be written")
                 .arg(path_);
    return -1;
}

bool CycleLog::fail(const QString& error) {
    error_ = error;
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
    const int descriptor = stream_ >= 0 ? -1 : openChecked();
    if (stream_ >= 0) {
        QByteArray bytes = cycle::csvRows(cycle, units);
        if (streamHeaderDue_) {
            bytes.prepend(cycle::csvHeader());
        }
        if (!writeAll(stream_, bytes)) {
            return fail(QStringLiteral("cannot write to the log %1: %2").arg(path_, reason(errno)));
        }
        streamHeaderDue_ = false;
        return true;
    }
    if (descriptor < 0) {
        return fail(error_);
    }

    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        const int error = errno;
        ::close(descriptor);
        return fail(QStringLiteral("cannot write to the log %1: %2").arg(path_, reason(error)));
    }
    // Not the file last written, or cut shorter than it was left: anyone's,
    // until its header says it is a log of ours.
    if (writtenSize_ < 0 || status.st_dev != device_ || status.st_ino != inode_ ||
        status.st_size < writtenSize_) {
        const cycle::CsvLayout* layout = layoutOf(descriptor);
        if (layout == nullptr) {
            ::close(descriptor);
            return fail(error_);
        }
        layout_ = layout;
    }
    QByteArray bytes = cycle::csvRows(cycle, units, *layout_);
    const off_t before = status.st_size;
    char last = '\n';
    if (before == 0) {
        bytes.prepend(cycle::csvHeader(*layout_));
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
    if (!written) {
        return fail(QStringLiteral("cannot write to the log %1: %2").arg(path_, reason(error)));
    }
    device_ = status.st_dev;
    inode_ = status.st_ino;
    writtenSize_ = before + bytes.size();
    return true;
}
