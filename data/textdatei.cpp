#include "data/textdatei.h"

#include "algo/fehler.h"
#include "data/cp1252.h"
#include "data/speicher.h"

#include <QSaveFile>

namespace Textdatei {

// Unbuffered, so that a short write (full disk, size limit) is seen here and
// not lost in a buffer that commit() would flush without telling.
void SchreibeAtomar(const QString &pfad, const QByteArray &inhalt)
{
    QSaveFile datei(pfad);
    QString grund;
    if (datei.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const bool ganz = GanzSchreiben(datei, inhalt);
        if (ganz && datei.commit())
            return;
        grund = ganz ? Grund(datei.error()) : Grund(QFileDevice::ResourceError);
        datei.cancelWriting();
    } else {
        grund = Grund(datei.error());
    }
    throw VennlokFehler(QStringLiteral("Die Datei \u201E%1\u201C kann nicht geschrieben werden: %2").arg(pfad, grund), pfad);
}

bool GanzSchreiben(QIODevice &datei, const QByteArray &inhalt)
{
    qint64 geschrieben = 0;
    while (geschrieben < inhalt.size()) {
        const qint64 n = datei.write(inhalt.constData() + geschrieben, inhalt.size() - geschrieben);
        if (n <= 0)
            return false;
        geschrieben += n;
    }
    return true;
}

QString Grund(QFileDevice::FileError fehler)
{
    switch (fehler) {
    case QFileDevice::ResourceError:
    case QFileDevice::WriteError:
        return QStringLiteral("Es konnten nicht alle Daten geschrieben werden (Datenträger voll?).");
    case QFileDevice::ReadError:
        return QStringLiteral("Die Datei kann nicht gelesen werden.");
    case QFileDevice::OpenError:
    case QFileDevice::PermissionsError:
        return QStringLiteral("Die Datei kann nicht geöffnet werden (fehlende Berechtigung oder schreibgeschützt).");
    case QFileDevice::RenameError:
        return QStringLiteral("Die neue Fassung kann nicht an die Stelle der alten treten.");
    default:
        return QStringLiteral("Der Datenträger meldet einen Fehler.");
    }
}

QByteArray Kodieren(const QStringList &zeilen)
{
    QByteArray inhalt;
    for (const QString &zeile : zeilen) {
        Cp1252::anhaengen(inhalt, zeile);
        inhalt += "\r\n";
    }
    return inhalt;
}

void ZeilenSchreiben(const QString &pfad, const QStringList &zeilen, TSpeicher *speicher)
{
    const QByteArray inhalt = Kodieren(zeilen);
    if (speicher)
        speicher->Schreiben(pfad, inhalt);
    else
        SchreibeAtomar(pfad, inhalt);
}

} // namespace Textdatei
