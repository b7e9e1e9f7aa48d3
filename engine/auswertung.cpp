// Reading operations for statements, lists and charts. They change nothing.

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

QList<TMonatsverlauf> TVennlok::Verlauf() const
{
    return verlaufAus(*m_daten);
}

QList<TMonatsverlauf> TVennlok::Verlauf(const QString &verzeichnis)
{
    const QString datei = QDir(verzeichnis).filePath(TVennlokDaten::Dateiname);
    if (!QFileInfo(datei).isFile())
        throw VennlokFehler(QStringLiteral("In diesem Ordner liegt kein Pakt: \u201E%1\u201C fehlt.").arg(TVennlokDaten::Dateiname),
                            datei);
    const TVennlokDaten daten(datei);
    return verlaufAus(daten);
}

QList<TUeberweisung> TVennlok::Ueberweisungen(const MonthKey &monat)
{
    QList<TUeberweisung> liste;
    {
        TAnwalt anwalt(Pfad(TAnwalt::Dateiname));
        anwalt.Verwerfen();
        const Money honorare = anwalt.HonorareGesamt(monat);
        if (honorare > 0)
            liste.append({QStringLiteral("Honorare"), QString(), honorare});
    }
    // Participants who left in this month are paid too: their invoices and their settlement.
    std::vector<const TTeilhaber *> ausgetreten;
    std::vector<QString> ausgetreteneNamen;
    for (const QString &datei : m_register->Ausgetretene()) {
        const TTeilhaber &t = m_register->Teilhaber(datei);
        if (t.AusgetretenImMonat() == monat) {
            ausgetreten.push_back(&t);
            ausgetreteneNamen.push_back(NameAusDateiname(datei));
        }
    }
    for (const QString &datei : m_register->Mitglieder()) {
        const Money auszahlungen = m_register->Teilhaber(datei).Auszahlungen(monat);
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

TMonatsbericht TVennlok::Monatsbericht(const MonthKey &monat)
{
    if (!MonatGueltig(monat))
        throw VennlokFehler(QStringLiteral("\u201E%1\u201C ist kein Monat (JJJJMM, Monat 01 bis 12).").arg(Textformat::zitat(monat)));
    const bool laufend = m_kasse && monat == Buchungsmonat();
    const QString datei = Pfad(TKasse::Dateiname(monat));
    if (!laufend && !m_speicher->Existiert(datei))
        throw VennlokFehler(QStringLiteral("Für den Monat %1 gibt es kein Kassenbuch.").arg(Textformat::zitat(monat)), datei);
    std::unique_ptr<TKasse> gelesen;
    if (!laufend)
        gelesen = std::make_unique<TKasse>(datei);
    const TKasse &kasse = laufend ? *m_kasse : *gelesen;
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
    const bool archiviert = m_daten->MonatExtSozialanteil(monat) != FehlwertFloat;
    b.anteil = archiviert ? m_daten->MonatExtSozialanteil(monat) : Sozialanteil();
    const double danach = m_daten->MonatExtSozialanteil(Folgemonat(monat));
    b.neuerAnteil = danach != FehlwertFloat ? danach : Sozialanteil();
    b.ueberweisungen = Ueberweisungen(monat);
    b.paktKonto = PaktKontoEingetragen();
    if (b.paktKonto)
        b.ohneIban = ohneIban(b.ueberweisungen);
    return b;
}

TKontoauszug TVennlok::Kontoauszug(const QString &name)
{
    QString datei = teilhaberDatei(TeilhaberName(name));
    if (datei.isEmpty()) // one who left is found under the name of the file he left
        datei = m_register->AusgetreteneDatei(NameFuerDatei(name.trimmed()));
    if (datei.isEmpty() || !TeilhaberNameFehler(name.trimmed()).isEmpty())
        throw VennlokFehler(QStringLiteral("Diesen Teilhaber gibt es nicht: %1").arg(Textformat::zitat(name)));
    const TTeilhaber &t = m_register->Teilhaber(datei);
    TKontoauszug auszug;
    auszug.name = NameAusDateiname(datei);
    for (const QString &schluessel : t.Adressen())
        auszug.adresse.append({schluessel, t.Adresse(schluessel)});
    auszug.rueckstandGesamt = std::max<Money>(oderNull(t.SummeOffen()), 0);
    auszug.ausgetreten = t.AusgetretenImMonat();

    QList<MonthKey> monate = m_daten->ArchivierteMonate();
    std::sort(monate.begin(), monate.end());
    const MonthKey buchungsmonat = Buchungsmonat();
    if (!buchungsmonat.isEmpty() && !monate.contains(buchungsmonat))
        monate.append(buchungsmonat);
    for (const MonthKey &monat : monate) {
        if (!auszug.ausgetreten.isEmpty() && monat > auszug.ausgetreten)
            break;
        TKontoMonat m;
        m.monat = monat;
        m.offen = monat == buchungsmonat;
        m.beitrag = m.offen ? Beitrag() : oderNull(m_daten->MonatBeitrag(monat));
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
    }
    return auszug;
}

QList<TRueckstand> TVennlok::Rueckstaende()
{
    const MonthKey monat = Buchungsmonat();
    const Money beitrag = Beitrag();
    QList<TRueckstand> liste;
    for (const QString &datei : m_register->Mitglieder()) {
        const TTeilhaber &t = m_register->Teilhaber(datei);
        TRueckstand r{NameAusDateiname(datei), std::max<Money>(oderNull(t.SummeOffen()), 0), t.OffeneMonate()};
        const Money fehlt = GeldPlus(beitrag, -t.Einzahlungen(monat));
        if (!monat.isEmpty() && fehlt > 0) {
            r.betrag = GeldPlus(r.betrag, fehlt);
            r.monate.append(monat);
        }
        if (r.betrag > 0)
            liste.append(r);
    }
    std::sort(liste.begin(), liste.end(), [](const TRueckstand &a, const TRueckstand &b) {
        return a.betrag != b.betrag ? a.betrag > b.betrag : a.name < b.name;
    });
    return liste;
}
