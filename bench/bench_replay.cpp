// Replays generated pacts of growing size into a directory on disk, every
// month close durable, and times one interactive payment on a large pact.
// Prints Markdown tables for the README. Not a test: run it by hand from the
// build tree (bench/bench_replay [Teilhaber ...]); the directory is made under
// the current working directory, so run it on the disk that is to be measured.
#include "algo/fehler.h"
#include "cli/erzeugen.h"
#include "data/textformat.h"
#include "engine/vennlok.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

int Monate = 24; // --monate M

QTemporaryDir arbeitsverzeichnis()
{
    return QTemporaryDir(QDir::current().filePath(QStringLiteral("vennlok-bench-XXXXXX")));
}

qint64 verzeichnisGroesse(const QString &pfad)
{
    qint64 summe = 0;
    for (const QFileInfo &info : QDir(pfad).entryInfoList(QDir::Files))
        summe += info.size();
    return summe;
}

struct Ergebnis
{
    int teilhaber;
    double sekunden, cpu; // cpu: the processor time, which the disk's moods do not change
    qint64 bytes, groesse, syncs;
};

Ergebnis einspielen(int teilhaber)
{
    QTemporaryDir dir = arbeitsverzeichnis();
    const QString befehle = dir.filePath(QStringLiteral("pakt.aut"));
    QFile f(befehle);
    if (!f.open(QIODevice::WriteOnly) || f.write(Erzeugen::Befehlsdatei(teilhaber, Monate, 1)) < 0)
        throw VennlokFehler(QStringLiteral("Die Befehlsdatei kann nicht geschrieben werden."));
    f.close();
    const QString daten = dir.filePath(QStringLiteral("daten"));
    QDir().mkpath(daten);
    QElapsedTimer uhr;
    uhr.start();
    const std::clock_t prozessor = std::clock();
    TVennlok vennlok(daten);
    vennlok.Oeffnen();
    vennlok.AutoBuchung(befehle, 31);
    // A replay ends with its files written out, as when the program closes.
    vennlok.Speicher().Sichern();
    const double sekunden = double(uhr.nsecsElapsed()) / 1e9;
    const double cpu = double(std::clock() - prozessor) / CLOCKS_PER_SEC;
    const auto &z = vennlok.Speicher().Statistik();
    return {teilhaber, sekunden, cpu, z.bytes, verzeichnisGroesse(daten), z.syncs};
}

// A pact of 1,000 participants whose open cash book holds about 100,000
// entries: a month of payments, closed, then payments of all but a few and
// 99 invoices of each payer. Then the few pay one by one, each payment
// durable on its own as from the window.
void einzahlungAufGrossemPakt()
{
    const int teilhaber = 1000, offen = 7, rechnungen = 99;
    QTemporaryDir dir = arbeitsverzeichnis();
    const QString befehle = dir.filePath(QStringLiteral("gross.aut"));
    QByteArray text = "NeuPakt,V1,01.01.2010,50,0.5,2,0.5,0.65,3000,-300\nDatum,02.01.2010\n";
    const auto name = [](int i) { return QStringLiteral("Teilhaber_%1").arg(i, 4, 10, QLatin1Char('0')).toUtf8(); };
    for (int i = 0; i < teilhaber; ++i)
        text += "Einzahlg," + name(i) + ",50\n";
    text += "Monatsab,201001\nDatum,02.02.2010\n";
    for (int i = offen; i < teilhaber; ++i)
        text += "Einzahlg," + name(i) + ",50\n";
    text += "Datum,15.02.2010\n";
    for (int r = 0; r < rechnungen; ++r)
        for (int i = offen; i < teilhaber; ++i)
            text += "Rechnung," + name(i) + ",\"0,01\"\n";
    QFile f(befehle);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) < 0)
        throw VennlokFehler(QStringLiteral("Die Befehlsdatei kann nicht geschrieben werden."));
    f.close();
    const QString daten = dir.filePath(QStringLiteral("daten"));
    QDir().mkpath(daten);
    TVennlok vennlok(daten);
    vennlok.Oeffnen();
    vennlok.AutoBuchung(befehle, 31);
    vennlok.SetAutoModus(false);
    const qint64 eintraege = vennlok.Monatsstand().eingangsbuchungen + (teilhaber - offen) * rechnungen;
    std::vector<double> ms;
    for (int i = 0; i < offen; ++i) {
        QElapsedTimer uhr;
        uhr.start();
        const QString meldung = vennlok.Einzahlung(QString::fromUtf8(name(i)), vennlok.Buchungsmonat(), 500000,
                                                   Textformat::textZuDateTime(QStringLiteral("20.02.2010")).value()).meldung;
        ms.push_back(double(uhr.nsecsElapsed()) / 1e6);
        if (!meldung.isEmpty())
            throw VennlokFehler(meldung);
    }
    std::sort(ms.begin(), ms.end());
    vennlok.Speicher().Sichern();
    std::printf("\n| Einzahlung, durabel | Teilhaber | Einträge der Kasse | Kassendatei | Median | langsamste |\n"
                "|---|---:|---:|---:|---:|---:|\n"
                "| aus dem Fenster | %d | %lld | %.1f MB | %.1f ms | %.1f ms |\n",
                teilhaber, static_cast<long long>(eintraege),
                double(QFileInfo(QDir(daten).filePath(QStringLiteral("A_Kassendaten201002.ven"))).size()) / 1e6,
                ms[ms.size() / 2], ms.back());
}

