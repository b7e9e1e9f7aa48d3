#include "ui/venbuchungform.h"

#include "engine/vennlok.h"
#include "dokumente/anzeigeformat.h"
#include "ui/benutzer.h"
#include "ui/demokratform.h"
#include "ui/fensterplatz.h"
#include "ui/infoform.h"
#include "ui/kontoauszugform.h"
#include "ui/tastenvorschau.h"
#include "ui/statuszeile.h"
#include "ui/verlaufform.h"
#include "ui/waswaereform.h"
#include "dokumente/dokumente.h"
#include "dokumente/format.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <optional>
#include <QSplitter>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QThread>
#include <QVBoxLayout>

namespace {

const QStringList SeitenNamen{QStringLiteral("TabShTeilhaber"), QStringLiteral("TabShEinzahlungen"),
                              QStringLiteral("TabShRechnungen"), QStringLiteral("TabShAuszahlungen"),
                              QStringLiteral("TabShMonatsabschluss"), QStringLiteral("TabShAustritt"),
                              QStringLiteral("TabShAuto"), QStringLiteral("TabShSetup")};
const QStringList SeitenTitel{QStringLiteral("Teilhaber"), QStringLiteral("Einzahlungen"), QStringLiteral("Rechnungen"),
                              QStringLiteral("Auszahlungen"), QStringLiteral("Monatsabschluß"), QStringLiteral("Austritt"),
                              QStringLiteral("Neu / Auto"), QStringLiteral("Setup / Info")};
const QStringList HilfeAnker{QStringLiteral("Seite_Teilhaber"), QStringLiteral("Seite_Einzahlungen"),
                             QStringLiteral("Seite_Rechnungen"), QStringLiteral("Seite_Auszahlungen"),
                             QStringLiteral("Seite_Monatsabschluss"), QStringLiteral("Seite_Austritt"),
                             QStringLiteral("Seite_Neu__Auto"), QStringLiteral("Seite_Setup__Info")};

// The address items with a field of their own: the key the file keeps, the words the form shows.
const QList<QPair<QString, QString>> Adressfelder{
    {QStringLiteral("Kontoinhaber"), QStringLiteral("Kontoinhaber")}, {QStringLiteral("IBAN"), QStringLiteral("IBAN")},
    {QStringLiteral("BIC"), QStringLiteral("BIC")},
    {QStringLiteral("Mandatsreferenz"), QStringLiteral("Mandatsreferenz")},
    {QStringLiteral("Mandatsdatum"), QStringLiteral("Mandatsdatum")},
    {QStringLiteral("Straße"), QStringLiteral("Straße")},  {QStringLiteral("PLZ"), QStringLiteral("PLZ")},
    {QStringLiteral("Stadt"), QStringLiteral("Ort")},      {QStringLiteral("eMail"), QStringLiteral("E-Mail")}};
// The further lines of a participant's address, below the form.
const QStringList FreieAdressVorlage{QStringLiteral("Name=;"), QStringLiteral("Land=;"), QStringLiteral("No.=;"),
                                     QStringLiteral("Tel.=;"), QStringLiteral("Fax.=;"), QStringLiteral("Akten=;")};
const QStringList AdressVorlage{QStringLiteral("Name=;"), QStringLiteral("Land=;"), QStringLiteral("PLZ=;"),
                                QStringLiteral("Stadt=;"), QStringLiteral("Straße=;"), QStringLiteral("No.=;"),
                                QStringLiteral("Tel.=;"), QStringLiteral("Fax.=;"), QStringLiteral("eMail=;"),
                                QStringLiteral("Akten=;"), QStringLiteral("Kontoinhaber=;"), QStringLiteral("IBAN=;"),
                                QStringLiteral("BIC=;")};
const QStringList VertreterVorlage{QStringLiteral("Name=;"), QStringLiteral("Land=;"), QStringLiteral("PLZ=;"),
                                   QStringLiteral("Stadt=;"), QStringLiteral("Straße=;"), QStringLiteral("No.=;"),
                                   QStringLiteral("Tel.=;"), QStringLiteral("eMail=;")};
const QStringList RechnungVorlage = AdressVorlage + QStringList{QStringLiteral("Bank=;"), QStringLiteral("BLZ=;"),
                                                                QStringLiteral("KTO=;")};

template <typename T>
T *benannt(T *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

QLabel *wert(const QString &name, QWidget *eltern)
{
    return benannt(new QLabel(QStringLiteral("---"), eltern), name);
}

QFrame *linie(QWidget *eltern)
{
    auto *l = new QFrame(eltern);
    l->setFrameShape(QFrame::HLine);
    l->setFrameShadow(QFrame::Sunken);
    return l;
}

void nurLesen(QLineEdit *edit)
{
    // Shown, not typed into: Tab passes it by.
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, edit->palette().color(QPalette::Disabled, QPalette::Window));
    edit->setPalette(p);
}


} // namespace

const QString TVenBuchungForm::WebAdresse = QStringLiteral("www.vennlok.example");
const QString TVenBuchungForm::MailAdresse = QStringLiteral("pakt@vennlok.example");

TVenBuchungForm::TVenBuchungForm(const QString &datenverzeichnis, TBenutzer *benutzer, QWidget *parent)
    : QMainWindow(parent), m_datenverzeichnis(datenverzeichnis)
{
    if (!benutzer) {
        m_eigenerBenutzer = std::make_unique<TStandardBenutzer>();
        benutzer = m_eigenerBenutzer.get();
    }
    m_benutzer = benutzer;
    setObjectName(QStringLiteral("VenBuchungForm"));

    auto *panel = new QWidget(this);
    auto *spalte = new QVBoxLayout(panel);
    auto *reiterLeiste = benannt(new QWidget(panel), QStringLiteral("PageControl1"));
    auto *reiterRaster = new QGridLayout(reiterLeiste);
    reiterRaster->setContentsMargins(0, 0, 0, 0);
    reiterRaster->setSpacing(2);
    m_reiter = new QButtonGroup(this);
    m_reiter->setExclusive(true);
    m_seiten = new QStackedWidget(panel);
    const QList<QWidget *> seiten{seiteTeilhaber(), seiteEinzahlungen(), seiteRechnungen(), seiteAuszahlungen(),
                                  seiteMonatsabschluss(), seiteAustritt(), seiteNeuAuto(), seiteSetup()};
    QList<QWidget *> reiter;
    for (int i = 0; i < seiten.size(); ++i) {
        seiten[i]->setObjectName(SeitenNamen[i]);
        m_seiten->addWidget(seiten[i]);
        auto *knopf = new QPushButton(SeitenTitel[i], reiterLeiste);
        knopf->setObjectName(SeitenNamen[i] + QStringLiteral("Reiter"));
        knopf->setCheckable(true);
        knopf->setFixedWidth(150);
        knopf->setFocusPolicy(Qt::TabFocus);
        knopf->setToolTip(QStringLiteral("Strg+%1").arg(i + 1));
        m_reiter->addButton(knopf, i);
        reiterRaster->addWidget(knopf, i / 4, i % 4);
        reiter.append(knopf);
    }
    connect(m_reiter, &QButtonGroup::idClicked, this, [this](int id) {
        m_seiten->setCurrentIndex(id);
        sicher([this] { PageControl1Change(); });
    });
    spalte->addWidget(reiterLeiste);
    spalte->addWidget(m_seiten, 1);
    m_labStatus = benannt(new TStatuszeile(panel), QStringLiteral("LabStatus"));
    m_labStatus->verlaufZeigen = [this] { MeldungenZeigen(); };
    spalte->addWidget(m_labStatus);
    spalte->addWidget(statusPanel());
    setCentralWidget(panel);
    tabReihenfolge(m_tabSeiten, reiter + QList<QWidget *>{findChild<QWidget *>(QStringLiteral("Button3")),
                                                          findChild<QWidget *>(QStringLiteral("BtnHelp"))});

    setWindowTitle(QStringLiteral("Vennlok Buchungsprogramm "));

    m_vennlok = std::make_unique<TVennlok>(datenverzeichnis);
    teilhaberListenFuellen();
    m_infoForm = std::make_unique<TInfoForm>(this);
    m_demokratForm = std::make_unique<TDemokratForm>(*m_vennlok, *m_benutzer, this);
    m_verlaufForm = std::make_unique<TVerlaufForm>(*m_vennlok, *m_benutzer, this);
    m_wasWaereForm = std::make_unique<TWasWaereForm>(*m_vennlok, *m_benutzer, this);
    m_verlaufForm->wasWaere = [this] { BtnWasWaereClick(); };
    connect(m_demokratForm.get(), &TDemokratForm::gebucht, this, [this](const QString &text) {
        status(text);
        Anzeige();
    });
    if (m_vennlok->PaktVorhanden())
        m_vennlok->Oeffnen();
    status(QStringLiteral("Datenverzeichnis %1").arg(QDir::toNativeSeparators(datenverzeichnis)));
    Anzeige();
    SeiteWaehlen(m_vennlok->PaktVorhanden() ? Einzahlungen : NeuAuto);
    m_cbAusTeilhaber->setEnabled(false);
    m_edAusBetrag->setEnabled(false);
    findChild<QPushButton *>(QStringLiteral("BtnAuszahlung"))->setEnabled(false);

    new TTastenVorschau(this, [this](QKeyEvent *ereignis) { return taste(ereignis); });

    setFixedSize(sizeHint().expandedTo(QSize(640, 470)));
}

TVenBuchungForm::~TVenBuchungForm()
{
    if (m_arbeit) {
        // Only a test or the end of the session gets here while work runs: stop at the next line.
        m_infoForm->Abbrechen();
        m_arbeit->wait();
        delete m_arbeit;
        m_arbeit = nullptr;
    }
    if (m_vennlok)
        m_vennlok->FensterSkriptLoeschen();
    m_wasWaereForm.reset();
    m_verlaufForm.reset();
    m_demokratForm.reset();
    m_infoForm.reset();
    m_vennlok.reset();
}

// --- layout ----------------------------------------------------------------

