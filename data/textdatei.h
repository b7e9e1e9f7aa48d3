#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QStringList>

class TSpeicher;

/// Whole-file writes that never leave a half-written file: the content goes
/// to a temporary file in the same folder, which then replaces the old file.
namespace Textdatei {

/// Replaces pfad by inhalt. Throws VennlokFehler when it cannot be written;
/// the old file then stays as it was.
void SchreibeAtomar(const QString &pfad, const QByteArray &inhalt);

/// Writes all of inhalt to an open, unbuffered device; false when a write
/// falls short (a full disk, a size limit).
bool GanzSchreiben(QIODevice &datei, const QByteArray &inhalt);

/// Why a file operation failed, in German, for messages to the operator.
QString Grund(QFileDevice::FileError fehler);

/// The lines in Windows-1252, each ended by CR LF. Throws VennlokFehler for
/// a character outside Windows-1252.
QByteArray Kodieren(const QStringList &zeilen);

/// Replaces pfad by the lines in Windows-1252, each ended by CR LF. Throws
/// VennlokFehler for a character outside Windows-1252 or a failed write.
/// With a store the content goes to its transaction instead.
void ZeilenSchreiben(const QString &pfad, const QStringList &zeilen, TSpeicher *speicher = nullptr);

} // namespace Textdatei