// The resident memory of the process now, in MB (Linux; 0 elsewhere).
double speicherMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &zeile : status.readAll().split('\n'))
        if (zeile.startsWith("VmRSS:"))
            return zeile.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

// An open cash book of about mb megabytes: a small pact's open month, its
// invoice section grown by lines of one cent (the totals do not follow them:
// this measures reading and booking, not the figures). Opening it, and one
// payment durable on its own as from the window.
void grosseKasse(int mb)
{
    QTemporaryDir dir = arbeitsverzeichnis();
    const QString daten = dir.filePath(QStringLiteral("daten"));
    QDir().mkpath(daten);
    MonthKey monat;
    {
        TVennlok vennlok(daten);
        vennlok.SetAutoModus(true);
        vennlok.NeuPakt(QStringLiteral("V1"), *Textformat::textZuDateTime(QStringLiteral("01.01.2010")), 500000, 5000, 20000, 0.5, 0.65,
                        30000000, -3000000);
        for (int i = 0; i < 20; ++i)
            vennlok.Einzahlung(QStringLiteral("Teilhaber_%1").arg(i, 4, 10, QLatin1Char('0')), vennlok.Buchungsmonat(), 500000,
                               *Textformat::textZuDateTime(QStringLiteral("02.01.2010")));
        vennlok.Rechnung(QStringLiteral("Teilhaber_0000"), 100, *Textformat::textZuDateTime(QStringLiteral("15.01.2010")));
        monat = vennlok.Buchungsmonat();
    }
    const QString kasse = QDir(daten).filePath(QStringLiteral("A_Kassendaten%1.ven").arg(monat));
    QFile f(kasse);
    if (!f.open(QIODevice::Append))
        throw VennlokFehler(QStringLiteral("Die Kassendatei kann nicht vergrößert werden."), kasse);
    QByteArray block = "\r\n[TeilhaberRechnungen 16.01.2010]\r\n";
    for (qint64 n = 1; f.size() + block.size() < qint64(mb) * 1000000; ++n) {
        block += "Teilhaber_" + QByteArray::number(n % 1000).rightJustified(4, '0') + '_' + QByteArray::number(n / 1000 + 1) + "=0,01\r\n";
        if (block.size() > (1 << 24)) {
            f.write(block);
            block.clear();
        }
    }
    f.write(block);
    f.close();
    const double vorher = speicherMb();
    QElapsedTimer uhr;
    uhr.start();
    TVennlok vennlok(daten);
    vennlok.Oeffnen();
    const double oeffnen = double(uhr.nsecsElapsed()) / 1e9, speicher = speicherMb() - vorher;
    uhr.restart();
    const TErgebnis e = vennlok.Einzahlung(QStringLiteral("Teilhaber_0021"), vennlok.Buchungsmonat(), 500000,
                                           *Textformat::textZuDateTime(QStringLiteral("20.01.2010")));
    const double zahlung = double(uhr.nsecsElapsed()) / 1e6;
    if (!e.gebucht())
        throw VennlokFehler(e.meldung);
    // Closing writes the file out once, whatever the number of bookings.
    uhr.restart();
    vennlok.Speicher().Sichern();
    const double schliessen = double(uhr.nsecsElapsed()) / 1e9;
    std::printf("\n| Große Kasse | Kassendatei | Öffnen | Speicher dafür | eine Einzahlung, durabel | Dateien schreiben beim Schließen |\n"
                "|---|---:|---:|---:|---:|---:|\n"
                "| %d MB | %.0f MB | %.1f s | %.0f MB | %.0f ms | %.1f s |\n",
                mb, double(QFileInfo(kasse).size()) / 1e6, oeffnen, speicher, zahlung, schliessen);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::vector<int> groessen;
    for (int i = 1; i < argc; ++i) {
        QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--monate") && i + 1 < argc) {
            bool zahl = false;
            Monate = QString::fromLocal8Bit(argv[++i]).toInt(&zahl);
            if (zahl && Monate >= 1 && Monate <= 1200)
                continue;
            arg = QStringLiteral("--monate ") + QString::fromLocal8Bit(argv[i]);
        }
        bool zahl = false;
        const int n = arg.toInt(&zahl);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h") || !zahl || n < 1 || n > 100000) {
            // Nothing is measured and no folder is made for an argument that is not a pact's size.
            const bool hilfe = arg == QLatin1String("--help") || arg == QLatin1String("-h");
            std::fprintf(hilfe ? stdout : stderr, "%sAufruf: bench_replay [--monate M] [TEILHABER …]  (M 1 bis 1200, Vorgabe 24; je 1 bis 100000, Vorgabe 100 200 400 1000)\n",
                         hilfe ? "" : qPrintable(QStringLiteral("bench_replay: \u201E%1\u201C ist keine Teilhaber- oder Monatszahl.\n").arg(arg)));
            return hilfe ? 0 : 2;
        }
        groessen.push_back(n);
    }
    if (groessen.empty())
        groessen = {100, 200, 400, 1000};
    try {
        std::printf("| Teilhaber × Monate | Sekunden | CPU-Sekunden | s je Monat | × je Verdopplung | geschrieben | Endgröße | "
                    "Faktor | Syncs je Monat |\n|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
        const Ergebnis *vorher = nullptr;
        std::vector<Ergebnis> ergebnisse;
        ergebnisse.reserve(groessen.size());
        for (int n : groessen) {
            ergebnisse.push_back(einspielen(n));
            const Ergebnis &e = ergebnisse.back();
            // The growth per doubling of the participants, whatever the step between two sizes.
            QString wachstum = QStringLiteral("–");
            if (vorher)
                wachstum = QString::number(std::pow(e.sekunden / vorher->sekunden,
                                                    1.0 / std::log2(double(e.teilhaber) / vorher->teilhaber)), 'f', 2);
            std::printf("| %d × %d | %.1f | %.1f | %.3f | %s | %.1f MB | %.1f MB | %.1f | %.1f |\n", e.teilhaber, Monate,
                        e.sekunden, e.cpu, e.sekunden / Monate, qPrintable(wachstum), double(e.bytes) / 1e6,
                        double(e.groesse) / 1e6, double(e.bytes) / double(e.groesse), double(e.syncs) / Monate);
            std::fflush(stdout);
            vorher = &e;
        }
        einzahlungAufGrossemPakt();
        grosseKasse(200);
    } catch (const VennlokFehler &f) {
        std::fprintf(stderr, "bench_replay: %s\n", qPrintable(f.text()));
        return 1;
    }
    return 0;
}
