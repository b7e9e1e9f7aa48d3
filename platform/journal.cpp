#include "platform/journal.h"

#include "algo/fehler.h"
#include "data/rollmeminifile.h"
#include "data/textdatei.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

std::function<bool(const QString &)> TJournalSpeicher::Fehlerhaken;
const QString TJournalSpeicher::Journalname = QStringLiteral("Vennlok.jrn");

namespace {

const QString NeuEndung = QStringLiteral(".neu~");
const QString AnhangEndung = QStringLiteral(".anh~");
const QString Ende = QStringLiteral("ENDE");

[[noreturn]] void fehler(const QString &datei, const QString &grund)
{
    throw VennlokFehler(QStringLiteral("Die Datei \u201E%1\u201C kann nicht geschrieben werden: %2").arg(datei, grund),
                        datei);
}

bool dateiSyncen(QFile &datei)
{
    if (!datei.flush())
        return false;
#ifdef Q_OS_WIN
    return _commit(datei.handle()) == 0;
#else
    return ::fsync(datei.handle()) == 0;
#endif
}

// Replaces ziel by quelle in one step, also when ziel exists.
bool ersetzen(const QString &quelle, const QString &ziel)
{
#ifdef Q_OS_WIN
    return MoveFileExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(quelle).utf16()),
                       reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(ziel).utf16()),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
           != 0;
#else
    return ::rename(QFile::encodeName(quelle).constData(), QFile::encodeName(ziel).constData()) == 0;
#endif
}

QString systemgrund()
{
    return QStringLiteral("Der Datenträger ist voll oder nicht beschreibbar.");
}

// Makes the written files durable in one batch: on Linux one sync of the
// file system, elsewhere (or when that fails) file by file.
bool allesSyncen(const QString &verzeichnis, const QStringList &dateien)
{
#ifdef Q_OS_LINUX
    const int fd = ::open(QFile::encodeName(verzeichnis).constData(), O_RDONLY);
    if (fd >= 0) {
        const int ergebnis = ::syncfs(fd);
        ::close(fd);
        if (ergebnis == 0)
            return true;
    }
#else
    Q_UNUSED(verzeichnis)
#endif
    for (const QString &pfad : dateien) {
        QFile datei(pfad);
        if (!datei.open(QIODevice::ReadWrite) || !dateiSyncen(datei))
            return false;
    }
    return true;
}

} // namespace

TJournalSpeicher::TJournalSpeicher(const QString &verzeichnis)
    : m_verzeichnis(QDir(verzeichnis).absolutePath())
{
    for (const QString &n : QDir(m_verzeichnis).entryList(QDir::Files | QDir::Hidden | QDir::System))
        m_namen.insert(n, true);
    Anmelden(m_verzeichnis);
}

TJournalSpeicher::~TJournalSpeicher() = default;

QString TJournalSpeicher::name(const QString &p) const
{
    const qsizetype schnitt = p.lastIndexOf(QLatin1Char('/'));
    return schnitt < 0 ? p : p.mid(schnitt + 1);
}

QString TJournalSpeicher::pfad(const QString &n) const
{
    return m_verzeichnis + QLatin1Char('/') + n;
}

void TJournalSpeicher::schritt(const QString &beschreibung)
{
    if (Fehlerhaken && !Fehlerhaken(beschreibung))
        fehler(beschreibung, QStringLiteral("Testfehler"));
}

std::optional<QByteArray> TJournalSpeicher::vonPlatte(const QString &n)
{
    const auto treffer = m_cache.constFind(n);
    if (treffer != m_cache.cend())
        return *treffer;
    std::optional<QByteArray> inhalt;
    if (m_namen.contains(n))
        inhalt = Direkt::Lesen(pfad(n));
    m_cache.insert(n, inhalt);
    return inhalt;
}

