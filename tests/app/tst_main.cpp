// SPDX-License-Identifier: MIT
// The program as a user starts it: what only a process shows (exit statuses,
// signals, closed or full standard streams, the window's start and the single
// instance between copies). Everything else is tested in-process beside its unit.
#include "app/Version.h"
#include "cycle/CycleOutput.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The program as a user starts it, but with its own runtime folder, so its
// single-instance lock meets neither a user's copy nor another test's.
class Program {
public:
    Program() {
        QFile::setPermissions(runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // shell: sh commands run first, such as "exec >&-;", with $LOG the log's path.
    void start(QProcess& process, const QStringList& arguments, bool withDisplay = true,
               const QString& shell = {}) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimePath());
        env.insert(QStringLiteral("XDG_CACHE_HOME"), cache.path());
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (withDisplay) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        } else {
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        }
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
        return QFileInfo::exists(runtimePath() + QStringLiteral("/tyrescope.socket"));
    }
    QString runtimePath() const { return runtime.path() + runtimeSubfolder; }
    QString cachePath() const { return cache.path(); }
    QString runtimeSubfolder; // below the private folder, "/..."
    QString logPath;

private:
    QTemporaryDir runtime;
    QTemporaryDir cache;
};

// What happens to a running --read and its log.
using During = void (*)(QProcess&, const QString& log);

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// True once the copy listening at `path` takes a request off its queue
// (it closes the connection at once): its event loop runs, so its window shows.
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

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

Q_DECLARE_METATYPE(During)

class tst_Main : public QObject {
    Q_OBJECT

private slots:
    // Terminal commands answer without a display and without a window
    // (tst_main_portable has those that Windows gives too).
    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out"); // expected in standard output
        QTest::addColumn<QString>("err"); // expected in standard error
        QTest::addColumn<QString>("shell");

