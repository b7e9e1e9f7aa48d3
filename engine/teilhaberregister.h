#pragma once

#include "data/teilhaber.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class TJournalSpeicher;

/// The participant files of the data directory ("T_" for members, "X_" for
/// those who left). Each file is parsed once, on first use, and kept while
/// the engine lives; it changes only through the engine's transactions, so
/// memory and disk agree after every commit. A transaction that is undone
/// makes the register forget everything, and the files are read anew.
class TTeilhaberRegister
{
public:
    TTeilhaberRegister(TJournalSpeicher &speicher, const QString &verzeichnis);

    /// The file of name as it is stored, letter case ignored (hashed); empty
    /// when there is none or name cannot be a file name.
    QString Datei(const QString &name) const;
    /// The files of the current members, sorted.
    QStringList Mitglieder() const;
    /// The files of those who left, sorted.
    QStringList Ausgetretene() const;
    /// The first file of one who left under name ("X_" + name), letter case
    /// ignored; empty when there is none.
    QString AusgetreteneDatei(const QString &name) const;
    /// The file of a member under name, else of one who left under it: who
    /// a month's transfer pays. Empty when there is neither.
    QString DateiAuchAusgetreten(const QString &name) const;
    /// The participant of the directory's file datei, read on first use; an
    /// empty one when the file does not exist yet. Throws VennlokFehler (art
    /// Beschaedigt) for a file that is empty or ends in the middle of a line.
    TTeilhaber &Teilhaber(const QString &datei);
    /// Runs schritt on every member, in file order, and hands each file that
    /// changed to the store. Each file is parsed once per engine and
    /// serialised once per commit, however many steps change it.
    void FuerJeden(const std::function<void(TTeilhaber &, const QString &datei)> &schritt);
    /// Forgets datei (renamed or deleted within a transaction).
    void Vergessen(const QString &datei);
    /// Forgets every participant.
    void AllesVergessen();

private:
    TJournalSpeicher &m_speicher;
    QString m_verzeichnis;
    QHash<QString, std::shared_ptr<TTeilhaber>> m_teilhaber;
};
