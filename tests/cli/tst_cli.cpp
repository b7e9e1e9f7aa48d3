#include "data/teilhaber.h"
#include "data/vennlokdaten.h"
#include "engine/vennlok.h"

#include "tests/testhilfe.h"

#include <QProcess>
#include <sys/stat.h>
#include <QtTest>

using namespace Testhilfe;

namespace {

struct Lauf
{
    int status;
    QString aus, fehler;
};

Lauf cli(const QStringList &argumente, const QString &programm = QStringLiteral(VENNLOK_CLI))
{
    QProcess p;
    p.start(programm, argumente);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

} // namespace

class TstCli : public QObject
{
    Q_OBJECT

private slots:
    void fehlerOhneAbsturz_data()
    {
        tabelle("cli_fehler", {"argumente", "status", "meldung"});
    }

    void befehlsfolgen_data()
    {
        tabelle("cli_folgen", {"schritte"});
    }

    // Bookings and refusals from the command line, each call on the state
    // the one before left.
    void befehlsfolgen()
    {
        QFETCH(QString, schritte);
        QTemporaryDir tmp, aussen;
        // What a link points to lies outside the data directory; it must stay as it is.
        QFile draussen(aussen.filePath(QStringLiteral("draussen.txt")));
        schreiben(draussen.fileName(), "draussen\r\n");
        std::unique_ptr<TVennlok> gehalten;
        for (const QString &schritt : schritte.split(QStringLiteral(" ;; "))) {
            if (schritt == QLatin1String("halten")) {
                gehalten = std::make_unique<TVennlok>(tmp.path());
                continue;
            }
            if (schritt == QLatin1String("loslassen")) {
                gehalten.reset();
                continue;
            }
            if (schritt.startsWith(QLatin1String("link ")) || schritt.startsWith(QLatin1String("fifo "))) {
                const QString ziel = QDir(tmp.path()).filePath(schritt.mid(5));
                QFile::remove(ziel);
                if (schritt.startsWith(QLatin1String("link ")))
                    QVERIFY(QFile::link(draussen.fileName(), ziel));
                else
                    QCOMPARE(::mkfifo(QFile::encodeName(ziel).constData(), 0644), 0);
                continue;
            }
            if (schritt == QLatin1String("zwischenstand")) {
                schreiben(QDir(tmp.path()).filePath(TJournalSpeicher::Journalname + QStringLiteral(".neu~")), "VENNLOK-JOURNAL 2\n");
                continue;
            }
            const QStringList teile = schritt.split(QStringLiteral(" => "));
            QCOMPARE(teile.size(), 3);
            QStringList argumente;
            for (const QString &wort : teile[0].split(QLatin1Char(' ')))
                argumente << (wort.startsWith(QLatin1Char('{')) ? QStringLiteral(VENNLOK_BEFEHLE "/%1.aut").arg(wort.mid(1).chopped(1)) : wort);
            const Lauf lauf = cli(argumente + QStringList{QStringLiteral("--dir"), tmp.path()});
            QVERIFY2(lauf.status == teile[1].toInt() && (lauf.aus + lauf.fehler).contains(teile[2]),
                     qPrintable(QStringLiteral("%1: %2\n%3%4").arg(teile[0]).arg(lauf.status).arg(lauf.aus, lauf.fehler)));
        }
        QCOMPARE(dateiInhalt(draussen.fileName()), QByteArray("draussen\r\n"));
    }

    // The documents without a desktop, on the demo pact.
    void dokumenteOhneDesktop()
    {
        QTemporaryDir tmp;
        QCOMPARE(cli({QStringLiteral("replay"), QStringLiteral(VENNLOK_DEMO), QStringLiteral("--dir"), tmp.path()}).status, 0);
        const QStringList dir{QStringLiteral("--dir"), tmp.path()};
        QCOMPARE(cli(QStringList{"auszug", "anna bäcker", "--csv", tmp.filePath("a.csv")} + dir).status, 0);
        QVERIFY(dateiInhalt(tmp.filePath("a.csv")).startsWith("\xEF\xBB\xBFMonat;Beitrag;eingezahlt;"));
        QCOMPARE(cli(QStringList{"auszug", "Niemand", "--pdf", tmp.filePath("n.pdf")} + dir).status, 1);
        QVERIFY(!QFile::exists(tmp.filePath("n.pdf")));
        QCOMPARE(cli(QStringList{"rueckstaende", "--pdf", tmp.filePath("r.pdf")} + dir).status, 0);
        QVERIFY(dateiInhalt(tmp.filePath("r.pdf")).startsWith("%PDF"));
        // Without a desktop's runtime folder Qt would remark on it: the treasurer sees nothing of that.
        const QByteArray laufzeit = qgetenv("XDG_RUNTIME_DIR");
        qunsetenv("XDG_RUNTIME_DIR");
        const Lauf verlauf = cli(QStringList{"verlauf", "--png", tmp.filePath("v.png")} + dir);
        if (!laufzeit.isEmpty())
            qputenv("XDG_RUNTIME_DIR", laufzeit);
        QCOMPARE(verlauf.status, 0);
        QCOMPARE(verlauf.fehler, QStringLiteral("Geschrieben: %1\n").arg(QDir::toNativeSeparators(tmp.filePath("v.png"))));
        QVERIFY(dateiInhalt(tmp.filePath("v.png")).startsWith("\x89PNG"));
        QCOMPARE(cli(QStringList{"monatsbericht", "200603", "--pdf", tmp.filePath("m.pdf")} + dir).status, 0);
        QVERIFY(dateiInhalt(tmp.filePath("m.pdf")).startsWith("%PDF"));
        // A month is a month: no path, no month before the pact.
        for (const char *monat : {"../../m", "200613", "199912"}) {
            const Lauf lauf = cli(QStringList{"monatsbericht", monat, "--pdf", tmp.filePath("x.pdf")} + dir);
            QCOMPARE(lauf.status, 1);
            QVERIFY2(lauf.fehler.contains(QLatin1String(monat)), qPrintable(lauf.fehler));
        }
        QVERIFY(!QFile::exists(tmp.filePath("x.pdf")));
    }

