// SPDX-License-Identifier: MIT
// Compares the window as two systems show it (tests/windows/compare-window.sh):
//   window_compare A.png A-CONTROLS.txt B.png B-CONTROLS.txt OUTPUT-PREFIX
// The control lists (window_screenshot --simulate) must be equal: every control
// in the same place. A picture is the window alone, or a screen on which it
// is the only thing not black. Outside the controls that show text, the two
// must be equal pixel for pixel; inside them font rendering may differ, and
// how much is told per control. Writes OUTPUT-PREFIX-side-by-side.png (A on
// the left) and OUTPUT-PREFIX-difference.png (differing pixels in red).
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTextStream>

namespace {

struct Control {
    bool text = false;
    QRect at;
    QString name;
};

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The window's size from the list's first line, then its controls.
std::vector<Control> parse(const QByteArray& list, QSize& window) {
    std::vector<Control> controls;
    static const QRegularExpression line(
        QStringLiteral(R"(^(\w+) (-?\d+) (-?\d+) (\d+) (\d+)(?: (.*))?$)"));
    for (const QString& row :
         QString::fromUtf8(list).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList words = row.split(QLatin1Char(' '));
        if (words.size() == 3 && words[0] == QLatin1String("window")) {
            window = QSize(words[1].toInt(), words[2].toInt());
            continue;
        }
        const QRegularExpressionMatch m = line.match(row);
        if (m.hasMatch()) {
            controls.push_back({m.captured(1) == QLatin1String("text"),
                                QRect(m.captured(2).toInt(), m.captured(3).toInt(),
                                      m.captured(4).toInt(), m.captured(5).toInt()),
                                m.captured(6)});
        }
    }
    return controls;
}

// The window within a screen: the bounding box of what is not black.
QImage windowIn(const QImage& picture, const QSize& window) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    if (image.size() == window) {
        return image;
    }
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((row[x] & 0xFFFFFF) != 0) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box.size() == window ? image.copy(box) : QImage();
}

} // namespace

int main(int argc, char* argv[]) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (argc != 6) {
        err << "usage: window_compare A.png A-CONTROLS.txt B.png B-CONTROLS.txt OUTPUT-PREFIX\n";
        return 2;
    }
    const QByteArray listA = contentOf(QString::fromLocal8Bit(argv[2]));
    const QByteArray listB = contentOf(QString::fromLocal8Bit(argv[4]));
    QSize window;
    const std::vector<Control> controls = parse(listA, window);
    if (listA.isEmpty() || listA != listB) {
        err << "window_compare: the controls are not in the same places (diff " << argv[2] << ' '
            << argv[4] << ")\n";
        return 1;
    }
    const QImage a = windowIn(QImage(QString::fromLocal8Bit(argv[1])), window);
    const QImage b = windowIn(QImage(QString::fromLocal8Bit(argv[3])), window);
    if (a.isNull() || b.isNull()) {
        err << "window_compare: no window of " << window.width() << 'x' << window.height() << " in "
            << argv[a.isNull() ? 1 : 3] << '\n';
        return 1;
    }

    QImage difference = a;
    QImage textMask(window, QImage::Format_Grayscale8);
    textMask.fill(0);
    for (const Control& c : controls) {
        if (c.text) {
            QPainter(&textMask).fillRect(c.at, Qt::white);
        }
    }
    long outside = 0;
    long inside = 0;
    for (int y = 0; y < window.height(); ++y) {
        for (int x = 0; x < window.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                (qGray(textMask.pixel(x, y)) != 0 ? inside : outside) += 1;
                difference.setPixel(x, y, qRgb(255, 0, 0));
            }
        }
    }
    out << "controls: " << controls.size() << ", every one in the same place\n";
    out << "pixels differing outside the controls that show text: " << outside << " of "
        << window.width() * window.height() << '\n';
    long textArea = 0;
    for (const Control& c : controls) {
        if (!c.text) {
            continue;
        }
        long differing = 0;
        for (int y = c.at.top(); y <= c.at.bottom(); ++y) {
            for (int x = c.at.left(); x <= c.at.right(); ++x) {
                differing += a.rect().contains(x, y) && a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
            }
        }
        textArea += static_cast<long>(c.at.width()) * c.at.height();
        out << "  " << differing << " of " << c.at.width() * c.at.height() << " pixels differ in "
            << c.name << '\n';
    }
    out << "pixels differing in the controls that show text: " << inside << " of " << textArea
        << " (they overlap)\n";

    const QString prefix = QString::fromLocal8Bit(argv[5]);
    QImage both(window.width() * 2 + 8, window.height(), QImage::Format_RGB32);
    both.fill(Qt::black);
    QPainter paint(&both);
    paint.drawImage(0, 0, a);
    paint.drawImage(window.width() + 8, 0, b);
    paint.end();
    const bool saved = both.save(prefix + QStringLiteral("-side-by-side.png")) &&
                       difference.save(prefix + QStringLiteral("-difference.png"));
    return saved && outside == 0 ? 0 : 1;
}
