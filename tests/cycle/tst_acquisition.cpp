// SPDX-License-Identifier: MIT
#include "cycle/Acquisition.h"
#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "sensor/Units.h"
#include "tests/support/ObservedBackend.h"

#include <QLoggingCategory>
#include <QTest>
#include <vector>

using hid::EmulatedBackend;
using sensor::SensorData;
using sensor::SensorRecord;
using Report = EmulatedBackend::Interface::Report;

Q_DECLARE_METATYPE(SensorRecord)

namespace {

// "78 41 50 01 | FF FF FF FF | ..." for readable failures and compact tables.
QString hexRecords(const SensorData& data) {
    QStringList records;
    for (const SensorRecord& r : data) {
        records << QStringLiteral("%1 %2 %3 %4")
                       .arg(sensor::ByteToHex(r.pressure), sensor::ByteToHex(r.temperature),
                            sensor::ByteToHex(r.battery), sensor::ByteToHex(r.status));
    }
    return records.join(QStringLiteral(" | "));
}

const QString allNoData =
    QStringLiteral("FF FF FF FF | FF FF FF FF | FF FF FF FF | FF FF FF FF | FF FF FF FF");

} // namespace

using Scenario = void (*)(EmulatedBackend&);
Q_DECLARE_METATYPE(Scenario)

namespace {
QStringList logged;
void keepMessage(QtMsgType, const QMessageLogContext& context, const QString& text) {
    logged << QString::fromLatin1(context.category) + ": " + text;
}
// As QT_LOGGING_RULES="tyrescope.*=true" would.
void enableHidLog(QLoggingCategory* category) {
    if (qstrncmp(category->categoryName(), "tyrescope.", 10) == 0) {
        category->setEnabled(QtInfoMsg, true);
    }
}
} // namespace

class tst_Acquisition : public QObject {
    Q_OBJECT

private slots:
    // Why the receiver is off line goes to "tyrescope.hid", and only there
    // once that category is enabled.
    void offLineReasons_data() {
        QTest::addColumn<Scenario>("scenario");
        QTest::addColumn<QString>("reason");

        QTest::newRow("none present")
            << Scenario([](EmulatedBackend& b) { b.addOther(0x046D, 0xC52B); })
            << "tyrescope.hid: receiver not found: no receiver among the 1 HID interfaces";
        QTest::newRow("cannot be opened") << Scenario([](EmulatedBackend& b) {
            EmulatedBackend::InterfaceOptions o;
            o.openable = false;
            b.add(o);
        }) << "receiver not found: cannot open the receiver at emulated/0: Permission denied";
        QTest::newRow("silent") << Scenario([](EmulatedBackend& b) {
            b.addReceiver().stayQuietNext();
        }) << "receiver lost: no answer from emulated/0 within 1000 ms";
        QTest::newRow("failed wait")
            << Scenario([](EmulatedBackend& b) { b.addReceiver().failNextWaits(); })
            << "receiver lost: reading from emulated/0 failed: Input/output error";
        QTest::newRow("unplugged at the request")
            << Scenario([](EmulatedBackend& b) { b.addReceiver().unplugOnWrite(1); })
            << "receiver lost: reading from emulated/0 failed: No such device "
               "(writing to emulated/0 failed: No such device)";
    }
    void offLineReasons() {
        QFETCH(Scenario, scenario);
        QFETCH(QString, reason);
        for (const bool enabled : {false, true}) {
            EmulatedBackend backend;
            scenario(backend);
            ModHIDCom hid(backend);
            const QLoggingCategory::CategoryFilter before =
                enabled ? QLoggingCategory::installFilter(enableHidLog) : nullptr;
            logged.clear();
            const QtMessageHandler previous = qInstallMessageHandler(keepMessage);

            cycle::acquire(hid);

            qInstallMessageHandler(previous);
            if (enabled) {
                QLoggingCategory::installFilter(before);
            }
            QVERIFY(!hid.DeviceConnected());
            QCOMPARE(logged.size(), enabled ? 1 : 0);
            if (enabled) {
                QVERIFY2(logged[0].endsWith(reason), qPrintable(logged[0]));
            }
        }
    }

