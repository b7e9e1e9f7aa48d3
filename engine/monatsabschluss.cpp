// The month close: fees, arrears, payouts, capital shares, parameters and transfers.

#include "engine/vennlok.h"

#include "algo/fehler.h"
#include "algo/formeln.h"
#include "algo/runden.h"
#include "data/textdatei.h"
#include "data/textformat.h"
#include "data/uhr.h"
#include "platform/dateien.h"
#include "platform/skript.h"

#include <QFile>
#include <vector>

#include "engine/intern.h"

using namespace Intern;

namespace {

const QString Bankzeile = QStringLiteral("hier KTO, BLZ und Bank");

} // namespace

void TVennlok::fuerJedenTeilhaber(const std::function<void(TTeilhaber &, const QString &)> &schritt)
{
    // Each file is parsed once per engine and serialised once per commit,
    // however many steps of the close change it.
    for (const QString &datei : m_register->Mitglieder()) {
        TTeilhaber &teilhaber = m_register->Teilhaber(datei);
        schritt(teilhaber, datei);
        if (teilhaber.Geaendert())
            teilhaber.UpdateFile();
    }
}

TErgebnis TVennlok::Monatsabschluss(const MonthKey &monat, bool erzwingen, DateTime datum)
{
    if (!m_kasse)
        throw VennlokFehler(QStringLiteral("Es ist keine Kasse offen: ohne Pakt gibt es keinen Monatsabschluss."));
    if (monat != Buchungsmonat())
        throw VennlokFehler(QStringLiteral("Der Monat %1 ist nicht der Buchungsmonat %2 und kann nicht abgeschlossen werden.")
                                .arg(Textformat::zitat(monat), Buchungsmonat()));
    const MonthKey folgemonat = Folgemonat(monat);
    if (!MonatGueltig(folgemonat))
        throw VennlokFehler(QStringLiteral("Der Monat %1 ist der letzte, den das Programm führen kann: nach ihm gibt es "
                                           "keinen Buchungsmonat mehr. Er wird nicht abgeschlossen.").arg(monat),
                            QString(), VennlokFehler::Grenze);
    if (AnzahlTeilhaber(2) != 0 && !erzwingen)
        return abgelehnt(QStringLiteral("Es haben noch nicht alle Teilhaber eingezahlt."), QString());

    transaktion(QStringLiteral("Monatsab#####,") + monat + QStringLiteral("   ABSCHLUSSFEHLER"), [&] {
        log(QStringLiteral("Monatsab,") + monat);
        m_buchungslog.reset();
        anwaltHonorarBuchen(monat, datum);
        NachSchritt(QStringLiteral("AnwaltHonorarBuchen"));
        offeneBeitraegeBuchen(monat);
        NachSchritt(QStringLiteral("OffeneBeitraegeBuchen"));
        auszahlungenBuchen(monat);
        NachSchritt(QStringLiteral("AuszahlungenBuchen"));
        kapitalanteileBerechnen(monat);
        NachSchritt(QStringLiteral("KapitalanteileBerechnen"));
        parameterBerechnen(monat);
        NachSchritt(QStringLiteral("ParameterBerechnen"));
        if (!m_kasse->Abschliessen(monat))
            misslungen(QStringLiteral("Das Abschließen der Kasse"));
        const Money schluss = m_kasse->Summe();
        m_kasse.reset();
        const QList<TUeberweisung> ueberweisungen = Ueberweisungen(monat); // read once for both lists
        transfersSchreiben(monat, datum, ueberweisungen);
        sepaSchreiben(monat, datum, ueberweisungen);
        NachSchritt(QStringLiteral("TransfersSchreiben"));
        KasseOeffnen(folgemonat, Uhr::Heute());
        m_kasse->SetSummeVormonat(schluss);
        m_kasse->SetSumme(schluss);
        m_kasse->UpdateFile();
        m_daten->SetBuchungsmonat(folgemonat);
        m_daten->UpdateFile();
        NachSchritt(QStringLiteral("KasseOeffnen"));
    });
    // The scripts only show and copy what is booked; the booking never depends on them.
    if (!m_autoModus) {
        TransfersZeigen();
        Sicherung(monat);
    }
    return gebucht(true, m_kasse ? m_kasse->SummeVormonat() : 0);
}

void TVennlok::anwaltHonorarBuchen(const MonthKey &monat, DateTime datum)
{
    const Money ein = GeldMal(HonorarEingangsbuchung(), m_kasse->Eingangsbuchungen(monat));
    const Money rech = GeldMal(HonorarRechnungsbuchung(), m_kasse->Rechnungsbuchungen(monat));
    TAnwalt anwalt(Pfad(TAnwalt::Dateiname));
    if (!anwalt.HonorareSetzen(monat, datum, ein, rech)) {
        anwalt.Verwerfen();
        misslungen(QStringLiteral("Das Eintragen der Anwaltshonorare"));
    }
    if (!m_kasse->HonorarBuchen(datum, ein, rech))
        misslungen(QStringLiteral("Die Buchung der Anwaltshonorare"));
}