QComboBox *TVenBuchungForm::teilhaberBox(const QString &name, bool vervollstaendigen)
{
    auto *box = benannt(new QComboBox(this), name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumWidth(220);
    if (vervollstaendigen)
        box->completer()->setCompletionMode(QCompleter::InlineCompletion);
    else
        box->setCompleter(nullptr);
    return box;
}

QPushButton *TVenBuchungForm::knopf(QWidget *eltern, const QString &name, const QString &text, void (TVenBuchungForm::*handler)())
{
    auto *k = benannt(new QPushButton(text, eltern), name);
    connect(k, &QPushButton::clicked, this, [this, handler] { sicher([this, handler] { (this->*handler)(); }); });
    return k;
}

QWidget *TVenBuchungForm::seiteTeilhaber()
{
    auto *seite = new QWidget;
    auto *zeile = new QHBoxLayout(seite);
    auto *links = new QVBoxLayout;
    m_cbTeilhaber = teilhaberBox(QStringLiteral("CBTeilhaber"), true);
    m_cbTeilhaber->installEventFilter(this);
    links->addWidget(m_cbTeilhaber);
    auto *speichern = knopf(seite, QStringLiteral("BtnSpeichern"), QStringLiteral("speichern"), &TVenBuchungForm::BtnSpeichernClick);
    auto *neu = knopf(seite, QStringLiteral("BtnNeuTeilhaber"), QStringLiteral("neuer Eintrag"), &TVenBuchungForm::BtnNeuTeilhaberClick);
    auto *liste = knopf(seite, QStringLiteral("Button1"), QStringLiteral("Teilhaberliste alle"), &TVenBuchungForm::BtnTeilListeClick);
    auto *auszug = knopf(seite, QStringLiteral("BtnKontoauszug"), QStringLiteral("Kontoauszug …"), &TVenBuchungForm::BtnKontoauszugClick);
    auszug->setToolTip(QStringLiteral("Der Kontoauszug des Teilhabers, Monat für Monat, als PDF oder CSV"));
    auto *drucken = knopf(seite, QStringLiteral("BtnKontoauszugDrucken"), QStringLiteral("Kontoauszug drucken … (Strg+P)"),
                          &TVenBuchungForm::BtnDruckenClick);
    links->addWidget(speichern);
    links->addWidget(neu);
    links->addWidget(liste);
    links->addWidget(auszug);
    links->addWidget(drucken);
    links->addStretch();
    zeile->addLayout(links);
    auto *teiler = new QSplitter(Qt::Vertical, seite);
    m_memAdresse = benannt(new QPlainTextEdit(teiler), QStringLiteral("MemAdresse"));
    m_memVertreter = benannt(new QPlainTextEdit(teiler), QStringLiteral("MemVertreter"));
    m_memAdresse->setPlaceholderText(QStringLiteral("weitere Angaben, je Zeile Eintrag=Wert"));
    m_memVertreter->setPlaceholderText(QStringLiteral("Vertreter des Teilhabers"));
    m_memAdresse->setToolTip(QStringLiteral("Weitere Angaben der Adresse, je Zeile Eintrag=Wert; „speichern“ legt sie mit dem "
                                            "Formular ab"));
    m_memVertreter->setToolTip(QStringLiteral("Vertreter, je Zeile Eintrag=Wert"));
    for (QPlainTextEdit *memo : {m_memAdresse, m_memVertreter}) {
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        memo->setMinimumHeight(60);
        memo->setTabChangesFocus(true);
    }
    m_labAdresse = benannt(new QLabel(QStringLiteral("Adresse"), seite), QStringLiteral("LabAdresse"));
    auto *rechts = new QVBoxLayout;
    rechts->addWidget(m_labAdresse);
    // Two items to a row where they belong together (IBAN and BIC, the
    // mandate's reference and date, postcode and place), so that the lines
    // below keep their room.
    auto *formular = new QGridLayout;
    formular->setColumnStretch(1, 3);
    formular->setColumnStretch(3, 2);
    m_adressfelder.clear();
    const int zeileUndSpalte[][2] = {{0, 0}, {1, 0}, {1, 2}, {2, 0}, {2, 2}, {3, 0}, {4, 0}, {4, 2}, {5, 0}};
    for (int i = 0; i < int(Adressfelder.size()); ++i) {
        const auto &[schluessel, text] = Adressfelder[i];
        auto *feld = benannt(new QLineEdit(seite), QStringLiteral("EdAdresse_") + QString(schluessel).replace(QStringLiteral("ß"), QStringLiteral("ss")));
        const auto [zeile, spalte] = zeileUndSpalte[i];
        auto *beschriftung = new QLabel(text, seite);
        beschriftung->setBuddy(feld);
        formular->addWidget(beschriftung, zeile, spalte);
        // An item alone in its row takes the whole width.
        const bool allein = (i == 0 || i == 5 || i == 8);
        formular->addWidget(feld, zeile, spalte + 1, 1, allein ? 3 : 1);
        m_adressfelder.append({schluessel, feld});
    }
    m_adressfelder[1].second->setToolTip(QStringLiteral("Leerzeichen sind erlaubt"));
    // A German IBAN as stored fits whole.
    m_adressfelder[1].second->setMinimumWidth(m_adressfelder[1].second->fontMetrics().horizontalAdvance(QStringLiteral("DE00000000000000000000")) + 12);
    m_adressfelder[4].second->setPlaceholderText(QStringLiteral("TT.MM.JJJJ"));
    m_adressfelder[3].second->setToolTip(QStringLiteral("Mandatsreferenz und Mandatsdatum: für den Einzug des Beitrags per Lastschrift"));
    rechts->addLayout(formular);
    teiler->addWidget(m_memAdresse);
    teiler->addWidget(m_memVertreter);
    teiler->setChildrenCollapsible(false);
    teiler->setSizes({180, 120});
    rechts->addWidget(teiler, 1);
    zeile->addLayout(rechts, 1);
    QList<QWidget *> reihenfolge{m_cbTeilhaber};
    for (const auto &feld : std::as_const(m_adressfelder))
        reihenfolge.append(feld.second);
    m_tabSeiten.append(reihenfolge + QList<QWidget *>{m_memAdresse, m_memVertreter, speichern, neu, liste, auszug, drucken});
    return seite;
}

QWidget *TVenBuchungForm::seiteEinzahlungen()
{
    auto *seite = new QWidget;
    auto *raster = new QGridLayout(seite);
    raster->addWidget(new QLabel(QStringLiteral("Teilhaber"), seite), 0, 0);
    raster->addWidget(new QLabel(QStringLiteral("Beitrag (€)"), seite), 0, 1);
    m_cbEinTeilhaber = teilhaberBox(QStringLiteral("CBEinTeilhaber"), true);
    m_edEinBetrag = benannt(new QLineEdit(seite), QStringLiteral("EdEinBetrag"));
    nurLesen(m_edEinBetrag);
    auto *einzahlen = knopf(seite, QStringLiteral("BtnEinzahlen"), QStringLiteral("Einzahlen [RETURN]"), &TVenBuchungForm::BtnEinzahlenClick);
    einzahlen->setAutoDefault(false);
    raster->addWidget(m_cbEinTeilhaber, 1, 0);
    raster->addWidget(m_edEinBetrag, 1, 1);
    raster->addWidget(einzahlen, 1, 2);
    auto *alle = knopf(seite, QStringLiteral("BtnTeilListe"), QStringLiteral("Teilhaberliste alle"), &TVenBuchungForm::BtnTeilListeClick);
    auto *offen = knopf(seite, QStringLiteral("BtnTeilListeOffen"), QStringLiteral("Teilhaberliste offen"), &TVenBuchungForm::BtnTeilListeOffenClick);
    auto *rueckstaende = knopf(seite, QStringLiteral("BtnRueckstaende"), QStringLiteral("Rückstandsliste …"),
                               &TVenBuchungForm::BtnRueckstaendeClick);
    rueckstaende->setToolTip(QStringLiteral("Wer wie viel aus welchen Monaten schuldet, als PDF oder CSV"));
    auto *auszug = knopf(seite, QStringLiteral("BtnKontoauszugEinlesen"), QStringLiteral("Kontoauszug einlesen …"),
                         &TVenBuchungForm::BtnKontoauszugEinlesenClick);
    auszug->setToolTip(QStringLiteral("Liest einen Kontoauszug der Bank (camt.053) und schlägt für jeden Posten die Buchung vor"));
    auto *lastschriften = knopf(seite, QStringLiteral("BtnLastschriften"), QStringLiteral("Lastschriften schreiben …"),
                                &TVenBuchungForm::BtnLastschriftenClick);
    lastschriften->setToolTip(QStringLiteral("Schreibt die Lastschriftdatei (pain.008) für die Beiträge des Buchungsmonats; "
                                             "gebucht wird, was der Kontoauszug zeigt"));
    raster->addWidget(alle, 2, 0);
    raster->addWidget(offen, 2, 1);
    auto *rueckstaendeDrucken = knopf(seite, QStringLiteral("BtnRueckstaendeDrucken"), QStringLiteral("Rückstandsliste drucken … (Strg+P)"),
                                      &TVenBuchungForm::BtnDruckenClick);
    raster->addWidget(rueckstaendeDrucken, 2, 2);
    raster->addWidget(rueckstaende, 3, 0);
    raster->addWidget(auszug, 3, 1);
    raster->addWidget(lastschriften, 3, 2);
    raster->addWidget(new QLabel(QStringLiteral("Einzahlungen des Teilhabers im Buchungsmonat"), seite), 4, 0, 1, 2);
    m_lstEinBuchungen = benannt(new QListWidget(seite), QStringLiteral("LstEinBuchungen"));
    raster->addWidget(m_lstEinBuchungen, 5, 0, 1, 2);
    auto *storno = knopf(seite, QStringLiteral("BtnEinStorno"), QStringLiteral("Stornieren …"), &TVenBuchungForm::BtnEinStornoClick);
    storno->setToolTip(QStringLiteral("Nimmt die gewählte Einzahlung zurück, als wäre sie nie gebucht worden"));
    raster->addWidget(storno, 5, 2, Qt::AlignTop);
    raster->setRowStretch(5, 1);
    connect(m_cbEinTeilhaber, &QComboBox::currentTextChanged, this,
            [this] { sicher([this] { postenZeigen(m_cbEinTeilhaber, m_lstEinBuchungen, true); }); });
    m_cbEinTeilhaber->setToolTip(QStringLiteral("Name eintippen oder wählen, dann Return: bucht den Monatsbeitrag"));
    m_edEinBetrag->setToolTip(QStringLiteral("Der Monatsbeitrag des Pakts; er wird im Ergänzungsvertrag geändert"));
    m_tabSeiten.append({m_cbEinTeilhaber, m_edEinBetrag, einzahlen, alle, offen, rueckstaendeDrucken, rueckstaende, auszug, lastschriften,
                        m_lstEinBuchungen, storno});
    return seite;
}

QWidget *TVenBuchungForm::seiteRechnungen()
{
    auto *seite = new QWidget;
    auto *zeile = new QHBoxLayout(seite);
    auto *links = new QGridLayout;
    m_cbRechTeilhaber = teilhaberBox(QStringLiteral("CBRechTeilhaber"), false);
    m_cbRechTeilhaber->installEventFilter(this);
    links->addWidget(m_cbRechTeilhaber, 0, 0, 1, 2);
    m_cbRechTeilhaber->setToolTip(QStringLiteral("Name wie bei den Einzahlungen, z. B. „Anna Bäcker“"));
    m_edRechBetrag = benannt(new QLineEdit(seite), QStringLiteral("EdRechBetrag"));
    m_edRechBetrag->setPlaceholderText(QStringLiteral("Betrag, z. B. 80,25"));
    connect(m_edRechBetrag, &QLineEdit::textChanged, this, [this] { sicher([this] { EdRechBetragChange(); }); });
    links->addWidget(m_edRechBetrag, 1, 0);
    links->addWidget(new QLabel(QStringLiteral("€"), seite), 1, 1);
    m_labRechFehler = benannt(new QLabel(seite), QStringLiteral("LabRechFehler"));
    m_labRechFehler->setStyleSheet(QStringLiteral("color: #a00000;"));
    m_labRechFehler->setWordWrap(true);
    // Room for three lines from the start, so that nothing below moves when
    // a mistake is shown; the whole text is also in the tooltip.
    m_labRechFehler->setFixedHeight(3 * m_labRechFehler->fontMetrics().lineSpacing());
    m_labRechFehler->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    links->addWidget(m_labRechFehler, 2, 0, 1, 2);
    auto *buchen = knopf(seite, QStringLiteral("BtnRechnung"), QStringLiteral("Rechnung buchen"), &TVenBuchungForm::BtnRechnungClick);
    links->addWidget(buchen, 3, 0, 1, 2);
    m_lstRechBuchungen = benannt(new QListWidget(seite), QStringLiteral("LstRechBuchungen"));
    m_lstRechBuchungen->setToolTip(QStringLiteral("Rechnungen des Teilhabers im Buchungsmonat"));
    m_lstRechBuchungen->setMaximumHeight(90);
    links->addWidget(m_lstRechBuchungen, 4, 0, 1, 2);
    auto *rechStorno = knopf(seite, QStringLiteral("BtnRechStorno"), QStringLiteral("Stornieren …"), &TVenBuchungForm::BtnRechStornoClick);
    rechStorno->setToolTip(QStringLiteral("Nimmt die gewählte Rechnung zurück, solange sie nicht ausgezahlt ist"));
    links->addWidget(rechStorno, 5, 0, 1, 2);
    connect(m_cbRechTeilhaber, &QComboBox::currentTextChanged, this,
            [this] { sicher([this] { postenZeigen(m_cbRechTeilhaber, m_lstRechBuchungen, false); }); });
    links->setRowStretch(6, 1);
    links->addWidget(new QLabel(QStringLiteral("davon Sozialanteil (€)"), seite), 7, 0);
    m_labAbsVen = wert(QStringLiteral("LabAbsVen"), seite);
    links->addWidget(m_labAbsVen, 7, 1);
    links->addWidget(new QLabel(QStringLiteral("davon Eigenanteil (€)"), seite), 8, 0);
    m_labAbsEigen = wert(QStringLiteral("LabAbsEigen"), seite);
    links->addWidget(m_labAbsEigen, 8, 1);
    zeile->addLayout(links);
    m_memRechnung = benannt(new QPlainTextEdit(seite), QStringLiteral("MemRechnung"));
    m_memRechnung->setPlaceholderText(QStringLiteral("Empfänger der Rechnung"));
    m_memRechnung->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memRechnung->setTabChangesFocus(true);
    zeile->addWidget(m_memRechnung, 1);
    m_tabSeiten.append({m_cbRechTeilhaber, m_edRechBetrag, buchen, m_lstRechBuchungen, rechStorno, m_memRechnung});
    return seite;
}

QWidget *TVenBuchungForm::seiteAuszahlungen()
{
    auto *seite = new QWidget;
    auto *raster = new QGridLayout(seite);
    raster->addWidget(new QLabel(QStringLiteral("Sozialanteil"), seite), 0, 0);
    m_labSozialanteil = wert(QStringLiteral("LabSozialanteil"), seite);
    raster->addWidget(m_labSozialanteil, 0, 1);
    raster->addWidget(new QLabel(QStringLiteral("Eigenanteil"), seite), 0, 2);
    m_labEigenanteil = wert(QStringLiteral("LabEigenanteil"), seite);
    raster->addWidget(m_labEigenanteil, 0, 3);
    raster->addWidget(new QLabel(QStringLiteral("Teilhaber"), seite), 1, 0);
    raster->addWidget(new QLabel(QStringLiteral("Betrag"), seite), 1, 2);
    m_cbAusTeilhaber = teilhaberBox(QStringLiteral("CBAusTeilhaber"), true);
    raster->addWidget(m_cbAusTeilhaber, 2, 0, 1, 2);
    m_edAusBetrag = benannt(new QLineEdit(seite), QStringLiteral("EdAusBetrag"));
    raster->addWidget(m_edAusBetrag, 2, 2);
    raster->addWidget(benannt(new QPushButton(QStringLiteral("Auszahlung"), seite), QStringLiteral("BtnAuszahlung")), 2, 3);
    raster->addWidget(new QLabel(QStringLiteral("Sozialanteil"), seite), 3, 0);
    raster->addWidget(wert(QStringLiteral("LabSozialanteilAbs"), seite), 3, 1);
    raster->addWidget(new QLabel(QStringLiteral("Eigenanteil"), seite), 3, 2);
    raster->addWidget(wert(QStringLiteral("LabEigenanteilAbs"), seite), 3, 3);
    raster->addWidget(linie(seite), 4, 0, 1, 4);
    auto *auszahlen = knopf(seite, QStringLiteral("BtnAuszahlungen"), QStringLiteral("alle Rechnungen des Monats auszahlen"), &TVenBuchungForm::BtnAuszahlungenClick);
    auto *weg = knopf(seite, QStringLiteral("BtnAuszWeg"), QStringLiteral("alle Auszahlungen des Monats verwerfen"), &TVenBuchungForm::BtnAuszWegClick);
    auto *sepa = knopf(seite, QStringLiteral("BtnSepa"), QStringLiteral("SEPA-Datei eines Monats schreiben …"), &TVenBuchungForm::BtnSepaClick);
    sepa->setToolTip(QStringLiteral("Schreibt die Überweisungsdatei für die Bank (pain.001) eines abgeschlossenen Monats neu"));
    raster->addWidget(auszahlen, 5, 0, 1, 2);
    raster->addWidget(weg, 5, 2, 1, 2);
    raster->addWidget(sepa, 6, 0, 1, 2);
    raster->setRowStretch(7, 1);
    m_tabSeiten.append(QList<QWidget *>{auszahlen, weg, sepa});
    return seite;
}

QWidget *TVenBuchungForm::seiteMonatsabschluss()
{
    auto *seite = new QWidget;
    auto *spalte = new QVBoxLayout(seite);
    auto *abschliessen = knopf(seite, QStringLiteral("Button2"), QStringLiteral("Monat abschließen"), &TVenBuchungForm::BtnMonatsendeClick);
    abschliessen->setMinimumHeight(40);
    abschliessen->setToolTip(QStringLiteral("Zahlt die Rechnungen aus, verteilt die Kasse und öffnet den nächsten Monat"));
    spalte->addWidget(abschliessen);
    auto *bericht = knopf(seite, QStringLiteral("BtnMonatsberichtDrucken"), QStringLiteral("Monatsbericht drucken … (Strg+P)"),
                          &TVenBuchungForm::BtnDruckenClick);
    bericht->setToolTip(QStringLiteral("Der Bericht des zuletzt abgeschlossenen Monats, mit Vorschau"));
    spalte->addWidget(bericht);
    m_tabSeiten.append(QList<QWidget *>{abschliessen, bericht});
    spalte->addStretch();
    return seite;
}

QWidget *TVenBuchungForm::seiteAustritt()
{
    auto *seite = new QWidget;
    auto *raster = new QGridLayout(seite);
    raster->addWidget(new QLabel(QStringLiteral("Teilhaber"), seite), 0, 0);
    m_cbTeilAustritt = teilhaberBox(QStringLiteral("CBTeilAustritt"), true);
    raster->addWidget(m_cbTeilAustritt, 1, 0);
    auto *endrechnung = knopf(seite, QStringLiteral("BtnTeilAustritt"), QStringLiteral("Endrechnung [RETURN]"),
                              &TVenBuchungForm::BtnTeilAustrittClick);
    endrechnung->setAutoDefault(false);
    raster->addWidget(endrechnung, 1, 1);
    raster->setRowStretch(2, 1);
    raster->setColumnStretch(2, 1);
    m_tabSeiten.append({m_cbTeilAustritt, endrechnung});
    return seite;
}

QWidget *TVenBuchungForm::seiteNeuAuto()
{
    auto *seite = new QWidget;
    auto *raster = new QGridLayout(seite);
    m_labHinweis = benannt(new QLabel(QStringLiteral("Noch kein Pakt in diesem Verzeichnis: mit \u201EPakt anlegen\u201C "
                                                     "beginnen oder eine Autobuchung abspielen."),
                                      seite),
                           QStringLiteral("LabHinweis"));
    m_labHinweis->setWordWrap(true);
    QFont fett = m_labHinweis->font();
    fett.setBold(true);
    m_labHinweis->setFont(fett);
    m_btnNeu = knopf(seite, QStringLiteral("BtnNeu"), QStringLiteral("Pakt anlegen"), &TVenBuchungForm::BtnNeuClick);
    m_btnAuto = knopf(seite, QStringLiteral("BtnAuto"), QStringLiteral("Autobuchung"), &TVenBuchungForm::BtnAutoClick);
    m_btnAuto->setToolTip(QStringLiteral("Spielt eine Befehlsdatei (*.aut) ab: Pakt, Einzahlungen, Rechnungen, Monatsabschlüsse"));
    m_btnVertrag = knopf(seite, QStringLiteral("BtnVertrag"), QStringLiteral("Ergänzungsvertrag eintragen"), &TVenBuchungForm::BtnVertragClick);
    m_btnKillMonth = knopf(seite, QStringLiteral("BtnKillMonth"), QStringLiteral("letzten Monat verwerfen"), &TVenBuchungForm::BtnKillMonthClick);
    m_btnWasWaere = knopf(seite, QStringLiteral("BtnWasWaere"), QStringLiteral("Was wäre wenn …"), &TVenBuchungForm::BtnWasWaereClick);
    m_btnWasWaere->setProperty("tipp", QStringLiteral("Die Zukunft des Pakts unter anderen Regeln rechnen, viele Läufe nebeneinander; "
                                             "im Datenverzeichnis ändert sich nichts"));
    auto *start = knopf(seite, QStringLiteral("BtnStartvertrag"), QStringLiteral("Doku Startvertrag"), &TVenBuchungForm::BtnStartvertragClick);
    auto *erg = knopf(seite, QStringLiteral("BtnErgVertrag"), QStringLiteral("Doku Ergänzungsvertrag"), &TVenBuchungForm::BtnErgVertragClick);
    raster->addWidget(m_labHinweis, 0, 0, 1, 2);
    raster->addWidget(m_btnNeu, 1, 0);
    raster->addWidget(m_btnAuto, 1, 1);
    raster->addWidget(m_btnVertrag, 2, 0);
    raster->addWidget(m_btnKillMonth, 2, 1);
    raster->addWidget(m_btnWasWaere, 3, 0);
    raster->addWidget(linie(seite), 4, 0, 1, 2);
    raster->addWidget(start, 5, 0);
    raster->addWidget(erg, 5, 1);
    raster->setRowStretch(6, 1);
    m_tabSeiten.append({m_btnNeu, m_btnAuto, m_btnVertrag, m_btnKillMonth, m_btnWasWaere, start, erg});
    return seite;
}

QWidget *TVenBuchungForm::seiteSetup()
{
    auto *seite = new QWidget;
    auto *spalte = new QVBoxLayout(seite);
    spalte->addWidget(linie(seite));
    auto *copyright = benannt(new QLabel(seite), QStringLiteral("LabCopyright"));
    copyright->setText(QStringLiteral("Vennlok Buchungsprogramm · © 2026 das Vennlok-Team"));
    copyright->setAlignment(Qt::AlignCenter);
    spalte->addWidget(copyright);
    const auto verweis = [&](const QString &name, const QString &text, void (TVenBuchungForm::*handler)()) {
        auto *label = benannt(new QLabel(seite), name);
        label->setText(QStringLiteral("<a href=\"#\" style=\"color: teal;\">%1</a>").arg(text.toHtmlEscaped()));
        label->setAlignment(Qt::AlignCenter);
        connect(label, &QLabel::linkActivated, this, [this, handler] { sicher([this, handler] { (this->*handler)(); }); });
        spalte->addWidget(label);
    };
    verweis(QStringLiteral("LabHTTP"), QStringLiteral("http://") + WebAdresse, &TVenBuchungForm::LabHTTPClick);
    verweis(QStringLiteral("LabMail"), QStringLiteral("mailto://") + MailAdresse, &TVenBuchungForm::LabMailClick);
    auto *version = benannt(new QLabel(QStringLiteral("Version %1 (%2)").arg(QStringLiteral(VENNLOK_VERSION), Vennlok::Version), seite),
                            QStringLiteral("LabVersion"));
    version->setAlignment(Qt::AlignCenter);
    spalte->addWidget(version);
    spalte->addWidget(linie(seite));
    auto *verlauf = knopf(seite, QStringLiteral("BtnVerlauf"), QStringLiteral("Verlauf des Pakts (Strg+H)"), &TVenBuchungForm::BtnVerlaufClick);
    auto *meldungen = knopf(seite, QStringLiteral("BtnMeldungen"), QStringLiteral("Meldungen seit dem Start …"),
                            &TVenBuchungForm::MeldungenZeigen);
    verlauf->setToolTip(QStringLiteral("Kasse, Ein- und Auszahlungen, Sozialanteil und Eingangsbuchungen Monat für Monat"));
    spalte->addWidget(verlauf);
    meldungen->setToolTip(QStringLiteral("Jede Meldung der Statuszeile seit dem Start, mit Uhrzeit (auch: Doppelklick auf die Statuszeile)"));
    spalte->addWidget(meldungen);
    auto *verzeichnis = benannt(new QLabel(QStringLiteral("Datenverzeichnis: ") + QDir::toNativeSeparators(m_datenverzeichnis), seite),
                                QStringLiteral("LabVerzeichnis"));
    verzeichnis->setTextInteractionFlags(Qt::TextSelectableByMouse);
    verzeichnis->setWordWrap(true);
    spalte->addWidget(verzeichnis);
    auto *wechseln = knopf(seite, QStringLiteral("BtnVerzeichnis"), QStringLiteral("Datenverzeichnis wechseln …"),
                           &TVenBuchungForm::BtnVerzeichnisClick);
    auto *demo = knopf(seite, QStringLiteral("BtnDemo"), QStringLiteral("Demo-Pakt ansehen"), &TVenBuchungForm::BtnDemoClick);
    demo->setToolTip(QStringLiteral("Spielt einen Beispielpakt (20 Teilhaber, 12 Monate) in einen neuen Ordner ein und öffnet ihn"));
    auto *knoepfe = new QHBoxLayout;
    knoepfe->addWidget(wechseln);
    knoepfe->addWidget(demo);
    spalte->addLayout(knoepfe);
    spalte->addStretch();
    m_tabSeiten.append(QList<QWidget *>{verlauf, meldungen, wechseln, demo});
    return seite;
}

QWidget *TVenBuchungForm::statusPanel()
{
    auto *panel = benannt(new QFrame, QStringLiteral("Panel4"));
    panel->setFrameShape(QFrame::StyledPanel);
    auto *raster = new QGridLayout(panel);
    raster->addWidget(new QLabel(QStringLiteral("Buchungsmonat"), panel), 0, 0);
    m_edBuchMonat = benannt(new QLineEdit(panel), QStringLiteral("EdBuchMonat"));
    nurLesen(m_edBuchMonat);
    m_edBuchMonat->setFocusPolicy(Qt::NoFocus);
    raster->addWidget(m_edBuchMonat, 1, 0);
    raster->addWidget(new QLabel(QStringLiteral("Eingangsbuchungen"), panel), 0, 1);
    m_labEinBuchungen = wert(QStringLiteral("LabEinBuchungen"), panel);
    raster->addWidget(m_labEinBuchungen, 0, 2);
    raster->addWidget(new QLabel(QStringLiteral("Ausgangsbuchungen"), panel), 1, 1);
    m_labAusBuchungen = wert(QStringLiteral("LabAusBuchungen"), panel);
    raster->addWidget(m_labAusBuchungen, 1, 2);
    raster->addWidget(new QLabel(QStringLiteral("Kasse"), panel), 0, 3);
    m_labKassenbestand = wert(QStringLiteral("LabKassenbestand"), panel);
    raster->addWidget(m_labKassenbestand, 0, 4);
    raster->addWidget(new QLabel(QStringLiteral("Sozialanteil"), panel), 1, 3);
    m_labSozialant = wert(QStringLiteral("LabSozialant"), panel);
    raster->addWidget(m_labSozialant, 1, 4);
    raster->addWidget(new QLabel(QStringLiteral("Rechnungen"), panel), 2, 1);
    m_labRechnungen = wert(QStringLiteral("LabRechnungen"), panel);
    m_labRechnungen->setToolTip(QStringLiteral("Rechnungen des Buchungsmonats: Anzahl und Summe"));
    raster->addWidget(m_labRechnungen, 2, 2, 1, 1);
    raster->addWidget(new QLabel(QStringLiteral("Konto erwartet"), panel), 2, 3);
    m_labKontostand = wert(QStringLiteral("LabKontostand"), panel);
    m_kontostandTipp = QStringLiteral("Kontostand, den die Bücher auf dem Konto des Pakts erwarten: Anfangssaldo, "
                                      "alle Einzahlungen, abzüglich der Überweisungen auf den Cent");
    m_labKontostand->setToolTip(m_kontostandTipp);
    raster->addWidget(m_labKontostand, 2, 4);
    auto *ende = benannt(new QPushButton(QStringLiteral("Programmende (Strg+Q)"), panel), QStringLiteral("Button3"));
    auto *hilfe = knopf(panel, QStringLiteral("BtnHelp"), QStringLiteral("Dokumentation / Hilfe"), &TVenBuchungForm::BtnHelpClick);
    for (QPushButton *k : {ende, hilfe}) {
        k->setAutoDefault(false);
        k->setFocusPolicy(Qt::TabFocus);
    }
    connect(ende, &QPushButton::clicked, this, [this] { BtnCloseClick(); });
    raster->addWidget(ende, 3, 0, 1, 2);
    raster->addWidget(hilfe, 3, 3, 1, 2);
    raster->setColumnStretch(4, 1);
    return panel;
}

// --- frame -----------------------------------------------------------------

void TVenBuchungForm::sicher(const std::function<void()> &handler)
{
    if (m_imHandler || Beschaeftigt())
        return; // a question box of a running handler must not start another, nor may work beside the window
    m_imHandler = true;
    try {
        handler();
    } catch (const VennlokFehler &fehler) {
        m_benutzer->Meldung(this, fehler.text());
    } catch (const std::exception &fehler) {
        m_benutzer->Meldung(this, QString::fromUtf8(fehler.what()));
    }
    m_imHandler = false;
}

bool TVenBuchungForm::taste(QKeyEvent *ereignis)
{
    const bool strg = ereignis->modifiers() & Qt::ControlModifier;
    const int key = ereignis->key();
    if (Beschaeftigt()) {
        if (strg && key == Qt::Key_Q)
            BtnCloseClick(); // says why the program cannot end yet
        return key != Qt::Key_Escape; // other keys wait until the work is done
    }
    const bool eingabe = key == Qt::Key_Return || key == Qt::Key_Enter;
    // Return in a text of several lines makes a new line there.
    const auto *text = qobject_cast<QPlainTextEdit *>(QApplication::focusWidget());
    const bool mehrzeilig = text && !text->isReadOnly();
    if (eingabe && AktiveSeite() == Einzahlungen)
        sicher([this] { BtnEinzahlenClick(); });
    else if (eingabe && AktiveSeite() == Austritt)
        sicher([this] { BtnTeilAustrittClick(); });
    else if (eingabe && AktiveSeite() == Rechnungen && !mehrzeilig)
        sicher([this] { BtnRechnungClick(); });
    else if (eingabe && AktiveSeite() == Teilhaber
             && (QApplication::focusWidget() == m_cbTeilhaber || m_cbTeilhaber->isAncestorOf(QApplication::focusWidget())))
        sicher([this] { CBTeilhaberExit(); });
    else if (key == Qt::Key_F1)
        sicher([this] { BtnHelpClick(); });
    else if (strg && key >= Qt::Key_1 && key <= Qt::Key_8)
        sicher([this, key] { SeiteWaehlen(Seite(key - Qt::Key_1)); });
    else if (strg && key == Qt::Key_Q)
        BtnCloseClick();
    else if (strg && key == Qt::Key_H)
        sicher([this] { BtnVerlaufClick(); });
    else if (strg && key == Qt::Key_P)
        sicher([this] { BtnDruckenClick(); });
    else
        return false;
    return true;
}

void TVenBuchungForm::tabReihenfolge(const QList<QList<QWidget *>> &seiten, const QList<QWidget *> &panel)
{
    // Each page in reading order, then the page buttons, then the panel's
    // buttons; the hidden pages' controls are passed over by Tab.
    QList<QWidget *> kette;
    for (const QList<QWidget *> &seite : seiten)
        kette += seite;
    kette += panel;
    for (int i = 0; i + 1 < kette.size(); ++i)
        setTabOrder(kette[i], kette[i + 1]);
}

void TVenBuchungForm::status(const QString &text)
{
    m_labStatus->Setzen(text);
}

void TVenBuchungForm::MeldungenZeigen()
{
    const QStringList &verlauf = m_labStatus->Verlauf();
    m_benutzer->Meldung(this, verlauf.isEmpty() ? QStringLiteral("Seit dem Start gab es noch keine Meldung.")
                                                : QStringLiteral("Meldungen seit dem Start:\n") + verlauf.join(QLatin1Char('\n')));
}

QString TVenBuchungForm::Statuszeile() const
{
    return m_labStatus->Text();
}

void TVenBuchungForm::imHintergrund(const QString &titel, bool abbrechbar, std::function<void()> arbeit,
                                    std::function<void(const QString &)> danach)
{
    m_demokratForm->hide();
    m_verlaufForm->hide();
    m_wasWaereForm->hide();
    centralWidget()->setEnabled(false);
    status(titel);
    m_infoForm->Beginnen(titel, abbrechbar);
    auto fehler = std::make_shared<QString>();
    m_arbeit = QThread::create([arbeit = std::move(arbeit), fehler] {
        try {
            arbeit();
        } catch (const VennlokFehler &f) {
            *fehler = f.text();
        } catch (const std::exception &f) {
            *fehler = QString::fromUtf8(f.what());
        }
    });
    connect(m_arbeit, &QThread::finished, this, [this, danach = std::move(danach), fehler] {
        m_arbeit->deleteLater();
        m_arbeit = nullptr;
        m_infoForm->hide();
        centralWidget()->setEnabled(true);
        teilhaberListenFuellen();
        Anzeige();
        PageControl1Change();
        sicher([&] { danach(*fehler); });
    });
    m_arbeit->start();
}

TVenBuchungForm::Seite TVenBuchungForm::AktiveSeite() const
{
    return Seite(m_seiten->currentIndex());
}

void TVenBuchungForm::SeiteWaehlen(Seite seite)
{
    m_seiten->setCurrentIndex(int(seite));
    PageControl1Change();
}

void TVenBuchungForm::PageControl1Change()
{
    if (!m_vennlok->PaktVorhanden() && AktiveSeite() != SetupInfo)
        m_seiten->setCurrentIndex(NeuAuto);
    m_reiter->button(m_seiten->currentIndex())->setChecked(true);
    switch (AktiveSeite()) {
    case Teilhaber: m_cbTeilhaber->setFocus(); break;
    case Einzahlungen: m_cbEinTeilhaber->setFocus(); break;
    case Rechnungen: m_cbRechTeilhaber->setFocus(); break;
    case Austritt: m_cbTeilAustritt->setFocus(); break;
    default: break;
    }
}

void TVenBuchungForm::Anzeige()
{
    if (!m_vennlok || Beschaeftigt())
        return;
    TVennlok &v = *m_vennlok;
    // Without a pact (or an open month) there are no figures: a dash, never the missing-value sentinel.
    const bool pakt = v.PaktVorhanden();
    const bool offen = pakt && v.Monatsstand().offen;
    const QString strich = QStringLiteral("\u2013");
    m_labEinBuchungen->setText(offen ? QString::number(v.Monatsstand().eingangsbuchungen) : strich);
    m_labAusBuchungen->setText(offen ? QString::number(v.Monatsstand().ausgangsbuchungen) : strich);
    m_labKassenbestand->setText(offen ? Anzeigeformat::Kasse(v.Monatsstand().kassenstand) : strich);
    m_labSozialant->setText(offen ? Druckformat::Prozent(v.Parameter().sozialanteil) : strich);
    m_labSozialanteil->setText(offen ? Druckformat::Prozent(v.Parameter().sozialanteil) : strich);
    m_labEigenanteil->setText(offen ? Druckformat::Prozent(1 - v.Parameter().sozialanteil) : strich);
    m_labRechnungen->setText(offen ? QStringLiteral("%1, zusammen %2")
                                         .arg(v.Monatsstand().rechnungsbuchungen)
                                         .arg(Anzeigeformat::Kasse(v.Monatsstand().summeRechnungen))
                                   : strich);
    const TKontostand konto = pakt ? v.Kontostand() : TKontostand();
    QString kontotext = konto.konto ? Druckformat::Euro(konto.erwartet) : strich;
    QString kontotipp = m_kontostandTipp;
    if (konto.konto && konto.auszug) {
        // Beside it, the latest statement's difference; the tooltip says which statement and its balance.
        if (konto.auszugDifferenz != 0)
            kontotext += QStringLiteral("\nDiff. Auszug %1\u00A0\u20AC").arg(Druckformat::Betrag(konto.auszugDifferenz));
        kontotipp += QStringLiteral("\nLetzter Auszug %1 vom %2: Schlusssaldo %3\u00A0\u20AC, Differenz %4\u00A0\u20AC "
                                    "(beim Einlesen nicht zugeordnete Posten).")
                         .arg(konto.auszugDatei, konto.auszugTag.toString(QStringLiteral("dd.MM.yyyy")),
                              Druckformat::Betrag(konto.auszugSaldo), Druckformat::Betrag(konto.auszugDifferenz));
    }
    m_labKontostand->setText(kontotext);
    m_labKontostand->setToolTip(kontotipp);
    m_edBuchMonat->setText(v.Buchungsmonat());
    m_edEinBetrag->setText(Anzeigeformat::Einheitentext(v.Parameter().beitrag));
    // What needs a pact is greyed out without one, and says why.
    const QString ohnePakt = QStringLiteral("Erst einen Pakt anlegen oder eine Autobuchung abspielen.");
    m_labHinweis->setVisible(!pakt);
    m_btnNeu->setEnabled(!pakt);
    m_btnNeu->setToolTip(pakt ? QStringLiteral("In diesem Verzeichnis gibt es schon einen Pakt.")
                              : QStringLiteral("Legt einen neuen Pakt mit Beitrag, Gebühren und Sozialanteil an."));
    for (QPushButton *k : {m_btnVertrag, m_btnKillMonth, m_btnWasWaere}) {
        k->setEnabled(pakt);
        k->setToolTip(pakt ? k->property("tipp").toString() : ohnePakt);
    }
    for (int i = Teilhaber; i <= Austritt; ++i) {
        m_reiter->button(i)->setEnabled(pakt);
        m_reiter->button(i)->setToolTip(pakt ? QStringLiteral("Strg+%1").arg(i + 1) : ohnePakt);
    }
}

void TVenBuchungForm::changeEvent(QEvent *ereignis)
{
    QMainWindow::changeEvent(ereignis);
    if (ereignis->type() == QEvent::ActivationChange && isActiveWindow() && m_vennlok && !m_imHandler && !Beschaeftigt()) {
        PageControl1Change();
        Anzeige();
    }
}

void TVenBuchungForm::closeEvent(QCloseEvent *ereignis)
{
    if (Beschaeftigt()) {
        status(QStringLiteral("Bitte warten: das Programm endet erst, wenn die laufende Arbeit fertig oder abgebrochen ist."));
        ereignis->ignore();
        return;
    }
    const bool ungespeichert = adresseGeaendert() && !m_cbTeilhaber->currentText().trimmed().isEmpty();
    if (ungespeichert
        && !m_benutzer->Frage(this, QStringLiteral("Programmende"),
                              QStringLiteral("Die Adresse von %1 ist geändert, aber nicht gespeichert. Trotzdem beenden?")
                                  .arg(m_cbTeilhaber->currentText().trimmed()))) {
        ereignis->ignore();
        return;
    }
    if (m_vennlok)
        m_vennlok->FensterSkriptLoeschen();
    m_demokratForm->close();
    m_verlaufForm->close();
    m_wasWaereForm->close();
    m_infoForm->close();
    ereignis->accept();
}

bool TVenBuchungForm::eventFilter(QObject *objekt, QEvent *ereignis)
{
    // Leaving a participant box for another control of this window; not when the
    // window itself loses the focus or the completion list opens.
    if (ereignis->type() == QEvent::FocusOut) {
        const auto grund = static_cast<QFocusEvent *>(ereignis)->reason();
        if (grund != Qt::ActiveWindowFocusReason && grund != Qt::PopupFocusReason) {
            if (objekt == m_cbTeilhaber)
                sicher([this] { CBTeilhaberExit(); });
            else if (objekt == m_cbRechTeilhaber)
                sicher([this] { CBRechTeilhaberExit(); });
        }
    }
    return QMainWindow::eventFilter(objekt, ereignis);
}

void TVenBuchungForm::BtnCloseClick()
{
    close();
}

void TVenBuchungForm::starten(const QString &zeile)
{
    m_vennlok->Starten(zeile);
}

void TVenBuchungForm::dokumentOeffnen(const QString &datei, const QString &titel)
{
    if (!m_vennlok->DokumentVorhanden(datei)) {
        m_benutzer->Meldung(this, QStringLiteral("%1 fehlt: die Datei \u201E%2\u201C liegt nicht im Datenverzeichnis %3.")
                                      .arg(titel, datei, QDir::toNativeSeparators(m_datenverzeichnis)));
        return;
    }
    starten(QStringLiteral("start ") + datei);
    status(QStringLiteral("%1 wird geöffnet.").arg(titel));
}

QString TVenBuchungForm::programmDatei(const QString &name) const
{
    const QString programm = QCoreApplication::applicationDirPath();
    const QString neben = programm + QLatin1Char('/') + name;
    return m_vennlok->DokumentVorhanden(neben) ? neben : QDir::cleanPath(programm + QStringLiteral("/../share/vennlok/") + name);
}

void TVenBuchungForm::BtnHelpClick()
{
    const QString doku = programmDatei(QStringLiteral("VennlokDoku.html"));
    if (!m_vennlok->DokumentVorhanden(doku)) {
        m_benutzer->Meldung(this, QStringLiteral("Die Hilfe fehlt: \u201E%1\u201C gibt es nicht.").arg(QDir::toNativeSeparators(doku)));
        return;
    }
    QString pfad = QDir::toNativeSeparators(doku);
    if (pfad.startsWith(QLatin1Char('/')))
        pfad.remove(0, 1); // "file:///" already carries the root
    starten(QStringLiteral("start C:\\mozilla\\mozilla.exe file:///") + pfad + QLatin1Char('#') + HilfeAnker[AktiveSeite()]);
}

void TVenBuchungForm::BtnStartvertragClick()
{
    dokumentOeffnen(QStringLiteral("Startvertrag.html"), QStringLiteral("Der Startvertrag"));
}

void TVenBuchungForm::BtnErgVertragClick()
{
    dokumentOeffnen(QStringLiteral("Ergaenzungsvertrag.html"), QStringLiteral("Der Ergänzungsvertrag"));
}

void TVenBuchungForm::LabHTTPClick()
{
    starten(QStringLiteral("start http://") + WebAdresse);
}

void TVenBuchungForm::LabMailClick()
{
    starten(QStringLiteral("start mailto://") + MailAdresse);
}

// --- Teilhaber page ----------------------------------------------------------

void TVenBuchungForm::initMemos()
{
    for (const auto &feld : std::as_const(m_adressfelder))
        feld.second->clear();
    m_memAdresse->setPlainText(FreieAdressVorlage.join(QLatin1Char('\n')));
    m_memVertreter->setPlainText(VertreterVorlage.join(QLatin1Char('\n')));
}

void TVenBuchungForm::initMemoRechnung()
{
    m_memRechnung->setPlainText(RechnungVorlage.join(QLatin1Char('\n')));
}

bool TVenBuchungForm::bekannt(const QString &name) const
{
    return !m_vennlok->TeilhaberName(name).isEmpty();
}

void TVenBuchungForm::teilhaberListenFuellen()
{
    // The names as typed; completion also knows them as their files spell them.
    const QStringList namen = m_vennlok ? m_vennlok->Teilhabernamen() : QStringList();
    const QStringList formen = Vennlok::Namensformen(namen);
    for (QComboBox *box : {m_cbEinTeilhaber, m_cbAusTeilhaber, m_cbTeilAustritt, m_cbTeilhaber, m_cbRechTeilhaber}) {
        const QString text = box->currentText();
        box->clear();
        box->addItems(namen);
        box->setCurrentIndex(-1);
        box->setEditText(text);
        if (box->completer()) {
            auto *vervollstaendigung = new QCompleter(formen, box);
            vervollstaendigung->setCaseSensitivity(Qt::CaseInsensitive);
            vervollstaendigung->setCompletionMode(QCompleter::InlineCompletion);
            box->setCompleter(vervollstaendigung);
        }
    }
}

QString TVenBuchungForm::teilhaberAusBox(QComboBox *box)
{
    const QString eingabe = box->currentText().trimmed();
    const QString name = m_vennlok->TeilhaberName(eingabe);
    if (name.isEmpty())
        m_benutzer->Meldung(this, eingabe.isEmpty() ? QStringLiteral("Bitte einen Teilhaber eingeben oder wählen.")
                                                    : QStringLiteral("Dieser Teilhaber existiert nicht: \u201E%1\u201C.").arg(eingabe));
    return name;
}

void TVenBuchungForm::CBTeilhaberExit()
{
    const QString name = m_cbTeilhaber->currentText().trimmed();
    if (name.isEmpty())
        return;
    // A typo must not make a new member: a name without a file is admitted only on Yes.
    const bool neu = !bekannt(name);
    if (neu && !m_benutzer->Frage(this, QStringLiteral("unbekannter Teilhaber"),
                                  QStringLiteral("%1 als neuen Teilhaber aufnehmen?").arg(name))) {
        m_cbTeilhaber->setEditText(QString());
        return;
    }
    if (const TErgebnis geoeffnet = m_vennlok->TeilhaberOeffnen(name); geoeffnet.abgelehnt()) {
        m_benutzer->Meldung(this, geoeffnet.meldung);
        return;
    }
    adresseZeigen(name);
    m_labAdresse->setText(QStringLiteral("Adresse von %1").arg(m_vennlok->Anzeigename(name)));
    if (neu) {
        teilhaberListenFuellen();
        status(QStringLiteral("%1 als neuen Teilhaber aufgenommen").arg(name));
    }
    m_adressfelder.first().second->setFocus();
}

void TVenBuchungForm::adresseZeigen(const QString &name)
{
    initMemos();
    // The known items into their fields, every other into the lines below.
    QList<QPair<QString, QString>> weitere;
    for (const auto &[schluessel, wert] : m_vennlok->Adresse(name)) {
        const auto feld = std::find_if(m_adressfelder.cbegin(), m_adressfelder.cend(),
                                       [&](const auto &f) { return f.first.compare(schluessel, Qt::CaseInsensitive) == 0; });
        if (feld != m_adressfelder.cend())
            feld->second->setText(wert);
        else
            weitere.append({schluessel, wert});
    }
    m_memAdresse->setPlainText(Anzeigeformat::MemoFuellen(FreieAdressVorlage, weitere).join(QLatin1Char('\n')));
    m_memAdresse->document()->setModified(false);
}

bool TVenBuchungForm::adresseGeaendert() const
{
    return m_memAdresse->document()->isModified()
           || std::any_of(m_adressfelder.cbegin(), m_adressfelder.cend(), [](const auto &f) { return f.second->isModified(); });
}

void TVenBuchungForm::BtnSpeichernClick()
{
    const QString name = m_cbTeilhaber->currentText().trimmed();
    const QString heute = Vennlok::Datumstext();
    // The memo as the operator confirmed it is stored whole or not at all.
    QStringList abgelehnt;
    QWidget *berichtigen = nullptr; // where the first refused item is typed
    int gespeichert = 0;
    try {
        TTransaktion transaktion(*m_vennlok);
        if (const TErgebnis geoeffnet = m_vennlok->TeilhaberOeffnen(name); geoeffnet.abgelehnt()) {
            m_benutzer->Meldung(this, name.isEmpty() ? QStringLiteral("Bitte erst einen Teilhaber wählen.") : geoeffnet.meldung);
            return;
        }
        // The form's fields, then the further lines: a line may name an item of the form too, and wins.
        QList<std::pair<Anzeigeformat::Eintrag, QWidget *>> eintraege;
        for (const auto &[schluessel, feld] : std::as_const(m_adressfelder))
            eintraege.append({{schluessel, feld->text().trimmed()}, feld});
        for (const Anzeigeformat::Eintrag &eintrag : Anzeigeformat::MemoEintraege(m_memAdresse->toPlainText()))
            eintraege.append({eintrag, m_memAdresse});
        // Only what differs from the file is stored: an item saved unchanged gets no new line in its history.
        QHash<QString, QString> bisher;
        for (const auto &[schluessel, wert] : m_vennlok->Adresse(name))
            bisher.insert(schluessel.toCaseFolded(), wert);
        for (const auto &[eintrag, feld] : eintraege) {
            // An empty value leaves the stored one as it is.
            if (eintrag.wert.isEmpty() || bisher.value(eintrag.schluessel.toCaseFolded()) == eintrag.wert)
                continue;
            bisher.insert(eintrag.schluessel.toCaseFolded(), eintrag.wert);
            const TErgebnis ergebnis = m_vennlok->AdresseSpeichern(name, eintrag.schluessel, eintrag.wert, heute);
            if (ergebnis.gebucht()) {
                ++gespeichert;
            } else if (ergebnis.abgelehnt()) {
                abgelehnt.append(ergebnis.meldung);
                if (!berichtigen)
                    berichtigen = feld;
            }
        }
        if (abgelehnt.isEmpty())
            transaktion.Festschreiben();
    } catch (const VennlokFehler &fehler) {
        status(QStringLiteral("Adresse von %1 nicht gespeichert").arg(name));
        m_benutzer->Meldung(this, fehler.text());
        return;
    }
    const QString wer = m_vennlok->Anzeigename(name).isEmpty() ? name : m_vennlok->Anzeigename(name);
    if (!abgelehnt.isEmpty()) {
        // The form keeps what was typed, unsaved, with the first refused item to correct.
        status(QStringLiteral("Adresse von %1 nicht gespeichert: %2").arg(wer, abgelehnt.first()));
        if (berichtigen)
            berichtigen->setFocus();
        m_benutzer->Meldung(this, abgelehnt.join(QLatin1Char('\n'))
                                      + QStringLiteral("\n\nEs wurde nichts von der Adresse gespeichert; bitte berichtigen "
                                                       "und noch einmal speichern."));
        return;
    }
    // The form shows what is stored now (an IBAN without its blanks).
    adresseZeigen(name);
    status(gespeichert == 0   ? QStringLiteral("Adresse von %1: nichts geändert").arg(wer)
           : gespeichert == 1 ? QStringLiteral("Adresse von %1 gespeichert (1 Eintrag)").arg(wer)
                              : QStringLiteral("Adresse von %1 gespeichert (%2 Einträge)").arg(wer).arg(gespeichert));
}

void TVenBuchungForm::BtnNeuTeilhaberClick()
{
    m_cbTeilhaber->setEditText(QString());
    initMemos();
    m_memAdresse->document()->setModified(false);
    m_labAdresse->setText(QStringLiteral("Adresse"));
    m_cbTeilhaber->setFocus();
}

void TVenBuchungForm::teilhaberListe(bool nurOffene)
{
    m_vennlok->TeilhaberListeSchreiben(nurOffene);
    starten(QStringLiteral("start TeilhaberListe.txt"));
    status(nurOffene ? QStringLiteral("Liste der Teilhaber mit offenem Beitrag geschrieben: TeilhaberListe.txt")
                     : QStringLiteral("Liste aller Teilhaber geschrieben: TeilhaberListe.txt"));
}

void TVenBuchungForm::BtnTeilListeClick()
{
    teilhaberListe(false);
}

void TVenBuchungForm::BtnTeilListeOffenClick()
{
    teilhaberListe(true);
}

// --- Einzahlungen page -------------------------------------------------------

void TVenBuchungForm::BtnEinzahlenClick()
{
    const QString name = m_cbEinTeilhaber->currentText().trimmed();
    const MonthKey monat = m_vennlok->Buchungsmonat();
    QString meldung;
    if (name.size() < 4) {
        meldung = QStringLiteral("Buchung war nicht möglich: der Name braucht mindestens 4 Zeichen.");
    } else if (bekannt(name) || m_benutzer->Frage(this, QStringLiteral("unbekannter Teilhaber"),
                                                  QStringLiteral("%1 als neuen Teilhaber aufnehmen?").arg(name))) {
        const bool neu = !bekannt(name);
        const TErgebnis ergebnis = m_vennlok->Einzahlung(name, monat, m_vennlok->Parameter().beitrag, Vennlok::Jetzt());
        meldung = ergebnis.meldung;
        if (ergebnis.gebucht()) {
            status(QStringLiteral("Einzahlung %1 für %2 gebucht (%3)")
                       .arg(Anzeigeformat::Kasse(m_vennlok->Parameter().beitrag), m_vennlok->Anzeigename(name), Druckformat::Monat(monat)));
            if (neu)
                teilhaberListenFuellen();
        } else if (meldung.isEmpty()) {
            meldung = QStringLiteral("Buchung war nicht möglich: ") + ergebnis.grund;
        }
    }
    if (!meldung.isEmpty())
        m_benutzer->Meldung(this, meldung);
    m_cbEinTeilhaber->setEditText(QString());
    m_cbEinTeilhaber->setFocus();
    Anzeige();
}

// --- Rechnungen page ---------------------------------------------------------

void TVenBuchungForm::CBRechTeilhaberExit()
{
    initMemoRechnung();
}

std::optional<Money> TVenBuchungForm::rechnungsbetrag()
{
    const QString fehler = Eingabe::BetragFehler(m_edRechBetrag->text());
    m_labRechFehler->setText(fehler);
    m_labRechFehler->setToolTip(fehler);
    return fehler.isEmpty() ? Eingabe::Betrag(m_edRechBetrag->text()) : std::nullopt;
}

void TVenBuchungForm::EdRechBetragChange()
{
    // An empty field is no mistake while typing; the preview never keeps an old value.
    std::optional<Money> betrag;
    if (m_edRechBetrag->text().trimmed().isEmpty())
        m_labRechFehler->clear();
    else
        betrag = rechnungsbetrag();
    if (!betrag || !m_vennlok->Monatsstand().offen) {
        m_labAbsVen->setText(QStringLiteral("\u2013"));
        m_labAbsEigen->setText(QStringLiteral("\u2013"));
        return;
    }
    const auto [sozial, eigen] = m_vennlok->RechnungsAnteile(*betrag);
    m_labAbsVen->setText(Anzeigeformat::Einheitentext(sozial));
    m_labAbsEigen->setText(Anzeigeformat::Einheitentext(eigen));
}

void TVenBuchungForm::BtnRechnungClick()
{
    const auto betrag = rechnungsbetrag();
    if (!betrag) {
        m_edRechBetrag->setFocus();
        return;
    }
    const QString name = teilhaberAusBox(m_cbRechTeilhaber);
    if (name.isEmpty()) {
        m_cbRechTeilhaber->setFocus();
        return;
    }
    const double vorher = m_vennlok->Parameter().sozialanteil;
    const double nachher = m_vennlok->SozialanteilNachRechnung(*betrag);
    const bool senkt = nachher < vorher;
    const bool groesser = m_vennlok->Monatsstand().offen && *betrag > m_vennlok->Monatsstand().kassenstand;
    if (senkt || groesser) {
        QStringList gruende;
        if (groesser)
            gruende << QStringLiteral("Die Rechnung über %1 ist größer als die Kasse (%2).")
                           .arg(Anzeigeformat::Kasse(*betrag), Anzeigeformat::Kasse(m_vennlok->Monatsstand().kassenstand));
        if (senkt)
            gruende << QStringLiteral("Sie senkt den Sozialanteil dieses Monats für alle von %1 auf %2.")
                           .arg(Druckformat::Prozent(vorher), Druckformat::Prozent(nachher));
        if (!m_benutzer->Frage(this, QStringLiteral("Rechnung buchen"),
                               gruende.join(QLatin1Char(' ')) + QStringLiteral(" Trotzdem buchen?")))
            return;
    }
    const TErgebnis ergebnis = m_vennlok->Rechnung(name, *betrag, Vennlok::Jetzt());
    const bool gebucht = ergebnis.gebucht();
    if (!ergebnis.meldung.isEmpty() || !gebucht)
        m_benutzer->Meldung(this, ergebnis.meldung.isEmpty() ? QStringLiteral("Die Rechnung wurde nicht gebucht: ") + ergebnis.grund
                                                             : ergebnis.meldung);
    if (gebucht) {
        status(QStringLiteral("Rechnung %1 für %2 gebucht (%3)")
                   .arg(Anzeigeformat::Kasse(*betrag), m_vennlok->Anzeigename(name), Druckformat::Monat(m_vennlok->Buchungsmonat())));
        m_edRechBetrag->clear();
        m_cbRechTeilhaber->setEditText(QString());
    }
    m_cbRechTeilhaber->setFocus();
    Anzeige();
}

// --- Auszahlungen, Monatsabschluß, Austritt, Neu / Auto -----------------------

void TVenBuchungForm::BtnAuszahlungenClick()
{
    const TErgebnis ergebnis = m_vennlok->AuszahlungenBuchen(m_vennlok->Buchungsmonat());
    status(ergebnis.gebucht() ? QStringLiteral("Die Rechnungen im %1 sind ausgezahlt (%2).")
                                    .arg(Druckformat::Monat(m_vennlok->Buchungsmonat()), Anzeigeformat::Kasse(ergebnis.betrag))
                              : ergebnis.grund);
    Anzeige();
}

void TVenBuchungForm::BtnAuszWegClick()
{
    const MonthKey monat = m_vennlok->Buchungsmonat();
    if (m_benutzer->Frage(this, QStringLiteral("Auszahlungen verwerfen"),
                          QStringLiteral("Alle Auszahlungen im %1 verwerfen? Sie werden aus den Teilhaberdateien "
                                         "und aus der Kasse genommen.").arg(Druckformat::Monat(monat)))) {
        m_vennlok->BuchungenVerwerfen(monat, 2);
        status(QStringLiteral("Die Auszahlungen im %1 sind verworfen.").arg(Druckformat::Monat(monat)));
    }
    Anzeige();
}

void TVenBuchungForm::BtnMonatsendeClick()
{
    const MonthKey monat = m_vennlok->Buchungsmonat();
    if (!m_benutzer->Frage(this, QStringLiteral("Monatsabschluß"), QStringLiteral("Den %1 abschließen?").arg(Druckformat::Monat(monat))))
        return;
    // A month the calendar has not finished yet is closed only when meant.
    const QDate heute = Vennlok::Datum();
    if (monat >= heute.toString(QStringLiteral("yyyyMM"))
        && !m_benutzer->Frage(this, QStringLiteral("Monatsabschluß"),
                              QStringLiteral("Der %1 ist im Kalender noch nicht zu Ende (heute ist der %2). Trotzdem schon "
                                             "jetzt abschließen?")
                                  .arg(Druckformat::Monat(monat), heute.toString(QStringLiteral("dd.MM.yyyy")))))
        return;
    const QStringList offen = m_vennlok->OffeneTeilhaber();
    if (!offen.isEmpty()) {
        QString wer = offen.mid(0, 10).join(QStringLiteral(", "));
        if (offen.size() > 10)
            wer += QStringLiteral(" und %1 weitere").arg(offen.size() - 10);
        if (!m_benutzer->Frage(this, QStringLiteral("Monatsabschluß"),
                               QStringLiteral("Es haben noch nicht alle Teilhaber eingezahlt (%1 offen: %2). "
                                              "Ihr Beitrag wird als Rückstand gebucht. Trotzdem abschließen?")
                                   .arg(offen.size())
                                   .arg(wer)))
            return;
    }
    const DateTime jetzt = Vennlok::Jetzt();
    imHintergrund(
        QStringLiteral("Der %1 wird abgeschlossen …").arg(Druckformat::Monat(monat)), false,
        [this, monat, jetzt] { m_vennlok->Monatsabschluss(monat, true, jetzt); },
        [this, monat](const QString &fehler) {
            if (!fehler.isEmpty()) {
                status(QStringLiteral("Der %1 wurde nicht abgeschlossen.").arg(Druckformat::Monat(monat)));
                m_benutzer->Meldung(this, fehler);
            } else {
                status(QStringLiteral("%1 abgeschlossen; neuer Buchungsmonat %2")
                           .arg(Druckformat::Monat(monat), Druckformat::Monat(m_vennlok->Buchungsmonat())));
                // The report is a document beside the transfers list, not a data file: the close stands without it.
                const QString bericht = QStringLiteral("Monatsbericht%1.pdf").arg(monat);
                const TMonatsbericht zahlen = m_vennlok->Monatsbericht(monat);
                Dokumente::MonatsberichtPdf(zahlen, m_vennlok->PaktName(),
                                            m_vennlok->Pfad(bericht));
                status(Statuszeile() + QStringLiteral("; ") + bericht + QStringLiteral(" geschrieben"));
                sepaMelden(zahlen);
                // Last, so that the archive holds the report and the bank file too.
                try {
                    const QString archiv = m_vennlok->SicherungSchreiben(monat);
                    status(Statuszeile() + QStringLiteral("; %1 geschrieben").arg(QFileInfo(archiv).fileName()));
                } catch (const VennlokFehler &f) {
                    status(Statuszeile() + QStringLiteral("; keine Sicherung geschrieben"));
                    m_benutzer->Meldung(this, QStringLiteral("Der Monat ist abgeschlossen, aber die Sicherung fehlt: ") + f.text());
                }
            }
        });
}

void TVenBuchungForm::BtnTeilAustrittClick()
{
    const QString name = teilhaberAusBox(m_cbTeilAustritt);
    if (name.isEmpty())
        return;
    const Money betrag = m_vennlok->Austrittsbetrag(name);
    const QString wer = m_vennlok->Anzeigename(name);
    if (!m_benutzer->Frage(this, QStringLiteral("Austritt"),
                           QStringLiteral("Den Austritt von %1 buchen? Die Endrechnung zahlt %2 aus; noch nicht "
                                          "ausgezahlte Rechnungen dieses Monats werden dabei ausgezahlt.")
                               .arg(wer, Anzeigeformat::Kasse(betrag))))
        return;
    const TErgebnis ergebnis = m_vennlok->Austritt(name);
    if (!ergebnis.gebucht()) {
        m_benutzer->Meldung(this, ergebnis.meldung);
    } else {
        status(QStringLiteral("Austritt von %1 gebucht, Endrechnung %2 (%3)")
                   .arg(wer, Anzeigeformat::Kasse(ergebnis.betrag), Druckformat::Monat(m_vennlok->Buchungsmonat())));
        m_cbTeilAustritt->setEditText(QString());
        teilhaberListenFuellen();
    }
    Anzeige();
}

void TVenBuchungForm::BtnNeuClick()
{
    m_demokratForm->show();
    m_demokratForm->raise();
    m_demokratForm->activateWindow();
}

void TVenBuchungForm::BtnVertragClick()
{
    BtnNeuClick();
    Anzeige();
}

void TVenBuchungForm::BtnAutoClick()
{
    const QString datei = m_benutzer->AutoDateiWaehlen(this, m_datenverzeichnis);
    if (!datei.isEmpty())
        AutobuchungStarten(datei);
}

void TVenBuchungForm::AutobuchungStarten(const QString &datei)
{
    const QString name = QFileInfo(datei).fileName();
    imHintergrund(
        QStringLiteral("Autobuchung von %1").arg(name), true,
        [this, datei] { m_vennlok->AutoBuchung(datei, 31, m_infoForm.get()); },
        [this, name](const QString &fehler) { autobuchungBeendet(name, fehler); });
}

void TVenBuchungForm::autobuchungBeendet(const QString &datei, const QString &fehler)
{
    const TInfoForm &info = *m_infoForm;
    QStringList text;
    QString kurz;
    if (!fehler.isEmpty())
        kurz = QStringLiteral("Autobuchung von %1 wegen eines Fehlers angehalten").arg(datei);
    else if (info.Abgebrochen())
        kurz = QStringLiteral("Autobuchung von %1 abgebrochen nach Zeile %2 von %3")
                   .arg(datei).arg(info.GesicherteZeile()).arg(info.Zeilenzahl());
    else
        kurz = QStringLiteral("Autobuchung von %1 beendet").arg(datei);
    const QStringList &monate = info.Monate();
    const QString abschluesse = monate.isEmpty() ? QStringLiteral("kein Monat abgeschlossen")
                              : monate.size() == 1 ? QStringLiteral("%1 abgeschlossen").arg(Druckformat::Monat(monate.first()))
                                                   : QStringLiteral("%1 Monate abgeschlossen, %2 bis %3")
                                                         .arg(monate.size())
                                                         .arg(Druckformat::Monat(monate.first()), Druckformat::Monat(monate.last()));
    status(kurz + QStringLiteral("; ") + abschluesse + QLatin1Char('.'));
    text << kurz + QLatin1Char('.') << abschluesse.left(1).toUpper() + abschluesse.mid(1) + QLatin1Char('.');
    if (info.Abgebrochen())
        text << QStringLiteral("Was bis dahin gebucht war, bleibt gebucht.");
    if (!info.Meldungen().isEmpty()) {
        text << QStringLiteral("Abgewiesene oder übergangene Zeilen (%1):").arg(info.Meldungen().size());
        text += info.Meldungen().mid(0, 10);
        if (info.Meldungen().size() > 10)
            text << QStringLiteral("… und %1 weitere im Buchungsprotokoll.").arg(info.Meldungen().size() - 10);
    }
    if (!fehler.isEmpty())
        text << QString() << fehler;
    m_benutzer->Meldung(this, text.join(QLatin1Char('\n')));
}

void TVenBuchungForm::BtnKillMonthClick()
{
    const MonthKey monat = m_vennlok->Buchungsmonat();
    if (monat.isEmpty() || !m_vennlok->Monatsstand().offen) {
        m_benutzer->Meldung(this, QStringLiteral("Es gibt keinen offenen Monat, der verworfen werden könnte."));
        return;
    }
    const QStringList austritte = m_vennlok->AustritteImMonat(monat);
    QString auchAustritte;
    if (austritte.size() == 1)
        auchAustritte = QStringLiteral(" Auch der Austritt von %1 wird zurückgenommen; %1 gehört wieder zum Pakt.")
                            .arg(austritte.first());
    else if (austritte.size() > 1)
        auchAustritte = QStringLiteral(" Auch die Austritte von %1 werden zurückgenommen; sie gehören wieder zum Pakt.")
                            .arg(austritte.join(QStringLiteral(", ")));
    if (!m_benutzer->Frage(this, QStringLiteral("letzten Monat verwerfen"),
                           QStringLiteral("Den %1 verwerfen? Alle seine Einzahlungen, Rechnungen und Auszahlungen "
                                          "werden gelöscht, und der %2 wird wieder geöffnet.%3")
                               .arg(Druckformat::Monat(monat), Druckformat::Monat(Vennlok::MonatDavor(monat)), auchAustritte))) {
        return;
    }
    if (const TErgebnis ergebnis = m_vennlok->MonatVerwerfen(monat); !ergebnis.gebucht())
        m_benutzer->Meldung(this, ergebnis.meldung);
    else
        status(QStringLiteral("%1 verworfen; Buchungsmonat ist wieder der %2")
                   .arg(Druckformat::Monat(monat), Druckformat::Monat(m_vennlok->Buchungsmonat())));
    teilhaberListenFuellen();
    Anzeige();
}

// --- documents ---------------------------------------------------------------

void TVenBuchungForm::dokumentSpeichern(const QString &titel, const QString &vorschlag,
                                        const std::function<void(const QString &, bool)> &schreiben)
{
    const QString datei = m_benutzer->DateiSpeichern(this, titel, QDir(m_datenverzeichnis).filePath(vorschlag),
                                                     QStringLiteral("PDF (*.pdf);;CSV für Tabellenprogramme (*.csv)"));
    if (datei.isEmpty())
        return;
    schreiben(datei, datei.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive));
    status(QStringLiteral("%1 geschrieben: %2").arg(titel, QDir::toNativeSeparators(datei)));
}

