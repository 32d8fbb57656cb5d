// SPDX-License-Identifier: MIT
// The program's own share of an acquisition cycle: the emulated receiver
// answers at once, so what is left is the transport, the formatting and the
// window's update and redraw (offscreen). Also one request/answer exchange
// through the transport alone.
//
//   bench_cycle [CYCLES [ROUNDS]]
#include "app/Startup.h"
#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "sensor/SensorRecord.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <vector>

namespace {

double threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e9 + static_cast<double>(t.tv_nsec);
}

double monotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e9 + static_cast<double>(t.tv_nsec);
}

struct Spread {
    double median = 0;
    double min = 0;
    double max = 0;
};

Spread spread(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return {n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2, v.front(), v.back()};
}

// CPU time per call of step, in microseconds, one figure per round.
Spread perCall(int calls, int rounds, const std::function<void(int)>& step) {
    std::vector<double> figures;
    int n = 0;
    for (int r = 0; r < rounds; ++r) {
        const double t0 = threadCpuNs();
        for (int i = 0; i < calls; ++i)
            step(n++);
        figures.push_back((threadCpuNs() - t0) / calls / 1e3);
    }
    return spread(figures);
}

// Counts paints, to show the redraw is really part of each cycle.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

// Records that change with every cycle, so every panel text is new each time.
void transmit(hid::EmulatedBackend::Interface& receiver, int cycle) {
    for (int s = 0; s < protocol::SensorCount; ++s) {
        const auto v = static_cast<std::uint8_t>(100 + (cycle + s) % 50);
        receiver.model().receive(s, {v, static_cast<std::uint8_t>(v - 40),
                                     static_cast<std::uint8_t>(cycle % 2 == 0 ? 100 : 20), 1});
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    hid::EmulatedBackend backend;
    hid::EmulatedBackend::Interface& receiver = backend.addReceiver();
    ModHIDCom hid(backend);

    // One request and its answer, as each sensor's record is fetched.
    hid.OpenReceiver();
    const Spread exchange = perCall(cycles * 10, rounds, [&](int n) {
        hid.SendCommand(protocol::recordRequest(n % protocol::SensorCount));
        hid.ReadReport();
    });
    hid.CloseReceiver();

    frmMain window(hid);
    Initialize(window);
    window.show();
    QCoreApplication::processEvents();
    PaintCounter counter;
    app.installEventFilter(&counter);

    const double wall0 = monotonicNs();
    const Spread cycle = perCall(cycles, rounds, [&](int n) {
        transmit(receiver, n);
        window.GetDataFromDevice();
        // The redraw the cycle asked for, as the event loop would run it.
        QCoreApplication::processEvents();
    });
    const double wallUs = (monotonicNs() - wall0) / 1e3 / (cycles * rounds);
    const double paintsPerCycle = static_cast<double>(counter.paints) / (cycles * rounds);

    // What polling mostly meets: the sensors have sent nothing new.
    transmit(receiver, 0);
    window.GetDataFromDevice();
    QCoreApplication::processEvents();
    counter.paints = 0;
    const Spread steady = perCall(cycles, rounds, [&](int) {
        window.GetDataFromDevice();
        QCoreApplication::processEvents();
    });
    const double steadyPaints = static_cast<double>(counter.paints) / (cycles * rounds);

    std::printf("One acquisition cycle in the process (emulated receiver, window offscreen, "
                "redraw included),\n  CPU per cycle over %d cycles, median of %d rounds "
                "(min..max)\n",
                cycles, rounds);
    std::printf("  %.3f ms (%.3f..%.3f), wall %.3f ms, %.0f paint events a cycle, when every "
                "record changes  target <= 0.5 ms %s\n",
                cycle.median / 1e3, cycle.min / 1e3, cycle.max / 1e3, wallUs / 1e3, paintsPerCycle,
                cycle.median <= 500 ? "met" : "NOT MET");
    std::printf("  %.3f ms (%.3f..%.3f), %.0f paint events a cycle, when the records stay the "
                "same\n",
                steady.median / 1e3, steady.min / 1e3, steady.max / 1e3, steadyPaints);
    std::printf("One request/answer exchange through the transport (emulated receiver),\n"
                "  CPU per exchange over %d exchanges, median of %d rounds (min..max)\n",
                cycles * 10, rounds);
    std::printf("  %.2f us (%.2f..%.2f)\n", exchange.median, exchange.min, exchange.max);
    return 0;
}
