// SPDX-License-Identifier: MIT
#include "app/ReportCommand.h"

#include "app/ExitStatus.h"
#include "app/Modules.h"
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

// The runs of a report's source, or why there are none.
struct Source {
    QString name; // as the report and messages name it
    std::vector<report::Run> runs;
    int status = exitstatus::Passed;
    QString error;
};

Source fromLog(const CommandLine& command, std::ostream& err) {
    Source source{QStringLiteral("log %1").arg(command.logPath), {}, exitstatus::Passed, {}};
    report::LogRuns read = report::readLog(command.logPath);
    if (!read.error.isEmpty()) {
        source.status = exitstatus::UsageError;
        source.error = read.error;
        return source;
    }
    if (!read.notice.isEmpty()) {
        err << "tyrescope: " << read.notice.toStdString() << '\n';
    }
    source.runs = std::move(read.runs);
    const QString serial = QString::fromStdString(command.choice.serial);
    if (!serial.isEmpty()) {
        std::erase_if(source.runs, [&serial](const report::Run& r) { return r.serial != serial; });
    }
    return source;
}

#ifdef TYRESCOPE_RESULTS_STORE
// The store's runs as their records hold them; the store chooses them by
// serial, run id and time.
Source fromStore(const CommandLine& command) {
    Source source{QStringLiteral("results store %1").arg(command.results->name()),
                  {},
                  exitstatus::Passed,
                  {}};
    QList<QByteArray> records;
    QString why;
    if (const store::Calls* store = storeCalls(why)) {
        why = store->records(
            *command.results,
            {QString::fromStdString(command.choice.serial), {}, command.since, command.runId},
            records);
        if (!why.isEmpty()) {
            why = QStringLiteral("cannot read the %1: %2").arg(source.name, why);
        }
    }
    if (!why.isEmpty()) {
        source.status = exitstatus::WriteFailed; // as --history's
        source.error = why;
        return source;
    }
    for (const QByteArray& record : records) {
        report::ReadRun read = report::runFromRecord(record);
        if (!read.run) {
            source.status = exitstatus::UsageError;
            source.error = QStringLiteral("the %1 holds a run record this version cannot read: %2")
                               .arg(source.name, read.error);
            return source;
        }
        source.runs.push_back(std::move(*read.run));
    }
    return source;
}
#endif

// What was asked of the source, for "nothing to report".
QString asked(const CommandLine& command) {
    QStringList choices;
    if (!command.choice.serial.empty()) {
        choices << QStringLiteral("of the receiver %1")
                       .arg(QString::fromStdString(command.choice.serial));
    }
    if (!command.runId.isEmpty()) {
        choices << QStringLiteral("with the id %1").arg(command.runId);
    }
    if (!command.since.isEmpty()) {
        choices << QStringLiteral("since %1").arg(command.since);
    }
    return choices.join(QLatin1Char(' '));
}

} // namespace

int makeReport(const CommandLine& command, std::ostream& err) {
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
#ifdef TYRESCOPE_RESULTS_STORE
    const Source source = command.results ? fromStore(command) : fromLog(command, err);
#else
    const Source source = fromLog(command, err); // the command line refuses --results
#endif
    if (!source.error.isEmpty()) {
        return refuse(err, source.status, source.error);
    }
    if (source.runs.empty()) {
        const QString choice = asked(command);
        return refuse(
            err, exitstatus::NothingToReport,
            choice.isEmpty()
                ? QStringLiteral("nothing to report: %1 holds no cycle").arg(source.name)
                : QStringLiteral("nothing to report: %1 holds no run %2").arg(source.name, choice));
    }
    report::Options options;
    options.pressureUnit = command.read.pressureUnit;
    options.temperatureUnit = command.read.temperatureUnit;
    options.source = source.name;
    const QByteArray html = report::htmlReport(source.runs, options, *library.library);
    if (const QString why = record::writeWhole(command.reportPath, html); !why.isEmpty()) {
        return refuse(
            err, exitstatus::WriteFailed,
            QStringLiteral("cannot write the report %1: %2").arg(command.reportPath, why));
    }
    return exitstatus::Passed;
}
