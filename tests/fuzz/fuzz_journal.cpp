// A journal found on opening is an untrusted file: whatever it holds,
// recovery carries it out, keeps it aside or refuses it with a message; it
// never crashes, never writes outside the data directory or through a link,
// and afterwards nothing of a transaction is left, unless it was refused.
#include "algo/fehler.h"
#include "platform/dateien.h"
#include "platform/journal.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

namespace {

void schreiben(const QString &pfad, const QByteArray &inhalt)
{
    QFile f(pfad);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(inhalt) != inhalt.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *daten, std::size_t groesse)
{
    TJournalSpeicher::Syncen = false;
    QTemporaryDir wurzel;
    const QDir dir(wurzel.filePath(QStringLiteral("daten")));
    if (!QDir().mkpath(dir.path()))
        std::abort();
    schreiben(dir.filePath(QStringLiteral("T_Anna.ven")), "[Kopfdaten]\r\nTeilhaber=Anna\r\n");
    schreiben(dir.filePath(QStringLiteral("A_Kassendaten200601.buc")), "KasseAuf\r\n");
    schreiben(wurzel.filePath(QStringLiteral("draussen")), "draussen");
    if (!QFile::link(wurzel.filePath(QStringLiteral("draussen")), dir.filePath(QStringLiteral("T_Link.ven"))))
        std::abort();
    // Most inputs get a valid head, or a whole record around them, so that
    // the search reaches the changes.
    QByteArray journal(reinterpret_cast<const char *>(daten), qsizetype(groesse));
    if (!journal.isEmpty() && (journal[0] & 3) == 1)
        journal = "VENNLOK-JOURNAL 2\n" + journal.mid(1);
    else if (!journal.isEmpty() && (journal[0] & 3) == 2)
        journal = "VENNLOK-JOURNAL 3\n" + TJournalSpeicher::Datensatz('T', 1, journal.mid(1));
    else if (!journal.isEmpty() && (journal[0] & 3) == 3)
        journal = "VENNLOK-JOURNAL 3\n" + journal.mid(1);
    schreiben(dir.filePath(TJournalSpeicher::Journalname), journal);

    bool verweigert = false;
    try {
        TJournalSpeicher speicher(dir.path());
        speicher.Wiederherstellen();
    } catch (const VennlokFehler &f) {
        verweigert = true;
        if (f.text().isEmpty())
            std::abort();
    }
    // Nothing outside the data directory, nothing through the link.
    if (QDir(wurzel.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size() != 2)
        std::abort();
    QFile draussen(wurzel.filePath(QStringLiteral("draussen")));
    if (!draussen.open(QIODevice::ReadOnly) || draussen.readAll() != "draussen")
        std::abort();
    // Only regular files came into being; the link is still the only other thing.
    if (Plattform::FremdeEintraege(dir.path()) != QStringList{QStringLiteral("T_Link.ven")})
        std::abort();
    if (!verweigert && !TJournalSpeicher::Reste(dir.path()).isEmpty())
        std::abort();
    return 0;
}
