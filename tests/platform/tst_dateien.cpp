// The directory's lock, the refusal of anything but regular files, and the
// journal's recovery: what stands between two programs, a planted link or a
// damaged journal and the pact's files.

#include "algo/fehler.h"
#include "data/rollmeminifile.h"
#include "platform/archiv.h"
#include "platform/dateien.h"
#include "platform/journal.h"
#include "platform/sperre.h"

#include "tests/testhilfe.h"

#include <QProcess>
#include <QtTest>
#include <atomic>
#include <thread>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Testhilfe;

namespace {

// The helper run as a second program: takes the lock of argv[2]; while it
// holds it, it owns the marker file argv[3] exclusively for argv[4] ms.
// Prints GEHALTEN, ABGEWIESEN or ZWEI (the marker was there: a second holder).
int halten(char *argv[])
{
    const QString verzeichnis = QString::fromLocal8Bit(argv[2]);
    const QByteArray marke = argv[3];
    const int ms = atoi(argv[4]);
    try {
        TSperre sperre(verzeichnis);
        const int fd = ::open(marke.constData(), O_CREAT | O_EXCL | O_WRONLY, 0644);
        if (fd < 0) {
            std::puts("ZWEI");
            return 3;
        }
        ::close(fd);
        std::puts(sperre.Verwaist() ? "GEHALTEN VERWAIST" : "GEHALTEN");
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        ::unlink(marke.constData());
        return 0;
    } catch (const VennlokFehler &f) {
        std::printf("ABGEWIESEN %s\n", f.what());
        return 1;
    }
}

// Keeps every core busy while it lives, so that the programs under test are
// interrupted at awkward moments.
class Last
{
public:
    Last()
    {
        for (unsigned i = 0; i < std::max(2u, std::thread::hardware_concurrency()); ++i)
            m_faeden.emplace_back([this] {
                volatile unsigned long x = 0;
                while (!m_ende)
                    ++x;
            });
    }
    ~Last()
    {
        m_ende = true;
        for (std::thread &t : m_faeden)
            t.join();
    }

private:
    std::atomic<bool> m_ende{false};
    std::vector<std::thread> m_faeden;
};

QByteArray journalMit(const QByteArray &name, const QByteArray &inhalt)
{
    return "VENNLOK-JOURNAL 2\nS\t" + name + '\t' + QByteArray::number(inhalt.size()) + '\n' + inhalt + "\nENDE\n";
}

} // namespace

