#include "algo/fehler.h"
#include "algo/formeln.h"
#include "algo/runden.h"
#include "data/textformat.h"

#include "tests/testhilfe.h"

#include <QtTest>
#include <limits>
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

using Testhilfe::tabelle;

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

    // Every formula, one row per rule or edge, compared in the text form its
    // result gets in a file. Money: exact decimal ties go to the even
    // neighbour, and no binary error pushes a value across.
    void formeln_data()
    {
        QTest::addColumn<QString>("ist");
        QTest::addColumn<QString>("soll");
        const auto zeile = [](const char *name, Money ist, Money soll) {
            QTest::newRow(name) << Textformat::moneyZuText(ist) << Textformat::moneyZuText(soll);
        };
        zeile("social share of 100 at 0.775 is 77.5", SozialanteilBetrag(m(100), 7750), m(77.5));
        zeile("own share of 100 at 0.775 is 22.5", EigenanteilBetrag(m(100), 7750), m(22.5));
        zeile("social share of 33.33 at 0.775 is 25.83", SozialanteilBetrag(m(33.33), 7750), m(25.83));
        zeile("own share of 33.33 at 0.775 is 7.5", EigenanteilBetrag(m(33.33), 7750), m(7.5));
        zeile("nothing is split of 0", SozialanteilBetrag(0, 7750) + EigenanteilBetrag(0, 7750), 0);
        zeile("nothing is split of a negative amount", SozialanteilBetrag(m(-5), 7750) + EigenanteilBetrag(m(-5), 7750), 0);
        zeile("R2 takes 1.25 at 0.1 to the even 0.12", SozialanteilBetrag(m(1.25), 1000), m(0.12));
        zeile("R2 takes 1.35 at 0.1 to the even 0.14", SozialanteilBetrag(m(1.35), 1000), m(0.14));
        zeile("an own share under a cent is cut to 0.01 by R2", EigenanteilBetrag(m(0.0149), 0), m(0.01));
        zeile("an own share of 0.0049 vanishes by R2", EigenanteilBetrag(m(0.0149), 9000), 0);
        zeile("no arrears keep the rate", GekuerzterSatz(m(1000), 0, 7750), 7750);
        zeile("600 paid of 800 owed cut 0.8 to 0.6", GekuerzterSatz(m(600), m(200), 8000), 6000);
        zeile("a negative balance owed keeps the rate", GekuerzterSatz(m(600), m(-50), 8000), 8000);
        zeile("nothing paid cuts the rate to 0", GekuerzterSatz(0, m(50), 7750), 0);
        zeile("a third paid rounds on the grid", GekuerzterSatz(m(50), m(100), 7750), 2583);
        zeile("cut rate 0.58725 is a tie that goes down to 0.5872", GekuerzterSatz(m(225), m(75), 7830), 5872);
        zeile("cut rate 0.63675 is a tie that goes up to 0.6368", GekuerzterSatz(m(540), m(180), 8490), 6368);
        zeile("capital share 100 + 180 + 20 - 500 is -200", KapitalanteilNeu(m(100), m(180), m(20), m(500), m(-300)), m(-200));
        zeile("capital share never falls below the limit", KapitalanteilNeu(m(100), m(180), m(20), m(700), m(-300)), m(-300));
        zeile("rule of three 50 of 200 scaled to 1000 is 250", Dreisatz(m(50), m(1000), m(200)), m(250));
        zeile("rule of three over 0 is 0", Dreisatz(m(50), m(1000), 0), 0);
        zeile("rule of three over a negative sum is 0", Dreisatz(m(50), m(1000), m(-1)), 0);
        zeile("rule of three rounds on the grid", Dreisatz(m(1), m(100), m(3)), m(33.3333));
        zeile("rule of three on a half goes to even, down", Dreisatz(1, m(1), m(2)), 0);
        zeile("rule of three on a half goes to even, up", Dreisatz(3, m(1), m(2)), 2);
        zeile("rule of three beyond 64-bit intermediate products is exact", Dreisatz(m(900000), m(900000), m(300000)), m(2700000));
        zeile("1000 in and 1500 out give an inflow factor of 0.1667", Zuflussfaktor(m(1000), m(1500)), 1667);
        zeile("1800 in and 1200 out give an inflow factor of 1", Zuflussfaktor(m(1800), m(1200)), 10000);
        zeile("no flow gives an inflow factor of 0", Zuflussfaktor(0, 0), 0);
        zeile("no payouts give an inflow factor of 0.5", Zuflussfaktor(m(100), 0), 5000);
        zeile("payments of half the payouts give an inflow factor of 0", Zuflussfaktor(m(500), m(1000)), 0);
        zeile("5000 over 10 bookings against 3000 give a cover of 0.1667", Deckungsgrad(10, m(5000), m(3000)), 1667);
        zeile("90000 over 20 bookings against 3000 give a cover of 1", Deckungsgrad(20, m(90000), m(3000)), 10000);
        zeile("a negative fund gives a cover of 0", Deckungsgrad(10, m(-500), m(3000)), 0);
        zeile("without bookings the whole fund counts", Deckungsgrad(0, m(1500), m(3000)), 5000);
        zeile("without basic security the amount itself is clamped", Deckungsgrad(0, m(0.5), 0), 5000);
        zeile("the balance per booking on a half goes to even", Deckungsgrad(2, 5, 0), 2);
        zeile("MischeBetrag weighs its second argument", MischeBetrag(10000, 0, 0.25), 7500);
        zeile("MischeBetrag of the first example's cover", MischeBetrag(10000, 1667, Kubik(1667)), 9961);
        zeile("MischeBetrag on an exact half goes to even, down", MischeBetrag(0, 1, 0.5), 0);
        zeile("MischeBetrag on an exact half goes to even, up", MischeBetrag(0, 3, 0.5), 2);
        zeile("MischeBetrag with weight 0 is the first argument", MischeBetrag(1234, 5678, 0.0), 1234);
        zeile("MischeBetrag with weight 1 is the second argument", MischeBetrag(1234, 5678, 1.0), 5678);
        zeile("buyer model 2 at share 0 books 20 per cent", KaeuferBetrag(2, m(100), 0.0), m(20));
        zeile("buyer model 2 at share 0.5 books 25 per cent", KaeuferBetrag(2, m(100), 0.5), m(25));
        zeile("buyer model 2 at share 0.775 books 37.22 per cent", KaeuferBetrag(2, m(100), 0.775), m(37.22));
        zeile("buyer model 2 at share 0.9 books 65 per cent", KaeuferBetrag(2, m(100), 0.9), m(65));
        zeile("buyer model 2 rounds the product on the grid", KaeuferBetrag(2, m(33.33), 0.775), Money(124054));
        zeile("buyer model 2 takes the tie 187.58985 down to 187.5898", KaeuferBetrag(2, m(564.18), 0.726), m(187.5898));
        zeile("buyer model 2 takes the tie 344.59635 up to 344.5964", KaeuferBetrag(2, m(1036.38), 0.726), m(344.5964));
        zeile("buyer model 0 books the plain amount", KaeuferBetrag(0, m(100), 0.9), m(100));
        zeile("buyer model 1 books the plain amount", KaeuferBetrag(1, m(564.18), 0.726), m(564.18));
        zeile("buyer model 3 books the plain amount", KaeuferBetrag(3, m(100), 0.5), m(100));
        // The double-valued formulas.
        const auto anteil = [](const char *name, double ist, const char *soll) { QTest::newRow(name) << alsText(ist) << soll; };
        anteil("internal 0 gives 0.05", ExtAusInt(2, 0.0), "0,05");
        anteil("internal 0.1 gives 0.32", ExtAusInt(2, 0.1), "0,32");
        anteil("internal 0.2 gives 0.49", ExtAusInt(2, 0.2), "0,49");
        anteil("internal 0.207 gives 0.5", ExtAusInt(2, 0.207), "0,5");
        anteil("internal 0.3 gives 0.61", ExtAusInt(2, 0.3), "0,61");
        anteil("internal 0.5 gives 0.775", ExtAusInt(2, 0.5), "0,775");
        anteil("internal 0.7 gives 0.89", ExtAusInt(2, 0.7), "0,89");
        anteil("internal 1.0 gives 1.019", ExtAusInt(2, 1.0), "1,019");
        anteil("internal 2.0 gives 1.32", ExtAusInt(2, 2.0), "1,32");
        anteil("another model rounds the internal share to three places", ExtAusInt(1, 0.12345), "0,123");
        anteil("R3 takes 0.0125 to the even 0.012", ExtAusInt(1, 0.0125), "0,012");
        anteil("R3 takes 0.0135 to the even 0.014", ExtAusInt(1, 0.0135), "0,014");
        anteil("strong inflow and low cover give 0.673635",
              NeuerIntSozialanteil(10, m(1800), m(1200), m(5000), m(3000), 0.5, 0.65), "0,673635");
        anteil("full cover replaces a weak inflow and gives 0.74",
              NeuerIntSozialanteil(20, m(1000), m(1500), m(90000), m(3000), 0.6, 0.65), "0,74");
        anteil("the cube of 0.1667", Kubik(1667), "0,004632407963");
        anteil("the cube of a negative share is 0", Kubik(-5000), "0");
        anteil("Mische weighs its first argument", Mische(1.0, 0.0, 0.25), "0,25");
        anteil("400 carry 0.4 of 1000", Deckungsquote(m(400), m(1000), 0.775), "0,4");
        anteil("without invoices the given share stays", Deckungsquote(m(400), 0, 0.775), "0,775");
        anteil("a balance above the invoices gives more than 1", Deckungsquote(m(1500), m(1000), 0.775), "1,5");
    }

    void formeln()
    {
        QFETCH(QString, ist);
        QFETCH(QString, soll);
        QCOMPARE(ist, soll);
    }

    void intAusExt_data()
    {
        tabelle("int_aus_ext", {"aussen", "schritte", "erreicht"});
    }

    // The result is the grid point reached by repeated addition of 0.003, binary
    // error included (0.72 is stored as 0,720000000000001).
    void intAusExt()
    {
        QFETCH(QString, aussen);
        QFETCH(QString, schritte);
        QFETCH(QString, erreicht);
        double gitter = 0;
        for (int i = 0; i < schritte.toInt(); ++i)
            gitter += 0.003;
        const double x = IntAusExt(aussen.toDouble());
        QVERIFY2(x == gitter, qPrintable(QString::number(x, 'g', 17)));
        QVERIFY(std::fabs(x - schritte.toInt() * 0.003) < 1e-12);
        QCOMPARE(alsText(ExtAusInt(2, x)), erreicht);
    }

    // Each of these throws rather than giving infinity, an overflowed value or one the files cannot hold.
    void divisionDurchNullWirftStattUnendlich_data()
    {
        QTest::addColumn<int>("fall");
        QTest::newRow("ExtAusInt at an internal share of -0.3") << 0;
        QTest::newRow("KaeuferBetrag at a share of exactly 1") << 1;
        QTest::newRow("GekuerzterSatz when paid and owed cancel out") << 2;
        QTest::newRow("IntAusExt of infinity") << 3;
        QTest::newRow("IntAusExt of NaN") << 4;
        QTest::newRow("ExtAusInt of NaN") << 5;
        QTest::newRow("two payments of 922337203685477 units") << 6;
        QTest::newRow("a sum one unit beyond the 15 digits of the files") << 7;
        QTest::newRow("a fee of 100,000,000 times 1,000 bookings") << 8;
        QTest::newRow("the largest 64-bit amount times 2") << 9;
        QTest::newRow("a counter at 2^31 - 1 counted once more") << 10;
        QTest::newRow("a capital share whose sum leaves the range") << 11;
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
            case 6: GeldPlus(922337203685477 * MoneyProEinheit, 922337203685477 * MoneyProEinheit); break;
            case 7: GeldPlus(GeldGrenze, 1); break;
            case 8: GeldMal(BetragGrenze, 1000); break;
            case 9: GeldMal(std::numeric_limits<Money>::max(), 2); break;
            case 10: ZaehlerPlus(2147483647, 1); break;
            case 11: KapitalanteilNeu(GeldGrenze, 1, 0, 0, 0); break;
            }
            QFAIL("no exception");
        } catch (const VennlokFehler &e) {
            QVERIFY(fall < 6 ? e.text().startsWith(QStringLiteral("Rechenfehler")) : e.art() == VennlokFehler::Grenze);
        }
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

};

QTEST_GUILESS_MAIN(TstFormeln)
#include "tst_formeln.moc"
