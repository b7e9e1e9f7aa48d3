#include "algo/fehler.h"
#include "data/rollmeminifile.h"
#include "data/textdatei.h"
#include "data/textformat.h"

#include "tests/testhilfe.h"

#include <QtTest>

using namespace Testhilfe;

class TstRollMemIniFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString pfad(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void lesen_data()
    {
        tabelle("ini_lesen", {"datei", "section", "key", "erwartet"});
    }

    void lesen()
    {
        QFETCH(QString, datei);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, erwartet);
        if (erwartet == QLatin1String("(fehlt)"))
            erwartet = QString();
        const QString p = pfad(QStringLiteral("lesen.ven"));
        schreiben(p, datei.toLatin1());
        TRollMemIniFile ini(p);
        const QString gelesen = ini.ReadString(section, key, QStringLiteral("<default>"));
        QCOMPARE(gelesen, erwartet.isNull() ? QStringLiteral("<default>") : erwartet);
        QCOMPARE(ini.ValueExists(section, key), !erwartet.isNull());
    }

    void neuSchreiben_data()
    {
        tabelle("ini_neu_schreiben", {"datei", "geschrieben"});
    }

    // print -> parse -> print: what the store writes, it reads back and writes again unchanged.
    void neuSchreiben()
    {
        QFETCH(QString, datei);
        QFETCH(QString, geschrieben);
        const QString p = pfad(QStringLiteral("neu.ven"));
        schreiben(p, datei.toLatin1());
        {
            TRollMemIniFile ini(p);
            ini.UpdateFile();
        }
        QCOMPARE(dateiInhalt(p), geschrieben.toLatin1());
        {
            TRollMemIniFile ini(p);
            ini.UpdateFile();
        }
        QCOMPARE(dateiInhalt(p), geschrieben.toLatin1());
    }

    // Two names are the same to the lookups exactly when they fold alike,
    // and then they hash alike, so every spelling finds its section.
    void namenVergleichen_data()
    {
        tabelle("ini_namen", {"a", "b", "gleich"});
    }

    void namenVergleichen()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, gleich);
        const bool soll = gleich == QLatin1String("ja");
        QCOMPARE(IniName{a} == IniName{b}, soll);
        QCOMPARE(IniName{b} == IniName{a}, soll);
        if (soll)
            QCOMPARE(qHash(IniName{a}, 17), qHash(IniName{b}, 17));
        // Through a file: written under one spelling, read under the other.
        const QString p = pfad(QStringLiteral("namen.ven"));
        QFile::remove(p);
        TRollMemIniFile ini(p);
        ini.WriteString(QStringLiteral("S"), a, QStringLiteral("1"));
        QCOMPARE(ini.ValueExists(QStringLiteral("s"), b), soll);
    }

    // A long file with every kind of line end, blanks around keys and
    // values, comments, lines without "=" and lines before the first section:
    // read, it holds exactly the lines the reading rules keep, in order, and
    // going back to a point restores them whatever was read.
    void langeDateiMitAllenZeilenarten()
    {
        QByteArray datei = "vor dem ersten Abschnitt=weg\r\n";
        QStringList erwartet;
        const char *enden[] = {"\r\n", "\n", "\r"};
        for (int a = 0; a < 50; ++a) {
            datei += (a % 2 ? "  [Abschnitt " : "[Abschnitt ") + QByteArray::number(a) + "]\t" + enden[a % 3];
            erwartet << QStringLiteral("[Abschnitt %1]").arg(a);
            for (int k = 0; k < 200; ++k) {
                const QByteArray nr = QByteArray::number(k);
                switch (k % 4) {
                case 0: datei += "Schluessel_" + nr + " = Wert " + nr + "  "; erwartet << QStringLiteral("Schluessel_%1=Wert %1").arg(k); break;
                case 1: datei += "; eine Bemerkung " + nr; break;
                case 2: datei += "ohne Gleich " + nr; erwartet << QStringLiteral("ohne Gleich %1").arg(k); break;
                default: datei += "\tleer_" + nr + "="; erwartet << QStringLiteral("leer_%1=").arg(k); break;
                }
                datei += enden[(a + k) % 3];
            }
            erwartet << QString(); // each section ends with a blank line when written
        }
        const QString p = pfad(QStringLiteral("lang.ven"));
        schreiben(p, datei);
        TRollMemIniFile ini(p);
        QCOMPARE(ini.Zeilen(), erwartet);
        QCOMPARE(ini.ReadString(QStringLiteral("abschnitt 49"), QStringLiteral("SCHLUESSEL_196"), QString()), QStringLiteral("Wert 196"));
        ini.SetRollbackPoint();
        ini.EraseSection(QStringLiteral("Abschnitt 7"));
        ini.Rollback();
        QCOMPARE(ini.Zeilen(), erwartet);
    }

    void rollbackNachZufaelligenAenderungen()
    {
        // Random writes, new keys and sections, deletions and erased sections, on a file with
        // doubled keys and lines without "=": going back always gives the point's exact lines,
        // also after long runs and after a second point was set on the way.
        QRandomGenerator zufall(4711);
        const QStringList abschnitte{QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("Neu"), QStringLiteral("x")};
        const QStringList schluessel{QStringLiteral("k"), QStringLiteral("K"), QStringLiteral("m"), QStringLiteral("z1")};
        for (int lauf = 0; lauf < 150; ++lauf) {
            const QString p = pfad(QStringLiteral("zufall.ven"));
            schreiben(p, "[A]\nk=1\nk=2\nohne Gleich\nm=3\n[B]\nz1=4\n");
            TRollMemIniFile ini(p), ohnePunkt(p); // the second one shows what the changes must give
            QStringList punkt;
            const int schritte = 1 + int(zufall.bounded(lauf < 100 ? 12 : 300));
            const int punktBei = int(zufall.bounded(schritte));
            for (int i = 0; i < schritte; ++i) {
                if (i == punktBei) {
                    ini.SetRollbackPoint();
                    punkt = ini.Zeilen();
                }
                const QString &a = abschnitte[zufall.bounded(abschnitte.size())];
                const QString &k = schluessel[zufall.bounded(schluessel.size())];
                // Long runs without deletions fold their record into one copy on the way.
                const QString nr = QString::number(zufall.bounded(lauf >= 100 ? 3 : i + 1));
                const int art = lauf >= 100 && lauf % 2 ? 9 : int(zufall.bounded(10));
                for (TRollMemIniFile *datei : {&ini, &ohnePunkt}) {
                    switch (art) {
                    case 0: datei->DeleteKey(a, k); break;
                    case 1: datei->EraseSection(a); break;
                    default: datei->WriteString(a, k + nr, QString::number(i)); break;
                    }
                }
                // The bytes a write takes are those of the lines, however often they were taken before.
                if (i % 3 == 0)
                    QCOMPARE(ini.Inhalt(), Textdatei::Kodieren(ini.Zeilen()));
            }
            QCOMPARE(ini.Zeilen(), ohnePunkt.Zeilen());
            ini.Rollback();
            QCOMPARE(ini.Zeilen(), punkt);
            QCOMPARE(ini.Inhalt(), Textdatei::Kodieren(punkt));
            // The point stays: going back again after further changes restores it once more.
            ini.WriteString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("neu"));
            ini.Rollback();
            QCOMPARE(ini.Zeilen(), punkt);
        }
    }

    void typisierteWerte()
    {
        const QString p = pfad(QStringLiteral("typen.ven"));
        QFile::remove(p);
        {
            TRollMemIniFile ini(p);
            ini.WriteMoney(QStringLiteral("K"), QStringLiteral("Minus"), -3000000);
            ini.WriteMoney(QStringLiteral("K"), QStringLiteral("Halb"), 5000);
            ini.WriteFloat(QStringLiteral("K"), QStringLiteral("Anteil"), 0.775);
            ini.WriteInteger(QStringLiteral("K"), QStringLiteral("Zahl"), -12);
            ini.WriteDateTime(QStringLiteral("K"), QStringLiteral("Datum"),
                              Textformat::ausQDateTime(QDateTime(QDate(2026, 12, 5), QTime(8, 24, 44))));
            ini.UpdateFile();
        }
        QCOMPARE(dateiInhalt(p), QByteArray("[K]\r\nMinus=-300\r\nHalb=0,5\r\nAnteil=0,775\r\nZahl=-12\r\n"
                                      "Datum=05.12.2026 08:24:44\r\n\r\n"));
        TRollMemIniFile ini(p);
        QCOMPARE(ini.ReadMoney(QStringLiteral("K"), QStringLiteral("Halb"), FehlwertMoney), Money(5000));
        QCOMPARE(ini.ReadMoney(QStringLiteral("K"), QStringLiteral("Minus"), FehlwertMoney), Money(-3000000));
        QCOMPARE(ini.ReadFloat(QStringLiteral("K"), QStringLiteral("Anteil"), FehlwertFloat), 0.775);
        QCOMPARE(ini.ReadInteger(QStringLiteral("K"), QStringLiteral("Zahl"), FehlwertInt), -12);
        QCOMPARE(Textformat::zuQDateTime(ini.ReadDateTime(QStringLiteral("K"), QStringLiteral("Datum"), 0)),
                 QDateTime(QDate(2026, 12, 5), QTime(8, 24, 44)));
        // Missing and unreadable values give the caller's default.
        QCOMPARE(ini.ReadMoney(QStringLiteral("K"), QStringLiteral("Fehlt"), FehlwertMoney), FehlwertMoney);
        QCOMPARE(ini.ReadFloat(QStringLiteral("K"), QStringLiteral("Datum"), FehlwertFloat), FehlwertFloat);
        QCOMPARE(ini.ReadInteger(QStringLiteral("K"), QStringLiteral("Anteil"), FehlwertInt), FehlwertInt);
        QCOMPARE(ini.ReadDateTime(QStringLiteral("K"), QStringLiteral("Zahl"), -1.0), -1.0);
    }

    void unzulaessigeTexte_data()
    {
        tabelle("ini_unzulaessig", {"section", "key", "value"});
    }

    // Nothing changes, in memory or on disk, when a write is refused.
    void unzulaessigeTexte()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const QString p = pfad(QStringLiteral("unzulaessig.ven"));
        schreiben(p, "[A]\r\nx=0\r\n\r\n");
        {
            TRollMemIniFile ini(p);
            try {
                ini.WriteString(section, key, value);
                QFAIL("the write was not refused");
            } catch (const VennlokFehler &e) {
                QVERIFY(e.text().contains(QStringLiteral("kann nicht gespeichert werden")));
            }
            QVERIFY(!ini.Geaendert());
            QCOMPARE(ini.Zeilen(), QStringList({"[A]", "x=0", ""}));
        }
        QCOMPARE(dateiInhalt(p), QByteArray("[A]\r\nx=0\r\n\r\n"));
    }
};

QTEST_GUILESS_MAIN(TstRollMemIniFile)
#include "tst_rollmeminifile.moc"
