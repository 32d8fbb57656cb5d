// SPDX-License-Identifier: MIT
// The program as a user starts it, alike on Linux and on Windows (these run under
// Wine too): its answers on the terminal, --read's output byte for byte as each
// format writes it, and a second window copy bringing the first forward. What
// only a POSIX process shows (signals, closed or full streams) is tst_main's.
#include "app/CommandLine.h"
#include "app/Version.h"
#include "cycle/Acquisition.h"
#include "cycle/CycleOutput.h"
#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "hid/Simulation.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <clocale>
#include <csignal>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// Ctrl+C, as at the terminal the program was started from.
void pressCtrlC([[maybe_unused]] const QProcess& process) {
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(nullptr, TRUE); // not for this test itself
    GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
#else
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
#endif
}

// With folders of its own for its single-instance lock, so that it meets
// neither a user's copy nor another test's.
class Program {
public:
    Program() {
        QFile::setPermissions(runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // Without a display unless it is the window's.
    void start(QProcess& process, const QStringList& arguments, bool window = false) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("XDG_CACHE_HOME"), cache.path());
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        // Set for the tests under Wine; a user's program sends its messages itself.
        env.remove(QStringLiteral("QT_FORCE_STDERR_LOGGING"));
        if (window) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        }
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TYRESCOPE_EXECUTABLE), arguments);
    }
    QTemporaryDir runtime;
    QTemporaryDir cache;
};

QByteArray timeless(const QByteArray& output) {
    static const QRegularExpression stamp(
        QStringLiteral(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)"));
    return QString::fromLatin1(output).replace(stamp, QStringLiteral("TIME")).toLatin1();
}

} // namespace

class tst_MainPortable : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The program's own, for the text table's numbers.
        std::setlocale(LC_ALL, "");
#ifdef Q_OS_WIN
        // A console for the programs started to take, as from a terminal; Wine gives
        // this test none that takes Ctrl+C. The test's own output goes on as before.
        const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
        const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
        FreeConsole();
        QVERIFY(AllocConsole());
        SetStdHandle(STD_OUTPUT_HANDLE, output);
        SetStdHandle(STD_ERROR_HANDLE, error);
