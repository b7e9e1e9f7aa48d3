#pragma once

#include "algo/fehler.h" // what every operation throws
#include "data/vennlokdaten.h"
#include "engine/auswertung.h"
#include "engine/ergebnis.h"
#include "engine/kontoabgleich.h"
#include "platform/journal.h"

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <memory>

class TKontext;
class TSperre;
class TVennlok;

/// The master data's parameters in force.
struct TParameter
{
    Money beitrag = 0, honorarEingangsbuchung = 0, honorarRechnungsbuchung = 0;
    double intSozialanteil = 0;
    double sozialanteil = 0; // the share in force
    double daempfung = 0;
    Money grundsicherung = 0, limitVirtSumme = 0;
};

/// The booking month's figures; the missing-value sentinels when no cash book is open.
struct TMonatsstand
{
    bool offen = false; // a cash book is open
    Money kassenstand = FehlwertMoney;
    int eingangsbuchungen = FehlwertInt, ausgangsbuchungen = FehlwertInt, rechnungsbuchungen = FehlwertInt;
    Money summeRechnungen = FehlwertMoney;
};

/// One confirmed action as one transaction: a caller that books several
/// operations at once (a dialog, a statement) opens it, calls the engine's
/// operations, which join it, and commits once. Every file they change
/// reaches the disk together at Festschreiben. Leaving the scope without
/// committing, or an operation inside that fails, undoes everything since
/// the guard was opened, in the files and in the engine's memory.
class TTransaktion
{
public:
    explicit TTransaktion(TVennlok &vennlok);
    ~TTransaktion();
    TTransaktion(const TTransaktion &) = delete;
    TTransaktion &operator=(const TTransaktion &) = delete;

    /// Makes everything booked since the guard was opened durable. Throws
    /// VennlokFehler when that fails, or when an operation inside failed:
    /// everything booked since the guard was opened is then undone, also
    /// what was booked after the failure.
    void Festschreiben();

private:
    TKontext &m_k;
    qint64 m_abbrueche;
    bool m_fertig = false;
};

/// The pact's one business object: the facade the rules name. It holds the
/// context of one data directory (its lock, store and open files) and hands
/// each operation to the unit of its family (einheiten.h): payments and
/// invoices, month close, exit and discarding, replay, checks, bank files,
/// reports, scripts. It never shows a dialog.
///
/// Amounts are Money; shares and the damping factor are double fractions.
/// The engine locks its data directory for its whole life, so no second
/// engine (another window or a command-line replay) can book into it. It
/// keeps every file it has read in memory, changed only by its own
/// transactions; participants are found through a hashed register.
///
/// How a call reports failure:
///  - every operation that changes files is one transaction: all its files
///    reach the disk together or none does; a caller that confirms several
///    at once holds a TTransaktion around them;
///  - every booking returns a TErgebnis: booked, refused with the reason
///    (and the rules' message where they give one), or nothing to do; a
///    refused booking changes nothing;
///  - a failure to store (a full disk, a file that cannot be written, a step
///    that cannot be carried out) throws VennlokFehler with a German text
///    that names the file and the reason; nothing is then changed on disk or
///    in memory, and the log tells of it where it can. Art Ausstehend: the
///    change is durable in the journal but not yet in every file;
///  - reading calls (the getters, lists and counts) do not fail; a value
///    missing in the files comes back as the missing-value sentinel.
class TVennlok
{
    friend class TTransaktion;
    friend class TWasWaere;

public:
    /// Works on datenverzeichnis. Takes the directory's lock, finishes or
    /// undoes a transaction a crash interrupted (unless told not to: a check
    /// that only reports what it finds), and opens the master data; call
    /// Oeffnen to open the booking month. Throws VennlokFehler when another
    /// running program holds the directory, or when an interrupted booking
    /// cannot be finished (naming the file in the way).
    explicit TVennlok(const QString &datenverzeichnis, bool unterbrocheneBuchungBereinigen = true);
    /// A pact in memory only, started from bild (the files of a data
    /// directory by name, as TJournalSpeicher::Bild gives them) under the name
    /// datenverzeichnis: nothing is read from or written to the disk and no
    /// lock is taken. Every operation works as on a directory. For
    /// simulations; a desktop's scripts are never started.
    TVennlok(const QString &datenverzeichnis, const QHash<QString, QByteArray> &bild);
    /// Deletes the command scripts left behind and closes the log.
    virtual ~TVennlok();

