// SPDX-License-Identifier: MIT
#include "app/CycleLog.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "app/Version.h"
#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "tests/support/ObservedBackend.h"
#include "ui/frmMain.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <limits>
#include <memory>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

// A platform whose HID access breaks down with an error, to see start-up go on.
class ThrowingBackend final : public hid::Backend {
public:
    std::vector<hid::InterfaceInfo> enumerate() override {
        throw std::runtime_error("HID access broke down");
    }
    OpenResult open(const std::string&) override { return {}; }
};

// The program as a user starts it, but with its own runtime folder, so its
// single-instance lock meets neither a user's copy nor another test's.
class Program {
public:
    Program() {
        QFile::setPermissions(runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QProcessEnvironment environment(bool withDisplay) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimePath());
        env.insert(QStringLiteral("XDG_CACHE_HOME"), cache.path());
        if (!withRuntimeFolder) {
            env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        }
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (withDisplay) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        } else {
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        }
        return env;
    }

    // shell: sh commands run first, such as "exec >&-;", with $LOG the log's path.
    void start(QProcess& process, const QStringList& arguments, bool withDisplay = true,
               const QString& shell = {}) const {
        QProcessEnvironment env = environment(withDisplay);
        if (shell.isEmpty()) {
            process.setProcessEnvironment(env);
            process.start(QStringLiteral(TYRESCOPE_EXECUTABLE), arguments);
            return;
        }
        env.insert(QStringLiteral("LOG"), logPath);
        process.setProcessEnvironment(env);
        process.start(QStringLiteral("sh"),
                      QStringList{"-c", shell + R"( exec "$0" "$@")", TYRESCOPE_EXECUTABLE} +
                          arguments);
    }

    QString lockPath() const { return runtimePath() + QStringLiteral("/tyrescope.lock"); }
    // A copy holding the lock listens beside it for a second one.
    bool holdsLock() const {
        return QFileInfo::exists(runtimePath() + QStringLiteral("/tyrescope.socket")) ||
               QFileInfo::exists(cache.filePath(QStringLiteral("tyrescope/tyrescope.socket")));
    }
    QString runtimePath() const { return runtime.path() + runtimeSubfolder; }
    QString cachePath() const { return cache.path(); }
    bool withRuntimeFolder = true;
    QString runtimeSubfolder; // below the private folder, "/..."
    QString logPath;

private:
    QTemporaryDir runtime;
    QTemporaryDir cache;
};