void TVenBuchungForm::BtnWasWaereClick()
{
    if (!m_wasWaereForm->isVisible())
        Fensterplatz::Zentrieren(m_wasWaereForm.get(), this);
    m_wasWaereForm->show();
    m_wasWaereForm->raise();
    m_wasWaereForm->activateWindow();
}

void TVenBuchungForm::BtnVerlaufClick()
{
    m_verlaufForm->PaktZeigen();
    m_verlaufForm->show();
    m_verlaufForm->raise();
    m_verlaufForm->activateWindow();
}

void TVenBuchungForm::BtnKontoauszugClick()
{
    const QString name = teilhaberAusBox(m_cbTeilhaber);
    if (name.isEmpty())
        return;
    const TKontoauszug auszug = m_vennlok->Kontoauszug(name);
    dokumentSpeichern(QStringLiteral("Kontoauszug %1").arg(auszug.name), QStringLiteral("Kontoauszug_%1.pdf").arg(name),
                      [&](const QString &datei, bool csv) {
                          csv ? Dokumente::KontoauszugCsv(auszug, datei)
                              : Dokumente::KontoauszugPdf(auszug, m_vennlok->PaktName(), datei);
                      });
}

void TVenBuchungForm::BtnRueckstaendeClick()
{
    const QList<TRueckstand> liste = m_vennlok->Rueckstaende();
    const MonthKey monat = m_vennlok->Buchungsmonat();
    dokumentSpeichern(QStringLiteral("Rückstandsliste"), QStringLiteral("Rueckstaende%1.pdf").arg(monat),
                      [&](const QString &datei, bool csv) {
                          csv ? Dokumente::RueckstaendeCsv(liste, datei)
                              : Dokumente::RueckstaendePdf(liste, monat, m_vennlok->PaktName(), datei);
                      });
}

