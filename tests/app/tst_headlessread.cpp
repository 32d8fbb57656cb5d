// SPDX-License-Identifier: MIT
#include "app/CycleLog.h"
#include "app/HeadlessRead.h"
#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "tests/support/ObservedBackend.h"
#include "verdict/Limits.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <sstream>
#include <sys/resource.h>
#include <thread>
#include <utility>

namespace {

using Receiver = hid::EmulatedBackend::Interface;
using Script = std::function<void(hid::EmulatedBackend&)>;
// A script that also plans what happens during the run; timers set on
// `during` end with the run.
using TimedScript = std::function<void(hid::EmulatedBackend&, QObject& during)>;

// Sensors 1 to 4 hold records, sensor 5 was never heard from.
Receiver& fourSensors(hid::EmulatedBackend& backend) {
    Receiver& receiver = backend.addReceiver();
    receiver.model().setRecord(0, {0x78, 0x41, 0x50, 0x01}); // 200 kPa, 25 °C
    receiver.model().setRecord(1, {0x04, 0x16, 0x30, 0x03}); // -90 kPa, -18 °C
    receiver.model().setRecord(2, {0x2B, 0x28, 0x10, 0x02}); // 7.5 kPa, 0 °C
    receiver.model().setRecord(3, {0xFE, 0xFE, 0xFE, 0x00});
    receiver.options().serial = "TPMS-0042";
    return receiver;
}

// A whole --read run over an emulated receiver.
struct Run {
    hid::EmulatedBackend backend;
    ObservedBackend seen{backend};
    ModHIDCom hid{seen};
    std::ostringstream out;
    std::ostringstream err;
    int status = -1;

