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

    // The shares in force follow every change of the file in memory: a new
    // internal share, going back to a point, a key deleted by hand, a value
    // written in the older section only.
    void anteileFolgenJederAenderung()
    {
        neuerPakt();
        TVennlokDaten daten(m_pfad);
        QCOMPARE(daten.IntSozialanteil(), 0.5);
        daten.SetRollbackPoint();
        daten.SetIntSozialanteil(0.8);
        QCOMPARE(daten.IntSozialanteil(), 0.8);
        QCOMPARE(daten.ExtSozialanteil(), ExtAusInt(2, 0.8));
        daten.Rollback();
        QCOMPARE(daten.IntSozialanteil(), 0.5);
        QCOMPARE(daten.ExtSozialanteil(), ExtAusInt(2, 0.5));
        daten.WriteFloat(QStringLiteral("aktuelle Daten"), QStringLiteral("ExtSozialanteil"), 0.25);
        QCOMPARE(daten.ExtSozialanteil(), 0.25);
        daten.DeleteKey(QStringLiteral("aktuelle Daten"), QStringLiteral("ExtSozialanteil"));
        daten.WriteFloat(QStringLiteral("Startdaten"), QStringLiteral("ExtSozialanteil"), 0.125);
        QCOMPARE(daten.ExtSozialanteil(), 0.125);
    }

    void rueckfall_data()
    {
        tabelle("vennlokdaten_rueckfall", {"datei", "limit", "daempfung"});
    }

    void rueckfall()
    {
        QFETCH(QString, datei);
        QFETCH(QString, limit);
        QFETCH(QString, daempfung);
        schreiben(m_pfad, datei.toLatin1());
        TVennlokDaten daten(m_pfad);
        QCOMPARE(daten.LimitVirtSumme(), limit.toLongLong());
        QCOMPARE(daten.Daempfung(), daempfung.toDouble());
    }
};

QTEST_GUILESS_MAIN(TstVennlokDaten)
#include "tst_vennlokdaten.moc"
