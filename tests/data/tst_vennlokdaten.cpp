#include "algo/formeln.h"
#include "data/vennlokdaten.h"

#include "tests/testhilfe.h"

#include <QtTest>

using namespace Testhilfe;

namespace {

const QByteArray NeuerPaktText = crlf(
    "[Startdaten]\n"
    "Buchungsprogramm=core B.01\n"
    "Vennlok begonnen am=01.03.2006 09:15:00\n"
    "Buchungsmonat=200603\n"
    "Beitrag=50\n"
    "HonorarEingangsbuchung=0,5\n"
    "HonorarRechnungsbuchung=2\n"
    "IntSozialanteil=0,5\n"
    "ExtSozialanteil=0,775\n"
    "Daempfung=0,65\n"
    "Grundsicherung=3000\n"
    "LimitVirtSumme=-300\n"
    "\n"
    "[aktuelle Daten]\n"
    "Buchungsmonat=200603\n"
    "Beitrag=50\n"
    "HonorarEingangsbuchung=0,5\n"
    "HonorarRechnungsbuchung=2\n"
    "IntSozialanteil=0,5\n"
    "ExtSozialanteil=0,775\n"
    "Daempfung=0,65\n"
    "Grundsicherung=3000\n"
    "LimitVirtSumme=-300\n"
    "\n");

} // namespace

class TstVennlokDaten : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_pfad;

    void neuerPakt()
    {
        QFile::remove(m_pfad);
        TVennlokDaten daten(m_pfad);
        QString meldung;
        daten.NeuerPakt(QStringLiteral("core B.01"), QStringLiteral("200603"), zeitpunkt(2006, 3, 1, 9, 15),
                        500000, 5000, 20000, 5000, 6500, 30000000, -3000000, meldung);
        QCOMPARE(meldung, QStringLiteral("Neuer Pakt angelegt.A_Vennlok.ven"));
    }

