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
        QTest::addColumn<QByteArray>("datei");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("erwartet"); // null: the default comes back

        QTest::newRow("CR LF ends a line") << QByteArray("[A]\r\nx=1\r\ny=2\r\n") << "A" << "y" << "2";
        QTest::newRow("a lone CR ends a line") << QByteArray("[A]\rx=1\ry=2\r") << "A" << "y" << "2";
        QTest::newRow("a lone LF ends a line") << QByteArray("[A]\nx=1\ny=2") << "A" << "y" << "2";
        QTest::newRow("blanks around the equals sign are removed")
            << QByteArray("[Startdaten]\r\nBeitrag = 180\r\n") << "Startdaten" << "Beitrag" << "180";
        QTest::newRow("a key spelled in lower case finds the line")
            << QByteArray("[Startdaten]\r\nBeitrag = 180\r\n") << "startdaten" << "beitrag" << "180";
        QTest::newRow("umlauts match across letter case")
            << QByteArray("[Erg\xe4nzungsvertrag200603]\r\n\xc4nderung=ja\r\n")
            << QStringLiteral("ERGÄNZUNGSVERTRAG200603") << QStringLiteral("änderung") << "ja";
        QTest::newRow("a value keeps everything after the first equals sign")
            << QByteArray("[A]\r\nformel = a=b = c\r\n") << "A" << "formel" << "a=b = c";
        QTest::newRow("blanks inside a value stay")
            << QByteArray("[A]\r\nName=Hans  Meier  \r\n") << "A" << "Name" << "Hans  Meier";
        QTest::newRow("comment lines are skipped")
            << QByteArray("[A]\r\n;x=1\r\n  ; x=2\r\nx=3\r\n") << "A" << "x" << "3";
        QTest::newRow("lines before the first section are dropped")
            << QByteArray("x=1\r\n[A]\r\ny=2\r\n") << "A" << "x" << QString();
        QTest::newRow("a section name is trimmed") << QByteArray("[  A B ]\r\nx=1\r\n") << "A B" << "x" << "1";
        QTest::newRow("the first of two equal keys wins") << QByteArray("[A]\r\nx=1\r\nX=2\r\n") << "A" << "x" << "1";
        QTest::newRow("the euro sign is byte 0x80") << QByteArray("[A]\r\nw=5 \x80\r\n") << "A" << "w" << QStringLiteral("5 €");
        QTest::newRow("an empty value is a value") << QByteArray("[A]\r\nx=\r\n") << "A" << "x" << "";
        QTest::newRow("a missing key gives the default") << QByteArray("[A]\r\nx=1\r\n") << "A" << "y" << QString();
        QTest::newRow("a line without equals sign is no key") << QByteArray("[A]\r\nfrei\r\n") << "A" << "frei" << QString();
    }

    void lesen()
    {
        QFETCH(QByteArray, datei);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, erwartet);
        const QString p = pfad(QStringLiteral("lesen.ven"));
        schreiben(p, datei);
        TRollMemIniFile ini(p);
        const QString gelesen = ini.ReadString(section, key, QStringLiteral("<default>"));
        QCOMPARE(gelesen, erwartet.isNull() ? QStringLiteral("<default>") : erwartet);
        QCOMPARE(ini.ValueExists(section, key), !erwartet.isNull());
    }

    void neuSchreiben_data()
    {
        QTest::addColumn<QByteArray>("datei");
        QTest::addColumn<QByteArray>("geschrieben");
        QTest::newRow("blanks, comments and stray lines are normalised")
            << QByteArray("vorher\n; Kommentar\n[ A ]\n  x = 1  \n\n\ny=2\r[B]\rfrei\r")
            << QByteArray("[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nfrei\r\n\r\n");
        QTest::newRow("a repeated section header continues the first section")
            << QByteArray("[A]\nx=1\n[B]\ny=2\n[a]\nz=3\n")
            << QByteArray("[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n\r\n");
        QTest::newRow("Windows-1252 bytes pass through unchanged")
            << QByteArray("[M\xfcller]\n\x80=\x81\x8d\x8f\x90\x9d\xff\n")
            << QByteArray("[M\xfcller]\r\n\x80=\x81\x8d\x8f\x90\x9d\xff\r\n\r\n");
        QTest::newRow("an empty file stays empty") << QByteArray() << QByteArray();
        QTest::newRow("a section without keys is kept") << QByteArray("[A]\n") << QByteArray("[A]\r\n\r\n");
    }

    // print -> parse -> print: what the store writes, it reads back and writes again unchanged.
    void neuSchreiben()
    {
        QFETCH(QByteArray, datei);
        QFETCH(QByteArray, geschrieben);
        const QString p = pfad(QStringLiteral("neu.ven"));
        schreiben(p, datei);
        {
            TRollMemIniFile ini(p);
            ini.UpdateFile();
        }
        QCOMPARE(dateiInhalt(p), geschrieben);
        {
            TRollMemIniFile ini(p);
            ini.UpdateFile();
        }
        QCOMPARE(dateiInhalt(p), geschrieben);
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
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("a line break in a value") << "A" << "x" << "1\r\n[B]";
        QTest::newRow("a tab in a key") << "A" << "x\ty" << "1";
        QTest::newRow("an equals sign in a key") << "A" << "x=y" << "1";
        QTest::newRow("a key that reads as a comment") << "A" << ";x" << "1";
        QTest::newRow("a key that reads as a section") << "A" << "[x]" << "1";
        QTest::newRow("an empty key") << "A" << "" << "1";
        QTest::newRow("an empty section") << "" << "x" << "1";
        QTest::newRow("a blank at a value's end") << "A" << "x" << "1 ";
        QTest::newRow("a blank at a key's start") << "A" << " x" << "1";
        QTest::newRow("a character outside Windows-1252 in a value") << "A" << "x" << QStringLiteral("Łódź");
        QTest::newRow("an emoji in a section") << QStringLiteral("A\U0001F600") << "x" << "1";
        QTest::newRow("a line break in a section") << "A]\n[B" << "x" << "1";
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
