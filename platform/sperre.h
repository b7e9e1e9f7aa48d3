#pragma once

#include <QString>

/// The lock of a data directory: an advisory lock of the operating system
/// (flock on POSIX, LockFileEx on Windows) on the file "Vennlok.lck", taken
/// when the object is made and held until it goes. The operating system
/// lets go of it when the process ends in whatever way, so there is no
/// staleness to judge: whoever holds the system's lock holds the directory.
///
/// The file's text (process, computer, start) only feeds the message to
/// one who is turned away. A holder that ends normally removes the file
/// while it still holds the lock (on Windows it empties it); one that finds
/// a file with a text was preceded by a holder that was killed. Having got
/// the lock, a holder checks that the name still leads to the file it
/// locked: one that had opened it just before its holder removed it would
/// otherwise hold a lock on a file nobody else sees.
class TSperre
{
public:
    /// Takes the lock of verzeichnis. Throws VennlokFehler when another
    /// program (or another engine of this one) holds it, naming the holder,
    /// or when the lock file cannot be made, naming the reason.
    explicit TSperre(const QString &verzeichnis);
    ~TSperre();
    TSperre(const TSperre &) = delete;
    TSperre &operator=(const TSperre &) = delete;

    /// True when the holder before ended without letting go (killed, a power cut).
    bool Verwaist() const { return m_verwaist; }

    static const QString Dateiname;

private:
    QString m_pfad;
    qintptr m_handle = -1;
    bool m_verwaist = false;
};
