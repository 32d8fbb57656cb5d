// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QPalette>
#include <QRect>
#include <cstdint>

class QWidget;

// The window was designed in twips and 0x00BBGGRR colour words; these helpers
// let the layout keep those numbers so they can be compared with the design.
namespace measures {

inline constexpr int twipsPerPixel = 15;

constexpr int pixels(int twips) {
    return twips / twipsPerPixel;
}

// A control's place as designed: Left, Top, Width, Height in twips.
struct Place {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

constexpr QRect pixels(Place p) {
    return {pixels(p.left), pixels(p.top), pixels(p.width), pixels(p.height)};
}

// Words with the top bit set name a colour of the desktop's scheme.
inline constexpr std::uint32_t systemWindowBackground = 0x80000005;
inline constexpr std::uint32_t systemWindowText = 0x80000008;

// The colour words of the window.
inline constexpr std::uint32_t white = 0x00FFFFFF;
inline constexpr std::uint32_t columnBlue = 0x00FEF3EF;
inline constexpr std::uint32_t statusBarBlue = 0x00C64203;
inline constexpr std::uint32_t onLineGreen = 0x00008000;
inline constexpr std::uint32_t offLineRed = 0x000000FF;
inline constexpr std::uint32_t captionBlue = 0x006E4830;
inline constexpr std::uint32_t bodyGrey = 0x00404040;

// Red sits in the low byte of a colour word.
constexpr QRgb rgbFromColourWord(std::uint32_t word) {
    return qRgb(static_cast<int>(word & 0xFF), static_cast<int>((word >> 8) & 0xFF),
                static_cast<int>((word >> 16) & 0xFF));
}

QColor colourFromWord(std::uint32_t word, const QPalette& scheme);

// Gives one role of the widget's palette the colour of a word.
void setColour(QWidget* widget, QPalette::ColorRole role, std::uint32_t word);

} // namespace measures
