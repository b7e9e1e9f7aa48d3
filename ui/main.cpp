#include "dokumente/format.h"
#include "engine/vennlok.h"
#include "ui/programm.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QIcon>
#include <QSettings>
#include <cstdio>

namespace {

const char Hilfetext[] =
    "Aufruf: vennlok [--dir VERZEICHNIS] [--version]\n"
    "\n"
    "Vennlok Buchungsprogramm: Buchhaltung eines Vennlok-Pakts.\n"
    "\n"
    "Optionen:\n"
    "  --dir VERZEICHNIS  Datenverzeichnis des Pakts (Vorgabe: das zuletzt benutzte, beim\n"
    "                     ersten Start der Ordner \"Vennlok\" unter den Dokumenten)\n"
    "  --version          die Version des Programms zeigen\n"
    "  -h, --hilfe        diese Hilfe zeigen (auch --help)\n";

void fehler(const QString &text)
{
    std::fprintf(stderr, "vennlok: %s\n", text.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char *argv[])
{
    // The options are read before the window system is touched, so --help works without a display.
    QStringList argumente;
    for (int i = 0; i < argc; ++i)
        argumente.append(QString::fromLocal8Bit(argv[i]));
    QCommandLineParser parser;
    const QCommandLineOption hilfe(QStringList{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("hilfe")});
    const QCommandLineOption verzeichnis(QStringLiteral("dir"), QString(), QStringLiteral("VERZEICHNIS"));
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOption(hilfe);
    parser.addOption(verzeichnis);
    parser.addOption(version);
    if (!parser.parse(argumente)) {
        fehler(Druckformat::Optionsfehler(parser.errorText(), parser.unknownOptionNames()));
        std::fputs(Hilfetext, stderr);
        return 2;
    }
    if (parser.isSet(hilfe)) {
        std::fputs(Hilfetext, stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("Vennlok Buchungsprogramm %s (%s)\n", VENNLOK_VERSION, qPrintable(Vennlok::Version));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        fehler(QStringLiteral("Unbekanntes Argument \u201E%1\u201C.").arg(parser.positionalArguments().constFirst()));
        std::fputs(Hilfetext, stderr);
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vennlok"));
    QApplication::setApplicationName(QStringLiteral("Vennlok Buchungsprogramm"));
    QApplication::setApplicationVersion(QStringLiteral(VENNLOK_VERSION));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("vennlok")));
    // Qt's own texts (standard buttons, the file dialog) in German, where the translations are installed.
    QTranslator qtTexte;
    if (qtTexte.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexte);

    // --dir wins; else the directory used last, or a folder among the documents.
    QSettings einstellungen;
    TProgramm programm(einstellungen);
    const bool genannt = parser.isSet(verzeichnis);
    if (!programm.Starten(genannt ? parser.value(verzeichnis) : TProgramm::StartVerzeichnis(einstellungen), genannt)) {
        fehler(QStringLiteral("Das Datenverzeichnis wurde nicht geöffnet."));
        return 1;
    }
    return app.exec();
}
