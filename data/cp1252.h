#pragma once

#include <QByteArray>
#include <QString>

/// Windows-1252, the character set of every file the program writes.
/// The table is built in so that files come out the same on every system,
/// with or without ICU. The five bytes the code page leaves undefined
/// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same
/// number, so any byte sequence survives a read and a write unchanged.
namespace Cp1252 {

/// Decodes bytes; never fails.
QString dekodieren(const QByteArray &bytes);

/// Encodes text. Throws VennlokFehler naming the first character that
/// Windows-1252 cannot hold; nothing is ever replaced silently.
QByteArray kodieren(const QString &text);
/// Encodes text onto the end of ziel; throws like kodieren, ziel then unchanged.
void anhaengen(QByteArray &ziel, const QString &text);
/// Encodes text into ziel, which has room for text.size() bytes; false when
/// a character has no byte (kodieren then tells which). For bulk writing.
bool kodierenNach(char *ziel, const QString &text);

/// True when every character of text has a Windows-1252 byte.
bool darstellbar(const QString &text);

/// Control characters (C0, DEL and C1), which no line of a file may hold.
bool istSteuerzeichen(QChar c);

/// The first character of text that Windows-1252 cannot hold, or -1.
qsizetype ersteNichtDarstellbare(const QString &text);

} // namespace Cp1252
