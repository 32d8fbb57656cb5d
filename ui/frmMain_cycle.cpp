// SPDX-License-Identifier: MIT
// frmMain, continued: the acquisition cycle as the panels show it and tell
// screen readers, and the unit choices.
#include "hid/ModHIDCom.h"
#include "sensor/Acquisition.h"
#include "ui/Measures.h"
#include "ui/frmMain.h"

namespace {

// Every battery gauge ends here, in twips from the top of its panel, however
// tall its picture is.
constexpr int batteryBaseline = 495;

// The middle charge shows the full gauge's picture; only these words tell it apart.
QString batteryWords(sensor::BatteryClass battery) {
    switch (battery) {
    case sensor::BatteryClass::High:
        return QStringLiteral("battery high");
    case sensor::BatteryClass::Mid:
        return QStringLiteral("battery mid");
    case sensor::BatteryClass::Low:
        return QStringLiteral("battery low");
    case sensor::BatteryClass::None:
        break;
    }
    return QStringLiteral("no battery reading");
}

} // namespace

void frmMain::connectUnitOptions() {
    for (int k = 0; k < static_cast<int>(optPressure.size()); ++k) {
        connect(optPressure[static_cast<std::size_t>(k)], &QRadioButton::clicked, this,
                [this, k] { optPressure_Click(k); });
    }
    for (int k = 0; k < static_cast<int>(optTemperature.size()); ++k) {
        connect(optTemperature[static_cast<std::size_t>(k)], &QRadioButton::clicked, this,
                [this, k] { optTemperature_Click(k); });
    }
}

void frmMain::GetDataFromDevice() {
    sensor::acquireRecords(hid_, SensorData);
    showConnection();
    for (int i = 0; i < sensor::SensorCount; ++i) {
        showPanel(i);
    }
    emit cycleCompleted();
}

void frmMain::showConnection() {
    if (hid_.DeviceConnected) {
        imgDevStatus->setPicture(imgOnLine);
        lblDevStasus->setText(QStringLiteral("On line!"));
        measures::setColour(lblDevStasus, QPalette::WindowText, measures::onLineGreen);
    } else {
        imgDevStatus->setPicture(imgOffLine);
        lblDevStasus->setText(QStringLiteral("Off line!"));
        measures::setColour(lblDevStasus, QPalette::WindowText, measures::offLineRed);
    }
    describeConnection(hid_.DeviceConnected);
}

void frmMain::describeConnection(bool onLine) {
    const QString state =
        onLine ? QStringLiteral("receiver on line") : QStringLiteral("receiver off line");
    picDevStatus->setAccessibleDescription(state);
    imgDevStatus->setAccessibleDescription(state);
}

void frmMain::describePanel(int i) {
    const auto k = static_cast<std::size_t>(i);
    const Image* gauge = imgBattery[k];
    const QString battery = gauge->isVisibleTo(picSensor[k])
                                ? gauge->accessibleDescription()
                                : batteryWords(sensor::BatteryClass::None);
    picSensor[k]->setAccessibleDescription(QStringList{
        lblPressure[k]->text(), lblTemperature[k]->text(), battery, lblStatus[k]->text()}
                                               .join(QStringLiteral(", ")));
}

void frmMain::showPanel(int i) {
    const auto k = static_cast<std::size_t>(i);
    const sensor::PanelView view = sensor::panelView(SensorData[k], Units, hid_.DeviceConnected);

    lblPressure[k]->setText(view.pressure);
    lblTemperature[k]->setText(view.temperature);

    Image* gauge = imgBattery[k];
    if (view.battery == sensor::BatteryClass::None) {
        // Picture and place stay as they were.
        gauge->hide();
    } else {
        const QPixmap& picture = view.battery == sensor::BatteryClass::High  ? imgBatteryHig
                                 : view.battery == sensor::BatteryClass::Mid ? imgBatteryMid
                                                                             : imgBatteryLow;
        // The height is the new picture's, so the gauge grows upwards from the baseline.
        gauge->setPicture(picture);
        gauge->move(gauge->x(), measures::pixels(batteryBaseline) - gauge->height());
        gauge->setAccessibleDescription(batteryWords(view.battery));
        gauge->show();
    }

    lblStatus[k]->setText(view.status);
    lblRawdata[k]->setText(view.rawData);
    describePanel(i);
}

void frmMain::optPressure_Click(int k) {
    Units.SelectPressureUnit(k);
    for (std::size_t i = 0; i < lblPressure.size(); ++i) {
        lblPressure[i]->setText(Units.FormatPressure(SensorData[i].pressure));
        describePanel(static_cast<int>(i));
    }
}

void frmMain::optTemperature_Click(int k) {
    Units.SelectTemperatureUnit(k);
    for (std::size_t i = 0; i < lblTemperature.size(); ++i) {
        lblTemperature[i]->setText(Units.FormatTemperature(SensorData[i].temperature));
        describePanel(static_cast<int>(i));
    }
}
