#include "algo/fehler.h"
#include "data/teilhaber.h"

#include "tests/testhilfe.h"

#include <QtTest>
#include <random>

using namespace Testhilfe;

namespace {

const MonthKey Dez = QStringLiteral("200512");
const MonthKey Jan = QStringLiteral("200601");


} // namespace

class TstTeilhaber : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_pfad;

private slots:
    void init()
    {
        m_pfad = m_dir.filePath(TeilhaberDateiname(QStringLiteral("Meier")));
        QFile::remove(m_pfad);
    }

    void anlegenSchreibtNurDieKopfdaten()
    {
        {
            TTeilhaber t(m_pfad);
            QVERIFY(t.Anlegen(QStringLiteral("Meier")));
        }
        QCOMPARE(dateiInhalt(m_pfad), crlf("[Kopfdaten]\nTeilhaber=Meier\nSummeEinz=0\nSummeEigen=0\nSummeAusz=0\n"
                                          "AnzahlEinz=0\nAnzahlAusz=0\n\n"));
    }

    void einzahlungenNummerierenDieLuecke()
    {
        TTeilhaber t(m_pfad);
        QVERIFY(t.Anlegen(QStringLiteral("Meier")));
        QVERIFY(t.EinzahlungBuchen(Dez, e(30), 0));
        QVERIFY(t.EinzahlungBuchen(Dez, e(20), 0));
        QCOMPARE(t.ReadSection(QStringLiteral("Einzahlungen")), QStringList({"200512_1", "200512_2"}));
        QCOMPARE(t.SummeEinz(), e(50));
        QCOMPARE(t.AnzahlEinz(), 2);
        QCOMPARE(t.Einzahlungen(Dez), e(50));
        t.DeleteKey(QStringLiteral("Einzahlungen"), QStringLiteral("200512_1"));
        QVERIFY(t.EinzahlungBuchen(Dez, e(5), 0));
        QCOMPARE(t.ReadSection(QStringLiteral("Einzahlungen")), QStringList({"200512_2", "200512_1"}));
        // Another month counts on its own.
        QVERIFY(t.EinzahlungBuchen(Jan, e(7), 0));
        QCOMPARE(t.Einzahlungen(Jan), e(7));
        QCOMPARE(t.Einzahlungen(Dez), e(25));
    }

    // Sums and deletions see the tenth and later entries of a month too.
    void mehrAlsNeunEintraege()
    {
        TTeilhaber t(m_pfad);
        QVERIFY(t.Anlegen(QStringLiteral("Meier")));
        for (int i = 1; i <= 12; ++i) {
            QVERIFY(t.RechnungBuchen(Dez, e(i), 0, 7750, e(-300)));
            QVERIFY(t.EinzahlungBuchen(Dez, e(1), 0));
        }
        QVERIFY(t.RechnungBuchen(Jan, e(1000), 0, 7750, e(-300)));
        QVERIFY(t.ValueExists(QStringLiteral("Rechnungen"), QStringLiteral("200512_12")));
        QCOMPARE(t.Rechnungen(Dez), e(78));
        QCOMPARE(t.Einzahlungen(Dez), e(12));
        QVERIFY(t.RechnungenLoeschen(Dez));
        QCOMPARE(t.Rechnungen(Dez), Money(0));
        QCOMPARE(t.ReadSection(QStringLiteral("Rechnungen")), QStringList({"200601_1"}));
        QVERIFY(t.EinzahlungenLoeschen(Dez));
        QCOMPARE(t.AnzahlEinz(), 0);
        QCOMPARE(t.SummeEinz(), Money(0));
    }

    void auszahlungMitRueckstand_data()
    {
        QTest::addColumn<QByteArray>("kopf");
        QTest::addColumn<Money>("eigen");
        QTest::newRow("without arrears the full share applies") << QByteArray("SummeEinz=300\n") << e(50);
        QTest::newRow("no positive arrears leave the share") << QByteArray("SummeEinz=300\nSummeOffen=-20\n") << e(50);
        QTest::newRow("300 paid and 100 owed give three quarters of the share")
            << QByteArray("SummeEinz=300\nSummeOffen=100\n") << e(62.5);
    }

    void auszahlungMitRueckstand()
    {
        QFETCH(QByteArray, kopf);
        QFETCH(Money, eigen);
        schreiben(m_pfad, "[Kopfdaten]\nTeilhaber=Meier\n" + kopf + "SummeEigen=0\nSummeAusz=0\nAnzahlAusz=0\n");
        TTeilhaber t(m_pfad);
        QVERIFY(t.AuszahlungBuchen(Dez, e(100), 0, 5000, e(-300)));
        QCOMPARE(t.Eigenanteile(Dez), eigen);
        QCOMPARE(t.Auszahlungen(Dez), e(100));
        QCOMPARE(t.SummeEigen(), eigen);
        QCOMPARE(t.AnzahlAusz(), 1);
    }

    void auszahlungNullZaehltTrotzdem()
    {
        TTeilhaber t(m_pfad);
        QVERIFY(t.Anlegen(QStringLiteral("Meier")));
        QVERIFY(t.AuszahlungBuchen(Dez, 0, 0, 7750, e(-300)));
        QCOMPARE(t.AnzahlAusz(), 1);
        QCOMPARE(t.ReadMoney(QStringLiteral("Eigenanteile"), QStringLiteral("200512_1"), -1), Money(0));
        QVERIFY(t.AuszahlungenLoeschen(Dez));
        QCOMPARE(t.AnzahlAusz(), 1);
    }

    void kapitalanteil_data()
    {
        QTest::addColumn<QByteArray>("kapital");
        QTest::addColumn<Money>("ergebnis");
        QTest::newRow("previous share plus the month's flows") << QByteArray("[Kapitalanteil]\n200511=100\n") << e(100 + 50 + 10 - 40);
        QTest::newRow("a missing previous share counts as 0") << QByteArray() << e(50 + 10 - 40);
        QTest::newRow("the limit holds") << QByteArray("[Kapitalanteil]\n200511=-400\n") << e(-300);
    }

    void kapitalanteil()
    {
        QFETCH(QByteArray, kapital);
        QFETCH(Money, ergebnis);
        schreiben(m_pfad, "[Einzahlungen]\n200512_1=50\n200511_1=999\n[Eigenanteile]\n200512_1=10\n"
                          "[Auszahlungen]\n200512_1=40\n" + kapital);
        TTeilhaber t(m_pfad);
        QCOMPARE(t.Kapitalanteil(Dez, e(-300)), ergebnis);
    }

    void adresseMitVerlauf()
    {
        TTeilhaber t(m_pfad);
        QVERIFY(t.Anlegen(QStringLiteral("Meier")));
        QVERIFY(t.AdresseSetzen(QStringLiteral("Ort"), QStringLiteral("Berlin"), QStringLiteral("20261205")));
        QVERIFY(!t.SectionExists(QStringLiteral("Adresse_alt20261205")));
        QVERIFY(t.AdresseSetzen(QStringLiteral("Ort"), QStringLiteral("Berlin"), QStringLiteral("20261205")));
        QVERIFY(!t.SectionExists(QStringLiteral("Adresse_alt20261205")));
        QVERIFY(t.AdresseSetzen(QStringLiteral("Ort"), QStringLiteral("Bonn"), QStringLiteral("20261205")));
        QVERIFY(t.AdresseSetzen(QStringLiteral("Ort"), QStringLiteral("Köln"), QStringLiteral("20261205")));
        QCOMPARE(t.ReadString(QStringLiteral("Adresse_alt20261205"), QStringLiteral("Ort"), QString()), QStringLiteral("Bonn"));
        QCOMPARE(t.Adresse(QStringLiteral("Ort")), QStringLiteral("Köln"));
        QVERIFY(t.AdresseSetzen(QStringLiteral("Tel"), QStringLiteral("123"), QStringLiteral("20261206")));
        QCOMPARE(t.Adressen(), QStringList({"Ort", "Tel"}));
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, t.AdresseSetzen(QStringLiteral("a=b"), QStringLiteral("x"), QStringLiteral("20261206")));
    }

    void offenBuchen()
    {
        TTeilhaber t(m_pfad);
        QVERIFY(t.Anlegen(QStringLiteral("Meier")));
        QVERIFY(t.EinzahlungBuchen(Dez, e(50), 0));
        QVERIFY(t.OffenBuchen(Dez, e(50)));
        QVERIFY(!t.ValueExists(QStringLiteral("Kopfdaten"), QStringLiteral("SummeOffen")));
        QVERIFY(t.EinzahlungBuchen(Jan, e(30), 0));
        QVERIFY(t.OffenBuchen(Jan, e(50)));
        QVERIFY(t.OffenBuchen(QStringLiteral("200602"), e(50)));
        QCOMPARE(t.SummeOffen(), e(70));
    }

    void austritt()
    {
        TTeilhaber t(m_pfad);
        QVERIFY(t.Anlegen(QStringLiteral("Meier")));
        QCOMPARE(t.AusgetretenImMonat(), QString());
        QCOMPARE(t.Auszahlung(), Money(0));
        QVERIFY(t.AustrittBuchen(Dez, e(123.45)));
        QCOMPARE(t.AusgetretenImMonat(), Dez);
        QCOMPARE(t.Auszahlung(), e(123.45));
        QCOMPARE(TTeilhaber(m_pfad).ReadString(QStringLiteral("Kopfdaten"), QStringLiteral("Auszahlung"), QString()),
                 QStringLiteral("123,45"));
    }

    // Booking a month's shortfall again replaces the earlier one.
    void offenBuchenZweimal()
    {
        TTeilhaber t(m_pfad);
        QVERIFY(t.Anlegen(QStringLiteral("Meier")));
        QVERIFY(t.EinzahlungBuchen(Dez, e(30), 0));
        QVERIFY(t.OffenBuchen(Dez, e(50)));
        QVERIFY(t.OffenBuchen(Dez, e(50)));
        QCOMPARE(t.SummeOffen(), e(20));
        QVERIFY(t.EinzahlungBuchen(Dez, e(15), 0));
        QVERIFY(t.OffenBuchen(Dez, e(50)));
        QCOMPARE(t.SummeOffen(), e(5));
        QVERIFY(t.EinzahlungBuchen(Dez, e(5), 0));
        QVERIFY(t.OffenBuchen(Dez, e(50)));
        QCOMPARE(t.SummeOffen(), Money(0));
        QVERIFY(!t.ValueExists(QStringLiteral("Offen"), Dez));
    }

    // The totals always equal the sums of the entries, through random bookings and deletions.
    void zufallsfolgeHaeltDieSummen()
    {
        TTeilhaber t(m_pfad);
        QVERIFY(t.Anlegen(QStringLiteral("Meier")));
        std::mt19937 zufall(1234);
        std::uniform_int_distribution<int> art(0, 39), monat(1, 4), cent(0, 50000);
        bool mehrAlsNeun = false;
        auto pruefen = [&](int schritt) {
            Money einz = 0, ausz = 0, eigen = 0;
            for (int mo = 1; mo <= 4; ++mo) {
                const MonthKey m = QStringLiteral("20060%1").arg(mo);
                einz += t.Einzahlungen(m);
                ausz += t.Auszahlungen(m);
                eigen += t.Eigenanteile(m);
            }
            const QStringList einzahlungen = t.ReadSection(QStringLiteral("Einzahlungen"));
            for (const QString &key : einzahlungen)
                mehrAlsNeun = mehrAlsNeun || key.section(QLatin1Char('_'), 1).toInt() > 9;
            if (t.SummeEinz() != einz || t.SummeAusz() != ausz || t.SummeEigen() != eigen
                || t.AnzahlEinz() != einzahlungen.size())
                QFAIL(qPrintable(QStringLiteral("totals differ from the entries after step %1").arg(schritt)));
        };
        for (int i = 0; i < 1500; ++i) {
            const MonthKey m = QStringLiteral("20060%1").arg(monat(zufall));
            const Money betrag = Money(cent(zufall)) * 100;
            const int a = art(zufall);
            if (a < 20)
                QVERIFY(t.EinzahlungBuchen(m, betrag, 0));
            else if (a < 37)
                QVERIFY(t.AuszahlungBuchen(m, betrag, 0, 7750, 0));
            else if (a < 38)
                QVERIFY(t.EinzahlungenLoeschen(m));
            else
                QVERIFY(t.AuszahlungenLoeschen(m));
            if (i % 25 == 0)
                pruefen(i);
        }
        pruefen(1500);
        QVERIFY(mehrAlsNeun);
        // And so it stays after a reread.
        TTeilhaber gelesen(m_pfad);
        QCOMPARE(gelesen.SummeEinz(), t.SummeEinz());
        QCOMPARE(gelesen.Zeilen(), t.Zeilen());
    }

    void lesenSchreibtNicht()
    {
        const QByteArray vonHand("; Notiz\n[Kopfdaten]\nTeilhaber = Meier\n");
        schreiben(m_pfad, vonHand);
        {
            TTeilhaber t(m_pfad);
            QCOMPARE(t.Name(), QStringLiteral("Meier"));
            QCOMPARE(t.Einzahlungen(Dez), Money(0));
            QCOMPARE(t.Kapitalanteil(Dez, e(-300)), Money(0));
        }
        QCOMPARE(dateiInhalt(m_pfad), vonHand);
    }
};

QTEST_GUILESS_MAIN(TstTeilhaber)
#include "tst_teilhaber.moc"
