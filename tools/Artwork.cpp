#include "tools/Artwork.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QSaveFile>
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

QByteArray encodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) {
        return {};
    }
    return bytes;
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
