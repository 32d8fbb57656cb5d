// SPDX-License-Identifier: MIT
// Writes a picture of the window as it opens, for the README:
//   QT_QPA_PLATFORM=offscreen window_screenshot docs/window.png
// or, given a limits file, after one reading of the simulated receiver's first
// second with the values outside those limits marked:
//   QT_QPA_PLATFORM=offscreen window_screenshot docs/limits.png docs/limits-example.json
#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "hid/Simulation.h"
#include "ui/frmMain.h"
#include "verdict/Limits.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        QTextStream(stderr) << "usage: window_screenshot OUTPUT.png [LIMITS.json]\n";
        return 2;
    }
    hid::EmulatedBackend backend;
    ModHIDCom hid(backend);
    frmMain window(hid);
    window.show();
    if (argc == 3) {
        const verdict::ReadLimits read = verdict::readLimitsFile(QString::fromLocal8Bit(argv[2]));
        if (!read.file) {
            QTextStream(stderr) << argv[2] << ": " << read.error << '\n';
            return 2;
        }
        simulation::apply(simulation::sceneAt(std::chrono::milliseconds(0)), backend.addReceiver());
        window.setLimits(read.file->limits);
        window.GetDataFromDevice();
    }
    QApplication::processEvents();
    return window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
