// SPDX-License-Identifier: MIT
#include "app/WindowMain.h"

#include "app/CycleLog.h"
#include "app/ExitStatus.h"
#include "app/InstallNames.h"
#include "app/Launch.h"
#include "app/Platform.h"
#include "app/SingleInstance.h"
#include "app/StandardError.h"
#include "app/Startup.h"
#include "ui/frmMain.h"

#include <QApplication>

namespace {

// The window's whole life: created, initialised, shown, closed, destroyed.
// Destroying it closes the receiver; the transport outlives it.
int runWindow(QApplication& app, ModHIDCom& hid, CycleLog& log, const verdict::Limits* limits) {
    frmMain window(hid);
    if (limits != nullptr) {
        window.setLimits(*limits);
    }
    logCycles(window, log, standardError);
    Initialize(window);
    // The task bar and window switchers take the application's icon.
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    return app.exec();
}

} // namespace

int windowMain(int argc, char* argv[], const CommandLine& command) {
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
            standardError()
                << "tyrescope: another copy of Tyrescope is running but did not answer ("
                << instance.errorString().toStdString()
                << "); its window was not brought forward\n";
            return exitstatus::ReceiverInUse;
        }
        if (!command.given.isEmpty()) {
            // The choices were meant for a window that is not this one.
            standardError() << "tyrescope: Tyrescope is already running: its window was brought "
                               "forward, and "
                            << command.given.join(QStringLiteral(", ")).toStdString()
                            << (command.given.size() > 1 ? " were" : " was") << " not used\n";
        }
        return exitstatus::Passed;
    }
    if (lock == SingleInstance::Result::Unavailable) {
        // Better a second copy now and then than a tool that will not start.
        standardError() << "tyrescope: warning: cannot take the single-instance lock ("
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
        standardError() << "tyrescope: warning: cannot listen for later copies ("
                        << instance.errorString().toStdString()
                        << "); starting Tyrescope again will not bring this window forward\n";
    }
    return withReceiver(command, [&](hid::Backend&, ModHIDCom& hid) {
        return runWindow(app, hid, log, limits ? &limits->limits : nullptr);
    });
}

extern "C" Q_DECL_EXPORT int tyrescope_window(int argc, char* argv[], const CommandLine& command) {
    return windowMain(argc, argv, command);
}
