// SPDX-License-Identifier: MIT
#pragma once

#include "hid/ReportDescriptor.h"

#include <optional>
#include <string>

namespace hid {

// What the system shows of an interface's reports without opening it for
// reading or writing: on Linux its report descriptor, which sysfs shows for
// each hidraw node under sysfsRoot; on Windows, which shows no descriptors,
// what HidP_GetCaps tells of the interface's one top-level collection. Empty
// when neither can be had.
std::optional<DescriptorSummary> pathDescriptorSummary(const std::string& path,
                                                       const std::string& sysfsRoot);

} // namespace hid
