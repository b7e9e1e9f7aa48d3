#pragma once

// The engine's units, one per family of operations. Each works on the
// context it is given and keeps nothing itself; TVennlok's public operations
// are short calls into them. A unit's booking is one transaction of its own
// unless a caller holds one, which it then joins.

#include "engine/auswertung.h"
#include "engine/ergebnis.h"
#include "engine/kontext.h"
#include "engine/kontoabgleich.h"

#include <QDate>
#include <QList>
#include <QPair>
#include <QStringList>
#include <optional>

class TVennlok;

/// Founding, contracts, the trustee, payments, invoices and the participants' files.
class TBuchungen
{
public:
    explicit TBuchungen(TKontext &k) : k(k) {}

    TErgebnis NeuPakt(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                      Money honorarRechnungsbuchung, double intSozialanteil, double daempfung, Money grundsicherung,
                      Money limitVirtSumme);
    TErgebnis Vertrag(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                      Money honorarRechnungsbuchung, double daempfung, Money grundsicherung, Money limitVirtSumme);
    TErgebnis AnwaltSetzen(const QString &name, const QString &adresse, const QString &datumstext);
    TErgebnis Einzahlung(const QString &name, const MonthKey &monat, Money betrag, DateTime datum);
    TErgebnis Rechnung(const QString &name, Money betrag, DateTime datum);
    TErgebnis TeilhaberOeffnen(const QString &name);
    /// The participant's payments and invoices of the booking month.
    QList<TBuchungsposten> Posten(const QString &name) const;
    /// Takes one payment or invoice of the booking month back.
    TErgebnis Storno(bool einzahlung, const QString &name, int nr);
    TErgebnis AdresseSpeichern(const QString &name, const QString &schluessel, const QString &wert,
                               const QString &datumstext);

    /// How an invoice of betrag would be split now: social and own share.
    std::pair<Money, Money> RechnungsAnteile(Money betrag) const;
    /// The share in force after an invoice of betrag were booked now.
    double SozialanteilNachRechnung(Money betrag) const;

    /// The file of the participant typed as name: under the typed name or the
    /// folded one, letter case ignored; empty when there is none.
    QString Datei(const QString &name) const;

private:
    bool vertrag(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                 Money honorarRechnungsbuchung, double daempfung, Money grundsicherung, Money limitVirtSumme);
    /// Ends a booking into a participant and the cash book: on refusal the
    /// participant goes back to its state before; the log tells the outcome.
    void buchungAbschliessen(TTeilhaber &teilhaber, bool gebucht, const QString &zeile, const QString &fehlerzeile);
    /// Why name cannot be a participant, or an empty text; a refusal is logged
    /// as kopf + name + amount + abstand + "UNZULÄSSIGER NAME".
    QString nameAbweisen(const QString &name, Money betrag, const QString &kopf, const QString &abstand);
    bool kassenRechnung(const MonthKey &monat, const QString &name, Money betrag, DateTime datum);
    /// The internal share the month's invoices plus weitere leave covered,
    /// when that is lower than the share in force.
    std::optional<double> gedeckterAnteil(Money weitere) const;

    TKontext &k;
};

/// The month close and paying out invoices.
class TAbschluss
{
public:
    explicit TAbschluss(TKontext &k) : k(k) {}

    TErgebnis Monatsabschluss(const MonthKey &monat, bool erzwingen, DateTime datum);
    TErgebnis AuszahlungenBuchen(const MonthKey &monat);
    /// What is still unpaid of the participant's invoices of monat, paid out
    /// (the own share split off); returns it.
    Money Auszahlen(TTeilhaber &teilhaber, const QString &name, const MonthKey &monat);

private:
    Money auszahlungenBuchen(const MonthKey &monat);
    void anwaltHonorarBuchen(const MonthKey &monat, DateTime datum);
    void offeneBeitraegeBuchen(const MonthKey &monat);
    void kapitalanteileBerechnen(const MonthKey &monat);
    void parameterBerechnen(const MonthKey &monat);
    void transfersSchreiben(const MonthKey &monat, DateTime datum, const QList<TUeberweisung> &ueberweisungen);
    void schritt(const QString &name);

    TKontext &k;
};

/// A participant's exit, and discarding bookings and months.
class TAustritte
{
public:
    explicit TAustritte(TKontext &k) : k(k) {}

    Money Austrittsbetrag(const QString &name);
    TErgebnis Austritt(const QString &name);
    TErgebnis BuchungenVerwerfen(const MonthKey &monat, int arten);
    TErgebnis MonatVerwerfen(const MonthKey &monat);
    QStringList AustritteImMonat(const MonthKey &monat);

private:
    void buchungenVerwerfen(const MonthKey &monat, int arten);
    void austritteZuruecknehmen(const MonthKey &monat);
    QStringList austritteDesMonats(const MonthKey &monat);

    TKontext &k;
};

/// The replay of a command file. It books through the engine's own
/// operations and groups the lines up to each month close into one
/// transaction.
class TEinspielung
{
public:
    TEinspielung(TVennlok &vennlok, TKontext &k) : v(vennlok), k(k) {}