    Run(const Script& script, const ReadOptions& options, CycleLog* log = nullptr) {
        script(backend);
        HeadlessRead reader(seen, hid, options, out, err);
        reader.setLog(log);
        status = reader.run();
    }
    Run(const TimedScript& script, const ReadOptions& options, const hid::ReceiverChoice& choice) {
        QObject during;
        script(backend, during);
        hid.choose(choice);
        HeadlessRead reader(seen, hid, options, out, err);
        status = reader.run();
    }
};

ReadOptions readOptions(cycle::OutputFormat format, int count = 1, std::vector<int> required = {}) {
    ReadOptions options;
    options.format = format;
    options.count = count;
    options.interval = std::chrono::milliseconds(0);
    options.requiredSensors = std::move(required);
    return options;
}

QString contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class tst_HeadlessRead : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void exitStatus_data() {
        QTest::addColumn<Script>("script");
        QTest::addColumn<int>("count");
        QTest::addColumn<std::vector<int>>("required");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err"); // expected in standard error

        const Script four = [](hid::EmulatedBackend& b) { fourSensors(b); };
        QTest::newRow("five answers") << four << 1 << std::vector<int>{} << 0 << "";
        QTest::newRow("required sensors hold data")
            << four << 2 << std::vector<int>{1, 2, 3, 4} << 0 << "";
        QTest::newRow("no HID device")
            << Script([](hid::EmulatedBackend&) {}) << 1 << std::vector<int>{} << 1
            << "No HID interfaces are present";
        QTest::newRow("receiver not permitted") << Script([](hid::EmulatedBackend& b) {
            hid::EmulatedBackend::InterfaceOptions o;
            o.openable = false;
            b.add(o);
        }) << 1 << std::vector<int>{} << 1 << "Install the udev rule";
        QTest::newRow("lost at the third answer")
            << Script([](hid::EmulatedBackend& b) { fourSensors(b).unplugOnWrite(3); }) << 1
            << std::vector<int>{} << 3 << "emulated/0 was lost during the cycle";
        QTest::newRow("silent in the first of two cycles")
            << Script([](hid::EmulatedBackend& b) { fourSensors(b).stayQuietNext(); }) << 2
            << std::vector<int>{} << 3 << "an answer did not come";
        QTest::newRow("required sensor without data")
            << four << 1 << std::vector<int>{2, 5} << 4 << "required sensors without data: 5\n";
        QTest::newRow("required sensor with a pressure only")
            << Script([](hid::EmulatedBackend& b) {
                   fourSensors(b).model().setRecord(4, {0x78, 0xFF, 0x50, 0x01});
               })
            << 1 << std::vector<int>{5} << 4 << "required sensors without data: 5\n";
        QTest::newRow("required sensor with a temperature only")
            << Script([](hid::EmulatedBackend& b) {
                   fourSensors(b).model().setRecord(4, {0xFF, 0x41, 0x50, 0x01});
               })
            << 1 << std::vector<int>{5} << 4 << "required sensors without data: 5\n";
        QTest::newRow("lost, then a required sensor without data: lost is worse")
            << Script([](hid::EmulatedBackend& b) { fourSensors(b).stayQuietNext(); }) << 2
            << std::vector<int>{5} << 3 << "required sensors without data: 5\n";
        QTest::newRow("lost, then gone: not found is worse")
            << Script([](hid::EmulatedBackend& b) { fourSensors(b).unplugOnWrite(1); }) << 2
            << std::vector<int>{5} << 1
            << "the receiver this run began with, at emulated/0 (serial TPMS-0042), was not found";
        QTest::newRow("lost, then another receiver there: not read in its place")
            << Script([](hid::EmulatedBackend& b) {
                   fourSensors(b).unplugOnWrite(6);
                   fourSensors(b).options().serial = "TPMS-0043";
               })
            << 3 << std::vector<int>{} << 1 << "no other receiver is read in its place";
    }
    void exitStatus() {
        QFETCH(Script, script);
        QFETCH(int, count);
        QFETCH(std::vector<int>, required);
        QFETCH(int, status);
        QFETCH(QString, err);

        Run run(script, readOptions(cycle::OutputFormat::Json, count, required));

        QCOMPARE(run.status, status);
        const QString stdErr = QString::fromStdString(run.err.str());
        QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.contains(err), qPrintable(stdErr));
        // One object per cycle, whatever happened in it, and the receiver let go.
        const QList<QByteArray> lines = QByteArray::fromStdString(run.out.str()).split('\n');
        QCOMPARE(lines.size(), count + 1);
        QCOMPARE(run.seen.openHandles(), 0);
        QCOMPARE(QJsonDocument::fromJson(lines[count - 1])["device"].isNull(), status == 1);
    }

    // The format's header once, then each cycle; text tables a blank line apart.
    void headerOnceThenEachCycle() {
        const Script four = [](hid::EmulatedBackend& b) { fourSensors(b); };
        Run csv(four, readOptions(cycle::OutputFormat::Csv, 2));
        const QByteArray rows = QByteArray::fromStdString(csv.out.str());
        QVERIFY(rows.startsWith(cycle::csvHeader()));
        QCOMPARE(rows.count(cycle::csvHeader()), 1);
        QCOMPARE(rows.count("\r\n"), 1 + 2 * 5);

        Run text(four, readOptions(cycle::OutputFormat::Text, 2));
        const QStringList table = QString::fromStdString(text.out.str()).split('\n');
        QCOMPARE(table.indexOf(QRegularExpression("On line.*")), 0);
        QCOMPARE(table.indexOf(QRegularExpression("On line.*"), 1), 8); // after one blank line
    }

    // --wait and the choice of receiver: a receiver that comes, or comes
    // free, within the wait is read; the status says what was missing only
    // when the wait is over.
    void waitingAndChoosing_data() {
        QTest::addColumn<TimedScript>("script");
        QTest::addColumn<QString>("serial"); // --serial
        QTest::addColumn<int>("wait");       // --wait, ms
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out"); // expected in standard output
        QTest::addColumn<QString>("err"); // expected in standard error
        QTest::addColumn<int>("took");    // at least, ms

        const auto held = [](hid::EmulatedBackend& b, QObject&) {
            fourSensors(b).options().heldElsewhere = true;
        };
        const auto freedLater = [](hid::EmulatedBackend& b, QObject& during) {
            Receiver& receiver = fourSensors(b);
            receiver.options().heldElsewhere = true;
            QTimer::singleShot(300, &during,
                               [&receiver] { receiver.options().heldElsewhere = false; });
        };
        const auto pluggedInLater = [](hid::EmulatedBackend& b, QObject& during) {
            Receiver& receiver = fourSensors(b);
            receiver.unplug();
            QTimer::singleShot(300, &during, [&receiver] { receiver.plug(); });
        };
        const auto two = [](hid::EmulatedBackend& b, QObject&) {
            fourSensors(b).options().serial = "A";
            fourSensors(b).options().serial = "B";
        };
        const QString inUse = "another copy of Tyrescope is using the receiver";
        QTest::newRow("held by another copy")
            << TimedScript(held) << "" << 0 << 5 << ""
            << inUse + "; try again when it has ended, or wait for it with --wait" << 0;
        QTest::newRow("held for good, waited for 0.3 s")
            << TimedScript(held) << "" << 300 << 5 << ""
            << inUse +
                   "; it was not free within the 0.3 s waited; try again when that copy has ended\n"
            << 300;
        QTest::newRow("freed after 0.3 s, waited for up to 3 s")
            << TimedScript(freedLater) << "" << 3000 << 0 << "On line"
            << "" << 300;
        QTest::newRow("plugged in after 0.3 s, waited for up to 3 s")
            << TimedScript(pluggedInLater) << "" << 3000 << 0 << "On line"
            << "" << 300;
        QTest::newRow("plugged in after 0.3 s, not waited for")
            << TimedScript(pluggedInLater) << "" << 0 << 1 << ""
            << "not found" << 0;
        QTest::newRow("the second of two chosen by serial")
            << TimedScript(two) << "B" << 0 << 0 << "receiver at emulated/1 (serial B)"
            << "" << 0;
        QTest::newRow("a serial no receiver has: those present listed")
            << TimedScript(two) << "C" << 0 << 1 << ""
            << "No receiver matches --serial C.\nReceivers present:\n  emulated/0  serial A\n"
               "  emulated/1  serial B\n"
            << 0;
        QTest::newRow("a serial two receivers carry: neither is read")
            << TimedScript([](hid::EmulatedBackend& b, QObject&) {
                   fourSensors(b).options().serial = "A";
                   fourSensors(b).options().serial = "A";
               })
            << "A" << 0 << 2 << ""
            << "tyrescope: 2 receivers have the serial number A:\n  emulated/0\n  emulated/1\n"
               "Choose one of them with --device PATH.\n"
            << 0;
    }
    void waitingAndChoosing() {
        QFETCH(TimedScript, script);
        QFETCH(QString, serial);
        QFETCH(int, wait);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(int, took);
        ReadOptions options = readOptions(cycle::OutputFormat::Text);
        options.wait = std::chrono::milliseconds(wait);
        QElapsedTimer clock;
        clock.start();

        Run run(script, options, hid::ReceiverChoice{{}, serial.toStdString()});

        QCOMPARE(run.status, status);
        QVERIFY2(QString::fromStdString(run.out.str()).contains(out), run.out.str().c_str());
        QVERIFY2(QString::fromStdString(run.err.str()).contains(err), run.err.str().c_str());
        // The wait ends to the millisecond, give or take the clock's rounding.
        QVERIFY2(clock.elapsed() >= took - 5 && clock.elapsed() < took + 900,
                 qPrintable(QString::number(clock.elapsed())));
    }

    // After a cycle that overran its interval the next starts at once, and
    // the following ones an interval apart from it: none catch up.
    void overrunCycleDoesNotBunchTheNext() {
        hid::EmulatedBackend backend;
        fourSensors(backend);
        ObservedBackend seen(backend);
        ModHIDCom hid(seen);
        std::vector<std::chrono::steady_clock::time_point> starts;
        int writes = 0;
        seen.beforeWrite = [&] {
            if (writes++ % protocol::SensorCount == 0) {
                starts.push_back(std::chrono::steady_clock::now());
                if (starts.size() == 1) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(700));
                }
            }
        };
        ReadOptions options = readOptions(cycle::OutputFormat::Json, 4);
        options.interval = std::chrono::milliseconds(300);
        std::ostringstream out;
        std::ostringstream err;
        QCOMPARE(HeadlessRead(seen, hid, options, out, err).run(), 0);
        QCOMPARE(starts.size(), std::size_t{4});
        const auto gap = [&](std::size_t i) {
            return std::chrono::duration_cast<std::chrono::milliseconds>(starts[i] - starts[i - 1])
                .count();
        };
        QVERIFY2(gap(1) >= 700 && gap(1) < 950, qPrintable(QString::number(gap(1))));
        QVERIFY2(gap(2) >= 295 && gap(3) >= 295, qPrintable(QString::number(gap(2))));
    }

    // A required sensor without data outranks a value outside its limits.
    void limitsRankBelowRequiredSensors() {
        const auto limits =
            verdict::parseLimits(R"({"pressure": {"max": 100, "unit": "kpa"}})", "l");
        QVERIFY(limits.limits);
        hid::EmulatedBackend backend;
        fourSensors(backend);
        ModHIDCom hid(backend);
        std::ostringstream out;
        std::ostringstream err;
        for (const auto& [required, status] :
             {std::pair{std::vector<int>{}, 7}, std::pair{std::vector<int>{5}, 4}}) {
            HeadlessRead reader(backend, hid, readOptions(cycle::OutputFormat::Json, 1, required),
                                out, err);
            reader.setLimits(&*limits.limits);
            QCOMPARE(reader.run(), status);
        }
        QVERIFY(err.str().find("outside limits: sensor 1 pressure 200 KPa above max 100 KPa") !=
                std::string::npos);
    }

    // Each time the receiver goes missing the reason is told, not only the first time.
    void explainedEachTimeItGoesMissing() {
        hid::EmulatedBackend backend;
        Receiver& receiver = fourSensors(backend);
        receiver.unplug();
        QObject during;
        // Cycles at 0 (missing), 0.6 (found), 1.2 (lost) and 1.8 s (missing).
        QTimer::singleShot(300, &during, [&] { receiver.plug(); });
        QTimer::singleShot(900, &during, [&] { receiver.unplug(); });
        ReadOptions options = readOptions(cycle::OutputFormat::Json, 4);
        options.interval = std::chrono::milliseconds(600);
        ModHIDCom hid(backend);
        std::ostringstream out;
        std::ostringstream err;
        QCOMPARE(HeadlessRead(backend, hid, options, out, err).run(), 1);
        QCOMPARE(QString::fromStdString(err.str()).count("was not found"), 2);
    }

    // Two runs into one log: the first run's rows stay as written, one header.
    void logAppendsAcrossRuns() {
        QTemporaryDir dir;
        const QString path = dir.filePath("bench.csv");
        const Script four = [](hid::EmulatedBackend& b) { fourSensors(b); };
        {
            CycleLog log;
            QCOMPARE(log.open(path), CycleLog::Opened::Yes);
            Run first(four, readOptions(cycle::OutputFormat::Text, 2), &log);
            QCOMPARE(first.status, 0);
        }
        const QString afterFirst = contentOf(path);
        {
            CycleLog log;
            QCOMPARE(log.open(path), CycleLog::Opened::Yes);
            Run second(Script([](hid::EmulatedBackend&) {}), readOptions(cycle::OutputFormat::Json),
                       &log);
            QCOMPARE(second.status, 1);
        }
        const QString both = contentOf(path);
        QVERIFY(both.startsWith(afterFirst));
        QVERIFY(both.startsWith(QString::fromUtf8(cycle::csvHeader())));
        const QStringList rows = both.split(QStringLiteral("\r\n"));
        QCOMPARE(rows.size(), 1 + 3 * 5 + 1);
        QCOMPARE(rows[15].section(',', 1, 1), "false");
    }

    // A write that fails later (here half-way through a cycle's rows) ends the
    // run at that cycle, with one line, and leaves only whole rows.
    void logCutShort() {
        QTemporaryDir dir;
        const QString path = dir.filePath("bench.csv");
        CycleLog log;
        QCOMPARE(log.open(path), CycleLog::Opened::Yes);
        const Script four = [](hid::EmulatedBackend& b) { fourSensors(b); };
        Run whole(four, readOptions(cycle::OutputFormat::Json), &log);
        const QString before = contentOf(path);

        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit previous = limit;
        limit.rlim_cur = static_cast<rlim_t>(before.toUtf8().size() + 100);
        setrlimit(RLIMIT_FSIZE, &limit);
        Run cut(four, readOptions(cycle::OutputFormat::Json, 3), &log);
        setrlimit(RLIMIT_FSIZE, &previous);

        QCOMPARE(cut.status, 6);
        QCOMPARE(QString::fromStdString(cut.out.str()).count('\n'), 1);
        const QString err = QString::fromStdString(cut.err.str());
        QCOMPARE(err, QStringLiteral("tyrescope: cannot write to the log %1: %2\n")
                          .arg(path, QString::fromLocal8Bit(std::strerror(EFBIG))));
        QVERIFY(!log.isLogging());
        QCOMPARE(contentOf(path), before);
        QCOMPARE(cut.seen.openHandles(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_HeadlessRead)
#include "tst_headlessread.moc"
