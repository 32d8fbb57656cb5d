// SPDX-License-Identifier: MIT
#include "app/CommandLine.h"

#include "app/ExitStatus.h"
#include "app/Version.h"
#include "cycle/TerminalText.h"
#include "record/RecordFile.h"

#include <QCommandLineParser>
#include <QDateTime>
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

using Action = CommandLine::Action;

// The actions that take an option, as a set.
enum Of : unsigned {
    OfWindow = 1u << 0,
    OfRead = 1u << 1,
    OfListDevices = 1u << 2,
    OfHistory = 1u << 3,
    OfReport = 1u << 4,
};

unsigned bitOf(Action action) {
    switch (action) {
    case Action::Window:
        return OfWindow;
    case Action::Read:
        return OfRead;
    case Action::ListDevices:
        return OfListDevices;
    case Action::Report:
        return OfReport;
    case Action::History:
        return OfHistory;
    case Action::SyncResults:
    case Action::Help:
    case Action::Version:
    case Action::Error:
        break;
    }
    return 0;
}

// "the window and --read", for messages and --help.
QString actionsText(unsigned of) {
    QStringList names;
    for (const auto& [bit, name] :
         {std::pair{OfWindow, "the window"}, std::pair{OfRead, "--read"},
          std::pair{OfListDevices, "--list-devices"}, std::pair{OfHistory, "--history"},
          std::pair{OfReport, "--report"}}) {
        if ((of & bit) != 0) {
            names << QLatin1String(name);
        }
    }
    const QString last = names.takeLast();
    return names.isEmpty() ? last
                           : names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

std::optional<int> count(const QString& value) {
    bool ok = false;
    const int n = QLocale::c().toInt(value, &ok);
    return ok && n >= 0 ? std::optional<int>(n) : std::nullopt;
}

// Seconds with '.' for decimals, at most a day, to the millisecond.
std::optional<std::chrono::milliseconds> duration(const QString& value) {
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

// --since: a date (from its start) or a date and time, in local time unless
// it says its offset; UTC as the store keeps times.
std::optional<QString> since(const QString& value) {
    QDateTime time = QDateTime::fromString(value, Qt::ISODateWithMs);
    if (!time.isValid()) {
        time = QDate::fromString(value, Qt::ISODate).startOfDay();
    }
    return time.isValid() ? std::optional(time.toUTC().toString(Qt::ISODateWithMs)) : std::nullopt;
}

// What taking a value comes to: nothing when it was taken, else why not
// (empty when the value says it all).
using Refusal = std::optional<QString>;
const Refusal Taken;

// Stores a parsed value; refused when there is none.
template <typename T> Refusal store(const std::optional<T>& parsed, T& field) {
    if (!parsed) {
        return QString();
    }
    field = *parsed;
    return Taken;
}

// --results, and the value of --sync-results.
Refusal results(const QString& value, CommandLine& c) {
#ifdef TYRESCOPE_RESULTS_STORE
    QString why;
    c.results = ::store::parseTarget(value, why);
    return c.results ? Taken : Refusal(why);
#else
    // Built without Qt's SQL module (so far Qt for Windows): nothing could store
    // the record, and a run must not pretend it did.
    Q_UNUSED(value);
    Q_UNUSED(c);
    return Refusal(QStringLiteral("this build of Tyrescope has no results store."));
#endif
}

// A text for the run's record.
Refusal recordText(const QString& value, QString& field) {
    field = value;
    const QString why = record::checkTextField(value);
    return why.isEmpty() ? Taken : Refusal(why);
}

// One option of the program: everything the parser, --help and the checks
// know of it. An action is an option that names what the program does. An
// option with a value is refused when given twice, since which value was
// meant cannot be known; one without a value says the same thing twice.
struct OptionRow {
    QStringList names; // without dashes; one letter for a short name
    QString valueName; // empty for an option without a value
    QString help;
    unsigned of; // the actions that take it
    std::optional<Action> action;
    // Takes the value (empty for an option without one) into the command.
    Refusal (*take)(const QString& value, CommandLine& command);
    // A value that may hold a secret is not repeated in messages.
    bool shown = true;
};

OptionRow action(const QStringList& names, const QString& help, Action action,
                 const QString& valueName = {},
                 Refusal (*take)(const QString&, CommandLine&) = nullptr) {
    return {names, valueName, help, 0, action, take};
}

OptionRow option(const QStringList& names, const QString& valueName, const QString& help,
                 unsigned of, Refusal (*take)(const QString&, CommandLine&)) {
    return {names, valueName, help, of, std::nullopt, take};
}

const std::vector<OptionRow>& optionTable() {
    static const std::vector<OptionRow> rows{
        action({"read"},
               "Read the receiver without a window, print the result and exit with a status "
               "that says whether it passed.",
               Action::Read),
        action({"list-devices"},
               "List the HID devices present, mark the receiver and say why it cannot be "
               "opened, then exit.",
               Action::ListDevices),
        action({"history"},
               "List the runs in the store of --results, newest first: run, start, station, "
               "serial, outcome and first failing cause.",
               Action::History),
        action({"sync-results"},
               "Deliver the run records the spool keeps for this store, then exit (see "
               "--results).",
               Action::SyncResults, "target", results),
        action({"report"},
               "Write an HTML report of the runs of --log or --results to this file: a summary, "
               "each receiver's runs, and every sensor's pressure and temperature over time.",
               Action::Report, "file",
               [](const QString& value, CommandLine& c) {
                   c.reportPath = value;
                   return Taken;
               }),
        action({"h", "help"}, "Show this help and exit.", Action::Help),
        action({"v", "V", "version"}, "Show the version and exit.", Action::Version),
        option({"simulate"}, {}, "Use a simulated receiver instead of the USB one.",
               OfWindow | OfRead | OfListDevices,
               [](const QString&, CommandLine& c) {
                   c.simulate = true;
                   return Taken;
               }),
        option({"device"}, "path", "Use the receiver at this path, as --list-devices shows it.",
               OfWindow | OfRead | OfListDevices,
               [](const QString& value, CommandLine& c) {
                   // A link to the node, such as one a udev rule makes, names the same receiver.
                   const QString node = QFileInfo(value).canonicalFilePath();
                   c.choice.path = QFile::encodeName(node.isEmpty() ? value : node).toStdString();
                   return Taken;
               }),
        option({"serial"}, "serial",
               "Use the receiver with this serial number; --history lists its runs, --report "
               "reports only its runs.",
               OfWindow | OfRead | OfListDevices | OfHistory | OfReport,
               [](const QString& value, CommandLine& c) {
                   c.choice.serial = value.toStdString();
                   return Taken;
               }),
        option({"format"}, "format",
               QStringLiteral("Output: %1 (the first is the default); --read writes one JSON "
                              "object per cycle and line, --history one per run.")
                   .arg(cycle::outputFormatNames()),
               OfRead | OfListDevices | OfHistory,
               [](const QString& value, CommandLine& c) {
                   return store(cycle::outputFormatNamed(value), c.read.format);
               }),
        option({"pressure-unit"}, "unit", "Pressure unit: kpa (default), bar or psi.",
               OfRead | OfReport,
               [](const QString& value, CommandLine& c) {
                   return store(sensor::pressureUnitNamed(value), c.read.pressureUnit);
               }),
        option({"temperature-unit"}, "unit", "Temperature unit: c (default) or f.",
               OfRead | OfReport,
               [](const QString& value, CommandLine& c) {
                   return store(sensor::temperatureUnitNamed(value), c.read.temperatureUnit);
               }),
        option(
            {"count"}, "n", "Cycles to run: 1 by default, 0 until Ctrl+C.", OfRead,
            [](const QString& value, CommandLine& c) { return store(count(value), c.read.count); }),
        option({"interval"}, "seconds",
               "Seconds from the start of one cycle to the next (default 5; decimals with '.').",
               OfRead,
               [](const QString& value, CommandLine& c) {
                   return store(duration(value), c.read.interval);
               }),
        option({"require-sensors"}, "list",
               "Sensors that must hold a pressure and a temperature in every cycle, such as "
               "1,2,3,4.",
               OfRead,
               [](const QString& value, CommandLine& c) {
                   return store(sensorList(value), c.read.requiredSensors);
               }),
        option({"wait"}, "seconds",
               "Wait up to this many seconds for the receiver to be plugged in and free before "
               "the first cycle (default 0).",
               OfRead,
               [](const QString& value, CommandLine& c) {
                   return store(duration(value), c.read.wait);
               }),
        option({"log"}, "file",
               "Append every cycle to this file as CSV rows; --report: report on this log, "
               "written by any version.",
               OfWindow | OfRead | OfReport,
               [](const QString& value, CommandLine& c) {
                   c.logPath = value;
                   return Taken;
               }),
        option({"limits"}, "file",
               "Judge every value against the limits in this JSON file (see the manual page); "
               "a value outside them makes --read end with status 7.",
               OfWindow | OfRead,
               [](const QString& value, CommandLine& c) {
                   c.limitsPath = value;
                   return Taken;
               }),
        option({"record"}, "file",
               "Write the run's record here at its end, as one JSON document: the receiver, "
               "the station, every value with its verdict, the first failing cause.",
               OfRead,
               [](const QString& value, CommandLine& c) {
                   c.record.path = value;
                   return Taken;
               }),
        option({"junit"}, "file", "Write the same run here as JUnit XML, for CI servers.", OfRead,
               [](const QString& value, CommandLine& c) {
                   c.record.junitPath = value;
                   return Taken;
               }),
        option({"station"}, "name",
               "The station named in the record (default: the host name); --history lists its "
               "runs.",
               OfRead | OfHistory,
               [](const QString& value, CommandLine& c) {
                   return recordText(value, c.record.station);
               }),
        option({"operator"}, "name", "The operator named in the record.", OfRead,
               [](const QString& value, CommandLine& c) {
                   return recordText(value, c.record.operatorName);
               }),
        option({"dut"}, "label", "A label of the unit under test for the record, as scanned.",
               OfRead,
               [](const QString& value, CommandLine& c) {
                   return recordText(value, c.record.dutLabel);
               }),
        [] {
            OptionRow row = option(
                {"results"}, "target",
                "Store the run's record at its end in this SQLite file, or in PostgreSQL at "
                "postgresql://user@host:port/dbname (the password from PGPASSWORD or ~/.pgpass); "
                "kept in a spool while the store cannot take it.",
                OfRead | OfHistory | OfReport, results);
            row.shown = false;
            return row;
        }(),
        option({"since"}, "date",
               "List or report the runs since this date, or date and time (ISO 8601; local "
               "time unless an offset is given).",
               OfHistory | OfReport,
               [](const QString& value, CommandLine& c) { return store(since(value), c.since); }),
        option({"run"}, "id", "Report only the run of --results with this id.", OfReport,
               [](const QString& value, CommandLine& c) {
                   c.runId = value;
                   return Taken;
               }),
        option({"verbose"}, {},
               "Say on standard error, at every cycle, why the receiver is off line or lost, "
               "and when the window was brought forward for a later copy.",
               OfWindow | OfRead | OfListDevices,
               [](const QString&, CommandLine& c) {
                   c.verbose = true;
                   return Taken;
               }),
        option({"quiet"}, {},
               "Print nothing on standard output: the exit status tells, and problems still "
               "go to standard error.",
               OfRead | OfListDevices,
               [](const QString&, CommandLine& c) {
                   c.read.quiet = true;
                   return Taken;
               }),
    };
    return rows;
}

// What --history and --report read: one source, and choices that fit it.
QString sourceError(const CommandLine& c) {
    if (c.action == Action::History && !c.results) {
        return QStringLiteral("--history needs --results.");
    }
    if (c.action != Action::Report) {
        return {};
    }
    if (c.results.has_value() == !c.logPath.isEmpty()) {
        return QStringLiteral("--report needs one source: --log FILE or --results TARGET.");
    }
    if (!c.results && (!c.runId.isEmpty() || !c.since.isEmpty())) {
        return QStringLiteral("--run and --since choose runs of --results.");
    }
    return {};
}

const OptionRow& rowNamed(const QString& name) {
    const std::vector<OptionRow>& rows = optionTable();
    return *std::find_if(rows.begin(), rows.end(),
                         [&](const OptionRow& row) { return row.names.contains(name); });
}

// As typed: "-v", "--version".
QString dashed(const QString& name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

QString longName(const OptionRow& row) {
    return dashed(row.names.last());
}

// Words filled into lines of at most `width` characters.
QStringList wrapped(const QString& text, qsizetype width) {
    QStringList lines{QString()};
    for (const QString& word : text.split(QLatin1Char(' '))) {
        if (!lines.last().isEmpty() && lines.last().size() + 1 + word.size() > width) {
            lines << QString();
        }
        lines.last() += (lines.last().isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return lines;
}

QString exitStatusHelp() {
    QString text = QStringLiteral("\nExit status of --read and --list-devices:\n");
    std::vector<const exitstatus::Meaning*> bySeriousness;
    QStringList ofListDevices;
    for (const exitstatus::Meaning& m : exitstatus::Meanings) {
        text +=
            QStringLiteral("  %1  ").arg(m.status, 3) +
            QString::fromLatin1(m.text).replace(QLatin1Char('\n'), QStringLiteral("\n       ")) +
            QLatin1Char('\n');
        if (m.seriousness > 0) {
            bySeriousness.push_back(&m);
        }
        if (m.ofListDevices) {
            ofListDevices << QString::number(m.status);
        }
    }
    std::sort(bySeriousness.begin(), bySeriousness.end(),
              [](const auto* a, const auto* b) { return a->seriousness > b->seriousness; });
    QStringList order;
    for (const exitstatus::Meaning* m : bySeriousness) {
        order << QString::number(m->status);
    }
    return text +
           QStringLiteral("--list-devices ends with %1.\n")
               .arg(ofListDevices.join(QStringLiteral(", "))) +
           QStringLiteral("--history and --sync-results end with %1, %2 or %3.\n")
               .arg(exitstatus::Passed)
               .arg(exitstatus::UsageError)
               .arg(exitstatus::WriteFailed) +
           QStringLiteral("Over several cycles of --read the most serious counts: %1.\n")
               .arg(order.join(QStringLiteral(", then "))) +
           QLatin1String(exitstatus::ReportStatuses);
}

QString helpText(const QString& program) {
    constexpr qsizetype NameWidth = 27;
    constexpr qsizetype Width = 79;
    QString actions;
    QString options;
    for (const OptionRow& row : optionTable()) {
        QStringList names;
        for (const QString& name : row.names) {
            names << dashed(name);
        }
        QString left =
            QStringLiteral("  ") + names.join(QStringLiteral(", ")) +
            (row.valueName.isEmpty() ? QString() : QStringLiteral(" <%1>").arg(row.valueName));
        const QString help =
            row.help + (row.of != 0 ? QStringLiteral(" [%1]").arg(actionsText(row.of)) : QString());
        QString entry;
        for (const QString& line : wrapped(help, Width - NameWidth)) {
            entry += (left.size() < NameWidth
                          ? left.leftJustified(NameWidth)
                          : left + QLatin1Char('\n') + QString(NameWidth, QLatin1Char(' '))) +
                     line + QLatin1Char('\n');
            left.clear();
        }
        (row.action ? actions : options) += entry;
    }
    return QStringLiteral("Usage: %1 [options]\n").arg(program) +
           QStringLiteral("Tests the Rimlink tyre-pressure receiver: reads the records of its five "
                          "sensors\nand shows them in one window, or with --read prints them and "
                          "exits.\n\nActions (without one, the window opens):\n") +
           actions + QStringLiteral("\nOptions, with the actions that take them:\n") + options +
           exitStatusHelp();
}

// An option as given: its row, and the name it was given by, for messages.
struct Given {
    const OptionRow* row;
    QString name;
};

// Each option given, once, in order; an error text when the line cannot be read.
QString readLine(const QStringList& arguments, QCommandLineParser& parser,
                 std::vector<Given>& given) {
    QString error;
    const std::optional<QStringList> ours = withoutQtOptions(arguments, error);
    if (!ours) {
        return error;
    }
    for (const OptionRow& row : optionTable()) {
        parser.addOption(QCommandLineOption(row.names, row.help, row.valueName));
    }
    if (!parser.parse(*ours)) {
        return parser.errorText();
    }
    if (!parser.positionalArguments().isEmpty()) {
        return QStringLiteral("Unexpected argument '%1'.")
            .arg(parser.positionalArguments().first());
    }
    for (const QString& name : parser.optionNames()) {
        const OptionRow* row = &rowNamed(name);
        if (std::none_of(given.begin(), given.end(),
                         [&](const Given& g) { return g.row == row; })) {
            given.push_back({row, dashed(name)});
        } else if (!row->valueName.isEmpty()) {
            return QStringLiteral("%1 was given more than once.").arg(longName(*row));
        }
    }
    return {};
}

// The one action given, if any; an error text when there are more.
QString chooseAction(const std::vector<Given>& given, const Given*& chosen) {
    for (const Given& option : given) {
        if (option.row->action && chosen != nullptr) {
            return QStringLiteral("%1 and %2 cannot be given together.")
                .arg(chosen->name, option.name);
        }
        chosen = option.row->action ? &option : chosen;
    }
    return {};
}

// The values of the options, each checked against the action; an error text
// for the first that does not fit.
QString takeOptions(const std::vector<Given>& given, const QCommandLineParser& parser,
                    CommandLine& command) {
    for (const auto& [row, name] : given) {
        const QString value =
            row->valueName.isEmpty() ? QString() : parser.value(row->names.last());
        if (row->action && row->take == nullptr) {
            continue;
        }
        if (!row->action && (row->of & bitOf(command.action)) == 0) {
            return QStringLiteral("%1 is an option of %2.")
                .arg(longName(*row), actionsText(row->of));
        }
        if (!row->valueName.isEmpty() && value.isEmpty()) {
            return QStringLiteral("Empty value for %1.").arg(longName(*row));
        }
        if (const Refusal why = row->take(value, command)) {
            // The value as typed may hold what a terminal would obey.
            return QStringLiteral("Invalid value %1for %2%3.")
                .arg(row->shown ? QStringLiteral("'%1' ").arg(
                                      QString::fromStdString(printableText(value.toStdString())))
                                : QString(),
                     longName(*row), why->isEmpty() ? QString() : QStringLiteral(": ") + *why);
        }
        command.given << (value.isEmpty() ? name : name + QLatin1Char(' ') + value);
    }
    return {};
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine result;
    QCommandLineParser parser;
    std::vector<Given> given;
    const Given* action = nullptr;
    QString error = readLine(arguments, parser, given);
    if (error.isEmpty()) {
        error = chooseAction(given, action);
    }
    result.action = action != nullptr ? *action->row->action : Action::Window;
    const bool answers = result.action == Action::Help || result.action == Action::Version;
    if (error.isEmpty() && answers && given.size() > 1) {
        // Anything else on the line was meant to run, and must not pass for having run.
        const Given& other = &given.front() == action ? given[1] : given.front();
        error = QStringLiteral("%1 cannot be given with %2.").arg(action->name, other.name);
    } else if (error.isEmpty() && answers) {
        result.text = result.action == Action::Help
                          ? helpText(arguments.value(0, QStringLiteral("tyrescope")))
                          : QStringLiteral("tyrescope %1\n").arg(QLatin1String(version::text));
        return result;
    }
    if (error.isEmpty()) {
        error = takeOptions(given, parser, result);
    }
    if (error.isEmpty()) {
        error = sourceError(result);
    }
    if (!error.isEmpty()) {
        result.action = Action::Error;
        result.text = error;
    }
    return result;
}
