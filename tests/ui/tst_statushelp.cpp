// SPDX-License-Identifier: MIT
#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "ui/frmMain.h"

#include <QTest>
#include <QWindow>
#include <memory>

// Movements are fed to the window system layer of the top-level window
// (QTest::mouseMove on its QWindow), so Qt itself picks the control under
// the point, sends enter and leave, and decides who hears the movement.
namespace {

const QString welcome =
    QStringLiteral("Welcome to Tyrescope, a utility to test the Rimlink receiver.");
const QString sensor2 = QStringLiteral("Data received from the sensor number 2.");
const QString once = QStringLiteral("Adquires the data from the TPMS receiver one time.");
const QString continuous =
    QStringLiteral("Starts or stops the data adquiring from the TPMS receiver every 5 seconds.");
const QString masterReset = QStringLiteral(
    "Caution! This will delete any association with the sensors. A new learning process will be "
    "required before to use the receiver again.");
const QString dataReset =
    QStringLiteral("Caution! This will delete any data stored in your TPMS receiver.");
// Never a help line: shows whether a movement wrote anything at all.
const QString untouched = QStringLiteral("(untouched)");

// Window points, in pixels, over the uncovered part of a control.
constexpr QPoint overPicPressure{10, 74};
constexpr QPoint overPicSensor2{202, 154};
constexpr QPoint overCmdDevReset{248, 484};
constexpr QPoint overCmdDataReset{360, 484};
constexpr QPoint overCmdContinuous{512, 484};
constexpr QPoint overCmdSingle{624, 484};
constexpr QPoint betweenTheButtons{568, 484};
constexpr QPoint overImgGradient{100, 30};

} // namespace

class tst_StatusHelp : public QObject {
    Q_OBJECT

    // Nothing attached: the help needs no receiver.
    hid::EmulatedBackend backend;
    ModHIDCom hid{backend};
    std::unique_ptr<frmMain> window;

    void moveTo(QPoint point) { QTest::mouseMove(window->windowHandle(), point); }
    QString message() const { return window->lblStatusMsg->text(); }

    // The widget Qt will deliver a movement at `point` to; the window itself
    // when nothing but background (or a shape) lies there.
    QWidget* under(QPoint point) const {
        QWidget* child = window->childAt(point);
        return child != nullptr ? child : window.get();
    }

    QWidget* named(const QString& name) const {
        frmMain& w = *window;
        const std::pair<const char*, QWidget*> controls[] = {
            {"frmMain", &w},
            {"picPressure", w.picPressure},
            {"picTemperature", w.picTemperature},
            {"picDevStatus", w.picDevStatus},
            {"picSensor1", w.picSensor1},
            {"picSensor2", w.picSensor2},
            {"picSensor3", w.picSensor3},
            {"picSensor4", w.picSensor4},
            {"picSensor5", w.picSensor5},
            {"cmdDevReset", w.cmdDevReset},
            {"cmdDataReset", w.cmdDataReset},
            {"cmdSingle", w.cmdSingle},
            {"cmdContinuous", w.cmdContinuous},
            {"optPressure(1)", w.optPressure[1]},
            {"optTemperature(0)", w.optTemperature[0]},
            {"lblPressure(1)", w.lblPressure[1]},
            {"lblTemperature(1)", w.lblTemperature[1]},
            {"lblRawdata(1)", w.lblRawdata[1]},
            {"lblStatus(1)", w.lblStatus[1]},
            {"imgBattery(1)", w.imgBattery[1]},
            {"imgDevStatus", w.imgDevStatus},
            {"lblDevStasus", w.lblDevStasus},
            {"imgQuillon", w.imgQuillon},
            {"imgLogo", w.imgLogo},
            {"imgGradient", w.imgGradient},
            {"lblStatusMsg", w.lblStatusMsg},
        };
        for (const auto& [controlName, control] : controls) {
            if (name == QLatin1String(controlName)) {
                return control;
            }
        }
        return nullptr;
    }

private slots:
    void init() {
        window = std::make_unique<frmMain>(hid);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup() { window.reset(); }

    void welcomeTextUntilThePointerMoves() { QCOMPARE(message(), welcome); }

    void eachExplainedControlWritesItsLine_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QString>("line");

        QTest::newRow("window background") << "frmMain" << betweenTheButtons << QString();
        // The shapes are part of the window's surface.
        QTest::newRow("shpColumn") << "frmMain" << QPoint(2, 200) << QString();
        QTest::newRow("shpStatusbar") << "frmMain" << QPoint(4, 506) << QString();
        QTest::newRow("picPressure") << "picPressure" << overPicPressure
                                     << "Select the measurement unit to display the pressure.";
        QTest::newRow("picTemperature")
            << "picTemperature" << QPoint(10, 218)
            << "Select the measurement unit to display the temperature.";
        QTest::newRow("picDevStatus") << "picDevStatus" << QPoint(10, 338)
                                      << "Status of the USB connection to the TPMS receiver.";
        for (int n = 1; n <= 5; ++n) {
            const QByteArray name = "picSensor" + QByteArray::number(n);
            QTest::newRow(name.constData())
                << QString::fromLatin1(name) << QPoint(202, 74 + 80 * (n - 1))
                << QStringLiteral("Data received from the sensor number %1.").arg(n);
        }
        QTest::newRow("cmdDevReset") << "cmdDevReset" << overCmdDevReset << masterReset;
        QTest::newRow("cmdDataReset") << "cmdDataReset" << overCmdDataReset << dataReset;
        QTest::newRow("cmdSingle") << "cmdSingle" << overCmdSingle << once;
        QTest::newRow("cmdContinuous") << "cmdContinuous" << overCmdContinuous << continuous;
    }
    void eachExplainedControlWritesItsLine() {
        QFETCH(QString, control);
        QFETCH(QPoint, point);
        QFETCH(QString, line);

        window->cmdDevReset->show();
        window->cmdDataReset->show();
        QCOMPARE(under(point), named(control));

        moveTo(overImgGradient);
        window->lblStatusMsg->setText(untouched);
        moveTo(point);
        QCOMPARE(message(), line);

        // Written again on every movement, not only on entering.
        window->lblStatusMsg->setText(untouched);
        moveTo(point + QPoint(1, 1));
        QCOMPARE(message(), line);
    }

