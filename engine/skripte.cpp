// Command scripts: what the engine hands to the operating system to show or copy.

#include "engine/einheiten.h"
#include "data/uhr.h"

#include "data/textdatei.h"
#include "engine/intern.h"
#include "platform/skript.h"

#include <QFile>
#include <QFileInfo>

using namespace Intern;

void TSkripte::Starten(const QString &zeile)
{
    starten(SkriptFenster, {zeile});
}

bool TSkripte::DokumentVorhanden(const QString &datei) const
{
    return QFileInfo(QFileInfo(datei).isAbsolute() ? datei : k.Pfad(datei)).isFile();
}

void TSkripte::FensterSkriptLoeschen()
{
    Plattform::AufSkripteWarten();
    QFile::remove(k.Pfad(SkriptFenster));
}

void TSkripte::starten(const QString &name, const QStringList &zeilen)
{
    Textdatei::ZeilenSchreiben(k.Pfad(name), zeilen, k.speicher.get());
    Plattform::SkriptStarten(k.Pfad(name), k.verzeichnis);
}

void TSkripte::TransfersZeigen()
{
    starten(SkriptTransfers, {QStringLiteral("start ") + Transfers});
}

void TSkripte::Sicherung(const MonthKey &monat)
{
    // The backup copies the files on disk: what the journal holds goes there
    // first. Should that fail, the booking stands and the copy waits.
    try {
        k.speicher->Sichern();
    } catch (const VennlokFehler &f) {
        throw VennlokFehler(QStringLiteral("Die Buchung ist gesichert, aber noch nicht in alle Dateien übertragen: %1")
                                .arg(f.text()),
                            f.datei(), VennlokFehler::Ausstehend);
    }
    const QString ziel = QStringLiteral("Backup") + monat;
    starten(SkriptSicherung,
                  {QStringLiteral("md ") + ziel, QStringLiteral("copy *.buc ") + ziel, QStringLiteral("copy *.tra ") + ziel,
                   QStringLiteral("copy *.ven ") + ziel});
}

void TSkripte::SimulationSpeichern(const QString &datei)
{
    // The archive folder sits beside the command file and is named after its
    // name up to the first point; a command file of the data directory is
    // named without its folder, as the script runs there.
    const QFileInfo info(datei);
    const bool hier = info.absolutePath() == k.verzeichnis;
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
    Textdatei::ZeilenSchreiben(k.Pfad(SkriptSicherung), zeilen, k.speicher.get());
    // The engine lets go of every file, and writes them out, before the script moves them away.
    k.dateienLoslassen();
    k.speicher->Sichern();
    Plattform::SkriptStarten(k.Pfad(SkriptSicherung), k.verzeichnis);
    Plattform::AufSkripteWarten();
    // The script moved the files away behind the store's back: it looks again.
    k.speicherOeffnen();
    k.DatenLesen();
}

void TSkripte::TeilhaberListeSchreiben(bool nurOffene)
{
    const QString titel = nurOffene ? QStringLiteral("Liste der Teilhaber mit zu kleinem Beitrag. Datum: ")
                                    : QStringLiteral("Liste aller Teilhaber / Beitrag. Datum: ");
    Textdatei::ZeilenSchreiben(k.Pfad(QStringLiteral("TeilhaberListe.txt")),
                               QStringList{titel + Textformat::datumZuText(Uhr::Jetzt()), QString()}
                                   + TAuswertung(k).TeilhaberListe(nurOffene) + QStringList{QString()},
                               k.speicher.get());
}
