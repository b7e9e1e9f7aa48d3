#include "engine/vennlok.h"
#include "platform/skript.h"
#include "ui/venbuchungform.h"

#include "tests/testhilfe.h"
#include "tests/ui/testbenutzer.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

using namespace Testhilfe;

class TstVenBuchungForm : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    QDir m_dir;
    TTestBenutzer m_benutzer;
    std::unique_ptr<TVenBuchungForm> m_fenster;
    QStringList m_geoeffnet;

    QString pfad(const QString &name) const { return m_dir.filePath(name); }

    template <typename T>
    T *kind(const char *name)
    {
        T *w = m_fenster->findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }

    // A pact whose share in force is 0.5, opened in a fresh window.
    void paktOeffnen()
    {
        {
            TVennlok v(m_dir.path());
            QString meldung;
            v.NeuPakt(TVennlok::Version, meldung, zeitpunkt(2006, 3, 1), e(50), e(0.5), e(2), 0.207, 0.65, e(3000), e(-300));
        }
        fensterOeffnen();
    }

    void fensterOeffnen()
    {
        m_fenster.reset();
        m_fenster = std::make_unique<TVenBuchungForm>(m_dir.path(), &m_benutzer);
        m_fenster->show();
        m_fenster->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_fenster.get()));
    }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        m_dir = QDir(m_tmp->path());
        m_benutzer = TTestBenutzer();
        m_geoeffnet.clear();
        Plattform::SetzeOeffner([this](const QString &ziel) {
            m_geoeffnet.append(ziel);
            return true;
        });
    }

    void cleanup()
    {
        m_fenster.reset();
        Plattform::AufSkripteWarten();
        Plattform::SetzeOeffner({});
        m_tmp.reset();
    }

    void ersterStartInLeeremVerzeichnis()
    {
        fensterOeffnen();
        QCOMPARE(m_fenster->windowTitle(), QStringLiteral("Vennlok Buchungsprogramm "));
        QCOMPARE(m_fenster->AktiveSeite(), TVenBuchungForm::NeuAuto);
        m_fenster->SeiteWaehlen(TVenBuchungForm::Einzahlungen);
        QCOMPARE(m_fenster->AktiveSeite(), TVenBuchungForm::NeuAuto);
        QTest::mouseClick(kind<QPushButton>("TabShRechnungenReiter"), Qt::LeftButton);
        QCOMPARE(m_fenster->AktiveSeite(), TVenBuchungForm::NeuAuto);
        // No pact: a dash, never the missing-value sentinel.
        for (const char *feld : {"LabEinBuchungen", "LabAusBuchungen", "LabKassenbestand", "LabSozialant"})
            QCOMPARE(kind<QLabel>(feld)->text(), QStringLiteral("\u2013"));
        QCOMPARE(kind<QLineEdit>("EdBuchMonat")->text(), QString());
        QCOMPARE(kind<QLineEdit>("EdEinBetrag")->text(), QStringLiteral("180"));
        QVERIFY(kind<QPushButton>("BtnNeu")->isEnabled());
        QVERIFY(!kind<QPushButton>("BtnVertrag")->isEnabled());
        // Nothing is written by looking.
        m_fenster.reset();
        QCOMPARE(m_dir.entryList(QDir::Files), QStringList());
    }

    void mitPaktAufEinzahlungen()
    {
        paktOeffnen();
        QCOMPARE(m_fenster->AktiveSeite(), TVenBuchungForm::Einzahlungen);
        QCOMPARE(kind<QLineEdit>("EdBuchMonat")->text(), QStringLiteral("200603"));
        QCOMPARE(kind<QLineEdit>("EdEinBetrag")->text(), QStringLiteral("50"));
        QCOMPARE(kind<QLabel>("LabKassenbestand")->text(), QStringLiteral("0,00 €"));
        QVERIFY(!kind<QPushButton>("BtnNeu")->isEnabled());
        QVERIFY(kind<QPushButton>("BtnVertrag")->isEnabled());
        QVERIFY(!kind<QComboBox>("CBAusTeilhaber")->isEnabled());
    }

    void returnBuchtWelchesSteuerelementAuchImmer_data()
    {
        QTest::addColumn<QString>("fokus");
        QTest::newRow("the name box has the focus") << "CBEinTeilhaber";
        QTest::newRow("the amount has the focus") << "EdEinBetrag";
        QTest::newRow("the list button has the focus") << "BtnTeilListeOffen";
    }

    void returnBuchtWelchesSteuerelementAuchImmer()
    {
        QFETCH(QString, fokus);
        schreiben(pfad("T_Meier.ven"), "[Kopfdaten]\nTeilhaber=Meier\nSummeEinz=0\nSummeEigen=0\nSummeAusz=0\nAnzahlEinz=0\nAnzahlAusz=0\n");
        paktOeffnen();
        auto *box = kind<QComboBox>("CBEinTeilhaber");
        box->setEditText(QStringLiteral("Meier"));
        QWidget *ziel = m_fenster->findChild<QWidget *>(fokus);
        ziel->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(m_benutzer.fragen, QStringList());
        QCOMPARE(m_benutzer.meldungen, QStringList());
        QCOMPARE(m_fenster->Vennlok().Kassenstand(), e(50));
        QCOMPARE(kind<QLabel>("LabEinBuchungen")->text(), QStringLiteral("1"));
        QCOMPARE(box->currentText(), QString());
    }
};

QTEST_MAIN(TstVenBuchungForm)
#include "tst_venbuchungform.moc"
