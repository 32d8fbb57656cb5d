// SPDX-License-Identifier: MIT
#include "app/Launch.h"

#include "app/CycleLog.h"
#include "app/ExitStatus.h"
#include "app/StandardError.h"

#include <utility>

int openLog(const QString& path, CycleLog& log) {
    if (path.isEmpty()) {
        return exitstatus::Passed;
    }
    switch (log.open(path)) {
    case CycleLog::Opened::Yes:
        if (!log.notice().isEmpty()) {
            standardError() << "tyrescope: " << log.notice().toStdString() << '\n';
        }
        return exitstatus::Passed;
    case CycleLog::Opened::CannotOpen:
        standardError() << "tyrescope: " << log.errorString().toStdString() << '\n';
        return exitstatus::UsageError;
    case CycleLog::Opened::OtherLayout:
        standardError() << "tyrescope: " << log.errorString().toStdString() << '\n';
        return exitstatus::WriteFailed;
    }
    return exitstatus::UsageError;
}

bool readLimits(const QString& path, std::optional<verdict::LimitsFile>& limits) {
    if (path.isEmpty()) {
        return true;
    }
    verdict::ReadLimits read = verdict::readLimitsFile(path);
    if (!read.file) {
        standardError() << "tyrescope: --limits " << path.toStdString() << ": "
                        << read.error.toStdString() << '\n';
        return false;
    }
    limits = std::move(read.file);
    return true;
}
