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
bool TJournalSpeicher::Syncen = true;
const QString TJournalSpeicher::Journalname = QStringLiteral("Vennlok.jrn");

namespace {

const QString NeuEndung = QStringLiteral(".neu~");
const QByteArray JournalKopf = QByteArrayLiteral("VENNLOK-JOURNAL 2\n");
const QByteArray JournalEnde = QByteArrayLiteral("ENDE\n");

[[noreturn]] void fehler(const QString &datei, const QString &grund)
{
    throw VennlokFehler(QStringLiteral("Die Datei \u201E%1\u201C kann nicht geschrieben werden: %2").arg(datei, grund),
                        datei);
}

bool dateiSyncen(QFile &datei)
{
    if (!datei.flush())
        return false;
    if (!TJournalSpeicher::Syncen)
        return true;
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

// Makes the written files durable in one batch: many files (a month close)
// on Linux by one sync of the file system, a few (a booking) or elsewhere
// file by file, which does not wait for other programs' writes.
bool allesSyncen(const QString &verzeichnis, const QStringList &dateien)
{
    if (!TJournalSpeicher::Syncen)
        return true;
#ifdef Q_OS_LINUX
    const int fd = dateien.size() <= 16 ? -1 : ::open(QFile::encodeName(verzeichnis).constData(), O_RDONLY);
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
    if (!Syncen)
        return;
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
    // A committed transaction whose files could not all be written yet comes first.
    if (const auto offen = Direkt::Lesen(pfad(Journalname))) {
        if (!ausfuehren(*offen)) {
            Abbrechen();
            fehler(Journalname, QStringLiteral("Eine frühere Buchung ist gesichert, aber noch nicht in alle Dateien "
                                               "übertragen; der Datenträger ist voll oder nicht beschreibbar."));
        }
    }

    // The journal holds every change whole: the new content of each file, the
    // piece appended to each log with the length it is appended at, and each
    // deletion. Once it is durable under its name, the transaction is done.
    QByteArray journal = JournalKopf;
    for (auto it = m_neu.cbegin(); it != m_neu.cend(); ++it) {
        if (it.value())
            journal += "S\t" + it.key().toUtf8() + '\t' + QByteArray::number(it.value()->size()) + '\n'
                       + *it.value() + '\n';
        else
            journal += "L\t" + it.key().toUtf8() + "\t0\n\n";
    }
    for (const QString &n : std::as_const(m_anhangReihenfolge)) {
        if (!m_anhaenge.contains(n))
            continue;
        const qint64 laenge = m_namenVorher.contains(n) ? QFileInfo(pfad(n)).size() : 0;
        const QByteArray &stueck = m_anhaenge[n];
        journal += "A\t" + n.toUtf8() + '\t' + QByteArray::number(stueck.size()) + '\t' + QByteArray::number(laenge)
                   + '\n' + stueck + '\n';
    }
    journal += JournalEnde;
    const QString neuesJournal = pfad(Journalname + NeuEndung);
    try {
        schreiben(neuesJournal, journal);
        schritt(QStringLiteral("syncen ") + Journalname);
        QFile datei(neuesJournal);
        if (!datei.open(QIODevice::ReadWrite) || !dateiSyncen(datei))
            fehler(Journalname, systemgrund());
        ++m_zaehler.syncs;
        datei.close();
        schritt(QStringLiteral("umbenennen ") + Journalname);
        if (!ersetzen(neuesJournal, pfad(Journalname)))
            fehler(Journalname, systemgrund());
        syncVerzeichnis();
    } catch (...) {
        QFile::remove(neuesJournal);
        Abbrechen();
        throw;
    }

    // Committed: memory takes the new state; the files follow. Should that
    // fail, the journal stays and the next commit or opening finishes it.
    for (auto it = m_neu.cbegin(); it != m_neu.cend(); ++it)
        m_cache.insert(it.key(), it.value());
    for (const QString &n : std::as_const(m_anhangReihenfolge))
        m_cache.remove(n);
    m_neu.clear();
    m_anhaenge.clear();
    m_anhangReihenfolge.clear();
    ++m_zaehler.transaktionen;
    ausfuehren(journal);
}

bool TJournalSpeicher::ausfuehren(const QByteArray &journal)
{
    const std::optional<QList<Aenderung>> aenderungen = lesen(journal);
    if (!aenderungen)
        return false;
    QStringList geschrieben;
    bool namenGeaendert = false;
    try {
        for (const Aenderung &a : *aenderungen) {
            const QString ziel = pfad(a.name);
            if (a.art == 'L') {
                namenGeaendert |= QFile::remove(ziel);
                continue;
            }
            schritt(QStringLiteral("ausführen ") + a.name);
            namenGeaendert |= !QFileInfo::exists(ziel);
            // Written over in place: a new file per version would cost the file system a fresh inode each time.
            QFile datei(ziel);
            if (!datei.open(QIODevice::ReadWrite | QIODevice::Unbuffered) || !datei.resize(a.ab)
                || !datei.seek(a.ab) || !Textdatei::GanzSchreiben(datei, a.inhalt))
                return false;
            m_zaehler.bytes += a.inhalt.size();
            geschrieben.append(ziel);
        }
        if (!allesSyncen(m_verzeichnis, geschrieben))
            return false;
    } catch (const VennlokFehler &) {
        return false;
    }
    ++m_zaehler.syncs;
    if (namenGeaendert)
        syncVerzeichnis();
    QFile::remove(pfad(Journalname));
    return true;
}

std::optional<QList<TJournalSpeicher::Aenderung>> TJournalSpeicher::lesen(const QByteArray &journal)
{
    // Anything but a whole journal (a crash before it was durable) is no transaction.
    if (!journal.startsWith(JournalKopf) || !journal.endsWith(JournalEnde))
        return std::nullopt;
    QList<Aenderung> aenderungen;
    qsizetype pos = JournalKopf.size();
    const qsizetype ende = journal.size() - JournalEnde.size();
    while (pos < ende) {
        const qsizetype zeilenende = journal.indexOf('\n', pos);
        if (zeilenende < 0)
            return std::nullopt;
        const QList<QByteArray> teile = journal.mid(pos, zeilenende - pos).split('\t');
        bool ok1 = false, ok2 = true;
        const qsizetype laenge = teile.value(2).toLongLong(&ok1);
        const qint64 ab = teile.size() > 3 ? teile[3].toLongLong(&ok2) : 0;
        const char art = teile.value(0).size() == 1 ? teile[0][0] : '?';
        if (!ok1 || !ok2 || laenge < 0 || ab < 0 || (art != 'S' && art != 'L' && art != 'A')
            || zeilenende + 1 + laenge + 1 > ende || journal[zeilenende + 1 + laenge] != '\n'
            || teile.value(1).isEmpty() || teile[1].contains('/') || teile[1].contains('\\'))
            return std::nullopt;
        aenderungen.append({art, QString::fromUtf8(teile[1]), journal.mid(zeilenende + 1, laenge), ab});
        pos = zeilenende + 1 + laenge + 1;
    }
    return aenderungen;
}

QStringList TJournalSpeicher::Reste(const QString &verzeichnis)
{
    return QDir(verzeichnis).entryList({Journalname, QLatin1Char('*') + NeuEndung}, QDir::Files | QDir::Hidden,
                                       QDir::Name);
}

QString TJournalSpeicher::Wiederherstellen()
{
    QString meldung;
    if (const auto journal = Direkt::Lesen(pfad(Journalname))) {
        if (lesen(*journal)) {
            if (!ausfuehren(*journal))
                fehler(Journalname, QStringLiteral("Eine unterbrochene Buchung kann nicht zu Ende geführt werden; "
                                                   "der Datenträger ist voll oder nicht beschreibbar."));
            meldung = QStringLiteral("Eine unterbrochene Buchung wurde beim Öffnen zu Ende geführt.");
        } else {
            QFile::remove(pfad(Journalname));
        }
    }
    bool verworfen = false;
    for (const QString &rest : QDir(m_verzeichnis).entryList({QLatin1Char('*') + NeuEndung}, QDir::Files | QDir::Hidden))
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
