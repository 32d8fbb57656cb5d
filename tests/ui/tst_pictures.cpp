#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QTest>
#include <memory>

// Each picture as the window shows it, on a screen at the scale this test is
// run at: registered once as it comes and once with QT_SCALE_FACTOR=2, where
// the pictures drawn at twice the pixels must show, not the plain ones grown.
namespace {

QWidget* control(const frmMain& w, const QString& name) {
    const QHash<QString, QWidget*> named{
        {"imgGradient", w.imgGradient},       {"imgLogo", w.imgLogo},
        {"imgQuillon", w.imgQuillon},         {"picPressure", w.picPressure},
        {"picTemperature", w.picTemperature}, {"picDevStatus", w.picDevStatus},
        {"imgDevStatus", w.imgDevStatus},     {"imgBattery(0)", w.imgBattery[0]},
        {"imgBattery(1)", w.imgBattery[1]},
    };
    for (std::size_t i = 0; i < 5; ++i) {
        if (name == QStringLiteral("picSensor%1").arg(i + 1)) {
            return w.picSensor[i];
        }
    }
    return named.value(name);
}

} // namespace

class tst_Pictures : public QObject {
    Q_OBJECT

    // Straight after start, and after a cycle that lit the bulb and showed a
    // full gauge on sensor 1 and a low one on sensor 2.
    hid::EmulatedBackend noReceiver;
    hid::EmulatedBackend receiver;
    ModHIDCom offLineHid{noReceiver};
    ModHIDCom onLineHid{receiver};
    std::unique_ptr<frmMain> atStart;
    std::unique_ptr<frmMain> afterCycle;

private slots:
    void initTestCase() {
        auto& model = receiver.addReceiver().model();
        model.setRecord(0, {0x78, 0x41, 0x50, 0x01});
        model.setRecord(1, {0x00, 0x28, 0x21, 0x02});
        atStart = std::make_unique<frmMain>(offLineHid);
        afterCycle = std::make_unique<frmMain>(onLineHid);
        afterCycle->move(20, 20);
        atStart->show();
        afterCycle->show();
        QVERIFY(QTest::qWaitForWindowExposed(atStart.get()));
        QVERIFY(QTest::qWaitForWindowExposed(afterCycle.get()));
        afterCycle->GetDataFromDevice();
    }

    void pictureAsShown_data() {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("cycled");
        const std::pair<const char*, const char*> atStart[] = {
            {"gradient.png", "imgGradient"},
            {"logo.png", "imgLogo"},
            {"maker-logo.png", "imgQuillon"},
            {"panel-pressure.png", "picPressure"},
            {"panel-temperature.png", "picTemperature"},
            {"panel-devstatus.png", "picDevStatus"},
            {"sensor1.png", "picSensor1"},
            {"sensor2.png", "picSensor2"},
            {"sensor3.png", "picSensor3"},
            {"sensor4.png", "picSensor4"},
            {"sensor5.png", "picSensor5"},
            {"bulb-off.png", "imgDevStatus"},
        };
        for (const auto& [picture, control] : atStart) {
            QTest::newRow(picture)
                << QString::fromLatin1(picture) << QString::fromLatin1(control) << false;
        }
        QTest::newRow("bulb-on.png") << "bulb-on.png"
                                     << "imgDevStatus" << true;
        QTest::newRow("battery-full.png") << "battery-full.png"
                                          << "imgBattery(0)" << true;
        QTest::newRow("battery-low.png") << "battery-low.png"
                                         << "imgBattery(1)" << true;
    }
    void pictureAsShown() {
        QFETCH(QString, picture);
        QFETCH(QString, control);
        QFETCH(bool, cycled);

        const int scale = qRound(qApp->devicePixelRatio());
        if (scale != 1 && scale != 2) {
            QSKIP("runs at scale 1 or 2 only");
        }
        frmMain& w = cycled ? *afterCycle : *atStart;
        const QWidget* shown = ::control(w, control);
        QVERIFY(shown);
        QVERIFY(shown->isVisible());
        const QImage shot = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shot.size(), w.size() * scale);

        const QString file = scale == 1 ? picture : picture.chopped(4) + QStringLiteral("@2x.png");
        QImage expected = QImage(QStringLiteral(":/assets/") + file);
        QVERIFY2(!expected.isNull(), qPrintable(file));
        const QRect area(shown->mapTo(&w, QPoint(0, 0)), shown->size());
        if (expected.size() != area.size() * scale) {
            // Only the banner stretches its one column across the window.
            QCOMPARE(control, QStringLiteral("imgGradient"));
            expected = expected.scaled(area.size() * scale);
        }
        expected = expected.convertToFormat(QImage::Format_RGB32);

        // Pixels under a label, a button or another picture are not this one's.
        int compared = 0;
        for (int y = 0; y < expected.height(); ++y) {
            for (int x = 0; x < expected.width(); ++x) {
                const QPoint onWindow = area.topLeft() + QPoint(x / scale, y / scale);
                if (w.childAt(onWindow) != shown) {
                    continue;
                }
                const QPoint device = area.topLeft() * scale + QPoint(x, y);
                QVERIFY2(shot.pixel(device) == expected.pixel(x, y),
                         qPrintable(QStringLiteral("%1 differs at (%2,%3): %4 instead of %5")
                                        .arg(file)
                                        .arg(x)
                                        .arg(y)
                                        .arg(shot.pixel(device), 8, 16)
                                        .arg(expected.pixel(x, y), 8, 16)));
                ++compared;
            }
        }
        QVERIFY2(compared * 3 > expected.width() * expected.height(),
                 qPrintable(QStringLiteral("only %1 pixels in view").arg(compared)));
    }

    void cleanupTestCase() {
        afterCycle.reset();
        atStart.reset();
    }
};

QTEST_MAIN(tst_Pictures)
#include "tst_pictures.moc"
