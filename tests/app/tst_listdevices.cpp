// SPDX-License-Identifier: MIT
#include "app/ListDevices.h"
#include "cycle/TerminalText.h"
#include "hid/EmulatedBackend.h"
#include "hid/HidapiBackend.h"
#include "tests/support/ObservedBackend.h"

#include <QtTest>
#include <sstream>

namespace {

using Setup = void (*)(hid::EmulatedBackend&);

// Hands out the emulated interfaces but refuses every open with a given error,
// for failures the emulated backend has no switch for.
class RefusingBackend final : public hid::Backend {
public:
    RefusingBackend(hid::Backend& inner, std::string error)
        : inner_(inner), error_(std::move(error)) {}
    std::vector<hid::InterfaceInfo> enumerate() override { return inner_.enumerate(); }
    OpenResult open(const std::string&) override { return {nullptr, error_}; }

private:
    hid::Backend& inner_;
    std::string error_;
};

QStringList linesOf(const std::string& text) {
    return QString::fromStdString(text).split('\n');
}

hid::EmulatedBackend::InterfaceOptions deniedReceiver() {
    hid::EmulatedBackend::InterfaceOptions o;
    o.openable = false;
    return o;
}

} // namespace

Q_DECLARE_METATYPE(Setup)

class TstListDevices : public QObject {
    Q_OBJECT

private slots:
    void listing_data();
    void listing();
    void othersAreNeverOpened();
    void machineReadable_data();
    void machineReadable();
    void realBackend();
};

void TstListDevices::listing_data() {
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("openError"); // empty: the emulated backend opens
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("wholeLines");
    QTest::addColumn<QStringList>("fragments");
    QTest::addColumn<QStringList>("absent");

    QTest::newRow("nothing plugged in")
        << Setup([](hid::EmulatedBackend&) {}) << QString() << 1 << QStringList()
        << QStringList{"No HID interfaces are present"}
        << QStringList{"HID interfaces present:", "receiver at"};

    QTest::newRow("other devices only")
        << Setup([](hid::EmulatedBackend& b) {
               b.addOther(0x046D, 0xC52B);
               b.addOther(0x1234, 0xABCD);
           })
        << QString() << 1
        << QStringList{"HID interfaces present: 2", "No receiver (0000:0001) is among them."}
        << QStringList{"  emulated/0  046d:c52b  usage ", "  emulated/1  1234:abcd  usage "}
        << QStringList{"<- receiver", "udev rule"};

    QTest::newRow("receiver opens")
        << Setup([](hid::EmulatedBackend& b) {
               b.addOther(0x046D, 0xC52B);
               b.addReceiver({9, 2, 0});
           })
        << QString() << 0
        << QStringList{"* emulated/1  0000:0001  usage ff00:0001  \"Emulated receiver\"  "
                       "input 9, output 2 bytes  <- receiver",
                       "The receiver at emulated/1 can be opened: Tyrescope will use it."}
        << QStringList() << QStringList{"cannot be opened", "No receiver"};

    QTest::newRow("receiver without permission")
        << Setup([](hid::EmulatedBackend& b) { b.add(deniedReceiver()); }) << QString() << 1
        << QStringList{"* emulated/0  0000:0001  usage ff00:0001  \"Emulated receiver\"  "
                       "input 5, output 3 bytes  <- receiver, cannot be opened",
                       "The receiver at emulated/0 is present but cannot be opened: "
                       "Permission denied"}
        << QStringList{"Install the udev rule 70-tyrescope.rules",
                       "unplug the receiver and plug it in again", "local, active session"}
        << QStringList{"will use it"};

    QTest::newRow("first receiver denied, second opens")
        << Setup([](hid::EmulatedBackend& b) {
               b.add(deniedReceiver());
               b.addReceiver();
           })
        << QString() << 0
        << QStringList{"The receiver at emulated/1 can be opened: Tyrescope will use it."}
        << QStringList{"* emulated/0  0000:0001", "* emulated/1  0000:0001"}
        << QStringList{"udev rule"};

    QTest::newRow("receiver another copy holds, with its serial")
        << Setup([](hid::EmulatedBackend& b) {
               hid::EmulatedBackend::InterfaceOptions o;
               o.heldElsewhere = true;
               o.serial = "TPMS-7";
               b.add(o);
           })
        << QString() << 5
        << QStringList{"* emulated/0  0000:0001  usage ff00:0001  \"Emulated receiver\"  serial "
                       "\"TPMS-7\"  input 5, output 3 bytes  <- receiver, in use by another copy "
                       "of Tyrescope",
                       "The receiver at emulated/0 is in use by another copy of Tyrescope; it is "
                       "free again when that copy ends."}
        << QStringList() << QStringList{"will use it", "udev rule", "Unplug"};

    QTest::newRow("receiver fails for another reason")
        << Setup([](hid::EmulatedBackend& b) { b.addReceiver(); }) << QString("No such device") << 1
        << QStringList{"The receiver at emulated/0 is present but cannot be opened: "
                       "No such device"}
        << QStringList{"Unplug the receiver and plug it in again"}
        << QStringList{"udev rule", "will use it"};

    QTest::newRow("permission error in hidapi's words")
        << Setup([](hid::EmulatedBackend& b) { b.addReceiver(); })
        << QString("Failed to open a device with path 'emulated/0': Permission denied") << 1
        << QStringList() << QStringList{"Install the udev rule 70-tyrescope.rules"}
        << QStringList{"will use it"};

    QTest::newRow("device text cannot reach the terminal raw")
        << Setup([](hid::EmulatedBackend& b) {
               hid::EmulatedBackend::InterfaceOptions o;
               o.vendorId = 0x1234;
               o.product = "Evil\x1b]0;owned\x07\nfake line";
               b.add(o);
           })
        << QString() << 1 << QStringList() << QStringList{"\"Evil?]0;owned??fake line\""}
        << QStringList{"\x1b", "\a"};
}