#endif
    }

    // Terminal commands answer without a display and without a window; the
    // patterns are whole outputs, the system's words left open.
    void answers_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");

        QTest::newRow("--version")
            << QStringList{"--version"} << 0
            << QRegularExpression::escape(QStringLiteral("tyrescope %1\n").arg(version::text))
            << "";
        QTest::newRow("usage error")
            << QStringList{"--frobnicate"} << 2 << ""
            << R"(tyrescope: Unknown option 'frobnicate'\. Try 'tyrescope --help' for more )"
               R"(information\.\n)";
        QTest::newRow("--list-devices of the simulated receiver")
            << QStringList{"--list-devices", "--simulate"} << 0
            << R"(HID interfaces present: 1\n\* emulated/0  0000:0001 .*can be opened.*)"
            << "";
        // Whatever HID devices this machine has.
        QTest::newRow("--list-devices without the receiver")
            << QStringList{"--list-devices", "--device", "/none"} << 1
            << R"((No HID interfaces are present, so no receiver either\.|)"
               R"(HID interfaces present: .*No receiver matches --device /none\.)\n.*)"
            << "";
        QTest::newRow("log in a missing folder")
            << QStringList{"--read", "--simulate", "--log", "/nonexistent/bench.csv"} << 2 << ""
            << R"(tyrescope: cannot open the log /nonexistent/bench\.csv for appending: .+\n)";
        QTest::newRow("log is a folder")
            << QStringList{"--simulate", "--log", "/"} << 2 << ""
            << R"(tyrescope: cannot open the log / for appending: .+\n)";
        QTest::newRow("a record that cannot be written")
            << QStringList{"--read", "--simulate", "--junit", "/nonexistent/r.xml"} << 2 << ""
            << R"(tyrescope: cannot write the record /nonexistent/r\.xml: .+\n)";
    }
    void answers() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        Program program;
        QProcess process;

        program.start(process, arguments);

        QVERIFY(process.waitForFinished(20'000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), status);
        const auto whole = [](const QString& pattern) {
            return QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                                      QRegularExpression::DotMatchesEverythingOption);
        };
        const QString stdOut = QString::fromLocal8Bit(process.readAllStandardOutput());
        const QString stdErr = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(whole(out).match(stdOut).hasMatch(), qPrintable(stdOut));
        QVERIFY2(whole(err).match(stdErr).hasMatch(), qPrintable(stdErr));
    }

    // --read --simulate: the first cycle of the simulated receiver, byte for
    // byte as the format writes it here, but for the time.
    void readFormats_data() {
        QTest::addColumn<cycle::OutputFormat>("format");
        for (const auto& [format, name] : cycle::OutputFormats) {
            QTest::newRow(name) << format;
        }
    }
    void readFormats() {
        QFETCH(cycle::OutputFormat, format);
        hid::EmulatedBackend backend;
        simulation::apply(simulation::sceneAt(std::chrono::milliseconds(0)), backend.addReceiver());
        ModHIDCom hid(backend);
        const QByteArray expected =
            cycle::outputHeader(format) +
            cycle::outputCycle(format, cycle::acquire(hid), ReadOptions().units(), true);
        Program program;
        QProcess process;

        program.start(process, {"--read", "--simulate", "--format", QTest::currentDataTag()});

        QVERIFY(process.waitForFinished(20'000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardError(), QByteArray());
        QCOMPARE(timeless(process.readAllStandardOutput()), timeless(expected));
    }

    // Ctrl+C ends --read after the cycle under way, as SIGINT does.
    void ctrlCBetweenCycles() {
        Program program;
        QProcess process;
        program.start(process, {"--read", "--simulate", "--count", "0", "--interval", "0.2",
                                "--format", "json"});
        QTRY_VERIFY_WITH_TIMEOUT(process.peek(4096).contains('\n'), 20'000);

        pressCtrlC(process);

        QVERIFY(process.waitForFinished(10'000));
        QCOMPARE(process.exitCode(), 128 + SIGINT);
        const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
        QCOMPARE(lines.last(), QByteArray()); // no cycle cut off
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            QVERIFY(QJsonDocument::fromJson(lines[i]).isObject());
        }
    }

    // Started from a Windows console, --read's text table shows there as on
    // Linux, the degree sign included, whatever the console's code page.
    void textTableOnAConsole() {
#ifndef Q_OS_WIN
        QSKIP("a Windows console's own");
#else
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        const HANDLE screen =
            CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, &inherited,
                                      CONSOLE_TEXTMODE_BUFFER, nullptr);
        QVERIFY(screen != INVALID_HANDLE_VALUE);
        const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
        SetStdHandle(STD_OUTPUT_HANDLE, screen);
        Program program;
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        program.start(process, {"--read", "--simulate"});
        const bool finished = process.waitForFinished(20'000);
        SetStdHandle(STD_OUTPUT_HANDLE, output);
        std::wstring shown(400, L' ');
        DWORD read = 0;
        ReadConsoleOutputCharacterW(screen, shown.data(), 400, COORD{0, 0}, &read);
        CloseHandle(screen);
        QVERIFY(finished);
        QVERIFY2(QString::fromStdWString(shown).contains(QStringLiteral("21 \u00B0C")),
                 qPrintable(QString::fromStdWString(shown)));
#endif
    }

    // A second window copy ends at once, its request served by the first,
    // which goes on.
    void secondCopyBringsTheFirstForward() {
        Program program;
        const QString log = program.cache.filePath(QStringLiteral("bench.csv"));
        QProcess first;
        program.start(first, {"--simulate", "--verbose", "--log", log}, true);
        first.setReadChannel(QProcess::StandardError);
        // The first cycle logged: the first copy listens for later ones.
        QTRY_VERIFY_WITH_TIMEOUT(QFile(log).size() > cycle::csvHeader().size(), 20'000);

        QProcess second;
        program.start(second, {}, true);
        QVERIFY(second.waitForFinished(15'000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(second.readAllStandardError(), QByteArray());
        QTRY_VERIFY_WITH_TIMEOUT(first.peek(4096).contains("window brought forward"), 10'000);
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        QVERIFY(first.waitForFinished(10'000));
    }
};

QTEST_GUILESS_MAIN(tst_MainPortable)
#include "tst_main_portable.moc"
