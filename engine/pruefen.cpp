// The consistency check: do the files of the data directory agree with each other?

#include "engine/einheiten.h"
#include "engine/vennlok.h"

#include "algo/runden.h"
#include "engine/intern.h"
#include "platform/dateien.h"

#include <QRegularExpression>

#include <QHash>
#include <cstdlib>

using namespace Intern;

namespace {

QString alsGeld(Money wert)
{
    return wert == FehlwertMoney ? QStringLiteral("nichts Lesbares") : geldText(wert);
}

// Figures of one cash book, summed from its detail entries.
struct Kassensummen
{
    Money betrag[5] = {};
    int anzahl[5] = {};
    QHash<QString, Money> einzahlungen; // by folded name
    QHash<QString, Money> auszahlungen;
    bool lesbar = true;
};

Kassensummen summieren(const TKasse &kasse)
{
    Kassensummen s;
    for (const TKasse::Eintrag &e : kasse.Eintraege()) {
        if (e.betrag == FehlwertMoney) {
            s.lesbar = false;
            continue;
        }
        s.betrag[e.art] = GeldPlus(s.betrag[e.art], e.betrag);
        ++s.anzahl[e.art];
        if (e.art == TKasse::Eintrag::Einzahlung)
            s.einzahlungen[e.name.toCaseFolded()] = GeldPlus(s.einzahlungen.value(e.name.toCaseFolded()), e.betrag);
        else if (e.art == TKasse::Eintrag::Auszahlung)
            s.auszahlungen[e.name.toCaseFolded()] = GeldPlus(s.auszahlungen.value(e.name.toCaseFolded()), e.betrag);
    }
    return s;
}

} // namespace

QStringList Vennlok::Unterbrochen(const QString &datenverzeichnis)
{
    QStringList befunde;
    for (const QString &rest : TJournalSpeicher::Reste(datenverzeichnis))
        befunde.append(rest == TJournalSpeicher::Journalname
                           ? QStringLiteral("%1: Eine unterbrochene Buchung ist noch nicht abgeschlossen; sie wird beim "
                                            "nächsten Öffnen zu Ende geführt.").arg(rest)
                           : QStringLiteral("%1: Eine vorläufige Datei einer unterbrochenen Buchung liegt noch da; sie "
                                            "wird beim nächsten Öffnen entfernt.").arg(rest));
    return befunde;
}