void TstListDevices::listing() {
    QFETCH(Setup, setup);
    QFETCH(QString, openError);
    QFETCH(int, exitCode);
    QFETCH(QStringList, wholeLines);
    QFETCH(QStringList, fragments);
    QFETCH(QStringList, absent);

    hid::EmulatedBackend emulated;
    setup(emulated);
    RefusingBackend refusing(emulated, openError.toStdString());
    ObservedBackend seen(openError.isEmpty() ? static_cast<hid::Backend&>(emulated) : refusing);

    std::ostringstream out;
    const int rc = listDevices(seen, out);
    const std::string text = out.str();
    const QStringList lines = linesOf(text);

    for (const QString& line : wholeLines) {
        QVERIFY2(lines.contains(line), qPrintable("missing line: " + line + "\n" + text.c_str()));
    }
    for (const QString& fragment : fragments) {
        QVERIFY2(QString::fromStdString(text).contains(fragment),
                 qPrintable("missing: " + fragment + "\n" + text.c_str()));
    }
    for (const QString& fragment : absent) {
        QVERIFY2(!QString::fromStdString(text).contains(fragment),
                 qPrintable("unexpected: " + fragment + "\n" + text.c_str()));
    }
    QCOMPARE(rc, exitCode);
    QCOMPARE(seen.openHandles(), 0);
}

void TstListDevices::othersAreNeverOpened() {
    hid::EmulatedBackend emulated;
    hid::EmulatedBackend::Interface& keyboard = emulated.addOther(0x046D, 0xC31C);
    hid::EmulatedBackend::Interface& receiver = emulated.addReceiver();
    ObservedBackend seen(emulated);
    std::ostringstream out;
    QCOMPARE(listDevices(seen, out), 0);
    QCOMPARE(seen.of(keyboard).openAttempts, 0);
    QCOMPARE(seen.of(receiver).openAttempts, 1);
}

// JSON and CSV name every interface of the choice with the same facts;
// both are read back as a script would.
void TstListDevices::machineReadable_data() {
    QTest::addColumn<bool>("json"); // else CSV
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QStringList>("listed"); // path, serial, openable
    QTest::addColumn<int>("exitCode");

    const QStringList all{"emulated/0", "",           "",  "emulated/1", "A\"1,",
                          "false",      "emulated/2", "B", "true"};
    QTest::newRow("JSON") << true << "" << all << 0;
    QTest::newRow("CSV") << false << "" << all << 0;
    QTest::newRow("JSON, narrowed by serial")
        << true << "B" << QStringList{"emulated/2", "B", "true"} << 0;
    QTest::newRow("CSV, a serial no receiver has") << false << "C" << QStringList() << 1;
}

