#include "algo/fehler.h"
#include "algo/formeln.h"
#include "engine/vennlok.h"
#include "platform/skript.h"

#include "data/cp1252.h"
#include "tests/dateistand.h"
#include "tests/testhilfe.h"

#include <QtTest>
#include <memory>

using namespace Testhilfe;

namespace {

class Protokoll : public TFortschritt
{
public:
    QStringList abschluesse, meldungen;
    int erledigt = -1, gesamt = -1;
    void MonatAbgeschlossen(const MonthKey &monat, int anzahl) override
    {
        abschluesse.append(QStringLiteral("%1 (%2)").arg(monat).arg(anzahl));
    }
    void Zeilen(int e, int g) override
    {
        erledigt = e;
        gesamt = g;
    }
    void Meldung(const QString &text) override { meldungen.append(text); }
};

const QByteArray Pakt = "NeuPakt,V1,01.03.2006,50,0.5,2,0.207,0.65,3000,-300\n";

} // namespace

class TstAutobuchung : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    QDir m_dir;
    std::unique_ptr<TVennlok> m_v;
    Protokoll m_protokoll;

    QString pfad(const QString &name) const { return m_dir.filePath(name); }

    void abspielen(const QByteArray &text, int arten = 31, const QString &name = QStringLiteral("sim1.aut"))
    {
        schreiben(pfad(name), text);
        m_v->AutoBuchung(pfad(name), arten, &m_protokoll);
    }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        m_dir = QDir(m_tmp->path());
        m_v = std::make_unique<TVennlok>(m_dir.path());
        m_protokoll = Protokoll();
    }

    void cleanup()
    {
        m_v.reset();
        Plattform::AufSkripteWarten();
        m_tmp.reset();
    }

    void felderTrennen_data()
    {
        tabelle("felder_trennen", {"zeile", "felder"});
    }

    void felderTrennen()
    {
        QFETCH(QString, zeile);
        QFETCH(QString, felder);
        QCOMPARE(Vennlok::FelderTrennen(zeile), felder == QLatin1String("keine") ? QStringList() : felder.split(QLatin1Char('|')));
    }

    void dateienInUtf8UndWindows1252_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("UTF-8") << QByteArray("M\xc3\xbcller");
        QTest::newRow("Windows-1252") << QByteArray("M\xfcller");
    }

    void dateienInUtf8UndWindows1252()
    {
        QFETCH(QByteArray, name);
        abspielen(Pakt + "Einzahlg," + name + ",50\n");
        QVERIFY(QFile::exists(pfad("T_Mueller.ven")));
    }

    // Lines that are refused: the replay stops with the line's number, quotes
    // at most 60 characters of it, and every file is as before, byte for byte.
    void fehlerhafteZeilen_data()
    {
        tabelle("autobuchung_fehler", {"ohnePakt", "zeile", "meldung"});
        QTest::newRow("a field of 100,000 characters is quoted with 60")
            << "nein" << "Datum," + QString(100000, QLatin1Char('x'))
            << "'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\u2026' ist kein gültiges Datum";
    }

    void fehlerhafteZeilen()
    {
        QFETCH(QString, ohnePakt);
        QFETCH(QString, zeile);
        QFETCH(QString, meldung);
        meldung.prepend(QStringLiteral("sim1.aut, Zeile 2: "));
        if (ohnePakt == QLatin1String("nein"))
            abspielen(Pakt + "Einzahlg,Meier,20\n");
        const auto stand = [&] {
            auto dateien = verzeichnisstand(m_dir);
            dateien.remove(QStringLiteral("sim1.aut"));
            dateien.remove(Vennlok::Standdatei);
            return dateien;
        };
        const auto vorher = stand();
        try {
            abspielen("Datum,01.03.2006\n" + zeile.toUtf8() + "\nEinzahlg,Meier,50\n");
            QFAIL("the replay went on");
        } catch (const VennlokFehler &f) {
            QVERIFY2(f.text().startsWith(meldung), qPrintable(f.text()));
            QVERIFY2(f.text().size() < 400, "the message quotes too much of the line");
        }
        QCOMPARE(stand(), vorher);
        QCOMPARE(m_v->PaktVorhanden(), ohnePakt == QLatin1String("nein"));
    }

    // A line passed over is told with its number, the line and why, and
    // the month's log keeps it; the replay goes on.
    void uebergangeneZeilen_data() { tabelle("uebergangene_zeilen", {"zeile", "meldung"}); }

    void uebergangeneZeilen()
    {
        QFETCH(QString, zeile);
        QFETCH(QString, meldung);
        abspielen(Pakt + "Einzahlg,Meier,50\n" + zeile.toUtf8() + "\nEinzahlg,Berta,50\n");
        QVERIFY(m_v->TeilhaberVorhanden(QStringLiteral("Berta")));
        if (meldung.isEmpty()) {
            QCOMPARE(m_protokoll.meldungen, QStringList());
            return;
        }
        const QString erwartet = QStringLiteral("sim1.aut, Zeile %1 (\u201E%2\u201C): %3").arg(Pakt.count('\n') + 2).arg(zeile, meldung);
        QCOMPARE(m_protokoll.meldungen, QStringList{erwartet});
        QVERIFY(Cp1252::dekodieren(dateiStand(pfad(QStringLiteral("A_Kassendaten%1.buc").arg(m_v->Buchungsmonat())))).contains(erwartet));
    }

    void zweiterNeuPaktWirdGemeldet()
    {
        abspielen(Pakt + "NeuPakt,V1,01.01.2007,70,1,1,0.3,0.5,1,-1\nEinzahlg,Meier,50\n");
        QCOMPARE(m_protokoll.meldungen.size(), 1);
        QVERIFY(m_protokoll.meldungen[0].startsWith(QStringLiteral("sim1.aut, Zeile 2 (\u201ENeuPakt,V1,01.01.2007,70,1,1,0.3,0.5,1,-1\u201C): In diesem Datenverzeichnis besteht bereits ein Pakt")));
        QCOMPARE(m_v->Parameter().beitrag, e(50));
        QVERIFY(QFile::exists(pfad("T_Meier.ven")));
    }

    void simulationSpeichern()
    {
        abspielen(Pakt + "Einzahlg,Meier,50\nMonatsab,200603\nStoreSim\nEinzahlg,Schulz,50\n");
        QCOMPARE(dateiInhalt(pfad("G654J76N.BAT")),
                 crlf("md sim1.\nmove *.buc sim1.\nmove *.ven sim1.\ncopy sim1.aut sim1.\ncopy Grafolin.exe sim1.\n"
                      "cd sim1.\nGrafolin.exe\n"));
        // The pact now lives in the archive folder only, and the engine holds nothing of it.
        QVERIFY(!m_v->PaktVorhanden());
        QVERIFY(!m_v->Monatsstand().offen);
        QCOMPARE(m_v->Buchungsmonat(), QString());
        QCOMPARE(m_dir.entryList({"*.ven", "*.buc"}, QDir::Files), QStringList());
        const QStringList archiv = QDir(pfad("sim1")).entryList(QDir::Files);
        for (const char *datei : {"A_Vennlok.ven", "T_Meier.ven", "A_Kassendaten200603.ven", "A_Kassendaten200604.buc",
                                  "sim1.aut"})
            QVERIFY2(archiv.contains(QLatin1String(datei)), datei);
        QVERIFY(!QFile::exists(pfad("sim1/T_Schulz.ven")));
        // Closing the engine writes nothing back into the emptied folder.
        m_v.reset();
        QCOMPARE(m_dir.entryList({"*.ven", "*.buc"}, QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(TstAutobuchung)
#include "tst_autobuchung.moc"
