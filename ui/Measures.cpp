#include "ui/Measures.h"

namespace measures {

QColor colourFromWord(std::uint32_t word, const QPalette& scheme) {
    switch (word) {
    case systemWindowBackground:
        return scheme.color(QPalette::Base);
    case systemWindowText:
        return scheme.color(QPalette::Text);
    default:
        return QColor::fromRgb(rgbFromColourWord(word));
    }
}

} // namespace measures
