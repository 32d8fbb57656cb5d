// SPDX-License-Identifier: MIT
#pragma once

// What the program settles with the system it runs on before it starts its
// work, so that main.cpp reads the same on Linux and Windows.
namespace platform {

// First of all, before anything opens a file: standard input, output and
// error fit for use. On Linux a closed one is taken by /dev/null, so that a
// log or lock opened later cannot take its place, and a reader that has gone
// or a file-size limit make a write fail (EPIPE, EFBIG), to be told, instead
// of ending the process. On Windows output goes out byte for byte, as on
// Linux, and Qt's messages (--verbose) to standard error. False when the
// streams cannot be made fit.
bool prepareStandardStreams();

// For what answers on a terminal, everything but the window: Windows starts a
// window program without a console, so one started from a console takes that
// console for the standard streams it was not given, and Ctrl+C there reaches
// it. Nothing to do on Linux.
void useStartingConsole();

// Before the window's application is made: on Windows the window takes the
// style it has on Linux, Fusion, so that every control looks and sits as
// there, unless -style or QT_STYLE_OVERRIDE asks for another.
void prepareWindowStyle();

} // namespace platform
