// The exit of a participant and the discarding of bookings and months.

#include "engine/einheiten.h"

#include "data/uhr.h"
#include "engine/intern.h"

using namespace Intern;

Money TAustritte::Austrittsbetrag(const QString &name)
{
    const QString datei = TeilhaberNameFehler(name).isEmpty() ? k.teilhaber->Datei(name) : QString();
    const MonthKey monat = k.Buchungsmonat();
    if (datei.isEmpty() || monat.isEmpty() || monat == k.daten->Startmonat())
        return 0;
    return std::max<Money>(k.teilhaber->Teilhaber(datei).GespeicherterKapitalanteil(Vormonat(monat)), 0);
}

TErgebnis TAustritte::Austritt(const QString &name)
{
    if (!k.kasse)
        return TErgebnis::Ablehnung(QStringLiteral("Die Kasse ist nicht offen."));
    const QString fehler = TeilhaberNameFehler(name);
    if (!fehler.isEmpty())
        return TErgebnis::Ablehnung(fehler);
    const QString datei = k.teilhaber->Datei(name);
    if (datei.isEmpty())
        return TErgebnis::Ablehnung(QStringLiteral("Dieser Teilhaber existiert nicht."));
    const QString wer = NameAusDateiname(datei);
    const MonthKey monat = k.Buchungsmonat();
    const Money betrag = Austrittsbetrag(wer);
    // Someone of the same name may have left before; that record stays.
    QString ziel = QLatin1Char('X') + datei.mid(1);
    for (int n = 2; k.speicher->Existiert(k.Pfad(ziel)); ++n)
        ziel = QStringLiteral("X_%1_%2.ven").arg(wer).arg(n);
    k.transaktion(QStringLiteral("Austritt#####,") + wer + QStringLiteral("   BUCHUNGSFEHLER"), [&] {
                    TTeilhaber &teilhaber = k.teilhaber->Teilhaber(datei);
                    TAbschluss(k).Auszahlen(teilhaber, wer, monat);
                    if (!teilhaber.AustrittBuchen(monat, betrag))
                        misslungen(QStringLiteral("Der Austritt von %1").arg(wer));
                    if (betrag > 0 && !k.kasse->AustrittBuchen(monat, wer, betrag, Uhr::Jetzt()))
                        misslungen(QStringLiteral("Die Kassenbuchung des Austritts von %1").arg(wer));
                    k.dateiUmbenennen(datei, ziel);
                    k.teilhaber->Vergessen(datei);
                    k.log(QStringLiteral("Austritt,") + wer + QLatin1Char(',') + Textformat::moneyZuText(betrag));
                });
    return TErgebnis::Buchung(true, betrag);
}

// --- discarding ------------------------------------------------------------

void TAustritte::buchungenVerwerfen(const MonthKey &monat, int arten)
{
    const bool kasseDesMonats = k.kasse && monat == k.Buchungsmonat();
    k.teilhaber->FuerJeden([&](TTeilhaber &t, const QString &datei) {
        if (arten & 2) {
            // Payouts leave the fund's book too, or paying again would take the money twice.
            if (kasseDesMonats && !k.kasse->AuszahlungenStornieren(monat, NameAusDateiname(datei)))
                misslungen(QStringLiteral("Das Zurücknehmen der Auszahlungen aus der Kasse"));
            if (!t.AuszahlungenLoeschen(monat))
                misslungen(QStringLiteral("Das Verwerfen der Auszahlungen"));
        }
        if ((arten & 4) && !t.RechnungenLoeschen(monat))
            misslungen(QStringLiteral("Das Verwerfen der Rechnungen"));
        if ((arten & 8) && !t.EinzahlungenLoeschen(monat))
            misslungen(QStringLiteral("Das Verwerfen der Einzahlungen"));
    });
}

