// SPDX-License-Identifier: MIT
#pragma once

#include "cycle/CycleOutput.h"
#include "store/ResultStore.h"

#include <QByteArray>
#include <vector>

namespace store {

// --history's list of runs in an output format: an aligned table for a
// person, whose texts are made safe for a terminal and show "-" for none;
// CSV with a header; one JSON object per run and line, null for none.
QByteArray historyOutput(cycle::OutputFormat format, const std::vector<RunSummary>& runs);

} // namespace store
