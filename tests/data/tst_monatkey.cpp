#include "algo/fehler.h"
#include "data/monatkey.h"
#include "data/textformat.h"

#include <QtTest>

class TstMonatkey : public QObject
{
    Q_OBJECT

private slots:
    void datumsTexte_data()
    {
        QTest::addColumn<QDateTime>("zeitpunkt");
        QTest::addColumn<QString>("monat");
        QTest::addColumn<QString>("datum");
        QTest::newRow("a March date has a leading zero") << QDateTime(QDate(2006, 3, 5), QTime(0, 0)) << "200603" << "20060305";
        QTest::newRow("December needs no padding") << QDateTime(QDate(2006, 12, 20), QTime(23, 59, 59)) << "200612" << "20061220";
        QTest::newRow("a time late in the day keeps its day") << QDateTime(QDate(2026, 1, 31), QTime(23, 59, 59, 999)) << "202601" << "20260131";
    }

    void datumsTexte()
    {
        QFETCH(QDateTime, zeitpunkt);
        QFETCH(QString, monat);
        QFETCH(QString, datum);
        const DateTime d = Textformat::ausQDateTime(zeitpunkt);
        QCOMPARE(MonatKey(d), monat);
        QCOMPARE(DatumText(d), datum);
    }

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

    void namenFalten_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("datei");
        QTest::newRow("comma and blank collapse into one underscore")
            << QStringLiteral("Müller, Hans-Jürgen") << "Mueller_Hans-Juergen";
        QTest::newRow("three underscores collapse and the full stop stays as underscore")
            << QStringLiteral("Groß + Co.") << "Gross_Co_";
        QTest::newRow("capital umlauts are spelled with a capital")
            << QStringLiteral("Ärger Öde Übel") << "Aerger_Oede_Uebel";
        QTest::newRow("the seven separators all become underscores")
            << "a,b.c;d:e+f/g h" << "a_b_c_d_e_f_g_h";
        QTest::newRow("leading and trailing underscores stay") << " Meier " << "_Meier_";
        QTest::newRow("other accents and digits stay") << QStringLiteral("José-3") << QStringLiteral("José-3");
    }

    void namenFalten()
    {
        QFETCH(QString, name);
        QFETCH(QString, datei);
        QCOMPARE(NameFuerDatei(name), datei);
        // Folding a folded name changes nothing.
        QCOMPARE(NameFuerDatei(datei), datei);
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
