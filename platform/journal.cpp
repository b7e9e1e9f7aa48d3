#include "platform/journal.h"

#include "algo/fehler.h"
#include "data/rollmeminifile.h"
#include "data/textdatei.h"
#include "platform/dateien.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QtEndian>
#include <QFileInfo>
#include <QRegularExpression>

#include <charconv>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

std::function<bool(const QString &)> TJournalSpeicher::Fehlerhaken;
bool TJournalSpeicher::Syncen = true;
qint64 TJournalSpeicher::SicherungAb = [] {
    bool ok = false;
    const qint64 bytes = qEnvironmentVariable("VENNLOK_SICHERUNG_AB").toLongLong(&ok);
    return ok && bytes >= 0 ? bytes : qint64(8) * 1024 * 1024;
}();
const QString TJournalSpeicher::Journalname = QStringLiteral("Vennlok.jrn");

namespace {

const QString NeuEndung = QStringLiteral(".neu~");
// The older form: one transaction of whole contents, carried out at once.
const QByteArray JournalKopf = QByteArrayLiteral("VENNLOK-JOURNAL 2\n");
const QByteArray JournalEnde = QByteArrayLiteral("ENDE\n");
// The write-ahead form: records appended, the files written at checkpoints.
const QByteArray ProtokollKopf = QByteArrayLiteral("VENNLOK-JOURNAL 3\n");


[[noreturn]] void fehler(const QString &datei, const QString &grund)
{
    throw VennlokFehler(QStringLiteral("Die Datei \u201E%1\u201C kann nicht geschrieben werden: %2").arg(datei, grund),
                        datei);
}

// A piece goes where the log ended when it was committed; a file shorter
// than that is not the one the journal was written for.
void laengeVerlangen(const QString &datei, qint64 laenge, qint64 ab)
{
    if (ab > laenge)
        fehler(datei, QStringLiteral("Sie ist kürzer (%1 Bytes), als das Journal erwartet (%2 Bytes).").arg(laenge).arg(ab));
}

const QString VerworfenText = QStringLiteral("Eine unvollständige Buchung wurde beim Öffnen verworfen; es gilt der Stand davor.");

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
    return Plattform::SystemGrund();
}

// Opens a file of the directory for writing; refuses what is no regular file.
bool zumSchreiben(QFile &datei, const QString &pfad, QString &grund)
{
    switch (Plattform::Oeffnen(datei, pfad, false, &grund)) {
    case Plattform::Oeffnung::Offen:
        return true;
    case Plattform::Oeffnung::Fremd:
        grund = Plattform::KeineDatei(QFileInfo(pfad).fileName());
        return false;
    default:
        return false;
    }
}

// Whether the files of one journal are made durable by one sync of the
// whole file system (many files, a month close, on Linux) rather than file
// by file (a booking), which does not wait for other programs' writes.
bool aufEinmalSyncen(qsizetype anzahl)
{
#ifdef Q_OS_LINUX
    return anzahl > 16;
#else
    Q_UNUSED(anzahl)
    return false;
#endif
}

bool dateisystemSyncen(const QString &verzeichnis)
{
#ifdef Q_OS_LINUX
    const int fd = ::open(QFile::encodeName(verzeichnis).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const int ergebnis = ::syncfs(fd);
    ::close(fd);
    return ergebnis == 0;
#else
    Q_UNUSED(verzeichnis)
    return false;
#endif
}

} // namespace

namespace {

qint64 groesse(const QList<QByteArray> &stuecke)
{
    qint64 n = 0;
    for (const QByteArray &stueck : stuecke)
        n += stueck.size();
    return n;
}

QByteArray zusammen(const QList<QByteArray> &stuecke)
{
    QByteArray inhalt;
    inhalt.reserve(groesse(stuecke));
    for (const QByteArray &stueck : stuecke)
        inhalt += stueck;
    return inhalt;
}

// Equal bytes; the same shared bytes are known equal without comparing.
bool gleich(const QByteArray &a, const QByteArray &b)
{
    return a.size() == b.size() && (a.constData() == b.constData() || a == b);
}

// A data file's bytes cut before each line that opens a section, as the
// pieces a data file in memory hands out.
QList<QByteArray> inAbschnitte(const QByteArray &inhalt)
{
    QList<QByteArray> teile;
    qsizetype anfang = 0;
    for (qsizetype i = inhalt.indexOf("\n[", 0); i >= 0; i = inhalt.indexOf("\n[", i + 1)) {
        teile.append(inhalt.mid(anfang, i + 1 - anfang));
        anfang = i + 1;
    }
    teile.append(inhalt.mid(anfang));
    return teile;
}

// The checksum of a record: 64 bits mixed eight bytes at a time. It tells a
// record cut short or overwritten in part from a whole one; it is the same
// on every machine, so that a journal may be carried out anywhere.
QByteArray pruefsumme(const char *daten, qsizetype laenge)
{
    quint64 h = 0x9E3779B97F4A7C15ull ^ quint64(laenge);
    const auto mischen = [&h](quint64 wort) {
        h ^= wort;
        h *= 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    };
    qsizetype i = 0;
    for (; i + 8 <= laenge; i += 8) {
        quint64 wort;
        std::memcpy(&wort, daten + i, 8);
        mischen(qFromLittleEndian(wort));
    }
    quint64 rest = 0;
    for (qsizetype k = 0; i + k < laenge; ++k)
        rest |= quint64(quint8(daten[i + k])) << (8 * k);
    mischen(rest);
    h ^= h >> 29;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 32;
    return QByteArray::number(h, 16).rightJustified(16, '0');
}

// Numbers of a journal's line, separated by tabs, and its end.
void zahlen(QByteArray &ziel, std::initializer_list<qint64> werte)
{
    char puffer[24];
    bool erste = true;
    for (const qint64 wert : werte) {
        if (!erste)
            ziel += '\t';
        erste = false;
        const auto ende = std::to_chars(puffer, puffer + sizeof puffer, wert).ptr;
        ziel.append(puffer, ende - puffer);
    }
    ziel += '\n';
}

// The line that opens one change of a record: its art, the file, its numbers.
void kopfzeile(QByteArray &ziel, char art, const QString &name, std::initializer_list<qint64> werte)
{
    ziel += art;
    ziel += '\t';
    ziel += name.toUtf8();
    ziel += '\t';
    zahlen(ziel, werte);
}

// A number of a journal's line; no value unless it is a plain non-negative number.
std::optional<qint64> zahl(const QByteArray &text)
{
    if (text.isEmpty() || text.size() > 18)
        return std::nullopt;
    for (const char c : text)
        if (c < '0' || c > '9')
            return std::nullopt;
    return text.toLongLong();
}

} // namespace

