// SPDX-License-Identifier: MIT
// frmMain, continued: the acquisition cycle as the panels show it and tell
// screen readers, and the unit choices.
#include "cycle/Acquisition.h"
#include "sensor/PanelView.h"
#include "ui/Measures.h"
#include "ui/frmMain.h"

#include <QLocale>

namespace {

// Every battery gauge ends here, in twips from the top of its panel, however
// tall its picture is.
constexpr int batteryBaseline = 495;
// Where a full gauge begins.
constexpr int batteryTop = 75;

// The middle charge shows the full gauge's picture; only these words tell it apart.
QString batteryWords(sensor::BatteryClass battery) {
    return battery == sensor::BatteryClass::None
               ? QStringLiteral("no battery reading")
               : QStringLiteral("battery ") + sensor::batteryName(battery);
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
    const cycle::CycleResult result = cycle::acquire(hid_);
    SensorData = result.data;
    reached_ = result.reached;
    showConnection();
    for (int i = 0; i < protocol::SensorCount; ++i) {
        showPanel(i);
    }
    emit cycleCompleted(result);
}

void frmMain::showConnection() {
    if (reached_) {
        imgDevStatus->setPicture(imgOnLine);
        lblDevStasus->setText(QStringLiteral("On line!"));
        measures::setColour(lblDevStasus, QPalette::WindowText, measures::onLineGreen);
    } else {
        imgDevStatus->setPicture(imgOffLine);
        lblDevStasus->setText(QStringLiteral("Off line!"));
        measures::setColour(lblDevStasus, QPalette::WindowText, measures::offLineRed);
    }
    describeConnection(reached_);
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
    QString description = QStringList{lblPressure[k]->text(), lblTemperature[k]->text(), battery,
                                      lblStatus[k]->text()}
                              .join(QStringLiteral(", "));
    QStringList outside;
    for (const verdict::Measure measure : verdict::AllMeasures) {
        const verdict::Judgement& j = judged_[k][static_cast<std::size_t>(measure)];
        if (j.judged && !j.pass) {
            outside << verdict::measureName(measure) + QLatin1Char(' ') +
                           verdict::failure(j, QLocale().decimalPoint());
        }
    }
    if (!outside.isEmpty()) {
        description += QStringLiteral("; outside limits: ") + outside.join(QStringLiteral(", "));
    }
    picSensor[k]->setAccessibleDescription(description);
}

void frmMain::setLimits(const verdict::Limits& limits) {
    limits_ = limits;
    for (std::size_t k = 0; k < marks_.size(); ++k) {
        if (marks_[k][0] == nullptr) {
            // Around the whole gauge, however little of it a low battery shows.
            const QRect gauge(imgBattery[k]->x(), measures::pixels(batteryTop),
                              imgBattery[k]->width(),
                              measures::pixels(batteryBaseline - batteryTop));
            marks_[k] = {new ValueMark(lblPressure[k]), new ValueMark(lblTemperature[k]),
                         new ValueMark(imgBattery[k], gauge), new ValueMark(lblStatus[k])};
        }
        showPanel(static_cast<int>(k));
    }
}

void frmMain::showPanel(int i) {
    const auto k = static_cast<std::size_t>(i);
    const sensor::PanelView view = sensor::panelView(SensorData[k], Units, reached_);

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
    if (limits_) {
        judged_[k] = reached_ ? verdict::judgeSensor(SensorData[k], limits_->sensors[k])
                              : verdict::SensorJudgements{};
        for (std::size_t m = 0; m < marks_[k].size(); ++m) {
            marks_[k][m]->setOutside(judged_[k][m].judged && !judged_[k][m].pass);
        }
    }
    describePanel(i);
}

// Only the unit's own labels change: the rest of each panel is drawn again
// from the same data.
void frmMain::optPressure_Click(int k) {
    Units.SelectPressureUnit(k);
    for (int i = 0; i < protocol::SensorCount; ++i) {
        showPanel(i);
    }
}

void frmMain::optTemperature_Click(int k) {
    Units.SelectTemperatureUnit(k);
    for (int i = 0; i < protocol::SensorCount; ++i) {
        showPanel(i);
    }
}
