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

    void fehlendeWerte()
    {
        TKasse kasse(m_pfad);
        QCOMPARE(kasse.Summe(), FehlwertMoney);
        QCOMPARE(kasse.Eingangsbuchungen(Monat), 0);
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
