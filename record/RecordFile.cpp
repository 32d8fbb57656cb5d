// SPDX-License-Identifier: MIT
#include "record/RecordFile.h"

#include "cycle/TerminalText.h"

#include <QSaveFile>

namespace record {

QString checkWritable(const QString& path) {
    // The temporary file writeWhole would make, made and removed at once.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    file.cancelWriting();
    return {};
}

QString writeWhole(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return file.errorString();
    }
    return {};
}

QString checkTextField(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    if (utf8.trimmed().isEmpty()) {
        return QStringLiteral("empty");
    }
    if (utf8.size() > MaxFieldBytes) {
        return QStringLiteral("longer than %1 bytes").arg(MaxFieldBytes);
    }
    // What a terminal would be shown differently is what a record must not hold.
    if (printableText(utf8.toStdString()) != utf8.toStdString()) {
        return QStringLiteral("holds a control or invisible character");
    }
    return {};
}

} // namespace record
