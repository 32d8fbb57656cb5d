// SPDX-License-Identifier: MIT
#include "cycle/TerminalText.h"

#include <QTest>

class tst_TerminalText : public QObject {
    Q_OBJECT

private slots:
    void printableText_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("ascii") << QByteArray("Rimlink TPMS") << QByteArray("Rimlink TPMS");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("utf-8 kept")
            << QByteArray("Temp\xc3\xa9rature \xe2\x84\x83 \xf0\x9f\x9a\x97")
            << QByteArray("Temp\xc3\xa9rature \xe2\x84\x83 \xf0\x9f\x9a\x97");
        QTest::newRow("escape sequence") << QByteArray("\x1b[2J") << QByteArray("?[2J");
        QTest::newRow("tab newline del") << QByteArray("a\tb\nc\x7f") << QByteArray("a?b?c?");
        QTest::newRow("nul inside") << QByteArray("a\0b", 3) << QByteArray("a?b");
        QTest::newRow("C1 control in utf-8") << QByteArray("x\xc2\x9b"
                                                           "1m")
                                             << QByteArray("x?1m");
        QTest::newRow("U+00A0 is printable") << QByteArray("\xc2\xa0") << QByteArray("\xc2\xa0");
        QTest::newRow("lone 8-bit CSI") << QByteArray("\x9b"
                                                      "1m")
                                        << QByteArray("?1m");
        QTest::newRow("invalid lead byte") << QByteArray("\xff\xfe") << QByteArray("??");
        QTest::newRow("truncated at end") << QByteArray("ab\xe2\x84") << QByteArray("ab??");
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << QByteArray("??");
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << QByteArray("???");
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << QByteArray("????");
        QTest::newRow("right-to-left override")
            << QByteArray("photo\xe2\x80\xaegnp.exe") << QByteArray("photo?gnp.exe");
        QTest::newRow("isolates U+2066..2069")
            << QByteArray("\xe2\x81\xa6x\xe2\x81\xa9") << QByteArray("?x?");
        QTest::newRow("zero width U+200B, marks U+200F") << QByteArray("a\xe2\x80\x8b"
                                                                       "b\xe2\x80\x8f")
                                                         << QByteArray("a?b?");
        QTest::newRow("line and paragraph separators") << QByteArray("a\xe2\x80\xa8"
                                                                     "b\xe2\x80\xa9")
                                                       << QByteArray("a?b?");
        QTest::newRow("byte order mark") << QByteArray("\xef\xbb\xbfx") << QByteArray("?x");
        QTest::newRow("longest shown whole") << QByteArray(200, 'A') << QByteArray(200, 'A');
        QTest::newRow("65538 characters cut")
            << QByteArray(65538, 'A') << QByteArray(200, 'A') + QByteArray("...");
        QTest::newRow("multi-byte characters counted once")
            << QByteArray("\xc3\xa9").repeated(300) << QByteArray("\xc3\xa9").repeated(200) + "...";
    }

    void printableText() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        const std::string result =
            ::printableText(std::string_view(input.constData(), input.size()));
        QCOMPARE(QByteArray::fromStdString(result), expected);
    }
};

QTEST_APPLESS_MAIN(tst_TerminalText)
#include "tst_terminaltext.moc"
