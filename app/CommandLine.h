// SPDX-License-Identifier: MIT
#pragma once

#include "cycle/CycleOutput.h"
#include "hid/ReceiverChoice.h"
#include "sensor/Units.h"
#include "store/Target.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>
#include <vector>

// What --read (and, for the format, --list-devices) is asked for on the command line.
struct ReadOptions {
    cycle::OutputFormat format = cycle::OutputFormat::Text;
    sensor::PressureUnit pressureUnit = sensor::PressureUnit::KPa;
    sensor::TemperatureUnit temperatureUnit = sensor::TemperatureUnit::Celsius;
    int count = 1; // 0: until interrupted
    std::chrono::milliseconds interval{5000};
    std::vector<int> requiredSensors; // sensor numbers 1 to 5
    // How long to wait for the receiver to be there and free before the first cycle.
    std::chrono::milliseconds wait{0};
    // Nothing on standard output: the exit status, standard error and the log tell.
    bool quiet = false;

    sensor::UnitState units() const {
        sensor::UnitState state;
        state.select(pressureUnit);
        state.select(temperatureUnit);
        return state;
    }

    friend bool operator==(const ReadOptions&, const ReadOptions&) = default;
};

// What the command line asks for. Without arguments the program opens its window.
struct CommandLine {
    enum class Action {
        Window,
        Read,
        ListDevices,
        History,
        SyncResults,
        Report,
        Help,
        Version,
        Error
    };
    Action action = Action::Window;
    bool simulate = false;
    // The transport's reasons (why the receiver is off line) on standard error.
    bool verbose = false;
    // --device and --serial: the receiver to use, of the window, --read and --list-devices.
    hid::ReceiverChoice choice;
    // --log: where every cycle is appended; empty for no log.
    QString logPath;
    // --limits: the file every value is judged against; empty for none.
    QString limitsPath;
    // Where --read's record goes, and what it says of the run; empty: not given.
    struct Record {
        QString path; // --record
        QString junitPath;
        QString station;
        QString operatorName;
        QString dutLabel;
        bool wanted() const { return !path.isEmpty() || !junitPath.isEmpty(); }
    } record;
    ReadOptions read;
    // --results, or the value of --sync-results: where run records are stored.
    std::optional<store::Target> results;
    // --since of --history and --report: UTC, ISO 8601 with milliseconds, as the
    // store keeps times.
    QString since;
    // --run of --report: one run of the store, by its id.
    QString runId;
    // --report FILE: where the HTML report goes. Its source is --log or
    // --results; --serial keeps one receiver's runs, read's units are its units.
    QString reportPath;
    // The options given, as typed, for a second window copy to name what it did not use.
    QStringList given;
    // What to print for Help, Version and Error.
    QString text;
};

// arguments[0] is the program's name, as in main's argv. Options of Qt's own
// (-platform, -style, ...) are let through for QApplication to take.
CommandLine parseCommandLine(const QStringList& arguments);