void TVenBuchungForm::BtnDruckenClick()
{
    std::optional<Dokumente::TDruck> druck;
    switch (AktiveSeite()) {
    case Teilhaber: {
        const QString name = teilhaberAusBox(m_cbTeilhaber);
        if (name.isEmpty())
            return;
        druck = Dokumente::Kontoauszug(m_vennlok->Kontoauszug(name), m_vennlok->PaktName());
        break;
    }
    case Einzahlungen:
        druck = Dokumente::Rueckstaende(m_vennlok->Rueckstaende(), m_vennlok->Buchungsmonat(), m_vennlok->PaktName());
        break;
    case Monatsabschluss: {
        const QList<TMonatsverlauf> verlauf = m_vennlok->Verlauf();
        if (verlauf.isEmpty()) {
            status(QStringLiteral("Noch kein Monat ist abgeschlossen: es gibt keinen Monatsbericht zu drucken."));
            return;
        }
        druck = Dokumente::Monatsbericht(m_vennlok->Monatsbericht(verlauf.last().monat), m_vennlok->PaktName());
        break;
    }
    default:
        status(QStringLiteral("Auf dieser Seite gibt es nichts zu drucken. Strg+P druckt den Kontoauszug (Teilhaber), die "
                              "Rückstandsliste (Einzahlungen), den Monatsbericht (Monatsabschluß) und im Verlauf (Strg+H) "
                              "die Diagramme."));
        return;
    }
    status(m_benutzer->Drucken(this, *druck) ? QStringLiteral("%1 gedruckt").arg(druck->titel)
                                              : QStringLiteral("%1 nicht gedruckt").arg(druck->titel));
}

