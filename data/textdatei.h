#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

/// Whole-file writes that never leave a half-written file: the content goes
/// to a temporary file in the same folder, which then replaces the old file.
namespace Textdatei {

/// Replaces pfad by inhalt. Throws VennlokFehler when it cannot be written;
/// the old file then stays as it was.
void SchreibeAtomar(const QString &pfad, const QByteArray &inhalt);

/// The lines in Windows-1252, each ended by CR LF. Throws VennlokFehler for
/// a character outside Windows-1252.
QByteArray Kodieren(const QStringList &zeilen);

/// Replaces pfad by the lines in Windows-1252, each ended by CR LF. Throws
/// VennlokFehler for a character outside Windows-1252 or a failed write.
void ZeilenSchreiben(const QString &pfad, const QStringList &zeilen);

} // namespace Textdatei
