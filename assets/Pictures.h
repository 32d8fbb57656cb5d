// SPDX-License-Identifier: MIT
#pragma once

#include "assets/StoredPicture.h"

#include <QImage>
#include <QStringView>

// The window's pictures and the program icon, compiled into the program in a
// run-length code (assets/CMakeLists.txt has pack_pictures make it from the
// PNG files at build time). A picture is decoded when it is asked for, in a
// few instructions per pixel, so only the pictures of the screen's scale are
// ever decoded.
namespace assets {

// The picture decoded: Format_RGB32, or Format_ARGB32_Premultiplied for one
// with an alpha channel, with its scale as device pixel ratio. Null when the
// code does not make exactly width x height pixels.
QImage decoded(const StoredPicture& stored);

// The picture stored under that file name, decoded; null when there is none.
QImage picture(QStringView fileName);

} // namespace assets