    // Each close writes one archive of every file of the pact; it restores
    // into a new folder only, byte for byte, and the folder is checked.
    void sicherungZurueck()
    {
        QTemporaryDir tmp, aussen;
        const QStringList dir{QStringLiteral("--dir"), tmp.path()};
        QCOMPARE(cli(QStringList{"replay", VENNLOK_BEFEHLE "/pakt.aut"} + dir).status, 0);
        {
            // The pact's name and a backup folder elsewhere, as the adjustment dialog stores them.
            TVennlok vennlok(tmp.path());
            QVERIFY(vennlok.PaktangabenSetzen({QStringLiteral("Pakt am Mühlbach"), aussen.path()}).gebucht());
        }
        const Lauf abschluss = cli(QStringList{"abschluss"} + dir);
        QCOMPARE(abschluss.status, 0);
        const QString archiv = aussen.filePath(QStringLiteral("Sicherung200602.tar"));
        QVERIFY2(abschluss.aus.contains(QStringLiteral("Sicherung geschrieben: ") + QDir::toNativeSeparators(archiv)),
                 qPrintable(abschluss.aus + abschluss.fehler));
        QVERIFY(abschluss.aus.contains(QStringLiteral("Februar 2006 abgeschlossen; neuer Buchungsmonat März 2006")));
        const auto stand = [](const QString &ordner) {
            QMap<QString, QByteArray> dateien;
            for (const QString &name : QDir(ordner).entryList(QDir::Files | QDir::Hidden))
                if (name != QLatin1String("Vennlok.lck"))
                    dateien.insert(name, dateiInhalt(QDir(ordner).filePath(name)));
            return dateien;
        };
        const QMap<QString, QByteArray> gesichert = stand(tmp.path());
        // The pact's own name heads its documents.
        QCOMPARE(cli(QStringList{"monatsbericht", "200602", "--pdf", tmp.filePath("m.pdf")} + dir).status, 0);
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {tmp.filePath("m.pdf"), QStringLiteral("-")});
        QVERIFY(text.waitForFinished());
        QVERIFY(QString::fromUtf8(text.readAllStandardOutput()).contains(QStringLiteral("Pakt am Mühlbach")));

        QVERIFY(gesichert.contains(QStringLiteral("A_Vennlok.ven")) && gesichert.contains(QStringLiteral("Transfers.tra")));

        // Never over a live pact, nor into a folder that holds anything.
        const Lauf ueberPakt = cli({"sicherung", "zurueck", archiv, "--dir", tmp.path()});
        QCOMPARE(ueberPakt.status, 1);
        QVERIFY2(ueberPakt.fehler.contains(QStringLiteral("ist nicht leer")), qPrintable(ueberPakt.fehler));
        schreiben(tmp.filePath("Notiz.txt"), "bleibt\r\n");
        const QString belegt = aussen.filePath(QStringLiteral("belegt"));
        QVERIFY(QDir().mkpath(belegt));
        schreiben(QDir(belegt).filePath("Notiz.txt"), "bleibt\r\n");
        QCOMPARE(cli({"sicherung", "zurueck", archiv, "--dir", belegt}).status, 1);
        QCOMPARE(QDir(belegt).entryList(QDir::Files), QStringList{QStringLiteral("Notiz.txt")});
        // A cut archive restores nothing: the new folder does not even appear.
        QFile::copy(archiv, aussen.filePath("kurz.tar"));
        QFile(aussen.filePath("kurz.tar")).resize(QFileInfo(archiv).size() - 1500);
        const QString gar = aussen.filePath(QStringLiteral("gar-nicht"));
        const Lauf kurz = cli({"sicherung", "zurueck", aussen.filePath("kurz.tar"), "--dir", gar});
        QCOMPARE(kurz.status, 1);
        QVERIFY2(kurz.fehler.contains(QStringLiteral("kein vollständiges Archiv")), qPrintable(kurz.fehler));
        QVERIFY(!QFileInfo::exists(gar));

