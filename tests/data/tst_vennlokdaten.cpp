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
};

QTEST_GUILESS_MAIN(TstVennlokDaten)
#include "tst_vennlokdaten.moc"
