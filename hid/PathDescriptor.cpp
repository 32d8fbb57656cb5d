// SPDX-License-Identifier: MIT
#include "hid/PathDescriptor.h"

#ifdef _WIN32
#include <vector>
#include <windows.h>
// After windows.h, which it needs; it brings Windows' HID parser (hidpi.h).
// mingw-w64's headers declare them for C only.
extern "C" {
#include <hidsdi.h>
}
#else
#include "hid/HidapiBackend.h"
#endif

namespace hid {

#ifdef _WIN32

namespace {

// Whether any report of the kind carries a report ID: HidP_GetCaps counts the
// ID byte in every length, numbered or not, so only the items tell.
bool numbered(HIDP_REPORT_TYPE kind, USHORT buttons, USHORT values, PHIDP_PREPARSED_DATA data) {
    std::vector<HIDP_BUTTON_CAPS> buttonCaps(buttons);
    if (buttons > 0 &&
        HidP_GetButtonCaps(kind, buttonCaps.data(), &buttons, data) == HIDP_STATUS_SUCCESS) {
        for (USHORT k = 0; k < buttons; ++k) {
            if (buttonCaps[k].ReportID != 0) {
                return true;
            }
        }
    }
    std::vector<HIDP_VALUE_CAPS> valueCaps(values);
    if (values > 0 &&
        HidP_GetValueCaps(kind, valueCaps.data(), &values, data) == HIDP_STATUS_SUCCESS) {
        for (USHORT k = 0; k < values; ++k) {
            if (valueCaps[k].ReportID != 0) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

std::optional<DescriptorSummary> pathDescriptorSummary(const std::string& path,
                                                       const std::string&) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), wide.data(),
                        length);
    // No access asked for: the collection's capabilities are readable even
    // while another program has the device open.
    HANDLE device = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::optional<DescriptorSummary> summary;
    PHIDP_PREPARSED_DATA data = nullptr;
    HIDP_CAPS caps{};
    if (HidD_GetPreparsedData(device, &data)) {
        if (HidP_GetCaps(data, &caps) == HIDP_STATUS_SUCCESS) {
            summary.emplace();
            summary->collections.push_back(
                {caps.UsagePage,
                 caps.Usage,
                 {caps.InputReportByteLength, caps.OutputReportByteLength,
                  caps.FeatureReportByteLength}});
            summary->numberedReports =
                numbered(HidP_Input, caps.NumberInputButtonCaps, caps.NumberInputValueCaps, data) ||
                numbered(HidP_Output, caps.NumberOutputButtonCaps, caps.NumberOutputValueCaps,
                         data) ||
                numbered(HidP_Feature, caps.NumberFeatureButtonCaps, caps.NumberFeatureValueCaps,
                         data);
        }
        HidD_FreePreparsedData(data);
    }
    CloseHandle(device);
    return summary;
}

#else

std::optional<DescriptorSummary> pathDescriptorSummary(const std::string& path,
                                                       const std::string& sysfsRoot) {
    const auto file = detail::sysfsReportDescriptorPath(path, sysfsRoot);
    if (!file) {
        return std::nullopt;
    }
    const auto bytes = detail::readWholeFile(*file);
    if (!bytes || bytes->empty()) {
        return std::nullopt;
    }
    return parseReportDescriptor(*bytes);
}

#endif

} // namespace hid
