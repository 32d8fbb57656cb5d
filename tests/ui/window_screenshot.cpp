// SPDX-License-Identifier: MIT
// Writes a picture of the window as it opens, for the README:
//   QT_QPA_PLATFORM=offscreen window_screenshot docs/window.png
#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: window_screenshot OUTPUT.png\n";
        return 2;
    }
    hid::EmulatedBackend noReceiver;
    ModHIDCom hid(noReceiver);
    frmMain window(hid);
    window.show();
    QApplication::processEvents();
    return window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
