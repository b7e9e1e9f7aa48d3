// The pact's name and backups: the archive each month close writes of every
// file of the pact, and the way back from one into a new folder.

#include "engine/vennlok.h"

#include "data/cp1252.h"
#include "engine/intern.h"
#include "engine/kontext.h"
#include "platform/archiv.h"
#include "platform/dateien.h"
#include "platform/sperre.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {

const QString StandardSicherungsordner = QStringLiteral("Sicherungen");
constexpr int LaengsterPaktname = 80;

// The name documents give a pact: the stored one, else its folder's.
QString nameOderOrdner(const QString &gespeichert, const QString &verzeichnis)
{
    return gespeichert.isEmpty() ? QFileInfo(QDir(verzeichnis).absolutePath()).fileName() : gespeichert;
}

QString paktangabenFehler(const TVennlok::Paktangaben &angaben, const QString &verzeichnis)
{
    const QString &name = angaben.name;
    if (name.size() > LaengsterPaktname)
        return QStringLiteral("Der Name des Pakts ist länger als %1 Zeichen.").arg(LaengsterPaktname);
    for (const QString &text : {name, angaben.sicherungsordner}) {
        const qsizetype i = Cp1252::ersteNichtDarstellbare(text);
        if (i >= 0)
            return QStringLiteral("Das Zeichen \u201E%1\u201C kann in den Dateien des Pakts nicht stehen.").arg(text.mid(i, 1));
        if (std::any_of(text.begin(), text.end(), Cp1252::istSteuerzeichen))
            return QStringLiteral("Name und Ordner dürfen keine Steuerzeichen enthalten.");
    }
    const QString &ordner = angaben.sicherungsordner;
    if (!ordner.isEmpty()) {
        if (QDir::isRelativePath(ordner))
            return QStringLiteral("Der Ordner für Sicherungen muss mit seinem ganzen Pfad angegeben werden "
                                  "(z. B. E:\\Vennlok-Sicherungen).");
        if (!QFileInfo(ordner).isDir())
            return QStringLiteral("Den Ordner für Sicherungen \u201E%1\u201C gibt es nicht.").arg(QDir::toNativeSeparators(ordner));
        // Each archive would hold the ones before it.
        if (QFileInfo(ordner).canonicalFilePath() == QFileInfo(verzeichnis).canonicalFilePath())
            return QStringLiteral("Der Ordner für Sicherungen darf nicht das Datenverzeichnis selbst sein.");
    }
    return QString();
}

// The files an archive of the pact holds: every regular file of the data
// directory but the lock, the journal and what a checkpoint or a script
// leaves for a moment.
bool gehoertZumPakt(const QString &name)
{
    return name != TSperre::Dateiname && !name.startsWith(TJournalSpeicher::Journalname) && !name.endsWith(QLatin1String(".neu~"))
           && name != Intern::SkriptSicherung && name != Intern::SkriptTransfers && name != Intern::SkriptFenster;
}

} // namespace

TVennlok::Paktangaben TVennlok::PaktangabenGespeichert() const
{
    return {m_k->daten->Paktname(), m_k->daten->Sicherungsordner()};
}

TErgebnis TVennlok::PaktangabenSetzen(const Paktangaben &eingabe)
{
    // An empty folder stays empty (cleanPath would make it ".").
    const QString ordner = eingabe.sicherungsordner.trimmed();
    const Paktangaben neu{eingabe.name.trimmed(), ordner.isEmpty() ? QString() : QDir::cleanPath(ordner)};
    if (const QString fehler = paktangabenFehler(neu, m_k->verzeichnis); !fehler.isEmpty())
        return TErgebnis::Ablehnung(fehler);
    const Paktangaben alt = PaktangabenGespeichert();
    if (alt.name == neu.name && alt.sicherungsordner == neu.sicherungsordner)
        return TErgebnis::Nichts(QStringLiteral("Name und Ordner für Sicherungen sind unverändert."));
    m_k->transaktion(QString(), [&] {
        m_k->datenAendern([&] {
            m_k->daten->SetPaktname(neu.name);
            m_k->daten->SetSicherungsordner(neu.sicherungsordner);
            m_k->daten->UpdateFile();
        });
    });
    return TErgebnis::Buchung(true, 0);
}