std::optional<QByteArray> TJournalSpeicher::Lesen(const QString &p)
{
    const QString n = name(p);
    if (TRollMemIniFile *offen = m_vorgemerkt.value(n))
        return offen->Inhalt();
    const auto neu = m_neu.constFind(n);
    std::optional<QByteArray> inhalt = neu != m_neu.cend() ? *neu : vonPlatte(n);
    if (m_anhaenge.contains(n))
        inhalt = inhalt.value_or(QByteArray()) + m_anhaenge.value(n);
    return inhalt;
}

bool TJournalSpeicher::Existiert(const QString &p)
{
    return m_namen.contains(name(p));
}

void TJournalSpeicher::Beginnen()
{
    if (m_tiefe++ == 0)
        m_namenVorher = m_namen;
}

void TJournalSpeicher::Schreiben(const QString &p, const QByteArray &inhalt)
{
    const bool allein = m_tiefe == 0;
    if (allein)
        Beginnen();
    const QString n = name(p);
    m_vorgemerkt.remove(n);
    m_anhaenge.remove(n);
    m_neu.insert(n, inhalt);
    namenEintragen(n);
    if (allein)
        Festschreiben();
}

void TJournalSpeicher::Anhaengen(const QString &p, const QByteArray &inhalt)
{
    const bool allein = m_tiefe == 0;
    if (allein)
        Beginnen();
    const QString n = name(p);
    if (m_neu.contains(n)) {
        // A file written whole in this transaction takes the lines directly.
        m_neu[n] = m_neu.value(n).value_or(QByteArray()) + inhalt;
    } else {
        if (!m_anhaenge.contains(n))
            m_anhangReihenfolge.append(n);
        m_anhaenge[n] += inhalt;
    }
    namenEintragen(n);
    if (allein)
        Festschreiben();
}

void TJournalSpeicher::Loeschen(const QString &p)
{
    const QString n = name(p);
    if (!m_namen.contains(n))
        return;
    const bool allein = m_tiefe == 0;
    if (allein)
        Beginnen();
    m_vorgemerkt.remove(n);
    m_anhaenge.remove(n);
    m_neu.insert(n, std::nullopt);
    m_namen.remove(n);
    m_kleinVeraltet = true;
    if (allein)
        Festschreiben();
}

void TJournalSpeicher::Umbenennen(const QString &alt, const QString &neu)
{
    const std::optional<QByteArray> inhalt = Lesen(alt);
    if (!inhalt)
        throw VennlokFehler(QStringLiteral("Die Datei \u201E%1\u201C gibt es nicht.").arg(name(alt)));
    Beginnen();
    Schreiben(neu, *inhalt);
    Loeschen(alt);
    Festschreiben();
}

QString TJournalSpeicher::NameOhneGrossKlein(const QString &n)
{
    if (n.isEmpty() || n.contains(QLatin1Char('/')) || n.contains(QLatin1Char('\\')))
        return QString();
    if (m_namen.contains(n))
        return n;
    if (m_kleinVeraltet) {
        m_klein.clear();
        // Sorted: the first spelling of a name that differs in case only wins.
        for (auto it = m_namen.cbegin(); it != m_namen.cend(); ++it)
            if (!m_klein.contains(it.key().toCaseFolded()))
                m_klein.insert(it.key().toCaseFolded(), it.key());
        m_kleinVeraltet = false;
    }
    return m_klein.value(n.toCaseFolded());
}

QStringList TJournalSpeicher::Liste(const QString &muster)
{
    const QRegularExpression ausdruck(QRegularExpression::wildcardToRegularExpression(muster));
    QStringList treffer;
    for (auto it = m_namen.cbegin(); it != m_namen.cend(); ++it)
        if (ausdruck.match(it.key()).hasMatch())
            treffer.append(it.key());
    return treffer;
}

void TJournalSpeicher::Vormerken(TRollMemIniFile *datei)
{
    const bool allein = m_tiefe == 0;
    if (allein)
        Beginnen();
    const QString n = name(datei->FileName());
    m_vorgemerkt.insert(n, datei);
    namenEintragen(n);
    if (allein)
        Festschreiben();
}

