#pragma once

#include "algo/fehler.h" // what every operation throws
#include "data/anwalt.h"
#include "engine/auswertung.h"
#include "data/buchungslog.h"
#include "data/kasse.h"
#include "data/teilhaber.h"
#include "data/vennlokdaten.h"
#include "engine/teilhaberregister.h"
#include "platform/journal.h"
#include "platform/sperre.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

/// What an automatic replay reports while it runs.
class TFortschritt
{
public:
    virtual ~TFortschritt() = default;
    /// A month close of the replay is done; anzahl counts the closes of this replay.
    virtual void MonatAbgeschlossen(const MonthKey &monat, int anzahl) = 0;
    /// How far the command file is read.
    virtual void Zeilen(int erledigt, int gesamt) { Q_UNUSED(erledigt) Q_UNUSED(gesamt) }
    /// A message of a line that was refused while the replay goes on.
    virtual void Meldung(const QString &text) { Q_UNUSED(text) }
    /// Lines 1 to zeile are durably booked; a replay interrupted later goes
    /// on with zeile + 1.
    virtual void Gesichert(int zeile) { Q_UNUSED(zeile) }
    /// Asked before each line: true stops the replay there. The lines before
    /// it stay booked and the replay ends as after its last line.
    virtual bool Abbruch() { return false; }
};

/// What a booking did: booked, refused, or nothing to do. meldung is the
/// text the rules give the operator (empty where they are silent); grund
/// says why a booking was refused, also where the rules refuse without a
/// message (a name under four characters, an invoice of an unknown name);
/// betrag is the amount it moved (the payment, the invoice, the settlement).
struct TErgebnis
{
    enum Art { Gebucht, Abgelehnt, NichtsZuTun };
    Art art = NichtsZuTun;
    QString meldung;
    QString grund;
    Money betrag = 0;

    bool gebucht() const { return art == Gebucht; }
};

class TVennlok;

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
    TVennlok &m_vennlok;
    qint64 m_abbrueche;
    bool m_fertig = false;
};

/// The pact's one business object: it owns the open data files of one data
/// directory and carries out every booking. It never shows a dialog.
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
///  - payments, invoices, exits, the month close and the discard of a month
///    return a TErgebnis: booked, or refused with the reason (and the rules'
///    message where they give one); a refused booking changes nothing. Older
///    operations return false for a refusal, or a text why;
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

