// The exit of a participant and the discarding of bookings and months.

#include "engine/vennlok.h"

#include "data/uhr.h"
#include "engine/intern.h"

using namespace Intern;

Money TVennlok::Austrittsbetrag(const QString &name)
{
    const QString datei = TeilhaberNameFehler(name).isEmpty() ? teilhaberDatei(name) : QString();
    const MonthKey monat = Buchungsmonat();
    if (datei.isEmpty() || monat.isEmpty() || monat == m_daten->Startmonat())
        return 0;
    return std::max<Money>(m_register->Teilhaber(datei).GespeicherterKapitalanteil(Vormonat(monat)), 0);
}

TErgebnis TVennlok::Austritt(const QString &name)
{
    if (!m_kasse)
        return abgelehnt(QStringLiteral("Die Kasse ist nicht offen."));
    const QString fehler = TeilhaberNameFehler(name);
    if (!fehler.isEmpty())
        return abgelehnt(fehler);
    const QString datei = teilhaberDatei(name);
    if (datei.isEmpty())
        return abgelehnt(QStringLiteral("Dieser Teilhaber existiert nicht."));
    const QString wer = NameAusDateiname(datei);
    const MonthKey monat = Buchungsmonat();
    const Money betrag = Austrittsbetrag(wer);
    // Someone of the same name may have left before; that record stays.
    QString ziel = QLatin1Char('X') + datei.mid(1);
    for (int n = 2; m_speicher->Existiert(Pfad(ziel)); ++n)
        ziel = QStringLiteral("X_%1_%2.ven").arg(wer).arg(n);
    transaktion(QStringLiteral("Austritt#####,") + wer + QStringLiteral("   BUCHUNGSFEHLER"), [&] {
                    TTeilhaber &teilhaber = m_register->Teilhaber(datei);
                    teilhaberAuszahlen(teilhaber, wer, monat);
                    if (!teilhaber.AustrittBuchen(monat, betrag))
                        misslungen(QStringLiteral("Der Austritt von %1").arg(wer));
                    if (betrag > 0 && !m_kasse->AustrittBuchen(monat, wer, betrag, Uhr::Jetzt()))
                        misslungen(QStringLiteral("Die Kassenbuchung des Austritts von %1").arg(wer));
                    dateiUmbenennen(datei, ziel);
                    m_register->Vergessen(datei);
                    log(QStringLiteral("Austritt,") + wer + QLatin1Char(',') + Textformat::moneyZuText(betrag));
                });
    return gebucht(true, betrag);
}

// --- discarding ------------------------------------------------------------

void TVennlok::buchungenVerwerfen(const MonthKey &monat, int arten)
{
    const bool kasseDesMonats = m_kasse && monat == Buchungsmonat();
    fuerJedenTeilhaber([&](TTeilhaber &t, const QString &datei) {
        if (arten & 2) {
            // Payouts leave the fund's book too, or paying again would take the money twice.
            if (kasseDesMonats && !m_kasse->AuszahlungenStornieren(monat, NameAusDateiname(datei)))
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

TErgebnis TVennlok::BuchungenVerwerfen(const MonthKey &monat, int arten)
{
    transaktion(QStringLiteral("Verwerfen#####,") + monat + QStringLiteral("   BUCHUNGSFEHLER"),
                [&] { buchungenVerwerfen(monat, arten); });
    return gebucht(true, 0);
}

QStringList TVennlok::austritteDesMonats(const MonthKey &monat)
{
    QStringList dateien;
    for (const QString &datei : m_register->Ausgetretene())
        if (m_register->Teilhaber(datei).AusgetretenImMonat() == monat)
            dateien.append(datei);
    return dateien;
}

QStringList TVennlok::AustritteImMonat(const MonthKey &monat)
{
    QStringList namen;
    for (const QString &datei : austritteDesMonats(monat))
        namen.append(m_register->Teilhaber(datei).Name());
    return namen;
}

void TVennlok::austritteZuruecknehmen(const MonthKey &monat)
{
    for (const QString &datei : austritteDesMonats(monat)) {
        TTeilhaber &teilhaber = m_register->Teilhaber(datei);
        // The member's file comes back under the name it had; its bookings of
        // the month then leave with everyone else's, the settlement's cash
        // booking with the discarded book.
        const QString ziel = TeilhaberDateiname(teilhaber.Name());
        if (m_speicher->Existiert(Pfad(ziel)))
            throw VennlokFehler(QStringLiteral("Der Austritt von %1 kann nicht zurückgenommen werden: es gibt wieder "
                                               "eine Datei \u201E%2\u201C. Der Monat %3 wird nicht verworfen.")
                                    .arg(teilhaber.Name(), ziel, monat));
        if (!teilhaber.AustrittZuruecknehmen(monat))
            misslungen(QStringLiteral("Das Zurücknehmen des Austritts von %1").arg(teilhaber.Name()));
        dateiUmbenennen(datei, ziel);
        m_register->Vergessen(datei);
    }
}

TErgebnis TVennlok::MonatVerwerfen(const MonthKey &monat)
{
    if (!m_kasse)
        return abgelehnt(QStringLiteral("Es gibt keinen offenen Monat, der verworfen werden könnte."));
    if (monat != Buchungsmonat())
        return abgelehnt(QStringLiteral("Der Monat %1 ist nicht der Buchungsmonat %2.").arg(Textformat::zitat(monat), Buchungsmonat()));
    if (monat == m_daten->Startmonat())
        return abgelehnt(QStringLiteral("Der Monat %1 ist der erste des Pakts und kann nicht verworfen werden.").arg(monat));
    const MonthKey vormonat = Vormonat(monat);
    const QString alt = TKasse::Dateiname(monat);
    // The discarded book is kept as a record under a dated name; a second one of the same day gets a number.
    const QString stempel = alt + Textformat::dateTimeZuText(Uhr::Heute()).remove(QLatin1Char('.'));
    QString neu = stempel;
    for (int n = 2; m_speicher->Existiert(Pfad(neu)); ++n)
        neu = stempel + QLatin1Char('_') + QString::number(n);
    transaktion(QStringLiteral("Verwerfen#####,") + monat + QStringLiteral("   BUCHUNGSFEHLER"), [&] {
        austritteZuruecknehmen(monat);
        buchungenVerwerfen(monat, 14);
        if (!m_kasse->Abschliessen(monat))
            misslungen(QStringLiteral("Das Abschließen der verworfenen Kasse"));
        m_kasse.reset();
        dateiUmbenennen(alt, neu);
        m_daten->SetBuchungsmonat(vormonat);
        KasseOeffnen(vormonat, Uhr::Heute());
        if (!m_daten->MonatZurueckholen(vormonat))
            misslungen(QStringLiteral("Das Zurückholen der Parameter von %1").arg(vormonat));
    });
    return gebucht(true, 0);
}
