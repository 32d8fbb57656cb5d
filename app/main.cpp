// SPDX-License-Identifier: MIT
#include "app/CommandLine.h"
#include "app/CycleLog.h"
#include "app/HeadlessRead.h"
#include "app/InstallNames.h"
#include "app/ListDevices.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "app/Version.h"
#include "hid/HidapiBackend.h"
#include "hid/ModHIDCom.h"
#include "hid/Simulation.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <iostream>

namespace {

// Runs `use` with the receiver transport of the command line: the USB
// receiver, or a simulated one that follows its script from now on.
template <typename Use> int withReceiver(bool simulate, Use use) {
    if (simulate) {
        hid::EmulatedBackend backend;
        simulation::Simulation scenario(backend.addReceiver());
        scenario.start();
        ModHIDCom hid(backend);
        return use(backend, hid);
    }
    hid::HidapiBackend backend;
    ModHIDCom hid(backend);
    return use(backend, hid);
}

// The window's whole life: created, initialised, shown, closed, destroyed.
// Destroying it closes the receiver; the transport outlives it.
int runWindow(QApplication& app, ModHIDCom& hid, CycleLog& log) {
    frmMain window(hid);
    QObject::connect(&window, &frmMain::cycleCompleted, &window,
                     [&](const cycle::CycleResult& result) { log.append(result, window.Units); });
    Initialize(window);
    // The task bar and window switchers take the application's icon.
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    return app.exec();
}

// --read: no window and no display; the receiver is touched only by the
// copy that holds the single-instance lock.
int runRead(int argc, char* argv[], const ReadOptions& options, bool simulate, CycleLog& log) {
    QCoreApplication app(argc, argv);
    SingleInstance instance;
    switch (instance.acquire()) {
    case SingleInstance::Result::AlreadyRunning:
        std::cerr << "tyrescope: another copy of Tyrescope is using the receiver; try again "
                     "when it has ended\n";
        return exitstatus::ReceiverInUse;
    case SingleInstance::Result::Unavailable:
        std::cerr << "tyrescope: warning: cannot take the single-instance lock ("
                  << instance.errorString().toStdString() << "); reading anyway\n";
        break;
    case SingleInstance::Result::Acquired:
        break;
    }
    return withReceiver(simulate, [&](hid::Backend& backend, ModHIDCom& hid) {
        HeadlessRead reader(backend, hid, options, std::cout, std::cerr);
        reader.setLog(&log);
        return reader.run();
    });
}

// The window, unless another copy already shows one: then that copy is asked
// to bring its window forward and this one ends before touching the receiver.
int runWindowCopy(int argc, char* argv[], bool simulate, CycleLog& log) {
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QString::fromLatin1(TyrescopeAppId));

    SingleInstance instance;
    switch (instance.acquire()) {
    case SingleInstance::Result::AlreadyRunning:
        // The user wanted the window: the running copy brings its own forward.
        if (!instance.notifyRunningCopy()) {
            std::cerr << "tyrescope: another copy of Tyrescope is running but did not answer ("
                      << instance.errorString().toStdString()
                      << "); its window was not brought forward\n";
            return exitstatus::ReceiverInUse;
        }
        return 0;
    case SingleInstance::Result::Unavailable:
        // Better a second copy now and then than a tool that will not start.
        std::cerr << "tyrescope: warning: cannot take the single-instance lock ("
                  << instance.errorString().toStdString() << "); running anyway\n";
        break;
    case SingleInstance::Result::Acquired:
        if (!instance.raiseWindowOnRequest()) {
            std::cerr << "tyrescope: warning: cannot listen for later copies ("
                      << instance.errorString().toStdString()
                      << "); starting Tyrescope again will not bring this window forward\n";
        }
        break;
    }

    return withReceiver(simulate,
                        [&](hid::Backend&, ModHIDCom& hid) { return runWindow(app, hid, log); });
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("tyrescope"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(version::text));

    // Settled before any display is opened, so every answer to the command
    // line, a usage error included, works in a plain terminal.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const CommandLine command = parseCommandLine(arguments);
    switch (command.action) {
    case CommandLine::Action::Help:
    case CommandLine::Action::Version:
        std::cout << command.text.toStdString() << std::flush;
        return exitstatus::Passed;
    case CommandLine::Action::Error:
        std::cerr << "tyrescope: " << command.text.toStdString()
                  << " Try 'tyrescope --help' for more information.\n";
        return exitstatus::UsageError;
    case CommandLine::Action::ListDevices: {
        hid::HidapiBackend backend;
        return listDevices(backend, std::cout);
    }
    case CommandLine::Action::Read:
    case CommandLine::Action::Run:
        break;
    }

    CycleLog log(std::cerr);
    if (!command.logPath.isEmpty() && !log.open(command.logPath)) {
        std::cerr << "tyrescope: cannot open the log " << command.logPath.toStdString()
                  << " for appending: " << log.errorString().toStdString() << '\n';
        return exitstatus::UsageError;
    }
    if (command.action == CommandLine::Action::Read) {
        return runRead(argc, argv, command.read, command.simulate, log);
    }

    return runWindowCopy(argc, argv, command.simulate, log);
}
