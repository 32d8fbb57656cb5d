// SPDX-License-Identifier: MIT
#include "app/Launch.h"

#include "app/CycleLog.h"
#include "app/ExitStatus.h"

#include <iostream>
#include <utility>

int openLog(const QString& path, CycleLog& log) {
    if (path.isEmpty()) {
        return exitstatus::Passed;
    }
    switch (log.open(path)) {
    case CycleLog::Opened::Yes:
        if (!log.notice().isEmpty()) {
            std::cerr << "tyrescope: " << log.notice().toStdString() << '\n';
        }
        return exitstatus::Passed;
    case CycleLog::Opened::CannotOpen:
        std::cerr << "tyrescope: " << log.errorString().toStdString() << '\n';
        return exitstatus::UsageError;
    case CycleLog::Opened::OtherLayout:
        std::cerr << "tyrescope: " << log.errorString().toStdString() << '\n';
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
        std::cerr << "tyrescope: --limits " << path.toStdString() << ": "
                  << read.error.toStdString() << '\n';
        return false;
    }
    limits = std::move(read.file);
    return true;
}
