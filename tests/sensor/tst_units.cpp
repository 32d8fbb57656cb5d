// SPDX-License-Identifier: MIT
#include "sensor/Units.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <utility>

using sensor::UnitState;

namespace {

const QString Degree = QString::fromUtf8("\xC2\xB0");

// Option indexes of the unit buttons.
constexpr int KPa = static_cast<int>(sensor::PressureUnit::KPa);
constexpr int Bar = static_cast<int>(sensor::PressureUnit::Bar);
constexpr int PSI = static_cast<int>(sensor::PressureUnit::PSI);
constexpr int Celsius = static_cast<int>(sensor::TemperatureUnit::Celsius);
constexpr int Fahrenheit = static_cast<int>(sensor::TemperatureUnit::Fahrenheit);

UnitState withUnits(int pressure, int temperature) {
    UnitState units;
    units.SelectPressureUnit(pressure);
    units.SelectTemperatureUnit(temperature);
    return units;
}

// Rounds num / den (den > 0) half away from zero, in exact integer arithmetic.
long roundedQuotient(long num, long den) {
    const long magnitude = (2 * std::labs(num) + den) / (2 * den);
    return num < 0 ? -magnitude : magnitude;
}

// Writes scaled / 10^decimals with a point, as the panels should in the C locale.
QString fixedText(long scaled, int decimals) {
    QString digits = QString::number(std::labs(scaled));
    if (digits.size() < decimals + 1)
        digits.prepend(QString(decimals + 1 - digits.size(), QLatin1Char('0')));
    if (decimals > 0)
        digits.insert(digits.size() - decimals, QLatin1Char('.'));
    return (scaled < 0 ? QStringLiteral("-") : QString()) + digits;
}

} // namespace

