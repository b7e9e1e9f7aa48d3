#include "algo/fehler.h"
#include "data/teilhaber.h"

#include "tests/testhilfe.h"

#include <QtTest>
#include <random>

using namespace Testhilfe;

namespace {

const MonthKey Dez = QStringLiteral("200512");
const MonthKey Jan = QStringLiteral("200601");

} // namespace

class TstTeilhaber : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_pfad;

private slots:
    void init()
    {
        m_pfad = m_dir.filePath(TeilhaberDateiname(QStringLiteral("Meier")));
        QFile::remove(m_pfad);
    }

    void auszahlungMitRueckstand_data()
    {
        QTest::addColumn<QByteArray>("kopf");
        QTest::addColumn<Money>("eigen");
        QTest::newRow("without arrears the full share applies") << QByteArray("SummeEinz=300\n") << e(50);
        QTest::newRow("no positive arrears leave the share") << QByteArray("SummeEinz=300\nSummeOffen=-20\n") << e(50);
        QTest::newRow("300 paid and 100 owed give three quarters of the share")
            << QByteArray("SummeEinz=300\nSummeOffen=100\n") << e(62.5);
    }

    void auszahlungMitRueckstand()
    {
        QFETCH(QByteArray, kopf);
        QFETCH(Money, eigen);
        schreiben(m_pfad, "[Kopfdaten]\nTeilhaber=Meier\n" + kopf + "SummeEigen=0\nSummeAusz=0\nAnzahlAusz=0\n");
        TTeilhaber t(m_pfad);
        QVERIFY(t.AuszahlungBuchen(Dez, e(100), 0, 5000, e(-300)));
        QCOMPARE(t.Eigenanteile(Dez), eigen);
        QCOMPARE(t.Auszahlungen(Dez), e(100));
        QCOMPARE(t.SummeEigen(), eigen);
        QCOMPARE(t.AnzahlAusz(), 1);
    }
};

QTEST_GUILESS_MAIN(TstTeilhaber)
#include "tst_teilhaber.moc"