    TVennlok(const TVennlok &) = delete;
    TVennlok &operator=(const TVennlok &) = delete;

    const QString &Datenverzeichnis() const;
    /// What opening found of an interrupted booking, and what it did.
    TJournalSpeicher::Fund Vorgefunden() const { return m_fund; }
    /// The German lines opening found to tell (a lock taken over, an
    /// interrupted booking); empty once Oeffnen has logged them.
    const QString &Wiedergefunden() const { return m_wiederhergestellt; }
    /// The transactional store of the data directory (for statistics and tests).
    TJournalSpeicher &Speicher();
    /// The path of a file of the data directory.
    QString Pfad(const QString &dateiname) const;
    /// Whether the directory holds a pact ("A_Vennlok.ven").
    bool PaktVorhanden() const;

    /// Opens the booking month's cash book and log when a pact exists.
    void Oeffnen();
    MonthKey Buchungsmonat() const;
    TParameter Parameter() const;
    TMonatsstand Monatsstand() const;
    /// True while the caller has no desktop (the command line, a test): a
    /// month close then starts no script (no transfers list shown, no
    /// backup). A replay sets it for its own run.
    void SetAutoModus(bool an);

    /// Creates a pact starting in the month of datum and opens that month.
    /// Refused, changing nothing, when the directory already holds a pact.
    /// The result's message: "Neuer Pakt angelegt. Hauptdatei: A_Vennlok.ven" or why not.
    TErgebnis NeuPakt(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                      Money honorarRechnungsbuchung, double intSozialanteil, double daempfung, Money grundsicherung,
                      Money limitVirtSumme);
    /// Whether these figures differ from the ones in force (the damping
    /// compared on its grid of four decimals): only then is a supplementary
    /// contract anything to record.
    bool VertragAnders(Money beitrag, Money honorarEingangsbuchung, Money honorarRechnungsbuchung, double daempfung,
                       Money grundsicherung, Money limitVirtSumme) const;
    /// Records a supplementary contract and logs it; the damping is a
    /// fraction as for NeuPakt, stored on the grid of four decimals.
    TErgebnis Vertrag(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                      Money honorarRechnungsbuchung, double daempfung, Money grundsicherung, Money limitVirtSumme);
    /// The items of the trustee's address, in file order.
    QList<QPair<QString, QString>> Anwalt() const;
    /// Stores an item of the trustee's address and logs it; refused with why
    /// it could not be stored.
    TErgebnis AnwaltSetzen(const QString &name, const QString &adresse, const QString &datumstext);

    /// Books a contribution of the participant into the booking month, once
    /// monat holds less than the contribution. Creates a participant under the
    /// folded name when none exists.
    TErgebnis Einzahlung(const QString &name, const MonthKey &monat, Money betrag, DateTime datum);
    /// Books an invoice of an existing participant; may lower the social
    /// share when the month's opening balance no longer covers the invoices.
    TErgebnis Rechnung(const QString &name, Money betrag, DateTime datum);
    /// How an invoice of betrag would be split now: the fund's social share
    /// and the participant's own share. Books nothing.
    std::pair<Money, Money> RechnungsAnteile(Money betrag) const;
    /// The share in force after an invoice of betrag were booked now: lower
    /// than the share in force when the month's opening balance no longer
    /// covers the invoices. Books nothing.
    double SozialanteilNachRechnung(Money betrag) const;

