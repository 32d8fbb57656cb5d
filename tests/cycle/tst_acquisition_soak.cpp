// SPDX-License-Identifier: MIT
#include "cycle/Acquisition.h"
#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "tests/support/ObservedBackend.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <unistd.h>

namespace {

int openDescriptors() {
    return static_cast<int>(QDir("/proc/self/fd").count());
}

long long residentBytes() {
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : -1;
}

} // namespace

// Days of use in a few seconds: nothing may pile up.
class tst_Acquisition_soak : public QObject {
    Q_OBJECT

private slots:
    void lossesAndExchangesLeaveNothingBehind() {
        hid::EmulatedBackend backend;
        hid::EmulatedBackend::Interface& receiver = backend.addReceiver();
        receiver.model().setRecord(0, {0x78, 0x41, 0x50, 0x01});
        ObservedBackend seen(backend, false); // counts only: its memory is not the program's
        ModHIDCom hid(seen);
        sensor::SensorData data{};

        // Warmed up, so one-off allocations do not count as growth.
        for (int k = 0; k < 1000; ++k) {
            data = cycle::acquire(hid).data;
        }
        hid.CloseReceiver();
        const int descriptors = openDescriptors();
        const long long resident = residentBytes();
        const long long writesBefore = seen.of(receiver).writes;

        for (int k = 0; k < 10'000; ++k) {
            receiver.unplug();
            data = cycle::acquire(hid).data;
            QVERIFY(!hid.DeviceConnected());
            receiver.plug();
            data = cycle::acquire(hid).data;
            QVERIFY(hid.DeviceConnected());
        }
        for (int k = 0; k < 20'000; ++k) { // five exchanges each
            data = cycle::acquire(hid).data;
        }
        QVERIFY(hid.DeviceConnected());
        QCOMPARE(data[0], (sensor::SensorRecord{0x78, 0x41, 0x50, 0x01}));
        QCOMPARE(seen.of(receiver).writes - writesBefore, 10'000 * 5 + 20'000 * 5);
        QCOMPARE(seen.openHandles(), 1);
        hid.CloseReceiver();

        QCOMPARE(seen.openHandles(), 0);
        QCOMPARE(openDescriptors(), descriptors);
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer holds freed memory back; it checks leaks itself");
#endif
        const long long growth = residentBytes() - resident;
        QVERIFY2(growth < 1024 * 1024, qPrintable(QString::number(growth)));
    }
};

QTEST_APPLESS_MAIN(tst_Acquisition_soak)
#include "tst_acquisition_soak.moc"
