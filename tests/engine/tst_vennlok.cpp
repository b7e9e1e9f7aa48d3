#include "algo/fehler.h"
#include "algo/formeln.h"
#include "data/teilhaber.h"
#include "engine/vennlok.h"

#include "tests/dateistand.h"
#include "tests/testhilfe.h"
#include "tests/testpakt.h"

#include <QtTest>
#include <thread>
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
    QByteArray datei(const QString &name) const { return dateiStand(pfad(name)); }

    std::unique_ptr<TVennlok> neuerPakt()
    {
        auto v = std::make_unique<TVennlok>(m_dir.path());
        paktGruenden(*v);
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
            QVERIFY(!v.Monatsstand().offen);
            QCOMPARE(v.Buchungsmonat(), QString());
            QCOMPARE(v.Monatsstand().kassenstand, FehlwertMoney);
            QCOMPARE(v.Monatsstand().eingangsbuchungen, FehlwertInt);
            QCOMPARE(v.Monatsstand().ausgangsbuchungen, FehlwertInt);
            QCOMPARE(v.Parameter().beitrag, e(180));
            QCOMPARE(v.Einzahlung(QStringLiteral("Meier"), QString(), e(50), 0).meldung, QStringLiteral("Die Kasse ist nicht offen."));
        }
        // Closing the engine leaves no master data file (and no lock) behind.
        QCOMPARE(m_dir.entryList(QDir::Files), QStringList());
    }

    void misslungenerPaktBleibtNichtImSpeicher()
    {
#ifdef Q_OS_UNIX
        {
            // A disk that takes no byte more: the directory still opens (the
            // lock needs no room), and the refusal says the disk is full.
            VollePlatte voll;
            TVennlok v(m_dir.path());
            try {
                paktGruenden(v);
                QFAIL("a pact was founded on a full disk");
            } catch (const VennlokFehler &f) {
                QVERIFY2(f.text().contains(QStringLiteral("Der Datenträger ist voll")), qPrintable(f.text()));
            }
        }
        TVennlok v(m_dir.path());
        {
            VollePlatte voll;
            QVERIFY_THROWS_EXCEPTION(VennlokFehler, paktGruenden(v));
        }
        QVERIFY(!v.PaktVorhanden());
        QVERIFY(!v.PaktVorhanden());
        QCOMPARE(v.Parameter().beitrag, e(180));
        paktGruenden(v);
        QVERIFY(v.PaktVorhanden());
        QCOMPARE(v.Parameter().beitrag, e(50));
#endif
    }

    // A pact in memory books, closes and undoes as on its directory, takes
    // no lock, and leaves every file of the directory it was copied from as
    // it was; two of them work side by side on threads of their own.
    void paktImSpeicher()
    {
        {
            TVennlok v(m_tmp->path());
            zweiterMonat(v, {QStringLiteral("Anna"), QStringLiteral("Bernd")});
        }
        const auto vorher = verzeichnisstand(m_dir);
        QHash<QString, QByteArray> bild;
        for (auto it = vorher.cbegin(); it != vorher.cend(); ++it)
            bild.insert(it.key(), it.value());
        TVennlok gesperrt(m_tmp->path()); // the directory's own engine holds the lock meanwhile
        const auto rechnen = [&](Money beitrag, Money *kasse) {
            TVennlok v(m_tmp->path(), bild);
            v.Oeffnen();
            QVERIFY(v.Einzahlung(QStringLiteral("Anna"), v.Buchungsmonat(), beitrag, zeitpunkt(2006, 4, 2)).gebucht());
            {
                TTransaktion verworfen(v); // left without committing: undone
                QVERIFY(v.Einzahlung(QStringLiteral("Bernd"), v.Buchungsmonat(), e(50), zeitpunkt(2006, 4, 3)).gebucht());
            }
            QCOMPARE(v.Monatsstand().eingangsbuchungen, 1);
            QVERIFY(v.Monatsabschluss(QStringLiteral("200604"), true, zeitpunkt(2006, 4, 30)).gebucht());
            QCOMPARE(v.Buchungsmonat(), QStringLiteral("200605"));
            QCOMPARE(v.Pruefen(), QStringList());
            *kasse = v.Verlauf().last().kasse;
        };
        Money kasse[2] = {0, 0};
        std::thread neben([&] { rechnen(e(50), &kasse[0]); });
        rechnen(e(30), &kasse[1]);
        neben.join();
        QCOMPARE(kasse[0] - kasse[1], e(20));
        QCOMPARE(verzeichnisstand(m_dir), vorher);
        QCOMPARE(gesperrt.Buchungsmonat(), QStringLiteral("200604"));
    }

    void zweiterPaktWirdAbgelehnt()
    {
        neuerPakt().reset();
        const QByteArray vorher = datei("A_Vennlok.ven");
        auto v = std::make_unique<TVennlok>(m_dir.path());
        v->Oeffnen();
        const TErgebnis ergebnis = v->NeuPakt(Vennlok::Version, zeitpunkt(2007, 1, 1), e(70), e(1), e(1), 0.3, 0.5, e(1), e(-1));
        QCOMPARE(ergebnis.art, TErgebnis::Abgelehnt);
        QVERIFY(ergebnis.meldung.contains(QStringLiteral("bereits ein Pakt")));
        v.reset();
        QCOMPARE(datei("A_Vennlok.ven"), vorher);
        QVERIFY(!QFile::exists(pfad("A_Kassendaten200701.ven")));
    }

    // A lock file left behind is taken over; one that holds a holder's text
    // was left by a program that did not end in order, and the log says so.
    void verwaisteSperreWirdUebernommen_data()
    {
        tabelle("verwaiste_sperre", {"text", "gemeldet"});
    }

    void verwaisteSperreWirdUebernommen()
    {
        QFETCH(QString, text);
        QFETCH(QString, gemeldet);
        neuerPakt().reset();
        QVERIFY(!QFile::exists(pfad("Vennlok.lck")));
        schreiben(pfad("Vennlok.lck"), text.toLatin1());
        TVennlok v(m_dir.path());
        v.Oeffnen();
        QCOMPARE(dateiStand(pfad("A_Kassendaten200603.buc")).contains("Eine verwaiste Sperrdatei eines beendeten Programms wurde "),
                 gemeldet == QLatin1String("ja"));
    }

    // Each booking says what it did: booked with the amount it moved, or
    // refused with a reason, also where the rules give the operator no message.
    void buchungenSagenWasSieTaten_data()
    {
        QTest::addColumn<QString>("buchung");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("art");
        QTest::addColumn<QString>("meldung");
        QTest::addColumn<QString>("grund");
        QTest::addColumn<qlonglong>("betrag");
        const int ja = TErgebnis::Gebucht, nein = TErgebnis::Abgelehnt;
        QTest::newRow("a payment is booked with its amount") << "Einzahlung" << "Dora" << ja << "" << "" << qlonglong(e(50));
        QTest::newRow("a second full payment is refused with the rules' message")
            << "Einzahlung" << "Anna" << nein << "Für diesen Tag / Monat existiert eine Buchung. Bitte die Korrektur benutzen"
            << "Für diesen Tag / Monat existiert eine Buchung" << qlonglong(0);
        QTest::newRow("a payment under three letters is refused silently, with a reason")
            << "Einzahlung" << "Bob" << nein << "" << "zu kurz: mindestens 4 Zeichen" << qlonglong(0);
        QTest::newRow("an invoice is booked with its amount") << "Rechnung" << "Anna" << ja << "" << "" << qlonglong(e(50));
        QTest::newRow("an invoice of an unknown name is refused silently, with a reason")
            << "Rechnung" << "Niemand" << nein << "" << "Einen Teilhaber „Niemand“ gibt es nicht" << qlonglong(0);
        QTest::newRow("an exit books the settlement") << "Austritt" << "Anna" << ja << "" << "" << qlonglong(e(49.5));
        QTest::newRow("an exit of an unknown name is refused")
            << "Austritt" << "Niemand" << nein << "Dieser Teilhaber existiert nicht." << "existiert nicht" << qlonglong(0);
    }

    void buchungenSagenWasSieTaten()
    {
        QFETCH(QString, buchung);
        QFETCH(QString, name);
        QFETCH(int, art);
        QFETCH(QString, meldung);
        QFETCH(QString, grund);
        QFETCH(qlonglong, betrag);
        TVennlok v(m_dir.path());
        Testhilfe::zweiterMonat(v, {"Anna", "Bernd"});
        QCOMPARE(v.Einzahlung(QStringLiteral("Anna"), v.Buchungsmonat(), e(50), zeitpunkt(2006, 4, 2)).art, TErgebnis::Gebucht);
        const auto vorher = verzeichnisstand(m_dir);
        const TErgebnis r = buchung == QLatin1String("Einzahlung") ? v.Einzahlung(name, v.Buchungsmonat(), e(50), zeitpunkt(2006, 4, 3))
                            : buchung == QLatin1String("Rechnung") ? v.Rechnung(name, e(50), zeitpunkt(2006, 4, 3))
                                                                   : v.Austritt(name);
        QCOMPARE(int(r.art), art);
        QCOMPARE(r.meldung, meldung);
        QVERIFY2(grund.isEmpty() ? r.grund.isEmpty() : r.grund.contains(grund), qPrintable(r.grund));
        QCOMPARE(qlonglong(r.betrag), betrag);
        // What was refused changed no data file.
        if (!r.gebucht()) {
            const auto nachher = verzeichnisstand(m_dir);
            for (const QString &datei : nachher.keys())
                QVERIFY2(datei.endsWith(QLatin1String(".buc")) || nachher[datei] == vorher.value(datei), qPrintable(datei));
        }
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
        tabelle("neuer_ordner", {"vorhanden", "erwartet"});
    }

    void ordnerFuerEinenNeuenPakt()
    {
        QFETCH(QString, vorhanden);
        QFETCH(QString, erwartet);
        const QStringList eintraege = vorhanden == QLatin1String("-") ? QStringList() : vorhanden.split(QLatin1Char(' '));
        for (const QString &eintrag : eintraege) {
            m_dir.mkpath(QFileInfo(eintrag).path());
            if (!eintrag.endsWith(QLatin1Char('/')))
                schreiben(m_dir.filePath(eintrag), "x");
        }
        const QString ordner = Vennlok::FreiesVerzeichnis(m_dir.filePath(QStringLiteral("Demo")));
        QCOMPARE(ordner, m_dir.filePath(erwartet));
        Vennlok::VerzeichnisAnlegen(ordner + QStringLiteral("/Unterordner"));
        QVERIFY(QFileInfo(ordner + QStringLiteral("/Unterordner")).isDir());
        for (const QString &eintrag : eintraege)
            QVERIFY(QFileInfo::exists(m_dir.filePath(eintrag)));

        schreiben(m_dir.filePath(QStringLiteral("Datei")), "x");
        try {
            Vennlok::VerzeichnisAnlegen(m_dir.filePath(QStringLiteral("Datei/Pakt")));
            QFAIL("a folder was made below a file");
        } catch (const VennlokFehler &f) {
            QCOMPARE(f.text(), QStringLiteral("Der Ordner \u201E%1\u201C kann nicht angelegt werden.")
                                   .arg(QDir::toNativeSeparators(m_dir.filePath(QStringLiteral("Datei/Pakt")))));
        }
    }

    void unzulaessigeNamenSchreibenNichts_data()
    {
        tabelle("unzulaessige_namen", {"name"});
        QTest::newRow("a name of 10,000 characters, not even logged") << QString(10000, QLatin1Char('M'));
    }

    void unzulaessigeNamenSchreibenNichts()
    {
        QFETCH(QString, name);
        auto v = neuerPakt();
        const QByteArray kasse = datei("A_Kassendaten200603.ven");
        const QString meldung = v->Einzahlung(name, QStringLiteral("200603"), e(50), zeitpunkt(2006, 3, 5)).meldung;
        QVERIFY(meldung.contains(QStringLiteral("nicht zulässig")) && meldung.size() < 200);
        QVERIFY(v->TeilhaberOeffnen(name).abgelehnt());
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
        QCOMPARE(v->Einzahlung(QStringLiteral("Schmidt"), QStringLiteral("200603"), e(50), zeitpunkt(2006, 3, 5)).meldung, QString());
        QCOMPARE(v->Rechnung(QStringLiteral("Schmidt"), e(100), zeitpunkt(2006, 3, 5)).meldung,
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
        QCOMPARE(v.TeilhaberListe(true), QStringList({
            "Meier...................................0",
            "Zahler20................................20"}));
        const QStringList namen = v.Teilhabernamen();
        QCOMPARE(namen.size(), 5);
        QVERIFY(!namen.contains(QStringLiteral("Ausgetreten")));
        // Counting reads; it does not rewrite the files.
        QCOMPARE(datei("T_Zahler60.ven"), vorher);
    }

    void pruefenFindetJedeUnstimmigkeit_data()
    {
        tabelle("pruefen_befunde", {"datei", "muster", "ersatz", "befunde"});
    }

    void pruefenFindetJedeUnstimmigkeit()
    {
        QFETCH(QString, datei);
        QFETCH(QString, muster);
        QFETCH(QString, ersatz);
        QFETCH(QString, befunde);
        const QStringList erwartet = befunde == QLatin1String("keine") ? QStringList() : befunde.split(QStringLiteral(" ; "));
        {
            // Two closed months, then in 200605 payments, an invoice and its payout.
            auto v = neuerPakt();
            for (int monat = 3; monat <= 5; ++monat) {
                const MonthKey m = v->Buchungsmonat();
                for (const char *name : {"Meier", "Schmidt"})
                    QVERIFY(v->Einzahlung(name, m, e(50), zeitpunkt(2006, monat, 2)).meldung.isEmpty());
                if (monat > 3)
                    QVERIFY(v->Rechnung("Meier", e(30), zeitpunkt(2006, monat, 3)).meldung.isEmpty());
                if (monat < 5)
                    QVERIFY(v->Monatsabschluss(m, true, zeitpunkt(2006, monat, 28)).gebucht());
            }
            QVERIFY(v->AuszahlungenBuchen("200605").gebucht());
        }
        QVERIFY2(beschaedigen(datei, muster, ersatz) || erwartet.isEmpty(), "the damage must change the file");
        QStringList gefunden = Vennlok::Unterbrochen(m_dir.path());
        if (gefunden.isEmpty())
            gefunden = TVennlok(m_dir.path()).Pruefen();
        QVERIFY2(gefunden.size() == erwartet.size(), qPrintable(gefunden.join(QLatin1Char('\n'))));
        for (int i = 0; i < erwartet.size(); ++i)
            QVERIFY2(gefunden[i].contains(erwartet[i]), qPrintable(gefunden.join(QLatin1Char('\n'))));
    }

    // A damaged data file refuses the operation that needs it, naming the
    // file, section and key; nothing is written, byte for byte.
    void beschaedigteDateienWerdenAbgewiesen_data()
    {
        tabelle("beschaedigte_dateien", {"datei", "muster", "ersatz", "meldung"});
    }

    void beschaedigteDateienWerdenAbgewiesen()
    {
        QFETCH(QString, datei);
        QFETCH(QString, muster);
        QFETCH(QString, ersatz);
        QFETCH(QString, meldung);
        if (meldung == QLatin1String("(gebucht)"))
            meldung.clear();
        {
            auto v = neuerPakt();
            for (const char *name : {"Meier", "Schmidt"})
                QVERIFY(v->Einzahlung(name, "200603", e(50), zeitpunkt(2006, 3, 2)).meldung.isEmpty());
            QVERIFY(v->Monatsabschluss("200603", true, zeitpunkt(2006, 3, 28)).gebucht());
            QVERIFY(v->Einzahlung("Meier", "200604", e(50), zeitpunkt(2006, 4, 2)).meldung.isEmpty());
        }
        QVERIFY(beschaedigen(datei, muster, ersatz));
        auto vorher = verzeichnisstand(m_dir);
        try {
            TVennlok v(m_dir.path());
            v.Oeffnen();
            vorher = verzeichnisstand(m_dir); // opening adds to the log
            const QString antwort = v.Einzahlung("Schmidt", "200604", e(50), zeitpunkt(2006, 4, 3)).meldung;
            QVERIFY2(meldung.isEmpty() && antwort.isEmpty(), qPrintable(antwort));
            QVERIFY(dateiStand(pfad("T_Schmidt.ven")).startsWith("[Kopfdaten]\r\n"));
            QCOMPARE(v.Pruefen(), QStringList());
        } catch (const VennlokFehler &f) {
            QVERIFY2(!meldung.isEmpty() && f.text().contains(meldung), qPrintable(f.text()));
            QCOMPARE(verzeichnisstand(m_dir), vorher);
        }
    }

    // A reversed booking leaves the files as if it had never been made: the
    // same bookings without it, made in a second folder, give the same
    // bytes, apart from the log, which records the reversal. A refused
    // reversal changes nothing. Bookings: "E Name Betrag Tag" a payment,
    // "R Name Betrag Tag" an invoice, "A" pays the invoices out, in April.
    void stornoWieNieGebucht_data()
    {
        QTest::addColumn<QStringList>("buchungen");
        QTest::addColumn<QString>("storno"); // "E Name Nr" or "R Name Nr"
        QTest::addColumn<int>("ohne");       // the booking it takes back; -1: refused
        QTest::addColumn<QString>("grund");
        QTest::newRow("the second of two partial payments is reversed")
            << QStringList{"E Anna 20 3", "E Berta 50 3", "E Anna 30 3"} << "E Anna 2" << 2 << "";
        QTest::newRow("the first of two payments on one day is reversed and the second moves up")
            << QStringList{"E Anna 20 3", "E Berta 50 3", "E Anna 30 3"} << "E Anna 1" << 0 << "";
        QTest::newRow("the only payment of a day takes the day's counter with it")
            << QStringList{"E Anna 50 3", "E Berta 50 4"} << "E Berta 1" << 1 << "";
        QTest::newRow("an invoice is reversed and the other one stays")
            << QStringList{"R Anna 80 5", "R Berta 30 5", "R Anna 12,5 6"} << "R Anna 1" << 0 << "";
        QTest::newRow("a name is found as payments find it")
            << QStringList{"E Anna 50 3"} << "E anna 1" << 0 << "";
        QTest::newRow("a number beyond the month's payments is refused")
            << QStringList{"E Anna 50 3"} << "E Anna 2" << -1 << "nur 1 Einzahlung";
        QTest::newRow("a participant without an invoice has none to reverse")
            << QStringList{"E Anna 50 3"} << "R Anna 1" << -1 << "keine Rechnung";
        QTest::newRow("an invoice already paid out is refused")
            << QStringList{"R Anna 80 5", "A"} << "R Anna 1" << -1 << "schon ausgezahlt";
        QTest::newRow("an unknown participant is refused")
            << QStringList{"E Anna 50 3"} << "E Niemand 1" << -1 << "gibt es nicht";
    }

    void stornoWieNieGebucht()
    {
        QFETCH(QStringList, buchungen);
        QFETCH(QString, storno);
        QFETCH(int, ohne);
        QFETCH(QString, grund);
        const auto buchen = [](TVennlok &v, const QStringList &liste) {
            for (const QString &b : liste) {
                const QStringList t = b.split(' ');
                if (t[0] == QLatin1String("A"))
                    QVERIFY(v.AuszahlungenBuchen(v.Buchungsmonat()).gebucht());
                else if (t[0] == QLatin1String("E"))
                    QVERIFY(v.Einzahlung(t[1], v.Buchungsmonat(), e(QString(t[2]).replace(QLatin1Char(','), QLatin1Char('.')).toDouble()), zeitpunkt(2006, 4, t[3].toInt())).gebucht());
                else
                    QVERIFY(v.Rechnung(t[1], e(QString(t[2]).replace(QLatin1Char(','), QLatin1Char('.')).toDouble()), zeitpunkt(2006, 4, t[3].toInt())).gebucht());
            }
        };
        QTemporaryDir anders;
        QStringList ohneListe = buchungen;
        if (ohne >= 0)
            ohneListe.removeAt(ohne);
        {
            TVennlok v(anders.path());
            zweiterMonat(v, {QStringLiteral("Anna"), QStringLiteral("Berta")});
            buchen(v, ohne >= 0 ? ohneListe : buchungen);
        }
        auto v = std::make_unique<TVennlok>(m_dir.path());
        zweiterMonat(*v, {QStringLiteral("Anna"), QStringLiteral("Berta")});
        buchen(*v, buchungen);
        const auto vorher = verzeichnisstand(m_dir);
        const QStringList s = storno.split(' ');
        const TErgebnis ergebnis = v->Storno(s[0] == QLatin1String("E"), s[1], s[2].toInt());
        if (ohne < 0) {
            QVERIFY(ergebnis.abgelehnt());
            QVERIFY2(ergebnis.meldung.contains(grund), qPrintable(ergebnis.meldung));
            QCOMPARE(verzeichnisstand(m_dir), vorher);
            return;
        }
        QVERIFY2(ergebnis.gebucht(), qPrintable(ergebnis.meldung));
        QVERIFY(v->Pruefen().isEmpty());
        v.reset();
        auto gebucht = verzeichnisstand(m_dir), erwartet = verzeichnisstand(QDir(anders.path()));
        const QString log = QStringLiteral("A_Kassendaten200604.buc");
        QVERIFY(gebucht.take(log).contains("Storno,"));
        erwartet.remove(log);
        QCOMPARE(gebucht, erwartet);
    }

    // Arrears are the unpaid contributions of closed months: one who paid
    // 20 of 50 owes 30 once March is closed, and April's contribution is
    // due beside it; after an exit nothing more falls due.
    void rueckstandUndFaellig()
    {
        auto v = std::make_unique<TVennlok>(m_dir.path());
        zweiterMonat(*v, {QStringLiteral("Anna"), QStringLiteral("Bernd")});
        QVERIFY(v->Einzahlung(QStringLiteral("Clara"), v->Buchungsmonat(), e(20), zeitpunkt(2006, 4, 2)).gebucht());
        QVERIFY(v->Monatsabschluss(QStringLiteral("200604"), true, zeitpunkt(2006, 4, 30)).gebucht());
        QVERIFY(v->Einzahlung(QStringLiteral("Anna"), v->Buchungsmonat(), e(50), zeitpunkt(2006, 5, 2)).gebucht());
        const TKontoauszug clara = v->Kontoauszug(QStringLiteral("Clara"));
        QCOMPARE(clara.rueckstandGesamt, e(30));
        QCOMPARE(clara.faellig, e(50));
        // Anna and Bernd paid nothing in April: the larger arrears first, and
        // of equal arrears the one with more due; Anna has paid May.
        QStringList gelistet;
        for (const TRueckstand &r : v->Rueckstaende())
            gelistet << QStringLiteral("%1 %2 %3 %4").arg(r.name, Textformat::moneyZuText(r.betrag), r.monate.join(','),
                                                          Textformat::moneyZuText(r.faellig));
        QCOMPARE(gelistet, QStringList({"Bernd 50 200604 50", "Anna 50 200604 0", "Clara 30 200604 50"}));
        QCOMPARE(v->Austritt(QStringLiteral("Clara")).meldung, QString());
        QCOMPARE(v->Kontoauszug(QStringLiteral("Clara")).faellig, 0);
    }

    // The name as a participant was first typed: statements, the arrears
    // list, the member list and completion show it; the file keeps its
    // folded name, and a file made before names were kept shows that.
    void namenWieGetippt_data() { tabelle("namen_wie_getippt", {"getippt", "gesucht", "gezeigt", "beiDerBank", "andereForm"}); }

    void namenWieGetippt()
    {
        QFETCH(QString, getippt);
        QFETCH(QString, gesucht);
        QFETCH(QString, gezeigt);
        QFETCH(QString, andereForm);
        QFETCH(QString, beiDerBank);
        auto v = neuerPakt();
        QVERIFY(v->Einzahlung(getippt, v->Buchungsmonat(), e(20), zeitpunkt(2006, 3, 2)).gebucht());
        QCOMPARE(v->Kontoauszug(gesucht).name, gezeigt);
        const QList<TRueckstand> liste = v->Rueckstaende();
        QVERIFY(std::any_of(liste.cbegin(), liste.cend(), [&](const TRueckstand &r) { return r.name == gezeigt && r.faellig == e(30); }));
        QVERIFY(v->Teilhabernamen().contains(gezeigt));
        const QStringList formen = Vennlok::Namensformen(v->Teilhabernamen());
        QCOMPARE(formen.contains(andereForm), !andereForm.isEmpty());
        QCOMPARE(formen.count(gezeigt), 1);
        // The bank gets the typed name in its own character set; the month's report shows it as typed.
        QVERIFY(v->Monatsabschluss(QStringLiteral("200603"), true, zeitpunkt(2006, 3, 31)).gebucht());
        // As the window books it: under the name the participant's file has.
        const TErgebnis rechnung = v->Rechnung(v->TeilhaberName(gesucht), e(40), zeitpunkt(2006, 4, 3));
        QVERIFY2(rechnung.gebucht(), qPrintable(rechnung.grund));
        QVERIFY(v->PaktKontoSetzen({QStringLiteral("Pakt"), QStringLiteral("DE02120300000000202051"), QString(), QString(), 0}).gebucht());
        QVERIFY(v->AdresseSpeichern(getippt, QStringLiteral("IBAN"), QStringLiteral("DE89370400440532013000"), QStringLiteral("03.04.2006")).gebucht());
        QVERIFY(v->Monatsabschluss(QStringLiteral("200604"), true, zeitpunkt(2006, 4, 30)).gebucht());
        const TMonatsbericht bericht = v->Monatsbericht(QStringLiteral("200604"));
        QVERIFY(std::any_of(bericht.ueberweisungen.cbegin(), bericht.ueberweisungen.cend(),
                            [&](const TUeberweisung &u) { return u.name == gezeigt; }));
        const QByteArray sepa = v->Bankdatei(TBankdatei::Ueberweisungen, QStringLiteral("200604"), QDate(2006, 5, 2), false).inhalt;
        QVERIFY2(sepa.contains("<Nm>" + beiDerBank.toUtf8() + "</Nm>"), sepa.constData());
        QVERIFY2(sepa.contains("<Ustrd>Vennlok 200604 Auszahlung " + beiDerBank.toUtf8() + "</Ustrd>"), sepa.constData());
        // A file without the typed name, as older versions made them, shows its folded name.
        const QString gespeichert = v->TeilhaberName(gesucht);
        v.reset();
        QCOMPARE(beschaedigen(QStringLiteral("T_%1.ven").arg(gespeichert), QStringLiteral("Name=[^\\r]*\\r\\n"), QString()),
                 gezeigt != gespeichert);
        TVennlok alt(m_dir.path());
        QCOMPARE(alt.Kontoauszug(gesucht).name, gespeichert);
    }

    void paktangabenNurGeprueft_data() { tabelle("paktangaben", {"name", "ordner", "ergebnis", "nameDanach", "ordnerDanach"}); }

    // The pact's name and backup folder, checked before they are stored;
    // the name heads every document, the folder receives the archives.
    void paktangabenNurGeprueft()
    {
        static QTemporaryDir aussen;
        static std::unique_ptr<QTemporaryDir> daten;
        if (!daten || QTest::currentDataTag() == QLatin1String("a fresh pact is named after its folder and backs up inside it"))
            daten = std::make_unique<QTemporaryDir>();
        QFETCH(QString, name);
        QFETCH(QString, ordner);
        QFETCH(QString, ergebnis);
        QFETCH(QString, nameDanach);
        QFETCH(QString, ordnerDanach);
        if (name == QLatin1String("-"))
            name.clear();
        if (ordner == QLatin1String("-"))
            ordner.clear();
        const auto einsetzen = [&](QString text) {
            return text.replace(QStringLiteral("{aussen}"), aussen.path())
                .replace(QStringLiteral("{daten}"), daten->path())
                .replace(QStringLiteral("{name}"), QFileInfo(daten->path()).fileName());
        };
        {
            TVennlok v(daten->path());
            if (!v.PaktVorhanden())
                paktGruenden(v);
            const QByteArray vorher = dateiStand(QDir(daten->path()).filePath(TVennlokDaten::Dateiname));
            const TErgebnis r = v.PaktangabenSetzen({name, einsetzen(ordner)});
            if (ergebnis == QLatin1String("gebucht")) {
                QVERIFY2(r.gebucht(), qPrintable(r.meldung));
            } else if (ergebnis == QLatin1String("nichts")) {
                QCOMPARE(r.art, TErgebnis::NichtsZuTun);
            } else {
                QVERIFY2(r.abgelehnt() && r.meldung.contains(ergebnis), qPrintable(r.meldung));
            }
            // Stored exactly when booked: a refusal and nothing to do leave the master data as it was.
            QCOMPARE(dateiStand(QDir(daten->path()).filePath(TVennlokDaten::Dateiname)) != vorher, r.gebucht());
            QCOMPARE(v.PaktName(), einsetzen(nameDanach));
            QCOMPARE(v.Sicherungsordner(), einsetzen(ordnerDanach));
        }
        // A folder no engine holds is read from its files.
        QCOMPARE(Vennlok::PaktName(daten->path()), einsetzen(nameDanach));
    }

    void adressenMitVerlauf()
    {
        auto v = neuerPakt();
        QVERIFY(v->TeilhaberOeffnen(QStringLiteral("Groß, Anna")).gebucht());
        QVERIFY(v->AdresseSpeichern(QStringLiteral("Groß, Anna"), QStringLiteral("Stadt"), QStringLiteral("Köln"), QStringLiteral("20060305")).gebucht());
        const TErgebnis falsch = v->AdresseSpeichern(QStringLiteral("Groß, Anna"), QStringLiteral("Tel=x"), QStringLiteral("1"), QStringLiteral("20060305"));
        QVERIFY(falsch.abgelehnt() && !falsch.meldung.isEmpty());
        QVERIFY(v->AdresseSpeichern(QStringLiteral("Niemand"), QStringLiteral("Stadt"), QStringLiteral("Bonn"), QStringLiteral("20060305")).abgelehnt());
        QVERIFY(v->TeilhaberVorhanden(QStringLiteral("gross_anna")));
        QCOMPARE(v->TeilhaberOeffnen(QStringLiteral("Gross_Anna")).art, TErgebnis::NichtsZuTun);
        using Eintrag = QPair<QString, QString>;
        QCOMPARE(v->Adresse(QStringLiteral("Gross_Anna")), QList<Eintrag>({{"Stadt", "Köln"}}));
        QCOMPARE(v->Adresse(QStringLiteral("Groß, Anna")), QList<Eintrag>({{"Stadt", "Köln"}}));
        QVERIFY(v->AdresseSpeichern(QStringLiteral("Gross_Anna"), QStringLiteral("Stadt"), QStringLiteral("Bonn"), QStringLiteral("20060306")).gebucht());
        QCOMPARE(datei("T_Gross_Anna.ven"),
                 crlf("[Kopfdaten]\nTeilhaber=Gross_Anna\nName=Gro\xdf, Anna\nSummeEinz=0\nSummeEigen=0\nSummeAusz=0\nAnzahlEinz=0\n"
                      "AnzahlAusz=0\n\n[Adresse]\nStadt=Bonn\n\n[Adresse_alt20060306]\nStadt=K\xf6ln\n\n"));
        v.reset();
        QVERIFY(datei("A_Kassendaten200603.buc").endsWith(
            crlf("T_Gross_Anna.ven:Adresse,Stadt,K\xf6ln,20060305\nT_Gross_Anna.ven:Adresse,Stadt,Bonn,20060306\n")));
    }
};

QTEST_GUILESS_MAIN(TstVennlok)
#include "tst_vennlok.moc"