    /// Whether the participant's file exists (letter case ignored).
    bool TeilhaberVorhanden(const QString &name) const;
    /// The stored name of the participant typed as eingabe, as payments find
    /// it: under the typed name or the folded one ("Anna Bäcker" finds
    /// "Anna_Baecker"), letter case ignored. Empty when there is none.
    QString TeilhaberName(const QString &eingabe) const;
    /// The name as the participant typed as eingabe was first typed, for people
    /// to read ("Anna Bäcker" for "anna baecker"); empty when there is none.
    QString Anzeigename(const QString &eingabe) const;
    /// The names of the participants who paid less than the contribution in
    /// the booking month, in file order.
    QStringList OffeneTeilhaber();
    /// Every member's name as it was first typed ("Jürgen Größe"), for lists
    /// and completion; a file made before names were kept shows its folded name.
    QStringList Teilhabernamen();

    /// Makes sure the participant exists, creating it under the folded name
    /// (booked; nothing to do when it exists). Refused with why when the name
    /// cannot be used or the file cannot be created.
    TErgebnis TeilhaberOeffnen(const QString &name);
    /// The items of the participant's address, in file order (none when
    /// there is no such participant).
    QList<QPair<QString, QString>> Adresse(const QString &name) const;
    /// Changes one item of the participant's address and logs it. Refused
    /// with why when there is no such participant or the key or value cannot
    /// be stored.
    TErgebnis AdresseSpeichern(const QString &name, const QString &schluessel, const QString &wert,
                               const QString &datumstext);
    /// The participant's payments and invoices of the booking month, each
    /// numbered per kind in booking order (none without an open month).
    QList<TBuchungsposten> Posten(const QString &name) const;
    /// Reverses the nr-th payment (einzahlung) or invoice of the booking
    /// month on its own: it leaves the participant file and the cash book
    /// with totals and counters, so the trustee's fee it caused goes too, and
    /// the log says so. Refused with why when there is no such booking, or
    /// for an invoice already paid out. A closed month is never changed.
    TErgebnis Storno(bool einzahlung, const QString &name, int nr);
    /// Art 0: all participants; 1: those who paid exactly the contribution
    /// in the booking month; 2: those who paid less.
    int AnzahlTeilhaber(int art);
    /// One line per participant (name padded with "." to 40 characters, then
    /// the booking month's payments); only those who owe when nurOffene.
    QStringList TeilhaberListe(bool nurOffene = false);
    /// Writes "TeilhaberListe.txt" (title line with today's date, an empty
    /// line, the lines of TeilhaberListe, an empty line). Throws VennlokFehler
    /// when it cannot be written.
    void TeilhaberListeSchreiben(bool nurOffene);

    /// Closes the booking month: trustee fees, arrears, payouts, capital
    /// shares, the month's history and next month's social share, the closed
    /// book, "Transfers.tra" (and, when the pact has an account, the SEPA
    /// file "Ueberweisungen" + monat + ".xml"), then the next month opened with the closing
    /// balance; outside AutoModus it also shows the transfers list and backs
    /// the month up. Refused, changing nothing, when participants still owe
    /// and erzwingen is false; booked with the fund at the close as its
    /// amount. All or nothing:
    /// when a step fails every file is put back and VennlokFehler is thrown.
    /// Throws too, changing nothing, when no cash book is open or monat is
    /// not the booking month.
    TErgebnis Monatsabschluss(const MonthKey &monat, bool erzwingen, DateTime datum);
    /// Pays out what is still unpaid of each participant's invoices of
    /// monat, splitting off the own share; the result's amount is what was
    /// paid, nothing to do when no invoice was unpaid. All or nothing;
    /// throws VennlokFehler.
    TErgebnis AuszahlungenBuchen(const MonthKey &monat);

