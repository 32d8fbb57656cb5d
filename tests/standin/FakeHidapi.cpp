// SPDX-License-Identifier: MIT
#include "FakeHidapi.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <hidapi.h>
#include <thread>

struct hid_device_ {
    std::size_t index;
};

namespace standin {
namespace {

struct State {
    std::deque<Device> devices;
    Log log;
    std::wstring error;
    bool realTime = true;
};

State& state() {
    static State s;
    return s;
}

void wait(int ms) {
    if (state().realTime && ms > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

} // namespace

void reset() {
    const bool realTime = state().realTime;
    state() = State{};
    state().realTime = realTime;
}

Device& add(Device device) {
    state().devices.push_back(std::move(device));
    return state().devices.back();
}

Device& device(std::size_t index) {
    return state().devices.at(index);
}

Log& log() {
    return state().log;
}

void setRealTime(bool realTime) {
    state().realTime = realTime;
}

} // namespace standin

using standin::state;

extern "C" {

int hid_init(void) {
    return 0;
}

int hid_exit(void) {
    return 0;
}

hid_device_info* hid_enumerate(unsigned short, unsigned short) {
    hid_device_info* head = nullptr;
    hid_device_info** tail = &head;
    for (const standin::Device& d : state().devices) {
        auto* info = new hid_device_info{};
        info->path = ::strdup(d.path.c_str());
        info->vendor_id = d.vendorId;
        info->product_id = d.productId;
        info->serial_number = ::wcsdup(d.serial.c_str());
        info->manufacturer_string = ::wcsdup(d.manufacturer.c_str());
        info->product_string = ::wcsdup(d.product.c_str());
        info->usage_page = d.usagePage;
        info->usage = d.usage;
        *tail = info;
        tail = &info->next;
    }
    return head;
}

void hid_free_enumeration(hid_device_info* devs) {
    while (devs != nullptr) {
        hid_device_info* next = devs->next;
        std::free(devs->path);
        std::free(devs->serial_number);
        std::free(devs->manufacturer_string);
        std::free(devs->product_string);
        delete devs;
        devs = next;
    }
}

hid_device* hid_open_path(const char* path) {
    auto& devices = state().devices;
    for (std::size_t k = 0; k < devices.size(); ++k) {
        if (devices[k].path == path) {
            if (!devices[k].openable) {
                state().error = L"Permission denied";
                return nullptr;
            }
            ++state().log.openHandles;
            return new hid_device{k};
        }
    }
    state().error = L"No such file or directory";
    return nullptr;
}

void hid_close(hid_device* dev) {
    --state().log.openHandles;
    delete dev;
}

int hid_write(hid_device* dev, const unsigned char* data, size_t length) {
    standin::Device& d = state().devices.at(dev->index);
    state().log.writes.emplace_back(data, data + length);
    if (d.failWrites) {
        state().log.answered.emplace_back();
        errno = EIO;
        return -1;
    }
    std::optional<standin::Bytes> answer;
    if (!d.answers.empty()) {
        answer = std::move(d.answers.front());
        d.answers.pop_front();
        if (answer) {
            d.pending.push_back(*answer);
        }
    }
    state().log.answered.push_back(std::move(answer));
    return static_cast<int>(length);
}

int hid_read_timeout(hid_device* dev, unsigned char* data, size_t length, int milliseconds) {
    standin::Device& d = state().devices.at(dev->index);
    state().log.readTimeouts.push_back(milliseconds);
    state().log.readBuffers.push_back(length);
    if (milliseconds != 0 && d.failures > 0) {
        --d.failures;
        errno = EIO;
        return -1;
    }
    if (!d.pending.empty()) {
        const standin::Bytes report = std::move(d.pending.front());
        d.pending.pop_front();
        const std::size_t n = std::min(report.size(), length);
        std::copy_n(report.begin(), n, data);
        return static_cast<int>(n);
    }
    if (milliseconds != 0 && d.interruptions > 0) {
        --d.interruptions;
        standin::wait(std::min(milliseconds, 20));
        errno = EINTR;
        return -1;
    }
    standin::wait(milliseconds);
    return 0;
}

const wchar_t* hid_error(hid_device*) {
    return state().error.c_str();
}

#if HID_API_VERSION >= HID_API_MAKE_VERSION(0, 14, 0)
// As a hidapi without the call would: the backend reads sysfs instead.
int hid_get_report_descriptor(hid_device*, unsigned char*, size_t) {
    return -1;
}
#endif

} // extern "C"
