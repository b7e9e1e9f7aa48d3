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
// Its year comes from the input that renews it: pacts of 1900 to 9998, up
// to the last month the program can close.
TVennlok *pakt(const QString &befehle, const std::uint8_t *daten, std::size_t groesse)
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
        const unsigned wahl = groesse >= 2 ? unsigned(daten[0]) << 8 | daten[1] : 106u;
        const int jahr = 1900 + int(wahl % 8099), monat = 1 + int(wahl % 12);
        const QString m = QStringLiteral("%1").arg(monat, 2, 10, QLatin1Char('0'));
        f.write(QStringLiteral("NeuPakt,V1,01.%2.%1,50,0.5,2,0.5,0.65,3000,-300\nDatum,02.%2.%1\n"
                               "Einzahlg,Anna,50\nEinzahlg,Bernd,30\nMonatsab,%1%2\nEinzahlg,Anna,50\nRechnung,Anna,20\n")
                    .arg(jahr).arg(m).toUtf8());
        f.close();
        try {
            vennlok->AutoBuchung(befehle, 31);
        } catch (const VennlokFehler &) {
            // 999812 is not closed: the pact stays in its first month
        }
    }
    return vennlok;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *daten, std::size_t groesse)
{
    static QTemporaryDir befehlsordner;
    const QString befehle = befehlsordner.filePath(QStringLiteral("befehle.aut"));
    TVennlok *vennlok = pakt(befehle, daten, groesse);
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
