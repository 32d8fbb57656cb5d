// SPDX-License-Identifier: MIT
#pragma once

// frmMain's members live in three files:
//   frmMain.cpp           construction, layout and the window's end
//   frmMain_cycle.cpp     the acquisition cycle as the panels show it, the unit choices
//   frmMain_controls.cpp  the operator's buttons, the polling timer, the service commands
// The status-bar help is StatusHelp (StatusHelp.h), made by the constructor.

#include "cycle/CycleResult.h"
#include "sensor/SensorRecord.h"
#include "sensor/Units.h"
#include "ui/Controls.h"
#include "verdict/Judge.h"
#include "verdict/Limits.h"

#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

class ModHIDCom;

// The one window of the program: a fixed dashboard of five sensor panels, the
// unit choices, the receiver status and the polling buttons. Controls are
// public and keep their design names so that handlers and tests can reach
// each of them; element i of a panel array lies in picSensor(i + 1).
class frmMain : public QWidget {
    Q_OBJECT

public:
    // The window talks to the receiver through hid, which must outlive it.
    explicit frmMain(ModHIDCom& hid, QWidget* parent = nullptr);
    // Lets the receiver go; sends nothing.
    ~frmMain() override;

    // One acquisition cycle: reads the five records into SensorData and
    // redraws the connection indicator and every panel from them.
    void GetDataFromDevice();

    // From now on a value outside these limits is marked on its panel and
    // named in the panel's description. Without limits nothing is marked.
    void setLimits(const verdict::Limits& limits);

    // Redraw the five panels in pressure (temperature) unit k from SensorData.
    void optPressure_Click(int k);
    void optTemperature_Click(int k);

    // The operator's buttons, the polling timer and the maker's logo.
    void cmdSingle_Click();
    void cmdContinuous_Click();
    void tmrContinuous_Timer();
    void imgQuillon_Click(Qt::KeyboardModifiers modifiers);
    void cmdDevReset_Click();
    void cmdDataReset_Click();
    // How often "Continuous" reads the receiver.
    static constexpr std::chrono::milliseconds PollingPeriod{5000};

    // The records of the last cycle; all zero until the first one.
    sensor::SensorData SensorData{};
    sensor::UnitState Units;
    // Whether the service buttons are offered.
    bool ServiceMode = false;

    // The form runtime's default dialog font, used by the buttons, option
    // buttons and the status-bar text, whatever the desktop's font is.
    static QFont dialogFont();
    // The family of the panel texts at a pixel size (12 pt = 16 px, 18 pt = 24 px).
    static QFont arialBold(int pixelSize);

signals:
    // After every acquisition cycle, once the window shows its result.
    void cycleCompleted(const cycle::CycleResult& result);

public:
    // On the window, back to front.
    Shape* shpColumn = nullptr;
    Image* imgLogo = nullptr;
    Image* imgQuillon = nullptr;
    Shape* shpStatusbar = nullptr;
    QLabel* lblStatusMsg = nullptr;
    Image* imgGradient = nullptr;

    PictureBox* picPressure = nullptr;
    PictureBox* picTemperature = nullptr;
    PictureBox* picDevStatus = nullptr;
    PictureBox* picSensor1 = nullptr;
    PictureBox* picSensor2 = nullptr;
    PictureBox* picSensor3 = nullptr;
    PictureBox* picSensor4 = nullptr;
    PictureBox* picSensor5 = nullptr;
    std::array<PictureBox*, 5> picSensor{};

    QPushButton* cmdDevReset = nullptr;
    QPushButton* cmdDataReset = nullptr;
    QPushButton* cmdContinuous = nullptr;
    QPushButton* cmdSingle = nullptr;

    // In picPressure: 0 kilopascal, 1 bar, 2 pounds per square inch.
    std::array<QRadioButton*, 3> optPressure{};
    // In picTemperature: 0 degrees Celsius, 1 degrees Fahrenheit.
    std::array<QRadioButton*, 2> optTemperature{};

    // In picDevStatus.
    Image* imgDevStatus = nullptr;
    QLabel* lblDevStasus = nullptr;

    // In the sensor panels.
    std::array<QLabel*, 5> lblPressure{};
    std::array<QLabel*, 5> lblTemperature{};
    std::array<Image*, 5> imgBattery{};
    std::array<QLabel*, 5> lblRawdata{};
    std::array<QLabel*, 5> lblStatus{};

    QTimer tmrContinuous;

    // The pictures the status bulb and the battery gauges are switched
    // between. They are never shown themselves, so they are held as pictures
    // rather than hidden controls.
    QPixmap imgBatteryHig;
    QPixmap imgBatteryMid;
    QPixmap imgBatteryLow;
    QPixmap imgOnLine;
    QPixmap imgOffLine;

private:
    void connectUnitOptions();
    void connectOperatorControls();
    void sendServiceCommand(std::uint8_t command);
    void showConnection();
    // The one way from the data held to panel i.
    void showPanel(int i);
    // What screen readers are told of the receiver and of panel i: the
    // values as shown, in words.
    void describeConnection(bool onLine);
    void describePanel(int i);

    void createWindowSurface();
    void createUnitPanels();
    void createStatusPanel();
    void createSensorPanels();
    void createButtons();
    void arrangeStacking();
    void arrangeFocusChain();

    ModHIDCom& hid_;
    // Whether the last cycle reached the receiver: the raw data shows only then.
    bool reached_ = false;

    std::optional<verdict::Limits> limits_;
    // Each panel's values against limits_; nothing judged while there are none
    // or the receiver was not reached.
    std::array<verdict::SensorJudgements, 5> judged_{};
    // Per panel: pressure, temperature, battery gauge, status; made with the limits.
    std::array<std::array<ValueMark*, 4>, 5> marks_{};
};