// --- bank transfers ------------------------------------------------------------

void TVenBuchungForm::sepaMelden(const TMonatsbericht &bericht)
{
    const QString datei = QStringLiteral("Ueberweisungen%1.xml").arg(bericht.monat);
    if (m_vennlok->DokumentVorhanden(datei))
        status(Statuszeile() + QStringLiteral("; ") + datei + QStringLiteral(" geschrieben"));
    else if (!bericht.paktKonto && !bericht.ueberweisungen.isEmpty())
        status(Statuszeile() + QStringLiteral("; keine SEPA-Datei: das Konto des Pakts fehlt"));
    ohneIbanMelden(bericht.ohneIban);
}

void TVenBuchungForm::ohneIbanMelden(const QStringList &ohne)
{
    if (!ohne.isEmpty())
        m_benutzer->Meldung(this, QStringLiteral("Ohne gültige IBAN, nicht in der SEPA-Datei (bitte von Hand überweisen): %1")
                                      .arg(ohne.join(QStringLiteral(", "))));
}

void TVenBuchungForm::BtnSepaClick()
{
    const QList<TMonatsverlauf> verlauf = m_vennlok->Verlauf();
    const QString monat = m_benutzer->Eingabe(this, QStringLiteral("SEPA-Datei"),
                                              QStringLiteral("Für welchen abgeschlossenen Monat (JJJJMM)?"),
                                              verlauf.isEmpty() ? QString() : verlauf.last().monat).trimmed();
    if (monat.isEmpty())
        return;
    const QDate ausfuehrung = Vennlok::NaechsterBankarbeitstag(Vennlok::Datum());
    const TBankdatei datei = m_vennlok->Bankdatei(TBankdatei::Ueberweisungen, monat, ausfuehrung, true);
    status(QStringLiteral("%1 geschrieben, auszuführen am %2").arg(datei.name, ausfuehrung.toString(QStringLiteral("dd.MM.yyyy"))));
    ohneIbanMelden(datei.ohne);
}

