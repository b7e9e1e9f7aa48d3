#pragma once

#include <QMainWindow>
#include "engine/auswertung.h"

#include <functional>
#include <memory>
#include <optional>

class QButtonGroup;
class QComboBox;
class QKeyEvent;
class QThread;
class QLabel;
class QListWidget;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class TBenutzer;
class TDemokratForm;
class TInfoForm;
class TVerlaufForm;
class TWasWaereForm;
class TVennlok;

/// The program's main window on one pact's data directory: eight pages
/// chosen by buttons, the status panel, and the handlers that call the
/// engine. It owns the program's one engine and the two secondary windows.
/// Throws VennlokFehler from the constructor when the data directory is in
/// use by another program.
class TStatuszeile;

class TVenBuchungForm : public QMainWindow
{
    Q_OBJECT

public:
    enum Seite { Teilhaber, Einzahlungen, Rechnungen, Auszahlungen, Monatsabschluss, Austritt, NeuAuto, SetupInfo };

    /// benutzer answers questions and shows messages; without one, real message boxes do.
    explicit TVenBuchungForm(const QString &datenverzeichnis, TBenutzer *benutzer = nullptr, QWidget *parent = nullptr);
    ~TVenBuchungForm() override;

    const QString &Datenverzeichnis() const { return m_datenverzeichnis; }
    TVennlok &Vennlok() { return *m_vennlok; }
    TInfoForm &InfoForm() { return *m_infoForm; }
    TDemokratForm &DemokratForm() { return *m_demokratForm; }
    TVerlaufForm &VerlaufForm() { return *m_verlaufForm; }

    Seite AktiveSeite() const;
    void SeiteWaehlen(Seite seite);

    /// Refreshes the status panel and the figures of the pages from the engine.
    void Anzeige();
    /// True while long work (a replay, a month close) runs beside the window;
    /// meanwhile the window books nothing and reads nothing from the engine.
    bool Beschaeftigt() const { return m_arbeit != nullptr; }
    /// The line under the pages that says what was just done.
    QString Statuszeile() const;

    // Handlers, named after control and event.
    void PageControl1Change();
    void BtnCloseClick();
    void BtnHelpClick();
    void BtnStartvertragClick();
    void BtnErgVertragClick();
    void LabHTTPClick();
    void LabMailClick();
    void CBTeilhaberExit();
    void BtnSpeichernClick();
    void BtnNeuTeilhaberClick();
    void BtnTeilListeClick();
    void BtnTeilListeOffenClick();
    void BtnEinzahlenClick();
    void CBRechTeilhaberExit();
    void EdRechBetragChange();
    void BtnRechnungClick();
    void BtnAuszahlungenClick();
    void BtnAuszWegClick();
    void BtnMonatsendeClick();
    void BtnTeilAustrittClick();
    void BtnNeuClick();
    void BtnVertragClick();
    void BtnAutoClick();
    void BtnKillMonthClick();
    void BtnVerlaufClick();
    /// Every message of the status line since the start, with its time.
    void MeldungenZeigen();
    void BtnWasWaereClick();
    TWasWaereForm &WasWaereForm() { return *m_wasWaereForm; }
    void BtnKontoauszugClick();
    void BtnRueckstaendeClick();
    /// Strg+P: the document of the page shown in a print preview — the
    /// participant's statement (Teilhaber), the arrears list (Einzahlungen),
    /// the last closed month's report (Monatsabschluß).
    void BtnDruckenClick();
    void BtnSepaClick();
    void BtnKontoauszugEinlesenClick();
    void BtnLastschriftenClick();
    void BtnEinStornoClick();
    void BtnRechStornoClick();
    void BtnVerzeichnisClick();
    void BtnDemoClick();
    /// Plays datei beside the window, as "Autobuchung" after choosing it.
    void AutobuchungStarten(const QString &datei);

signals:
    /// The operator wants to work in verzeichnis; abspielen, when not empty,
    /// is a command file to replay there at once (the demo pact). The
    /// program's shell opens a new window on it and closes this one.
    void verzeichnisWechseln(const QString &verzeichnis, const QString &abspielen);

public:

