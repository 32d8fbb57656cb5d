// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class frmMain;

// The window caption: "Tyrescope - " + major + "." + minor + revision, with
// no separator before the revision, so version 1.3.0 reads "Tyrescope - 1.30".
QString windowCaption(int major, int minor, int revision);

// Prepares a freshly created window, in this order: caption, service mode
// off, units KPa and degrees Celsius, then the first acquisition cycle. An
// error abandons only the step it happens in; start-up goes on.
void Initialize(frmMain& window);
