#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

/// A pact's backup as one archive file: the tar format (POSIX ustar), which
/// every archive program opens, also the ones Windows brings along.
///
/// An archive holds regular files under plain names only — no folders, no
/// links, no paths — so that nothing read back from one can land outside
/// the folder it is restored into.
namespace Archiv {

struct Datei
{
    QString name;
    QByteArray inhalt;
};

/// The archive of dateien, byte for byte; names must be plain (see
/// NameFehler). Throws VennlokFehler for a name that is not.
QByteArray Packen(const QList<Datei> &dateien, qint64 zeit);

/// The files of an archive in stored order. Throws VennlokFehler, naming
/// archiv (the path given for the message) and the reason, for anything
/// that is not a whole archive of plain files: a damaged header, a cut
/// file, a folder, a link or a path, a name twice.
QList<Datei> Entpacken(const QByteArray &daten, const QString &archiv);

/// Why name cannot be a file of an archive; empty when it can.
QString NameFehler(const QString &name);

/// Writes the archive of the files in verzeichnis named dateien to ziel:
/// under a temporary name beside it, synced, then renamed, so that ziel is
/// either whole or not there. Throws VennlokFehler naming the file and the reason.
void Schreiben(const QString &ziel, const QString &verzeichnis, const QStringList &dateien, qint64 zeit);

} // namespace Archiv
