// SPDX-License-Identifier: MIT
// The five sensor panels: band, numeral badge and battery icon.
#include "tools/Artwork.h"
#include "tools/ArtworkPainting.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QTransform>
#include <cmath>

namespace artwork {

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

    paintDisc(p, c, r, QPointF(-4, -5), r * 1.6,
              {{0, mix(theme.badge, Qt::white, 0.35)},
               {0.55, theme.badge},
               {1, shade(theme.badge, 0.82)}},
              QPen(Qt::white, 1.6));

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

} // namespace artwork
