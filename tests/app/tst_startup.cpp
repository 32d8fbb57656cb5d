// SPDX-License-Identifier: MIT
#include "app/CycleLog.h"
#include "app/Startup.h"
#include "app/Version.h"
#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "tests/support/ObservedBackend.h"
#include "ui/frmMain.h"

#include <QMessageBox>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace {

// A platform whose HID access breaks down with an error, to see start-up go on.
class ThrowingBackend final : public hid::Backend {
public:
    std::vector<hid::InterfaceInfo> enumerate() override {
        throw std::runtime_error("HID access broke down");
    }
    OpenResult open(const std::string&) override { return {}; }
};

} // namespace

class tst_Startup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void caption_data() {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1.3.0: no second dot, no padding") << 1 << 3 << 0 << "Tyrescope - 1.30";
        QTest::newRow("2.10.5") << 2 << 10 << 5 << "Tyrescope - 2.105";
        QTest::newRow("0.0.0") << 0 << 0 << 0 << "Tyrescope - 0.00";
    }
    void caption() {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, revision);
        QFETCH(QString, expected);
        QCOMPARE(windowCaption(major, minor, revision), expected);
    }

    void initializeWithoutReceiver() {
        hid::EmulatedBackend backend;
        ModHIDCom hid(backend);
        frmMain window(hid);
        // Whatever state the window is in, start-up sets its own.
        window.ServiceMode = true;
        window.Units.select(sensor::PressureUnit::PSI);
        window.Units.select(sensor::TemperatureUnit::Fahrenheit);

        Initialize(window);

        QCOMPARE(window.windowTitle(),
                 windowCaption(version::major, version::minor, version::revision));
        QVERIFY(!window.ServiceMode);
        QCOMPARE(window.Units.PressureUnitLabel(), QStringLiteral("KPa"));
        QCOMPARE(window.Units.TemperatureUnitLabel(), QStringLiteral("\u00B0C"));
        QCOMPARE(window.lblDevStasus->text(), QStringLiteral("Off line!"));
        QCOMPARE(window.lblPressure[0]->text(), QStringLiteral("Pressure: ??? KPa"));
        QCOMPARE(window.lblTemperature[4]->text(), QStringLiteral("Temperature: ??? \u00B0C"));
        QVERIFY(window.cmdDevReset->isHidden());
        QVERIFY(window.cmdDataReset->isHidden());
    }

    void initializeRunsTheFirstCycle() {
        hid::EmulatedBackend backend;
        hid::EmulatedBackend::Interface& receiver = backend.addReceiver();
        receiver.model().setRecord(2, {0x78, 0x41, 0x50, 0x01});
        ObservedBackend seen(backend);
        ModHIDCom hid(seen);
        frmMain window(hid);

        Initialize(window);

        QCOMPARE(seen.of(receiver).received.size(), std::size_t{5});
        QCOMPARE(window.lblDevStasus->text(), QStringLiteral("On line!"));
        QCOMPARE(window.SensorData[2], (sensor::SensorRecord{0x78, 0x41, 0x50, 0x01}));
    }

    void anErrorInTheFirstCycleDoesNotStopStartUp() {
        ThrowingBackend backend;
        ModHIDCom hid(backend);
        frmMain window(hid);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("HID access broke down"));

        Initialize(window);

        QCOMPARE(window.windowTitle(),
                 windowCaption(version::major, version::minor, version::revision));
        QCOMPARE(window.Units.PressureUnitLabel(), QStringLiteral("KPa"));
    }

    // The operator does not see standard error: the window says once, beside
    // itself, that logging stopped and why, and goes on reading.
    void windowSaysOnceThatLoggingStopped() {
        hid::EmulatedBackend backend;
        const hid::EmulatedBackend::Interface& receiver = backend.addReceiver();
        ObservedBackend seen(backend);
        ModHIDCom hid(seen);
        frmMain window(hid);
        CycleLog log;
        QCOMPARE(log.open(QStringLiteral("/dev/full")), CycleLog::Opened::Yes);
        static std::ostringstream warnings;
        logCycles(window, log, []() -> std::ostream& { return warnings; });
        window.show();

        window.GetDataFromDevice();
        window.GetDataFromDevice();

        const QList<QMessageBox*> boxes = window.findChildren<QMessageBox*>();
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes[0]->isVisible());
        QVERIFY(!boxes[0]->isModal());
        QVERIFY2(boxes[0]->text().contains(QString::fromLocal8Bit(std::strerror(ENOSPC))),
                 qPrintable(boxes[0]->text()));
        QCOMPARE(QString::fromStdString(warnings.str()).count('\n'), 1);
        QCOMPARE(window.lblDevStasus->text(), QStringLiteral("On line!"));
        QCOMPARE(seen.of(receiver).received.size(), std::size_t{10});
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