TJournalSpeicher::TJournalSpeicher(const QString &verzeichnis)
    : m_verzeichnis(QDir(verzeichnis).absolutePath())
{
    listeLesen();
}

TJournalSpeicher::TJournalSpeicher(const QString &verzeichnis, const QHash<QString, QByteArray> &bild)
    : m_verzeichnis(QDir(verzeichnis).absolutePath()), m_nurImSpeicher(true)
{
    for (auto it = bild.cbegin(); it != bild.cend(); ++it) {
        m_cache.insert(it.key(), it.value());
        m_namen.insert(it.key(), true);
    }
}

QHash<QString, QByteArray> TJournalSpeicher::Bild(const std::function<bool(const QString &)> &nimm)
{
    QHash<QString, QByteArray> bild;
    for (auto it = m_namen.cbegin(); it != m_namen.cend(); ++it)
        if (!m_fremd.contains(it.key()) && (!nimm || nimm(it.key())))
            if (const auto inhalt = Lesen(pfad(it.key())))
                bild.insert(it.key(), *inhalt);
    return bild;
}

TJournalSpeicher::~TJournalSpeicher()
{
    // A store that closes leaves its files whole and current: no journal
    // stays behind when no program holds the directory. Should that fail,
    // the journal stays and the next opening carries it out.
    if (!m_nurImSpeicher && m_tiefe == 0) {
        try {
            Sichern();
        } catch (...) {
        }
    }
}

void TJournalSpeicher::listeLesen()
{
    m_namen.clear();
    m_fremd.clear();
    for (const QString &n : QDir(m_verzeichnis).entryList(QDir::Files | QDir::Hidden | QDir::System))
        m_namen.insert(n, true);
    for (const QString &n : Plattform::FremdeEintraege(m_verzeichnis)) {
        m_fremd.insert(n);
        m_namen.insert(n, true);
    }
}

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
    if (m_fremd.contains(n))
        throw VennlokFehler(Plattform::KeineDatei(n), pfad(n), VennlokFehler::Beschaedigt);
    if (m_namen.contains(n) && !m_nurImSpeicher)
        inhalt = Plattform::Lesen(pfad(n));
    m_cache.insert(n, inhalt);
    return inhalt;
}

std::optional<QByteArray> TJournalSpeicher::festerStand(const QString &n)
{
    const auto stuecke = m_stuecke.constFind(n);
    if (stuecke != m_stuecke.cend())
        return zusammen(*stuecke);
    const auto ab = m_nachtragAb.constFind(n);
    if (ab != m_nachtragAb.cend()) {
        // A log whose pieces lag: the disk holds it up to where they go.
        const QByteArray basis = vonPlatte(n).value_or(QByteArray());
        return basis.left(*ab) + m_nachtrag.value(n);
    }
    return vonPlatte(n);
}

