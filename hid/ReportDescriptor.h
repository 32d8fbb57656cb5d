// SPDX-License-Identifier: MIT
#pragma once

#include "hid/HidBackend.h"

#include <cstdint>
#include <span>
#include <vector>

// Report lengths from a HID report descriptor, counted the way Windows'
// HidP_GetCaps counts them, so the transport frames reports on every platform
// as the receiver's makers saw them.
namespace hid {

struct TopLevelCollection {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    ReportLengths lengths;
};

struct DescriptorSummary {
    std::vector<TopLevelCollection> collections;
    bool numberedReports = false; // a Report ID item occurs anywhere
    // false: truncated, unbalanced collections, or a report longer than
    // MaxReportLength; the lengths are then not to be relied on.
    bool wellFormed = true;
    const char* problem = ""; // why it is not well formed, for diagnostics
};

DescriptorSummary parseReportDescriptor(std::span<const std::uint8_t> descriptor);

// The lengths a single handle on the whole device has to serve: per kind, the
// largest over its top-level collections (a hidraw node carries them all).
ReportLengths deviceReportLengths(const DescriptorSummary& summary);

} // namespace hid
