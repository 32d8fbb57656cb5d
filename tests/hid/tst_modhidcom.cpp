// SPDX-License-Identifier: MIT
#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "tests/support/ObservedBackend.h"

#include <QTest>
#include <vector>

using Bytes = std::vector<std::uint8_t>;
using hid::EmulatedBackend;
using hid::ReportLengths;

Q_DECLARE_METATYPE(Bytes)

namespace {

constexpr std::uint8_t FirstRequest = protocol::FirstRecordRequest;

// Builds the interface list from a letter per interface:
//   R receiver, X receiver that cannot be opened, U receiver another copy
//   holds, a decoy 0000:0002, b decoy 0001:0001. Receivers have the serial
//   S and their index.
void populate(EmulatedBackend& backend, const QString& layout) {
    for (const QChar c : layout) {
        const std::string serial = "S" + std::to_string(backend.interfaceCount());
        if (c == 'R') {
            backend.addReceiver().options().serial = serial;
        } else if (c == 'X' || c == 'U') {
            EmulatedBackend::InterfaceOptions options;
            options.openable = c != 'X';
            options.heldElsewhere = c == 'U';
            options.serial = serial;
            backend.add(options);
        } else if (c == 'a') {
            backend.addOther(0x0000, 0x0002);
        } else if (c == 'b') {
            backend.addOther(0x0001, 0x0001);
        } else {
            QFAIL("unknown letter in layout");
        }
    }
}

// One record request and its answer, as the acquisition cycle does it.
void request(ModHIDCom& com, int sensorIndex) {
    com.Request(static_cast<std::uint8_t>(FirstRequest + sensorIndex));
}

} // namespace

class tst_ModHIDCom : public QObject {
    Q_OBJECT

private slots:
    void findsReceiver_data() {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("path");   // --device
        QTest::addColumn<QString>("serial"); // --serial
        QTest::addColumn<int>("expected");   // index of the interface taken, -1 none

        QTest::newRow("nothing present") << ""
                                         << ""
                                         << "" << -1;
        QTest::newRow("decoys only") << "ab"
                                     << ""
                                     << "" << -1;
        QTest::newRow("receiver alone") << "R"
                                        << ""
                                        << "" << 0;
        QTest::newRow("receiver first") << "Rab"
                                        << ""
                                        << "" << 0;
        QTest::newRow("receiver between decoys") << "aRb"
                                                 << ""
                                                 << "" << 1;
        QTest::newRow("receiver last") << "baaR"
                                       << ""
                                       << "" << 3;
        QTest::newRow("first of two receivers") << "aRbR"
                                                << ""
                                                << "" << 1;
        QTest::newRow("unopenable receiver skipped") << "XaR"
                                                     << ""
                                                     << "" << 2;
        QTest::newRow("only an unopenable receiver") << "aX"
                                                     << ""
                                                     << "" << -1;
        QTest::newRow("two unopenable then two good") << "XXRR"
                                                      << ""
                                                      << "" << 2;
        QTest::newRow("receiver another copy holds skipped") << "UaR"
                                                             << ""
                                                             << "" << 2;
        QTest::newRow("only a receiver another copy holds") << "aUX"
                                                            << ""
                                                            << "" << -1;
        QTest::newRow("chosen by path: the second") << "RaR"
                                                    << "emulated/2"
                                                    << "" << 2;
        QTest::newRow("chosen by serial: the second") << "RRR"
                                                      << ""
                                                      << "S1" << 1;
        QTest::newRow("chosen and held: no other taken") << "UR"
                                                         << "emulated/0"
                                                         << "" << -1;
        QTest::newRow("path and serial of two receivers") << "RR"
                                                          << "emulated/0"
                                                          << "S1" << -1;
        QTest::newRow("a decoy's path chosen") << "aR"
                                               << "emulated/0"
                                               << "" << -1;
        QTest::newRow("serial matching nothing") << "RR"
                                                 << ""
                                                 << "S9" << -1;
    }
    void findsReceiver() {
        QFETCH(QString, layout);
        QFETCH(QString, path);
        QFETCH(QString, serial);
        QFETCH(int, expected);
        EmulatedBackend backend;
        populate(backend, layout);
        ObservedBackend seen(backend);
        ModHIDCom com(seen);
        const hid::ReceiverChoice choice{path.toStdString(), serial.toStdString()};
        com.choose(choice);

        const bool found = com.OpenReceiver();

        QCOMPARE(found, expected >= 0);
        QCOMPARE(com.DeviceConnected(), found);
        // Held by another copy is told apart from every other failure.
        QCOMPARE(com.ReceiverInUse(), !found && layout.contains('U'));
        QCOMPARE(seen.openHandles(), found ? 1 : 0);
        for (std::size_t k = 0; k < backend.interfaceCount(); ++k) {
            EmulatedBackend::Interface& candidate = backend.at(k);
            const bool isReceiver =
                candidate.options().vendorId == 0x0000 && candidate.options().productId == 0x0001;
            const int index = static_cast<int>(k);
            // Decoys and receivers not chosen are never opened; receivers
            // before the match are tried, those after it are left alone.
            const bool tried = isReceiver && choice.matches(candidate.info()) &&
                               (expected < 0 || index <= expected);
            QCOMPARE(seen.of(candidate).openAttempts, tried ? 1 : 0);
            QCOMPARE(seen.of(candidate).openHandles, index == expected ? 1 : 0);
        }
        if (found) {
            QCOMPARE(com.DevicePath(), backend.at(expected).path());
            QCOMPARE(com.DeviceSerial(), "S" + std::to_string(expected));
        }
    }