    void withoutReceiverEverythingIsNoData() {
        EmulatedBackend backend;
        backend.addOther(0x0000, 0x0002);
        ObservedBackend seen(backend);
        ModHIDCom hid(seen);

        const SensorData data = cycle::acquire(hid).data;

        QVERIFY(!hid.DeviceConnected());
        QCOMPARE(hexRecords(data), allNoData);
        QVERIFY(seen.of(backend.at(0)).received.empty());
        QCOMPARE(seen.openHandles(), 0);
    }

    void readsTheFiveRecordsWithOneRequestEach() {
        EmulatedBackend backend;
        EmulatedBackend::Interface& receiver = backend.addReceiver();
        receiver.model().setRecord(0, {0x70, 0x40, 0x7F, 0x00});
        receiver.model().setRecord(2, {0x78, 0x41, 0x50, 0x01});
        receiver.model().setRecord(4, {0x00, 0x28, 0x21, 0x02});
        // Sensors 2 and 4 have sent nothing: the receiver answers FF FF FF FF,
        // which is stored as received.
        ObservedBackend seen(backend);
        ModHIDCom hid(seen);

        const SensorData data = cycle::acquire(hid).data;

        QVERIFY(hid.DeviceConnected());
        QCOMPARE(hexRecords(data), QStringLiteral("70 40 7F 00 | FF FF FF FF | 78 41 50 01 | "
                                                  "FF FF FF FF | 00 28 21 02"));
        const std::vector<Report> expected{
            {0, 33, 0}, {0, 34, 0}, {0, 35, 0}, {0, 36, 0}, {0, 37, 0}};
        QCOMPARE(seen.of(receiver).received, expected);
    }

    void aConnectedReceiverIsNotSearchedAgain() {
        EmulatedBackend backend;
        EmulatedBackend::Interface& receiver = backend.addReceiver();
        ObservedBackend seen(backend);
        ModHIDCom hid(seen);
        cycle::acquire(hid);
        cycle::acquire(hid);

        QCOMPARE(seen.enumerations(), 1);
        QCOMPARE(seen.of(receiver).openAttempts, 1);
        QCOMPARE(seen.of(receiver).received.size(), std::size_t{10});
    }

    // Which request goes unanswered, and how: the requests after it are not
    // sent, and the records already read in this cycle are dropped too.
    void aLostAnswerDropsTheWholeCycle_data() {
        QTest::addColumn<int>("lostAt");     // sensor index whose answer is lost
        QTest::addColumn<bool>("unplugged"); // unplugged rather than silent

        QTest::newRow("sensor 1 silent") << 0 << false;
        QTest::newRow("sensor 4 silent") << 3 << false;
        QTest::newRow("sensor 5 silent") << 4 << false;
        QTest::newRow("unplugged at sensor 1") << 0 << true;
        QTest::newRow("unplugged at sensor 4") << 3 << true;
    }
    void aLostAnswerDropsTheWholeCycle() {
        QFETCH(int, lostAt);
        QFETCH(bool, unplugged);
        EmulatedBackend backend;
        EmulatedBackend::Interface& receiver = backend.addReceiver();
        for (int i = 0; i < protocol::SensorCount; ++i) {
            receiver.model().setRecord(i, {0x78, 0x41, 0x50, 0x01});
        }
        if (unplugged) {
            receiver.unplugOnWrite(lostAt + 1);
        } else {
            for (int i = 0; i < lostAt; ++i) {
                receiver.answerNextWith({0, 0x78, 0x41, 0x50, 0x01});
            }
            receiver.stayQuietNext();
        }
        ObservedBackend seen(backend);
        ModHIDCom hid(seen);

        const cycle::CycleResult result = cycle::acquire(hid);

        QVERIFY(!hid.DeviceConnected());
        QCOMPARE(hexRecords(result.data), allNoData);
        // Opened, then lost: the result names the receiver it lost.
        QVERIFY(result.opened && !result.reached);
        QCOMPARE(result.devicePath, QStringLiteral("emulated/0"));
        // A write into an unplugged device never arrives; a silent receiver
        // got its request.
        const std::size_t arrived = static_cast<std::size_t>(unplugged ? lostAt : lostAt + 1);
        QCOMPARE(seen.of(receiver).received.size(), arrived);
        if (!seen.of(receiver).received.empty()) {
            QCOMPARE(seen.of(receiver).received.back(),
                     (Report{0, static_cast<std::uint8_t>(33 + arrived - 1), 0}));
        }
        QCOMPARE(seen.openHandles(), 0);
    }

