// SPDX-License-Identifier: MIT
#include "assets/Pictures.h"

QImage assets::picture(QStringView fileName) {
    for (const StoredPicture& stored : storedPictures()) {
        if (fileName == QLatin1StringView(stored.fileName)) {
            QImage image(reinterpret_cast<const uchar*>(stored.pixels), stored.width, stored.height,
                         qsizetype(stored.width) * 4,
                         stored.alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
            image.setDevicePixelRatio(stored.scale);
            return image;
        }
    }
    return {};
}