    void passiveControlsKeepTheLine_data() {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("passive");
        QTest::addColumn<QPoint>("point");

        QTest::newRow("label in a sensor panel")
            << overPicSensor2 << sensor2 << "lblPressure(1)" << QPoint(260, 165);
        QTest::newRow("temperature label")
            << overPicSensor2 << sensor2 << "lblTemperature(1)" << QPoint(440, 165);
        QTest::newRow("raw data label")
            << overPicSensor2 << sensor2 << "lblRawdata(1)" << QPoint(228, 205);
        QTest::newRow("status label")
            << overPicSensor2 << sensor2 << "lblStatus(1)" << QPoint(440, 205);
        QTest::newRow("battery gauge")
            << overPicSensor2 << sensor2 << "imgBattery(1)" << QPoint(664, 170);
        QTest::newRow("pressure option")
            << overPicPressure << "Select the measurement unit to display the pressure."
            << "optPressure(1)" << QPoint(40, 150);
        QTest::newRow("temperature option")
            << overPicPressure << "Select the measurement unit to display the pressure."
            << "optTemperature(0)" << QPoint(40, 272);
        QTest::newRow("bulb") << overPicSensor2 << sensor2 << "imgDevStatus" << QPoint(34, 394);
        QTest::newRow("connection text")
            << overPicSensor2 << sensor2 << "lblDevStasus" << QPoint(82, 402);
        QTest::newRow("status bar text")
            << overCmdSingle << once << "lblStatusMsg" << QPoint(100, 515);
        QTest::newRow("product logo")
            << overCmdContinuous << continuous << "imgLogo" << QPoint(600, 30);
        QTest::newRow("maker's logo") << overCmdSingle << once << "imgQuillon" << QPoint(50, 470);
        QTest::newRow("banner") << overCmdSingle << once << "imgGradient" << QPoint(100, 30);
    }
    void passiveControlsKeepTheLine() {
        QFETCH(QPoint, from);
        QFETCH(QString, line);
        QFETCH(QString, passive);
        QFETCH(QPoint, point);

        window->imgBattery[1]->show();
        QCOMPARE(under(point), named(passive));

        moveTo(from);
        QCOMPARE(message(), line);
        moveTo(point);
        QCOMPARE(message(), line);
        moveTo(point + QPoint(1, 1));
        QCOMPARE(message(), line);
    }

    void hiddenServiceButtonsNeverWarn_data() {
        QTest::addColumn<QPoint>("point");
        QTest::newRow("where Master Reset would be") << overCmdDevReset;
        QTest::newRow("where Data Reset would be") << overCmdDataReset;
    }
    void hiddenServiceButtonsNeverWarn() {
        QFETCH(QPoint, point);
        QVERIFY(window->cmdDevReset->isHidden());
        QVERIFY(window->cmdDataReset->isHidden());

        moveTo(overCmdSingle);
        moveTo(point);
        QCOMPARE(message(), QString());
    }

    void acrossTheButtonRow() {
        // From "Once" leftwards over the background to "Continuous", a pixel
        // at a time: each line appears once, in the order passed.
        QStringList seen;
        for (int x = overCmdSingle.x(); x >= overCmdContinuous.x(); --x) {
            moveTo({x, overCmdSingle.y()});
            if (seen.isEmpty() || seen.last() != message()) {
                seen << message();
            }
        }
        QCOMPARE(seen, (QStringList{once, QString(), continuous}));
    }
};

QTEST_MAIN(tst_StatusHelp)
#include "tst_statushelp.moc"
