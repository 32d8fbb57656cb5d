// SPDX-License-Identifier: MIT
#include "tools/Artwork.h"

#include <QDir>
#include <QSaveFile>
#include <QtEndian>
#include <array>
#include <utility>

// The catalogue of pictures and the writing of their files. The pictures
// themselves are drawn family by family in the other Artwork*.cpp files.
namespace artwork {

QString fileNameAtScale(const QString& fileName, int scale) {
    if (scale == 1) {
        return fileName;
    }
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return fileName.left(dot) + QStringLiteral("@%1x").arg(scale) + fileName.mid(dot);
}

std::vector<Picture> allPictures() {
    std::vector<Picture> pictures;
    for (const int s : PictureScales) {
        auto add = [&pictures, s](const QString& name, QImage image) {
            pictures.push_back({fileNameAtScale(name, s), std::move(image)});
        };
        add(QStringLiteral("gradient.png"), bannerGradient(s));
        add(QStringLiteral("logo.png"), productLogo(s));
        add(QStringLiteral("panel-pressure.png"), unitPanel(UnitPanel::Pressure, s));
        add(QStringLiteral("panel-temperature.png"), unitPanel(UnitPanel::Temperature, s));
        add(QStringLiteral("panel-devstatus.png"), unitPanel(UnitPanel::DeviceStatus, s));
        for (int n = 1; n <= 5; ++n) {
            add(QStringLiteral("sensor%1.png").arg(n), sensorPanel(n, s));
        }
        add(QStringLiteral("bulb-on.png"), bulb(true, s));
        add(QStringLiteral("bulb-off.png"), bulb(false, s));
        add(QStringLiteral("battery-full.png"), batteryFull(s));
        add(QStringLiteral("battery-low.png"), batteryLow(s));
        add(QStringLiteral("maker-logo.png"), makerLogo(s));
    }
    for (int size : IconSizes) {
        pictures.push_back({QStringLiteral("icons/tyrescope-%1.png").arg(size), programIcon(size)});
    }
    return pictures;
}

namespace {

quint32 crc32(const QByteArray& bytes) {
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xFFFFFFFFU;
    for (const char byte : bytes) {
        c = table[(c ^ static_cast<quint8>(byte)) & 0xFF] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFU;
}

void appendChunk(QByteArray& out, const char* type, const QByteArray& data) {
    char word[4];
    qToBigEndian(static_cast<quint32>(data.size()), word);
    out.append(word, 4);
    const QByteArray typed = QByteArray(type, 4) + data;
    out.append(typed);
    qToBigEndian(crc32(typed), word);
    out.append(word, 4);
}

} // namespace

QByteArray encodePng(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    // Rows are stored unfiltered: undoing the per-row prediction that a
    // general encoder picks costs more at every decoding than the few bytes
    // it saves, and the files come out no larger.
    const bool alpha = image.hasAlphaChannel();
    const QImage rgb =
        image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const qsizetype rowBytes = qsizetype(rgb.width()) * (alpha ? 4 : 3);
    QByteArray rows;
    rows.reserve((rowBytes + 1) * rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        rows.append('\0');
        rows.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rowBytes);
    }

    QByteArray header(13, '\0');
    qToBigEndian(static_cast<quint32>(rgb.width()), header.data());
    qToBigEndian(static_cast<quint32>(rgb.height()), header.data() + 4);
    header[8] = 8;             // bits per channel
    header[9] = alpha ? 6 : 2; // RGBA or RGB
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    // qCompress puts the length in front of a plain zlib stream.
    appendChunk(png, "IDAT", qCompress(rows, 9).mid(4));
    appendChunk(png, "IEND", {});
    return png;
}

QStringList writeAll(const QString& dir) {
    QStringList failures;
    const QDir root(dir);
    if (!root.mkpath(QStringLiteral("icons"))) {
        return {QStringLiteral("cannot create %1").arg(root.filePath(QStringLiteral("icons")))};
    }
    auto store = [&](const QString& name, const QByteArray& bytes) {
        QSaveFile file(root.filePath(name));
        if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) ||
            file.write(bytes) != bytes.size() || !file.commit()) {
            failures << QStringLiteral("cannot write %1").arg(file.fileName());
        }
    };

    QList<QByteArray> iconPngs;
    for (const Picture& picture : allPictures()) {
        const QByteArray png = encodePng(picture.image);
        store(picture.fileName, png);
        if (picture.fileName.startsWith(QLatin1String("icons/"))) {
            iconPngs << png;
        }
    }
    store(QStringLiteral("icons/tyrescope.ico"), icoFile(iconPngs));
    return failures;
}

} // namespace artwork
