#include "algo/fehler.h"
#include "data/monatkey.h"
#include "data/textformat.h"

#include "tests/testhilfe.h"

#include <QtTest>

using Testhilfe::tabelle;

class TstMonatkey : public QObject
{
    Q_OBJECT

private slots:
    void namenFuerDateien_data()
    {
        tabelle("namen_fuer_dateien", {"name", "datei"});
    }

    void namenFuerDateien()
    {
        QFETCH(QString, name);
        QFETCH(QString, datei);
        QCOMPARE(NameFuerDatei(name), datei);
    }

    void monateSchritt_data()
    {
        tabelle("monate", {"monat", "vor", "folge"});
    }

    void monateSchritt()
    {
        QFETCH(QString, monat);
        QFETCH(QString, vor);
        QFETCH(QString, folge);
        if (vor == QLatin1String("Fehler")) {
            QVERIFY_THROWS_EXCEPTION(VennlokFehler, Vormonat(monat));
            QVERIFY_THROWS_EXCEPTION(VennlokFehler, Folgemonat(monat));
            return;
        }
        QCOMPARE(Vormonat(monat), vor);
        QCOMPARE(Folgemonat(monat), folge);
    }

    void dateinamen_data()
    {
        tabelle("dateinamen", {"datei", "name"});
    }

    void dateinamen()
    {
        QFETCH(QString, datei);
        QFETCH(QString, name);
        QCOMPARE(NameAusDateiname(datei), name);
    }
};

QTEST_GUILESS_MAIN(TstMonatkey)
#include "tst_monatkey.moc"
