// SPDX-License-Identifier: MIT
#include "tools/ArtworkPainting.h"

#include "tools/Artwork.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>

namespace artwork {

QImage canvas(int width, int height, const QColor& fill, int scale) {
    QImage image(width * scale, height * scale, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

void setPixel(QImage& image, int x, int y, const QColor& colour, int scale) {
    for (int dy = 0; dy < scale; ++dy) {
        for (int dx = 0; dx < scale; ++dx) {
            image.setPixelColor(x * scale + dx, y * scale + dy, colour);
        }
    }
}

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

void shadowedText(QPainter& p, const QPointF& baseline, const QString& text, const QColor& colour,
                  const QColor& shadow) {
    p.setPen(shadow);
    p.drawText(baseline + QPointF(1, 1), text);
    p.setPen(colour);
    p.drawText(baseline, text);
}

void paintDisc(QPainter& p, const QPointF& centre, qreal radius, const QPointF& light, qreal spread,
               const QGradientStops& stops, const QPen& edge) {
    QRadialGradient fill(centre + light, spread);
    fill.setStops(stops);
    p.setPen(edge);
    p.setBrush(fill);
    p.drawEllipse(centre, radius, radius);
}

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

} // namespace artwork
