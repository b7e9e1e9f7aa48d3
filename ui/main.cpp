#include "algo/fehler.h"
#include "engine/vennlok.h"
#include "ui/venbuchungform.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QMessageBox>
#include <memory>
#include <cstdio>

namespace {

const char Hilfetext[] =
    "Aufruf: vennlok [--dir VERZEICHNIS] [--version]\n"
    "\n"
    "Vennlok Buchungsprogramm: Buchhaltung eines Vennlok-Pakts.\n"
    "\n"
    "Optionen:\n"
    "  --dir VERZEICHNIS  Datenverzeichnis des Pakts (Vorgabe: das Arbeitsverzeichnis)\n"
    "  --version          die Version des Programms zeigen\n"
    "  -h, --help         diese Hilfe zeigen\n";

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
    const QCommandLineOption hilfe(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption verzeichnis(QStringLiteral("dir"), QString(), QStringLiteral("VERZEICHNIS"));
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOption(hilfe);
    parser.addOption(verzeichnis);
    parser.addOption(version);
    if (!parser.parse(argumente)) {
        fehler(parser.errorText());
        std::fputs(Hilfetext, stderr);
        return 2;
    }
    if (parser.isSet(hilfe)) {
        std::fputs(Hilfetext, stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("Vennlok Buchungsprogramm %s (%s)\n", VENNLOK_VERSION, qPrintable(TVennlok::Version));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        fehler(QStringLiteral("Unbekanntes Argument \u201E%1\u201C.").arg(parser.positionalArguments().constFirst()));
        std::fputs(Hilfetext, stderr);
        return 2;
    }
    const QString pfad = parser.isSet(verzeichnis) ? parser.value(verzeichnis) : QDir::currentPath();
    const QFileInfo info(pfad);
    if (!info.isDir()) {
        fehler(QStringLiteral("Das Datenverzeichnis \u201E%1\u201C gibt es nicht.").arg(pfad));
        return 1;
    }

    QApplication app(argc, argv);
    // Qt's own texts (standard buttons, the file dialog) in German, where the translations are installed.
    QTranslator qtTexte;
    if (qtTexte.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexte);
    std::unique_ptr<TVenBuchungForm> fenster;
    try {
        fenster = std::make_unique<TVenBuchungForm>(info.absoluteFilePath());
    } catch (const VennlokFehler &f) {
        // Most often: another program works on this directory already.
        QMessageBox::critical(nullptr, QStringLiteral("Vennlok Buchungsprogramm"), f.text());
        return 1;
    }
    fenster->show();
    return app.exec();
}