class TstDateien : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<QTemporaryDir> m_draussen; // a folder outside the data directory
    QDir m_dir;

    QString pfad(const QString &name) const { return m_dir.filePath(name); }

    QProcess *helfer(const QString &marke, int ms)
    {
        auto *p = new QProcess(this);
        p->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--halten"), m_dir.path(), marke, QString::number(ms)});
        return p;
    }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        m_draussen = std::make_unique<QTemporaryDir>();
        m_dir.setPath(m_tmp->path());
        TJournalSpeicher::Fehlerhaken = nullptr;
    }

    // Pairs of programs started at the same moment on a busy machine: never
    // do two hold the directory at once, and one of each pair always gets it.
    void zweiProgrammeHaltenNieZugleich()
    {
        const int paare = qEnvironmentVariableIntValue("VENNLOK_SPERRPAARE") > 0
                              ? qEnvironmentVariableIntValue("VENNLOK_SPERRPAARE") : 40;
        const QString marke = m_draussen->filePath(QStringLiteral("inhaber"));
        Last last;
        int gehalten = 0, abgewiesen = 0;
        for (int i = 0; i < paare; ++i) {
            QProcess *a = helfer(marke, 30), *b = helfer(marke, 30);
            int diesesPaar = 0;
            for (QProcess *p : {a, b}) {
                QVERIFY(p->waitForFinished(30000));
                const QByteArray aus = p->readAllStandardOutput();
                QVERIFY2(!aus.startsWith("ZWEI"), "two programs held the directory at once");
                if (aus.startsWith("GEHALTEN")) {
                    QVERIFY2(!aus.contains("VERWAIST"), "an orderly end was taken for a killed holder");
                    ++diesesPaar;
                } else {
                    QVERIFY2(aus.contains("anderen Vennlok-Programm"), aus.constData());
                    ++abgewiesen;
                }
                delete p;
            }
            QVERIFY(diesesPaar >= 1);
            gehalten += diesesPaar;
        }
        qInfo("%d Paare: %d gehalten, %d abgewiesen", paare, gehalten, abgewiesen);
        QVERIFY(!QFile::exists(pfad(TSperre::Dateiname)));
    }

    // The operating system lets go of a killed holder's lock; the next one
    // takes it at once and learns that the one before did not end in order.
    void getoeteterInhaberGibtFrei()
    {
        QProcess *p = helfer(m_draussen->filePath(QStringLiteral("inhaber")), 60000);
        QVERIFY(p->waitForReadyRead(30000));
        QVERIFY(p->readAllStandardOutput().startsWith("GEHALTEN"));
        try {
            TSperre zweite(m_dir.path());
            QFAIL("a second holder while the first lives");
        } catch (const VennlokFehler &f) {
            // The holder is named from the lock file's text.
            QVERIFY2(f.text().contains(QStringLiteral("Prozess %1").arg(p->processId())), qPrintable(f.text()));
        }
        // A lock file that is empty or garbled (its holder has only just
        // made it) is no sign of a stale lock: the system's lock decides.
        for (const QByteArray &text : {QByteArray(), QByteArray("\x01\xff")}) {
            schreiben(pfad(TSperre::Dateiname), text);
            QVERIFY_THROWS_EXCEPTION(VennlokFehler, TSperre(m_dir.path()));
        }
        ::kill(pid_t(p->processId()), SIGKILL);
        QVERIFY(p->waitForFinished(30000));
        TSperre danach(m_dir.path());
        QVERIFY(danach.Verwaist());
    }

    // What stands where a file belongs: only a regular file is read or
    // written; a link is not followed, a FIFO not waited on.
    void nurGewoehnlicheDateien_data()
    {
        QTest::addColumn<QString>("art");
        QTest::newRow("a link to a file outside the directory") << "link";
        QTest::newRow("a link to nowhere") << "tot";
        QTest::newRow("a FIFO") << "fifo";
        QTest::newRow("a folder") << "ordner";
    }

    void nurGewoehnlicheDateien()
    {
        QFETCH(QString, art);
        const QString draussen = m_draussen->filePath(QStringLiteral("ziel.ven"));
        schreiben(draussen, "[Kopfdaten]\r\nTeilhaber=Fremd\r\n");
        const QByteArray name = QFile::encodeName(pfad(QStringLiteral("T_Fremd.ven")));
        if (art == QLatin1String("link"))
            QVERIFY(QFile::link(draussen, pfad(QStringLiteral("T_Fremd.ven"))));
        else if (art == QLatin1String("tot"))
            QVERIFY(QFile::link(m_draussen->filePath(QStringLiteral("nichts")), pfad(QStringLiteral("T_Fremd.ven"))));
        else if (art == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(name.constData(), 0644), 0);
        else
            QVERIFY(m_dir.mkdir(QStringLiteral("T_Fremd.ven")));
        QCOMPARE(Plattform::EintragArt(pfad(QStringLiteral("T_Fremd.ven"))), Plattform::Eintrag::Fremd);
        QCOMPARE(Plattform::FremdeEintraege(m_dir.path()), QStringList{QStringLiteral("T_Fremd.ven")});
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, Plattform::Lesen(pfad(QStringLiteral("T_Fremd.ven"))));

        TJournalSpeicher speicher(m_dir.path());
        QCOMPARE(speicher.Liste(QStringLiteral("T_*.ven")), QStringList{QStringLiteral("T_Fremd.ven")});
        try {
            speicher.Lesen(pfad(QStringLiteral("T_Fremd.ven")));
            QFAIL("read through");
        } catch (const VennlokFehler &f) {
            QVERIFY(f.text().contains(QStringLiteral("\u201ET_Fremd.ven\u201C ist keine gewöhnliche Datei")));
        }
        speicher.Beginnen();
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, speicher.Schreiben(pfad(QStringLiteral("T_Fremd.ven")), "x"));
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, speicher.Anhaengen(pfad(QStringLiteral("T_Fremd.ven")), "x"));
        speicher.Abbrechen();
        QCOMPARE(dateiInhalt(draussen), QByteArray("[Kopfdaten]\r\nTeilhaber=Fremd\r\n"));
        QVERIFY(!QFile::exists(m_draussen->filePath(QStringLiteral("nichts"))));

        // One that comes after the listing is refused at the commit, before the journal.
        TJournalSpeicher frueher(m_dir.path());
        QVERIFY(QFile::link(draussen, pfad(QStringLiteral("A_Kassendaten200601.buc"))));
        frueher.Beginnen();
        frueher.Anhaengen(pfad(QStringLiteral("A_Kassendaten200601.buc")), "Zeile\r\n");
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, frueher.Festschreiben());
        QVERIFY(!QFile::exists(pfad(TJournalSpeicher::Journalname)));
        QCOMPARE(dateiInhalt(draussen), QByteArray("[Kopfdaten]\r\nTeilhaber=Fremd\r\n"));
    }

    // The data directory itself may be reached through a link: only the
    // files inside it are held to being regular.
    void verzeichnisDarfEineVerknuepfungSein()
    {
        const QString verknuepfung = m_draussen->filePath(QStringLiteral("pakt"));
        QVERIFY(QFile::link(m_dir.path(), verknuepfung));
        TSperre sperre(verknuepfung);
        TJournalSpeicher speicher(verknuepfung);
        speicher.Schreiben(verknuepfung + QStringLiteral("/T_Anna.ven"), "neu");
        QCOMPARE(dateiInhalt(pfad(QStringLiteral("T_Anna.ven"))), QByteArray("neu"));
        QCOMPARE(*speicher.Lesen(verknuepfung + QStringLiteral("/T_Anna.ven")), QByteArray("neu"));
    }

    // The journal on opening: a whole one is carried out, one naming a link
    // is refused with the file named (and stays), a damaged one is kept aside
    // and said so, a temporary one is an incomplete transaction and goes.
    void journalBeimOeffnen_data()
    {
        QTest::addColumn<QByteArray>("journal");
        QTest::addColumn<QString>("vorlage"); // "link": T_Anna.ven is a link outside
        QTest::addColumn<int>("fund");
        QTest::addColumn<QByteArray>("anna"); // T_Anna.ven afterwards
        QTest::newRow("a whole journal is carried out")
            << journalMit("T_Anna.ven", "neu") << "" << int(TJournalSpeicher::Fund::ZuEndeGefuehrt) << QByteArray("neu");
        QTest::newRow("a journal naming a link is refused and kept")
            << journalMit("T_Anna.ven", "neu") << "link" << -1 << QByteArray("<fehlt>");
        QTest::newRow("a journal cut short is kept aside")
            << journalMit("T_Anna.ven", "neu").chopped(3) << "" << int(TJournalSpeicher::Fund::Beiseitegelegt)
            << QByteArray("alt");
        QTest::newRow("a journal with a wrong length is kept aside")
            << QByteArray("VENNLOK-JOURNAL 2\nS\tT_Anna.ven\t9\nneu\nENDE\n") << ""
            << int(TJournalSpeicher::Fund::Beiseitegelegt) << QByteArray("alt");
        QTest::newRow("a journal naming a path outside is kept aside")
            << journalMit("../T_Anna.ven", "neu") << "" << int(TJournalSpeicher::Fund::Beiseitegelegt)
            << QByteArray("alt");
        QTest::newRow("a temporary journal is an incomplete booking")
            << QByteArray("neu~") << "" << int(TJournalSpeicher::Fund::Verworfen) << QByteArray("alt");
        QTest::newRow("no journal, nothing to do") << QByteArray() << "" << int(TJournalSpeicher::Fund::Nichts)
                                                   << QByteArray("alt");
    }

    void journalBeimOeffnen()
    {
        QFETCH(QByteArray, journal);
        QFETCH(QString, vorlage);
        QFETCH(int, fund);
        QFETCH(QByteArray, anna);
        const QString draussen = m_draussen->filePath(QStringLiteral("ziel"));
        if (vorlage == QLatin1String("link")) {
            schreiben(draussen, "draussen");
            QVERIFY(QFile::link(draussen, pfad(QStringLiteral("T_Anna.ven"))));
        } else {
            schreiben(pfad(QStringLiteral("T_Anna.ven")), "alt");
        }
        if (journal == "neu~")
            schreiben(pfad(TJournalSpeicher::Journalname + QStringLiteral(".neu~")), journalMit("T_Anna.ven", "halb"));
        else if (!journal.isEmpty())
            schreiben(pfad(TJournalSpeicher::Journalname), journal);
        TJournalSpeicher speicher(m_dir.path());
        if (fund < 0) {
            try {
                speicher.Wiederherstellen();
                QFAIL("a journal naming a link was carried out");
            } catch (const VennlokFehler &f) {
                QVERIFY2(f.text().contains(QStringLiteral("\u201ET_Anna.ven\u201C ist keine gewöhnliche Datei")), qPrintable(f.text()));
                QVERIFY(!f.text().contains(QStringLiteral("voll")));
            }
            QCOMPARE(dateiInhalt(draussen), QByteArray("draussen"));
            QVERIFY(QFile::exists(pfad(TJournalSpeicher::Journalname)));
            return;
        }
        const TJournalSpeicher::Wiederherstellung w = speicher.Wiederherstellen();
        QCOMPARE(int(w.fund), fund);
        QCOMPARE(w.meldung.isEmpty(), fund == int(TJournalSpeicher::Fund::Nichts));
        QCOMPARE(dateiInhalt(pfad(QStringLiteral("T_Anna.ven"))), anna);
        QCOMPARE(TJournalSpeicher::Reste(m_dir.path()), QStringList());
        const QStringList beiseite = m_dir.entryList({QStringLiteral("Vennlok.jrn.beschaedigt-*")});
        QCOMPARE(beiseite.size(), fund == int(TJournalSpeicher::Fund::Beiseitegelegt) ? 1 : 0);
        if (!beiseite.isEmpty()) {
            QCOMPARE(dateiInhalt(pfad(beiseite[0])), journal);
            QVERIFY(w.meldung.contains(beiseite[0]));
        }
    }

    // A transaction committed to the journal whose files cannot all be
    // written says so, naming the file; the next commit carries the old
    // journal out before its own, so neither booking is lost.
    void gesichertAberNichtUebertragen()
    {
        schreiben(pfad(QStringLiteral("T_Anna.ven")), "0");
        TJournalSpeicher speicher(m_dir.path());
        TJournalSpeicher::Fehlerhaken = [](const QString &schritt) { return schritt != QStringLiteral("ausführen T_Anna.ven"); };
        speicher.Beginnen();
        speicher.Schreiben(pfad(QStringLiteral("T_Anna.ven")), "1");
        try {
            speicher.Festschreiben();
            QFAIL("a commit whose files were not written reported success");
        } catch (const VennlokFehler &f) {
            QCOMPARE(f.art(), VennlokFehler::Ausstehend);
            QVERIFY2(f.text().contains(QStringLiteral("gesichert, aber noch nicht")) && f.text().contains(QStringLiteral("T_Anna.ven")),
                     qPrintable(f.text()));
        }
        TJournalSpeicher::Fehlerhaken = nullptr;
        QCOMPARE(dateiInhalt(pfad(QStringLiteral("T_Anna.ven"))), QByteArray("0"));
        QCOMPARE(*speicher.Lesen(pfad(QStringLiteral("T_Anna.ven"))), QByteArray("1"));
        speicher.Beginnen();
        speicher.Schreiben(pfad(QStringLiteral("T_Berta.ven")), "2");
        speicher.Festschreiben();
        QCOMPARE(dateiInhalt(pfad(QStringLiteral("T_Anna.ven"))), QByteArray("1"));
        QCOMPARE(dateiInhalt(pfad(QStringLiteral("T_Berta.ven"))), QByteArray("2"));
        // The journal stays until the next checkpoint, which leaves the files alone.
        QVERIFY(QFile::exists(pfad(TJournalSpeicher::Journalname)));
        speicher.Sichern();
        QVERIFY(!QFile::exists(pfad(TJournalSpeicher::Journalname)));
    }

    // Each commit records only the ranges of a data file that changed,
    // measured against what memory holds of it; what a crash leaves is
    // rebuilt exactly, whatever form the file had when it was read.
    void journalAenderungen_data() { tabelle("journal_aenderungen", {"vorher", "aenderung"}); }

    void journalAenderungen()
    {
        QFETCH(QString, vorher);
        QFETCH(QString, aenderung);
        const QString datei = pfad(QStringLiteral("T_Anna.ven"));
        schreiben(datei, vorher.toLatin1());
        QByteArray erwartet;
        {
            TJournalSpeicher speicher(m_dir.path());
            TRollMemIniFile ini(datei, &speicher);
            for (int mal = 1; mal <= 2; ++mal) {
                const QString zahl = QString::number(mal);
                if (aenderung == QLatin1String("wert"))
                    ini.WriteString(QStringLiteral("Kopf"), QStringLiteral("Summe"), zahl + QStringLiteral("00"));
                else if (aenderung == QLatin1String("schluessel"))
                    ini.WriteString(QStringLiteral("Einzahlungen"), QStringLiteral("20060%1_1").arg(mal + 1), QStringLiteral("50"));
                else if (aenderung == QLatin1String("abschnitt"))
                    ini.WriteString(QStringLiteral("Neu") + zahl, QStringLiteral("k"), zahl);
                else if (mal == 1)
                    ini.EraseSection(QStringLiteral("Einzahlungen"));
                else
                    ini.WriteString(QStringLiteral("Offen"), QStringLiteral("200602"), QStringLiteral("7"));
                ini.UpdateFile();
            }
            erwartet = ini.Inhalt();
            QCOMPARE(TJournalSpeicher::Ansicht(m_dir.path()).value(QStringLiteral("T_Anna.ven")), erwartet);
            QCOMPARE(dateiInhalt(datei), vorher.toLatin1()); // lagging until a checkpoint
            TJournalSpeicher::Fehlerhaken = [](const QString &) { return false; };
        }
        TJournalSpeicher::Fehlerhaken = nullptr;
        TJournalSpeicher wieder(m_dir.path());
        QCOMPARE(int(wieder.Wiederherstellen().fund), int(TJournalSpeicher::Fund::ZuEndeGefuehrt));
        QCOMPARE(dateiInhalt(datei), erwartet);
    }

    // A checkpoint comes when the journal has grown to what lags behind it;
    // with the threshold at nothing, after every commit.
    void sicherungNachSchwelle_data()
    {
        QTest::addColumn<qint64>("schwelle");
        QTest::addColumn<bool>("gleichGesichert");
        QTest::newRow("the threshold at nothing writes the files after each commit") << qint64(0) << true;
        QTest::newRow("below the threshold the files lag behind the journal") << qint64(1 << 20) << false;
    }

    void sicherungNachSchwelle()
    {
        QFETCH(qint64, schwelle);
        QFETCH(bool, gleichGesichert);
        const qint64 vorher = TJournalSpeicher::SicherungAb;
        TJournalSpeicher::SicherungAb = schwelle;
        schreiben(pfad(QStringLiteral("A_Log.buc")), "alt\r\n");
        TJournalSpeicher speicher(m_dir.path());
        speicher.Anhaengen(pfad(QStringLiteral("A_Log.buc")), "neu\r\n");
        TJournalSpeicher::SicherungAb = vorher;
        QCOMPARE(dateiInhalt(pfad(QStringLiteral("A_Log.buc"))), gleichGesichert ? QByteArray("alt\r\nneu\r\n") : QByteArray("alt\r\n"));
        QCOMPARE(QFile::exists(pfad(TJournalSpeicher::Journalname)), !gleichGesichert);
        QCOMPARE(speicher.Statistik().sicherungen, gleichGesichert ? 1 : 0);
        QCOMPARE(*speicher.Lesen(pfad(QStringLiteral("A_Log.buc"))), QByteArray("alt\r\nneu\r\n"));
    }

    // A checkpoint interrupted at each of its steps in turn, the program
    // ending there as in a crash: the directory holds every booking before
    // and after opening again, and opening leaves the files whole.
    void sicherungspunktInJedemSchritt()
    {
        const QByteArray anna = crlf("[Kopfdaten]\nTeilhaber=Anna\nSumme=0\n\n[Einzahlungen]\n200601_1=50\n\n");
        for (int k = 1;; ++k) {
            QVERIFY(k < 30);
            QTemporaryDir tmp;
            const QDir dir(tmp.path());
            schreiben(dir.filePath(QStringLiteral("T_Anna.ven")), anna);
            schreiben(dir.filePath(QStringLiteral("A_Log.buc")), "alt\r\n");
            auto speicher = std::make_unique<TJournalSpeicher>(tmp.path());
            {
                TRollMemIniFile datei(dir.filePath(QStringLiteral("T_Anna.ven")), speicher.get());
                speicher->Beginnen();
                datei.WriteString(QStringLiteral("Kopfdaten"), QStringLiteral("Summe"), QStringLiteral("100"));
                datei.WriteString(QStringLiteral("Einzahlungen"), QStringLiteral("200602_1"), QStringLiteral("50"));
                datei.UpdateFile();
                speicher->Anhaengen(dir.filePath(QStringLiteral("A_Log.buc")), "neu\r\n");
                speicher->Festschreiben();
            }
            const QMap<QString, QByteArray> erwartet = TJournalSpeicher::Ansicht(tmp.path());
            QCOMPARE(erwartet.value(QStringLiteral("A_Log.buc")), QByteArray("alt\r\nneu\r\n"));
            QVERIFY(erwartet.value(QStringLiteral("T_Anna.ven")).contains("Summe=100\r\n\r\n[Einzahlungen]\r\n200601_1=50\r\n200602_1=50\r\n"));
            // Until the checkpoint the files lag behind the journal.
            QCOMPARE(dateiInhalt(dir.filePath(QStringLiteral("T_Anna.ven"))), anna);
            int schritt = 0;
            TJournalSpeicher::Fehlerhaken = [&](const QString &) { return ++schritt < k; };
            bool fertig = false;
            try {
                speicher->Sichern();
                fertig = true;
            } catch (const VennlokFehler &f) {
                QVERIFY2(f.text().contains(QStringLiteral("Testfehler")), qPrintable(f.text()));
            }
            QCOMPARE(TJournalSpeicher::Ansicht(tmp.path()), erwartet);
            TJournalSpeicher::Fehlerhaken = [](const QString &) { return false; };
            speicher.reset();
            TJournalSpeicher::Fehlerhaken = nullptr;
            TJournalSpeicher wieder(tmp.path());
            wieder.Wiederherstellen();
            QCOMPARE(TJournalSpeicher::Reste(tmp.path()), QStringList());
            for (const QString &name : {QStringLiteral("T_Anna.ven"), QStringLiteral("A_Log.buc")})
                QCOMPARE(dateiInhalt(dir.filePath(name)), erwartet.value(name));
            if (fertig) {
                QVERIFY2(k > 4, "the checkpoint had too few steps to have been tested");
                break;
            }
        }
    }

    // A journal of two bookings that a crash left behind, as a crash or the
    // disk may have left it: the whole records count, one cut short at the
    // end does not, and a record damaged with another after it keeps the
    // journal aside.
    void journalNachAbsturz_data()
    {
        QTest::addColumn<QString>("aenderung");
        QTest::addColumn<int>("fund");
        QTest::addColumn<QByteArray>("log");
        const int zuEnde = int(TJournalSpeicher::Fund::ZuEndeGefuehrt);
        QTest::newRow("both records whole count") << "" << zuEnde << QByteArray("alt\r\neins\r\nzwei\r\n");
        QTest::newRow("the last record cut short is no booking") << "kuerzen" << zuEnde << QByteArray("alt\r\neins\r\n");
        QTest::newRow("the last record with a changed byte is no booking") << "zwei" << zuEnde << QByteArray("alt\r\neins\r\n");
        QTest::newRow("a changed record with another after it keeps the journal aside")
            << "eins" << int(TJournalSpeicher::Fund::Beiseitegelegt) << QByteArray("alt\r\n");
        QTest::newRow("the first record cut short is an incomplete booking")
            << "nur_kopf" << int(TJournalSpeicher::Fund::Verworfen) << QByteArray("alt\r\n");
        QTest::newRow("a journal cut inside its head is an incomplete booking")
            << "halber_kopf" << int(TJournalSpeicher::Fund::Verworfen) << QByteArray("alt\r\n");
        QTest::newRow("an empty journal is an incomplete booking")
            << "leer" << int(TJournalSpeicher::Fund::Verworfen) << QByteArray("alt\r\n");
    }

    void journalNachAbsturz()
    {
        QFETCH(QString, aenderung);
        QFETCH(int, fund);
        QFETCH(QByteArray, log);
        const QString logPfad = pfad(QStringLiteral("A_Log.buc"));
        schreiben(logPfad, "alt\r\n");
        {
            TJournalSpeicher speicher(m_dir.path());
            speicher.Anhaengen(logPfad, "eins\r\n");
            speicher.Anhaengen(logPfad, "zwei\r\n");
            TJournalSpeicher::Fehlerhaken = [](const QString &) { return false; };
        }
        TJournalSpeicher::Fehlerhaken = nullptr;
        QCOMPARE(dateiInhalt(logPfad), QByteArray("alt\r\n"));
        QByteArray journal = dateiInhalt(pfad(TJournalSpeicher::Journalname));
        if (aenderung == QLatin1String("kuerzen"))
            journal.chop(4);
        else if (aenderung == QLatin1String("nur_kopf"))
            journal = journal.left(journal.indexOf("eins"));
        else if (aenderung == QLatin1String("halber_kopf"))
            journal = journal.left(9);
        else if (aenderung == QLatin1String("leer"))
            journal.clear();
        else if (!aenderung.isEmpty())
            journal[journal.indexOf(aenderung.toLatin1())] = 'E';
        schreiben(pfad(TJournalSpeicher::Journalname), journal);
        // A store that was not asked to recover never writes over the journal.
        {
            TJournalSpeicher ohne(m_dir.path());
            QVERIFY_THROWS_EXCEPTION(VennlokFehler, ohne.Anhaengen(logPfad, "drei\r\n"));
        }
        QCOMPARE(dateiInhalt(pfad(TJournalSpeicher::Journalname)), journal);
        TJournalSpeicher wieder(m_dir.path());
        QCOMPARE(int(wieder.Wiederherstellen().fund), fund);
        QCOMPARE(dateiInhalt(logPfad), log);
        QVERIFY(!QFile::exists(pfad(TJournalSpeicher::Journalname)));
    }

    // A store in memory holds its picture and every commit, forgets what is
    // undone, and never reads or writes the disk, even where the directory
    // it is named after holds files of the same names.
    void speicherImSpeicher()
    {
        schreiben(pfad(QStringLiteral("T_Anna.ven")), "auf der Platte");
        TJournalSpeicher speicher(m_dir.path(), {{QStringLiteral("T_Anna.ven"), "im Bild"}, {QStringLiteral("A_Log.buc"), "1\n"}});
        const auto lesen = [&](const char *name) { return speicher.Lesen(pfad(QLatin1String(name))).value_or("fehlt"); };
        QCOMPARE(lesen("T_Anna.ven"), QByteArray("im Bild"));
        QVERIFY(!speicher.Existiert(pfad(QStringLiteral("Vennlok.lck"))));
        speicher.Beginnen();
        speicher.Schreiben(pfad(QStringLiteral("T_Berta.ven")), "neu");
        speicher.Anhaengen(pfad(QStringLiteral("A_Log.buc")), "2\n");
        speicher.Loeschen(pfad(QStringLiteral("T_Anna.ven")));
        speicher.Festschreiben();
        // A data file changed in memory is held in its sections' pieces: read
        // back whole, and undone with the transaction like everything else.
        {
            TRollMemIniFile dora(pfad(QStringLiteral("T_Dora.ven")), &speicher);
            dora.WriteString(QStringLiteral("Kopfdaten"), QStringLiteral("Teilhaber"), QStringLiteral("Dora"));
            dora.WriteString(QStringLiteral("Einzahlungen"), QStringLiteral("200601_1"), QStringLiteral("50"));
            dora.UpdateFile();
            QCOMPARE(lesen("T_Dora.ven"), crlf("[Kopfdaten]\nTeilhaber=Dora\n\n[Einzahlungen]\n200601_1=50\n\n"));
            speicher.Beginnen();
            dora.WriteString(QStringLiteral("Einzahlungen"), QStringLiteral("200602_1"), QStringLiteral("50"));
            dora.UpdateFile();
            speicher.Abbrechen();
        }
        QCOMPARE(lesen("T_Dora.ven"), crlf("[Kopfdaten]\nTeilhaber=Dora\n\n[Einzahlungen]\n200601_1=50\n\n"));
        speicher.Loeschen(pfad(QStringLiteral("T_Dora.ven")));
        speicher.Beginnen();
        speicher.Anhaengen(pfad(QStringLiteral("A_Log.buc")), "3\n");
        speicher.Schreiben(pfad(QStringLiteral("T_Clara.ven")), "verworfen");
        speicher.Abbrechen();
        QCOMPARE(lesen("T_Berta.ven"), QByteArray("neu"));
        QCOMPARE(lesen("A_Log.buc"), QByteArray("1\n2\n"));
        QCOMPARE(lesen("T_Anna.ven"), QByteArray("fehlt"));
        QCOMPARE(lesen("T_Clara.ven"), QByteArray("fehlt"));
        QCOMPARE(speicher.Liste(QStringLiteral("T_*.ven")), QStringList{QStringLiteral("T_Berta.ven")});
        const QHash<QString, QByteArray> bild{{QStringLiteral("A_Log.buc"), "1\n2\n"}, {QStringLiteral("T_Berta.ven"), "neu"}};
        QCOMPARE(speicher.Bild(), bild);
        QCOMPARE(m_dir.entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("T_Anna.ven")});
        QCOMPARE(dateiInhalt(pfad(QStringLiteral("T_Anna.ven"))), QByteArray("auf der Platte"));
    }

    // The listing by pattern: a prefix and an ending (the engine's kind) and
    // any other wildcard give what the pattern machine gives.
    void archivLesen_data() { tabelle("archiv_lesen", {"aenderung", "fehler"}); }

    // A backup is read back exactly as written, or refused whole with the
    // reason: nothing of a damaged or hostile archive is restored.
    void archivLesen()
    {
        QFETCH(QString, aenderung);
        QFETCH(QString, fehler);
        const QList<Archiv::Datei> dateien{{QStringLiteral("A_Vennlok.ven"), QByteArray(598, 'v') + "\r\n"},
                                           {QStringLiteral("T_Anna.ven"), QByteArray("a\r\n")}};
        QByteArray archiv = Archiv::Packen(dateien, 1790000000);
        QCOMPARE(archiv.size() % 512, 0);
        const QStringList teile = aenderung.split(QLatin1Char(' '));
        if (teile[0] == QLatin1String("byte")) {
            archiv[teile[1].toInt()] = char(archiv[teile[1].toInt()] ^ 0x20);
        } else if (teile[0] == QLatin1String("kuerzen")) {
            archiv.truncate(teile[1].toInt());
        } else if (teile[0] == QLatin1String("feld")) {
            const QByteArray text = aenderung.section(QLatin1Char(' '), 2).toLatin1();
            archiv.replace(teile[1].toInt(), text.size(), text);
            // The checksum made right again, so that only the entry's meaning can refuse it.
            quint32 summe = 0;
            for (int i = 0; i < 512; ++i)
                summe += (i >= 148 && i < 156) ? quint32(' ') : quint32(static_cast<unsigned char>(archiv[i]));
            archiv.replace(148, 8, QByteArray::number(summe, 8).rightJustified(6, '0') + QByteArray("\0 ", 2));
        }
        try {
            const QList<Archiv::Datei> gelesen = Archiv::Entpacken(archiv, QStringLiteral("S.tar"));
            QVERIFY2(fehler.isEmpty(), "a damaged archive was read");
            QCOMPARE(gelesen.size(), dateien.size());
            for (int i = 0; i < dateien.size(); ++i) {
                QCOMPARE(gelesen[i].name, dateien[i].name);
                QCOMPARE(gelesen[i].inhalt, dateien[i].inhalt);
            }
        } catch (const VennlokFehler &f) {
            QVERIFY2(!fehler.isEmpty() && f.text().contains(fehler), qPrintable(f.text()));
            QCOMPARE(f.datei(), QStringLiteral("S.tar"));
        }
    }

    // tar itself reads what the program writes: the archive opens in any archive program.
    void archivFuerTar()
    {
        QTemporaryDir tmp;
        const QString ziel = tmp.filePath(QStringLiteral("S.tar"));
        schreiben(tmp.filePath(QStringLiteral("Kasse.buc")), "Kasse\r\n");
        schreiben(tmp.filePath(QStringLiteral("Ueberweisungen.tra")), QByteArray(1025, 'x'));
        Archiv::Schreiben(ziel, tmp.path(), {QStringLiteral("Kasse.buc"), QStringLiteral("Ueberweisungen.tra")}, 1790000000);
        QProcess tar;
        tar.start(QStringLiteral("tar"), {QStringLiteral("-tvf"), ziel});
        QVERIFY(tar.waitForFinished());
        QCOMPARE(tar.exitCode(), 0);
        const QString liste = QString::fromUtf8(tar.readAllStandardOutput());
        QVERIFY2(liste.contains(QStringLiteral(" 7 ")) && liste.contains(QStringLiteral("Kasse.buc"))
                     && liste.contains(QStringLiteral(" 1025 ")) && liste.contains(QStringLiteral("Ueberweisungen.tra")),
                 qPrintable(liste));
        // A name that cannot stand in an archive is refused before anything is written.
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, Archiv::Schreiben(tmp.filePath(QStringLiteral("T.tar")), tmp.path(),
                                                                  {QStringLiteral("../Kasse.buc")}, 0));
        QVERIFY(!QFile::exists(tmp.filePath(QStringLiteral("T.tar"))));
    }

    void listeNachMuster_data()
    {
        QTest::addColumn<QString>("muster");
        QTest::addColumn<QString>("treffer");
        QTest::newRow("the members' files") << "T_*.ven" << "T_Anna.ven T_Zora.ven";
        QTest::newRow("the star may stand for nothing") << "A_Kassendaten*.ven" << "A_Kassendaten.ven A_Kassendaten200601.ven A_Kassendaten200602.ven";
        QTest::newRow("an ending only") << "*.buc" << "A_Kassendaten200601.buc";
        QTest::newRow("letter case counts") << "t_*.ven" << "";
        QTest::newRow("a question mark goes to the pattern machine") << "T_????.ven" << "T_Anna.ven T_Zora.ven";
        QTest::newRow("everything") << "*" << "A_Kassendaten.ven A_Kassendaten200601.buc A_Kassendaten200601.ven A_Kassendaten200602.ven T_.ven.alt T_Anna.ven T_Zora.ven X_Bernd.ven";
    }

    void listeNachMuster()
    {
        QFETCH(QString, muster);
        QFETCH(QString, treffer);
        QHash<QString, QByteArray> bild;
        for (const char *name : {"T_Anna.ven", "T_Zora.ven", "T_.ven.alt", "X_Bernd.ven", "A_Kassendaten.ven",
                                 "A_Kassendaten200601.ven", "A_Kassendaten200601.buc", "A_Kassendaten200602.ven"})
            bild.insert(QLatin1String(name), "x");
        TJournalSpeicher speicher(m_dir.path(), bild);
        QCOMPARE(speicher.Liste(muster).join(QLatin1Char(' ')), treffer);
    }
};

int main(int argc, char *argv[])
{
    if (argc == 5 && qstrcmp(argv[1], "--halten") == 0)
        return halten(argv);
    QCoreApplication app(argc, argv);
    TstDateien test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dateien.moc"
