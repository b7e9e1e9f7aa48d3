// Reading operations for statements, lists and charts. They change nothing.

#include "engine/einheiten.h"
#include "data/anwalt.h"
#include "engine/vennlok.h"

#include "algo/fehler.h"
#include "algo/runden.h"
#include "engine/intern.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

using namespace Intern;

namespace {

Money oderNull(Money wert)
{
    return wert == FehlwertMoney ? 0 : wert;
}

QList<TMonatsverlauf> verlaufAus(const TVennlokDaten &daten)
{
    QList<TMonatsverlauf> verlauf;
    for (const MonthKey &monat : daten.ArchivierteMonate()) {
        TMonatsverlauf m;
        m.monat = monat;
        m.kasse = oderNull(daten.MonatSumme(monat));
        m.einzahlungen = oderNull(daten.MonatEinzahlungen(monat));
        m.auszahlungen = oderNull(daten.MonatAuszahlungen(monat));
        m.eigenanteile = oderNull(daten.MonatEigenanteile(monat));
        m.eingangsbuchungen = std::max(daten.MonatEingangsbuchungen(monat), 0);
        m.intAnteil = daten.MonatIntSozialanteil(monat);
        m.extAnteil = daten.MonatExtSozialanteil(monat);
        verlauf.append(m);
    }
    std::sort(verlauf.begin(), verlauf.end(), [](const TMonatsverlauf &a, const TMonatsverlauf &b) { return a.monat < b.monat; });
    return verlauf;
}

// Adds the money columns of one month to the statement's sums.
void dazu(TKontoMonat &summe, const TKontoMonat &m)
{
    for (auto feld : {&TKontoMonat::beitrag, &TKontoMonat::eingezahlt, &TKontoMonat::rueckstand, &TKontoMonat::rechnungen,
                      &TKontoMonat::auszahlungen, &TKontoMonat::eigenanteile, &TKontoMonat::sozialanteile})
        summe.*feld = GeldPlus(summe.*feld, m.*feld);
    if (!m.offen)
        summe.kapitalanteil = m.kapitalanteil;
}

} // namespace

QList<TMonatsverlauf> TAuswertung::Verlauf() const
{
    return verlaufAus(*k.daten);
}

QList<TMonatsverlauf> Vennlok::Verlauf(const QString &verzeichnis)
{
    const QString datei = QDir(verzeichnis).filePath(TVennlokDaten::Dateiname);
    if (!QFileInfo(datei).isFile())
        throw VennlokFehler(QStringLiteral("In diesem Ordner liegt kein Pakt: \u201E%1\u201C fehlt.").arg(TVennlokDaten::Dateiname),
                            datei);
    const TVennlokDaten daten(datei);
    return verlaufAus(daten);
}

QList<TUeberweisung> TAuswertung::Ueberweisungen(const MonthKey &monat)
{
    QList<TUeberweisung> liste;
    {
        TAnwalt anwalt(k.Pfad(TAnwalt::Dateiname), k.speicher.get());
        anwalt.Verwerfen();
        const Money honorare = anwalt.HonorareGesamt(monat);
        if (honorare > 0)
            liste.append({QStringLiteral("Honorare"), QString(), honorare});
    }
    // Participants who left in this month are paid too: their invoices and their settlement.
    std::vector<const TTeilhaber *> ausgetreten;
    std::vector<QString> ausgetreteneNamen;
    for (const QString &datei : k.teilhaber->Ausgetretene()) {
        const TTeilhaber &t = k.teilhaber->Teilhaber(datei);
        if (t.AusgetretenImMonat() == monat) {
            ausgetreten.push_back(&t);
            ausgetreteneNamen.push_back(NameAusDateiname(datei));
        }
    }
    for (const QString &datei : k.teilhaber->Mitglieder()) {
        const Money auszahlungen = k.teilhaber->Teilhaber(datei).Auszahlungen(monat);
        if (auszahlungen > 0)
            liste.append({QStringLiteral("Rechnung"), NameAusDateiname(datei), auszahlungen});
    }
    for (size_t i = 0; i < ausgetreten.size(); ++i)
        if (ausgetreten[i]->Auszahlungen(monat) > 0)
            liste.append({QStringLiteral("Rechnung"), ausgetreteneNamen[i], ausgetreten[i]->Auszahlungen(monat)});
    for (size_t i = 0; i < ausgetreten.size(); ++i)
        if (ausgetreten[i]->Auszahlung() > 0)
            liste.append({QStringLiteral("AustrittsAuszahlung"), ausgetreteneNamen[i], ausgetreten[i]->Auszahlung()});
    return liste;
}

