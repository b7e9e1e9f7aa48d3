// Draws the screenshots of the README from the real windows on the offscreen
// platform: the first start, a booking with its status line, a replay in
// progress, the history charts, a statement's first page (through
// pdftoppm) and the review of a bank statement. Call: vennlok_bildschirmfotos ZIELORDNER BEFEHLSDATEI

#include "dokumente/dokumente.h"
#include "engine/vennlok.h"
#include "ui/benutzer.h"
#include "ui/infoform.h"
#include "ui/demokratform.h"
#include "ui/venbuchungform.h"
#include "ui/waswaereform.h"
#include "ui/verlaufform.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
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
    QString DateiOeffnen(QWidget *, const QString &, const QString &, const QString &) override { return m_auszug; }
    bool Dialog(QDialog *dialog) override
    {
        return m_imDialog && m_imDialog(dialog);
    }
    QString m_auszug;
    std::function<bool(QDialog *)> m_imDialog; // true: confirmed
    QString Eingabe(QWidget *, const QString &, const QString &, const QString &) override { return QString(); }
    bool Drucken(QWidget *, const Dokumente::TDruck &) override { return false; }

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

        // What if: today's rules against a higher contribution and a lower basic security, two years ahead.
        fenster.BtnWasWaereClick();
        TWasWaereForm &waswaere = fenster.WasWaereForm();
        waswaere.Einstellen(24, 20, 1);
        waswaere.VarianteHinzufuegen(QStringLiteral("Beitrag=65"));
        waswaere.VarianteHinzufuegen(QStringLiteral("Daempfung=0,2;Grundsicherung=1500"));
        QEventLoop schleife;
        QObject::connect(&waswaere, &TWasWaereForm::Fertig, &schleife, &QEventLoop::quit);
        waswaere.Rechnen();
        if (waswaere.Laeuft())
            schleife.exec();
        QCoreApplication::processEvents();
        speichern(waswaere.grab().toImage(), ziel.filePath(QStringLiteral("waswaere.png")));
        waswaere.close();

        fenster.SeiteWaehlen(TVenBuchungForm::Einzahlungen);
        fenster.findChild<QComboBox *>(QStringLiteral("CBEinTeilhaber"))->setEditText(QStringLiteral("Anna Bäcker"));
        fenster.BtnEinzahlenClick();
        QCoreApplication::processEvents();
        speichern(fenster.grab().toImage(), ziel.filePath(QStringLiteral("buchung.png")));

        // The review of a bank statement: a payer by IBAN, one by the name in the text, an unknown payer, a fee.
        TVennlok &v = fenster.Vennlok();
        v.PaktKontoSetzen({QStringLiteral("Pakt Demo"), QStringLiteral("DE02120300000000202051"), QString(), QString(), 0});
        v.AdresseSpeichern(QStringLiteral("Bernd Öztürk"), QStringLiteral("IBAN"), QStringLiteral("DE89370400440532013000"), Vennlok::Datumstext());
        const QString monat = v.Buchungsmonat();
        const QString tag = QStringLiteral("%1-%2-03").arg(monat.left(4), monat.mid(4));
        const auto posten = [&](const char *betrag, const char *seite, const QString &name, const QString &iban, const QString &text, const char *ref) {
            return QStringLiteral("<Ntry><Amt Ccy=\"EUR\">%1</Amt><CdtDbtInd>%2</CdtDbtInd><Sts><Cd>BOOK</Cd></Sts><BookgDt><Dt>%3</Dt></BookgDt>"
                                  "<AcctSvcrRef>%4</AcctSvcrRef><BkTxCd><Domn><Cd>PMNT</Cd><Fmly><Cd>RCDT</Cd><SubFmlyCd>ESCT</SubFmlyCd></Fmly></Domn></BkTxCd>"
                                  "<NtryDtls><TxDtls><RltdPties><%5><Pty><Nm>%6</Nm></Pty></%5>%7</RltdPties><RmtInf><Ustrd>%8</Ustrd></RmtInf></TxDtls></NtryDtls></Ntry>")
                .arg(QLatin1String(betrag), QLatin1String(qstrcmp(seite, "Dbtr") == 0 ? "CRDT" : "DBIT"), tag, QLatin1String(ref), QLatin1String(seite), name,
                     iban.isEmpty() ? QString() : QStringLiteral("<%1Acct><Id><IBAN>%2</IBAN></Id></%1Acct>").arg(QLatin1String(seite), iban), text);
        };
        const QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.08\">"
                                           "<BkToCstmrStmt><GrpHdr><MsgId>DEMO</MsgId><CreDtTm>%1T18:00:00</CreDtTm></GrpHdr><Stmt><Id>1</Id>"
                                           "<CreDtTm>%1T18:00:00</CreDtTm><Acct><Id><IBAN>DE02120300000000202051</IBAN></Id></Acct>"
                                           "<Bal><Tp><CdOrPrtry><Cd>OPBD</Cd></CdOrPrtry></Tp><Amt Ccy=\"EUR\">%3</Amt><CdtDbtInd>CRDT</CdtDbtInd><Dt><Dt>%1</Dt></Dt></Bal>"
                                           "<Bal><Tp><CdOrPrtry><Cd>CLBD</Cd></CdOrPrtry></Tp><Amt Ccy=\"EUR\">%4</Amt><CdtDbtInd>CRDT</CdtDbtInd><Dt><Dt>%1</Dt></Dt></Bal>"
                                           "%2</Stmt></BkToCstmrStmt></Document>")
                                .arg(tag, posten("55.00", "Dbtr", QStringLiteral("B. Öztürk"), QStringLiteral("DE89370400440532013000"), QStringLiteral("Beitrag"), "D1")
                                              + posten("55.00", "Dbtr", QStringLiteral("Familienkonto Weiß"), QString(), QStringLiteral("Beitrag Januar Weiß, Clara"), "D2")
                                              + posten("55.00", "Dbtr", QStringLiteral("Erika Fremd"), QStringLiteral("DE02100500000054540402"), QStringLiteral("Spende"), "D3")
                                              + posten("4.90", "Cdtr", QStringLiteral("Bank"), QString(), QStringLiteral("Kontoführung"), "D4"))
                                .arg(QString::number(double(v.Kontostand().erwartet) / MoneyProEinheit, 'f', 2),
                                     QString::number(double(v.Kontostand().erwartet) / MoneyProEinheit + 160.10, 'f', 2));
        benutzer.m_auszug = QDir(verzeichnis.path()).filePath(QStringLiteral("kontoauszug_demo.xml"));
        QFile datei(benutzer.m_auszug);
        if (!datei.open(QIODevice::WriteOnly) || datei.write(xml.toUtf8()) < 0)
            throw VennlokFehler(QStringLiteral("Der Beispielauszug kann nicht geschrieben werden."), benutzer.m_auszug);
        datei.close();
        benutzer.m_imDialog = [&](QDialog *dialog) {
            dialog->show();
            QCoreApplication::processEvents();
            speichern(dialog->grab().toImage(), ziel.filePath(QStringLiteral("kontoauszug_einlesen.png")));
            return true;
        };
        fenster.BtnKontoauszugEinlesenClick();
        // Booked: the status line says what, the panel the balance against the statement's.
        QCoreApplication::processEvents();
        speichern(fenster.grab().toImage(), ziel.filePath(QStringLiteral("kontoauszug_gebucht.png")));

        // A participant's address as a form, and the adjustment dialog with the pact's name and backup folder.
        v.AdresseSpeichern(QStringLiteral("Bernd Öztürk"), QStringLiteral("Stadt"), QStringLiteral("Köln"), Vennlok::Datumstext());
        v.PaktangabenSetzen({QStringLiteral("Pakt am Mühlbach"), QString()});
        fenster.SeiteWaehlen(TVenBuchungForm::Teilhaber);
        fenster.findChild<QComboBox *>(QStringLiteral("CBTeilhaber"))->setEditText(QStringLiteral("Bernd Öztürk"));
        fenster.CBTeilhaberExit();
        QCoreApplication::processEvents();
        speichern(fenster.grab().toImage(), ziel.filePath(QStringLiteral("teilhaber.png")));
        fenster.BtnVertragClick();
        QCoreApplication::processEvents();
        speichern(fenster.DemokratForm().grab().toImage(), ziel.filePath(QStringLiteral("anpassung.png")));
        fenster.DemokratForm().close();
    } catch (const VennlokFehler &f) {
        std::fprintf(stderr, "%s\n", qPrintable(f.text()));
        return 1;
    }
    return 0;
}
