// SPDX-License-Identifier: MIT
#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "sensor/PanelView.h"
#include "tests/support/ObservedBackend.h"
#include "ui/frmMain.h"

#include <QTest>
#include <memory>

using hid::EmulatedBackend;
using Record = protocol::Record;

Q_DECLARE_METATYPE(Record)

namespace {

constexpr int twipsPerPixel = 15;

const QString noDataPressure = QStringLiteral("Pressure: ??? KPa");
const QString noDataTemperature = QStringLiteral("Temperature: ??? \u00B0C");
const QString noDataStatus = QStringLiteral("Status: ?");
const QString hiddenRawData = QStringLiteral("Raw data: ?? ?? ?? ?? Hex");

// A window over an emulated backend, with or without a receiver attached.
struct Rig {
    explicit Rig(bool withReceiver = true) {
        backend.addOther(0x046D, 0xC077); // something else on the bus, never chosen
        if (withReceiver) {
            receiver = &backend.addReceiver();
        }
    }

    EmulatedBackend backend;
    EmulatedBackend::Interface* receiver = nullptr;
    ObservedBackend seen{backend};
    ModHIDCom hid{seen};
    std::unique_ptr<frmMain> window = std::make_unique<frmMain>(hid);
};

// Everything the panels and the indicator show, as one comparable list.
QStringList screen(const frmMain& w) {
    QStringList shown{w.lblDevStasus->text(),
                      w.lblDevStasus->palette().color(QPalette::WindowText).name(),
                      QString::number(w.imgDevStatus->picture().cacheKey())};
    for (std::size_t i = 0; i < 5; ++i) {
        const Image* gauge = w.imgBattery[i];
        shown << w.lblPressure[i]->text() << w.lblTemperature[i]->text() << w.lblStatus[i]->text()
              << w.lblRawdata[i]->text()
              << QStringLiteral("gauge %1 at %2 height %3 picture %4")
                     .arg(gauge->isVisibleTo(w.picSensor[i]) ? "shown" : "hidden")
                     .arg(gauge->y() * twipsPerPixel)
                     .arg(gauge->height() * twipsPerPixel)
                     .arg(gauge->picture().cacheKey());
    }
    return shown;
}

void verifyOffLine(const frmMain& w) {
    QCOMPARE(w.lblDevStasus->text(), QStringLiteral("Off line!"));
    QCOMPARE(w.lblDevStasus->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(w.imgDevStatus->picture().cacheKey(), w.imgOffLine.cacheKey());
    for (std::size_t i = 0; i < 5; ++i) {
        QCOMPARE(w.lblPressure[i]->text(), noDataPressure);
        QCOMPARE(w.lblTemperature[i]->text(), noDataTemperature);
        QCOMPARE(w.lblStatus[i]->text(), noDataStatus);
        QCOMPARE(w.lblRawdata[i]->text(), hiddenRawData);
        QVERIFY(!w.imgBattery[i]->isVisibleTo(w.picSensor[i]));
    }
}

void verifyOnLine(const frmMain& w) {
    QCOMPARE(w.lblDevStasus->text(), QStringLiteral("On line!"));
    QCOMPARE(w.lblDevStasus->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    QCOMPARE(w.imgDevStatus->picture().cacheKey(), w.imgOnLine.cacheKey());
}

} // namespace

class tst_frmMain_cycle : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The texts use the locale's decimal separator.
        QLocale::setDefault(QLocale::c());
    }

    void withoutReceiverEveryPanelShowsNoData() {
        Rig rig(false);
        frmMain& w = *rig.window;
        // Whatever the window held before, a cycle without receiver clears it.
        w.SensorData.fill({0x78, 0x41, 0x50, 0x01});

        w.GetDataFromDevice();

        verifyOffLine(w);
    }

