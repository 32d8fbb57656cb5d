// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <span>

// How pack_pictures stores a picture in the program. Standard C++ only, so
// that its generated source compiles without Qt's headers.
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
    std::ptrdiff_t codeSize;
};

std::span<const StoredPicture> storedPictures();

} // namespace assets
