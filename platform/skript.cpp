#include "platform/skript.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QProcess>
#include <QStringDecoder>
#include <QThreadPool>
#include <QUrl>
#include <optional>

namespace {

QMutex oeffnerSperre;
Plattform::Oeffner &oeffnerFeld()
{
    static Plattform::Oeffner oeffner;
    return oeffner;
}

// One worker, so scripts run one after the other in the order they were started.
QThreadPool &skriptArbeiter()
{
    static QThreadPool pool;
    pool.setMaxThreadCount(1);
    return pool;
}

bool standardOeffnen(const QString &ziel)
{
#if defined(Q_OS_WIN)
    return QProcess::startDetached(QStringLiteral("explorer.exe"), {ziel});
#elif defined(Q_OS_MACOS)
    return QProcess::startDetached(QStringLiteral("open"), {ziel});
#else
    return QProcess::startDetached(QStringLiteral("xdg-open"), {ziel});
#endif
}

bool oeffnen(const QString &ziel)
{
    Plattform::Oeffner oeffner;
    {
        QMutexLocker sperre(&oeffnerSperre);
        oeffner = oeffnerFeld();
    }
    return oeffner ? oeffner(ziel) : standardOeffnen(ziel);
}

// Splits a script line into words; double quotes group blanks, "" inside stands for one quote.
QStringList woerter(const QString &zeile)
{
    QStringList liste;
    QString wort;
    bool inQuotes = false, hatWort = false;
    for (qsizetype i = 0; i < zeile.size(); ++i) {
        const QChar c = zeile[i];
        if (c == QLatin1Char('"')) {
            if (inQuotes && i + 1 < zeile.size() && zeile[i + 1] == QLatin1Char('"')) {
                wort += c;
                ++i;
            } else {
                inQuotes = !inQuotes;
            }
            hatWort = true;
        } else if (!inQuotes && (c == QLatin1Char(' ') || c == QLatin1Char('\t'))) {
            if (hatWort)
                liste.append(wort);
            wort.clear();
            hatWort = false;
        } else {
            wort += c;
            hatWort = true;
        }
    }
    if (hatWort)
        liste.append(wort);
    return liste;
}

// A script path in this system's form. As the Windows command interpreter
// does, trailing points of a name are dropped ("md sim1." makes "sim1").
QString pfad(const QDir &aktuell, QString name)
{
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList teile = name.split(QLatin1Char('/'));
    for (QString &teil : teile)
        if (teil != QLatin1String(".") && teil != QLatin1String(".."))
            while (teil.size() > 1 && teil.endsWith(QLatin1Char('.')))
                teil.chop(1);
    return QDir::cleanPath(aktuell.absoluteFilePath(teile.join(QLatin1Char('/'))));
}

// The files a "copy" or "move" source names: one file, or "*.ext" in a folder.
QStringList quellen(const QDir &aktuell, const QString &quelle)
{
    const QFileInfo info(pfad(aktuell, quelle));
    if (!info.fileName().contains(QLatin1Char('*')) && !info.fileName().contains(QLatin1Char('?')))
        return info.isFile() ? QStringList{info.absoluteFilePath()} : QStringList();
    QStringList dateien;
    const QDir ordner = info.absoluteDir();
    for (const QString &name : ordner.entryList({info.fileName()}, QDir::Files | QDir::Hidden, QDir::Name))
        dateien.append(ordner.absoluteFilePath(name));
    return dateien;
}

bool kopierenOderVerschieben(const QDir &aktuell, const QStringList &w, bool verschieben)
{
    if (w.size() < 2)
        return false;
    const QStringList dateien = quellen(aktuell, w[1]);
    const QString ziel = w.size() > 2 ? pfad(aktuell, w[2]) : aktuell.absolutePath();
    const bool zielOrdner = QFileInfo(ziel).isDir();
    if (dateien.isEmpty() || (dateien.size() > 1 && !zielOrdner))
        return false;
    bool ok = true;
    for (const QString &datei : dateien) {
        const QString nach = zielOrdner ? QDir(ziel).absoluteFilePath(QFileInfo(datei).fileName()) : ziel;
        if (nach == datei)
            continue;
        QFile::remove(nach);
        ok = (verschieben ? QFile::rename(datei, nach) : QFile::copy(datei, nach)) && ok;
    }
    return ok;
}

// The script's lines, read at once: a later launch may overwrite the file
// before a worker gets to it.
std::optional<QString> skriptLesen(const QString &skript)
{
    QFile datei(skript);
    if (!datei.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The scripts are written in Windows-1252 like every file of the program.
    QStringDecoder dekodierer("windows-1252");
    const QByteArray bytes = datei.readAll();
    return dekodierer.isValid() ? QString(dekodierer.decode(bytes)) : QString::fromLatin1(bytes);
}

QStringList zeilenAusfuehren(const QString &text, const QString &arbeitsverzeichnis)
{
    QStringList fehler;
    QDir aktuell(arbeitsverzeichnis);
    for (const QString &rohzeile : text.split(QLatin1Char('\n'))) {
        const QString zeile = rohzeile.trimmed();
        const QStringList w = woerter(zeile);
        if (w.isEmpty())
            continue;
        const QString befehl = w[0].toLower();
        bool ok = true;
        if (befehl == QLatin1String("md") || befehl == QLatin1String("mkdir")) {
            ok = w.size() > 1 && QDir().mkpath(pfad(aktuell, w[1]));
        } else if (befehl == QLatin1String("copy")) {
            ok = kopierenOderVerschieben(aktuell, w, false);
        } else if (befehl == QLatin1String("move")) {
            ok = kopierenOderVerschieben(aktuell, w, true);
        } else if (befehl == QLatin1String("cd")) {
            ok = w.size() > 1 && aktuell.cd(pfad(aktuell, w[1]));
        } else if (befehl == QLatin1String("start")) {
            // "start" may carry an empty window title in quotes before its target.
            qsizetype i = 1;
            while (i < w.size() && w[i].isEmpty())
                ++i;
            QString ziel = i < w.size() ? w[i] : QString();
            // A program that is not here (a Windows browser path) gives way to the
            // document it was to open, which then goes to the desktop's default program.
            if (ziel.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive) && i + 1 < w.size()
                && !QFileInfo::exists(pfad(aktuell, ziel)))
                ziel = w[i + 1];
            if (!ziel.isEmpty()) {
                const QString lokal = pfad(aktuell, ziel);
                oeffnen(QFileInfo::exists(lokal) ? lokal : ziel); // a missing target fails quietly
            }
        } else if (befehl == QLatin1String("rem") || befehl.startsWith(QLatin1Char('@'))) {
            continue;
        } else if (w.size() == 1 && befehl.endsWith(QLatin1String(".exe"))) {
            // A program named alone is started when it is there; otherwise nothing happens.
            const QString programm = pfad(aktuell, w[0]);
            if (QFileInfo::exists(programm))
                oeffnen(programm);
        } else {
            ok = false;
        }
        if (!ok)
            fehler.append(QStringLiteral("Skriptzeile \u201E%1\u201C konnte nicht ausgeführt werden.").arg(zeile));
    }
    return fehler;
}

} // namespace

namespace Plattform {

void SetzeOeffner(Oeffner oeffner)
{
    QMutexLocker sperre(&oeffnerSperre);
    oeffnerFeld() = std::move(oeffner);
}

QStringList SkriptAusfuehren(const QString &skript, const QString &arbeitsverzeichnis)
{
    const auto text = skriptLesen(skript);
    if (!text)
        return {QStringLiteral("Das Skript \u201E%1\u201C kann nicht gelesen werden.").arg(skript)};
    return zeilenAusfuehren(*text, arbeitsverzeichnis);
}

void SkriptStarten(const QString &skript, const QString &arbeitsverzeichnis)
{
#ifdef Q_OS_WIN
    QProcess::startDetached(QStringLiteral("cmd.exe"), {QStringLiteral("/c"), QDir::toNativeSeparators(skript)},
                            arbeitsverzeichnis);
#else
    const auto text = skriptLesen(skript);
    if (text)
        skriptArbeiter().start([text = *text, arbeitsverzeichnis] { zeilenAusfuehren(text, arbeitsverzeichnis); });
#endif
}

void AufSkripteWarten()
{
    skriptArbeiter().waitForDone();
}

} // namespace Plattform
