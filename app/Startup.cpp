#include "app/Startup.h"

#include "ui/frmMain.h"

#include <QCommandLineParser>
#include <QCoreApplication>
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

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tests the Rimlink tyre-pressure receiver: reads the records of its five "
                       "sensors and shows them in one window."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Run against a simulated receiver instead of the USB one."));
    const QCommandLineOption listDevices(
        QStringLiteral("list-devices"),
        QStringLiteral("List the HID devices present, mark the receiver and say why it cannot "
                       "be opened, then exit."));
    parser.addOption(simulate);
    parser.addOption(listDevices);

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.action = CommandLine::Action::Error;
        result.text = parser.errorText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.action = CommandLine::Action::Error;
        result.text =
            QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first());
        return result;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        result.action = CommandLine::Action::Help;
        // Read before the application object exists, Qt cannot name the program itself.
        result.text = parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                arguments.value(0, QStringLiteral("tyrescope")));
    } else if (parser.isSet(versionOption)) {
        result.action = CommandLine::Action::Version;
        result.text = QStringLiteral("tyrescope %1\n").arg(QLatin1String(version::text));
    } else if (parser.isSet(listDevices)) {
        result.action = CommandLine::Action::ListDevices;
    }
    result.simulate = parser.isSet(simulate);
    return result;
}

void Initialize(frmMain& window) {
    tolerant("caption", [&] {
        window.setWindowTitle(windowCaption(version::major, version::minor, version::revision));
    });
    tolerant("service mode", [&] { window.ServiceMode = false; });
    tolerant("pressure unit", [&] { window.Units.SelectPressureUnit(sensor::UnitState::KPa); });
    tolerant("temperature unit",
             [&] { window.Units.SelectTemperatureUnit(sensor::UnitState::Celsius); });
    tolerant("first acquisition cycle", [&] { window.GetDataFromDevice(); });
}
