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

    void fehlerhafteZeilen_data()
    {
        QTest::addColumn<QByteArray>("zeile");
        QTest::addColumn<QString>("meldung");
        QTest::newRow("a close of another month") << QByteArray("Monatsab,200605")
                                                  << "sim1.aut, Zeile 2: der Monat 200605 ist nicht der Buchungsmonat 200603";
        QTest::newRow("a buyer model that is no number") << QByteArray("Kaeufer,zwei")
                                                         << "sim1.aut, Zeile 2: 'zwei' ist kein gültiger ganzzahliger Wert";
        QTest::newRow("a contract with a missing field") << QByteArray("Vertrag,V1,01.04.2006,50,1,1,0.5,1")
                                                         << "sim1.aut, Zeile 2: Feld 8 fehlt";
        QTest::newRow("a contract with a comma number") << QByteArray("Vertrag,V1,01.04.2006,50,1,1,0.5,1,\"1,5,0\"")
                                                        << "sim1.aut, Zeile 2: '1,5,0' ist kein gültiger Gleitkommawert";
    }

    void fehlerhafteZeilen()
    {
        QFETCH(QByteArray, zeile);
        QFETCH(QString, meldung);
        abspielen(Pakt);
        const QByteArray daten = dateiInhalt(pfad("A_Vennlok.ven"));
        const QByteArray kasse = dateiInhalt(pfad("A_Kassendaten200603.ven"));
        try {
            abspielen("Datum,01.03.2006\n" + zeile + "\nEinzahlg,Meier,50\n");
            QFAIL("the replay went on");
        } catch (const VennlokFehler &f) {
            QCOMPARE(f.text(), meldung + QLatin1Char('\n') + QString::fromLatin1(zeile));
        }
        QCOMPARE(dateiInhalt(pfad("A_Vennlok.ven")), daten);
        QCOMPARE(dateiInhalt(pfad("A_Kassendaten200603.ven")), kasse);
        QCOMPARE(m_v->Buchungsmonat(), QStringLiteral("200603"));
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
