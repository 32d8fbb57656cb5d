// SPDX-License-Identifier: MIT
#include "ui/StatusHelp.h"

#include "ui/frmMain.h"

#include <QEvent>
#include <utility>

StatusHelp::StatusHelp(frmMain& window) : QObject(&window), message_(window.lblStatusMsg) {
    // The one table of help lines. The wording, spelling included, is what
    // operators of the receiver have always been shown.
    const std::pair<QWidget*, const char*> lines[] = {
        {&window, ""},
        {window.picPressure, "Select the measurement unit to display the pressure."},
        {window.picTemperature, "Select the measurement unit to display the temperature."},
        {window.picDevStatus, "Status of the USB connection to the TPMS receiver."},
        {window.picSensor1, "Data received from the sensor number 1."},
        {window.picSensor2, "Data received from the sensor number 2."},
        {window.picSensor3, "Data received from the sensor number 3."},
        {window.picSensor4, "Data received from the sensor number 4."},
        {window.picSensor5, "Data received from the sensor number 5."},
        {window.cmdDevReset,
         "Caution! This will delete any association with the sensors. A new learning process "
         "will be required before to use the receiver again."},
        {window.cmdDataReset, "Caution! This will delete any data stored in your TPMS receiver."},
        {window.cmdSingle, "Adquires the data from the TPMS receiver one time."},
        {window.cmdContinuous,
         "Starts or stops the data adquiring from the TPMS receiver every 5 seconds."},
    };
    for (const auto& [control, text] : lines) {
        explain(control, QString::fromLatin1(text));
    }
}

void StatusHelp::explain(QWidget* control, const QString& text) {
    texts_.insert(control, text);
    // Qt hands a bare movement only to widgets that track the pointer.
    control->setMouseTracking(true);
    // A panel or button ignores the movement it was given; passed on, it
    // would reach the window and empty the line just written.
    if (!control->isWindow()) {
        control->setAttribute(Qt::WA_NoMousePropagation);
    }
    control->installEventFilter(this);
}

bool StatusHelp::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        const auto found = texts_.constFind(watched);
        if (found != texts_.constEnd()) {
            message_->setText(*found);
        }
    }
    return QObject::eventFilter(watched, event);
}
