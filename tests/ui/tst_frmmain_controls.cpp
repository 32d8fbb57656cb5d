// SPDX-License-Identifier: MIT
#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "tests/support/ObservedBackend.h"
#include "ui/frmMain.h"

#include <QTest>
#include <QTimerEvent>
#include <functional>
#include <memory>

namespace {

using Report = std::vector<std::uint8_t>;

QString hex(const Report& report) {
    QStringList bytes;
    for (const std::uint8_t b : report) {
        bytes << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    }
    return bytes.join(QLatin1Char(' '));
}

QStringList hex(const std::vector<Report>& reports) {
    QStringList list;
    for (const Report& report : reports) {
        list << hex(report);
    }
    return list;
}

// The requests of `cycles` whole acquisition cycles, as a 3-byte output
// report each: 00 21 00 .. 00 25 00, over and over.
QStringList requests(int cycles) {
    QStringList list;
    for (int c = 0; c < cycles; ++c) {
        for (std::uint8_t command = 0x21; command <= 0x25; ++command) {
            list << hex(Report{0x00, command, 0x00});
        }
    }
    return list;
}

// What the operator can see of the controls at one moment.
struct ControlState {
    QString caption;
    bool onceEnabled = false;
    bool devResetEnabled = false;
    bool dataResetEnabled = false;
    bool timerActive = false;
};

// Everything a service command must leave alone.
struct Screen {
    QString connection;
    qint64 bulb = 0;
    QStringList panels;
    sensor::SensorData data{};

    friend bool operator==(const Screen&, const Screen&) = default;
};

} // namespace

class tst_frmMain_controls : public QObject {
    Q_OBJECT

    std::unique_ptr<hid::EmulatedBackend> emulated;
    hid::EmulatedBackend::Interface* receiver = nullptr;
    std::unique_ptr<ObservedBackend> backend;
    std::unique_ptr<ModHIDCom> hid;
    std::unique_ptr<frmMain> window;

    ControlState controls() const {
        return {window->cmdContinuous->text(), window->cmdSingle->isEnabled(),
                window->cmdDevReset->isEnabled(), window->cmdDataReset->isEnabled(),
                window->tmrContinuous.isActive()};
    }

    Screen screen() const {
        Screen s{window->lblDevStasus->text(),
                 window->imgDevStatus->picture().cacheKey(),
                 {},
                 window->SensorData};
        for (std::size_t i = 0; i < window->picSensor.size(); ++i) {
            s.panels << window->lblPressure[i]->text() << window->lblTemperature[i]->text()
                     << window->lblRawdata[i]->text() << window->lblStatus[i]->text()
                     << QString::number(window->imgBattery[i]->isVisible());
        }
        return s;
    }

    void click(QWidget* control, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(control, Qt::LeftButton, modifiers);
    }

    // One period ending, delivered as the event loop delivers it.
    void tick() {
        QVERIFY(window->tmrContinuous.isActive());
        QTimerEvent due(window->tmrContinuous.timerId());
        QCoreApplication::sendEvent(&window->tmrContinuous, &due);
    }

