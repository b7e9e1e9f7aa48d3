#include "data/teilhaber.h"
#include "data/vennlokdaten.h"

#include "tests/testhilfe.h"

#include <QProcess>
#include <QtTest>

using namespace Testhilfe;

namespace {

struct Lauf
{
    int status;
    QString aus, fehler;
};

Lauf cli(const QStringList &argumente)
{
    QProcess p;
    p.start(QStringLiteral(VENNLOK_CLI), argumente);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}


} // namespace

class TstCli : public QObject
{
    Q_OBJECT

private slots:
    void demoAbspielen()
    {
        QTemporaryDir tmp;
        const Lauf lauf = cli({QStringLiteral("replay"), QStringLiteral(VENNLOK_DEMO), QStringLiteral("--dir"), tmp.path()});
        QCOMPARE(lauf.status, 0);
        QVERIFY(lauf.fehler.startsWith(QStringLiteral("200601 (1)\n200602 (2)\n")));
        QVERIFY(lauf.fehler.contains(QStringLiteral("200612 (12)\n")));
        QVERIFY(lauf.aus.startsWith(QStringLiteral("Monat ")));
        QCOMPARE(lauf.aus.count(QLatin1Char('\n')), 13);

        // January: all 20 pay 50, fees 20 × 0.5. February: 18 pay, invoices of 120 and 80
        // at a share of 0.775 with own shares 27 and 18, fees 18 × 0.5 + 2 × 2.
        const QDir dir(tmp.path());
        TVennlokDaten daten(dir.filePath("A_Vennlok.ven"));
        QCOMPARE(daten.MonatSumme("200601"), e(990));
        QCOMPARE(daten.MonatEinzahlungen("200601"), e(1000));
        QCOMPARE(daten.MonatSumme("200602"), e(1722));
        QCOMPARE(daten.MonatAuszahlungen("200602"), e(213));
        QCOMPARE(daten.MonatEigenanteile("200602"), e(45));
        TTeilhaber anna(dir.filePath("T_Anna_Baecker.ven"));
        QCOMPARE(anna.Auszahlungen("200602"), e(120));
        QCOMPARE(anna.Eigenanteile("200602"), e(27));
        // Missing February's contribution leaves 50 owing at the least.
        QVERIFY(TTeilhaber(dir.filePath("T_Maria_Hoffmann.ven")).SummeOffen() >= e(50));
        // Someone handed in eleven invoices in April; all of them were paid out.
        TTeilhaber dieter(dir.filePath("T_Dieter_Gross.ven"));
        QVERIFY(dieter.ValueExists("Rechnungen", "200604_11"));
        QCOMPARE(dieter.Auszahlungen("200604"), dieter.Rechnungen("200604"));

        const Lauf bericht = cli({QStringLiteral("report"), QStringLiteral("--dir"), tmp.path(), QStringLiteral("--csv")});
        QCOMPARE(bericht.status, 0);
        const QStringList zeilen = bericht.aus.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(zeilen.size(), 13);
        QCOMPARE(zeilen[0], QStringLiteral("Monat,Eingangsbuchungen,Einzahlungen,Auszahlungen,Eigenanteile,Summe,"
                                           "IntSozialanteil,ExtSozialanteil"));
        QCOMPARE(zeilen[2], QStringLiteral("200602,18,900,213,45,1722,0.5,0.775"));
    }

    void zweimalAbspielenGibtDieselbenDateien()
    {
        QTemporaryDir a, b;
        QCOMPARE(cli({QStringLiteral("replay"), QStringLiteral(VENNLOK_DEMO), QStringLiteral("--dir"), a.path()}).status, 0);
        QCOMPARE(cli({QStringLiteral("replay"), QStringLiteral(VENNLOK_DEMO), QStringLiteral("--dir"), b.path()}).status, 0);
        // Only the stamps of the day of the run may differ.
        const QByteArray heute = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")).toLatin1();
        const auto erste = verzeichnisstand(QDir(a.path()), heute), zweite = verzeichnisstand(QDir(b.path()), heute);
        QCOMPARE(erste.keys(), zweite.keys());
        for (const QString &name : erste.keys())
            QVERIFY2(erste[name] == zweite[name], qPrintable(name));
    }

    void fehlerOhneAbsturz_data()
    {
        static QTemporaryDir leer;
        QTest::addColumn<QStringList>("argumente");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("meldung");
        QTest::newRow("a missing command file") << QStringList{"replay", "/gibt/es/nicht.aut"} << 1 << "gibt es nicht";
        QTest::newRow("a missing data directory") << QStringList{"report", "--dir", "/gibt/es/nicht"} << 1 << "gibt es nicht";
        QTest::newRow("a directory without a pact") << QStringList{"report", "--dir", leer.path()} << 1 << "keinen Pakt";
        QTest::newRow("an unknown command") << QStringList{"tanzen"} << 2 << "unbekannter Befehl";
        QTest::newRow("help") << QStringList{"replay", "--help"} << 0 << QString();
    }

    void fehlerOhneAbsturz()
    {
        QFETCH(QStringList, argumente);
        QFETCH(int, status);
        QFETCH(QString, meldung);
        const Lauf lauf = cli(argumente);
        QCOMPARE(lauf.status, status);
        if (meldung.isEmpty())
            QVERIFY(lauf.aus.contains(QStringLiteral("Aufruf: vennlok-cli")));
        else
            QVERIFY2(lauf.fehler.contains(meldung), qPrintable(lauf.fehler));
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
