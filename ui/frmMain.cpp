// SPDX-License-Identifier: MIT
#include "ui/frmMain.h"

#include "assets/Pictures.h"
#include "hid/ModHIDCom.h"
#include "ui/Measures.h"
#include "ui/StatusHelp.h"

#include <QApplication>
#include <QFontDatabase>
#include <QIcon>
#include <cstdint>
#include <initializer_list>

using measures::bodyGrey;
using measures::captionBlue;
using measures::columnBlue;
using measures::offLineRed;
using measures::Place;
using measures::setColour;
using measures::statusBarBlue;
using measures::white;

namespace {

// Client area, 10320 x 7920 twips.
constexpr int clientWidth = 10320;
constexpr int clientHeight = 7920;

// Places in twips: Left, Top, Width, Height. A picture box's size is the
// size of its picture; the one given here is what that picture measures.
namespace place {
constexpr Place imgGradient{0, 0, 7215, 1020};
constexpr Place imgLogo{7200, 0, 3135, 1020};
constexpr Place shpColumn{0, 960, 2895, 6615};
constexpr Place picPressure{120, 1080, 2610, 1995};
constexpr Place picTemperature{120, 3240, 2610, 1635};
constexpr Place picDevStatus{120, 5040, 2610, 1605};
constexpr Place imgQuillon{0, 6720, 2880, 750};
constexpr std::array<Place, 5> picSensor{{
    {3000, 1080, 7125, 1095},
    {3000, 2280, 7125, 1095},
    {3000, 3480, 7125, 1095},
    {3000, 4680, 7125, 1095},
    {3000, 5880, 7125, 1095},
}};
constexpr Place cmdDevReset{3000, 7080, 1455, 375};
constexpr Place cmdDataReset{4680, 7080, 1455, 375};
constexpr Place cmdContinuous{6960, 7080, 1455, 375};
constexpr Place cmdSingle{8640, 7080, 1455, 375};
constexpr Place shpStatusbar{0, 7560, 10335, 375};
constexpr Place lblStatusMsg{120, 7650, 10095, 255};

// In picPressure and picTemperature.
constexpr std::array<Place, 3> optPressure{{
    {360, 720, 1935, 375},
    {360, 1080, 1935, 375},
    {360, 1440, 1935, 375},
}};
constexpr std::array<Place, 2> optTemperature{{
    {360, 720, 1935, 375},
    {360, 1080, 1935, 375},
}};

// In picDevStatus.
constexpr Place imgDevStatus{240, 720, 600, 675};
constexpr Place lblDevStasus{960, 840, 1455, 375};

// In every sensor panel.
constexpr Place lblPressure{720, 120, 2295, 255};
constexpr Place lblTemperature{3480, 120, 2415, 255};
constexpr Place imgBattery{6900, 75, 150, 420};
constexpr Place lblRawdata{120, 720, 3135, 255};
constexpr Place lblStatus{3480, 720, 3495, 255};
} // namespace place

// On a screen scaled above 100 %, QIcon chooses between the picture and its
// partner drawn at twice the pixels as it chooses between name.png and
// name@2x.png files: the plain one up to 150 %, the doubled one above,
// reduced smoothly below 200 %. Either way the picture measures its plain
// size, and only the pixels of the one shown are read.
QPixmap picture(const QString& name) {
    const QImage plain = assets::picture(name);
    const qreal ratio = qApp->devicePixelRatio();
    if (ratio > 1.0) {
        QIcon both(QPixmap::fromImage(plain));
        both.addPixmap(
            QPixmap::fromImage(assets::picture(name.chopped(4) + QStringLiteral("@2x.png"))));
        return both.pixmap(plain.size(), ratio);
    }
    return QPixmap::fromImage(plain);
}

// Every icon size the program carries (assets/CMakeLists.txt chooses them).
QIcon programIcon() {
    QIcon icon;
    for (const assets::StoredPicture& stored : assets::storedPictures()) {
        if (QLatin1StringView(stored.fileName).startsWith(QLatin1StringView("icons/"))) {
            icon.addPixmap(QPixmap::fromImage(assets::decoded(stored)));
        }
    }
    return icon;
}

template <typename Control> Control* placed(Control* control, const Place& where) {
    control->setGeometry(measures::pixels(where));
    return control;
}

// Labels draw only their text; whatever lies behind them shows through.
QLabel* label(QWidget* parent, const Place& where, const QString& text, std::uint32_t colour,
              Qt::Alignment horizontal = Qt::AlignLeft) {
    auto* control = placed(new QLabel(text, parent), where);
    control->setAutoFillBackground(false);
    control->setAlignment(horizontal | Qt::AlignTop);
    control->setWordWrap(false);
    control->setTextFormat(Qt::PlainText);
    setColour(control, QPalette::WindowText, colour);
    return control;
}

QLabel* panelLabel(QWidget* parent, const Place& where, const QString& text, std::uint32_t colour,
                   Qt::Alignment horizontal = Qt::AlignLeft) {
    auto* control = label(parent, where, text, colour, horizontal);
    control->setFont(frmMain::arialBold(16));
    return control;
}

QRadioButton* optionButton(QWidget* panel, const Place& where, const QString& text) {
    auto* control = placed(new QRadioButton(text, panel), where);
    // Siblings are one exclusive group, so each panel holds its own group.
    control->setAutoExclusive(true);
    // The style tracks the pointer over option buttons for its hover look;
    // that movement must not reach the panel behind and set its help text.
    control->setAttribute(Qt::WA_NoMousePropagation);
    setColour(control, control->backgroundRole(), white);
    control->setAutoFillBackground(true);
    return control;
}

QPushButton* commandButton(QWidget* parent, const Place& where, const QString& text) {
    auto* control = placed(new QPushButton(text, parent), where);
    // A button that follows the pointer keeps the movement: the window
    // behind must not take it for movement over its bare background.
    control->setAttribute(Qt::WA_NoMousePropagation);
    // Enter presses the focused button as Space does, dialog or not.
    control->setAutoDefault(true);
    return control;
}

PictureBox* pictureBox(QWidget* parent, const Place& where, const QString& pictureName) {
    auto* control = placed(new PictureBox(parent), where);
    setColour(control, QPalette::Window, measures::systemWindowBackground);
    setColour(control, QPalette::WindowText, measures::systemWindowText);
    control->setPicture(picture(pictureName));
    return control;
}

Image* image(QWidget* parent, const Place& where) {
    return placed(new Image(parent), where);
}

} // namespace

