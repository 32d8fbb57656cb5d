// SPDX-License-Identifier: MIT
#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "tests/support/Limits.h"
#include "ui/frmMain.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <memory>

// The window for those who scale their screen and those who hear it. Run as
// it comes and once more with QT_SCALE_FACTOR=2, where the pictures drawn at
// twice the pixels must show rather than the plain ones grown. Controls are
// reached as a screen reader reaches them, by names from the window down.
namespace {

QAccessibleInterface* reach(QAccessibleInterface* node, QStringList path) {
    if (node == nullptr || path.isEmpty()) {
        return node;
    }
    const QString name = path.takeFirst();
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (child != nullptr && child->text(QAccessible::Name) == name) {
            return reach(child, path);
        }
    }
    return nullptr;
}

// A window after one cycle, with or without a receiver holding records for
// sensors 1 to 3 (battery high, low, mid), and limits if given.
struct Rig {
    explicit Rig(bool withData, const char* limits = nullptr) {
        if (withData) {
            auto& model = backend.addReceiver().model();
            model.setRecord(0, {0x78, 0x41, 0x50, 0x01});
            model.setRecord(1, {0x00, 0x28, 0x21, 0x02});
            model.setRecord(2, {0x00, 0x28, 0x22, 0x03});
        }
        if (limits != nullptr) {
            window.setLimits(limitsOf(limits));
        }
        window.show();
        window.GetDataFromDevice();
    }
    hid::EmulatedBackend backend;
    ModHIDCom hid{backend};
    frmMain window{hid};
};

} // namespace

class tst_frmMain_accessibility : public QObject {
    Q_OBJECT

    std::unique_ptr<Rig> offLine;
    std::unique_ptr<Rig> onLine;
    std::unique_ptr<Rig> inFahrenheit;
    std::unique_ptr<Rig> inBar;
    std::unique_ptr<Rig> withLimits;
    std::unique_ptr<Rig> limitsOffLine;