    void outputFraming_data() {
        QTest::addColumn<int>("outputLength");
        QTest::addColumn<Bytes>("expected");

        QTest::newRow("1: report ID alone") << 1 << Bytes{0x00};
        QTest::newRow("2: ID and command") << 2 << Bytes{0x00, 0x21};
        QTest::newRow("3: ID, command, 0") << 3 << Bytes{0x00, 0x21, 0x00};
        QTest::newRow("4: zero past the command bytes") << 4 << Bytes{0x00, 0x21, 0x00, 0x00};
        QTest::newRow("8: zeros past the command bytes")
            << 8 << Bytes{0x00, 0x21, 0, 0, 0, 0, 0, 0};
        QTest::newRow("0 unknown: three bytes") << 0 << Bytes{0x00, 0x21, 0x00};
    }
    void outputFraming() {
        QFETCH(int, outputLength);
        QFETCH(Bytes, expected);
        EmulatedBackend backend;
        auto& receiver =
            backend.addReceiver(ReportLengths{5, static_cast<std::size_t>(outputLength), 0});
        ObservedBackend seen(backend);
        ModHIDCom com(seen);
        QVERIFY(com.OpenReceiver());

        com.SendCommand(0x21);

        QCOMPARE(seen.of(receiver).received.size(), std::size_t(1));
        QCOMPARE(seen.of(receiver).received.front(), expected);
        QVERIFY(com.DeviceConnected()); // writing never changes it
        QCOMPARE(seen.of(receiver).reads, 0);
    }

