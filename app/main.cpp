// SPDX-License-Identifier: MIT
#include "app/CommandLine.h"
#include "app/CycleLog.h"
#include "app/ExitStatus.h"
#include "app/HeadlessRead.h"
#include "app/Launch.h"
#include "app/ListDevices.h"
#include "app/Modules.h"
#include "app/OutputStream.h"
#include "app/Platform.h"
#include "app/ReportCommand.h"
#include "app/StandardError.h"
#include "app/Version.h"
#include "app/WindowMain.h"
#include "record/RecordFile.h"
#include "record/RunRecord.h"
#include "verdict/Limits.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <utility>

namespace {

// What a command printed, checked: status, or WriteFailed with the system's
// reason when the output did not take it all.
int checked(const OutputStream& out, int status) {
    if (out) {
        return status;
    }
    standardError() << "tyrescope: cannot write the output: " << std::strerror(out.error()) << '\n';
    return exitstatus::WriteFailed;
}

// The files --read's record goes to: each can be written now, or one line on stderr.
bool recordWritable(const CommandLine::Record& wanted) {
    for (const QString& path : {wanted.path, wanted.junitPath}) {
        const QString why = path.isEmpty() ? QString() : record::checkWritable(path);
        if (!why.isEmpty()) {
            standardError() << "tyrescope: cannot write the record " << path.toStdString() << ": "
                            << why.toStdString() << '\n';
            return false;
        }
    }
    return true;
}

// Writes the run's record at its end. A record that cannot be written is
// WriteFailed, and the run's own status is told beside it, not lost.
int writeRecord(const CommandLine::Record& wanted, const record::RunRecord& run, int status) {
    int result = status;
    for (const auto& [path, bytes] :
         {std::pair{wanted.path, run.json()}, std::pair{wanted.junitPath, run.junitXml()}}) {
        const QString why = path.isEmpty() ? QString() : record::writeWhole(path, bytes);
        if (!why.isEmpty()) {
            standardError() << "tyrescope: cannot write the record " << path.toStdString() << ": "
                            << why.toStdString() << "; the run itself ended with status " << status
                            << '\n';
            result = exitstatus::WriteFailed;
        }
    }
    return result;
}

#ifdef TYRESCOPE_RESULTS_STORE
// Stores the run's record with --results, or keeps it in the spool, saying
// so in one line. Only a record neither can take is WriteFailed, the run's
// own status told beside it.
int storeRecord(const store::Target& target, const record::RunRecord& run, int status) {
    QString why;
    const store::Calls* store = storeCalls(why);
    if (store == nullptr) {
        standardError() << "tyrescope: " << why.toStdString()
                        << "; the run itself ended with status " << status << '\n';
        return exitstatus::WriteFailed;
    }
    const store::Delivery delivery = store->deliver(target, run.json());
    if (delivery.message.isEmpty()) {
        return status;
    }
    standardError() << "tyrescope: " << delivery.message.toStdString();
    if (delivery.result != store::Delivery::Result::Lost) {
        standardError() << '\n';
        return status;
    }
    standardError() << "; the run itself ended with status " << status << '\n';
    return exitstatus::WriteFailed;
}
#endif

// --read: no window and no display. It takes no part in the window's
// single-instance lock: the receiver's own lock keeps copies apart, so
// copies on different receivers run side by side.
int runRead(int argc, char* argv[], const CommandLine& command) {
    QCoreApplication app(argc, argv);
    std::optional<verdict::LimitsFile> limits;
    if (!readLimits(command.limitsPath, limits) || !recordWritable(command.record)) {
        return exitstatus::UsageError;
    }
    CycleLog log;
    if (const int status = openLog(command.logPath, log); status != exitstatus::Passed) {
        return status;
    }
    // Kept only when asked for: a record holds every cycle of the run.
    std::optional<record::RunRecord> record;
    if (command.record.wanted() || command.results) {
        record.emplace(record::RunFacts{
            QString::fromLatin1(version::text),
            command.record.station.isEmpty() ? record::defaultStation() : command.record.station,
            command.record.operatorName, command.record.dutLabel, command.read.units(), limits});
    }
    OutputStream out(STDOUT_FILENO);
    const int status = withReceiver(command, [&](hid::Backend& backend, ModHIDCom& hid) {
        HeadlessRead reader(backend, hid, command.read, out, standardError());
        reader.setLog(&log);
        reader.setLimits(limits ? &limits->limits : nullptr);
        reader.setRecord(record ? &*record : nullptr);
        reader.setWatched(::isatty(STDERR_FILENO) == 1);
        return reader.run();
    });
    const int result = record ? writeRecord(command.record, *record, status) : status;
#ifdef TYRESCOPE_RESULTS_STORE
    return command.results ? storeRecord(*command.results, *record, result) : result;
#else
    return result;
#endif
}

#ifdef TYRESCOPE_RESULTS_STORE

// --history: the runs in the store, newest first.
int runHistory(int argc, char* argv[], const CommandLine& command) {
    QCoreApplication app(argc, argv);
    QString why;
    QByteArray output;
    if (const store::Calls* store = storeCalls(why)) {
        why = store->history(*command.results,
                             {QString::fromStdString(command.choice.serial),
                              command.record.station,
                              command.since,
                              {}},
                             command.read.format, output);
        if (!why.isEmpty()) {
            why = QStringLiteral("cannot read the results store %1: %2")
                      .arg(command.results->name(), why);
        }
    }
    if (!why.isEmpty()) {
        standardError() << "tyrescope: " << why.toStdString() << '\n';
        return exitstatus::WriteFailed;
    }
    OutputStream out(STDOUT_FILENO);
    out << output.toStdString() << std::flush;
    return checked(out, exitstatus::Passed);
}

// --sync-results: what the spool keeps for the store, delivered.
int runSyncResults(int argc, char* argv[], const CommandLine& command) {
    QCoreApplication app(argc, argv);
    QString why;
    const store::Calls* store = storeCalls(why);
    if (store == nullptr) {
        standardError() << "tyrescope: " << why.toStdString() << '\n';
        return exitstatus::WriteFailed;
    }
    const store::Sync sync = store->sync(*command.results);
    OutputStream out(STDOUT_FILENO);
    out << "Spooled records delivered to " << command.results->name().toStdString() << ": "
        << sync.delivered << "; left in the spool " << sync.spoolPath.toStdString() << ": "
        << sync.left << '\n'
        << std::flush;
    if (!sync.error.isEmpty()) {
        standardError() << "tyrescope: " << sync.error.toStdString() << '\n';
        return exitstatus::WriteFailed;
    }
    return checked(out, exitstatus::Passed);
}
#endif

// --list-devices, of the simulated receiver too, which lives on Qt's clock.
int runListDevices(int argc, char* argv[], const CommandLine& command) {
    QCoreApplication app(argc, argv);
    OutputStream out(STDOUT_FILENO);
    return withBackend(command, [&](hid::Backend& backend) {
        if (command.read.quiet) {
            std::ostringstream unread;
            return listDevices(backend, unread, command.choice, command.read.format);
        }
        return checked(out, listDevices(backend, out, command.choice, command.read.format));
    });
}

#ifdef TYRESCOPE_MODULE_DIR
// The window, from its module: only a window loads the GUI libraries.
int runWindow(int argc, char* argv[], const CommandLine& command) {
    QString why;
    const auto entry = reinterpret_cast<decltype(&tyrescope_window)>(
        moduleEntry("tyrescope-window.so", "tyrescope_window", why));
    if (entry == nullptr) {
        standardError() << "tyrescope: cannot load the window: " << why.toStdString()
                        << "; reinstalling the tyrescope package puts it back\n";
        return EXIT_FAILURE;
    }
    return entry(argc, argv, command);
}
#else
int runWindow(int argc, char* argv[], const CommandLine& command) {
    return windowMain(argc, argv, command);
}
#endif

} // namespace

