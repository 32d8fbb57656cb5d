// SPDX-License-Identifier: MIT
#include "report/LogRuns.h"

#include "cycle/CycleOutput.h"
#include "verdict/Judge.h"

#include <QDateTime>
#include <QFile>
#include <map>

namespace report {

namespace {

// One CSV record (RFC 4180) from p on; p ends past its line end. A quoted
// field is unquoted into `unquoted`, which its view then points into.
void readRecord(const char*& p, const char* end, std::vector<QByteArrayView>& fields,
                std::vector<QByteArray>& unquoted) {
    fields.clear();
    std::size_t quotedCount = 0;
    while (true) {
        if (p < end && *p == '"') {
            if (unquoted.size() <= quotedCount) {
                unquoted.emplace_back();
            }
            QByteArray& field = unquoted[quotedCount++];
            field.clear();
            for (++p; p < end; ++p) {
                if (*p == '"' && p + 1 < end && p[1] == '"') {
                    ++p;
                } else if (*p == '"') {
                    ++p;
                    break;
                }
                field += *p;
            }
            fields.emplace_back(field);
            // Anything after the closing quote up to the separator is kept out.
            while (p < end && *p != ',' && *p != '\n') {
                ++p;
            }
        } else {
            const char* start = p;
            while (p < end && *p != ',' && *p != '\n') {
                ++p;
            }
            const char* stop = p > start && p[-1] == '\r' && (p == end || *p == '\n') ? p - 1 : p;
            fields.emplace_back(start, stop - start);
        }
        if (p < end && *p == ',') {
            ++p;
            continue;
        }
        if (p < end) {
            ++p; // the line feed
        }
        return;
    }
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
qint64 daysFromCivil(qint64 y, unsigned m, unsigned d) {
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<qint64>(doe) - 719468;
}

// The log's time, "2026-12-08T01:02:03.456Z" as the program writes it, read
// without Qt's general parser, which would take most of a long log's time.
std::optional<qint64> timeOf(QByteArrayView text) {
    static constexpr char Shape[] = "dddd-dd-ddTdd:dd:dd.dddZ";
    bool plain = text.size() == qsizetype(sizeof Shape - 1);
    for (qsizetype i = 0; plain && i < text.size(); ++i) {
        plain = Shape[i] == 'd' ? text[i] >= '0' && text[i] <= '9' : text[i] == Shape[i];
    }
    if (!plain) {
        const QDateTime time =
            QDateTime::fromString(QString::fromLatin1(text.toByteArray()), Qt::ISODateWithMs);
        return time.isValid() ? std::optional<qint64>(time.toMSecsSinceEpoch()) : std::nullopt;
    }
    const auto number = [&text](qsizetype at, int digits) {
        int n = 0;
        for (int i = 0; i < digits; ++i) {
            n = n * 10 + (text[at + i] - '0');
        }
        return n;
    };
    const int month = number(5, 2);
    const int day = number(8, 2);
    if (month < 1 || month > 12 || day < 1 || day > 31 || number(11, 2) > 23 ||
        number(14, 2) > 59 || number(17, 2) > 60) {
        return std::nullopt;
    }
    const qint64 days = daysFromCivil(number(0, 4), unsigned(month), unsigned(day));
    return ((days * 24 + number(11, 2)) * 60 + number(14, 2)) * 60000 + number(17, 2) * 1000 +
           number(20, 3);
}

// The columns a report reads, by their index in the log's layout; serial is
// -1 in a layout without it.
struct Columns {
    qsizetype count, time, reached, device, sensor, raw, serial;
    explicit Columns(const QStringList& c)
        : count(c.size()), time(c.indexOf(QLatin1String("time"))),
          reached(c.indexOf(QLatin1String("reached"))), device(c.indexOf(QLatin1String("device"))),
          sensor(c.indexOf(QLatin1String("sensor"))), raw(c.indexOf(QLatin1String("raw"))),
          serial(c.indexOf(QLatin1String("serial"))) {}
};

// The runs as the rows come: one per receiver.
class Grouping {
public:
    void add(const Cycle& cycle, const QString& serial, const QString& device) {
        const QString key = serial.isEmpty() ? device : serial;
        if (key.isEmpty() && runs_.empty()) {
            waiting_.push_back({cycle, device});
            return;
        }
        if (!key.isEmpty()) {
            const auto [at, isNew] = index_.try_emplace(key, runs_.size());
            if (isNew) {
                runs_.emplace_back();
                runs_.back().run.serial = serial;
                runs_.back().run.device = device;
            }
            current_ = at->second;
        }
        Building& b = runs_[current_];
        for (const auto& [earlier, earlierDevice] : waiting_) {
            take(b, earlier, earlierDevice);
        }
        waiting_.clear();
        take(b, cycle, device);
    }

    std::vector<Run> runs() {
        if (!waiting_.empty()) {
            runs_.emplace_back();
            for (const auto& [cycle, device] : waiting_) {
                take(runs_.back(), cycle, device);
            }
        }
        std::vector<Run> done;
        for (Building& b : runs_) {
            Run& run = b.run;
            run.start = run.cycles.front().time;
            run.end = run.cycles.back().time;
            run.outcome = b.firstLost ? QStringLiteral("error") : QStringLiteral("pass");
            if (b.firstLost) {
                // As --read's verdict says it.
                cycle::CycleResult lost;
                lost.opened = !b.lostDevice.isEmpty();
                lost.devicePath = b.lostDevice;
                run.cause = run.causeKind = verdict::judge(lost, {}).cause;
            }
            done.push_back(std::move(run));
        }
        return done;
    }

private:
    struct Building {
        Run run;
        bool firstLost = false;
        QString lostDevice;
    };
    static void take(Building& b, const Cycle& cycle, const QString& device) {
        if (!cycle.reached && !b.firstLost) {
            b.firstLost = true;
            b.lostDevice = device;
        }
        b.run.cycles.push_back(cycle);
    }

    std::vector<Building> runs_;
    std::map<QString, std::size_t> index_;
    std::size_t current_ = 0;
    std::vector<std::pair<Cycle, QString>> waiting_; // before any receiver was logged
};

} // namespace

LogRuns runsFromLog(const QByteArray& bytes, const QString& name) {
    const char* p = bytes.constData();
    const char* const end = p + bytes.size();
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        p += 3;
    }
    if (p == end) {
        return {}; // a log begun and never written to: nothing to report
    }
    std::vector<QByteArrayView> fields;
    std::vector<QByteArray> unquoted;
    readRecord(p, end, fields, unquoted);
    QByteArray header;
    for (const QByteArrayView field : fields) {
        header += (header.isEmpty() ? "" : ",") + field.toByteArray();
    }
    const cycle::CsvLayout* layout = nullptr;
    for (const cycle::CsvLayout& known : cycle::csvLayouts()) {
        layout = header == known.columns.join(QLatin1Char(',')).toUtf8() ? &known : layout;
    }
    if (layout == nullptr) {
        return {{},
                QStringLiteral("%1 is no log of Tyrescope: its first line is no header this "
                               "program writes")
                    .arg(name),
                {}};
    }
    const Columns at(layout->columns);