std::optional<QByteArray> TJournalSpeicher::Lesen(const QString &p)
{
    const QString n = name(p);
    if (TRollMemIniFile *offen = m_vorgemerkt.value(n))
        return offen->Inhalt();
    std::optional<QByteArray> inhalt;
    if (const auto stuecke = m_neuStuecke.constFind(n); stuecke != m_neuStuecke.cend())
        inhalt = zusammen(*stuecke);
    else if (const auto neu = m_neu.constFind(n); neu != m_neu.cend())
        inhalt = *neu;
    else
        inhalt = festerStand(n);
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

void TJournalSpeicher::nurDateien(const QString &n) const
{
    if (m_fremd.contains(n))
        throw VennlokFehler(Plattform::KeineDatei(n), pfad(n), VennlokFehler::Beschaedigt);
}

void TJournalSpeicher::Schreiben(const QString &p, const QByteArray &inhalt)
{
    const QString n = name(p);
    nurDateien(n);
    const bool allein = m_tiefe == 0;
    if (allein)
        Beginnen();
    m_vorgemerkt.remove(n);
    m_anhaenge.remove(n);
    m_neuStuecke.remove(n);
    m_neu.insert(n, inhalt);
    namenEintragen(n);
    if (allein)
        Festschreiben();
}

void TJournalSpeicher::Anhaengen(const QString &p, const QByteArray &inhalt)
{
    const QString n = name(p);
    nurDateien(n);
    const bool allein = m_tiefe == 0;
    if (allein)
        Beginnen();
    if (m_neuStuecke.contains(n)) {
        m_neuStuecke[n].append(inhalt);
    } else if (m_neu.contains(n)) {
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
    nurDateien(n);
    const bool allein = m_tiefe == 0;
    if (allein)
        Beginnen();
    m_vorgemerkt.remove(n);
    m_anhaenge.remove(n);
    m_neuStuecke.remove(n);
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

QStringList TJournalSpeicher::Fremde() const
{
    QStringList namen(m_fremd.cbegin(), m_fremd.cend());
    namen.sort();
    return namen;
}

QStringList TJournalSpeicher::Liste(const QString &muster)
{
    // "T_*.ven" and its kind, which the engine asks for at every month close:
    // the names under the prefix in the sorted listing, without a pattern machine.
    const qsizetype stern = muster.indexOf(QLatin1Char('*'));
    if (stern >= 0 && muster.indexOf(QLatin1Char('*'), stern + 1) < 0 && !muster.contains(QLatin1Char('?'))
        && !muster.contains(QLatin1Char('['))) {
        const QString vorne = muster.left(stern), hinten = muster.mid(stern + 1);
        QStringList treffer;
        for (auto it = m_namen.lowerBound(vorne); it != m_namen.cend() && it.key().startsWith(vorne); ++it)
            if (it.key().size() >= vorne.size() + hinten.size() && it.key().endsWith(hinten))
                treffer.append(it.key());
        return treffer;
    }
    const QRegularExpression ausdruck(QRegularExpression::wildcardToRegularExpression(muster));
    QStringList treffer;
    for (auto it = m_namen.cbegin(); it != m_namen.cend(); ++it)
        if (ausdruck.match(it.key()).hasMatch())
            treffer.append(it.key());
    return treffer;
}

void TJournalSpeicher::Vormerken(TRollMemIniFile *datei)
{
    const QString n = name(datei->FileName());
    nurDateien(n);
    const bool allein = m_tiefe == 0;
    if (allein)
        Beginnen();
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
    m_neu.remove(n);
    m_anhaenge.remove(n);
    m_neuStuecke.insert(n, datei->Stuecke());
    m_vorgemerkt.remove(n);
}

void TJournalSpeicher::Geladen(TRollMemIniFile *datei)
{
    const QString n = name(datei->FileName());
    if (m_nurImSpeicher || m_stuecke.contains(n) || m_nachtragAb.contains(n) || m_vorgemerkt.contains(n)
        || m_neu.contains(n) || m_neuStuecke.contains(n) || m_anhaenge.contains(n))
        return;
    const auto gelesen = m_cache.constFind(n);
    if (gelesen == m_cache.cend() || !*gelesen)
        return;
    const QByteArray &inhalt = **gelesen;
    const QList<QByteArray> stuecke = datei->Stuecke();
    qsizetype pos = 0;
    for (const QByteArray &stueck : stuecke) {
        if (stueck.size() > inhalt.size() - pos || std::memcmp(stueck.constData(), inhalt.constData() + pos, size_t(stueck.size())) != 0)
            return; // not in this program's form (an editor's line ends, a byte-order mark)
        pos += stueck.size();
    }
    if (pos != inhalt.size())
        return;
    m_stuecke.insert(n, stuecke);
    m_cache.remove(n);
}

void TJournalSpeicher::vorgemerkteUebernehmen()
{
    for (auto it = m_vorgemerkt.cbegin(); it != m_vorgemerkt.cend(); ++it) {
        m_neu.remove(it.key());
        m_anhaenge.remove(it.key());
        m_neuStuecke.insert(it.key(), it.value()->Stuecke());
    }
    m_vorgemerkt.clear();
}

void TJournalSpeicher::Abbrechen()
{
    ++m_abbrueche;
    m_tiefe = 0;
    m_neu.clear();
    m_neuStuecke.clear();
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

QList<TJournalSpeicher::Stelle> TJournalSpeicher::unterschiede(const QList<QByteArray> &alt, const QList<QByteArray> &neu)
{
    QList<Stelle> stellen;
    qint64 pos = 0; // where alt[i] begins in the old content
    qsizetype i = 0, j = 0;
    while (i < alt.size() || j < neu.size()) {
        if (i < alt.size() && j < neu.size() && gleich(alt[i], neu[j])) {
            pos += alt[i].size();
            ++i;
            ++j;
        } else if (j < neu.size() && (i == alt.size() || (j + 1 < neu.size() && gleich(alt[i], neu[j + 1])))) {
            stellen.append({pos, 0, neu[j]}); // a section came
            ++j;
        } else if (i < alt.size() && (j == neu.size() || (i + 1 < alt.size() && gleich(alt[i + 1], neu[j])))) {
            stellen.append({pos, alt[i].size(), QByteArray()}); // a section went
            pos += alt[i].size();
            ++i;
        } else {
            // A section changed: only the bytes between what stayed in front and behind.
            const QByteArray &a = alt[i], &b = neu[j];
            const qsizetype kuerzer = std::min(a.size(), b.size());
            qsizetype vorne = 0, hinten = 0;
            while (vorne < kuerzer && a[vorne] == b[vorne])
                ++vorne;
            while (hinten < kuerzer - vorne && a[a.size() - 1 - hinten] == b[b.size() - 1 - hinten])
                ++hinten;
            stellen.append({pos + vorne, a.size() - vorne - hinten, b.mid(vorne, b.size() - vorne - hinten)});
            pos += a.size();
            ++i;
            ++j;
        }
    }
    return stellen;
}

void TJournalSpeicher::datensatzAnhaengen(char art, const QByteArray &koerper)
{
    schritt(QStringLiteral("schreiben ") + Journalname);
    const bool neu = !m_journal;
    if (neu) {
        // A journal that is there already holds bookings not yet carried
        // out (opening was skipped): it is never written over.
        if (Plattform::EintragArt(pfad(Journalname)) != Plattform::Eintrag::Fehlt)
            fehler(Journalname, QStringLiteral("Eine frühere Buchung ist noch nicht zu Ende geführt; bitte das "
                                               "Datenverzeichnis neu öffnen."));
        m_journal = std::make_unique<QFile>();
        QString grund;
        if (!zumSchreiben(*m_journal, pfad(Journalname), grund)) {
            m_journal.reset();
            fehler(Journalname, grund);
        }
        m_journalEnde = 0;
        m_folgenummer = 0;
    }
    const QByteArray datensatz = (m_journalEnde == 0 ? ProtokollKopf : QByteArray())
                                 + Datensatz(art, m_folgenummer + 1, koerper);
    try {
        if ((neu && !m_journal->resize(0)) || !m_journal->seek(m_journalEnde)
            || !Textdatei::GanzSchreiben(*m_journal, datensatz))
            fehler(Journalname, systemgrund());
        schritt(QStringLiteral("syncen ") + Journalname);
        if (!dateiSyncen(*m_journal))
            fehler(Journalname, systemgrund());
        if (neu) {
            schritt(QStringLiteral("umbenennen ") + Journalname);
            syncVerzeichnis();
        }
    } catch (...) {
        // Cut back to the last whole record; a new journal goes again.
        if (neu) {
            m_journal.reset();
            QFile::remove(pfad(Journalname));
        } else {
            // The next record goes at the same place: what a failed write
            // left behind is written over, and never reads as a record.
            m_journal->resize(m_journalEnde);
        }
        throw;
    }
    m_journalEnde += datensatz.size();
    ++m_folgenummer;
    m_zaehler.bytes += datensatz.size();
    ++m_zaehler.syncs;
}

QByteArray TJournalSpeicher::Datensatz(char art, qint64 nummer, const QByteArray &koerper)
{
    QByteArray datensatz;
    datensatz.reserve(koerper.size() + 48);
    datensatz += art;
    datensatz += '\t';
    zahlen(datensatz, {nummer, koerper.size()});
    datensatz.chop(1);
    datensatz += '\t' + pruefsumme(koerper.constData(), koerper.size()) + '\n';
    datensatz += koerper;
    datensatz += '\n';
    return datensatz;
}

void TJournalSpeicher::journalEntfernen()
{
    m_journal.reset();
    QFile::remove(pfad(Journalname));
    m_journalEnde = 0;
    m_folgenummer = 0;
}

void TJournalSpeicher::Festschreiben()
{
    if (m_tiefe == 0 || --m_tiefe > 0)
        return;
    vorgemerkteUebernehmen();
    if (m_neu.isEmpty() && m_anhaenge.isEmpty() && m_neuStuecke.isEmpty())
        return;
    if (m_nurImSpeicher) {
        // Memory is the whole store: the changes are taken, nothing touches the disk.
        for (auto it = m_neuStuecke.cbegin(); it != m_neuStuecke.cend(); ++it) {
            m_stuecke.insert(it.key(), it.value());
            m_cache.remove(it.key());
        }
        for (auto it = m_neu.cbegin(); it != m_neu.cend(); ++it) {
            m_stuecke.remove(it.key());
            m_cache.insert(it.key(), it.value());
        }
        for (const QString &n : std::as_const(m_anhangReihenfolge)) {
            if (!m_anhaenge.contains(n))
                continue;
            if (m_stuecke.contains(n)) {
                m_stuecke[n].append(m_anhaenge.value(n));
                continue;
            }
            std::optional<QByteArray> &inhalt = m_cache[n];
            if (!inhalt)
                inhalt = QByteArray();
            inhalt->append(m_anhaenge.value(n)); // in place: a growing log is not copied per commit
        }
        m_neu.clear();
        m_neuStuecke.clear();
        m_anhaenge.clear();
        m_anhangReihenfolge.clear();
        ++m_zaehler.transaktionen;
        return;
    }
    // What an earlier commit left undone comes first.
    try {
        try {
            ausstehendeErledigen();
        } catch (const VennlokFehler &f) {
            fehler(Journalname, QStringLiteral("Eine frühere Buchung ist gesichert, aber noch nicht in alle Dateien "
                                               "übertragen: %1").arg(f.text()));
        }
        // Nothing but regular files is written: a link, FIFO or folder that
        // has come where a file of this transaction belongs refuses it now.
        for (const QString &n : m_neu.keys() + m_anhaenge.keys() + m_neuStuecke.keys())
            if (Plattform::EintragArt(pfad(n)) == Plattform::Eintrag::Fremd)
                throw VennlokFehler(Plattform::KeineDatei(n), pfad(n), VennlokFehler::Beschaedigt);
    } catch (...) {
        Abbrechen();
        throw;
    }

    // The record: for each data file the ranges that changed (or its whole
    // content when it is new), each document's whole content or deletion,
    // each log's piece with the length it goes at.
    QByteArray koerper;
    QHash<QString, qint64> geaendert; // data files that changed, with their new size
    QSet<QString> neueDateien;        // data files that came: written at once, as documents are
    QHash<QString, qint64> nachtragAb; // logs that begin to lag: where their pieces go
    try {
        for (auto it = m_neuStuecke.cbegin(); it != m_neuStuecke.cend(); ++it) {
            const QString &n = it.key();
            const qint64 neuGroesse = groesse(it.value());
            // The committed pieces of the file; a file read whole is cut at
            // its sections, so that the pieces line up with the new ones.
            QList<QByteArray> alt;
            if (const auto stuecke = m_stuecke.constFind(n); stuecke != m_stuecke.cend())
                alt = *stuecke;
            else if (const auto gelesen = festerStand(n))
                alt = inAbschnitte(*gelesen);
            else {
                kopfzeile(koerper, 'S', n, {neuGroesse});
                for (const QByteArray &stueck : it.value())
                    koerper += stueck;
                koerper += '\n';
                neueDateien.insert(n);
                continue;
            }
            const QList<Stelle> stellen = unterschiede(alt, it.value());
            if (stellen.isEmpty())
                continue;
            kopfzeile(koerper, 'P', n, {stellen.size(), neuGroesse});
            for (const Stelle &s : stellen) {
                zahlen(koerper, {s.ab, s.laenge, s.neu.size()});
                koerper += s.neu;
                koerper += '\n';
            }
            geaendert.insert(n, neuGroesse);
        }
        for (auto it = m_neu.cbegin(); it != m_neu.cend(); ++it) {
            kopfzeile(koerper, it.value() ? 'S' : 'L', it.key(), {it.value() ? it.value()->size() : 0});
            if (it.value())
                koerper += *it.value();
            koerper += '\n';
        }
        for (const QString &n : std::as_const(m_anhangReihenfolge)) {
            if (!m_anhaenge.contains(n))
                continue;
            qint64 laenge = 0;
            if (const auto stuecke = m_stuecke.constFind(n); stuecke != m_stuecke.cend())
                laenge = groesse(*stuecke);
            else if (m_nachtragAb.contains(n))
                laenge = m_nachtragAb.value(n) + m_nachtrag.value(n).size();
            else if (m_namenVorher.contains(n))
                laenge = QFileInfo(pfad(n)).size();
            const QByteArray &stueck = m_anhaenge[n];
            kopfzeile(koerper, 'A', n, {stueck.size(), laenge});
            koerper += stueck;
            koerper += '\n';
            if (!m_stuecke.contains(n) && !m_nachtragAb.contains(n))
                nachtragAb.insert(n, laenge);
        }
        if (!koerper.isEmpty())
            datensatzAnhaengen('T', koerper);
    } catch (...) {
        Abbrechen();
        throw;
    }
    m_nachtragAb.insert(nachtragAb);

    // Committed: memory takes the new state. Data files and logs lag behind
    // on disk until the next checkpoint; documents are written now.
    const auto schmutzig = [this](const QString &n, qint64 bytes) {
        m_schmutzBytes += bytes - m_schmutzig.value(n, 0);
        m_schmutzig.insert(n, bytes);
    };
    for (auto it = m_neuStuecke.cbegin(); it != m_neuStuecke.cend(); ++it) {
        m_stuecke.insert(it.key(), it.value());
        m_cache.remove(it.key());
        if (geaendert.contains(it.key()))
            schmutzig(it.key(), geaendert.value(it.key()));
        if (neueDateien.contains(it.key())) {
            m_schmutzBytes -= m_schmutzig.take(it.key());
            m_nachzuholen.insert(it.key());
        }
    }
    QStringList durch;
    for (auto it = m_neu.cbegin(); it != m_neu.cend(); ++it) {
        m_stuecke.remove(it.key());
        m_nachtrag.remove(it.key());
        m_nachtragAb.remove(it.key());
        m_cache.insert(it.key(), it.value());
        m_schmutzBytes -= m_schmutzig.take(it.key());
        m_nachzuholen.insert(it.key());
        durch.append(it.key());
    }
    for (const QString &n : std::as_const(m_anhangReihenfolge)) {
        if (!m_anhaenge.contains(n))
            continue;
        if (m_stuecke.contains(n)) {
            m_stuecke[n].append(m_anhaenge.value(n));
            schmutzig(n, groesse(m_stuecke.value(n)));
        } else {
            m_nachtrag[n] += m_anhaenge.value(n);
            m_cache.remove(n);
            schmutzig(n, m_nachtrag.value(n).size());
        }
    }
    m_neu.clear();
    m_neuStuecke.clear();
    m_anhaenge.clear();
    m_anhangReihenfolge.clear();
    if (!koerper.isEmpty())
        ++m_zaehler.transaktionen;

    QString warum;
    try {
        ausstehendeErledigen();
        // A journal as long as what lags behind it is written out: the
        // bytes written stay a small multiple of the data, and opening
        // after a crash has little to read.
        if (SicherungAb == 0 || (m_journalEnde >= SicherungAb && m_journalEnde >= m_schmutzBytes))
            Sichern();
    } catch (const VennlokFehler &f) {
        warum = f.text();
    }
    if (!warum.isEmpty())
        throw VennlokFehler(QStringLiteral("Die Buchung ist gesichert, aber noch nicht in alle Dateien übertragen: %1 "
                                           "Sie wird beim nächsten Öffnen des Datenverzeichnisses zu Ende geführt, "
                                           "sobald das Hindernis beseitigt ist.").arg(warum),
                            pfad(Journalname), VennlokFehler::Ausstehend);
}

void TJournalSpeicher::ausstehendeErledigen()
{
    if (!m_offeneSicherung.isEmpty()) {
        umsetzen(m_offeneSicherung, true);
        m_offeneSicherung.clear();
        journalEntfernen();
    }
    // Documents and new files of a committed transaction are written whole, in place.
    const QStringList namen(m_nachzuholen.cbegin(), m_nachzuholen.cend());
    const bool aufEinmal = Syncen && aufEinmalSyncen(namen.size());
    bool namenGeaendert = false;
    for (const QString &n : namen) {
        const auto stuecke = m_stuecke.constFind(n);
        const std::optional<QByteArray> inhalt = stuecke != m_stuecke.cend() ? zusammen(*stuecke) : m_cache.value(n);
        const QString ziel = pfad(n);
        if (!inhalt) {
            if (Plattform::EintragArt(ziel) == Plattform::Eintrag::Fremd)
                fehler(n, Plattform::KeineDatei(n));
            namenGeaendert |= QFile::remove(ziel);
        } else {
            schritt(QStringLiteral("ausführen ") + n);
            namenGeaendert |= Plattform::EintragArt(ziel) == Plattform::Eintrag::Fehlt;
            QFile datei;
            QString grund;
            if (!zumSchreiben(datei, ziel, grund))
                fehler(n, grund);
            stueckeSchreiben(datei, n, 0, {*inhalt}, !aufEinmal);
        }
        if (!aufEinmal)
            m_nachzuholen.remove(n);
    }
    // Many new files (a month's first payments) are made durable together.
    if (aufEinmal) {
        if (!dateisystemSyncen(m_verzeichnis))
            fehler(Journalname, systemgrund());
        ++m_zaehler.syncs;
        m_nachzuholen.clear();
    }
    if (namenGeaendert)
        syncVerzeichnis();
}

void TJournalSpeicher::stueckeSchreiben(QFile &datei, const QString &n, qint64 ab, const QList<QByteArray> &stuecke,
                                        bool syncen)
{
    if (!datei.resize(ab) || !datei.seek(ab))
        fehler(n, systemgrund());
    for (const QByteArray &stueck : stuecke)
        if (!Textdatei::GanzSchreiben(datei, stueck))
            fehler(n, systemgrund());
    if (syncen) {
        if (!dateiSyncen(datei))
            fehler(n, systemgrund());
        ++m_zaehler.syncs;
    }
    m_zaehler.bytes += groesse(stuecke);
}

void TJournalSpeicher::Sichern()
{
    if (m_nurImSpeicher || m_tiefe > 0)
        return;
    ausstehendeErledigen();
    if (!m_journal)
        return;
    QMap<QString, Plan> plaene;
    for (auto it = m_schmutzig.cbegin(); it != m_schmutzig.cend(); ++it) {
        const QString &n = it.key();
        if (const auto stuecke = m_stuecke.constFind(n); stuecke != m_stuecke.cend())
            plaene.insert(n, {Plan::Ganz, *stuecke, 0});
        else if (m_nachtragAb.contains(n))
            plaene.insert(n, {Plan::Anhang, {m_nachtrag.value(n)}, m_nachtragAb.value(n)});
    }
    if (plaene.isEmpty()) {
        // Only documents, written already: the journal has nothing left to say.
        journalEntfernen();
        return;
    }
    sicherungSchreiben(plaene);
}

void TJournalSpeicher::sicherungSchreiben(const QMap<QString, Plan> &plaene)
{
    // The copies first, each whole and durable, then the record saying so:
    // until it is durable the files are untouched and the journal counts.
    QStringList kopien;
    try {
        const bool aufEinmal = Syncen && aufEinmalSyncen(plaene.size());
        for (auto it = plaene.cbegin(); it != plaene.cend(); ++it)
            if (Plattform::EintragArt(pfad(it.key())) == Plattform::Eintrag::Fremd)
                fehler(it.key(), Plattform::KeineDatei(it.key()));
        for (auto it = plaene.cbegin(); it != plaene.cend(); ++it) {
            if (it->art != Plan::Ganz)
                continue;
            schritt(QStringLiteral("sichern ") + it.key());
            const QString kopie = pfad(it.key() + NeuEndung);
            QFile datei;
            QString grund;
            if (!zumSchreiben(datei, kopie, grund))
                fehler(it.key(), grund);
            kopien.append(kopie);
            stueckeSchreiben(datei, it.key(), 0, it->stuecke, !aufEinmal);
        }
        if (aufEinmal && !dateisystemSyncen(m_verzeichnis))
            fehler(Journalname, systemgrund());
        if (!kopien.isEmpty())
            syncVerzeichnis();
        datensatzAnhaengen('K', QByteArray());
    } catch (...) {
        for (const QString &kopie : std::as_const(kopien))
            QFile::remove(kopie);
        throw;
    }
    // From here the checkpoint counts: memory forgets what lagged, and what
    // cannot be carried out now is carried out before the next commit.
    m_offeneSicherung = plaene;
    for (auto it = plaene.cbegin(); it != plaene.cend(); ++it)
        m_cache.remove(it.key());
    m_schmutzig.clear();
    m_schmutzBytes = 0;
    m_nachtrag.clear();
    m_nachtragAb.clear();
    m_nachzuholen.clear();
    umsetzen(plaene, false);
    m_offeneSicherung.clear();
    journalEntfernen();
    ++m_zaehler.sicherungen;
}

void TJournalSpeicher::umsetzen(const QMap<QString, Plan> &plaene, bool nurVorhandene)
{
    const bool aufEinmal = Syncen && aufEinmalSyncen(plaene.size());
    bool anhaenge = false;
    for (auto it = plaene.cbegin(); it != plaene.cend(); ++it) {
        const QString ziel = pfad(it.key());
        if (Plattform::EintragArt(ziel) == Plattform::Eintrag::Fremd)
            fehler(it.key(), Plattform::KeineDatei(it.key()));
        schritt(QStringLiteral("ausführen ") + it.key());
        if (it->art == Plan::Weg) {
            QFile::remove(ziel);
            continue;
        }
        if (it->art == Plan::Ganz) {
            const QString kopie = ziel + NeuEndung;
            // A copy already renamed in an earlier attempt is not there any more.
            if (nurVorhandene && Plattform::EintragArt(kopie) == Plattform::Eintrag::Fehlt)
                continue;
            if (!ersetzen(kopie, ziel))
                fehler(it.key(), systemgrund());
            continue;
        }
        QFile datei;
        QString grund;
        if (!zumSchreiben(datei, ziel, grund))
            fehler(it.key(), grund);
        laengeVerlangen(it.key(), datei.size(), it->ab);
        stueckeSchreiben(datei, it.key(), it->ab, it->stuecke, !aufEinmal);
        anhaenge = true;
    }
    if (aufEinmal && anhaenge && !dateisystemSyncen(m_verzeichnis))
        fehler(Journalname, systemgrund());
    syncVerzeichnis();
}

std::optional<QString> TJournalSpeicher::ausfuehren(const QByteArray &journal)
{
    const std::optional<QList<Aenderung>> aenderungen = lesen(journal);
    if (!aenderungen)
        return QStringLiteral("Das Journal \u201E%1\u201C ist beschädigt.").arg(Journalname);
    const bool aufEinmal = Syncen && aufEinmalSyncen(aenderungen->size());
    bool namenGeaendert = false;
    try {
        for (const Aenderung &a : *aenderungen) {
            const QString ziel = pfad(a.name);
            if (a.art == 'L') {
                if (Plattform::EintragArt(ziel) == Plattform::Eintrag::Fremd)
                    return Plattform::KeineDatei(a.name);
                namenGeaendert |= QFile::remove(ziel);
                continue;
            }
            schritt(QStringLiteral("ausführen ") + a.name);
            namenGeaendert |= Plattform::EintragArt(ziel) == Plattform::Eintrag::Fehlt;
            QFile datei;
            QString grund;
            if (!zumSchreiben(datei, ziel, grund))
                fehler(a.name, grund);
            if (a.art == 'A')
                laengeVerlangen(a.name, datei.size(), a.ab);
            stueckeSchreiben(datei, a.name, a.ab, {a.inhalt}, !aufEinmal);
        }
        if (aufEinmal && !dateisystemSyncen(m_verzeichnis))
            return systemgrund();
    } catch (const VennlokFehler &f) {
        return f.text();
    }
    ++m_zaehler.syncs;
    if (namenGeaendert)
        syncVerzeichnis();
    QFile::remove(pfad(Journalname));
    return std::nullopt;
}

std::optional<QList<TJournalSpeicher::Aenderung>> TJournalSpeicher::koerperLesen(const QByteArray &text, qsizetype pos,
                                                                               qsizetype ende)
{
    QList<Aenderung> aenderungen;
    // One line of numbers and names, then (but for P) that many bytes and a line end.
    const auto zeile = [&](QList<QByteArray> &teile) {
        const qsizetype zeilenende = text.indexOf('\n', pos);
        if (zeilenende < 0 || zeilenende >= ende)
            return false;
        teile = text.mid(pos, zeilenende - pos).split('\t');
        pos = zeilenende + 1;
        return true;
    };
    const auto bytes = [&](qint64 laenge, QByteArray &ziel) {
        if (laenge > ende - pos - 1 || text[pos + laenge] != '\n')
            return false;
        ziel = text.mid(pos, laenge);
        pos += laenge + 1;
        return true;
    };
    while (pos < ende) {
        QList<QByteArray> teile;
        if (!zeile(teile) || teile.size() < 3 || teile[0].size() != 1)
            return std::nullopt;
        Aenderung a{teile[0][0], QString::fromUtf8(teile[1]), QByteArray(), 0, {}};
        const auto laenge = zahl(teile[2]);
        if (!laenge || teile[1].isEmpty() || teile[1].contains('/') || teile[1].contains('\\'))
            return std::nullopt;
        if (a.art == 'P') {
            const auto neuGroesse = teile.size() == 4 ? zahl(teile[3]) : std::nullopt;
            if (!neuGroesse || *laenge > ende - pos)
                return std::nullopt;
            a.ab = *neuGroesse;
            for (qint64 k = 0; k < *laenge; ++k) {
                QList<QByteArray> s;
                if (!zeile(s) || s.size() != 3)
                    return std::nullopt;
                const auto ab = zahl(s[0]), weg = zahl(s[1]), neu = zahl(s[2]);
                Stelle stelle;
                if (!ab || !weg || !neu || !bytes(*neu, stelle.neu))
                    return std::nullopt;
                stelle.ab = *ab;
                stelle.laenge = *weg;
                a.stellen.append(stelle);
            }
        } else {
            const bool anhang = a.art == 'A';
            const auto ab = teile.size() > 3 ? zahl(teile[3]) : std::optional<qint64>(0);
            if ((a.art != 'S' && a.art != 'L' && !anhang) || !ab || teile.size() > (anhang ? 4 : 3)
                || !bytes(*laenge, a.inhalt))
                return std::nullopt;
            a.ab = *ab;
        }
        aenderungen.append(a);
    }
    return aenderungen;
}

std::optional<QList<TJournalSpeicher::Aenderung>> TJournalSpeicher::lesen(const QByteArray &journal)
{
    // Anything but a whole journal (a crash before it was durable) is no transaction.
    if (!journal.startsWith(JournalKopf) || !journal.endsWith(JournalEnde))
        return std::nullopt;
    const auto aenderungen = koerperLesen(journal, JournalKopf.size(), journal.size() - JournalEnde.size());
    if (aenderungen)
        for (const Aenderung &a : *aenderungen)
            if (a.art == 'P')
                return std::nullopt;
    return aenderungen;
}

std::optional<TJournalSpeicher::Gelesen> TJournalSpeicher::journalLesen(const QByteArray &journal)
{
    if (!journal.startsWith(ProtokollKopf))
        return std::nullopt;
    Gelesen g;
    qsizetype pos = ProtokollKopf.size();
    g.ende = pos;
    while (pos < journal.size()) {
        // A record cut short, or bytes after the last whole one that a failed
        // write left, end the journal: they are no transaction.
        const qsizetype zeilenende = journal.indexOf('\n', pos);
        const QList<QByteArray> teile = zeilenende < 0 ? QList<QByteArray>() : journal.mid(pos, zeilenende - pos).split('\t');
        const auto nummer = zahl(teile.value(1)), laenge = zahl(teile.value(2));
        if (teile.size() != 4 || (teile[0] != "T" && teile[0] != "K") || !nummer || *nummer != g.folgenummer + 1
            || !laenge || *laenge > journal.size() - zeilenende - 2) {
            g.abgeschnitten = true;
            break;
        }
        const qsizetype naechster = zeilenende + 1 + *laenge + 1;
        if (journal[naechster - 1] != '\n' || pruefsumme(journal.constData() + zeilenende + 1, *laenge) != teile[3]) {
            // Whole in length but not in content: the last thing written was
            // cut short; anything after it was damaged afterwards.
            if (naechster < journal.size())
                return std::nullopt;
            g.abgeschnitten = true;
            break;
        }
        // A whole record that does not read, or one after a checkpoint, was
        // damaged afterwards.
        const auto aenderungen = koerperLesen(journal, zeilenende + 1, zeilenende + 1 + *laenge);
        if (!aenderungen || g.sicherungspunkt || (teile[0] == "K" && !aenderungen->isEmpty()))
            return std::nullopt;
        g.sicherungspunkt = teile[0] == "K";
        if (!g.sicherungspunkt)
            g.datensaetze.append(*aenderungen);
        pos = naechster;
        g.ende = pos;
        g.folgenummer = *nummer;
    }
    return g;
}

QMap<QString, TJournalSpeicher::Plan> TJournalSpeicher::plaene(const QList<QList<Aenderung>> &datensaetze,
                                                                bool ohneInhalt)
{
    // Each file's state from the disk on, through every change in order.
    // A log that was only appended to keeps its pieces and where they go,
    // so that neither it nor a later attempt needs its content.
    struct Zustand
    {
        bool geladen = false;
        std::optional<QByteArray> inhalt;
        bool anhang = false;
        qint64 ab = 0;
        QByteArray stueck;
    };
    QMap<QString, Zustand> zustaende;
    const auto laden = [this, ohneInhalt](const QString &n, Zustand &z) {
        if (z.geladen)
            return;
        if (ohneInhalt) {
            // Only what is to be done matters: the copy holds the content.
            z = Zustand();
            z.geladen = true;
            z.inhalt = QByteArray();
            return;
        }
        z.inhalt = Plattform::Lesen(pfad(n));
        z.geladen = true;
        if (z.anhang) {
            laengeVerlangen(n, z.inhalt.value_or(QByteArray()).size(), z.ab);
            z.inhalt = z.inhalt.value_or(QByteArray()).left(z.ab) + z.stueck;
            z.anhang = false;
        }
    };
    for (const QList<Aenderung> &datensatz : datensaetze) {
        for (const Aenderung &a : datensatz) {
            Zustand &z = zustaende[a.name];
            switch (a.art) {
            case 'S':
            case 'L':
                z = Zustand();
                z.geladen = true;
                if (a.art == 'S')
                    z.inhalt = a.inhalt;
                break;
            case 'A':
                if (!z.geladen && (!z.anhang || a.ab == z.ab + z.stueck.size())) {
                    if (!z.anhang)
                        z.ab = a.ab;
                    z.anhang = true;
                    z.stueck += a.inhalt;
                    break;
                }
                laden(a.name, z);
                if (ohneInhalt)
                    break;
                if (a.ab != z.inhalt.value_or(QByteArray()).size())
                    fehler(a.name, QStringLiteral("Sie ist nicht so lang (%1 Bytes), wie das Journal erwartet (%2 Bytes).")
                                       .arg(z.inhalt.value_or(QByteArray()).size()).arg(a.ab));
                z.inhalt = z.inhalt.value_or(QByteArray()) + a.inhalt;
                break;
            default: { // 'P'
                laden(a.name, z);
                if (ohneInhalt)
                    break;
                const QByteArray alt = z.inhalt.value_or(QByteArray());
                QByteArray neu;
                neu.reserve(qsizetype(std::min<qint64>(a.ab, alt.size() + 1024 * 1024)));
                qint64 bis = 0;
                bool passt = z.inhalt.has_value();
                for (const Stelle &s : a.stellen) {
                    if (!passt || s.ab < bis || s.ab > alt.size() || s.laenge > alt.size() - s.ab) {
                        passt = false;
                        break;
                    }
                    neu.append(alt.constData() + bis, s.ab - bis);
                    neu += s.neu;
                    bis = s.ab + s.laenge;
                }
                if (passt)
                    neu.append(alt.constData() + bis, alt.size() - bis);
                if (!passt || neu.size() != a.ab)
                    fehler(a.name, QStringLiteral("Sie ist nicht die Datei, für die das Journal geschrieben wurde."));
                z.inhalt = neu;
            }
            }
        }
    }
    QMap<QString, Plan> ergebnis;
    for (auto it = zustaende.cbegin(); it != zustaende.cend(); ++it) {
        if (it->anhang && !it->geladen)
            ergebnis.insert(it.key(), {Plan::Anhang, {it->stueck}, it->ab});
        else if (it->inhalt)
            ergebnis.insert(it.key(), {Plan::Ganz, {*it->inhalt}, 0});
        else
            ergebnis.insert(it.key(), {Plan::Weg, {}, 0});
    }
    return ergebnis;
}

QMap<QString, QByteArray> TJournalSpeicher::Ansicht(const QString &verzeichnis)
{
    TJournalSpeicher speicher(verzeichnis);
    QMap<QString, QByteArray> bild;
    for (const QString &n : QDir(speicher.m_verzeichnis).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (n == Journalname || n.endsWith(NeuEndung))
            continue;
        if (const auto inhalt = Plattform::Lesen(speicher.pfad(n)))
            bild.insert(n, *inhalt);
    }
    const auto journal = Plattform::Lesen(speicher.pfad(Journalname));
    if (!journal)
        return bild;
    QMap<QString, Plan> zuTun;
    if (const auto g = journalLesen(*journal)) {
        zuTun = speicher.plaene(g->datensaetze, g->sicherungspunkt);
        if (g->sicherungspunkt)
            for (auto it = zuTun.begin(); it != zuTun.end(); ++it)
                if (it->art == Plan::Ganz) {
                    // Renamed already, or whole in its copy.
                    const auto kopie = Plattform::Lesen(speicher.pfad(it.key() + NeuEndung));
                    it->stuecke = {kopie ? *kopie : bild.value(it.key())};
                }
    } else if (const auto aenderungen = lesen(*journal)) {
        zuTun = speicher.plaene({*aenderungen});
    }
    for (auto it = zuTun.cbegin(); it != zuTun.cend(); ++it) {
        if (it->art == Plan::Weg)
            bild.remove(it.key());
        else if (it->art == Plan::Ganz)
            bild.insert(it.key(), zusammen(it->stuecke));
        else
            bild.insert(it.key(), bild.value(it.key()).left(it->ab) + zusammen(it->stuecke));
    }
    return bild;
}

QStringList TJournalSpeicher::Reste(const QString &verzeichnis)
{
    return QDir(verzeichnis).entryList({Journalname, QLatin1Char('*') + NeuEndung}, QDir::Files | QDir::Hidden,
                                       QDir::Name);
}

TJournalSpeicher::Wiederherstellung TJournalSpeicher::Wiederherstellen()
{
    Wiederherstellung ergebnis;
    const auto beiseitelegen = [&] {
        // Only whole records are ever carried out: a journal that fails its
        // checks was damaged afterwards and is kept for inspection.
        const QString stempel = Journalname + QStringLiteral(".beschaedigt-")
                                + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString beiseite = stempel;
        for (int n = 2; Plattform::EintragArt(pfad(beiseite)) != Plattform::Eintrag::Fehlt; ++n)
            beiseite = stempel + QLatin1Char('-') + QString::number(n);
        if (!ersetzen(pfad(Journalname), pfad(beiseite)))
            fehler(Journalname, QStringLiteral("Das beschädigte Journal kann nicht beiseitegelegt werden: %1")
                                    .arg(systemgrund()));
        ergebnis = {Fund::Beiseitegelegt,
                    QStringLiteral("Ein beschädigtes Journal wurde beim Öffnen nicht ausgeführt, sondern als "
                                   "\u201E%1\u201C beiseitegelegt; es gilt der Stand davor. Bitte die Dateien "
                                   "prüfen (vennlok-cli pruefen).").arg(beiseite)};
    };
    const auto nichtUebertragbar = [](const QString &warum) {
        fehler(Journalname, QStringLiteral("Eine gesicherte Buchung kann nicht in alle Dateien übertragen werden: %1")
                                .arg(warum));
    };
    m_journal.reset();
    if (const auto journal = Plattform::Lesen(pfad(Journalname))) {
        if (ProtokollKopf.startsWith(*journal)) {
            // Made, but cut short before its first record was whole: no
            // transaction ever counted in it.
            journalEntfernen();
            syncVerzeichnis();
            ergebnis = {Fund::Verworfen, VerworfenText};
        } else if (journal->startsWith(ProtokollKopf)) {
            const std::optional<Gelesen> g = journalLesen(*journal);
            if (!g) {
                beiseitelegen();
            } else {
                QMap<QString, Plan> zuTun;
                try {
                    if (g->sicherungspunkt) {
                        // The copies are whole: what is left of the checkpoint is renaming them.
                        zuTun = plaene(g->datensaetze, true);
                        umsetzen(zuTun, true);
                    } else {
                        zuTun = plaene(g->datensaetze);
                        for (const QString &rest : QDir(m_verzeichnis).entryList({QLatin1Char('*') + NeuEndung},
                                                                                 QDir::Files | QDir::Hidden | QDir::System))
                            QFile::remove(pfad(rest));
                        if (!zuTun.isEmpty()) {
                            // Written out as a checkpoint of its own, after the journal's last whole record.
                            m_journal = std::make_unique<QFile>();
                            QString grund;
                            if (!zumSchreiben(*m_journal, pfad(Journalname), grund) || !m_journal->resize(g->ende)) {
                                m_journal.reset();
                                nichtUebertragbar(grund.isEmpty() ? systemgrund() : grund);
                            }
                            m_journalEnde = g->ende;
                            m_folgenummer = g->folgenummer;
                            sicherungSchreiben(zuTun);
                        }
                    }
                } catch (const VennlokFehler &f) {
                    m_journal.reset();
                    nichtUebertragbar(f.text());
                }
                journalEntfernen();
                syncVerzeichnis();
                if (!g->datensaetze.isEmpty())
                    ergebnis = {Fund::ZuEndeGefuehrt,
                                QStringLiteral("Eine unterbrochene Buchung wurde beim Öffnen zu Ende geführt.")};
                else if (g->abgeschnitten)
                    ergebnis = {Fund::Verworfen, VerworfenText};
            }
        } else if (lesen(*journal)) {
            if (const auto warum = ausfuehren(*journal))
                nichtUebertragbar(*warum);
            ergebnis = {Fund::ZuEndeGefuehrt,
                        QStringLiteral("Eine unterbrochene Buchung wurde beim Öffnen zu Ende geführt.")};
        } else {
            beiseitelegen();
        }
    }
    bool verworfen = false;
    for (const QString &rest : QDir(m_verzeichnis).entryList({QLatin1Char('*') + NeuEndung}, QDir::Files | QDir::Hidden | QDir::System))
        verworfen |= QFile::remove(pfad(rest));
    if (verworfen && ergebnis.fund == Fund::Nichts)
        ergebnis = {Fund::Verworfen, VerworfenText};
    if (ergebnis.fund != Fund::Nichts) {
        syncVerzeichnis();
        m_cache.clear();
        m_stuecke.clear();
        listeLesen();
        m_kleinVeraltet = true;
    }
    return ergebnis;
}
