// SPDX-License-Identifier: MIT
#pragma once

#include "hid/HidBackend.h"

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

// --list-devices: prints every HID interface present, marks the receiver and,
// when the receiver is there but cannot be opened, says why and how to fix it.
// Returns the exit code: 0 when a receiver can be opened, 1 otherwise.
int listDevices(hid::Backend& backend, std::ostream& out);

// The verdict of --list-devices alone, without the list of interfaces: why
// no receiver can be opened and what to do about it. Same exit code.
int explainMissingReceiver(hid::Backend& backend, std::ostream& out);

// Device-supplied text made safe for a terminal: control characters (C0, DEL,
// and C1 in UTF-8), invisible format characters (such as the right-to-left
// override), line and paragraph separators, and bytes that are not valid
// UTF-8 become '?', so a device can neither send escape sequences nor make
// its text read differently from what it is. Text beyond MaxShownCharacters
// is cut and ends in "...".
inline constexpr std::size_t MaxShownCharacters = 200;
std::string printableText(std::string_view text);
