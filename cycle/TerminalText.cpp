// SPDX-License-Identifier: MIT
#include "cycle/TerminalText.h"

#include <QChar>
#include <optional>

namespace {

// Length in bytes of the UTF-8 sequence starting at text[i] and its code
// point, or nothing when the bytes there are not a valid sequence.
struct Decoded {
    std::size_t length;
    char32_t codePoint;
};
std::optional<Decoded> decodeUtf8(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        return Decoded{1, lead};
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (i + length > text.size()) {
        return std::nullopt;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return std::nullopt;
        }
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return std::nullopt;
    }
    return Decoded{length, cp};
}

// Controls, and the invisible characters that reorder or hide text around
// them (bidirectional overrides and isolates, zero-width characters, line and
// paragraph separators).
bool hidden(char32_t cp) {
    if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)) {
        return true;
    }
    const QChar::Category category = QChar::category(cp);
    return category == QChar::Other_Format || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

} // namespace

std::string printableText(std::string_view text) {
    std::string result;
    std::size_t shown = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::optional<Decoded> d = decodeUtf8(text, i);
        if (!d) {
            if (shown == MaxShownCharacters) {
                result += "...";
                break;
            }
            result += '?';
            ++shown;
            ++i;
            continue;
        }
        if (shown == MaxShownCharacters) {
            result += "...";
            break;
        }
        if (hidden(d->codePoint)) {
            result += '?';
        } else {
            result.append(text.substr(i, d->length));
        }
        ++shown;
        i += d->length;
    }
    return result;
}
