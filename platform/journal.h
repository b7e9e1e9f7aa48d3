#pragma once

#include "data/speicher.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <functional>
#include <memory>
#include <optional>

class QFile;

/// The transactional store of a data directory.
///
/// "Vennlok.jrn" is a write-ahead journal: every commit appends one record
/// holding the transaction's changes - for a data file the byte ranges that
/// changed, for a log the piece appended and where it goes, for any other
/// file its whole new content or its deletion - and syncs it. The data files
/// follow at checkpoints, whole; between them memory holds the newest state.
///
/// The states, and the function that moves between them:
///
///   RUHE        no journal: the files are the committed state.
///   OFFEN       Beginnen: every write is held in memory (m_neu, m_neuStuecke,
///               m_anhaenge, m_vorgemerkt); the disk is untouched. Nested
///               Beginnen calls join; Abbrechen forgets all since the outermost.
///   GESICHERT   the outermost Festschreiben appends the record and syncs it:
///               from here the transaction counts. Documents written whole
///               (transfer lists, bank files) and deletions are carried out on
///               disk at once; data files and logs lag behind (m_schmutzig).
///               A failure before the sync cuts the journal back to its last
///               record and undoes the transaction.
///   SICHERUNG   sichern (when the journal has grown to the size of what lags,
///               before the month's backup copies the files, when the
///               store closes)
///               writes each lagging file whole as "<name>.neu~", syncs them,
///               appends a checkpoint record ("K") and syncs it, then renames
///               each over its file, appends each log's pieces in place,
///               syncs the directory and removes the journal -> RUHE.
///
/// Invariants, each with a test that holds it:
///  1. A transaction counts exactly when its record is durable and whole:
///     a failure or crash before leaves every file as it was (tst_monatsabschluss
///     schreibfehlerLassenAllesWieVorher, tests/kill/killtest.sh).
///  2. Each record carries its length and checksum; a record cut short by a
///     crash ends the journal and is no transaction. A journal whose head or
///     a whole record fails its checks was damaged afterwards; it is never
///     carried out but kept aside as "Vennlok.jrn.beschaedigt-<Zeit>"
///     (Fund::Beiseitegelegt) (tst_dateien journalBeimOeffnen, fuzz_journal).
///  3. Opening carries out a journal from the files it was written for: no
///     data file is written before a checkpoint record says its "*.neu~" copy
///     is whole, and renaming and appending at a fixed length may be repeated
///     any number of times (killtest kills during recovery too).
///  4. A checkpoint or write that failed after its record is finished before
///     the next transaction appends its own (tst_dateien gesichertAberNichtUebertragen).
///  5. Only regular files inside the directory are read or written, the
///     journal's targets included; a link, FIFO, device or folder is refused
///     before anything is written (tst_dateien nurGewoehnlicheDateien,
///     journalBeimOeffnen, tst_cli befehlsfolgen).
///  6. Undoing never needs free space: it forgets memory and cuts the journal
///     back (tst_vennlok misslungenerPaktBleibtNichtImSpeicher).
///  7. One program writes a directory at a time: the engine holds TSperre
///     for its life (tst_dateien zweiProgrammeHaltenNieZugleich).
///
/// A booking thus writes and syncs a few hundred bytes, whatever the size of
/// the files it changes; each file is written whole once per checkpoint.
class TJournalSpeicher : public TSpeicher
{
public:
    /// Registers the store for verzeichnis and reads its listing.
    explicit TJournalSpeicher(const QString &verzeichnis);
    /// A store in memory only, holding the files of bild (by name) under the
    /// name of verzeichnis: it never reads or writes the disk. A commit takes
    /// the transaction's changes into memory; undoing forgets them, as on disk.
    /// For simulations that start from a pact as it stands.
    TJournalSpeicher(const QString &verzeichnis, const QHash<QString, QByteArray> &bild);
    bool NurImSpeicher() const { return m_nurImSpeicher; }
    /// Every file as this store sees it now, by name, or those for which nimm
    /// holds: the picture a store in memory starts from.
    QHash<QString, QByteArray> Bild(const std::function<bool(const QString &name)> &nimm = nullptr);
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
    /// Writes every file whose disk copy lags behind the journal and removes
    /// the journal (a checkpoint): afterwards the files alone are the state.
    /// Throws VennlokFehler naming the file when one cannot be written; the
    /// journal then stays and nothing is lost.
    void Sichern();
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
    /// Existiert for a name of the directory, without a path to take apart.
    bool NameExistiert(const QString &name) const { return m_namen.contains(name); }
    void Schreiben(const QString &pfad, const QByteArray &inhalt) override;
    void Anhaengen(const QString &pfad, const QByteArray &inhalt) override;
    void Loeschen(const QString &pfad) override;
    QStringList Liste(const QString &muster) override;
    void Vormerken(TRollMemIniFile *datei) override;
    void Loslassen(TRollMemIniFile *datei) override;
    /// Keeps a data file read as it stands in the file's pieces when they
    /// are its bytes exactly: the first change then finds what changed
    /// without comparing the whole file, and the bytes as read go.
    void Geladen(TRollMemIniFile *datei) override;

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
        qint64 sicherungen = 0; ///< checkpoints
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

