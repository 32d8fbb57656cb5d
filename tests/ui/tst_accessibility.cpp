#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "ui/frmMain.h"

#include <QAccessible>
#include <QHash>
#include <QTest>
#include <memory>

// What a screen reader finds: every check walks Qt's accessibility tree from
// the window down, as assistive technology does, rather than asking the
// widgets themselves.
namespace {

void collect(QAccessibleInterface* node, QHash<QObject*, QAccessibleInterface*>& found) {
    for (int i = 0; i < node->childCount(); ++i) {
        if (QAccessibleInterface* child = node->child(i)) {
            found.insert(child->object(), child);
            collect(child, found);
        }
    }
}

QWidget* control(const frmMain& w, const QString& name) {
    const QHash<QString, QWidget*> named{
        {"imgLogo", w.imgLogo},
        {"imgQuillon", w.imgQuillon},
        {"imgGradient", w.imgGradient},
        {"picPressure", w.picPressure},
        {"picTemperature", w.picTemperature},
        {"picDevStatus", w.picDevStatus},
        {"imgDevStatus", w.imgDevStatus},
    };
    if (named.contains(name)) {
        return named.value(name);
    }
    for (std::size_t i = 0; i < 5; ++i) {
        if (name == QStringLiteral("picSensor%1").arg(i + 1)) {
            return w.picSensor[i];
        }
        if (name == QStringLiteral("imgBattery(%1)").arg(i)) {
            return w.imgBattery[i];
        }
    }
    return nullptr;
}

} // namespace

class tst_Accessibility : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // "off line": a cycle without receiver; "on line": a cycle with data on
    // sensors 1 to 3 (battery high, low, mid) and none on sensors 4 and 5;
    // "on line, then °F": the same, then Fahrenheit clicked.
    void namesRolesAndDescriptions_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        const int group = QAccessible::Grouping;
        const int graphic = QAccessible::Graphic;
        const QString noData = QStringLiteral(
            "Pressure: ??? KPa, Temperature: ??? \u00B0C, no battery reading, Status: ?");
        const auto row = [](const char* state, const char* control, int role, const char* name,
                            const QString& description) {
            QTest::addRow("%s: %s", state, control)
                << QString::fromLatin1(state) << QString::fromLatin1(control) << role
                << QString::fromLatin1(name) << description;
        };

        row("off line", "picSensor1", group, "Sensor 1", noData);
        row("off line", "picSensor5", group, "Sensor 5", noData);
        row("off line", "picDevStatus", group, "Device status", "receiver off line");
        row("off line", "imgDevStatus", graphic, "Receiver status", "receiver off line");
        row("off line", "picPressure", group, "Pressure unit", "");
        row("off line", "picTemperature", group, "Temperature unit", "");
        row("off line", "imgLogo", graphic, "Tyrescope", "Rimlink test utility");
        row("off line", "imgQuillon", graphic, "Maker's logo", "Quillon electronics");
        row("off line", "imgGradient", graphic, "Banner", "blue title band");

        row("on line", "picDevStatus", group, "Device status", "receiver on line");
        row("on line", "imgDevStatus", graphic, "Receiver status", "receiver on line");
        row("on line", "picSensor1", group, "Sensor 1",
            "Pressure: 200 KPa, Temperature: 25 \u00B0C, battery high, Status: Normal mode");
        row("on line", "picSensor2", group, "Sensor 2",
            "Pressure: -100 KPa, Temperature: 0 \u00B0C, battery low, Status: Pressure alert");
        row("on line", "picSensor3", group, "Sensor 3",
            "Pressure: -100 KPa, Temperature: 0 \u00B0C, battery mid, Ststus: Temperature alert");
        row("on line", "picSensor4", group, "Sensor 4", noData);
        row("on line", "imgBattery(0)", graphic, "Battery gauge", "battery high");
        row("on line", "imgBattery(1)", graphic, "Battery gauge", "battery low");
        row("on line", "imgBattery(2)", graphic, "Battery gauge", "battery mid");

        row("on line, then \u00B0F", "picSensor1", group, "Sensor 1",
            "Pressure: 200 KPa, Temperature: 77 \u00B0F, battery high, Status: Normal mode");
        row("on line, then \u00B0F", "picSensor4", group, "Sensor 4",
            "Pressure: ??? KPa, Temperature: ??? \u00B0F, no battery reading, Status: ?");
    }
    void namesRolesAndDescriptions() {
        QFETCH(QString, state);
        QFETCH(QString, control);
        QFETCH(int, role);
        QFETCH(QString, name);
        QFETCH(QString, description);

        hid::EmulatedBackend backend;
        if (state != QLatin1String("off line")) {
            auto& model = backend.addReceiver().model();
            model.setRecord(0, {0x78, 0x41, 0x50, 0x01});
            model.setRecord(1, {0x00, 0x28, 0x21, 0x02});
            model.setRecord(2, {0x00, 0x28, 0x22, 0x03});
        }
        ModHIDCom hid(backend);
        frmMain w(hid);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.GetDataFromDevice();
        if (state.endsWith(QStringLiteral("\u00B0F"))) {
            QRadioButton* fahrenheit = w.optTemperature[1];
            QTest::mouseClick(fahrenheit, Qt::LeftButton, {}, QPoint(6, fahrenheit->height() / 2));
            QVERIFY(fahrenheit->isChecked());
        }

        QHash<QObject*, QAccessibleInterface*> tree;
        collect(QAccessible::queryAccessibleInterface(&w), tree);
        QWidget* widget = ::control(w, control);
        QVERIFY(widget);
        QAccessibleInterface* found = tree.value(widget);
        QVERIFY2(found, "not in the accessibility tree");
        QCOMPARE(int(found->role()), role);
        QCOMPARE(found->text(QAccessible::Name), name);
        QCOMPARE(found->text(QAccessible::Description), description);
        QVERIFY(!found->state().invisible);

        // Nothing a reader lands on is a nameless picture or group.
        for (QAccessibleInterface* node : std::as_const(tree)) {
            if (node->role() == QAccessible::Graphic || node->role() == QAccessible::Grouping) {
                QVERIFY2(!node->text(QAccessible::Name).isEmpty(),
                         node->object()->metaObject()->className());
            }
        }
    }
};

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
