// SPDX-License-Identifier: MIT
#include "assets/Pictures.h"
#include "tools/Artwork.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <cmath>
#include <optional>

// The pictures are checked in their committed source files; the program holds
// the same pixels.
namespace {

QString sourceFile(const QString& name) {
    return QStringLiteral(TYRESCOPE_ASSETS_DIR "/") + name;
}

QImage resource(const QString& name) {
    return QImage(sourceFile(name));
}

QString hex(QRgb c) {
    return QStringLiteral("#%1").arg(c & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper();
}

QRgb rgb(QRgb c) {
    return c & 0xFFFFFF;
}

const QStringList& windowPictures() {
    static const QStringList names{
        QStringLiteral("gradient.png"),        QStringLiteral("logo.png"),
        QStringLiteral("panel-pressure.png"),  QStringLiteral("panel-temperature.png"),
        QStringLiteral("panel-devstatus.png"), QStringLiteral("sensor1.png"),
        QStringLiteral("sensor2.png"),         QStringLiteral("sensor3.png"),
        QStringLiteral("sensor4.png"),         QStringLiteral("sensor5.png"),
        QStringLiteral("bulb-on.png"),         QStringLiteral("bulb-off.png"),
        QStringLiteral("battery-full.png"),    QStringLiteral("battery-low.png"),
        QStringLiteral("maker-logo.png"),
    };
    return names;
}

const QList<int> iconSizes{16, 24, 32, 48, 64, 128, 256};
// Installed for launchers only; the program does not carry them.
const QList<int> launcherOnlyIconSizes{64, 256};

// Where Qt's high-DPI lookup looks for the picture drawn at twice the pixels.
QString at2x(const QString& name) {
    return QString(name).replace(QLatin1String(".png"), QLatin1String("@2x.png"));
}

// First pixel at which two pictures differ, as text; empty when they agree.
QString firstDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return QStringLiteral("size %1x%2 vs %3x%4")
            .arg(a.width())
            .arg(a.height())
            .arg(b.width())
            .arg(b.height());
    }
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            if (x.pixel(col, row) != y.pixel(col, row)) {
                return QStringLiteral("pixel (%1,%2): %3 vs %4")
                    .arg(col)
                    .arg(row)
                    .arg(x.pixel(col, row), 8, 16, QLatin1Char('0'))
                    .arg(y.pixel(col, row), 8, 16, QLatin1Char('0'));
            }
        }
    }
    return {};
}

double luminance(QRgb c) {
    auto lin = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(qRed(c)) + 0.7152 * lin(qGreen(c)) + 0.0722 * lin(qBlue(c));
}

double contrast(QRgb a, QRgb b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

struct IcoEntry {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    QByteArray data;
};

// Reads the directory of an .ico file; nothing when it is malformed.
std::optional<QList<IcoEntry>> readIco(const QByteArray& file) {
    auto u16 = [&file](qsizetype at) { return qFromLittleEndian<quint16>(file.constData() + at); };
    auto u32 = [&file](qsizetype at) { return qFromLittleEndian<quint32>(file.constData() + at); };
    if (file.size() < 6 || u16(0) != 0 || u16(2) != 1) {
        return std::nullopt;
    }
    const int count = u16(4);
    if (file.size() < 6 + 16 * count) {
        return std::nullopt;
    }
    QList<IcoEntry> entries;
    for (int i = 0; i < count; ++i) {
        const qsizetype at = 6 + 16 * i;
        const quint32 size = u32(at + 8);
        const quint32 offset = u32(at + 12);
        if (offset + quint64(size) > quint64(file.size())) {
            return std::nullopt;
        }
        const auto w = static_cast<quint8>(file.at(at));
        const auto h = static_cast<quint8>(file.at(at + 1));
        entries.push_back(
            {w == 0 ? 256 : w, h == 0 ? 256 : h, u16(at + 6), file.mid(offset, size)});
    }
    return entries;
}

} // namespace

