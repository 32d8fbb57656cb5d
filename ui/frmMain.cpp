#include "ui/frmMain.h"

namespace {
// The window is laid out in twips, 15 to the pixel at 96 dpi.
constexpr int twips(int t) { return t / 15; }
} // namespace

frmMain::frmMain(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Tyrescope"));
    setFixedSize(twips(10320), twips(7920));
}
