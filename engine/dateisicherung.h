#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

/// All or nothing over several files: keeps the content (or the absence) of
/// every file it is given before the first change, and unless Bestaetigen is
/// called puts them all back when it is destroyed. A booking that fails half
/// way so leaves every file exactly as it was.
class TDateiSicherung
{
public:
    TDateiSicherung() = default;
    ~TDateiSicherung();

    TDateiSicherung(const TDateiSicherung &) = delete;
    TDateiSicherung &operator=(const TDateiSicherung &) = delete;

    /// Remembers pfad as it is now; a path given twice keeps its first state.
    /// Throws VennlokFehler when an existing file cannot be read.
    void Sichern(const QString &pfad);
    void Sichern(const QStringList &pfade);

    /// The change is complete: nothing is put back.
    void Bestaetigen();

    /// Puts every file back as it was and forgets them. Returns the texts of
    /// what could not be put back (empty when all went well).
    QStringList Zuruecksetzen();

private:
    QHash<QString, std::optional<QByteArray>> m_stand;
    QStringList m_reihenfolge;
};
