// SPDX-License-Identifier: MIT
// The program icon and its Windows .ico file.
#include "tools/Artwork.h"
#include "tools/ArtworkPainting.h"

#include <QtEndian>

namespace artwork {

namespace {

// Straight colour from premultiplied, rounded to nearest. QImage's own
// conversion divides by alpha with the processor's approximate reciprocal,
// whose last bit differs between makers (AMD and Intel disagree on a few
// semi-transparent pixels), so the committed icons would depend on who drew them.
QImage unpremultiplied(const QImage& premultiplied) {
    QImage out(premultiplied.size(), QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(premultiplied.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const uint alpha = qAlpha(from[x]);
            const auto straight = [alpha](uint c) { return (c * 255 + alpha / 2) / alpha; };
            to[x] = alpha == 0 ? 0
                               : qRgba(straight(qRed(from[x])), straight(qGreen(from[x])),
                                       straight(qBlue(from[x])), alpha);
        }
    }
    return out;
}

} // namespace

QImage programIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paintFigure(p, QRectF(0, 0, size, size));
    p.end();
    return unpremultiplied(image);
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

} // namespace artwork
