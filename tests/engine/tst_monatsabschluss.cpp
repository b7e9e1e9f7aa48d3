#include "algo/fehler.h"
#include "algo/formeln.h"
#include "engine/vennlok.h"
#include "platform/skript.h"

#include "tests/testhilfe.h"

#include <QtTest>
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
        v->AutoModus = true;
        QString meldung;
        v->NeuPakt(TVennlok::Version, meldung, zeitpunkt(2006, 3, 1), e(50), e(0.5), e(2), 0.5, 0.65, e(3000), e(-300));
        zahlen(*v, Maerz);
        return v;
    }

    void zahlen(TVennlok &v, const MonthKey &monat)
    {
        QCOMPARE(v.Einzahlung(QStringLiteral("Anna"), monat, e(50), zeitpunkt(2006, 3, 2)), QString());
        QCOMPARE(v.Einzahlung(QStringLiteral("Bernd"), monat, e(30), zeitpunkt(2006, 3, 2)), QString());
        QCOMPARE(v.Einzahlung(QStringLiteral("Clara"), monat, e(50), zeitpunkt(2006, 3, 2)), QString());
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

    void handgepruefterAbschluss()
    {
        auto v = pakt();
        QVERIFY(!v->Monatsabschluss(Maerz, true, zeitpunkt(2006, 3, 31, 18)));
        // March, the start month: fees 3 × 0.5 leave the fund, Bernd owes 20, no new social share.
        TKasse maerz(pfad("A_Kassendaten200603.ven"));
        QVERIFY(maerz.Abgeschlossen());
        QCOMPARE(maerz.Summe(), e(128.5));
        QCOMPARE(maerz.Auszahlungen(), e(1.5));
        QCOMPARE(maerz.ReadString("Kasse", "Kassengewinn", QString()), QStringLiteral("128,5"));
        QCOMPARE(maerz.ReadString("Kasse", "mittlerer Kassengewinn", QString()), QStringLiteral("42,8333333333333"));
        QCOMPARE(TTeilhaber(pfad("T_Bernd.ven")).SummeOffen(), e(20));
        QCOMPARE(TTeilhaber(pfad("T_Anna.ven")).SummeOffen(), Money(0));
        QCOMPARE(kapital("Anna", Maerz), e(49.4231));
        QCOMPARE(kapital("Bernd", Maerz), e(29.6538));
        QCOMPARE(kapital("Clara", Maerz), e(49.4231));
        QCOMPARE(v->IntSozialanteil(), 0.5);
        QCOMPARE(v->Buchungsmonat(), April);
        QCOMPARE(v->Kassenstand(), e(128.5));
        QCOMPARE(TKasse(pfad("A_Kassendaten200604.ven")).SummeVormonat(), e(128.5));

        // April: the same payments and an invoice of 100 by Clara.
        zahlen(*v, April);
        QCOMPARE(v->Rechnung(QStringLiteral("Clara"), e(100), zeitpunkt(2006, 4, 10)), QString());
        QVERIFY(!v->Monatsabschluss(April, true, zeitpunkt(2006, 4, 30, 18, 5, 1)));
        TKasse april(pfad("A_Kassendaten200604.ven"));
        QCOMPARE(april.Summe(), e(177.5));        // 128.5 + 130 - 3.5 fees - 100 + 22.5
        QCOMPARE(april.Auszahlungen(), e(103.5));
        QCOMPARE(april.Eigenanteile(), e(22.5));
        TTeilhaber clara(pfad("T_Clara.ven"));
        QCOMPARE(clara.Auszahlungen(April), e(100));
        QCOMPARE(clara.Eigenanteile(April), e(22.5));
        QCOMPARE(TTeilhaber(pfad("T_Bernd.ven")).SummeOffen(), e(40));
        QCOMPARE(kapital("Anna", April), e(97.5006));
        QCOMPARE(kapital("Bernd", April), e(58.5003));
        QCOMPARE(kapital("Clara", April), e(21.4992));
        // The social share follows the month's flows: 0.65 × 0.5 + 0.35 × 0.7558.
        TVennlokDaten daten(pfad("A_Vennlok.ven"));
        QCOMPARE(daten.ReadString("aktuelle Daten", "IntSozialanteil", QString()), QStringLiteral("0,58953"));
        QCOMPARE(daten.ReadString("aktuelle Daten", "ExtSozialanteil", QString()), QStringLiteral("0,831"));
        QCOMPARE(daten.ReadString("Monat200604", "IntSozialanteil", QString()), QStringLiteral("0,5"));
        QCOMPARE(daten.MonatSumme(April), e(177.5));
        QCOMPARE(daten.MonatEingangsbuchungen(April), 3);
        QCOMPARE(daten.MonatAuszahlungen(April), e(103.5));
        QCOMPARE(daten.ArchivierteMonate(), QList<MonthKey>({Maerz, April}));
        QCOMPARE(TAnwalt(pfad("A_Anwaltshonorare.ven")).HonorareGesamt(April), e(3.5));
        QCOMPARE(dateiInhalt(pfad("Transfers.tra")),
                 crlf("\nTransfers des Monats 200604 erzeugt am 30.04.2006,18:05:01\n\n"
                      "Honorare: 3,50\nhier KTO, BLZ und Bank\n\n"
                      "Rechnung: 100,00\nhier KTO, BLZ und Bank\n\n"));
        QCOMPARE(v->Buchungsmonat(), Mai);
        QCOMPARE(v->Kassenstand(), e(177.5));
        v.reset();
        QVERIFY(dateiInhalt(pfad("A_Kassendaten200604.buc")).endsWith(crlf("Rechnung,Clara,100\nMonatsab,200604\n")));
        QVERIFY(dateiInhalt(pfad("A_Kassendaten200605.buc")).startsWith(crlf("\nBuchungsLog vom ")));
    }

    void ohneHonorareUndAuszahlungen()
    {
        auto v = std::make_unique<TVennlok>(m_dir.path());
        v->AutoModus = true;
        QString meldung;
        v->NeuPakt(TVennlok::Version, meldung, zeitpunkt(2006, 3, 1), e(50), 0, 0, 0.5, 0.65, e(3000), e(-300));
        QVERIFY(!v->Monatsabschluss(Maerz, false, zeitpunkt(2006, 3, 31)));
        QCOMPARE(dateiInhalt(pfad("Transfers.tra")), crlf("\nTransfers des Monats 200603 erzeugt am 31.03.2006,00:00:00\n\n"));
    }

    void verweigerungAendertNichts()
    {
        auto v = pakt();
        const auto vorher = verzeichnisstand(m_dir);
        QVERIFY(v->Monatsabschluss(Maerz, false, zeitpunkt(2006, 3, 31)));
        QCOMPARE(v->Buchungsmonat(), Maerz);
        v.reset();
        QCOMPARE(verzeichnisstand(m_dir), vorher);
    }

    void ohnePaktWirdAbgelehnt()
    {
        TVennlok v(m_dir.path());
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, v.Monatsabschluss(Maerz, true, 0));
        QVERIFY(!v.MonatVerwerfen(Maerz));
        QCOMPARE(m_dir.entryList(QDir::Files), QStringList({"Vennlok.lck"}));
    }

    void skripteNurAusserhalbDesAutomodus()
    {
        auto v = pakt();
        v->AutoModus = false;
        QVERIFY(!v->Monatsabschluss(Maerz, true, zeitpunkt(2006, 3, 31)));
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
        v->AutoModus = true;
        QFile::remove(pfad("T633786A.BAT"));
        QFile::remove(pfad("G654J76N.BAT"));
        zahlen(*v, April);
        QVERIFY(!v->Monatsabschluss(April, true, zeitpunkt(2006, 4, 30)));
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
        QVERIFY(!v->Monatsabschluss(Maerz, true, zeitpunkt(2006, 3, 31)));
        zahlen(*v, April);
        QCOMPARE(v->Rechnung(QStringLiteral("Clara"), e(100), zeitpunkt(2006, 4, 10)), QString());
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
        QCOMPARE(v->Kassenstand(), e(128.5 + 130));
        v->fehlerNach.clear();
        QVERIFY(!v->Monatsabschluss(April, true, zeitpunkt(2006, 4, 30)));
        QCOMPARE(TKasse(pfad("A_Kassendaten200604.ven")).Summe(), e(177.5));
    }

    // Payouts made mid-month are not paid again; a later invoice is paid once.
    void auszahlungNurDesOffenenTeils()
    {
        auto v = pakt();
        QVERIFY(!v->Monatsabschluss(Maerz, true, zeitpunkt(2006, 3, 31)));
        zahlen(*v, April);
        QCOMPARE(v->Rechnung(QStringLiteral("Clara"), e(100), zeitpunkt(2006, 4, 10)), QString());
        QVERIFY(v->AuszahlungenBuchen(April));
        QVERIFY(v->AuszahlungenBuchen(April));
        QCOMPARE(v->Kassenstand(), e(128.5 + 130 - 100 + 22.5));
        QCOMPARE(v->Rechnung(QStringLiteral("Clara"), e(40), zeitpunkt(2006, 4, 12)), QString());
        QVERIFY(!v->Monatsabschluss(April, true, zeitpunkt(2006, 4, 30)));
        TTeilhaber clara(pfad("T_Clara.ven"));
        QCOMPARE(clara.Auszahlungen(April), e(140));
        QCOMPARE(clara.Eigenanteile(April), e(31.5));
        TKasse april(pfad("A_Kassendaten200604.ven"));
        QCOMPARE(april.Auszahlungen(), e(140 + 3.5 + 2)); // the second invoice adds a fee of 2
        QCOMPARE(april.Eigenanteile(), e(31.5));
        QCOMPARE(april.Summe(), april.SummeVormonat() + april.Einzahlungen() - april.Auszahlungen() + april.Eigenanteile());
        QCOMPARE(april.Ausgangsbuchungen(April), 2);
    }

    // Discarded payouts leave the cash book too; paying again takes the money once.
    void verworfeneAuszahlungenVerlassenDieKasse()
    {
        auto v = pakt();
        QVERIFY(!v->Monatsabschluss(Maerz, true, zeitpunkt(2006, 3, 31)));
        zahlen(*v, April);
        QCOMPARE(v->Rechnung(QStringLiteral("Clara"), e(100), zeitpunkt(2006, 4, 10)), QString());
        const auto zahlen = [&] {
            TKasse kasse(pfad("A_Kassendaten200604.ven"));
            return QList<Money>{kasse.Summe(), kasse.Auszahlungen(), kasse.Eigenanteile(),
                                Money(kasse.Ausgangsbuchungen(April))};
        };
        const QList<Money> vorAuszahlung = zahlen();
        QVERIFY(v->AuszahlungenBuchen(April));
        const QList<Money> nachAuszahlung = zahlen();
        QCOMPARE(nachAuszahlung, QList<Money>({e(128.5 + 130 - 100 + 22.5), e(100), e(22.5), 1}));
        QVERIFY(v->BuchungenVerwerfen(April, 2));
        QCOMPARE(zahlen(), vorAuszahlung);
        QCOMPARE(v->Kassenstand(), e(128.5 + 130));
        QCOMPARE(TTeilhaber(pfad("T_Clara.ven")).Auszahlungen(April), Money(0));
        QVERIFY(v->AuszahlungenBuchen(April));
        QCOMPARE(zahlen(), nachAuszahlung);
    }

    // Closing a month again after "letzten Monat verwerfen" gives the first close's results.
    void monatErneutAbschliessen()
    {
        auto v = pakt();
        QVERIFY(!v->Monatsabschluss(Maerz, true, zeitpunkt(2006, 3, 31)));
        zahlen(*v, April);
        QCOMPARE(v->Rechnung(QStringLiteral("Clara"), e(100), zeitpunkt(2006, 4, 10)), QString());
        QVERIFY(!v->Monatsabschluss(April, true, zeitpunkt(2006, 4, 30)));
        const auto ersterAbschluss = verzeichnisstand(m_dir);

        QVERIFY(!v->MonatVerwerfen(April));
        QVERIFY(v->MonatVerwerfen(Mai));
        QCOMPARE(v->Buchungsmonat(), April);
        QCOMPARE(v->Kassenstand(), e(177.5));
        QCOMPARE(v->IntSozialanteil(), 0.5);
        QVERIFY(QFile::exists(pfad("A_Kassendaten200605.ven05032006")));
        QVERIFY(!v->Monatsabschluss(April, true, zeitpunkt(2006, 4, 30)));

        auto zweiter = verzeichnisstand(m_dir);
        for (const char *datei : {"T_Anna.ven", "T_Bernd.ven", "T_Clara.ven", "A_Vennlok.ven", "A_Anwaltshonorare.ven",
                                     "Transfers.tra"})
            QVERIFY2(zweiter[datei] == ersterAbschluss[datei], datei);
        TKasse april(pfad("A_Kassendaten200604.ven"));
        QCOMPARE(april.Summe(), e(177.5));
        QCOMPARE(april.Auszahlungen(), e(103.5));
        QCOMPARE(v->Kassenstand(), e(177.5));
        QCOMPARE(v->Buchungsmonat(), Mai);

        // Discarding May again on the same day keeps both records.
        QVERIFY(v->MonatVerwerfen(Mai));
        QVERIFY(QFile::exists(pfad("A_Kassendaten200605.ven05032006")));
        QVERIFY(QFile::exists(pfad("A_Kassendaten200605.ven05032006_2")));
        // A payment made in the reopened month counts once: Bernd's April shortfall goes.
        QCOMPARE(v->Einzahlung(QStringLiteral("Bernd"), April, e(20), zeitpunkt(2006, 4, 29)), QString());
        QVERIFY(!v->Monatsabschluss(April, false, zeitpunkt(2006, 4, 30)));
        QCOMPARE(v->Buchungsmonat(), Mai);
        QCOMPARE(TTeilhaber(pfad("T_Bernd.ven")).SummeOffen(), e(20));
    }

    void erstenMonatNichtVerwerfen()
    {
        auto v = pakt();
        QVERIFY(!v->MonatVerwerfen(Maerz));
        QCOMPARE(v->Buchungsmonat(), Maerz);
    }

    void austrittMitAbrechnung()
    {
        auto v = pakt();
        QCOMPARE(v->Austrittsbetrag(QStringLiteral("Clara")), Money(0)); // no month closed yet
        QVERIFY(!v->Monatsabschluss(Maerz, true, zeitpunkt(2006, 3, 31)));
        zahlen(*v, April);
        QCOMPARE(v->Rechnung(QStringLiteral("Clara"), e(100), zeitpunkt(2006, 4, 10)), QString());
        QCOMPARE(v->Austrittsbetrag(QStringLiteral("clara")), e(49.4231));
        QCOMPARE(v->Austritt(QStringLiteral("clara")), QString());
        QVERIFY(!QFile::exists(pfad("T_Clara.ven")));
        QVERIFY(!v->TeilhaberVorhanden(QStringLiteral("Clara")));
        TTeilhaber x(pfad("X_Clara.ven"));
        QCOMPARE(x.AusgetretenImMonat(), April);
        QCOMPARE(x.Auszahlung(), e(49.4231));
        // The unpaid invoice was settled with the exit; the settlement left the fund.
        QCOMPARE(x.Auszahlungen(April), e(100));
        QCOMPARE(v->Kassenstand(), e(128.5 + 130 - 100 + 22.5 - 49.4231));
        TKasse kasse(pfad("A_Kassendaten200604.ven"));
        QCOMPARE(kasse.Summe(), kasse.SummeVormonat() + kasse.Einzahlungen() - kasse.Auszahlungen() + kasse.Eigenanteile());
        QCOMPARE(v->Austritt(QStringLiteral("Clara")), QStringLiteral("Dieser Teilhaber existiert nicht."));
        QVERIFY(!v->Monatsabschluss(April, true, zeitpunkt(2006, 4, 30)));
        QVERIFY(dateiInhalt(pfad("Transfers.tra")).endsWith(
            crlf("Rechnung: 100,00\nhier KTO, BLZ und Bank\n\nAustrittsAuszahlung: 49,42\nhier KTO, BLZ und Bank\n\n")));
        v.reset();
        QVERIFY(dateiInhalt(pfad("A_Kassendaten200604.buc")).contains(crlf("Austritt,Clara,49,4231\n")));
    }
};

QTEST_GUILESS_MAIN(TstMonatsabschluss)
#include "tst_monatsabschluss.moc"
