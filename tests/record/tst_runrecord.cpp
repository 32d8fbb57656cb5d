// SPDX-License-Identifier: MIT
#include "record/RecordFile.h"
#include "record/RunRecord.h"
#include "tests/support/Limits.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

Q_DECLARE_METATYPE(record::RunEnd)

namespace {

const QDateTime Start(QDate(2026, 12, 8), QTime(1, 2, 3, 456), Qt::UTC);

// Sensor 1 held to at least 30 PSI in normal mode; the run reads in kPa.
record::RunFacts facts() {
    record::RunFacts f{"1.4.0", "bench-3", "ana", {}, {}, {}}; // version, station, operator
    f.limits = verdict::LimitsFile{limitsOf("{'sensors':{'1':{'pressure':{'min':30,'unit':'psi'},"
                                            "'status':['normal mode']}}}"),
                                   QStringLiteral("ab12")};
    return f;
}

// A run of cycles, one letter each: p passes, f has sensor 1 at 29.0 PSI,
// r misses a required sensor, e finds no receiver, i finds it in use.
record::RunRecord runOf(const QString& kinds, record::RunEnd end, const QString& why,
                        const QString& serial = QStringLiteral("TPMS-0042")) {
    record::RunRecord run(facts(), Start);
    for (qsizetype n = 0; n < kinds.size(); ++n) {
        const char kind = kinds[n].toLatin1();
        cycle::CycleResult c;
        c.time = Start.addSecs(5 * n);
        c.opened = c.reached = kind != 'e' && kind != 'i';
        c.devicePath = c.opened ? QStringLiteral("/dev/hidraw3") : QString();
        c.deviceSerial = c.opened ? serial : QString();
        c.data = recordsOf(kind == 'f' ? "78 41 50 01" : "A0 41 50 01");
        verdict::CycleVerdict v = verdict::judge(c, facts().limits->limits);
        if (kind == 'r') {
            v.fail(QStringLiteral("required sensors without data: 5"));
        } else if (kind == 'i') {
            v.error(QStringLiteral("another copy of Tyrescope is using the receiver"));
        }
        run.addCycle(c, v);
    }
    run.finish(kinds.contains('e') ? 1 : 0, end, why, Start.addSecs(10));
    return run;
}

// The test suite's attribute, or its property, of that name; an empty text
// when the XML is not well-formed.
QString junitField(const QByteArray& xml, const QString& name) {
    QXmlStreamReader r(xml);
    QString found;
    while (!r.atEnd()) {
        if (r.readNext() == QXmlStreamReader::StartElement) {
            const auto a = r.attributes();
            const bool suite = r.name() == QLatin1String("testsuite");
            if (suite ? a.hasAttribute(name) : a.value(QLatin1String("name")) == name) {
                found = a.value(suite ? name : QStringLiteral("value")).toString();
            }
        }
    }
    return r.hasError() ? QString() : found;
}

} // namespace

class tst_RunRecord : public QObject {
    Q_OBJECT

private slots:
    void outcome_data() {
        QTest::addColumn<QString>("kinds");
        QTest::addColumn<record::RunEnd>("end");
        QTest::addColumn<QString>("why");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("cause"); // of first_failure
        QTest::addColumn<QString>("junit"); // failures, errors, skipped of 21
        using E = record::RunEnd;
        const QString term = QStringLiteral("ended by SIGTERM");
        const QString lost = QStringLiteral("cannot write the output: Broken pipe");
        const QString low = QStringLiteral("sensor 1 pressure 29.0 PSI below min 30 PSI");
        QTest::newRow("pass") << "pp" << E::Completed << ""
                              << "pass"
                              << ""
                              << "0 0 18";
        QTest::newRow("fail") << "pff" << E::Completed << ""
                              << "fail" << low << "1 0 18";
        QTest::newRow("no receiver") << "e" << E::Completed << ""
                                     << "error"
                                     << "receiver not found"
                                     << "0 1 20";
        QTest::newRow("fail, then lost") << "fe" << E::Completed << ""
                                         << "error" << low << "1 1 18";
        QTest::newRow("required sensor") << "r" << E::Completed << ""
                                         << "fail"
                                         << "required sensors without data: 5"
                                         << "1 0 18";
        QTest::newRow("in use") << "i" << E::Completed << ""
                                << "error"
                                << "another copy of Tyrescope is using the receiver"
                                << "0 1 20";
        QTest::newRow("aborted") << "p" << E::Aborted << term << "aborted" << term << "0 1 18";
        QTest::newRow("aborted at once")
            << "" << E::Aborted << term << "aborted" << term << "0 1 20";
        QTest::newRow("output failed")
            << "p" << E::OutputFailed << lost << "error" << lost << "0 1 18";
    }
    void outcome() {
        QFETCH(QString, kinds);
        QFETCH(record::RunEnd, end);
        QFETCH(QString, why);
        const record::RunRecord run = runOf(kinds, end, why);
        const QJsonObject json = QJsonDocument::fromJson(run.json()).object();
        QTEST(json["outcome"].toString(), "outcome");
        QTEST(json["first_failure"]["cause"].toString(), "cause");
        QCOMPARE(json["cycles"].toArray().size(), kinds.size());
        const QByteArray xml = run.junitXml();
        QTEST(QStringList({junitField(xml, "failures"), junitField(xml, "errors"),
                           junitField(xml, "skipped")})
                  .join(' '),
              "junit");
        QCOMPARE(junitField(xml, "outcome"), json["outcome"].toString());
    }

