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
};

QTEST_GUILESS_MAIN(TstTeilhaber)
#include "tst_teilhaber.moc"
