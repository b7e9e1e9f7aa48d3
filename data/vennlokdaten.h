#pragma once

#include "data/monatkey.h"
#include "data/rollmeminifile.h"

/// The pact's master data, "A_Vennlok.ven": the start contract ("Startdaten"),
/// the parameters in force ("aktuelle Daten"), one section per supplementary
/// contract ("Ergänzungsvertrag" + month), the trustees and one history
/// section per closed month ("Monat" + month).
///
/// Parameter getters read "aktuelle Daten", then "Startdaten", then a fixed
/// default; a value counts as absent when it reads as the missing-value
/// sentinel. Amounts are Money; fractions are doubles in files and getters.
class TVennlokDaten : public TRollMemIniFile
{
public:
    using TRollMemIniFile::TRollMemIniFile;

    static const QString Dateiname; // "A_Vennlok.ven"

    /// Writes "Startdaten" and "aktuelle Daten" of a new pact and the file.
    /// intSozialanteil and daempfung are scaled fractions (0.65 is 6500); the
    /// share in force is ExtAusInt(2, intSozialanteil). Meldung: "Neuer Pakt
    /// angelegt." followed by the file name. Throws VennlokFehler when the
    /// file cannot be written.
    void NeuerPakt(const QString &buchungsprogramm, const MonthKey &buchungsmonat, DateTime beginn,
                   Money beitrag, Money honorarEingangsbuchung, Money honorarRechnungsbuchung,
                   Money intSozialanteil, Money daempfung, Money grundsicherung, Money limitVirtSumme,
                   QString &meldung);

    /// Records a supplementary contract dated datum (daempfung scaled) in its
    /// own section and in the current data, and writes the file. False on any
    /// failure; what was changed in memory stays.
    bool Ergaenzungsvertrag(DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                            Money honorarRechnungsbuchung, Money daempfung, Money grundsicherung,
                            Money limitVirtSumme);

    bool IstAngelegt() const;
    bool HatErgaenzungsvertrag() const;

    /// The trustees of the start contract, in stored order.
    QStringList Anwaelte() const;
    /// The current address of a trustee; empty when there is none.
    QString AnwaltAdresse(const QString &name) const;
    /// Stores a trustee's address in the latest contract's section (or the
    /// start data) and in the current data, and writes the file. Throws
    /// VennlokFehler when it cannot be stored or written.
    void SetAnwalt(const QString &name, const QString &adresse);

    Money Beitrag() const;
    Money HonorarEingangsbuchung() const;
    Money HonorarRechnungsbuchung() const;
    Money Grundsicherung() const;
    Money LimitVirtSumme() const;
    double IntSozialanteil() const;
    double ExtSozialanteil() const;
    double Daempfung() const;

    /// Sets the internal share and the share in force, ExtAusInt(2, wert); memory only.
    void SetIntSozialanteil(double wert);

    /// The current booking month; empty when absent. Set: memory only.
    MonthKey Buchungsmonat() const;
    void SetBuchungsmonat(const MonthKey &monat);
    /// The pact's first booking month; empty when absent.
    MonthKey Startmonat() const;

    /// Copies the eight parameters in force into "Monat" + monat and writes
    /// the file. False on any failure.
    bool MonatArchivieren(const MonthKey &monat);
    /// Copies the eight parameters of "Monat" + monat (of "Startdaten" for the
    /// start month) back into the current data, erases "Monat" + monat and
    /// writes the file. False on any failure.
    bool MonatZurueckholen(const MonthKey &monat);

    /// The month's figures in its history section; memory only.
    void SetMonatEingangsbuchungen(const MonthKey &monat, int anzahl);
    void SetMonatSumme(const MonthKey &monat, Money wert);
    void SetMonatEinzahlungen(const MonthKey &monat, Money wert);
    void SetMonatAuszahlungen(const MonthKey &monat, Money wert);
    void SetMonatEigenanteile(const MonthKey &monat, Money wert);
    /// What the month's transfers take from the account in whole cents
    /// ("Ueberwiesen"), and how much that differs from their four-decimal
    /// amounts ("Rundungsdifferenz"); memory only.
    void SetMonatUeberwiesen(const MonthKey &monat, Money cent, Money differenz);

    /// The month's figures; the missing-value sentinel when absent.
    int MonatEingangsbuchungen(const MonthKey &monat) const;
    Money MonatSumme(const MonthKey &monat) const;
    Money MonatEinzahlungen(const MonthKey &monat) const;
    Money MonatAuszahlungen(const MonthKey &monat) const;
    Money MonatEigenanteile(const MonthKey &monat) const;
    Money MonatUeberwiesen(const MonthKey &monat) const;

    /// The parameters that were in force during a closed month; the
    /// missing-value sentinel when absent.
    Money MonatBeitrag(const MonthKey &monat) const;
    double MonatIntSozialanteil(const MonthKey &monat) const;
    double MonatExtSozialanteil(const MonthKey &monat) const;

    /// The pact's own bank account, section "Bankverbindung"; empty texts when absent.
    struct Konto
    {
        QString inhaber, iban, bic;
        QString glaeubigerId;  // the creditor identifier for direct debits; empty when none
        Money anfangssaldo = 0; // the account's balance before the pact's first booking
    };
    Konto PaktKonto() const;
    /// Memory only; the caller checks the values. An empty account removes the section.
    void SetPaktKonto(const Konto &konto);

    /// The pact's own name for its documents and the folder its backups go
    /// to, section "Pakt"; empty when not set. Set: memory only, an empty
    /// value removes its key.
    QString Paktname() const;
    QString Sicherungsordner() const;
    void SetPaktname(const QString &name);
    void SetSicherungsordner(const QString &ordner);
    /// The closed months that have a history section, in stored order.
    QList<MonthKey> ArchivierteMonate() const;

private:
    Money parameterBetrag(const QString &key, Money vorgabe) const;
    double parameterAnteil(const QString &key, double vorgabe) const;
    void schreibeParameter(const QString &section, const QString &key, Money wert);

    // The shares in force, read as many times as there are bookings: parsed
    // once for each state of the content (Stand).
    mutable quint64 m_anteileStand = ~quint64(0);
    mutable double m_intAnteil = 0, m_extAnteil = 0;
    void anteileLesen() const;
};