    Grouping grouping;
    Cycle cycle;
    QByteArray cycleKey; // time, reached, device and serial of the cycle being read
    QString serial;
    QString device;
    bool open = false;
    unsigned seen = 0;                  // the cycle's sensors read, a bit each
    std::pair<int, int> cutShort{0, 0}; // the first one's line, how many
    int line = 1;
    const auto error = [&name, &line](const QString& what) {
        return LogRuns{{}, QStringLiteral("%1 line %2: %3").arg(name).arg(line).arg(what), {}};
    };
    while (p < end) {
        ++line;
        readRecord(p, end, fields, unquoted);
        if (fields.size() == 1 && fields[0].isEmpty()) {
            continue; // a blank line
        }
        if (qsizetype(fields.size()) != at.count) {
            cutShort.first = cutShort.second++ == 0 ? line : cutShort.first;
            continue;
        }
        const QByteArrayView serialField = at.serial >= 0 ? fields[at.serial] : QByteArrayView();
        QByteArray key;
        for (const QByteArrayView part :
             {fields[at.time], fields[at.reached], fields[at.device], serialField}) {
            key.append(part).append('\n');
        }
        bool ok = false;
        const int sensor = fields[at.sensor].toInt(&ok);
        if (!ok || sensor < 1 || sensor > protocol::SensorCount) {
            return error(QStringLiteral("no sensor 1 to 5"));
        }
        // A cycle's five rows stand together, sensor 1 to 5.
        if (!open || key != cycleKey || (seen & (1u << sensor)) != 0) {
            if (open) {
                grouping.add(cycle, serial, device);
            }
            const std::optional<qint64> time = timeOf(fields[at.time]);
            if (!time) {
                return error(QStringLiteral("no time"));
            }
            if (fields[at.reached] != "true" && fields[at.reached] != "false") {
                return error(QStringLiteral("'reached' is neither true nor false"));
            }
            cycle = Cycle{*time, fields[at.reached] == "true", {}};
            cycle.data.fill(sensor::SensorRecord::of(protocol::NoDataRecord));
            cycleKey = key;
            serial = QString::fromUtf8(serialField);
            device = QString::fromUtf8(fields[at.device]);
            open = true;
            seen = 0;
        }
        seen |= 1u << sensor;
        sensor::SensorRecord& slot = cycle.data[static_cast<std::size_t>(sensor - 1)];
        if (cycle.reached) {
            const std::optional<sensor::SensorRecord> record = recordFromHex(fields[at.raw]);
            if (!record) {
                return error(QStringLiteral("a cycle that reached the receiver without its raw "
                                            "bytes"));
            }
            slot = *record;
        }
    }
    if (!open) {
        return {}; // nothing to report
    }
    grouping.add(cycle, serial, device);
    const QString notice =
        cutShort.second == 0
            ? QString()
            : QStringLiteral("%1: %2 row(s) cut short left out, the first on line %3")
                  .arg(name)
                  .arg(cutShort.second)
                  .arg(cutShort.first);
    return {grouping.runs(), {}, notice};
}

LogRuns readLog(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {{}, QStringLiteral("cannot read the log %1: %2").arg(path, file.errorString()), {}};
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return {{}, QStringLiteral("cannot read the log %1: %2").arg(path, file.errorString()), {}};
    }
    return runsFromLog(bytes, path);
}

} // namespace report
