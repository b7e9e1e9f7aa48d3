#include <QtTest>
class TstSeiten : public QObject { Q_OBJECT private slots: void leer() { QVERIFY(true); } };
QTEST_MAIN(TstSeiten)
#include "tst_seiten.moc"
