// SPDX-License-Identifier: MIT
#include "app/SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

// A user's private folders for one test, named by XDG_RUNTIME_DIR and XDG_CACHE_HOME.
struct Folders {
    Folders() {
        QFile::setPermissions(runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ~Folders() {
        QFile::setPermissions(runtimePath(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString runtimePath() const { return runtime.path() + runtimeSubfolder; }
    QString lockPath() const { return runtimePath() + QStringLiteral("/tyrescope.lock"); }
    void name() const {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimePath()));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    }

    QTemporaryDir runtime;
    QTemporaryDir cache;
    QString runtimeSubfolder; // below the private folder, "/..."
};

void chmod(const QString& path, mode_t mode) {
    QVERIFY(::chmod(QFile::encodeName(path).constData(), mode) == 0);
}

// Whatever is left where the lock goes, or the folders themselves.
using Plant = void (*)(Folders&);

// Connects to a copy's socket without asking anything more: a request in its queue.
int queuedRequest(const QString& socketPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(socketPath);
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd >= 0 &&
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

Q_DECLARE_METATYPE(Plant)
Q_DECLARE_METATYPE(SingleInstance::Result)

class tst_SingleInstance : public QObject {
    Q_OBJECT

private slots:
    // The runtime folder holds the lock only when no one else can write to it.
    // Nothing left behind keeps a copy from running: the lock is taken, or it
    // is Unavailable and the copy runs unlocked (with a warning); and it
    // listens for later copies unless it cannot (a warning too).
    void whateverTheLockFolderHolds_data() {
        QTest::addColumn<Plant>("plant");
        QTest::addColumn<SingleInstance::Result>("result");
        QTest::addColumn<bool>("listens");
        QTest::addColumn<QString>("lockIn"); // "runtime" or "cache": where it is looked for
        using R = SingleInstance::Result;

        QTest::newRow("garbage lock file") << Plant([](Folders& f) {
            QFile file(f.lockPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("\xff\x00garbage\n", 10).repeated(100));
        }) << R::Acquired << true << "runtime";
        QTest::newRow("empty lock file") << Plant([](Folders& f) {
            QFile file(f.lockPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
        }) << R::Acquired << true << "runtime";
        QTest::newRow("lock naming this live process") << Plant([](Folders& f) {
            QFile file(f.lockPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray::number(QCoreApplication::applicationPid()) + "\ntyrescope\n" +
                       QSysInfo::machineHostName().toUtf8() + "\n");
        }) << R::Acquired << true << "runtime";
        QTest::newRow("lock of a dead process on another host") << Plant([](Folders& f) {
            QFile file(f.lockPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("12345\ntyrescope\nsome-other-host\n");
        }) << R::Acquired << true << "runtime";
        QTest::newRow("symlink as lock file") << Plant([](Folders& f) {
            QVERIFY(QFile::link(f.cache.filePath("elsewhere"), f.lockPath()));
        }) << R::Unavailable << false << "runtime";
        QTest::newRow("folder as lock file")
            << Plant([](Folders& f) { QVERIFY(QDir().mkdir(f.lockPath())); }) << R::Unavailable
            << false << "runtime";
        QTest::newRow("its group may write: the cache folder")
            << Plant([](Folders& f) { chmod(f.runtimePath(), 0770); }) << R::Acquired << true
            << "cache";
        QTest::newRow("others may write: the cache folder")
            << Plant([](Folders& f) { chmod(f.runtimePath(), 0707); }) << R::Acquired << true
            << "cache";
        // As root, nothing is read-only, and the lock is simply taken.
        QTest::newRow("read-only runtime folder: the cache folder instead")
            << Plant([](Folders& f) { chmod(f.runtimePath(), 0500); }) << R::Acquired << true
            << (::geteuid() != 0 ? "cache" : "runtime");
        QTest::newRow("folder at the socket's path") << Plant([](Folders& f) {
            QVERIFY(QDir().mkdir(f.runtimePath() + "/tyrescope.socket"));
        }) << R::Acquired << false << "runtime";
        QTest::newRow("runtime folder too deep for a socket address") << Plant([](Folders& f) {
            f.runtimeSubfolder = "/" + QString(60, 'r') + "/" + QString(60, 'r');
            QVERIFY(QDir().mkpath(f.runtimePath()));
            chmod(f.runtimePath(), 0700);
            f.name();
        }) << R::Acquired << false << "runtime";
        QTest::newRow("no runtime folder: the cache folder")
            << Plant([](Folders&) { qunsetenv("XDG_RUNTIME_DIR"); }) << R::Acquired << true
            << "cache";
    }
    void whateverTheLockFolderHolds() {
        QFETCH(Plant, plant);
        QFETCH(SingleInstance::Result, result);
        QFETCH(bool, listens);
        QFETCH(QString, lockIn);
        Folders folders;
        folders.name();
        plant(folders);
        SingleInstance instance;

        QCOMPARE(instance.acquire(), result);
        QCOMPARE(instance.raiseWindowOnRequest(), listens);

        QCOMPARE(instance.errorString().isEmpty(),
                 result == SingleInstance::Result::Acquired && listens);
        // A link is never followed: nothing appears where it points.
        QVERIFY(!QFileInfo::exists(folders.cache.filePath("elsewhere")));
        QCOMPARE(instance.lockPath(), lockIn == "cache"
                                          ? folders.cache.filePath("tyrescope/tyrescope.lock")
                                          : folders.lockPath());
        QCOMPARE(QFileInfo(instance.lockPath()).isFile(),
                 result == SingleInstance::Result::Acquired);
        if (lockIn == "cache") {
            // The fallback folder is this user's alone.
            QCOMPARE(QFileInfo(folders.cache.filePath("tyrescope")).permissions(),
                     QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                         QFile::WriteUser | QFile::ExeUser);
        }
    }

    void lockIsFreedWhenTheCopyEnds() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tyrescope.lock"));
        {
            SingleInstance first(path);
            QCOMPARE(first.acquire(), SingleInstance::Result::Acquired);
        }
        SingleInstance next(path);
        QCOMPARE(next.acquire(), SingleInstance::Result::Acquired);
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

    // A first copy that takes no request (stopped, say) and lets its queue
    // fill: a later copy gives up by its deadline and says why; once the first
    // serves its queue again, later copies reach it.
    void aFirstCopyThatTakesNoRequest() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tyrescope.lock"));
        SingleInstance first(path);
        QCOMPARE(first.acquire(), SingleInstance::Result::Acquired);
        QVERIFY(first.raiseWindowOnRequest());
        std::vector<int> queued;
        for (int fd; (fd = queuedRequest(dir.filePath("tyrescope.socket"))) >= 0;) {
            queued.push_back(fd);
        }
        QVERIFY(!queued.empty());
        SingleInstance later(path);
        QElapsedTimer clock;
        clock.start();

        QVERIFY(!later.notifyRunningCopy());

        QVERIFY2(clock.elapsed() >= 2900 && clock.elapsed() < 6000,
                 qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(later.errorString().contains(QStringLiteral("tyrescope.socket: ")),
                 qPrintable(later.errorString()));
        for (const int fd : queued) {
            ::close(fd);
        }
        QCoreApplication::processEvents();
        QVERIFY(later.notifyRunningCopy());
    }

    // Out of file descriptors, the first copy cannot accept a request: it
    // listens again a little later instead of spinning on the queued one.
    void outOfDescriptorsTheFirstCopyDoesNotSpin() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the sanitizers' own checks need descriptors (UBSan's vptr check a pipe)");
#endif
        QTemporaryDir dir;
        SingleInstance first(dir.filePath(QStringLiteral("tyrescope.lock")));
        QCOMPARE(first.acquire(), SingleInstance::Result::Acquired);
        QVERIFY(first.raiseWindowOnRequest());
        const int request = queuedRequest(dir.filePath("tyrescope.socket"));
        QVERIFY(request >= 0);
        struct Wakeups : QObject {
            int count = 0;
            bool eventFilter(QObject*, QEvent* event) override {
                count += event->type() == QEvent::SockAct ? 1 : 0;
                return false;
            }
        } wakeups;
        // Below the lowest free number, so that the accept has none.
        const int lowestFree = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        QVERIFY(lowestFree >= 0);
        ::close(lowestFree);
        rlimit previous{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &previous), 0);
        const rlimit none{static_cast<rlim_t>(lowestFree), previous.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &none), 0);
        qApp->installEventFilter(&wakeups);

        QTest::qWait(300);

        qApp->removeEventFilter(&wakeups);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &previous), 0);
        // Spinning, it would be woken thousands of times.
        QCOMPARE(wakeups.count, 1);
        ::close(request);
    }
};

QTEST_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
