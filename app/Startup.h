// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class frmMain;

// The program's version, from project(VERSION) in the top-level CMakeLists.txt.
namespace version {
inline constexpr int major = TYRESCOPE_VERSION_MAJOR;
inline constexpr int minor = TYRESCOPE_VERSION_MINOR;
inline constexpr int revision = TYRESCOPE_VERSION_PATCH;
inline constexpr char text[] = TYRESCOPE_VERSION;
} // namespace version

// The window caption: "Tyrescope - " + major + "." + minor + revision, with
// no separator before the revision, so version 1.3.0 reads "Tyrescope - 1.30".
QString windowCaption(int major, int minor, int revision);

// Prepares a freshly created window, in this order: caption, service mode
// off, units KPa and degrees Celsius, then the first acquisition cycle. An
// error abandons only the step it happens in; start-up goes on.
void Initialize(frmMain& window);
