#include "algo/fehler.h"
#include "data/buchungslog.h"

#include "tests/testhilfe.h"

#include <QtTest>

using namespace Testhilfe;

class TstBuchungslog : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_pfad;

private slots:
    void init()
    {
        m_pfad = m_dir.filePath(TBuchungslog::Dateiname(QStringLiteral("200512")));
        QFile::remove(m_pfad);
    }

    void neuesUndWiedergeoeffnetesLog()
    {
        {
            FesteUhr uhr(zeitpunkt(2005, 12, 5, 14, 3, 22));
            TBuchungslog log(m_pfad, zeitpunkt(2005, 12, 5, 14, 3, 22));
            log.Schreiben(QStringLiteral("Einzahlg,Meier,12,5"));
            log.Schreiben(QString());
            log.Schreiben(QStringLiteral("Rechnung,Müller,7"));
        }
        const QByteArray neu = crlf("\n"
                                    "BuchungsLog vom 05.12.2005,14:03:22\n"
                                    "\n"
                                    "KasseAuf,05.12.2005,14:03:22\n"
                                    "Datum,05.12.2005\n"
                                    "Einzahlg,Meier,12,5\n"
                                    "\n"
                                    "Rechnung,M\xfcller,7\n");
        QCOMPARE(QFileInfo(m_pfad).fileName(), QStringLiteral("A_Kassendaten200512.buc"));
        QCOMPARE(dateiInhalt(m_pfad), neu);
        {
            FesteUhr uhr(zeitpunkt(2006, 1, 2, 8, 0, 0));
            TBuchungslog log(m_pfad, zeitpunkt(2005, 12, 31, 23, 59));
        }
        QCOMPARE(dateiInhalt(m_pfad), neu + crlf("\nKasseAuf,02.01.2006,08:00:00\nDatum,31.12.2005\n"));
    }

    // A line is in the file as soon as Schreiben returns, not only when the log is closed.
    void jedeZeileErreichtDieDateiSofort()
    {
        TBuchungslog log(m_pfad, zeitpunkt(2005, 12, 5));
        log.Schreiben(QStringLiteral("Einzahlg,Meier,50"));
        QVERIFY(dateiInhalt(m_pfad).endsWith("Einzahlg,Meier,50\r\n"));
    }

    void fehlerWerdenGemeldet()
    {
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, TBuchungslog(m_dir.filePath(QStringLiteral("fehlt/x.buc")), 0));
        TBuchungslog log(m_pfad, zeitpunkt(2005, 12, 5));
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, log.Schreiben(QStringLiteral("Einzahlg,\u0141ukasz,50")));
#ifdef Q_OS_UNIX
        VollePlatte voll;
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, log.Schreiben(QStringLiteral("Einzahlg,Meier,50")));
#endif
    }
};

QTEST_GUILESS_MAIN(TstBuchungslog)
#include "tst_buchungslog.moc"
