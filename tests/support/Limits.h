// SPDX-License-Identifier: MIT
#pragma once

#include "sensor/SensorRecord.h"
#include "verdict/Limits.h"

#include <QByteArray>
#include <QStringList>
#include <QtGlobal>

// Limits and records written compactly in test tables.

// Limits written with ' for " so that rows stay on one line.
inline verdict::Limits limitsOf(const char* json) {
    const auto parsed = verdict::parseLimits(QByteArray(json).replace('\'', '"'), "test");
    if (!parsed.limits) {
        qFatal("bad limits in a test: %s", qPrintable(parsed.error));
    }
    return *parsed.limits;
}

// "78 41 50 01 | FF FF FF FF" gives sensors 1 and 2; the others hold no data.
inline sensor::SensorData recordsOf(const QString& hex) {
    sensor::SensorData data;
    data.fill(sensor::SensorRecord::of(protocol::NoDataRecord));
    const QStringList records = hex.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < records.size(); ++i) {
        const QByteArray b = QByteArray::fromHex(records[i].toLatin1());
        data[static_cast<std::size_t>(i)] = sensor::SensorRecord::of(
            {std::uint8_t(b[0]), std::uint8_t(b[1]), std::uint8_t(b[2]), std::uint8_t(b[3])});
    }
    return data;
}
