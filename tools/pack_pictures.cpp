// SPDX-License-Identifier: MIT
// Turns the committed pictures into C++ source that holds them in the
// run-length code of assets/StoredPicture.h, which the program decodes in a few
// instructions per pixel when it shows a picture:
//
//   pack_pictures OUT.cpp DIR NAME...   NAME relative to DIR, e.g. sensor1@2x.png
//
// Pixels are 0xffRRGGBB for opaque pictures and premultiplied 0xAARRGGBB for
// those with an alpha channel (the program icon), as QPixmap holds them,
// premultiplied here in exact integers so that every machine stores the same
// pixels.

#include "assets/StoredPicture.h"

#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QSaveFile>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Each colour channel times alpha / 255, rounded to nearest (never a tie: 255
// is odd).
QRgb premultiplied(QRgb c) {
    const uint a = qAlpha(c);
    const auto times = [a](uint v) { return (v * a + 127) / 255; };
    return qRgba(int(times(qRed(c))), int(times(qGreen(c))), int(times(qBlue(c))), int(a));
}

// A step's head byte, and its count after it when six bits cannot hold it.
void appendStep(QByteArray& code, assets::Step step, qsizetype count) {
    const auto kind = static_cast<unsigned char>(int(step) << 6);
    if (count < 64) {
        code += char(kind | (count - 1));
        return;
    }
    code += char(kind | 63);
    for (qsizetype rest = count - 64;; rest >>= 7) {
        if (rest < 128) {
            code += char(rest);
            return;
        }
        code += char(128 | (rest & 127));
    }
}

// The longer of a repetition of the pixel before and a copy of the row above
// is taken where it starts, unless it would split the pixels that go out as
// they are for fewer than four: a step costs the decoder some twenty
// instructions, a pixel as it is about four. That makes the code some 10 %
// larger and its decoding a third cheaper than taking every one.
QByteArray encoded(const QImage& image, bool alpha) {
    const qsizetype width = image.width();
    std::vector<QRgb> pixels;
    pixels.reserve(std::size_t(width) * std::size_t(image.height()));
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        pixels.insert(pixels.end(), row, row + width);
    }
    const auto total = qsizetype(pixels.size());

    QByteArray code;
    QByteArray literals;
    qsizetype literalCount = 0;
    const auto flushLiterals = [&] {
        if (literalCount > 0) {
            appendStep(code, assets::Step::Literal, literalCount);
            code += literals;
            literals.clear();
            literalCount = 0;
        }
    };
    for (qsizetype at = 0; at < total;) {
        qsizetype repeat = 0;
        while (at > 0 && at + repeat < total && pixels[at + repeat] == pixels[at - 1]) {
            ++repeat;
        }
        qsizetype above = 0;
        while (at >= width && at + above < total &&
               pixels[at + above] == pixels[at + above - width]) {
            ++above;
        }
        const qsizetype longer = std::max(repeat, above);
        if (longer >= 4 || (longer > 0 && literalCount == 0)) {
            flushLiterals();
            // A repetition on a tie: filling is cheaper than copying.
            const bool copy = above > repeat;
            appendStep(code, copy ? assets::Step::Above : assets::Step::Repeat,
                       copy ? above : repeat);
            at += copy ? above : repeat;
            continue;
        }
        const QRgb c = pixels[at];
        literals += char(qBlue(c));
        literals += char(qGreen(c));
        literals += char(qRed(c));
        if (alpha) {
            literals += char(qAlpha(c));
        }
        ++literalCount;
        ++at;
    }
    flushLiterals();
    return code;
}

// The code as one string literal: printable bytes as they are, the others
// as three-digit octal escapes, which no following digit can lengthen.
QByteArray literal(const QByteArray& code) {
    QByteArray out;
    out.reserve(code.size() * 3);
    out += "    \"";
    int column = 0;
    for (const char c : code) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\' && b != '?') {
            out += char(b);
            ++column;
        } else {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\%03o", b);
            out += escape;
            column += 4;
        }
        if (column >= 96) {
            out += "\"\n    \"";
            column = 0;
        }
    }
    out += "\"";
    return out;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: pack_pictures OUT.cpp DIR NAME...\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[2]);
    const QRegularExpression scaleSuffix(QStringLiteral("@(\\d)x\\.png$"));

    QByteArray data;
    QByteArray table;
    for (int i = 3; i < argc; ++i) {
        const QString name = QString::fromLocal8Bit(argv[i]);
        QImageReader reader(dir + QLatin1Char('/') + name, "png");
        QImage image = reader.read();
        if (image.isNull()) {
            std::fprintf(stderr, "pack_pictures: %s/%s: %s\n", argv[2], argv[i],
                         qPrintable(reader.errorString()));
            return 1;
        }
        const bool alpha = image.hasAlphaChannel();
        image = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (alpha) {
            for (int y = 0; y < image.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x) {
                    row[x] = premultiplied(row[x]);
                }
            }
        }
        const QRegularExpressionMatch scale = scaleSuffix.match(name);

        const QByteArray symbol = "picture" + QByteArray::number(i - 3);
        data +=
            "constexpr unsigned char " + symbol + "[] =\n" + literal(encoded(image, alpha)) + ";\n";
        table += QStringLiteral("    assets::StoredPicture{\"%1\", %2, %3, %4, %5, %6, "
                                "sizeof %6 - 1},\n")
                     .arg(name)
                     .arg(scale.hasMatch() ? scale.captured(1) : QStringLiteral("1"))
                     .arg(image.width())
                     .arg(image.height())
                     .arg(alpha ? QStringLiteral("true") : QStringLiteral("false"))
                     .arg(QString::fromLatin1(symbol))
                     .toUtf8();
    }

    QByteArray source = "// Generated by pack_pictures from the pictures under assets/.\n"
                        "#include \"assets/StoredPicture.h\"\n\n"
                        "#include <array>\n\n";
    source += "namespace {\n\n" + data + "\nconstexpr std::array pictures{\n" + table +
              "};\n\n} // namespace\n\n";
    source += "std::span<const assets::StoredPicture> assets::storedPictures() {\n"
              "    return pictures;\n"
              "}\n";

    // Written whole or not at all, so that a failed run leaves nothing the
    // build would take for current.
    QSaveFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "pack_pictures: cannot write %s\n", argv[1]);
        return 1;
    }
    out.write(source);
    if (!out.commit()) {
        std::fprintf(stderr, "pack_pictures: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