public:
    /// Works on datenverzeichnis. Takes the directory's lock, finishes or
    /// undoes a transaction a crash interrupted (unless told not to: a check
    /// that only reports what it finds), and opens the master data; call
    /// Oeffnen to open the booking month. Throws VennlokFehler when another
    /// running program holds the directory, or when an interrupted booking
    /// cannot be finished (naming the file in the way).
    explicit TVennlok(const QString &datenverzeichnis, bool unterbrocheneBuchungBereinigen = true);
    /// Deletes the command scripts left behind and closes the log.
    virtual ~TVennlok();

    TVennlok(const TVennlok &) = delete;
    TVennlok &operator=(const TVennlok &) = delete;

    static const QString Version; // "core B.01"
    /// While a replay runs: the file holding "Zeile=N", the last line that is
    /// durably booked. It is written with each month close's transaction and
    /// removed with the replay's last one.
    static const QString Standdatei;

    const QString &Datenverzeichnis() const { return m_verzeichnis; }
    /// What opening found of an interrupted booking, and what it did.
    TJournalSpeicher::Fund Vorgefunden() const { return m_fund; }
    /// The German lines opening found to tell (a lock taken over, an
    /// interrupted booking); empty once Oeffnen has logged them.
    const QString &Wiedergefunden() const { return m_wiederhergestellt; }
    /// The transactional store of the data directory (for statistics and tests).
    TJournalSpeicher &Speicher() { return *m_speicher; }
    /// The path of a file of the data directory.
    QString Pfad(const QString &dateiname) const;

    /// Whether datenverzeichnis holds a pact ("A_Vennlok.ven").
    static bool PaktVorhanden(const QString &datenverzeichnis);
    /// Creates a missing data directory with the folders above it; throws,
    /// naming the folder, when that cannot be done.
    static void VerzeichnisAnlegen(const QString &datenverzeichnis);
    /// A folder for a fresh pact: basis when it is missing or empty, else the
    /// first of basis-2, basis-3, … that is. Nothing is created.
    static QString FreiesVerzeichnis(const QString &basis);
    bool PaktVorhanden() const;

    /// Opens the booking month's cash book and log when a pact exists.
    void Oeffnen();
    /// Opens the month's cash book (creating it, or reopening a closed one
    /// with all its figures) and its log with datum. Throws VennlokFehler
    /// when the cash book or log cannot be written.
    void KasseOeffnen(const MonthKey &monat, DateTime datum);
    bool KasseOffen() const { return m_kasse != nullptr; }

    MonthKey Buchungsmonat() const;
    void SetBuchungsmonat(const MonthKey &monat);
    Money Beitrag() const;
    Money HonorarEingangsbuchung() const;
    Money HonorarRechnungsbuchung() const;
    double IntSozialanteil() const;
    /// The social share in force.
    double Sozialanteil() const;
    /// Sets the internal share (and so the share in force) and writes the master data.
    void SetIntSozialanteil(double wert);
    double Daempfung() const;
    Money Grundsicherung() const;
    Money LimitVirtSumme() const;
    /// The fund balance; the missing-value sentinel when no cash book is open.
    Money Kassenstand() const;
    /// The booking month's counts; the sentinel when no cash book is open.
    int AnzahlEingangsbuchungen() const;
    int AnzahlAusgangsbuchungen() const;

    /// Creates a pact starting in the month of datum and opens that month.
    /// Refused, changing nothing, when the directory already holds a pact.
    /// The result's message: "Neuer Pakt angelegt. Hauptdatei: A_Vennlok.ven" or why not.
    TErgebnis NeuPakt(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                      Money honorarRechnungsbuchung, double intSozialanteil, double daempfung, Money grundsicherung,
                      Money limitVirtSumme);
    /// Records a supplementary contract and logs it; the damping is a
    /// fraction as for NeuPakt, stored on the grid of four decimals.
    TErgebnis Vertrag(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                      Money honorarRechnungsbuchung, double daempfung, Money grundsicherung, Money limitVirtSumme);
    bool StartdatenVorhanden() const;
    QStringList AnwaltListe() const;
    void AnwaltWert(const QString &name, QString &adresse) const;
    /// Stores an item of the trustee's address and logs it; refused with why
    /// it could not be stored.
    TErgebnis AnwaltSetzen(const QString &name, const QString &adresse, const QString &datumstext);
    /// Why an item of the trustee's address cannot be stored (his IBAN and
    /// BIC are checked), or an empty text.
    static QString AnwaltFehler(const QString &name, const QString &adresse);

    /// Books a contribution of the participant into the booking month, once
    /// monat holds less than the contribution. Creates a participant under the
    /// folded name when none exists.
    TErgebnis Einzahlung(const QString &name, const MonthKey &monat, Money betrag, DateTime datum);
    /// Books an invoice of an existing participant; may lower the social
    /// share when the month's opening balance no longer covers the invoices.
    TErgebnis Rechnung(const QString &name, Money betrag, DateTime datum);

    // For the windows, which reach the rules and the clock only through the engine.

    /// Now and today, as bookings and the address history take them.
    static DateTime Jetzt();
    static QString Datumstext();
    /// The calendar's month now, and the month before monat.
    static MonthKey LaufenderMonat();
    static MonthKey MonatDavor(const MonthKey &monat);
    /// The first bank working day after tag, the day a transfer file asks for.
    static QDate NaechsterBankarbeitstag(const QDate &tag);
    /// The internal share that gives ext as the share in force (the dialog
    /// shows the share in force; a pact is founded with the internal one).
    static double IntSozialanteilFuer(double ext);
    /// Whether the account as typed differs from the stored one, compared in
    /// the form in which it would be stored.
    bool PaktKontoAnders(const QString &inhaber, const QString &iban, const QString &bic) const;
    /// How an invoice of betrag would be split now: the fund's social share
    /// and the participant's own share. Books nothing.
    std::pair<Money, Money> RechnungsAnteile(Money betrag) const;


    /// The share in force after an invoice of betrag were booked now: lower
    /// than Sozialanteil when the month's opening balance no longer covers
    /// the invoices. Books nothing.
    double SozialanteilNachRechnung(Money betrag) const;
    /// The booking month's invoices: how many and their total; the sentinel
    /// when no cash book is open.
    int AnzahlRechnungsbuchungen() const;
    Money SummeRechnungen() const;
    /// Whether the participant's file exists (letter case ignored).
    bool TeilhaberVorhanden(const QString &name) const;
    /// The stored name of the participant typed as eingabe, as payments find
    /// it: under the typed name or the folded one ("Anna Bäcker" finds
    /// "Anna_Baecker"), letter case ignored. Empty when there is none.
    QString TeilhaberName(const QString &eingabe) const;
    /// The names of the participants who paid less than the contribution in
    /// the booking month, in file order.
    QStringList OffeneTeilhaber();
    /// Makes sure the participant exists, creating it under the folded name.
    /// False with meldung when the name cannot be used or the file cannot be created.
    bool TeilhaberOeffnen(const QString &name, QString *meldung = nullptr);
    /// The keys of the participant's address, and one item's value (empty
    /// when there is no such participant or item).
    QStringList Adressen(const QString &name) const;
    QString AdressWert(const QString &name, const QString &schluessel) const;
    /// Changes one item of the participant's address and logs it. False with
    /// meldung when there is no such participant or the key or value cannot
    /// be stored.
    bool AdresseSpeichern(const QString &name, const QString &schluessel, const QString &wert, const QString &datumstext,
                          QString *meldung = nullptr);
    /// The participant's payments in monat; dateiname is a file of the data directory.
    Money TeilhaberEinzahlungen(const QString &dateiname, const MonthKey &monat);
    /// Art 0: all participants; 1: those who paid exactly the contribution
    /// in the booking month; 2: those who paid less.
    int AnzahlTeilhaber(int art);
    /// The names of all participants of datenverzeichnis.
    static void TeilhaberNamen(const QString &datenverzeichnis, QStringList &liste);
    /// One line per participant (name padded with "." to 40 characters, then
    /// the booking month's payments); the second only for those who owe.
    QStringList TeilhaberListe();
    QStringList TeilhaberListeOffen();

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
    /// Opens "Transfers.tra" through a command script, without waiting.
    void TransfersZeigen();
    /// Copies the month's logs, data files and transfers list into
    /// "Backup" + monat through a command script, without waiting.
    void Sicherung(const MonthKey &monat);

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
    /// those who left are members again, as before their exit. False, changing nothing, without an
    /// open cash book, for another month or for the pact's first month. All
    /// or nothing; throws VennlokFehler.
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
    /// Writes "TeilhaberListe.txt" (title line with today's date, an empty
    /// line, one line per participant or per participant who owes, an empty
    /// line). Throws VennlokFehler when it cannot be written.
    void TeilhaberListeSchreiben(bool nurOffene);

    /// Replays a command file line by line ("Kaeufer", "NeuPakt", "Vertrag",
    /// "Datum", "Einzahlg", "Rechnung", "Monatsab", "StoreSim") for the kinds
    /// in arten (1 pact set-up, 2 payments, 4 invoices, 16 month closes).
    /// The file may be UTF-8 or Windows-1252. A line that cannot be carried
    /// out stops the replay with VennlokFehler naming the file, the line
    /// number and the line; the bookings of earlier lines stay. Reading ends
    /// after "StoreSim", which archives the pact and leaves no pact here.
    /// The lines up to and including each month close are stored as one
    /// transaction; Gesichert and Standdatei tell how far it is durable. In a
    /// directory without a pact, a file whose first booking line is not
    /// "NeuPakt" is refused before anything is booked. abZeile
    /// (1-based) goes on after an interruption: the lines before it are only
    /// read for the date and the buyer model. The progress is reported from
    /// the calling thread; the caller must not use the engine meanwhile.
    void AutoBuchung(const QString &datei, int arten, TFortschritt *fortschritt = nullptr, int abZeile = 1);

    /// The last line of an interrupted replay that is durably booked (from
    /// Standdatei), 0 when no replay was interrupted here.
    int GesicherteZeile();
    /// Why datei cannot resume the interrupted replay recorded here (another
    /// file's name, or the same name with other content), or an empty text.
    QString FortsetzenFehler(const QString &datei);

    // Bank transfers (sepa.cpp).

    /// The pact's own account, as stored.
    TVennlokDaten::Konto PaktKonto() const;
    /// Whether the pact's account is entered, so that SEPA files can be written.
    bool PaktKontoEingetragen() const;
    /// Why these fields cannot be the pact's account, or an empty text. Three
    /// empty fields are no account, and may be stored.
    static QString PaktKontoFehler(const QString &inhaber, const QString &iban, const QString &bic);
    /// Checks and stores the pact's account (the IBAN without blanks) and
    /// logs it; three empty fields remove it. Refused with why it cannot
    /// be stored.
    TErgebnis PaktKontoSetzen(const QString &inhaber, const QString &iban, const QString &bic);
    /// The SEPA credit transfer file (pain.001.001.09) of a month's payouts
    /// from the pact's account: one transaction per participant payout above
    /// nothing when rounded to the cent, to the participant's "IBAN" (and
    /// "BIC", "Kontoinhaber") address items. Those without a valid IBAN are
    /// left out and named in ohneIban. Empty when no transfer is left.
    /// Throws VennlokFehler for a month not closed and when the pact's
    /// account is missing or wrong.
    QByteArray SepaDatei(const MonthKey &monat, const QDate &ausfuehrung, QStringList *ohneIban = nullptr);
    /// Writes "Ueberweisungen" + monat + ".xml" again for a closed month, to
    /// be executed on ausfuehrung; returns its file name.
    QString SepaNeuSchreiben(const MonthKey &monat, const QDate &ausfuehrung, QStringList *ohneIban = nullptr);

    // Reading operations for statements, lists and charts (auswertung.cpp).
    // They change nothing.

    /// The closed months of the pact, oldest first.
    QList<TMonatsverlauf> Verlauf() const;
    /// The same of another folder (a replay's archive), read without an engine
    /// on it. Throws VennlokFehler when it holds no pact.
    static QList<TMonatsverlauf> Verlauf(const QString &verzeichnis);
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
    /// What a crash left in datenverzeichnis for the next opening to finish
    /// or undo; one German line each. Reads only: call it before an engine
    /// opens the directory.
    static QStringList Unterbrochen(const QString &datenverzeichnis);

    /// The fields of a command-file line: separated by commas and blanks,
    /// quoted with double quotes ("" inside for one quote).
    static QStringList FelderTrennen(const QString &zeile);

    /// True while an automatic replay runs; a month close then starts no
    /// script (no transfers list shown, no backup). A caller without a
    /// desktop (the command line, a test) sets it for the same reason.
    bool AutoModus() const { return m_autoModus; }
    void SetAutoModus(bool an) { m_autoModus = an; }

