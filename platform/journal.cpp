#include "platform/journal.h"

#include "algo/fehler.h"
#include "data/rollmeminifile.h"
#include "data/textdatei.h"
#include "platform/dateien.h"

#include <QDateTime>
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

TJournalSpeicher::~TJournalSpeicher() = default;

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
    nurDateien(n);
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
    ++m_abbrueche;
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
    QFile datei;
    QString grund;
    if (!zumSchreiben(datei, p, grund))
        fehler(name(p), grund);
    if (!datei.resize(0) || !Textdatei::GanzSchreiben(datei, inhalt))
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
    if (m_nurImSpeicher) {
        // Memory is the whole store: the changes are taken, nothing touches the disk.
        for (auto it = m_neu.cbegin(); it != m_neu.cend(); ++it)
            m_cache.insert(it.key(), it.value());
        for (const QString &n : std::as_const(m_anhangReihenfolge)) {
            if (!m_anhaenge.contains(n))
                continue;
            std::optional<QByteArray> &inhalt = m_cache[n];
            if (!inhalt)
                inhalt = QByteArray();
            inhalt->append(m_anhaenge.value(n)); // in place: a growing log is not copied per commit
        }
        m_neu.clear();
        m_anhaenge.clear();
        m_anhangReihenfolge.clear();
        ++m_zaehler.transaktionen;
        return;
    }
    // A committed transaction whose files could not all be written yet comes first.
    try {
        if (const auto offen = Plattform::Lesen(pfad(Journalname))) {
            if (const auto warum = ausfuehren(*offen))
                fehler(Journalname, QStringLiteral("Eine frühere Buchung ist gesichert, aber noch nicht in alle Dateien "
                                                   "übertragen: %1").arg(*warum));
        }
        // Nothing but regular files is written: a link, FIFO or folder that
        // has come where a file of this transaction belongs refuses it now.
        for (const QString &n : m_neu.keys() + m_anhaenge.keys())
            if (Plattform::EintragArt(pfad(n)) == Plattform::Eintrag::Fremd)
                throw VennlokFehler(Plattform::KeineDatei(n), pfad(n), VennlokFehler::Beschaedigt);
    } catch (...) {
        Abbrechen();
        throw;
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
        QFile datei;
        QString grund;
        if (!zumSchreiben(datei, neuesJournal, grund) || !dateiSyncen(datei))
            fehler(Journalname, grund.isEmpty() ? systemgrund() : grund);
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
    if (const auto warum = ausfuehren(journal))
        throw VennlokFehler(QStringLiteral("Die Buchung ist gesichert, aber noch nicht in alle Dateien übertragen: %1 "
                                           "Sie wird beim nächsten Öffnen des Datenverzeichnisses zu Ende geführt, "
                                           "sobald das Hindernis beseitigt ist.").arg(*warum),
                            pfad(Journalname), VennlokFehler::Ausstehend);
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
            // Written over in place: a new file per version would cost the file system a fresh inode each time.
            QFile datei;
            QString grund;
            if (!zumSchreiben(datei, ziel, grund))
                return QStringLiteral("\u201E%1\u201C: %2").arg(a.name, grund);
            // A piece goes where the log ended when it was committed; a file
            // shorter than that is not the one the journal was written for.
            if (a.art == 'A' && a.ab > datei.size())
                return QStringLiteral("\u201E%1\u201C ist kürzer (%2 Bytes), als das Journal erwartet (%3 Bytes).")
                    .arg(a.name).arg(datei.size()).arg(a.ab);
            if (!datei.resize(a.ab) || !datei.seek(a.ab) || !Textdatei::GanzSchreiben(datei, a.inhalt)
                || (!aufEinmal && !dateiSyncen(datei)))
                return QStringLiteral("\u201E%1\u201C: %2").arg(a.name, systemgrund());
            m_zaehler.bytes += a.inhalt.size();
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

TJournalSpeicher::Wiederherstellung TJournalSpeicher::Wiederherstellen()
{
    Wiederherstellung ergebnis;
    if (const auto journal = Plattform::Lesen(pfad(Journalname))) {
        if (lesen(*journal)) {
            if (const auto warum = ausfuehren(*journal))
                fehler(Journalname, QStringLiteral("Eine gesicherte Buchung kann nicht in alle Dateien übertragen "
                                                   "werden: %1").arg(*warum));
            ergebnis = {Fund::ZuEndeGefuehrt,
                        QStringLiteral("Eine unterbrochene Buchung wurde beim Öffnen zu Ende geführt.")};
        } else {
            // Only a whole journal is ever renamed into place: one that fails
            // its checks was damaged afterwards and is kept for inspection.
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
        }
    }
    bool verworfen = false;
    for (const QString &rest : QDir(m_verzeichnis).entryList({QLatin1Char('*') + NeuEndung}, QDir::Files | QDir::Hidden | QDir::System))
        verworfen |= QFile::remove(pfad(rest));
    if (verworfen && ergebnis.fund == Fund::Nichts)
        ergebnis = {Fund::Verworfen,
                    QStringLiteral("Eine unvollständige Buchung wurde beim Öffnen verworfen; es gilt der Stand davor.")};
    if (ergebnis.fund != Fund::Nichts) {
        syncVerzeichnis();
        m_cache.clear();
        listeLesen();
        m_kleinVeraltet = true;
    }
    return ergebnis;
}
