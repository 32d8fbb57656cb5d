// SPDX-License-Identifier: MIT
#include "app/CommandLine.h"

#include "app/Version.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <iterator>
#include <optional>
#include <vector>

namespace {

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

using Option = QCommandLineOption;

std::optional<cycle::OutputFormat> outputFormat(const QString& value) {
    if (value == QLatin1String("text"))
        return cycle::OutputFormat::Text;
    if (value == QLatin1String("csv"))
        return cycle::OutputFormat::Csv;
    if (value == QLatin1String("json"))
        return cycle::OutputFormat::Json;
    return std::nullopt;
}

std::optional<sensor::PressureUnit> pressureUnit(const QString& value) {
    if (value == QLatin1String("kpa"))
        return sensor::PressureUnit::KPa;
    if (value == QLatin1String("bar"))
        return sensor::PressureUnit::Bar;
    if (value == QLatin1String("psi"))
        return sensor::PressureUnit::PSI;
    return std::nullopt;
}

std::optional<sensor::TemperatureUnit> temperatureUnit(const QString& value) {
    if (value == QLatin1String("c"))
        return sensor::TemperatureUnit::Celsius;
    if (value == QLatin1String("f"))
        return sensor::TemperatureUnit::Fahrenheit;
    return std::nullopt;
}

std::optional<int> count(const QString& value) {
    bool ok = false;
    const int n = QLocale::c().toInt(value, &ok);
    return ok && n >= 0 ? std::optional<int>(n) : std::nullopt;
}

// Seconds with '.' for decimals, at most a day, to the millisecond.
std::optional<std::chrono::milliseconds> interval(const QString& value) {
    bool ok = false;
    const double seconds = QLocale::c().toDouble(value, &ok);
    if (!ok || !(seconds >= 0 && seconds <= 86400)) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(std::llround(seconds * 1000));
}

std::optional<std::vector<int>> sensorList(const QString& value) {
    std::vector<int> sensors;
    for (const QString& item : value.split(QLatin1Char(','))) {
        bool ok = false;
        const int n = QLocale::c().toInt(item.trimmed(), &ok);
        if (!ok || n < 1 || n > protocol::SensorCount) {
            return std::nullopt;
        }
        sensors.push_back(n);
    }
    return sensors;
}

// Every option of the program, declared once for the parser and for reading back.
struct Options {
    Option help;
    Option version;
    Option simulate;
    Option listDevices;
    Option read;
    Option format;
    Option pressure;
    Option temperature;
    Option count;
    Option interval;
    Option required;
    Option wait;
    Option device;
    Option serial;
    Option log;
};

Options declareOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("Tests the Rimlink tyre-pressure receiver: reads the records of its five "
                       "sensors\nand shows them in one window, or with --read prints them and "
                       "exits."));
    Options o{
        .help = parser.addHelpOption(),
        .version = parser.addVersionOption(),
        .simulate =
            Option(QStringLiteral("simulate"),
                   QStringLiteral("Run against a simulated receiver instead of the USB one.")),
        .listDevices =
            Option(QStringLiteral("list-devices"),
                   QStringLiteral("List the HID devices present, mark the receiver and say "
                                  "why it cannot be opened, then exit.")),
        .read = Option(QStringLiteral("read"),
                       QStringLiteral("Read the receiver without a window, print the result and "
                                      "exit with a status that says whether it passed.")),
        .format = Option(QStringLiteral("format"),
                         QStringLiteral("Output of --read and --list-devices: text (default), csv "
                                        "or json (--read: one object per line)."),
                         QStringLiteral("format")),
        .pressure = Option(QStringLiteral("pressure-unit"),
                           QStringLiteral("Pressure unit of --read: kpa (default), bar or psi."),
                           QStringLiteral("unit")),
        .temperature = Option(QStringLiteral("temperature-unit"),
                              QStringLiteral("Temperature unit of --read: c (default) or f."),
                              QStringLiteral("unit")),
        .count = Option(QStringLiteral("count"),
                        QStringLiteral("Cycles of --read: 1 by default, 0 until Ctrl+C."),
                        QStringLiteral("n")),
        .interval =
            Option(QStringLiteral("interval"),
                   QStringLiteral("Seconds from the start of one cycle of --read to the next "
                                  "(default 5; decimals with '.')."),
                   QStringLiteral("seconds")),
        .required = Option(QStringLiteral("require-sensors"),
                           QStringLiteral("Sensors that must hold a pressure and a temperature in "
                                          "every cycle of --read, such as 1,2,3,4."),
                           QStringLiteral("list")),
        .wait = Option(QStringLiteral("wait"),
                       QStringLiteral("Wait up to this many seconds for the receiver to be plugged "
                                      "in and free before --read starts (default 0)."),
                       QStringLiteral("seconds")),
        .device = Option(QStringLiteral("device"),
                         QStringLiteral("Use the receiver at this path (as --list-devices shows "
                                        "it), in the window, --read and --list-devices."),
                         QStringLiteral("path")),
        .serial = Option(QStringLiteral("serial"),
                         QStringLiteral("Use the receiver with this serial number, in the window, "
                                        "--read and --list-devices."),
                         QStringLiteral("serial")),
        .log = Option(QStringLiteral("log"),
                      QStringLiteral("Append every cycle, of the window or of --read, to this file "
                                     "as CSV rows."),
                      QStringLiteral("file")),
    };
    parser.addOptions({o.simulate, o.listDevices, o.read, o.format, o.pressure, o.temperature,
                       o.count, o.interval, o.required, o.wait, o.device, o.serial, o.log});
    return o;
}