    /// What the exit of name would pay now: the capital share of the last
    /// closed month, nothing when there is none or it is negative.
    Money Austrittsbetrag(const QString &name);
    /// The participant leaves: unpaid invoices of the booking month are paid
    /// out, the settlement (betrag of the result) leaves the fund as an
    /// outgoing booking, the file becomes "X_" + name + ".ven". All or
    /// nothing; throws VennlokFehler when a file cannot be written.
    TErgebnis Austritt(const QString &name);
    /// Discards the month's bookings of every participant: 2 payouts (also
    /// taken back out of the cash book), 4 invoices, 8 payments. All or
    /// nothing; throws VennlokFehler.
    TErgebnis BuchungenVerwerfen(const MonthKey &monat, int arten);
    /// Discards the booking month and steps back into the previous one, which
    /// is opened again with its figures. The month's exits are taken back:
    /// those who left are members again, as before their exit. Refused,
    /// changing nothing, without an open cash book, for another month or for
    /// the pact's first month. All or nothing; throws VennlokFehler.
    TErgebnis MonatVerwerfen(const MonthKey &monat);
    /// The names (as stored in their files) of those who left in monat: the
    /// exits that discarding monat takes back.
    QStringList AustritteImMonat(const MonthKey &monat);

    /// Writes zeile as the one line of the window's command script
    /// "B7654F.BAT" and hands it over without waiting (documents, help,
    /// contact links, the participant list).
    void Starten(const QString &zeile);
    /// Whether a document to open is there: datei in the data directory, or
    /// an absolute path.
    bool DokumentVorhanden(const QString &datei) const;
    /// Deletes the window's command script.
    void FensterSkriptLoeschen();

    /// Replays a command file line by line ("Kaeufer", "NeuPakt", "Vertrag",
    /// "Datum", "Einzahlg", "Rechnung", "Monatsab", "StoreSim", and this
    /// program's "Austritt", "Auszahlen", "Verwerfen", "MonatVerwerfen") for
    /// the kinds in arten (1 pact set-up, 2 payments, 4 invoices, 16 month
    /// closes). The file may be UTF-8 or Windows-1252. A line that cannot be
    /// carried out stops the replay with VennlokFehler naming the file, the
    /// line number and the line; the bookings of earlier lines stay. Reading
    /// ends after "StoreSim", which archives the pact and leaves no pact here.
    /// The lines up to and including each month close are stored as one
    /// transaction; Gesichert and Standdatei tell how far it is durable. In a
    /// directory without a pact, a file whose first booking line is not
    /// "NeuPakt" is refused before anything is booked. abZeile (1-based) goes
    /// on after an interruption: the lines before it are only read for the
    /// date and the buyer model. The progress is reported from the calling
    /// thread; the caller must not use the engine meanwhile.
    void AutoBuchung(const QString &datei, int arten, TFortschritt *fortschritt = nullptr, int abZeile = 1);
    /// The last line of an interrupted replay that is durably booked (from
    /// Standdatei), 0 when no replay was interrupted here.
    int GesicherteZeile();
    /// Why datei cannot resume the interrupted replay recorded here (another
    /// file's name, or the same name with other content), or an empty text.
    QString FortsetzenFehler(const QString &datei);