    void answerKeepsConnection_data() {
        QTest::addColumn<int>("inputLength");
        QTest::addColumn<int>("reportId");
        QTest::addColumn<Bytes>("expected");

        QTest::newRow("5 bytes, unnumbered") << 5 << 0 << Bytes{0x00, 0x50, 0x41, 0x64, 0x01};
        QTest::newRow("8 bytes: data past the record kept")
            << 8 << 0 << Bytes{0x00, 0x50, 0x41, 0x64, 0x01, 0x00, 0x00, 0x00};
        QTest::newRow("numbered report keeps its ID")
            << 5 << 7 << Bytes{0x07, 0x50, 0x41, 0x64, 0x01};
        QTest::newRow("3 declared: missing bytes read as no data")
            << 3 << 0 << Bytes{0x00, 0x50, 0x41, 0xFF, 0xFF};
        QTest::newRow("1 declared: the whole record is no data")
            << 1 << 0 << Bytes{0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    }
    void answerKeepsConnection() {
        QFETCH(int, inputLength);
        QFETCH(int, reportId);
        QFETCH(Bytes, expected);
        EmulatedBackend backend;
        EmulatedBackend::InterfaceOptions options;
        options.lengths = {static_cast<std::size_t>(inputLength), 3, 0};
        options.inputReportId = static_cast<std::uint8_t>(reportId);
        auto& receiver = backend.add(options);
        receiver.model().setRecord(2, {0x50, 0x41, 0x64, 0x01});
        ObservedBackend seen(backend);
        ModHIDCom com(seen);
        QVERIFY(com.OpenReceiver());

        request(com, 2);

        QVERIFY(com.DeviceConnected());
        QCOMPARE(com.InputBuffer(), expected);
        QCOMPARE(seen.of(receiver).lastReadTimeout, ModHIDCom::ReadTimeout);
        QCOMPARE(seen.openHandles(), 1);
    }

    void answerOfOddLength_data() {
        QTest::addColumn<int>("inputLength");
        QTest::addColumn<Bytes>("answer");
        QTest::addColumn<Bytes>("expected");

        QTest::newRow("empty") << 6 << Bytes{} << Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        QTest::newRow("ID and two bytes")
            << 6 << Bytes{0x00, 0x10, 0x20} << Bytes{0x00, 0x10, 0x20, 0xFF, 0xFF, 0xFF};
        QTest::newRow("longer than declared: cut")
            << 6 << Bytes{0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9} << Bytes{0x00, 1, 2, 3, 4, 5};
        QTest::newRow("length unknown: kept whole")
            << 0 << Bytes{0x00, 1, 2, 3, 4, 5, 6} << Bytes{0x00, 1, 2, 3, 4, 5, 6};
        QTest::newRow("length unknown, short: filled to a record")
            << 0 << Bytes{0x00, 1} << Bytes{0x00, 1, 0xFF, 0xFF, 0xFF};
        QTest::newRow("2 declared, a whole record sent: cut, then filled")
            << 2 << Bytes{0x00, 0x78, 0x41, 0x50, 0x01} << Bytes{0x00, 0x78, 0xFF, 0xFF, 0xFF};
        QTest::newRow("declared beyond the platform's limit: unknown")
            << 65535 << Bytes{0x00, 1, 2, 3, 4, 5, 6} << Bytes{0x00, 1, 2, 3, 4, 5, 6};
        QTest::newRow("length unknown: cut at the platform's limit")
            << 0 << Bytes(70000, 0x11) << Bytes(hid::MaxReportLength, 0x11);
    }
    void answerOfOddLength() {
        QFETCH(int, inputLength);
        QFETCH(Bytes, answer);
        QFETCH(Bytes, expected);
        EmulatedBackend backend;
        auto& receiver =
            backend.addReceiver(ReportLengths{static_cast<std::size_t>(inputLength), 3, 0});
        receiver.answerNextWith(answer);
        ModHIDCom com(backend);
        QVERIFY(com.OpenReceiver());

        request(com, 0);

        QVERIFY(com.DeviceConnected());
        QCOMPARE(com.InputBuffer(), expected);
    }

    void lostAnswerClosesReceiver_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("inputLength");

        QTest::newRow("no answer") << "quiet" << 5;
        QTest::newRow("no answer, long reports") << "quiet" << 9;
        QTest::newRow("failed wait") << "fail" << 5;
        QTest::newRow("unplugged at the request") << "unplug" << 5;
        QTest::newRow("unplugged before the request") << "gone" << 5;
    }
    void lostAnswerClosesReceiver() {
        QFETCH(QString, how);
        QFETCH(int, inputLength);
        EmulatedBackend backend;
        auto& receiver =
            backend.addReceiver(ReportLengths{static_cast<std::size_t>(inputLength), 3, 0});
        ObservedBackend seen(backend);
        ModHIDCom com(seen);
        QVERIFY(com.OpenReceiver());
        request(com, 0); // a good exchange first leaves a non-zero InputBuffer
        QVERIFY(com.DeviceConnected());

        if (how == "quiet") {
            receiver.stayQuietNext();
        } else if (how == "fail") {
            receiver.failNextWaits();
        } else if (how == "unplug") {
            receiver.unplugOnWrite(1);
        } else {
            receiver.unplug();
        }
        request(com, 1);

        QVERIFY(!com.DeviceConnected());
        QCOMPARE(com.InputBuffer(), Bytes(static_cast<std::size_t>(inputLength), 0));
        QVERIFY(!com.DeviceConnected());
        QCOMPARE(seen.openHandles(), 0);

        // Closing afterwards, as shutdown does, finds nothing left to close.
        com.CloseReceiver();
        QCOMPARE(seen.openHandles(), 0);
        QVERIFY(!com.DeviceConnected());
    }

