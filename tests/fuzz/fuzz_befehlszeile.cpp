// Command-file lines carried out on a small pact: whatever a line holds, it
// is booked or refused, never crashes, and afterwards the pact's files still
// agree with each other (the consistency check finds nothing).
#include "algo/fehler.h"
#include "engine/vennlok.h"
#include "platform/journal.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {

// A small pact in a fresh folder; renewed every 200 inputs, so that the pact
// the lines build up does not grow without end and slow the search down.
TVennlok *pakt(const QString &befehle)
{
    // Plain pointers: the last pact is left to the end of the process, as the
    // engine must not outlive the script threads' pool at exit.
    static QTemporaryDir *verzeichnis = nullptr;
    static TVennlok *vennlok = nullptr;
    static int eingaben = 0;
    if (eingaben++ % 200 == 0) {
        delete vennlok;
        delete verzeichnis;
        verzeichnis = new QTemporaryDir;
        TJournalSpeicher::Syncen = false;
        vennlok = new TVennlok(verzeichnis->path());
        vennlok->Oeffnen();
        QFile f(befehle);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write("NeuPakt,V1,01.03.2006,50,0.5,2,0.5,0.65,3000,-300\nDatum,02.03.2006\n"
                "Einzahlg,Anna,50\nEinzahlg,Bernd,30\nMonatsab,200603\nEinzahlg,Anna,50\nRechnung,Anna,20\n");
        f.close();
        vennlok->AutoBuchung(befehle, 31);
    }
    return vennlok;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *daten, std::size_t groesse)
{
    static QTemporaryDir befehlsordner;
    const QString befehle = befehlsordner.filePath(QStringLiteral("befehle.aut"));
    TVennlok *vennlok = pakt(befehle);
    const QByteArray zeilen(reinterpret_cast<const char *>(daten), qsizetype(groesse));
    // Archiving moves the pact away through a command script; that is not what is tried here.
    if (zeilen.contains("StoreSim") || zeilen.count('\n') > 4)
        return 0;
    QFile f(befehle);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    f.write(zeilen);
    f.close();
    try {
        vennlok->AutoBuchung(befehle, 31);
    } catch (const VennlokFehler &) {
        // refused: that is allowed
    }
    const QStringList befunde = vennlok->Pruefen();
    if (!befunde.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(befunde.join(QLatin1Char('\n'))));
        std::abort();
    }
    return 0;
}
