#include "algo/fehler.h"
#include "algo/runden.h"
#include "data/textformat.h"

#include <QLocale>
#include <QtTest>
#include <limits>
#include <clocale>
#include <cmath>
#include <cstdio>

using namespace Textformat;

class TstTextformat : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Under the German run the machine really must be German, or it proves nothing.
        if (qgetenv("VENNLOK_TESTLOCALE") == "de") {
            QCOMPARE(QLocale::system().decimalPoint(), QStringLiteral(","));
            char puffer[16];
            std::snprintf(puffer, sizeof puffer, "%.1f", 0.5);
            QCOMPARE(QByteArray(puffer), QByteArray("0,5"));
        } else {
            QCOMPARE(QByteArray(std::setlocale(LC_NUMERIC, nullptr)), QByteArray("C"));
        }
    }

    void floatText_data()
    {
        QTest::addColumn<double>("wert");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero is a plain 0") << 0.0 << "0";
        QTest::newRow("negative zero is a plain 0") << -0.0 << "0";
        QTest::newRow("a whole amount has no decimal separator") << 180.0 << "180";
        QTest::newRow("a fraction gets a decimal comma") << 12.5 << "12,5";
        QTest::newRow("negative amounts keep their sign") << -300.0 << "-300";
        QTest::newRow("binary noise disappears at 15 digits") << 0.1 + 0.2 << "0,3";
        QTest::newRow("a third shows 15 significant digits") << 1.0 / 3.0 << "0,333333333333333";
        QTest::newRow("the sentinel is written in full") << -2147483648.0 << "-2147483648";
        QTest::newRow("exponent 14 stays fixed") << 123456789012345.0 << "123456789012345";
        QTest::newRow("exponent 15 turns scientific") << 1e15 << "1E15";
        QTest::newRow("16 digits are rounded to 15 in scientific form") << 1234567890123456.0 << "1,23456789012346E15";
        QTest::newRow("rounding up can lift the exponent to 15") << 999999999999999.9 << "1E15";
        QTest::newRow("large exponents have no padding") << 1e100 << "1E100";
        QTest::newRow("exponent -5 stays fixed") << 0.00001 << "0,00001";
        QTest::newRow("exponent -5 with more digits stays fixed") << 0.0000123 << "0,0000123";
        QTest::newRow("exponent -6 turns scientific") << 0.000001 << "1E-6";
        QTest::newRow("negative scientific value") << -0.00000015 << "-1,5E-7";
        QTest::newRow("a Money-scaled fraction") << 0.775 << "0,775";
        // Found by fuzzing: rounding to 15 digits went beyond the largest double.
        QTest::newRow("the most negative double is cut, not rounded, so it reads back")
            << -std::numeric_limits<double>::max() << "-1,79769313486231E308";
    }

    void floatText()
    {
        QFETCH(double, wert);
        QFETCH(QString, text);
        QCOMPARE(floatZuText(wert), text);
        // The text reads back to the value shown.
        const auto zurueck = textZuFloat(text);
        QVERIFY(zurueck.has_value());
        QCOMPARE(floatZuText(*zurueck), text);
    }

    void nichtEndlicheWerteWerdenVerweigert()
    {
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, floatZuText(std::nan("")));
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, floatZuText(HUGE_VAL));
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, floatZuText(-HUGE_VAL));
    }

    void floatLesen_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("lesbar");
        QTest::addColumn<double>("wert");
        QTest::newRow("decimal comma") << "0,5" << true << 0.5;
        QTest::newRow("surrounding blanks are allowed") << "  12,5 " << true << 12.5;
        QTest::newRow("a leading plus sign") << "+3" << true << 3.0;
        QTest::newRow("a comma without leading digit") << ",25" << true << 0.25;
        QTest::newRow("exponent with minus") << "1,5E-6" << true << 1.5e-6;
        QTest::newRow("lower-case exponent with plus") << "2e+3" << true << 2000.0;
        QTest::newRow("a decimal point is another locale and unreadable") << "0.5" << false << 0.0;
        QTest::newRow("thousands separators are unreadable") << "1.234,5" << false << 0.0;
        QTest::newRow("text is unreadable") << "abc" << false << 0.0;
        QTest::newRow("the empty text is unreadable") << "" << false << 0.0;
        QTest::newRow("a lone comma is unreadable") << "," << false << 0.0;
        QTest::newRow("a number with trailing letters is unreadable") << "12,5 EUR" << false << 0.0;
        QTest::newRow("infinity is unreadable") << "inf" << false << 0.0;
        QTest::newRow("an overflowing exponent is unreadable") << "1E999" << false << 0.0;
    }

    void floatLesen()
    {
        QFETCH(QString, text);
        QFETCH(bool, lesbar);
        QFETCH(double, wert);
        const auto gelesen = textZuFloat(text);
        QCOMPARE(gelesen.has_value(), lesbar);
        if (lesbar)
            QCOMPARE(*gelesen, wert);
    }

    // Amounts are written from the integer; the text is the one the float
    // rule gives, and the common form reads back on integers.
    void betrag_data()
    {
        QTest::addColumn<Money>("betrag");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << Money(0) << "0";
        QTest::newRow("one unit") << Money(1) << "0,0001";
        QTest::newRow("a negative half") << Money(-5000) << "-0,5";
        QTest::newRow("a whole amount has no comma") << Money(1800000) << "180";
        QTest::newRow("trailing zeros of the decimals are dropped") << Money(125000) << "12,5";
        QTest::newRow("the missing-value sentinel") << Money(-2147483648LL) << "-214748,3648";
        QTest::newRow("fifteen digits, the last of the integer path") << Money(999999999999999LL) << "99999999999,9999";
        QTest::newRow("from 10^15 units the float rule writes") << Money(1000000000000000LL) << "100000000000";
        QTest::newRow("beyond 15 digits the float rule rounds") << Money(123456789012345678LL) << "12345678901234,6";
    }

    void betrag()
    {
        QFETCH(Money, betrag);
        QFETCH(QString, text);
        QCOMPARE(moneyZuText(betrag), text);
        QCOMPARE(floatZuText(double(betrag) / double(MoneyProEinheit)), text);
        if (betrag > -1000000000000000LL && betrag < 1000000000000000LL)
            QCOMPARE(Textformat::einfacherBetrag(text), std::optional<Money>(betrag));
    }

    void einfacheBetraege_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("einfach");
        QTest::addColumn<Money>("betrag");
        QTest::newRow("leading zeros are read") << "007" << true << Money(70000);
        QTest::newRow("four decimals") << "-1,2345" << true << Money(-12345);
        QTest::newRow("sixteen digits after padding go to the float reading") << "999999999999,9" << false << Money(0);
        QTest::newRow("a fifth decimal goes to the float reading") << "1,23456" << false << Money(0);
        QTest::newRow("a plus sign goes to the float reading") << "+3" << false << Money(0);
        QTest::newRow("blanks go to the float reading") << " 3" << false << Money(0);
        QTest::newRow("a comma without decimals goes to the float reading") << "3," << false << Money(0);
        QTest::newRow("a comma without integer digits goes to the float reading") << ",5" << false << Money(0);
        QTest::newRow("an exponent goes to the float reading") << "1E3" << false << Money(0);
        QTest::newRow("a lone minus is nothing") << "-" << false << Money(0);
        QTest::newRow("two commas are nothing") << "1,2,3" << false << Money(0);
    }

    void einfacheBetraege()
    {
        QFETCH(QString, text);
        QFETCH(bool, einfach);
        QFETCH(Money, betrag);
        const auto gelesen = Textformat::einfacherBetrag(text);
        QCOMPARE(gelesen.has_value(), einfach);
        if (einfach) {
            QCOMPARE(*gelesen, betrag);
            // The float reading agrees where both read.
            QCOMPARE(R4Genau(*textZuFloat(text)), std::optional<Money>(betrag));
        }
    }

    void transferBetrag_data()
    {
        QTest::addColumn<Money>("betrag");
        QTest::addColumn<QString>("text");
        QTest::newRow("12.5 units get two decimals") << Money(125000) << "12,50";
        QTest::newRow("123.456 units keep four digits") << Money(1234560) << "123,50";
        QTest::newRow("1234.56 units round to 1235") << Money(12345600) << "1235,00";
        QTest::newRow("12345.67 units turn to exponent form") << Money(123456700) << "1,235E04";
        QTest::newRow("10000 units drop the mantissa's zeros") << Money(100000000) << "1E04";
        QTest::newRow("250000 units") << Money(2500000000LL) << "2,5E05";
        QTest::newRow("9999.996 units round up to 1E04") << Money(99999960) << "1E04";
        QTest::newRow("9999.4 units stay fixed") << Money(99994000) << "9999,00";
        QTest::newRow("a cent") << Money(100) << "0,01";
    }

    void transferBetrag()
    {
        QFETCH(Money, betrag);
        QFETCH(QString, text);
        QCOMPARE(Textformat::transferBetrag(betrag), text);
    }

    void ganzzahl_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("lesbar");
        QTest::addColumn<int>("wert");
        QTest::newRow("decimal") << "42" << true << 42;
        QTest::newRow("negative") << "-7" << true << -7;
        QTest::newRow("hexadecimal with 0x") << "0x1F" << true << 31;
        QTest::newRow("the smallest integer") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("beyond 32 bits is unreadable") << "2147483648" << false << 0;
        QTest::newRow("a fraction is unreadable") << "1,5" << false << 0;
        QTest::newRow("empty is unreadable") << "" << false << 0;
        QTest::newRow("a bare 0x is unreadable") << "0x" << false << 0;
    }

    void ganzzahl()
    {
        QFETCH(QString, text);
        QFETCH(bool, lesbar);
        QFETCH(int, wert);
        const auto gelesen = textZuInt(text);
        QCOMPARE(gelesen.has_value(), lesbar);
        if (lesbar) {
            QCOMPARE(*gelesen, wert);
        }
    }

    void datum_data()
    {
        QTest::addColumn<QDateTime>("zeitpunkt");
        QTest::addColumn<QString>("text");
        QTest::newRow("date and time") << QDateTime(QDate(2026, 12, 5), QTime(8, 24, 44)) << "05.12.2026 08:24:44";
        QTest::newRow("midnight leaves the time out") << QDateTime(QDate(2006, 3, 1), QTime(0, 0)) << "01.03.2006";
        QTest::newRow("one second after midnight keeps it") << QDateTime(QDate(2006, 3, 1), QTime(0, 0, 1)) << "01.03.2006 00:00:01";
        QTest::newRow("the day before the epoch") << QDateTime(QDate(1899, 12, 29), QTime(6, 0)) << "29.12.1899 06:00:00";
    }

    void datum()
    {
        QFETCH(QDateTime, zeitpunkt);
        QFETCH(QString, text);
        const DateTime d = ausQDateTime(zeitpunkt);
        QCOMPARE(dateTimeZuText(d), text);
        QCOMPARE(zuQDateTime(d), zeitpunkt);
        const auto zurueck = textZuDateTime(text);
        QVERIFY(zurueck.has_value());
        QCOMPARE(zuQDateTime(*zurueck), zeitpunkt);
    }
};

QTEST_GUILESS_MAIN(TstTextformat)
#include "tst_textformat.moc"