protected:
    // The bodies of the public bookings of the same name, run inside a transaction.
    TErgebnis neuPakt(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                      Money honorarRechnungsbuchung, double intSozialanteil, double daempfung, Money grundsicherung,
                      Money limitVirtSumme);
    bool vertrag(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung, Money honorarRechnungsbuchung, double daempfung, Money grundsicherung, Money limitVirtSumme);
    TErgebnis anwaltSetzen(const QString &name, const QString &adresse, const QString &datumstext);
    TErgebnis einzahlung(const QString &name, const MonthKey &monat, Money betrag, DateTime datum);
    TErgebnis rechnung(const QString &name, Money betrag, DateTime datum);
    bool teilhaberOeffnen(const QString &name, QString *meldung);
    /// A refusal with its reason and meldung, the text for the operator (the
    /// reason itself unless the rules refuse silently).
    static TErgebnis abgelehnt(const QString &grund, const QString &meldung);
    static TErgebnis abgelehnt(const QString &grund) { return abgelehnt(grund, grund); }
    /// The outcome of a booking of betrag that reached the files.
    static TErgebnis gebucht(bool ok, Money betrag);
    /// The internal share the month's invoices plus weitere leave covered,
    /// when that is lower than the share in force.
    std::optional<double> gedeckterAnteil(Money weitere) const;
    bool adresseSpeichern(const QString &name, const QString &schluessel, const QString &wert, const QString &datumstext,
                          QString *meldung);
    /// The participant of name (as typed or folded), or none.
    TTeilhaber *adressTeilhaber(const QString &name) const;

    /// Called after each step of a month close; a failure seam for tests.
    virtual void NachSchritt(const QString &schritt) { Q_UNUSED(schritt) }

    // Month close (monatsabschluss.cpp).
    void fuerJedenTeilhaber(const std::function<void(TTeilhaber &, const QString &datei)> &schritt);
    /// What is still unpaid of the participant's invoices of monat, paid out; returns it.
    Money teilhaberAuszahlen(TTeilhaber &teilhaber, const QString &name, const MonthKey &monat);
    Money auszahlungenBuchen(const MonthKey &monat);
    void anwaltHonorarBuchen(const MonthKey &monat, DateTime datum);
    void offeneBeitraegeBuchen(const MonthKey &monat);
    void kapitalanteileBerechnen(const MonthKey &monat);
    void parameterBerechnen(const MonthKey &monat);
    void transfersSchreiben(const MonthKey &monat, DateTime datum, const QList<TUeberweisung> &ueberweisungen);
    /// Writes the month's SEPA file with the close when the pact has an account.
    void sepaSchreiben(const MonthKey &monat, DateTime datum, const QList<TUeberweisung> &ueberweisungen);
    /// The SEPA file of a closed month's transfers; see SepaDatei.
    QByteArray sepaXml(const MonthKey &monat, const QDate &ausfuehrung, const QList<TUeberweisung> &ueberweisungen,
                       QStringList *ohneIban);
    /// The participants of liste with a payout of at least a cent but no valid IBAN.
    QStringList ohneIban(const QList<TUeberweisung> &liste);
    // Exit and discarding (austritt.cpp).
    void buchungenVerwerfen(const MonthKey &monat, int arten);
    /// The exits of monat taken back: each "X_" file of monat becomes the
    /// member's "T_" file again, without the exit's marks.
    void austritteZuruecknehmen(const MonthKey &monat);
    /// The files of those who left in monat.
    QStringList austritteDesMonats(const MonthKey &monat);
    // Command scripts (skripte.cpp).
    void skriptStarten(const QString &name, const QStringList &zeilen);
    void simulationSpeichern(const QString &datei);

    // Bookings (buchungen.cpp).
    /// Ends a booking into a participant and the cash book: on refusal the
    /// participant goes back to its state before; the log tells the outcome.
    void buchungAbschliessen(TTeilhaber &teilhaber, bool gebucht, const QString &zeile, const QString &fehlerzeile);
    /// Why name cannot be a participant, or an empty text; a refusal is logged
    /// as kopf + name + amount + abstand + "UNZULÄSSIGER NAME".
    QString nameAbweisen(const QString &name, Money betrag, const QString &kopf, const QString &abstand);
    bool kassenEinzahlung(const MonthKey &monat, const QString &name, Money betrag, DateTime datum);
    bool kassenRechnung(const MonthKey &monat, const QString &name, Money betrag, DateTime datum);
    /// Changes the master data as a unit: when a step throws, memory is put back and the error passed on.
    void datenAendern(const std::function<void()> &aenderung);

    // Participants (teilhaberregister.cpp).
    /// The participant file of name, resolved as it is stored (letter case
    /// ignored); empty when there is none.
    QString teilhaberDatei(const QString &name) const;
    QStringList liste(bool nurOffene);

    // Validity (gueltigkeit.cpp).
    /// Throws VennlokFehler (art Grenze) naming the first parameter whose
    /// value (units for amounts, fractions for shares) breaks its rule.
    void werteVerlangen(const QList<std::pair<QString, double>> &werte);
    /// Throws VennlokFehler (art Beschaedigt) when the master data or the
    /// open cash book lacks a value a booking needs or holds one the rules
    /// do not allow.
    void dateienPruefen();
    /// The totals and the month's counters every booking into kasse needs.
    static void kassePruefen(const TKasse &kasse, const MonthKey &monat);

    // The frame (vennlok.cpp).
    void log(const QString &zeile);
    /// Runs schritte as one transaction: every file they change reaches the
    /// disk together or not at all. When a step throws, nothing is written,
    /// every file is read anew, fehlerzeile (when given) is logged and the
    /// error passed on.
    void transaktion(const QString &fehlerzeile, const std::function<void()> &schritte);
    /// Lets go of every open file without writing it (each operation writes what it changes).
    void dateienLoslassen();
    /// After a transaction was undone: forgets what memory holds and reads
    /// master data, cash book and log of the booking month from the store;
    /// logs fehlerzeile when given.
    void zustandNeuLaden(const QString &fehlerzeile);
    /// Undoes the open transaction and reads memory anew (logging
    /// fehlerzeile when given); the callers' transactions stay open.
    void zurueckrollen(const QString &fehlerzeile);
    /// A new store (and register) for the directory, after files changed behind its back.
    void speicherOeffnen();
    void dateiUmbenennen(const QString &alt, const QString &neu);

    QString m_verzeichnis;
    std::unique_ptr<TSperre> m_sperre;
    TJournalSpeicher::Fund m_fund = TJournalSpeicher::Fund::Nichts;
    std::unique_ptr<TJournalSpeicher> m_speicher;
    QString m_wiederhergestellt; // what opening found of an interrupted booking
    QString m_fehlerzeile;       // the log line of an operation that failed inside a replay's group
    std::unique_ptr<TVennlokDaten> m_daten;
    std::unique_ptr<TTeilhaberRegister> m_register;
    std::unique_ptr<TKasse> m_kasse;
    std::unique_ptr<TBuchungslog> m_buchungslog;
    bool m_autoModus = false;
    int m_gehalten = 0; // callers' transactions (TTransaktion) open now
};
