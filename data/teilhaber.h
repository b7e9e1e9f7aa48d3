#pragma once

#include "data/monatkey.h"
#include "data/rollmeminifile.h"

/// A participant's account file, "T_" + name + ".ven": running totals
/// ("Kopfdaten"), one entry per payment, invoice, own share and payout under
/// the key month + "_" + n, the capital share per month, the address and its
/// history.
///
/// Monthly sums and deletions see every entry of the month, whatever its
/// number. The class never decides whether a booking is allowed. Operations
/// returning Boolean give false on any failure and restore nothing; callers
/// that need all or nothing set a rollback point first.
class TTeilhaber : public TRollMemIniFile
{
public:
    using TRollMemIniFile::TRollMemIniFile;

    /// Writes a fresh "Kopfdaten" (name, zero totals and counts) and the file.
    /// Makes the file's header for the folded name; getippt, the name as it
    /// was typed, is kept beside it for people to see.
    bool Anlegen(const QString &name, const QString &getippt = QString());

    /// Books a payment in; writes the file. datum is not stored.
    bool EinzahlungBuchen(const MonthKey &monat, Money betrag, DateTime datum);
    /// Records an invoice; writes the file. Its split into the social and
    /// the own share is made when it is paid out.
    bool RechnungBuchen(const MonthKey &monat, Money betrag);
    /// Pays out betrag and records eigenanteil, the part of it that is the
    /// participant's own share; writes the file. datum is not stored.
    bool AuszahlungBuchen(const MonthKey &monat, Money betrag, Money eigenanteil, DateTime datum);

    /// Remove the month's entries and take them off the totals; write the file.
    /// Invoices change no total; deleting payouts leaves "AnzahlAusz".
    bool EinzahlungenLoeschen(const MonthKey &monat);
    bool RechnungenLoeschen(const MonthKey &monat);
    bool AuszahlungenLoeschen(const MonthKey &monat);

    /// The month's payments (Einzahlungen = true) or invoices in stored
    /// order, the order in which they were booked.
    QList<Money> Buchungen(bool einzahlungen, const MonthKey &monat) const;
    /// Takes the nr-th payment or invoice of the month (counted from 1, as
    /// Buchungen lists them) out of the file and its totals, as if it had
    /// never been booked (an empty section goes too); writes the file. False
    /// when there is no such entry or on any failure, without restoring.
    bool Stornieren(bool einzahlung, const MonthKey &monat, int nr);

    /// Marks the exit in monat with its settlement as "Auszahlung"; writes the file.
    bool AustrittBuchen(const MonthKey &monat, Money auszahlung);
    /// Takes back the exit of monat: its marks leave "Kopfdaten", and the
    /// month's payouts leave the file with their count; writes the file.
    bool AustrittZuruecknehmen(const MonthKey &monat);
    /// The month of the exit; empty while the participant belongs to the pact.
    MonthKey AusgetretenImMonat() const;

    /// Memory only.
    bool SetKapitalanteil(const MonthKey &monat, Money wert);
    void SetSummeOffen(Money wert);
    /// Adds what is missing of beitrag in monat to "SummeOffen"; memory only.
    /// The shortfall is kept per month ("Offen"/monat), so booking a month
    /// again replaces its earlier shortfall instead of adding it twice.
    bool OffenBuchen(const MonthKey &monat, Money beitrag);
    /// Stores an address item, keeping a changed non-empty old value in
    /// "Adresse_alt" + datumstext; memory only. Throws VennlokFehler when the
    /// key or value cannot be stored.
    bool AdresseSetzen(const QString &schluessel, const QString &wert, const QString &datumstext);

    /// The month's sums over all its entries; 0 when there are none.
    Money Einzahlungen(const MonthKey &monat) const;
    Money Rechnungen(const MonthKey &monat) const;
    Money Eigenanteile(const MonthKey &monat) const;
    Money Auszahlungen(const MonthKey &monat) const;

    /// What was missing of the contribution at the close of monat; 0 when nothing.
    Money Offen(const MonthKey &monat) const;
    /// The months with something missing, in stored order.
    QStringList OffeneMonate() const;
    /// The stored capital share of a month; 0 when none.
    Money GespeicherterKapitalanteil(const MonthKey &monat) const;

    /// Sums over the entries of every month, read as stored.
    struct Eintragssummen
    {
        Money einzahlungen = 0, eigenanteile = 0, auszahlungen = 0, offen = 0;
        int anzahlEinzahlungen = 0;
    };
    Eintragssummen AlleEintraege() const;
    /// The months with a stored capital share.
    QStringList KapitalMonate() const;

    Money Auszahlung() const;
    Money SummeOffen() const;
    /// The totals; the missing-value sentinel when absent.
    Money SummeEinz() const;
    Money SummeEigen() const;
    Money SummeAusz() const;
    int AnzahlEinz() const;
    int AnzahlAusz() const;
    QString Name() const;
    /// The name as it was first typed; the folded name for files made before
    /// it was kept.
    QString Anzeigename() const;

    QStringList Adressen() const;
    QString Adresse(const QString &schluessel) const;

private:
    QStringList eintraege(const QString &section, const MonthKey &monat) const;
    Money monatsSumme(const QString &section, const MonthKey &monat) const;
    void neuerEintrag(const QString &section, const MonthKey &monat, Money betrag);
    void addiere(const QString &key, Money betrag);
    void zaehle(const QString &key, int schritt);
    void loesche(const QString &section, const MonthKey &monat);
    /// Takes the month's payouts and own shares off the totals and out of the file's memory.
    void auszahlungenEntfernen(const MonthKey &monat);
};
