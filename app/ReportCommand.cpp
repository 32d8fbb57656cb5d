// SPDX-License-Identifier: MIT
#include "app/ReportCommand.h"

#include "app/ExitStatus.h"
#include "record/RecordFile.h"
#include "report/HtmlReport.h"
#include "report/LogRuns.h"

#include <algorithm>

namespace {

// One line on err, then the status.
int refuse(std::ostream& err, int status, const QString& why) {
    err << "tyrescope: " << why.toStdString() << '\n';
    return status;
}

} // namespace

int makeReport(const CommandLine& command, std::ostream& err) {
    if (command.logPath.isEmpty()) {
        return refuse(err, exitstatus::UsageError,
                      QStringLiteral("--report needs a source: --log FILE"));
    }
    // Known before anything is read: a report that could not be written is not made.
    if (const QString why = record::checkWritable(command.reportPath); !why.isEmpty()) {
        return refuse(
            err, exitstatus::UsageError,
            QStringLiteral("cannot write the report %1: %2").arg(command.reportPath, why));
    }
    const report::LoadedLibrary library = report::loadPlotLibrary();
    if (!library.library) {
        return refuse(err, exitstatus::UsageError, library.error);
    }
    report::LogRuns read = report::readLog(command.logPath);
    if (!read.error.isEmpty()) {
        return refuse(err, exitstatus::UsageError, read.error);
    }
    if (!read.notice.isEmpty()) {
        err << "tyrescope: " << read.notice.toStdString() << '\n';
    }
    const QString source = QStringLiteral("log %1").arg(command.logPath);
    std::vector<report::Run>& runs = read.runs;
    if (runs.empty()) {
        return refuse(err, exitstatus::NothingToReport,
                      QStringLiteral("nothing to report: %1 holds no cycle").arg(source));
    }
    const QString serial = QString::fromStdString(command.choice.serial);
    if (!serial.isEmpty()) {
        std::erase_if(runs, [&serial](const report::Run& r) { return r.serial != serial; });
        if (runs.empty()) {
            return refuse(err, exitstatus::NothingToReport,
                          QStringLiteral("nothing to report: %1 holds no run of the receiver %2")
                              .arg(source, serial));
        }
    }
    report::Options options;
    options.pressureUnit = command.read.pressureUnit;
    options.temperatureUnit = command.read.temperatureUnit;
    options.source = source;
    const QByteArray html = report::htmlReport(runs, options, *library.library);
    if (const QString why = record::writeWhole(command.reportPath, html); !why.isEmpty()) {
        return refuse(
            err, exitstatus::WriteFailed,
            QStringLiteral("cannot write the report %1: %2").arg(command.reportPath, why));
    }
    return exitstatus::Passed;
}