void TJournalSpeicher::Loslassen(TRollMemIniFile *datei)
{
    const QString n = name(datei->FileName());
    if (m_vorgemerkt.value(n) != datei)
        return;
    m_neu.insert(n, datei->Inhalt());
    m_vorgemerkt.remove(n);
}

void TJournalSpeicher::vorgemerkteUebernehmen()
{
    for (auto it = m_vorgemerkt.cbegin(); it != m_vorgemerkt.cend(); ++it)
        m_neu.insert(it.key(), it.value()->Inhalt());
    m_vorgemerkt.clear();
}

void TJournalSpeicher::Abbrechen()
{
    m_tiefe = 0;
    m_neu.clear();
    m_anhaenge.clear();
    m_anhangReihenfolge.clear();
    m_vorgemerkt.clear();
    m_namen = m_namenVorher;
    m_kleinVeraltet = true;
}

void TJournalSpeicher::namenEintragen(const QString &n)
{
    if (m_namen.contains(n))
        return;
    m_namen.insert(n, true);
    if (!m_kleinVeraltet && !m_klein.contains(n.toCaseFolded()))
        m_klein.insert(n.toCaseFolded(), n);
    else if (!m_kleinVeraltet && n < m_klein.value(n.toCaseFolded()))
        m_kleinVeraltet = true;
}