void TstListDevices::machineReadable() {
    QFETCH(bool, json);
    QFETCH(QString, serial);
    QFETCH(QStringList, listed);
    QFETCH(int, exitCode);
    hid::EmulatedBackend emulated;
    emulated.addOther(0x046D, 0xC52B);
    hid::EmulatedBackend::InterfaceOptions held;
    held.heldElsewhere = true;
    held.serial = "A\"1,";
    emulated.add(held);
    emulated.addReceiver({9, 2, 0}).options().serial = "B";

    ObservedBackend seen(emulated);
    std::ostringstream out;
    const int rc = listDevices(seen, out, hid::ReceiverChoice{{}, serial.toStdString()},
                               json ? cycle::OutputFormat::Json : cycle::OutputFormat::Csv);
    const QByteArray text = QByteArray::fromStdString(out.str());

    QList<QVariantMap> rows;
    if (json) {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(text, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        for (const QJsonValue& v : document["interfaces"].toArray()) {
            rows << v.toObject().toVariantMap();
        }
    } else {
        // No field here holds a line break; quoted fields are read as RFC 4180 has them.
        const QList<QByteArray> lines = text.trimmed().split('\n');
        const QList<QByteArray> header = lines[0].trimmed().split(',');
        const QRegularExpression field(R"(("(?:[^"]|"")*"|[^,]*)(,|$))");
        for (qsizetype i = 1; i < lines.size(); ++i) {
            QVariantMap row;
            auto match = field.globalMatch(QString::fromUtf8(lines[i].trimmed()));
            for (const QByteArray& column : header) {
                QString value = match.next().captured(1);
                if (value.startsWith('"')) {
                    value = value.mid(1, value.size() - 2).replace("\"\"", "\"");
                }
                row[QString::fromLatin1(column)] = value;
            }
            rows << row;
        }
    }
    QCOMPARE(rows.size(), listed.size() / 3);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QVariantMap& row = rows[i];
        QCOMPARE(row["path"].toString(), listed[3 * i]);
        QCOMPARE(row["serial"].toString(), listed[3 * i + 1]);
        QCOMPARE(row["openable"].toString(), listed[3 * i + 2]);
        const bool receiver = row["receiver"].toString() == "true";
        QCOMPARE(row["in_use"].toString() == "true", row["serial"] == "A\"1,");
        QCOMPARE(row["vendor_id"].toInt(), receiver ? 0 : 0x046D);
        QCOMPARE(row["product_id"].toInt(), receiver ? 1 : 0xC52B);
        QCOMPARE(row["input_length"].toInt(), row["serial"] == "B" ? 9 : receiver ? 5 : 4);
        QCOMPARE(row["not_openable_why"].toString(),
                 row["in_use"].toString() == "true" ? "in use by another copy of Tyrescope" : "");
    }
    QCOMPARE(rc, exitCode);
    QCOMPARE(seen.openHandles(), 0);
}

// The machine running the tests has its own HID devices, or none at all; the
// listing has to agree with what hidapi itself reports either way.
void TstListDevices::realBackend() {
    hid::HidapiBackend backend;
    const std::vector<hid::InterfaceInfo> present = backend.enumerate();
    std::ostringstream out;
    const int rc = listDevices(backend, out);
    const QString text = QString::fromStdString(out.str());

    if (present.empty()) {
        QCOMPARE(rc, 1);
        QVERIFY2(text.startsWith("No HID interfaces are present"), qPrintable(text));
        return;
    }
    for (const hid::InterfaceInfo& info : present) {
        QVERIFY2(text.contains(QString::fromStdString(::printableText(info.path))),
                 qPrintable(text));
    }
    QCOMPARE(rc == 0, text.contains("Tyrescope will use it"));
}

QTEST_GUILESS_MAIN(TstListDevices)
#include "tst_listdevices.moc"
