#pragma once

#include "algo/typen.h"
#include "data/buchungslog.h"
#include "data/kasse.h"
#include "data/monatkey.h"
#include "data/vennlokdaten.h"
#include "engine/ergebnis.h"
#include "engine/teilhaberregister.h"
#include "platform/journal.h"

#include <QString>
#include <functional>
#include <memory>

/// What every unit of the engine works on: the data directory's store, the
/// master data, the open month's cash book and log, and the participant
/// register. The engine owns it and hands it to each unit it calls; no unit
/// keeps state of its own. Every data file of the directory is read and
/// written through the store held here.
///
/// Memory and disk agree after every transaction: an operation that fails
/// rolls the store back and reads memory anew (zurueckrollen).
class TKontext
{
public:
    /// The directory (an absolute path); opens its store. The caller holds
    /// the directory's lock.
    explicit TKontext(const QString &verzeichnis);
    /// In memory only, holding the files of bild (see TJournalSpeicher).
    TKontext(const QString &verzeichnis, const QHash<QString, QByteArray> *bild);
    ~TKontext();
    TKontext(const TKontext &) = delete;
    TKontext &operator=(const TKontext &) = delete;

    const QString verzeichnis;
    std::unique_ptr<TJournalSpeicher> speicher;
    std::unique_ptr<TTeilhaberRegister> teilhaber;
    std::unique_ptr<TVennlokDaten> daten;
    std::unique_ptr<TKasse> kasse;             // the booking month's; none without a pact
    std::unique_ptr<TBuchungslog> buchungslog; // the booking month's
    /// True while an automatic replay runs or a caller without a desktop
    /// books: a month close then starts no script.
    bool autoModus = false;
    int gehalten = 0;    // callers' transactions (TTransaktion) open now
    QString fehlerzeile; // the log line of an operation that failed inside a replay's group
    /// Called after each step of a month close; a failure seam for tests.
    std::function<void(const QString &schritt)> nachSchritt;

    /// The path of a file of the data directory.
    QString Pfad(const QString &dateiname) const;
    bool PaktVorhanden() const;
    /// The booking month; empty without a pact.
    MonthKey Buchungsmonat() const;
    /// Writes a line to the open month's log (nothing without one).
    void log(const QString &zeile);

    /// Reads the master data anew from the store.
    void DatenLesen();
    /// A file of the directory read through the store.
    template <class Datei>
    std::unique_ptr<Datei> Lesen(const QString &dateiname) const
    {
        return std::make_unique<Datei>(Pfad(dateiname), speicher.get());
    }
    /// Opens the month's cash book (creating it, or reopening a closed one
    /// with all its figures) and its log with datum. Throws VennlokFehler
    /// when the cash book or log cannot be written.
    void KasseOeffnen(const MonthKey &monat, DateTime datum);

    /// Runs schritte as one transaction: every file they change reaches the
    /// disk together or not at all. When a step throws, nothing is written,
    /// every file is read anew, fehlerzeile (when given) is logged and the
    /// error passed on. Inside a transaction already open, schritte join it.
    void transaktion(const QString &fehlerzeile, const std::function<void()> &schritte);
    /// Runs buchung as one transaction (see transaktion) and returns its result.
    TErgebnis vorgang(const std::function<TErgebnis()> &buchung);
    /// Undoes the open transaction and reads memory anew (logging
    /// fehlerzeile when given); the callers' transactions stay open.
    void zurueckrollen(const QString &fehlerzeile);
    /// After a transaction was undone: forgets what memory holds and reads
    /// master data, cash book and log of the booking month from the store;
    /// logs fehlerzeile when given.
    void zustandNeuLaden(const QString &fehlerzeile);
    /// Lets go of every open file without writing it (each operation writes what it changes).
    void dateienLoslassen();
    /// A new store (and register) for the directory, after files changed behind its back.
    void speicherOeffnen();
    void dateiUmbenennen(const QString &alt, const QString &neu);
    /// Changes the master data as a unit: when a step throws, memory is put back and the error passed on.
    void datenAendern(const std::function<void()> &aenderung);
    /// Sets the internal share (and so the share in force) and writes the master data.
    void SetIntSozialanteil(double wert);

    /// Throws VennlokFehler (art Beschaedigt) when the master data or the
    /// open cash book lacks a value a booking needs or holds one the rules
    /// do not allow.
    void dateienPruefen();
};