class tst_Assets : public QObject {
    Q_OBJECT

private slots:
    // Each window picture with its partner drawn at twice the pixels.
    void pictureSizes_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        const auto row = [](const QString& name, QSize size) {
            QTest::newRow(qPrintable(name)) << name << size;
            QTest::newRow(qPrintable(at2x(name))) << at2x(name) << size * 2;
        };
        row(QStringLiteral("gradient.png"), QSize(1, 68));
        row(QStringLiteral("logo.png"), QSize(209, 68));
        row(QStringLiteral("panel-pressure.png"), QSize(174, 133));
        row(QStringLiteral("panel-temperature.png"), QSize(174, 109));
        row(QStringLiteral("panel-devstatus.png"), QSize(174, 107));
        for (int n = 1; n <= 5; ++n) {
            row(QStringLiteral("sensor%1.png").arg(n), QSize(475, 73));
        }
        row(QStringLiteral("bulb-on.png"), QSize(40, 45));
        row(QStringLiteral("bulb-off.png"), QSize(40, 45));
        row(QStringLiteral("battery-full.png"), QSize(10, 28));
        row(QStringLiteral("battery-low.png"), QSize(10, 7));
        row(QStringLiteral("maker-logo.png"), QSize(192, 50));
        for (int size : iconSizes) {
            const QString name = QStringLiteral("icons/tyrescope-%1.png").arg(size);
            QTest::newRow(qPrintable(name)) << name << QSize(size, size);
        }
    }
    void pictureSizes() {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        const QImage image = resource(name);
        QVERIFY2(!image.isNull(), qPrintable(name + " is missing"));
        QCOMPARE(image.size(), size);
        // The program decodes the same pixels, in the form it paints them.
        const QImage stored = assets::picture(name);
        if (name.startsWith(QLatin1String("icons/")) &&
            launcherOnlyIconSizes.contains(size.width())) {
            QVERIFY(stored.isNull());
            return;
        }
        QCOMPARE(stored.format(), image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                          : QImage::Format_RGB32);
        QCOMPARE(stored.devicePixelRatio(), name.contains(QLatin1String("@2x")) ? 2.0 : 1.0);
        QCOMPARE(stored, image.convertToFormat(stored.format()));
    }

    // A code that does not make exactly its picture's pixels gives none; the
    // first row is whole, to show that the others fail for their flaw.
    void malformedCodeGivesNoPicture_data() {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<bool>("whole");
        // 3 x 2 pixels: one, repeated twice, then the row above.
        const QByteArray good("\x00\x01\x02\x03\x41\x82", 6);
        QTest::newRow("whole") << good << true;
        QTest::newRow("bytes left over") << good + '\x00' << false;
        QTest::newRow("past the end") << good.chopped(1) + '\x83' << false;
        QTest::newRow("repeat first") << QByteArray("\x45", 1) << false;
        QTest::newRow("above in the first row") << QByteArray("\x00\x01\x02\x03\x84", 5) << false;
        QTest::newRow("unknown step") << QByteArray("\xc5", 1) << false;
    }
    void malformedCodeGivesNoPicture() {
        QFETCH(QByteArray, code);
        QFETCH(bool, whole);
        const assets::StoredPicture stored{
            "test.png", 1, 3, 2, false, reinterpret_cast<const unsigned char*>(code.constData()),
            code.size()};
        QCOMPARE(!assets::decoded(stored).isNull(), whole);
    }

    // Rows are stored unfiltered, which makes decoding them cheap.
    void picturesAreStoredUnfiltered_data() { pictureSizes_data(); }
    void picturesAreStoredUnfiltered() {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFile file(sourceFile(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray png = file.readAll();
        QByteArray compressed;
        int channels = 0;
        for (qsizetype at = 8; at + 12 <= png.size();) {
            const auto length = qFromBigEndian<quint32>(png.constData() + at);
            const QByteArray type = png.mid(at + 4, 4);
            if (type == "IHDR") {
                channels = png.at(at + 8 + 9) == 6 ? 4 : png.at(at + 8 + 9) == 2 ? 3 : 0;
            } else if (type == "IDAT") {
                compressed += png.mid(at + 8, length);
            }
            at += 12 + qsizetype(length);
        }
        QVERIFY2(channels != 0, "neither RGB nor RGBA");
        const qsizetype row = 1 + qsizetype(size.width()) * channels;
        char expected[4];
        qToBigEndian(static_cast<quint32>(row * size.height()), expected);
        const QByteArray rows = qUncompress(QByteArray(expected, 4) + compressed);
        QCOMPARE(rows.size(), row * size.height());
        for (int y = 0; y < size.height(); ++y) {
            QVERIFY2(rows.at(y * row) == 0,
                     qPrintable(QStringLiteral("row %1 is filtered").arg(y)));
        }
    }

    void encodingKeepsEveryPixel_data() {
        QTest::addColumn<QImage>("image");
        QImage opaque(37, 5, QImage::Format_RGB32);
        QImage translucent(4, 3, QImage::Format_ARGB32);
        for (int y = 0; y < opaque.height(); ++y) {
            for (int x = 0; x < opaque.width(); ++x) {
                opaque.setPixel(x, y, qRgb(x * 7, y * 50, 255 - x));
            }
        }
        for (int y = 0; y < translucent.height(); ++y) {
            for (int x = 0; x < translucent.width(); ++x) {
                translucent.setPixel(x, y, qRgba(200, x * 60, y * 100, x * 80 + y));
            }
        }
        QTest::newRow("opaque, odd width") << opaque;
        QTest::newRow("with alpha") << translucent;
        QTest::newRow("one pixel") << opaque.copy(3, 2, 1, 1);
    }
    void encodingKeepsEveryPixel() {
        QFETCH(QImage, image);
        const QImage decoded = QImage::fromData(artwork::encodePng(image), "png");
        QCOMPARE(decoded.hasAlphaChannel(), image.hasAlphaChannel());
        QCOMPARE(firstDifference(decoded, image), QString());
    }

    void noTransparentPixel_data() {
        QTest::addColumn<QString>("name");
        for (const QString& name : windowPictures()) {
            QTest::newRow(qPrintable(name)) << name;
            QTest::newRow(qPrintable(at2x(name))) << at2x(name);
        }
    }
    void noTransparentPixel() {
        QFETCH(QString, name);
        const QImage image = resource(name);
        QVERIFY(!image.isNull());
        // Stored without an alpha channel at all, so no viewer can see through.
        QVERIFY2(!image.hasAlphaChannel(), qPrintable(name + " carries an alpha channel"));
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < argb.height(); ++y) {
            for (int x = 0; x < argb.width(); ++x) {
                QVERIFY2(qAlpha(argb.pixel(x, y)) == 255,
                         qPrintable(QStringLiteral("%1 (%2,%3)").arg(name).arg(x).arg(y)));
            }
        }
    }

    // A picture without its partner would quietly stay blurred on scaled
    // screens, and one of another size would move the layout there.
    void everyPictureHasItsDoubleSizePartner_data() {
        QTest::addColumn<QString>("name");
        for (const QString& name : windowPictures()) {
            QTest::newRow(qPrintable(name)) << name;
        }
    }
    void everyPictureHasItsDoubleSizePartner() {
        QFETCH(QString, name);
        const QImage plain = resource(name);
        const QImage doubled = resource(at2x(name));
        QVERIFY2(!doubled.isNull(), qPrintable(at2x(name) + " is not in the resources"));
        QCOMPARE(doubled.size(), plain.size() * 2);
    }

    // Where a picture shows no drawing it carries the colour around it on the
    // window. "ring" pictures keep that colour all round their border; framed
    // panels only outside their rounded corners, with one outline colour along
    // the straight parts of the border.
    void edges_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRgb>("surround");
        QTest::addColumn<bool>("framed");
        const QRgb white = 0xFFFFFF;
        const QRgb column = 0xEFF3FE;
        QTest::newRow("pressure panel") << "panel-pressure.png" << column << true;
        QTest::newRow("temperature panel") << "panel-temperature.png" << column << true;
        QTest::newRow("device status panel") << "panel-devstatus.png" << column << true;
        for (int n = 1; n <= 5; ++n) {
            const QString name = QStringLiteral("sensor%1.png").arg(n);
            QTest::newRow(qPrintable(name)) << name << white << true;
        }
        QTest::newRow("lit bulb") << "bulb-on.png" << white << false;
        QTest::newRow("unlit bulb") << "bulb-off.png" << white << false;
        QTest::newRow("maker's logo") << "maker-logo.png" << column << false;
    }
    void edges() {
        QFETCH(QString, name);
        QFETCH(QRgb, surround);
        QFETCH(bool, framed);
        const QImage image = resource(name);
        QVERIFY(!image.isNull());
        const int w = image.width();
        const int h = image.height();
        const QList<QPoint> corners{{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
        for (const QPoint& p : corners) {
            QCOMPARE(hex(image.pixel(p)), hex(surround));
        }

        // Border pixels, clockwise, skipping a corner zone for framed pictures.
        constexpr int cornerZone = 10;
        const int skip = framed ? cornerZone : 0;
        QList<QPoint> border;
        for (int x = skip; x < w - skip; ++x) {
            border << QPoint(x, 0) << QPoint(x, h - 1);
        }
        for (int y = skip; y < h - skip; ++y) {
            border << QPoint(0, y) << QPoint(w - 1, y);
        }
        const QRgb expected = framed ? rgb(image.pixel(border.first())) : surround;
        if (framed) {
            QVERIFY2(expected != surround, "the frame has no outline");
        }
        for (const QPoint& p : border) {
            QVERIFY2(rgb(image.pixel(p)) == expected,
                     qPrintable(QStringLiteral("(%1,%2) is %3, not %4")
                                    .arg(p.x())
                                    .arg(p.y())
                                    .arg(hex(image.pixel(p)), hex(expected))));
        }
    }

    void bannerGradient() {
        const QImage image = resource(QStringLiteral("gradient.png"));
        QCOMPARE(image.size(), QSize(1, 68));
        QCOMPARE(hex(image.pixel(0, 0)), QStringLiteral("#0143CF"));
        QCOMPARE(hex(image.pixel(0, 1)), QStringLiteral("#0134CD"));
        QCOMPARE(hex(image.pixel(0, 63)), QStringLiteral("#3265FE"));
        for (int row = 64; row < 68; ++row) {
            QCOMPARE(hex(image.pixel(0, row)), QStringLiteral("#75A1FF"));
        }
        // Rows 1..63: each channel on the straight line from start to end,
        // rounded to the nearest level.
        const QColor start(0x01, 0x34, 0xCD);
        for (int row = 1; row <= 63; ++row) {
            const int step = static_cast<int>(std::lround((row - 1) * 49.0 / 62.0));
            const QColor expected(start.red() + step, start.green() + step, start.blue() + step);
            QVERIFY2(rgb(image.pixel(0, row)) == rgb(expected.rgb()),
                     qPrintable(QStringLiteral("row %1 is %2, not %3")
                                    .arg(row)
                                    .arg(hex(image.pixel(0, row)), hex(expected.rgb()))));
        }
    }

    void bannerGradientIsEven() {
        // Evenness on its own terms: every row step rises by 0 or 1 in all
        // three channels together, and no level lasts more than two rows.
        const QImage image = resource(QStringLiteral("gradient.png"));
        int run = 1;
        for (int row = 2; row <= 63; ++row) {
            const QRgb a = image.pixel(0, row - 1);
            const QRgb b = image.pixel(0, row);
            const int dr = qRed(b) - qRed(a);
            QVERIFY(dr == 0 || dr == 1);
            QCOMPARE(qGreen(b) - qGreen(a), dr);
            QCOMPARE(qBlue(b) - qBlue(a), dr);
            run = dr == 0 ? run + 1 : 1;
            QVERIFY2(
                run <= 2,
                qPrintable(QStringLiteral("level held for %1 rows at row %2").arg(run).arg(row)));
        }
    }

    void logoJoinsBanner() {
        const QImage logo = resource(QStringLiteral("logo.png"));
        const QImage banner = resource(QStringLiteral("gradient.png"));
        QCOMPARE(logo.height(), banner.height());
        // The left column meets the banner; the top line and the light strip
        // run on through the whole logo.
        for (int row = 0; row < logo.height(); ++row) {
            QCOMPARE(hex(logo.pixel(0, row)), hex(banner.pixel(0, row)));
            QCOMPARE(hex(logo.pixel(logo.width() - 1, row)), hex(banner.pixel(0, row)));
        }
        for (int row : {0, 64, 65, 66, 67}) {
            for (int x = 0; x < logo.width(); ++x) {
                QCOMPARE(hex(logo.pixel(x, row)), hex(banner.pixel(0, row)));
            }
        }
        // Something is drawn on it: the figure and the white lettering.
        int whitePixels = 0;
        for (int y = 1; y < 64; ++y) {
            for (int x = 60; x < logo.width(); ++x) {
                whitePixels += rgb(logo.pixel(x, y)) == 0xFFFFFF ? 1 : 0;
            }
        }
        QVERIFY2(whitePixels > 300, qPrintable(QString::number(whitePixels)));
    }

    void lowGaugeIsBottomOfFull() {
        const QImage full = resource(QStringLiteral("battery-full.png"));
        const QImage low = resource(QStringLiteral("battery-low.png"));
        QCOMPARE(firstDifference(low, full.copy(0, full.height() - 7, full.width(), 7)), QString());
    }

    void gaugeSegments() {
        const QImage full = resource(QStringLiteral("battery-full.png"));
        auto rowColour = [&full](int y) {
            const QRgb c = rgb(full.pixel(0, y));
            for (int x = 1; x < full.width(); ++x) {
                if (rgb(full.pixel(x, y)) != c) {
                    return QRgb(0x1000000); // not one colour across
                }
            }
            return c;
        };
        // Edge rows above and below; nine segments of bright-to-dark rows
        // between, the lowest with two rows.
        QCOMPARE(hex(rowColour(0)), hex(rowColour(27)));
        QCOMPARE(hex(rowColour(1)), QStringLiteral("#FFF900"));
        QCOMPARE(hex(rowColour(25)), QStringLiteral("#FE6800"));
        int previousGreen = 256;
        for (int s = 0; s < 9; ++s) {
            const int first = 1 + 3 * s;
            const int rows = s == 8 ? 2 : 3;
            const QRgb bright = rowColour(first);
            QVERIFY(bright <= 0xFFFFFF);
            QVERIFY2(qGreen(bright) < previousGreen, "segments do not run yellow to red");
            previousGreen = qGreen(bright);
            for (int r = 1; r < rows; ++r) {
                const QRgb c = rowColour(first + r);
                QVERIFY(c <= 0xFFFFFF);
                QVERIFY2(luminance(c) < luminance(rowColour(first + r - 1)),
                         qPrintable(QStringLiteral("row %1 not darker").arg(first + r)));
            }
            QVERIFY(luminance(rowColour(0)) < luminance(bright));
        }
    }

    void sensorPanelStructure_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QRgb>("bandLeft");
        QTest::addColumn<QRgb>("bandRight");
        QTest::addColumn<QRgb>("body");
        QTest::addColumn<QRgb>("outline");
        QTest::newRow("1 orange-red") << 1 << 0xD24C1Du << 0xF9DECBu << 0xFFF5E7u << 0xE7C597u;
        QTest::newRow("2 amber") << 2 << 0xF3CD2Du << 0xFDEFCAu << 0xFFF5E3u << 0xE7C597u;
        QTest::newRow("3 light blue") << 3 << 0xC9DAFFu << 0xEAEFFFu << 0xEFF3FFu << 0xBDCAEAu;
        QTest::newRow("4 green") << 4 << 0x79D748u << 0xE1F6D2u << 0xF1FBE7u << 0xC3DCA2u;
        QTest::newRow("5 light grey") << 5 << 0xDEE1E9u << 0xF2F3F6u << 0xF5F6F8u << 0xCFD2D8u;
    }
    void sensorPanelStructure() {
        QFETCH(int, number);
        QFETCH(QRgb, bandLeft);
        QFETCH(QRgb, bandRight);
        QFETCH(QRgb, body);
        QFETCH(QRgb, outline);
        const QImage image = resource(QStringLiteral("sensor%1.png").arg(number));
        QCOMPARE(image.size(), QSize(475, 73));
        auto at = [&image](int x, int y) { return hex(image.pixel(x, y)); };

        constexpr int corner = 8; // clear of the rounded corners
        for (int x = corner; x < 475 - corner; ++x) {
            QCOMPARE(at(x, 0), hex(outline));
            QCOMPARE(at(x, 72), hex(outline));
            QCOMPARE(at(x, 37), hex(outline));
        }
        for (int y = corner; y < 73 - corner; ++y) {
            QCOMPARE(at(0, y), hex(outline));
            QCOMPARE(at(474, y), hex(outline));
        }
        for (int y = 38; y <= 71; ++y) {
            for (int x = y > 71 - corner ? corner : 1; x < (y > 71 - corner ? 475 - corner : 474);
                 ++x) {
                QCOMPARE(at(x, y), hex(body));
            }
        }
        // Band ends, clear of the corners, the badge and the battery icon.
        for (int y = corner; y <= 36 - corner; ++y) {
            QCOMPARE(at(1, y), hex(bandLeft));
            QCOMPARE(at(473, y), hex(bandRight));
        }
        // The gauge stands at 460..469 on plain band, right of the battery icon.
        for (int y = 1; y <= 36; ++y) {
            for (int x = 456; x < 474 - corner; ++x) {
                QCOMPARE(image.pixel(x, y), image.pixel(x, 36 - corner));
            }
        }
        // Along a row above the badge and the icon, the band pales steadily.
        const int row = 3;
        for (int x = corner + 1; x < 475 - corner; ++x) {
            const QRgb a = image.pixel(x - 1, row);
            const QRgb b = image.pixel(x, row);
            const auto towards = [](int from, int to, int prev, int next) {
                return from <= to ? next >= prev : next <= prev;
            };
            QVERIFY2(towards(qRed(bandLeft), qRed(bandRight), qRed(a), qRed(b)) &&
                         towards(qGreen(bandLeft), qGreen(bandRight), qGreen(a), qGreen(b)) &&
                         towards(qBlue(bandLeft), qBlue(bandRight), qBlue(a), qBlue(b)),
                     qPrintable(QStringLiteral("band turns back at column %1").arg(x)));
        }
        // The badge at the left end and the battery icon at 437..455 are
        // drawn on the band.
        auto drawnIn = [&image](int x0, int x1) {
            int n = 0;
            for (int y = 1; y <= 36; ++y) {
                for (int x = x0; x <= x1; ++x) {
                    n += image.pixel(x, y) != image.pixel(x, 3) ? 1 : 0;
                }
            }
            return n;
        };
        QVERIFY(drawnIn(10, 40) > 300);
        QVERIFY(drawnIn(437, 455) > 200);
        QCOMPARE(drawnIn(41, 436), 0);
    }

    // The window writes its texts on the panels; each must stand out from
    // every pixel of the picture beneath it.
    void sensorTextsReadable_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QRect>("place");
        QTest::addColumn<QRgb>("text");
        QTest::addColumn<double>("minimum");
        const QRect pressure(48, 8, 153, 17);
        const QRect temperature(232, 8, 161, 17);
        const QRect rawData(8, 48, 209, 17);
        const QRect status(232, 48, 233, 17);
        const QRgb darkBlue = 0x30486E;
        const QRgb grey = 0x404040;
        for (int n = 1; n <= 5; ++n) {
            const QByteArray p = "sensor" + QByteArray::number(n);
            QTest::newRow(p + " pressure")
                << n << pressure << (n == 1 ? 0xFFFFFFu : darkBlue) << 3.0;
            QTest::newRow(p + " temperature") << n << temperature << darkBlue << 3.0;
            QTest::newRow(p + " raw data") << n << rawData << grey << 4.5;
            QTest::newRow(p + " status") << n << status << grey << 4.5;
        }
    }
    void sensorTextsReadable() {
        QFETCH(int, number);
        QFETCH(QRect, place);
        QFETCH(QRgb, text);
        QFETCH(double, minimum);
        const QImage image = resource(QStringLiteral("sensor%1.png").arg(number));
        double worst = 100;
        QPoint where;
        for (int y = place.top(); y <= place.bottom(); ++y) {
            for (int x = place.left(); x <= place.right(); ++x) {
                const double c = contrast(text, image.pixel(x, y));
                if (c < worst) {
                    worst = c;
                    where = {x, y};
                }
            }
        }
        QVERIFY2(
            worst >= minimum,
            qPrintable(
                QStringLiteral("contrast %1 at (%2,%3)").arg(worst).arg(where.x()).arg(where.y())));
    }

    void bulbsDiffer() {
        // Same bulb, lit and unlit: the glass is yellow only when lit.
        const QImage on = resource(QStringLiteral("bulb-on.png"));
        const QImage off = resource(QStringLiteral("bulb-off.png"));
        auto yellowish = [](const QImage& image) {
            int n = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb c = image.pixel(x, y);
                    n += qRed(c) > 200 && qGreen(c) > 150 && qBlue(c) < 120 ? 1 : 0;
                }
            }
            return n;
        };
        QVERIFY(yellowish(on) > 200);
        QCOMPARE(yellowish(off), 0);
    }

    void iconSet() {
        QFile file(QStringLiteral(TYRESCOPE_ASSETS_DIR "/icons/tyrescope.ico"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const auto entries = readIco(file.readAll());
        QVERIFY(entries.has_value());
        QCOMPARE(entries->size(), iconSizes.size());
        for (qsizetype i = 0; i < entries->size(); ++i) {
            const IcoEntry& e = entries->at(i);
            const int size = iconSizes.at(i);
            QCOMPARE(e.width, size);
            QCOMPARE(e.height, size);
            QCOMPARE(e.bitCount, 32);
            const QImage fromIco = QImage::fromData(e.data, "png");
            const QImage png = resource(QStringLiteral("icons/tyrescope-%1.png").arg(size));
            QCOMPARE(firstDifference(fromIco, png), QString());
        }
    }

    void icoFileRejects_data() {
        QTest::addColumn<QList<QByteArray>>("images");
        const QByteArray small = artwork::encodePng(QImage(8, 8, QImage::Format_ARGB32));
        QTest::newRow("not a PNG") << QList<QByteArray>{small, QByteArray("GIF89a.......")};
        QTest::newRow("truncated PNG") << QList<QByteArray>{small.left(20)};
        QTest::newRow("larger than 256")
            << QList<QByteArray>{artwork::encodePng(QImage(257, 16, QImage::Format_ARGB32))};
    }
    void icoFileRejects() {
        QFETCH(QList<QByteArray>, images);
        QVERIFY(artwork::icoFile(images).isEmpty());
    }

    void icoFileOf256() {
        // 256 px is written as 0 in the directory and still decodes.
        QImage big(256, 256, QImage::Format_ARGB32);
        big.fill(Qt::red);
        const QByteArray png = artwork::encodePng(big);
        const auto entries = readIco(artwork::icoFile({png}));
        QVERIFY(entries.has_value());
        QCOMPARE(entries->size(), 1);
        QCOMPARE(entries->at(0).width, 256);
        QCOMPARE(entries->at(0).data, png);
    }

    // The committed pictures are exactly what make_assets draws now.
    void committedPicturesAreCurrent() {
        QTemporaryDir out;
        QVERIFY(out.isValid());
        QProcess tool;
        tool.start(QStringLiteral(TYRESCOPE_MAKE_ASSETS), {out.path()});
        QVERIFY(tool.waitForFinished(60000));
        // Without the face nothing can be compared: a failure, since scripts/deps installs it.
        QVERIFY2(tool.exitCode() != 1 || !tool.readAllStandardError().contains("not installed"),
                 "Liberation Sans is missing; scripts/deps installs fonts-liberation");
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 0);

        QStringList names = windowPictures();
        for (const QString& name : windowPictures()) {
            names << at2x(name);
        }
        for (int size : iconSizes) {
            names << QStringLiteral("icons/tyrescope-%1.png").arg(size);
        }
        for (const QString& name : names) {
            const QImage made(QDir(out.path()).filePath(name));
            const QImage committed(QStringLiteral(TYRESCOPE_ASSETS_DIR "/") + name);
            QVERIFY2(!made.isNull(), qPrintable(name + " was not written"));
            const QString diff = firstDifference(made, committed);
            QVERIFY2(diff.isEmpty(), qPrintable(name + ": " + diff + "; rerun make_assets"));
        }

        QFile madeIco(QDir(out.path()).filePath(QStringLiteral("icons/tyrescope.ico")));
        QFile committedIco(QStringLiteral(TYRESCOPE_ASSETS_DIR "/icons/tyrescope.ico"));
        QVERIFY(madeIco.open(QIODevice::ReadOnly));
        QVERIFY(committedIco.open(QIODevice::ReadOnly));
        const auto made = readIco(madeIco.readAll());
        const auto committed = readIco(committedIco.readAll());
        QVERIFY(made && committed);
        QCOMPARE(made->size(), committed->size());
        for (qsizetype i = 0; i < made->size(); ++i) {
            QCOMPARE(firstDifference(QImage::fromData(made->at(i).data, "png"),
                                     QImage::fromData(committed->at(i).data, "png")),
                     QString());
        }

        // Nothing else is drawn that the resources do not list.
        QDir dir(out.path());
        QStringList written = dir.entryList(QDir::Files);
        for (const QString& f :
             QDir(dir.filePath(QStringLiteral("icons"))).entryList(QDir::Files)) {
            written << QStringLiteral("icons/") + f;
        }
        names << QStringLiteral("icons/tyrescope.ico");
        written.sort();
        names.sort();
        QCOMPARE(written, names);
    }
};

QTEST_GUILESS_MAIN(tst_Assets)
#include "tst_assets.moc"
