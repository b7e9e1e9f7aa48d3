#include "algo/fehler.h"
#include "algo/formeln.h"
#include "engine/vennlok.h"

#include "tests/testhilfe.h"

#include <QtTest>
#include <memory>

using namespace Testhilfe;

namespace {

// A pact in its second month: started 200603, booking month 200604 with an
// opening balance of 1000, contribution 50, share in force 0.5.
void zweiterMonat(const QDir &dir)
{
    schreiben(dir.filePath("A_Vennlok.ven"),
              "[Startdaten]\nBuchungsmonat=200603\nBeitrag=50\nIntSozialanteil=0,207\nExtSozialanteil=0,5\n"
              "[aktuelle Daten]\nBuchungsmonat=200604\nBeitrag=50\nIntSozialanteil=0,207\nExtSozialanteil=0,5\n");
    schreiben(dir.filePath("A_Kassendaten200604.ven"),
              "[Kopfdaten]\nBeitrag=50\n[Kasse]\nSumme=1000\nSummeVormonat=1000\nEinzahlungen=0\nRechnungen=0\n"
              "Eigenanteile=0\nAuszahlungen=0\nEingangsbuchungen200604=0\nRechnungsbuchungen200604=0\n"
              "Ausgangsbuchungen200604=0\n");
    schreiben(dir.filePath("T_Meier.ven"), "[Kopfdaten]\nTeilhaber=Meier\nSummeEinz=0\nSummeEigen=0\nSummeAusz=0\n"
                                           "AnzahlEinz=0\nAnzahlAusz=0\n");
}

} // namespace

