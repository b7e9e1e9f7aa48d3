#pragma once

#include "data/speicher.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <optional>
#include <functional>

/// The transactional store of a data directory.
///
/// Between Beginnen and Festschreiben every write is held in memory. The
/// outermost Festschreiben makes them durable together, as a redo journal:
///  1. the journal, holding every change whole (each file's new content, each
///     piece appended to a log with the length it goes at, each deletion), is
///     written to "Vennlok.jrn.neu~", synced, renamed to "Vennlok.jrn" and the
///     directory synced: from here on the transaction counts as done;
///  2. the files are written over in place, synced in one batch, the
///     directory synced when names came or went, and the journal removed.
/// A failure in step 1 removes the temporary journal and leaves every file as
/// it was; a crash in step 1 leaves at most the temporary journal, which
/// Wiederherstellen removes. A crash or a failure in step 2 leaves the
/// journal, which the next commit or Wiederherstellen carries out again
/// (each step may be repeated). Undoing never needs free space. Files are
/// written over rather than replaced, so the file system allocates no new
/// inode per file and commit: its cost stays in proportion to the data.
///
/// Nested Beginnen calls join the outer transaction. Abbrechen forgets
/// everything held since the outermost Beginnen.
class TJournalSpeicher : public TSpeicher
{
public:
    /// Registers the store for verzeichnis and reads its listing.
    explicit TJournalSpeicher(const QString &verzeichnis);
    ~TJournalSpeicher() override;

    /// What opening found of a transaction a crash interrupted.
    enum class Fund {
        Nichts,         ///< nothing was interrupted
        ZuEndeGefuehrt, ///< a committed journal was carried out
        Verworfen,      ///< an incomplete transaction (a temporary journal) was removed
        Beiseitegelegt  ///< a journal that fails its own checks was kept aside under a dated name
    };
    struct Wiederherstellung
    {
        Fund fund = Fund::Nichts;
        QString meldung; ///< a German line for the log and the operator; empty for Nichts
    };
    /// Finishes or undoes a transaction that a crash interrupted. Throws
    /// VennlokFehler, naming the file in the way and the reason, when a
    /// committed journal cannot be carried out; the journal then stays.
    Wiederherstellung Wiederherstellen();

    void Beginnen();
    /// Throws VennlokFehler when the files could not be made durable; the
    /// transaction is then undone and every file is as before. Throws
    /// VennlokFehler of art Ausstehend when the transaction is durable in
    /// the journal but a file could not be written afterwards (a folder or
    /// link in the way, a failing disk): memory then holds the new state,
    /// and the next commit or opening carries the journal out.
    void Festschreiben();
    void Abbrechen();
    bool InTransaktion() const { return m_tiefe > 0; }
    /// How many transactions were undone so far: a caller holding one sees
    /// from a change that an operation inside it undid it.
    qint64 Abbrueche() const { return m_abbrueche; }

    std::optional<QByteArray> Lesen(const QString &pfad) override;
    bool Existiert(const QString &pfad) override;
    void Schreiben(const QString &pfad, const QByteArray &inhalt) override;
    void Anhaengen(const QString &pfad, const QByteArray &inhalt) override;
    void Loeschen(const QString &pfad) override;
    QStringList Liste(const QString &muster) override;
    void Vormerken(TRollMemIniFile *datei) override;
    void Loslassen(TRollMemIniFile *datei) override;

    /// The name of the directory's file that equals name ignoring letter
    /// case (the exact spelling first), or an empty text. Hashed.
    QString NameOhneGrossKlein(const QString &name);

    /// The names of the directory that are no regular files (links, FIFOs,
    /// devices, folders), sorted.
    QStringList Fremde() const;

    /// Renames a file of the directory within the transaction.
    void Umbenennen(const QString &alt, const QString &neu);

    /// Counts of the disk work done, for the benchmark.
    struct Zaehler
    {
        qint64 bytes = 0;
        qint64 syncs = 0;
        qint64 transaktionen = 0;
    };
    const Zaehler &Statistik() const { return m_zaehler; }

    /// A test hook: called before each disk step of a commit (writing and
    /// syncing the journal, the rename that commits it, writing each file
    /// afterwards) with a short description; returning false lets that step
    /// fail. Steps after the commit point are repeated later, not undone.
    static std::function<bool(const QString &schritt)> Fehlerhaken;

    /// Only the fuzz targets turn this off, for speed: then nothing is
    /// synced. The program always syncs.
    static bool Syncen;

    static const QString Journalname;
    /// What an interrupted transaction left in verzeichnis (the journal,
    /// temporary files), without touching anything.
    static QStringList Reste(const QString &verzeichnis);

private:
    struct Anhang
    {
        QByteArray bytes;
    };
    QString name(const QString &pfad) const;
    QString pfad(const QString &name) const;
    // One change of a journal: 'S' a file's whole new content, 'A' a piece
    // appended at length ab, 'L' a deletion.
    struct Aenderung
    {
        char art;
        QString name;
        QByteArray inhalt;
        qint64 ab = 0;
    };
    static std::optional<QList<Aenderung>> lesen(const QByteArray &journal);
    /// Carries out a journal and removes it. When a file cannot be written
    /// it leaves the journal and returns why, naming the file.
    std::optional<QString> ausfuehren(const QByteArray &journal);
    /// Reads the directory's listing anew.
    void listeLesen();
    /// Refuses (throwing) a change of a name that is no regular file.
    void nurDateien(const QString &name) const;
    void schreiben(const QString &pfad, const QByteArray &inhalt);
    void syncVerzeichnis();
    void schritt(const QString &beschreibung);
    void vorgemerkteUebernehmen();
    std::optional<QByteArray> vonPlatte(const QString &name);
    void namenEintragen(const QString &name);

    QString m_verzeichnis;
    int m_tiefe = 0;
    qint64 m_abbrueche = 0;
    // Durable state as last seen: content cache and listing.
    QHash<QString, std::optional<QByteArray>> m_cache;
    QMap<QString, bool> m_namen;
    // Names in the listing that are no regular files (links, FIFOs, folders):
    // listed, so that a pattern finds them and the operation is refused.
    QSet<QString> m_fremd;
    // Held by the open transaction, by file name.
    QHash<QString, std::optional<QByteArray>> m_neu; // no value: deleted
    QHash<QString, QByteArray> m_anhaenge;
    QStringList m_anhangReihenfolge;
    QHash<QString, TRollMemIniFile *> m_vorgemerkt;
    QMap<QString, bool> m_namenVorher;
    QHash<QString, QString> m_klein; // case-folded name -> stored name
    bool m_kleinVeraltet = true;
    Zaehler m_zaehler;
};
