// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The shape of the virtual receiver's reports and how they travel through
// /dev/uhid. Kept apart from the uhid plumbing so it can be checked on a host
// that has no /dev/uhid.
namespace emulator {

struct ReportLayout {
    std::size_t inputBytes = 4;  // data bytes of the input report, report ID not counted
    std::size_t outputBytes = 2; // data bytes of the output report, report ID not counted
    std::uint8_t reportId = 0;   // 0: unnumbered reports

    static constexpr std::size_t MaxDataBytes = 64;
};

// A vendor-defined top-level collection with one input and one output report
// of 8-bit fields; a kind with 0 data bytes is left out.
std::vector<std::uint8_t> vendorReportDescriptor(const ReportLayout& layout);

// An input report as the kernel wants it in UHID_INPUT2: the report ID first
// when reports are numbered, then exactly inputBytes data bytes. The kernel
// drops a report shorter than the descriptor declares, so `data` is cut or
// padded with zeros to fit.
std::vector<std::uint8_t> frameInput(const ReportLayout& layout,
                                     std::span<const std::uint8_t> data);

// The command byte of an output report as UHID_OUTPUT delivers it: hidraw
// passes the host's whole buffer on, report ID byte first, numbered or not.
std::optional<std::uint8_t> commandOf(std::span<const std::uint8_t> output);

} // namespace emulator
