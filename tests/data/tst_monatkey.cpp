#include "algo/fehler.h"
#include "data/monatkey.h"
#include "data/textformat.h"

#include <QtTest>

class TstMonatkey : public QObject
{
    Q_OBJECT

private slots:
    void monateSchritt_data()
    {
        QTest::addColumn<QString>("monat");
        QTest::addColumn<QString>("vor");
        QTest::addColumn<QString>("folge");
        QTest::newRow("January steps back into December") << "200601" << "200512" << "200602";
        QTest::newRow("December steps on into January") << "200612" << "200611" << "200701";
        QTest::newRow("October steps back into September") << "200610" << "200609" << "200611";
        QTest::newRow("only the first six characters count") << "200603xyz" << "200602" << "200604";
        QTest::newRow("a month 13 steps on like December") << "200613" << "200612" << "200701";
        QTest::newRow("a month 00 steps back like January") << "200600" << "200512" << "200601";
    }

    void monateSchritt()
    {
        QFETCH(QString, monat);
        QFETCH(QString, vor);
        QFETCH(QString, folge);
        QCOMPARE(Vormonat(monat), vor);
        QCOMPARE(Folgemonat(monat), folge);
    }

    void kaputteMonate_data()
    {
        QTest::addColumn<QString>("monat");
        QTest::newRow("letters in the year") << "20x603";
        QTest::newRow("letters in the month") << "2006ab";
        QTest::newRow("too short") << "20063";
        QTest::newRow("empty") << "";
    }

    void kaputteMonate()
    {
        QFETCH(QString, monat);
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, Vormonat(monat));
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, Folgemonat(monat));
    }

    void dateinamen_data()
    {
        QTest::addColumn<QString>("datei");
        QTest::addColumn<QString>("name");
        QTest::newRow("a participant file") << "T_Mueller_Hans.ven" << "Mueller_Hans";
        QTest::newRow("an exited participant") << "X_Meier.ven" << "Meier";
        QTest::newRow("the first .ven counts") << "T_a.ven.ven" << "a";
        QTest::newRow("letter case of .ven matters") << "T_Meier.VEN" << "";
        QTest::newRow("no .ven gives nothing") << "T_Meier.txt" << "";
        QTest::newRow("an empty name") << "T_.ven" << "";
        QTest::newRow(".ven too early gives nothing") << ".ven" << "";
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
