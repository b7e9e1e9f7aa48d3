#include "algo/formeln.h"
#include "data/monatkey.h"
#include "dokumente/format.h"
#include "engine/vennlok.h"
#include "platform/journal.h"
#include "platform/skript.h"
#include "ui/demokratform.h"
#include "ui/infoform.h"
#include "ui/kontoauszugform.h"
#include "ui/programm.h"
#include "ui/venbuchungform.h"
#include "ui/waswaereform.h"
#include "ui/verlaufform.h"

#include "tests/dateistand.h"
#include "tests/testhilfe.h"
#include "tests/kontoauszug.h"
#include "tests/testpakt.h"
#include "tests/ui/testbenutzer.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace Testhilfe;

class TstSeiten : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    QDir m_dir;
    TTestBenutzer m_benutzer;
    std::unique_ptr<TVenBuchungForm> m_fenster;

    QString pfad(const QString &name) const { return m_dir.filePath(name); }

    QLineEdit *feld(const char *name) { return kind<QLineEdit>(&m_fenster->DemokratForm(), name); }

    void fensterOeffnen()
    {
        m_fenster.reset();
        m_fenster = std::make_unique<TVenBuchungForm>(m_dir.path(), &m_benutzer);
        m_fenster->show();
    }

    // A pact in its second month with three participants: Anna and Clara pay, Bernd owes.
    void zweiterMonat()
    {
        {
            TVennlok v(m_dir.path());
            Testhilfe::zweiterMonat(v, {"Anna", "Bernd", "Clara"});
            v.Einzahlung(QStringLiteral("Anna"), v.Buchungsmonat(), e(50), zeitpunkt(2006, 4, 2));
            v.Einzahlung(QStringLiteral("Clara"), v.Buchungsmonat(), e(50), zeitpunkt(2006, 4, 2));
            v.Rechnung(QStringLiteral("Clara"), e(100), zeitpunkt(2006, 4, 3));
        }
        fensterOeffnen();
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
    }

    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        m_dir = QDir(m_tmp->path());
        m_benutzer = TTestBenutzer();
        Plattform::SetzeOeffner([](const QString &) { return true; });
    }

    void cleanup()
    {
        m_fenster.reset();
        Plattform::AufSkripteWarten();
        Plattform::SetzeOeffner({});
        m_tmp.reset();
    }

    void dialogLegtDenPaktAn()
    {
        fensterOeffnen();
        m_fenster->BtnNeuClick();
        TDemokratForm &dialog = m_fenster->DemokratForm();
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("demokratische Anpassung"));
        QCOMPARE(feld("Edit1")->text(), QStringLiteral("180,00"));
        QCOMPARE(feld("Edit2")->text(), QStringLiteral("0,50"));
        QCOMPARE(feld("Edit3")->text(), QStringLiteral("2,00"));
        QCOMPARE(feld("EdVen")->text(), QStringLiteral("0,50"));
        QCOMPARE(feld("Edit4")->text(), QStringLiteral("0,65"));
        QCOMPARE(feld("Edit5")->text(), QStringLiteral("3000,00"));
        QCOMPARE(feld("Edit6")->text(), QStringLiteral("-300,00"));
        // The start month is the running one, never typed; captions in words, the key as a tooltip.
        QVERIFY(feld("EdMon")->isReadOnly());
        QVERIFY(!feld("EdVen")->isReadOnly());
        QCOMPARE(kind<QLabel>(&dialog, "LbVen")->text(), QStringLiteral("Sozialanteil (0 bis 1)"));
        QCOMPARE(kind<QLabel>(&dialog, "Label2")->text(), QStringLiteral("Gebühr je Einzahlung (€)"));
        QCOMPARE(feld("Edit2")->toolTip(), QStringLiteral("HonorarEingangsbuchung"));

        // No stores nothing.
        m_benutzer.antworten = {false};
        dialog.BtnDataOKClick();
        QVERIFY(!QFile::exists(pfad("A_Vennlok.ven")));
        QVERIFY(!dialog.isVisible());

        // A wrong IBAN of the trustee stops it all before a question, even typed with blanks around its key.
        m_fenster->BtnNeuClick();
        kind<QPlainTextEdit>(&dialog, "MemAdresse")->setPlainText(QStringLiteral("Name=Dr. Schulz;\n IBAN = DE44 5001 0517 5407 3249 32;"));
        dialog.BtnDataOKClick();
        QCOMPARE(m_benutzer.meldungen, QStringList({"Treuhänder: Die Prüfziffern der IBAN stimmen nicht: vermutlich ein Tippfehler."}));
        QCOMPARE(m_benutzer.fragen.size(), 1);
        QVERIFY(!QFile::exists(pfad("A_Vennlok.ven")));
        m_benutzer.meldungen.clear();

        feld("Edit1")->setText(QStringLiteral("50"));
        kind<QPlainTextEdit>(&dialog, "MemAdresse")->setPlainText(QStringLiteral("Name=Dr. Schulz;\nStadt=Köln\nFax.=;\nfrei"));
        m_benutzer.antworten = {true};
        dialog.BtnDataOKClick();
        QCOMPARE(m_benutzer.fragen.last(), QStringLiteral("neuen Pakt anlegen: Diese Startdaten eintragen?"));
        QVERIFY(QFile::exists(pfad("A_Vennlok.ven")));
        TVennlokDaten daten(pfad("A_Vennlok.ven"));
        QCOMPARE(daten.Beitrag(), e(50));
        QCOMPARE(daten.ExtSozialanteil(), ExtAusInt(2, IntAusExt(0.5)));
        QCOMPARE(daten.Anwaelte(), QStringList({"Name", "Stadt"}));
        QCOMPARE(daten.AnwaltAdresse(QStringLiteral("Stadt")), QStringLiteral("Köln"));
        // The main window now shows every page; creating a second pact is no longer offered.
        m_fenster->Anzeige();
        m_fenster->SeiteWaehlen(TVenBuchungForm::Einzahlungen);
        QCOMPARE(m_fenster->AktiveSeite(), TVenBuchungForm::Einzahlungen);
        QVERIFY(!kind<QPushButton>(m_fenster.get(), "BtnNeu")->isEnabled());
        QVERIFY(kind<QPushButton>(m_fenster.get(), "BtnVertrag")->isEnabled());
    }

    void monatsabschlussMitFragen()
    {
        zweiterMonat();
        // Bank details: the pact's account in the dialog, Clara's IBAN on the Teilhaber page, a typo refused first.
        m_fenster->BtnVertragClick();
        feld("EdKontoinhaber")->setText(QStringLiteral("Pakt Köln"));
        feld("EdIban")->setText(QStringLiteral("DE02 1203 0000 0000 2020 51"));
        kind<QPlainTextEdit>(&m_fenster->DemokratForm(), "MemAdresse")->setPlainText(QStringLiteral("IBAN=DE44 5001 0517 5407 3249 31;"));
        m_benutzer.antworten = {true};
        m_fenster->DemokratForm().BtnDataOKClick();
        QCOMPARE(m_fenster->Vennlok().PaktKonto().iban, QStringLiteral("DE02120300000000202051"));
        // The contract's figures were left as they are: the account is stored without a supplementary contract.
        QVERIFY2(m_benutzer.fragen.last().startsWith(QStringLiteral("Angaben des Pakts: Die Zahlen des Vertrags bleiben")),
                 qPrintable(m_benutzer.fragen.last()));
        const QByteArray stamm = dateiStand(pfad("A_Vennlok.ven"));
        QVERIFY(stamm.contains("DE02120300000000202051") && !stamm.contains("[Erg"));
        m_fenster->SeiteWaehlen(TVenBuchungForm::Teilhaber);
        kind<QComboBox>(m_fenster.get(), "CBTeilhaber")->setEditText(QStringLiteral("Clara"));
        m_fenster->CBTeilhaberExit();
        for (const char *iban : {"DE89 3704 0044 0532 0130 01", "DE89 3704 0044 0532 0130 00"}) {
            kind<QPlainTextEdit>(m_fenster.get(), "MemAdresse")->setPlainText(QStringLiteral("IBAN=%1;").arg(iban));
            m_fenster->BtnSpeichernClick();
        }
        QCOMPARE(m_benutzer.meldungen, QStringList({"Die Prüfziffern der IBAN stimmen nicht: vermutlich ein Tippfehler.\n\n"
                                                    "Es wurde nichts von der Adresse gespeichert; bitte berichtigen und noch "
                                                    "einmal speichern."}));
        m_benutzer.meldungen.clear();
        m_benutzer.fragen.clear();
        const auto vorher = verzeichnisstand(m_dir);
        m_benutzer.antworten = {false};
        m_fenster->BtnMonatsendeClick();
        QCOMPARE(m_benutzer.fragen, QStringList({"Monatsabschluß: Den April 2006 abschließen?"}));
        QCOMPARE(verzeichnisstand(m_dir), vorher);
        m_benutzer.antworten = {true, false};
        m_fenster->BtnMonatsendeClick();
        QCOMPARE(m_benutzer.fragen.last(), QStringLiteral("Monatsabschluß: Es haben noch nicht alle Teilhaber eingezahlt "
                                                          "(1 offen: Bernd). Ihr Beitrag wird als Rückstand gebucht. "
                                                          "Trotzdem abschließen?"));
        QCOMPARE(verzeichnisstand(m_dir), vorher);
        // The close runs beside the window, which books nothing meanwhile.
        m_benutzer.antworten = {true, true};
        m_fenster->BtnMonatsendeClick();
        QVERIFY(m_fenster->Beschaeftigt());
        QTest::mouseClick(kind<QPushButton>(m_fenster.get(), "BtnEinzahlen"), Qt::LeftButton);
        QTest::keyClick(m_fenster.get(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!m_fenster->Beschaeftigt(), 60000);
        QCOMPARE(kind<QLineEdit>(m_fenster.get(), "EdBuchMonat")->text(), QStringLiteral("200605"));
        QCOMPARE(m_fenster->Statuszeile(), QStringLiteral("April 2006 abgeschlossen; neuer Buchungsmonat Mai 2006; "
                                                          "Monatsbericht200604.pdf geschrieben; Ueberweisungen200604.xml geschrieben; "
                                                          "Sicherung200604.tar geschrieben"));
        // The month's archive holds the report and the bank file the close wrote before it.
        const QByteArray archiv = dateiInhalt(pfad("Sicherungen/Sicherung200604.tar"));
        QVERIFY(archiv.contains("Monatsbericht200604.pdf") && archiv.contains("Ueberweisungen200604.xml"));
        QVERIFY(dateiInhalt(pfad("Monatsbericht200604.pdf")).startsWith("%PDF"));
        QVERIFY(dateiInhalt(pfad("Ueberweisungen200604.xml")).contains("<IBAN>DE89370400440532013000</IBAN>"));
        QVERIFY(dateiInhalt(pfad("Ueberweisungen200604.xml")).contains("<IBAN>DE44500105175407324931</IBAN>"));
        QCOMPARE(m_benutzer.meldungen, QStringList());
        QVERIFY(QFile::exists(pfad("Transfers.tra")));

        // An account half emptied is refused before anything is stored; emptied whole, it is removed.
        m_fenster->BtnVertragClick();
        feld("EdKontoinhaber")->clear();
        m_fenster->DemokratForm().BtnDataOKClick();
        QCOMPARE(m_benutzer.meldungen, QStringList({"Der Kontoinhaber des Pakts fehlt."}));
        QCOMPARE(m_fenster->Vennlok().PaktKonto().inhaber, QStringLiteral("Pakt Köln"));
        feld("EdIban")->clear();
        m_benutzer.antworten = {true};
        m_fenster->DemokratForm().BtnDataOKClick();
        QCOMPARE(m_fenster->Vennlok().PaktKonto().iban, QString());
        QCOMPARE(m_benutzer.meldungen.size(), 1);
    }

    // What the operator confirms at once is stored at once: an address memo,
    // the adjustment dialog's contract with the pact's account and the
    // trustee's lines, and a bank statement's bookings (a payment, a returned
    // debit taken back, a fee dismissed). Each disk step of the one commit fails in turn: every
    // file stays as it was, until the step after the last lets it through;
    // a line that is refused stores nothing of the rest.
    void einVorgangEineTransaktion_data()
    {
        QTest::addColumn<QString>("vorgang");
        QTest::newRow("an address memo of three lines") << "adresse";
        QTest::newRow("an address memo whose second line is refused") << "adresse abgelehnt";
        QTest::newRow("a contract with the pact's account and two trustee lines") << "vertrag";
        QTest::newRow("a bank statement's payment, returned debit and dismissed fee") << "kontoauszug";
    }

    void einVorgangEineTransaktion()
    {
        QFETCH(QString, vorgang);
        zweiterMonat();
        QTemporaryDir bank;
        const QString auszug = QDir(bank.path()).filePath(QStringLiteral("april.xml"));
        if (vorgang == QLatin1String("kontoauszug")) {
            TVennlok &v = m_fenster->Vennlok();
            QVERIFY(v.PaktKontoSetzen({QStringLiteral("Pakt"), QStringLiteral("DE02120300000000202051"), QString(), QString(), 0}).gebucht());
            QVERIFY(v.AdresseSpeichern(QStringLiteral("Bernd"), QStringLiteral("IBAN"), QStringLiteral("DE89370400440532013000"), QStringLiteral("01.04.2006")).gebucht());
            QVERIFY(v.AdresseSpeichern(QStringLiteral("Clara"), QStringLiteral("IBAN"), QStringLiteral("DE44500105175407324931"), QStringLiteral("01.04.2006")).gebucht());
            schreiben(auszug, kontoauszug(QStringLiteral("001.08"), QStringLiteral("DE02120300000000202051"), 0,
                                          {{e(50), QDate(2006, 4, 4), QStringLiteral("Bernd"), QStringLiteral("DE89370400440532013000"),
                                            QStringLiteral("Beitrag"), QString(), QStringLiteral("A1"), QString()},
                                           {e(-50), QDate(2006, 4, 6), QStringLiteral("Clara"), QStringLiteral("DE44500105175407324931"),
                                            QStringLiteral("Ruecklastschrift"), QString(), QStringLiteral("A2"), QStringLiteral("AC04")},
                                           {e(-2.5), QDate(2006, 4, 30), QString(), QString(), QStringLiteral("Entgelt"), QString(),
                                            QStringLiteral("A3"), QString()}}));
            m_benutzer.datei = auszug;
        }
        const auto ausloesen = [&] {
            if (vorgang == QLatin1String("kontoauszug")) {
                m_benutzer.imDialog = [](QDialog *dialog) {
                    auto &tabelle = static_cast<TKontoauszugForm *>(dialog)->Tabelle();
                    tabelle.item(2, TKontoauszugForm::Haken)->setCheckState(Qt::Checked); // the fee, dismissed
                    return true;
                };
                m_fenster->SeiteWaehlen(TVenBuchungForm::Einzahlungen);
                m_fenster->BtnKontoauszugEinlesenClick();
            } else if (vorgang.startsWith(QLatin1String("adresse"))) {
                m_fenster->SeiteWaehlen(TVenBuchungForm::Teilhaber);
                kind<QComboBox>(m_fenster.get(), "CBTeilhaber")->setEditText(QStringLiteral("Clara"));
                m_fenster->CBTeilhaberExit();
                const QString iban = vorgang.endsWith(QLatin1String("abgelehnt")) ? QStringLiteral("DE89 3704 0044 0532 0130 01")
                                                                                   : QStringLiteral("DE89 3704 0044 0532 0130 00");
                kind<QPlainTextEdit>(m_fenster.get(), "MemAdresse")
                    ->setPlainText(QStringLiteral("Strasse=Hauptstr. 1;\nIBAN=%1;\nOrt=Köln;").arg(iban));
                m_fenster->BtnSpeichernClick();
            } else {
                m_fenster->BtnVertragClick();
                feld("Edit1")->setText(QStringLiteral("60,00"));
                feld("EdKontoinhaber")->setText(QStringLiteral("Pakt Köln"));
                feld("EdIban")->setText(QStringLiteral("DE02 1203 0000 0000 2020 51"));
                kind<QPlainTextEdit>(&m_fenster->DemokratForm(), "MemAdresse")
                    ->setPlainText(QStringLiteral("Name=Dr. Schulz;\nIBAN=DE44 5001 0517 5407 3249 31;"));
                m_benutzer.antworten = {true};
                m_fenster->DemokratForm().BtnDataOKClick();
            }
        };
        const auto vorher = verzeichnisstand(m_dir);
        if (vorgang.endsWith(QLatin1String("abgelehnt"))) {
            ausloesen();
            QVERIFY(m_benutzer.meldungen.last().contains(QStringLiteral("Es wurde nichts von der Adresse gespeichert")));
            QCOMPARE(verzeichnisstand(m_dir), vorher);
            return;
        }
        for (int k = 1;; ++k) {
            QVERIFY(k < 100);
            int schritt = 0;
            TJournalSpeicher::Fehlerhaken = [&](const QString &) { return ++schritt != k; };
            m_benutzer.meldungen.clear();
            ausloesen();
            TJournalSpeicher::Fehlerhaken = nullptr;
            if (m_benutzer.meldungen.isEmpty())
                break; // the step after the last: stored whole
            // Failed before the commit point: nothing of the action is anywhere.
            if (!m_benutzer.meldungen.last().contains(QStringLiteral("gesichert, aber noch nicht"))) {
                QCOMPARE(verzeichnisstand(m_dir), vorher);
                continue;
            }
            // Failed after it: all of it counts, and opening writes it out.
            m_fenster.reset();
            fensterOeffnen();
            break;
        }
        const auto nachher = verzeichnisstand(m_dir);
        QVERIFY(nachher != vorher);
        if (vorgang == QLatin1String("kontoauszug")) {
            QVERIFY(nachher.value(QStringLiteral("T_Bernd.ven")).contains("200604_1=50"));
            QVERIFY(!nachher.value(QStringLiteral("T_Clara.ven")).contains("200604_1=50"));
            // Three transactions remembered, and the statement's closing balance.
            const QByteArray gedaechtnis = nachher.value(QStringLiteral("A_Kontoabgleich.ven"));
            QCOMPARE(gedaechtnis.count(".xml)\r\n"), 3);
            QVERIFY(gedaechtnis.contains("[Kontoauszug]\r\nDatum="));
            // The panel shows the difference to that statement under the balance the books expect.
            const TKontostand konto = m_fenster->Vennlok().Kontostand();
            QVERIFY(konto.auszug && konto.auszugDifferenz != 0);
            const QString panel = kind<QLabel>(m_fenster.get(), "LabKontostand")->text();
            QVERIFY2(panel.contains(QStringLiteral("\u00A0\u20AC\nDiff. Auszug ")) && panel.endsWith(QStringLiteral("\u00A0\u20AC")), qPrintable(panel));
            QCOMPARE(m_fenster->Vennlok().Pruefen(), QStringList());
            // Read again, the statement offers nothing more; the status line says what was passed over.
            m_benutzer.meldungen.clear();
            m_benutzer.imDialog = [](QDialog *dialog) {
                const auto &tabelle = static_cast<TKontoauszugForm *>(dialog)->Tabelle();
                for (int zeile = 0; zeile < tabelle.rowCount(); ++zeile)
                    if (tabelle.item(zeile, TKontoauszugForm::Haken)->flags() & Qt::ItemIsEnabled)
                        return false;
                return true;
            };
            m_fenster->BtnKontoauszugEinlesenClick();
            QVERIFY2(m_fenster->Statuszeile().contains(QStringLiteral("Aus dem Kontoauszug ist nichts zu buchen")),
                     qPrintable(m_fenster->Statuszeile()));
            QCOMPARE(verzeichnisstand(m_dir), nachher);
        } else if (vorgang == QLatin1String("adresse")) {
            const QByteArray clara = nachher.value(QStringLiteral("T_Clara.ven"));
            QVERIFY(clara.contains("Strasse=Hauptstr. 1") && clara.contains("IBAN=DE89370400440532013000") && clara.contains("Ort=K"));
        } else {
            const QByteArray stamm = nachher.value(QStringLiteral("A_Vennlok.ven"));
            QVERIFY(stamm.contains("[Erg") && stamm.contains("DE02120300000000202051") && stamm.contains("Dr. Schulz")
                    && stamm.contains("DE44500105175407324931"));
        }
    }

    // A payment and an invoice reversed from their pages: the list names
    // each with amount and day, the question comes first, No changes nothing.
    void stornoAufDenSeiten_data()
    {
        QTest::addColumn<bool>("einzahlung");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("eintrag");
        QTest::newRow("Anna's payment from the payments page") << true << "Anna" << "1. 50,00\u00A0€ am 02.04.2006";
        QTest::newRow("Clara's invoice from the invoices page") << false << "Clara" << "1. 100,00\u00A0€ am 03.04.2006";
    }

    void stornoAufDenSeiten()
    {
        QFETCH(bool, einzahlung);
        QFETCH(QString, name);
        QFETCH(QString, eintrag);
        zweiterMonat();
        m_fenster->SeiteWaehlen(einzahlung ? TVenBuchungForm::Einzahlungen : TVenBuchungForm::Rechnungen);
        kind<QComboBox>(m_fenster.get(), einzahlung ? "CBEinTeilhaber" : "CBRechTeilhaber")->setEditText(name);
        auto *liste = kind<QListWidget>(m_fenster.get(), einzahlung ? "LstEinBuchungen" : "LstRechBuchungen");
        QCOMPARE(liste->count(), 1);
        QCOMPARE(liste->item(0)->text(), eintrag);
        liste->setCurrentRow(0);
        const auto vorher = verzeichnisstand(m_dir);
        m_benutzer.antworten = {false};
        einzahlung ? m_fenster->BtnEinStornoClick() : m_fenster->BtnRechStornoClick();
        QVERIFY(m_benutzer.fragen.last().contains(eintrag));
        QCOMPARE(verzeichnisstand(m_dir), vorher);
        m_benutzer.antworten = {true};
        einzahlung ? m_fenster->BtnEinStornoClick() : m_fenster->BtnRechStornoClick();
        QCOMPARE(liste->count(), 0);
        QVERIFY2(m_fenster->Statuszeile().contains(QStringLiteral("von %1 über %2\u00A0€ storniert").arg(name, eintrag.section(QLatin1Char(' '), 1, 1).section(QChar(0x00A0), 0, 0))),
                 qPrintable(m_fenster->Statuszeile()));
        QCOMPARE(m_fenster->Vennlok().Pruefen(), QStringList());
    }

    // What if, from the Neu / Auto page: a variant that cannot be read is told
    // and nothing runs; then today's rules and one variant run while the
    // window stays usable, the charts hold both, the CSV is exported, and the
    // pact's folder is as before.
    void wasWaereImFenster()
    {
        zweiterMonat();
        const auto vorher = verzeichnisstand(m_dir);
        m_fenster->SeiteWaehlen(TVenBuchungForm::NeuAuto);
        kind<QPushButton>(m_fenster.get(), "BtnWasWaere")->click();
        TWasWaereForm &form = m_fenster->WasWaereForm();
        QVERIFY(form.isVisible());
        form.Einstellen(3, 4, 9);
        form.VarianteHinzufuegen(QStringLiteral("Sozialanteil=1"));
        form.Rechnen();
        QVERIFY(!form.Laeuft());
        QVERIFY2(!m_benutzer.meldungen.isEmpty() && m_benutzer.meldungen.last().contains(QStringLiteral("kein Parameter")),
                 qPrintable(m_benutzer.meldungen.join(QLatin1Char('\n'))));
        form.VarianteEntfernen();
        form.VarianteHinzufuegen(QStringLiteral("Beitrag=70"));
        QSignalSpy fertig(&form, &TWasWaereForm::Fertig);
        form.Rechnen();
        QVERIFY(form.Laeuft());
        QVERIFY(!kind<QPushButton>(&form, "BtnRechnen")->isEnabled());
        QVERIFY(fertig.wait(60000));
        QCOMPARE(form.Ergebnis().varianten.size(), 2);
        QCOMPARE(form.Ergebnis().varianten[1].first, QStringLiteral("Beitrag=70"));
        QCOMPARE(form.Ergebnis().varianten[1].second.size(), 3);
        QVERIFY2(form.Status().contains(QStringLiteral("gerechnet")), qPrintable(form.Status()));
        QCOMPARE(verzeichnisstand(m_dir), vorher);
        const QTemporaryDir ausgabe;
        m_benutzer.datei = ausgabe.filePath(QStringLiteral("waswaere.csv"));
        kind<QPushButton>(&form, "BtnCsv")->click();
        QVERIFY(dateiInhalt(m_benutzer.datei).contains("\r\nBeitrag=70;200606;"));
    }

    // Cancelling the runs: the window says so, keeps the last result and may run again.
    void wasWaereAbbrechen()
    {
        zweiterMonat();
        // This time from the history window.
        m_fenster->BtnVerlaufClick();
        kind<QPushButton>(&m_fenster->VerlaufForm(), "BtnWasWaere")->click();
        TWasWaereForm &form = m_fenster->WasWaereForm();
        QVERIFY(form.isVisible());
        form.Einstellen(600, 3000, 1);
        QSignalSpy fertig(&form, &TWasWaereForm::Fertig);
        form.Rechnen();
        QVERIFY(form.Laeuft());
        kind<QPushButton>(&form, "BtnAbbrechen")->click();
        QVERIFY(fertig.wait(60000));
        QVERIFY(!form.Laeuft());
        QVERIFY2(form.Status().startsWith(QStringLiteral("Abgebrochen")), qPrintable(form.Status()));
        QVERIFY(form.Ergebnis().varianten.isEmpty());
        QVERIFY(!kind<QPushButton>(&form, "BtnCsv")->isEnabled());
        QVERIFY(kind<QPushButton>(&form, "BtnRechnen")->isEnabled());
    }

    // Discarding a month names the exits it takes back; afterwards those who
    // left are members again.
    void monatVerwerfenNenntAustritte()
    {
        zweiterMonat();
        QCOMPARE(m_fenster->Vennlok().Austritt(QStringLiteral("Bernd")).meldung, QString());
        QVERIFY(QFile::exists(pfad("X_Bernd.ven")));
        const auto vorher = verzeichnisstand(m_dir);
        m_benutzer.antworten = {false};
        m_fenster->BtnKillMonthClick();
        QVERIFY2(m_benutzer.fragen.last().endsWith(QStringLiteral("Auch der Austritt von Bernd wird zurückgenommen; "
                                                                  "Bernd gehört wieder zum Pakt.")),
                 qPrintable(m_benutzer.fragen.last()));
        QCOMPARE(verzeichnisstand(m_dir), vorher);
        m_benutzer.antworten = {true};
        m_fenster->BtnKillMonthClick();
        QVERIFY(QFile::exists(pfad("T_Bernd.ven")));
        QVERIFY(!QFile::exists(pfad("X_Bernd.ven")));
        QVERIFY(m_fenster->Vennlok().TeilhaberVorhanden(QStringLiteral("Bernd")));
        QCOMPARE(m_fenster->Vennlok().Pruefen(), QStringList());
    }

    // The Setup / Info page. One window at a time: a change of directory opens the new one, lets go
    // of the old and is remembered; a directory that cannot be opened, or a
    // window that must not close yet, leaves everything as it was.
    void einFensterZurZeit()
    {
        QSettings einstellungen(pfad("vennlok.ini"), QSettings::IniFormat);
        const QString dokumente = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QStringLiteral("/Vennlok");
        QCOMPARE(TProgramm::StartVerzeichnis(einstellungen), dokumente);
        TProgramm programm(einstellungen, &m_benutzer);
        QVERIFY(programm.Oeffnen(pfad("a/tief")));
        QCOMPARE(programm.Fenster()->Datenverzeichnis(), pfad("a/tief"));
        // The Setup / Info page shows the version from the build and the directory.
        QCOMPARE(kind<QLabel>(programm.Fenster(), "LabVersion")->text(), QStringLiteral("Version %1 (%2)").arg(VENNLOK_VERSION, Vennlok::Version));
        QVERIFY(kind<QLabel>(programm.Fenster(), "LabVerzeichnis")->text().endsWith(QDir::toNativeSeparators(pfad("a/tief"))));
        QCOMPARE(TProgramm::StartVerzeichnis(einstellungen), pfad("a/tief"));

        m_benutzer.datei = pfad("b");
        QTest::mouseClick(kind<QPushButton>(programm.Fenster(), "BtnVerzeichnis"), Qt::LeftButton);
        QTRY_COMPARE(programm.Fenster()->Datenverzeichnis(), pfad("b"));
        QCOMPARE(TProgramm::StartVerzeichnis(einstellungen), pfad("b"));
        { TVennlok frei(pfad("a/tief")); } // the old window has let go of its directory

        QDir(m_dir).mkdir(QStringLiteral("belegt"));
        auto belegt = std::make_unique<TVennlok>(pfad("belegt"));
        schreiben(pfad("datei"), "x");
        for (const QString &ordner : {pfad("belegt"), pfad("datei/pakt")})
            QVERIFY(!programm.Oeffnen(ordner));
        QCOMPARE(m_benutzer.meldungen.size(), 2);
        QVERIFY(m_benutzer.meldungen[0].contains(QStringLiteral("anderen Vennlok-Programm")));
        QVERIFY(m_benutzer.meldungen[1].contains(QStringLiteral("kann nicht angelegt werden")));
        belegt.reset();

        // Unsaved typing: No keeps the window, and the new directory is let go again.
        kind<QComboBox>(programm.Fenster(), "CBTeilhaber")->setEditText(QStringLiteral("Anna"));
        QTest::keyClicks(kind<QPlainTextEdit>(programm.Fenster(), "MemAdresse"), QStringLiteral("Stadt=Koeln"));
        m_benutzer.antworten = {false};
        QVERIFY(!programm.Oeffnen(pfad("c")));
        QCOMPARE(m_benutzer.fragen.size(), 1);
        QCOMPARE(programm.Fenster()->Datenverzeichnis(), pfad("b"));
        QCOMPARE(TProgramm::StartVerzeichnis(einstellungen), pfad("b"));
        { TVennlok frei(pfad("c")); }
        m_benutzer.antworten = {true};
        QVERIFY(programm.Oeffnen(pfad("c")));
        QCOMPARE(programm.Fenster()->Datenverzeichnis(), pfad("c"));

        // The demo lies beside the program (the build puts one beside this test).
        QSignalSpy demo(programm.Fenster(), &TVenBuchungForm::verzeichnisWechseln);
        QTest::mouseClick(kind<QPushButton>(programm.Fenster(), "BtnDemo"), Qt::LeftButton);
        QVERIFY(demo.value(0).value(0).toString().contains(QStringLiteral("/Vennlok-Demo")));
        QCOMPARE(demo.value(0).value(1).toString(), QCoreApplication::applicationDirPath() + QStringLiteral("/demo.aut"));
        programm.Fenster()->close();
        QDir(pfad("c")).removeRecursively();
        QCOMPARE(TProgramm::StartVerzeichnis(einstellungen), dokumente);

        // A folder named on the command line that does not exist is asked
        // about in a window, not made silently; No leaves no folder behind.
        m_benutzer.antworten = {false};
        QVERIFY(!programm.Starten(pfad("fehlt/pakt"), true));
        QVERIFY2(m_benutzer.fragen.last().contains(QStringLiteral("Das Datenverzeichnis \u201E%1\u201C gibt es nicht.")
                                                         .arg(QDir::toNativeSeparators(pfad("fehlt/pakt")))),
                 qPrintable(m_benutzer.fragen.last()));
        QVERIFY(!QFileInfo::exists(pfad("fehlt")));
        QVERIFY(!programm.Starten(pfad("datei"), true));
        QVERIFY(m_benutzer.meldungen.last().endsWith(QStringLiteral("An dieser Stelle liegt eine Datei.")));
        m_benutzer.antworten = {true};
        QVERIFY(programm.Starten(pfad("fehlt/pakt"), true));
        QCOMPARE(programm.Fenster()->Datenverzeichnis(), pfad("fehlt/pakt"));
        programm.Fenster()->close();
    }

    // Every window opens on the main window's screen and within its free
    // area, however large it was made or wherever the main window was.
    void fensterAufDemSchirm()
    {
        zweiterMonat();
        QWidget *haupt = m_fenster.get();
        const QRect frei = haupt->screen()->availableGeometry();
        haupt->move(frei.right() - 50, frei.bottom() - 50);
        m_fenster->BtnVertragClick();
        QWidget *fenster[] = {&m_fenster->DemokratForm(), &m_fenster->VerlaufForm()};
        QTest::keyClick(m_fenster.get(), Qt::Key_H, Qt::ControlModifier);
        for (QWidget *w : fenster) {
            QVERIFY(w->isVisible());
            QVERIFY2(frei.contains(w->frameGeometry()), qPrintable(QStringLiteral("%1: %2,%3 %4x%5 auf %6x%7")
                                                                      .arg(w->objectName()).arg(w->frameGeometry().x())
                                                                      .arg(w->frameGeometry().y()).arg(w->frameGeometry().width())
                                                                      .arg(w->frameGeometry().height()).arg(frei.width()).arg(frei.height())));
            w->close();
        }
        // A new main window after a change of directory takes the old one's place, pulled back onto the screen.
        QSettings einstellungen(pfad("vennlok.ini"), QSettings::IniFormat);
        TProgramm programm(einstellungen, &m_benutzer);
        QVERIFY(programm.Oeffnen(pfad("a")));
        programm.Fenster()->move(frei.right() - 50, frei.bottom() - 50);
        QVERIFY(programm.Oeffnen(pfad("b")));
        const QRect platz = programm.Fenster()->frameGeometry();
        QVERIFY2(frei.contains(platz), qPrintable(QStringLiteral("%1,%2 %3x%4 auf %5x%6").arg(platz.x()).arg(platz.y())
                                                      .arg(platz.width()).arg(platz.height()).arg(frei.width()).arg(frei.height())));
        programm.Fenster()->close();
    }

    // The history window follows the mouse, opens a simulation's folder and
    // exports; statements and the arrears list go where the operator says.
    void verlaufUndDokumente()
    {
        zweiterMonat();
        QTest::keyClick(m_fenster.get(), Qt::Key_H, Qt::ControlModifier);
        TVerlaufForm &verlauf = m_fenster->VerlaufForm();
        QVERIFY(verlauf.isVisible());
        QCOMPARE(verlauf.Monate().size(), 1);
        QWidget *diagramm = kind<QWidget>(&verlauf, "Diagramm");
        const QSize groesse = verlauf.size();
        QTest::mouseMove(diagramm, diagramm->rect().center());
        QCOMPARE(verlauf.Hervorgehoben(), 0);
        // The month's long line of figures does not make the window grow.
        QCoreApplication::processEvents();
        QCOMPARE(verlauf.size(), groesse);
        QVERIFY(verlauf.minimumSizeHint().width() <= groesse.width());
        QCOMPARE(kind<QLabel>(&verlauf, "LabMonat")->text(),
                 QStringLiteral("März 2006 · Kasse: 148,50\u00A0€ · Einzahlungen: 150,00\u00A0€ · Auszahlungen: 1,50\u00A0€ · Eigenanteile: "
                                "0,00\u00A0€ · Sozialanteil: 77,50 % (intern 50,00 %) · Eingangsbuchungen: 3"));
        // Escape closes the window; Ctrl+H brings it back.
        QTest::keyClick(&verlauf, Qt::Key_Escape);
        QVERIFY(!verlauf.isVisible());
        QTest::keyClick(m_fenster.get(), Qt::Key_H, Qt::ControlModifier);
        QVERIFY(verlauf.isVisible());
        QDir(m_dir).mkdir(QStringLiteral("sim"));
        m_benutzer.datei = pfad("sim");
        verlauf.BtnSimulationClick();
        QCOMPARE(m_benutzer.meldungen.value(0).left(29), QStringLiteral("In diesem Ordner liegt kein P"));
        QFile::copy(pfad("A_Vennlok.ven"), pfad("sim/A_Vennlok.ven"));
        verlauf.BtnSimulationClick();
        QCOMPARE(kind<QLabel>(&verlauf, "LabQuelle")->text(), QStringLiteral("Simulation sim – 1 abgeschlossene Monate"));
        m_benutzer.datei = pfad("verlauf.png");
        verlauf.Exportieren(QStringLiteral("png"));
        QVERIFY(dateiInhalt(pfad("verlauf.png")).startsWith("\x89PNG"));

        m_fenster->SeiteWaehlen(TVenBuchungForm::Teilhaber);
        kind<QComboBox>(m_fenster.get(), "CBTeilhaber")->setEditText(QStringLiteral("clara"));
        m_benutzer.datei = pfad("clara.csv");
        QTest::mouseClick(kind<QPushButton>(m_fenster.get(), "BtnKontoauszug"), Qt::LeftButton);
        QVERIFY(dateiInhalt(pfad("clara.csv")).contains("\r\n200604 (offen);50,00;50,00;0,00;100,00;"));
        m_benutzer.datei = pfad("rueck.csv");
        QTest::mouseClick(kind<QPushButton>(m_fenster.get(), "BtnRueckstaende"), Qt::LeftButton);
        QCOMPARE(dateiInhalt(pfad("rueck.csv")), QByteArray("\xEF\xBB\xBFTeilhaber;Rückstand;Monate;fällig im laufenden Monat\r\nBernd;0,00;;50,00\r\n"));
        QCOMPARE(m_fenster->Statuszeile(), QStringLiteral("Rückstandsliste geschrieben: ") + QDir::toNativeSeparators(pfad("rueck.csv")));
        QCOMPARE(m_benutzer.meldungen.size(), 1);
    }

    // A replay runs beside the window: progress arrives through the event
    // loop, the cancel button stops it at a line, and a closing message says
    // what was closed and refused.
    void autobuchungNebenDemFenster()
    {
        QByteArray befehle = "NeuPakt,V1,01.01.2006,50,0.5,2,0.5,0.65,3000,-300\nEinzahlg,Anna,50\nEinzahlg,Anna,50\n";
        for (int monat = 0; monat < 120; ++monat) {
            befehle += QStringLiteral("Datum,02.%1.%2\n").arg(monat % 12 + 1, 2, 10, QLatin1Char('0')).arg(2006 + monat / 12).toUtf8();
            for (const char *name : {"Anna", "Bernd", "Clara", "Doris", "Emil", "Frieda"})
                befehle += QByteArray("Einzahlg,") + name + ",50\n";
            befehle += QStringLiteral("Monatsab,%1%2\n").arg(2006 + monat / 12).arg(monat % 12 + 1, 2, 10, QLatin1Char('0')).toUtf8();
        }
        schreiben(pfad("lang.aut"), befehle);
        fensterOeffnen();
        m_benutzer.datei = pfad("lang.aut");
        TInfoForm &info = m_fenster->InfoForm();
        QStringList angekommen;
        connect(&info, &TInfoForm::monatAngekommen, this, [&](const QString &monat) {
            QVERIFY(m_fenster->Beschaeftigt());
            angekommen.append(monat);
            if (angekommen.size() == 2)
                QTest::mouseClick(kind<QPushButton>(&info, "BtnAbbrechen"), Qt::LeftButton);
        });
        QTest::mouseClick(kind<QPushButton>(m_fenster.get(), "BtnAuto"), Qt::LeftButton);
        QVERIFY(m_fenster->Beschaeftigt());
        QVERIFY(info.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!m_fenster->Beschaeftigt(), 60000);
        QVERIFY(!info.isVisible());

        // Stopped at a line: what is booked stays, and the files agree with each other.
        // The cancel may arrive before the line after the second close is read.
        const int zeile = info.GesicherteZeile();
        QVERIFY2(zeile >= 3 + 2 * 8 && zeile < 3 + 120 * 8, qPrintable(QString::number(zeile)));
        QCOMPARE(angekommen, info.Monate());
        TVennlok &v = m_fenster->Vennlok();
        QCOMPARE(v.Buchungsmonat(), Folgemonat(angekommen.last()));
        QCOMPARE(v.Pruefen(), QStringList());
        QCOMPARE(v.GesicherteZeile(), 0);
        QCOMPARE(m_benutzer.meldungen.size(), 1);
        const QStringList meldung = m_benutzer.meldungen[0].split('\n');
        QCOMPARE(meldung.value(0), QStringLiteral("Autobuchung von lang.aut abgebrochen nach Zeile %1 von %2.").arg(zeile).arg(3 + 120 * 8));
        QCOMPARE(meldung.value(1), QStringLiteral("%1 Monate abgeschlossen, Januar 2006 bis %2.").arg(angekommen.size()).arg(Druckformat::Monat(angekommen.last())));
        QCOMPARE(meldung.value(2), QStringLiteral("Was bis dahin gebucht war, bleibt gebucht."));
        QCOMPARE(meldung.value(3), QStringLiteral("Abgewiesene oder übergangene Zeilen (2):"));
        QVERIFY2(meldung.value(4).startsWith(QStringLiteral("lang.aut, Zeile 3 (\u201E")) && meldung.value(4).contains(QStringLiteral("\u201C): Für diesen Tag / Monat existiert eine Buchung")),
                 qPrintable(meldung.value(4)));
        QVERIFY(meldung.value(5).startsWith(QStringLiteral("lang.aut, Zeile 5 (\u201E")));
        QVERIFY(m_fenster->Statuszeile().startsWith(QStringLiteral("Autobuchung von lang.aut abgebrochen nach Zeile")));
    }
};

QTEST_MAIN(TstSeiten)
#include "tst_seiten.moc"
