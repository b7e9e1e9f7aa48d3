#include "platform/dateien.h"

#include <QDir>

namespace Plattform {

QStringList DateienSuchen(const QString &verzeichnis, const QString &muster)
{
    return QDir(verzeichnis).entryList({muster}, QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive,
                                       QDir::Name);
}

} // namespace Plattform
