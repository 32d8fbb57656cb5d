// SPDX-License-Identifier: MIT
#include "ui/Measures.h"

#include <QTest>

class tst_Measures : public QObject {
    Q_OBJECT

private slots:
    void colourWords_data() {
        QTest::addColumn<quint32>("word");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("white") << quint32(0x00FFFFFF) << QColor(255, 255, 255);
        QTest::newRow("red sits in the low byte") << quint32(0x000000FF) << QColor(255, 0, 0);
        QTest::newRow("on-line green") << quint32(0x00008000) << QColor(0, 128, 0);
        QTest::newRow("blue sits in the third byte") << quint32(0x00FF0000) << QColor(0, 0, 255);
        QTest::newRow("pale column") << quint32(0x00FEF3EF) << QColor(239, 243, 254);
        QTest::newRow("status bar") << quint32(0x00C64203) << QColor(3, 66, 198);
        QTest::newRow("caption blue") << quint32(0x006E4830) << QColor(48, 72, 110);
    }
    void colourWords() {
        QFETCH(quint32, word);
        QFETCH(QColor, colour);
        QCOMPARE(measures::colourFromWord(word, QPalette()), colour);
    }

    void systemColourWordsFollowTheScheme() {
        QPalette scheme;
        scheme.setColor(QPalette::Base, QColor(1, 2, 3));
        scheme.setColor(QPalette::Text, QColor(4, 5, 6));
        scheme.setColor(QPalette::Window, QColor(7, 8, 9));
        QCOMPARE(measures::colourFromWord(0x80000005, scheme), QColor(1, 2, 3));
        QCOMPARE(measures::colourFromWord(0x80000008, scheme), QColor(4, 5, 6));
    }
};

QTEST_MAIN(tst_Measures)
#include "tst_measures.moc"