    /// The pact's own account, as stored.
    TVennlokDaten::Konto PaktKonto() const;
    /// Whether the pact's account is entered, so that SEPA files can be written.
    bool PaktKontoEingetragen() const;
    /// Whether the account as typed differs from the stored one, compared in
    /// the form in which it would be stored.
    bool PaktKontoAnders(const TVennlokDaten::Konto &konto) const;
    /// Checks and stores the pact's account (the IBAN without blanks), its
    /// creditor identifier and opening balance, and logs it; holder, IBAN
    /// and BIC empty remove it. Refused with why it cannot be stored.
    TErgebnis PaktKontoSetzen(const TVennlokDaten::Konto &konto);
    /// The pact's name and the folder its backups go to, as stored (empty:
    /// not set).
    struct Paktangaben
    {
        QString name, sicherungsordner;
    };
    Paktangaben PaktangabenGespeichert() const;
    /// Checks and stores both in one transaction; empty values go back to
    /// the defaults. Refused with why (a name too long or with characters
    /// the files cannot hold, a folder that does not exist); nothing to do
    /// when both are as stored.
    TErgebnis PaktangabenSetzen(const Paktangaben &angaben);
    /// The name documents give the pact: the stored one, else the data folder's name.
    QString PaktName() const;
    /// Where the month close's archives go: the stored folder, else
    /// "Sicherungen" in the data directory.
    QString Sicherungsordner() const;
    /// Writes one archive of every file of the pact (data files, logs,
    /// transfer, collection and PDF files) into the backup folder as
    /// "Sicherung<monat>.tar" (with "-2", "-3", … when that exists), after
    /// everything booked has reached the files; returns its path. Books
    /// nothing. Throws VennlokFehler naming the file and the reason.
    QString SicherungSchreiben(const MonthKey &monat);
    /// A bank file of monat, validated against the bank's schema before it
    /// is handed out, and written into the data directory when schreiben
    /// (refused then when it would hold nothing). Writing books nothing.
    ///  - Ueberweisungen: the SEPA credit transfer file (pain.001.001.09) of a
    ///    closed month's payouts from the pact's account, executed on tag:
    ///    one transaction per payout of at least a cent to the participant's
    ///    "IBAN" (and "BIC", "Kontoinhaber") address items. Throws
    ///    VennlokFehler for a month not closed.
    ///  - Lastschriften: the SEPA core direct debit file (pain.008.001.08, the
    ///    German banks' subset) due on tag, collecting from every member with
    ///    "IBAN", "Mandatsreferenz" and "Mandatsdatum" what he has not paid
    ///    of the contribution in monat; FRST for a mandate's first collection,
    ///    RCUR after it. Throws VennlokFehler without the pact's creditor
    ///    identifier, and for a due date that is not a TARGET2 working day or
    ///    earlier than the next one.
    /// Those left out (no valid IBAN, no whole mandate) are named. Throws
    /// VennlokFehler when the pact's account is missing or wrong.
    TBankdatei Bankdatei(TBankdatei::Art art, const MonthKey &monat, const QDate &tag, bool schreiben);

    // The pact's account against the bank.

    /// Reads the bank statement (camt.053, version 001.02 or 001.08) at pfad
    /// and proposes for each transaction what to book: a credit matched to a
    /// member (by the IBAN of his address, the reference of this program's
    /// collection, his mandate reference, or his name in the payer's name or
    /// the text) as his payment into the booking month; a returned direct
    /// debit as the reversal of the payment it returns; a debit of this
    /// program's transfer file as confirmed. Transactions of an earlier
    /// statement are marked as read. Changes nothing. Throws VennlokFehler
    /// when the file cannot be read, breaks its schema, or is not the
    /// pact's account's.
    TKontoabgleich KontoauszugLesen(const QString &pfad);
    /// Books the chosen transactions as one transaction and remembers each
    /// (in "A_Kontoabgleich.ven"), so that no statement books it again; a
    /// chosen transaction without a participant is dismissed. The result
    /// says how many of each kind, and which were refused.
    TErgebnis KontoauszugBuchen(const TKontoabgleich &abgleich, const QList<TBankauswahl> &auswahl);
    /// The balance the books expect on the pact's account.
    TKontostand Kontostand() const;

    // Reading operations for statements, lists and charts. They change nothing.

    /// The closed months of the pact, oldest first.
    QList<TMonatsverlauf> Verlauf() const;
    /// The figures and transfers of a closed month (or of the booking month as
    /// far as it is booked). Throws VennlokFehler for a month without a cash book.
    TMonatsbericht Monatsbericht(const MonthKey &monat);
    /// The transfers of a month close as "Transfers.tra" lists them.
    QList<TUeberweisung> Ueberweisungen(const MonthKey &monat);
    /// The statement of a member or of one who left, found as payments find
    /// names. Throws VennlokFehler when there is no such participant.
    TKontoauszug Kontoauszug(const QString &name);
    /// Every member with arrears or an unpaid contribution in the booking
    /// month, the largest amount first (then by name).
    QList<TRueckstand> Rueckstaende();
    /// The consistency check of the data directory. Reads only. One German
    /// line per finding ("file [section] key: erwartet …, gefunden …"); none
    /// when the files agree: the cash books' totals and counters with their
    /// entries, each participant's totals with its entries, the open month's
    /// payments and payouts of each participant with the cash book, the
    /// month sections of the master data without gaps, and each closed
    /// month's capital shares with its fund (one unit of rounding per share).
    /// Also what bookings would refuse: values missing, unreadable or
    /// against the rules, and lines that are neither a section, a key nor
    /// blank.
    QStringList Pruefen();

protected:
    /// Called after each step of a month close; a failure seam for tests.
    virtual void NachSchritt(const QString &schritt) { Q_UNUSED(schritt) }
    /// What the units work on (for tests that reach a unit directly).
    TKontext &Kontext() { return *m_k; }

private:
    std::unique_ptr<TSperre> m_sperre;
    std::unique_ptr<TKontext> m_k;
    TJournalSpeicher::Fund m_fund = TJournalSpeicher::Fund::Nichts;
    QString m_wiederhergestellt; // what opening found of an interrupted booking
};

