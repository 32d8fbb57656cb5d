// SPDX-License-Identifier: MIT
// RunRecord, continued: the run as JUnit XML, one test suite per run, one
// test case per sensor and measure and one for the run itself.
#include "record/RunRecord.h"

#include <QXmlStreamWriter>

namespace record {

namespace {

// XML 1.0 cannot carry most control characters, not even escaped.
QString xmlSafe(QString text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool pairStart = QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                               QChar::isLowSurrogate(text[i + 1].unicode());
        if (pairStart) {
            ++i;
        } else if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0xFFFE ||
                   c == 0xFFFF || QChar::isSurrogate(c)) {
            text[i] = QChar::ReplacementCharacter;
        }
    }
    return text;
}

struct TestCase {
    QString classname;
    QString name;
    QString result; // "failure", "error", "skipped"; empty: passed
    QString type;
    QString message;
    QStringList lines;
};

bool limitApplies(const verdict::SensorLimits& limits, verdict::Measure measure) {
    switch (measure) {
    case verdict::Measure::Pressure:
        return limits.pressure.has_value();
    case verdict::Measure::Temperature:
        return limits.temperature.has_value();
    case verdict::Measure::Battery:
        return limits.battery.has_value();
    case verdict::Measure::Status:
        return limits.status.has_value();
    }
    return false;
}

} // namespace

QByteArray RunRecord::junitXml() const {
    std::vector<TestCase> cases;

    // The run: did every cycle reach the receiver and end as asked.
    TestCase run;
    run.classname = QStringLiteral("tyrescope");
    run.name = QStringLiteral("run");
    for (std::size_t n = 0; n < cycles_.size(); ++n) {
        const verdict::CycleVerdict& v = cycles_[n].verdict;
        const bool error = v.verdict == verdict::Verdict::Error;
        if (error || (v.verdict == verdict::Verdict::Fail && !v.firstFailure)) {
            run.lines << QStringLiteral("cycle %1: %2").arg(n + 1).arg(v.cause);
            if (run.result.isEmpty() || (error && run.result != QLatin1String("error"))) {
                run.result = error ? QStringLiteral("error") : QStringLiteral("failure");
                run.type = error ? QStringLiteral("receiver") : QStringLiteral("cycle");
                run.message = run.lines.last();
            }
        }
    }
    if (how_ != RunEnd::Completed || cycles_.empty()) {
        const QString why = why_.isEmpty() ? QStringLiteral("no cycle ran") : why_;
        run.lines << why;
        if (run.result != QLatin1String("error")) {
            run.result = QStringLiteral("error");
            run.type =
                how_ == RunEnd::Aborted ? QStringLiteral("aborted") : QStringLiteral("output");
            run.message = why;
        }
    }
    cases.push_back(run);

    for (int s = 1; s <= protocol::SensorCount; ++s) {
        for (const verdict::Measure measure : verdict::AllMeasures) {
            const verdict::ValueAt at{s, measure};
            TestCase c;
            c.classname = QStringLiteral("tyrescope.sensor%1").arg(s);
            c.name = verdict::measureName(measure);
            int judged = 0;
            for (std::size_t n = 0; n < cycles_.size(); ++n) {
                const verdict::Judgement& j = cycles_[n].verdict.at(at);
                judged += j.judged ? 1 : 0;
                if (j.judged && !j.pass) {
                    c.lines << QStringLiteral("cycle %1: %2")
                                   .arg(n + 1)
                                   .arg(verdict::failure(j, QStringLiteral(".")));
                    if (c.result.isEmpty()) {
                        c.result = QStringLiteral("failure");
                        c.type = verdict::boundName(j.broken);
                        c.message = verdict::causeOf(at, j);
                    }
                }
            }
            if (judged == 0) {
                const bool limited =
                    facts_.limits &&
                    limitApplies(facts_.limits->limits.sensors[std::size_t(s - 1)], measure);
                c.result = QStringLiteral("skipped");
                c.message = limited ? QStringLiteral("not judged in any cycle")
                                    : QStringLiteral("no limit");
            }
            cases.push_back(c);
        }
    }

    const auto count = [&cases](const char* result) {
        return QString::number(
            std::count_if(cases.begin(), cases.end(), [result](const TestCase& c) {
                return c.result == QLatin1String(result);
            }));
    };
    const QString tests = QString::number(cases.size());
    const QString time = QString::number(start_.msecsTo(end_) / 1000.0, 'f', 3);
    const cycle::CycleResult* dut = receiver();

    QByteArray xml;
    QXmlStreamWriter w(&xml);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(2);
    w.writeStartDocument();
    const auto attributes = [&w](std::initializer_list<std::pair<const char*, QString>> list) {
        for (const auto& [name, value] : list) {
            w.writeAttribute(QLatin1String(name), xmlSafe(value));
        }
    };
    w.writeStartElement(QStringLiteral("testsuites"));
    attributes({{"name", QStringLiteral("tyrescope")},
                {"tests", tests},
                {"failures", count("failure")},
                {"errors", count("error")},
                {"skipped", count("skipped")},
                {"time", time}});
    w.writeStartElement(QStringLiteral("testsuite"));
    // JUnit's timestamp has no time zone; it is UTC.
    attributes({{"name", QStringLiteral("tyrescope --read")},
                {"tests", tests},
                {"failures", count("failure")},
                {"errors", count("error")},
                {"skipped", count("skipped")},
                {"timestamp", start_.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))},
                {"time", time},
                {"hostname", facts_.station}});

    w.writeStartElement(QStringLiteral("properties"));
    const std::pair<const char*, QString> properties[] = {
        {"station", facts_.station},
        {"serial", dut ? dut->deviceSerial : QString()},
        {"dut_label", facts_.dutLabel},
        {"device", dut ? dut->devicePath : QString()},
        {"operator", facts_.operatorName},
        {"tool_version", facts_.version},
        {"limits", facts_.limits ? facts_.limits->limits.name : QString()},
        {"limits_sha256", facts_.limits ? facts_.limits->sha256 : QString()},
        {"run_id", runId_},
        {"outcome", outcome()},
        {"exit_status", QString::number(exitStatus_)},
    };
    for (const auto& [name, value] : properties) {
        if (!value.isEmpty()) {
            w.writeStartElement(QStringLiteral("property"));
            attributes({{"name", QLatin1String(name)}, {"value", value}});
            w.writeEndElement();
        }
    }
    w.writeEndElement();

    for (const TestCase& c : cases) {
        w.writeStartElement(QStringLiteral("testcase"));
        attributes({{"classname", c.classname}, {"name", c.name}});
        if (!c.result.isEmpty()) {
            w.writeStartElement(c.result);
            attributes({{"message", c.message}});
            if (!c.type.isEmpty()) {
                attributes({{"type", c.type}});
            }
            if (!c.lines.isEmpty()) {
                w.writeCharacters(xmlSafe(c.lines.join(QLatin1Char('\n'))));
            }
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    return xml;
}

} // namespace record