// --- the bank ----------------------------------------------------------------------

void TVenBuchungForm::BtnKontoauszugEinlesenClick()
{
    const QString datei = m_benutzer->DateiOeffnen(this, QStringLiteral("Kontoauszug einlesen"), m_datenverzeichnis,
                                                   QStringLiteral("Kontoauszug camt.053 (*.xml);;Alle Dateien (*)"));
    if (datei.isEmpty())
        return;
    const TKontoabgleich abgleich = m_vennlok->KontoauszugLesen(datei);
    TKontoauszugForm form(abgleich, m_vennlok->Teilhabernamen(), this);
    Fensterplatz::Zentrieren(&form, this);
    if (!m_benutzer->Dialog(&form)) {
        status(QStringLiteral("Kontoauszug %1 nicht gebucht").arg(abgleich.datei));
        return;
    }
    TErgebnis ergebnis;
    try {
        ergebnis = m_vennlok->KontoauszugBuchen(abgleich, form.Auswahl());
    } catch (const VennlokFehler &fehler) {
        // Nothing of the statement is booked then (unless the booking is only waiting to be carried out).
        status(QStringLiteral("Kontoauszug %1 nicht gebucht").arg(abgleich.datei));
        m_benutzer->Meldung(this, fehler.text());
        return;
    }
    teilhaberListenFuellen();
    Anzeige();
    const QString zeile = ergebnis.gebucht() ? ergebnis.meldung.section(QLatin1Char('\n'), 0, 0) : ergebnis.grund;
    status(ergebnis.abgelehnt() ? QStringLiteral("Kontoauszug %1: nichts gebucht").arg(abgleich.datei) : zeile);
    // What was refused is named, each with its reason.
    if (ergebnis.abgelehnt() || ergebnis.meldung.contains(QLatin1Char('\n')))
        m_benutzer->Meldung(this, ergebnis.meldung);
}

