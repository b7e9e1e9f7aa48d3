// Command scripts: what the engine hands to the operating system to show or copy.

#include "engine/vennlok.h"

#include "data/textdatei.h"
#include "engine/intern.h"
#include "platform/skript.h"

#include <QFile>
#include <QFileInfo>

using namespace Intern;

void TVennlok::Starten(const QString &zeile)
{
    skriptStarten(SkriptFenster, {zeile});
}

bool TVennlok::DokumentVorhanden(const QString &datei) const
{
    return QFileInfo(QFileInfo(datei).isAbsolute() ? datei : Pfad(datei)).isFile();
}

void TVennlok::FensterSkriptLoeschen()
{
    Plattform::AufSkripteWarten();
    QFile::remove(Pfad(SkriptFenster));
}

void TVennlok::skriptStarten(const QString &name, const QStringList &zeilen)
{
    Textdatei::ZeilenSchreiben(Pfad(name), zeilen);
    Plattform::SkriptStarten(Pfad(name), m_verzeichnis);
}

void TVennlok::TransfersZeigen()
{
    skriptStarten(SkriptTransfers, {QStringLiteral("start ") + Transfers});
}

void TVennlok::Sicherung(const MonthKey &monat)
{
    const QString ziel = QStringLiteral("Backup") + monat;
    skriptStarten(SkriptSicherung,
                  {QStringLiteral("md ") + ziel, QStringLiteral("copy *.buc ") + ziel, QStringLiteral("copy *.tra ") + ziel,
                   QStringLiteral("copy *.ven ") + ziel});
}

void TVennlok::simulationSpeichern(const QString &datei)
{
    // The archive folder sits beside the command file and is named after its
    // name up to the first point; a command file of the data directory is
    // named without its folder, as the script runs there.
    const QFileInfo info(datei);
    const bool hier = info.absolutePath() == m_verzeichnis;
    const QString quelle = hier ? info.fileName() : info.absoluteFilePath();
    const qsizetype punkt = info.fileName().indexOf(QLatin1Char('.'));
    const QString ziel = punkt < 0 ? QString()
                                   : (hier ? QString() : info.absolutePath() + QLatin1Char('/'))
                                         + info.fileName().left(punkt + 1);
    const auto alsWort = [](const QString &pfad) {
        return pfad.contains(QLatin1Char(' ')) ? QLatin1Char('"') + pfad + QLatin1Char('"') : pfad;
    };
    const QString z = alsWort(ziel);
    const QStringList zeilen{QStringLiteral("md ") + z,
                             QStringLiteral("move *.buc ") + z,
                             QStringLiteral("move *.ven ") + z,
                             QStringLiteral("copy ") + alsWort(quelle) + QLatin1Char(' ') + z,
                             QStringLiteral("copy Grafolin.exe ") + z,
                             QStringLiteral("cd ") + z,
                             QStringLiteral("Grafolin.exe")};
    Textdatei::ZeilenSchreiben(Pfad(SkriptSicherung), zeilen);
    // The engine lets go of every file before the script moves them away.
    dateienLoslassen();
    Plattform::SkriptStarten(Pfad(SkriptSicherung), m_verzeichnis);
    Plattform::AufSkripteWarten();
    // The script moved the files away behind the store's back: it looks again.
    speicherOeffnen();
    m_daten = std::make_unique<TVennlokDaten>(Pfad(TVennlokDaten::Dateiname));
}
