#include "app/Startup.h"

#include "ui/frmMain.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDebug>
#include <algorithm>
#include <exception>
#include <iterator>
#include <optional>

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

// Options that QApplication takes out of the command line itself. They are
// recognised here so that the whole command line can be judged before any
// application object exists; the window's QApplication still gets them.
struct QtOption {
    const char* name;
    bool takesValue;
};
constexpr QtOption qtOptions[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"geometry", true},
    {"qwindowicon", true},
    {"icon", true},
    {"qwindowtitle", true},
    {"title", true},
    {"session", true},
    {"display", true},
    {"name", true},
    {"style", true},
    {"stylesheet", true},
    {"reverse", false},
    {"widgetcount", false},
    {"sync", false},
    {"nograb", false},
    {"dograb", false},
    {"testability", false},
};
// Qt's options that carry their value after '='.
constexpr const char* qtValueOptions[] = {
    "style=", "stylesheet=", "qmljsdebugger=", "dialogs=", "fontengine=", "darkmode="};

// The command line without Qt's own options; Qt reads them with one dash or two.
// Nothing when one of them lacks its value: error then says which.
std::optional<QStringList> withoutQtOptions(const QStringList& arguments, QString& error) {
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (i == 0 || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("--")) {
            kept << argument;
            continue;
        }
        const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        const auto matches = [&](const QtOption& option) {
            return name == QLatin1String(option.name);
        };
        const auto option = std::find_if(std::begin(qtOptions), std::end(qtOptions), matches);
        if (option != std::end(qtOptions)) {
            if (option->takesValue) {
                if (i + 1 >= arguments.size()) {
                    error = QStringLiteral("Missing value after '%1'.").arg(argument);
                    return std::nullopt;
                }
                ++i;
            }
            continue;
        }
        const auto prefixOf = [&](const char* prefix) {
            return name.startsWith(QLatin1String(prefix));
        };
        if (std::none_of(std::begin(qtValueOptions), std::end(qtValueOptions), prefixOf)) {
            kept << argument;
        }
    }
    return kept;
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
    QString qtError;
    const std::optional<QStringList> ours = withoutQtOptions(arguments, qtError);
    if (!ours) {
        result.action = CommandLine::Action::Error;
        result.text = qtError;
        return result;
    }
    if (!parser.parse(*ours)) {
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