    // Keys in their order, values in the run's units and as judged.
    void recordContent() {
        const record::RunRecord run = runOf("pf", record::RunEnd::Completed, {});
        const QByteArray text = run.json();
        QStringList keys;
        const QRegularExpression topLevelKey(QStringLiteral("^  \"(\\w+)\":"),
                                             QRegularExpression::MultilineOption);
        for (const auto& m : topLevelKey.globalMatch(QString::fromUtf8(text))) {
            keys << m.captured(1);
        }
        QCOMPARE(keys.join(' '), "format run_id tool version station operator dut start end units "
                                 "limits cycles outcome exit_status first_failure");
        const QJsonObject json = QJsonDocument::fromJson(text).object();
        QCOMPARE(json["run_id"].toString(), run.runId());
        QVERIFY(QRegularExpression("^[0-9a-f]{8}-[0-9a-f-]{27}$").match(run.runId()).hasMatch());
        const auto compact = [](const QJsonValue& v) {
            return QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact);
        };
        QCOMPARE(compact(json["dut"]),
                 R"({"label":null,"path":"/dev/hidraw3","serial":"TPMS-0042"})");
        QCOMPARE(json["end"].toString(), "2026-12-08T01:02:13.456Z");
        const QJsonValue sensor1 = json["cycles"][1]["sensors"][0];
        QCOMPARE(sensor1["raw"].toString(), "78 41 50 01");
        QCOMPARE(compact(sensor1["measurements"][0]),
                 R"({"judged":{"unit":"PSI","value":29},"max":null,"measure":"pressure","min":30,)"
                 R"("text":"200","unit":"KPa","value":200,"verdict":"fail"})");
        QCOMPARE(compact(sensor1["measurements"][3]),
                 R"({"allowed":["normal mode"],"measure":"status","raw":1,"value":"normal mode",)"
                 R"("verdict":"pass"})");
        QCOMPARE(compact(json["cycles"][1]["sensors"][1]["measurements"][2]),
                 R"({"measure":"battery","min":null,"raw":255,"value":"none","verdict":null})");
        QCOMPARE(
            compact(json["first_failure"]),
            R"({"bound":"min","cause":"sensor 1 pressure 29.0 PSI below min 30 PSI",)"
            R"("cycle":2,"limit":30,"measure":"pressure","sensor":1,"unit":"PSI","value":29})");
        QCOMPARE(compact(json["limits"]["limits"]), R"({"sensors":{"1":{"pressure":{"min":30,)"
                                                    R"("unit":"psi"},"status":["normal mode"]}}})");
    }

    // Characters XML cannot hold are replaced there; JSON keeps them escaped.
    void awkwardTexts() {
        const QString serial = QStringLiteral("<a&\"b'>\x01\u202E");
        const record::RunRecord run = runOf("p", record::RunEnd::Completed, {}, serial);
        QCOMPARE(junitField(run.junitXml(), "serial"), QStringLiteral("<a&\"b'>\uFFFD\u202E"));
        QCOMPARE(QJsonDocument::fromJson(run.json())["dut"]["serial"].toString(), serial);
    }

    // A consumer CI servers use reads the file back.
    void junitparserReadsIt() {
        QTemporaryDir dir;
        const QString path = dir.filePath("r.xml");
        QVERIFY(record::writeWhole(path, runOf("pf", record::RunEnd::Completed, {}).junitXml())
                    .isEmpty());
        QProcess python;
        python.start("/usr/bin/python3",
                     {"-c",
                      "import sys, junitparser\n"
                      "for s in junitparser.JUnitXml.fromfile(sys.argv[1]):\n"
                      "  print(s.tests, s.failures, s.errors, s.skipped, s.hostname)\n"
                      "  for c in s:\n"
                      "    for r in c.result:\n"
                      "     if not isinstance(r, junitparser.Skipped):\n"
                      "      print(c.classname, c.name, r.type, r.message)\n",
                      path});
        QVERIFY(python.waitForFinished());
        QCOMPARE(python.readAllStandardError(), "");
        QCOMPARE(python.readAllStandardOutput(),
                 "21 1 0 18 bench-3\n"
                 "tyrescope.sensor1 pressure min sensor 1 pressure 29.0 PSI below min 30 PSI\n");
    }

    void files() {
        QTemporaryDir dir;
        const QString file = dir.filePath("r.json");
        QVERIFY(record::checkWritable(file).isEmpty());
        QVERIFY(!QFile::exists(file));
        QVERIFY(record::writeWhole(file, "{}\n").isEmpty());
        QVERIFY(!record::checkWritable(dir.path()).isEmpty());
        QVERIFY(!record::checkWritable(file + "/r.xml").isEmpty()); // under a file
        QVERIFY(!record::writeWhole(dir.filePath("absent/r.json"), "{}\n").isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"r.json"});
    }

    void textField_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("plain") << "bench-3 Ünit" << QString();
        QTest::newRow("200 bytes") << QString(100, QChar(0xE9)) << QString();
        QTest::newRow("201 bytes") << "x" + QString(100, QChar(0xE9)) << "longer than 200 bytes";
        QTest::newRow("empty") << " " << QStringLiteral("empty");
        const QString hidden = QStringLiteral("holds a control or invisible character");
        QTest::newRow("tab") << "a\tb" << hidden;
        QTest::newRow("escape") << "a\x1b[2Jb" << hidden;
        QTest::newRow("C1") << "a\u0085b" << hidden;
        QTest::newRow("right-to-left override") << "a\u202Eb" << hidden;
    }
    void textField() {
        QFETCH(QString, text);
        QTEST(record::checkTextField(text), "error");
    }
};

QTEST_GUILESS_MAIN(tst_RunRecord)
#include "tst_runrecord.moc"
