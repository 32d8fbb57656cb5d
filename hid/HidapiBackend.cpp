// SPDX-License-Identifier: MIT
#include "hid/HidapiBackend.h"

#include "hid/PathDescriptor.h"
#include "hid/ReceiverLock.h"
#include "hid/ReportDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <hidapi.h>
#include <iterator>
#include <set>
#include <string_view>
#include <utility>

namespace hid {
namespace {

std::string toUtf8(const wchar_t* text) {
    std::string out;
    if (text == nullptr) {
        return out;
    }
    for (; *text != 0; ++text) {
        auto c = static_cast<char32_t>(*text);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::optional<DescriptorSummary> summaryOf(hid_device* device, const std::string& path,
                                           const std::string& sysfsRoot) {
#if HID_API_VERSION >= HID_API_MAKE_VERSION(0, 14, 0)
    std::vector<std::uint8_t> buffer(HID_API_MAX_REPORT_DESCRIPTOR_SIZE);
    const int n = hid_get_report_descriptor(device, buffer.data(), buffer.size());
    if (n > 0) {
        buffer.resize(static_cast<std::size_t>(n));
        return parseReportDescriptor(buffer);
    }
#else
    (void)device;
#endif
    return pathDescriptorSummary(path, sysfsRoot);
}

class HidapiDevice final : public Device {
public:
    HidapiDevice(std::shared_ptr<void> library, hid_device* device, ReceiverLock lock,
                 ReportLengths lengths, bool numbered)
        : library_(std::move(library)), device_(device), lock_(std::move(lock)), lengths_(lengths),
          numbered_(numbered) {}
    // The lock goes after the handle, so no other copy can open the receiver
    // while this one still has it open.
    ~HidapiDevice() override { hid_close(device_); }
    HidapiDevice(const HidapiDevice&) = delete;
    HidapiDevice& operator=(const HidapiDevice&) = delete;

    ReportLengths reportLengths() const override { return lengths_; }

    bool write(std::span<const std::uint8_t> report) override {
        // hidapi on Linux sends exactly these bytes, report ID first.
        const bool sent = hid_write(device_, report.data(), report.size()) >= 0;
        lastError_ = sent ? std::string() : errorText();
        return sent;
    }

    ReadStatus read(std::vector<std::uint8_t>& report, std::chrono::milliseconds timeout) override {
        std::vector<std::uint8_t> buffer(bufferSize());
        const int n = detail::retryInterrupted(
            [&](int ms) { return hid_read_timeout(device_, buffer.data(), buffer.size(), ms); },
            timeout);
        lastError_ = n < 0 ? errorText() : std::string();
        if (n == 0) {
            return ReadStatus::Timeout;
        }
        if (n < 0) {
            return ReadStatus::Failed;
        }
        buffer.resize(static_cast<std::size_t>(n));
        // The one place the report ID is restored: hidraw leaves it out of
        // unnumbered reports and keeps it in numbered ones.
        if (!numbered_) {
            buffer.insert(buffer.begin(), 0);
        }
        report = std::move(buffer);
        return ReadStatus::Report;
    }

    void discardPending() override {
        std::vector<std::uint8_t> buffer(bufferSize());
        // Bounded, so a device streaming reports cannot hold the thread.
        for (int k = 0; k < MaxDiscarded; ++k) {
            errno = 0;
            const int n = hid_read_timeout(device_, buffer.data(), buffer.size(), 0);
            if (n == 0 || (n < 0 && errno != EINTR)) {
                break;
            }
        }
    }

private:
    static constexpr int MaxDiscarded = 1024;
    static constexpr std::size_t MinBuffer = 64;

    // hidapi's text when it has one, else the system's for errno.
    std::string errorText() const {
        const int error = errno;
        std::string text = toUtf8(hid_error(device_));
        return text.empty() ? std::strerror(error) : text;
    }

    std::size_t bufferSize() const {
        return std::clamp(lengths_.input, MinBuffer, MaxReportLength);
    }

    std::shared_ptr<void> library_;
    hid_device* device_;
    ReceiverLock lock_;
    ReportLengths lengths_;
    bool numbered_;
};

} // namespace

struct HidapiBackend::Library {
    Library() : initialised(hid_init() == 0) {}
    ~Library() { hid_exit(); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    bool initialised;
};

HidapiBackend::HidapiBackend(std::string sysfsRoot)
    : library_(std::make_shared<Library>()), sysfsRoot_(std::move(sysfsRoot)) {}

HidapiBackend::~HidapiBackend() = default;

std::vector<InterfaceInfo> HidapiBackend::enumerate() {
    std::vector<InterfaceInfo> list;
    // 0, 0 lists every device; hidapi would read a vendor ID of 0 as "any"
    // anyway, so the receiver's IDs are matched by the caller.
    hid_device_info* all = hid_enumerate(0, 0);
    std::set<std::string> seen;
    for (const hid_device_info* d = all; d != nullptr; d = d->next) {
        if (d->path == nullptr || !seen.insert(d->path).second) {
            continue; // hidraw lists each top-level collection under the same path
        }
        InterfaceInfo info;
        info.path = d->path;
        info.vendorId = d->vendor_id;
        info.productId = d->product_id;
        info.usagePage = d->usage_page;
        info.usage = d->usage;
        info.serial = toUtf8(d->serial_number);
        info.manufacturer = toUtf8(d->manufacturer_string);
        info.product = toUtf8(d->product_string);
        const auto summary = pathDescriptorSummary(info.path, sysfsRoot_);
        if (!summary) {
            info.lengthsUnknownWhy = "its report descriptor cannot be read";
        } else if (!summary->wellFormed) {
            info.lengthsUnknownWhy =
                std::string("its report descriptor is malformed: ") + summary->problem;
        } else {
            info.reportLengths = deviceReportLengths(*summary);
        }
        list.push_back(std::move(info));
    }
    hid_free_enumeration(all);
    return list;
}

Backend::OpenResult HidapiBackend::open(const std::string& path) {
    if (!library_->initialised) {
        return {nullptr, "hidapi could not be initialised"};
    }
    hid_device* device = hid_open_path(path.c_str());
    if (device == nullptr) {
        return {nullptr, toUtf8(hid_error(nullptr))};
    }
    // Taken after hidapi's open, so that whatever the receiver sends when it
    // is first opened reaches hidapi's queue; a receiver in use is let go
    // before anything is read or written.
    std::string error;
    bool inUse = false;
    std::optional<ReceiverLock> lock = ReceiverLock::take(path, error, inUse);
    if (!lock) {
        hid_close(device);
        return {nullptr, error, inUse};
    }
    const auto summary = summaryOf(device, path, sysfsRoot_);
    // Without a sound descriptor the lengths stay 0, which the transport reads
    // as "unknown" and frames safely.
    const bool sound = summary && summary->wellFormed;
    const ReportLengths lengths = sound ? deviceReportLengths(*summary) : ReportLengths{};
    const bool numbered = summary && summary->numberedReports;
    return {std::make_unique<HidapiDevice>(library_, device, std::move(*lock), lengths, numbered),
            {}};
}

namespace detail {

std::optional<std::string> sysfsReportDescriptorPath(const std::string& devicePath,
                                                     const std::string& sysfsRoot) {
    const std::string::size_type slash = devicePath.rfind('/');
    const std::string node = slash == std::string::npos ? devicePath : devicePath.substr(slash + 1);
    static constexpr std::string_view Prefix = "hidraw";
    if (node.size() <= Prefix.size() || node.compare(0, Prefix.size(), Prefix) != 0 ||
        !std::all_of(node.begin() + Prefix.size(), node.end(),
                     [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    return sysfsRoot + "/" + node + "/device/report_descriptor";
}

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

int retryInterrupted(const std::function<int(int)>& attempt, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        remaining = std::max(remaining, std::chrono::milliseconds(0));
        errno = 0;
        const int result = attempt(static_cast<int>(remaining.count()));
        // hidapi 0.13's hidraw read reports a poll() cut short by a signal as
        // an error, -1 with errno EINTR.
        if (result != -1 || errno != EINTR) {
            return result;
        }
        if (remaining.count() == 0) {
            return 0;
        }
    }
}

} // namespace detail
} // namespace hid