void TJournalSpeicher::schreiben(const QString &p, const QByteArray &inhalt)
{
    schritt(QStringLiteral("schreiben ") + name(p));
    QFile datei(p);
    if (!datei.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        fehler(name(p), Textdatei::Grund(datei.error()));
    if (!Textdatei::GanzSchreiben(datei, inhalt))
        fehler(name(p), systemgrund());
    m_zaehler.bytes += inhalt.size();
}

void TJournalSpeicher::syncVerzeichnis()
{
#ifndef Q_OS_WIN
    const int fd = ::open(QFile::encodeName(m_verzeichnis).constData(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
    ++m_zaehler.syncs;
}

void TJournalSpeicher::Festschreiben()
{
    if (m_tiefe == 0 || --m_tiefe > 0)
        return;
    vorgemerkteUebernehmen();
    if (m_neu.isEmpty() && m_anhaenge.isEmpty())
        return;
    // A committed transaction whose files could not all be put in place comes first.
    if (const auto offen = Direkt::Lesen(pfad(Journalname))) {
        try {
            ausfuehren(QString::fromUtf8(*offen).split(QLatin1Char('\n'), Qt::SkipEmptyParts));
        } catch (...) {
            Abbrechen();
            throw;
        }
    }

    QStringList journal;
    QStringList temporaer;
    try {
        for (auto it = m_neu.cbegin(); it != m_neu.cend(); ++it) {
            if (it.value()) {
                temporaer.append(pfad(it.key() + NeuEndung));
                schreiben(temporaer.last(), *it.value());
                journal.append(QStringLiteral("S\t") + it.key());
            } else {
                journal.append(QStringLiteral("L\t") + it.key());
            }
        }
        for (const QString &n : std::as_const(m_anhangReihenfolge)) {
            if (!m_anhaenge.contains(n))
                continue;
            const qint64 laenge = m_namenVorher.contains(n) ? QFileInfo(pfad(n)).size() : 0;
            temporaer.append(pfad(n + AnhangEndung));
            schreiben(temporaer.last(), m_anhaenge.value(n));
            journal.append(QStringLiteral("A\t%1\t%2").arg(n).arg(laenge));
        }
        journal.append(Ende);
        const QString neuesJournal = pfad(Journalname + NeuEndung);
        temporaer.append(neuesJournal);
        schreiben(neuesJournal, journal.join(QLatin1Char('\n')).toUtf8() + '\n');
        // Every new version and the journal are durable before the journal counts.
        schritt(QStringLiteral("syncen"));
        if (!allesSyncen(m_verzeichnis, temporaer))
            fehler(Journalname, systemgrund());
        ++m_zaehler.syncs;
        syncVerzeichnis();
        schritt(QStringLiteral("umbenennen ") + Journalname);
        if (!ersetzen(neuesJournal, pfad(Journalname)))
            fehler(Journalname, systemgrund());
        syncVerzeichnis();
    } catch (...) {
        for (const QString &t : std::as_const(temporaer))
            QFile::remove(t);
        Abbrechen();
        throw;
    }

    // Committed: what follows may be repeated after a crash.
    for (auto it = m_neu.cbegin(); it != m_neu.cend(); ++it) {
        if (it.value())
            m_cache.insert(it.key(), *it.value());
        else
            m_cache.insert(it.key(), std::nullopt);
    }
    for (const QString &n : std::as_const(m_anhangReihenfolge))
        m_cache.remove(n);
    m_neu.clear();
    m_anhaenge.clear();
    m_anhangReihenfolge.clear();
    ++m_zaehler.transaktionen;
    ausfuehren(journal);
}

void TJournalSpeicher::ausfuehren(const QStringList &journal)
{
    for (const QString &zeile : journal) {
        const QStringList teile = zeile.split(QLatin1Char('\t'));
        if (teile.size() < 2)
            continue;
        const QString &n = teile[1];
        if (teile[0] == QLatin1String("S")) {
            const QString quelle = pfad(n + NeuEndung);
            if (QFile::exists(quelle)) {
                if (!ersetzen(quelle, pfad(n)))
                    fehler(n, QStringLiteral("Die Buchung ist gesichert und wird beim nächsten Öffnen abgeschlossen."));
            }
        } else if (teile[0] == QLatin1String("L")) {
            QFile::remove(pfad(n));
        } else if (teile[0] == QLatin1String("A") && teile.size() == 3) {
            const QString quelle = pfad(n + AnhangEndung);
            const auto stueck = Direkt::Lesen(quelle);
            if (!stueck)
                continue;
            QFile ziel(pfad(n));
            if (!ziel.open(QIODevice::ReadWrite | QIODevice::Unbuffered) || !ziel.resize(teile[2].toLongLong())
                || !ziel.seek(teile[2].toLongLong()) || ziel.write(*stueck) != stueck->size() || !dateiSyncen(ziel))
                fehler(n, QStringLiteral("Die Buchung ist gesichert und wird beim nächsten Öffnen abgeschlossen."));
            ++m_zaehler.syncs;
            ziel.close();
            QFile::remove(quelle);
        }
    }
    syncVerzeichnis();
    QFile::remove(pfad(Journalname));
}

QStringList TJournalSpeicher::Reste(const QString &verzeichnis)
{
    return QDir(verzeichnis).entryList({Journalname, QLatin1Char('*') + NeuEndung, QLatin1Char('*') + AnhangEndung},
                                       QDir::Files | QDir::Hidden, QDir::Name);
}

QString TJournalSpeicher::Wiederherstellen()
{
    QString meldung;
    const auto journal = Direkt::Lesen(pfad(Journalname));
    if (journal) {
        const QStringList zeilen = QString::fromUtf8(*journal).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!zeilen.isEmpty() && zeilen.last() == Ende) {
            ausfuehren(zeilen);
            meldung = QStringLiteral("Eine unterbrochene Buchung wurde beim Öffnen zu Ende geführt.");
        } else {
            QFile::remove(pfad(Journalname));
        }
    }
    bool verworfen = false;
    for (const QString &rest : QDir(m_verzeichnis).entryList({QLatin1Char('*') + NeuEndung, QLatin1Char('*') + AnhangEndung},
                                                            QDir::Files | QDir::Hidden))
        verworfen |= QFile::remove(pfad(rest));
    if (verworfen && meldung.isEmpty())
        meldung = QStringLiteral("Eine unterbrochene Buchung wurde beim Öffnen verworfen; es gilt der Stand davor.");
    if (!meldung.isEmpty()) {
        syncVerzeichnis();
        m_cache.clear();
        m_namen.clear();
        for (const QString &n : QDir(m_verzeichnis).entryList(QDir::Files | QDir::Hidden | QDir::System))
            m_namen.insert(n, true);
        m_kleinVeraltet = true;
    }
    return meldung;
}
