// SPDX-License-Identifier: MIT
// The banner, the product logo and the maker's logo.
#include "tools/Artwork.h"
#include "tools/ArtworkPainting.h"

#include <QPainter>

namespace artwork {

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
    paintDisc(p, c, 21, QPointF(-6, -7), 30,
              {{0, QColor(0x4E, 0x8C, 0xF6)}, {1, QColor(0x0E, 0x3A, 0x9A)}},
              QPen(QColor(0x0B, 0x2C, 0x78), 1));
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

} // namespace artwork