TMonatsbericht TAuswertung::Monatsbericht(const MonthKey &monat)
{
    if (!MonatGueltig(monat))
        throw VennlokFehler(QStringLiteral("\u201E%1\u201C ist kein Monat (JJJJMM, Monat 01 bis 12).").arg(Textformat::zitat(monat)));
    const bool laufend = k.kasse && monat == k.Buchungsmonat();
    const QString datei = k.Pfad(TKasse::Dateiname(monat));
    if (!laufend && !k.speicher->Existiert(datei))
        throw VennlokFehler(QStringLiteral("Für den Monat %1 gibt es kein Kassenbuch.").arg(Textformat::zitat(monat)), datei);
    std::unique_ptr<TKasse> gelesen;
    if (!laufend)
        gelesen = k.Lesen<TKasse>(TKasse::Dateiname(monat));
    const TKasse &kasse = laufend ? *k.kasse : *gelesen;
    TMonatsbericht b;
    b.monat = monat;
    b.kasseVorher = oderNull(kasse.SummeVormonat());
    b.kasseNachher = oderNull(kasse.Summe());
    b.einzahlungen = oderNull(kasse.Einzahlungen());
    b.rechnungen = oderNull(kasse.Rechnungen());
    b.auszahlungen = oderNull(kasse.Auszahlungen());
    b.eigenanteile = oderNull(kasse.Eigenanteile());
    b.honorare = kasse.HonorareGesamt();
    b.eingangsbuchungen = kasse.Eingangsbuchungen(monat);
    b.rechnungsbuchungen = kasse.Rechnungsbuchungen(monat);
    const bool archiviert = k.daten->MonatExtSozialanteil(monat) != FehlwertFloat;
    b.anteil = archiviert ? k.daten->MonatExtSozialanteil(monat) : k.daten->ExtSozialanteil();
    const double danach = k.daten->MonatExtSozialanteil(Folgemonat(monat));
    b.neuerAnteil = danach != FehlwertFloat ? danach : k.daten->ExtSozialanteil();
    b.ueberweisungen = Ueberweisungen(monat);
    b.paktKonto = TBankdateien(k).PaktKontoEingetragen();
    if (b.paktKonto)
        b.ohneIban = TBankdateien(k).OhneIban(b.ueberweisungen);
    // The report shows each payee as the name was typed.
    for (TUeberweisung &u : b.ueberweisungen) {
        if (u.name.isEmpty())
            continue;
        const QString datei = k.teilhaber->DateiAuchAusgetreten(u.name);
        if (!datei.isEmpty())
            u.name = k.teilhaber->Teilhaber(datei).Anzeigename();
    }
    b.konto = TBankabgleich(k).Kontostand(monat);
    return b;
}

TKontoauszug TAuswertung::Kontoauszug(const QString &name)
{
    QString datei = TBuchungen(k).Datei(name.trimmed());
    if (datei.isEmpty()) // one who left is found under the name of the file he left
        datei = k.teilhaber->AusgetreteneDatei(NameFuerDatei(name.trimmed()));
    if (datei.isEmpty() || !TeilhaberNameFehler(name.trimmed()).isEmpty())
        throw VennlokFehler(QStringLiteral("Diesen Teilhaber gibt es nicht: %1").arg(Textformat::zitat(name)));
    const TTeilhaber &t = k.teilhaber->Teilhaber(datei);
    TKontoauszug auszug;
    auszug.name = t.Anzeigename();
    for (const QString &schluessel : t.Adressen())
        auszug.adresse.append({schluessel, t.Adresse(schluessel)});
    auszug.rueckstandGesamt = std::max<Money>(oderNull(t.SummeOffen()), 0);
    auszug.ausgetreten = t.AusgetretenImMonat();

    QList<MonthKey> monate = k.daten->ArchivierteMonate();
    std::sort(monate.begin(), monate.end());
    const MonthKey buchungsmonat = k.Buchungsmonat();
    if (!buchungsmonat.isEmpty() && !monate.contains(buchungsmonat))
        monate.append(buchungsmonat);
    for (const MonthKey &monat : monate) {
        if (!auszug.ausgetreten.isEmpty() && monat > auszug.ausgetreten)
            break;
        TKontoMonat m;
        m.monat = monat;
        m.offen = monat == buchungsmonat;
        m.beitrag = m.offen ? k.daten->Beitrag() : oderNull(k.daten->MonatBeitrag(monat));
        m.eingezahlt = t.Einzahlungen(monat);
        m.rueckstand = t.Offen(monat);
        m.rechnungen = t.Rechnungen(monat);
        m.auszahlungen = t.Auszahlungen(monat);
        m.eigenanteile = t.Eigenanteile(monat);
        m.sozialanteile = GeldPlus(m.auszahlungen, -m.eigenanteile);
        m.kapitalanteil = t.GespeicherterKapitalanteil(monat);
        // The statement begins with the participant's first booking.
        const bool gebucht = m.eingezahlt || m.rueckstand || m.rechnungen || m.auszahlungen || m.kapitalanteil;
        if (auszug.monate.isEmpty() && !gebucht)
            continue;
        auszug.monate.append(m);
        dazu(auszug.summe, m);
        if (m.offen && auszug.ausgetreten.isEmpty())
            auszug.faellig = std::max<Money>(GeldPlus(m.beitrag, -m.eingezahlt), 0);
    }
    return auszug;
}