    void Einspielen(const QString &datei, int arten, TFortschritt *fortschritt, int abZeile);
    int GesicherteZeile();
    QString FortsetzenFehler(const QString &datei);

private:
    TVennlok &v;
    TKontext &k;
};

/// The consistency check of the data directory.
class TPruefung
{
public:
    explicit TPruefung(TKontext &k) : k(k) {}

    QStringList Pruefen();
    /// The totals and the month's counters every booking into kasse needs;
    /// throws VennlokFehler (art Beschaedigt).
    static void KassePruefen(const TKasse &kasse, const MonthKey &monat);
    /// Throws VennlokFehler (art Grenze) naming the first parameter whose
    /// value (units for amounts, fractions for shares) breaks its rule.
    static void WerteVerlangen(const QList<std::pair<QString, double>> &werte);

private:
    TKontext &k;
};

/// The pact's account and the bank's files.
class TBankdateien
{
public:
    explicit TBankdateien(TKontext &k) : k(k) {}

    TVennlokDaten::Konto PaktKonto() const;
    bool PaktKontoEingetragen() const;
    bool PaktKontoAnders(const TVennlokDaten::Konto &konto) const;
    TErgebnis PaktKontoSetzen(const TVennlokDaten::Konto &konto);
    QByteArray SepaDatei(const MonthKey &monat, const QDate &ausfuehrung, QStringList *ohneIban);
    /// The month's transfer or collection file; written into the data directory when schreiben.
    TBankdatei Datei(TBankdatei::Art art, const MonthKey &monat, const QDate &tag, bool schreiben);
    /// The SEPA core direct debit file of monat, collecting from each member
    /// with a whole mandate what is missing of the contribution; empty when
    /// nobody is to be collected from.
    QByteArray LastschriftXml(const MonthKey &monat, const QDate &faellig, QStringList *ohneMandat, int *anzahl, Money *summe);
    /// Writes the month's transfer file with the close when the pact has an account.
    void MitAbschlussSchreiben(const MonthKey &monat, DateTime datum, const QList<TUeberweisung> &ueberweisungen);
    /// The transfer file of a closed month's transfers, checked against the
    /// bank's schema; empty when no transfer is left.
    QByteArray Xml(const MonthKey &monat, const QDate &ausfuehrung, const QList<TUeberweisung> &ueberweisungen,
                   QStringList *ohneIban);
    /// The participants of liste with a payout of at least a cent but no valid IBAN.
    QStringList OhneIban(const QList<TUeberweisung> &liste);

private:
    TKontext &k;
};

/// The pact's account against the bank: statements read, matched and
/// booked, and the balance the books expect.
class TBankabgleich
{
public:
    explicit TBankabgleich(TKontext &k) : k(k) {}

    /// Reads the camt.053 statement at pfad and proposes what to do with each
    /// transaction. Throws VennlokFehler when it cannot be read, is not a
    /// statement, breaks its schema, or is another account's.
    TKontoabgleich Lesen(const QString &pfad);
    /// Books the chosen transactions of a statement read by Lesen as one
    /// transaction and remembers each, so that no reading books it again.
    TErgebnis Buchen(const TKontoabgleich &abgleich, const QList<TBankauswahl> &auswahl);
    TKontostand Kontostand(const MonthKey &bis = MonthKey()) const;
    /// The end-to-end reference of a participant's collection in a month.
    static QString LastschriftKennung(const MonthKey &monat, const QString &datei);

private:
    TKontext &k;
};

/// Reading operations for statements, lists and charts. They change nothing.
class TAuswertung
{
public:
    explicit TAuswertung(TKontext &k) : k(k) {}

    QList<TMonatsverlauf> Verlauf() const;
    TMonatsbericht Monatsbericht(const MonthKey &monat);
    QList<TUeberweisung> Ueberweisungen(const MonthKey &monat);
    TKontoauszug Kontoauszug(const QString &name);
    QList<TRueckstand> Rueckstaende();
    /// The participant's stored name, found as payments find it; empty when none.
    QString TeilhaberName(const QString &eingabe) const;
    QString Anzeigename(const QString &eingabe) const;
    bool TeilhaberVorhanden(const QString &name) const;
    QStringList OffeneTeilhaber();
    QStringList Teilhabernamen();
    int AnzahlTeilhaber(int art);
    QStringList TeilhaberListe(bool nurOffene);
    QList<QPair<QString, QString>> Adresse(const QString &name) const;

private:
    Money einzahlungen(const QString &datei, const MonthKey &monat);

    TKontext &k;
};

/// Command scripts: what the engine hands to the operating system to show or copy.
class TSkripte
{
public:
    explicit TSkripte(TKontext &k) : k(k) {}

    void Starten(const QString &zeile);
    bool DokumentVorhanden(const QString &datei) const;
    void FensterSkriptLoeschen();
    void TransfersZeigen();
    void Sicherung(const MonthKey &monat);
    void TeilhaberListeSchreiben(bool nurOffene);
    /// Archives the pact beside the command file datei; no pact is left here.
    void SimulationSpeichern(const QString &datei);

private:
    void starten(const QString &name, const QStringList &zeilen);

    TKontext &k;
};
