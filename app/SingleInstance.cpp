// SPDX-License-Identifier: MIT
#include "app/SingleInstance.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
constexpr auto NotifyDeadline = 3s;
constexpr auto AcceptRetry = 1s;

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// A folder fit for the lock: a real folder, not a link to one, owned by this
// user, writable by this user and by no one else.
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
    if (::access(QFile::encodeName(path).constData(), W_OK | X_OK) != 0) {
        why = path + QStringLiteral(": ") + systemError(errno);
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

// False when the path does not fit a socket address.
bool socketAddress(const QString& path, sockaddr_un& address) {
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty() || static_cast<std::size_t>(name.size()) >= sizeof address.sun_path) {
        return false;
    }
    address = {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    return true;
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
    if (listener_ >= 0) {
        notifier_.reset();
        ::close(listener_);
        ::unlink(QFile::encodeName(socketPath_).constData());
    }
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

// A plain Unix socket rather than QLocalServer: the program then needs no
// network module, which would cost every start time and memory.
bool SingleInstance::raiseWindowOnRequest() {
    if (fd_ < 0 || listener_ >= 0) {
        return listener_ >= 0;
    }
    sockaddr_un address;
    if (!socketAddress(socketPath_, address)) {
        error_ = socketPath_ + QStringLiteral(": too long for a socket address");
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error_ = QStringLiteral("socket: ") + systemError(errno);
        return false;
    }
    // Holding the lock, this copy is the only one that listens here; a socket
    // file left by a copy that died is in the way and nothing else. The folder
    // is private, so only this user can connect.
    ::unlink(address.sun_path);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0) {
        error_ = socketPath_ + QStringLiteral(": ") + systemError(errno);
        ::close(fd);
        return false;
    }
    listener_ = fd;
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QSocketNotifier* notifier = notifier_.get();
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [fd, notifier] {
        // Connecting is the whole request.
        int peer;
        while ((peer = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0) {
            ::close(peer);
            raiseVisibleWindows();
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED) {
            // Out of descriptors, say: the connection stays queued and the
            // notifier would fire again at once, so listen again a little later.
            notifier->setEnabled(false);
            QTimer::singleShot(AcceptRetry, notifier, [notifier] { notifier->setEnabled(true); });
        }
    });
    return true;
}

bool SingleInstance::notifyRunningCopy() {
    sockaddr_un address;
    if (!socketAddress(socketPath_, address)) {
        error_ = socketPath_ + QStringLiteral(": too long for a socket address");
        return false;
    }
    // A copy started at the same moment may hold the lock but not listen yet,
    // and one that is stopped lets its queue fill: a connect that would wait
    // is tried again until the deadline instead.
    const QDeadlineTimer deadline(NotifyDeadline);
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) {
            error_ = QStringLiteral("socket: ") + systemError(errno);
            return false;
        }
        const bool reached =
            ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        const int error = errno;
        ::close(fd);
        if (reached) {
            return true;
        }
        if (deadline.hasExpired()) {
            error_ = socketPath_ + QStringLiteral(": ") + systemError(error);
            return false;
        }
        QThread::msleep(100);
    }
}
