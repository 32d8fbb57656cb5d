// SPDX-License-Identifier: MIT
#include "app/CommandLine.h"
#include "app/CycleLog.h"
#include "app/ExitStatus.h"
#include "app/HeadlessRead.h"
#include "app/InstallNames.h"
#include "app/ListDevices.h"
#include "app/OutputStream.h"
#include "app/Platform.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "app/Version.h"
#include "hid/HidapiBackend.h"
#include "hid/ModHIDCom.h"
#include "hid/Simulation.h"
#include "record/RecordFile.h"
#include "record/RunRecord.h"
#include "ui/frmMain.h"
#include "verdict/Limits.h"

#include <QApplication>
#include <QLoggingCategory>
#include <clocale>
#include <cstring>
#include <iostream>
#include <optional>
#include <sstream>
#include <unistd.h>
#include <utility>

namespace {

// What a command printed, checked: status, or WriteFailed with the system's
// reason when the output did not take it all.
int checked(const OutputStream& out, int status) {
    if (out) {
        return status;
    }
    std::cerr << "tyrescope: cannot write the output: " << std::strerror(out.error()) << '\n';
    return exitstatus::WriteFailed;
}

// Opens --log FILE, if given: Passed, or the exit status after one line on stderr.
int openLog(const QString& path, CycleLog& log) {
    if (path.isEmpty()) {
        return exitstatus::Passed;
    }
    switch (log.open(path)) {
    case CycleLog::Opened::Yes:
        if (!log.notice().isEmpty()) {
            std::cerr << "tyrescope: " << log.notice().toStdString() << '\n';
        }
        return exitstatus::Passed;
    case CycleLog::Opened::CannotOpen:
        std::cerr << "tyrescope: " << log.errorString().toStdString() << '\n';
        return exitstatus::UsageError;
    case CycleLog::Opened::OtherLayout:
        std::cerr << "tyrescope: " << log.errorString().toStdString() << '\n';
        return exitstatus::WriteFailed;
    }
    return exitstatus::UsageError;
}

// Runs `use` with the HID access of the command line: the platform's, or one
// holding a simulated receiver that follows its script from now on and is
// locked by no one.
template <typename Use> int withBackend(const CommandLine& command, Use use) {
    if (command.simulate) {
        hid::EmulatedBackend backend;
        simulation::Simulation scenario(backend.addReceiver());
        scenario.start();
        return use(backend);
    }
    hid::HidapiBackend backend;
    return use(backend);
}

// The same with the receiver transport over it, set to the receiver of the choice.
template <typename Use> int withReceiver(const CommandLine& command, Use use) {
    return withBackend(command, [&](hid::Backend& backend) {
        ModHIDCom hid(backend);
        hid.choose(command.choice);
        return use(backend, hid);
    });
}

// --limits FILE, if given, read before anything is opened; false after one
// line on stderr.
bool readLimits(const QString& path, std::optional<verdict::LimitsFile>& limits) {
    if (path.isEmpty()) {
        return true;
    }
    verdict::ReadLimits read = verdict::readLimitsFile(path);
    if (!read.file) {
        std::cerr << "tyrescope: --limits " << path.toStdString() << ": "
                  << read.error.toStdString() << '\n';
        return false;
    }
    limits = std::move(read.file);
    return true;
}

// The files --read's record goes to: each can be written now, or one line on stderr.
bool recordWritable(const CommandLine::Record& wanted) {
    for (const QString& path : {wanted.path, wanted.junitPath}) {
        const QString why = path.isEmpty() ? QString() : record::checkWritable(path);
        if (!why.isEmpty()) {
            std::cerr << "tyrescope: cannot write the record " << path.toStdString() << ": "
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
            std::cerr << "tyrescope: cannot write the record " << path.toStdString() << ": "
                      << why.toStdString() << "; the run itself ended with status " << status
                      << '\n';
            result = exitstatus::WriteFailed;
        }
    }
    return result;
}

// The window's whole life: created, initialised, shown, closed, destroyed.
// Destroying it closes the receiver; the transport outlives it.
int runWindow(QApplication& app, ModHIDCom& hid, CycleLog& log, const verdict::Limits* limits) {
    frmMain window(hid);
    if (limits != nullptr) {
        window.setLimits(*limits);
    }
    logCycles(window, log, std::cerr);
    Initialize(window);
    // The task bar and window switchers take the application's icon.
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    return app.exec();
}

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
    if (command.record.wanted()) {
        record.emplace(record::RunFacts{
            QString::fromLatin1(version::text),
            command.record.station.isEmpty() ? record::defaultStation() : command.record.station,
            command.record.operatorName, command.record.dutLabel, command.read.units(), limits});
    }
    OutputStream out(STDOUT_FILENO);
    const int status = withReceiver(command, [&](hid::Backend& backend, ModHIDCom& hid) {
        HeadlessRead reader(backend, hid, command.read, out, std::cerr);
        reader.setLog(&log);
        reader.setLimits(limits ? &limits->limits : nullptr);
        reader.setRecord(record ? &*record : nullptr);
        reader.setWatched(::isatty(STDERR_FILENO) == 1);
        return reader.run();
    });
    return record ? writeRecord(command.record, *record, status) : status;
}

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

