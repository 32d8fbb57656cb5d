// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Device-supplied text made safe for a terminal: control characters (C0, DEL,
// and C1 in UTF-8), invisible format characters (such as the right-to-left
// override), line and paragraph separators, and bytes that are not valid
// UTF-8 become '?', so a device can neither send escape sequences nor make
// its text read differently from what it is. Text beyond MaxShownCharacters
// is cut and ends in "...".
inline constexpr std::size_t MaxShownCharacters = 200;
std::string printableText(std::string_view text);
