#include "app/SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

namespace {
QString defaultLockPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/tyrescope.lock");
}
} // namespace

SingleInstance::SingleInstance() : SingleInstance(defaultLockPath()) {}

SingleInstance::SingleInstance(const QString& lockPath) : lock_(lockPath) {
    // A running copy may hold the lock for days: only a dead owner makes it stale.
    lock_.setStaleLockTime(0);
}

SingleInstance::Result SingleInstance::acquire() {
    if (lock_.tryLock(0))
        return Result::Acquired;
    return lock_.error() == QLockFile::LockFailedError ? Result::AlreadyRunning
                                                       : Result::Unavailable;
}
