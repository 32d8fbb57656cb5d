// SPDX-License-Identifier: MIT
#include "emulator/UhidDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/uhid.h>
#include <unistd.h>

namespace emulator {

namespace {

bool writeEvent(int fd, const uhid_event& ev) {
    ssize_t n = 0;
    do {
        n = ::write(fd, &ev, sizeof ev);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(sizeof ev);
}

} // namespace

UhidDevice::UhidDevice(UhidIdentity identity) : identity_(std::move(identity)) {}

UhidDevice::~UhidDevice() {
    if (fd_ >= 0) {
        unplug();
        ::close(fd_);
    }
}

bool UhidDevice::open(std::string& error) {
    fd_ = ::open("/dev/uhid", O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        const int why = errno;
        error = std::string("cannot open /dev/uhid: ") + std::strerror(why);
        if (why == ENOENT) {
            error += " (load the module: sudo modprobe uhid)";
        } else if (why == EACCES) {
            error += " (run as root)";
        }
        return false;
    }
    return true;
}

bool UhidDevice::plug(std::string& error) {
    if (identity_.reportDescriptor.size() > HID_MAX_DESCRIPTOR_SIZE) {
        error = "report descriptor too long";
        return false;
    }
    uhid_event ev{};
    ev.type = UHID_CREATE2;
    auto& req = ev.u.create2;
    std::strncpy(reinterpret_cast<char*>(req.name), identity_.name.c_str(), sizeof req.name - 1);
    std::strncpy(reinterpret_cast<char*>(req.uniq), identity_.serial.c_str(), sizeof req.uniq - 1);
    req.rd_size = static_cast<__u16>(identity_.reportDescriptor.size());
    req.bus = BUS_USB;
    req.vendor = identity_.vendorId;
    req.product = identity_.productId;
    std::copy(identity_.reportDescriptor.begin(), identity_.reportDescriptor.end(), req.rd_data);
    if (!writeEvent(fd_, ev)) {
        error = std::string("UHID_CREATE2 failed: ") + std::strerror(errno);
        return false;
    }
    plugged_ = true;
    return true;
}

bool UhidDevice::unplug() {
    if (!plugged_) {
        return false;
    }
    uhid_event ev{};
    ev.type = UHID_DESTROY;
    plugged_ = false;
    return writeEvent(fd_, ev);
}

bool UhidDevice::sendInput(std::span<const std::uint8_t> report) {
    if (!plugged_ || report.size() > UHID_DATA_MAX) {
        return false;
    }
    uhid_event ev{};
    ev.type = UHID_INPUT2;
    ev.u.input2.size = static_cast<__u16>(report.size());
    std::copy(report.begin(), report.end(), ev.u.input2.data);
    return writeEvent(fd_, ev);
}

std::optional<UhidEvent> UhidDevice::readEvent() {
    uhid_event ev{};
    ssize_t n = 0;
    do {
        n = ::read(fd_, &ev, sizeof ev);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        return std::nullopt;
    }
    UhidEvent out;
    switch (ev.type) {
    case UHID_START:
        out.kind = UhidEvent::Kind::Start;
        break;
    case UHID_STOP:
        out.kind = UhidEvent::Kind::Stop;
        break;
    case UHID_OPEN:
        out.kind = UhidEvent::Kind::Open;
        break;
    case UHID_CLOSE:
        out.kind = UhidEvent::Kind::Close;
        break;
    case UHID_OUTPUT: {
        out.kind = UhidEvent::Kind::Output;
        const std::size_t size = std::min<std::size_t>(ev.u.output.size, UHID_DATA_MAX);
        out.data.assign(ev.u.output.data, ev.u.output.data + size);
        break;
    }
    case UHID_GET_REPORT:
        out.kind = UhidEvent::Kind::GetReport;
        out.requestId = ev.u.get_report.id;
        break;
    case UHID_SET_REPORT:
        out.kind = UhidEvent::Kind::SetReport;
        out.requestId = ev.u.set_report.id;
        break;
    default:
        break;
    }
    return out;
}

void UhidDevice::refuse(const UhidEvent& request) {
    uhid_event ev{};
    if (request.kind == UhidEvent::Kind::GetReport) {
        ev.type = UHID_GET_REPORT_REPLY;
        ev.u.get_report_reply.id = request.requestId;
        ev.u.get_report_reply.err = EIO;
    } else if (request.kind == UhidEvent::Kind::SetReport) {
        ev.type = UHID_SET_REPORT_REPLY;
        ev.u.set_report_reply.id = request.requestId;
        ev.u.set_report_reply.err = EIO;
    } else {
        return;
    }
    writeEvent(fd_, ev);
}

} // namespace emulator
