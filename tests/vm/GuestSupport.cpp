// SPDX-License-Identifier: MIT
#include "tests/vm/GuestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <filesystem>

namespace guest {

Emulator::~Emulator() {
    stop();
}

QString Emulator::program() {
    const QString fromEnv = qEnvironmentVariable("TYRESCOPE_EMULATOR");
    return fromEnv.isEmpty() ? QCoreApplication::applicationDirPath() + "/tyrescope-emulator"
                             : fromEnv;
}

bool Emulator::start(const QStringList& args, int deviceCount) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(program(), args);
    if (!process_.waitForStarted(5000)) {
        return false;
    }
    return waitFor("ready") && waitForHidrawNodes(deviceCount);
}

void Emulator::stop() {
    if (process_.state() == QProcess::NotRunning) {
        return;
    }
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
    // Closing /dev/uhid removes the devices; wait for their nodes to go so
    // the next scenario starts from nothing.
    waitForHidrawNodes(0);
}

void Emulator::collect() {
    pending_ += process_.readAllStandardOutput();
    qsizetype nl = 0;
    while ((nl = pending_.indexOf('\n')) >= 0) {
        lines_ << QString::fromUtf8(pending_.left(nl));
        pending_.remove(0, nl + 1);
    }
}

bool Emulator::waitFor(const QString& line, int count, std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    for (;;) {
        collect();
        if (lines_.count(line) >= count) {
            return true;
        }
        if (deadline.hasExpired() || process_.state() == QProcess::NotRunning) {
            return false;
        }
        process_.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
    }
}

QStringList Emulator::linesStartingWith(const QString& prefix) {
    collect();
    QStringList out;
    for (const QString& l : std::as_const(lines_)) {
        if (l.startsWith(prefix)) {
            out << l;
        }
    }
    return out;
}

QStringList Emulator::lines() {
    collect();
    return lines_;
}

int hidrawNodeCount() {
    int n = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", ec)) {
        if (entry.path().filename().string().starts_with("hidraw")) {
            ++n;
        }
    }
    return n;
}

bool waitForHidrawNodes(int count, std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    while (hidrawNodeCount() != count) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(10);
    }
    return true;
}

int openHidrawDescriptors() {
    int n = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        std::error_code linkError;
        const auto target = std::filesystem::read_symlink(entry.path(), linkError);
        if (!linkError && target.string().starts_with("/dev/hidraw")) {
            ++n;
        }
    }
    return n;
}

} // namespace guest
