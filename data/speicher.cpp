#include "data/speicher.h"
#include "data/textdatei.h"

#include "algo/fehler.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

namespace {

QMutex &sperre()
{
    static QMutex m;
    return m;
}

QHash<QString, TSpeicher *> &verzeichnisse()
{
    static QHash<QString, TSpeicher *> v;
    return v;
}

} // namespace

TSpeicher::~TSpeicher()
{
    if (m_verzeichnis.isEmpty())
        return;
    QMutexLocker l(&sperre());
    if (verzeichnisse().value(m_verzeichnis) == this)
        verzeichnisse().remove(m_verzeichnis);
}

void TSpeicher::Anmelden(const QString &verzeichnis)
{
    QMutexLocker l(&sperre());
    m_verzeichnis = verzeichnis;
    verzeichnisse().insert(verzeichnis, this);
}

TSpeicher *TSpeicher::Fuer(const QString &pfad)
{
    QMutexLocker l(&sperre());
    if (verzeichnisse().isEmpty())
        return nullptr;
    return verzeichnisse().value(QFileInfo(pfad).absolutePath());
}

namespace Direkt {

std::optional<QByteArray> Lesen(const QString &pfad)
{
    const QFileInfo info(pfad);
    if (!info.exists() && !info.isSymLink())
        return std::nullopt;
    // Only regular files are data files: a link is not followed, a FIFO not waited on.
    if (info.isSymLink() || !info.isFile())
        throw VennlokFehler(QStringLiteral("Die Datei \u201E%1\u201C ist keine gewöhnliche Datei.").arg(info.fileName()),
                            pfad, VennlokFehler::Beschaedigt);
    QFile datei(pfad);
    if (!datei.open(QIODevice::ReadOnly))
        throw VennlokFehler(QStringLiteral("Die Datei \u201E%1\u201C kann nicht gelesen werden: %2")
                                .arg(pfad, Textdatei::Grund(datei.error())), pfad);
    return datei.readAll();
}

void Anhaengen(const QString &pfad, const QByteArray &inhalt)
{
    QFile datei(pfad);
    if (!datei.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        throw VennlokFehler(QStringLiteral("Die Datei \u201E%1\u201C kann nicht geschrieben werden: %2")
                                .arg(pfad, Textdatei::Grund(datei.error())), pfad);
    if (!Textdatei::GanzSchreiben(datei, inhalt))
        throw VennlokFehler(QStringLiteral("Die Datei \u201E%1\u201C kann nicht geschrieben werden: %2")
                                .arg(pfad, Textdatei::Grund(QFileDevice::ResourceError)), pfad);
}

} // namespace Direkt
