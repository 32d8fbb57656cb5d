#include "hid/ReportDescriptor.h"

#include <algorithm>
#include <map>

namespace hid {
namespace {

constexpr const char* Truncated = "it ends inside an item";
constexpr const char* Unbalanced = "its collections do not pair up";

struct GlobalState {
    std::uint16_t usagePage = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;
};

// Bits per report ID, per kind, for one top-level collection.
struct CollectionBits {
    std::map<std::uint8_t, std::uint64_t> bits[3];
};

// Sums stick at the largest value instead of wrapping, so a hostile
// descriptor cannot turn a huge report into a small one.
std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b) {
    return b > UINT64_MAX - a ? UINT64_MAX : a + b;
}

// Bytes of the largest report, with its report ID byte; 0 when there is no
// report of the kind, and more than MaxReportLength when one is too long to
// be carried (the caller only compares it against that).
std::uint64_t byteLength(const std::map<std::uint8_t, std::uint64_t>& reports) {
    if (reports.empty()) {
        return 0;
    }
    std::uint64_t largest = 0;
    for (const auto& [id, bits] : reports) {
        largest = std::max(largest, bits);
    }
    return largest / 8 + (largest % 8 != 0) + 1;
}

// Keeps the first reason: what follows a fault is read out of step anyway.
void malformed(DescriptorSummary& summary, const char* problem) {
    if (summary.wellFormed) {
        summary.wellFormed = false;
        summary.problem = problem;
    }
}

} // namespace

DescriptorSummary parseReportDescriptor(std::span<const std::uint8_t> d) {
    DescriptorSummary summary;
    GlobalState global;
    std::vector<GlobalState> stack;
    // Local: the first usage before a Collection. Kept as a flag and a value
    // rather than std::optional, which GCC 12 at -O2 misreads as uninitialised.
    bool haveUsage = false;
    std::uint32_t lastUsage = 0;
    int depth = 0;
    std::vector<CollectionBits> bits;

    std::size_t pos = 0;
    while (pos < d.size()) {
        const std::uint8_t prefix = d[pos];
        if (prefix == 0xFE) { // long item: size, tag, data; nothing in it counts here
            if (pos + 2 >= d.size()) {
                malformed(summary, Truncated);
                break;
            }
            const std::size_t size = d[pos + 1];
            pos += 3 + size;
            if (pos > d.size()) {
                malformed(summary, Truncated);
            }
            continue;
        }
        const std::size_t size = (prefix & 0x03) == 3 ? 4 : (prefix & 0x03);
        if (pos + 1 + size > d.size()) {
            malformed(summary, Truncated);
            break;
        }
        std::uint32_t data = 0;
        for (std::size_t k = 0; k < size; ++k) {
            data |= static_cast<std::uint32_t>(d[pos + 1 + k]) << (8 * k);
        }
        pos += 1 + size;

        const int type = (prefix >> 2) & 0x03;
        const int tag = prefix >> 4;
        if (type == 0) { // main
            switch (tag) {
            case 0x8:   // Input
            case 0x9:   // Output
            case 0xB: { // Feature
                const int kind = tag == 0x8 ? 0 : tag == 0x9 ? 1 : 2;
                if (depth > 0 && !bits.empty()) {
                    // Both factors are below 2^32, so the product cannot wrap.
                    const std::uint64_t add =
                        static_cast<std::uint64_t>(global.reportSize) * global.reportCount;
                    std::uint64_t& sum = bits.back().bits[kind][global.reportId];
                    sum = saturatingAdd(sum, add);
                }
                break;
            }
            case 0xA: // Collection
                if (depth == 0) {
                    TopLevelCollection tlc;
                    const std::uint32_t usage = haveUsage ? lastUsage : 0;
                    tlc.usage = static_cast<std::uint16_t>(usage & 0xFFFF);
                    tlc.usagePage =
                        usage > 0xFFFF ? static_cast<std::uint16_t>(usage >> 16) : global.usagePage;
                    summary.collections.push_back(tlc);
                    bits.emplace_back();
                }
                ++depth;
                break;
            case 0xC: // End Collection
                if (depth == 0) {
                    malformed(summary, Unbalanced);
                } else {
                    --depth;
                }
                break;
            default:
                break;
            }
            haveUsage = false;  // local items last until the next main item
        } else if (type == 1) { // global
            switch (tag) {
            case 0x0:
                global.usagePage = static_cast<std::uint16_t>(data);
                break;
            case 0x7:
                global.reportSize = data;
                break;
            case 0x8:
                global.reportId = static_cast<std::uint8_t>(data);
                summary.numberedReports = true;
                break;
            case 0x9:
                global.reportCount = data;
                break;
            case 0xA: // Push
                stack.push_back(global);
                break;
            case 0xB: // Pop
                if (stack.empty()) {
                    malformed(summary, "Pop without Push");
                } else {
                    global = stack.back();
                    stack.pop_back();
                }
                break;
            default:
                break;
            }
        } else if (type == 2) { // local
            if (tag == 0x0 && !haveUsage) {
                // A 4-byte usage carries its own page in the upper half.
                lastUsage = size == 4 ? data : (data & 0xFFFF);
                haveUsage = true;
            }
        }
    }
    if (depth != 0) {
        malformed(summary, Unbalanced);
    }

    for (std::size_t k = 0; k < summary.collections.size(); ++k) {
        std::size_t* lengths[3] = {&summary.collections[k].lengths.input,
                                   &summary.collections[k].lengths.output,
                                   &summary.collections[k].lengths.feature};
        for (int kind = 0; kind < 3; ++kind) {
            const std::uint64_t n = byteLength(bits[k].bits[kind]);
            if (n > MaxReportLength) {
                // No platform carries it; the lengths are not to be trusted.
                malformed(summary, "a report is longer than 16384 bytes");
            }
            *lengths[kind] = static_cast<std::size_t>(std::min<std::uint64_t>(n, MaxReportLength));
        }
    }
    return summary;
}

ReportLengths deviceReportLengths(const DescriptorSummary& summary) {
    ReportLengths device;
    for (const TopLevelCollection& c : summary.collections) {
        device.input = std::max(device.input, c.lengths.input);
        device.output = std::max(device.output, c.lengths.output);
        device.feature = std::max(device.feature, c.lengths.feature);
    }
    return device;
}

} // namespace hid
