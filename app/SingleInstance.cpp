// SPDX-License-Identifier: MIT
#include "app/SingleInstance.h"

#include "app/SystemError.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>

#ifdef _WIN32
#include <QCryptographicHash>
#include <QWinEventNotifier>
#include <windows.h>
#else
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

using namespace std::chrono_literals;
constexpr auto NotifyDeadline = 3s;

// "tyrescope.instance": a later copy's request served (--verbose).
Q_LOGGING_CATEGORY(lcInstance, "tyrescope.instance", QtWarningMsg)

QString systemError(int error) {
    return systemerror::text(error);
}

void raiseVisibleWindows() {
    qCInfo(lcInstance, "window brought forward at a later copy's request");
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->windowType() != Qt::Window || !w->isVisible()) {
            continue;
        }
        w->setWindowState((w->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        w->raise();
        w->activateWindow();
    }
}

// A folder fit for the lock; `why` says why not.
bool isPrivateFolder(const QString& path, QString& why);
// Makes the folder, private, unless it is there.
bool makePrivateFolder(const QString& path);
QString requestAddressFor(const QString& lockPath);

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
    if (!makePrivateFolder(own)) {
        why = own + QStringLiteral(": ") + systemError(systemerror::last());
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

} // namespace

SingleInstance::SingleInstance() {
    lockPath_ = defaultLockPath(error_);
    if (!lockPath_.isEmpty()) {
        requestAddress_ = requestAddressFor(lockPath_);
    }
}

SingleInstance::SingleInstance(const QString& lockPath)
    : lockPath_(lockPath), requestAddress_(requestAddressFor(lockPath)) {}

#ifdef _WIN32

namespace {

// A real folder, not a link to one. Who may write to it is left to its
// access rules, which keep a user's own folders to that user.
bool isPrivateFolder(const QString& path, QString& why) {
    const DWORD attributes =
        GetFileAttributesW(QDir::toNativeSeparators(path).toStdWString().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        why = path + QStringLiteral(": ") + systemError(systemerror::last());
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        why = path + QStringLiteral(" is not a folder of this user's own");
        return false;
    }
    return true;
}

bool makePrivateFolder(const QString& path) {
    return CreateDirectoryW(QDir::toNativeSeparators(path).toStdWString().c_str(), nullptr) ||
           GetLastError() == ERROR_ALREADY_EXISTS;
}

// An event named after the lock, in the namespace of every session, as the
// lock file is the user's in every session.
QString requestAddressFor(const QString& lockPath) {
    const QByteArray name =
        QDir::toNativeSeparators(QFileInfo(lockPath).absoluteFilePath()).toLower().toUtf8();
    return QStringLiteral("Global\\Tyrescope-raise-") +
           QString::fromLatin1(
               QCryptographicHash::hash(name, QCryptographicHash::Sha256).toHex().left(32));
}

} // namespace

SingleInstance::~SingleInstance() {
    notifier_.reset();
    if (listener_ != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(listener_));
    }
    if (lock_ != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(lock_));
    }
}

SingleInstance::Result SingleInstance::acquire() {
    if (lock_ != -1) {
        return Result::Acquired;
    }
    if (lockPath_.isEmpty()) {
        return Result::Unavailable; // error_ says why
    }
    // Held open without sharing, no other copy can open it; Windows closes it
    // however the process ends. The lock is this file, never what a link
    // points at, and what it holds does not matter.
    HANDLE file = CreateFileW(QDir::toNativeSeparators(lockPath_).toStdWString().c_str(),
                              GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION) {
            return Result::AlreadyRunning;
        }
        error_ = lockPath_ + QStringLiteral(": ") + systemError(static_cast<int>(error));
        return Result::Unavailable;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        CloseHandle(file);
        error_ = lockPath_ + QStringLiteral(" is not a plain file");
        return Result::Unavailable;
    }
    lock_ = reinterpret_cast<std::intptr_t>(file);
    return Result::Acquired;
}

bool SingleInstance::raiseWindowOnRequest() {
    if (lock_ == -1 || listener_ != -1) {
        return listener_ != -1;
    }
    // Holding the lock, this copy is the only one that waits on it.
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, requestAddress_.toStdWString().c_str());
    if (event == nullptr) {
        error_ = requestAddress_ + QStringLiteral(": ") + systemError(systemerror::last());
        return false;
    }
    listener_ = reinterpret_cast<std::intptr_t>(event);
    auto* notifier = new QWinEventNotifier(event);
    notifier_.reset(notifier);
    QObject::connect(notifier, &QWinEventNotifier::activated, notifier,
                     [] { raiseVisibleWindows(); });
    return true;
}

bool SingleInstance::notifyRunningCopy() {
    // A copy started at the same moment may hold the lock but not wait on its
    // event yet: tried again until the deadline.
    const QDeadlineTimer deadline(NotifyDeadline);
    for (;;) {
        HANDLE event =
            OpenEventW(EVENT_MODIFY_STATE, FALSE, requestAddress_.toStdWString().c_str());
        int error = systemerror::last();
        if (event != nullptr) {
            // The copy the user just started may give the foreground away.
            AllowSetForegroundWindow(ASFW_ANY);
            const bool sent = SetEvent(event);
            error = systemerror::last();
            CloseHandle(event);
            if (sent) {
                return true;
            }
        }
        if (deadline.hasExpired()) {
            error_ = requestAddress_ + QStringLiteral(": ") + systemError(error);
            return false;
        }
        QThread::msleep(100);
    }
}

#else

namespace {

constexpr auto AcceptRetry = 1s;

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

bool makePrivateFolder(const QString& path) {
    return ::mkdir(QFile::encodeName(path).constData(), 0700) == 0 || errno == EEXIST;
}

QString requestAddressFor(const QString& lockPath) {
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

} // namespace

SingleInstance::~SingleInstance() {
    if (listener_ >= 0) {
        notifier_.reset();
        ::close(static_cast<int>(listener_));
        ::unlink(QFile::encodeName(requestAddress_).constData());
    }
    if (lock_ >= 0) {
        ::close(static_cast<int>(lock_)); // the kernel drops the lock with the last descriptor
    }
}

SingleInstance::Result SingleInstance::acquire() {
    if (lock_ >= 0) {
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
    lock_ = fd;
    return Result::Acquired;
}

// A plain Unix socket rather than QLocalServer: the program then needs no
// network module, which would cost every start time and memory.
bool SingleInstance::raiseWindowOnRequest() {
    if (lock_ < 0 || listener_ >= 0) {
        return listener_ >= 0;
    }
    sockaddr_un address;
    if (!socketAddress(requestAddress_, address)) {
        error_ = requestAddress_ + QStringLiteral(": too long for a socket address");
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
        error_ = requestAddress_ + QStringLiteral(": ") + systemError(errno);
        ::close(fd);
        return false;
    }
    listener_ = fd;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
    notifier_.reset(notifier);
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
    if (!socketAddress(requestAddress_, address)) {
        error_ = requestAddress_ + QStringLiteral(": too long for a socket address");
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
            error_ = requestAddress_ + QStringLiteral(": ") + systemError(error);
            return false;
        }
        QThread::msleep(100);
    }
}

#endif
