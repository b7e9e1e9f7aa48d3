#include "platform/journal.h"
#include "platform/skript.h"

#include "tests/testhilfe.h"

#include <QtTest>

using namespace Testhilfe;

class TstSkript : public QObject
{
    Q_OBJECT

    QStringList m_geoeffnet;

    QStringList ausfuehren(const QDir &dir, const QByteArray &skript)
    {
        schreiben(dir.filePath("skript.bat"), skript);
        return Plattform::SkriptAusfuehren(dir.filePath("skript.bat"), dir.path());
    }

private slots:
    void init()
    {
        m_geoeffnet.clear();
        Plattform::SetzeOeffner([this](const QString &ziel) {
            m_geoeffnet.append(ziel);
            return true;
        });
    }

    void cleanup() { Plattform::SetzeOeffner({}); }

    void mdCopyMoveCd()
    {
        QTemporaryDir tmp;
        QDir dir(tmp.path());
        schreiben(dir.filePath("a.ven"), "A");
        schreiben(dir.filePath("b.ven"), "B");
        schreiben(dir.filePath("c.buc"), "C");
        schreiben(dir.filePath("sim1.aut"), "S");
        const QStringList fehler = ausfuehren(dir, crlf("md Backup200603\n"
                                                        "copy *.ven Backup200603\n"
                                                        "md sim1.\n"
                                                        "move *.buc sim1.\n"
                                                        "copy sim1.aut sim1.\n"
                                                        "cd sim1.\n"
                                                        "copy ..\\a.ven kopie.ven\n"
                                                        "start c.buc\n"));
        QCOMPARE(fehler, QStringList());
        QCOMPARE(QDir(dir.filePath("Backup200603")).entryList(QDir::Files), QStringList({"a.ven", "b.ven"}));
        QVERIFY(QFile::exists(dir.filePath("a.ven")));
        // The trailing point of a folder name is dropped, as the Windows command interpreter does.
        QCOMPARE(QDir(dir.filePath("sim1")).entryList(QDir::Files), QStringList({"c.buc", "kopie.ven", "sim1.aut"}));
        QVERIFY(!QFile::exists(dir.filePath("c.buc")));
        QCOMPARE(dateiInhalt(dir.filePath("sim1/kopie.ven")), QByteArray("A"));
        // "start" after "cd" opens the file of the new current folder.
        QCOMPARE(m_geoeffnet, QStringList({dir.filePath("sim1/c.buc")}));
    }

    void startOeffnetDokumenteUndAdressen()
    {
        QTemporaryDir tmp;
        QDir dir(tmp.path());
        schreiben(dir.filePath("Transfers.tra"), "x");
        const QStringList fehler = ausfuehren(dir, crlf("start Transfers.tra\n"
                                                        "start mailto:pakt@example.org\n"
                                                        "start \"\" \"file:///x/VennlokDoku.html#Inhalt\"\n"
                                                        "Grafolin.exe\n"
                                                        "start C:\\mozilla\\mozilla.exe file:///x/y.html#Inhalt\n"));
        QCOMPARE(fehler, QStringList());
        // A program that is not there is skipped quietly; a browser that is not
        // there leaves its document to the desktop's default program.
        QCOMPARE(m_geoeffnet, QStringList({dir.filePath("Transfers.tra"), "mailto:pakt@example.org",
                                           "file:///x/VennlokDoku.html#Inhalt", "file:///x/y.html#Inhalt"}));
    }

    // Names are carried as plain names: nothing in them is ever run.
    void shellZeichenBleibenNamen()
    {
        QTemporaryDir tmp;
        QDir dir(tmp.path());
        const QString name = QStringLiteral("a;b $(touch boese) `touch boese2` 'q'&x|y.ven");
        schreiben(dir.filePath(name), "Z");
        QByteArray skript = "md \"Ziel $(touch boese3)\"\r\ncopy \"" + name.toUtf8() + "\" \"Ziel $(touch boese3)\"\r\n";
        schreiben(dir.filePath("skript.bat"), skript);
        // The script file is Windows-1252; these names are plain ASCII, so the bytes are the same.
        QCOMPARE(Plattform::SkriptAusfuehren(dir.filePath("skript.bat"), dir.path()), QStringList());
        QCOMPARE(dateiInhalt(dir.filePath("Ziel $(touch boese3)/" + name)), QByteArray("Z"));
        for (const char *boese : {"boese", "boese2", "boese3"})
            QVERIFY(!QFile::exists(dir.filePath(boese)));
        QVERIFY(!QFile::exists(QDir::current().filePath("boese")));
    }

    void fehlerWerdenGemeldetUndUebersprungen()
    {
        QTemporaryDir tmp;
        QDir dir(tmp.path());
        const QStringList fehler = ausfuehren(dir, crlf("del *.*\ncopy fehlt.ven x\nmd danach\n"));
        QCOMPARE(fehler.size(), 2);
        QVERIFY(fehler[0].contains(QStringLiteral("del *.*")));
        QVERIFY(QFileInfo(dir.filePath("danach")).isDir());
    }

    void dateienOhneGrossKlein()
    {
        QTemporaryDir tmp;
        schreiben(QDir(tmp.path()).filePath("T_Meier.ven"), "");
        TJournalSpeicher speicher(tmp.path());
        QCOMPARE(speicher.NameOhneGrossKlein("t_MEIER.ven"), QStringLiteral("T_Meier.ven"));
        QCOMPARE(speicher.NameOhneGrossKlein("../T_Meier.ven"), QString());
        speicher.Schreiben(QDir(tmp.path()).filePath("t_meier.VEN"), "x"); // a second spelling sorts after the first
        QCOMPARE(speicher.NameOhneGrossKlein("T_MEIER.ven"), QStringLiteral("T_Meier.ven"));
        QCOMPARE(speicher.Liste("T_*.ven"), QStringList({"T_Meier.ven"}));
    }
};

QTEST_GUILESS_MAIN(TstSkript)
#include "tst_skript.moc"
