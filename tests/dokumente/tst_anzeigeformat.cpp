#include "dokumente/format.h"
#include "dokumente/anzeigeformat.h"

#include "tests/testhilfe.h"

#include <QCommandLineParser>
#include <QtTest>

using namespace Anzeigeformat;
using namespace Eingabe;
using Testhilfe::tabelle;

class TstAnzeigeformat : public QObject
{
    Q_OBJECT

private slots:
    void kasse_data()
    {
        tabelle("anzeige_kasse", {"betrag", "text"});
    }

    void kasse()
    {
        QFETCH(QString, betrag);
        QFETCH(QString, text);
        QCOMPARE(Kasse(betrag.toLongLong()), text);
    }

    void anteile_data()
    {
        tabelle("anzeige_anteile", {"wert", "anteil", "dialog", "prozent"});
    }

    void anteile()
    {
        QFETCH(QString, wert);
        QFETCH(QString, anteil);
        QFETCH(QString, dialog);
        QFETCH(QString, prozent);
        QCOMPARE(Anteil(wert.toDouble()), anteil);
        QCOMPARE(Dialogwert(wert.toDouble()), dialog);
        QCOMPARE(Druckformat::Prozent(wert.toDouble()), prozent);
    }

    void betrag_data()
    {
        tabelle("anzeige_betrag", {"text", "betrag", "grund"});
    }

    // What an address memo stores: one item per line that has a key and a value.
    void memo_data()
    {
        tabelle("adressmemo", {"text", "eintraege"});
    }

    void memo()
    {
        QFETCH(QString, text);
        QFETCH(QString, eintraege);
        QStringList gelesen;
        for (const Anzeigeformat::Eintrag &e : Anzeigeformat::MemoEintraege(text))
            gelesen << e.schluessel + QLatin1Char('|') + e.wert;
        QCOMPARE(gelesen.join(QStringLiteral(" ; ")), eintraege == QLatin1String("keine") ? QString() : eintraege);
    }

    void betrag()
    {
        QFETCH(QString, text);
        QFETCH(QString, betrag);
        QFETCH(QString, grund);
        if (grund == QLatin1String("(bucht)"))
            grund.clear();
        QCOMPARE(Betrag(text), betrag == QLatin1String("-") ? std::optional<Money>() : std::optional<Money>(betrag.toLongLong()));
        const QString fehler = BetragFehler(text);
        QVERIFY2(grund.isEmpty() ? fehler.isEmpty() : fehler.startsWith(grund), qPrintable(fehler));
    }

    // What Qt's parser finds wrong reaches the treasurer in German.
    void optionsfehler_data() { tabelle("optionsfehler", {"argumente", "meldung"}); }

    void optionsfehler()
    {
        QFETCH(QString, argumente);
        QFETCH(QString, meldung);
        QCommandLineParser parser;
        parser.addOptions({QCommandLineOption(QStringLiteral("dir"), QString(), QStringLiteral("VERZEICHNIS")),
                           QCommandLineOption(QStringLiteral("csv"))});
        QVERIFY(!parser.parse(QStringList{QStringLiteral("vennlok-cli")} + argumente.split(QLatin1Char(' '))));
        QCOMPARE(Druckformat::Optionsfehler(parser.errorText(), parser.unknownOptionNames()), meldung);
    }
};

QTEST_GUILESS_MAIN(TstAnzeigeformat)
#include "tst_anzeigeformat.moc"
