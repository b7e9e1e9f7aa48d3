// The month close: fees, arrears, payouts, capital shares, parameters and transfers.

#include "engine/einheiten.h"
#include "data/anwalt.h"

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

void TAbschluss::schritt(const QString &name)
{
    if (k.nachSchritt)
        k.nachSchritt(name);
}

TErgebnis TAbschluss::Monatsabschluss(const MonthKey &monat, bool erzwingen, DateTime datum)
{
    if (!k.kasse)
        throw VennlokFehler(QStringLiteral("Es ist keine Kasse offen: ohne Pakt gibt es keinen Monatsabschluss."));
    if (monat != k.Buchungsmonat())
        throw VennlokFehler(QStringLiteral("Der Monat %1 ist nicht der Buchungsmonat %2 und kann nicht abgeschlossen werden.")
                                .arg(Textformat::zitat(monat), k.Buchungsmonat()));
    const MonthKey folgemonat = Folgemonat(monat);
    if (!MonatGueltig(folgemonat))
        throw VennlokFehler(QStringLiteral("Der Monat %1 ist der letzte, den das Programm führen kann: nach ihm gibt es "
                                           "keinen Buchungsmonat mehr. Er wird nicht abgeschlossen.").arg(monat),
                            QString(), VennlokFehler::Grenze);
    if (!erzwingen && TAuswertung(k).AnzahlTeilhaber(2) != 0)
        return TErgebnis::Ablehnung(QStringLiteral("Es haben noch nicht alle Teilhaber eingezahlt."), QString());

    k.transaktion(QStringLiteral("Monatsab#####,") + monat + QStringLiteral("   ABSCHLUSSFEHLER"), [&] {
        k.log(QStringLiteral("Monatsab,") + monat);
        k.buchungslog.reset();
        anwaltHonorarBuchen(monat, datum);
        schritt(QStringLiteral("AnwaltHonorarBuchen"));
        offeneBeitraegeBuchen(monat);
        schritt(QStringLiteral("OffeneBeitraegeBuchen"));
        auszahlungenBuchen(monat);
        schritt(QStringLiteral("AuszahlungenBuchen"));
        kapitalanteileBerechnen(monat);
        schritt(QStringLiteral("KapitalanteileBerechnen"));
        parameterBerechnen(monat);
        schritt(QStringLiteral("ParameterBerechnen"));
        if (!k.kasse->Abschliessen(monat))
            misslungen(QStringLiteral("Das Abschließen der Kasse"));
        const Money schluss = k.kasse->Summe();
        k.kasse.reset();
        const QList<TUeberweisung> ueberweisungen = TAuswertung(k).Ueberweisungen(monat); // read once for both lists
        // What leaves the account: each transfer on the cent, as the bank carries it out.
        Money cent = 0, genau = 0;
        for (const TUeberweisung &u : ueberweisungen) {
            cent = GeldPlus(cent, AufCent(u.betrag));
            genau = GeldPlus(genau, u.betrag);
        }
        k.daten->SetMonatUeberwiesen(monat, cent, GeldPlus(cent, -genau));
        transfersSchreiben(monat, datum, ueberweisungen);
        TBankdateien(k).MitAbschlussSchreiben(monat, datum, ueberweisungen);
        schritt(QStringLiteral("TransfersSchreiben"));
        k.KasseOeffnen(folgemonat, Uhr::Heute());
        k.kasse->SetSummeVormonat(schluss);
        k.kasse->SetSumme(schluss);
        k.kasse->UpdateFile();
        k.daten->SetBuchungsmonat(folgemonat);
        k.daten->UpdateFile();
        schritt(QStringLiteral("KasseOeffnen"));
    });
    // The scripts only show and copy what is booked; the booking never depends on them.
    if (!k.autoModus) {
        TSkripte(k).TransfersZeigen();
        TSkripte(k).Sicherung(monat);
    }
    return TErgebnis::Buchung(true, k.kasse ? k.kasse->SummeVormonat() : 0);
}

void TAbschluss::anwaltHonorarBuchen(const MonthKey &monat, DateTime datum)
{
    const Money ein = GeldMal(k.daten->HonorarEingangsbuchung(), k.kasse->Eingangsbuchungen(monat));
    const Money rech = GeldMal(k.daten->HonorarRechnungsbuchung(), k.kasse->Rechnungsbuchungen(monat));
    TAnwalt anwalt(k.Pfad(TAnwalt::Dateiname), k.speicher.get());
    if (!anwalt.HonorareSetzen(monat, datum, ein, rech)) {
        anwalt.Verwerfen();
        misslungen(QStringLiteral("Das Eintragen der Anwaltshonorare"));
    }
    if (!k.kasse->HonorarBuchen(datum, ein, rech))
        misslungen(QStringLiteral("Die Buchung der Anwaltshonorare"));
}

void TAbschluss::offeneBeitraegeBuchen(const MonthKey &monat)
{
    const Money beitrag = k.daten->Beitrag();
    k.teilhaber->FuerJeden([&](TTeilhaber &t, const QString &) { t.OffenBuchen(monat, beitrag); });
}

