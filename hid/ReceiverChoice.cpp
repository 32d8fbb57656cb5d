// SPDX-License-Identifier: MIT
#include "hid/ReceiverChoice.h"

#include "protocol/ReceiverProtocol.h"

namespace hid {

std::vector<InterfaceInfo> receiversFor(const std::vector<InterfaceInfo>& present,
                                        const ReceiverChoice& choice) {
    std::vector<InterfaceInfo> receivers;
    for (const InterfaceInfo& info : present) {
        if (protocol::isReceiver(info.vendorId, info.productId) && choice.matches(info)) {
            receivers.push_back(info);
        }
    }
    return receivers;
}

bool isAmbiguous(const ReceiverChoice& choice, const std::vector<InterfaceInfo>& receivers) {
    return choice.path.empty() && !choice.serial.empty() && receivers.size() > 1;
}

} // namespace hid
