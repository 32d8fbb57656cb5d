// SPDX-License-Identifier: MIT
#include "cycle/Acquisition.h"
#include "hid/ModHIDCom.h"
#include "hid/Simulation.h"

#include <QTest>
#include <set>

using namespace std::chrono_literals;
using simulation::Scene;
using simulation::sceneAt;
using ms = std::chrono::milliseconds;

namespace {

// Every scene of one period, at the simulation's own step.
std::vector<Scene> onePeriod() {
    std::vector<Scene> scenes;
    for (ms t = 0ms; t < simulation::Period; t += simulation::Simulation::Step) {
        scenes.push_back(sceneAt(t));
    }
    return scenes;
}

} // namespace

class tst_Simulation : public QObject {
    Q_OBJECT

private slots:
    void sceneRepeatsEveryPeriod_data() {
        QTest::addColumn<int>("at"); // ms
        for (const int t : {0, 1, 12'345, 30'000, 47'999, 48'000, 59'999}) {
            QTest::addRow("%d ms", t) << t;
        }
    }
    void sceneRepeatsEveryPeriod() {
        QFETCH(int, at);
        const ms t{at};
        QCOMPARE(sceneAt(t), sceneAt(t + simulation::Period));
        QCOMPARE(sceneAt(t), sceneAt(t + 7 * simulation::Period));
    }

    // Over one period the receiver shows each kind of state at least once.
    void everyKindOfStateAppears_data() {
        QTest::addColumn<int>("sensor");
        QTest::addColumn<QString>("state");

        QTest::newRow("normal") << 0 << "status 1";
        QTest::newRow("temperature alert") << 1 << "status 3";
        QTest::newRow("pressure alert") << 2 << "status 2";
        QTest::newRow("high battery") << 0 << "battery High";
        QTest::newRow("mid battery") << 1 << "battery Mid";
        QTest::newRow("low battery") << 3 << "battery Low";
        QTest::newRow("never heard from") << 4 << "no data";
    }
    void everyKindOfStateAppears() {
        QFETCH(int, sensor);
        QFETCH(QString, state);
        std::set<QString> seen;
        for (const Scene& scene : onePeriod()) {
            const auto& record = scene.records.at(static_cast<std::size_t>(sensor));
            if (!record) {
                seen.insert(QStringLiteral("no data"));
                continue;
            }
            seen.insert(QStringLiteral("status %1").arg((*record)[3]));
            switch (sensor::batteryClass((*record)[2])) {
            case sensor::BatteryClass::High:
                seen.insert(QStringLiteral("battery High"));
                break;
            case sensor::BatteryClass::Mid:
                seen.insert(QStringLiteral("battery Mid"));
                break;
            case sensor::BatteryClass::Low:
                seen.insert(QStringLiteral("battery Low"));
                break;
            case sensor::BatteryClass::None:
                break;
            }
        }
        QVERIFY2(seen.count(state) == 1, qPrintable(state));
    }

    void pressuresDriftWithinSensibleBounds() {
        for (std::size_t sensor = 0; sensor < 4; ++sensor) {
            std::set<int> pressures;
            for (const Scene& scene : onePeriod()) {
                const int p = (*scene.records[sensor])[0];
                pressures.insert(p);
                // Somewhere between a flat tyre and an overfilled one, never "no data".
                QVERIFY(p >= 40 && p <= 160);
            }
            QVERIFY2(pressures.size() >= 3,
                     qPrintable(QStringLiteral("sensor %1").arg(sensor + 1)));
        }
    }

    // The receiver is away once per period, for a couple of 5 s polling cycles.
    void unpluggedOnceAPeriodForAFewCycles() {
        int unpluggedSteps = 0;
        int stretches = 0;
        bool wasPlugged = sceneAt(simulation::Period - simulation::Simulation::Step).plugged;
        for (const Scene& scene : onePeriod()) {
            unpluggedSteps += scene.plugged ? 0 : 1;
            stretches += (wasPlugged && !scene.plugged) ? 1 : 0;
            wasPlugged = scene.plugged;
        }
        QCOMPARE(stretches, 1);
        const ms away = unpluggedSteps * simulation::Simulation::Step;
        QVERIFY(away >= 10s);
        QVERIFY(away <= 20s);
    }

    void simulationMakesTheReceiverHoldTheScene_data() {
        QTest::addColumn<int>("at");
        QTest::newRow("start") << 0;
        QTest::newRow("hot brake") << 25'000;
        QTest::newRow("unplugged") << 50'000;
        QTest::newRow("second minute") << 61'500;
    }
    void simulationMakesTheReceiverHoldTheScene() {
        QFETCH(int, at);
        hid::EmulatedBackend backend;
        hid::EmulatedBackend::Interface& receiver = backend.addReceiver();
        simulation::Simulation scenario(receiver);

        scenario.advanceTo(ms{at});

        const Scene expected = sceneAt(ms{at});
        QCOMPARE(receiver.plugged(), expected.plugged);
        for (int i = 0; i < 5; ++i) {
            const auto& record = expected.records[static_cast<std::size_t>(i)];
            QCOMPARE(receiver.model().record(i), record.value_or(protocol::NoDataRecord));
        }
    }

    // Polling every 5 s, as "Continuous" does, over two simulated minutes.
    void pollingSeesTheReceiverComeAndGo() {
        hid::EmulatedBackend backend;
        hid::EmulatedBackend::Interface& receiver = backend.addReceiver();
        simulation::Simulation scenario(receiver);
        ModHIDCom hid(backend);
        sensor::SensorData data{};

        QString timeline;
        for (ms t = 0ms; t < 2 * simulation::Period; t += 5s) {
            scenario.advanceTo(t);
            data = cycle::acquire(hid).data;
            timeline += hid.DeviceConnected() ? QLatin1Char('+') : QLatin1Char('-');
            if (hid.DeviceConnected()) {
                QCOMPARE(data[2].status, std::uint8_t{2});
                QCOMPARE(data[4], sensor::SensorRecord::of(protocol::NoDataRecord));
            }
        }
        QCOMPARE(timeline, QStringLiteral("++++++++++--++++++++++--"));
    }

    void aMasterResetIsNotUndoneByTheScene() {
        hid::EmulatedBackend backend;
        hid::EmulatedBackend::Interface& receiver = backend.addReceiver();
        simulation::Simulation scenario(receiver);
        scenario.advanceTo(0ms);
        QVERIFY(receiver.model().hasData(0));

        receiver.model().masterReset();
        scenario.advanceTo(10s);

        for (int i = 0; i < 5; ++i) {
            QCOMPARE(receiver.model().record(i), protocol::NoDataRecord);
        }
    }

    void startAppliesTheFirstSceneAtOnce() {
        hid::EmulatedBackend backend;
        hid::EmulatedBackend::Interface& receiver = backend.addReceiver();
        simulation::Simulation scenario(receiver);
        QVERIFY(!receiver.model().hasData(0));

        scenario.start();

        QCOMPARE(receiver.model().record(2), *sceneAt(0ms).records[2]);
    }
};

QTEST_GUILESS_MAIN(tst_Simulation)
#include "tst_simulation.moc"
