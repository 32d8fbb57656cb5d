// SPDX-License-Identifier: MIT
#include "hid/ReceiverModel.h"

#include <QTest>

using hid::ReceiverModel;
using Record = protocol::Record;

namespace {

// A receiver holding a distinct record for every sensor.
ReceiverModel filled() {
    ReceiverModel model;
    for (int i = 0; i < protocol::SensorCount; ++i) {
        const auto b = static_cast<std::uint8_t>(i + 1);
        model.setRecord(i, {b, b, b, b});
    }
    return model;
}

} // namespace

class tst_ReceiverModel : public QObject {
    Q_OBJECT

private slots:
    void commands_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("answeredSensor"); // -1: no answer

        QTest::newRow("33 sensor 1") << 33 << 0;
        QTest::newRow("35 sensor 3") << 35 << 2;
        QTest::newRow("37 sensor 5") << 37 << 4;
        QTest::newRow("32 below the requests") << 32 << -1;
        QTest::newRow("38 above the requests") << 38 << -1;
        QTest::newRow("0") << 0 << -1;
        QTest::newRow("253") << 253 << -1;
    }
    void commands() {
        QFETCH(int, command);
        QFETCH(int, answeredSensor);
        ReceiverModel model = filled();

        const auto answer = model.handleCommand(static_cast<std::uint8_t>(command));

        QCOMPARE(answer.has_value(), answeredSensor >= 0);
        if (answer) {
            const auto b = static_cast<std::uint8_t>(answeredSensor + 1);
            QCOMPARE(*answer, (Record{b, b, b, b}));
        }
        // Nothing but the resets changes what the receiver holds.
        for (int i = 0; i < protocol::SensorCount; ++i) {
            QVERIFY(model.hasData(i));
        }
    }

    void noDataAnswer() {
        ReceiverModel model;
        model.setRecord(1, {7, 7, 7, 7});
        QCOMPARE(model.handleCommand(33), std::optional<Record>(protocol::NoDataRecord));
        QCOMPARE(model.handleCommand(34), std::optional<Record>(Record{7, 7, 7, 7}));
        QCOMPARE(model.record(-1), protocol::NoDataRecord);
        QCOMPARE(model.record(5), protocol::NoDataRecord);
    }

    void resets_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("stillKnown");

        QTest::newRow("254 Data Reset keeps the sensors") << 254 << true;
        QTest::newRow("255 Master Reset forgets them") << 255 << false;
    }
    void resets() {
        QFETCH(int, command);
        QFETCH(bool, stillKnown);
        ReceiverModel model = filled();

        QVERIFY(!model.handleCommand(static_cast<std::uint8_t>(command)).has_value());

        for (int i = 0; i < protocol::SensorCount; ++i) {
            QVERIFY(!model.hasData(i));
            QCOMPARE(model.record(i), protocol::NoDataRecord);
            QCOMPARE(model.knows(i), stillKnown);
        }
        // A sensor heard afterwards is kept only if the receiver still knows it.
        QCOMPARE(model.receive(2, {9, 9, 9, 9}), stillKnown);
        const Record expected = stillKnown ? Record{9, 9, 9, 9} : protocol::NoDataRecord;
        QCOMPARE(model.record(2), expected);
        QCOMPARE(model.dataResetCount(), command == 254 ? 1 : 0);
        QCOMPARE(model.masterResetCount(), command == 255 ? 1 : 0);
    }

    void learnAfterMasterReset() {
        ReceiverModel model = filled();
        model.masterReset();
        model.learn(3);
        QVERIFY(model.receive(3, {4, 3, 2, 1}));
        QVERIFY(!model.receive(4, {4, 3, 2, 1}));
        QCOMPARE(model.handleCommand(36), std::optional<Record>(Record{4, 3, 2, 1}));
        QCOMPARE(model.handleCommand(37), std::optional<Record>(protocol::NoDataRecord));
    }
};

QTEST_APPLESS_MAIN(tst_ReceiverModel)
#include "tst_receivermodel.moc"
