// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <chrono>

// Helpers for tests that run inside the guest, where /dev/uhid exists and the
// receiver emulator can be started as a child process.
namespace guest {

// Runs tyrescope-emulator for one scenario and reads its event log, one line
// per event ("output receiver1 00 21 00", "open receiver1", "ready", ...).
class Emulator {
public:
    Emulator() = default;
    ~Emulator();
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    // Starts the emulator and waits until its devices are plugged in and
    // their hidraw nodes exist; `deviceCount` is how many it presents.
    bool start(const QStringList& args, int deviceCount);
    void stop();

    // Waits until `line` has been logged `count` times in all.
    bool waitFor(const QString& line, int count = 1,
                 std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Every line logged so far that starts with `prefix`.
    QStringList linesStartingWith(const QString& prefix);
    QStringList lines();

    // Where the emulator is: beside this binary unless TYRESCOPE_EMULATOR says.
    static QString program();

private:
    void collect();

    QProcess process_;
    QByteArray pending_;
    QStringList lines_;
};

// /dev/hidraw* nodes present now.
int hidrawNodeCount();
// Waits until exactly `count` hidraw nodes exist.
bool waitForHidrawNodes(int count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
// Descriptors of this process that are open on a hidraw node.
int openHidrawDescriptors();

} // namespace guest