void TVenBuchungForm::BtnLastschriftenClick()
{
    const QDate faellig = Vennlok::NaechsterBankarbeitstag(Vennlok::Datum());
    const TBankdatei datei = m_vennlok->Bankdatei(TBankdatei::Lastschriften, m_vennlok->Buchungsmonat(), faellig, true);
    status(QStringLiteral("%1 geschrieben: %2 Lastschrift(en) über %3\u00A0€, fällig am %4")
               .arg(datei.name).arg(datei.anzahl)
               .arg(Druckformat::Betrag(datei.summe), faellig.toString(QStringLiteral("dd.MM.yyyy"))));
    if (!datei.ohne.isEmpty())
        m_benutzer->Meldung(this, QStringLiteral("Ohne vollständiges Mandat (IBAN, Mandatsreferenz, Mandatsdatum) nicht in der "
                                                 "Datei: %1").arg(datei.ohne.join(QStringLiteral(", "))));
}

void TVenBuchungForm::postenZeigen(QComboBox *box, QListWidget *liste, bool einzahlung)
{
    liste->clear();
    if (!m_vennlok || Beschaeftigt())
        return;
    for (const TBuchungsposten &p : m_vennlok->Posten(box->currentText().trimmed()))
        if (p.einzahlung == einzahlung) {
            auto *eintrag = new QListWidgetItem(QStringLiteral("%1. %2\u00A0€ am %3")
                                                    .arg(p.nr)
                                                    .arg(Druckformat::Betrag(p.betrag), p.tag.toString(QStringLiteral("dd.MM.yyyy"))),
                                                liste);
            eintrag->setData(Qt::UserRole, p.nr);
        }
}

