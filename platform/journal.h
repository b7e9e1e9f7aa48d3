#pragma once

#include "data/speicher.h"

#include <QHash>
#include <QMap>
#include <functional>

/// The transactional store of a data directory.
///
/// Between Beginnen and Festschreiben every write is held in memory. The
/// outermost Festschreiben makes them durable together:
///  1. each new file content and each appended piece of a log is written to a
///     temporary file "*.neu~" beside its target;
///  2. the journal "Vennlok.jrn" listing them is written, all are synced in
///     one batch, the journal is renamed into place and the directory is
///     synced: from here on the transaction counts as done;
///  3. the temporary files replace their targets, appends are made, deletions
///     carried out, the directory synced and the journal removed.
/// A failure before step 2 removes the temporary files and leaves every file
/// as it was; a crash before step 2 leaves only temporary files, which
/// Wiederherstellen removes. A crash after it leaves a journal, which
/// Wiederherstellen carries out again (every step may be repeated). Undoing
/// never needs free space.
///
/// Nested Beginnen calls join the outer transaction. Abbrechen forgets
/// everything held since the outermost Beginnen.
class TJournalSpeicher : public TSpeicher
{
public:
    /// Registers the store for verzeichnis and reads its listing.
    explicit TJournalSpeicher(const QString &verzeichnis);
    ~TJournalSpeicher() override;

    /// Finishes or undoes a transaction that a crash interrupted. Returns a
    /// German line for the log when there was one, else an empty text.
    QString Wiederherstellen();

    void Beginnen();
    /// Throws VennlokFehler when the files could not be made durable; the
    /// transaction is then undone and every file is as before.
    void Festschreiben();
    void Abbrechen();
    bool InTransaktion() const { return m_tiefe > 0; }

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

    /// A test hook: called before each file write of a commit and before the
    /// rename that commits it, with a short description; returning false lets
    /// that step fail. (Steps after the commit point are repeated, not undone.)
    static std::function<bool(const QString &schritt)> Fehlerhaken;

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
    void ausfuehren(const QStringList &journal);
    void schreiben(const QString &pfad, const QByteArray &inhalt);
    void syncVerzeichnis();
    void schritt(const QString &beschreibung);
    void vorgemerkteUebernehmen();
    std::optional<QByteArray> vonPlatte(const QString &name);
    void namenEintragen(const QString &name);

    QString m_verzeichnis;
    int m_tiefe = 0;
    // Durable state as last seen: content cache and listing.
    QHash<QString, std::optional<QByteArray>> m_cache;
    QMap<QString, bool> m_namen;
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