/// What belongs to the pact's rules and folders without an engine on a
/// directory: the clock as bookings take it, folders, checks of typed values,
/// the command file's fields.
namespace Vennlok {

extern const QString Version; // "core B.01"
/// While a replay runs: the file holding "Zeile=N", the last line that is
/// durably booked. It is written with each month close's transaction and
/// removed with the replay's last one.
extern const QString Standdatei;

/// Whether datenverzeichnis holds a pact ("A_Vennlok.ven").
bool PaktVorhanden(const QString &datenverzeichnis);
/// Creates a missing data directory with the folders above it; throws,
/// naming the folder, when that cannot be done.
void VerzeichnisAnlegen(const QString &datenverzeichnis);
/// A folder for a fresh pact: basis when it is missing or empty, else the
/// first of basis-2, basis-3, … that is. Nothing is created.
QString FreiesVerzeichnis(const QString &basis);
/// The spellings completion offers for names as typed (Teilhabernamen):
/// each name and, where it differs, as its file spells it with blanks
/// ("Juergen Groesse"), so that typing either finds the participant.
QStringList Namensformen(const QStringList &namen);
/// The closed months of another folder (a replay's archive), read without an
/// engine on it. Throws VennlokFehler when it holds no pact.
QList<TMonatsverlauf> Verlauf(const QString &verzeichnis);
/// The name documents give the pact of another folder (a simulation's
/// archive), read without an engine on it; the folder's name when none is stored.
QString PaktName(const QString &verzeichnis);
/// Restores the backup archive into ziel, a folder that does not exist yet
/// or is empty (never over a pact or any other file); returns the restored
/// file names. Throws VennlokFehler with the reason, leaving nothing behind
/// in ziel, when the archive is damaged, holds no pact, or cannot be written.
QStringList SicherungZurueckholen(const QString &archiv, const QString &ziel);
/// What a crash left in datenverzeichnis for the next opening to finish
/// or undo; one German line each. Reads only: call it before an engine
/// opens the directory.
QStringList Unterbrochen(const QString &datenverzeichnis);

/// Now and today, as bookings and the address history take them.
DateTime Jetzt();
QString Datumstext();
/// Today, as the clock of bookings gives it.
QDate Datum();
/// The calendar's month now, and the month before monat.
MonthKey LaufenderMonat();
MonthKey MonatDavor(const MonthKey &monat);
/// The first bank working day after tag, the day a transfer file asks for.
QDate NaechsterBankarbeitstag(const QDate &tag);
/// The internal share that gives ext as the share in force (the dialog
/// shows the share in force; a pact is founded with the internal one).
double IntSozialanteilFuer(double ext);

/// Why an item of the trustee's address cannot be stored (his IBAN and
/// BIC are checked), or an empty text.
QString AnwaltFehler(const QString &name, const QString &adresse);
/// Why these fields cannot be the pact's account, or an empty text. Holder,
/// IBAN and BIC empty are no account, and may be stored.
QString PaktKontoFehler(const TVennlokDaten::Konto &konto);
/// The fields of a command-file line: separated by commas and blanks,
/// quoted with double quotes ("" inside for one quote).
QStringList FelderTrennen(const QString &zeile);

} // namespace Vennlok
