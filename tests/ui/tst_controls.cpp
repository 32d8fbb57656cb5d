// SPDX-License-Identifier: MIT
#include "ui/Controls.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {
QPixmap filled(QSize size, const QColor& colour) {
    QPixmap picture(size);
    picture.fill(colour);
    return picture;
}
} // namespace

class tst_Controls : public QObject {
    Q_OBJECT

private slots:
    void imageTakesPictureSizeUnlessStretched_data() {
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("grows") << false << QSize(40, 45) << QSize(40, 45);
        QTest::newRow("shrinks") << false << QSize(10, 7) << QSize(10, 7);
        QTest::newRow("null picture keeps the size") << false << QSize() << QSize(20, 30);
        QTest::newRow("stretched keeps the size") << true << QSize(1, 68) << QSize(20, 30);
    }
    void imageTakesPictureSizeUnlessStretched() {
        QFETCH(bool, stretch);
        QFETCH(QSize, picture);
        QFETCH(QSize, expected);
        QWidget parent;
        Image image(&parent);
        image.setStretch(stretch);
        image.setGeometry(5, 6, 20, 30);
        image.setPicture(picture.isValid() ? filled(picture, Qt::red) : QPixmap());
        QCOMPARE(image.size(), expected);
        QCOMPARE(image.pos(), QPoint(5, 6));
    }

    void pictureBoxDrawsAtTopLeftAndTakesItsSize() {
        QWidget parent;
        PictureBox box(&parent);
        box.setGeometry(8, 72, 5, 5);
        QPixmap picture(30, 20);
        picture.fill(Qt::white);
        {
            QPainter painter(&picture);
            painter.fillRect(0, 0, 3, 2, Qt::blue);
        }
        box.setPicture(picture);
        QCOMPARE(box.geometry(), QRect(8, 72, 30, 20));
        QCOMPARE(box.focusPolicy(), Qt::NoFocus);
        const QImage shot = box.grab().toImage();
        QCOMPARE(shot.pixelColor(0, 0), QColor(Qt::blue));
        QCOMPARE(shot.pixelColor(2, 1), QColor(Qt::blue));
        QCOMPARE(shot.pixelColor(3, 2), QColor(Qt::white));
    }

    void imageClick_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("clicks");
        QTest::newRow("plain") << int(Qt::LeftButton) << int(Qt::NoModifier) << 1;
        QTest::newRow("with Shift") << int(Qt::LeftButton) << int(Qt::ShiftModifier) << 1;
        QTest::newRow("right button") << int(Qt::RightButton) << int(Qt::ShiftModifier) << 0;
    }
    void imageClick() {
        QFETCH(int, button);
        QFETCH(int, modifiers);
        QFETCH(int, clicks);
        Image image;
        image.setPicture(filled({20, 20}, Qt::green));
        image.show();
        QVERIFY(QTest::qWaitForWindowExposed(&image));
        QSignalSpy spy(&image, &Image::clicked);
        QTest::mouseClick(&image, Qt::MouseButton(button), Qt::KeyboardModifiers(modifiers),
                          {10, 10});
        QCOMPARE(spy.count(), clicks);
        if (clicks > 0) {
            QCOMPARE(spy.at(0).at(0).value<Qt::KeyboardModifiers>(),
                     Qt::KeyboardModifiers(modifiers));
        }
    }

    void releaseOutsideIsNoClick() {
        Image image;
        image.setPicture(filled({20, 20}, Qt::green));
        image.show();
        QVERIFY(QTest::qWaitForWindowExposed(&image));
        QSignalSpy spy(&image, &Image::clicked);
        QTest::mousePress(&image, Qt::LeftButton, {}, {10, 10});
        QTest::mouseRelease(&image, Qt::LeftButton, {}, {30, 10});
        QCOMPARE(spy.count(), 0);
    }

    void shapeIsAFilledRectangleThatTakesNoPointer() {
        QWidget parent;
        parent.resize(50, 50);
        Shape shape(QColor(3, 66, 198), &parent);
        shape.setGeometry(10, 10, 20, 20);
        QVERIFY(shape.testAttribute(Qt::WA_TransparentForMouseEvents));
        QCOMPARE(parent.childAt(15, 15), nullptr);
        const QImage shot = shape.grab().toImage();
        for (const QPoint corner : {QPoint(0, 0), QPoint(19, 0), QPoint(0, 19), QPoint(19, 19)}) {
            QCOMPARE(shot.pixelColor(corner), QColor(3, 66, 198));
        }
    }
};

QTEST_MAIN(tst_Controls)
#include "tst_controls.moc"