    // The panel shows the record's view (tst_panelview holds its texts) in its
    // own labels, and the gauge stands on the panel's baseline.
    void oneRecordOnSensor3_data() {
        QTest::addColumn<Record>("record");
        QTest::addColumn<QString>("gauge"); // "high", "mid", "low", "none"
        QTest::addColumn<int>("gaugeTop");  // twips

        QTest::newRow("78 41 50 01") << Record{0x78, 0x41, 0x50, 0x01} << "high" << 75;
        QTest::newRow("00 28 21 02") << Record{0x00, 0x28, 0x21, 0x02} << "low" << 390;
        QTest::newRow("00 28 22 03") << Record{0x00, 0x28, 0x22, 0x03} << "mid" << 75;
        QTest::newRow("FF FF FF FF from a connected receiver")
            << Record{0xFF, 0xFF, 0xFF, 0xFF} << "none" << 0;
        QTest::newRow("battery byte with bit 7 set")
            << Record{0x28, 0x28, 0xC2, 0x00} << "mid" << 75;
    }
    void oneRecordOnSensor3() {
        QFETCH(Record, record);
        QFETCH(QString, gauge);
        QFETCH(int, gaugeTop);
        Rig rig;
        frmMain& w = *rig.window;
        rig.receiver->model().setRecord(2, record);

        w.GetDataFromDevice();

        verifyOnLine(w);
        const sensor::PanelView view =
            sensor::panelView(sensor::SensorRecord::of(record), w.Units, true);
        QCOMPARE(w.lblPressure[2]->text(), view.pressure);
        QCOMPARE(w.lblTemperature[2]->text(), view.temperature);
        QCOMPARE(w.lblStatus[2]->text(), view.status);
        QCOMPARE(w.lblRawdata[2]->text(), view.rawData);
        const Image* battery = w.imgBattery[2];
        QCOMPARE(battery->isVisibleTo(w.picSensor3), gauge != "none");
        if (gauge != "none") {
            const QPixmap& expected = gauge == "high"  ? w.imgBatteryHig
                                      : gauge == "mid" ? w.imgBatteryMid
                                                       : w.imgBatteryLow;
            QCOMPARE(battery->picture().cacheKey(), expected.cacheKey());
            QCOMPARE(battery->y() * twipsPerPixel, gaugeTop);
            // Every gauge ends on the same line, and keeps its column.
            QCOMPARE((battery->y() + battery->height()) * twipsPerPixel, 495);
            QCOMPARE(battery->x() * twipsPerPixel, 6900);
        }
        // The sensors never heard from answer "no data", shown as received.
        for (const std::size_t other : {0u, 1u, 3u, 4u}) {
            QCOMPARE(w.lblPressure[other]->text(), noDataPressure);
            QCOMPARE(w.lblRawdata[other]->text(), QStringLiteral("Raw data: FF FF FF FF Hex"));
            QVERIFY(!w.imgBattery[other]->isVisibleTo(w.picSensor[other]));
        }
    }

    void batteryGaugeFollowsTheBatteryAcrossCycles() {
        Rig rig;
        frmMain& w = *rig.window;
        Image* gauge = w.imgBattery[0];

        // Low first (oneRecordOnSensor3 holds each picture and place).
        rig.receiver->model().setRecord(0, {0x78, 0x41, 20, 0x01});
        w.GetDataFromDevice();
        QCOMPARE(gauge->y() * twipsPerPixel, 390);

        // No battery reading: hidden where it stands, with the picture it had.
        rig.receiver->model().setRecord(0, {0x78, 0x41, 255, 0x01});
        w.GetDataFromDevice();
        QVERIFY(!gauge->isVisibleTo(w.picSensor1));
        QCOMPARE(gauge->y() * twipsPerPixel, 390);
        QCOMPARE(gauge->picture().cacheKey(), w.imgBatteryLow.cacheKey());

        rig.receiver->model().setRecord(0, {0x78, 0x41, 100, 0x01});
        w.GetDataFromDevice();
        QVERIFY(gauge->isVisibleTo(w.picSensor1));
        QCOMPARE(gauge->y() * twipsPerPixel, 75);
    }

    // Each cycle's outcome replaces the last one's, and is handed on: on line,
    // lost midway, then found again by the next cycle.
    void eachCycleShowsItsOwnOutcome() {
        Rig rig;
        frmMain& w = *rig.window;
        rig.receiver->model().setRecord(1, {0x78, 0x41, 0x50, 0x01});
        QList<bool> handed; // whether each cycle reached the receiver, as its log is told
        QObject::connect(&w, &frmMain::cycleCompleted,
                         [&](const cycle::CycleResult& r) { handed << r.reached; });

        w.GetDataFromDevice();
        verifyOnLine(w);
        rig.receiver->stayQuietNext();
        w.GetDataFromDevice();
        verifyOffLine(w);
        w.GetDataFromDevice();

        verifyOnLine(w);
        QCOMPARE(w.lblPressure[1]->text(), QStringLiteral("Pressure: 200 KPa"));
        QCOMPARE(w.lblRawdata[1]->text(), QStringLiteral("Raw data: 78 41 50 01 Hex"));
        QCOMPARE(handed, (QList<bool>{true, false, true}));
    }

    // A unit change redraws only its own five labels, from the data held.
    void aCycleRepaintsOnlyWhatChanged_data() {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<int>("changedSensor");  // -1: the records stay as they were
        QTest::addColumn<int>("repaintedPanel"); // -1: nothing is repainted

        QTest::newRow("no receiver, twice") << false << -1 << -1;
        QTest::newRow("same records again") << true << -1 << -1;
        QTest::newRow("sensor 4 changed") << true << 3 << 3;
    }
    void aCycleRepaintsOnlyWhatChanged() {
        QFETCH(bool, connected);
        QFETCH(int, changedSensor);
        QFETCH(int, repaintedPanel);
        Rig rig(connected);
        frmMain& w = *rig.window;
        if (connected) {
            for (int i = 0; i < 4; ++i) {
                rig.receiver->model().setRecord(
                    i, {120, 65, static_cast<std::uint8_t>(20 + i * 30), 1});
            }
        }
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.GetDataFromDevice();
        QCoreApplication::processEvents();

        struct PaintLog : QObject {
            QList<QObject*> painted;
            bool eventFilter(QObject* watched, QEvent* event) override {
                if (event->type() == QEvent::Paint) {
                    painted << watched;
                }
                return false;
            }
        } log;
        qApp->installEventFilter(&log);
        if (changedSensor >= 0) {
            rig.receiver->model().setRecord(changedSensor, {121, 65, 20, 1});
        }
        w.GetDataFromDevice();
        QCoreApplication::processEvents();
        qApp->removeEventFilter(&log);

        if (repaintedPanel < 0) {
            QCOMPARE(log.painted, QList<QObject*>{});
        } else {
            // That panel and what lies in it; its picture hides the window behind.
            QObject* panel = w.picSensor[static_cast<std::size_t>(repaintedPanel)];
            QVERIFY(log.painted.contains(panel));
            for (QObject* o : log.painted) {
                QVERIFY2(o == panel || o->parent() == panel,
                         qPrintable(o->metaObject()->className()));
            }
        }
    }

