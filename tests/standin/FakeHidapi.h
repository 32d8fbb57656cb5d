// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

// A stand-in for the hidapi library: the real header's functions over
// scripted devices, linked in place of libhidapi so that the hidapi backend's
// own logic runs on any machine. Reports are scripted as hidraw delivers
// them: without a report ID byte when the device does not number its reports.
namespace standin {

using Bytes = std::vector<std::uint8_t>;

struct Device {
    std::string path = "/dev/hidraw0";
    unsigned short vendorId = 0x0000;
    unsigned short productId = 0x0001;
    unsigned short usagePage = 0xFF00;
    unsigned short usage = 0x0001;
    std::wstring serial;
    std::wstring manufacturer = L"Stand-in maker";
    std::wstring product = L"Stand-in receiver";
    bool openable = true;
    // What each write brings back, in order; nothing: the device stays silent.
    std::deque<std::optional<Bytes>> answers;
    // Reports already queued, as if sent unasked.
    std::deque<Bytes> pending;
    int interruptions = 0; // waiting reads cut short by a signal (-1, EINTR)
    int failures = 0;      // waiting reads that fail outright (-1, EIO)
    bool failWrites = false;
};

struct Log {
    std::vector<Bytes> writes;
    // What each write brought back, as scripted; nothing: silence.
    std::vector<std::optional<Bytes>> answered;
    std::vector<int> readTimeouts;        // milliseconds offered per read
    std::vector<std::size_t> readBuffers; // buffer length per read
    int openHandles = 0;
};

// Forgets every device and the log.
void reset();
Device& add(Device device);
Device& device(std::size_t index);
Log& log();
// Silent reads wait as long as they are told, as poll() does; false makes
// them return at once (for fuzzing).
void setRealTime(bool realTime);

} // namespace standin
