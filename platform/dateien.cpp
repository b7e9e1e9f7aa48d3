#include "platform/dateien.h"

#include "algo/fehler.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Plattform {

QStringList DateienSuchen(const QString &verzeichnis, const QString &muster)
{
    return QDir(verzeichnis).entryList({muster}, QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive,
                                       QDir::Name);
}

Eintrag EintragArt(const QString &pfad)
{
#ifdef Q_OS_WIN
    const QFileInfo info(pfad);
    if (!info.exists() && !info.isSymLink())
        return Eintrag::Fehlt;
    return info.isFile() && !info.isSymLink() && !info.isJunction() ? Eintrag::Datei : Eintrag::Fremd;
#else
    struct stat st;
    if (::lstat(QFile::encodeName(pfad).constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Eintrag::Fehlt : Eintrag::Fremd;
    return S_ISREG(st.st_mode) ? Eintrag::Datei : Eintrag::Fremd;
#endif
}

QStringList FremdeEintraege(const QString &verzeichnis)
{
    QStringList fremd;
    const QDir dir(verzeichnis);
    for (const QString &name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                             QDir::Name))
        if (EintragArt(dir.filePath(name)) == Eintrag::Fremd)
            fremd.append(name);
    return fremd;
}

QString KeineDatei(const QString &name)
{
    return QStringLiteral("Die Datei \u201E%1\u201C ist keine gewöhnliche Datei (eine Verknüpfung, ein Ordner oder ein "
                          "Gerät steht an ihrer Stelle). Sie wird weder gelesen noch geschrieben; bitte den Eintrag "
                          "aus dem Datenverzeichnis entfernen.")
        .arg(name);
}

QString SystemGrund()
{
#ifdef Q_OS_WIN
    switch (GetLastError()) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return QStringLiteral("Der Datenträger ist voll.");
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
        return QStringLiteral("Fehlende Berechtigung oder schreibgeschützt.");
    default:
        return QStringLiteral("Der Datenträger meldet einen Fehler.");
    }
#else
    switch (errno) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG:
        return QStringLiteral("Der Datenträger ist voll.");
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("Fehlende Berechtigung oder schreibgeschützt.");
    case EIO:
        return QStringLiteral("Der Datenträger meldet einen Ein-/Ausgabefehler.");
    default:
        return QStringLiteral("Der Datenträger meldet einen Fehler (%1).").arg(QString::fromLocal8Bit(strerror(errno)));
    }
#endif
}

Oeffnung Oeffnen(QFile &datei, const QString &pfad, bool lesen, QString *grund)
{
#ifdef Q_OS_WIN
    // Windows knows no FIFOs in a folder; a link or junction is told by its attributes.
    const Eintrag art = EintragArt(pfad);
    if (art == Eintrag::Fremd)
        return Oeffnung::Fremd;
    if (art == Eintrag::Fehlt && lesen)
        return Oeffnung::Fehlt;
    datei.setFileName(pfad);
    if (datei.open(lesen ? QIODevice::ReadOnly : QIODevice::ReadWrite | QIODevice::Unbuffered))
        return Oeffnung::Offen;
    if (grund)
        *grund = SystemGrund();
    return Oeffnung::Fehler;
#else
    const int flags = (lesen ? O_RDONLY : O_RDWR | O_CREAT) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    const int fd = ::open(QFile::encodeName(pfad).constData(), flags, 0666);
    if (fd < 0) {
        if (errno == ENOENT)
            return Oeffnung::Fehlt;
        if (errno == ELOOP || errno == EISDIR || errno == ENXIO || errno == ENODEV)
            return Oeffnung::Fremd;
        if (grund)
            *grund = SystemGrund();
        return Oeffnung::Fehler;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Oeffnung::Fremd;
    }
    // A regular file never blocks; the flag only kept a FIFO from holding the opening up.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!datei.open(fd, lesen ? QIODevice::ReadOnly : QIODevice::ReadWrite | QIODevice::Unbuffered,
                    QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (grund)
            *grund = QStringLiteral("Der Datenträger meldet einen Fehler.");
        return Oeffnung::Fehler;
    }
    return Oeffnung::Offen;
#endif
}

std::optional<QByteArray> Lesen(const QString &pfad)
{
    QFile datei;
    QString grund;
    switch (Oeffnen(datei, pfad, true, &grund)) {
    case Oeffnung::Fehlt:
        return std::nullopt;
    case Oeffnung::Fremd:
        throw VennlokFehler(KeineDatei(QFileInfo(pfad).fileName()), pfad, VennlokFehler::Beschaedigt);
    case Oeffnung::Fehler:
        throw VennlokFehler(QStringLiteral("Die Datei \u201E%1\u201C kann nicht gelesen werden: %2").arg(pfad, grund), pfad);
    case Oeffnung::Offen:
        break;
    }
    QByteArray inhalt = datei.readAll();
    if (datei.error() != QFileDevice::NoError)
        throw VennlokFehler(QStringLiteral("Die Datei \u201E%1\u201C kann nicht gelesen werden: Der Datenträger meldet "
                                           "einen Lesefehler.").arg(pfad), pfad);
    return inhalt;
}

} // namespace Plattform
