#include "engine/vennlok.h"
#include "platform/skript.h"
#include "ui/demokratform.h"
#include "ui/infoform.h"
#include "ui/statuszeile.h"
#include "ui/venbuchungform.h"
#include "ui/verlaufform.h"

#include "tests/testhilfe.h"
#include "tests/testpakt.h"
#include "tests/ui/testbenutzer.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include "data/uhr.h"
#include "data/textformat.h"
#include <QPlainTextEdit>
#include <QPushButton>
#include <QProcess>
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
    T *kind(const char *name) { return ::kind<T>(m_fenster.get(), name); }

    // A pact whose share in force is 0.5, opened in a fresh window.
    void paktOeffnen()
    {
        {
            TVennlok v(m_dir.path());
            paktGruenden(v, 0.207);
        }
        fensterOeffnen();
    }

    // A pact in its second month; Anna Bäcker and Bernd paid in the first.
    void zweiterMonatOeffnen()
    {
        {
            TVennlok v(m_dir.path());
            zweiterMonat(v, {QStringLiteral("Anna Bäcker"), QStringLiteral("Bernd")});
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
        // What needs a pact is greyed out and says why; the page says what to do first.
        for (const char *name : {"BtnVertrag", "BtnKillMonth", "TabShEinzahlungenReiter", "TabShAustrittReiter"}) {
            QVERIFY(!kind<QPushButton>(name)->isEnabled());
            QCOMPARE(kind<QPushButton>(name)->toolTip(), QStringLiteral("Erst einen Pakt anlegen oder eine Autobuchung abspielen."));
        }
        QVERIFY(kind<QLabel>("LabHinweis")->isVisible());
        QVERIFY(kind<QLabel>("LabHinweis")->text().startsWith(QStringLiteral("Noch kein Pakt in diesem Verzeichnis")));
        // Documents that are missing say so instead of doing nothing.
        QTest::mouseClick(kind<QPushButton>("BtnStartvertrag"), Qt::LeftButton);
        QVERIFY(m_benutzer.meldungen.value(0).startsWith(QStringLiteral("Der Startvertrag fehlt: die Datei „Startvertrag.html“")));
        QVERIFY(m_geoeffnet.isEmpty());
        // Nothing is written by looking.
        m_fenster.reset();
        QCOMPARE(m_dir.entryList(QDir::Files), QStringList());
    }

    // The help opens at the section of the page in front, and every link of
    // the help leads to a section that is there.
    void hilfeZuJederSeite()
    {
        paktOeffnen();
        const QString doku = QCoreApplication::applicationDirPath() + QStringLiteral("/VennlokDoku.html");
        const QString text = QString::fromUtf8(dateiInhalt(doku));
        QSet<QString> abschnitte;
        for (const QRegularExpressionMatch &m : QRegularExpression(QStringLiteral(" id=\"([^\"]+)\"")).globalMatch(text))
            abschnitte.insert(m.captured(1));
        for (const QRegularExpressionMatch &m : QRegularExpression(QStringLiteral("href=\"#([^\"]+)\"")).globalMatch(text))
            QVERIFY2(abschnitte.contains(m.captured(1)), qPrintable(m.captured(1)));
        QSet<QString> geoeffnet;
        for (int seite = TVenBuchungForm::Teilhaber; seite <= TVenBuchungForm::SetupInfo; ++seite) {
            m_fenster->SeiteWaehlen(TVenBuchungForm::Seite(seite));
            // The button, or F1 on every other page: both open the page's section.
            if (seite % 2)
                QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : m_fenster.get(), Qt::Key_F1);
            else
                QTest::mouseClick(kind<QPushButton>("BtnHelp"), Qt::LeftButton);
            Plattform::AufSkripteWarten();
            QCOMPARE(m_geoeffnet.size(), seite + 1);
            const QString ziel = m_geoeffnet.last();
            QVERIFY2(ziel.startsWith(QStringLiteral("file:///")) && ziel.contains(QStringLiteral("VennlokDoku.html#")), qPrintable(ziel));
            QVERIFY2(abschnitte.contains(ziel.section(QLatin1Char('#'), 1)), qPrintable(ziel));
            geoeffnet.insert(ziel);
        }
        QCOMPARE(geoeffnet.size(), 8); // each page its own section
        QCOMPARE(m_benutzer.meldungen, QStringList());
    }

    void mitPaktAufEinzahlungen()
    {
        paktOeffnen();
        QCOMPARE(m_fenster->AktiveSeite(), TVenBuchungForm::Einzahlungen);
        QCOMPARE(kind<QLineEdit>("EdBuchMonat")->text(), QStringLiteral("200603"));
        QCOMPARE(kind<QLineEdit>("EdEinBetrag")->text(), QStringLiteral("50"));
        // Fields that only show take no Tab stop (the tour below passes the contribution by).
        QVERIFY(kind<QPushButton>("Button3")->text().contains(QStringLiteral("Strg+Q")));
        QCOMPARE(kind<QLabel>("LabKassenbestand")->text(), QStringLiteral("0,00\u00A0€"));
        QVERIFY(!kind<QPushButton>("BtnNeu")->isEnabled());
        QVERIFY(kind<QPushButton>("BtnVertrag")->isEnabled());
        QVERIFY(!kind<QComboBox>("CBAusTeilhaber")->isEnabled());
        QVERIFY(!kind<QLabel>("LabHinweis")->isVisible());
        QCOMPARE(kind<QLabel>("LabSozialant")->text(), QStringLiteral("50,00 %"));
        // Tab runs through the page, then the page buttons, then the panel's buttons.
        kind<QPushButton>("BtnTeilListeOffen")->setFocus();
        QStringList weg;
        for (int i = 0; i < 14; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            weg.append(QApplication::focusWidget()->objectName());
        }
        // The page buttons are one stop, as a tab bar; the arrow keys move among them.
        QCOMPARE(weg.join(' '), QStringLiteral("BtnRueckstaendeDrucken BtnRueckstaende BtnKontoauszugEinlesen BtnLastschriften "
                                               "LstEinBuchungen BtnEinStorno TabShTeilhaberReiter Button3 BtnHelp CBEinTeilhaber "
                                               "BtnEinzahlen BtnTeilListe BtnTeilListeOffen BtnRueckstaendeDrucken"));
        // Ctrl and a digit choose a page.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(m_fenster->AktiveSeite(), TVenBuchungForm::Rechnungen);
    }

    void tastenWirkenEinmal_data()
    {
        tabelle("tasten_wirken_einmal", {"wo"});
    }

    // A question box takes the focus from the window; the key must not act again when it returns.
    void tastenWirkenEinmal()
    {
        QFETCH(QString, wo);
        if (wo == QLatin1String("Gruendung"))
            fensterOeffnen();
        else
            zweiterMonatOeffnen();
        m_benutzer.antworten = {true};
        m_benutzer.beiFrage = [] { QApplication::setActiveWindow(nullptr); };
        if (wo == QLatin1String("Einzahlungen") || wo == QLatin1String("Austritt")) {
            const bool einzahlung = wo == QLatin1String("Einzahlungen");
            m_fenster->SeiteWaehlen(einzahlung ? TVenBuchungForm::Einzahlungen : TVenBuchungForm::Austritt);
            auto *box = kind<QComboBox>(einzahlung ? "CBEinTeilhaber" : "CBTeilAustritt");
            box->setEditText(einzahlung ? QStringLiteral("Clara Weiß") : QStringLiteral("bernd"));
            QTest::keyClick(box, Qt::Key_Return);
            QVERIFY(QFile::exists(pfad(einzahlung ? "T_Clara_Weiss.ven" : "X_Bernd.ven")));
            QCOMPARE(m_fenster->Vennlok().Monatsstand().eingangsbuchungen, einzahlung ? 1 : 0);
            QVERIFY2(m_fenster->Statuszeile().startsWith(einzahlung ? "Einzahlung 50,00\u00A0€ für Clara Weiß gebucht" : "Austritt von Bernd gebucht"),
                     qPrintable(m_fenster->Statuszeile()));
        } else {
            m_fenster->BtnNeuClick();
            QVERIFY(QTest::qWaitForWindowActive(&m_fenster->DemokratForm()));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::ControlModifier);
            QVERIFY(m_fenster->Vennlok().PaktVorhanden());
        }
        QCOMPARE(m_benutzer.fragen.size(), 1);
        QCOMPARE(m_benutzer.meldungen, QStringList());
    }

    // Ctrl+Q asks only while an address is typed but not stored.
    void schliessenFragtNurBeiUngespeichertem()
    {
        zweiterMonatOeffnen();
        m_fenster->SeiteWaehlen(TVenBuchungForm::Teilhaber);
        kind<QComboBox>("CBTeilhaber")->setEditText(QStringLiteral("bernd"));
        m_fenster->CBTeilhaberExit();
        QTest::keyClicks(kind<QPlainTextEdit>("MemAdresse"), QStringLiteral("Koeln"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(m_benutzer.fragen, QStringList({"Programmende: Die Adresse von Bernd ist geändert, aber nicht gespeichert. "
                                                 "Trotzdem beenden?"}));
        QVERIFY(m_fenster->isVisible());
        m_fenster->BtnSpeichernClick();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(m_benutzer.fragen.size(), 1);
        QVERIFY(!m_fenster->isVisible());
    }

    void rechnungen_data()
    {
        tabelle("rechnungen_im_fenster", {"betrag", "antwort", "frage", "fehler", "bucht"});
    }

    // The participant is typed as on the payment page: other letter case, umlauts unfolded.
    void rechnungen()
    {
        QFETCH(QString, betrag);
        QFETCH(QString, antwort);
        QFETCH(QString, frage);
        QFETCH(QString, fehler);
        QFETCH(QString, bucht);
        const bool gebucht = bucht == QLatin1String("ja");
        zweiterMonatOeffnen();
        m_fenster->SeiteWaehlen(TVenBuchungForm::Rechnungen);
        kind<QComboBox>("CBRechTeilhaber")->setEditText(QStringLiteral("anna bäcker"));
        const int knopfOben = kind<QPushButton>("BtnRechnung")->y();
        kind<QLineEdit>("EdRechBetrag")->setText(betrag);
        QCOMPARE(kind<QLabel>("LabRechFehler")->text().left(fehler.size()), fehler);
        // The error line has its room: the button stays where the hand is.
        QCoreApplication::processEvents();
        QCOMPARE(kind<QPushButton>("BtnRechnung")->y(), knopfOben);
        if (!fehler.isEmpty())
            QCOMPARE(kind<QLabel>("LabAbsVen")->text(), QStringLiteral("–"));
        m_benutzer.antworten = {antwort == QLatin1String("ja")};
        QTest::mouseClick(kind<QPushButton>("BtnRechnung"), Qt::LeftButton);
        QCOMPARE(m_benutzer.fragen.value(0).left(frage.size()), frage);
        QCOMPARE(m_benutzer.fragen.isEmpty(), frage.isEmpty());
        if (!frage.isEmpty())
            QVERIFY(m_benutzer.fragen[0].endsWith(QStringLiteral("(99,00\u00A0€). Sie senkt den Sozialanteil dieses Monats für alle "
                                                                 "von 77,50 % auf 5,00 %. Trotzdem buchen?")));
        QVERIFY2(m_benutzer.meldungen.isEmpty(), qPrintable(m_benutzer.meldungen.join(QLatin1Char('\n'))));
        QCOMPARE(m_fenster->Vennlok().Monatsstand().rechnungsbuchungen, gebucht ? 1 : 0);
        QCOMPARE(kind<QLineEdit>("EdRechBetrag")->text().isEmpty(), gebucht);
        if (gebucht)
            QCOMPARE(m_fenster->Statuszeile(), QStringLiteral("Rechnung %1,00\u00A0€ für Anna Bäcker gebucht (April 2006)")
                                                   .arg(betrag == QLatin1String("10") ? "10" : "100.000"));
        QCOMPARE(kind<QLabel>("LabRechnungen")->text().startsWith(gebucht ? "1, zusammen" : "0, zusammen 0,00\u00A0€"), true);
    }

    void returnBuchtWelchesSteuerelementAuchImmer_data()
    {
        tabelle("return_bucht", {"fokus"});
    }

    // Return loads the participant typed on the Teilhaber page (and makes a
    // new line in the address), and books the invoice on the Rechnungen page.
    void returnAufDenSeiten()
    {
        zweiterMonatOeffnen();
        m_fenster->SeiteWaehlen(TVenBuchungForm::Teilhaber);
        kind<QComboBox>("CBTeilhaber")->setEditText(QStringLiteral("anna bäcker"));
        kind<QComboBox>("CBTeilhaber")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(kind<QLabel>("LabAdresse")->text(), QStringLiteral("Adresse von Anna Bäcker"));
        QCOMPARE(QApplication::focusWidget(), kind<QLineEdit>("EdAdresse_Kontoinhaber"));
        auto *memo = kind<QPlainTextEdit>("MemAdresse");
        memo->setFocus();
        const int zeilen = memo->blockCount();
        QTest::keyClick(memo, Qt::Key_Return);
        QCOMPARE(memo->blockCount(), zeilen + 1);
        m_fenster->SeiteWaehlen(TVenBuchungForm::Rechnungen);
        kind<QComboBox>("CBRechTeilhaber")->setEditText(QStringLiteral("anna bäcker"));
        kind<QLineEdit>("EdRechBetrag")->setText(QStringLiteral("10"));
        kind<QLineEdit>("EdRechBetrag")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY2(m_benutzer.meldungen.isEmpty(), qPrintable(m_benutzer.meldungen.join(QLatin1Char('\n'))));
        QCOMPARE(m_fenster->Vennlok().Monatsstand().rechnungsbuchungen, 1);
    }

    // The address as a form: each known item in its field, the rest as
    // lines below; a refused item keeps everything typed and unsaved, and
    // the status line says what was refused.
    void adresseAlsFormular()
    {
        zweiterMonatOeffnen();
        m_fenster->SeiteWaehlen(TVenBuchungForm::Teilhaber);
        kind<QComboBox>("CBTeilhaber")->setEditText(QStringLiteral("anna bäcker"));
        m_fenster->CBTeilhaberExit();
        auto *iban = kind<QLineEdit>("EdAdresse_IBAN");
        auto *ort = kind<QLineEdit>("EdAdresse_Stadt");
        QTest::keyClicks(ort, QStringLiteral("Bonn"));
        QTest::keyClicks(iban, QStringLiteral("DE89 3704 0044 0532 0130 01"));
        m_fenster->BtnSpeichernClick();
        QVERIFY2(m_fenster->Statuszeile().startsWith(QStringLiteral("Adresse von Anna Bäcker nicht gespeichert: Die Prüfziffern der IBAN")),
                 qPrintable(m_fenster->Statuszeile()));
        QCOMPARE(QApplication::focusWidget(), iban);
        QVERIFY(iban->isModified() && ort->isModified());
        QCOMPARE(m_fenster->Vennlok().Adresse(QStringLiteral("Anna_Baecker")), (QList<QPair<QString, QString>>{}));
        // Ctrl+Q still asks: the form is not saved.
        m_benutzer.antworten = {false};
        QTest::keyClick(iban, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(m_benutzer.fragen.size(), 1);
        iban->setText(QStringLiteral("DE89 3704 0044 0532 0130 00"));
        m_fenster->BtnSpeichernClick();
        QCOMPARE(m_fenster->Statuszeile(), QStringLiteral("Adresse von Anna Bäcker gespeichert (2 Einträge)"));
        m_fenster->BtnSpeichernClick();
        QCOMPARE(m_fenster->Statuszeile(), QStringLiteral("Adresse von Anna Bäcker: nichts geändert"));
        // Loaded again: the items in their fields (the place under the key the file keeps), none twice below.
        kind<QComboBox>("CBTeilhaber")->setEditText(QStringLiteral("Anna Bäcker"));
        m_fenster->CBTeilhaberExit();
        QCOMPARE(iban->text(), QStringLiteral("DE89370400440532013000"));
        QCOMPARE(ort->text(), QStringLiteral("Bonn"));
        QVERIFY(!kind<QPlainTextEdit>("MemAdresse")->toPlainText().contains(QStringLiteral("IBAN")));
        QVERIFY(!kind<QPlainTextEdit>("MemAdresse")->toPlainText().contains(QStringLiteral("Stadt")));
        QVERIFY(m_fenster->Vennlok().Adresse(QStringLiteral("Anna_Baecker")).contains({QStringLiteral("Stadt"), QStringLiteral("Bonn")}));
        kind<QLineEdit>("EdAdresse_PLZ")->setText(QStringLiteral("50667"));
        m_fenster->BtnSpeichernClick();
        QCOMPARE(m_fenster->Statuszeile(), QStringLiteral("Adresse von Anna Bäcker gespeichert (1 Eintrag)"));
    }

    void druckenMitVorschau_data() { tabelle("drucken", {"seite", "titel", "text"}); }

    // Strg+P puts the page's document in the print preview, with the pact's
    // name in every page's foot; the pages are those of its PDF.
    void druckenMitVorschau()
    {
        QFETCH(QString, seite);
        QFETCH(QString, titel);
        QFETCH(QString, text);
        if (titel == QLatin1String("-"))
            titel.clear();
        {
            TVennlok v(m_dir.path());
            zweiterMonat(v, {QStringLiteral("Anna Bäcker"), QStringLiteral("Bernd")});
            QVERIFY(v.PaktangabenSetzen({QStringLiteral("Pakt am Mühlbach"), QString()}).gebucht());
        }
        fensterOeffnen();
        QWidget *fenster = m_fenster.get();
        if (seite == QLatin1String("Verlauf")) {
            m_fenster->BtnVerlaufClick();
            fenster = &m_fenster->VerlaufForm();
        } else {
            const QStringList seiten{"Teilhaber", "Einzahlungen", "Rechnungen", "Auszahlungen", "Monatsabschluss"};
            m_fenster->SeiteWaehlen(TVenBuchungForm::Seite(seiten.indexOf(seite)));
            kind<QComboBox>("CBTeilhaber")->setEditText(QStringLiteral("anna bäcker"));
        }
        QApplication::setActiveWindow(fenster);
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : fenster, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(m_benutzer.gedruckt, titel.isEmpty() ? QStringList() : QStringList{titel});
        if (titel.isEmpty()) {
            QVERIFY2(m_fenster->Statuszeile().contains(text), qPrintable(m_fenster->Statuszeile()));
            return;
        }
        QTemporaryFile pdf;
        QVERIFY(pdf.open());
        pdf.write(m_benutzer.druckbild);
        pdf.close();
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {pdf.fileName(), QStringLiteral("-")});
        QVERIFY(pdftotext.waitForFinished());
        const QString seiten = QString::fromUtf8(pdftotext.readAllStandardOutput());
        QVERIFY2(seiten.contains(text), qPrintable(seiten));
        QVERIFY2(seiten.contains(QStringLiteral("Pakt am Mühlbach")), qPrintable(seiten));
    }

    // A message wider than the status line ends in "…" and is whole in the
    // tooltip; every message since the start can be read again.
    void statuszeileKuerztUndMerkt()
    {
        paktOeffnen();
        m_fenster->resize(360, m_fenster->height());
        for (const char *name : {"Anna Bäcker", "Maximiliane von Großenhainsdorf-Überlingen"}) {
            kind<QComboBox>("CBEinTeilhaber")->setEditText(QString::fromUtf8(name));
            m_benutzer.antworten = {true};
            QTest::mouseClick(kind<QPushButton>("BtnEinzahlen"), Qt::LeftButton);
        }
        const QString ganz = m_fenster->Statuszeile();
        QVERIFY2(ganz.startsWith(QStringLiteral("Einzahlung 50,00\u00A0€ für Maximiliane von "
                                                "Großenhainsdorf-Überlingen gebucht")), qPrintable(ganz));
        QVERIFY(kind<QLabel>("LabStatus")->toolTip().startsWith(ganz));
        // Narrower than its message, the line shortens it and keeps its width.
        TStatuszeile zeile(nullptr);
        zeile.resize(160, 24);
        zeile.show();
        zeile.Setzen(ganz);
        QVERIFY2(zeile.text().endsWith(QChar(0x2026)) && zeile.text().size() < ganz.size(), qPrintable(zeile.text()));
        QCOMPARE(zeile.Text(), ganz);
        QCOMPARE(zeile.width(), 160);
        zeile.resize(2000, 24);
        QCOMPARE(zeile.text(), ganz);
        m_benutzer.meldungen.clear();
        QTest::mouseClick(kind<QPushButton>("BtnMeldungen"), Qt::LeftButton);
        QCOMPARE(m_benutzer.meldungen.size(), 1);
        const QStringList verlauf = m_benutzer.meldungen[0].split(QLatin1Char('\n'));
        QCOMPARE(verlauf.value(0), QStringLiteral("Meldungen seit dem Start:"));
        QVERIFY(verlauf.filter(QStringLiteral("für Anna Bäcker gebucht")).size() == 1);
        QVERIFY(verlauf.last().endsWith(ganz));
    }

    // Closing a month the calendar has not finished asks first; No closes nothing.
    void abschlussVorDemKalender()
    {
        paktOeffnen();
        Uhr::Setzen([] { return *Textformat::textZuDateTime(QStringLiteral("15.03.2006")); });
        m_benutzer.antworten = {true, false};
        m_fenster->BtnMonatsendeClick();
        Uhr::Setzen(nullptr);
        QCOMPARE(m_benutzer.fragen.value(1), QStringLiteral("Monatsabschluß: Der März 2006 ist im Kalender noch nicht zu Ende "
                                                            "(heute ist der 15.03.2006). Trotzdem schon jetzt abschließen?"));
        QCOMPARE(m_fenster->Vennlok().Buchungsmonat(), QStringLiteral("200603"));
        QVERIFY(!m_fenster->Beschaeftigt());
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
        QCOMPARE(m_fenster->Vennlok().Monatsstand().kassenstand, e(50));
        QCOMPARE(kind<QLabel>("LabEinBuchungen")->text(), QStringLiteral("1"));
        QCOMPARE(box->currentText(), QString());
    }
};

QTEST_MAIN(TstVenBuchungForm)
#include "tst_venbuchungform.moc"