    void closeReceiverEndsTheConnection() {
        EmulatedBackend backend;
        backend.addReceiver();
        ObservedBackend seen(backend);
        ModHIDCom com(seen);
        QVERIFY(com.OpenReceiver());

        com.CloseReceiver();
        QCOMPARE(seen.openHandles(), 0);
        QVERIFY(!com.DeviceConnected());
        com.CloseReceiver();
        QCOMPARE(seen.openHandles(), 0);
    }

    void unsolicitedReportNeverReturned_data() {
        QTest::addColumn<bool>("answers");
        QTest::newRow("receiver answers after the stale report") << true;
        QTest::newRow("receiver stays quiet after the stale report") << false;
    }
    void unsolicitedReportNeverReturned() {
        QFETCH(bool, answers);
        EmulatedBackend backend;
        auto& receiver = backend.addReceiver();
        receiver.model().setRecord(0, {1, 2, 3, 4});
        ModHIDCom com(backend);
        QVERIFY(com.OpenReceiver());

        receiver.sendUnsolicited({0x00, 0xAA, 0xBB, 0xCC, 0xDD});
        receiver.sendUnsolicited({0x00, 0xEE, 0xEE, 0xEE, 0xEE});
        if (!answers) {
            receiver.stayQuietNext();
        }
        request(com, 0);

        if (answers) {
            QVERIFY(com.DeviceConnected());
            QCOMPARE(com.InputBuffer(), (Bytes{0x00, 1, 2, 3, 4}));
        } else {
            QVERIFY(!com.DeviceConnected());
            QCOMPARE(com.InputBuffer(), Bytes(5, 0));
        }
    }

    void answersFollowTheirRequests() {
        // A stale answer left by a reset must not shift the records by one.
        EmulatedBackend backend;
        auto& receiver = backend.addReceiver();
        for (int i = 0; i < protocol::SensorCount; ++i) {
            const auto b = static_cast<std::uint8_t>(10 * i);
            receiver.model().setRecord(i, {b, std::uint8_t(b + 1), std::uint8_t(b + 2), 1});
        }
        ModHIDCom com(backend);
        QVERIFY(com.OpenReceiver());

        com.SendCommand(FirstRequest + 4); // answered, never read
        for (int i = 0; i < protocol::SensorCount; ++i) {
            request(com, i);
            QVERIFY(com.DeviceConnected());
            const auto b = static_cast<std::uint8_t>(10 * i);
            QCOMPARE(com.InputBuffer(),
                     (Bytes{0x00, b, std::uint8_t(b + 1), std::uint8_t(b + 2), 1}));
        }
    }

