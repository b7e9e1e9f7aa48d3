#include "algo/fehler.h"
#include "algo/formeln.h"
#include "engine/vennlok.h"
#include "platform/skript.h"

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
        QTest::addColumn<QString>("zeile");
        QTest::addColumn<QStringList>("felder");
        QTest::newRow("plain fields") << "Einzahlg,Meier,50" << QStringList{"Einzahlg", "Meier", "50"};
        QTest::newRow("a quoted field keeps commas and blanks")
            << "Rechnung,\"Hans Meier\",\"12,5\"" << QStringList{"Rechnung", "Hans Meier", "12,5"};
        QTest::newRow("an unquoted blank splits the field") << "Einzahlg,Hans Meier,50" << QStringList{"Einzahlg", "Hans", "Meier", "50"};
        QTest::newRow("blanks around fields are skipped") << "  Datum , 05.03.2006 " << QStringList{"Datum", "05.03.2006"};
        QTest::newRow("two commas give an empty field") << "a,,b" << QStringList{"a", "", "b"};
        QTest::newRow("a trailing comma adds an empty field") << "a,b," << QStringList{"a", "b", ""};
        QTest::newRow("a doubled quote stands for one") << "x,\"sagt \"\"ja\"\"\"" << QStringList{"x", "sagt \"ja\""};
        QTest::newRow("an empty line has no field") << "   " << QStringList{};
        QTest::newRow("a tab ends an unquoted field") << "a\tb" << QStringList{"a", "b"};
    }

    void felderTrennen()
    {
        QFETCH(QString, zeile);
        QFETCH(QStringList, felder);
        QCOMPARE(TVennlok::FelderTrennen(zeile), felder);
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
        QTest::addColumn<bool>("ohnePakt");
        QTest::addColumn<QByteArray>("zeile");
        QTest::addColumn<QString>("meldung");
        const auto zeile = [](const char *name, const QByteArray &text, const char *meldung, bool ohnePakt = false) {
            QTest::newRow(name) << ohnePakt << text << QStringLiteral("sim1.aut, Zeile 2: ") + QString::fromUtf8(meldung);
        };
        zeile("a close of another month", "Monatsab,200605", "der Monat 200605 ist nicht der Buchungsmonat 200603");
        zeile("a buyer model that is no number", "Kaeufer,zwei", "'zwei' ist kein gültiger ganzzahliger Wert");
        zeile("a contract with a missing field", "Vertrag,V1,01.04.2006,50,1,1,0.5,1", "Feld 8 fehlt");
        zeile("a contract with a comma number", "Vertrag,V1,01.04.2006,50,1,1,0.5,1,\"1,5,0\"",
              "'1,5,0' ist kein gültiger Gleitkommawert");
        zeile("a payment beyond 64 bits of units", "Einzahlg,Meier,922337203685477",
              "der Betrag '922337203685477' ist nicht zulässig: erlaubt sind höchstens vier Nachkommastellen und "
              "Beträge bis 100.000.000");
        zeile("a payment with five decimals", "Einzahlg,Meier,\"12,34567\"", "der Betrag '12,34567' ist nicht zulässig");
        zeile("an invoice above 100,000,000", "Rechnung,Meier,\"100000000,01\"", "der Betrag '100000000,01' ist nicht zulässig");
        zeile("a contract with a negative contribution", "Vertrag,V2,01.04.2006,-50,0.5,2,0.65,3000,-300",
              "Beitrag -50 ist nicht zulässig; erlaubt ist größer als 0 und höchstens 100.000.000.");
        zeile("a contract with a damping of 1.5", "Vertrag,V2,01.04.2006,50,0.5,2,1.5,3000,-300",
              "Daempfung 1,5 ist nicht zulässig; erlaubt ist von 0 bis 1.");
        zeile("a contract with a negative fee", "Vertrag,V2,01.04.2006,50,-1,2,0.5,3000,-300",
              "HonorarEingangsbuchung -1 ist nicht zulässig");
        zeile("a contract with a positive limit", "Vertrag,V2,01.04.2006,50,0.5,2,0.5,3000,300",
              "LimitVirtSumme 300 ist nicht zulässig");
        zeile("a founding with a contribution of -50", "NeuPakt,V1,01.03.2006,-50,0.5,2,0.5,0.65,3000,-300",
              "Beitrag -50 ist nicht zulässig", true);
        zeile("a founding with a share of 1.5", "NeuPakt,V1,01.03.2006,50,0.5,2,1.5,0.65,3000,-300",
              "IntSozialanteil 1,5 ist nicht zulässig", true);
        zeile("a field of 100,000 characters is quoted with 60", "Datum," + QByteArray(100000, 'x'),
              "'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\u2026' ist kein gültiges Datum");
        zeile("a control character is shown", "Datum,01.03.2006\x7f", "'01.03.2006\\x7f' ist kein gültiges Datum");
    }

    void fehlerhafteZeilen()
    {
        QFETCH(bool, ohnePakt);
        QFETCH(QByteArray, zeile);
        QFETCH(QString, meldung);
        if (!ohnePakt)
            abspielen(Pakt + "Einzahlg,Meier,20\n");
        const auto stand = [&] {
            auto dateien = verzeichnisstand(m_dir);
            dateien.remove(QStringLiteral("sim1.aut"));
            dateien.remove(TVennlok::Standdatei);
            return dateien;
        };
        const auto vorher = stand();
        try {
            abspielen("Datum,01.03.2006\n" + zeile + "\nEinzahlg,Meier,50\n");
            QFAIL("the replay went on");
        } catch (const VennlokFehler &f) {
            QVERIFY2(f.text().startsWith(meldung), qPrintable(f.text()));
            QVERIFY2(f.text().size() < 400, "the message quotes too much of the line");
        }
        QCOMPARE(stand(), vorher);
        QCOMPARE(m_v->PaktVorhanden(), !ohnePakt);
    }

    void zweiterNeuPaktWirdGemeldet()
    {
        abspielen(Pakt + "NeuPakt,V1,01.01.2007,70,1,1,0.3,0.5,1,-1\nEinzahlg,Meier,50\n");
        QCOMPARE(m_protokoll.meldungen.size(), 1);
        QVERIFY(m_protokoll.meldungen[0].startsWith(QStringLiteral("sim1.aut, Zeile 2: In diesem Datenverzeichnis besteht bereits ein Pakt")));
        QCOMPARE(m_v->Beitrag(), e(50));
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
        QVERIFY(!m_v->KasseOffen());
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