    void run(const QString& actions) {
        for (const QChar action : actions) {
            switch (action.toLatin1()) {
            case 'C':
                click(window->cmdContinuous);
                break;
            case 'O':
                click(window->cmdSingle);
                break;
            case 'T':
                tick();
                break;
            case 'L':
                click(window->imgQuillon, Qt::ShiftModifier);
                break;
            case 'l':
                click(window->imgQuillon);
                break;
            case 's':
                QTest::keyClick(window->windowHandle(), Qt::Key_Space);
                break;
            case 'r':
                QTest::keyClick(window->windowHandle(), Qt::Key_Return);
                break;
            case 't':
                QTest::keyClick(window->windowHandle(), Qt::Key_Tab);
                break;
            default:
                QFAIL("unknown action");
            }
        }
    }

private slots:
    void init() {
        emulated = std::make_unique<hid::EmulatedBackend>();
        receiver = &emulated->addReceiver();
        for (int i = 0; i < 5; ++i) {
            receiver->model().setRecord(i, {static_cast<std::uint8_t>(0x60 + i), 0x41, 0x50, 0x01});
        }
        backend = std::make_unique<ObservedBackend>(*emulated);
        hid = std::make_unique<ModHIDCom>(*backend);
        window = std::make_unique<frmMain>(*hid);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup() {
        window.reset();
        hid.reset();
        backend.reset();
        emulated.reset();
    }

    // C: "Continuous"/"Stop", O: "Once", T: a timer tick, L: Shift+click on
    // the maker's logo, l: a plain click on it; keys typed into the window as
    // it opened: s Space, r Return (Enter), t Tab.
    void controlsAfterClicks_data() {
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("polling");
        QTest::addColumn<bool>("serviceShown");
        QTest::addColumn<int>("cycles");

        QTest::newRow("start") << ""
                               << "Continuous" << false << false << 0;
        QTest::newRow("Once") << "O"
                              << "Continuous" << false << false << 1;
        QTest::newRow("Once twice") << "OO"
                                    << "Continuous" << false << false << 2;
        QTest::newRow("Continuous") << "C"
                                    << "Stop" << true << false << 1;
        QTest::newRow("a tick") << "CT"
                                << "Stop" << true << false << 2;
        QTest::newRow("two ticks") << "CTT"
                                   << "Stop" << true << false << 3;
        QTest::newRow("Once while polling") << "CO"
                                            << "Stop" << true << false << 1;
        QTest::newRow("Stop") << "CC"
                              << "Continuous" << false << false << 1;
        QTest::newRow("Stop after ticks") << "CTTC"
                                          << "Continuous" << false << false << 3;
        QTest::newRow("Continuous again") << "CCC"
                                          << "Stop" << true << false << 2;
        QTest::newRow("Once after Stop") << "CCO"
                                         << "Continuous" << false << false << 2;

        QTest::newRow("plain logo click") << "l"
                                          << "Continuous" << false << false << 0;
        QTest::newRow("Shift+click") << "L"
                                     << "Continuous" << false << true << 0;
        QTest::newRow("second Shift+click") << "LL"
                                            << "Continuous" << false << false << 0;
        QTest::newRow("plain click after Shift+click") << "Ll"
                                                       << "Continuous" << false << true << 0;
        QTest::newRow("Shift+click after plain") << "lL"
                                                 << "Continuous" << false << true << 0;
        QTest::newRow("shown, then polling") << "LC"
                                             << "Stop" << true << true << 1;
        QTest::newRow("shown, polling, Stop") << "LCC"
                                              << "Continuous" << false << true << 1;
        QTest::newRow("shown while polling") << "CL"
                                             << "Stop" << true << true << 1;
        QTest::newRow("hidden while polling") << "LCL"
                                              << "Stop" << true << false << 1;
        QTest::newRow("hidden while polling, shown after Stop")
            << "LCLCL"
            << "Continuous" << false << true << 1;
        QTest::newRow("shown while polling, ticking on") << "CLT"
                                                         << "Stop" << true << true << 2;

        QTest::newRow("Space at start") << "s"
                                        << "Stop" << true << false << 1;
        QTest::newRow("Return at start") << "r"
                                         << "Stop" << true << false << 1;
        QTest::newRow("Space, Space") << "ss"
                                      << "Continuous" << false << false << 1;
        QTest::newRow("Tab, Space") << "ts"
                                    << "Continuous" << false << false << 1;
    }
    void controlsAfterClicks() {
        QFETCH(QString, actions);
        QFETCH(QString, caption);
        QFETCH(bool, polling);
        QFETCH(bool, serviceShown);
        QFETCH(int, cycles);

        run(actions);

        const bool idle = !polling;
        QCOMPARE(window->cmdContinuous->text(), caption);
        QVERIFY(window->cmdContinuous->isEnabled());
        QCOMPARE(window->cmdSingle->isEnabled(), idle);
        QCOMPARE(window->cmdDevReset->isEnabled(), idle);
        QCOMPARE(window->cmdDataReset->isEnabled(), idle);
        QCOMPARE(window->ServiceMode, serviceShown);
        QCOMPARE(window->cmdDevReset->isVisible(), serviceShown);
        QCOMPARE(window->cmdDataReset->isVisible(), serviceShown);
        QCOMPARE(window->tmrContinuous.isActive(), polling);
        if (polling) {
            QCOMPARE(window->tmrContinuous.intervalAsDuration(), std::chrono::milliseconds(5000));
            QCOMPARE(window->tmrContinuous.timerType(), Qt::PreciseTimer);
        }
        QCOMPARE(hex(backend->of(*receiver).received), requests(cycles));
    }

    void timerArmedOnlyAfterTheFirstCycle() {
        // An interval left over from elsewhere must not matter.
        window->tmrContinuous.setInterval(1);
        std::vector<ControlState> duringCycle;
        backend->beforeWrite = [&] { duringCycle.push_back(controls()); };

        click(window->cmdContinuous);

        QCOMPARE(duringCycle.size(), std::size_t{5});
        for (const ControlState& seen : duringCycle) {
            QCOMPARE(seen.caption, QStringLiteral("Stop"));
            QVERIFY(!seen.onceEnabled);
            QVERIFY(!seen.devResetEnabled);
            QVERIFY(!seen.dataResetEnabled);
            QVERIFY(!seen.timerActive);
        }
        QVERIFY(window->tmrContinuous.isActive());
        QCOMPARE(window->tmrContinuous.intervalAsDuration(), std::chrono::milliseconds(5000));
        QCOMPARE(window->lblDevStasus->text(), QStringLiteral("On line!"));

        // A tick reads while the timer keeps running, and changes no control.
        duringCycle.clear();
        const ControlState before = controls();
        tick();
        QCOMPARE(duringCycle.size(), std::size_t{5});
        QVERIFY(duringCycle.front().timerActive);
        const ControlState after = controls();
        QCOMPARE(after.caption, before.caption);
        QCOMPARE(after.onceEnabled, before.onceEnabled);
        QCOMPARE(after.timerActive, before.timerActive);
    }

    void pollingWithoutReceiverKeepsTicking() {
        receiver->unplug();
        click(window->cmdContinuous);
        QCOMPARE(window->lblDevStasus->text(), QStringLiteral("Off line!"));
        QVERIFY(window->tmrContinuous.isActive());
        QVERIFY(!window->cmdSingle->isEnabled());

        // Plugged in later: the next tick finds it.
        receiver->plug();
        tick();
        QCOMPARE(window->lblDevStasus->text(), QStringLiteral("On line!"));
        QCOMPARE(hex(backend->of(*receiver).received), requests(1));
        QVERIFY(window->tmrContinuous.isActive());
    }

    void onceChangesNoControl() {
        const ControlState before = controls();
        click(window->cmdSingle);
        const ControlState after = controls();
        QCOMPARE(after.caption, before.caption);
        QCOMPARE(after.onceEnabled, before.onceEnabled);
        QCOMPARE(after.devResetEnabled, before.devResetEnabled);
        QCOMPARE(after.dataResetEnabled, before.dataResetEnabled);
        QCOMPARE(after.timerActive, before.timerActive);
        QCOMPARE(window->lblDevStasus->text(), QStringLiteral("On line!"));
        QCOMPARE(window->lblPressure[0]->text(), QStringLiteral("Pressure: 140 KPa"));
    }

    void serviceButtonsShowAndHideInOrder_data() {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QStringList>("events");

        const QStringList shown{"cmdDevReset shown", "cmdDataReset shown"};
        QTest::newRow("plain") << Qt::KeyboardModifiers() << QStringList();
        QTest::newRow("Shift") << Qt::KeyboardModifiers(Qt::ShiftModifier) << shown;
        QTest::newRow("Shift+Ctrl") << (Qt::ShiftModifier | Qt::ControlModifier) << shown;
        QTest::newRow("Ctrl") << Qt::KeyboardModifiers(Qt::ControlModifier) << QStringList();
        QTest::newRow("Alt") << Qt::KeyboardModifiers(Qt::AltModifier) << QStringList();
    }
    void serviceButtonsShowAndHideInOrder() {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QStringList, events);

        struct Recorder : QObject {
            QStringList seen;
            bool eventFilter(QObject* watched, QEvent* event) override {
                if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
                    seen << watched->objectName() +
                                (event->type() == QEvent::Show ? " shown" : " hidden");
                }
                return false;
            }
        } recorder;
        window->cmdDevReset->setObjectName(QStringLiteral("cmdDevReset"));
        window->cmdDataReset->setObjectName(QStringLiteral("cmdDataReset"));
        window->cmdDevReset->installEventFilter(&recorder);
        window->cmdDataReset->installEventFilter(&recorder);

