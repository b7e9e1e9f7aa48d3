// What-if speed: a generated pact replayed into a folder, then its future in
// memory — variants × runs × months — timed in wall and processor seconds.
// Arguments: TEILHABER MONATE VARIANTEN LAEUFE (default 200 60 8 20).

#include "cli/erzeugen.h"
#include "engine/vennlok.h"
#include "engine/waswaere.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

double prozessorSekunden()
{
    // All threads of the process, which std::clock also counts on Linux.
    return double(std::clock()) / CLOCKS_PER_SEC;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int werte[4] = {200, 60, 8, 20};
    const int grenzen[4] = {100000, 600, 64, 10000};
    if (argc > 5) {
        std::fprintf(stderr, "Aufruf: bench_waswaere [TEILHABER [MONATE [VARIANTEN [LAEUFE]]]]\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        bool zahl = false;
        werte[i - 1] = QString::fromLocal8Bit(argv[i]).toInt(&zahl);
        if (!zahl || werte[i - 1] < 1 || werte[i - 1] > grenzen[i - 1]) {
            std::fprintf(stderr, "bench_waswaere: \"%s\" ist keine Zahl von 1 bis %d.\n"
                                 "Aufruf: bench_waswaere [TEILHABER [MONATE [VARIANTEN [LAEUFE]]]]\n", argv[i], grenzen[i - 1]);
            return 2;
        }
    }
    const auto [teilhaber, monate, varianten, laeufe] = std::tuple(werte[0], werte[1], werte[2], werte[3]);
    try {
        QTemporaryDir dir(QDir::current().filePath(QStringLiteral("vennlok-bench-XXXXXX")));
        const QString befehle = dir.filePath(QStringLiteral("pakt.aut")), daten = dir.filePath(QStringLiteral("daten"));
        QFile f(befehle);
        if (!f.open(QIODevice::WriteOnly) || f.write(Erzeugen::Befehlsdatei(teilhaber, 12, 1)) < 0)
            throw VennlokFehler(QStringLiteral("Die Befehlsdatei kann nicht geschrieben werden."));
        f.close();
        QDir().mkpath(daten);
        {
            TVennlok vennlok(daten);
            vennlok.Oeffnen();
            vennlok.AutoBuchung(befehle, 31);
        }
        TWasWaereAuftrag auftrag;
        auftrag.monate = monate;
        auftrag.laeufe = laeufe;
        for (int v = 1; v < varianten; ++v)
            auftrag.varianten.append(TVariante::Lesen(QStringLiteral("Beitrag=%1;Daempfung=0,%2").arg(45 + 5 * v).arg(v % 9 + 1), nullptr));
        TVennlok quelle(daten);
        TWasWaere waswaere(quelle);
        QElapsedTimer uhr;
        uhr.start();
        const double vorher = prozessorSekunden();
        waswaere.Rechnen(auftrag);
        const double sekunden = double(uhr.nsecsElapsed()) / 1e9, cpu = prozessorSekunden() - vorher;
        rusage nutzung{};
        getrusage(RUSAGE_SELF, &nutzung);
        std::printf("| Teilhaber × Monate | Varianten × Läufe | Sekunden | CPU-Sekunden | CPU-ms je Lauf und Monat | größter Speicher |\n"
                    "|---|---:|---:|---:|---:|---:|\n"
                    "| %d × %d | %d × %d | %.1f | %.1f | %.2f | %.0f MB |\n",
                    teilhaber, monate, varianten, laeufe, sekunden, cpu, cpu * 1000 / (double(varianten) * laeufe * monate),
                    double(nutzung.ru_maxrss) / 1024);
    } catch (const VennlokFehler &f) {
        std::fprintf(stderr, "bench_waswaere: %s\n", qPrintable(f.text()));
        return 1;
    }
    return 0;
}
