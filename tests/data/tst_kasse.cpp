#include "data/kasse.h"

#include "tests/testhilfe.h"

#include <QtTest>
#include <random>

using namespace Testhilfe;

namespace {

const MonthKey Monat = QStringLiteral("200512");

// The balance the totals promise.
Money erwarteteSumme(const TKasse &kasse)
{
    return kasse.SummeVormonat() + kasse.Einzahlungen() - kasse.Auszahlungen() + kasse.Eigenanteile();
}

} // namespace

class TstKasse : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_pfad;

    void eroeffnen(TKasse &kasse, int anfang = 1000)
    {
        QVERIFY(kasse.Eroeffnen(Monat, e(50), 5000, e(2), e(anfang), zeitpunkt(2005, 12, 1, 8, 0, 5)));
    }

private slots:
    void init()
    {
        m_pfad = m_dir.filePath(TKasse::Dateiname(Monat));
        QFile::remove(m_pfad);
    }

    void eroeffnenSchreibtKopfUndNullsummen()
    {
        {
            TKasse kasse(m_pfad);
            eroeffnen(kasse);
            QVERIFY(!kasse.Abgeschlossen());
        }
        QCOMPARE(QFileInfo(m_pfad).fileName(), QStringLiteral("A_Kassendaten200512.ven"));
        QCOMPARE(dateiInhalt(m_pfad), crlf("[Kopfdaten]\n"
                                          "Kassendatei vom Monat 200512 er\xf6" "ffnet am=01.12.2005 08:00:05\n"
                                          "Beitrag=50\n"
                                          "HonorarEingangsbuchung=0,5\n"
                                          "HonorarAusgangsbuchung=2\n"
                                          "\n"
                                          "[Kasse]\n"
                                          "Summe=1000\n"
                                          "SummeVormonat=1000\n"
                                          "Einzahlungen=0\n"
                                          "Rechnungen=0\n"
                                          "Eigenanteile=0\n"
                                          "Auszahlungen=0\n"
                                          "Eingangsbuchungen200512=0\n"
                                          "Rechnungsbuchungen200512=0\n"
                                          "Ausgangsbuchungen200512=0\n"
                                          "\n"));
    }

    void buchungenMitZaehlernUndEinzelposten()
    {
        TKasse kasse(m_pfad);
        eroeffnen(kasse);
        const DateTime tag1 = zeitpunkt(2005, 12, 5, 10), tag2 = zeitpunkt(2005, 12, 6, 11);
        QVERIFY(kasse.EinzahlungBuchen(Monat, QStringLiteral("Meier"), e(30), tag1));
        QVERIFY(kasse.EinzahlungBuchen(Monat, QStringLiteral("Meier"), e(20), tag1));
        QVERIFY(kasse.EinzahlungBuchen(Monat, QStringLiteral("meier"), e(5), tag2));
        QCOMPARE(kasse.ReadInteger(QStringLiteral("Kasse"), QStringLiteral("Eingangsbuchungen05.12.2005"), 0), 2);
        QCOMPARE(kasse.ReadSection(QStringLiteral("TeilhaberEinzahlungen 05.12.2005")), QStringList({"Meier_1", "Meier_2"}));
        QCOMPARE(kasse.ReadSection(QStringLiteral("TeilhaberEinzahlungen 06.12.2005")), QStringList({"meier_1"}));
        QCOMPARE(kasse.Eingangsbuchungen(Monat), 3);
        QCOMPARE(kasse.Summe(), e(1055));

        QVERIFY(kasse.RechnungBuchen(Monat, QStringLiteral("Meier"), e(200), tag1));
        QCOMPARE(kasse.Summe(), e(1055));
        QCOMPARE(kasse.Rechnungen(), e(200));
        QCOMPARE(kasse.Rechnungsbuchungen(Monat), 1);

        QVERIFY(kasse.AuszahlungBuchen(Monat, QStringLiteral("Meier"), e(100), e(30), tag2));
        QCOMPARE(kasse.Summe(), e(985));
        QCOMPARE(kasse.Auszahlungen(), e(100));
        QCOMPARE(kasse.Eigenanteile(), e(30));
        QCOMPARE(kasse.Ausgangsbuchungen(Monat), 1);
        QCOMPARE(kasse.ReadMoney(QStringLiteral("TeilhaberEigenanteil 06.12.2005"), QStringLiteral("Meier_1"), 0), e(30));
        QCOMPARE(kasse.ReadMoney(QStringLiteral("TeilhaberAuszahlungen 06.12.2005"), QStringLiteral("Meier_1"), 0), e(100));

        QVERIFY(kasse.HonorarBuchen(tag2, e(12), e(8)));
        QCOMPARE(kasse.Summe(), e(965));
        QCOMPARE(kasse.Auszahlungen(), e(120));
        QCOMPARE(kasse.Ausgangsbuchungen(Monat), 1);
        QCOMPARE(kasse.ReadMoney(QStringLiteral("Honorarbuchung"), QStringLiteral("Honorare gesamt"), 0), e(20));
        QCOMPARE(kasse.Summe(), erwarteteSumme(kasse));
    }

    void fehlendeWerte()
    {
        TKasse kasse(m_pfad);
        QCOMPARE(kasse.Summe(), FehlwertMoney);
        QCOMPARE(kasse.Eingangsbuchungen(Monat), 0);
    }

    void abschliessen_data()
    {
        QTest::addColumn<QByteArray>("kasse");
        QTest::addColumn<QString>("gewinn");
        QTest::addColumn<QString>("mittel");
        QTest::newRow("without an opening balance only the mark is written")
            << QByteArray("[Kasse]\nSumme=100\nEingangsbuchungen200512=4\n") << QString() << QString();
        QTest::newRow("without incoming bookings only the gain is written")
            << QByteArray("[Kasse]\nSumme=100\nSummeVormonat=40\nEingangsbuchungen200512=0\n") << "60" << QString();
        QTest::newRow("the gain per incoming booking is a plain decimal")
            << QByteArray("[Kasse]\nSumme=100\nSummeVormonat=0\nEingangsbuchungen200512=3\n") << "100" << "33,3333333333333";
    }

    void abschliessen()
    {
        QFETCH(QByteArray, kasse);
        QFETCH(QString, gewinn);
        QFETCH(QString, mittel);
        schreiben(m_pfad, kasse);
        FesteUhr uhr(zeitpunkt(2006, 1, 2, 17, 30));
        TKasse k(m_pfad);
        QVERIFY(k.Abschliessen(Monat, zeitpunkt(2000, 1, 1)));
        QVERIFY(k.Abgeschlossen());
        QCOMPARE(k.ReadString(QStringLiteral("Kopfdaten"), QStringLiteral("ABGESCHLOSSEN"), QString()), QStringLiteral("02.01.2006"));
        QCOMPARE(k.ReadString(QStringLiteral("Kasse"), QStringLiteral("Kassengewinn"), QString()), gewinn);
        QCOMPARE(k.ReadString(QStringLiteral("Kasse"), QStringLiteral("mittlerer Kassengewinn"), QString()), mittel);
    }

    // Thousands of random bookings keep the balance equal to what the totals promise.
    void zufallsfolgeHaeltDieBeziehung()
    {
        TKasse kasse(m_pfad);
        eroeffnen(kasse, 0);
        std::mt19937 zufall(4711);
        std::uniform_int_distribution<int> art(0, 3), name(1, 5), tag(1, 31), cent(-500, 200000);
        int ein = 0, rech = 0, aus = 0;
        for (int i = 0; i < 2000; ++i) {
            const QString wer = QStringLiteral("T%1").arg(name(zufall));
            const DateTime wann = zeitpunkt(2005, 12, tag(zufall));
            const Money betrag = Money(cent(zufall)) * 100;
            switch (art(zufall)) {
            case 0: QVERIFY(kasse.EinzahlungBuchen(Monat, wer, betrag, wann)); ++ein; break;
            case 1: QVERIFY(kasse.RechnungBuchen(Monat, wer, betrag, wann)); ++rech; break;
            case 2: QVERIFY(kasse.AuszahlungBuchen(Monat, wer, betrag, betrag / 4, wann)); ++aus; break;
            case 3: QVERIFY(kasse.HonorarBuchen(wann, betrag / 100, betrag / 50)); break;
            }
            if (kasse.Summe() != erwarteteSumme(kasse))
                QFAIL(qPrintable(QStringLiteral("step %1 breaks the balance").arg(i)));
        }
        QCOMPARE(kasse.Eingangsbuchungen(Monat), ein);
        QCOMPARE(kasse.Rechnungsbuchungen(Monat), rech);
        QCOMPARE(kasse.Ausgangsbuchungen(Monat), aus);

        // The day counters add up to the month counter, the details to the totals.
        TKasse gelesen(m_pfad);
        int tageEin = 0;
        Money einzeln = 0;
        for (int t = 1; t <= 31; ++t) {
            const QString tagText = Textformat::datumZuText(zeitpunkt(2005, 12, t));
            tageEin += gelesen.ReadInteger(QStringLiteral("Kasse"), QStringLiteral("Eingangsbuchungen") + tagText, 0);
            const QString section = QStringLiteral("TeilhaberEinzahlungen ") + tagText;
            for (const QString &key : gelesen.ReadSection(section))
                einzeln += gelesen.ReadMoney(section, key, 0);
        }
        QCOMPARE(tageEin, ein);
        QCOMPARE(einzeln, gelesen.Einzahlungen());
        QCOMPARE(gelesen.Summe(), kasse.Summe());
    }

    void misslungeneBuchungAendertNichts()
    {
#ifdef Q_OS_UNIX
        TKasse kasse(m_pfad);
        eroeffnen(kasse);
        QVERIFY(kasse.EinzahlungBuchen(Monat, QStringLiteral("Meier"), e(50), zeitpunkt(2005, 12, 5)));
        const QByteArray platte = dateiInhalt(m_pfad);
        const QStringList speicher = kasse.Zeilen();
        {
            VollePlatte voll;
            QVERIFY(!kasse.EinzahlungBuchen(Monat, QStringLiteral("Meier"), e(50), zeitpunkt(2005, 12, 6)));
            QVERIFY(!kasse.AuszahlungBuchen(Monat, QStringLiteral("Meier"), e(50), e(10), zeitpunkt(2005, 12, 6)));
            QVERIFY(!kasse.RechnungBuchen(Monat, QStringLiteral("Meier"), e(50), zeitpunkt(2005, 12, 6)));
        }
        QCOMPARE(kasse.Zeilen(), speicher);
        QCOMPARE(dateiInhalt(m_pfad), platte);
#else
        QSKIP("needs a file size limit");
#endif
    }

    void unzulaessigerNameAendertNichts()
    {
        TKasse kasse(m_pfad);
        eroeffnen(kasse);
        const QStringList speicher = kasse.Zeilen();
        QVERIFY(!kasse.EinzahlungBuchen(Monat, QStringLiteral("Mei=er"), e(50), zeitpunkt(2005, 12, 5)));
        QCOMPARE(kasse.Zeilen(), speicher);
    }
};

QTEST_GUILESS_MAIN(TstKasse)
#include "tst_kasse.moc"
