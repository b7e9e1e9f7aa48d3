#include "algo/fehler.h"
#include "algo/runden.h"
#include "data/textformat.h"

#include "tests/testhilfe.h"

#include <QLocale>
#include <QtTest>
#include <limits>
#include <clocale>
#include <cmath>
#include <cstdio>

using namespace Textformat;
using Testhilfe::tabelle;

class TstTextformat : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Under the German run the machine really must be German, or it proves nothing.
        if (qgetenv("VENNLOK_TESTLOCALE") == "de") {
            QCOMPARE(QLocale::system().decimalPoint(), QStringLiteral(","));
            char puffer[16];
            std::snprintf(puffer, sizeof puffer, "%.1f", 0.5);
            QCOMPARE(QByteArray(puffer), QByteArray("0,5"));
        } else {
            QCOMPARE(QByteArray(std::setlocale(LC_NUMERIC, nullptr)), QByteArray("C"));
        }
    }

    void floatText_data()
    {
        tabelle("zahl_als_text", {"wert", "text"});
    }

    void floatText()
    {
        QFETCH(QString, wert);
        QFETCH(QString, text);
        QCOMPARE(floatZuText(wert.toDouble()), text);
        // The text reads back to the value shown.
        const auto zurueck = textZuFloat(text);
        QVERIFY(zurueck.has_value());
        QCOMPARE(floatZuText(*zurueck), text);
    }

    void nichtEndlicheWerteWerdenVerweigert()
    {
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, floatZuText(std::nan("")));
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, floatZuText(HUGE_VAL));
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, floatZuText(-HUGE_VAL));
    }

    void floatLesen_data()
    {
        tabelle("text_als_zahl", {"text", "wert"});
    }

    void floatLesen()
    {
        QFETCH(QString, text);
        QFETCH(QString, wert);
        const auto gelesen = textZuFloat(text);
        QCOMPARE(gelesen.has_value(), wert != QLatin1String("-"));
        if (gelesen)
            QCOMPARE(*gelesen, wert.toDouble());
    }

    // Amounts are written from the integer; the text is the one the float
    // rule gives, and the common form reads back on integers.
    void betrag_data()
    {
        tabelle("betrag_als_text", {"betrag", "text"});
    }

    void betrag()
    {
        QFETCH(QString, betrag);
        QFETCH(QString, text);
        const Money einheiten = betrag.toLongLong();
        QCOMPARE(moneyZuText(einheiten), text);
        QCOMPARE(floatZuText(double(einheiten) / double(MoneyProEinheit)), text);
        if (einheiten > -1000000000000000LL && einheiten < 1000000000000000LL)
            QCOMPARE(Textformat::einfacherBetrag(text), std::optional<Money>(einheiten));
    }

    void einfacheBetraege_data()
    {
        tabelle("einfache_betraege", {"text", "betrag"});
    }

    void einfacheBetraege()
    {
        QFETCH(QString, text);
        QFETCH(QString, betrag);
        const auto gelesen = Textformat::einfacherBetrag(text);
        QCOMPARE(gelesen.has_value(), betrag != QLatin1String("-"));
        if (gelesen) {
            QCOMPARE(*gelesen, betrag.toLongLong());
            // The float reading agrees where both read.
            QCOMPARE(R4Genau(*textZuFloat(text)), gelesen);
        }
    }

    void transferBetrag_data()
    {
        tabelle("transferbetrag", {"betrag", "text"});
    }

    void transferBetrag()
    {
        QFETCH(QString, betrag);
        QFETCH(QString, text);
        QCOMPARE(Textformat::transferBetrag(betrag.toLongLong()), text);
    }

    void ganzzahl_data()
    {
        tabelle("ganzzahl", {"text", "wert"});
    }

    void ganzzahl()
    {
        QFETCH(QString, text);
        QFETCH(QString, wert);
        const auto gelesen = textZuInt(text);
        QCOMPARE(gelesen.has_value(), wert != QLatin1String("-"));
        if (gelesen)
            QCOMPARE(*gelesen, wert.toInt());
    }

    void datum_data()
    {
        tabelle("datum", {"iso", "text"});
    }

    void datum()
    {
        QFETCH(QString, iso);
        QFETCH(QString, text);
        const QDateTime zeitpunkt = QDateTime::fromString(iso, Qt::ISODate);
        const DateTime d = ausQDateTime(zeitpunkt);
        QCOMPARE(dateTimeZuText(d), text);
        QCOMPARE(zuQDateTime(d), zeitpunkt);
        const auto zurueck = textZuDateTime(text);
        QVERIFY(zurueck.has_value());
        QCOMPARE(zuQDateTime(*zurueck), zeitpunkt);
    }
};

QTEST_GUILESS_MAIN(TstTextformat)
#include "tst_textformat.moc"
