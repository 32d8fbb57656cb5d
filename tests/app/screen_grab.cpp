// SPDX-License-Identifier: MIT
// Saves what the X screen shows, for pictures of the running program:
//   screen_grab OUTPUT.png [X Y WIDTH HEIGHT]
// Run it on the display the program is on, e.g. inside xvfb-run.
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 2 && args.size() != 6) {
        QTextStream(stderr) << "usage: screen_grab OUTPUT.png [X Y WIDTH HEIGHT]\n";
        return 2;
    }
    QRect area(0, 0, -1, -1);
    if (args.size() == 6) {
        area = QRect(args[2].toInt(), args[3].toInt(), args[4].toInt(), args[5].toInt());
    }
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(),
                                                                      area.width(), area.height());
    return shot.save(args[1], "PNG") ? 0 : 1;
}
