// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QFont>
#include <QGradient>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QString>

// Painting helpers shared by the picture families (ArtworkBanner.cpp,
// ArtworkUnitPanels.cpp, ArtworkSensorPanels.cpp, ArtworkGauges.cpp,
// ArtworkIcon.cpp). Coordinates are scale-1 pixels.
namespace artwork {

// A picture of width x height scale-1 pixels at the given scale, in one colour.
QImage canvas(int width, int height, const QColor& fill, int scale = 1);
// Sets the scale-1 pixel (x, y): a block of scale x scale pixels.
void setPixel(QImage& image, int x, int y, const QColor& colour, int scale);
// Lets the painter draw in scale-1 pixels on a canvas of any scale.
void drawAtScale(QPainter& p, int scale);

// The bold face of all lettering, set the same whoever runs make_assets.
QFont boldFont(qreal pixelSize);

QColor mix(const QColor& a, const QColor& b, qreal t);
QColor shade(const QColor& c, qreal factor);
QColor withAlpha(QColor c, int alpha);

// Text drawn with a soft shadow below-right, as used on the coloured grounds.
void shadowedText(QPainter& p, const QPointF& baseline, const QString& text, const QColor& colour,
                  const QColor& shadow);

// A disc lit by a radial gradient: the gradient's centre sits at light from
// the disc's centre and spreads over spread.
void paintDisc(QPainter& p, const QPointF& centre, qreal radius, const QPointF& light, qreal spread,
               const QGradientStops& stops, const QPen& edge);

// Head and shoulders of a man in a white coat, drawn in a 100 x 100 unit box:
// the figure of the program icon and the product logo.
void paintFigure(QPainter& p, const QRectF& box);

} // namespace artwork