void TVennlok::offeneBeitraegeBuchen(const MonthKey &monat)
{
    const Money beitrag = Beitrag();
    fuerJedenTeilhaber([&](TTeilhaber &t, const QString &) { t.OffenBuchen(monat, beitrag); });
}

Money TVennlok::teilhaberAuszahlen(TTeilhaber &teilhaber, const QString &name, const MonthKey &monat)
{
    const Money rechnungen = teilhaber.Rechnungen(monat);
    const Money ausgezahlt = teilhaber.Auszahlungen(monat);
    if (rechnungen <= 0 || rechnungen <= ausgezahlt)
        return 0;
    // Only what is still unpaid: a payout made earlier in the month is not paid again.
    const Money offen = GeldPlus(rechnungen, -ausgezahlt);
    // Arrears cut the rate of the own share.
    const Money satz = GekuerzterSatz(teilhaber.SummeEinz(), teilhaber.SummeOffen(), R4(Sozialanteil()));
    const Money eigen = EigenanteilBetrag(offen, satz);
    if (!teilhaber.AuszahlungBuchen(monat, offen, eigen, Uhr::Heute()))
        misslungen(QStringLiteral("Die Auszahlung an %1").arg(name));
    if (m_kasse && !m_kasse->AuszahlungBuchen(monat, name, offen, eigen, Uhr::Heute()))
        misslungen(QStringLiteral("Die Kassenbuchung der Auszahlung an %1").arg(name));
    return offen;
}

Money TVennlok::auszahlungenBuchen(const MonthKey &monat)
{
    Money summe = 0;
    fuerJedenTeilhaber([&](TTeilhaber &t, const QString &datei) {
        summe = GeldPlus(summe, teilhaberAuszahlen(t, NameAusDateiname(datei), monat));
    });
    return summe;
}

TErgebnis TVennlok::AuszahlungenBuchen(const MonthKey &monat)
{
    Money summe = 0;
    transaktion(QStringLiteral("Aus#####,") + monat + QStringLiteral("   BUCHUNGSFEHLER"),
                [&] { summe = auszahlungenBuchen(monat); });
    if (summe == 0)
        return {TErgebnis::NichtsZuTun, QString(), QStringLiteral("Im Monat %1 ist keine Rechnung mehr auszuzahlen.").arg(monat), 0};
    return gebucht(true, summe);
}

void TVennlok::kapitalanteileBerechnen(const MonthKey &monat)
{
    const Money limit = LimitVirtSumme();
    Money summe = 0;
    // Before scaling: last month's share plus the month's payments and own
    // shares, less its payouts, never below the limit.
    const auto vorher = [&](const TTeilhaber &t) {
        return KapitalanteilNeu(t.GespeicherterKapitalanteil(Vormonat(monat)), t.Einzahlungen(monat),
                                t.Eigenanteile(monat), t.Auszahlungen(monat), limit);
    };
    fuerJedenTeilhaber([&](TTeilhaber &t, const QString &) { summe = GeldPlus(summe, vorher(t)); });
    const Money kasse = m_kasse->Summe();
    fuerJedenTeilhaber([&](TTeilhaber &t, const QString &) { t.SetKapitalanteil(monat, Dreisatz(vorher(t), kasse, summe)); });
}

void TVennlok::parameterBerechnen(const MonthKey &monat)
{
    if (!m_daten->MonatArchivieren(monat))
        misslungen(QStringLiteral("Das Archivieren der Monatsparameter"));
    m_daten->SetMonatEingangsbuchungen(monat, m_kasse->Eingangsbuchungen(monat));
    m_daten->SetMonatSumme(monat, m_kasse->Summe());
    m_daten->SetMonatEinzahlungen(monat, m_kasse->Einzahlungen());
    m_daten->SetMonatAuszahlungen(monat, m_kasse->Auszahlungen());
    m_daten->SetMonatEigenanteile(monat, m_kasse->Eigenanteile());
    if (monat != m_daten->Startmonat())
        m_daten->SetIntSozialanteil(NeuerIntSozialanteil(m_daten->MonatEingangsbuchungen(monat), m_kasse->Einzahlungen(),
                                                         m_kasse->Auszahlungen(), m_daten->MonatSumme(monat),
                                                         Grundsicherung(), IntSozialanteil(), Daempfung()));
    m_daten->UpdateFile();
}

void TVennlok::transfersSchreiben(const MonthKey &monat, DateTime datum, const QList<TUeberweisung> &ueberweisungen)
{
    QStringList zeilen{QString(),
                       QStringLiteral("Transfers des Monats ") + monat + QStringLiteral(" erzeugt am ")
                           + Textformat::datumZuText(datum) + QLatin1Char(',') + Textformat::zeitZuText(datum),
                       QString()};
    for (const TUeberweisung &u : ueberweisungen)
        zeilen << u.art + QStringLiteral(": ") + Textformat::transferBetrag(u.betrag) << Bankzeile << QString();
    Textdatei::ZeilenSchreiben(Pfad(Transfers), zeilen);
}