        const QString full =
            QStringLiteral("tyrescope: cannot write the output: %1\n").arg(systemReason(ENOSPC));
        QTest::newRow("until interrupted, every half second, onto a full device")
            << QStringList{"--read", "--simulate", "--count", "0", "--interval", "0.5"} << 6 << ""
            << full << "exec >/dev/full;";
        QTest::newRow("--list-devices onto a full device")
            << QStringList{"--list-devices"} << 6 << "" << full << "exec >/dev/full;";
        // Refused before anything is opened or read.
        QTest::newRow("a limits file with min above max")
            << QStringList{"--read", "--simulate", "--limits", "l.json"} << 2 << ""
            << "tyrescope: --limits l.json: pressure.min: above max\n"
            << R"(cd "$XDG_CACHE_HOME"; echo '{"pressure":{"min":3,"max":2,"unit":"bar"}}' >l.json;)";
        // The store of --results, and the spool, under the test's own folders.
        const QString states = R"(cd "$XDG_CACHE_HOME"; export XDG_STATE_HOME="$PWD"; )";
        const QString read = R"("$0" --read --simulate --quiet --results )";
        QTest::newRow("a record neither the store nor the spool takes")
            << QStringList{"--read", "--simulate", "--results", "absent/s.db"} << 6 << ""
            << "; the run itself ended with status 0\n"
            << states + "export XDG_STATE_HOME=/dev/null;";
        QTest::newRow("--history of a store")
            << QStringList{"--history", "--results", "s.db", "--format", "csv"} << 0
            << "run_id,start,station,serial,outcome,cause\r\n"
            << "" << states + read + "s.db --station b1;";
        QTest::newRow("--sync-results of a record the store could not take")
            << QStringList{"--sync-results", "absent/s.db"} << 0 << "Spooled records delivered to "
            << "" << states + read + "absent/s.db 2>/dev/null; mkdir absent;";
        QTest::newRow("a value outside its limits")
            << QStringList{"--read", "--simulate", "--limits", "l.json", "--format", "json"} << 7
            << "\"verdict\":\"fail\""
            << "tyrescope: outside limits: sensor 3 status pressure alert not allowed\n"
            << R"(cd "$XDG_CACHE_HOME"; echo '{"status":["normal mode"]}' >l.json;)";
        // --report: nothing to report is 1; a source or an output that cannot be used is 2,
        // and leaves no file.
        const QString simulated =
            R"(cd "$XDG_CACHE_HOME"; "$0" --read --simulate --quiet --log s.csv;)";
        QTest::newRow("a report of a simulated run")
            << QStringList{"--report", "r.html", "--log", "s.csv"} << 0 << ""
            << "" << simulated;
        QTest::newRow("a report of a receiver not in the log")
            << QStringList{"--report", "r.html", "--log", "s.csv", "--serial", "X"} << 1 << ""
            << "tyrescope: nothing to report: log s.csv holds no run of the receiver X\n"
            << simulated;
        QTest::newRow("a report of another file")
            << QStringList{"--report", "r.html", "--log", "/etc/passwd"} << 2 << ""
            << "tyrescope: /etc/passwd is no log of Tyrescope"
            << R"(cd "$XDG_CACHE_HOME";)";
        QTest::newRow("a report into a missing folder")
            << QStringList{"--report", "/nonexistent/r.html", "--log", "s.csv"} << 2 << ""
            << "tyrescope: cannot write the report /nonexistent/r.html: " << simulated;
        QTest::newRow("a report of a store's runs")
            << QStringList{"--report", "r.html", "--results", "s.db", "--since", "2026-01-01"} << 0
            << ""
            << "" << states + read + "s.db;";
        QTest::newRow("a report of a run not in the store")
            << QStringList{"--report", "r.html", "--results", "s.db", "--run", "x"} << 1 << ""
            << "s.db holds no run with the id x\n"
            << states + read + "s.db;";
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
            // --report prints nothing.
            QVERIFY2(stdOut.startsWith(out) || (out.isEmpty() && stdOut.isEmpty()),
                     qPrintable(stdOut));
        } else {
            // One line naming the problem, nothing from Qt, no window; a
            // usage error reads nothing.
            QCOMPARE(stdErr.count(QLatin1Char('\n')), 1);
            QVERIFY(exitCode != 2 || stdOut.isEmpty());
        }
        // A report is there whole, or not at all.
        if (arguments.contains(QStringLiteral("--report"))) {
            const QByteArray html = contentOf(QDir(program.cachePath()).filePath("r.html"));
            QCOMPARE(html.endsWith("</html>\n"), exitCode == 0);
        }
    }

    // Four copies writing into one stderr at once, then a fifth: whole lines,
    // never one run into another.
    void copiesShareStderr() {
        Program program;
        QProcess process;
        program.start(process,
                      {"--read", "--simulate", "--quiet", "--count", "20", "--interval", "0",
                       "--limits", "l.json"},
                      false,
                      R"(cd "$XDG_CACHE_HOME"; echo '{"status":["normal mode"]}' >l.json;)"
                      R"( for i in 1 2 3 4; do "$0" "$@" & done; wait;)");
        QVERIFY(process.waitForFinished(60'000));
        QCOMPARE(process.exitCode(), 7);
        const QStringList lines =
            QString::fromLocal8Bit(process.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5 * 20);
        for (const QString& line : lines) {
            QCOMPARE(line, "tyrescope: outside limits: sensor 3 status pressure alert not allowed");
        }
    }

    // --verbose adds, before the verdict, why the receiver was not found.
    void verboseSaysWhy() {
        QList<QStringList> told;
        for (const QStringList& verbose : {QStringList(), QStringList{"--verbose"}}) {
            Program program;
            QProcess process;
            program.start(process, QStringList{"--read", "--simulate", "--device", "/x"} + verbose,
                          false);
            QVERIFY(process.waitForFinished(20'000));
            QCOMPARE(process.exitCode(), 1);
            told << QString::fromLocal8Bit(process.readAllStandardError()).split('\n');
        }
        QCOMPARE(told[1].size(), told[0].size() + 1);
        QVERIFY2(told[1][0].startsWith("tyrescope.hid: receiver not found: "),
                 qPrintable(told[1][0]));
        QCOMPARE(told[1].mid(1), told[0]);
    }

    // The window shows, Qt's own options reaching it (without a display,
    // -platform offscreen is what lets it open), and whatever is left where its
    // lock goes: it runs unlocked then, warning once.
    void windowStarts_data() {
        QTest::addColumn<bool>("locks"); // else a folder stands where the lock goes
        QTest::newRow("Qt's options") << true;
        QTest::newRow("a folder where the lock goes") << false;
    }
    void windowStarts() {
        QFETCH(bool, locks);
        Program program;
        QVERIFY(locks || QDir().mkdir(program.lockPath()));
        QProcess window;
        program.start(window, {"-platform", "offscreen", "--simulate"}, false);
        window.setReadChannel(QProcess::StandardError);

        if (locks) {
            QTRY_VERIFY_WITH_TIMEOUT(answers(program.runtimePath() + "/tyrescope.socket"), 20'000);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(window.peek(4096).contains("tyrescope: warning:"), 20'000);
            // A copy that ends by itself never showed its window.
            QVERIFY(!window.waitForFinished(500));
        }
        window.kill();
        QVERIFY(window.waitForFinished(10'000));
        QCOMPARE(window.exitStatus(), QProcess::CrashExit); // it ran until killed
        const QString err = QString::fromLocal8Bit(window.readAllStandardError());
        QCOMPARE(err.count(QStringLiteral("tyrescope: warning:")), locks ? 0 : 1);
    }

#ifdef TYRESCOPE_MODULE_DIR
    // A program whose module is not where the package puts it says which
    // part is missing and how to get it back.
    void missingModuleIsSaid_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("part");
        QTest::newRow("window") << QStringList{"--simulate"} << 1 << "window";
        QTest::newRow("results store")
            << QStringList{"--history", "--results", "s.db"} << 6 << "results store";
    }
    void missingModuleIsSaid() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, part);
        Program program;
        QProcess process;
        program.start(process, arguments, true,
                      R"(cd "$XDG_CACHE_HOME" && cp "$0" alone && exec ./alone "$@";)");
        QVERIFY(process.waitForFinished(20'000));
        QCOMPARE(process.exitCode(), status);
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(err.startsWith("tyrescope: cannot load the " + part + ": ") &&
                     err.endsWith("; reinstalling the tyrescope package puts it back\n"),
                 qPrintable(err));
    }
#endif

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

    // --read's log, whatever its path holds and whatever happens to the log or
    // the program meanwhile: what was there stays as it was, a header begins
    // each new or empty file, then whole rows only, and nothing else.
    void readLog_data() {
        QTest::addColumn<QByteArray>("before");     // the file's bytes; null: no file
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
        QTest::newRow("another header")
            << QByteArray("time,pressure\r\n1,2\r\n") << "" << once << none << 6
            << "does not begin with a header this version writes (it lacks the columns reached,"
            << 0;
        // After an upgrade a bench goes on logging, in the file's own layout.
        QTest::newRow("the previous version's header")
            << header.left(header.indexOf(",serial")) + "\r\n" + row.left(row.indexOf(",TPMS")) +
                   "\r\n"
            << "" << once << none << 0
            << "is in the layout without serial numbers (Tyrescope 1.3.0), which it keeps" << 5;
        QTest::newRow("file-size limit")
            << QByteArray() << "ulimit -f 4;"
            << QStringList{"--count", "10", "--interval", "0.2", "--format", "csv"} << none << 6
            << QStringLiteral(": %1\n").arg(systemReason(EFBIG)) << -1;
        QTest::newRow("closed stdout")
            << QByteArray() << "exec >&-;" << QStringList{"--format", "json"} << none << 6
            << QStringLiteral("tyrescope: cannot write the output: %1\n").arg(systemReason(EBADF))
            << 5;
        QTest::newRow("closed stderr")
            << QByteArray() << "exec 2>&-;" << QStringList{"--require-sensors", "5"} << none << 4
            << "" << 5;
        // The program ignores SIGPIPE itself: the write fails and is told.
        QTest::newRow("stdout's reader leaves")
            << QByteArray()
            << R"(mkfifo "$LOG.out"; head -c 300 <"$LOG.out" >/dev/null & )"
               R"(exec >"$LOG.out";)"
            << QStringList{"--count", "0", "--interval", "0.1", "--format", "json"} << none << 6
            << QStringLiteral("tyrescope: cannot write the output: %1\n").arg(systemReason(EPIPE))
            << -1;
        QTest::newRow("SIGTERM between cycles")
            << QByteArray() << "" << QStringList{"--count", "10", "--interval", "1"}
            << During([](QProcess& process, const QString&) { process.terminate(); })
            << 128 + SIGTERM << "" << -1;
        // The program keeps the read end itself and never reads.
        QTest::newRow("SIGTERM during a blocked write")
            << QByteArray() << R"(mkfifo "$LOG.out"; exec 3<>"$LOG.out" >"$LOG.out";)"
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
        if (!before.isNull()) {
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
        QByteArray log = contentOf(path);
        QVERIFY(log.startsWith(before));
        log.remove(0, before.size());
        const QByteArray head = before.isEmpty() ? cycle::csvHeader() : QByteArray();
        QVERIFY2(log.startsWith(head), log.constData());
        log.remove(0, head.size());
        QVERIFY2(log.isEmpty() || log.endsWith("\r\n"), log.constData());
        const QList<QByteArray> lines = log.split('\n');
        const qsizetype commas = (before.isEmpty() ? head : before).split('\n')[0].count(',');
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            QVERIFY2(lines[i].count(',') == commas && !lines[i].contains("time"),
                     lines[i].constData());
        }
        const qsizetype added = lines.size() - 1;
        if (rows >= 0) {
            QCOMPARE(added, rows);
        } else {
            QVERIFY2(added >= 5 && added % 5 == 0, qPrintable(QString::number(added)));
        }
    }

    // A run cut short still leaves its record, aborted; a record that cannot
    // be written at the end is status 6, with the run's own status beside it.
    void recordOfARunCutShort() {
        Program program;
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("gone"));
        QProcess process;
        program.start(process, {"--read", "--simulate", "--count", "0", "--interval", "0.2",
                                "--record", dir.filePath("gone/r.json"), "--junit",
                                dir.filePath("r.xml"), "--station", "bench; '3'"});
        QVERIFY(process.waitForReadyRead(20'000));
        QVERIFY(QDir(dir.filePath("gone")).removeRecursively());
        process.terminate();
        QVERIFY(process.waitForFinished(20'000));

        QCOMPARE(process.exitCode(), 6);
        QVERIFY(
            process.readAllStandardError().endsWith("; the run itself ended with status 143\n"));
        const QByteArray junit = contentOf(dir.filePath("r.xml"));
        QVERIFY2(junit.contains("<property name=\"station\" value=\"bench; '3'\"/>") &&
                     junit.contains("ended by SIGTERM"),
                 junit.constData());
    }

    // A second window copy ends at once, before touching the receiver or the
    // log, and says so when it was given choices; one that cannot reach the
    // first (whose socket cannot even be named) ends with status 5.
    void aSecondCopyEndsAtOnce_data() {
        QTest::addColumn<bool>("withLog");
        QTest::addColumn<bool>("deep"); // the runtime folder too deep for a socket address
        QTest::addColumn<int>("status");
        QTest::newRow("plain") << false << false << 0;
        QTest::newRow("with --log and --serial") << true << false << 0;
        QTest::newRow("the first cannot be reached") << false << true << 5;
    }
    void aSecondCopyEndsAtOnce() {
        QFETCH(bool, withLog);
        QFETCH(bool, deep);
        QFETCH(int, status);
        Program program;
        if (deep) {
            program.runtimeSubfolder = "/" + QString(60, 'r') + "/" + QString(60, 'r');
            QVERIFY(QDir().mkpath(program.runtimePath()));
            QVERIFY(QFile::setPermissions(program.runtimePath(), QFileDevice::Permissions(0x7700)));
        }
        QProcess first;
        program.start(first, {QStringLiteral("--simulate")});
        first.setReadChannel(QProcess::StandardError);
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
        QCOMPARE(second.exitCode(), status);
        QVERIFY(clock.elapsed() < 15'000);
        QVERIFY(!QFile::exists(log));
        const QByteArray err = second.readAllStandardError();
        QCOMPARE(err.contains("its window was brought forward, and --log " + log.toUtf8() +
                              ", --serial S1 were not used\n"),
                 withLog);
        QCOMPARE(err.contains("did not answer"), status == 5);
        if (deep) {
            // The first said once that later copies cannot reach it.
            QTRY_VERIFY_WITH_TIMEOUT(first.peek(4096).contains("cannot listen"), 20'000);
        }

        QVERIFY(!first.waitForFinished(200));
        first.kill();
        QVERIFY(first.waitForFinished(10'000));
        QCOMPARE(first.readAllStandardError().count("tyrescope: warning:"), deep ? 1 : 0);
    }

    // The kernel frees the lock of a copy killed outright; and of two copies
    // started together exactly one stays, with its window.
    void killedCopyThenTwoAtOnce() {
        Program program;
        const QString socket = program.runtimePath() + QStringLiteral("/tyrescope.socket");
        QProcess killed;
        program.start(killed, {QStringLiteral("--simulate")});
        QTRY_VERIFY_WITH_TIMEOUT(answers(socket), 20'000);
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
        QTRY_VERIFY_WITH_TIMEOUT(answers(socket), 20'000);
        running.kill();
        QVERIFY(running.waitForFinished(10'000));
        QCOMPARE(running.exitStatus(), QProcess::CrashExit); // it ran until killed
    }
};

QTEST_GUILESS_MAIN(tst_Main)
#include "tst_main.moc"