QString exitStatusHelp() {
    QString text = QStringLiteral("\nExit status of --read and --list-devices:\n");
    std::vector<const exitstatus::Meaning*> bySeriousness;
    for (const exitstatus::Meaning& m : exitstatus::Meanings) {
        text +=
            QStringLiteral("  %1  ").arg(m.status, 3) +
            QString::fromLatin1(m.text).replace(QLatin1Char('\n'), QStringLiteral("\n       ")) +
            QLatin1Char('\n');
        if (m.seriousness > 0) {
            bySeriousness.push_back(&m);
        }
    }
    std::sort(bySeriousness.begin(), bySeriousness.end(),
              [](const auto* a, const auto* b) { return a->seriousness > b->seriousness; });
    QStringList order;
    for (const exitstatus::Meaning* m : bySeriousness) {
        order << QString::number(m->status);
    }
    return text + QStringLiteral("Over several cycles the most serious counts: %1.\n")
                      .arg(order.join(QStringLiteral(", then ")));
}

QString helpText(const QCommandLineParser& parser, const QString& program) {
    // Read before the application object exists, Qt cannot name the program itself.
    return parser.helpText().replace(QStringLiteral("<executable_name>"), program) +
           exitStatusHelp();
}

// The options of --read, each value checked, then taken; the first wrong one ends it with
// an error in result.
void takeReadOptions(const QCommandLineParser& parser, const Options& o, CommandLine& result) {
    const auto take = [&](const Option& option, auto parse, auto& field) {
        if (!parser.isSet(option)) {
            return true;
        }
        const QString name = option.names().constFirst();
        if (result.action != CommandLine::Action::Read) {
            result.action = CommandLine::Action::Error;
            result.text = QStringLiteral("--%1 is an option of --read.").arg(name);
            return false;
        }
        const QString value = parser.value(option);
        const auto parsed = parse(value);
        if (!parsed) {
            result.action = CommandLine::Action::Error;
            result.text = QStringLiteral("Invalid value '%1' for --%2.").arg(value, name);
            return false;
        }
        field = *parsed;
        return true;
    };
    ReadOptions& r = result.read;
    if (take(o.format, outputFormat, r.format) && take(o.pressure, pressureUnit, r.pressureUnit) &&
        take(o.temperature, temperatureUnit, r.temperatureUnit) && take(o.count, count, r.count) &&
        take(o.interval, interval, r.interval) && take(o.wait, interval, r.wait)) {
        take(o.required, sensorList, r.requiredSensors);
    }
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    const Options o = declareOptions(parser);

    CommandLine result;
    const auto error = [&result](const QString& text) {
        result.action = CommandLine::Action::Error;
        result.text = text;
        return result;
    };
    QString qtError;
    const std::optional<QStringList> ours = withoutQtOptions(arguments, qtError);
    if (!ours) {
        return error(qtError);
    }
    if (!parser.parse(*ours)) {
        return error(parser.errorText());
    }
    for (const Option& option :
         {o.format, o.pressure, o.temperature, o.count, o.interval, o.required, o.log}) {
        // Which of two values was meant cannot be known.
        if (parser.values(option).size() > 1) {
            return error(
                QStringLiteral("--%1 was given more than once.").arg(option.names().constFirst()));
        }
    }
    if (!parser.positionalArguments().isEmpty()) {
        return error(
            QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));
    }
    if (parser.isSet(o.help) || parser.isSet(QStringLiteral("help-all"))) {
        result.action = CommandLine::Action::Help;
        result.text = helpText(parser, arguments.value(0, QStringLiteral("tyrescope")));
        return result;
    }
    if (parser.isSet(o.version)) {
        result.action = CommandLine::Action::Version;
        result.text = QStringLiteral("tyrescope %1\n").arg(QLatin1String(version::text));
        return result;
    }
    for (const Option* option : {&o.device, &o.serial}) {
        if (parser.isSet(*option) && parser.value(*option).isEmpty()) {
            return error(QStringLiteral("Empty value for --%1.").arg(option->names().constFirst()));
        }
    }
    // A link to the node, such as one a udev rule makes, names the same receiver.
    const QString device = parser.value(o.device);
    const QString node = QFileInfo(device).canonicalFilePath();
    result.choice.path = QFile::encodeName(node.isEmpty() ? device : node).toStdString();
    result.choice.serial = parser.value(o.serial).toStdString();
    if (parser.isSet(o.listDevices)) {
        result.action = CommandLine::Action::ListDevices;
        if (parser.isSet(o.format)) {
            const auto format = outputFormat(parser.value(o.format));
            if (!format) {
                return error(
                    QStringLiteral("Invalid value '%1' for --format.").arg(parser.value(o.format)));
            }
            result.listFormat = *format;
        }
        return result;
    }
    result.simulate = parser.isSet(o.simulate);
    result.logPath = parser.value(o.log);
    if (parser.isSet(o.log) && result.logPath.isEmpty()) {
        return error(QStringLiteral("Empty file name for --log."));
    }
    if (parser.isSet(o.read)) {
        result.action = CommandLine::Action::Read;
    }
    takeReadOptions(parser, o, result);
    return result;
}
