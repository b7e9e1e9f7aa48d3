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
        QCOMPARE(kind<QLabel>("LabEinBuchungen")->text(), QStringLiteral("-2147483648"));
        QCOMPARE(kind<QLabel>("LabAusBuchungen")->text(), QStringLiteral("-2147483648"));
        QCOMPARE(kind<QLineEdit>("EdBuchMonat")->text(), QString());
        QCOMPARE(kind<QLabel>("LabKassenbestand")->text(), QStringLiteral("-2,1474836E09"));
        QCOMPARE(kind<QLabel>("LabSozialant")->text(), QStringLiteral("0,50"));
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

    void unbekannterOderKurzerName()
    {
        paktOeffnen();
        auto *box = kind<QComboBox>("CBEinTeilhaber");
        box->setEditText(QStringLiteral("Abc"));
        m_fenster->BtnEinzahlenClick();
        QCOMPARE(m_benutzer.fragen, QStringList());
        QCOMPARE(m_benutzer.meldungen, QStringList({"Buchung war nicht möglich"}));
        box->setEditText(QStringLiteral("Neumann"));
        m_benutzer.antworten = {false};
        m_fenster->BtnEinzahlenClick();
        QCOMPARE(m_benutzer.fragen, QStringList({"unbekannter Teilhaber: Diesen Teilhaber aufnehmen?"}));
        QCOMPARE(m_benutzer.meldungen.last(), QStringLiteral("Buchung war nicht möglich"));
        QVERIFY(!QFile::exists(pfad("T_Neumann.ven")));
        box->setEditText(QStringLiteral("Neumann"));
        m_benutzer.antworten = {true};
        m_fenster->BtnEinzahlenClick();
        QVERIFY(QFile::exists(pfad("T_Neumann.ven")));
        QCOMPARE(m_benutzer.meldungen.size(), 2);
        QCOMPARE(m_fenster->Vennlok().Kassenstand(), e(50));
    }

    void gefalteterNameIstBekannt()
    {
        paktOeffnen();
        QCOMPARE(m_fenster->Vennlok().Einzahlung(QStringLiteral("Müller, Hans"), QStringLiteral("200603"), e(20), 0), QString());
        kind<QComboBox>("CBEinTeilhaber")->setEditText(QStringLiteral("Müller, Hans"));
        m_fenster->BtnEinzahlenClick();
        QCOMPARE(m_benutzer.fragen, QStringList());
        QCOMPARE(m_fenster->Vennlok().Kassenstand(), e(70));
    }

    void rechnungsvorschau()
    {
        paktOeffnen();
        m_fenster->SeiteWaehlen(TVenBuchungForm::Rechnungen);
        auto *betrag = kind<QLineEdit>("EdRechBetrag");
        betrag->setText(QStringLiteral("12,50"));
        QCOMPARE(kind<QLabel>("LabAbsVen")->text(), QStringLiteral("6,25"));
        QCOMPARE(kind<QLabel>("LabAbsEigen")->text(), QStringLiteral("6,25"));
        QTest::keyClick(betrag, Qt::Key_X);
        QCOMPARE(betrag->text(), QStringLiteral("12,50x"));
        QCOMPARE(kind<QLabel>("LabAbsVen")->text(), QStringLiteral("6,25"));
        kind<QComboBox>("CBRechTeilhaber")->setEditText(QStringLiteral("Niemand"));
        m_fenster->BtnRechnungClick();
        QCOMPARE(m_benutzer.meldungen, QStringList({"Dieser Teilhaber existiert nicht."}));
        QCOMPARE(kind<QComboBox>("CBRechTeilhaber")->currentText(), QString());
        QCOMPARE(betrag->text(), QStringLiteral("12,50x"));
    }

    void adresseBearbeiten()
    {
        schreiben(pfad("T_Meier.ven"), "[Kopfdaten]\nTeilhaber=Meier\n[Adresse]\nStadt=Bonn\nTel.=123\nHobby=Schach\n");
        paktOeffnen();
        m_fenster->SeiteWaehlen(TVenBuchungForm::Teilhaber);
        auto *box = kind<QComboBox>("CBTeilhaber");
        auto *memo = kind<QPlainTextEdit>("MemAdresse");
        box->setEditText(QStringLiteral("Meier"));
        m_fenster->CBTeilhaberExit();
        QCOMPARE(memo->toPlainText().split('\n'),
                 QStringList({"Name=;", "Land=;", "PLZ=;", "Stadt=Bonn;", "Straße=;", "No.=;", "Tel.=123;", "Fax.=;",
                              "eMail=;", "Akten=;", "Hobby=Schach;"}));
        // Tel. emptied, the city changed, a name without its closing ";", and a key the file cannot hold.
        memo->setPlainText(QStringLiteral("Name=Hans Meier\nStadt=Köln;\nTel.=;\nKonto=1=2;\n;Notiz=x;\nHobby=Schach;"));
        m_fenster->BtnSpeichernClick();
        TTeilhaber t(pfad("T_Meier.ven"));
        QCOMPARE(t.Adresse(QStringLiteral("Name")), QStringLiteral("Hans Meier"));
        QCOMPARE(t.Adresse(QStringLiteral("Stadt")), QStringLiteral("Köln"));
        QCOMPARE(t.Adresse(QStringLiteral("Tel.")), QStringLiteral("123"));
        QCOMPARE(t.Adresse(QStringLiteral("Konto")), QStringLiteral("1=2"));
        QCOMPARE(t.ReadString(QStringLiteral("Adresse_alt") + DatumText(Uhr::Jetzt()), QStringLiteral("Stadt"), QString()),
                 QStringLiteral("Bonn"));
        QVERIFY(!t.ValueExists(QStringLiteral("Adresse"), QStringLiteral(";Notiz")));
        QCOMPARE(m_benutzer.meldungen.size(), 1);
        QVERIFY(m_benutzer.meldungen[0].contains(QStringLiteral(";Notiz")));
    }

    void unbekannterTeilhaberNurAufJa()
    {
        paktOeffnen();
        m_fenster->SeiteWaehlen(TVenBuchungForm::Teilhaber);
        auto *box = kind<QComboBox>("CBTeilhaber");
        box->setEditText(QStringLiteral("Tippfehlr"));
        m_benutzer.antworten = {false};
        m_fenster->CBTeilhaberExit();
        QVERIFY(!QFile::exists(pfad("T_Tippfehlr.ven")));
        box->setEditText(QStringLiteral("Neue Frau"));
        m_benutzer.antworten = {true};
        // Leaving the box by the keyboard runs the same handler.
        box->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(QFile::exists(pfad("T_Neue_Frau.ven")));
        QCOMPARE(m_benutzer.fragen.size(), 2);
    }

    void teilhaberlisteUndStarts()
    {
        schreiben(pfad("T_Meier.ven"), "[Einzahlungen]\n200603_1=50\n");
        schreiben(pfad("T_Schulz.ven"), "[Einzahlungen]\n200603_1=20\n");
        paktOeffnen();
        m_fenster->BtnTeilListeOffenClick();
        QCOMPARE(dateiInhalt(pfad("TeilhaberListe.txt")),
                 crlf("Liste der Teilhaber mit zu kleinem Beitrag. Datum: ") + Textformat::datumZuText(Uhr::Jetzt()).toLatin1()
                     + crlf("\n\nSchulz..................................20\n\n"));
        m_fenster->BtnTeilListeClick();
        QVERIFY(dateiInhalt(pfad("TeilhaberListe.txt")).contains("Meier...................................50\r\n"));
        QCOMPARE(dateiInhalt(pfad("B7654F.BAT")), crlf("start TeilhaberListe.txt\n"));
        m_fenster->BtnStartvertragClick();
        QCOMPARE(dateiInhalt(pfad("B7654F.BAT")), crlf("start Startvertrag.html\n"));
        m_fenster->SeiteWaehlen(TVenBuchungForm::SetupInfo);
        m_fenster->BtnHelpClick();
        QVERIFY(dateiInhalt(pfad("B7654F.BAT")).startsWith("start C:\\mozilla\\mozilla.exe file:///"));
        QVERIFY(dateiInhalt(pfad("B7654F.BAT")).endsWith("VennlokDoku.html#Inhalt\r\n"));
        Plattform::AufSkripteWarten();
        QCOMPARE(m_geoeffnet.size(), 4);
        QVERIFY(m_geoeffnet.last().endsWith(QStringLiteral("VennlokDoku.html#Inhalt")));
        // Ctrl+Q closes the program and takes the script with it.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!m_fenster->isVisible());
        QVERIFY(!QFile::exists(pfad("B7654F.BAT")));
    }
};

QTEST_MAIN(TstVenBuchungForm)
#include "tst_venbuchungform.moc"