QString TVennlok::PaktName() const
{
    return nameOderOrdner(m_k->daten->Paktname(), m_k->verzeichnis);
}

QString TVennlok::Sicherungsordner() const
{
    const QString ordner = m_k->daten->Sicherungsordner();
    return ordner.isEmpty() ? QDir(m_k->verzeichnis).filePath(StandardSicherungsordner) : ordner;
}

QString TVennlok::SicherungSchreiben(const MonthKey &monat)
{
    // The archive copies the files on disk: what the journal holds goes there first.
    m_k->speicher->Sichern();
    const QString ordner = Sicherungsordner();
    if (!QDir().mkpath(ordner))
        throw VennlokFehler(QStringLiteral("Den Ordner für Sicherungen \u201E%1\u201C gibt es nicht und er kann nicht "
                                           "angelegt werden.")
                                .arg(QDir::toNativeSeparators(ordner)),
                            ordner);
    QString ziel = QDir(ordner).filePath(QStringLiteral("Sicherung%1.tar").arg(monat));
    for (int n = 2; QFileInfo::exists(ziel) || QFileInfo(ziel).isSymLink(); ++n)
        ziel = QDir(ordner).filePath(QStringLiteral("Sicherung%1-%2.tar").arg(monat).arg(n));
    QStringList dateien;
    for (const QString &name : Plattform::DateienSuchen(m_k->verzeichnis, QStringLiteral("*")))
        if (gehoertZumPakt(name) && Plattform::EintragArt(Pfad(name)) == Plattform::Eintrag::Datei)
            dateien.append(name);
    Archiv::Schreiben(ziel, m_k->verzeichnis, dateien, QDateTime::currentSecsSinceEpoch());
    return ziel;
}

namespace Vennlok {

QString PaktName(const QString &verzeichnis)
{
    const QString datei = QDir(verzeichnis).filePath(TVennlokDaten::Dateiname);
    return nameOderOrdner(QFileInfo(datei).isFile() ? TVennlokDaten(datei).Paktname() : QString(), verzeichnis);
}

QStringList SicherungZurueckholen(const QString &archiv, const QString &ziel)
{
    const std::optional<QByteArray> daten = Plattform::Lesen(archiv);
    if (!daten)
        throw VennlokFehler(QStringLiteral("Die Sicherung \u201E%1\u201C gibt es nicht.").arg(QDir::toNativeSeparators(archiv)), archiv);
    const QList<Archiv::Datei> dateien = Archiv::Entpacken(*daten, archiv);
    const bool mitPakt = std::any_of(dateien.begin(), dateien.end(),
                                     [](const Archiv::Datei &d) { return d.name == TVennlokDaten::Dateiname; });
    if (!mitPakt)
        throw VennlokFehler(QStringLiteral("Die Sicherung \u201E%1\u201C enthält keinen Pakt (keine %2).")
                                .arg(QDir::toNativeSeparators(archiv), TVennlokDaten::Dateiname),
                            archiv);
    const QDir dir(ziel);
    if (dir.exists() && !dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        throw VennlokFehler(QStringLiteral("Der Ordner \u201E%1\u201C ist nicht leer. Eine Sicherung wird nur in einen neuen "
                                           "oder leeren Ordner zurückgeholt, nie über einen Pakt.")
                                .arg(QDir::toNativeSeparators(ziel)),
                            ziel);
    const bool neu = !dir.exists();
    VerzeichnisAnlegen(ziel);
    QStringList geschrieben;
    try {
        for (const Archiv::Datei &datei : dateien) {
            const QString pfad = dir.filePath(datei.name);
            QFile f(pfad);
            const bool offen = f.open(QIODevice::NewOnly);
            if (offen)
                geschrieben.append(datei.name);
            if (!offen || f.write(datei.inhalt) != datei.inhalt.size() || !f.flush())
                throw VennlokFehler(QStringLiteral("Die Datei \u201E%1\u201C konnte nicht zurückgeholt werden: %2")
                                        .arg(QDir::toNativeSeparators(pfad), Plattform::SystemGrund()),
                                    pfad);
        }
    } catch (...) {
        // Nothing half restored stays behind.
        for (const QString &name : geschrieben)
            QFile::remove(dir.filePath(name));
        if (neu)
            QDir().rmdir(ziel);
        throw;
    }
    return geschrieben;
}

} // namespace Vennlok
