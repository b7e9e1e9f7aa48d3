#include "algo/runden.h"
#include "data/bankdaten.h"
#include "data/textformat.h"

#include "tests/testhilfe.h"

#include <QtTest>

using namespace Bankdaten;
using Testhilfe::tabelle;
using Testhilfe::FesteUhr;
using Testhilfe::zeitpunkt;

class TstBankdaten : public QObject
{
    Q_OBJECT

private slots:
    void iban_data()
    {
        tabelle("iban", {"iban", "fehler"});
    }

    void iban()
    {
        QFETCH(QString, iban);
        QFETCH(QString, fehler);
        if (fehler == QStringLiteral("gültig"))
            fehler.clear();
        const QString grund = IbanFehler(iban);
        QVERIFY2(fehler.isEmpty() ? grund.isEmpty() : grund.startsWith(fehler), qPrintable(grund));
        if (fehler.isEmpty())
            QVERIFY(!IbanNormal(iban).contains(QLatin1Char(' ')) && IbanNormal(iban) == IbanNormal(iban).toUpper());
    }

    // The clock stands on 5 March 2006, so that "not after today" has a day.
    void lastschriftangaben_data()
    {
        tabelle("lastschriftangaben", {"schluessel", "wert", "fehler"});
    }

    void lastschriftangaben()
    {
        QFETCH(QString, schluessel);
        QFETCH(QString, wert);
        QFETCH(QString, fehler);
        if (fehler == QStringLiteral("gültig"))
            fehler.clear();
        const FesteUhr uhr(zeitpunkt(2006, 3, 5, 12));
        const QString grund = schluessel == QLatin1String("GlaeubigerId") ? GlaeubigerIdFehler(wert) : AngabeFehler(schluessel, wert);
        QVERIFY2(fehler.isEmpty() ? grund.isEmpty() : grund.startsWith(fehler), qPrintable(grund));
    }

    void bicUndText_data()
    {
        tabelle("bic_und_sepatext", {"eingabe", "bic", "sepa"});
    }

    void bicUndText()
    {
        QFETCH(QString, eingabe);
        QFETCH(QString, bic);
        QFETCH(QString, sepa);
        QCOMPARE(BicFehler(eingabe).isEmpty(), bic == QLatin1String("ja"));
        QCOMPARE(SepaText(eingabe, 20), sepa);
    }

    void bankarbeitstag_data()
    {
        tabelle("bankarbeitstag", {"nach", "tag"});
    }

    void bankarbeitstag()
    {
        QFETCH(QString, nach);
        QFETCH(QString, tag);
        QCOMPARE(NaechsterBankarbeitstag(QDate::fromString(nach, Qt::ISODate)), QDate::fromString(tag, Qt::ISODate));
    }

    void aufCent_data()
    {
        tabelle("auf_cent", {"betrag", "cent", "text"});
    }

    void aufCent()
    {
        QFETCH(QString, betrag);
        QFETCH(QString, cent);
        QFETCH(QString, text);
        QCOMPARE(AufCent(betrag.toLongLong()), cent.toLongLong());
        QCOMPARE(Textformat::euroText(betrag.toLongLong()), text);
    }
};

QTEST_GUILESS_MAIN(TstBankdaten)
#include "tst_bankdaten.moc"
