#pragma once

#include "data/monatkey.h"
#include "data/rollmeminifile.h"

#include <vector>

/// The fund's cash book of one month, "A_Kassendaten" + month + ".ven": the
/// header ("Kopfdaten"), the balance, totals and booking counters ("Kasse"),
/// one detail section per kind of booking and day, and the trustee fee
/// booking ("Honorarbuchung").
///
/// The booking operations keep Summe = SummeVormonat + Einzahlungen
/// - Auszahlungen + Eigenanteile. They check nothing: the engine decides
/// whether a booking is allowed. Each returns false on any failure, the memory
/// image then restored and the file unchanged.
class TKasse : public TRollMemIniFile
{
public:
    using TRollMemIniFile::TRollMemIniFile;

    /// "A_Kassendaten" + monat + ".ven".
    static QString Dateiname(const MonthKey &monat);
    /// The month of a cash book's file name; empty for any other name (the
    /// dated record of a discarded book among them).
    static MonthKey MonatAusDateiname(const QString &datei);

    /// The names the book keeps its figures under, for the checks that read
    /// them: the section, its six totals, and the three counters (each
    /// followed by the month).
    static const QString Abschnitt;
    static const QStringList Summen;
    static const QStringList Zaehler;

    /// Writes the opening header, the opening balance, zero totals and zero
    /// month counters, and the file. Keys it does not write stay as they were.
    /// False on any failure, without restoring.
    bool Eroeffnen(const MonthKey &monat, Money beitrag, Money honorarEingangsbuchung,
                   Money honorarAusgangsbuchung, Money anfangssumme, DateTime datum);

    bool Abgeschlossen() const;

    /// Opens a closed book again with all its figures: removes the closed
    /// mark, records when it was reopened ("wieder eröffnet am") and writes
    /// the file. False on any failure, without restoring.
    bool Wiedereroeffnen(DateTime datum);

    /// Writes the month's gain, the gain per incoming booking and the closed
    /// mark (today's date), and the file. False on any failure, without restoring.
    bool Abschliessen(const MonthKey &monat);

    bool EinzahlungBuchen(const MonthKey &monat, const QString &name, Money betrag, DateTime datum);
    bool RechnungBuchen(const MonthKey &monat, const QString &name, Money betrag, DateTime datum);
    bool AuszahlungBuchen(const MonthKey &monat, const QString &name, Money auszahlung, Money eigenanteil,
                          DateTime datum);

    /// Books the month's trustee fees as a payout out of the fund and writes
    /// the file. A second call replaces the first booking: its fees go back
    /// into the fund first, so a month's fees are never charged twice. False
    /// on any failure, without restoring.
    bool HonorarBuchen(DateTime datum, Money honorarEin, Money honorarRech);

    /// Takes the participant's payouts (and their own shares) back out of the
    /// totals, counters and detail entries of this month's book and writes
    /// the file; monat names the month counter.
    /// Names match ignoring letter case. False on any failure, memory then
    /// restored.
    bool AuszahlungenStornieren(const MonthKey &monat, const QString &name);

    /// Books an exit settlement as an outgoing booking ("Auszahlungen", the
    /// outgoing counters and "TeilhaberAustritte " + day) and writes the
    /// file. False on any failure, memory then restored.
    bool AustrittBuchen(const MonthKey &monat, const QString &name, Money betrag, DateTime datum);

    /// The totals; the missing-value sentinel when absent.
    Money Summe() const;
    Money SummeVormonat() const;
    Money Einzahlungen() const;
    Money Rechnungen() const;
    Money Eigenanteile() const;
    Money Auszahlungen() const;

    /// One detail entry of the book as stored: its kind, the participant (the
    /// key without its "_" + number), the amount, and where it stands.
    struct Eintrag
    {
        enum Art { Einzahlung, Rechnung, Eigenanteil, Auszahlung, Austritt } art;
        QString name;
        Money betrag;
        QString abschnitt;
        QString schluessel;
    };
    /// Every detail entry of the book, in stored order. An amount that does
    /// not read gives the missing-value sentinel.
    std::vector<Eintrag> Eintraege() const;
    /// Takes one payment or invoice (art Einzahlung or Rechnung) of the
    /// participant back out of the book, as if it had never been booked: its
    /// detail entry (the participant's nr-th of that kind, counted from 1 in
    /// stored order; when its amount is not betrag, the first of betrag), the
    /// totals, the month's and the day's counter (a counter that falls to 0
    /// goes, as does an empty detail section), and writes the file. False
    /// when there is no such entry or on any failure, memory then restored.
    bool Stornieren(Eintrag::Art art, const MonthKey &monat, const QString &name, int nr, Money betrag);
    /// The trustee fees booked into this book; 0 when none.
    Money HonorareGesamt() const;

    /// Memory only.
    void SetSumme(Money wert);
    void SetSummeVormonat(Money wert);
    void SetAbgeschlossen(DateTime datum);

    /// The month counters; 0 when absent.
    int Eingangsbuchungen(const MonthKey &monat) const;
    int Rechnungsbuchungen(const MonthKey &monat) const;
    int Ausgangsbuchungen(const MonthKey &monat) const;

private:
    struct Posten
    {
        const QString &section; // detail section stem, the day is appended
        Money betrag;
    };
    bool buchen(const MonthKey &monat, const QString &name, DateTime datum, const QString &zaehler,
                std::initializer_list<std::pair<const QString &, Money>> summen,
                std::initializer_list<Posten> posten);
    void addiere(const QString &key, Money betrag);
};
