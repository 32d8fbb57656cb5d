// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QString>
#include <array>
#include <vector>

// Draws every picture of the Tyrescope window and its program icon. The
// pictures are committed under assets/; make_assets redraws them from here.
// Each family of pictures is drawn in its own file (ArtworkBanner.cpp,
// ArtworkUnitPanels.cpp, ArtworkSensorPanels.cpp, ArtworkGauges.cpp,
// ArtworkIcon.cpp) with the painting helpers of ArtworkPainting.h.
namespace artwork {

// All text is set in this face so that the pictures come out the same on
// every machine that has it (Debian: fonts-liberation).
inline constexpr auto FontFamily = "Liberation Sans";

// The fill of the pale left-hand column behind the unit panels and the
// maker's logo, and the white of the window behind the sensor panels.
inline const QColor ColumnColour{0xEF, 0xF3, 0xFE};
inline const QColor WindowColour{0xFF, 0xFF, 0xFF};

inline constexpr int BannerHeight = 68;

// Colour of one row of the title banner, row 0 at the top.
QColor bannerRowColour(int row);

struct SensorTheme {
    QColor bandLeft;
    QColor bandRight;
    QColor body;
    QColor outline;
    QColor badge;
};

// Colours of sensor panels 1 to 5.
const std::array<SensorTheme, 5>& sensorThemes();

// Rows of the sensor panel picture (all 475 x 73 px).
inline constexpr int SensorWidth = 475;
inline constexpr int SensorHeight = 73;
inline constexpr int SensorBandTop = 1;
inline constexpr int SensorBandBottom = 36;
inline constexpr int SensorSeparatorRow = 37;
inline constexpr int SensorBodyTop = 38;
inline constexpr int SensorBodyBottom = 71;

// Where the band turns from strong to pale: between the pressure text (ends
// at 201 px) and the temperature text (starts at 232 px).
inline constexpr int SensorBandStep = 216;

// Band colour at column x, from bandLeft at column 1 to bandRight at column
// SensorWidth - 2.
QColor sensorBandColour(const SensorTheme& theme, int x);

enum class UnitPanel { Pressure, Temperature, DeviceStatus };

// Every window picture is drawn at scale 1 for ordinary screens and again at
// scale 2, stored as name@2x.png, for screens scaled to 200 % and beyond:
// the same drawing at twice the pixels. All coordinates and sizes here are
// in scale-1 pixels.
inline constexpr std::array<int, 2> PictureScales{1, 2};

QImage bannerGradient(int scale = 1);
QImage productLogo(int scale = 1);
QImage unitPanel(UnitPanel panel, int scale = 1);
QImage sensorPanel(int number, int scale = 1); // number 1..5
QImage bulb(bool lit, int scale = 1);
QImage batteryFull(int scale = 1);
QImage batteryLow(int scale = 1);
QImage makerLogo(int scale = 1);
QImage programIcon(int size);

inline constexpr std::array<int, 7> IconSizes{16, 24, 32, 48, 64, 128, 256};

// "sensor1.png" at scale 2 is stored as "sensor1@2x.png", where Qt's
// high-DPI lookup finds it.
QString fileNameAtScale(const QString& fileName, int scale);

// One picture and the file name it is stored under, relative to assets/.
struct Picture {
    QString fileName;
    QImage image;
};

// Every window picture at every scale and every icon size, in a fixed order.
std::vector<Picture> allPictures();

// A Windows icon file holding the given PNG-encoded images. Each entry's size
// is read from its PNG header; images up to 256 px are accepted.
QByteArray icoFile(const QList<QByteArray>& pngImages);

QByteArray encodePng(const QImage& image);

// Writes every picture and tyrescope.ico below dir. Returns the failures, one
// line each; empty when everything was written.
QStringList writeAll(const QString& dir);

} // namespace artwork
