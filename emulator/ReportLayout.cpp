// SPDX-License-Identifier: MIT
#include "emulator/ReportLayout.h"

#include <algorithm>

namespace emulator {

namespace {

void appendMainItem(std::vector<std::uint8_t>& d, std::size_t count, std::uint8_t mainTag) {
    if (count == 0) {
        return;
    }
    d.insert(d.end(), {0x95, static_cast<std::uint8_t>(count), // Report Count
                       0x09, 0x01,                             // Usage (vendor 1)
                       mainTag, 0x02});                        // Data, Variable, Absolute
}

} // namespace

std::vector<std::uint8_t> vendorReportDescriptor(const ReportLayout& layout) {
    std::vector<std::uint8_t> d = {
        0x06, 0x00, 0xFF, // Usage Page (vendor-defined 0xFF00)
        0x09, 0x01,       // Usage (vendor 1)
        0xA1, 0x01,       // Collection (Application)
    };
    if (layout.reportId != 0) {
        d.insert(d.end(), {0x85, layout.reportId});
    }
    d.insert(d.end(), {
                          0x15, 0x00,       // Logical Minimum 0
                          0x26, 0xFF, 0x00, // Logical Maximum 255
                          0x75, 0x08,       // Report Size 8
                      });
    appendMainItem(d, std::min(layout.inputBytes, ReportLayout::MaxDataBytes), 0x81);
    appendMainItem(d, std::min(layout.outputBytes, ReportLayout::MaxDataBytes), 0x91);
    d.push_back(0xC0); // End Collection
    return d;
}

std::vector<std::uint8_t> frameInput(const ReportLayout& layout,
                                     std::span<const std::uint8_t> data) {
    const std::size_t offset = layout.reportId != 0 ? 1 : 0;
    std::vector<std::uint8_t> report(offset + layout.inputBytes, 0);
    if (offset != 0) {
        report[0] = layout.reportId;
    }
    std::copy_n(data.begin(), std::min(data.size(), layout.inputBytes), report.begin() + offset);
    return report;
}

std::optional<std::uint8_t> commandOf(std::span<const std::uint8_t> output) {
    if (output.size() < 2) {
        return std::nullopt;
    }
    return output[1];
}

} // namespace emulator
