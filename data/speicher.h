#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

class TRollMemIniFile;

/// Where the data files of one directory are read from and written to.
///
/// Data files given no store are read and replaced directly (each
/// replacement atomic on its own). The engine hands its transactional store
/// to every file of its data directory: inside a transaction, writes
/// are held in memory and reach the disk together when the outermost
/// transaction is committed, or not at all. Reads see the transaction's own
/// writes. File names are names within the directory, paths are absolute.
class TSpeicher
{
public:
    virtual ~TSpeicher();

    /// The content of pfad as this store sees it; no value when the file does not exist.
    virtual std::optional<QByteArray> Lesen(const QString &pfad) = 0;
    virtual bool Existiert(const QString &pfad) = 0;
    /// Replaces pfad by inhalt.
    virtual void Schreiben(const QString &pfad, const QByteArray &inhalt) = 0;
    /// Appends inhalt to pfad (a log), creating it when missing.
    virtual void Anhaengen(const QString &pfad, const QByteArray &inhalt) = 0;
    virtual void Loeschen(const QString &pfad) = 0;
    /// The names of the directory's files matching the wildcard muster, sorted.
    virtual QStringList Liste(const QString &muster) = 0;

    /// An INI file changed in memory; its content is taken when the
    /// transaction is committed (or the object lets go of it first).
    virtual void Vormerken(TRollMemIniFile *datei) = 0;
    /// The object is going away: a pending change is taken over now.
    virtual void Loslassen(TRollMemIniFile *datei) = 0;
    /// The object has read its file: a store may keep its content in the
    /// object's pieces from here on instead of as read.
    virtual void Geladen(TRollMemIniFile *datei) { (void)datei; }
};

/// Reads and writes without a store: the functions the data classes fall back on.
namespace Direkt {
std::optional<QByteArray> Lesen(const QString &pfad);
void Anhaengen(const QString &pfad, const QByteArray &inhalt);
} // namespace Direkt
