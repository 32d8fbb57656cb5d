// SPDX-License-Identifier: MIT
#include "ui/Measures.h"

#include <QWidget>

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

void setColour(QWidget* widget, QPalette::ColorRole role, std::uint32_t word) {
    QPalette colours = widget->palette();
    colours.setColor(role, colourFromWord(word, colours));
    widget->setPalette(colours);
}

} // namespace measures