    /// A checkpoint comes after a commit when the journal is this long and at
    /// least as long as what lags behind it, so that the bytes written stay a
    /// small multiple of the data. 8 MB, or the environment's
    /// VENNLOK_SICHERUNG_AB in bytes (0: after every commit), for tests that
    /// want checkpoints often.
    static qint64 SicherungAb;

    static const QString Journalname;
    /// One record of the journal as it is appended: its art ('T' a
    /// transaction, 'K' a checkpoint), number, length and checksum, the body.
    static QByteArray Datensatz(char art, qint64 nummer, const QByteArray &koerper);
    /// Every file of verzeichnis with its content as the directory holds it:
    /// the files with what its journal carries applied, the journal and the
    /// copies of a checkpoint left out. Reads only; for tools and tests that
    /// look at a directory while a program holds it.
    static QMap<QString, QByteArray> Ansicht(const QString &verzeichnis);
    /// What an interrupted transaction left in verzeichnis (the journal,
    /// temporary files), without touching anything.
    static QStringList Reste(const QString &verzeichnis);

private:
    QString name(const QString &pfad) const;
    QString pfad(const QString &name) const;
    // One change of a journal: 'S' a file's whole new content, 'A' a piece
    // appended at length ab, 'L' a deletion, 'P' byte ranges replaced
    // (stellen: where in the old content, how many bytes go, the new ones).
    struct Stelle
    {
        qint64 ab = 0;
        qint64 laenge = 0;
        QByteArray neu;
    };
    struct Aenderung
    {
        char art;
        QString name;
        QByteArray inhalt;
        qint64 ab = 0;
        QList<Stelle> stellen;
    };
    // What a checkpoint does to one file.
    struct Plan
    {
        enum Art { Ganz, Anhang, Weg } art;
        QList<QByteArray> stuecke; // Ganz: the content
        qint64 ab = 0;             // Anhang: where the pieces go
    };
    // A journal as read: its records in order; whether the last is a checkpoint.
    struct Gelesen
    {
        QList<QList<Aenderung>> datensaetze;
        bool sicherungspunkt = false;
        bool abgeschnitten = false; // a record cut short ended it
        qint64 ende = 0;            // the length of its whole records
        qint64 folgenummer = 0;
    };
    static std::optional<QList<Aenderung>> lesen(const QByteArray &journal);
    static std::optional<QList<Aenderung>> koerperLesen(const QByteArray &koerper, qsizetype pos, qsizetype ende);
    static std::optional<Gelesen> journalLesen(const QByteArray &journal);
    /// Carries out a journal of the older whole-content form and removes it.
    /// When a file cannot be written it leaves the journal and returns why.
    std::optional<QString> ausfuehren(const QByteArray &journal);
    /// The checkpoint plans of a journal's records, applied to the files on disk.
    QMap<QString, Plan> plaene(const QList<QList<Aenderung>> &datensaetze, bool ohneInhalt = false);
    /// Writes the plans' "*.neu~" files and the checkpoint record, then
    /// carries them out (umsetzen). Throws naming the file in the way.
    void sicherungSchreiben(const QMap<QString, Plan> &plaene);
    void umsetzen(const QMap<QString, Plan> &plaene, bool nurVorhandene);
    /// Appends a record to the journal and syncs it; cuts it back on failure.
    void datensatzAnhaengen(char art, const QByteArray &koerper);
    void journalEntfernen();
    /// Writes the pieces into datei from ab on, after cutting it there, and
    /// syncs it unless a sync of the whole file system follows.
    void stueckeSchreiben(QFile &datei, const QString &name, qint64 ab, const QList<QByteArray> &stuecke, bool syncen);
    /// Finishes what an earlier commit or checkpoint left undone (invariant 4).
    void ausstehendeErledigen();
    /// Reads the directory's listing anew.
    void listeLesen();
    /// Refuses (throwing) a change of a name that is no regular file.
    void nurDateien(const QString &name) const;
    void syncVerzeichnis();
    void schritt(const QString &beschreibung);
    void vorgemerkteUebernehmen();
    std::optional<QByteArray> vonPlatte(const QString &name);
    /// The committed content of a file as memory holds it.
    std::optional<QByteArray> festerStand(const QString &name);
    void namenEintragen(const QString &name);
    /// The byte ranges that turn the pieces alt into neu, in alt's offsets.
    static QList<Stelle> unterschiede(const QList<QByteArray> &alt, const QList<QByteArray> &neu);

