// SPDX-License-Identifier: MIT
#include "app/Startup.h"

#include "app/CycleLog.h"
#include "app/Version.h"
#include "ui/frmMain.h"

#include <QDebug>
#include <QMessageBox>
#include <exception>
#include <ostream>

namespace {

// One start-up step: an error ends the step, not the start-up.
template <typename Step> void tolerant(const char* what, Step step) {
    try {
        step();
    } catch (const std::exception& error) {
        qWarning("Start-up step \"%s\" failed: %s", what, error.what());
    } catch (...) {
        qWarning("Start-up step \"%s\" failed", what);
    }
}

} // namespace

QString windowCaption(int major, int minor, int revision) {
    return QStringLiteral("Tyrescope - %1.%2%3").arg(major).arg(minor).arg(revision);
}

void Initialize(frmMain& window) {
    tolerant("caption", [&] {
        window.setWindowTitle(windowCaption(version::major, version::minor, version::revision));
    });
    tolerant("service mode", [&] { window.ServiceMode = false; });
    tolerant("pressure unit", [&] { window.Units.select(sensor::PressureUnit::KPa); });
    tolerant("temperature unit", [&] { window.Units.select(sensor::TemperatureUnit::Celsius); });
    tolerant("first acquisition cycle", [&] { window.GetDataFromDevice(); });
}

void logCycles(frmMain& window, CycleLog& log, std::ostream& (*warnings)()) {
    QObject::connect(
        &window, &frmMain::cycleCompleted, &window,
        [&, warnings](const cycle::CycleResult& result) {
            if (log.append(result, window.Units)) {
                return;
            }
            warnings() << "tyrescope: warning: " << log.errorString().toStdString()
                       << "; logging stops\n"
                       << std::flush;
            // Not modal: the window goes on reading while the message waits.
            auto* box = new QMessageBox(
                QMessageBox::Warning, window.windowTitle(),
                QStringLiteral("Logging has stopped: %1.\n\nThe window goes on reading the "
                               "receiver; its readings are no longer logged.")
                    .arg(log.errorString()),
                QMessageBox::Ok, &window);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->setWindowModality(Qt::NonModal);
            box->show();
        });
}