int main(int argc, char* argv[]) {
    if (!platform::prepareStandardStreams()) {
        return exitstatus::WriteFailed;
    }
    // The system's messages (strerror) and device strings in the user's language and
    // character set on every path, not only on those that create an application object.
    std::setlocale(LC_ALL, "");

    QCoreApplication::setApplicationName(QStringLiteral("tyrescope"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(version::text));

    // Settled before any display is opened, so every answer to the command
    // line, a usage error included, works in a plain terminal.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const CommandLine command = parseCommandLine(arguments);
    if (command.verbose) {
        QLoggingCategory::setFilterRules(QStringLiteral("tyrescope.*=true"));
    }
    if (command.action != CommandLine::Action::Window) {
        platform::useStartingConsole();
    }
    switch (command.action) {
    case CommandLine::Action::Help:
    case CommandLine::Action::Version: {
        OutputStream out(STDOUT_FILENO);
        out << command.text.toStdString() << std::flush;
        return checked(out, exitstatus::Passed);
    }
    case CommandLine::Action::Error:
        standardError() << "tyrescope: " << command.text.toStdString()
                        << " Try 'tyrescope --help' for more information.\n";
        return exitstatus::UsageError;
    case CommandLine::Action::ListDevices:
        return runListDevices(argc, argv, command);
    case CommandLine::Action::Read:
        return runRead(argc, argv, command);
    case CommandLine::Action::Report: {
        QCoreApplication app(argc, argv);
        return makeReport(command, standardError());
    }
#ifdef TYRESCOPE_RESULTS_STORE
    case CommandLine::Action::History:
        return runHistory(argc, argv, command);
    case CommandLine::Action::SyncResults:
        return runSyncResults(argc, argv, command);
#else
    case CommandLine::Action::History: // the command line refuses --results
    case CommandLine::Action::SyncResults:
        return exitstatus::UsageError;
#endif
    case CommandLine::Action::Window:
        break;
    }
    return runWindow(argc, argv, command);
}