TErgebnis TAustritte::BuchungenVerwerfen(const MonthKey &monat, int arten)
{
    k.transaktion(QStringLiteral("Verwerfen#####,") + monat + QStringLiteral("   BUCHUNGSFEHLER"),
                [&] { buchungenVerwerfen(monat, arten); });
    return TErgebnis::Buchung(true, 0);
}

QStringList TAustritte::austritteDesMonats(const MonthKey &monat)
{
    QStringList dateien;
    for (const QString &datei : k.teilhaber->Ausgetretene())
        if (k.teilhaber->Teilhaber(datei).AusgetretenImMonat() == monat)
            dateien.append(datei);
    return dateien;
}

QStringList TAustritte::AustritteImMonat(const MonthKey &monat)
{
    QStringList namen;
    for (const QString &datei : austritteDesMonats(monat))
        namen.append(k.teilhaber->Teilhaber(datei).Name());
    return namen;
}

void TAustritte::austritteZuruecknehmen(const MonthKey &monat)
{
    for (const QString &datei : austritteDesMonats(monat)) {
        TTeilhaber &teilhaber = k.teilhaber->Teilhaber(datei);
        // The member's file comes back under the name it had; its bookings of
        // the month then leave with everyone else's, the settlement's cash
        // booking with the discarded book.
        const QString ziel = TeilhaberDateiname(teilhaber.Name());
        if (k.speicher->Existiert(k.Pfad(ziel)))
            throw VennlokFehler(QStringLiteral("Der Austritt von %1 kann nicht zurückgenommen werden: es gibt wieder "
                                               "eine Datei \u201E%2\u201C. Der Monat %3 wird nicht verworfen.")
                                    .arg(teilhaber.Name(), ziel, monat));
        if (!teilhaber.AustrittZuruecknehmen(monat))
            misslungen(QStringLiteral("Das Zurücknehmen des Austritts von %1").arg(teilhaber.Name()));
        k.dateiUmbenennen(datei, ziel);
        k.teilhaber->Vergessen(datei);
    }
}

TErgebnis TAustritte::MonatVerwerfen(const MonthKey &monat)
{
    if (!k.kasse)
        return TErgebnis::Ablehnung(QStringLiteral("Es gibt keinen offenen Monat, der verworfen werden könnte."));
    if (monat != k.Buchungsmonat())
        return TErgebnis::Ablehnung(QStringLiteral("Der Monat %1 ist nicht der Buchungsmonat %2.").arg(Textformat::zitat(monat), k.Buchungsmonat()));
    if (monat == k.daten->Startmonat())
        return TErgebnis::Ablehnung(QStringLiteral("Der Monat %1 ist der erste des Pakts und kann nicht verworfen werden.").arg(monat));
    const MonthKey vormonat = Vormonat(monat);
    const QString alt = TKasse::Dateiname(monat);
    // The discarded book is kept as a record under a dated name; a second one of the same day gets a number.
    const QString stempel = alt + Textformat::dateTimeZuText(Uhr::Heute()).remove(QLatin1Char('.'));
    QString neu = stempel;
    for (int n = 2; k.speicher->Existiert(k.Pfad(neu)); ++n)
        neu = stempel + QLatin1Char('_') + QString::number(n);
    k.transaktion(QStringLiteral("Verwerfen#####,") + monat + QStringLiteral("   BUCHUNGSFEHLER"), [&] {
        austritteZuruecknehmen(monat);
        buchungenVerwerfen(monat, 14);
        if (!k.kasse->Abschliessen(monat))
            misslungen(QStringLiteral("Das Abschließen der verworfenen Kasse"));
        k.kasse.reset();
        k.dateiUmbenennen(alt, neu);
        k.daten->SetBuchungsmonat(vormonat);
        k.KasseOeffnen(vormonat, Uhr::Heute());
        if (!k.daten->MonatZurueckholen(vormonat))
            misslungen(QStringLiteral("Das Zurückholen der Parameter von %1").arg(vormonat));
    });
    return TErgebnis::Buchung(true, 0);
}
