// SPDX-License-Identifier: MIT
#include "app/CycleLog.h"

#include <QFileInfo>
#include <cerrno>
#include <ostream>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

CycleLog::CycleLog(std::ostream& warnings) : warnings_(warnings) {}

bool CycleLog::open(const QString& path) {
    file_.setFileName(path);
    const QFileInfo info(path);
    // Unbuffered: a cycle's rows go to the system in one write, and a
    // failing write is seen at once. A device or pipe has no end to append at.
    regularFile_ = !info.exists() || info.isFile();
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered |
                                     (regularFile_ ? QIODevice::Append : QIODevice::ExistingOnly);
    if (!file_.open(mode)) {
        error_ = file_.errorString();
        return false;
    }
    // A pipe or device is a new stream each time.
    headerDue_ = !regularFile_ || file_.size() == 0;
    return true;
}

void CycleLog::append(const cycle::CycleResult& cycle, const sensor::UnitState& units) {
    if (!file_.isOpen()) {
        return;
    }
    QByteArray bytes = headerDue_ ? cycle::csvHeader() : QByteArray();
    bytes += cycle::csvRows(cycle, units);
    const qint64 before = regularFile_ ? file_.size() : 0;
    bool written = file_.write(bytes) == bytes.size();
    error_ = file_.errorString();
#ifdef Q_OS_UNIX
    // Past the page cache too, so that a power cut keeps the cycles before.
    if (written && regularFile_ && ::fsync(file_.handle()) != 0) {
        written = false;
        error_ = qt_error_string(errno);
    }
#endif
    if (!written) {
        // A row cut short would run into the next run's first row.
        if (regularFile_) {
            file_.resize(before);
        }
        warnings_ << "tyrescope: warning: cannot write to the log "
                  << file_.fileName().toStdString() << ": " << error_.toStdString()
                  << "; logging stops\n"
                  << std::flush;
        file_.close();
        return;
    }
    headerDue_ = false;
}
