// SPDX-License-Identifier: MIT
#include "sensor/PanelView.h"

#include <QTest>

using sensor::BatteryClass;
using sensor::PanelView;
using sensor::PressureUnit;
using sensor::SensorRecord;

Q_DECLARE_METATYPE(SensorRecord)
Q_DECLARE_METATYPE(PanelView)
Q_DECLARE_METATYPE(PressureUnit)

class tst_PanelView : public QObject {
    Q_OBJECT

private slots:
    void panel_data() {
        QTest::addColumn<SensorRecord>("record");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<PressureUnit>("pressureUnit");
        QTest::addColumn<PanelView>("expected");

        QTest::newRow("normal, high battery")
            << SensorRecord{0x78, 0x41, 0x50, 0x01} << true << PressureUnit::KPa
            << PanelView{"Pressure: 200 KPa", "Temperature: 25 \u00B0C", BatteryClass::High,
                         "Status: Normal mode", "Raw data: 78 41 50 01 Hex"};
        QTest::newRow("pressure alert, low battery")
            << SensorRecord{0x00, 0x28, 0x21, 0x02} << true << PressureUnit::KPa
            << PanelView{"Pressure: -100 KPa", "Temperature: 0 \u00B0C", BatteryClass::Low,
                         "Status: Pressure alert", "Raw data: 00 28 21 02 Hex"};
        QTest::newRow("temperature alert, mid battery")
            << SensorRecord{0x00, 0x28, 0x22, 0x03} << true << PressureUnit::KPa
            << PanelView{"Pressure: -100 KPa", "Temperature: 0 \u00B0C", BatteryClass::Mid,
                         "Ststus: Temperature alert", "Raw data: 00 28 22 03 Hex"};
        QTest::newRow("no data from a connected receiver shows its bytes")
            << SensorRecord{0xFF, 0xFF, 0xFF, 0xFF} << true << PressureUnit::KPa
            << PanelView{"Pressure: ??? KPa", "Temperature: ??? \u00B0C", BatteryClass::None,
                         "Status: ?", "Raw data: FF FF FF FF Hex"};
        QTest::newRow("off line") << SensorRecord{0xFF, 0xFF, 0xFF, 0xFF} << false
                                  << PressureUnit::Bar
                                  << PanelView{"Pressure: ??? Bar", "Temperature: ??? \u00B0C",
                                               BatteryClass::None, "Status: ?",
                                               "Raw data: ?? ?? ?? ?? Hex"};
        QTest::newRow("off line hides bytes whatever they are")
            << SensorRecord{0x78, 0x41, 0x50, 0x01} << false << PressureUnit::PSI
            << PanelView{"Pressure: 29.0 PSI", "Temperature: 25 \u00B0C", BatteryClass::High,
                         "Status: Normal mode", "Raw data: ?? ?? ?? ?? Hex"};
    }
    void panel() {
        QFETCH(SensorRecord, record);
        QFETCH(bool, connected);
        QFETCH(PressureUnit, pressureUnit);
        QFETCH(PanelView, expected);
        QLocale::setDefault(QLocale::c());
        sensor::UnitState units;
        units.select(pressureUnit);

        const PanelView view = sensor::panelView(record, units, connected);

        QCOMPARE(view.pressure, expected.pressure);
        QCOMPARE(view.temperature, expected.temperature);
        QCOMPARE(view.battery, expected.battery);
        QCOMPARE(view.status, expected.status);
        QCOMPARE(view.rawData, expected.rawData);
    }
};

QTEST_APPLESS_MAIN(tst_PanelView)
#include "tst_panelview.moc"
