#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <optional>

/// File walking and the file operations the engine needs beyond the data
/// files, kept apart from the operating system's particulars.
///
/// Only regular files are data files. The functions here open a file
/// without following a symbolic link in its last component and without
/// waiting on a FIFO, and refuse anything else (a link, a FIFO, a device, a
/// directory) with a text naming the file. The data directory itself may be
/// reached through a link.
namespace Plattform {

/// The names (not paths) of the files in verzeichnis that match muster, a
/// wildcard pattern such as "T_*.ven" compared with letter case, sorted by name.
QStringList DateienSuchen(const QString &verzeichnis, const QString &muster);

/// What stands at a path, without following a link.
enum class Eintrag { Fehlt, Datei, Fremd };
Eintrag EintragArt(const QString &pfad);

/// The names of the entries in verzeichnis that are not regular files
/// (links, FIFOs, devices, folders), sorted.
QStringList FremdeEintraege(const QString &verzeichnis);

/// "Die Datei „name“ ist keine gewöhnliche Datei …": the refusal of a
/// link, FIFO, device or folder where a data file belongs.
QString KeineDatei(const QString &name);

/// How an opening went.
enum class Oeffnung { Offen, Fehlt, Fremd, Fehler };

/// Opens pfad into datei: lesen read-only, else read-write and created when
/// missing (never truncated). A link, FIFO, device or folder is not opened
/// (Fremd). grund, when given, gets the system's reason of a failure in German.
Oeffnung Oeffnen(QFile &datei, const QString &pfad, bool lesen, QString *grund = nullptr);

/// The whole content of the regular file pfad; no value when it does not
/// exist. Throws VennlokFehler naming the file when it is no regular file
/// or cannot be read.
std::optional<QByteArray> Lesen(const QString &pfad);

/// The reason of the last failed system call in German; a full disk is
/// called a full disk.
QString SystemGrund();

} // namespace Plattform
