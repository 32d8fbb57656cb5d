// SPDX-License-Identifier: MIT
// Writes a picture of the window as it opens, for the README:
//   QT_QPA_PLATFORM=offscreen window_screenshot docs/window.png
// or, given a limits file, after one reading of the simulated receiver's first
// second with the values outside those limits marked:
//   QT_QPA_PLATFORM=offscreen window_screenshot docs/limits.png docs/limits-example.json
// or the window as `tyrescope --simulate` opens it, with where each control is,
// for tests/windows/compare-window.sh:
//   window_screenshot --simulate OUTPUT.png CONTROLS.txt
#include "app/Platform.h"
#include "app/Startup.h"
#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "hid/Simulation.h"
#include "ui/frmMain.h"
#include "verdict/Limits.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTextStream>
#include <optional>

namespace {

// One line per control shown, in the order of creation: whether it shows a
// picture or text, its place in the window, its type and its text.
QByteArray controls(const frmMain& window) {
    QByteArray list =
        QStringLiteral("window %1 %2\n").arg(window.width()).arg(window.height()).toUtf8();
    for (const QWidget* w : window.findChildren<const QWidget*>()) {
        if (!w->isVisibleTo(&window)) {
            continue;
        }
        QString text;
        if (const auto* label = qobject_cast<const QLabel*>(w)) {
            text = label->text();
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
            text = button->text();
        }
        const QRect at(w->mapTo(&window, QPoint(0, 0)), w->size());
        list += QStringLiteral("%1 %2 %3 %4 %5 %6 \"%7\"\n")
                    .arg(text.isEmpty() ? "picture" : "text")
                    .arg(at.x())
                    .arg(at.y())
                    .arg(at.width())
                    .arg(at.height())
                    .arg(QString::fromLatin1(w->metaObject()->className()), text)
                    .toUtf8();
    }
    return list;
}

} // namespace

int main(int argc, char* argv[]) {
    platform::prepareWindowStyle();
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const bool simulate = args.size() == 4 && args[1] == QLatin1String("--simulate");
    if ((args.size() != 2 && args.size() != 3) && !simulate) {
        QTextStream(stderr) << "usage: window_screenshot OUTPUT.png [LIMITS.json]\n"
                               "       window_screenshot --simulate OUTPUT.png CONTROLS.txt\n";
        return 2;
    }
    hid::EmulatedBackend backend;
    std::optional<simulation::Simulation> scenario;
    ModHIDCom hid(backend);
    frmMain window(hid);
    window.show();
    if (simulate) {
        scenario.emplace(backend.addReceiver()).start();
        Initialize(window);
    } else if (args.size() == 3) {
        const verdict::ReadLimits read = verdict::readLimitsFile(args[2]);
        if (!read.file) {
            QTextStream(stderr) << args[2] << ": " << read.error << '\n';
            return 2;
        }
        simulation::apply(simulation::sceneAt(std::chrono::milliseconds(0)), backend.addReceiver());
        window.setLimits(read.file->limits);
        window.GetDataFromDevice();
    }
    QApplication::processEvents();
    if (simulate) {
        QFile list(args[3]);
        if (!list.open(QIODevice::WriteOnly) || list.write(controls(window)) < 0) {
            return 1;
        }
    }
    return window.grab().save(args[simulate ? 2 : 1], "PNG") ? 0 : 1;
}
