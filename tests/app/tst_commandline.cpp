// SPDX-License-Identifier: MIT
#include "app/CommandLine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

using Edit = std::function<void(CommandLine&)>;
Q_DECLARE_METATYPE(Edit)

class tst_CommandLine : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void parse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Edit>("expected"); // what the arguments change in a default command
        QTest::addColumn<QString>("error"); // instead, a usage error
        using A = CommandLine::Action;
        const auto is = [](A action, Edit more = {}) {
            return Edit([=](CommandLine& c) {
                c.action = action;
                if (more) {
                    more(c);
                }
            });
        };
        const auto read = [&](Edit more) { return is(A::Read, std::move(more)); };
        const auto fails = [](const QStringList& arguments, const char* error) {
            QTest::newRow(error) << arguments << Edit() << QString(error);
        };
        QTest::newRow("-v") << QStringList{"-v"} << is(A::Version) << "";
        QTest::newRow("-V") << QStringList{"-V"} << is(A::Version) << "";
        QTest::newRow("Qt's option before --version")
            << QStringList{"-platform", "offscreen", "--version"} << is(A::Version) << "";
        QTest::newRow("a flag twice")
            << QStringList{"--simulate", "--simulate"}
            << is(A::Window, [](CommandLine& c) { c.simulate = true; }) << "";
        QTest::newRow("--list-devices of the simulated receiver")
            << QStringList{"--list-devices", "--simulate", "--format", "json", "--quiet"}
            << is(A::ListDevices,
                  [](CommandLine& c) {
                      c.simulate = true;
                      c.read.format = cycle::OutputFormat::Json;
                      c.read.quiet = true;
                  })
            << "";
        QTest::newRow("--interval and --wait in seconds")
            << QStringList{"--read", "--interval", "5", "--wait", "1.5", "--verbose"}
            << read([](CommandLine& c) {
                   c.read.interval = std::chrono::seconds(5);
                   c.read.wait = std::chrono::milliseconds(1500);
                   c.verbose = true;
               })
            << "";
        QTest::newRow("sensors 1 and 5")
            << QStringList{"--read", "--require-sensors", "1,5", "--count", "0"}
            << read([](CommandLine& c) {
                   c.read.requiredSensors = {1, 5};
                   c.read.count = 0;
               })
            << "";
        const QString node = dir.filePath("hidraw7");
        QFile(node).open(QIODevice::WriteOnly);
        QFile::link(node, dir.filePath("receiver-link"));
        QTest::newRow("a link to the receiver's node")
            << QStringList{"--read", "--device", dir.filePath("receiver-link")}
            << read([node](CommandLine& c) { c.choice.path = node.toStdString(); }) << "";

        QTest::newRow("--report of a log in bar")
            << QStringList{"--report", "r.html", "--log", "l.csv", "--pressure-unit", "bar"}
            << is(A::Report,
                  [](CommandLine& c) {
                      c.reportPath = "r.html";
                      c.logPath = "l.csv";
                      c.read.pressureUnit = sensor::PressureUnit::Bar;
                  })
            << "";
        QTest::newRow("--report of a run in a store")
            << QStringList{"--report", "r.html", "--results", "s.db", "--run", "7f"}
            << is(A::Report,
                  [](CommandLine& c) {
                      c.reportPath = "r.html";
                      c.results.emplace().path = QDir::current().filePath("s.db");
                      c.runId = "7f";
                  })
            << "";
        fails({"--report", "r.html"}, "--report needs one source: --log FILE or --results TARGET.");
        fails({"--report", "r.html", "--log", "l.csv", "--results", "s.db"},
              "--report needs one source: --log FILE or --results TARGET.");
        fails({"--report", "r.html", "--log", "l.csv", "--since", "2026-12-01"},
              "--run and --since choose runs of --results.");
        fails({"--count", "3", "--report", "r.html"}, "--count is an option of --read.");
        fails({"--report", "a.html", "--report", "b.html"}, "--report was given more than once.");
        QTest::newRow("--history of a receiver at a station since a time")
            << QString("--history --results s.db --serial T-1 --station b1 --format csv --since "
                       "2026-12-08T10:00+01:00")
                   .split(' ')
            << is(A::History,
                  [](CommandLine& c) {
                      c.choice.serial = "T-1";
                      c.read.format = cycle::OutputFormat::Csv;
                      c.results.emplace().path = QDir::current().filePath("s.db");
                      c.since = "2026-12-08T09:00:00.000Z";
                  })
            << "";
        fails({"--history"}, "--history needs --results.");
        fails({"--read", "--results", "postgresql://ana:pw@db/r"},
              "Invalid value for --results: the address holds a password; give it in "
              "PGPASSWORD or ~/.pgpass instead.");
        fails({"--read", "-v", "--require-sensors", "1,2,3,4"},
              "--read and -v cannot be given together.");
        fails({"--version", "--simulate"}, "--version cannot be given with --simulate.");
        fails({"--count", "3", "-h"}, "-h cannot be given with --count.");
        fails({"--list-devices", "--read"}, "--list-devices and --read cannot be given together.");
        fails({"--read", "--device", "A", "--device", "B"}, "--device was given more than once.");
        fails({"--serial", "A", "--serial", "A"}, "--serial was given more than once.");
        fails({"--read", "--wait", "1", "--wait", "2"}, "--wait was given more than once.");
        fails({"--list-devices", "--pressure-unit", "atm"},
              "--pressure-unit is an option of --read and --report.");
        fails({"--list-devices", "--count", "3"}, "--count is an option of --read.");
        fails({"--list-devices", "--log", "x.csv"},
              "--log is an option of the window, --read and --report.");
        fails({"--format", "json"},
              "--format is an option of --read, --list-devices and --history.");
        fails({"--read", "--format", "tsv"}, "Invalid value 'tsv' for --format.");
        fails({"--read", "--require-sensors", "0"}, "Invalid value '0' for --require-sensors.");
        fails({"--read", "--require-sensors", "1,6"}, "Invalid value '1,6' for --require-sensors.");
        fails({"--read", "--interval", "5s"}, "Invalid value '5s' for --interval.");
        fails({"--read", "--count", "-1"}, "Invalid value '-1' for --count.");
        fails({"--read", "--serial", ""}, "Empty value for --serial.");
        fails({"--read", "--station", "a\x1b[2Jb"},
              "Invalid value 'a?[2Jb' for --station: holds a control or invisible character.");
        fails({"--list-devices", "--limits", "l.json"},
              "--limits is an option of the window and --read.");
        fails({"--frobnicate"}, "Unknown option 'frobnicate'.");
        fails({"--style=fusion", "-x"}, "Unknown option 'x'.");
        fails({"file.txt"}, "Unexpected argument 'file.txt'.");
        fails({"--simulate", "-platform"}, "Missing value after '-platform'.");
    }
    void parse() {
        QFETCH(QStringList, arguments);
        QFETCH(Edit, expected);
        QFETCH(QString, error);

        const CommandLine parsed = parseCommandLine(QStringList{"tyrescope"} + arguments);

        QCOMPARE(parsed.text, error.isEmpty() ? parsed.text : error);
        CommandLine wanted;
        if (expected) {
            expected(wanted);
        } else {
            wanted.action = CommandLine::Action::Error;
        }
        QCOMPARE(parsed.action, wanted.action);
        QCOMPARE(parsed.simulate, wanted.simulate);
        QCOMPARE(parsed.verbose, wanted.verbose);
        QVERIFY(parsed.choice == wanted.choice);
        QVERIFY(parsed.read == wanted.read);
        if (expected) {
            QCOMPARE(parsed.logPath, wanted.logPath);
            QCOMPARE(parsed.reportPath, wanted.reportPath);
            QCOMPARE(parsed.results ? parsed.results->name() : "",
                     wanted.results ? wanted.results->name() : "");
            QCOMPARE(parsed.since, wanted.since);
            QCOMPARE(parsed.runId, wanted.runId);
        }
    }

    // --help names every option and says what each exit status means.
    void help() {
        const CommandLine help = parseCommandLine({"tyrescope", "--help"});
        QCOMPARE(help.action, CommandLine::Action::Help);
        QVERIFY(help.text.startsWith("Usage:"));
        QVERIFY2(
            help.text.contains(
                "    5  another copy of Tyrescope is using the receiver\n"
                "    6  the output or the log could not be written, or the log holds rows of\n"
                "       another layout than this version writes, or the --record or --junit file\n"
                "       could not be written at the end (stderr gives the run's own status), or\n"
                "       the record could be neither stored (--results) nor kept in the spool;\n"
                "       --history: the store could not be read; --sync-results: records are left\n"
                "       in the spool\n"
                "    7  a value was outside its limits (--limits)\n"
                "  130  ended by SIGINT (Ctrl+C) after the cycle under way\n"
                "  143  ended by SIGTERM after the cycle under way\n"
                "--list-devices ends with 0, 1, 2, 5, 6.\n"
                "--history and --sync-results end with 0, 2 or 6.\n"
                "Over several cycles of --read the most serious counts: 1, then 5, then 3, "
                "then 4, then 7.\n"),
            qPrintable(help.text));
    }
};

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
