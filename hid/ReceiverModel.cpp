// SPDX-License-Identifier: MIT
#include "hid/ReceiverModel.h"

namespace hid {

ReceiverModel::ReceiverModel() = default;

std::optional<protocol::Record> ReceiverModel::handleCommand(std::uint8_t command) {
    using namespace protocol;
    if (command >= FirstRecordRequest && command < FirstRecordRequest + SensorCount) {
        return record(command - FirstRecordRequest);
    }
    if (command == DataReset) {
        dataReset();
    } else if (command == MasterReset) {
        masterReset();
    }
    return std::nullopt;
}

bool ReceiverModel::receive(int sensorIndex, const protocol::Record& record) {
    if (!valid(sensorIndex) || !slots_[sensorIndex].known) {
        return false;
    }
    slots_[sensorIndex].record = record;
    return true;
}

void ReceiverModel::learn(int sensorIndex) {
    if (valid(sensorIndex)) {
        slots_[sensorIndex].known = true;
    }
}

void ReceiverModel::setRecord(int sensorIndex, const protocol::Record& record) {
    learn(sensorIndex);
    receive(sensorIndex, record);
}

bool ReceiverModel::knows(int sensorIndex) const {
    return valid(sensorIndex) && slots_[sensorIndex].known;
}

bool ReceiverModel::hasData(int sensorIndex) const {
    return valid(sensorIndex) && slots_[sensorIndex].record.has_value();
}

protocol::Record ReceiverModel::record(int sensorIndex) const {
    if (!valid(sensorIndex)) {
        return protocol::NoDataRecord;
    }
    return slots_[sensorIndex].record.value_or(protocol::NoDataRecord);
}

void ReceiverModel::dataReset() {
    for (Slot& slot : slots_) {
        slot.record.reset();
    }
    ++dataResets_;
}

void ReceiverModel::masterReset() {
    for (Slot& slot : slots_) {
        slot = Slot{false, std::nullopt};
    }
    ++masterResets_;
}

} // namespace hid