QList<TRueckstand> TAuswertung::Rueckstaende()
{
    const MonthKey monat = k.Buchungsmonat();
    const Money beitrag = k.daten->Beitrag();
    QList<TRueckstand> liste;
    for (const QString &datei : k.teilhaber->Mitglieder()) {
        const TTeilhaber &t = k.teilhaber->Teilhaber(datei);
        TRueckstand r{t.Anzeigename(), std::max<Money>(oderNull(t.SummeOffen()), 0), t.OffeneMonate(), 0};
        if (!monat.isEmpty())
            r.faellig = std::max<Money>(GeldPlus(beitrag, -t.Einzahlungen(monat)), 0);
        if (r.betrag > 0 || r.faellig > 0)
            liste.append(r);
    }
    std::sort(liste.begin(), liste.end(), [](const TRueckstand &a, const TRueckstand &b) {
        return a.betrag != b.betrag ? a.betrag > b.betrag : a.faellig != b.faellig ? a.faellig > b.faellig : a.name < b.name;
    });
    return liste;
}

// --- the participants ------------------------------------------------------

Money TAuswertung::einzahlungen(const QString &datei, const MonthKey &monat)
{
    return k.teilhaber->Teilhaber(datei).Einzahlungen(monat);
}

bool TAuswertung::TeilhaberVorhanden(const QString &name) const
{
    return TeilhaberNameFehler(name).isEmpty() && !k.teilhaber->Datei(name).isEmpty();
}

QString TAuswertung::TeilhaberName(const QString &eingabe) const
{
    const QString datei = TBuchungen(k).Datei(eingabe.trimmed());
    return datei.isEmpty() ? QString() : NameAusDateiname(datei);
}

QString TAuswertung::Anzeigename(const QString &eingabe) const
{
    const QString datei = TBuchungen(k).Datei(eingabe.trimmed());
    return datei.isEmpty() ? QString() : k.teilhaber->Teilhaber(datei).Anzeigename();
}

QStringList TAuswertung::OffeneTeilhaber()
{
    const MonthKey monat = k.Buchungsmonat();
    const Money beitrag = k.daten->Beitrag();
    QStringList namen;
    for (const QString &datei : k.teilhaber->Mitglieder())
        if (einzahlungen(datei, monat) < beitrag)
            namen.append(k.teilhaber->Teilhaber(datei).Anzeigename());
    return namen;
}

QStringList TAuswertung::Teilhabernamen()
{
    QStringList namen;
    for (const QString &datei : k.teilhaber->Mitglieder())
        namen.append(k.teilhaber->Teilhaber(datei).Anzeigename());
    return namen;
}

QList<QPair<QString, QString>> TAuswertung::Adresse(const QString &name) const
{
    QList<QPair<QString, QString>> adresse;
    const QString datei = TBuchungen(k).Datei(name);
    if (datei.isEmpty())
        return adresse;
    const TTeilhaber &t = k.teilhaber->Teilhaber(datei);
    for (const QString &schluessel : t.Adressen())
        adresse.append({schluessel, t.Adresse(schluessel)});
    return adresse;
}

int TAuswertung::AnzahlTeilhaber(int art)
{
    if (art == 0)
        return int(k.teilhaber->Mitglieder().size());
    if (art == 2)
        return int(OffeneTeilhaber().size());
    const MonthKey monat = k.Buchungsmonat();
    const Money beitrag = k.daten->Beitrag();
    int anzahl = 0;
    for (const QString &datei : k.teilhaber->Mitglieder())
        anzahl += art == 1 && einzahlungen(datei, monat) == beitrag;
    return anzahl;
}

QStringList TAuswertung::TeilhaberListe(bool nurOffene)
{
    const MonthKey monat = k.Buchungsmonat();
    const Money beitrag = k.daten->Beitrag();
    QStringList zeilen;
    for (const QString &datei : k.teilhaber->Mitglieder()) {
        const Money bezahlt = einzahlungen(datei, monat);
        if (nurOffene && bezahlt >= beitrag)
            continue;
        const QString name = k.teilhaber->Teilhaber(datei).Anzeigename();
        zeilen.append(name + QString(qMax<qsizetype>(0, 40 - name.size()), QLatin1Char('.')) + geldText(bezahlt));
    }
    return zeilen;
}