Money TAbschluss::Auszahlen(TTeilhaber &teilhaber, const QString &name, const MonthKey &monat)
{
    const Money rechnungen = teilhaber.Rechnungen(monat);
    const Money ausgezahlt = teilhaber.Auszahlungen(monat);
    if (rechnungen <= 0 || rechnungen <= ausgezahlt)
        return 0;
    // Only what is still unpaid: a payout made earlier in the month is not paid again.
    const Money offen = GeldPlus(rechnungen, -ausgezahlt);
    // Arrears cut the rate of the own share.
    const Money satz = GekuerzterSatz(teilhaber.SummeEinz(), teilhaber.SummeOffen(), R4(k.daten->ExtSozialanteil()));
    const Money eigen = EigenanteilBetrag(offen, satz);
    if (!teilhaber.AuszahlungBuchen(monat, offen, eigen, Uhr::Heute()))
        misslungen(QStringLiteral("Die Auszahlung an %1").arg(name));
    if (k.kasse && !k.kasse->AuszahlungBuchen(monat, name, offen, eigen, Uhr::Heute()))
        misslungen(QStringLiteral("Die Kassenbuchung der Auszahlung an %1").arg(name));
    return offen;
}

Money TAbschluss::auszahlungenBuchen(const MonthKey &monat)
{
    Money summe = 0;
    k.teilhaber->FuerJeden([&](TTeilhaber &t, const QString &datei) {
        summe = GeldPlus(summe, Auszahlen(t, NameAusDateiname(datei), monat));
    });
    return summe;
}

TErgebnis TAbschluss::AuszahlungenBuchen(const MonthKey &monat)
{
    Money summe = 0;
    k.transaktion(QStringLiteral("Aus#####,") + monat + QStringLiteral("   BUCHUNGSFEHLER"),
                [&] { summe = auszahlungenBuchen(monat); });
    if (summe == 0)
        return TErgebnis::Nichts(QStringLiteral("Im Monat %1 ist keine Rechnung mehr auszuzahlen.").arg(monat));
    return TErgebnis::Buchung(true, summe);
}

void TAbschluss::kapitalanteileBerechnen(const MonthKey &monat)
{
    const Money limit = k.daten->LimitVirtSumme();
    Money summe = 0;
    // Before scaling: last month's share plus the month's payments and own
    // shares, less its payouts, never below the limit.
    const auto vorher = [&](const TTeilhaber &t) {
        return KapitalanteilNeu(t.GespeicherterKapitalanteil(Vormonat(monat)), t.Einzahlungen(monat),
                                t.Eigenanteile(monat), t.Auszahlungen(monat), limit);
    };
    // Each member's figure once: the second pass, over the same members in the same order, takes it from here.
    std::vector<Money> werte;
    k.teilhaber->FuerJeden([&](TTeilhaber &t, const QString &) {
        werte.push_back(vorher(t));
        summe = GeldPlus(summe, werte.back());
    });
    const Money kasse = k.kasse->Summe();
    std::size_t nr = 0;
    k.teilhaber->FuerJeden([&](TTeilhaber &t, const QString &) { t.SetKapitalanteil(monat, Dreisatz(werte.at(nr++), kasse, summe)); });
}

void TAbschluss::parameterBerechnen(const MonthKey &monat)
{
    if (!k.daten->MonatArchivieren(monat))
        misslungen(QStringLiteral("Das Archivieren der Monatsparameter"));
    k.daten->SetMonatEingangsbuchungen(monat, k.kasse->Eingangsbuchungen(monat));
    k.daten->SetMonatSumme(monat, k.kasse->Summe());
    k.daten->SetMonatEinzahlungen(monat, k.kasse->Einzahlungen());
    k.daten->SetMonatAuszahlungen(monat, k.kasse->Auszahlungen());
    k.daten->SetMonatEigenanteile(monat, k.kasse->Eigenanteile());
    if (monat != k.daten->Startmonat())
        k.daten->SetIntSozialanteil(NeuerIntSozialanteil(k.daten->MonatEingangsbuchungen(monat), k.kasse->Einzahlungen(),
                                                         k.kasse->Auszahlungen(), k.daten->MonatSumme(monat),
                                                         k.daten->Grundsicherung(), k.daten->IntSozialanteil(), k.daten->Daempfung()));
    k.daten->UpdateFile();
}

void TAbschluss::transfersSchreiben(const MonthKey &monat, DateTime datum, const QList<TUeberweisung> &ueberweisungen)
{
    QStringList zeilen{QString(),
                       QStringLiteral("Transfers des Monats ") + monat + QStringLiteral(" erzeugt am ")
                           + Textformat::datumZuText(datum) + QLatin1Char(',') + Textformat::zeitZuText(datum),
                       QString()};
    for (const TUeberweisung &u : ueberweisungen)
        zeilen << u.art + QStringLiteral(": ") + Textformat::transferBetrag(u.betrag) << Bankzeile << QString();
    Textdatei::ZeilenSchreiben(k.Pfad(Transfers), zeilen, k.speicher.get());
}

