// SPDX-License-Identifier: MIT
#include "app/CycleLog.h"

#include "cycle/TerminalText.h"

#include <QStringList>

namespace {

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

CycleLog::Opened CycleLog::open(const QString& path) {
    path_ = path;
    LogFile file;
    if (!file.open(path, LogFile::Access::Append)) {
        error_ = QStringLiteral("cannot open the log %1 for appending: %2").arg(path, file.error());
        return Opened::CannotOpen;
    }
    if (!file.isRegular()) {
        // A pipe or device is a new stream, and reopening a FIFO would end
        // its reader's stream with every cycle.
        file.waitForReaders();
        stream_ = std::move(file);
        streamHeaderDue_ = true;
        logging_ = true;
        return Opened::Yes;
    }
    file.close();

    LogFile reading;
    if (!reading.open(path, LogFile::Access::Read)) {
        error_ = QStringLiteral("cannot read the log %1 to check its header: %2")
                     .arg(path, reading.error());
        return Opened::CannotOpen;
    }
    // Shared: a copy writing the header of a new file is let finish first.
    const cycle::CsvLayout* layout = reading.lock(false) ? layoutOf(reading) : nullptr;
    if (layout == nullptr && error_.isEmpty()) {
        error_ = QStringLiteral("cannot lock the log %1: %2").arg(path, reading.error());
    }
    reading.close();
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

const cycle::CsvLayout* CycleLog::layoutOf(LogFile& file) {
    // A header of ours is far shorter; a longer first line is no header of ours.
    QByteArray first(4096, '\0');
    const std::int64_t n = file.readAt(first.data(), first.size(), 0);
    if (n < 0) {
        error_ = QStringLiteral("cannot read the log %1 to check its header: %2")
                     .arg(path_, file.error());
        return nullptr;
    }
    first.truncate(static_cast<qsizetype>(n));
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

LogFile CycleLog::openChecked() {
    // The path may be given to another file between the open and the lock;
    // then that file is the one to write.
    for (int attempt = 0; attempt < 10; ++attempt) {
        LogFile::Identity found;
        bool regular = true;
        if (!LogFile::identify(path_, found, regular)) {
            regular = true; // nothing there yet: a new file
        }
        LogFile file;
        if (!file.open(path_, regular ? LogFile::Access::ReadAppend : LogFile::Access::Append)) {
            error_ =
                QStringLiteral("cannot open the log %1 for appending: %2").arg(path_, file.error());
            return {};
        }
        if (!file.isRegular()) {
            // A pipe or device now: from here on one stream, as when it was one from the start.
            file.waitForReaders();
            stream_ = std::move(file);
            streamHeaderDue_ = true;
            return {};
        }
        if (!regular) {
            continue;
        }
        if (!file.lock(true)) {
            error_ = QStringLiteral("cannot lock the log %1: %2").arg(path_, file.error());
            return {};
        }
        LogFile::Identity opened;
        LogFile::Identity now;
        std::int64_t size = 0;
        if (file.status(size, opened) && LogFile::identify(path_, now, regular) && now == opened) {
            file.waitForReaders();
            return file;
        }
    }
    error_ = QStringLiteral("cannot open the log %1: it is replaced faster than it can be written")
                 .arg(path_);
    return {};
}

bool CycleLog::fail(const QString& error) {
    error_ = error;
    logging_ = false;
    stream_.close();
    return false;
}

bool CycleLog::append(const cycle::CycleResult& cycle, const sensor::UnitState& units) {
    if (!logging_) {
        return true;
    }
    LogFile file = stream_.isOpen() ? LogFile() : openChecked();
    if (stream_.isOpen()) {
        QByteArray bytes = cycle::csvRows(cycle, units);
        if (streamHeaderDue_) {
            bytes.prepend(cycle::csvHeader());
        }
        if (!stream_.writeAll(bytes)) {
            return fail(
                QStringLiteral("cannot write to the log %1: %2").arg(path_, stream_.error()));
        }
        streamHeaderDue_ = false;
        return true;
    }
    if (!file.isOpen()) {
        return fail(error_);
    }

    std::int64_t before = 0;
    LogFile::Identity identity;
    if (!file.status(before, identity)) {
        return fail(QStringLiteral("cannot write to the log %1: %2").arg(path_, file.error()));
    }
    // Not the file last written, or cut shorter than it was left: anyone's,
    // until its header says it is a log of ours.
    if (writtenSize_ < 0 || identity != identity_ || before < writtenSize_) {
        const cycle::CsvLayout* layout = layoutOf(file);
        if (layout == nullptr) {
            return fail(error_);
        }
        layout_ = layout;
    }
    QByteArray bytes = cycle::csvRows(cycle, units, *layout_);
    char last = '\n';
    if (before == 0) {
        bytes.prepend(cycle::csvHeader(*layout_));
    } else if (file.readAt(&last, 1, before - 1) == 1 && last != '\n') {
        // Rows of their own, not the end of a line someone left unfinished.
        bytes.prepend(last == '\r' ? "\n" : "\r\n");
    }
    // Past the system's cache too, so that a power cut keeps the cycles before.
    if (!file.writeAll(bytes) || !file.sync()) {
        const QString why = file.error();
        // A row cut short would run into the next run's first row. Should
        // even this fail, the write's reason is still the one to tell.
        file.truncate(before);
        return fail(QStringLiteral("cannot write to the log %1: %2").arg(path_, why));
    }
    identity_ = identity;
    writtenSize_ = before + bytes.size();
    return true;
}
