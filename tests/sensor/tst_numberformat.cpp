// SPDX-License-Identifier: MIT
#include "sensor/NumberFormat.h"

#include <QLocale>
#include <QTest>

using sensor::NumberPattern;

Q_DECLARE_METATYPE(NumberPattern)

class tst_NumberFormat : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanup() { QLocale::setDefault(QLocale::system()); }

    void formatNumber_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<NumberPattern>("pattern");
        QTest::addColumn<QString>("expected");

        const auto Int = NumberPattern::Integer;
        const auto Two = NumberPattern::TwoDecimals;
        const auto One = NumberPattern::OneDecimal;

        QTest::newRow("half rounds up") << 97.5 << Int << "98";
        QTest::newRow("negative half rounds away from zero") << -97.5 << Int << "-98";
        QTest::newRow("0.025 stored just above") << 0.025 << Two << "0.03";
        QTest::newRow("0.075 stored just below") << 0.075 << Two << "0.08";
        QTest::newRow("binary noise below 15 digits") << -13.049999999999999 << One << "-13.1";
        QTest::newRow("just under a half at 17 digits") << 0.49999999999999994 << Int << "1";
        QTest::newRow("just under a half at 15 digits") << 0.499999999999999 << Int << "0";
        QTest::newRow("below a half") << 2.4999 << Int << "2";
        QTest::newRow("exact value kept") << 5.35 << Two << "5.35";
        QTest::newRow("zero") << 0.0 << Int << "0";
        QTest::newRow("zero, two decimals") << 0.0 << Two << "0.00";
        QTest::newRow("negative zero") << -0.0 << One << "0.0";
        QTest::newRow("small negative rounds to 0") << -0.3999999999999986 << Int << "0";
        QTest::newRow("small negative rounds to 0.0") << -0.04 << One << "0.0";
        QTest::newRow("small negative rounds to 0.00") << -0.004 << Two << "0.00";
        QTest::newRow("small negative still shown") << -0.005 << Two << "-0.01";
        QTest::newRow("leading zero before separator") << 0.4 << One << "0.4";
        QTest::newRow("first digit decides") << 0.95 << Int << "1";
        QTest::newRow("first digit at the decimal place") << 0.005 << Two << "0.01";
        QTest::newRow("far below the last decimal") << 0.0005 << Two << "0.00";
        QTest::newRow("tiny") << 1e-20 << Two << "0.00";
        QTest::newRow("carry through the separator") << 9.995 << Two << "10.00";
        QTest::newRow("carry into a new digit") << 99.95 << One << "100.0";
        QTest::newRow("no thousands separator") << 999.5 << Int << "1000";
        QTest::newRow("millions") << -1234567.25 << One << "-1234567.3";
        QTest::newRow("beyond 15 digits padded with zeros")
            << 123456789012345678.0 << Int << "123456789012346000";
        QTest::newRow("large") << 1e20 << Two << "100000000000000000000.00";
    }
    void formatNumber() {
        QFETCH(double, value);
        QFETCH(NumberPattern, pattern);
        QFETCH(QString, expected);
        QCOMPARE(sensor::formatNumber(value, pattern), expected);
    }

    void localeSeparators_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<NumberPattern>("pattern");
        QTest::addColumn<QString>("expected");

        const QLocale german(QLocale::German, QLocale::Germany);
        const QLocale swedish(QLocale::Swedish, QLocale::Sweden);
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("German comma")
            << german << 1234.56 << NumberPattern::TwoDecimals << "1234,56";
        QTest::newRow("German integer not grouped")
            << german << 1234567.0 << NumberPattern::Integer << "1234567";
        QTest::newRow("German negative") << german << -14.5 << NumberPattern::OneDecimal << "-14,5";
        // Swedish writes negatives with U+2212; the panels always use the hyphen-minus.
        QTest::newRow("Swedish minus stays hyphen")
            << swedish << -1.5 << NumberPattern::OneDecimal << "-1,5";
        QTest::newRow("English not grouped")
            << english << 98765.4 << NumberPattern::OneDecimal << "98765.4";
    }
    void localeSeparators() {
        QFETCH(QLocale, locale);
        QFETCH(double, value);
        QFETCH(NumberPattern, pattern);
        QFETCH(QString, expected);
        QLocale::setDefault(locale);
        QCOMPARE(sensor::formatNumber(value, pattern), expected);
    }

    // A separator is taken as it comes, however long and whatever its characters.
    void givenSeparator_data() {
        QTest::addColumn<QString>("separator");
        QTest::addColumn<double>("value");
        QTest::addColumn<NumberPattern>("pattern");
        QTest::addColumn<QString>("expected");

        QTest::newRow("non-ASCII") << QStringLiteral("\u066B") << 9.995
                                   << NumberPattern::TwoDecimals << QStringLiteral("10\u066B00");
        QTest::newRow("two characters")
            << QStringLiteral("\u200F\u066B") << -0.005 << NumberPattern::TwoDecimals
            << QStringLiteral("-0\u200F\u066B01");
        QTest::newRow("empty stands for a point")
            << QString() << 2.0 << NumberPattern::TwoDecimals << QStringLiteral("2.00");
    }
    void givenSeparator() {
        QFETCH(QString, separator);
        QFETCH(double, value);
        QFETCH(NumberPattern, pattern);
        QFETCH(QString, expected);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(sensor::formatNumber(value, pattern, separator), expected);
    }
};

QTEST_APPLESS_MAIN(tst_NumberFormat)
#include "tst_numberformat.moc"
