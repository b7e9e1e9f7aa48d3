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
        QTest::newRow("a half") << 0.5 << "0,50" << "0,50";
        QTest::newRow("three decimals stay in the dialog") << 0.657 << "0,66" << "0,657";
        QTest::newRow("the share in force") << 0.775 << "0,78" << "0,775";
        QTest::newRow("four decimals are the most") << 0.12345 << "0,12" << "0,1235";
        QTest::newRow("a whole amount") << 180.0 << "180,00" << "180,00";
        QTest::newRow("a negative limit") << -300.0 << "-300,00" << "-300,00";
    }

    void anteile()
    {
        QFETCH(double, wert);
        QFETCH(QString, anteil);
        QFETCH(QString, dialog);
        QCOMPARE(Anteil(wert), anteil);
        QCOMPARE(Dialogwert(wert), dialog);
    }

    void betrag_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("lesbar");
        QTest::addColumn<Money>("betrag");
        QTest::newRow("a decimal comma") << "12,50" << true << Money(125000);
        QTest::newRow("blanks around") << " 7 " << true << Money(70000);
        QTest::newRow("rounded to the Money grid") << "0,00005" << true << Money(0);
        QTest::newRow("a trailing letter") << "12,50x" << false << Money(0);
        QTest::newRow("a thousands separator") << "1.000,00" << false << Money(0);
    }

    void betrag()
    {
        QFETCH(QString, text);
        QFETCH(bool, lesbar);
        QFETCH(Money, betrag);
        const auto b = Betrag(text);
        QCOMPARE(b.has_value(), lesbar);
        if (lesbar)
            QCOMPARE(*b, betrag);
    }
};

QTEST_GUILESS_MAIN(TstAnzeigeformat)
#include "tst_anzeigeformat.moc"
