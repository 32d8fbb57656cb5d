#include "ui/frmMain.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    frmMain window;
    // The task bar and window switchers take the application's icon.
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    return app.exec();
}
