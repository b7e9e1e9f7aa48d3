// vennlok-cli: replays command files and reports a pact's months without a desktop.

#include "algo/fehler.h"
#include "cli/bericht.h"
#include "engine/vennlok.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace {

const char Hilfe[] =
    "Aufruf: vennlok-cli BEFEHL [OPTIONEN]\n"
    "\n"
    "Befehle:\n"
    "  replay DATEI.aut [--dir VERZEICHNIS] [--csv]\n"
    "      spielt die Befehlsdatei in das Datenverzeichnis ein (alle Buchungsarten),\n"
    "      meldet jeden Monatsabschluss auf der Fehlerausgabe und zeigt am Ende die Monatstabelle\n"
    "  report [--dir VERZEICHNIS] [--csv]\n"
    "      zeigt die Monatstabelle eines Pakts: Monat, Eingangsbuchungen, Einzahlungen,\n"
    "      Auszahlungen, Eigenanteile, Summe, IntSozialanteil, ExtSozialanteil\n"
    "\n"
    "Optionen:\n"
    "  --dir VERZEICHNIS  Datenverzeichnis (Vorgabe: das Arbeitsverzeichnis)\n"
    "  --csv              Tabelle als CSV (Dezimalpunkt, ohne Tausendertrennzeichen)\n"
    "  -h, --help         diese Hilfe\n";

void ausgeben(FILE *ziel, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), ziel);
    std::fputc('\n', ziel);
    std::fflush(ziel);
}

class Konsole : public TFortschritt
{
public:
    void MonatAbgeschlossen(const MonthKey &monat, int anzahl) override
    {
        ausgeben(stderr, QStringLiteral("%1 (%2)").arg(monat).arg(anzahl));
    }
    void Meldung(const QString &text) override { ausgeben(stderr, text); }
};

int tabelle(const QString &verzeichnis, bool csv)
{
    if (!TVennlok::PaktVorhanden(verzeichnis)) {
        ausgeben(stderr, QStringLiteral("Im Verzeichnis \u201E%1\u201C gibt es keinen Pakt (keine A_Vennlok.ven).")
                             .arg(QDir::toNativeSeparators(verzeichnis)));
        return 1;
    }
    for (const QString &zeile : csv ? Bericht::Csv(verzeichnis) : Bericht::Tabelle(verzeichnis))
        ausgeben(stdout, zeile);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption hilfe(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption dir(QStringLiteral("dir"), QString(), QStringLiteral("VERZEICHNIS"));
    const QCommandLineOption csv(QStringLiteral("csv"));
    parser.addOptions({hilfe, dir, csv});
    if (!parser.parse(QCoreApplication::arguments())) {
        ausgeben(stderr, QStringLiteral("vennlok-cli: ") + parser.errorText());
        std::fputs(Hilfe, stderr);
        return 2;
    }
    const QStringList argumente = parser.positionalArguments();
    if (parser.isSet(hilfe) || argumente.isEmpty()) {
        std::fputs(Hilfe, parser.isSet(hilfe) ? stdout : stderr);
        return parser.isSet(hilfe) ? 0 : 2;
    }
    const QString verzeichnis = QFileInfo(parser.isSet(dir) ? parser.value(dir) : QDir::currentPath()).absoluteFilePath();
    if (!QFileInfo(verzeichnis).isDir()) {
        ausgeben(stderr, QStringLiteral("vennlok-cli: Das Datenverzeichnis \u201E%1\u201C gibt es nicht.").arg(verzeichnis));
        return 1;
    }
    const QString befehl = argumente.first();
    try {
        if (befehl == QLatin1String("report") && argumente.size() == 1)
            return tabelle(verzeichnis, parser.isSet(csv));
        if (befehl == QLatin1String("replay") && argumente.size() == 2) {
            const QString datei = QFileInfo(argumente[1]).absoluteFilePath();
            if (!QFileInfo(datei).isFile()) {
                ausgeben(stderr, QStringLiteral("vennlok-cli: Die Befehlsdatei \u201E%1\u201C gibt es nicht.").arg(argumente[1]));
                return 1;
            }
            {
                TVennlok vennlok(verzeichnis);
                vennlok.Oeffnen();
                Konsole konsole;
                vennlok.AutoBuchung(datei, 31, &konsole);
            }
            if (!TVennlok::PaktVorhanden(verzeichnis)) {
                ausgeben(stderr, QStringLiteral("Der Pakt wurde archiviert (StoreSim); hier ist keiner mehr."));
                return 0;
            }
            return tabelle(verzeichnis, parser.isSet(csv));
        }
    } catch (const VennlokFehler &fehler) {
        ausgeben(stderr, QStringLiteral("vennlok-cli: ") + fehler.text());
        return 1;
    } catch (const std::exception &fehler) {
        ausgeben(stderr, QStringLiteral("vennlok-cli: ") + QString::fromUtf8(fehler.what()));
        return 1;
    }
    ausgeben(stderr, QStringLiteral("vennlok-cli: unbekannter Befehl oder falsche Argumente: ") + argumente.join(QLatin1Char(' ')));
    std::fputs(Hilfe, stderr);
    return 2;
}