private slots:
    void init()
    {
        m_pfad = m_dir.filePath(TVennlokDaten::Dateiname);
        QFile::remove(m_pfad);
    }

    void neuerPaktSchreibtStartUndAktuelleDaten()
    {
        neuerPakt();
        QCOMPARE(dateiInhalt(m_pfad), NeuerPaktText);
        TVennlokDaten daten(m_pfad);
        QVERIFY(daten.IstAngelegt());
        QVERIFY(!daten.HatErgaenzungsvertrag());
        QCOMPARE(daten.Buchungsmonat(), QStringLiteral("200603"));
        QCOMPARE(daten.Startmonat(), QStringLiteral("200603"));
        QCOMPARE(daten.ExtSozialanteil(), 0.775);
    }

    void leereDateiGibtDieVorgaben()
    {
        TVennlokDaten daten(m_pfad);
        QVERIFY(!daten.IstAngelegt());
        QCOMPARE(daten.Beitrag(), Money(1800000));
        QCOMPARE(daten.HonorarEingangsbuchung(), Money(5000));
        QCOMPARE(daten.HonorarRechnungsbuchung(), Money(20000));
        QCOMPARE(daten.Grundsicherung(), Money(30000000));
        QCOMPARE(daten.LimitVirtSumme(), Money(-3000000));
        QCOMPARE(daten.Daempfung(), 0.65);
        QCOMPARE(daten.IntSozialanteil(), 0.5);
        QCOMPARE(daten.ExtSozialanteil(), 0.5);
        QCOMPARE(daten.Buchungsmonat(), QString());
        QCOMPARE(daten.Startmonat(), QString());
    }

    void rueckfall_data()
    {
        QTest::addColumn<QByteArray>("datei");
        QTest::addColumn<Money>("limit");
        QTest::addColumn<double>("daempfung");
        QTest::newRow("the current data win over the start data")
            << QByteArray("[Startdaten]\nLimitVirtSumme=-300\nDaempfung=0,5\n[aktuelle Daten]\nLimitVirtSumme=-400\nDaempfung=0,7\n")
            << Money(-4000000) << 0.7;
        QTest::newRow("a key missing from the current data comes from the start data")
            << QByteArray("[Startdaten]\nLimitVirtSumme=-250\nDaempfung=0,5\n[aktuelle Daten]\nBeitrag=1\n")
            << Money(-2500000) << 0.5;
        QTest::newRow("the sentinel counts as missing")
            << QByteArray("[Startdaten]\nLimitVirtSumme=-250\nDaempfung=0,5\n[aktuelle Daten]\nLimitVirtSumme=-2147483648\nDaempfung=-2147483648\n")
            << Money(-2500000) << 0.5;
        QTest::newRow("an unreadable value counts as missing")
            << QByteArray("[Startdaten]\nDaempfung=0.5\n[aktuelle Daten]\nLimitVirtSumme=viel\n")
            << Money(-3000000) << 0.65;
    }

    void rueckfall()
    {
        QFETCH(QByteArray, datei);
        QFETCH(Money, limit);
        QFETCH(double, daempfung);
        schreiben(m_pfad, datei);
        TVennlokDaten daten(m_pfad);
        QCOMPARE(daten.LimitVirtSumme(), limit);
        QCOMPARE(daten.Daempfung(), daempfung);
    }

    void ergaenzungsvertragUndAnwalt()
    {
        neuerPakt();
        {
            TVennlokDaten daten(m_pfad);
            daten.SetAnwalt(QStringLiteral("Meier"), QStringLiteral("Hauptstr. 1"));
            QVERIFY(daten.Ergaenzungsvertrag(zeitpunkt(2007, 3, 15, 12), 600000, 10000, 30000, 7000, 40000000, -2000000));
            daten.SetAnwalt(QStringLiteral("Schulz"), QStringLiteral("Nebenweg 2"));
        }
        QByteArray erwartet = NeuerPaktText;
        erwartet.replace("LimitVirtSumme=-300\r\n\r\n[aktuelle",
                         "LimitVirtSumme=-300\r\nAnwalt_Meier=Hauptstr. 1\r\nErg\xe4nzungsvertrag200703=Erg\xe4nzungsvertrag200703\r\n\r\n[aktuelle");
        const int aktuell = erwartet.indexOf("[aktuelle Daten]");
        erwartet.truncate(aktuell);
        erwartet += crlf("[aktuelle Daten]\n"
                         "Buchungsmonat=200603\n"
                         "Beitrag=60\n"
                         "HonorarEingangsbuchung=1\n"
                         "HonorarRechnungsbuchung=3\n"
                         "IntSozialanteil=0,5\n"
                         "ExtSozialanteil=0,775\n"
                         "Daempfung=0,7\n"
                         "Grundsicherung=4000\n"
                         "LimitVirtSumme=-200\n"
                         "Anwalt_Meier=Hauptstr. 1\n"
                         "Erg\xe4nzungsvertrag=Erg\xe4nzungsvertrag200703\n"
                         "Anwalt_Schulz=Nebenweg 2\n"
                         "\n"
                         "[Erg\xe4nzungsvertrag200703]\n"
                         "Erg\xe4nzungsvertrag=39156,5\n"
                         "Beitrag=60\n"
                         "HonorarEingangsbuchung=1\n"
                         "HonorarRechnungsbuchung=3\n"
                         "Daempfung=0,7\n"
                         "Grundsicherung=4000\n"
                         "LimitVirtSumme=-200\n"
                         "Anwalt_Schulz=Nebenweg 2\n"
                         "\n");
        QCOMPARE(dateiInhalt(m_pfad), erwartet);

        TVennlokDaten daten(m_pfad);
        QVERIFY(daten.HatErgaenzungsvertrag());
        QCOMPARE(daten.LimitVirtSumme(), Money(-2000000));
        // Only trustees of the start contract are listed.
        QCOMPARE(daten.Anwaelte(), QStringList({"Meier"}));
        QCOMPARE(daten.AnwaltAdresse(QStringLiteral("Schulz")), QStringLiteral("Nebenweg 2"));
        QCOMPARE(daten.AnwaltAdresse(QStringLiteral("Niemand")), QString());
    }

    void anwaelteNurAusDenStartdaten()
    {
        schreiben(m_pfad, "[Startdaten]\nBeitrag=50\nAnwalt_Meier=a\nAnwalt=x\nanwalt_klein=y\nAnwalt_Schulz=b\n"
                          "[aktuelle Daten]\nAnwalt_Lehmann=c\n");
        TVennlokDaten daten(m_pfad);
        QCOMPARE(daten.Anwaelte(), QStringList({"Meier", "Schulz"}));
    }

    void monatArchivierenUndZurueckholen()
    {
        neuerPakt();
        TVennlokDaten daten(m_pfad);
        daten.SetIntSozialanteil(0.6);
        QVERIFY(daten.MonatArchivieren(QStringLiteral("200604")));
        daten.SetMonatEingangsbuchungen(QStringLiteral("200604"), 3);
        daten.SetMonatSumme(QStringLiteral("200604"), 1500000);
        QCOMPARE(daten.ReadSection(QStringLiteral("Monat200604")),
                 QStringList({"Beitrag", "HonorarEingangsbuchung", "HonorarRechnungsbuchung", "IntSozialanteil",
                              "ExtSozialanteil", "Daempfung", "Grundsicherung", "LimitVirtSumme", "Eingangsbuchungen",
                              "Summe"}));
        QCOMPARE(daten.MonatEingangsbuchungen(QStringLiteral("200604")), 3);
        QCOMPARE(daten.MonatSumme(QStringLiteral("200604")), Money(1500000));
        QCOMPARE(daten.ArchivierteMonate(), QList<MonthKey>({"200604"}));

        daten.SetIntSozialanteil(0.9);
        QVERIFY(daten.MonatZurueckholen(QStringLiteral("200604")));
        QCOMPARE(daten.IntSozialanteil(), 0.6);
        QCOMPARE(daten.ExtSozialanteil(), ExtAusInt(2, 0.6));
        QVERIFY(!daten.SectionExists(QStringLiteral("Monat200604")));
        QCOMPARE(daten.MonatSumme(QStringLiteral("200604")), FehlwertMoney);
        QCOMPARE(daten.MonatEingangsbuchungen(QStringLiteral("200604")), FehlwertInt);
    }

    void startmonatKommtAusDenStartdaten()
    {
        neuerPakt();
        TVennlokDaten daten(m_pfad);
        daten.SetIntSozialanteil(0.9);
        QVERIFY(daten.MonatZurueckholen(QStringLiteral("200603")));
        QCOMPARE(daten.IntSozialanteil(), 0.5);
        QCOMPARE(daten.ExtSozialanteil(), 0.775);
    }

    void schreibfehlerGibtFalse()
    {
#ifdef Q_OS_UNIX
        neuerPakt();
        TVennlokDaten daten(m_pfad);
        VollePlatte platte;
        QVERIFY(!daten.Ergaenzungsvertrag(zeitpunkt(2007, 3, 15), 600000, 10000, 30000, 7000, 40000000, -2000000));
        QVERIFY(!daten.MonatArchivieren(QStringLiteral("200603")));
        QVERIFY(!daten.MonatZurueckholen(QStringLiteral("200603")));
#endif
    }
};

QTEST_GUILESS_MAIN(TstVennlokDaten)
#include "tst_vennlokdaten.moc"
