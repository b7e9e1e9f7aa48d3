#include "algo/fehler.h"
#include "algo/formeln.h"
#include "data/kasse.h"
#include "data/teilhaber.h"
#include "engine/vennlok.h"
#include "platform/skript.h"

#include "tests/dateistand.h"
#include "tests/testhilfe.h"
#include "tests/testpakt.h"

#include <QtTest>
#include <algorithm>
#include <memory>

using namespace Testhilfe;

namespace {

const MonthKey Maerz = QStringLiteral("200603");
const MonthKey April = QStringLiteral("200604");
const MonthKey Mai = QStringLiteral("200605");

// An engine that fails after a chosen step of the month close.
class TFehlerVennlok : public TVennlok
{
public:
    using TVennlok::TVennlok;
    QString fehlerNach;

protected:
    void NachSchritt(const QString &schritt) override
    {
        if (schritt == fehlerNach)
            throw VennlokFehler(QStringLiteral("Testfehler nach ") + schritt);
    }
};

} // namespace

class TstMonatsabschluss : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    QDir m_dir;
    std::unique_ptr<FesteUhr> m_uhr;
    QStringList m_geoeffnet;

    QString pfad(const QString &name) const { return m_dir.filePath(name); }

    // Three participants: Anna pays in full, Bernd pays 30 of 50, Clara pays
    // in full and hands in invoices. Contribution 50, fees 0.5 and 2, social share 0.775.
    template <typename V = TVennlok>
    std::unique_ptr<V> pakt()
    {
        auto v = std::make_unique<V>(m_dir.path());
        v->SetAutoModus(true);
        paktGruenden(*v);
        zahlen(*v, Maerz);
        return v;
    }

    void zahlen(TVennlok &v, const MonthKey &monat)
    {
        QCOMPARE(v.Einzahlung(QStringLiteral("Anna"), monat, e(50), zeitpunkt(2006, 3, 2)).meldung, QString());
        QCOMPARE(v.Einzahlung(QStringLiteral("Bernd"), monat, e(30), zeitpunkt(2006, 3, 2)).meldung, QString());
        QCOMPARE(v.Einzahlung(QStringLiteral("Clara"), monat, e(50), zeitpunkt(2006, 3, 2)).meldung, QString());
    }

    Money kapital(const QString &name, const MonthKey &monat)
    {
        return TTeilhaber(pfad(TeilhaberDateiname(name))).GespeicherterKapitalanteil(monat);
    }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        m_dir = QDir(m_tmp->path());
        m_uhr = std::make_unique<FesteUhr>(zeitpunkt(2006, 3, 5, 9, 30, 15));
        m_geoeffnet.clear();
        Plattform::SetzeOeffner([this](const QString &ziel) {
            m_geoeffnet.append(ziel);
            return true;
        });
    }

    void cleanup()
    {
        Plattform::AufSkripteWarten();
        Plattform::SetzeOeffner({});
        m_uhr.reset();
        m_tmp.reset();
    }

    void verweigerungAendertNichts()
    {
        auto v = pakt();
        const auto vorher = verzeichnisstand(m_dir);
        QVERIFY(!v->Monatsabschluss(Maerz, false, zeitpunkt(2006, 3, 31)).gebucht());
        QCOMPARE(v->Buchungsmonat(), Maerz);
        v.reset();
        QCOMPARE(verzeichnisstand(m_dir), vorher);
    }

    void ohnePaktWirdAbgelehnt()
    {
        TVennlok v(m_dir.path());
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, v.Monatsabschluss(Maerz, true, 0));
        QVERIFY(!v.MonatVerwerfen(Maerz).gebucht());
        QCOMPARE(m_dir.entryList(QDir::Files), QStringList({"Vennlok.lck"}));
    }

    void skripteNurAusserhalbDesAutomodus()
    {
        auto v = pakt();
        v->SetAutoModus(false);
        QVERIFY(v->Monatsabschluss(Maerz, true, zeitpunkt(2006, 3, 31)).gebucht());
        QCOMPARE(dateiInhalt(pfad("T633786A.BAT")), crlf("start Transfers.tra\n"));
        QCOMPARE(dateiInhalt(pfad("G654J76N.BAT")),
                 crlf("md Backup200603\ncopy *.buc Backup200603\ncopy *.tra Backup200603\ncopy *.ven Backup200603\n"));
        Plattform::AufSkripteWarten();
        QCOMPARE(m_geoeffnet, QStringList({pfad("Transfers.tra")}));
        // The backup holds the data files too, so it can restore the pact.
        const QStringList gesichert = QDir(pfad("Backup200603")).entryList(QDir::Files);
        for (const char *datei : {"A_Vennlok.ven", "A_Kassendaten200603.ven", "A_Kassendaten200603.buc", "T_Anna.ven",
                                  "A_Anwaltshonorare.ven", "Transfers.tra"})
            QVERIFY2(gesichert.contains(QLatin1String(datei)), datei);
        v->SetAutoModus(true);
        QFile::remove(pfad("T633786A.BAT"));
        QFile::remove(pfad("G654J76N.BAT"));
        zahlen(*v, April);
        QVERIFY(v->Monatsabschluss(April, true, zeitpunkt(2006, 4, 30)).gebucht());
        QVERIFY(!QFile::exists(pfad("T633786A.BAT")));
        QVERIFY(!QFile::exists(pfad("G654J76N.BAT")));
        v.reset();
        QVERIFY(!QFile::exists(pfad("T633786A.BAT")));
    }

    void fehlerImAbschlussLaesstAllesWieVorher_data()
    {
        QTest::addColumn<QString>("schritt");
        for (const char *schritt : {"AnwaltHonorarBuchen", "OffeneBeitraegeBuchen", "AuszahlungenBuchen",
                                    "KapitalanteileBerechnen", "ParameterBerechnen", "TransfersSchreiben", "KasseOeffnen"})
            QTest::newRow(qPrintable(QStringLiteral("a failure after %1 undoes the whole close").arg(schritt))) << schritt;
    }

    void fehlerImAbschlussLaesstAllesWieVorher()
    {
        QFETCH(QString, schritt);
        auto v = pakt<TFehlerVennlok>();
        QVERIFY(v->Monatsabschluss(Maerz, true, zeitpunkt(2006, 3, 31)).gebucht());
        zahlen(*v, April);
        QCOMPARE(v->Rechnung(QStringLiteral("Clara"), e(100), zeitpunkt(2006, 4, 10)).meldung, QString());
        auto vorher = verzeichnisstand(m_dir);
        const QByteArray log = vorher.take("A_Kassendaten200604.buc");
        v->fehlerNach = schritt;
        try {
            v->Monatsabschluss(April, true, zeitpunkt(2006, 4, 30));
            QFAIL("the close did not fail");
        } catch (const VennlokFehler &f) {
            QCOMPARE(f.text(), QStringLiteral("Testfehler nach ") + schritt);
        }
        auto nachher = verzeichnisstand(m_dir);
        QCOMPARE(nachher.take("A_Kassendaten200604.buc"), log + crlf("Monatsab#####,200604   ABSCHLUSSFEHLER\n"));
        QCOMPARE(nachher.keys(), vorher.keys());
        for (const QString &datei : vorher.keys())
            QVERIFY2(nachher[datei] == vorher[datei], qPrintable(datei));
        // The engine goes on in the month as before, and the close now succeeds.
        QCOMPARE(v->Buchungsmonat(), April);
        QCOMPARE(v->Monatsstand().kassenstand, e(128.5 + 130));
        v->fehlerNach.clear();
        QVERIFY(v->Monatsabschluss(April, true, zeitpunkt(2006, 4, 30)).gebucht());
        QCOMPARE(TKasse(pfad("A_Kassendaten200604.ven"), &v->Speicher()).Summe(), e(177.5));
    }

    // An operation that fails inside a caller's transaction undoes all of
    // it: what was booked before the failure, and what the caller books after
    // it, which joins the undone transaction instead of being stored alone.
    void fehlerInDerTransaktionDesAufrufers()
    {
        auto v = pakt<TFehlerVennlok>();
        const auto vorher = verzeichnisstand(m_dir);
        {
            TTransaktion transaktion(*v);
            QVERIFY(v->Einzahlung(QStringLiteral("Dora"), Maerz, e(50), zeitpunkt(2006, 3, 3)).gebucht());
            v->fehlerNach = QStringLiteral("KapitalanteileBerechnen");
            QVERIFY_THROWS_EXCEPTION(VennlokFehler, v->Monatsabschluss(Maerz, true, zeitpunkt(2006, 3, 31)));
            v->fehlerNach.clear();
            QVERIFY(v->Einzahlung(QStringLiteral("Emil"), Maerz, e(50), zeitpunkt(2006, 3, 4)).gebucht());
            QCOMPARE(verzeichnisstand(m_dir), vorher);
            QVERIFY_THROWS_EXCEPTION(VennlokFehler, transaktion.Festschreiben());
        }
        QCOMPARE(verzeichnisstand(m_dir), vorher);
        QVERIFY(!v->TeilhaberVorhanden(QStringLiteral("Emil")));
        // Afterwards the engine books on its own again.
        QVERIFY(v->Einzahlung(QStringLiteral("Emil"), Maerz, e(50), zeitpunkt(2006, 3, 5)).gebucht());
        QVERIFY(QFile::exists(pfad(QStringLiteral("T_Emil.ven"))));
    }

    void abschlussfehlerImAbspielen()
    {
        // A close that fails in a replay: the lines before it stay booked, and
        // the log tells of the failure after them, in the order of the file.
        auto v = pakt<TFehlerVennlok>();
        schreiben(pfad("a.aut"), "Datum,05.03.2006\nEinzahlg,Dora,50\nMonatsab,200603\n");
        v->fehlerNach = QStringLiteral("KapitalanteileBerechnen");
        try {
            v->AutoBuchung(pfad("a.aut"), 31);
            QFAIL("the replay did not stop");
        } catch (const VennlokFehler &f) {
            QVERIFY2(f.text().startsWith(QStringLiteral("a.aut, Zeile 3: Testfehler")), qPrintable(f.text()));
        }
        QVERIFY(v->TeilhaberVorhanden(QStringLiteral("Dora")));
        QCOMPARE(v->Buchungsmonat(), Maerz);
        const QByteArray log = dateiStand(pfad("A_Kassendaten200603.buc"));
        QVERIFY2(log.endsWith("Einzahlg,Dora,50\r\nMonatsab#####,200603   ABSCHLUSSFEHLER\r\n"), log.constData());
    }

    // Every disk step of a booking's commit in turn fails (the k-th file write
    // or rename): each time every file stays exactly as it was and the error
    // is reported; the next k goes one step further, until the booking succeeds.
    void schreibfehlerLassenAllesWieVorher_data()
    {
        tabelle("schreibfehler", {"buchung"});
    }

    void schreibfehlerLassenAllesWieVorher()
    {
        QFETCH(QString, buchung);
        auto v = pakt();
        QVERIFY(v->Monatsabschluss(Maerz, true, zeitpunkt(2006, 3, 31)).gebucht());
        zahlen(*v, April);
        QCOMPARE(v->Rechnung(QStringLiteral("Clara"), e(100), zeitpunkt(2006, 4, 10)).meldung, QString());
        const auto buchen = [&] {
            if (buchung == QLatin1String("Einzahlung"))
                return v->Einzahlung(QStringLiteral("Bernd"), April, e(20), zeitpunkt(2006, 4, 11)).meldung.isEmpty();
            if (buchung == QLatin1String("Austritt"))
                return v->Austritt(QStringLiteral("Anna")).meldung.isEmpty();
            return v->Monatsabschluss(April, true, zeitpunkt(2006, 4, 30)).gebucht();
        };
        const auto vorher = verzeichnisstand(m_dir);
        // A negative invoice is refused and writes nothing (the loop below compares every file).
        QVERIFY(v->Rechnung(QStringLiteral("Clara"), e(-50), zeitpunkt(2006, 4, 11)).meldung.contains(QStringLiteral("nicht negativ")));
        int k = 0;
        QStringList gesehen;
        for (bool gelungen = false; !gelungen; ) {
            ++k;
            int schritt = 0;
            gesehen.clear();
            TJournalSpeicher::Fehlerhaken = [&](const QString &was) { gesehen << was; return ++schritt != k; };
            try {
                gelungen = buchen();
                QVERIFY(gelungen);
            } catch (const VennlokFehler &f) {
                TJournalSpeicher::Fehlerhaken = nullptr;
                if (f.art() == VennlokFehler::Ausstehend) {
                    // After the commit point: the booking is durable and says
                    // so, naming the file that could not be written yet.
                    QVERIFY2(f.text().contains(QStringLiteral("gesichert, aber noch nicht"))
                                 && f.text().contains(QRegularExpression(QStringLiteral("\u201E[^\u201C]+\u201C"))),
                             qPrintable(f.text()));
                    break;
                }
                QVERIFY2(f.text().contains(QStringLiteral("kann nicht geschrieben werden")), qPrintable(f.text()));
                const auto nachher = verzeichnisstand(m_dir);
                for (const QString &datei : nachher.keys()) {
                    // The log keeps what it had and may add why the booking failed.
                    const bool gleich = datei.endsWith(QLatin1String(".buc")) ? nachher[datei].startsWith(vorher.value(datei))
                                                                             : nachher[datei] == vorher.value(datei);
                    QVERIFY2(gleich, qPrintable(QStringLiteral("%1 nach Schritt %2").arg(datei).arg(k)));
                }
                QCOMPARE(nachher.keys(), vorher.keys());
                QCOMPARE(v->Buchungsmonat(), April);
                QCOMPARE(v->Monatsstand().kassenstand, e(128.5 + 130));
            }
            TJournalSpeicher::Fehlerhaken = nullptr;
            QVERIFY2(k < 100, qPrintable(gesehen.join(QLatin1Char(','))));
        }
        QVERIFY2(k > 2, "the commit had too few steps to have been tested");
        QVERIFY(verzeichnisstand(m_dir) != vorher);
        // A booking that makes a file (an exit, a close) writes it at once, after the commit
        // point: a failure there leaves the booking counted, and opening the
        // directory finishes writing its files.
        QCOMPARE(gesehen.last().startsWith(QStringLiteral("ausführen ")), buchung != QLatin1String("Einzahlung"));
        QVERIFY(QFile::exists(pfad(TJournalSpeicher::Journalname)));
        v.reset();
        TVennlok wieder(m_dir.path());
        QVERIFY(!QFile::exists(pfad(TJournalSpeicher::Journalname)));
        QCOMPARE(wieder.Pruefen(), QStringList());
        const auto nachher = verzeichnisstand(m_dir);
        QVERIFY(std::any_of(nachher.keyBegin(), nachher.keyEnd(), [&](const QString &datei) {
            return datei.endsWith(QLatin1String(".ven")) && nachher[datei] != vorher.value(datei);
        }));
    }

    // Money leaves the fund once: a payout made before the close is not made
    // again by it (only an invoice added since is paid), and an exit with a
    // capital share below zero takes nothing out of the fund.
    void geldVerlaesstDieKasseEinmal_data()
    {
        QTest::addColumn<QString>("fall");
        QTest::newRow("a payout made before the close is not paid again") << "vorher";
        QTest::newRow("an invoice after an early payout is the only one the close pays") << "nachher";
        QTest::newRow("a negative capital share leaves with nothing at the exit") << "austritt";
    }

    void geldVerlaesstDieKasseEinmal()
    {
        QFETCH(QString, fall);
        auto v = pakt();
        QVERIFY(v->Monatsabschluss(Maerz, true, zeitpunkt(2006, 3, 31)).gebucht());
        zahlen(*v, April);
        if (fall == QLatin1String("austritt")) {
            v.reset();
            // Clara's share of March, edited down below zero.
            const QString datei = pfad(QStringLiteral("T_Clara.ven"));
            QString neu = QString::fromLatin1(dateiInhalt(datei));
            neu.replace(QRegularExpression(QStringLiteral("\n200603=[^\r]*")), QStringLiteral("\n200603=-120"));
            schreiben(datei, neu.toLatin1());
            v = std::make_unique<TVennlok>(m_dir.path());
            v->Oeffnen();
            const Money kasse = v->Monatsstand().kassenstand;
            QCOMPARE(v->Austrittsbetrag(QStringLiteral("Clara")), Money(0));
            QCOMPARE(v->Austritt(QStringLiteral("Clara")).meldung, QString());
            QCOMPARE(v->Monatsstand().kassenstand, kasse);
            QVERIFY(dateiStand(pfad(QStringLiteral("X_Clara.ven"))).contains("Auszahlung=0\r\n"));
            return;
        }
        QCOMPARE(v->Rechnung(QStringLiteral("Clara"), e(100), zeitpunkt(2006, 4, 10)).meldung, QString());
        QCOMPARE(v->AuszahlungenBuchen(April).betrag, e(100));
        QCOMPARE(v->AuszahlungenBuchen(April).art, TErgebnis::NichtsZuTun);
        if (fall == QLatin1String("nachher"))
            QCOMPARE(v->Rechnung(QStringLiteral("Clara"), e(40), zeitpunkt(2006, 4, 12)).meldung, QString());
        QVERIFY(v->Monatsabschluss(April, true, zeitpunkt(2006, 4, 30)).gebucht());
        const Money gezahlt = fall == QLatin1String("nachher") ? e(140) : e(100);
        QCOMPARE(TTeilhaber(pfad(QStringLiteral("T_Clara.ven")), &v->Speicher()).Auszahlungen(April), gezahlt);
        QCOMPARE(v->Pruefen(), QStringList());
    }

    void erstenMonatNichtVerwerfen()
    {
        auto v = pakt();
        QVERIFY(!v->MonatVerwerfen(Maerz).gebucht());
        QCOMPARE(v->Buchungsmonat(), Maerz);
    }
};

QTEST_GUILESS_MAIN(TstMonatsabschluss)
#include "tst_monatsabschluss.moc"
