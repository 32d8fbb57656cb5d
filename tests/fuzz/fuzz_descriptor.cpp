// SPDX-License-Identifier: MIT
// libFuzzer target: any bytes as a report descriptor.
#include "Check.h"
#include "hid/ReportDescriptor.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const hid::DescriptorSummary summary = hid::parseReportDescriptor({data, size});

    FUZZ_REQUIRE(summary.wellFormed || *summary.problem != 0, "a malformed descriptor says why");
    for (const hid::TopLevelCollection& c : summary.collections) {
        FUZZ_REQUIRE(c.lengths.input <= hid::MaxReportLength, "input length capped");
        FUZZ_REQUIRE(c.lengths.output <= hid::MaxReportLength, "output length capped");
        FUZZ_REQUIRE(c.lengths.feature <= hid::MaxReportLength, "feature length capped");
    }
    // Every collection starts with a Collection item of its own, one byte at least.
    FUZZ_REQUIRE(summary.collections.size() <= size, "no collection out of nothing");
    const hid::ReportLengths device = hid::deviceReportLengths(summary);
    FUZZ_REQUIRE(device.input <= hid::MaxReportLength && device.output <= hid::MaxReportLength,
                 "device lengths capped");
    return 0;
}
