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
        const QString password = "the address holds a password; give it in PGPASSWORD or "
                                 "~/.pgpass instead";
        QTest::newRow("file") << "a/../line.sqlite" << QDir::current().filePath("line.sqlite")
                              << "";
        QTest::newRow("Windows drive") << "C:/x" << QDir::current().filePath("C:/x") << "";
        QTest::newRow("address") << "postgresql://ana@db.line:5433/results"
                                 << "postgresql://ana@db.line:5433/results"
                                 << "";
        QTest::newRow("postgres://, libpq's defaults") << "postgres:///results"
                                                       << "postgresql:///results"
                                                       << "";
        QTest::newRow("IPv6, a user of awkward letters") << "postgresql://a%40b@[::1]/r%20s"
                                                         << "postgresql://a%40b@[::1]/r%20s"
                                                         << "";
        QTest::newRow("password") << "postgresql://ana:s3cret@db/results"
                                  << "" << password;
        QTest::newRow("empty password") << "postgresql://ana:@db/results"
                                        << "" << password;
        QTest::newRow("unknown scheme") << "mysql://ana@db/results"
                                        << ""
                                        << "unknown scheme 'mysql': give a file path (SQLite) or a "
                                           "postgresql://user@host:port/dbname address";
        QTest::newRow("no database") << "postgresql://ana@db/"
                                     << ""
                                     << "the address names no database: "
                                        "postgresql://user@host:port/dbname";
        QTest::newRow("port 0") << "postgresql://db:0/r"
                                << ""
                                << "the port is not a number from 1 to 65535";
        QTest::newRow("port empty") << "postgresql://db:/r"
                                    << ""
                                    << "the port is not a number from 1 to 65535";
        QTest::newRow("port of letters")
            << "postgresql://db:x/r"
            << ""
            << "not an address of the form postgresql://user@host:port/dbname";
        QTest::newRow("parameters") << "postgresql://db/r?sslmode=require"
                                    << ""
                                    << "the address takes nothing after the database name: set "
                                       "PGSSLMODE and the like in the environment";
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