    // The group's five labels in the chosen unit (tst_units holds the texts).
    void unitChoiceRedrawsOnlyItsLabels_data() {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("pressureGroup");
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("unit"); // as the labels end

        QTest::newRow("Bar on line") << true << true << 1 << " Bar";
        QTest::newRow("PSI on line") << true << true << 2 << " PSI";
        QTest::newRow("KPa again changes nothing") << true << true << 0 << " KPa";
        QTest::newRow("Bar off line") << false << true << 1 << "??? Bar";
        QTest::newRow("Fahrenheit on line") << true << false << 1 << " \u00B0F";
    }
    void unitChoiceRedrawsOnlyItsLabels() {
        QFETCH(bool, connected);
        QFETCH(bool, pressureGroup);
        QFETCH(int, option);
        QFETCH(QString, unit);
        Rig rig(connected);
        frmMain& w = *rig.window;
        if (connected) {
            rig.receiver->model().setRecord(0, {120, 65, 80, 1});
            rig.receiver->model().setRecord(1, {0, 0, 20, 2});
            rig.receiver->model().setRecord(2, {254, 254, 50, 3});
            rig.receiver->model().setRecord(3, {41, 41, 127, 0});
        }
        w.GetDataFromDevice();
        const QStringList before = screen(w);
        const std::size_t sent = connected ? rig.seen.of(*rig.receiver).received.size() : 0;

        // Through the button, as the operator would.
        QRadioButton* button = pressureGroup
                                   ? w.optPressure.at(static_cast<std::size_t>(option))
                                   : w.optTemperature.at(static_cast<std::size_t>(option));
        button->click();

        const std::array<QLabel*, 5>& changed = pressureGroup ? w.lblPressure : w.lblTemperature;
        sensor::UnitState chosen;
        if (pressureGroup) {
            chosen.SelectPressureUnit(option);
        } else {
            chosen.SelectTemperatureUnit(option);
        }
        for (std::size_t i = 0; i < changed.size(); ++i) {
            const sensor::SensorRecord& record = w.SensorData[i];
            QVERIFY2(changed[i]->text().endsWith(unit), qPrintable(changed[i]->text()));
            QCOMPARE(changed[i]->text(), pressureGroup
                                             ? chosen.FormatPressure(record.pressure)
                                             : chosen.FormatTemperature(record.temperature));
        }
        // Everything else as it was: put the expected group back and compare the rest.
        QStringList after = screen(w);
        for (int i = 0; i < 5; ++i) {
            const int at = 3 + i * 5 + (pressureGroup ? 0 : 1);
            after[at] = before[at];
        }
        QCOMPARE(after, before);
        if (connected) {
            QCOMPARE(rig.seen.of(*rig.receiver).received.size(), sent);
        }
        QCOMPARE(pressureGroup ? w.Units.PressureUnitIndex() : w.Units.TemperatureUnitIndex(),
                 option);
    }

    void laterCyclesUseTheChosenUnits() {
        Rig rig;
        frmMain& w = *rig.window;
        w.optPressure[2]->click();
        w.optTemperature[1]->click();
        rig.receiver->model().setRecord(4, {120, 65, 80, 1});

        w.GetDataFromDevice();

        QCOMPARE(w.lblPressure[4]->text(), QStringLiteral("Pressure: 29.0 PSI"));
        QCOMPARE(w.lblTemperature[4]->text(), QStringLiteral("Temperature: 77 \u00B0F"));
    }

    void closingTheWindowLetsTheReceiverGoAndSendsNothing() {
        Rig rig;
        frmMain& w = *rig.window;
        w.GetDataFromDevice();
        QVERIFY(rig.hid.DeviceConnected());
        QCOMPARE(rig.seen.openHandles(), 1);
        const std::size_t sent = rig.seen.of(*rig.receiver).received.size();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        w.close();
        rig.window.reset();

        QVERIFY(!rig.hid.DeviceConnected());
        QCOMPARE(rig.seen.openHandles(), 0);
        QCOMPARE(rig.seen.of(*rig.receiver).received.size(), sent);
    }
};

QTEST_MAIN(tst_frmMain_cycle)
#include "tst_frmmain_cycle.moc"
