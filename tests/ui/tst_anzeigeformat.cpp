#include "dokumente/format.h"
#include "ui/anzeigeformat.h"

#include <QtTest>

using namespace Anzeigeformat;

class TstAnzeigeformat : public QObject
{
    Q_OBJECT

private slots:
    void kasse_data()
    {
        QTest::addColumn<Money>("betrag");
        QTest::addColumn<QString>("text");
        QTest::newRow("rounded to 8 significant digits with thousands separators") << Money(12345678910LL) << "1.234.567,90 €";
        QTest::newRow("a small amount") << Money(125000) << "12,50 €";
        QTest::newRow("a negative amount") << Money(-3000000) << "-300,00 €";
        QTest::newRow("the engine's fallback in exponent form") << Money(-21474836480000LL) << "-2,1474836E09";
        QTest::newRow("exactly 10^8 units turn to exponent form") << Money(1000000000000LL) << "1E08";
    }

    void kasse()
    {
        QFETCH(Money, betrag);
        QFETCH(QString, text);
        QCOMPARE(Kasse(betrag), text);
    }

    void anteile_data()
    {
        QTest::addColumn<double>("wert");
        QTest::addColumn<QString>("anteil");
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("prozent");
        QTest::newRow("a half") << 0.5 << "0,50" << "0,50" << "50,00 %";
        QTest::newRow("three decimals stay in the dialog") << 0.657 << "0,66" << "0,657" << "65,70 %";
        QTest::newRow("the share in force") << 0.775 << "0,78" << "0,775" << "77,50 %";
        QTest::newRow("four decimals are the most") << 0.12345 << "0,12" << "0,1235" << "12,35 %";
        QTest::newRow("a whole amount") << 180.0 << "180,00" << "180,00" << "18.000,00 %";
        QTest::newRow("a negative limit") << -300.0 << "-300,00" << "-300,00" << "-30.000,00 %";
    }

    void anteile()
    {
        QFETCH(double, wert);
        QFETCH(QString, anteil);
        QFETCH(QString, dialog);
        QFETCH(QString, prozent);
        QCOMPARE(Anteil(wert), anteil);
        QCOMPARE(Dialogwert(wert), dialog);
        QCOMPARE(Druckformat::Prozent(wert), prozent);
    }

    void betrag_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Money>("betrag");
        QTest::addColumn<QString>("grund"); // the start of the sentence beside the field; empty when it books
        QTest::newRow("a decimal comma") << "12,50" << Money(125000) << "";
        QTest::newRow("blanks around") << " 7 " << Money(70000) << "";
        QTest::newRow("four decimals are the grid") << "0,0001" << Money(1) << "";
        QTest::newRow("five decimals do not read") << "0,00005" << Money(-1) << "„0,00005“ ist kein Betrag: höchstens vier";
        QTest::newRow("a decimal point names the comma") << "80.25" << Money(-1) << "„80.25“ ist kein Betrag: das Dezimalzeichen ist das Komma (80,25)";
        QTest::newRow("a trailing letter") << "12abc" << Money(-1) << "„12abc“ ist kein Betrag: nur Ziffern";
        QTest::newRow("a thousands separator") << "1.000,00" << Money(-1) << "„1.000,00“ ist kein Betrag: nur Ziffern";
        QTest::newRow("an empty field asks for an amount") << "  " << Money(-1) << "Bitte einen Betrag";
        QTest::newRow("a negative amount reads but is refused") << "-50" << Money(-500000) << "Der Betrag darf nicht negativ sein";
        QTest::newRow("beyond the booking limit") << "99999999999" << Money(999999999990000LL) << "„99999999999“ ist zu groß: höchstens 1E08";
        QTest::newRow("the booking limit itself books") << "100000000" << BetragGrenze << "";
    }

    // What an address memo stores: one item per line that has a key and a value.
    void memo_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("eintraege"); // "key|value"
        QTest::newRow("the value ends at the line's first semicolon") << "Stadt=Köln; am Rhein;" << QStringList{"Stadt|Köln"};
        QTest::newRow("blanks around key and value are dropped") << " IBAN = DE44 5001 ;" << QStringList{"IBAN|DE44 5001"};
        QTest::newRow("a value may hold an equals sign") << "eMail=a=b@x.de" << QStringList{"eMail|a=b@x.de"};
        QTest::newRow("empty values and lines without a key give nothing") << "Name=;\nfrei\nTel.=  ;\n\nPLZ=50667" << QStringList{"PLZ|50667"};
    }

    void memo()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, eintraege);
        QStringList gelesen;
        for (const Anzeigeformat::Eintrag &e : Anzeigeformat::MemoEintraege(text))
            gelesen << e.schluessel + QLatin1Char('|') + e.wert;
        QCOMPARE(gelesen, eintraege);
    }

    void betrag()
    {
        QFETCH(QString, text);
        QFETCH(Money, betrag);
        QFETCH(QString, grund);
        QCOMPARE(Betrag(text).value_or(-1), betrag);
        const QString fehler = BetragFehler(text);
        QVERIFY2(grund.isEmpty() ? fehler.isEmpty() : fehler.startsWith(grund), qPrintable(fehler));
    }
};

QTEST_GUILESS_MAIN(TstAnzeigeformat)
#include "tst_anzeigeformat.moc"
