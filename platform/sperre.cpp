#include "platform/sperre.h"

#include "algo/fehler.h"
#include "platform/dateien.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSysInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

const QString TSperre::Dateiname = QStringLiteral("Vennlok.lck");

namespace {

#ifdef Q_OS_WIN
// The byte locked lies far behind the text, which others may then still read.
constexpr DWORD SperrByte = 0x40000000;
#endif

QByteArray sperrtext()
{
    return QByteArray::number(QCoreApplication::applicationPid()) + '\n' + QSysInfo::machineHostName().toUtf8() + '\n'
           + QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")).toUtf8() + '\n';
}

// "(Prozess 1234 auf rechner, seit 07.12.2026 10:00:00)" from the holder's text, when it is readable.
QString inhaberBeschreibung(const QByteArray &text)
{
    const QList<QByteArray> teile = text.split('\n');
    bool ok = false;
    const qint64 pid = teile.value(0).toLongLong(&ok);
    if (!ok || teile.size() < 3)
        return QString();
    return QStringLiteral(" (Prozess %1 auf \u201E%2\u201C, seit %3)")
        .arg(pid)
        .arg(QString::fromUtf8(teile[1]), QString::fromUtf8(teile[2]));
}

[[noreturn]] void belegt(const QString &verzeichnis, const QByteArray &text)
{
    throw VennlokFehler(QStringLiteral("Das Datenverzeichnis \u201E%1\u201C wird gerade von einem anderen "
                                       "Vennlok-Programm benutzt%2. Bitte jenes zuerst beenden.")
                            .arg(QDir::toNativeSeparators(verzeichnis), inhaberBeschreibung(text)));
}

[[noreturn]] void nichtAnlegbar(const QString &verzeichnis, const QString &grund)
{
    throw VennlokFehler(QStringLiteral("Im Datenverzeichnis \u201E%1\u201C kann keine Sperrdatei angelegt werden: %2")
                            .arg(QDir::toNativeSeparators(verzeichnis), grund),
                        QDir(verzeichnis).filePath(TSperre::Dateiname));
}

} // namespace

TSperre::TSperre(const QString &verzeichnis)
    : m_pfad(QDir(verzeichnis).filePath(Dateiname))
{
    const QString &pfad = m_pfad;
    if (Plattform::EintragArt(pfad) == Plattform::Eintrag::Fremd)
        nichtAnlegbar(verzeichnis, Plattform::KeineDatei(Dateiname));
#ifdef Q_OS_WIN
    HANDLE h = CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(pfad).utf16()),
                           GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        nichtAnlegbar(verzeichnis, Plattform::SystemGrund());
    OVERLAPPED ov{};
    ov.Offset = SperrByte;
    QByteArray alt(4096, '\0');
    DWORD gelesen = 0;
    ReadFile(h, alt.data(), DWORD(alt.size()), &gelesen, nullptr);
    alt.truncate(int(gelesen));
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &ov)) {
        const bool andere = GetLastError() == ERROR_LOCK_VIOLATION || GetLastError() == ERROR_IO_PENDING;
        const QString grund = Plattform::SystemGrund();
        CloseHandle(h);
        if (andere)
            belegt(verzeichnis, alt);
        nichtAnlegbar(verzeichnis, grund);
    }
    m_handle = reinterpret_cast<qintptr>(h);
    m_verwaist = !alt.trimmed().isEmpty();
    const QByteArray text = sperrtext();
    DWORD geschrieben = 0;
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    WriteFile(h, text.constData(), DWORD(text.size()), &geschrieben, nullptr);
#else
    const QByteArray name = QFile::encodeName(pfad);
    constexpr int Flags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    for (int versuch = 1;; ++versuch) {
        bool neu = true;
        int fd = ::open(name.constData(), Flags | O_CREAT | O_EXCL, 0644);
        if (fd < 0 && errno == EEXIST) {
            neu = false;
            fd = ::open(name.constData(), Flags);
            if (fd < 0 && errno == ENOENT && versuch < 1000)
                continue; // its holder has just removed it
        }
        if (fd < 0)
            nichtAnlegbar(verzeichnis, errno == ELOOP || errno == ENXIO || errno == EISDIR
                                           ? Plattform::KeineDatei(Dateiname)
                                           : Plattform::SystemGrund());
        struct stat st;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            nichtAnlegbar(verzeichnis, Plattform::KeineDatei(Dateiname));
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool andere = errno == EWOULDBLOCK;
            const QString grund = Plattform::SystemGrund();
            QByteArray text(4096, '\0');
            const ssize_t n = ::pread(fd, text.data(), size_t(text.size()), 0);
            text.truncate(n > 0 ? int(n) : 0);
            ::close(fd);
            if (andere)
                belegt(verzeichnis, text);
            nichtAnlegbar(verzeichnis, grund);
        }
        // A holder that ended between our opening and our lock has removed
        // the file: a lock on it would hold nothing, so start again.
        struct stat jetzt;
        if (::lstat(name.constData(), &jetzt) != 0 || jetzt.st_ino != st.st_ino || jetzt.st_dev != st.st_dev) {
            ::close(fd);
            if (versuch < 1000)
                continue;
            nichtAnlegbar(verzeichnis, QStringLiteral("Die Sperrdatei wechselt fortwährend."));
        }
        m_handle = fd;
        QByteArray alt(4096, '\0');
        const ssize_t n = ::pread(fd, alt.data(), size_t(alt.size()), 0);
        alt.truncate(n > 0 ? int(n) : 0);
        m_verwaist = !neu && !alt.trimmed().isEmpty();
        // The text only serves the message of one turned away: a full disk that
        // keeps it out does not stop the holder, whose writes will say so.
        const QByteArray text = sperrtext();
        if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, text.constData(), size_t(text.size()), 0) != ssize_t(text.size()))
            if (::ftruncate(fd, 0) != 0) {
                // A half-written text is only a message; the lock itself holds.
            }
        break;
    }
#endif
}

TSperre::~TSperre()
{
    if (m_handle == -1)
        return;
#ifdef Q_OS_WIN
    HANDLE h = reinterpret_cast<HANDLE>(m_handle);
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    OVERLAPPED ov{};
    ov.Offset = SperrByte;
    UnlockFileEx(h, 0, 1, 0, &ov);
    CloseHandle(h);
#else
    // Removed while still held: one that opened it meanwhile finds, once it
    // has the lock, that the name no longer leads to it, and starts again.
    ::unlink(QFile::encodeName(m_pfad).constData());
    ::close(int(m_handle)); // lets go of the lock
#endif
}