class tst_Units : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanup() {
        std::setlocale(LC_ALL, "C");
        QLocale::setDefault(QLocale::system());
    }

    void startsWithKpaAndCelsius() {
        const UnitState units;
        QCOMPARE(units.PressureUnitIndex(), 0);
        QCOMPARE(units.PressureUnitLabel(), QStringLiteral("KPa"));
        QCOMPARE(units.TemperatureUnitIndex(), 0);
        QCOMPARE(units.TemperatureUnitLabel(), Degree + QLatin1Char('C'));
        QCOMPARE(units.FormatPressure(120), QStringLiteral("Pressure: 200 KPa"));
        QCOMPARE(units.FormatTemperature(65), QStringLiteral("Temperature: 25 ") + Degree + "C");
    }

    void pressureText_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("expected");

        struct Row {
            int byte;
            const char* kpa;
            const char* bar;
            const char* psi;
        };
        const Row rows[] = {
            {0, "Pressure: -100 KPa", "Pressure: -1.00 Bar", "Pressure: -14.5 PSI"},
            {4, "Pressure: -90 KPa", "Pressure: -0.90 Bar", "Pressure: -13.1 PSI"},
            {12, "Pressure: -70 KPa", "Pressure: -0.70 Bar", "Pressure: -10.2 PSI"},
            {39, "Pressure: -3 KPa", "Pressure: -0.03 Bar", "Pressure: -0.4 PSI"},
            {40, "Pressure: 0 KPa", "Pressure: 0.00 Bar", "Pressure: 0.0 PSI"},
            {41, "Pressure: 3 KPa", "Pressure: 0.03 Bar", "Pressure: 0.4 PSI"},
            {43, "Pressure: 8 KPa", "Pressure: 0.08 Bar", "Pressure: 1.1 PSI"},
            {120, "Pressure: 200 KPa", "Pressure: 2.00 Bar", "Pressure: 29.0 PSI"},
            {254, "Pressure: 535 KPa", "Pressure: 5.35 Bar", "Pressure: 77.6 PSI"},
            {255, "Pressure: ??? KPa", "Pressure: ??? Bar", "Pressure: ??? PSI"},
        };
        for (const Row& row : rows) {
            QTest::addRow("%d KPa", row.byte) << row.byte << KPa << row.kpa;
            QTest::addRow("%d Bar", row.byte) << row.byte << Bar << row.bar;
            QTest::addRow("%d PSI", row.byte) << row.byte << PSI << row.psi;
        }
    }
    void pressureText() {
        QFETCH(int, byte);
        QFETCH(int, unit);
        QFETCH(QString, expected);
        const UnitState units = withUnits(unit, Celsius);
        QCOMPARE(units.FormatPressure(static_cast<std::uint8_t>(byte)), expected);
    }

    void temperatureText_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("expected");

        struct Row {
            int byte;
            const char* celsius;
            const char* fahrenheit;
        };
        const Row rows[] = {
            {0, "-40", "-40"},
            {40, "0", "32"},
            {41, "1", "34"},
            {65, "25", "77"},
            {254, "214", "417"},
            {255, "???", "???"},
            // -0.3999999999999986 in Fahrenheit: a zero, not a negative zero.
            {22, "-18", "0"},
        };
        for (const Row& row : rows) {
            QTest::addRow("%d C", row.byte)
                << row.byte << Celsius
                << QStringLiteral("Temperature: %1 %2C").arg(row.celsius, Degree);
            QTest::addRow("%d F", row.byte)
                << row.byte << Fahrenheit
                << QStringLiteral("Temperature: %1 %2F").arg(row.fahrenheit, Degree);
        }
    }
    void temperatureText() {
        QFETCH(int, byte);
        QFETCH(int, unit);
        QFETCH(QString, expected);
        const UnitState units = withUnits(KPa, unit);
        QCOMPARE(units.FormatTemperature(static_cast<std::uint8_t>(byte)), expected);
    }

    // Every byte in every unit against exact integer arithmetic: p * 2.5 - 100 kPa is
    // (p * 25 - 1000) / 10, and (t - 40) * 9 / 5 + 32 is ((t - 40) * 9 + 160) / 5. Each
    // unit also runs with a locale active in the C library and in Qt: a comma locale and one
    // whose separator (U+066B) is not ASCII, both compiled into the build tree.
    void sweepAllBytes_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<bool>("pressure");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("shape");
        QTest::addColumn<double>("lowest");
        QTest::addColumn<double>("highest");

        const std::pair<const char*, QString> locales[] = {
            {"C", QStringLiteral(".")},
            {"de_DE.UTF-8", QStringLiteral(",")},
            {"ps_AF.UTF-8", QStringLiteral("\u066B")},
        };
        const QString integer = QStringLiteral("-?(0|[1-9][0-9]*)");
        for (const auto& [locale, separator] : locales) {
            const QString point = QRegularExpression::escape(separator);
            QTest::addRow("KPa %s", locale)
                << locale << separator << true << KPa
                << QStringLiteral("Pressure: (%1) KPa").arg(integer) << -100.0 << 535.0;
            QTest::addRow("Bar %s", locale)
                << locale << separator << true << Bar
                << QStringLiteral("Pressure: (-?[0-9]%1[0-9]{2}) Bar").arg(point) << -1.0 << 5.35;
            QTest::addRow("PSI %s", locale)
                << locale << separator << true << PSI
                << QStringLiteral("Pressure: (-?(0|[1-9][0-9]*)%1[0-9]) PSI").arg(point) << -14.5
                << 77.6;
            QTest::addRow("C %s", locale)
                << locale << separator << false << Celsius
                << QStringLiteral("Temperature: (%1) %2C").arg(integer, Degree) << -40.0 << 214.0;
            QTest::addRow("F %s", locale)
                << locale << separator << false << Fahrenheit
                << QStringLiteral("Temperature: (%1) %2F").arg(integer, Degree) << -40.0 << 417.0;
        }
    }
    void sweepAllBytes() {
        QFETCH(QString, locale);
        QFETCH(QString, separator);
        QFETCH(bool, pressure);
        QFETCH(int, unit);
        QFETCH(QString, shape);
        QFETCH(double, lowest);
        QFETCH(double, highest);

        QString cLocale = locale;
#ifdef Q_OS_WIN
        // Windows' C library names its locales its own way and has none in UTF-8, so none
        // whose separator is not ASCII.
        if (locale == QLatin1String("ps_AF.UTF-8")) {
            QSKIP("no C library locale with a separator beyond ASCII on Windows");
        }
        if (locale == QLatin1String("de_DE.UTF-8")) {
            cLocale = QStringLiteral("German_Germany.1252");
        }
#endif
        QVERIFY2(std::setlocale(LC_ALL, qPrintable(cLocale)) != nullptr,
                 qPrintable(QStringLiteral("%1 is not available to the C library (LOCPATH=%2)")
                                .arg(locale, qEnvironmentVariable("LOCPATH"))));
        QCOMPARE(QString::fromUtf8(std::localeconv()->decimal_point), separator);
        QLocale::setDefault(QLocale(locale));

        const UnitState units = pressure ? withUnits(unit, Celsius) : withUnits(KPa, unit);
        const QRegularExpression pattern(QRegularExpression::anchoredPattern(shape));
        const QRegularExpression negativeZero(QStringLiteral("-0+(\\.0+)?$"));
        double seenLowest = 1e9;
        double seenHighest = -1e9;

        for (int byte = 0; byte <= 254; ++byte) {
            const auto b = static_cast<std::uint8_t>(byte);
            const QString text = pressure ? units.FormatPressure(b) : units.FormatTemperature(b);
            const auto match = pattern.match(text);
            QVERIFY2(match.hasMatch(), qPrintable(QStringLiteral("%1: %2").arg(byte).arg(text)));
            const QString number = match.captured(1);
            QVERIFY2(!negativeZero.match(number).hasMatch(), qPrintable(text));

            const long tenthKpa = byte * 25L - 1000;
            QString expected;
            if (pressure && unit == KPa)
                expected = fixedText(roundedQuotient(tenthKpa, 10), 0);
            else if (pressure && unit == Bar)
                expected = fixedText(roundedQuotient(tenthKpa, 10), 2);
            else if (pressure)
                expected = fixedText(roundedQuotient(tenthKpa * 145, 1000), 1);
            else if (unit == Celsius)
                expected = fixedText(byte - 40, 0);
            else
                expected = fixedText(roundedQuotient((byte - 40) * 9L + 160, 5), 0);
            QCOMPARE(number, QString(expected).replace(QLatin1Char('.'), separator));

            seenLowest = std::min(seenLowest, expected.toDouble());
            seenHighest = std::max(seenHighest, expected.toDouble());
        }
        QCOMPARE(seenLowest, lowest);
        QCOMPARE(seenHighest, highest);

        const QString noData = pressure ? units.FormatPressure(255) : units.FormatTemperature(255);
        const QString label = pressure ? units.PressureUnitLabel() : units.TemperatureUnitLabel();
        const QString prefix =
            pressure ? QStringLiteral("Pressure") : QStringLiteral("Temperature");
        QCOMPARE(noData, prefix + QStringLiteral(": ??? ") + label);
    }

    void germanLocale_data() {
        QTest::addColumn<int>("pressureUnit");
        QTest::addColumn<int>("temperatureUnit");
        QTest::addColumn<int>("byte");
        QTest::addColumn<QString>("pressureText");
        QTest::addColumn<QString>("temperatureText");

        const QString c = Degree + QLatin1Char('C');
        const QString f = Degree + QLatin1Char('F');
        QTest::newRow("Bar") << Bar << Celsius << 120 << "Pressure: 2,00 Bar"
                             << QStringLiteral("Temperature: 80 ") + c;
        QTest::newRow("PSI negative") << PSI << Fahrenheit << 4 << "Pressure: -13,1 PSI"
                                      << QStringLiteral("Temperature: -33 ") + f;
        QTest::newRow("KPa top") << KPa << Celsius << 254 << "Pressure: 535 KPa"
                                 << QStringLiteral("Temperature: 214 ") + c;
        QTest::newRow("Fahrenheit top") << PSI << Fahrenheit << 254 << "Pressure: 77,6 PSI"
                                        << QStringLiteral("Temperature: 417 ") + f;
    }
    void germanLocale() {
        QFETCH(int, pressureUnit);
        QFETCH(int, temperatureUnit);
        QFETCH(int, byte);
        QFETCH(QString, pressureText);
        QFETCH(QString, temperatureText);

        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const UnitState units = withUnits(pressureUnit, temperatureUnit);
        const auto b = static_cast<std::uint8_t>(byte);
        QCOMPARE(units.FormatPressure(b), pressureText);
        QCOMPARE(units.FormatTemperature(b), temperatureText);
    }

    void selectPressureUnit_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("k");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("text");

        QTest::newRow("KPa") << PSI << 0 << "KPa"
                             << "Pressure: 200 KPa";
        QTest::newRow("Bar") << KPa << 1 << "Bar"
                             << "Pressure: 2.00 Bar";
        QTest::newRow("PSI") << KPa << 2 << "PSI"
                             << "Pressure: 29.0 PSI";
        QTest::newRow("same again") << Bar << 1 << "Bar"
                                    << "Pressure: 2.00 Bar";
        QTest::newRow("3 keeps Bar") << Bar << 3 << "Bar"
                                     << "";
        QTest::newRow("-1 keeps PSI") << PSI << -1 << "PSI"
                                      << "";
    }
    void selectPressureUnit() {
        QFETCH(int, before);
        QFETCH(int, k);
        QFETCH(QString, label);
        QFETCH(QString, text);

        UnitState units = withUnits(before, Fahrenheit);
        const QString temperatureBefore = units.FormatTemperature(65);
        units.SelectPressureUnit(k);
        QCOMPARE(units.PressureUnitIndex(), k);
        QCOMPARE(units.PressureUnitLabel(), label);
        QCOMPARE(units.FormatPressure(120), text);
        QCOMPARE(units.FormatPressure(255), QStringLiteral("Pressure: ??? ") + label);
        QCOMPARE(units.TemperatureUnitIndex(), Fahrenheit);
        QCOMPARE(units.FormatTemperature(65), temperatureBefore);
    }

    void selectTemperatureUnit_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("k");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("text");

        const QString c = Degree + QLatin1Char('C');
        const QString f = Degree + QLatin1Char('F');
        QTest::newRow("C") << Fahrenheit << 0 << c << "Temperature: 25 " + c;
        QTest::newRow("F") << Celsius << 1 << f << "Temperature: 77 " + f;
        QTest::newRow("same again") << Fahrenheit << 1 << f << "Temperature: 77 " + f;
        QTest::newRow("2 keeps F") << Fahrenheit << 2 << f << "";
        QTest::newRow("-5 keeps C") << Celsius << -5 << c << "";
    }
    void selectTemperatureUnit() {
        QFETCH(int, before);
        QFETCH(int, k);
        QFETCH(QString, label);
        QFETCH(QString, text);

        UnitState units = withUnits(Bar, before);
        const QString pressureBefore = units.FormatPressure(120);
        units.SelectTemperatureUnit(k);
        QCOMPARE(units.TemperatureUnitIndex(), k);
        QCOMPARE(units.TemperatureUnitLabel(), label);
        QCOMPARE(units.FormatTemperature(65), text);
        QCOMPARE(units.FormatTemperature(255), QStringLiteral("Temperature: ??? ") + label);
        QCOMPARE(units.PressureUnitIndex(), Bar);
        QCOMPARE(units.FormatPressure(120), pressureBefore);
    }

    void byteToHex_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<QString>("expected");
        QTest::newRow("0") << 0 << "00";
        QTest::newRow("10") << 10 << "0A";
        QTest::newRow("15") << 15 << "0F";
        QTest::newRow("16") << 16 << "10";
        QTest::newRow("171") << 171 << "AB";
        QTest::newRow("255") << 255 << "FF";
    }
    void byteToHex() {
        QFETCH(int, byte);
        QFETCH(QString, expected);
        QCOMPARE(sensor::ByteToHex(static_cast<std::uint8_t>(byte)), expected);
    }

    // Each of the 256 bytes has its own two-digit text that reads back as the byte.
    void byteToHexRoundTrip() {
        for (int byte = 0; byte <= 255; ++byte) {
            const QString text = sensor::ByteToHex(static_cast<std::uint8_t>(byte));
            QCOMPARE(text.size(), 2);
            QCOMPARE(text, text.toUpper());
            bool ok = false;
            QCOMPARE(text.toInt(&ok, 16), byte);
            QVERIFY(ok);
        }
    }
};

QTEST_APPLESS_MAIN(tst_Units)
#include "tst_units.moc"
