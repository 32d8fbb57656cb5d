// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QStringView>
#include <span>

// The window's pictures and the program icon, compiled into the program as the
// window paints them (assets/CMakeLists.txt has pack_pictures turn the PNG
// files into source at build time). Nothing is decoded when they are used,
// and only the pixels of a picture that is drawn are ever read.
namespace assets {

struct StoredPicture {
    const char* fileName; // as under assets/: "sensor1.png", "sensor1@2x.png"
    int scale;            // 2 for a picture drawn at twice the pixels
    int width;
    int height;
    bool alpha;         // premultiplied 0xAARRGGBB words; else opaque 0xffRRGGBB
    const char* pixels; // width * height native-order 32-bit words
};

std::span<const StoredPicture> storedPictures();

// The picture stored under that file name, sharing the program's read-only
// pixels: Format_RGB32, or Format_ARGB32_Premultiplied for one with an alpha
// channel, with its scale as device pixel ratio. Null when there is none.
QImage picture(QStringView fileName);

} // namespace assets
