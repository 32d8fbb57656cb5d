// SPDX-License-Identifier: MIT
#pragma once

#include "app/CommandLine.h"

// The window, unless another copy already shows one: then that copy is asked
// to bring its window forward and this one ends before touching the receiver
// or the log. A log or limits file that cannot be used is said before any
// display is opened. Returns the exit status.
int windowMain(int argc, char* argv[], const CommandLine& command);

// On Linux the window lives in a module of its own that the program loads only
// to show it, so that the modes without a window never load the GUI libraries;
// this is the module's entry, and its signature is the module's interface.
extern "C" int tyrescope_window(int argc, char* argv[], const CommandLine& command);
