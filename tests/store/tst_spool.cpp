// SPDX-License-Identifier: MIT
#include "store/ResultStore.h"
#include "store/Spool.h"
#include "tests/support/Records.h"
#include "tests/support/Stores.h"

#include <QDir>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <thread>

Q_DECLARE_METATYPE(store::Delivery::Result)

namespace {

using Result = store::Delivery::Result;
const QDateTime Start(QDate(2026, 12, 8), QTime(1, 2, 3, 456), Qt::UTC);

void limitFileSize(rlim_t bytes) {
    const rlimit limit{bytes, RLIM_INFINITY};
    setrlimit(RLIMIT_FSIZE, &limit);
}

// The pid of the server process whose statement waits for a lock.
qint64 waitingBackend(const store::Target& target) {
    store::Connection watcher(target);
    QSqlQuery query;
    QString error = watcher.open();
    for (int tries = 0; tries < 600; ++tries) {
        if (watcher.exec(query,
                         "SELECT pid FROM pg_stat_activity WHERE wait_event_type = 'Lock' AND "
                         "application_name = 'tyrescope'",
                         {}, error) &&
            query.next()) {
            return query.value(0).toLongLong();
        }
        QTest::qWait(100);
    }
    return 0;
}

} // namespace

class tst_Spool : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }
    // Nothing of Qt's on standard error either: a run says what went wrong in one line.
    void init() { QTest::failOnWarning(QRegularExpression(".")); }

    void defaultPath() {
        qputenv("XDG_STATE_HOME", "state");
        QCOMPARE(store::Spool::defaultPath(),
                 QDir::homePath() + "/.local/state/tyrescope/results-spool.sqlite");
        qputenv("XDG_STATE_HOME", dir_.path().toUtf8());
        QCOMPARE(store::Spool::defaultPath(), dir_.filePath("tyrescope/results-spool.sqlite"));
    }

    // What became of a run's record with the store, or the spool too, out
    // of reach; then, once mended, of the next run's or of --sync-results.
    // Every run ends in the store once, and the spool is empty.
    void deliver_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<Result>("result");
        QTest::addColumn<bool>("bySync"); // the spool delivered by sync(), not the next run
        const bool sqlite = backend() == "sqlite";
        QTest::newRow("store answers") << "" << Result::Stored << false;
        if (sqlite) {
            QTest::newRow("no store folder") << "folder" << Result::Spooled << false;
            QTest::newRow("no store folder, synced") << "folder" << Result::Spooled << true;
            QTest::newRow("full disk") << "full" << Result::Spooled << false;
            QTest::newRow("full disk for both") << "both full" << Result::Lost << false;
            QTest::newRow("spool under a file") << "spool file" << Result::Lost << false;
            return;
        }
        QTest::newRow("server stopped") << "stopped" << Result::Spooled << false;
        QTest::newRow("server stopped, synced") << "stopped" << Result::Spooled << true;
        QTest::newRow("wrong password") << "password" << Result::Spooled << false;
        QTest::newRow("password from a pgpass file") << "pgpass" << Result::Stored << true;
        QTest::newRow("killed in the transaction") << "killed" << Result::Spooled << true;
    }
    void deliver() {
        QFETCH(QString, fault);
        QFETCH(Result, result);
        QFETCH(bool, bySync);
        const QTemporaryDir dir;
        store::Target target = freshStore(dir);
        store::Spool spool(dir.filePath(fault == "spool file" ? "file/spool" : "spool"));
        QFile(dir.filePath("file")).open(QIODevice::WriteOnly);
        if (fault.endsWith("full") || fault == "killed") {
            store::ResultStore made(target);
            QCOMPARE(made.open(), QString());
        }
        const QByteArray password = qgetenv("PGPASSWORD");
        // Three cycles: more than the pages a new store has room in.
        const QByteArray first = recordOf("TPMS-1", "b1", Start, "ppp");
        store::Delivery delivery;
        if (fault == "killed") {
            store::Connection holder(target);
            QString error = holder.open();
            QVERIFY(holder.exec("BEGIN", error) &&
                    holder.exec("LOCK TABLE runs IN EXCLUSIVE MODE", error));
            std::thread run([&] {
                store::Spool own(spool.path());
                delivery = store::deliver(target, first, own);
            });
            const qint64 backend = waitingBackend(target);
            QVERIFY(backend == 0 || ::kill(static_cast<pid_t>(backend), SIGKILL) == 0);
            run.join();
            QVERIFY(backend != 0);
            QTRY_COMPARE_WITH_TIMEOUT(valueOf(target, "SELECT 1"), 1, 60000);
        } else {
            if (fault == "folder" || fault == "spool file") {
                target.path = dir.filePath("absent/store.sqlite");
            } else if (fault.endsWith("full")) {
                limitFileSize(fault == "full" ? QFileInfo(target.path).size() : 1024);
            } else if (fault == "stopped") {
                QVERIFY(cluster("stop"));
            } else if (fault == "password") {
                qputenv("PGPASSWORD", "not-" + password);
            } else if (fault == "pgpass") {
                QFile pgpass(dir.filePath("pgpass"));
                QVERIFY(pgpass.open(QIODevice::WriteOnly) &&
                        pgpass.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
                pgpass.write("*:*:*:*:" + password + "\n");
                qputenv("PGPASSFILE", pgpass.fileName().toUtf8());
                qunsetenv("PGPASSWORD");
            }
            delivery = store::deliver(target, first, spool);
            limitFileSize(RLIM_INFINITY);
            QDir(dir.path()).mkdir("absent");
            if (fault == "stopped") {
                QVERIFY(cluster("start"));
            }

            qputenv("PGPASSWORD", password);
            qunsetenv("PGPASSFILE");
        }
        QCOMPARE(delivery.result, result);
        const QString runId = QJsonDocument::fromJson(first)["run_id"].toString();
        switch (result) {
        case Result::Stored:
            QCOMPARE(delivery.message, QString());
            break;
        case Result::Spooled:
            QVERIFY2(delivery.message.startsWith(
                         QStringLiteral("the results store %1 did not take run %2 (")
                             .arg(target.name(), runId)) &&
                         delivery.message.endsWith(
                             QStringLiteral("); it is kept in the spool %1 until the next run to "
                                            "that store or --sync-results")
                                 .arg(spool.path())),
                     qPrintable(delivery.message));
            break;
        case Result::Lost:
            QVERIFY2(
                delivery.message.contains(QStringLiteral("; the spool %1: ").arg(spool.path())),
                qPrintable(delivery.message));
            break;
        }
        QVERIFY(password.isEmpty() || !delivery.message.contains(password));
        const int spooled = result == Result::Spooled ? 1 : 0;
        if (bySync) {
            const store::Sync sync = store::sync(target, spool);
            QCOMPARE(sync.error, QString());
            QCOMPARE(sync.delivered, spooled);
            QCOMPARE(sync.left, 0);
        }
        const store::Delivery next = store::deliver(target, recordOf("TPMS-2", "b1", Start), spool);
        QCOMPARE(next.result, Result::Stored);
        QCOMPARE(next.delivered, bySync ? 0 : spooled);
        const bool lost = result == Result::Lost;
        QCOMPARE(valueOf(target, "SELECT count(DISTINCT run_id) FROM runs"), lost ? 1 : 2);
        QCOMPARE(valueOf(target, "SELECT count(*) FROM measurements"), lost ? 20 : 80);
        int left = -1;
        if (fault != "spool file") {
            QCOMPARE(spool.count(target.name(), left), QString());
            QCOMPARE(left, 0);
        }
    }

    // Nothing to deliver while the store is out of reach: the spool keeps
    // what it holds, and says how much.
    void syncUnreachable() {
        store::Target target;
        target.path = dir_.filePath("absent/store.sqlite");
        store::Spool spool(dir_.filePath("spool"));
        for (const char* serial : {"TPMS-1", "TPMS-2"}) {
            QCOMPARE(store::deliver(target, recordOf(serial, "b1", Start), spool).result,
                     Result::Spooled);
        }
        const store::Sync sync = store::sync(target, spool);
        QCOMPARE(sync.delivered, 0);
        QCOMPARE(sync.left, 2);
        QCOMPARE(
            sync.error,
            QStringLiteral("the results store %1: unable to open database file").arg(target.path));
    }
};

QTEST_GUILESS_MAIN(tst_Spool)
#include "tst_spool.moc"