    void writesInARowReadNothing() {
        EmulatedBackend backend;
        auto& receiver = backend.addReceiver();
        receiver.model().setRecord(0, {1, 2, 3, 4});
        ObservedBackend seen(backend);
        ModHIDCom com(seen);
        QVERIFY(com.OpenReceiver());

        com.SendCommand(protocol::DataReset);
        com.SendCommand(protocol::MasterReset);

        QCOMPARE(seen.of(receiver).reads, 0);
        QVERIFY(com.DeviceConnected());
        QCOMPARE(seen.of(receiver).received,
                 (std::vector<Bytes>{{0x00, 0xFE, 0x00}, {0x00, 0xFF, 0x00}}));
        QCOMPARE(receiver.model().dataResetCount(), 1);
        QCOMPARE(receiver.model().masterResetCount(), 1);
        QCOMPARE(seen.openHandles(), 1);
    }

    void unpluggedDuringCycle() {
        // Sensors 1 and 2 answer, the third request finds the receiver gone.
        EmulatedBackend backend;
        auto& receiver = backend.addReceiver();
        receiver.unplugOnWrite(3);
        ObservedBackend seen(backend);
        ModHIDCom com(seen);
        QVERIFY(com.OpenReceiver());

        std::vector<bool> connected;
        for (int i = 0; i < 3; ++i) {
            request(com, i);
            connected.push_back(com.DeviceConnected());
        }
        QCOMPARE(connected, (std::vector<bool>{true, true, false}));
        QCOMPARE(seen.of(receiver).received.size(), std::size_t(2));
        QCOMPARE(seen.openHandles(), 0);

        // Gone from the list: the search finds nothing until it is back.
        QVERIFY(!com.OpenReceiver());
        receiver.plug();
        QVERIFY(com.OpenReceiver());
        request(com, 0);
        QVERIFY(com.DeviceConnected());
        QCOMPARE(seen.openHandles(), 1);
    }

    void lossCyclesLeakNothing_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("time-outs") << "quiet";
        QTest::newRow("failed waits") << "fail";
        QTest::newRow("unplug and plug back") << "unplug";
    }
    void lossCyclesLeakNothing() {
        QFETCH(QString, how);
        EmulatedBackend backend;
        auto& receiver = backend.addReceiver();
        ObservedBackend seen(backend);
        ModHIDCom com(seen);

        int maxOpen = 0;
        for (int cycle = 0; cycle < 50; ++cycle) {
            QVERIFY(com.ensureOpen());
            maxOpen = std::max(maxOpen, seen.openHandles());
            if (how == "quiet") {
                receiver.stayQuietNext();
            } else if (how == "fail") {
                receiver.failNextWaits();
            } else {
                receiver.unplug();
                receiver.plug();
            }
            request(com, cycle % protocol::SensorCount);
            QVERIFY(!com.DeviceConnected());
            QCOMPARE(seen.openHandles(), 0);
        }
        QCOMPARE(maxOpen, 1);
        QCOMPARE(seen.of(receiver).openAttempts, 50);
    }

    void reopenWhileHeldKeepsOneHandle() {
        EmulatedBackend backend;
        backend.addReceiver();
        ObservedBackend seen(backend);
        ModHIDCom com(seen);
        for (int k = 0; k < 5; ++k) {
            QVERIFY(com.OpenReceiver());
        }
        QCOMPARE(seen.openHandles(), 1);
    }

    void neverOpenedTouchesNothing() {
        EmulatedBackend backend;
        auto& receiver = backend.addReceiver();
        ObservedBackend seen(backend);
        ModHIDCom com(seen);

        com.SendCommand(FirstRequest);
        com.ReadReport();
        com.CloseReceiver();

        QVERIFY(!com.DeviceConnected());
        QVERIFY(com.InputBuffer().empty());
        QVERIFY(seen.of(receiver).received.empty());
        QCOMPARE(seen.of(receiver).openAttempts, 0);
    }
};

QTEST_APPLESS_MAIN(tst_ModHIDCom)
#include "tst_modhidcom.moc"
