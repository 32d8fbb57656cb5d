#include "app/InstallNames.h"
#include "app/ListDevices.h"
#include "app/Simulation.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "hid/EmulatedBackend.h"
#include "hid/HidapiBackend.h"
#include "hid/ModHIDCom.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <iostream>

namespace {

// The usual status of a command line that cannot be understood.
constexpr int UsageError = 2;

// The window's whole life: created, initialised, shown, closed, destroyed.
// Destroying it closes the receiver; the transport outlives it.
int runWindow(QApplication& app, ModHIDCom& hid) {
    frmMain window(hid);
    Initialize(window);
    // The task bar and window switchers take the application's icon.
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    return app.exec();
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
        return 0;
    case CommandLine::Action::Error:
        std::cerr << "tyrescope: " << command.text.toStdString()
                  << " Try 'tyrescope --help' for more information.\n";
        return UsageError;
    case CommandLine::Action::ListDevices: {
        hid::HidapiBackend backend;
        return listDevices(backend, std::cout);
    }
    case CommandLine::Action::Run:
        break;
    }

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QString::fromLatin1(TyrescopeAppId));

    // A second copy ends before it opens a window or touches the receiver.
    SingleInstance instance;
    switch (instance.acquire()) {
    case SingleInstance::Result::AlreadyRunning:
        return 0;
    case SingleInstance::Result::Unavailable:
        // Better a second copy now and then than a tool that will not start.
        std::cerr << "tyrescope: warning: cannot take the single-instance lock; running anyway\n";
        break;
    case SingleInstance::Result::Acquired:
        break;
    }

    if (command.simulate) {
        hid::EmulatedBackend backend;
        simulation::Simulation scenario(backend.addReceiver());
        scenario.start();
        ModHIDCom hid(backend);
        return runWindow(app, hid);
    }
    hid::HidapiBackend backend;
    ModHIDCom hid(backend);
    return runWindow(app, hid);
}