QFont frmMain::dialogFont() {
    // 8 pt at 96 dpi, the classic dialog size, in pixels so the screen's
    // logical DPI cannot grow it out of the 25 px high buttons.
    // Arial, or where the system lacks it Liberation Sans, its metric twin,
    // asked for by name: a family the system lacks sends Qt through
    // fontconfig's search for a stand-in for each font of the window, some
    // 3 M instructions of every start. The list of families is read, not
    // hasFamily asked, which would run fontconfig's substitutions once more.
    static const QString family = [] {
        const QString arial = QStringLiteral("Arial");
        for (const QString& installed : QFontDatabase::families()) {
            // Qt names a family two foundries make "Arial [Foundry]".
            if (installed.compare(arial, Qt::CaseInsensitive) == 0 ||
                installed.startsWith(arial + QStringLiteral(" ["), Qt::CaseInsensitive)) {
                return arial;
            }
        }
        return QStringLiteral("Liberation Sans");
    }();
    QFont font;
    font.setFamilies({family});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

QFont frmMain::arialBold(int pixelSize) {
    QFont font = dialogFont();
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

frmMain::frmMain(ModHIDCom& hid, QWidget* parent) : QWidget(parent), hid_(hid) {
    setWindowTitle(QStringLiteral("Tyrescope"));
    // Title bar with system menu and close button only: no minimise or
    // maximise, and a fixed size so the layout never moves.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(measures::pixels(clientWidth), measures::pixels(clientHeight));
    // The native window first, then its icon: an icon set before is handed to
    // the window system twice while the window is made, every size each time.
    create();
    setWindowIcon(programIcon());
    setFont(dialogFont());
    setColour(this, QPalette::Window, white);
    setAutoFillBackground(true);

    imgBatteryHig = picture(QStringLiteral("battery-full.png"));
    imgBatteryMid = imgBatteryHig;
    imgBatteryLow = picture(QStringLiteral("battery-low.png"));
    imgOnLine = picture(QStringLiteral("bulb-on.png"));
    imgOffLine = picture(QStringLiteral("bulb-off.png"));

    createWindowSurface();
    createUnitPanels();
    createStatusPanel();
    createSensorPanels();
    createButtons();
    arrangeStacking();
    arrangeFocusChain();
    connectUnitOptions();
    connectOperatorControls();
    // Explains the control under the pointer in the status bar; the window owns it.
    new StatusHelp(*this);

    tmrContinuous.setTimerType(Qt::PreciseTimer);
    tmrContinuous.setInterval(0);
}

frmMain::~frmMain() {
    // Nothing is sent and nothing saved: the receiver is only let go.
    hid_.CloseReceiver();
}

void frmMain::createWindowSurface() {
    shpColumn =
        placed(new Shape(measures::colourFromWord(columnBlue, palette()), this), place::shpColumn);

    imgLogo = image(this, place::imgLogo);
    imgLogo->setPicture(picture(QStringLiteral("logo.png")));
    imgLogo->setAccessibleName(QStringLiteral("Tyrescope"));
    imgLogo->setAccessibleDescription(QStringLiteral("Rimlink test utility"));

    imgQuillon = image(this, place::imgQuillon);
    imgQuillon->setPicture(picture(QStringLiteral("maker-logo.png")));
    imgQuillon->setAccessibleName(QStringLiteral("Maker's logo"));
    imgQuillon->setAccessibleDescription(QStringLiteral("Quillon electronics"));

    shpStatusbar = placed(new Shape(measures::colourFromWord(statusBarBlue, palette()), this),
                          place::shpStatusbar);

    lblStatusMsg = label(
        this, place::lblStatusMsg,
        QStringLiteral("Welcome to Tyrescope, a utility to test the Rimlink receiver."), white);

    imgGradient = image(this, place::imgGradient);
    imgGradient->setStretch(true);
    imgGradient->setPicture(picture(QStringLiteral("gradient.png")));
    imgGradient->setAccessibleName(QStringLiteral("Banner"));
    imgGradient->setAccessibleDescription(QStringLiteral("blue title band"));
}

void frmMain::createUnitPanels() {
    picPressure = pictureBox(this, place::picPressure, QStringLiteral("panel-pressure.png"));
    picPressure->setAccessibleName(QStringLiteral("Pressure unit"));
    optPressure = {
        optionButton(picPressure, place::optPressure[0], QStringLiteral("Kilo Pascal (KPs)")),
        optionButton(picPressure, place::optPressure[1], QStringLiteral("Bar (Bar)")),
        optionButton(picPressure, place::optPressure[2], QStringLiteral("Pounds per inch (PSI)")),
    };
    optPressure[0]->setChecked(true);

    picTemperature =
        pictureBox(this, place::picTemperature, QStringLiteral("panel-temperature.png"));
    picTemperature->setAccessibleName(QStringLiteral("Temperature unit"));
    optTemperature = {
        optionButton(picTemperature, place::optTemperature[0], QStringLiteral("Celsius (\u00B0C)")),
        optionButton(picTemperature, place::optTemperature[1],
                     QStringLiteral("Fahrenheit (\u00B0F)")),
    };
    setColour(optTemperature[0], QPalette::WindowText, bodyGrey);
    optTemperature[0]->setChecked(true);
}

void frmMain::createStatusPanel() {
    picDevStatus = pictureBox(this, place::picDevStatus, QStringLiteral("panel-devstatus.png"));
    picDevStatus->setAccessibleName(QStringLiteral("Device status"));

    imgDevStatus = image(picDevStatus, place::imgDevStatus);
    imgDevStatus->setPicture(imgOffLine);
    imgDevStatus->setAccessibleName(QStringLiteral("Receiver status"));

    lblDevStasus = panelLabel(picDevStatus, place::lblDevStasus, QStringLiteral("Off line!"),
                              offLineRed, Qt::AlignHCenter);
    lblDevStasus->setFont(arialBold(24));
    describeConnection(false);
}

void frmMain::createSensorPanels() {
    for (std::size_t i = 0; i < picSensor.size(); ++i) {
        PictureBox* panel =
            pictureBox(this, place::picSensor[i], QStringLiteral("sensor%1.png").arg(i + 1));
        picSensor[i] = panel;
        panel->setAccessibleName(QStringLiteral("Sensor %1").arg(i + 1));

        // The first panel's band is dark where the pressure text stands.
        lblPressure[i] = panelLabel(panel, place::lblPressure, QStringLiteral("Pressure: ??? KPa"),
                                    i == 0 ? white : captionBlue);
        lblTemperature[i] = panelLabel(panel, place::lblTemperature,
                                       QStringLiteral("Temperature: ??? \u00B0C"), captionBlue);

        imgBattery[i] = image(panel, place::imgBattery);
        imgBattery[i]->setPicture(imgBatteryHig);
        imgBattery[i]->setAccessibleName(QStringLiteral("Battery gauge"));
        imgBattery[i]->hide();

        lblRawdata[i] = panelLabel(panel, place::lblRawdata,
                                   QStringLiteral("Raw data: ?? ?? ?? ?? Hex"), bodyGrey);
        lblStatus[i] = panelLabel(panel, place::lblStatus, QStringLiteral("Status: ?"), bodyGrey);
        describePanel(static_cast<int>(i));
    }
    picSensor1 = picSensor[0];
    picSensor2 = picSensor[1];
    picSensor3 = picSensor[2];
    picSensor4 = picSensor[3];
    picSensor5 = picSensor[4];
}

void frmMain::createButtons() {
    // The service buttons stay hidden until asked for from the maker's logo.
    cmdDevReset = commandButton(this, place::cmdDevReset, QStringLiteral("Master Reset"));
    cmdDevReset->hide();
    cmdDataReset = commandButton(this, place::cmdDataReset, QStringLiteral("Data Reset"));
    cmdDataReset->hide();
    cmdContinuous = commandButton(this, place::cmdContinuous, QStringLiteral("Continuous"));
    cmdSingle = commandButton(this, place::cmdSingle, QStringLiteral("Once"));
}

void frmMain::arrangeStacking() {
    // Back to front: the pale column behind everything, the status text on
    // its bar, and the banner over the logo's first pixel column. Panels and
    // buttons lie above all of these.
    for (QWidget* surface : std::initializer_list<QWidget*>{
             shpColumn, imgLogo, imgQuillon, shpStatusbar, lblStatusMsg, imgGradient}) {
        surface->raise();
    }
    for (QWidget* control : std::initializer_list<QWidget*>{
             picPressure, picTemperature, picDevStatus, picSensor1, picSensor2, picSensor3,
             picSensor4, picSensor5, cmdDevReset, cmdDataReset, cmdContinuous, cmdSingle}) {
        control->raise();
    }
}

void frmMain::arrangeFocusChain() {
    // The panels take no focus; the buttons follow the design's order, and
    // the hidden service buttons are skipped by focus until they are shown.
    const std::initializer_list<QWidget*> chain{
        cmdContinuous,     cmdSingle,         optPressure[0], optPressure[1], optPressure[2],
        optTemperature[0], optTemperature[1], cmdDevReset,    cmdDataReset,
    };
    QWidget* previous = nullptr;
    for (QWidget* widget : chain) {
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, widget);
        }
        previous = widget;
    }
    // The window opens with focus at the head of the order, so that the
    // keyboard can start polling at once.
    cmdContinuous->setFocus();
}
