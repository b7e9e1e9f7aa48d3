#pragma once

#include <QString>
#include <QStringList>

/// File walking and the file operations the engine needs beyond the data
/// files, kept apart from the operating system's particulars.
namespace Plattform {

/// The names (not paths) of the files in verzeichnis that match muster, a
/// wildcard pattern such as "T_*.ven" compared with letter case, sorted by name.
QStringList DateienSuchen(const QString &verzeichnis, const QString &muster);

} // namespace Plattform
