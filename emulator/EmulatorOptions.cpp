// SPDX-License-Identifier: MIT
#include "emulator/EmulatorOptions.h"

#include <charconv>
#include <string_view>

namespace emulator {

const char* const EmulatorUsage =
    R"(usage: tyrescope-emulator [options]
Presents a virtual Rimlink receiver (USB 0000:0001) to the Linux kernel through
/dev/uhid until it is stopped (Ctrl+C). Needs root or write access to /dev/uhid.

  --record S=HEX        sensor S (1 to 5) holds the 4-byte record HEX, e.g. 3=78415001
  --silent              never answer a record request
  --unsolicited HEX     send this input report unasked whenever the host opens the receiver;
                        given again, the reports are sent in the order given
  --unplug-after N      unplug the receiver while the host waits for the answer to the
                        N-th record request
  --replug-after MS     plug it back in MS milliseconds after unplugging
  --decoys              also present 0000:0000, 0000:0002 and 0001:0001
  --receivers N         present N receivers (0 to 4, default 1)
  --serial TEXT         serial number of the next receiver (given once per receiver, in
                        order; a receiver without one has none)
  --input-bytes N       data bytes of the input report (1 to 64, default 4)
  --output-bytes N      data bytes of the output report (1 to 64, default 2)
  --report-id N         use numbered reports with ID N (1 to 255)
  --quiet               do not log events on stdout
  --help                show this text
)";

namespace {

bool parseInt(std::string_view text, int min, int max, int& out) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value < min || value > max) {
        return false;
    }
    out = value;
    return true;
}

bool parseHex(std::string_view text, std::vector<std::uint8_t>& out) {
    if (text.empty() || text.size() % 2 != 0) {
        return false;
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        std::uint8_t byte = 0;
        const auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, byte, 16);
        if (ec != std::errc{} || end != text.data() + i + 2) {
            return false;
        }
        bytes.push_back(byte);
    }
    out = std::move(bytes);
    return true;
}

} // namespace

std::array<std::uint8_t, 4> EmulatorOptions::demoRecord(int sensorIndex) {
    // About 220 kPa and 25 °C, full battery, normal mode, each tyre a little
    // different so the panels can be told apart.
    const auto i = static_cast<std::uint8_t>(sensorIndex);
    return {static_cast<std::uint8_t>(0x80 + i), static_cast<std::uint8_t>(0x41 + i), 0x64, 0x01};
}

ParsedOptions parseEmulatorOptions(const std::vector<std::string>& args) {
    EmulatorOptions o;
    auto fail = [](std::string message) { return ParsedOptions{std::nullopt, std::move(message)}; };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool hasValue = i + 1 < args.size();
        auto value = [&]() -> std::string_view { return args[++i]; };
        const bool flag =
            arg == "--silent" || arg == "--decoys" || arg == "--quiet" || arg == "--help";
        const bool valued = arg == "--record" || arg == "--unsolicited" ||
                            arg == "--unplug-after" || arg == "--replug-after" ||
                            arg == "--receivers" || arg == "--serial" || arg == "--input-bytes" ||
                            arg == "--output-bytes" || arg == "--report-id";
        if (!flag && !valued) {
            return fail("unknown option " + std::string(arg));
        }
        if (valued && !hasValue) {
            return fail(std::string(arg) + " needs a value");
        }

        int n = 0;
        if (arg == "--help") {
            o.help = true;
        } else if (arg == "--silent") {
            o.silent = true;
        } else if (arg == "--decoys") {
            o.decoys = true;
        } else if (arg == "--quiet") {
            o.quiet = true;
        } else if (arg == "--record") {
            const std::string_view v = value();
            std::vector<std::uint8_t> bytes;
            int sensor = 0;
            if (v.size() < 3 || v[1] != '=' || !parseInt(v.substr(0, 1), 1, 5, sensor) ||
                !parseHex(v.substr(2), bytes) || bytes.size() != 4) {
                return fail("--record wants S=HEX with S from 1 to 5 and 4 bytes, not " +
                            std::string(v));
            }
            o.records[static_cast<std::size_t>(sensor - 1)] = {bytes[0], bytes[1], bytes[2],
                                                               bytes[3]};
        } else if (arg == "--unsolicited") {
            const std::string_view v = value();
            if (!parseHex(v, o.unsolicited.emplace_back())) {
                return fail("--unsolicited wants hex bytes, not " + std::string(v));
            }
        } else if (arg == "--serial") {
            const std::string_view v = value();
            // The kernel keeps 63 bytes of it.
            if (v.empty() || v.size() > 63 || o.serials.size() >= EmulatorOptions::MaxReceivers) {
                return fail("--serial wants 1 to 63 bytes, at most once per receiver, not " +
                            std::string(v));
            }
            o.serials.emplace_back(v);
        } else if (arg == "--unplug-after") {
            const std::string_view v = value();
            if (!parseInt(v, 1, 1'000'000, o.unplugAfter)) {
                return fail("--unplug-after wants a request count from 1, not " + std::string(v));
            }
        } else if (arg == "--replug-after") {
            const std::string_view v = value();
            if (!parseInt(v, 0, 3'600'000, n)) {
                return fail("--replug-after wants milliseconds, not " + std::string(v));
            }
            o.replugAfter = std::chrono::milliseconds(n);
        } else if (arg == "--receivers") {
            const std::string_view v = value();
            if (!parseInt(v, 0, EmulatorOptions::MaxReceivers, o.receivers)) {
                return fail("--receivers wants 0 to 4, not " + std::string(v));
            }
        } else if (arg == "--input-bytes" || arg == "--output-bytes") {
            const std::string_view v = value();
            if (!parseInt(v, 1, static_cast<int>(ReportLayout::MaxDataBytes), n)) {
                return fail(std::string(arg) + " wants 1 to 64, not " + std::string(v));
            }
            (arg == "--input-bytes" ? o.layout.inputBytes : o.layout.outputBytes) =
                static_cast<std::size_t>(n);
        } else if (arg == "--report-id") {
            const std::string_view v = value();
            if (!parseInt(v, 1, 255, n)) {
                return fail("--report-id wants 1 to 255, not " + std::string(v));
            }
            o.layout.reportId = static_cast<std::uint8_t>(n);
        }
    }
    if (o.replugAfter && o.unplugAfter == 0) {
        return fail("--replug-after needs --unplug-after");
    }
    return ParsedOptions{o, {}};
}

} // namespace emulator
