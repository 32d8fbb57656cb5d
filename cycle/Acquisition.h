// SPDX-License-Identifier: MIT
#pragma once

#include "cycle/CycleResult.h"

class ModHIDCom;

// The acquisition cycle, the one step that turns the receiver's answers into
// a CycleResult.
namespace cycle {

// Opens the receiver unless it is connected; why it could not be opened goes
// to hid::lcHid. Returns whether it is connected.
bool ensureConnected(ModHIDCom& hid);

// Connects when the receiver is not connected, then asks for the five
// records in sensor order. The first lost answer ends the requests; when the
// receiver is not connected at the end, every byte of data is no data,
// records read earlier in this cycle included.
CycleResult acquire(ModHIDCom& hid);

} // namespace cycle
