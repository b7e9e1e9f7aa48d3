#include "engine/dateisicherung.h"

#include "algo/fehler.h"
#include "data/textdatei.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

TDateiSicherung::~TDateiSicherung()
{
    for (const QString &fehler : Zuruecksetzen())
        qWarning("%s", qPrintable(fehler));
}

void TDateiSicherung::Sichern(const QString &pfad)
{
    if (m_stand.contains(pfad))
        return;
    if (!QFileInfo(pfad).isFile()) {
        m_stand.insert(pfad, std::nullopt);
    } else {
        QFile datei(pfad);
        if (!datei.open(QIODevice::ReadOnly))
            throw VennlokFehler(QStringLiteral("Die Datei \u201E%1\u201C kann nicht gelesen werden: %2")
                                    .arg(pfad, datei.errorString()));
        m_stand.insert(pfad, datei.readAll());
    }
    m_reihenfolge.append(pfad);
}

void TDateiSicherung::Sichern(const QStringList &pfade)
{
    for (const QString &pfad : pfade)
        Sichern(pfad);
}

void TDateiSicherung::Bestaetigen()
{
    m_stand.clear();
    m_reihenfolge.clear();
}

QStringList TDateiSicherung::Zuruecksetzen()
{
    QStringList fehler;
    for (const QString &pfad : std::as_const(m_reihenfolge)) {
        const std::optional<QByteArray> &stand = m_stand[pfad];
        try {
            if (stand)
                Textdatei::SchreibeAtomar(pfad, *stand);
            else if (QFileInfo(pfad).isFile() && !QFile::remove(pfad)) {
                fehler.append(QStringLiteral("Die Datei \u201E%1\u201C kann nicht entfernt werden.").arg(pfad));
            }
        } catch (const VennlokFehler &f) {
            fehler.append(f.text());
        }
    }
    Bestaetigen();
    return fehler;
}
