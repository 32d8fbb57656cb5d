// SPDX-License-Identifier: MIT
#pragma once

#include "hid/HidBackend.h"

#include <string>
#include <vector>

namespace hid {

// Which receiver to take when several are present: the one at this path,
// the one with this serial number, or both; empty fields choose nothing.
struct ReceiverChoice {
    std::string path;
    std::string serial;

    bool any() const { return path.empty() && serial.empty(); }
    bool matches(const InterfaceInfo& info) const {
        return (path.empty() || info.path == path) && (serial.empty() || info.serial == serial);
    }
    friend bool operator==(const ReceiverChoice&, const ReceiverChoice&) = default;
};

// The receivers among `present` that the choice allows, in the order the
// platform lists them; the transport takes the first of these that opens, and
// --list-devices says which that is.
std::vector<InterfaceInfo> receiversFor(const std::vector<InterfaceInfo>& present,
                                        const ReceiverChoice& choice);

// A serial number alone that several receivers carry names none of them:
// taking the first free one would test a unit nobody chose.
bool isAmbiguous(const ReceiverChoice& choice, const std::vector<InterfaceInfo>& receivers);

} // namespace hid