// The window, unless another copy already shows one: then that copy is asked
// to bring its window forward and this one ends before touching the receiver
// or the log. A log that cannot be used is said before any display is opened.
int runWindowCopy(int argc, char* argv[], const CommandLine& command) {
    const QString& logPath = command.logPath;
    std::optional<verdict::LimitsFile> limits;
    if (!readLimits(command.limitsPath, limits)) {
        return exitstatus::UsageError;
    }
    SingleInstance instance;
    const SingleInstance::Result lock = instance.acquire();
    if (lock == SingleInstance::Result::AlreadyRunning) {
        // The user wanted the window: the running copy brings its own forward.
        if (!instance.notifyRunningCopy()) {
            std::cerr << "tyrescope: another copy of Tyrescope is running but did not answer ("
                      << instance.errorString().toStdString()
                      << "); its window was not brought forward\n";
            return exitstatus::ReceiverInUse;
        }
        if (!command.given.isEmpty()) {
            // The choices were meant for a window that is not this one.
            std::cerr << "tyrescope: Tyrescope is already running: its window was brought "
                         "forward, and "
                      << command.given.join(QStringLiteral(", ")).toStdString()
                      << (command.given.size() > 1 ? " were" : " was") << " not used\n";
        }
        return exitstatus::Passed;
    }
    if (lock == SingleInstance::Result::Unavailable) {
        // Better a second copy now and then than a tool that will not start.
        std::cerr << "tyrescope: warning: cannot take the single-instance lock ("
                  << instance.errorString().toStdString() << "); running anyway\n";
    }
    CycleLog log;
    if (const int status = openLog(logPath, log); status != exitstatus::Passed) {
        return status;
    }

    platform::prepareWindowStyle();
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QString::fromLatin1(TyrescopeAppId));
    if (lock == SingleInstance::Result::Acquired && !instance.raiseWindowOnRequest()) {
        std::cerr << "tyrescope: warning: cannot listen for later copies ("
                  << instance.errorString().toStdString()
                  << "); starting Tyrescope again will not bring this window forward\n";
    }
    return withReceiver(command, [&](hid::Backend&, ModHIDCom& hid) {
        return runWindow(app, hid, log, limits ? &limits->limits : nullptr);
    });
}

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
    OutputStream out(STDOUT_FILENO);
    switch (command.action) {
    case CommandLine::Action::Help:
    case CommandLine::Action::Version:
        out << command.text.toStdString() << std::flush;
        return checked(out, exitstatus::Passed);
    case CommandLine::Action::Error:
        std::cerr << "tyrescope: " << command.text.toStdString()
                  << " Try 'tyrescope --help' for more information.\n";
        return exitstatus::UsageError;
    case CommandLine::Action::ListDevices:
        return runListDevices(argc, argv, command);
    case CommandLine::Action::Read:
        return runRead(argc, argv, command);
    case CommandLine::Action::Window:
        break;
    }
    return runWindowCopy(argc, argv, command);
}
