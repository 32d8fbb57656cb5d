// SPDX-License-Identifier: MIT
#include "store/Target.h"

#include <QDir>
#include <QTest>

class tst_Target : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");  // the store as messages and the spool name it
        QTest::addColumn<QString>("error"); // instead
        const auto row = [](const char* tag, const char* text, const QString& name,
                            const QString& error = {}) {
            QTest::newRow(tag) << text << name << error;
        };
        const QString password = "the address holds a password; give it in PGPASSWORD or "
                                 "~/.pgpass instead";
        row("file", "a/../line.sqlite", QDir::current().filePath("line.sqlite"));
        row("address", "postgresql://a%40b@[::1]:5433/r%20s",
            "postgresql://a%40b@[::1]:5433/r%20s");
        row("libpq's defaults", "postgres:///r", "postgresql:///r");
        row("password", "postgresql://ana:s3cret@db/r", {}, password);
        row("empty password", "postgresql://ana:@db/r", {}, password);
        row("unknown scheme", "mysql://ana@db/r", {},
            "unknown scheme 'mysql': give a file path (SQLite) or a "
            "postgresql://user@host:port/dbname address");
        row("no database", "postgresql://ana@db/", {},
            "the address names no database: postgresql://user@host:port/dbname");
        row("port empty", "postgresql://a%40b@db:/r", {},
            "the port is not a number from 1 to 65535");
        row("parameters", "postgresql://db/r?sslmode=require", {},
            "the address takes nothing after the database name: set PGSSLMODE and the like in "
            "the environment");
    }
    void parse() {
        QFETCH(QString, text);
        QString error;
        const std::optional<store::Target> target = store::parseTarget(text, error);
        QTEST(error, "error");
        QTEST(target ? target->name() : QString(), "name");
    }
};

QTEST_GUILESS_MAIN(tst_Target)
#include "tst_target.moc"
