// SPDX-License-Identifier: MIT
#include "sensor/SensorRecord.h"

#include <QTest>

using sensor::BatteryClass;

Q_DECLARE_METATYPE(BatteryClass)

class tst_SensorRecord : public QObject {
    Q_OBJECT

private slots:
    void batteryClass_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<BatteryClass>("expected");
        QTest::newRow("0") << 0 << BatteryClass::Low;
        QTest::newRow("33 top of low") << 33 << BatteryClass::Low;
        QTest::newRow("34 bottom of mid") << 34 << BatteryClass::Mid;
        QTest::newRow("66 top of mid") << 66 << BatteryClass::Mid;
        QTest::newRow("67 bottom of high") << 67 << BatteryClass::High;
        QTest::newRow("127 highest level") << 127 << BatteryClass::High;
        QTest::newRow("128 bit 7 only: level 0") << 128 << BatteryClass::Low;
        QTest::newRow("194 level 66") << 194 << BatteryClass::Mid;
        QTest::newRow("195 level 67") << 195 << BatteryClass::High;
        QTest::newRow("254 level 126") << 254 << BatteryClass::High;
        QTest::newRow("255 no data") << 255 << BatteryClass::None;
    }
    void batteryClass() {
        QFETCH(int, byte);
        QFETCH(BatteryClass, expected);
        QCOMPARE(sensor::batteryClass(static_cast<std::uint8_t>(byte)), expected);
    }

    void statusText_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<QString>("expected");
        QTest::newRow("0") << 0 << "Status: Storage mode";
        QTest::newRow("1") << 1 << "Status: Normal mode";
        QTest::newRow("2") << 2 << "Status: Pressure alert";
        QTest::newRow("3 keeps its spelling") << 3 << "Ststus: Temperature alert";
        QTest::newRow("4") << 4 << "Status: ?";
        QTest::newRow("130 is not a pressure alert") << 130 << "Status: ?";
        QTest::newRow("255") << 255 << "Status: ?";
    }
    void statusText() {
        QFETCH(int, byte);
        QFETCH(QString, expected);
        QCOMPARE(sensor::statusText(static_cast<std::uint8_t>(byte)), expected);
    }
};

QTEST_APPLESS_MAIN(tst_SensorRecord)
#include "tst_sensorrecord.moc"