    QString m_verzeichnis;
    bool m_nurImSpeicher = false;
    int m_tiefe = 0;
    qint64 m_abbrueche = 0;
    // Committed state: the disk content as read (m_cache); data files kept in
    // their sections' pieces (m_stuecke); pieces appended to logs that are
    // not yet on disk, with the length where they go (m_nachtrag, m_nachtragAb).
    QHash<QString, std::optional<QByteArray>> m_cache;
    QHash<QString, QList<QByteArray>> m_stuecke;
    QHash<QString, QByteArray> m_nachtrag;
    QHash<QString, qint64> m_nachtragAb;
    // Files whose disk copy lags behind the journal, with their size.
    QHash<QString, qint64> m_schmutzig;
    qint64 m_schmutzBytes = 0;
    // The journal: its length of whole records, the next record's number.
    std::unique_ptr<QFile> m_journal;
    qint64 m_journalEnde = 0;
    qint64 m_folgenummer = 0;
    // Left undone after a commit point: documents not yet written, a
    // checkpoint not yet carried out.
    QSet<QString> m_nachzuholen;
    QMap<QString, Plan> m_offeneSicherung;
    QMap<QString, bool> m_namen;
    // Names in the listing that are no regular files (links, FIFOs, folders):
    // listed, so that a pattern finds them and the operation is refused.
    QSet<QString> m_fremd;
    // Held by the open transaction, by file name.
    QHash<QString, std::optional<QByteArray>> m_neu; // no value: deleted
    QHash<QString, QList<QByteArray>> m_neuStuecke;  // a data file let go of
    QHash<QString, QByteArray> m_anhaenge;
    QStringList m_anhangReihenfolge;
    QHash<QString, TRollMemIniFile *> m_vorgemerkt;
    QMap<QString, bool> m_namenVorher;
    QHash<QString, QString> m_klein; // case-folded name -> stored name
    bool m_kleinVeraltet = true;
    Zaehler m_zaehler;
};
