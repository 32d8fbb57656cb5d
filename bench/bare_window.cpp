// SPDX-License-Identifier: MIT
// What a start-up is compared with: the least a Qt Widgets program does to
// show a window of Tyrescope's size with some text in it.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(688, 528);
    QLabel label(QStringLiteral("A bare Qt window"), &window);
    label.move(20, 20);
    window.show();
    return app.exec();
}
