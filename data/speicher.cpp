#include "data/speicher.h"
#include "data/textdatei.h"

#include "algo/fehler.h"

#include <QFile>
#include <QFileInfo>

TSpeicher::~TSpeicher() = default;

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