class TstVennlok : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    QDir m_dir;
    std::unique_ptr<FesteUhr> m_uhr;

    QString pfad(const QString &name) const { return m_dir.filePath(name); }
    QByteArray datei(const QString &name) const { return dateiInhalt(pfad(name)); }

    std::unique_ptr<TVennlok> neuerPakt()
    {
        auto v = std::make_unique<TVennlok>(m_dir.path());
        QString meldung;
        v->NeuPakt(TVennlok::Version, meldung, zeitpunkt(2006, 3, 1), e(50), e(0.5), e(2), 0.5, 0.65, e(3000), e(-300));
        return v;
    }

    // Damages datei: muster (a regular expression) replaced by ersatz; an
    // empty muster writes ersatz as the whole file, "-" deletes it. True
    // when the file changed.
    bool beschaedigen(const QString &datei, const QString &muster, const QString &ersatz)
    {
        if (muster == QLatin1String("-"))
            return QFile::remove(pfad(datei));
        const QString vorher = QString::fromLatin1(dateiInhalt(pfad(datei)));
        QString text = muster.isEmpty() ? ersatz : vorher;
        if (!muster.isEmpty())
            text.replace(QRegularExpression(muster), ersatz);
        schreiben(pfad(datei), text.toLatin1());
        return text != vorher;
    }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        m_dir = QDir(m_tmp->path());
        m_uhr = std::make_unique<FesteUhr>(zeitpunkt(2006, 3, 5, 9, 30, 15));
    }

    void cleanup()
    {
        m_uhr.reset();
        m_tmp.reset();
    }

    void ohnePaktGibtDieRueckfallwerte()
    {
        {
            TVennlok v(m_dir.path());
            v.Oeffnen();
            QVERIFY(!v.PaktVorhanden());
            QVERIFY(!v.KasseOffen());
            QCOMPARE(v.Buchungsmonat(), QString());
            QCOMPARE(v.Kassenstand(), FehlwertMoney);
            QCOMPARE(v.AnzahlEingangsbuchungen(), FehlwertInt);
            QCOMPARE(v.AnzahlAusgangsbuchungen(), FehlwertInt);
            QCOMPARE(v.Beitrag(), e(180));
            QCOMPARE(v.Einzahlung(QStringLiteral("Meier"), QString(), e(50), 0), QStringLiteral("Die Kasse ist nicht offen."));
        }
        // Closing the engine leaves no master data file behind.
        QCOMPARE(m_dir.entryList(QDir::Files), QStringList());
    }

    void misslungenerPaktBleibtNichtImSpeicher()
    {
#ifdef Q_OS_UNIX
        TVennlok v(m_dir.path());
        QString meldung;
        {
            VollePlatte voll;
            QVERIFY_THROWS_EXCEPTION(VennlokFehler, v.NeuPakt(TVennlok::Version, meldung, zeitpunkt(2006, 3, 1), e(50), e(0.5),
                                                              e(2), 0.5, 0.65, e(3000), e(-300)));
        }
        QVERIFY(!v.PaktVorhanden());
        QVERIFY(!v.StartdatenVorhanden());
        QCOMPARE(v.Beitrag(), e(180));
        v.NeuPakt(TVennlok::Version, meldung, zeitpunkt(2006, 3, 1), e(50), e(0.5), e(2), 0.5, 0.65, e(3000), e(-300));
        QVERIFY(v.PaktVorhanden());
        QCOMPARE(v.Beitrag(), e(50));
#endif
    }

    void zweiterPaktWirdAbgelehnt()
    {
        neuerPakt().reset();
        const QByteArray vorher = datei("A_Vennlok.ven");
        auto v = std::make_unique<TVennlok>(m_dir.path());
        v->Oeffnen();
        QString meldung;
        v->NeuPakt(TVennlok::Version, meldung, zeitpunkt(2007, 1, 1), e(70), e(1), e(1), 0.3, 0.5, e(1), e(-1));
        QVERIFY(meldung.contains(QStringLiteral("bereits ein Pakt")));
        v.reset();
        QCOMPARE(datei("A_Vennlok.ven"), vorher);
        QVERIFY(!QFile::exists(pfad("A_Kassendaten200701.ven")));
    }

    // The lock of a program that is gone is taken over and the log says so;
    // a live holder is refused (below).
    void verwaisteSperreWirdUebernommen_data()
    {
        QTest::addColumn<QByteArray>("sperre"); // "TOT": the lock of an ended process
        QTest::addColumn<bool>("alt");
        QTest::newRow("an empty lock file") << QByteArray() << false;
        QTest::newRow("a lock file of garbage") << QByteArray("\x01\xff garbage\n\n") << false;
        QTest::newRow("the lock of a process that has ended") << QByteArray("TOT") << false;
        QTest::newRow("a stale lock, two days old, of a process that has ended") << QByteArray("TOT") << true;
    }

    void verwaisteSperreWirdUebernommen()
    {
        QFETCH(QByteArray, sperre);
        QFETCH(bool, alt);
        neuerPakt().reset();
        const QString datei = pfad("Vennlok.lck");
        if (sperre == "TOT") {
            // A real lock, then the process id of one that has ended.
            QProcess ende;
            ende.start(QStringLiteral("true"), QStringList());
            QVERIFY(ende.waitForStarted());
            const qint64 pid = ende.processId();
            QVERIFY(ende.waitForFinished());
            QLockFile echt(datei);
            QVERIFY(echt.lock());
            QByteArray inhalt = dateiInhalt(datei);
            echt.unlock();
            sperre = QByteArray::number(pid) + inhalt.mid(inhalt.indexOf('\n'));
        }
        schreiben(datei, sperre);
        if (alt) {
            QFile f(datei);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime));
        }
        TVennlok v(m_dir.path());
        v.Oeffnen();
        QVERIFY(dateiInhalt(pfad("A_Kassendaten200603.buc")).contains("Eine verwaiste Sperrdatei eines beendeten Programms wurde "));
    }

    void zweitesProgrammWirdAbgewiesen()
    {
        auto erstes = std::make_unique<TVennlok>(m_dir.path());
        try {
            TVennlok zweites(m_dir.path());
            QFAIL("a second engine opened the same directory");
        } catch (const VennlokFehler &f) {
            QVERIFY(f.text().contains(QStringLiteral("anderen Vennlok-Programm")));
        }
        erstes.reset();
        TVennlok drittes(m_dir.path());
        QVERIFY(!drittes.PaktVorhanden());
    }

    // A fresh pact never lands where something lies already; a folder that
    // cannot be made is named in the error.
    void ordnerFuerEinenNeuenPakt_data()
    {
        QTest::addColumn<QStringList>("vorhanden"); // "name/" a folder, else a file
        QTest::addColumn<QString>("erwartet");
        QTest::newRow("a missing folder is taken as it is") << QStringList() << "Demo";
        QTest::newRow("an empty folder is taken") << QStringList{"Demo/"} << "Demo";
        QTest::newRow("a folder holding a pact is passed over") << QStringList{"Demo/A_Vennlok.ven"} << "Demo-2";
        QTest::newRow("a hidden file counts as content") << QStringList{"Demo/.notiz"} << "Demo-2";
        QTest::newRow("a file of that name is passed over") << QStringList{"Demo"} << "Demo-2";
        QTest::newRow("full numbered folders are passed over in turn") << QStringList{"Demo/a", "Demo-2/b"} << "Demo-3";
    }

    void ordnerFuerEinenNeuenPakt()
    {
        QFETCH(QStringList, vorhanden);
        QFETCH(QString, erwartet);
        for (const QString &eintrag : vorhanden) {
            m_dir.mkpath(QFileInfo(eintrag).path());
            if (!eintrag.endsWith(QLatin1Char('/')))
                schreiben(m_dir.filePath(eintrag), "x");
        }
        const QString ordner = TVennlok::FreiesVerzeichnis(m_dir.filePath(QStringLiteral("Demo")));
        QCOMPARE(ordner, m_dir.filePath(erwartet));
        TVennlok::VerzeichnisAnlegen(ordner + QStringLiteral("/Unterordner"));
        QVERIFY(QFileInfo(ordner + QStringLiteral("/Unterordner")).isDir());
        for (const QString &eintrag : vorhanden)
            QVERIFY(QFileInfo::exists(m_dir.filePath(eintrag)));

        schreiben(m_dir.filePath(QStringLiteral("Datei")), "x");
        try {
            TVennlok::VerzeichnisAnlegen(m_dir.filePath(QStringLiteral("Datei/Pakt")));
            QFAIL("a folder was made below a file");
        } catch (const VennlokFehler &f) {
            QCOMPARE(f.text(), QStringLiteral("Der Ordner \u201E%1\u201C kann nicht angelegt werden.")
                                   .arg(QDir::toNativeSeparators(m_dir.filePath(QStringLiteral("Datei/Pakt")))));
        }
    }

    void unzulaessigeNamenSchreibenNichts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("an equals sign") << "Mei=er";
        QTest::newRow("a bracket") << "[Meier]";
        QTest::newRow("a backslash") << "..\\Meier";
        QTest::newRow("a line break") << "Mei\ner";
        QTest::newRow("a character outside Windows-1252") << QStringLiteral("Łukasz");
        QTest::newRow("a name of 10,000 characters, not even logged") << QString(10000, QLatin1Char('M'));
    }

    void unzulaessigeNamenSchreibenNichts()
    {
        QFETCH(QString, name);
        auto v = neuerPakt();
        const QByteArray kasse = datei("A_Kassendaten200603.ven");
        const QString meldung = v->Einzahlung(name, QStringLiteral("200603"), e(50), zeitpunkt(2006, 3, 5));
        QVERIFY(meldung.contains(QStringLiteral("nicht zulässig")) && meldung.size() < 200);
        QVERIFY(!v->TeilhaberOeffnen(name));
        QVERIFY(!v->TeilhaberVorhanden(name));
        QCOMPARE(datei("A_Kassendaten200603.ven"), kasse);
        QCOMPARE(m_dir.entryList({"T_*"}), QStringList());
        QCOMPARE(QDir(m_dir.filePath("..")).entryList({"*Meier*"}), QStringList());
        v.reset();
        QCOMPARE(datei("A_Kassendaten200603.buc").contains("UNZUL\xc4SSIGER NAME"), name.size() <= 60);
    }

    void rechnungImStartmonat()
    {
        auto v = neuerPakt();
        QCOMPARE(v->Einzahlung(QStringLiteral("Schmidt"), QStringLiteral("200603"), e(50), zeitpunkt(2006, 3, 5)), QString());
        QCOMPARE(v->Rechnung(QStringLiteral("Schmidt"), e(100), zeitpunkt(2006, 3, 5)),
                 QStringLiteral("Im ersten Monat erfolgen keine Rechnungsbuchungen."));
        QVERIFY(!TTeilhaber(pfad("T_Schmidt.ven")).SectionExists(QStringLiteral("Rechnungen")));
        v.reset();
        QVERIFY(datei("A_Kassendaten200603.buc").endsWith(crlf("Im ersten Monat erfolgen keine Rechnungsbuchungen.\n")));
    }

    void zaehlenUndListen()
    {
        zweiterMonat(m_dir);
        schreiben(pfad("T_Zahler50.ven"), "[Einzahlungen]\n200604_1=50\n");
        schreiben(pfad("T_Zahler60.ven"), "[Einzahlungen]\n200604_1=40\n200604_2=20\n");
        schreiben(pfad("T_Zahler20.ven"), "[Einzahlungen]\n200604_1=20\n200603_1=50\n");
        schreiben(pfad("T_EinNameVonVierzigZeichenLaengeXXXXXXXXXX.ven"), "[Einzahlungen]\n200604_1=50\n");
        schreiben(pfad("X_Ausgetreten.ven"), "[Einzahlungen]\n200604_1=5\n");
        const QByteArray vorher = datei("T_Zahler60.ven");
        TVennlok v(m_dir.path());
        v.Oeffnen();
        QCOMPARE(v.AnzahlTeilhaber(0), 5);
        QCOMPARE(v.AnzahlTeilhaber(1), 2);
        QCOMPARE(v.AnzahlTeilhaber(2), 2); // Meier paid nothing, Zahler20 paid 20
        QCOMPARE(v.AnzahlTeilhaber(3), 0);
        QCOMPARE(v.TeilhaberListe(), QStringList({
            "EinNameVonVierzigZeichenLaengeXXXXXXXXXX50",
            "Meier...................................0",
            "Zahler20................................20",
            "Zahler50................................50",
            "Zahler60................................60"}));
        QCOMPARE(v.TeilhaberListeOffen(), QStringList({
            "Meier...................................0",
            "Zahler20................................20"}));
        QStringList namen;
        TVennlok::TeilhaberNamen(m_dir.path(), namen);
        QCOMPARE(namen.size(), 5);
        QVERIFY(!namen.contains(QStringLiteral("Ausgetreten")));
        // Counting reads; it does not rewrite the files.
        QCOMPARE(datei("T_Zahler60.ven"), vorher);
    }

    void pruefenFindetJedeUnstimmigkeit_data()
    {
        QTest::addColumn<QString>("datei");
        QTest::addColumn<QString>("muster"); // replaced in datei; empty: the file is created
        QTest::addColumn<QString>("ersatz");
        QTest::addColumn<QStringList>("befunde"); // parts of the expected lines, in order

        QTest::newRow("an untouched pact has no finding") << "A_Vennlok.ven" << "\\[Startdaten\\]" << "[Startdaten]"
                                                          << QStringList();
        QTest::newRow("a cash book total that is not its opening plus its entries")
            << "A_Kassendaten200605.ven" << "\\nSumme=" << "\nSumme=1" << QStringList{"A_Kassendaten200605.ven [Kasse] Summe:"};
        QTest::newRow("a changed payment entry disagrees with the totals and the participant")
            << "A_Kassendaten200605.ven" << "Meier_1=50" << "Meier_1=40"
            << QStringList{"[Kasse] Einzahlungen: erwartet 90, gefunden 100",
                           "[Kasse] Summe:", "A_Kassendaten200605.ven [TeilhaberEinzahlungen] Meier: erwartet 50, gefunden 40"};
        QTest::newRow("a payment booked under a name without a participant file")
            << "A_Kassendaten200605.ven" << "Schmidt_1=" << "Schmitt_1="
            << QStringList{"[TeilhaberEinzahlungen] Schmidt: erwartet 50, gefunden 0",
                           "[TeilhaberEinzahlungen] schmitt: erwartet eine Teilhaberdatei, gefunden keine"};
        QTest::newRow("a payout entry of the cash book that the participant does not have")
            << "T_Meier.ven" << "(\\[Auszahlungen\\][^[]*)200605_1=" << "\\1200604_2="
            << QStringList{"[TeilhaberAuszahlungen] Meier: erwartet 0, gefunden"};
        QTest::newRow("a month counter that does not count the entries")
            << "A_Kassendaten200605.ven" << "Eingangsbuchungen200605=2" << "Eingangsbuchungen200605=3"
            << QStringList{"[Kasse] Eingangsbuchungen200605: erwartet 2, gefunden 3"};
        QTest::newRow("a participant total that is not the sum of its entries")
            << "T_Schmidt.ven" << "SummeEinz=" << "SummeEinz=1" << QStringList{"T_Schmidt.ven [Kopfdaten] SummeEinz:"};
        QTest::newRow("an unreadable total")
            << "T_Schmidt.ven" << "SummeAusz=0" << "SummeAusz=x" << QStringList{"[Kopfdaten] SummeAusz: erwartet 0, gefunden nichts Lesbares"};
        QTest::newRow("capital shares that no longer add up to the month's fund")
            << "T_Meier.ven" << "\\n200603=" << "\n200603=1" << QStringList{"[Kapitalanteil] 200603:"};
        QTest::newRow("a closed month without its section, and one that is not closed")
            << "A_Vennlok.ven" << "\\[Monat200603\\]" << "[Monat200612]"
            << QStringList{"[Monat200603] (Abschnitt): erwartet der abgeschlossene Monat", "[Monat200612]"};
        QTest::newRow("a line that is neither a section, a key nor blank")
            << "T_Schmidt.ven" << "\\[Einzahlungen\\]" << "Unsinn\r\n[Einzahlungen]"
            << QStringList{"T_Schmidt.ven, Zeile 9: weder Abschnitt noch Schlüssel: \u201EUnsinn\u201C"};
        QTest::newRow("a value a booking would refuse")
            << "A_Vennlok.ven" << "(\\[aktuelle Daten\\][^[]*\\nBeitrag=)[^\\r]*" << "\\1-50"
            << QStringList{"ist beschädigt: [aktuelle Daten] Beitrag ist -50"};
        QTest::newRow("a temporary file of an interrupted booking")
            << "T_Meier.ven.neu~" << "" << "x" << QStringList{"T_Meier.ven.neu~: Eine vorläufige Datei"};
        QTest::newRow("the journal of an interrupted booking")
            << "Vennlok.jrn" << "" << "S\tT_Meier.ven\nENDE\n" << QStringList{"Vennlok.jrn: Eine unterbrochene Buchung"};
    }

    void pruefenFindetJedeUnstimmigkeit()
    {
        QFETCH(QString, datei);
        QFETCH(QString, muster);
        QFETCH(QString, ersatz);
        QFETCH(QStringList, befunde);
        {
            // Two closed months, then in 200605 payments, an invoice and its payout.
            auto v = neuerPakt();
            for (int monat = 3; monat <= 5; ++monat) {
                const MonthKey m = v->Buchungsmonat();
                for (const char *name : {"Meier", "Schmidt"})
                    QVERIFY(v->Einzahlung(name, m, e(50), zeitpunkt(2006, monat, 2)).isEmpty());
                if (monat > 3)
                    QVERIFY(v->Rechnung("Meier", e(30), zeitpunkt(2006, monat, 3)).isEmpty());
                if (monat < 5)
                    QVERIFY(!v->Monatsabschluss(m, true, zeitpunkt(2006, monat, 28)));
            }
            QVERIFY(v->AuszahlungenBuchen("200605"));
        }
        QVERIFY2(beschaedigen(datei, muster, ersatz) || befunde.isEmpty(), "the damage must change the file");
        QStringList gefunden = TVennlok::Unterbrochen(m_dir.path());
        if (gefunden.isEmpty())
            gefunden = TVennlok(m_dir.path()).Pruefen();
        QCOMPARE(gefunden.size(), befunde.size());
        for (int i = 0; i < befunde.size(); ++i)
            QVERIFY2(gefunden[i].contains(befunde[i]), qPrintable(gefunden.join(QLatin1Char('\n'))));
    }

    // A damaged data file refuses the operation that needs it, naming the
    // file, section and key; nothing is written, byte for byte.
    void beschaedigteDateienWerdenAbgewiesen_data()
    {
        QTest::addColumn<QString>("datei");
        QTest::addColumn<QString>("muster"); // replaced in datei; "-" deletes it
        QTest::addColumn<QString>("ersatz");
        QTest::addColumn<QString>("meldung"); // empty: the payment is booked
        const QString kasse = QStringLiteral("A_Kassendaten200604.ven"), daten = QStringLiteral("A_Vennlok.ven");
        const QString aktuell = QStringLiteral("(\\[aktuelle Daten\\][^[]*\\n%1=)[^\\r]*");
        QTest::newRow("a cash book total that does not read") << kasse << "\\nSumme=[^\\r]*" << "\nSumme=abc"
            << "Die Datei \u201EA_Kassendaten200604.ven\u201C ist beschädigt: [Kasse] Summe fehlt oder ist nicht lesbar.";
        QTest::newRow("a truncated cash book") << kasse << "\\nEinzahlungen=[\\s\\S]*" << "\nEinzahlungen=5"
            << "[Kasse] Rechnungen fehlt oder ist nicht lesbar.";
        QTest::newRow("a counter at its largest") << kasse << "Eingangsbuchungen200604=\\d+"
                                                  << "Eingangsbuchungen200604=2147483647" << "Ein Zähler wird zu groß";
        QTest::newRow("a fund that the payment would carry beyond 15 digits")
            << kasse << "\\nSumme=[^\\r]*" << "\nSumme=99999999999,9999" << "Der Betrag wird zu groß";
        QTest::newRow("a participant without its total") << "T_Schmidt.ven" << "SummeEinz=[^\\r]*\\r\\n" << ""
            << "Die Datei \u201ET_Schmidt.ven\u201C ist beschädigt: [Kopfdaten] SummeEinz fehlt oder ist nicht lesbar.";
        QTest::newRow("a contribution of -50") << daten << aktuell.arg("Beitrag") << "\\1-50"
            << "[aktuelle Daten] Beitrag ist -50; erlaubt ist größer als 0 und höchstens 100.000.000.";
        QTest::newRow("a social share of 1E300") << daten << aktuell.arg("IntSozialanteil") << "\\11E300"
            << "[aktuelle Daten] IntSozialanteil ist 1E300; erlaubt ist von 0 bis 1.";
        QTest::newRow("a booking month abc") << daten << aktuell.arg("Buchungsmonat") << "\\1abc"
            << "[aktuelle Daten] Buchungsmonat \u201Eabc\u201C ist kein Monat";
        QTest::newRow("a booking month of seven digits") << daten << aktuell.arg("Buchungsmonat") << "\\11000001"
            << "[aktuelle Daten] Buchungsmonat \u201E1000001\u201C ist kein Monat";
        QTest::newRow("an empty master file") << daten << "^[\\s\\S]*$" << ""
            << "Die Datei \u201EA_Vennlok.ven\u201C ist beschädigt: [Startdaten] Buchungsmonat fehlt.";
        QTest::newRow("the open month's cash book is gone") << kasse << "-" << ""
            << "Die Kassendatei \u201EA_Kassendaten200604.ven\u201C des offenen Monats fehlt.";
        QTest::newRow("a byte-order mark before the first section is dropped")
            << "T_Schmidt.ven" << "^" << QString::fromLatin1("\xEF\xBB\xBF") << "";
    }

    void beschaedigteDateienWerdenAbgewiesen()
    {
        QFETCH(QString, datei);
        QFETCH(QString, muster);
        QFETCH(QString, ersatz);
        QFETCH(QString, meldung);
        {
            auto v = neuerPakt();
            for (const char *name : {"Meier", "Schmidt"})
                QVERIFY(v->Einzahlung(name, "200603", e(50), zeitpunkt(2006, 3, 2)).isEmpty());
            QVERIFY(!v->Monatsabschluss("200603", true, zeitpunkt(2006, 3, 28)));
            QVERIFY(v->Einzahlung("Meier", "200604", e(50), zeitpunkt(2006, 4, 2)).isEmpty());
        }
        QVERIFY(beschaedigen(datei, muster, ersatz));
        auto vorher = verzeichnisstand(m_dir);
        try {
            TVennlok v(m_dir.path());
            v.Oeffnen();
            vorher = verzeichnisstand(m_dir); // opening adds to the log
            const QString antwort = v.Einzahlung("Schmidt", "200604", e(50), zeitpunkt(2006, 4, 3));
            QVERIFY2(meldung.isEmpty() && antwort.isEmpty(), qPrintable(antwort));
            QVERIFY(dateiInhalt(pfad("T_Schmidt.ven")).startsWith("[Kopfdaten]\r\n"));
            QCOMPARE(v.Pruefen(), QStringList());
        } catch (const VennlokFehler &f) {
            QVERIFY2(!meldung.isEmpty() && f.text().contains(meldung), qPrintable(f.text()));
            QCOMPARE(verzeichnisstand(m_dir), vorher);
        }
    }

    void adressenMitVerlauf()
    {
        auto v = neuerPakt();
        QVERIFY(v->TeilhaberOeffnen(QStringLiteral("Groß, Anna")));
        QVERIFY(v->AdresseSpeichern(QStringLiteral("Stadt"), QStringLiteral("Köln"), QStringLiteral("20060305")));
        QString meldung;
        QVERIFY(!v->AdresseSpeichern(QStringLiteral("Tel=x"), QStringLiteral("1"), QStringLiteral("20060305"), &meldung));
        QVERIFY(!meldung.isEmpty());
        QVERIFY(v->TeilhaberSchliessen());
        QVERIFY(!v->TeilhaberSchliessen());
        QVERIFY(v->TeilhaberVorhanden(QStringLiteral("gross_anna")));
        QVERIFY(v->TeilhaberOeffnen(QStringLiteral("Gross_Anna")));
        QCOMPARE(v->Adressen(), QStringList({"Stadt"}));
        QVERIFY(v->AdresseSpeichern(QStringLiteral("Stadt"), QStringLiteral("Bonn"), QStringLiteral("20060306")));
        QVERIFY(v->TeilhaberSchliessen());
        QCOMPARE(datei("T_Gross_Anna.ven"),
                 crlf("[Kopfdaten]\nTeilhaber=Gross_Anna\nSummeEinz=0\nSummeEigen=0\nSummeAusz=0\nAnzahlEinz=0\n"
                      "AnzahlAusz=0\n\n[Adresse]\nStadt=Bonn\n\n[Adresse_alt20060306]\nStadt=K\xf6ln\n\n"));
        v.reset();
        QVERIFY(datei("A_Kassendaten200603.buc").endsWith(
            crlf("T_Gross_Anna.ven:Adresse,Stadt,K\xf6ln,20060305\nT_Gross_Anna.ven:Adresse,Stadt,Bonn,20060306\n")));
    }
};

QTEST_GUILESS_MAIN(TstVennlok)
#include "tst_vennlok.moc"
