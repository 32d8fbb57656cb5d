// SPDX-License-Identifier: MIT
#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QFontInfo>
#include <QSignalSpy>
#include <QStyleOptionButton>
#include <QTest>
#include <algorithm>
#include <map>
#include <memory>

namespace {
QString textOf(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->text();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return button->text();
    }
    return {};
}

// The window's font, and the font of the same measures that stands in for it.
QStringList arialOrItsTwin() {
    return {QStringLiteral("Arial"), QStringLiteral("Liberation Sans")};
}

QColor pixelAt(const QImage& image, QPoint p) {
    return image.pixelColor(p);
}

// Counts the pointer movements each watched widget is given.
class MoveCounter : public QObject {
public:
    std::map<const QObject*, int> heard;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseMove) {
            ++heard[watched];
        }
        return false;
    }
};
} // namespace

class tst_frmMain : public QObject {
    Q_OBJECT

    // The layout as created needs no receiver: nothing here runs a cycle.
    hid::EmulatedBackend backend;
    ModHIDCom hid{backend};
    std::unique_ptr<frmMain> window;
    std::map<QString, QWidget*> controls;

    QWidget* control(const QString& name) {
        const auto found = controls.find(name);
        return found == controls.end() ? nullptr : found->second;
    }

    static QString indexed(const char* array, std::size_t i) {
        return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(i);
    }

private slots:
    void initTestCase() {
        window = std::make_unique<frmMain>(hid);
        frmMain& w = *window;
        controls = {
            {"frmMain", &w},
            {"imgGradient", w.imgGradient},
            {"imgLogo", w.imgLogo},
            {"shpColumn", w.shpColumn},
            {"picPressure", w.picPressure},
            {"picTemperature", w.picTemperature},
            {"picDevStatus", w.picDevStatus},
            {"imgQuillon", w.imgQuillon},
            {"picSensor1", w.picSensor1},
            {"picSensor2", w.picSensor2},
            {"picSensor3", w.picSensor3},
            {"picSensor4", w.picSensor4},
            {"picSensor5", w.picSensor5},
            {"cmdDevReset", w.cmdDevReset},
            {"cmdDataReset", w.cmdDataReset},
            {"cmdContinuous", w.cmdContinuous},
            {"cmdSingle", w.cmdSingle},
            {"shpStatusbar", w.shpStatusbar},
            {"lblStatusMsg", w.lblStatusMsg},
            {"imgDevStatus", w.imgDevStatus},
            {"lblDevStasus", w.lblDevStasus},
        };
        for (std::size_t i = 0; i < w.optPressure.size(); ++i) {
            controls[indexed("optPressure", i)] = w.optPressure[i];
        }
        for (std::size_t i = 0; i < w.optTemperature.size(); ++i) {
            controls[indexed("optTemperature", i)] = w.optTemperature[i];
        }
        for (std::size_t i = 0; i < 5; ++i) {
            controls[indexed("lblPressure", i)] = w.lblPressure[i];
            controls[indexed("lblTemperature", i)] = w.lblTemperature[i];
            controls[indexed("imgBattery", i)] = w.imgBattery[i];
            controls[indexed("lblRawdata", i)] = w.lblRawdata[i];
            controls[indexed("lblStatus", i)] = w.lblStatus[i];
        }
        for (const auto& [name, widget] : controls) {
            QVERIFY2(widget != nullptr, qPrintable(name));
        }
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
    }

    // Which surface each control lies on, whether it shows at the start and what it says.
    void everyControlOnItsSurface_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QString>("text");

