// SPDX-License-Identifier: MIT
#pragma once

#include "app/CommandLine.h"
#include "hid/EmulatedBackend.h"
#include "hid/HidapiBackend.h"
#include "hid/ModHIDCom.h"
#include "hid/Simulation.h"
#include "verdict/Limits.h"

#include <QString>
#include <optional>

class CycleLog;

// What the window and --read both take from the command line before they run.

// Opens --log FILE, if given: Passed, or the exit status after one line on stderr.
int openLog(const QString& path, CycleLog& log);

// --limits FILE, if given, read before anything is opened; false after one
// line on stderr.
bool readLimits(const QString& path, std::optional<verdict::LimitsFile>& limits);

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
