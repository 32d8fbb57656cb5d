// SPDX-License-Identifier: MIT
#pragma once

#include "app/CommandLine.h"

#include <ostream>

// --report FILE: the runs of the command's source in one HTML file, written
// whole or not at all. Returns the exit status, after one line on err when
// there is no report.
int makeReport(const CommandLine& command, std::ostream& err);