        const QString neu = aussen.filePath(QStringLiteral("zurueck/Pakt"));
        const Lauf zurueck = cli({"sicherung", "zurueck", archiv, "--dir", neu});
        QCOMPARE(zurueck.status, 0);
        QVERIFY2(zurueck.fehler.contains(QStringLiteral("Keine Befunde")), qPrintable(zurueck.fehler));
        QCOMPARE(stand(neu), gesichert);
        QCOMPARE(cli({"einzahlung", "Anna", "--dir", neu}).status, 0);
        QCOMPARE(cli({"sicherung", "zurueck", "--dir", neu}).status, 2);
    }

    void fehlerOhneAbsturz()
    {
        QFETCH(QString, argumente);
        QFETCH(QString, status);
        QFETCH(QString, meldung);
        static QTemporaryDir leer;
        const Lauf lauf = cli(argumente.replace(QStringLiteral("{leer}"), leer.path()).split(QLatin1Char(' ')));
        QCOMPARE(lauf.status, status.toInt());
        if (meldung.isEmpty())
            QVERIFY(lauf.aus.contains(QStringLiteral("Aufruf: vennlok-cli")));
        else
            QVERIFY2(lauf.fehler.contains(meldung), qPrintable(lauf.fehler));
    }

    // A close whose journal is durable but whose files were not all written
    // (a crash right after the commit point): every reader sees the month
    // closed, and opening says it finished the booking.
    void leserSehenDenGesichertenStand()
    {
        QTemporaryDir tmp;
        const QStringList dir{QStringLiteral("--dir"), tmp.path()};
        QCOMPARE(cli(QStringList{QStringLiteral("replay"), QStringLiteral(VENNLOK_BEFEHLE "/pakt.aut")} + dir).status, 0);
        {
            TVennlok v(tmp.path());
            v.Oeffnen();
            v.SetAutoModus(true);
            TJournalSpeicher::Fehlerhaken = [](const QString &schritt) { return !schritt.startsWith(QStringLiteral("ausführen")); };
            try {
                v.Monatsabschluss(QStringLiteral("200602"), true, zeitpunkt(2006, 2, 28));
                QFAIL("a close whose files were not written reported success");
            } catch (const VennlokFehler &f) {
                QCOMPARE(f.art(), VennlokFehler::Ausstehend);
            }
            // The program ends as in a crash: its checkpoint on closing fails too.
        }
        TJournalSpeicher::Fehlerhaken = nullptr;
        QVERIFY(QFile::exists(QDir(tmp.path()).filePath(TJournalSpeicher::Journalname)));
        const Lauf bericht = cli(QStringList{QStringLiteral("report")} + dir);
        QCOMPARE(bericht.status, 0);
        QVERIFY2(bericht.aus.contains(QStringLiteral("200602")), qPrintable(bericht.aus));
        QVERIFY(!QFile::exists(QDir(tmp.path()).filePath(TJournalSpeicher::Journalname)));
        QCOMPARE(cli(QStringList{QStringLiteral("pruefen")} + dir).status, 0);
    }

    void versionOhneFenster()
    {
        const Lauf lauf = cli({QStringLiteral("--version")}, QStringLiteral(VENNLOK_GUI));
        QCOMPARE(lauf.status, 0);
        QCOMPARE(lauf.aus, QStringLiteral("Vennlok Buchungsprogramm %1 (%2)\n").arg(VENNLOK_VERSION, Vennlok::Version));
        const Lauf ohne = cli({QStringLiteral("--version")});
        QCOMPARE(ohne.status, 0);
        QCOMPARE(ohne.aus, QStringLiteral("vennlok-cli %1 (%2)\n").arg(VENNLOK_VERSION, Vennlok::Version));
    }

    void zeileMitFehlerNenntDieZeile()
    {
        QTemporaryDir tmp;
        schreiben(tmp.filePath("kaputt.aut"), "NeuPakt,V1,01.01.2006,50,0.5,2,0.5,0.65,3000,-300\nDatum,31.02.2006\n");
        const Lauf lauf = cli({QStringLiteral("replay"), tmp.filePath("kaputt.aut"), QStringLiteral("--dir"), tmp.path()});
        QCOMPARE(lauf.status, 1);
        QVERIFY2(lauf.fehler.contains(QStringLiteral("kaputt.aut, Zeile 2: '31.02.2006' ist kein gültiges Datum")),
                 qPrintable(lauf.fehler));
    }
};

QTEST_GUILESS_MAIN(TstCli)
#include "tst_cli.moc"
