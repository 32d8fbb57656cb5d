// SPDX-License-Identifier: MIT
#include "app/SingleInstance.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// A folder fit for the lock: a real folder, not a link to one, owned by this
// user and writable by no one else.
bool isPrivateFolder(const QString& path, QString& why) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        why = path + QStringLiteral(": ") + systemError(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 022) != 0) {
        why = path + QStringLiteral(" is not a folder of this user's own");
        return false;
    }
    return true;
}

// Empty, with `why` set, when the user has no private folder at all.
QString privateFolder(QString& why) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && isPrivateFolder(runtime, why)) {
        return runtime;
    }
    // Never a shared folder such as /tmp: another user could take the name.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty() || !QDir().mkpath(cache)) {
        why = QStringLiteral("no private folder for the lock (no cache folder)");
        return {};
    }
    const QString own = cache + QStringLiteral("/tyrescope");
    if (::mkdir(QFile::encodeName(own).constData(), 0700) != 0 && errno != EEXIST) {
        why = own + QStringLiteral(": ") + systemError(errno);
        return {};
    }
    if (!isPrivateFolder(own, why)) {
        return {};
    }
    why.clear();
    return own;
}

QString defaultLockPath(QString& why) {
    const QString folder = privateFolder(why);
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/tyrescope.lock");
}

QString socketPathFor(const QString& lockPath) {
    const QFileInfo lock(lockPath);
    return lock.path() + QLatin1Char('/') + lock.completeBaseName() + QStringLiteral(".socket");
}

void raiseVisibleWindows() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->windowType() != Qt::Window || !w->isVisible()) {
            continue;
        }
        w->setWindowState((w->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        w->raise();
        w->activateWindow();
    }
}

} // namespace

SingleInstance::SingleInstance() {
    lockPath_ = defaultLockPath(error_);
    if (!lockPath_.isEmpty()) {
        socketPath_ = socketPathFor(lockPath_);
    }
}

SingleInstance::SingleInstance(const QString& lockPath)
    : lockPath_(lockPath), socketPath_(socketPathFor(lockPath)) {}

SingleInstance::~SingleInstance() {
    server_.reset();
    if (fd_ >= 0) {
        ::close(fd_); // the kernel drops the lock with the last descriptor
    }
}

SingleInstance::Result SingleInstance::acquire() {
    if (fd_ >= 0) {
        return Result::Acquired;
    }
    if (lockPath_.isEmpty()) {
        return Result::Unavailable; // error_ says why
    }
    // O_NOFOLLOW: the lock is this file, never what a link points at. What
    // the file holds does not matter, so a leftover one never blocks a start.
    const int fd = ::open(QFile::encodeName(lockPath_).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        error_ = lockPath_ + QStringLiteral(": ") + systemError(errno);
        return Result::Unavailable;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error_ = lockPath_ + QStringLiteral(" is not a plain file");
        return Result::Unavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            return Result::AlreadyRunning;
        }
        error_ = lockPath_ + QStringLiteral(": ") + systemError(error);
        return Result::Unavailable;
    }
    fd_ = fd;
    return Result::Acquired;
}

bool SingleInstance::raiseWindowOnRequest() {
    if (fd_ < 0 || server_) {
        return server_ != nullptr;
    }
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Holding the lock, this copy is the only one that listens here; a socket
    // file left by a copy that died is in the way and nothing else.
    QLocalServer::removeServer(socketPath_);
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this] {
        while (QLocalSocket* peer = server_->nextPendingConnection()) {
            // Connecting is the whole request.
            peer->disconnectFromServer();
            peer->deleteLater();
            raiseVisibleWindows();
        }
    });
    if (!server_->listen(socketPath_)) {
        server_.reset();
        return false;
    }
    return true;
}

bool SingleInstance::notifyRunningCopy() {
    if (socketPath_.isEmpty()) {
        return false;
    }
    // A copy started at the same moment may hold the lock but not listen yet.
    const QDeadlineTimer deadline(3000);
    do {
        QLocalSocket socket;
        socket.connectToServer(socketPath_);
        if (socket.waitForConnected(500)) {
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(100);
    } while (!deadline.hasExpired());
    return false;
}
