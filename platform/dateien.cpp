#include "platform/dateien.h"

#include <QDir>

namespace Plattform {

QStringList DateienSuchen(const QString &verzeichnis, const QString &muster)
{
    return QDir(verzeichnis).entryList({muster}, QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive,
                                       QDir::Name);
}

QString DateiOhneGrossKlein(const QString &verzeichnis, const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))
        || name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    // The stored spelling wins: an exact match first, then one that differs in case only.
    QString treffer;
    for (const QString &t : QDir(verzeichnis).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (t == name)
            return t;
        if (treffer.isEmpty() && t.compare(name, Qt::CaseInsensitive) == 0)
            treffer = t;
    }
    return treffer;
}

} // namespace Plattform
