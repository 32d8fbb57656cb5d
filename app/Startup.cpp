// SPDX-License-Identifier: MIT
#include "app/Startup.h"

#include "app/Version.h"
#include "ui/frmMain.h"

#include <QDebug>
#include <exception>

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
