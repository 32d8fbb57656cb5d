// SPDX-License-Identifier: MIT
#pragma once

#include "cycle/CycleOutput.h"
#include "hid/HidBackend.h"
#include "hid/ReceiverChoice.h"

#include <iosfwd>

// --list-devices: prints every HID interface present (those of the choice,
// when one is made), marks the receiver and, when the receiver is there but
// cannot be opened, says why and how to fix it; as text, or one JSON
// document or CSV rows of the same facts for scripts. Returns the exit status:
// Passed when a receiver of the choice can be opened, UsageError when the
// choice is a serial number several receivers carry, ReceiverInUse when a
// receiver is there but another copy holds it, NoReceiver otherwise.
int listDevices(hid::Backend& backend, std::ostream& out, const hid::ReceiverChoice& choice = {},
                cycle::OutputFormat format = cycle::OutputFormat::Text);

// The verdict of --list-devices alone, without the list of interfaces: why
// no receiver can be opened and what to do about it. Same exit status.
int explainMissingReceiver(hid::Backend& backend, std::ostream& out,
                           const hid::ReceiverChoice& choice = {});
