// SPDX-License-Identifier: MIT
// The bulbs of the receiver status and the battery gauges.
#include "tools/Artwork.h"
#include "tools/ArtworkPainting.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <cmath>
#include <numbers>

namespace artwork {

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
        paintDisc(p, c, 18, QPointF(0, 0), 18,
                  {{0, QColor(0xFF, 0xF2, 0x70, 230)},
                   {0.6, QColor(0xFF, 0xE4, 0x4A, 120)},
                   {1, QColor(0xFF, 0xF0, 0x90, 0)}},
                  Qt::NoPen);

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

} // namespace artwork
