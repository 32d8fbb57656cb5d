// SPDX-License-Identifier: MIT
#include "store/ResultStore.h"
#include "store/Spool.h"
#include "tests/support/Records.h"
#include "tests/support/Stores.h"

#include <QDir>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <csignal>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

Q_DECLARE_METATYPE(store::Delivery::Result)

namespace {

using Result = store::Delivery::Result;
const QDateTime Start(QDate(2026, 12, 8), QTime(1, 2, 3, 456), Qt::UTC);

void limitFileSize(rlim_t bytes) {
    const rlimit limit{bytes, RLIM_INFINITY};
    setrlimit(RLIMIT_FSIZE, &limit);
}

// Root writes to a read-only file all the same; without CAP_DAC_OVERRIDE this
// thread is held to the file's mode as anyone else.
struct HeldToFileModes {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2]{};
    HeldToFileModes() {
        syscall(SYS_capget, &header, saved);
        __user_cap_data_struct less[2] = {saved[0], saved[1]};
        less[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        syscall(SYS_capset, &header, less);
    }
    ~HeldToFileModes() { syscall(SYS_capset, &header, saved); }
};

// Delivers record while a lock holds back its measurements, the run and its
// cycles written, and kills the server process of that transaction.
store::Delivery killedInTransaction(const store::Target& target, const QByteArray& record,
                                    const QString& spool, bool& killed) {
    store::Connection holder(target);
    store::Connection watcher(target);
    QString error = holder.open() + watcher.open();
    holder.exec("BEGIN", error);
    holder.exec("LOCK TABLE measurements IN EXCLUSIVE MODE", error);
    store::Delivery delivery;
    std::thread run([&] {
        store::Spool own(spool);
        delivery = store::deliver(target, record, own);
    });
    int pid = 0;
    for (int tries = 0; tries < 600 && pid == 0; ++tries) {
        QTest::qWait(100);
        QSqlQuery waiting;
        pid = watcher.exec(waiting,
                           "SELECT pid FROM pg_stat_activity WHERE wait_event_type = 'Lock' AND "
                           "application_name = 'tyrescope'",
                           {}, error) &&
                      waiting.next()
                  ? waiting.value(0).toInt()
                  : 0;
    }
    killed = pid > 0 && ::kill(pid, SIGKILL) == 0;
    run.join();
    return delivery;
}

} // namespace

class tst_Spool : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }
    // Nothing of Qt's on standard error either: a run says what went wrong in one line.
    void init() { QTest::failOnWarning(QRegularExpression(".")); }

    void defaultPath() {
        qputenv("XDG_STATE_HOME", "state");
        QCOMPARE(store::Spool::defaultPath(),
                 QDir::homePath() + "/.local/state/tyrescope/results-spool.sqlite");
        qputenv("XDG_STATE_HOME", "/state");
        QCOMPARE(store::Spool::defaultPath(), "/state/tyrescope/results-spool.sqlite");
    }

    // What becomes of a run's record with the store, or the spool too, out of
    // reach; of --sync-results meanwhile; and once mended, of the next run's
    // or --sync-results. Every run ends in the store once, the spool empty.
    void deliver_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<Result>("result");
        QTest::addColumn<bool>("bySync"); // the spool delivered by sync(), not the next run
        const auto row = [](const char* tag, const char* fault, Result result, bool bySync) {
            QTest::newRow(tag) << fault << result << bySync;
        };
        row("store answers", "", Result::Stored, false);
        if (backend() == "sqlite") {
            row("no store folder", "folder", Result::Spooled, false);
            row("no store folder, synced", "folder", Result::Spooled, true);
            row("read-only", "read-only", Result::Spooled, true);
            row("a file of another kind", "other kind", Result::Spooled, false);
            row("full disk", "full", Result::Spooled, false);
            row("full disk for both", "both full", Result::Lost, false);
            row("spool under a file", "spool file", Result::Lost, false);
            return;
        }
        row("server stopped", "stopped", Result::Spooled, false);
        row("server stopped, synced", "stopped", Result::Spooled, true);
        row("wrong password", "password", Result::Spooled, false);
        row("password from a pgpass file", "pgpass", Result::Stored, false);
        row("killed in the transaction", "killed", Result::Spooled, false);
    }
    void deliver() {
        QFETCH(QString, fault);
        QFETCH(Result, result);
        QFETCH(bool, bySync);
        const QTemporaryDir dir;
        store::Target target = freshStore(dir);
        if (fault == "folder" || fault == "spool file") {
            target.path = dir.filePath("absent/store.sqlite");
        }
        store::Spool spool(dir.filePath(fault == "spool file" ? "file/spool" : "spool"));
        QFile(dir.filePath("file")).open(QIODevice::WriteOnly);
        QFile file(target.path);
        if (fault == "other kind") {
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("time,reached\r\n") > 0);
            file.close();
        } else if (!target.path.contains("absent")) {
            QCOMPARE(store::ResultStore(target).open(), QString());
        }
        const QByteArray password = qgetenv("PGPASSWORD");
        std::optional<HeldToFileModes> held;
        bool mended = false;
        const auto mend = [&] {
            if (!std::exchange(mended, true)) {
                held.reset();
                QVERIFY(fault != "read-only" ||
                        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
                QDir(dir.path()).mkdir("absent");
                qputenv("PGPASSWORD", password);
                qunsetenv("PGPASSFILE");
                QVERIFY(fault == "other kind" ? file.remove() : true);
                QVERIFY(fault == "stopped" ? cluster("start") : true);
            }
        };
        const auto mendedAnyway = qScopeGuard(mend);
        if (fault == "read-only") {
            QVERIFY(file.setPermissions(QFile::ReadOwner));
            held.emplace();
        } else if (fault.endsWith("full")) {
            limitFileSize(fault == "full" ? file.size() : 1024);
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
        // Three cycles: more than the pages a new store has room in.
        const QByteArray first = recordOf("TPMS-1", "b1", Start, "ppp");
        bool killed = false;
        const store::Delivery delivery =
            fault == "killed" ? killedInTransaction(target, first, spool.path(), killed)
                              : store::deliver(target, first, spool);
        limitFileSize(RLIM_INFINITY);
        QCOMPARE(killed, fault == "killed");
        QCOMPARE(delivery.result, result);
        const QString runId = QJsonDocument::fromJson(first)["run_id"].toString();
        const QString said[] = {"", "the results store %1 did not take run %2 (",
                                "the record of run %2 could not be kept: the results store %1: "};
        QVERIFY2(result == Result::Stored
                     ? delivery.message.isEmpty()
                     : delivery.message.startsWith(said[int(result)].arg(target.name(), runId)) &&
                           delivery.message.contains(spool.path()),
                 qPrintable(delivery.message));
        QVERIFY(password.isEmpty() || !delivery.message.contains(password));
        const int spooled = result == Result::Spooled ? 1 : 0;
        if (bySync) {
            const store::Sync waiting = store::sync(target, spool);
            QCOMPARE(waiting.left, 1);
            QVERIFY(waiting.error.startsWith("the results store " + target.name()));
        }

        mend();
        QTRY_COMPARE_WITH_TIMEOUT(valueOf(target, "SELECT 1"), 1, 60000); // after a crash
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
};

QTEST_GUILESS_MAIN(tst_Spool)
#include "tst_spool.moc"
