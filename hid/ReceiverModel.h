// SPDX-License-Identifier: MIT
#pragma once

#include "protocol/ReceiverProtocol.h"

#include <array>
#include <cstdint>
#include <optional>

// What the receiver itself does, apart from any transport: it keeps the last
// record heard from each of its five sensors and answers one-byte commands.
// The emulated backend and the uhid stand-in both present this model.
namespace hid {

class ReceiverModel {
public:
    // A receiver that knows all five sensors and has heard from none yet.
    ReceiverModel();

    // The record sent back for one command, or nothing when the command asks
    // for no answer (the resets, unknown bytes). Resets take effect here.
    std::optional<protocol::Record> handleCommand(std::uint8_t command);

    // A transmission from a sensor; kept only when the receiver knows that
    // sensor. Returns whether it was kept.
    bool receive(int sensorIndex, const protocol::Record& record);
    // Pairs the sensor (again), as after a Master Reset.
    void learn(int sensorIndex);
    // learn() and receive() in one, for scripts that just want a record held.
    void setRecord(int sensorIndex, const protocol::Record& record);

    bool knows(int sensorIndex) const;
    bool hasData(int sensorIndex) const;
    // What a record request for the sensor answers: its record, or
    // protocol::NoDataRecord when there is none (or the index is out of range).
    protocol::Record record(int sensorIndex) const;

    // Deletes every stored record; the sensors stay known.
    void dataReset();
    // Forgets every sensor, and with them their records.
    void masterReset();

    int dataResetCount() const { return dataResets_; }
    int masterResetCount() const { return masterResets_; }

private:
    static bool valid(int sensorIndex) {
        return sensorIndex >= 0 && sensorIndex < protocol::SensorCount;
    }

    struct Slot {
        bool known = true;
        std::optional<protocol::Record> record;
    };
    std::array<Slot, protocol::SensorCount> slots_{};
    int dataResets_ = 0;
    int masterResets_ = 0;
};

} // namespace hid