        const auto row = [](const QString& name, const char* container, bool visible,
                            const QString& text = {}) {
            QTest::newRow(qPrintable(name))
                << name << QString::fromLatin1(container) << visible << text;
        };
        for (const char* name :
             {"imgGradient", "imgLogo", "shpColumn", "picPressure", "picTemperature",
              "picDevStatus", "imgQuillon", "picSensor1", "picSensor2", "picSensor3", "picSensor4",
              "picSensor5", "shpStatusbar"}) {
            row(QString::fromLatin1(name), "frmMain", true);
        }
        row("cmdDevReset", "frmMain", false, "Master Reset");
        row("cmdDataReset", "frmMain", false, "Data Reset");
        row("cmdContinuous", "frmMain", true, "Continuous");
        row("cmdSingle", "frmMain", true, "Once");
        row("lblStatusMsg", "frmMain", true,
            "Welcome to Tyrescope, a utility to test the Rimlink receiver.");
        row("optPressure(0)", "picPressure", true, "Kilo Pascal (KPs)");
        row("optPressure(1)", "picPressure", true, "Bar (Bar)");
        row("optPressure(2)", "picPressure", true, "Pounds per inch (PSI)");
        row("optTemperature(0)", "picTemperature", true, QString::fromUtf8("Celsius (°C)"));
        row("optTemperature(1)", "picTemperature", true, QString::fromUtf8("Fahrenheit (°F)"));
        row("imgDevStatus", "picDevStatus", true);
        row("lblDevStasus", "picDevStatus", true, "Off line!");
        for (std::size_t i = 0; i < 5; ++i) {
            const QByteArray panel = "picSensor" + QByteArray::number(static_cast<int>(i) + 1);
            row(indexed("lblPressure", i), panel, true, "Pressure: ??? KPa");
            row(indexed("lblTemperature", i), panel, true,
                QString::fromUtf8("Temperature: ??? °C"));
            row(indexed("imgBattery", i), panel, false);
            row(indexed("lblRawdata", i), panel, true, "Raw data: ?? ?? ?? ?? Hex");
            row(indexed("lblStatus", i), panel, true, "Status: ?");
        }
    }
    void everyControlOnItsSurface() {
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(bool, visible);
        QFETCH(QString, text);

        QWidget* widget = control(name);
        QVERIFY(widget);
        QCOMPARE(widget->parentWidget(), control(container));
        QCOMPARE(widget->isVisibleTo(window.get()), visible);
        QCOMPARE(textOf(widget), text);
    }

    // What the place table cannot say by itself. The window's own surface
    // overlaps on purpose (stackingAmongSiblings); what lies on a surface, the
    // hidden service buttons and battery gauges included, neither overlaps
    // another control of it nor sticks out of it. The surface reaches past
    // the window's right and bottom edges as designed, leaving no strip bare.
    void controlsNeitherOverlapNorStickOut() {
        const frmMain& w = *window;
        const QList<const QWidget*> surface{w.shpColumn,    w.imgLogo,      w.imgQuillon,
                                            w.shpStatusbar, w.lblStatusMsg, w.imgGradient};
        const auto nameOf = [this](const QWidget* widget) {
            for (const auto& [name, control] : controls) {
                if (control == widget) {
                    return name;
                }
            }
            return QString::fromLatin1(widget->metaObject()->className());
        };
        for (const QWidget* holder : std::initializer_list<const QWidget*>{
                 &w, w.picPressure, w.picTemperature, w.picDevStatus, w.picSensor1, w.picSensor2,
                 w.picSensor3, w.picSensor4, w.picSensor5}) {
            QList<const QWidget*> on;
            for (const QWidget* child :
                 holder->findChildren<const QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (!surface.contains(child)) {
                    on << child;
                }
            }
            QVERIFY(on.size() >= 2);
            for (qsizetype i = 0; i < on.size(); ++i) {
                QVERIFY2(holder->rect().contains(on[i]->geometry()), qPrintable(nameOf(on[i])));
                // Neighbours placed in twips may share one pixel's row or column.
                for (qsizetype j = i + 1; j < on.size(); ++j) {
                    const QRect shared = on[i]->geometry() & on[j]->geometry();
                    QVERIFY2(shared.width() <= 1 || shared.height() <= 1,
                             qPrintable(nameOf(on[i]) + " and " + nameOf(on[j])));
                }
            }
        }
        const QRect client = w.rect();
        QCOMPARE(w.imgGradient->x(), 0);
        QVERIFY(w.imgLogo->x() <= w.imgGradient->geometry().right() + 1);
        QVERIFY(w.imgLogo->geometry().right() >= client.right());
        QCOMPARE(w.shpStatusbar->x(), 0);
        QVERIFY(w.shpStatusbar->geometry().right() >= client.right());
        QVERIFY(w.shpStatusbar->geometry().bottom() >= client.bottom());
    }

    void windowIsFixedWithCloseButtonOnly() {
        const frmMain& w = *window;
        QCOMPARE(w.windowTitle(), QStringLiteral("Tyrescope"));
        QCOMPARE(w.size(), QSize(688, 528));
        QCOMPARE(w.minimumSize(), QSize(688, 528));
        QCOMPARE(w.maximumSize(), QSize(688, 528));
        const Qt::WindowFlags flags = w.windowFlags();
        QVERIFY(flags.testFlag(Qt::Window));
        QVERIFY(flags.testFlag(Qt::WindowTitleHint));
        QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    }

    // The icon set's five sizes; larger ones the window system would be
    // handed at every start for nothing, as launchers take the installed icons.
    void windowIconHasTheSetsSizes() {
        QList<QSize> sizes = window->windowIcon().availableSizes();
        std::sort(sizes.begin(), sizes.end(),
                  [](QSize a, QSize b) { return a.width() < b.width(); });
        QCOMPARE(sizes, (QList<QSize>{{16, 16}, {24, 24}, {32, 32}, {48, 48}, {128, 128}}));
    }

    void labelLooks_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("alignment");

        const QColor captionBlue(48, 72, 110);
        const QColor grey(64, 64, 64);
        for (std::size_t i = 0; i < 5; ++i) {
            QTest::addRow("lblPressure(%zu)", i)
                << indexed("lblPressure", i) << 16 << true
                << (i == 0 ? QColor(Qt::white) : captionBlue) << int(Qt::AlignLeft);
            QTest::addRow("lblTemperature(%zu)", i)
                << indexed("lblTemperature", i) << 16 << true << captionBlue << int(Qt::AlignLeft);
            QTest::addRow("lblRawdata(%zu)", i)
                << indexed("lblRawdata", i) << 16 << true << grey << int(Qt::AlignLeft);
            QTest::addRow("lblStatus(%zu)", i)
                << indexed("lblStatus", i) << 16 << true << grey << int(Qt::AlignLeft);
        }
        QTest::newRow("lblDevStasus")
            << "lblDevStasus" << 24 << true << QColor(255, 0, 0) << int(Qt::AlignHCenter);
        QTest::newRow("lblStatusMsg")
            << "lblStatusMsg" << 11 << false << QColor(Qt::white) << int(Qt::AlignLeft);
    }
    void labelLooks() {
        QFETCH(QString, name);
        QFETCH(int, pixelSize);
        QFETCH(bool, bold);
        QFETCH(QColor, colour);
        QFETCH(int, alignment);

        auto* label = qobject_cast<QLabel*>(control(name));
        QVERIFY(label);
        QCOMPARE(label->font().pixelSize(), pixelSize);
        QCOMPARE(label->font().bold(), bold);
        QVERIFY(arialOrItsTwin().contains(label->font().families().value(0)));
        QCOMPARE(label->palette().color(QPalette::WindowText), colour);
        QCOMPARE(int(label->alignment() & Qt::AlignHorizontal_Mask), alignment);
        QVERIFY(!label->autoFillBackground());
        QVERIFY(!label->wordWrap());
        // Whatever font stands in for Arial, the text must fit its label.
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                 qPrintable(label->text()));
    }

    void arialResolvesToAMetricTwin() {
        const QFontInfo info(window->lblPressure[0]->font());
        QVERIFY2(arialOrItsTwin().contains(info.family()), qPrintable(info.family()));
        QVERIFY(info.bold());
        QCOMPARE(info.pixelSize(), 16);
    }

    void buttonsFitTheirTexts_data() {
        QTest::addColumn<QString>("name");
        for (const char* name :
             {"cmdDevReset", "cmdDataReset", "cmdContinuous", "cmdSingle", "optPressure(0)",
              "optPressure(1)", "optPressure(2)", "optTemperature(0)", "optTemperature(1)"}) {
            QTest::newRow(name) << QString::fromLatin1(name);
        }
    }
    void buttonsFitTheirTexts() {
        QFETCH(QString, name);
        auto* button = qobject_cast<QAbstractButton*>(control(name));
        QVERIFY(button);
        // The room the style leaves for the text must hold all of it.
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const bool isOption = qobject_cast<QRadioButton*>(button) != nullptr;
        const QRect room = button->style()->subElementRect(isOption ? QStyle::SE_RadioButtonContents
                                                                    : QStyle::SE_PushButtonContents,
                                                           &option, button);
        const QRect text = button->fontMetrics().boundingRect(button->text());
        QVERIFY2(text.width() <= room.width(),
                 qPrintable(QStringLiteral("%1 > %2").arg(text.width()).arg(room.width())));
        QVERIFY(button->fontMetrics().height() <= room.height());
        QCOMPARE(button->font().pixelSize(), 11);
        QVERIFY(!button->font().bold());
    }

    void dialogFontDoesNotFollowTheDesktop() {
        const QFont desktop = QApplication::font();
        QApplication::setFont(QFont(QStringLiteral("DejaVu Serif"), 20, QFont::Bold));
        frmMain other(hid);
        QApplication::setFont(desktop);
        for (const QWidget* widget : std::initializer_list<const QWidget*>{
                 other.cmdSingle, other.optPressure[2], other.lblStatusMsg}) {
            QCOMPARE(widget->font().pixelSize(), 11);
            QVERIFY(!widget->font().bold());
            QCOMPARE(widget->font().families(), frmMain::dialogFont().families());
        }
        QCOMPARE(other.lblPressure[1]->font().pixelSize(), 16);
    }

    void optionButtonLooks_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("greyText");
        QTest::newRow("optPressure(0)") << "optPressure(0)" << true << false;
        QTest::newRow("optPressure(1)") << "optPressure(1)" << false << false;
        QTest::newRow("optPressure(2)") << "optPressure(2)" << false << false;
        QTest::newRow("optTemperature(0)") << "optTemperature(0)" << true << true;
        QTest::newRow("optTemperature(1)") << "optTemperature(1)" << false << false;
    }
    void optionButtonLooks() {
        QFETCH(QString, name);
        QFETCH(bool, checked);
        QFETCH(bool, greyText);
        auto* option = qobject_cast<QRadioButton*>(control(name));
        QVERIFY(option);
        QCOMPARE(option->isChecked(), checked);
        QVERIFY(option->autoFillBackground());
        QCOMPARE(option->palette().color(option->backgroundRole()), QColor(Qt::white));
        const QColor text = option->palette().color(QPalette::WindowText);
        QCOMPARE(text == QColor(64, 64, 64), greyText);
    }

    void optionGroupsAreIndependent() {
        frmMain w(hid);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const auto clickAt = [](QRadioButton* option) {
            QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
        };
        clickAt(w.optPressure[1]);
        QVERIFY(w.optPressure[1]->isChecked());
        QVERIFY(!w.optPressure[0]->isChecked());
        QVERIFY(w.optTemperature[0]->isChecked());

        clickAt(w.optTemperature[1]);
        QVERIFY(w.optTemperature[1]->isChecked());
        QVERIFY(!w.optTemperature[0]->isChecked());
        QVERIFY(w.optPressure[1]->isChecked());

        clickAt(w.optPressure[2]);
        QVERIFY(w.optPressure[2]->isChecked());
        QVERIFY(!w.optPressure[1]->isChecked());
        QVERIFY(w.optTemperature[1]->isChecked());
    }

    void stackingAmongSiblings() {
        const QObjectList order = window->children();
        const auto depth = [&](const QWidget* w) { return order.indexOf(w); };
        const frmMain& w = *window;
        // Back to front.
        const QList<const QWidget*> surface{w.shpColumn,    w.imgLogo,      w.imgQuillon,
                                            w.shpStatusbar, w.lblStatusMsg, w.imgGradient};
        for (qsizetype i = 1; i < surface.size(); ++i) {
            QVERIFY2(depth(surface[i - 1]) < depth(surface[i]), qPrintable(QString::number(i)));
        }
        for (const QWidget* front : std::initializer_list<const QWidget*>{
                 w.picPressure, w.picTemperature, w.picDevStatus, w.picSensor1, w.picSensor2,
                 w.picSensor3, w.picSensor4, w.picSensor5, w.cmdDevReset, w.cmdDataReset,
                 w.cmdContinuous, w.cmdSingle}) {
            QVERIFY(depth(front) > depth(w.imgGradient));
        }
    }

    void whatLiesUnderThePointer_data() {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QString>("expected");
        QTest::newRow("banner over the logo's first column") << QPoint(480, 30) << "imgGradient";
        QTest::newRow("logo right of the banner") << QPoint(481, 30) << "imgLogo";
        QTest::newRow("column passes the pointer to the window") << QPoint(3, 300) << "frmMain";
        QTest::newRow("maker's logo on the column") << QPoint(100, 470) << "imgQuillon";
        QTest::newRow("status text on the bar") << QPoint(20, 515) << "lblStatusMsg";
        QTest::newRow("status bar passes the pointer on") << QPoint(4, 506) << "frmMain";
        QTest::newRow("hidden service button") << QPoint(240, 480) << "frmMain";
        QTest::newRow("Once") << QPoint(620, 480) << "cmdSingle";
        QTest::newRow("sensor 2 body") << QPoint(400, 152 + 70) << "picSensor2";
        QTest::newRow("label in sensor 3") << QPoint(200 + 60, 232 + 10) << "lblPressure(2)";
        QTest::newRow("pressure option") << QPoint(8 + 40, 72 + 60) << "optPressure(0)";
    }
    void whatLiesUnderThePointer() {
        QFETCH(QPoint, point);
        QFETCH(QString, expected);
        QWidget* found = window->childAt(point);
        QCOMPARE(found ? found : window.get(), control(expected));
    }

    void pointerMovementStaysWithTheControlUnderIt_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("heardBy");
        QTest::addColumn<QPoint>("at");
        // An empty heardBy: no window or panel may hear of the movement.
        const std::pair<const char*, const char*> rows[] = {
            {"picSensor3", "picSensor3"}, {"lblRawdata(2)", ""}, {"imgBattery(4)", "picSensor5"},
            {"optPressure(1)", ""},       {"imgDevStatus", ""},  {"lblDevStasus", ""},
            {"cmdSingle", "cmdSingle"},   {"lblStatusMsg", ""},  {"shpStatusbar", "frmMain"},
            {"imgQuillon", ""},           {"imgLogo", ""},       {"imgGradient", ""},
        };
        for (const auto& [target, heardBy] : rows) {
            QTest::newRow(target) << QString::fromLatin1(target) << QString::fromLatin1(heardBy)
                                  << QPoint(2, 2);
        }
        // Below the banner, left of the unit panels.
        QTest::newRow("shpColumn, uncovered") << "shpColumn"
                                              << "frmMain" << QPoint(2, 200);
    }
    void pointerMovementStaysWithTheControlUnderIt() {
        QFETCH(QString, target);
        QFETCH(QString, heardBy);
        QFETCH(QPoint, at);

        // Whoever follows the pointer switches tracking on for the window,
        // the panels and the buttons; a movement must then be heard by the
        // control under the pointer only, and by nobody when that control
        // is a passive one.
        MoveCounter counter;
        const QList<QWidget*> listeners{window.get(),         window->picSensor3,
                                        window->picSensor5,   window->picPressure,
                                        window->picDevStatus, window->cmdSingle};
        for (QWidget* listener : listeners) {
            listener->setMouseTracking(true);
            listener->installEventFilter(&counter);
        }
        QTest::mouseMove(control(target), at);
        for (QWidget* listener : listeners) {
            listener->setMouseTracking(false);
            listener->removeEventFilter(&counter);
        }

        int total = 0;
        for (const auto& [watched, count] : counter.heard) {
            total += count;
        }
        if (heardBy.isEmpty()) {
            QCOMPARE(total, 0);
        } else {
            QCOMPARE(total, 1);
            QCOMPARE(counter.heard[control(heardBy)], 1);
        }
    }

    void drawnColours_data() {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("pale column") << QPoint(2, 300) << QColor(239, 243, 254);
        QTest::newRow("column's last pixel") << QPoint(192, 100) << QColor(239, 243, 254);
        QTest::newRow("white right of the column") << QPoint(193, 100) << QColor(Qt::white);
        QTest::newRow("empty left of the button row") << QPoint(300, 480) << QColor(Qt::white);
        QTest::newRow("status bar") << QPoint(4, 506) << QColor(3, 66, 198);
        QTest::newRow("status bar, last client pixel") << QPoint(687, 527) << QColor(3, 66, 198);
    }
    void drawnColours() {
        QFETCH(QPoint, point);
        QFETCH(QColor, colour);
        const QImage shot = window->grab().toImage();
        QCOMPARE(shot.size(), QSize(688, 528));
        QCOMPARE(pixelAt(shot, point), colour);
    }

    void focusChainOrder() {
        frmMain w(hid);
        w.cmdDevReset->show();
        w.cmdDataReset->show();
        const QList<QWidget*> expected{
            w.cmdContinuous,     w.cmdSingle,      w.optPressure[0],
            w.optPressure[1],    w.optPressure[2], w.optTemperature[0],
            w.optTemperature[1], w.cmdDevReset,    w.cmdDataReset,
        };
        QList<QWidget*> chain;
        QWidget* next = w.cmdContinuous;
        do {
            if (next->focusPolicy() & Qt::TabFocus) {
                chain.append(next);
            }
            next = next->nextInFocusChain();
        } while (next != w.cmdContinuous);
        QCOMPARE(chain, expected);
    }

    void tabSkipsHiddenServiceButtons() {
        frmMain w(hid);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.optTemperature[1]->setFocus();
        QTest::keyClick(w.optTemperature[1], Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.cmdContinuous);

        w.cmdDevReset->show();
        w.cmdDataReset->show();
        w.optTemperature[1]->setFocus();
        QTest::keyClick(w.optTemperature[1], Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.cmdDevReset);
        QTest::keyClick(w.cmdDevReset, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.cmdDataReset);
    }

    void initialState() {
        const frmMain& w = *window;
        QVERIFY(!w.tmrContinuous.isActive());
        QCOMPARE(w.tmrContinuous.interval(), 0);
        QCOMPARE(w.tmrContinuous.timerType(), Qt::PreciseTimer);
        QVERIFY(w.cmdDevReset->isEnabled());
        QVERIFY(w.cmdDataReset->isEnabled());
        QVERIFY(w.cmdSingle->isEnabled());
        QVERIFY(w.cmdContinuous->isEnabled());

        // Which picture each one is, tst_frmmain_accessibility compares where it shows.
        QCOMPARE(w.imgBatteryMid.toImage(), w.imgBatteryHig.toImage());

        QCOMPARE(w.imgDevStatus->picture().toImage(), w.imgOffLine.toImage());
        for (const Image* gauge : w.imgBattery) {
            QCOMPARE(gauge->picture().toImage(), w.imgBatteryHig.toImage());
        }
    }

    void cleanupTestCase() { window.reset(); }
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