void TVenBuchungForm::stornieren(QComboBox *box, QListWidget *liste, bool einzahlung)
{
    const QString name = m_vennlok->TeilhaberName(box->currentText().trimmed());
    QListWidgetItem *gewaehlt = liste->currentItem();
    if (name.isEmpty() || !gewaehlt) {
        m_benutzer->Meldung(this, einzahlung ? QStringLiteral("Bitte einen Teilhaber und eine seiner Einzahlungen wählen.")
                                             : QStringLiteral("Bitte einen Teilhaber und eine seiner Rechnungen wählen."));
        return;
    }
    const QString was = einzahlung ? QStringLiteral("Einzahlung") : QStringLiteral("Rechnung");
    if (!m_benutzer->Frage(this, QStringLiteral("%1 stornieren").arg(was),
                           QStringLiteral("Die %1 %2 von %3 stornieren? Sie wird aus der Teilhaberdatei und der Kasse "
                                          "genommen, als wäre sie nie gebucht worden.")
                               .arg(was, gewaehlt->text(), name)))
        return;
    const TErgebnis ergebnis = m_vennlok->Storno(einzahlung, name, gewaehlt->data(Qt::UserRole).toInt());
    if (!ergebnis.gebucht()) {
        m_benutzer->Meldung(this, ergebnis.meldung);
        return;
    }
    Anzeige();
    postenZeigen(box, liste, einzahlung);
    status(QStringLiteral("%1 von %2 über %3\u00A0€ storniert").arg(was, m_vennlok->Anzeigename(name), Druckformat::Betrag(ergebnis.betrag)));
}

void TVenBuchungForm::BtnEinStornoClick()
{
    stornieren(m_cbEinTeilhaber, m_lstEinBuchungen, true);
}

void TVenBuchungForm::BtnRechStornoClick()
{
    stornieren(m_cbRechTeilhaber, m_lstRechBuchungen, false);
}

// --- data directory --------------------------------------------------------------

void TVenBuchungForm::BtnVerzeichnisClick()
{
    const QString ordner = m_benutzer->OrdnerWaehlen(this, QStringLiteral("Datenverzeichnis wählen"), m_datenverzeichnis);
    if (!ordner.isEmpty() && QDir(ordner) != QDir(m_datenverzeichnis))
        emit verzeichnisWechseln(ordner, QString());
}

void TVenBuchungForm::BtnDemoClick()
{
    const QString demo = programmDatei(QStringLiteral("demo.aut"));
    if (!m_vennlok->DokumentVorhanden(demo)) {
        m_benutzer->Meldung(this, QStringLiteral("Der Demo-Pakt fehlt: \u201E%1\u201C gibt es nicht.").arg(QDir::toNativeSeparators(demo)));
        return;
    }
    // A fresh folder beside the documents, never one that holds something.
    emit verzeichnisWechseln(Vennlok::FreiesVerzeichnis(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                                                         + QStringLiteral("/Vennlok-Demo")),
                             demo);
}
