#include "tools/Artwork.h"

#include <QBuffer>
#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSaveFile>
#include <QTransform>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace artwork {
namespace {

QImage canvas(int width, int height, const QColor& fill, int scale = 1) {
    QImage image(width * scale, height * scale, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

// Sets the scale-1 pixel (x, y): a block of scale x scale pixels.
void setPixel(QImage& image, int x, int y, const QColor& colour, int scale) {
    for (int dy = 0; dy < scale; ++dy) {
        for (int dx = 0; dx < scale; ++dx) {
            image.setPixelColor(x * scale + dx, y * scale + dy, colour);
        }
    }
}

// Lets the painter draw in scale-1 pixels on a canvas of any scale.
void drawAtScale(QPainter& p, int scale) {
    if (scale != 1) {
        p.scale(scale, scale);
    }
}

QFont boldFont(qreal pixelSize) {
    QFont font(QString::fromLatin1(FontFamily));
    font.setPixelSize(qRound(pixelSize));
    font.setBold(true);
    // Fixed here rather than taken from the desktop's font settings, so the
    // pictures do not depend on who runs make_assets.
    font.setHintingPreference(QFont::PreferVerticalHinting);
    font.setStyleStrategy(
        QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
    return font;
}

QColor mix(const QColor& a, const QColor& b, qreal t) {
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                            a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

QColor shade(const QColor& c, qreal factor) {
    return QColor(qBound(0, qRound(c.red() * factor), 255),
                  qBound(0, qRound(c.green() * factor), 255),
                  qBound(0, qRound(c.blue() * factor), 255));
}

QColor withAlpha(QColor c, int alpha) {
    c.setAlpha(alpha);
    return c;
}

// Text drawn with a soft shadow below-right, as used on the coloured grounds.
void shadowedText(QPainter& p, const QPointF& baseline, const QString& text, const QColor& colour,
                  const QColor& shadow) {
    p.setPen(shadow);
    p.drawText(baseline + QPointF(1, 1), text);
    p.setPen(colour);
    p.drawText(baseline, text);
}

// ---- the figure of the program icon and the product logo ------------------

// Head and shoulders of a man in a white coat, drawn in a 100 x 100 unit box.
void paintFigure(QPainter& p, const QRectF& box) {
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 100.0, box.height() / 100.0);
    const qreal unitsPerPixel = 100.0 / box.width();
    const qreal line = std::max(1.8, 0.9 * unitsPerPixel);
    const bool detailed = box.width() >= 30;

    const QColor coatEdge(0x6E, 0x7B, 0x92);
    const QColor skinEdge(0xB0, 0x55, 0x10);

    // Coat over the shoulders.
    QPainterPath coat;
    coat.moveTo(3, 101);
    coat.cubicTo(3, 80, 16, 70, 35, 66);
    coat.lineTo(65, 66);
    coat.cubicTo(84, 70, 97, 80, 97, 101);
    coat.closeSubpath();
    QLinearGradient coatFill(0, 66, 0, 100);
    coatFill.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
    coatFill.setColorAt(1, QColor(0xD8, 0xDE, 0xE8));
    p.setPen(QPen(coatEdge, line, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(coatFill);
    p.drawPath(coat);

    // The coat opens in a V over the blue shirt.
    QPainterPath shirt;
    shirt.moveTo(36, 66.5);
    shirt.lineTo(64, 66.5);
    shirt.lineTo(50, 97);
    shirt.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2F, 0x7A, 0xE0));
    p.drawPath(shirt);
    p.setPen(QPen(coatEdge, line, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(36, 67), QPointF(50, 97));
    p.drawLine(QPointF(64, 67), QPointF(50, 97));

    // Neck.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xD6, 0x72, 0x22));
    p.drawRect(QRectF(42, 52, 16, 16));

    // Collar points of the shirt either side of the knot.
    const QColor collar(0x6C, 0xA8, 0xF4);
    const QColor collarEdge(0x1B, 0x57, 0xB0);
    p.setPen(QPen(collarEdge, line * 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(collar);
    p.drawPolygon(QPolygonF({{40, 64}, {50, 72}, {44, 80}, {37, 68}}));
    p.drawPolygon(QPolygonF({{60, 64}, {50, 72}, {56, 80}, {63, 68}}));

    // Tie: knot and blade.
    const QColor tie(0x1C, 0x22, 0x30);
    p.setPen(Qt::NoPen);
    p.setBrush(tie);
    p.drawPolygon(QPolygonF({{45.5, 71}, {54.5, 71}, {53, 78}, {47, 78}}));
    p.drawPolygon(QPolygonF({{47, 78}, {53, 78}, {56, 93}, {50, 101}, {44, 93}}));
    if (detailed) {
        p.setPen(QPen(QColor(0x4A, 0x55, 0x6E), line * 0.6));
        p.drawLine(QPointF(48.5, 84), QPointF(54, 89));
        p.drawLine(QPointF(46.5, 90), QPointF(54.5, 97));
    }

    // Ears, then the face over them.
    QRadialGradient skin(QPointF(46, 32), 26);
    skin.setColorAt(0, QColor(0xFF, 0xBE, 0x6A));
    skin.setColorAt(1, QColor(0xF0, 0x86, 0x22));
    p.setPen(QPen(skinEdge, line * 0.8));
    p.setBrush(skin);
    p.drawEllipse(QPointF(31.5, 40), 4.5, 6.5);
    p.drawEllipse(QPointF(68.5, 40), 4.5, 6.5);
    p.drawEllipse(QPointF(50, 37), 18, 21);

    // Hair: a cap over the crown with a side parting.
    QPainterPath hair;
    hair.moveTo(31, 41);
    hair.cubicTo(27, 17, 39, 8, 52, 9);
    hair.cubicTo(66, 10, 74, 20, 69, 41);
    hair.cubicTo(68, 33, 66, 27, 61, 24);
    hair.cubicTo(53, 29, 42, 29, 37, 23);
    hair.cubicTo(34, 28, 32, 34, 31, 41);
    hair.closeSubpath();
    QLinearGradient hairFill(0, 9, 0, 41);
    hairFill.setColorAt(0, QColor(0x8A, 0x52, 0x28));
    hairFill.setColorAt(1, QColor(0x5E, 0x33, 0x14));
    p.setPen(
        QPen(QColor(0x45, 0x24, 0x0C), line * 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(hairFill);
    p.drawPath(hair);

    if (detailed) {
        // Eyes and a friendly mouth; below 30 px they only smudge the face.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x3A, 0x22, 0x0E));
        p.drawEllipse(QPointF(43, 39), 2.0, 2.6);
        p.drawEllipse(QPointF(57, 39), 2.0, 2.6);
        p.setPen(QPen(QColor(0x9A, 0x40, 0x0C), line * 0.9, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        QPainterPath mouth;
        mouth.moveTo(44, 48);
        mouth.quadTo(50, 53.5, 56, 48);
        p.drawPath(mouth);
    }
    p.restore();
}

// ---- small icons of the unit panels, each in a 36 x 36 box ----------------

void paintWheel(QPainter& p, const QPointF& centre) {
    QRadialGradient tyre(centre - QPointF(3, 3), 19);
    tyre.setColorAt(0, QColor(0x5A, 0x5E, 0x66));
    tyre.setColorAt(1, QColor(0x16, 0x18, 0x1C));
    p.setPen(QPen(QColor(0x10, 0x10, 0x12), 1));
    p.setBrush(tyre);
    p.drawEllipse(centre, 16.5, 16.5);

    // Tread blocks round the rim of the tyre.
    p.setPen(QPen(QColor(0x70, 0x74, 0x7C), 1.6, Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i < 18; ++i) {
        const qreal a = i * 2 * std::numbers::pi / 18;
        const QPointF dir(std::cos(a), std::sin(a));
        p.drawLine(centre + dir * 13.2, centre + dir * 15.6);
    }

    QRadialGradient rim(centre - QPointF(2.5, 2.5), 12);
    rim.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
    rim.setColorAt(1, QColor(0x9C, 0xA6, 0xB2));
    p.setPen(QPen(QColor(0x5C, 0x64, 0x70), 1));
    p.setBrush(rim);
    p.drawEllipse(centre, 10.5, 10.5);

    // Five spoke windows between the spokes.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3A, 0x40, 0x4A));
    for (int i = 0; i < 5; ++i) {
        const qreal a = -std::numbers::pi / 2 + i * 2 * std::numbers::pi / 5;
        p.drawEllipse(centre + QPointF(std::cos(a), std::sin(a)) * 6.4, 2.3, 2.3);
    }
    p.setBrush(QColor(0x7C, 0x86, 0x94));
    p.setPen(QPen(QColor(0x4A, 0x52, 0x5E), 0.8));
    p.drawEllipse(centre, 2.6, 2.6);
}

void paintThermometer(QPainter& p, const QPointF& topLeft) {
    p.save();
    p.translate(topLeft);
    const QColor glassEdge(0x6C, 0x7E, 0x9C);
    QPainterPath glass;
    glass.addRoundedRect(QRectF(13, 2, 10, 26), 5, 5);
    glass.addEllipse(QPointF(18, 28.5), 6.5, 6.5);
    glass.setFillRule(Qt::WindingFill);
    QLinearGradient glassFill(13, 0, 23, 0);
    glassFill.setColorAt(0, QColor(0xF4, 0xF8, 0xFF));
    glassFill.setColorAt(1, QColor(0xC8, 0xD6, 0xEE));
    p.setPen(QPen(glassEdge, 1));
    p.setBrush(glassFill);
    p.drawPath(glass.simplified());

    const QColor mercury(0xE0, 0x22, 0x14);
    QRadialGradient bulbFill(QPointF(16.5, 27), 6);
    bulbFill.setColorAt(0, QColor(0xFF, 0x8A, 0x7A));
    bulbFill.setColorAt(1, mercury);
    p.setPen(Qt::NoPen);
    p.setBrush(bulbFill);
    p.drawEllipse(QPointF(18, 28.5), 4.6, 4.6);
    p.setBrush(mercury);
    p.drawRoundedRect(QRectF(16.2, 10, 3.6, 18), 1.8, 1.8);

    p.setPen(QPen(QColor(0x4A, 0x5A, 0x78), 1, Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i < 6; ++i) {
        const qreal y = 6.5 + i * 3.5;
        p.drawLine(QPointF(24.5, y), QPointF(i % 2 == 0 ? 29 : 27, y));
    }
    p.restore();
}

void paintMagnifier(QPainter& p, const QPointF& topLeft) {
    p.save();
    p.translate(topLeft);
    // Handle first, so the ring covers its end.
    p.setPen(QPen(QColor(0x2E, 0x22, 0x18), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(22, 22), QPointF(31.5, 31.5));
    p.setPen(QPen(QColor(0x6A, 0x50, 0x3A), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(24, 23.2), QPointF(31, 30.2));

    const QPointF c(14.5, 14.5);
    QRadialGradient lens(c - QPointF(3, 3), 12);
    lens.setColorAt(0, QColor(0xF6, 0xFB, 0xFF));
    lens.setColorAt(1, QColor(0x9E, 0xC6, 0xF2));
    QLinearGradient ring(4, 4, 25, 25);
    ring.setColorAt(0, QColor(0x9A, 0xA6, 0xB8));
    ring.setColorAt(1, QColor(0x3C, 0x46, 0x58));
    p.setPen(QPen(QBrush(ring), 3.2));
    p.setBrush(lens);
    p.drawEllipse(c, 10, 10);

    p.setPen(QPen(withAlpha(Qt::white, 220), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - 6.5, c.y() - 6.5, 13, 13), 100 * 16, 70 * 16);
    p.restore();
}

} // namespace

// ---- banner -----------------------------------------------------------------

QColor bannerRowColour(int row) {
    if (row <= 0) {
        return QColor(0x01, 0x43, 0xCF);
    }
    if (row >= 64) {
        return QColor(0x75, 0xA1, 0xFF);
    }
    // Rows 1..63 rise by 49 in every channel over 62 row steps. Rounding the
    // exact line to the nearest step (halves upward) spreads the 49 steps
    // evenly: every level lasts one or two rows.
    constexpr int rise = 49;
    constexpr int span = 62;
    const int step = ((row - 1) * rise * 2 + span) / (span * 2);
    return QColor(0x01 + step, 0x34 + step, 0xCD + step);
}

QImage bannerGradient(int scale) {
    QImage image = canvas(1, BannerHeight, Qt::black, scale);
    for (int y = 0; y < BannerHeight; ++y) {
        setPixel(image, 0, y, bannerRowColour(y), scale);
    }
    return image;
}

QImage productLogo(int scale) {
    constexpr int width = 209;
    QImage image = canvas(width, BannerHeight, Qt::black, scale);
    for (int y = 0; y < BannerHeight; ++y) {
        for (int x = 0; x < width; ++x) {
            setPixel(image, x, y, bannerRowColour(y), scale);
        }
    }

    QPainter p(&image);
    drawAtScale(p, scale);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // The figure and the words keep off the top line and the light strip at
    // the bottom, which carry on the banner's own edges.
    p.setClipRect(QRect(1, 1, width - 2, 63));
    paintFigure(p, QRectF(5, 7, 58, 58));

    const QColor shadow(0x00, 0x18, 0x6A, 120);
    QFont title = boldFont(27);
    p.setFont(title);
    shadowedText(p, QPointF(66, 35), QStringLiteral("Tyrescope"), Qt::white, shadow);
    p.setFont(boldFont(12));
    shadowedText(p, QPointF(68, 53), QStringLiteral("Rimlink test utility"), Qt::white, shadow);
    return image;
}

// ---- unit panels ------------------------------------------------------------

QImage unitPanel(UnitPanel panel, int scale) {
    int height = 0;
    QString title;
    QColor titleColour(0x6A, 0x6E, 0x76);
    switch (panel) {
    case UnitPanel::Pressure:
        height = 133;
        title = QStringLiteral("Pressure unit");
        break;
    case UnitPanel::Temperature:
        height = 109;
        title = QStringLiteral("Temperature unit");
        break;
    case UnitPanel::DeviceStatus:
        height = 107;
        title = QStringLiteral("Device status");
        titleColour = QColor(0x1D, 0x4F, 0xC0);
        break;
    }
    constexpr int width = 174;
    constexpr qreal bandBottom = 31;
    const QColor outline(0x7E, 0x9E, 0xDA);

    QImage image = canvas(width, height, ColumnColour, scale);
    QPainter p(&image);
    drawAtScale(p, scale);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QPainterPath frame;
    frame.addRoundedRect(QRectF(0.5, 0.5, width - 1, height - 1), 7, 7);
    p.fillPath(frame, WindowColour);

    QPainterPath bandArea;
    bandArea.addRect(QRectF(0, 0, width, bandBottom));
    QLinearGradient band(0, 0, 0, bandBottom);
    band.setColorAt(0, QColor(0xFB, 0xFC, 0xFF));
    band.setColorAt(1, QColor(0xDC, 0xE6, 0xFA));
    p.fillPath(frame.intersected(bandArea), band);
    p.setPen(QPen(QColor(0xB4, 0xC6, 0xEC), 1));
    p.drawLine(QPointF(1, bandBottom + 0.5), QPointF(width - 1, bandBottom + 0.5));

    p.setPen(QPen(outline, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(frame);

    switch (panel) {
    case UnitPanel::Pressure:
        paintWheel(p, QPointF(21, 20));
        break;
    case UnitPanel::Temperature:
        paintThermometer(p, QPointF(3, 2));
        break;
    case UnitPanel::DeviceStatus:
        paintMagnifier(p, QPointF(4, 3));
        break;
    }

    p.setFont(boldFont(13));
    shadowedText(p, QPointF(44, 21), title, titleColour, withAlpha(Qt::white, 255));
    return image;
}

// ---- sensor panels ------------------------------------------------------------

const std::array<SensorTheme, 5>& sensorThemes() {
    static const std::array<SensorTheme, 5> themes{{
        {QColor(0xD2, 0x4C, 0x1D), QColor(0xF9, 0xDE, 0xCB), QColor(0xFF, 0xF5, 0xE7),
         QColor(0xE7, 0xC5, 0x97), QColor(0xB8, 0x34, 0x0C)},
        {QColor(0xF3, 0xCD, 0x2D), QColor(0xFD, 0xEF, 0xCA), QColor(0xFF, 0xF5, 0xE3),
         QColor(0xE7, 0xC5, 0x97), QColor(0xD9, 0x98, 0x00)},
        {QColor(0xC9, 0xDA, 0xFF), QColor(0xEA, 0xEF, 0xFF), QColor(0xEF, 0xF3, 0xFF),
         QColor(0xBD, 0xCA, 0xEA), QColor(0x5A, 0x84, 0xE4)},
        {QColor(0x79, 0xD7, 0x48), QColor(0xE1, 0xF6, 0xD2), QColor(0xF1, 0xFB, 0xE7),
         QColor(0xC3, 0xDC, 0xA2), QColor(0x45, 0xA8, 0x22)},
        {QColor(0xDE, 0xE1, 0xE9), QColor(0xF2, 0xF3, 0xF6), QColor(0xF5, 0xF6, 0xF8),
         QColor(0xCF, 0xD2, 0xD8), QColor(0x8A, 0x91, 0xA2)},
    }};
    return themes;
}

QColor sensorBandColour(const SensorTheme& theme, int x) {
    // The band pales slowly under the pressure text (white on panel 1) and
    // quickly in the gap before the temperature text (dark blue everywhere),
    // so both stay readable. Normalised so the ends are exactly the theme's.
    auto curve = [](qreal column) {
        const qreal t = (column - 1) / (SensorWidth - 3);
        return 0.6 * t * t + 0.4 / (1 + std::exp(-(column - SensorBandStep) / 9.0));
    };
    const qreal lo = curve(1);
    const qreal hi = curve(SensorWidth - 2);
    const qreal e = qBound(0.0, (curve(x) - lo) / (hi - lo), 1.0);
    auto channel = [e](int a, int b) { return a + static_cast<int>(std::lround((b - a) * e)); };
    return QColor(channel(theme.bandLeft.red(), theme.bandRight.red()),
                  channel(theme.bandLeft.green(), theme.bandRight.green()),
                  channel(theme.bandLeft.blue(), theme.bandRight.blue()));
}

namespace {

void paintBadge(QPainter& p, const SensorTheme& theme, int number) {
    const QPointF c(25, 19);
    constexpr qreal r = 13;
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(shade(theme.badge, 0.5), 70));
    p.drawEllipse(c + QPointF(0.6, 1.0), r + 0.6, r + 0.6);

    QRadialGradient fill(c - QPointF(4, 5), r * 1.6);
    fill.setColorAt(0, mix(theme.badge, Qt::white, 0.35));
    fill.setColorAt(0.55, theme.badge);
    fill.setColorAt(1, shade(theme.badge, 0.82));
    p.setPen(QPen(Qt::white, 1.6));
    p.setBrush(fill);
    p.drawEllipse(c, r, r);

    p.setFont(boldFont(19));
    const QString text = QString::number(number);
    const QFontMetricsF fm(p.font());
    const QPointF baseline(c.x() - fm.horizontalAdvance(text) / 2, c.y() + (fm.capHeight() / 2));
    shadowedText(p, baseline, text, Qt::white, withAlpha(shade(theme.badge, 0.45), 150));
}

// A battery cell standing upright with a lightning flash, in columns 437..455.
void paintBatteryCell(QPainter& p) {
    const QColor edge(0x3E, 0x4A, 0x5C);
    QLinearGradient metal(440, 0, 453, 0);
    metal.setColorAt(0, QColor(0x56, 0x66, 0x7E));
    metal.setColorAt(0.35, QColor(0xC2, 0xCE, 0xDE));
    metal.setColorAt(1, QColor(0x46, 0x54, 0x68));

    // Terminal cap.
    p.setPen(QPen(edge, 0.8));
    p.setBrush(metal);
    p.drawRoundedRect(QRectF(443.5, 6, 6, 4.5), 1.2, 1.2);

    // Cylinder body with an elliptical top face.
    QPainterPath body;
    body.moveTo(439.5, 10.5);
    body.lineTo(439.5, 29.5);
    body.arcTo(QRectF(439.5, 27.5, 14, 4), 180, 180);
    body.lineTo(453.5, 10.5);
    body.arcTo(QRectF(439.5, 8.5, 14, 4), 0, 180);
    body.closeSubpath();
    p.setPen(QPen(edge, 1));
    p.drawPath(body);
    p.setBrush(QColor(0xDA, 0xE2, 0xEE));
    p.drawEllipse(QRectF(439.5, 8.5, 14, 4));

    QPolygonF flash({{448.2, 13.5},
                     {442.6, 22.2},
                     {446.0, 22.2},
                     {444.6, 29.2},
                     {450.8, 19.8},
                     {447.3, 19.8},
                     {449.6, 13.5}});
    p.setPen(QPen(QColor(0x7A, 0x4E, 0x00), 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0xFF, 0xD4, 0x00));
    p.drawPolygon(flash);
}

} // namespace

QImage sensorPanel(int number, int scale) {
    const SensorTheme& theme = sensorThemes().at(static_cast<std::size_t>(number - 1));

    QImage content = canvas(SensorWidth, SensorHeight, theme.body, scale);
    for (int x = 0; x < SensorWidth; ++x) {
        const QColor band = sensorBandColour(theme, x);
        for (int y = SensorBandTop; y <= SensorBandBottom; ++y) {
            setPixel(content, x, y, band, scale);
        }
        setPixel(content, x, SensorSeparatorRow, theme.outline, scale);
    }
    {
        QPainter p(&content);
        drawAtScale(p, scale);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setClipRect(QRect(1, SensorBandTop, SensorWidth - 2, SensorBandBottom));
        paintBadge(p, theme, number);
        paintBatteryCell(p);
    }

    // Round off the corners onto the window's white, then draw the outline.
    QImage image = canvas(SensorWidth, SensorHeight, WindowColour, scale);
    QPainter p(&image);
    drawAtScale(p, scale);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath frame;
    frame.addRoundedRect(QRectF(0.5, 0.5, SensorWidth - 1, SensorHeight - 1), 6, 6);
    QBrush contentBrush(content);
    if (scale != 1) {
        // The content is already at the canvas's scale; the painter's must not grow it again.
        contentBrush.setTransform(QTransform::fromScale(1.0 / scale, 1.0 / scale));
    }
    p.fillPath(frame, contentBrush);
    p.strokePath(frame, QPen(theme.outline, 1));
    return image;
}

// ---- bulbs ------------------------------------------------------------------

QImage bulb(bool lit, int scale) {
    constexpr int width = 40;
    constexpr int height = 45;
    const QPointF c(20, 18.5);
    constexpr qreal glassRadius = 12;

    QImage image = canvas(width, height, WindowColour, scale);
    QPainter p(&image);
    drawAtScale(p, scale);
    p.setRenderHint(QPainter::Antialiasing);
    // Keep the outermost ring of pixels white so the picture sits cleanly on
    // the panel.
    p.setClipRect(QRect(1, 1, width - 2, height - 2));

    if (lit) {
        QRadialGradient glow(c, 18);
        glow.setColorAt(0, QColor(0xFF, 0xF2, 0x70, 230));
        glow.setColorAt(0.6, QColor(0xFF, 0xE4, 0x4A, 120));
        glow.setColorAt(1, QColor(0xFF, 0xF0, 0x90, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(c, 18, 18);

        p.setPen(QPen(QColor(0xFF, 0xB8, 0x00), 1.6, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 7; ++i) {
            const qreal a =
                std::numbers::pi * (1.0 + i / 6.0) + (i == 0 ? 0.15 : 0) - (i == 6 ? 0.15 : 0);
            const QPointF dir(std::cos(a), std::sin(a));
            p.drawLine(c + dir * 14.5, c + dir * 17.2);
        }
    }

    // Glass: a globe narrowing into the neck above the screw base.
    QPainterPath glass;
    glass.addEllipse(c, glassRadius, glassRadius);
    QPainterPath neck;
    neck.moveTo(c.x() - 8.5, c.y() + 8.5);
    neck.cubicTo(c.x() - 6, c.y() + 12, c.x() - 5.5, c.y() + 13, c.x() - 5.5, c.y() + 15.5);
    neck.lineTo(c.x() + 5.5, c.y() + 15.5);
    neck.cubicTo(c.x() + 5.5, c.y() + 13, c.x() + 6, c.y() + 12, c.x() + 8.5, c.y() + 8.5);
    neck.closeSubpath();
    glass = glass.united(neck);

    QRadialGradient glassFill(c - QPointF(3, 4), glassRadius * 1.5);
    QColor glassEdge;
    QColor filament;
    if (lit) {
        glassFill.setColorAt(0, QColor(0xFF, 0xFF, 0xF2));
        glassFill.setColorAt(0.45, QColor(0xFF, 0xF5, 0x80));
        glassFill.setColorAt(1, QColor(0xFF, 0xC8, 0x10));
        glassEdge = QColor(0xD8, 0x98, 0x00);
        filament = QColor(0xFF, 0x7A, 0x00);
    } else {
        glassFill.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
        glassFill.setColorAt(0.45, QColor(0xE4, 0xE6, 0xEA));
        glassFill.setColorAt(1, QColor(0xA8, 0xAC, 0xB4));
        glassEdge = QColor(0x80, 0x84, 0x8C);
        filament = QColor(0x70, 0x74, 0x7C);
    }
    p.setPen(QPen(glassEdge, 1));
    p.setBrush(glassFill);
    p.drawPath(glass);

    // Filament on its two supports.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(shade(filament, 0.8), 0.9));
    p.drawLine(QPointF(c.x() - 2.5, c.y() + 13), QPointF(c.x() - 3.5, c.y() + 1));
    p.drawLine(QPointF(c.x() + 2.5, c.y() + 13), QPointF(c.x() + 3.5, c.y() + 1));
    QPainterPath coil;
    coil.moveTo(c.x() - 3.5, c.y() + 1);
    for (int i = 0; i < 4; ++i) {
        const qreal x0 = c.x() - 3.5 + i * 1.75;
        coil.quadTo(x0 + 0.875, c.y() - 2.5, x0 + 1.75, c.y() + 1);
    }
    p.setPen(QPen(filament, lit ? 1.4 : 1.1, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(coil);

    // Highlight on the glass.
    p.setPen(QPen(withAlpha(Qt::white, lit ? 230 : 200), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(c.x() - 8.5, c.y() - 8.5, 17, 17), 105 * 16, 55 * 16);

    // Screw base with its threads and the contact.
    QLinearGradient metal(c.x() - 6, 0, c.x() + 6, 0);
    metal.setColorAt(0, QColor(0x80, 0x86, 0x90));
    metal.setColorAt(0.4, QColor(0xEE, 0xF0, 0xF3));
    metal.setColorAt(1, QColor(0x6C, 0x72, 0x7C));
    const QRectF base(c.x() - 6, c.y() + 15, 12, 9);
    p.setPen(QPen(QColor(0x5A, 0x60, 0x6A), 0.9));
    p.setBrush(metal);
    p.drawRoundedRect(base, 1.5, 1.5);
    p.setPen(QPen(QColor(0x60, 0x66, 0x70), 1));
    for (int i = 1; i <= 3; ++i) {
        const qreal y = base.top() + i * 2.25;
        p.drawLine(QPointF(base.left() + 0.5, y), QPointF(base.right() - 0.5, y - 0.8));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3A, 0x3E, 0x46));
    p.drawPolygon(QPolygonF({{c.x() - 4.5, base.bottom()},
                             {c.x() + 4.5, base.bottom()},
                             {c.x() + 2.5, base.bottom() + 2.5},
                             {c.x() - 2.5, base.bottom() + 2.5}}));
    return image;
}

// ---- battery gauges ---------------------------------------------------------

QImage batteryFull(int scale) {
    constexpr int width = 10;
    constexpr int height = 28;
    constexpr int segments = 9;
    const QColor top(0xFF, 0xF9, 0x00);
    const QColor bottom(0xFE, 0x68, 0x00);
    const QColor edge(0x9A, 0x5A, 0x14);
    // Rows darken towards a deep orange rather than towards black, which
    // would turn the yellow segments olive.
    const QColor ember(0x8C, 0x30, 0x00);

    QImage image = canvas(width, height, edge, scale);
    auto row = [&image, scale](int y, const QColor& c) {
        for (int x = 0; x < width; ++x) {
            setPixel(image, x, y, c, scale);
        }
    };
    for (int s = 0; s < segments; ++s) {
        const qreal t = qreal(s) / (segments - 1);
        const QColor bright(qRound(top.red() + (bottom.red() - top.red()) * t),
                            qRound(top.green() + (bottom.green() - top.green()) * t),
                            qRound(top.blue() + (bottom.blue() - top.blue()) * t));
        const int y = 1 + 3 * s;
        row(y, bright);
        if (s < segments - 1) {
            row(y + 1, mix(bright, ember, 0.2));
            row(y + 2, mix(bright, ember, 0.5));
        } else {
            // The lowest segment has only two rows before the edge.
            row(y + 1, mix(bright, ember, 0.5));
        }
    }
    return image;
}

QImage batteryLow(int scale) {
    const QImage full = batteryFull(scale);
    const int rows = 7 * scale;
    return full.copy(0, full.height() - rows, full.width(), rows);
}

// ---- maker's logo -----------------------------------------------------------

QImage makerLogo(int scale) {
    constexpr int width = 192;
    constexpr int height = 50;
    QImage image = canvas(width, height, ColumnColour, scale);
    QPainter p(&image);
    drawAtScale(p, scale);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Emblem: a blue disc with a white ring and a stylised Q of two arcs.
    const QPointF c(26, 25);
    QRadialGradient disc(c - QPointF(6, 7), 30);
    disc.setColorAt(0, QColor(0x4E, 0x8C, 0xF6));
    disc.setColorAt(1, QColor(0x0E, 0x3A, 0x9A));
    p.setPen(QPen(QColor(0x0B, 0x2C, 0x78), 1));
    p.setBrush(disc);
    p.drawEllipse(c, 21, 21);
    p.setPen(QPen(withAlpha(Qt::white, 200), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 18, 18);

    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(c.x() - 10, c.y() - 10, 20, 20), -40 * 16, 290 * 16);
    p.setPen(QPen(QColor(0xFF, 0xC2, 0x1A), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(3, 3), c + QPointF(11, 11));

    // Word mark in two lines.
    QFont name = boldFont(25);
    name.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    p.setFont(name);
    p.setPen(QColor(0x12, 0x36, 0x86));
    p.drawText(QPointF(55, 27), QStringLiteral("QUILLON"));

    QFont line = boldFont(12);
    line.setLetterSpacing(QFont::AbsoluteSpacing, 3.2);
    p.setFont(line);
    p.setPen(QColor(0x4C, 0x6A, 0xA8));
    p.drawText(QPointF(57, 42), QStringLiteral("electronics"));
    return image;
}

// ---- program icon -----------------------------------------------------------

QImage programIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paintFigure(p, QRectF(0, 0, size, size));
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// ---- all pictures and files ---------------------------------------------------

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

QByteArray icoFile(const QList<QByteArray>& pngImages) {
    constexpr int headerSize = 6;
    constexpr int entrySize = 16;
    constexpr int maxSize = 256;

    auto put16 = [](QByteArray& out, quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        out.append(b, 2);
    };
    auto put32 = [](QByteArray& out, quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    };

    QByteArray out;
    put16(out, 0); // reserved
    put16(out, 1); // type: icon
    put16(out, static_cast<quint16>(pngImages.size()));

    quint32 offset = headerSize + entrySize * static_cast<quint32>(pngImages.size());
    for (const QByteArray& png : pngImages) {
        // Width and height are the first two fields of the IHDR chunk.
        constexpr int ihdrWidth = 16;
        quint32 w = 0;
        quint32 h = 0;
        if (png.size() >= ihdrWidth + 8 && png.startsWith("\x89PNG\r\n\x1a\n")) {
            w = qFromBigEndian<quint32>(png.constData() + ihdrWidth);
            h = qFromBigEndian<quint32>(png.constData() + ihdrWidth + 4);
        }
        if (w == 0 || h == 0 || w > maxSize || h > maxSize) {
            return {};
        }
        out.append(static_cast<char>(w == maxSize ? 0 : w)); // 0 stands for 256
        out.append(static_cast<char>(h == maxSize ? 0 : h));
        out.append('\0'); // no palette
        out.append('\0'); // reserved
        put16(out, 1);    // colour planes
        put16(out, 32);   // bits per pixel
        put32(out, static_cast<quint32>(png.size()));
        put32(out, offset);
        offset += static_cast<quint32>(png.size());
    }
    for (const QByteArray& png : pngImages) {
        out.append(png);
    }
    return out;
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
