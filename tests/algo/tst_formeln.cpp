#include "algo/fehler.h"
#include "algo/formeln.h"
#include "algo/runden.h"
#include "data/textformat.h"

#include <QtTest>
#include <algorithm>
#include <cmath>
#include <random>

namespace {

// Money from a number of units written as the formulas' examples write them.
Money m(double einheiten)
{
    return R4(einheiten);
}

// The text a value gets in a file: the exact check of a double result.
QString alsText(double wert)
{
    return Textformat::floatZuText(wert);
}

constexpr int Faelle = 10000;

} // namespace

class TstFormeln : public QObject
{
    Q_OBJECT

private slots:
    void r4_data()
    {
        QTest::addColumn<double>("einheiten");
        QTest::addColumn<Money>("money");
        QTest::newRow("12.5 units are 125000") << 12.5 << Money(125000);
        QTest::newRow("a tie rounds down to even") << 0.03125 << Money(312);
        QTest::newRow("a tie rounds up to even") << 0.09375 << Money(938);
        QTest::newRow("a negative tie rounds to even") << -0.03125 << Money(-312);
        QTest::newRow("the sentinel in units") << -2147483648.0 << Money(-21474836480000LL);
        QTest::newRow("33.33 lands on the grid despite binary error") << 33.33 << Money(333300);
    }

    void r4()
    {
        QFETCH(double, einheiten);
        QFETCH(Money, money);
        QCOMPARE(R4(einheiten), money);
    }