        click(window->imgQuillon, modifiers);
        QCOMPARE(recorder.seen, events);

        // The same click again brings the buttons back to where they were.
        recorder.seen.clear();
        click(window->imgQuillon, modifiers);
        QStringList back = events;
        back.replaceInStrings(QStringLiteral(" shown"), QStringLiteral(" hidden"));
        QCOMPARE(recorder.seen, back);
        QVERIFY(window->cmdDevReset->isHidden());
        QVERIFY(window->cmdDataReset->isHidden());
    }

    void serviceCommandSendsItsByte_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<bool>("readBefore");
        QTest::addColumn<QString>("report");

        QTest::newRow("Master Reset") << "Master Reset" << 1 << true << "00 FF 00";
        QTest::newRow("Master Reset twice") << "Master Reset" << 2 << true << "00 FF 00";
        QTest::newRow("Data Reset") << "Data Reset" << 1 << true << "00 FE 00";
        QTest::newRow("Data Reset twice") << "Data Reset" << 2 << true << "00 FE 00";
        // Plugged in after the last reading: the click connects first.
        QTest::newRow("Master Reset, not yet connected")
            << "Master Reset" << 1 << false << "00 FF 00";
        QTest::newRow("Data Reset, not yet connected") << "Data Reset" << 1 << false << "00 FE 00";
    }
    void serviceCommandSendsItsByte() {
        QFETCH(QString, button);
        QFETCH(int, clicks);
        QFETCH(bool, readBefore);
        QFETCH(QString, report);

        click(window->imgQuillon, Qt::ShiftModifier);
        if (readBefore) {
            window->GetDataFromDevice();
            QVERIFY(hid->DeviceConnected());
        }
        QCOMPARE(hid->DeviceConnected(), readBefore);
        backend->of(*receiver).received.clear();
        const int readsBefore = backend->of(*receiver).reads;
        const Screen before = screen();

        QPushButton* target =
            button == QLatin1String("Master Reset") ? window->cmdDevReset : window->cmdDataReset;
        QCOMPARE(target->text(), button);
        for (int c = 0; c < clicks; ++c) {
            click(target);
        }

        QCOMPARE(hex(backend->of(*receiver).received), QStringList(clicks, report));
        QCOMPARE(backend->of(*receiver).reads, readsBefore);
        QVERIFY(hid->DeviceConnected());
        QVERIFY(screen() == before);
        QCOMPARE(window->lblDevStasus->text(),
                 readBefore ? QStringLiteral("On line!") : QStringLiteral("Off line!"));
        const bool master = target == window->cmdDevReset;
        QCOMPARE(receiver->model().masterResetCount(), master ? clicks : 0);
        QCOMPARE(receiver->model().dataResetCount(), master ? 0 : clicks);
        QVERIFY(window->ServiceMode);
        QVERIFY(!window->tmrContinuous.isActive());
    }

    void serviceCommandWithoutReceiver_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("unplugged");

        QTest::newRow("Master Reset, nothing attached") << "Master Reset" << true;
        QTest::newRow("Data Reset, nothing attached") << "Data Reset" << true;
        QTest::newRow("Master Reset, no access") << "Master Reset" << false;
        QTest::newRow("Data Reset, no access") << "Data Reset" << false;
    }
    void serviceCommandWithoutReceiver() {
        QFETCH(QString, button);
        QFETCH(bool, unplugged);

        if (unplugged) {
            receiver->unplug();
        } else {
            receiver->options().openable = false;
        }
        click(window->imgQuillon, Qt::ShiftModifier);
        const Screen before = screen();
        const int attempts = backend->of(*receiver).openAttempts;

        click(button == QLatin1String("Master Reset") ? window->cmdDevReset : window->cmdDataReset);

        QVERIFY(!hid->DeviceConnected());
        QVERIFY(backend->of(*receiver).received.empty());
        QVERIFY(screen() == before);
        QCOMPARE(window->lblDevStasus->text(), QStringLiteral("Off line!"));
        QCOMPARE(backend->of(*receiver).openAttempts, attempts + (unplugged ? 0 : 1));
        QCOMPARE(backend->openHandles(), 0);
    }
};

QTEST_MAIN(tst_frmMain_controls)
#include "tst_frmmain_controls.moc"
