#include "data/anwalt.h"

#include "tests/testhilfe.h"

#include <QtTest>

using namespace Testhilfe;

class TstAnwalt : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void honorareSetzenUndUeberschreiben()
    {
        const QString pfad = m_dir.filePath(TAnwalt::Dateiname);
        {
            TAnwalt anwalt(pfad);
            QCOMPARE(anwalt.HonorareGesamt(QStringLiteral("200512")), FehlwertMoney);
            QVERIFY(anwalt.HonorareSetzen(QStringLiteral("200512"), zeitpunkt(2006, 1, 1, 10), 120000, 80000));
            QVERIFY(anwalt.HonorareSetzen(QStringLiteral("200601"), zeitpunkt(2006, 2, 1), 0, 0));
        }
        const QByteArray zweiMonate = crlf("[Honorare200512]\nberechnet am=01.01.2006 10:00:00\naus Eingangsbuchungen=12\n"
                                           "aus Rechnungsbuchungen=8\nHonorare gesamt=20\n\n"
                                           "[Honorare200601]\nberechnet am=01.02.2006\naus Eingangsbuchungen=0\n"
                                           "aus Rechnungsbuchungen=0\nHonorare gesamt=0\n\n");
        QCOMPARE(dateiInhalt(pfad), zweiMonate);
        {
            TAnwalt anwalt(pfad);
            QCOMPARE(anwalt.HonorareGesamt(QStringLiteral("200512")), Money(200000));
            QVERIFY(anwalt.HonorareSetzen(QStringLiteral("200512"), zeitpunkt(2006, 1, 3), 5000, 20000));
        }
        QCOMPARE(dateiInhalt(pfad), crlf("[Honorare200512]\nberechnet am=03.01.2006\naus Eingangsbuchungen=0,5\n"
                                        "aus Rechnungsbuchungen=2\nHonorare gesamt=2,5\n\n"
                                        "[Honorare200601]\nberechnet am=01.02.2006\naus Eingangsbuchungen=0\n"
                                        "aus Rechnungsbuchungen=0\nHonorare gesamt=0\n\n"));
    }
};

QTEST_GUILESS_MAIN(TstAnwalt)
#include "tst_anwalt.moc"