QStringList TPruefung::Pruefen()
{
    QStringList befunde;
    const auto befund = [&](const QString &datei, const QString &abschnitt, const QString &schluessel,
                            const QString &erwartet, const QString &gefunden) {
        befunde.append(QStringLiteral("%1 [%2] %3: erwartet %4, gefunden %5")
                           .arg(datei, abschnitt, schluessel, erwartet, gefunden));
    };
    const auto geld = [&](const QString &datei, const QString &abschnitt, const QString &schluessel, Money erwartet,
                          Money gefunden) {
        if (erwartet != gefunden)
            befund(datei, abschnitt, schluessel, alsGeld(erwartet), alsGeld(gefunden));
    };
    // A link, FIFO or folder under a data file's name is neither read nor
    // written; nothing can be compared while one stands there.
    static const QRegularExpression datenname(QStringLiteral("^(A_|T_|X_|Vennlok\\.).*"));
    for (const QString &name : k.speicher->Fremde())
        if (datenname.match(name).hasMatch() && name != QLatin1String("Vennlok.lck"))
            befunde.append(Plattform::KeineDatei(name));
    if (!befunde.isEmpty() || !k.PaktVorhanden())
        return befunde;
    // What a booking would refuse: the master data first; with a damaged
    // booking month there is nothing more to compare.
    try {
        k.dateienPruefen();
    } catch (const VennlokFehler &f) {
        befunde.append(f.text());
        if (!MonatGueltig(k.Buchungsmonat()))
            return befunde;
    }
    // Lines the files should not hold: neither a section, a key nor blank (a comment passes).
    for (const QString &datei : k.speicher->Liste(QStringLiteral("*.ven"))) {
        const QStringList zeilen = QString::fromLatin1(k.speicher->Lesen(k.Pfad(datei)).value_or(QByteArray()))
                                       .split(QLatin1Char('\n'));
        for (int i = 0; i < zeilen.size(); ++i) {
            const QString z = zeilen[i].trimmed();
            if (!z.isEmpty() && !z.startsWith(QLatin1Char(';')) && !z.contains(QLatin1Char('='))
                && !(z.startsWith(QLatin1Char('[')) && z.endsWith(QLatin1Char(']'))))
                befunde.append(QStringLiteral("%1, Zeile %2: weder Abschnitt noch Schlüssel: \u201E%3\u201C")
                                   .arg(datei).arg(i + 1).arg(Textformat::zitat(z)));
        }
    }
    const MonthKey buchungsmonat = k.Buchungsmonat();
    const QString &kasseAbschnitt = TKasse::Abschnitt;

    // Each cash book: its totals and counters against its entries. The dated
    // record of a discarded month is left as it was discarded.
    Kassensummen offen;
    bool offenGefunden = false;
    for (const QString &datei : k.speicher->Liste(QStringLiteral("A_Kassendaten*.ven"))) {
        const MonthKey monat = TKasse::MonatAusDateiname(datei);
        if (monat.isEmpty())
            continue;
        const TKasse kasse(k.Pfad(datei), k.speicher.get());
        try {
            TPruefung::KassePruefen(kasse, monat);
        } catch (const VennlokFehler &f) {
            befunde.append(f.text());
        }
        Kassensummen s;
        try {
            s = summieren(kasse);
        } catch (const VennlokFehler &f) {
            befunde.append(datei + QStringLiteral(": ") + f.text()); // entries too large to add up
            continue;
        }
        using E = TKasse::Eintrag;
        if (!s.lesbar)
            befund(datei, QStringLiteral("Teilhaber…"), QStringLiteral("Einträge"), QStringLiteral("Beträge"),
                   QStringLiteral("nicht lesbare Beträge"));
        const QStringList &summe = TKasse::Summen; // Summe, SummeVormonat, Einzahlungen, Rechnungen, Eigenanteile, Auszahlungen
        geld(datei, kasseAbschnitt, summe[2], s.betrag[E::Einzahlung], kasse.Einzahlungen());
        geld(datei, kasseAbschnitt, summe[3], s.betrag[E::Rechnung], kasse.Rechnungen());
        geld(datei, kasseAbschnitt, summe[4], s.betrag[E::Eigenanteil], kasse.Eigenanteile());
        // Figures edited beyond all bounds are a finding, not an overflow.
        try {
            const Money ausgaben = GeldPlus(GeldPlus(s.betrag[E::Auszahlung], s.betrag[E::Austritt]), kasse.HonorareGesamt());
            geld(datei, kasseAbschnitt, summe[5], ausgaben, kasse.Auszahlungen());
            if (kasse.SummeVormonat() != FehlwertMoney)
                geld(datei, kasseAbschnitt, summe[0],
                     GeldPlus(GeldPlus(GeldPlus(kasse.SummeVormonat(), s.betrag[E::Einzahlung]), -ausgaben),
                              s.betrag[E::Eigenanteil]),
                     kasse.Summe());
        } catch (const VennlokFehler &f) {
            befunde.append(datei + QStringLiteral(": ") + f.text());
        }
        const auto zaehler = [&](const QString &name, int erwartet, int gefunden) {
            if (erwartet != gefunden)
                befund(datei, kasseAbschnitt, name + monat, QString::number(erwartet), QString::number(gefunden));
        };
        zaehler(TKasse::Zaehler[0], s.anzahl[E::Einzahlung], kasse.Eingangsbuchungen(monat));
        zaehler(TKasse::Zaehler[1], s.anzahl[E::Rechnung], kasse.Rechnungsbuchungen(monat));
        zaehler(TKasse::Zaehler[2], s.anzahl[E::Auszahlung] + s.anzahl[E::Austritt],
                kasse.Ausgangsbuchungen(monat));
        if (monat == buchungsmonat) {
            offen = s;
            offenGefunden = true;
        }
    }

    // Each participant: totals against entries; the open month against the cash book.
    const QString kopf = QStringLiteral("Kopfdaten");
    QHash<MonthKey, std::pair<Money, int>> kapital; // month -> sum of the shares, number of shares
    for (const QString &datei : k.teilhaber->Mitglieder() + k.teilhaber->Ausgetretene()) {
        // A file cut short is a finding; what it still holds is compared all the same.
        std::unique_ptr<TTeilhaber> abgeschnitten;
        const TTeilhaber *gelesen = nullptr;
        try {
            gelesen = &k.teilhaber->Teilhaber(datei);
        } catch (const VennlokFehler &f) {
            befunde.append(f.text());
            abgeschnitten = k.Lesen<TTeilhaber>(datei);
            gelesen = abgeschnitten.get();
        }
        const TTeilhaber &t = *gelesen;
        TTeilhaber::Eintragssummen s;
        try {
            s = t.AlleEintraege();
        } catch (const VennlokFehler &f) {
            befunde.append(f.text()); // an entry that does not read
            continue;
        }
        geld(datei, kopf, QStringLiteral("SummeEinz"), s.einzahlungen, t.SummeEinz());
        geld(datei, kopf, QStringLiteral("SummeEigen"), s.eigenanteile, t.SummeEigen());
        geld(datei, kopf, QStringLiteral("SummeAusz"), s.auszahlungen, t.SummeAusz());
        geld(datei, kopf, QStringLiteral("SummeOffen"), s.offen, t.SummeOffen());
        if (s.anzahlEinzahlungen != t.AnzahlEinz())
            befund(datei, kopf, QStringLiteral("AnzahlEinz"), QString::number(s.anzahlEinzahlungen),
                   QString::number(t.AnzahlEinz()));
        const bool dabei = datei.startsWith(QLatin1Char('T')) || t.AusgetretenImMonat() == buchungsmonat;
        if (dabei && offenGefunden) {
            const QString name = t.Name().toCaseFolded();
            const QString kasse = TKasse::Dateiname(buchungsmonat);
            geld(kasse, QStringLiteral("TeilhaberEinzahlungen"), t.Name(), t.Einzahlungen(buchungsmonat),
                 offen.einzahlungen.take(name));
            geld(kasse, QStringLiteral("TeilhaberAuszahlungen"), t.Name(), t.Auszahlungen(buchungsmonat),
                 offen.auszahlungen.take(name));
        }
        for (const QString &monat : t.KapitalMonate()) {
            auto &[summe, anzahl] = kapital[monat];
            try {
                summe = GeldPlus(summe, t.GespeicherterKapitalanteil(monat));
            } catch (const VennlokFehler &f) {
                befunde.append(datei + QStringLiteral(" [Kapitalanteil] ") + monat + QStringLiteral(": ") + f.text());
            }
            ++anzahl;
        }
    }
    // What the open cash book holds for nobody of the pact.
    for (const QHash<QString, Money> *rest : {&offen.einzahlungen, &offen.auszahlungen})
        for (auto it = rest->cbegin(); it != rest->cend(); ++it)
            if (it.value() != 0)
                befund(TKasse::Dateiname(buchungsmonat), rest == &offen.einzahlungen ? QStringLiteral("TeilhaberEinzahlungen")
                                                                                    : QStringLiteral("TeilhaberAuszahlungen"),
                       it.key(), QStringLiteral("eine Teilhaberdatei"), QStringLiteral("keine"));

    // The closed months: one section each, without gaps, and capital shares that add up to the fund.
    const QList<MonthKey> archiviert = k.daten->ArchivierteMonate();
    for (MonthKey monat = k.daten->Startmonat(); MonatGueltig(monat) && monat < buchungsmonat; monat = Folgemonat(monat))
        if (!archiviert.contains(monat))
            befund(TVennlokDaten::Dateiname, QStringLiteral("Monat") + monat, QStringLiteral("(Abschnitt)"),
                   QStringLiteral("der abgeschlossene Monat"), QStringLiteral("kein Abschnitt"));
    for (const MonthKey &monat : archiviert) {
        if (monat >= buchungsmonat) {
            befund(TVennlokDaten::Dateiname, QStringLiteral("Monat") + monat, QStringLiteral("(Abschnitt)"),
                   QStringLiteral("kein Abschnitt für den offenen Monat oder später"), QStringLiteral("ein Abschnitt"));
            continue;
        }
        const auto [summe, anzahl] = kapital.value(monat);
        const Money fonds = k.daten->MonatSumme(monat);
        // Each share is rounded on its own: the sum may miss the fund by one unit per share.
        if (anzahl > 0 && (fonds == FehlwertMoney || std::llabs(summe - fonds) > anzahl))
            befund(QStringLiteral("T_*.ven"), QStringLiteral("Kapitalanteil"), monat,
                   QStringLiteral("zusammen der Kassenstand %1 (A_Vennlok.ven)").arg(alsGeld(fonds)), alsGeld(summe));
    }
    return befunde;
}
