// Draws the screenshots of the README from the real windows on the offscreen
// platform: the first start, a booking with its status line, a replay in
// progress, the history charts and a statement's first page (through
// pdftoppm). Call: vennlok_bildschirmfotos ZIELORDNER BEFEHLSDATEI

#include "dokumente/dokumente.h"
#include "engine/vennlok.h"
#include "ui/benutzer.h"
#include "ui/infoform.h"
#include "ui/venbuchungform.h"
#include "ui/verlaufform.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Says yes to every question and plays the given command file.
class TFotoBenutzer : public TBenutzer
{
public:
    explicit TFotoBenutzer(QString datei) : m_datei(std::move(datei)) {}
    bool Frage(QWidget *, const QString &, const QString &) override { return true; }
    void Meldung(QWidget *, const QString &text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    QString AutoDateiWaehlen(QWidget *, const QString &) override { return m_datei; }
    QString DateiSpeichern(QWidget *, const QString &, const QString &, const QString &) override { return QString(); }
    QString OrdnerWaehlen(QWidget *, const QString &, const QString &) override { return QString(); }
    QString Eingabe(QWidget *, const QString &, const QString &, const QString &) override { return QString(); }

private:
    QString m_datei;
};

void speichern(const QImage &bild, const QString &datei)
{
    if (!bild.save(datei))
        throw VennlokFehler(QStringLiteral("Das Bild kann nicht geschrieben werden."), datei);
    std::printf("%s\n", qPrintable(datei));
}

// The main window with a secondary window drawn over its middle, as the screen shows them.
QImage mitFenster(QWidget &haupt, QWidget &oben)
{
    QImage bild = haupt.grab().toImage();
    QPainter maler(&bild);
    const QPixmap obenBild = oben.grab();
    maler.drawPixmap((bild.width() - obenBild.width()) / 2, (bild.height() - obenBild.height()) / 2, obenBild);
    return bild;
}

void warten(TVenBuchungForm &fenster)
{
    while (fenster.Beschaeftigt())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("Aufruf: vennlok_bildschirmfotos ZIELORDNER BEFEHLSDATEI\n", stderr);
        return 2;
    }
    const QDir ziel(QString::fromLocal8Bit(argv[1]));
    TFotoBenutzer benutzer(QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath());
    try {
        // The first start in an empty folder, then the replay of the command
        // file into it, then a payment into the pact the replay leaves.
        QTemporaryDir verzeichnis;
        const QString demo = QDir(verzeichnis.path()).filePath(QStringLiteral("Demo"));
        QDir().mkpath(demo);
        TVenBuchungForm fenster(demo, &benutzer);
        fenster.show();
        QCoreApplication::processEvents();
        speichern(fenster.grab().toImage(), ziel.filePath(QStringLiteral("erster_start.png")));

        QImage waehrend;
        QObject::connect(&fenster.InfoForm(), &TInfoForm::monatAngekommen, &fenster, [&] {
            if (fenster.InfoForm().Monate().size() == 3)
                waehrend = mitFenster(fenster, fenster.InfoForm());
        });
        fenster.BtnAutoClick();
        warten(fenster);
        speichern(waehrend, ziel.filePath(QStringLiteral("autobuchung.png")));

        // The history of the replayed pact with a month under the mouse, and a statement's first page.
        fenster.BtnVerlaufClick();
        fenster.VerlaufForm().Hervorheben(6);
        QCoreApplication::processEvents();
        speichern(fenster.VerlaufForm().grab().toImage(), ziel.filePath(QStringLiteral("verlauf.png")));
        const QString pdf = QDir(verzeichnis.path()).filePath(QStringLiteral("auszug.pdf"));
        Dokumente::KontoauszugPdf(fenster.Vennlok().Kontoauszug(QStringLiteral("Anna Bäcker")), QStringLiteral("Demo"), pdf);
        if (QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("70"),
                                                          QStringLiteral("-singlefile"), pdf,
                                                          ziel.filePath(QStringLiteral("kontoauszug"))}) != 0)
            throw VennlokFehler(QStringLiteral("pdftoppm (Debian: poppler-utils) fehlt oder scheitert."));
        std::printf("%s\n", qPrintable(ziel.filePath(QStringLiteral("kontoauszug.png"))));
        fenster.VerlaufForm().close();

        fenster.SeiteWaehlen(TVenBuchungForm::Einzahlungen);
        fenster.findChild<QComboBox *>(QStringLiteral("CBEinTeilhaber"))->setEditText(QStringLiteral("Anna Bäcker"));
        fenster.BtnEinzahlenClick();
        QCoreApplication::processEvents();
        speichern(fenster.grab().toImage(), ziel.filePath(QStringLiteral("buchung.png")));
    } catch (const VennlokFehler &f) {
        std::fprintf(stderr, "%s\n", qPrintable(f.text()));
        return 1;
    }
    return 0;
}