    void r4AusserhalbDesBereichs()
    {
        QVERIFY(!R4Optional(1e300).has_value());
        QVERIFY(!R4Optional(std::nan("")).has_value());
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, R4(HUGE_VAL));
    }

    void aufteilung_data()
    {
        QTest::addColumn<double>("betrag");
        QTest::addColumn<double>("sozial");
        QTest::addColumn<double>("eigen");
        QTest::newRow("100 at 0.775 splits 77.5 and 22.5") << 100.0 << 77.5 << 22.5;
        QTest::newRow("33.33 at 0.775 splits 25.83 and 7.5") << 33.33 << 25.83 << 7.5;
        QTest::newRow("nothing is split of 0") << 0.0 << 0.0 << 0.0;
        QTest::newRow("nothing is split of a negative amount") << -5.0 << 0.0 << 0.0;
    }

    void aufteilung()
    {
        QFETCH(double, betrag);
        QFETCH(double, sozial);
        QFETCH(double, eigen);
        QCOMPARE(SozialanteilBetrag(m(betrag), 7750), m(sozial));
        QCOMPARE(EigenanteilBetrag(m(betrag), 7750), m(eigen));
    }

    void gekuerzterSatz_data()
    {
        QTest::addColumn<double>("einz");
        QTest::addColumn<double>("offen");
        QTest::addColumn<Money>("satz");
        QTest::addColumn<Money>("ergebnis");
        QTest::newRow("no arrears keep the rate") << 1000.0 << 0.0 << Money(7750) << Money(7750);
        QTest::newRow("600 paid of 800 owed cut 0.8 to 0.6") << 600.0 << 200.0 << Money(8000) << Money(6000);
        QTest::newRow("a negative balance owed keeps the rate") << 600.0 << -50.0 << Money(8000) << Money(8000);
        QTest::newRow("nothing paid cuts the rate to 0") << 0.0 << 50.0 << Money(7750) << Money(0);
        QTest::newRow("a third paid rounds on the grid") << 50.0 << 100.0 << Money(7750) << Money(2583);
    }

    void gekuerzterSatz()
    {
        QFETCH(double, einz);
        QFETCH(double, offen);
        QFETCH(Money, satz);
        QFETCH(Money, ergebnis);
        QCOMPARE(GekuerzterSatz(m(einz), m(offen), satz), ergebnis);
    }

    void kapitalUndDreisatz_data()
    {
        QTest::addColumn<Money>("ist");
        QTest::addColumn<Money>("soll");
        QTest::newRow("capital share 100 + 180 + 20 - 500 is -200")
            << KapitalanteilNeu(m(100), m(180), m(20), m(500), m(-300)) << m(-200);
        QTest::newRow("capital share never falls below the limit")
            << KapitalanteilNeu(m(100), m(180), m(20), m(700), m(-300)) << m(-300);
        QTest::newRow("rule of three 50 of 200 scaled to 1000 is 250") << Dreisatz(m(50), m(1000), m(200)) << m(250);
        QTest::newRow("rule of three over 0 is 0") << Dreisatz(m(50), m(1000), 0) << Money(0);
        QTest::newRow("rule of three over a negative sum is 0") << Dreisatz(m(50), m(1000), m(-1)) << Money(0);
        QTest::newRow("rule of three rounds on the grid") << Dreisatz(m(1), m(100), m(3)) << m(33.3333);
    }

    void kapitalUndDreisatz()
    {
        QFETCH(Money, ist);
        QFETCH(Money, soll);
        QCOMPARE(ist, soll);
    }

    void extAusInt_data()
    {
        QTest::addColumn<int>("modell");
        QTest::addColumn<double>("intern");
        QTest::addColumn<QString>("aussen");
        QTest::newRow("internal 0 gives 0.05") << 2 << 0.0 << "0,05";
        QTest::newRow("internal 0.1 gives 0.32") << 2 << 0.1 << "0,32";
        QTest::newRow("internal 0.2 gives 0.49") << 2 << 0.2 << "0,49";
        QTest::newRow("internal 0.207 gives 0.5") << 2 << 0.207 << "0,5";
        QTest::newRow("internal 0.3 gives 0.61") << 2 << 0.3 << "0,61";
        QTest::newRow("internal 0.5 gives 0.775") << 2 << 0.5 << "0,775";
        QTest::newRow("internal 0.7 gives 0.89") << 2 << 0.7 << "0,89";
        QTest::newRow("internal 1.0 gives 1.019") << 2 << 1.0 << "1,019";
        QTest::newRow("internal 2.0 gives 1.32") << 2 << 2.0 << "1,32";
        QTest::newRow("another model rounds the internal share to three places") << 1 << 0.12345 << "0,123";
    }

    void extAusInt()
    {
        QFETCH(int, modell);
        QFETCH(double, intern);
        QFETCH(QString, aussen);
        QCOMPARE(alsText(ExtAusInt(modell, intern)), aussen);
    }

    void intAusExt_data()
    {
        QTest::addColumn<double>("aussen");
        QTest::addColumn<int>("schritte");
        QTest::addColumn<QString>("erreicht");
        QTest::newRow("0 gives 0") << 0.0 << 0 << "0,05";
        QTest::newRow("0.05 gives 0") << 0.05 << 0 << "0,05";
        QTest::newRow("0.5 gives 0.207") << 0.5 << 69 << "0,5";
        QTest::newRow("0.775 gives 0.501, whose share is 0.776") << 0.775 << 167 << "0,776";
        QTest::newRow("0.9 gives 0.72") << 0.9 << 240 << "0,9";
        QTest::newRow("1.0 gives 0.951") << 1.0 << 317 << "1";
    }

    // The result is the grid point reached by repeated addition of 0.003, binary
    // error included (0.72 is stored as 0,720000000000001).
    void intAusExt()
    {
        QFETCH(double, aussen);
        QFETCH(int, schritte);
        QFETCH(QString, erreicht);
        double gitter = 0;
        for (int i = 0; i < schritte; ++i)
            gitter += 0.003;
        const double x = IntAusExt(aussen);
        QVERIFY2(x == gitter, qPrintable(QString::number(x, 'g', 17)));
        QVERIFY(std::fabs(x - schritte * 0.003) < 1e-12);
        QCOMPARE(alsText(ExtAusInt(2, x)), erreicht);
    }

    void zuflussfaktor_data()
    {
        QTest::addColumn<double>("ein");
        QTest::addColumn<double>("aus");
        QTest::addColumn<Money>("faktor");
        QTest::newRow("1000 in and 1500 out give 0.1667") << 1000.0 << 1500.0 << Money(1667);
        QTest::newRow("1800 in and 1200 out give 1") << 1800.0 << 1200.0 << Money(10000);
        QTest::newRow("no flow gives 0") << 0.0 << 0.0 << Money(0);
        QTest::newRow("no payouts give 0.5") << 100.0 << 0.0 << Money(5000);
        QTest::newRow("payments of half the payouts give 0") << 500.0 << 1000.0 << Money(0);
    }

    void zuflussfaktor()
    {
        QFETCH(double, ein);
        QFETCH(double, aus);
        QFETCH(Money, faktor);
        QCOMPARE(Zuflussfaktor(m(ein), m(aus)), faktor);
    }

    void deckungsgrad_data()
    {
        QTest::addColumn<int>("buchungen");
        QTest::addColumn<double>("summe");
        QTest::addColumn<double>("grund");
        QTest::addColumn<Money>("grad");
        QTest::newRow("5000 over 10 bookings against 3000 give 0.1667") << 10 << 5000.0 << 3000.0 << Money(1667);
        QTest::newRow("90000 over 20 bookings against 3000 give 1") << 20 << 90000.0 << 3000.0 << Money(10000);
        QTest::newRow("a negative fund gives 0") << 10 << -500.0 << 3000.0 << Money(0);
        QTest::newRow("without bookings the whole fund counts") << 0 << 1500.0 << 3000.0 << Money(5000);
        QTest::newRow("without basic security the amount itself is clamped") << 0 << 0.5 << 0.0 << Money(5000);
    }

    void deckungsgrad()
    {
        QFETCH(int, buchungen);
        QFETCH(double, summe);
        QFETCH(double, grund);
        QFETCH(Money, grad);
        QCOMPARE(Deckungsgrad(buchungen, m(summe), m(grund)), grad);
    }

    void neuerIntSozialanteil_data()
    {
        QTest::addColumn<int>("buchungen");
        QTest::addColumn<double>("ein");
        QTest::addColumn<double>("aus");
        QTest::addColumn<double>("summe");
        QTest::addColumn<double>("intAlt");
        QTest::addColumn<QString>("ergebnis");
        QTest::newRow("strong inflow and low cover give 0.673635") << 10 << 1800.0 << 1200.0 << 5000.0 << 0.5 << "0,673635";
        QTest::newRow("full cover replaces a weak inflow and gives 0.74") << 20 << 1000.0 << 1500.0 << 90000.0 << 0.6 << "0,74";
    }

    void neuerIntSozialanteil()
    {
        QFETCH(int, buchungen);
        QFETCH(double, ein);
        QFETCH(double, aus);
        QFETCH(double, summe);
        QFETCH(double, intAlt);
        QFETCH(QString, ergebnis);
        QCOMPARE(alsText(NeuerIntSozialanteil(buchungen, m(ein), m(aus), m(summe), m(3000), intAlt, 0.65)), ergebnis);
    }

    void zwischenwerte()
    {
        // The steps of the first example, each on its own.
        QCOMPARE(alsText(Kubik(1667)), QStringLiteral("0,004632407963"));
        QCOMPARE(MischeBetrag(10000, 1667, Kubik(1667)), Money(9961));
        QCOMPARE(Kubik(-5000), 0.0);
    }

    void deckungsquote_data()
    {
        QTest::addColumn<double>("vormonat");
        QTest::addColumn<double>("rechnungen");
        QTest::addColumn<QString>("quote");
        QTest::newRow("400 carry 0.4 of 1000") << 400.0 << 1000.0 << "0,4";
        QTest::newRow("without invoices the given share stays") << 400.0 << 0.0 << "0,775";
        QTest::newRow("a balance above the invoices gives more than 1") << 1500.0 << 1000.0 << "1,5";
    }

    void deckungsquote()
    {
        QFETCH(double, vormonat);
        QFETCH(double, rechnungen);
        QFETCH(QString, quote);
        QCOMPARE(alsText(Deckungsquote(m(vormonat), m(rechnungen), 0.775)), quote);
    }

    void kaeuferBetrag_data()
    {
        QTest::addColumn<int>("kaeufer");
        QTest::addColumn<double>("anteil");
        QTest::addColumn<double>("betrag");
        QTest::newRow("share 0 books 20 per cent") << 2 << 0.0 << 20.0;
        QTest::newRow("share 0.5 books 25 per cent") << 2 << 0.5 << 25.0;
        QTest::newRow("share 0.775 books 37.22 per cent") << 2 << 0.775 << 37.22;
        QTest::newRow("share 0.9 books 65 per cent") << 2 << 0.9 << 65.0;
        QTest::newRow("another model books the plain amount") << 0 << 0.9 << 100.0;
    }

    void kaeuferBetrag()
    {
        QFETCH(int, kaeufer);
        QFETCH(double, anteil);
        QFETCH(double, betrag);
        QCOMPARE(KaeuferBetrag(kaeufer, m(100), anteil), m(betrag));
    }

    void kaeuferBetragRundetDasProdukt()
    {
        // 33.33 × 0.3722 = 12.405426, rounded on the grid.
        QCOMPARE(KaeuferBetrag(2, m(33.33), 0.775), Money(124054));
    }

    void divisionDurchNullWirftStattUnendlich_data()
    {
        QTest::addColumn<int>("fall");
        QTest::newRow("ExtAusInt at an internal share of -0.3") << 0;
        QTest::newRow("KaeuferBetrag at a share of exactly 1") << 1;
        QTest::newRow("GekuerzterSatz when paid and owed cancel out") << 2;
        QTest::newRow("IntAusExt of infinity") << 3;
        QTest::newRow("IntAusExt of NaN") << 4;
        QTest::newRow("ExtAusInt of NaN") << 5;
    }

    void divisionDurchNullWirftStattUnendlich()
    {
        QFETCH(int, fall);
        try {
            switch (fall) {
            case 0: ExtAusInt(2, -0.3); break;
            case 1: KaeuferBetrag(2, m(100), 1.0); break;
            case 2: GekuerzterSatz(m(-200), m(200), 7750); break;
            case 3: IntAusExt(HUGE_VAL); break;
            case 4: IntAusExt(std::nan("")); break;
            case 5: ExtAusInt(2, std::nan("")); break;
            }
            QFAIL("no exception");
        } catch (const VennlokFehler &e) {
            QVERIFY(e.text().startsWith(QStringLiteral("Rechenfehler")));
        }
    }

    void gewichtung()
    {
        // MischeBetrag weighs its second argument, Mische its first.
        QCOMPARE(MischeBetrag(10000, 0, 0.25), Money(7500));
        QCOMPARE(Mische(1.0, 0.0, 0.25), 0.25);
    }

    // Properties over seeded random inputs.

    void eigenUndSozialErgebenDenBetrag()
    {
        std::mt19937_64 zufall(20261206);
        std::uniform_int_distribution<Money> cent(1, 100000000); // up to 1,000,000.00
        std::uniform_int_distribution<Money> satz(0, 10000);
        for (int i = 0; i < Faelle; ++i) {
            const Money betrag = cent(zufall) * 100;
            const Money s = satz(zufall);
            const Money sozial = SozialanteilBetrag(betrag, s);
            const Money eigen = EigenanteilBetrag(betrag, s);
            if (sozial + eigen != betrag || sozial % 100 != 0)
                QFAIL(qPrintable(QStringLiteral("%1 at %2: %3 + %4").arg(betrag).arg(s).arg(sozial).arg(eigen)));
        }
    }

    void intAusExtKehrtDieKurveUm()
    {
        std::mt19937_64 zufall(7);
        std::uniform_real_distribution<double> anteil(-0.2, 1.4);
        std::vector<double> werte(Faelle);
        for (double &w : werte)
            w = anteil(zufall);
        std::sort(werte.begin(), werte.end());
        double vorher = 0;
        for (double e : werte) {
            const double x = IntAusExt(e);
            if (ExtAusInt(2, x) < e)
                QFAIL(qPrintable(QStringLiteral("ExtAusInt(IntAusExt(%1)) < %1").arg(e, 0, 'g', 17)));
            if (x > 0 && ExtAusInt(2, x - 0.003) >= e + 1e-9)
                QFAIL(qPrintable(QStringLiteral("IntAusExt(%1) is not the first grid point").arg(e, 0, 'g', 17)));
            if (x < vorher)
                QFAIL(qPrintable(QStringLiteral("IntAusExt falls at %1").arg(e, 0, 'g', 17)));
            vorher = x;
        }
    }

    void dreisatzVerteiltDieSumme()
    {
        std::mt19937_64 zufall(42);
        std::uniform_int_distribution<int> anzahl(1, 40);
        std::uniform_int_distribution<Money> anteil(-3000000, 50000000);  // -300 .. 5000 units
        std::uniform_int_distribution<Money> kasse(0, 2000000000);        // up to 200,000 units
        for (int i = 0; i < Faelle; ++i) {
            std::vector<Money> anteile(size_t(anzahl(zufall)));
            Money summe = 0;
            for (Money &a : anteile) {
                a = anteil(zufall);
                summe += a;
            }
            if (summe <= 0)
                continue;
            const Money ziel = kasse(zufall);
            Money verteilt = 0;
            for (Money a : anteile)
                verteilt += Dreisatz(a, ziel, summe);
            if (std::llabs(verteilt - ziel) > Money(anteile.size()))
                QFAIL(qPrintable(QStringLiteral("%1 shares of %2 sum to %3").arg(anteile.size()).arg(ziel).arg(verteilt)));
        }
    }

    void mischenGewichtetRichtigHerum()
    {
        std::mt19937_64 zufall(3);
        std::uniform_int_distribution<Money> wert(-100000, 100000);
        std::uniform_real_distribution<double> gewicht(0.0, 1.0);
        for (int i = 0; i < Faelle; ++i) {
            const Money a = wert(zufall), b = wert(zufall);
            const double w = gewicht(zufall);
            const Money betrag = MischeBetrag(a, b, w);
            // The two weightings are mirror images of each other.
            const double gespiegelt = Mische(double(b), double(a), w);
            if (std::fabs(double(betrag) - gespiegelt) > 0.5 + 1e-6)
                QFAIL(qPrintable(QStringLiteral("MischeBetrag(%1, %2, %3) = %4").arg(a).arg(b).arg(w).arg(betrag)));
            if (betrag < std::min(a, b) || betrag > std::max(a, b))
                QFAIL("MischeBetrag lies outside its arguments");
        }
        QCOMPARE(MischeBetrag(1234, 5678, 0.0), Money(1234));
        QCOMPARE(MischeBetrag(1234, 5678, 1.0), Money(5678));
        QCOMPARE(Mische(0.3, 0.9, 1.0), 0.3);
        QCOMPARE(Mische(0.3, 0.9, 0.0), 0.9);
    }
};

QTEST_GUILESS_MAIN(TstFormeln)
#include "tst_formeln.moc"