    void aReceiverPluggedBackInIsFoundByTheNextCycle() {
        EmulatedBackend backend;
        EmulatedBackend::Interface& receiver = backend.addReceiver();
        receiver.model().setRecord(1, {0x78, 0x41, 0x50, 0x01});
        ObservedBackend seen(backend);
        ModHIDCom hid(seen);
        SensorData data{};

        data = cycle::acquire(hid).data;
        QVERIFY(hid.DeviceConnected());
        receiver.unplug();
        data = cycle::acquire(hid).data;
        QVERIFY(!hid.DeviceConnected());
        data = cycle::acquire(hid).data; // still away
        QVERIFY(!hid.DeviceConnected());
        QCOMPARE(hexRecords(data), allNoData);

        receiver.plug();
        data = cycle::acquire(hid).data;

        QVERIFY(hid.DeviceConnected());
        QCOMPARE(data[1], (SensorRecord{0x78, 0x41, 0x50, 0x01}));
        QCOMPARE(seen.openHandles(), 1);
    }

    // Device texts reach terminals, logs and the window: no escape sequence passes.
    void deviceTextsMadeSafe() {
        EmulatedBackend backend;
        backend.addReceiver().options().serial = "TPMS\x1b[2J\x07";
        ModHIDCom hid(backend);

        const cycle::CycleResult result = cycle::acquire(hid);

        QVERIFY(result.reached);
        QCOMPARE(result.deviceSerial, QStringLiteral("TPMS?[2J?"));
    }

    // Answers framed differently from the plain five bytes.
    void recordsComeFromBytesOneToFour_data() {
        QTest::addColumn<Report>("answer");
        QTest::addColumn<SensorRecord>("expected");

        QTest::newRow("plain") << Report{0, 0x78, 0x41, 0x50, 0x01}
                               << SensorRecord{0x78, 0x41, 0x50, 0x01};
        QTest::newRow("numbered report")
            << Report{7, 0x78, 0x41, 0x50, 0x01} << SensorRecord{0x78, 0x41, 0x50, 0x01};
        QTest::newRow("padding after the record") << Report{0, 0x10, 0x20, 0x30, 0x02, 0xAA, 0xBB}
                                                  << SensorRecord{0x10, 0x20, 0x30, 0x02};
        QTest::newRow("cut short: missing bytes are no data")
            << Report{0, 0x78, 0x41} << SensorRecord{0x78, 0x41, 0xFF, 0xFF};
    }
    void recordsComeFromBytesOneToFour() {
        QFETCH(Report, answer);
        QFETCH(SensorRecord, expected);
        EmulatedBackend backend;
        // Declaring no input length, the receiver's answers are kept whole.
        EmulatedBackend::Interface& receiver = backend.addReceiver({0, 3, 0});
        for (int i = 0; i < protocol::SensorCount; ++i) {
            receiver.answerNextWith(answer);
        }
        ModHIDCom hid(backend);

        const SensorData data = cycle::acquire(hid).data;

        QVERIFY(hid.DeviceConnected());
        for (const SensorRecord& record : data) {
            QCOMPARE(record, expected);
        }
    }
};

QTEST_GUILESS_MAIN(tst_Acquisition)
#include "tst_acquisition.moc"
