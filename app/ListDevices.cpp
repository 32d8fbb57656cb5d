// SPDX-License-Identifier: MIT
#include "app/ListDevices.h"

#include "app/InstallNames.h"
#include "cycle/TerminalText.h"
#include "protocol/ReceiverProtocol.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <ostream>
#include <sstream>
#include <vector>

namespace {

std::string hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
    return text;
}

// hidapi passes strerror() text through; the emulated backend says the same.
bool isPermissionProblem(const std::string& error) {
    std::string lower(error);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("permission denied") != std::string::npos ||
           lower.find("operation not permitted") != std::string::npos;
}

void printLengths(std::ostream& out, const hid::ReportLengths& lengths) {
    out << "input " << lengths.input << ", output " << lengths.output << " bytes";
}

void printUnknownLengths(std::ostream& out, const hid::InterfaceInfo& info) {
    out << "report lengths unknown";
    if (!info.lengthsUnknownWhy.empty()) {
        out << " (" << printableText(info.lengthsUnknownWhy) << ')';
    }
}

struct ReceiverSeen {
    std::string path;
    bool opened = false;
    std::string error;
};

// One line per interface. Only the receiver is opened: the other devices are
// none of our business, and their lengths come from the descriptor anyway.
void describe(hid::Backend& backend, const hid::InterfaceInfo& info, std::ostream& listing,
              std::vector<ReceiverSeen>& receivers) {
    const bool receiver = protocol::isReceiver(info.vendorId, info.productId);
    listing << (receiver ? "* " : "  ") << printableText(info.path) << "  " << hex4(info.vendorId)
            << ':' << hex4(info.productId) << "  usage " << hex4(info.usagePage) << ':'
            << hex4(info.usage) << "  \"" << printableText(info.product) << "\"  ";
    if (!receiver) {
        if (info.reportLengths) {
            printLengths(listing, *info.reportLengths);
        } else {
            printUnknownLengths(listing, info);
        }
        listing << '\n';
        return;
    }
    ReceiverSeen seen;
    seen.path = info.path;
    hid::Backend::OpenResult opened = backend.open(info.path);
    const hid::ReportLengths lengths =
        opened.device ? opened.device->reportLengths() : hid::ReportLengths{};
    if (opened.device) {
        seen.opened = true;
    } else {
        seen.error = opened.error.empty() ? "unknown error" : printableText(opened.error);
    }
    if (lengths != hid::ReportLengths{} || info.reportLengths) {
        printLengths(listing, lengths != hid::ReportLengths{} ? lengths : *info.reportLengths);
    } else {
        printUnknownLengths(listing, info);
    }
    listing << "  <- receiver" << (seen.opened ? "" : ", cannot be opened") << '\n';
    receivers.push_back(std::move(seen));
}

// Every receiver present failed to open: why, and what to do about it.
void adviseOnOpening(const std::vector<ReceiverSeen>& receivers, std::ostream& out) {
    bool permission = false;
    for (const ReceiverSeen& r : receivers) {
        out << "The receiver at " << printableText(r.path)
            << " is present but cannot be opened: " << r.error << '\n';
        permission = permission || isPermissionProblem(r.error);
    }
    if (permission) {
        out << "This user may not open it. Install the udev rule " << TyrescopeUdevRule
            << "\n(the tyrescope package installs it in /usr/lib/udev/rules.d),\n"
               "then unplug the receiver and plug it in again.\n"
               "The rule gives access to the user of the local, active session only,\n"
               "not to a remote (SSH) login.\n";
    } else {
        out << "Unplug the receiver and plug it in again; if it still cannot be opened, see\n"
               "what the kernel says about it (dmesg).\n";
    }
}

// The list of interfaces goes to `listing`, the verdict on the receiver with
// its reason and fix to `out`.
int examineReceiver(hid::Backend& backend, std::ostream& listing, std::ostream& out) {
    const std::vector<hid::InterfaceInfo> interfaces = backend.enumerate();
    const std::string receiverIds = hex4(protocol::VendorId) + ":" + hex4(protocol::ProductId);

    if (interfaces.empty()) {
        out << "No HID interfaces are present, so no receiver either.\n"
               "Plug the receiver in; if it is plugged in, try another USB port or cable,\n"
               "and see whether the kernel noticed it (dmesg).\n";
        return 1;
    }

    listing << "HID interfaces present: " << interfaces.size() << '\n';
    std::vector<ReceiverSeen> receivers;
    for (const hid::InterfaceInfo& info : interfaces) {
        describe(backend, info, listing, receivers);
    }
    listing << '\n';

    if (receivers.empty()) {
        out << "No receiver (" << receiverIds << ") is among them.\n"
            << "Plug the receiver in; if it is plugged in, try another USB port or cable.\n";
        return 1;
    }

    // The program takes the first receiver that opens, and so does this.
    const auto usable = std::find_if(receivers.begin(), receivers.end(),
                                     [](const ReceiverSeen& r) { return r.opened; });
    if (usable != receivers.end()) {
        out << "The receiver at " << printableText(usable->path)
            << " can be opened: Tyrescope will use it.\n";
        return 0;
    }

    adviseOnOpening(receivers, out);
    return 1;
}

} // namespace

int listDevices(hid::Backend& backend, std::ostream& out) {
    return examineReceiver(backend, out, out);
}

int explainMissingReceiver(hid::Backend& backend, std::ostream& out) {
    std::ostringstream listing;
    return examineReceiver(backend, listing, out);
}
