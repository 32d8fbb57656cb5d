// SPDX-License-Identifier: MIT
#pragma once

#include "cycle/CycleOutput.h"
#include "hid/HidBackend.h"
#include "sensor/Units.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <csignal>
#include <vector>

// Exit statuses of the program; --read uses them all.
namespace exitstatus {
inline constexpr int Passed = 0;            // every cycle reached the receiver, data as required
inline constexpr int NoReceiver = 1;        // not found, or found but not opened
inline constexpr int UsageError = 2;        // the command line or the log file
inline constexpr int ReceiverLost = 3;      // an answer did not come during a cycle
inline constexpr int SensorWithoutData = 4; // a required sensor held no data
inline constexpr int ReceiverInUse = 5;     // another copy holds the receiver
inline constexpr int WriteFailed = 6;       // the output or the log could not be written
// A run that SIGINT or SIGTERM ended early, after its clean end, says so as
// shells do: 128 + the signal's number.
constexpr int stoppedBy(int signal) {
    return 128 + signal;
}

// What each status means, for --help; over several cycles of --read the
// status of higher seriousness counts (0: not a cycle's verdict).
struct Meaning {
    int status;
    int seriousness;
    const char* text; // a '\n' continues the text on the next line
};
inline constexpr Meaning Meanings[] = {
    {Passed, 0,
     "--read: every cycle reached the receiver, all five answers came, and the\n"
     "required sensors held data; --list-devices: the receiver can be opened"},
    {NoReceiver, 4, "the receiver was not found or could not be opened"},
    {UsageError, 0,
     "usage error, or the log file cannot be opened or holds another header\n"
     "than this version writes"},
    {ReceiverLost, 2, "the receiver was lost during a cycle (an answer did not come)"},
    {SensorWithoutData, 1, "a required sensor held no data"},
    {ReceiverInUse, 3, "another copy of Tyrescope is using the receiver"},
    {WriteFailed, 0, "the output or the log could not be written"},
    {stoppedBy(SIGINT), 0, "ended by SIGINT (Ctrl+C) after the cycle under way"},
    {stoppedBy(SIGTERM), 0, "ended by SIGTERM after the cycle under way"},
};

constexpr int seriousness(int status) {
    for (const Meaning& m : Meanings) {
        if (m.status == status) {
            return m.seriousness;
        }
    }
    return 0;
}
} // namespace exitstatus

// What --read is asked for on the command line.
struct ReadOptions {
    cycle::OutputFormat format = cycle::OutputFormat::Text;
    sensor::PressureUnit pressureUnit = sensor::PressureUnit::KPa;
    sensor::TemperatureUnit temperatureUnit = sensor::TemperatureUnit::Celsius;
    int count = 1; // 0: until interrupted
    std::chrono::milliseconds interval{5000};
    std::vector<int> requiredSensors; // sensor numbers 1 to 5
    // How long to wait for the receiver to be there and free before the first cycle.
    std::chrono::milliseconds wait{0};

    friend bool operator==(const ReadOptions&, const ReadOptions&) = default;
};

// What the command line asks for. Without arguments the program just runs.
struct CommandLine {
    enum class Action { Run, Read, Help, Version, ListDevices, Error };
    Action action = Action::Run;
    bool simulate = false;
    // --device and --serial: the receiver to use, of the window, --read and --list-devices.
    hid::ReceiverChoice choice;
    cycle::OutputFormat listFormat = cycle::OutputFormat::Text;
    // --log: where every cycle is appended; empty for no log.
    QString logPath;
    ReadOptions read;
    // What to print for Help, Version and Error.
    QString text;
};

// arguments[0] is the program's name, as in main's argv. Options of Qt's own
// (-platform, -style, ...) are let through for QApplication to take.
CommandLine parseCommandLine(const QStringList& arguments);
