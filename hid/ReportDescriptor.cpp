// SPDX-License-Identifier: MIT
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

// One item of the descriptor. Long items carry nothing that counts here, so
// only their extent is read.
struct Item {
    int type = 0; // 0 main, 1 global, 2 local, 3 reserved
    int tag = 0;
    std::size_t size = 0; // data bytes
    std::uint32_t data = 0;
    bool isLong = false;
};

// Reads the item at `pos` and moves `pos` past it; false when the descriptor
// ends inside it. USB "Device Class Definition for HID 1.11", 6.2.2.2 Short
// Items and 6.2.2.3 Long Items.
bool readItem(std::span<const std::uint8_t> d, std::size_t& pos, Item& item) {
    const std::uint8_t prefix = d[pos];
    item = Item{};
    if (prefix == 0xFE) { // long item: data size, tag, data
        if (pos + 2 >= d.size()) {
            return false;
        }
        item.isLong = true;
        pos += 3 + std::size_t{d[pos + 1]};
        return pos <= d.size();
    }
    item.size = (prefix & 0x03) == 3 ? 4 : (prefix & 0x03);
    if (pos + 1 + item.size > d.size()) {
        return false;
    }
    for (std::size_t k = 0; k < item.size; ++k) {
        item.data |= static_cast<std::uint32_t>(d[pos + 1 + k]) << (8 * k);
    }
    item.type = (prefix >> 2) & 0x03;
    item.tag = prefix >> 4;
    pos += 1 + item.size;
    return true;
}

class Parser {
public:
    DescriptorSummary run(std::span<const std::uint8_t> d);

private:
    void mainItem(const Item& item);
    void globalItem(const Item& item);
    void localItem(const Item& item);
    void finish();

    DescriptorSummary summary_;
    GlobalState global_;
    std::vector<GlobalState> stack_;
    // Local: the first usage before a Collection. Kept as a flag and a value
    // rather than std::optional, which GCC 12 at -O2 misreads as uninitialised.
    bool haveUsage_ = false;
    std::uint32_t lastUsage_ = 0;
    int depth_ = 0;
    std::vector<CollectionBits> bits_; // one per top-level collection
};

DescriptorSummary Parser::run(std::span<const std::uint8_t> d) {
    std::size_t pos = 0;
    Item item;
    while (pos < d.size()) {
        if (!readItem(d, pos, item)) {
            malformed(summary_, Truncated);
            break;
        }
        if (item.isLong) {
            continue;
        }
        switch (item.type) {
        case 0:
            mainItem(item);
            break;
        case 1:
            globalItem(item);
            break;
        case 2:
            localItem(item);
            break;
        default:
            break; // reserved
        }
    }
    finish();
    return summary_;
}

// USB "Device Class Definition for HID 1.11", 6.2.2.4 Main Items (and 6.2.2.6
// for Collection and End Collection).
void Parser::mainItem(const Item& item) {
    switch (item.tag) {
    case 0x8:   // Input
    case 0x9:   // Output
    case 0xB: { // Feature
        const int kind = item.tag == 0x8 ? 0 : item.tag == 0x9 ? 1 : 2;
        if (depth_ > 0 && !bits_.empty()) {
            // Both factors are below 2^32, so the product cannot wrap.
            const std::uint64_t add =
                static_cast<std::uint64_t>(global_.reportSize) * global_.reportCount;
            std::uint64_t& sum = bits_.back().bits[kind][global_.reportId];
            sum = saturatingAdd(sum, add);
        }
        break;
    }
    case 0xA: // Collection
        if (depth_ == 0) {
            TopLevelCollection tlc;
            const std::uint32_t usage = haveUsage_ ? lastUsage_ : 0;
            tlc.usage = static_cast<std::uint16_t>(usage & 0xFFFF);
            tlc.usagePage =
                usage > 0xFFFF ? static_cast<std::uint16_t>(usage >> 16) : global_.usagePage;
            summary_.collections.push_back(tlc);
            bits_.emplace_back();
        }
        ++depth_;
        break;
    case 0xC: // End Collection
        if (depth_ == 0) {
            malformed(summary_, Unbalanced);
        } else {
            --depth_;
        }
        break;
    default:
        break;
    }
    haveUsage_ = false; // local items last until the next main item
}

// USB "Device Class Definition for HID 1.11", 6.2.2.7 Global Items.
void Parser::globalItem(const Item& item) {
    switch (item.tag) {
    case 0x0: // Usage Page
        global_.usagePage = static_cast<std::uint16_t>(item.data);
        break;
    case 0x7: // Report Size
        global_.reportSize = item.data;
        break;
    case 0x8: // Report ID
        global_.reportId = static_cast<std::uint8_t>(item.data);
        summary_.numberedReports = true;
        break;
    case 0x9: // Report Count
        global_.reportCount = item.data;
        break;
    case 0xA: // Push
        stack_.push_back(global_);
        break;
    case 0xB: // Pop
        if (stack_.empty()) {
            malformed(summary_, "Pop without Push");
        } else {
            global_ = stack_.back();
            stack_.pop_back();
        }
        break;
    default:
        break;
    }
}

// USB "Device Class Definition for HID 1.11", 6.2.2.8 Local Items.
void Parser::localItem(const Item& item) {
    if (item.tag == 0x0 && !haveUsage_) { // Usage
        // A 4-byte usage carries its own page in the upper half.
        lastUsage_ = item.size == 4 ? item.data : (item.data & 0xFFFF);
        haveUsage_ = true;
    }
}

void Parser::finish() {
    if (depth_ != 0) {
        malformed(summary_, Unbalanced);
    }
    for (std::size_t k = 0; k < summary_.collections.size(); ++k) {
        std::size_t* lengths[3] = {&summary_.collections[k].lengths.input,
                                   &summary_.collections[k].lengths.output,
                                   &summary_.collections[k].lengths.feature};
        for (int kind = 0; kind < 3; ++kind) {
            const std::uint64_t n = byteLength(bits_[k].bits[kind]);
            if (n > MaxReportLength) {
                // No platform carries it; the lengths are not to be trusted.
                malformed(summary_, "a report is longer than 16384 bytes");
            }
            *lengths[kind] = static_cast<std::size_t>(std::min<std::uint64_t>(n, MaxReportLength));
        }
    }
}

} // namespace

DescriptorSummary parseReportDescriptor(std::span<const std::uint8_t> descriptor) {
    return Parser().run(descriptor);
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
