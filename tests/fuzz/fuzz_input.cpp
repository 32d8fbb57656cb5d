// SPDX-License-Identifier: MIT
// libFuzzer target: the input path, from hidapi up to the five records, with
// a receiver that declares any lengths and answers anything, or nothing.
#include "Check.h"
#include "FakeHidapi.h"
#include "cycle/Acquisition.h"
#include "hid/HidapiBackend.h"
#include "hid/ModHIDCom.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

namespace fs = std::filesystem;
using Bytes = standin::Bytes;

// The kernel's hidraw listing, with the one device's report descriptor, under
// TMPDIR (libFuzzer often ends without running atexit handlers).
const fs::path& sysfsRoot() {
    static const fs::path root = [] {
        std::string name = (fs::temp_directory_path() / "tyrescope-fuzz-XXXXXX").string();
        const fs::path made = ::mkdtemp(name.data()) != nullptr ? fs::path(name) : fs::path();
        fs::create_directories(made / "hidraw0" / "device");
        std::atexit([] { fs::remove_all(sysfsRoot()); });
        return made;
    }();
    return root;
}

void writeDescriptor(const Bytes& descriptor) {
    std::ofstream out(sysfsRoot() / "hidraw0" / "device" / "report_descriptor",
                      std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(descriptor.data()),
              static_cast<std::streamsize>(descriptor.size()));
}

// One vendor collection of 8-bit fields; lengths with the report ID byte.
Bytes descriptorFor(bool numbered, unsigned input, unsigned output) {
    Bytes d{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08};
    if (numbered) {
        d.insert(d.end(), {0x85, 0x01});
    }
    const auto report = [&d](unsigned length, std::uint8_t item) {
        const unsigned count = length - 1;
        d.insert(d.end(), {0x97, std::uint8_t(count), std::uint8_t(count >> 8),
                           std::uint8_t(count >> 16), std::uint8_t(count >> 24), item, 0x02});
    };
    if (input > 0) {
        report(input, 0x81);
    }
    if (output > 0) {
        report(output, 0x91);
    }
    d.push_back(0xC0);
    return d;
}

std::optional<Bytes> answer(FuzzedDataProvider& in) {
    if (in.ConsumeIntegralInRange(0, 5) == 0) {
        return std::nullopt; // silence
    }
    const auto length = in.ConsumeIntegralInRange<std::size_t>(0, 70000);
    Bytes pattern = in.ConsumeBytes<std::uint8_t>(std::min<std::size_t>(length, 8));
    if (pattern.empty()) {
        pattern.push_back(0xAB);
    }
    Bytes bytes(pattern);
    bytes.reserve(length);
    while (bytes.size() < length) {
        bytes.insert(bytes.end(), bytes.begin(),
                     bytes.begin() + std::ptrdiff_t(std::min(bytes.size(), length - bytes.size())));
    }
    bytes.resize(length);
    return bytes;
}

// What record byte k (1..4) must be: the byte the receiver sent there when it
// both sent and declared it, else "no data".
std::uint8_t expectedByte(const Bytes& sent, std::size_t k, bool numbered, std::size_t declared) {
    const std::size_t buffer = std::clamp<std::size_t>(declared, 64, hid::MaxReportLength);
    const std::size_t arrived = std::min(sent.size(), buffer);
    const std::size_t at = numbered ? k : k - 1; // hidraw leaves unnumbered IDs out
    const bool sentIt = at < arrived;
    const bool declaredIt = declared == 0 || k < declared;
    return sentIt && declaredIt ? sent[at] : protocol::NoData;
}

void checkCycle(const ModHIDCom& com, const sensor::SensorData& data, bool known, bool numbered,
                std::size_t declared) {
    for (const standin::Bytes& report : standin::log().writes) {
        FUZZ_REQUIRE(report.size() <= hid::MaxReportLength, "output length capped");
    }
    FUZZ_REQUIRE(com.InputBuffer().size() <= hid::MaxReportLength, "input buffer capped");
    // A lost receiver is closed, and no handle is left behind.
    FUZZ_REQUIRE(standin::log().openHandles == (com.DeviceConnected() ? 1 : 0),
                 "one handle exactly while connected");
    if (!com.DeviceConnected()) {
        for (const sensor::SensorRecord& r : data) {
            FUZZ_REQUIRE(r == sensor::SensorRecord::of(protocol::NoDataRecord),
                         "off line, every record is no data");
        }
        return;
    }
    if (!known) {
        return;
    }
    const auto& answered = standin::log().answered;
    FUZZ_REQUIRE(answered.size() >= protocol::SensorCount, "five requests");
    for (int i = 0; i < protocol::SensorCount; ++i) {
        const auto& sent = answered[answered.size() - protocol::SensorCount + std::size_t(i)];
        FUZZ_REQUIRE(sent.has_value(), "on line only with every answer");
        const sensor::SensorRecord& r = data[std::size_t(i)];
        const std::uint8_t bytes[4] = {r.pressure, r.temperature, r.battery, r.status};
        for (std::size_t k = 1; k <= 4; ++k) {
            FUZZ_REQUIRE(bytes[k - 1] == expectedByte(*sent, k, numbered, declared),
                         "record bytes only from what was sent and declared");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    standin::reset();
    standin::setRealTime(false);

    const bool raw = in.ConsumeIntegralInRange(0, 7) == 0;
    const bool numbered = in.ConsumeBool();
    const auto input = in.ConsumeIntegralInRange<unsigned>(0, 65535);
    const auto output = in.ConsumeIntegralInRange<unsigned>(0, 65535);
    const bool sound = input <= hid::MaxReportLength && output <= hid::MaxReportLength;
    writeDescriptor(raw ? in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange(0, 512))
                        : descriptorFor(numbered, input, output));

    standin::Device& device = standin::add({});
    hid::HidapiBackend backend(sysfsRoot().string());
    ModHIDCom com(backend);
    sensor::SensorData records{};
    for (int cycle = 0; cycle < 3 && in.remaining_bytes() > 0; ++cycle) {
        device.openable = in.ConsumeIntegralInRange(0, 7) != 0;
        device.failWrites = in.ConsumeIntegralInRange(0, 15) == 0;
        device.failures = in.ConsumeIntegralInRange(0, 7) == 0 ? 1 : 0;
        device.interruptions = in.ConsumeIntegralInRange(0, 3);
        device.answers.clear();
        for (int k = 0; k < protocol::SensorCount + 1; ++k) {
            device.answers.push_back(answer(in));
        }
        if (com.DeviceConnected() && in.ConsumeBool()) {
            com.SendCommand(protocol::DataReset); // answered or not, it must not count
        }
        records = cycle::acquire(com).data;
        // The IDs are the kernel's to frame; only the lengths go with a bad descriptor.
        checkCycle(com, records, !raw, numbered, sound ? input : 0);
    }
    return 0;
}
