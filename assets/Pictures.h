// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QStringView>
#include <span>

// The window's pictures and the program icon, compiled into the program in a
// run-length code (assets/CMakeLists.txt has pack_pictures make it from the
// PNG files at build time). A picture is decoded when it is asked for, in a
// few instructions per pixel, so only the pictures of the screen's scale are
// ever decoded.
namespace assets {

// The code is a sequence of steps, each one byte and perhaps a count after
// it. The byte's top two bits are the step's kind; its low six bits, plus
// one, the number of pixels it makes, or, when all six are set, 64 plus the
// little-endian base-128 number that follows (seven bits a byte, the top bit
// set on every byte but the last). The pixels run row after row, as in the
// image; a step may go on into the next row.
enum class Step : unsigned char {
    Literal = 0, // the pixels follow: blue, green, red bytes, then alpha if the picture has one
    Repeat = 1,  // the pixel before, again
    Above = 2,   // the pixels of the row above, one row up in the same columns
};

struct StoredPicture {
    const char* fileName; // as under assets/: "sensor1.png", "sensor1@2x.png"
    int scale;            // 2 for a picture drawn at twice the pixels
    int width;
    int height;
    bool alpha; // premultiplied 0xAARRGGBB pixels; else opaque 0xffRRGGBB
    const unsigned char* code;
    qsizetype codeSize;
};

std::span<const StoredPicture> storedPictures();

// The picture decoded: Format_RGB32, or Format_ARGB32_Premultiplied for one
// with an alpha channel, with its scale as device pixel ratio. Null when the
// code does not make exactly width x height pixels.
QImage decoded(const StoredPicture& stored);

// The picture stored under that file name, decoded; null when there is none.
QImage picture(QStringView fileName);

} // namespace assets
