// SPDX-License-Identifier: MIT
#include "assets/Pictures.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <cwchar>

namespace {

// Four bytes blue, green, red, alpha as the word 0xAARRGGBB: one load.
QRgb word(const unsigned char* in) {
    quint32 bytes;
    std::memcpy(&bytes, in, sizeof bytes);
    return qFromLittleEndian(bytes);
}

// Where wchar_t is 32 bits wide, the C library's wmemset fills words with
// vector stores; a plain loop stores one at a time.
void fill(QRgb* out, qsizetype count, QRgb pixel) {
    if constexpr (sizeof(wchar_t) == sizeof(QRgb)) {
        std::wmemset(reinterpret_cast<wchar_t*>(out), static_cast<wchar_t>(pixel),
                     std::size_t(count));
    } else {
        std::fill_n(out, count, pixel);
    }
}

} // namespace

QImage assets::decoded(const StoredPicture& stored) {
    QImage image(stored.width, stored.height,
                 stored.alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    image.setDevicePixelRatio(stored.scale);
    // 32-bit rows need no padding, so the pixels are one run of words.
    auto* const out = reinterpret_cast<QRgb*>(image.bits());
    const qsizetype width = stored.width;
    const qsizetype total = width * stored.height;
    const unsigned char* in = stored.code;
    const unsigned char* const end = in + stored.codeSize;
    // Each step is checked once, not each pixel: a code that would write
    // past the picture or read past itself gives no picture.
    qsizetype at = 0;
    while (at < total) {
        if (in == end) {
            return {};
        }
        const unsigned char head = *in++;
        qsizetype count = (head & 63) + 1;
        if (count == 64) {
            qsizetype extra = 0;
            for (int shift = 0;; shift += 7) {
                if (in == end || shift > 28) {
                    return {};
                }
                const unsigned char byte = *in++;
                extra |= qsizetype(byte & 127) << shift;
                if (byte < 128) {
                    break;
                }
            }
            count += extra;
        }
        if (count > total - at) {
            return {};
        }
        switch (Step(head >> 6)) {
        case Step::Literal:
            if (stored.alpha) {
                if (end - in < count * 4) {
                    return {};
                }
                for (qsizetype i = 0; i < count; ++i, in += 4) {
                    out[at + i] = word(in);
                }
            } else {
                if (end - in < count * 3) {
                    return {};
                }
                // Each word loaded takes the next pixel's blue byte too, so the
                // last pixel, which may end the code, is read a byte at a time.
                for (qsizetype i = 0; i < count - 1; ++i, in += 3) {
                    out[at + i] = word(in) | 0xff000000u;
                }
                out[at + count - 1] = 0xff000000u | QRgb(in[2]) << 16 | QRgb(in[1]) << 8 | in[0];
                in += 3;
            }
            break;
        case Step::Repeat:
            if (at == 0) {
                return {};
            }
            fill(out + at, count, out[at - 1]);
            break;
        case Step::Above:
            if (at < width) {
                return {};
            }
            // A row at a time, so that source and target never overlap.
            for (qsizetype done = 0; done < count; done += width) {
                std::copy_n(out + at + done - width, std::min(width, count - done),
                            out + at + done);
            }
            break;
        default:
            return {};
        }
        at += count;
    }
    return in == end ? image : QImage();
}

QImage assets::picture(QStringView fileName) {
    for (const StoredPicture& stored : storedPictures()) {
        if (fileName == QLatin1StringView(stored.fileName)) {
            return decoded(stored);
        }
    }
    return {};
}
