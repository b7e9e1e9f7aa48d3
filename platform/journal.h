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
/// The states of a transaction, and the function that moves between them:
///
///   RUHE        no "Vennlok.jrn", no "*.neu~"; the files are the committed state.
///   OFFEN       Beginnen: every write is held in memory (m_neu, m_anhaenge,
///               m_vorgemerkt); the disk is untouched. Nested Beginnen calls
///               join; Abbrechen forgets all since the outermost -> RUHE.
///   VORBEREITET the outermost Festschreiben writes the journal, holding every
///               change whole (each file's new content, each piece appended to
///               a log with the length it goes at, each deletion), to
///               "Vennlok.jrn.neu~" and syncs it. A failure removes it and
///               undoes (-> RUHE); a crash leaves it, and Wiederherstellen
///               removes it (Fund::Verworfen) -> RUHE.
///   GESICHERT   Festschreiben renames it to "Vennlok.jrn" and syncs the
///               directory: from here the transaction counts, memory holds it.
///   RUHE        ausfuehren writes the files over in place, syncs them in one
///               batch (the directory too when names came or went) and removes
///               the journal. Should that fail, the journal stays (GESICHERT),
///               Festschreiben throws VennlokFehler of art Ausstehend naming
///               the file in the way, and the next Festschreiben or
///               Wiederherstellen (Fund::ZuEndeGefuehrt) carries it out again.
///
/// Invariants, each with a test that holds it:
///  1. No data file is written before the journal holding its change is
///     durable under its name: a failure or a crash before GESICHERT leaves
///     every file as it was (tst_monatsabschluss schreibfehlerLassenAllesWieVorher,
///     tests/kill/killtest.sh).
///  2. "Vennlok.jrn" is only ever whole: it is written under another name and
///     renamed. One that fails its own checks was damaged afterwards; it is
///     never carried out but kept aside as "Vennlok.jrn.beschaedigt-<Zeit>"
///     (Fund::Beiseitegelegt) (tst_dateien journalBeimOeffnen, fuzz_journal).
///  3. Carrying out a journal may be repeated any number of times: each change
///     is a whole content or a piece at a fixed length (killtest kills during
///     recovery too; tst_dateien gesichertAberNichtUebertragen).
///  4. A journal in GESICHERT is carried out before the next transaction
///     writes its own, so none is ever overwritten
///     (tst_dateien gesichertAberNichtUebertragen).
///  5. Only regular files inside the directory are read or written, the
///     journal's targets included; a link, FIFO, device or folder is refused
///     before anything is written (tst_dateien nurGewoehnlicheDateien,
///     journalBeimOeffnen, tst_cli befehlsfolgen).
///  6. Undoing never needs free space: it forgets memory and removes the
///     temporary journal (tst_vennlok misslungenerPaktBleibtNichtImSpeicher).
///  7. One program writes a directory at a time: the engine holds TSperre
///     for its life (tst_dateien zweiProgrammeHaltenNieZugleich).
///
/// Files are written over rather than replaced, so the file system allocates
/// no new inode per file and commit: its cost stays in proportion to the data.
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
    bool m_nurImSpeicher = false;
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
