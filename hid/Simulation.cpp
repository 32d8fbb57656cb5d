// SPDX-License-Identifier: MIT
#include "hid/Simulation.h"

#include <cstdint>

namespace simulation {

namespace {

using protocol::Record;

// A triangle wave in whole steps between base - amplitude and base +
// amplitude; integer arithmetic, so the same time always gives the same byte.
// Periods divide the script's period, so each minute repeats the last.
std::uint8_t drift(std::chrono::milliseconds elapsed, int base, int amplitude,
                   std::chrono::milliseconds period, std::chrono::milliseconds phase) {
    const long long p = period.count();
    const long long t = (elapsed.count() + phase.count()) % p;
    const long long rising = t < p / 2 ? t : p - t; // 0 .. p/2
    const long long offset = (rising * 4 * amplitude + p / 2) / p - amplitude;
    return static_cast<std::uint8_t>(base + offset);
}

bool within(std::chrono::milliseconds t, std::chrono::milliseconds from,
            std::chrono::milliseconds until) {
    return t >= from && t < until;
}

// Record bytes: pressure p (p * 2.5 - 100 kPa), temperature t (t - 40 degC),
// battery level, status code.
constexpr std::uint8_t Normal = 1;
constexpr std::uint8_t PressureAlert = 2;
constexpr std::uint8_t TemperatureAlert = 3;

} // namespace

Scene sceneAt(std::chrono::milliseconds elapsed) {
    const std::chrono::milliseconds t = elapsed % Period;
    Scene scene;
    scene.plugged = !within(t, UnplugFrom, UnplugUntil);

    // Front left: about 220 kPa, 22 degC, full battery.
    scene.records[0] = Record{drift(t, 128, 3, 30s, 0s), drift(t, 62, 1, 60s, 0s), 100, Normal};

    // Front right: a brake that runs hot for a quarter of a minute.
    const bool hot = within(t, 20s, 35s);
    scene.records[1] =
        Record{drift(t, 126, 3, 30s, 13s), hot ? std::uint8_t{122} : drift(t, 64, 2, 60s, 30s), 55,
               hot ? TemperatureAlert : Normal};

    // Rear left: a slow puncture, about 120 kPa.
    scene.records[2] =
        Record{drift(t, 88, 2, 30s, 7s), drift(t, 63, 1, 60s, 45s), 90, PressureAlert};

    // Rear right: its battery is nearly flat.
    scene.records[3] = Record{drift(t, 129, 3, 30s, 27s), drift(t, 66, 1, 60s, 60s), 20, Normal};

    // The spare has never been heard from.
    scene.records[4] = std::nullopt;
    return scene;
}

void apply(const Scene& scene, hid::EmulatedBackend::Interface& receiver) {
    for (int i = 0; i < protocol::SensorCount; ++i) {
        if (const auto& record = scene.records[static_cast<std::size_t>(i)]) {
            receiver.model().receive(i, *record);
        }
    }
    if (scene.plugged != receiver.plugged()) {
        if (scene.plugged) {
            receiver.plug();
        } else {
            receiver.unplug();
        }
    }
}

Simulation::Simulation(hid::EmulatedBackend::Interface& receiver, QObject* parent)
    : QObject(parent), receiver_(receiver) {
    timer_.setInterval(Step);
    connect(&timer_, &QTimer::timeout, this,
            [this] { advanceTo(std::chrono::milliseconds(clock_.elapsed())); });
}

void Simulation::start() {
    clock_.start();
    advanceTo(0ms);
    timer_.start();
}

void Simulation::advanceTo(std::chrono::milliseconds elapsed) {
    apply(sceneAt(elapsed), receiver_);
}

} // namespace simulation
