#include "algo/runden.h"
#include "data/bankdaten.h"

#include <QtTest>

using namespace Bankdaten;

class TstBankdaten : public QObject
{
    Q_OBJECT

private slots:
    void iban_data()
    {
        QTest::addColumn<QString>("iban");
        QTest::addColumn<QString>("fehler"); // the start of the reason; empty for a valid IBAN
        QTest::newRow("a German IBAN in groups of four") << "DE89 3704 0044 0532 0130 00" << "";
        QTest::newRow("an Austrian IBAN in lower case") << "at611904300234573201" << "";
        QTest::newRow("a Belgian IBAN, the shortest but one") << "BE68539007547034" << "";
        QTest::newRow("a French IBAN with a letter inside") << "FR14 2004 1010 0505 0001 3M02 606" << "";
        QTest::newRow("a Dutch IBAN with the bank in letters") << "NL91ABNA0417164300" << "";
        QTest::newRow("a British IBAN") << "GB29 NWBK 6016 1331 9268 19" << "";
        QTest::newRow("a Norwegian IBAN, the shortest") << "NO9386011117947" << "";
        QTest::newRow("a Maltese IBAN, the longest") << "MT84MALT011000012345MTLCAST001S" << "";
        QTest::newRow("two digits swapped break the check") << "DE89 3704 0044 0523 0130 00" << "Die Prüfziffern";
        QTest::newRow("a wrong check digit") << "DE88370400440532013000" << "Die Prüfziffern";
        QTest::newRow("one digit too few for Germany") << "DE8937040044053201300" << "Eine IBAN aus DE hat 22 Zeichen, diese hat 21";
        QTest::newRow("a country outside SEPA") << "US64SVBKUS6S3300958879" << "Die IBAN beginnt nicht";
        QTest::newRow("no country at all") << "1289370400440532013000" << "Die IBAN beginnt nicht";
        QTest::newRow("a hyphen is no IBAN character") << "DE89-3704-0044-0532-0130-00" << "Die IBAN darf nur";
        QTest::newRow("letters where the check digits stand") << "DEAB370400440532013000" << "Nach dem Ländercode";
        QTest::newRow("an empty field") << "   " << "Die IBAN fehlt";
    }

    void iban()
    {
        QFETCH(QString, iban);
        QFETCH(QString, fehler);
        const QString grund = IbanFehler(iban);
        QVERIFY2(fehler.isEmpty() ? grund.isEmpty() : grund.startsWith(fehler), qPrintable(grund));
        if (fehler.isEmpty())
            QVERIFY(!IbanNormal(iban).contains(QLatin1Char(' ')) && IbanNormal(iban) == IbanNormal(iban).toUpper());
    }

    void bicUndText_data()
    {
        QTest::addColumn<QString>("eingabe");
        QTest::addColumn<bool>("bic");       // whether eingabe passes as a BIC
        QTest::addColumn<QString>("sepa");   // eingabe in the SEPA character set, at most 20 characters
        QTest::newRow("an eight-character BIC") << "COBADEFF" << true << "COBADEFF";
        QTest::newRow("an eleven-character BIC in lower case") << "cobadeffxxx" << true << "cobadeffxxx";
        QTest::newRow("no BIC is allowed, as it is optional") << "" << true << "";
        QTest::newRow("umlauts are spelled out") << "Jörg Groß-Übel" << false << "Joerg Gross-Uebel";
        QTest::newRow("accents are dropped, the rest becomes a blank") << "Renée_Dupré & Co" << false << "Renee Dupre Co";
        QTest::newRow("long texts are cut") << "Hans-Juergen Meier-Mueller" << false << "Hans-Juergen Meier-M";
    }

    void bicUndText()
    {
        QFETCH(QString, eingabe);
        QFETCH(bool, bic);
        QFETCH(QString, sepa);
        QCOMPARE(BicFehler(eingabe).isEmpty(), bic);
        QCOMPARE(SepaText(eingabe, 20), sepa);
    }

    void bankarbeitstag_data()
    {
        QTest::addColumn<QDate>("nach");
        QTest::addColumn<QDate>("tag");
        QTest::newRow("a Tuesday after a Monday") << QDate(2026, 12, 7) << QDate(2026, 12, 8);
        QTest::newRow("Monday after a Friday") << QDate(2026, 12, 4) << QDate(2026, 12, 7);
        QTest::newRow("over Christmas and a weekend") << QDate(2026, 12, 24) << QDate(2026, 12, 28);
        QTest::newRow("over New Year") << QDate(2026, 12, 31) << QDate(2027, 1, 4);
        QTest::newRow("over Good Friday and Easter Monday 2027") << QDate(2027, 3, 25) << QDate(2027, 3, 30);
        QTest::newRow("over the first of May") << QDate(2028, 4, 30) << QDate(2028, 5, 2);
    }

    void bankarbeitstag()
    {
        QFETCH(QDate, nach);
        QFETCH(QDate, tag);
        QCOMPARE(NaechsterBankarbeitstag(nach), tag);
    }

    void aufCent_data()
    {
        QTest::addColumn<Money>("betrag");
        QTest::addColumn<Money>("cent");
        QTest::newRow("below the half rounds down") << Money(1417397) << Money(1417400);
        QTest::newRow("a half cent to the even cent, down") << Money(1417250) << Money(1417200);
        QTest::newRow("a half cent to the even cent, up") << Money(1417350) << Money(1417400);
        QTest::newRow("below half a cent is nothing") << Money(49) << Money(0);
        QTest::newRow("negative amounts round alike") << Money(-1417350) << Money(-1417400);
    }

    void aufCent()
    {
        QFETCH(Money, betrag);
        QFETCH(Money, cent);
        QCOMPARE(AufCent(betrag), cent);
    }
};

QTEST_GUILESS_MAIN(TstBankdaten)
#include "tst_bankdaten.moc"
