// SPDX-License-Identifier: MIT
#pragma once

#include "hid/EmulatedBackend.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <array>
#include <chrono>
#include <optional>

// --simulate: a receiver that lives through a scripted minute, over and over,
// so every state of the window can be seen without hardware. What the
// receiver holds is a function of the time since the start alone.
namespace simulation {

using namespace std::chrono_literals;

// The script repeats with this period.
inline constexpr std::chrono::milliseconds Period = 60s;
// Within each period the receiver is away for this stretch: long enough for a
// couple of 5 s polling cycles to find it gone.
inline constexpr std::chrono::milliseconds UnplugFrom = 48s;
inline constexpr std::chrono::milliseconds UnplugUntil = 60s;

struct Scene {
    // What each sensor last sent; nothing for a sensor never heard from.
    std::array<std::optional<protocol::Record>, protocol::SensorCount> records;
    bool plugged = true;

    friend bool operator==(const Scene&, const Scene&) = default;
};

// Sensor 1 normal, sensor 2 with a temperature alert for a while, sensor 3 in
// pressure alert, sensor 4 with a low battery, sensor 5 never heard from;
// pressures and temperatures drift.
Scene sceneAt(std::chrono::milliseconds elapsed);

// Makes the receiver hold the scene: the sensors "transmit" their records
// and the receiver is plugged in or out. A sensor the receiver has forgotten
// (after a Master Reset) is not taken back, as with a real receiver.
void apply(const Scene& scene, hid::EmulatedBackend::Interface& receiver);

class Simulation : public QObject {
    Q_OBJECT

public:
    // How often the scene is brought up to date.
    static constexpr std::chrono::milliseconds Step = 500ms;

    explicit Simulation(hid::EmulatedBackend::Interface& receiver, QObject* parent = nullptr);

    // Applies the scene of time zero at once, then follows the clock.
    void start();
    // Applies the scene of the given time since the start.
    void advanceTo(std::chrono::milliseconds elapsed);

private:
    hid::EmulatedBackend::Interface& receiver_;
    QTimer timer_;
    QElapsedTimer clock_;
};

} // namespace simulation
