// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <iosfwd>

class CycleLog;
class frmMain;

// The window caption: "Tyrescope - " + major + "." + minor + revision, with
// no separator before the revision, so version 1.3.0 reads "Tyrescope - 1.30".
QString windowCaption(int major, int minor, int revision);

// Prepares a freshly created window, in this order: caption, service mode
// off, units KPa and degrees Celsius, then the first acquisition cycle. An
// error abandons only the step it happens in; start-up goes on.
void Initialize(frmMain& window);

// Appends every cycle of the window to log. When a write fails, logging
// stops: a warning goes to the stream warnings gives (asked for only then)
// and, since the operator does not see standard error, a message box beside
// the window says it once; the window runs on as before.
void logCycles(frmMain& window, CycleLog& log, std::ostream& (*warnings)());