    static const QString WebAdresse;
    static const QString MailAdresse;

protected:
    void changeEvent(QEvent *ereignis) override;
    void closeEvent(QCloseEvent *ereignis) override;
    bool eventFilter(QObject *objekt, QEvent *ereignis) override;

private:
    QWidget *seiteTeilhaber();
    QWidget *seiteEinzahlungen();
    QWidget *seiteRechnungen();
    QWidget *seiteAuszahlungen();
    QWidget *seiteMonatsabschluss();
    QWidget *seiteAustritt();
    QWidget *seiteNeuAuto();
    QWidget *seiteSetup();
    QWidget *statusPanel();
    /// A named button whose click runs handler as a guarded handler.
    QPushButton *knopf(QWidget *eltern, const QString &name, const QString &text, void (TVenBuchungForm::*handler)());
    QComboBox *teilhaberBox(const QString &name, bool vervollstaendigen);
    bool bekannt(const QString &name) const;
    void initMemos();
    // Whether the address form or its further lines were typed in since loading or storing.
    bool adresseGeaendert() const;
    // Fills the address form and its further lines with what the participant's file holds.
    void adresseZeigen(const QString &name);
    void initMemoRechnung();
    void teilhaberListe(bool nurOffene);
    /// A file the program brings along: beside it in the build tree, under
    /// share/vennlok when installed.
    QString programmDatei(const QString &name) const;
    /// Opens a document of the data directory; says so when it is missing.
    void dokumentOeffnen(const QString &datei, const QString &titel);
    void starten(const QString &zeile);
    /// Reads the participants' names into every participant box.
    void teilhaberListenFuellen();
    /// The stored name for what the operator typed into box; a message when there is none.
    QString teilhaberAusBox(QComboBox *box);
    void status(const QString &text);
    /// Checks the invoice amount and says why it cannot be booked beside the field.
    std::optional<Money> rechnungsbetrag();
    /// Runs arbeit on a working thread while the progress window shows titel;
    /// then danach on the window's thread with the error text (empty when none).
    void imHintergrund(const QString &titel, bool abbrechbar, std::function<void()> arbeit,
                       std::function<void(const QString &fehler)> danach);
    void autobuchungBeendet(const QString &datei, const QString &fehler);
    /// After a close: says whether the month's SEPA file was written and who is not in it.
    void sepaMelden(const TMonatsbericht &bericht);
    /// Names the participants a SEPA file leaves out for want of an IBAN.
    void ohneIbanMelden(const QStringList &ohne);
    /// Asks where to write a document (PDF or CSV) and writes it there.
    void dokumentSpeichern(const QString &titel, const QString &vorschlag,
                           const std::function<void(const QString &datei, bool csv)> &schreiben);
    /// The keys of the whole window: Return on the payment and exit pages,
    /// Ctrl+1 to Ctrl+8 for the pages, Ctrl+Q. True when handled.
    bool taste(QKeyEvent *taste);
    void tabReihenfolge(const QList<QList<QWidget *>> &seiten, const QList<QWidget *> &panel);
    /// Shows the payments (einzahlung) or invoices of the participant typed
    /// into box in liste, as a reversal names them.
    void postenZeigen(QComboBox *box, QListWidget *liste, bool einzahlung);
    /// Reverses the booking chosen in liste after asking.
    void stornieren(QComboBox *box, QListWidget *liste, bool einzahlung);
    /// Runs a handler; an error on its way is shown to the operator.
    void sicher(const std::function<void()> &handler);

    QString m_datenverzeichnis;
    std::unique_ptr<TBenutzer> m_eigenerBenutzer;
    TBenutzer *m_benutzer;
    std::unique_ptr<TVennlok> m_vennlok;
    TStatuszeile *m_labStatus = nullptr;
    std::unique_ptr<TInfoForm> m_infoForm;
    std::unique_ptr<TDemokratForm> m_demokratForm;
    std::unique_ptr<TVerlaufForm> m_verlaufForm;
    std::unique_ptr<TWasWaereForm> m_wasWaereForm;
    bool m_imHandler = false;
    QThread *m_arbeit = nullptr;

    QStackedWidget *m_seiten;
    QButtonGroup *m_reiter;
    QLineEdit *m_edBuchMonat;
    QLabel *m_labEinBuchungen, *m_labAusBuchungen, *m_labKassenbestand, *m_labSozialant, *m_labKontostand;
    QString m_kontostandTipp;
    QListWidget *m_lstEinBuchungen, *m_lstRechBuchungen;
    QComboBox *m_cbTeilhaber, *m_cbEinTeilhaber, *m_cbRechTeilhaber, *m_cbAusTeilhaber, *m_cbTeilAustritt;
    QPlainTextEdit *m_memAdresse, *m_memVertreter, *m_memRechnung;
    // The address items the form has a field for, by the key the file keeps them under.
    QList<QPair<QString, QLineEdit *>> m_adressfelder;
    QLineEdit *m_edEinBetrag, *m_edRechBetrag, *m_edAusBetrag;
    QLabel *m_labAbsVen, *m_labAbsEigen, *m_labSozialanteil, *m_labEigenanteil;
    QPushButton *m_btnNeu, *m_btnVertrag, *m_btnKillMonth, *m_btnAuto, *m_btnWasWaere;
    QLabel *m_labHinweis, *m_labRechFehler, *m_labRechnungen, *m_labAdresse;
    QList<QList<QWidget *>> m_tabSeiten; // each page's controls in reading order
};