// Whatever is left where the lock goes, or wherever that is.
using Plant = void (*)(Program&);
// What happens to a running --read and its log.
using During = void (*)(QProcess&, const QString& log);

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// True once the copy listening at `path` takes a request off its queue
// (it closes the connection at once): its event loop runs.
bool answers(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (static_cast<std::size_t>(name.size()) >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    bool answered =
        fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (answered) {
        pollfd closed{fd, POLLIN, 0};
        char byte;
        answered = ::poll(&closed, 1, 1000) == 1 && ::read(fd, &byte, 1) == 0;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return answered;
}

// The threads and the descriptors of a process, by number.
std::pair<QStringList, QStringList> holdings(pid_t pid) {
    const auto list = [pid](const char* what) {
        return QDir(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(what)))
            .entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    };
    return {list("task"), list("fd")};
}

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

Q_DECLARE_METATYPE(Plant)
Q_DECLARE_METATYPE(During)

class tst_Program : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

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
        QCOMPARE(window.Units.PressureUnitIndex(), 0);
        QCOMPARE(window.Units.PressureUnitLabel(), QStringLiteral("KPa"));
        QCOMPARE(window.Units.TemperatureUnitIndex(), 0);
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
        QCOMPARE(window.lblPressure[2]->text(), QStringLiteral("Pressure: 200 KPa"));
        QCOMPARE(window.lblRawdata[2]->text(), QStringLiteral("Raw data: 78 41 50 01 Hex"));
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

    // Terminal commands answer without a display and without a window.
    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out"); // expected in standard output
        QTest::addColumn<QString>("err"); // expected in standard error
        QTest::addColumn<QString>("shell");

        QTest::newRow("--version") << QStringList{"--version"} << 0
                                   << QStringLiteral("tyrescope %1\n").arg(version::text) << ""
                                   << "";
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "--simulate"
                                << ""
                                << "";
        QTest::newRow("--help gives the statuses of --list-devices and after a signal")
            << QStringList{"--help"} << 0
            << "    5  another copy of Tyrescope is using the receiver\n"
               "    6  the output or the log could not be written, or the log holds rows of\n"
               "       another layout than this version writes\n"
               "  130  ended by SIGINT (Ctrl+C) after the cycle under way\n"
               "  143  ended by SIGTERM after the cycle under way\n"
               "--list-devices ends with 0, 1, 2, 5, 6.\n"
            << ""
            << "";
        QTest::newRow("unknown option")
            << QStringList{"--frobnicate"} << 2 << ""
            << "tyrescope: Unknown option 'frobnicate'. Try 'tyrescope --help' for more "
               "information.\n"
            << "";
        QTest::newRow("--version is no pass of --read")
            << QStringList{"--read", "-v", "--require-sensors", "1,2,3,4"} << 2 << ""
            << "tyrescope: --read and -v cannot be given together."
            << "";
        QTest::newRow("--list-devices of the simulated receiver")
            << QStringList{"--list-devices", "--simulate"} << 0
            << "HID interfaces present: 1\n* emulated/0  0000:0001"
            << ""
            << "";
        QTest::newRow("log in a missing folder")
            << QStringList{"--read", "--simulate", "--log", "/nonexistent/bench.csv"} << 2 << ""
            << "tyrescope: cannot open the log /nonexistent/bench.csv for appending: "
            << "";
        QTest::newRow("log is a folder") << QStringList{"--simulate", "--log", "/"} << 2 << ""
                                         << "tyrescope: cannot open the log / for appending: "
                                         << "";
        // An accepted edge value: a rejected one would end with status 2.
        QTest::newRow("sensor 5 required")
            << QStringList{"--read", "--simulate", "--require-sensors", "5"} << 4 << ""
            << "required sensors without data: 5\n"
            << "";
        const QString full =
            QStringLiteral("tyrescope: cannot write the output: %1\n").arg(systemReason(ENOSPC));
        QTest::newRow("until interrupted, every half second, onto a full device")
            << QStringList{"--read", "--simulate", "--count", "0", "--interval", "0.5"} << 6 << ""
            << full << "exec >/dev/full;";
        QTest::newRow("--list-devices onto a full device")
            << QStringList{"--list-devices"} << 6 << "" << full << "exec >/dev/full;";
        QTest::newRow("log onto a full device")
            << QStringList{"--read", "--simulate", "--log", "/dev/full"} << 6 << "On line: "
            << QStringLiteral("tyrescope: cannot write to the log /dev/full: %1\n")
                   .arg(systemReason(ENOSPC))
            << "";
    }
    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QString, shell);
        Program program;
        QProcess process;

        program.start(process, arguments, false, shell);

        QVERIFY(process.waitForFinished(20'000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
        const QString stdOut = QString::fromLocal8Bit(process.readAllStandardOutput());
        const QString stdErr = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(stdOut.contains(out), qPrintable(stdOut));
        QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
        if (exitCode == 0) {
            QVERIFY2(stdOut.startsWith(out) || stdOut.startsWith(QStringLiteral("Usage:")),
                     qPrintable(stdOut));
        } else {
            // One line naming the problem, nothing from Qt, no window; a
            // usage error reads nothing.
            QCOMPARE(stdErr.count(QLatin1Char('\n')), 1);
            QVERIFY(exitCode != 2 || stdOut.isEmpty());
        }
    }

    // Qt's own options still reach the window: without a display, -platform
    // offscreen is what lets it open.
    void qtOptionsReachTheWindow() {
        Program program;
        QProcess window;
        program.start(window, {"-platform", "offscreen", "--simulate"}, false);
        QVERIFY(window.waitForStarted(10'000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(program.lockPath()), 20'000);
        QVERIFY(!window.waitForFinished(1'000));
        window.kill();
        QVERIFY(window.waitForFinished(10'000));
    }

    // Only windows take part in the single-instance lock: --read runs beside
    // a window or another --read (of the simulated receiver, which no one
    // locks), a window starts beside a --read, and an interrupted --read
    // ends cleanly after its cycle.
    void copiesSideBySide_data() {
        QTest::addColumn<QStringList>("holder");
        QTest::addColumn<QStringList>("second");
        const QStringList window{"--simulate"};
        const QStringList reading{"--read",     "--simulate", "--count",  "0",
                                  "--interval", "0.2",        "--format", "json"};
        const QStringList once{"--read", "--simulate", "--require-sensors", "1,2,3,4"};
        QTest::newRow("--read beside a window") << window << once;
        QTest::newRow("--read beside a --read") << reading << once;
        QTest::newRow("a window beside a --read") << reading << window;
    }
    void copiesSideBySide() {
        QFETCH(QStringList, holder);
        QFETCH(QStringList, second);
        Program program;
        QProcess first;
        program.start(first, holder);
        QVERIFY(first.waitForStarted(10'000));
        QTRY_VERIFY_WITH_TIMEOUT(first.bytesAvailable() > 0 || program.holdsLock(), 20'000);

        QProcess other;
        program.start(other, second, !second.contains("--read"));
        if (second.contains("--read")) {
            QVERIFY(other.waitForFinished(20'000));
            QCOMPARE(other.exitCode(), 0);
            QVERIFY(other.readAllStandardOutput().contains("On line"));
        } else {
            // The window copy's lock is taken, and it stays: it shows its window.
            QTRY_VERIFY_WITH_TIMEOUT(program.holdsLock(), 20'000);
            QCOMPARE(other.state(), QProcess::Running);
            other.kill();
            QVERIFY(other.waitForFinished(10'000));
        }

        QCOMPARE(first.state(), QProcess::Running);
        first.terminate(); // SIGTERM
        QVERIFY(first.waitForFinished(10'000));
        if (holder.contains("--read")) {
            QCOMPARE(first.exitStatus(), QProcess::NormalExit);
            QCOMPARE(first.exitCode(), 128 + SIGTERM);
            const QList<QByteArray> lines = first.readAllStandardOutput().split('\n');
            QVERIFY(lines.size() >= 2);
            QCOMPARE(lines.last(), QByteArray()); // no cycle cut off
            for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
                QVERIFY(QJsonDocument::fromJson(lines[i]).isObject());
            }
        }
    }

    // The window logs its cycles from the first one on; a second run appends.
    void windowLog() {
        Program program;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bench.csv"));
        const auto lines = [&path] {
            QFile log(path);
            return log.open(QIODevice::ReadOnly) ? log.readAll().split('\n') : QList<QByteArray>();
        };
        for (int run = 1; run <= 2; ++run) {
            QProcess window;
            program.start(window, {"--simulate", "--log", path});
            // Start-up's cycle, five rows after the header.
            QTRY_COMPARE_WITH_TIMEOUT(lines().size(), 1 + run * 5 + 1, 20'000);
            window.kill();
            QVERIFY(window.waitForFinished(10'000));
        }
        const QList<QByteArray> log = lines();
        QCOMPARE(log.count(log.first()), 1);
        QVERIFY(log.first().startsWith("time,reached,device,sensor,"));
        QVERIFY(log[10].contains(",true,emulated/0,5,"));
    }

    // Its log is the first copy's business: a second one leaves it alone, and says so.
    // --read's log, whatever its path holds and whatever happens to the log or
    // the program meanwhile: what was there stays as it was, a header begins
    // each new or empty file, then whole rows only, and nothing else.
    void readLog_data() {
        QTest::addColumn<QByteArray>("before");     // the file's bytes; null: no file
        QTest::addColumn<bool>("fifo");             // a FIFO at the path instead
        QTest::addColumn<QString>("shell");         // sh commands run first, $LOG the path
        QTest::addColumn<QStringList>("arguments"); // after --read --simulate --log path
        QTest::addColumn<During>("during");         // once the first cycle is logged
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err"); // standard error; empty: nothing
        QTest::addColumn<int>("rows");    // rows added; -1: whole cycles, at least one

        const QByteArray header = cycle::csvHeader();
        const QByteArray row = "2024-05-01T10:00:00.000Z,true,/dev/hidraw0,1,200,KPa,"
                               "Pressure: 200 KPa,25,\xc2\xb0"
                               "C,Temperature: 25 \xc2\xb0"
                               "C,"
                               "high,80,Status: Normal mode,1,78 41 50 01,TPMS-0042\r\n";
        const During none = nullptr;
        const QStringList once;
        const QString error = QStringLiteral("tyrescope: cannot write to the log %1: %2\n");
        QTest::newRow("new file") << QByteArray() << false << "" << once << none << 0 << "" << 5;
        QTest::newRow("empty file")
            << QByteArray("") << false << "" << once << none << 0 << "" << 5;
        QTest::newRow("file holding rows")
            << header + row << false << "" << once << none << 0 << "" << 5;
        QTest::newRow("unfinished last line")
            << header + row.left(40) << false << "" << once << none << 0 << "" << 5;
        QTest::newRow("another header")
            << QByteArray("time,pressure\r\n1,2\r\n") << false << "" << once << none << 6
            << "does not begin with a header this version writes (it lacks the columns reached,"
            << 0;
        // After an upgrade a bench goes on logging, in the file's own layout.
        QTest::newRow("the previous version's header")
            << header.left(header.indexOf(",serial")) + "\r\n" + row.left(row.indexOf(",TPMS")) +
                   "\r\n"
            << false << "" << once << none << 0
            << "is in the layout without serial numbers (Tyrescope 1.3.0), which it keeps" << 5;
        QTest::newRow("FIFO without a reader")
            << QByteArray() << true << "" << once << none << 2
            << QStringLiteral("for appending: %1\n").arg(systemReason(ENXIO)) << 0;
        QTest::newRow("FIFO whose reader leaves")
            << QByteArray() << true << R"(head -c 300 <"$LOG" >/dev/null & exec 4>"$LOG";)"
            << QStringList{"--count", "0", "--interval", "0.1"} << none << 6
            << QStringLiteral(": %1\n").arg(systemReason(EPIPE)) << 0;
        QTest::newRow("file-size limit")
            << QByteArray() << false << "ulimit -f 4;"
            << QStringList{"--count", "10", "--interval", "0.2", "--format", "csv"} << none << 6
            << QStringLiteral(": %1\n").arg(systemReason(EFBIG)) << -1;
        QTest::newRow("closed stdout")
            << QByteArray() << false << "exec >&-;" << QStringList{"--format", "json"} << none << 6
            << QStringLiteral("tyrescope: cannot write the output: %1\n").arg(systemReason(EBADF))
            << 5;
        QTest::newRow("closed stderr")
            << QByteArray() << false << "exec 2>&-;" << QStringList{"--require-sensors", "5"}
            << none << 4 << "" << 5;
        QTest::newRow("stdout's reader leaves, SIGPIPE ignored")
            << QByteArray() << false
            << R"(trap '' PIPE; mkfifo "$LOG.out"; head -c 300 <"$LOG.out" >/dev/null & )"
               R"(exec >"$LOG.out";)"
            << QStringList{"--count", "0", "--interval", "0.1", "--format", "json"} << none << 6
            << QStringLiteral("tyrescope: cannot write the output: %1\n").arg(systemReason(EPIPE))
            << -1;
        QTest::newRow("rotated") << QByteArray() << false << ""
                                 << QStringList{"--count", "3", "--interval", "1.5"}
                                 << During([](QProcess&, const QString& log) {
                                        QVERIFY(QFile::rename(log, log + ".1"));
                                        QFile fresh(log);
                                        QVERIFY(fresh.open(QIODevice::WriteOnly));
                                    })
                                 << 0 << "" << 15;
        QTest::newRow("SIGTERM between cycles")
            << QByteArray() << false << "" << QStringList{"--count", "10", "--interval", "1"}
            << During([](QProcess& process, const QString&) { process.terminate(); })
            << 128 + SIGTERM << "" << -1;
        // The program keeps the read end itself and never reads.
        QTest::newRow("SIGTERM during a blocked write")
            << QByteArray() << false << R"(mkfifo "$LOG.out"; exec 3<>"$LOG.out" >"$LOG.out";)"
            << QStringList{"--count", "0", "--interval", "0", "--format", "json"}
            << During([](QProcess& process, const QString&) {
                   const QString wchan = QStringLiteral("/proc/%1/wchan").arg(process.processId());
                   QTRY_VERIFY_WITH_TIMEOUT(contentOf(wchan).endsWith("pipe_write"), 20'000);
                   process.terminate();
               })
            << 128 + SIGTERM << "" << -1;
    }
    void readLog() {
        QFETCH(QByteArray, before);
        QFETCH(bool, fifo);
        QFETCH(QString, shell);
        QFETCH(QStringList, arguments);
        QFETCH(During, during);
        QFETCH(int, status);
        QFETCH(QString, err);
        QFETCH(int, rows);
        QTemporaryDir dir;
        Program program;
        program.logPath = dir.filePath(QStringLiteral("bench.csv"));
        const QString& path = program.logPath;
        if (fifo) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (!before.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(before);
        }

        QProcess process;
        program.start(process, QStringList{"--read", "--simulate", "--log", path} + arguments,
                      false, shell);
        if (during != nullptr) {
            QTRY_VERIFY_WITH_TIMEOUT(contentOf(path).count('\n') > 5, 20'000);
            during(process, path);
        }
        QVERIFY(process.waitForFinished(30'000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), status);
        const QString stdErr = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
        QCOMPARE(stdErr.count('\n'), err.isEmpty() ? 0 : 1);
        if (fifo) {
            return;
        }
        qsizetype added = 0;
        for (const QString& file : {path + ".1", path}) { // .1: where "rotated" moved the log
            QByteArray log = contentOf(file);
            if (log.isEmpty() && file != path) {
                continue;
            }
            QVERIFY(log.startsWith(before));
            log.remove(0, before.size());
            const QByteArray lineEnd =
                before.isEmpty() || before.endsWith('\n') || log.isEmpty() ? "" : "\r\n";
            const QByteArray head = before.isEmpty() ? cycle::csvHeader() : QByteArray();
            QVERIFY2(log.startsWith(lineEnd + head), log.constData());
            log.remove(0, lineEnd.size() + head.size());
            QVERIFY2(log.isEmpty() || log.endsWith("\r\n"), log.constData());
            const QList<QByteArray> lines = log.split('\n');
            const qsizetype commas = (before.isEmpty() ? head : before).split('\n')[0].count(',');
            for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
                QVERIFY2(lines[i].count(',') == commas && !lines[i].contains("time"),
                         lines[i].constData());
            }
            added += lines.size() - 1;
        }
        if (rows >= 0) {
            QCOMPARE(added, rows);
        } else {
            QVERIFY2(added >= 5 && added % 5 == 0, qPrintable(QString::number(added)));
        }
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
        std::ostringstream warnings;
        logCycles(window, log, warnings);
        window.show();

        window.GetDataFromDevice();
        window.GetDataFromDevice();

        const QList<QMessageBox*> boxes = window.findChildren<QMessageBox*>();
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes[0]->isVisible());
        QVERIFY(!boxes[0]->isModal());
        QVERIFY2(boxes[0]->text().contains(systemReason(ENOSPC)), qPrintable(boxes[0]->text()));
        QCOMPARE(QString::fromStdString(warnings.str()).count('\n'), 1);
        QCOMPARE(window.lblDevStasus->text(), QStringLiteral("On line!"));
        QCOMPARE(seen.of(receiver).received.size(), std::size_t{10});
    }

    void aSecondCopyEndsAtOnce_data() {
        QTest::addColumn<bool>("withLog");
        QTest::newRow("plain") << false;
        QTest::newRow("with --log and --serial") << true;
    }
    void aSecondCopyEndsAtOnce() {
        QFETCH(bool, withLog);
        Program program;
        QProcess first;
        program.start(first, {QStringLiteral("--simulate")});
        QVERIFY(first.waitForStarted(10'000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(program.lockPath()), 20'000);

        QProcess second;
        QElapsedTimer clock;
        clock.start();
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("bench.csv"));
        program.start(second,
                      withLog ? QStringList{"--log", log, "--serial", "S1"} : QStringList{});
        // A copy that showed its window would run until the window was
        // closed; ending by itself, it ended without one.
        QVERIFY(second.waitForFinished(20'000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(clock.elapsed() < 15'000);
        QVERIFY(!QFile::exists(log));
        const QByteArray err = second.readAllStandardError();
        QCOMPARE(err.contains("its window was brought forward, and --log " + log.toUtf8() +
                              ", --serial S1 were not used\n"),
                 withLog);

        QVERIFY(!first.waitForFinished(500));
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        QVERIFY(first.waitForFinished(10'000));
    }

    // Later copies end by themselves, within their deadline, whatever state
    // the first copy is in, and the first copy does not spin on them.
    void secondCopiesOfAFirstThatCannotAnswer_data() {
        QTest::addColumn<bool>("stopped"); // else out of file descriptors
        QTest::addColumn<int>("copies");
        QTest::newRow("stopped, more copies than its queue holds") << true << 8;
        QTest::newRow("out of file descriptors") << false << 1;
    }
    void secondCopiesOfAFirstThatCannotAnswer() {
        QFETCH(bool, stopped);
        QFETCH(int, copies);
        Program program;
        QProcess first;
        program.start(first, {QStringLiteral("--simulate")});
        QVERIFY(first.waitForStarted(10'000));
        // It listens before its window exists, and its first paint starts threads,
        // each with a descriptor, without which it dies: wait until it answers,
        // then until it has started and opened nothing for a second.
        QTRY_VERIFY_WITH_TIMEOUT(answers(program.runtimePath() + "/tyrescope.socket"), 20'000);
        const pid_t pid = static_cast<pid_t>(first.processId());
        auto held = holdings(pid);
        QElapsedTimer steady;
        steady.start();
        const QDeadlineTimer deadline(20'000);
        while (steady.elapsed() < 1000) {
            QVERIFY(!deadline.hasExpired());
            QTest::qWait(100);
            if (const auto now = holdings(pid); now != held) {
                held = now;
                steady.restart();
            }
        }
        if (stopped) {
            QCOMPARE(::kill(pid, SIGSTOP), 0);
        } else {
#if defined(__SANITIZE_ADDRESS__)
            // The sanitizers' own checks need descriptors (UBSan's vptr check a
            // pipe), so a copy without any fails them rather than the accept.
            first.kill();
            QVERIFY(first.waitForFinished(10'000));
            QSKIP("the sanitizers need descriptors of their own");
#endif
            // Below the lowest free number, not the count: a descriptor inherited
            // with a high number would leave a gap for the accept.
            rlim_t lowestFree = 0;
            while (held.second.contains(QString::number(lowestFree))) {
                ++lowestFree;
            }
            const rlimit full{lowestFree, lowestFree};
            QCOMPARE(::prlimit(pid, RLIMIT_NOFILE, &full, nullptr), 0);
        }
        const auto cpuTicks = [pid] {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
            const QList<QByteArray> fields = stat.open(QIODevice::ReadOnly)
                                                 ? stat.readAll().split(')').last().split(' ')
                                                 : QList<QByteArray>();
            // utime + stime; unreadable counts as busy
            return fields.size() > 13 ? fields[12].toLongLong() + fields[13].toLongLong()
                                      : std::numeric_limits<int>::max();
        };
        const long long before = cpuTicks();

        std::vector<std::unique_ptr<QProcess>> later;
        for (int i = 0; i < copies; ++i) {
            later.push_back(std::make_unique<QProcess>());
            program.start(*later.back(), {});
        }
        for (auto& copy : later) {
            QVERIFY2(copy->waitForFinished(20'000), first.readAllStandardError().constData());
            const QByteArray err = copy->readAllStandardError();
            if (copy->exitCode() != 0) {
                QCOMPARE(copy->exitCode(), 5);
                QVERIFY2(err.contains("did not answer"), err.constData());
            }
        }
        // Idle it uses next to nothing; spinning, a large share of a core.
        QTest::qWait(2000);
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY2(cpuTicks() - before < ::sysconf(_SC_CLK_TCK) / 2,
                 qPrintable(QString::number(cpuTicks() - before)));
        if (stopped) {
            ::kill(pid, SIGCONT);
        }
        first.kill();
        QVERIFY(first.waitForFinished(10'000));
    }

    // Nothing left behind keeps the program from starting: it shows its
    // window (and so keeps running), warning once when it runs unlocked.
    void startsWhateverTheLockFolderHolds_data() {
        QTest::addColumn<Plant>("plant");
        QTest::addColumn<bool>("warns");
        QTest::addColumn<QString>("lockIn"); // "runtime" or "cache": where it must be

        QTest::newRow("garbage lock file") << Plant([](Program& p) {
            QFile f(p.lockPath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("\xff\x00garbage\n", 10).repeated(100));
        }) << false << "runtime";
        QTest::newRow("empty lock file") << Plant([](Program& p) {
            QFile f(p.lockPath());
            QVERIFY(f.open(QIODevice::WriteOnly));
        }) << false << "runtime";
        QTest::newRow("lock naming this live process") << Plant([](Program& p) {
            QFile f(p.lockPath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray::number(QCoreApplication::applicationPid()) + "\ntyrescope\n" +
                    QSysInfo::machineHostName().toUtf8() + "\n");
        }) << false << "runtime";
        QTest::newRow("lock of a dead process on another host") << Plant([](Program& p) {
            QFile f(p.lockPath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("12345\ntyrescope\nsome-other-host\n");
        }) << false << "runtime";
        QTest::newRow("symlink as lock file") << Plant([](Program& p) {
            QVERIFY(QFile::link(p.cachePath() + "/elsewhere", p.lockPath()));
        }) << true << "";
        QTest::newRow("folder as lock file")
            << Plant([](Program& p) { QVERIFY(QDir().mkdir(p.lockPath())); }) << true << "";
        // As root, nothing is read-only, and the lock is simply taken.
        QTest::newRow("read-only runtime folder: the cache folder instead")
            << Plant([](Program& p) {
                   QFile::setPermissions(p.runtimePath(), QFile::ReadOwner | QFile::ExeOwner);
               })
            << false << (::geteuid() != 0 ? "cache" : "runtime");
        QTest::newRow("folder at the socket's path: the lock, and one warning")
            << Plant(
                   [](Program& p) { QVERIFY(QDir().mkdir(p.runtimePath() + "/tyrescope.socket")); })
            << true << "runtime";
        QTest::newRow("runtime folder too deep for a socket address") << Plant([](Program& p) {
            p.runtimeSubfolder = "/" + QString(60, 'r') + "/" + QString(60, 'r');
            QVERIFY(QDir().mkpath(p.runtimePath()));
            QVERIFY(QFile::setPermissions(p.runtimePath(), QFileDevice::Permissions(0x7700)));
        }) << true << "runtime";
        QTest::newRow("no runtime folder: the cache folder")
            << Plant([](Program& p) { p.withRuntimeFolder = false; }) << false << "cache";
    }
    void startsWhateverTheLockFolderHolds() {
        QFETCH(Plant, plant);
        QFETCH(bool, warns);
        QFETCH(QString, lockIn);
        Program program;
        plant(program);

        QProcess process;
        program.start(process, {QStringLiteral("--simulate")});
        // Past the lock it holds one or has warned; on a busy machine that can take seconds.
        process.setReadChannel(QProcess::StandardError);
        QTRY_VERIFY_WITH_TIMEOUT(
            program.holdsLock() || process.peek(4096).contains("tyrescope: warning:"), 20'000);
        // A copy that ends by itself never showed its window.
        QVERIFY(!process.waitForFinished(2500));
        QCOMPARE(process.state(), QProcess::Running);
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        QCOMPARE(err.count(QStringLiteral("tyrescope: warning:")), warns ? 1 : 0);
        if (lockIn == "runtime") {
            QVERIFY(QFileInfo(program.lockPath()).isFile());
        } else if (lockIn == "cache") {
            QVERIFY(QFileInfo::exists(program.cachePath() + "/tyrescope/tyrescope.lock"));
            QVERIFY(!QFileInfo::exists(program.lockPath()));
            // The fallback folder is this user's alone.
            QCOMPARE(QFileInfo(program.cachePath() + "/tyrescope").permissions(),
                     QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                         QFile::WriteUser | QFile::ExeUser);
        }
        process.kill();
        QVERIFY(process.waitForFinished(10'000));
        QFile::setPermissions(program.runtimePath(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Why the receiver is off line reaches the terminal only when asked for.
    void offLineReasonsOnRequest() {
        for (const bool asked : {false, true}) {
            Program program;
            QProcess process;
            QProcessEnvironment env = program.environment(true);
            if (asked) {
                env.insert("QT_LOGGING_RULES", "tyrescope.*=true");
            }
            process.setProcessEnvironment(env);
            process.start(QStringLiteral(TYRESCOPE_EXECUTABLE), {});
            process.setReadChannel(QProcess::StandardError);
            if (asked) {
                QTRY_VERIFY_WITH_TIMEOUT(process.peek(4096).contains("receiver not found: "),
                                         20'000);
            } else {
                // The first cycle follows the lock at once, however busy the machine.
                QTRY_VERIFY_WITH_TIMEOUT(program.holdsLock(), 20'000);
                QVERIFY(!process.waitForFinished(2500));
            }
            process.kill();
            QVERIFY(process.waitForFinished(10'000));
            const QString err = QString::fromLocal8Bit(process.readAllStandardError());
            QVERIFY2(err.contains("receiver not found: ") == asked, qPrintable(err));
        }
    }

    // The kernel frees the lock of a copy killed outright; and of two copies
    // started together exactly one stays, with its window.
    void killedCopyThenTwoAtOnce() {
        Program program;
        QProcess killed;
        program.start(killed, {QStringLiteral("--simulate")});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(program.lockPath()), 20'000);
        QVERIFY(!killed.waitForFinished(1000));
        killed.kill(); // SIGKILL: nothing of the program runs on the way out
        QVERIFY(killed.waitForFinished(10'000));

        QProcess a;
        QProcess b;
        program.start(a, {QStringLiteral("--simulate")});
        program.start(b, {QStringLiteral("--simulate")});
        QTRY_VERIFY_WITH_TIMEOUT(
            a.state() == QProcess::NotRunning || b.state() == QProcess::NotRunning, 15'000);
        QProcess& ended = a.state() == QProcess::NotRunning ? a : b;
        QProcess& running = &ended == &a ? b : a;
        QCOMPARE(ended.exitStatus(), QProcess::NormalExit);
        QCOMPARE(ended.exitCode(), 0);
        QVERIFY(!running.waitForFinished(1500));
        running.kill();
        QVERIFY(running.waitForFinished(10'000));
    }

    // The second copy brings the first one's window forward, minimised or not.
    void aSecondCopyRaisesTheFirst() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tyrescope.lock"));
        QWidget window;
        // Stands for another program's window, which must stay where it is.
        QWidget other(nullptr, Qt::Tool);
        window.showMinimized();
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());

        SingleInstance first(path);
        QCOMPARE(first.acquire(), SingleInstance::Result::Acquired);
        QVERIFY(first.raiseWindowOnRequest());
        SingleInstance second(path);
        QCOMPARE(second.acquire(), SingleInstance::Result::AlreadyRunning);
        QVERIFY(second.notifyRunningCopy());

        QTRY_VERIFY(!window.isMinimized());
        QTRY_VERIFY(window.isActiveWindow());
    }
};

QTEST_MAIN(tst_Program)
#include "tst_program.moc"