    frmMain& window(const QString& state) {
        return (state == "off line"           ? offLine
                : state == "on line"          ? onLine
                : state == "in Bar"           ? inBar
                : state == "with limits"      ? withLimits
                : state == "limits, off line" ? limitsOffLine
                                              : inFahrenheit)
            ->window;
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale::c());
        offLine = std::make_unique<Rig>(false);
        onLine = std::make_unique<Rig>(true);
        inFahrenheit = std::make_unique<Rig>(true);
        inBar = std::make_unique<Rig>(true);
        const char* limits = "{'pressure':{'min':2.1,'unit':'bar'},'battery':{'min':'mid'},"
                             "'status':['normal mode'],'sensors':{'4':{'optional':true},'5':"
                             "{'optional':true}}}";
        withLimits = std::make_unique<Rig>(true, limits);
        limitsOffLine = std::make_unique<Rig>(false, limits);
        for (Rig* rig : {offLine.get(), onLine.get(), inFahrenheit.get(), inBar.get(),
                         withLimits.get(), limitsOffLine.get()}) {
            QVERIFY(QTest::qWaitForWindowExposed(&rig->window));
        }
        for (QRadioButton* unit :
             {inFahrenheit->window.optTemperature[1], inBar->window.optPressure[1]}) {
            QTest::mouseClick(unit, Qt::LeftButton, {}, QPoint(6, unit->height() / 2));
            QVERIFY(unit->isChecked());
        }
    }

    void pictureAsShown_data() {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("path");
        const char* const rows[][3] = {
            {"gradient.png", "off line", "Banner"},
            {"logo.png", "off line", "Tyrescope"},
            {"maker-logo.png", "off line", "Maker's logo"},
            {"panel-pressure.png", "off line", "Pressure unit"},
            {"panel-temperature.png", "off line", "Temperature unit"},
            {"panel-devstatus.png", "off line", "Device status"},
            {"bulb-off.png", "off line", "Device status/Receiver status"},
            {"bulb-on.png", "on line", "Device status/Receiver status"},
            {"sensor1.png", "off line", "Sensor 1"},
            {"sensor2.png", "off line", "Sensor 2"},
            {"sensor3.png", "off line", "Sensor 3"},
            {"sensor4.png", "off line", "Sensor 4"},
            {"sensor5.png", "off line", "Sensor 5"},
            {"battery-full.png", "on line", "Sensor 1/Battery gauge"},
            {"battery-low.png", "on line", "Sensor 2/Battery gauge"},
        };
        for (const auto& [picture, state, path] : rows) {
            QTest::newRow(picture) << QString::fromLatin1(picture) << QString::fromLatin1(state)
                                   << QString::fromUtf8(path);
        }
    }
    void pictureAsShown() {
        QFETCH(QString, picture);
        QFETCH(QString, state);
        QFETCH(QString, path);
        const int scale = qRound(qApp->devicePixelRatio());
        QVERIFY(scale == 1 || scale == 2);
        frmMain& w = window(state);
        QAccessibleInterface* node =
            reach(QAccessible::queryAccessibleInterface(&w), path.split(QLatin1Char('/')));
        QVERIFY(node);
        const auto* shown = qobject_cast<const QWidget*>(node->object());
        QVERIFY(shown && shown->isVisible());
        const QImage shot = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shot.size(), w.size() * scale);

        const QString file = scale == 1 ? picture : picture.chopped(4) + QStringLiteral("@2x.png");
        QImage expected(QStringLiteral(TYRESCOPE_ASSETS_DIR "/") + file);
        const QRect area(shown->mapTo(&w, QPoint(0, 0)), shown->size());
        if (path == QLatin1String("Banner")) {
            expected = expected.scaled(area.size() * scale); // one column stretched
        }
        QCOMPARE(expected.size(), area.size() * scale);
        expected = expected.convertToFormat(QImage::Format_RGB32);

        // Pixels under a label, a button or another picture are not this one's.
        int compared = 0;
        for (int y = 0; y < expected.height(); ++y) {
            for (int x = 0; x < expected.width(); ++x) {
                if (w.childAt(area.topLeft() + QPoint(x / scale, y / scale)) != shown) {
                    continue;
                }
                const QPoint at = area.topLeft() * scale + QPoint(x, y);
                QVERIFY2(
                    shot.pixel(at) == expected.pixel(x, y),
                    qPrintable(QStringLiteral("%1 differs at (%2,%3)").arg(file).arg(x).arg(y)));
                ++compared;
            }
        }
        QVERIFY(compared * 3 > expected.width() * expected.height());
    }

    void namesRolesAndDescriptions_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("description");
        const int group = QAccessible::Grouping;
        const int graphic = QAccessible::Graphic;
        const QString noData = QStringLiteral(
            "Pressure: ??? KPa, Temperature: ??? \u00B0C, no battery reading, Status: ?");
        const auto row = [](const char* state, const char* path, int role, const QString& text) {
            QTest::addRow("%s: %s", state, path)
                << QString::fromUtf8(state) << QString::fromUtf8(path) << role << text;
        };
        row("off line", "Sensor 1", group, noData);
        row("off line", "Device status", group, "receiver off line");
        row("off line", "Device status/Receiver status", graphic, "receiver off line");
        row("off line", "Pressure unit", group, "");
        row("off line", "Temperature unit", group, "");
        row("off line", "Tyrescope", graphic, "Rimlink test utility");
        row("off line", "Maker's logo", graphic, "Quillon electronics");
        row("on line", "Device status", group, "receiver on line");
        row("on line", "Device status/Receiver status", graphic, "receiver on line");
        row("on line", "Sensor 1", group,
            "Pressure: 200 KPa, Temperature: 25 \u00B0C, battery high, Status: Normal mode");
        row("on line", "Sensor 2/Battery gauge", graphic, "battery low");
        row("on line", "Sensor 3", group,
            "Pressure: -100 KPa, Temperature: 0 \u00B0C, battery mid, Ststus: Temperature alert");
        row("on line", "Sensor 4", group, noData);
        row("in \u00B0F", "Sensor 1", group,
            "Pressure: 200 KPa, Temperature: 77 \u00B0F, battery high, Status: Normal mode");
        row("in Bar", "Sensor 1", group,
            "Pressure: 2.00 Bar, Temperature: 25 \u00B0C, battery high, Status: Normal mode");
        row("with limits", "Sensor 1", group,
            "Pressure: 200 KPa, Temperature: 25 \u00B0C, battery high, Status: Normal mode; "
            "outside limits: pressure 2.00 Bar below min 2.1 Bar");
        row("with limits", "Sensor 2", group,
            "Pressure: -100 KPa, Temperature: 0 \u00B0C, battery low, Status: Pressure alert; "
            "outside limits: pressure -1.00 Bar below min 2.1 Bar, battery low below min mid, "
            "status pressure alert not allowed");
        row("with limits", "Sensor 4", group, noData);
        row("limits, off line", "Sensor 1", group, noData); // not reached: nothing judged
    }
    void namesRolesAndDescriptions() {
        QFETCH(QString, state);
        QFETCH(QString, path);
        QFETCH(int, role);
        QFETCH(QString, description);
        QAccessibleInterface* node = reach(QAccessible::queryAccessibleInterface(&window(state)),
                                           path.split(QLatin1Char('/')));
        QVERIFY2(node, "no such name in the accessibility tree");
        QCOMPARE(int(node->role()), role);
        QCOMPARE(node->text(QAccessible::Description), description);
    }

    // A value outside its limits reads yellow on black in a yellow frame, on
    // every band: its text is not hidden by the box, nor the box by the band.
    void markReads_data() {
        QTest::addColumn<int>("sensor");
        QTest::addColumn<int>("measure");
        for (const int sensor : {1, 2, 3}) {
            QTest::addRow("sensor %d pressure", sensor) << sensor << 0;
        }
        QTest::newRow("sensor 2 battery") << 2 << 2;
        QTest::newRow("sensor 3 status") << 3 << 3;
    }
    void markReads() {
        QFETCH(int, sensor);
        QFETCH(int, measure);
        frmMain& w = withLimits->window;
        const auto k = static_cast<std::size_t>(sensor - 1);
        QWidget* value = std::array<QWidget*, 4>{w.lblPressure[k], w.lblTemperature[k],
                                                 w.imgBattery[k], w.lblStatus[k]}[measure];
        const ValueMark* mark = nullptr;
        for (const ValueMark* m : w.picSensor[k]->findChildren<ValueMark*>()) {
            mark = m->isVisible() && m->geometry().intersects(value->geometry()) ? m : mark;
        }
        QVERIFY(mark);
        const QImage shot = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
        // Inside the frame: the fill, and a text's letters.
        const QRect inside =
            mark->geometry().adjusted(3, 3, -3, -3).translated(w.picSensor[k]->pos());
        int black = 0;
        int yellow = 0;
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            for (int x = inside.left(); x <= inside.right(); ++x) {
                const QColor c = shot.pixelColor(QPoint(x, y) * qApp->devicePixelRatio());
                black += c.lightness() < 20 ? 1 : 0;
                yellow += c.red() > 230 && c.green() > 200 && c.blue() < 40 ? 1 : 0;
            }
        }
        const int all = inside.width() * inside.height();
        const bool text = value != w.imgBattery[k];
        QVERIFY2(black * 4 > all && (!text || yellow * 20 > all),
                 qPrintable(
                     QStringLiteral("black %1, yellow %2 of %3").arg(black).arg(yellow).arg(all)));
    }

    void cleanupTestCase() {
        limitsOffLine.reset();
        withLimits.reset();
        inBar.reset();
        inFahrenheit.reset();
        onLine.reset();
        offLine.reset();
    }
};

QTEST_MAIN(tst_frmMain_accessibility)
#include "tst_frmmain_accessibility.moc"
