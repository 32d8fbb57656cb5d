// SPDX-License-Identifier: MIT
#include "store/History.h"

#include <QTest>

Q_DECLARE_METATYPE(cycle::OutputFormat)

class tst_History : public QObject {
    Q_OBJECT

private slots:
    // A station that would read differently on a terminal, and texts that are not there;
    // the machine formats are those of cycle/.
    void formats_data() {
        QTest::addColumn<cycle::OutputFormat>("format");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("text") << cycle::OutputFormat::Text
                              << QByteArray("Run  Start (UTC)               Station  Serial  "
                                            "Outcome  Cause\n"
                                            "r2   2026-12-09T01:02:03.456Z  b?2\"; x  -       "
                                            "fail     low\n"
                                            "r1   2026-12-08T01:02:03.456Z  b1       T-1     "
                                            "pass     -\n");
    }
    void formats() {
        QFETCH(cycle::OutputFormat, format);
        const std::vector<store::RunSummary> runs{
            {"r2", "2026-12-09T01:02:03.456Z",
             "b\x1b"
             "2\"; x",
             "", "fail", "low"},
            {"r1", "2026-12-08T01:02:03.456Z", "b1", "T-1", "pass", ""}};
        QTEST(store::historyOutput(format, runs), "out");
    }
};

QTEST_GUILESS_MAIN(tst_History)
#include "tst_history.moc"
