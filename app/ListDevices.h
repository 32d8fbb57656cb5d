// SPDX-License-Identifier: MIT
#pragma once

#include "cycle/CycleOutput.h"
#include "hid/HidBackend.h"

#include <iosfwd>

// --list-devices: prints every HID interface present (those of the choice,
// when one is made), marks the receiver and, when the receiver is there but
// cannot be opened, says why and how to fix it; as text, or one JSON
// document or CSV rows of the same facts for scripts. Returns the exit code:
// 0 when a receiver can be opened, 1 otherwise.
int listDevices(hid::Backend& backend, std::ostream& out, const hid::ReceiverChoice& choice = {},
                cycle::OutputFormat format = cycle::OutputFormat::Text);

// The verdict of --list-devices alone, without the list of interfaces: why
// no receiver can be opened and what to do about it. Same exit code.
int explainMissingReceiver(hid::Backend& backend, std::ostream& out,
                           const hid::ReceiverChoice& choice = {});
