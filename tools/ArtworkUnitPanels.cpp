// SPDX-License-Identifier: MIT
// The unit panels and the status panel, each with its small icon in the title band.
#include "tools/Artwork.h"
#include "tools/ArtworkPainting.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <cmath>
#include <numbers>

namespace artwork {

namespace {

// ---- small icons of the unit panels, each in a 36 x 36 box ----------------

void paintWheel(QPainter& p, const QPointF& centre) {
    paintDisc(p, centre, 16.5, QPointF(-3, -3), 19,
              {{0, QColor(0x5A, 0x5E, 0x66)}, {1, QColor(0x16, 0x18, 0x1C)}},
              QPen(QColor(0x10, 0x10, 0x12), 1));

    // Tread blocks round the rim of the tyre.
    p.setPen(QPen(QColor(0x70, 0x74, 0x7C), 1.6, Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i < 18; ++i) {
        const qreal a = i * 2 * std::numbers::pi / 18;
        const QPointF dir(std::cos(a), std::sin(a));
        p.drawLine(centre + dir * 13.2, centre + dir * 15.6);
    }

    paintDisc(p, centre, 10.5, QPointF(-2.5, -2.5), 12,
              {{0, QColor(0xFF, 0xFF, 0xFF)}, {1, QColor(0x9C, 0xA6, 0xB2)}},
              QPen(QColor(0x5C, 0x64, 0x70), 1));

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
    paintDisc(p, QPointF(18, 28.5), 4.6, QPointF(-1.5, -1.5), 6,
              {{0, QColor(0xFF, 0x8A, 0x7A)}, {1, mercury}}, Qt::NoPen);
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
    QLinearGradient ring(4, 4, 25, 25);
    ring.setColorAt(0, QColor(0x9A, 0xA6, 0xB8));
    ring.setColorAt(1, QColor(0x3C, 0x46, 0x58));
    paintDisc(p, c, 10, QPointF(-3, -3), 12,
              {{0, QColor(0xF6, 0xFB, 0xFF)}, {1, QColor(0x9E, 0xC6, 0xF2)}},
              QPen(QBrush(ring), 3.2));

    p.setPen(QPen(withAlpha(Qt::white, 220), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - 6.5, c.y() - 6.5, 13, 13), 100 * 16, 70 * 16);
    p.restore();
}

} // namespace

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

} // namespace artwork
