// SPDX-License-Identifier: MIT
#pragma once

#include "app/HeadlessRead.h"

#include <QString>
#include <QStringList>

// What the command line asks for. Without arguments the program just runs.
struct CommandLine {
    enum class Action { Run, Read, Help, Version, ListDevices, Error };
    Action action = Action::Run;
    bool simulate = false;
    // --log: where every cycle is appended; empty for no log.
    QString logPath;
    ReadOptions read;
    // What to print for Help, Version and Error.
    QString text;
};

// arguments[0] is the program's name, as in main's argv. Options of Qt's own
// (-platform, -style, ...) are let through for QApplication to take.
CommandLine parseCommandLine(const QStringList& arguments);
