#include "ui/venbuchungform.h"

#include "algo/fehler.h"
#include "algo/formeln.h"
#include "algo/runden.h"
#include "data/monatkey.h"
#include "data/textformat.h"
#include "data/uhr.h"
#include "engine/vennlok.h"
#include "ui/anzeigeformat.h"
#include "ui/benutzer.h"
#include "ui/demokratform.h"
#include "ui/infoform.h"
#include "ui/tastenvorschau.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
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
                             QStringLiteral("Seite_Neu__Auto"), QStringLiteral("Inhalt")};

const QStringList AdressVorlage{QStringLiteral("Name=;"), QStringLiteral("Land=;"), QStringLiteral("PLZ=;"),
                                QStringLiteral("Stadt=;"), QStringLiteral("Straße=;"), QStringLiteral("No.=;"),
                                QStringLiteral("Tel.=;"), QStringLiteral("Fax.=;"), QStringLiteral("eMail=;"),
                                QStringLiteral("Akten=;")};
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
    edit->setReadOnly(true);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, edit->palette().color(QPalette::Disabled, QPalette::Window));
    edit->setPalette(p);
}

QString einheitenText(Money betrag)
{
    return Textformat::moneyZuText(betrag);
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
    for (int i = 0; i < seiten.size(); ++i) {
        seiten[i]->setObjectName(SeitenNamen[i]);
        m_seiten->addWidget(seiten[i]);
        auto *knopf = new QPushButton(SeitenTitel[i], reiterLeiste);
        knopf->setObjectName(SeitenNamen[i] + QStringLiteral("Reiter"));
        knopf->setCheckable(true);
        knopf->setFixedWidth(150);
        knopf->setFocusPolicy(Qt::NoFocus);
        m_reiter->addButton(knopf, i);
        reiterRaster->addWidget(knopf, i / 4, i % 4);
    }
    connect(m_reiter, &QButtonGroup::idClicked, this, [this](int id) {
        m_seiten->setCurrentIndex(id);
        sicher([this] { PageControl1Change(); });
    });
    spalte->addWidget(reiterLeiste);
    spalte->addWidget(m_seiten, 1);
    spalte->addWidget(statusPanel());
    setCentralWidget(panel);

    setWindowTitle(QStringLiteral("Vennlok Buchungsprogramm "));

    QStringList namen;
    TVennlok::TeilhaberNamen(datenverzeichnis, namen);
    for (QComboBox *box : {m_cbEinTeilhaber, m_cbAusTeilhaber, m_cbTeilAustritt, m_cbTeilhaber, m_cbRechTeilhaber})
        box->addItems(namen);
    for (QComboBox *box : {m_cbEinTeilhaber, m_cbAusTeilhaber, m_cbTeilAustritt, m_cbTeilhaber, m_cbRechTeilhaber})
        box->setCurrentIndex(-1);

    m_vennlok = std::make_unique<TVennlok>(datenverzeichnis);
    m_infoForm = std::make_unique<TInfoForm>(this);
    m_demokratForm = std::make_unique<TDemokratForm>(*m_vennlok, *m_benutzer, this);
    if (m_vennlok->PaktVorhanden())
        m_vennlok->Oeffnen();
    Anzeige();
    SeiteWaehlen(m_vennlok->PaktVorhanden() ? Einzahlungen : NeuAuto);
    m_cbAusTeilhaber->setEnabled(false);
    m_edAusBetrag->setEnabled(false);
    findChild<QPushButton *>(QStringLiteral("BtnAuszahlung"))->setEnabled(false);

    new TTastenVorschau(this, [this](QKeyEvent *taste) {
        if (taste->key() == Qt::Key_Return && AktiveSeite() == Einzahlungen)
            sicher([this] { BtnEinzahlenClick(); });
        else if (taste->key() == Qt::Key_Return && AktiveSeite() == Austritt)
            sicher([this] { BtnTeilAustrittClick(); });
        else if (taste->key() == Qt::Key_Q && (taste->modifiers() & Qt::ControlModifier))
            BtnCloseClick();
    });

    setFixedSize(sizeHint().expandedTo(QSize(640, 470)));
}

TVenBuchungForm::~TVenBuchungForm()
{
    if (m_vennlok)
        m_vennlok->FensterSkriptLoeschen();
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
    links->addWidget(speichern);
    links->addWidget(neu);
    links->addWidget(liste);
    links->addStretch();
    zeile->addLayout(links);
    auto *teiler = new QSplitter(Qt::Vertical, seite);
    m_memAdresse = benannt(new QPlainTextEdit(QStringLiteral("MemAdresse"), teiler), QStringLiteral("MemAdresse"));
    m_memVertreter = benannt(new QPlainTextEdit(QStringLiteral("MemVertreter"), teiler), QStringLiteral("MemVertreter"));
    for (QPlainTextEdit *memo : {m_memAdresse, m_memVertreter}) {
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        memo->setMinimumHeight(20);
    }
    teiler->addWidget(m_memAdresse);
    teiler->addWidget(m_memVertreter);
    teiler->setChildrenCollapsible(false);
    teiler->setSizes({180, 120});
    zeile->addWidget(teiler, 1);
    return seite;
}

QWidget *TVenBuchungForm::seiteEinzahlungen()
{
    auto *seite = new QWidget;
    auto *raster = new QGridLayout(seite);
    raster->addWidget(new QLabel(QStringLiteral("Teilhaber"), seite), 0, 0);
    raster->addWidget(new QLabel(QStringLiteral("Betrag"), seite), 0, 1);
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
    raster->addWidget(alle, 2, 0);
    raster->addWidget(offen, 2, 1);
    raster->setRowStretch(3, 1);
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
    m_edRechBetrag = benannt(new QLineEdit(seite), QStringLiteral("EdRechBetrag"));
    connect(m_edRechBetrag, &QLineEdit::textChanged, this, [this] { sicher([this] { EdRechBetragChange(); }); });
    links->addWidget(m_edRechBetrag, 1, 0);
    links->addWidget(new QLabel(QStringLiteral("Euro"), seite), 1, 1);
    auto *buchen = knopf(seite, QStringLiteral("BtnRechnung"), QStringLiteral("Rechnung buchen"), &TVenBuchungForm::BtnRechnungClick);
    links->addWidget(buchen, 2, 0, 1, 2);
    links->setRowStretch(3, 1);
    links->addWidget(new QLabel(QStringLiteral("Sozialanteil"), seite), 4, 0);
    m_labAbsVen = wert(QStringLiteral("LabAbsVen"), seite);
    links->addWidget(m_labAbsVen, 4, 1);
    links->addWidget(new QLabel(QStringLiteral("Eigenanteil"), seite), 5, 0);
    m_labAbsEigen = wert(QStringLiteral("LabAbsEigen"), seite);
    links->addWidget(m_labAbsEigen, 5, 1);
    zeile->addLayout(links);
    m_memRechnung = benannt(new QPlainTextEdit(QStringLiteral("MemRechnung"), seite), QStringLiteral("MemRechnung"));
    m_memRechnung->setLineWrapMode(QPlainTextEdit::NoWrap);
    zeile->addWidget(m_memRechnung, 1);
    return seite;
}

QWidget *TVenBuchungForm::seiteAuszahlungen()
{
    auto *seite = new QWidget;
    auto *raster = new QGridLayout(seite);
    raster->addWidget(new QLabel(QStringLiteral("Sozialanteil %"), seite), 0, 0);
    m_labSozialanteil = wert(QStringLiteral("LabSozialanteil"), seite);
    raster->addWidget(m_labSozialanteil, 0, 1);
    raster->addWidget(new QLabel(QStringLiteral("Eigenanteil %"), seite), 0, 2);
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
    raster->addWidget(auszahlen, 5, 0, 1, 2);
    raster->addWidget(weg, 5, 2, 1, 2);
    raster->setRowStretch(6, 1);
    return seite;
}

QWidget *TVenBuchungForm::seiteMonatsabschluss()
{
    auto *seite = new QWidget;
    auto *spalte = new QVBoxLayout(seite);
    auto *abschliessen = knopf(seite, QStringLiteral("Button2"), QStringLiteral("Monat abschließen"), &TVenBuchungForm::BtnMonatsendeClick);
    abschliessen->setMinimumHeight(40);
    spalte->addWidget(abschliessen);
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
    return seite;
}

QWidget *TVenBuchungForm::seiteNeuAuto()
{
    auto *seite = new QWidget;
    auto *raster = new QGridLayout(seite);
    m_btnNeu = knopf(seite, QStringLiteral("BtnNeu"), QStringLiteral("Pakt anlegen"), &TVenBuchungForm::BtnNeuClick);
    auto *auto_ = knopf(seite, QStringLiteral("BtnAuto"), QStringLiteral("Autobuchung"), &TVenBuchungForm::BtnAutoClick);
    m_btnVertrag = knopf(seite, QStringLiteral("BtnVertrag"), QStringLiteral("Ergänzungsvertrag eintragen"), &TVenBuchungForm::BtnVertragClick);
    auto *kill = knopf(seite, QStringLiteral("BtnKillMonth"), QStringLiteral("letzten Monat verwerfen"), &TVenBuchungForm::BtnKillMonthClick);
    auto *start = knopf(seite, QStringLiteral("BtnStartvertrag"), QStringLiteral("Doku Startvertrag"), &TVenBuchungForm::BtnStartvertragClick);
    auto *erg = knopf(seite, QStringLiteral("BtnErgVertrag"), QStringLiteral("Doku Ergänzungsvertrag"), &TVenBuchungForm::BtnErgVertragClick);
    raster->addWidget(m_btnNeu, 0, 0);
    raster->addWidget(auto_, 0, 1);
    raster->addWidget(m_btnVertrag, 1, 0);
    raster->addWidget(kill, 1, 1);
    raster->addWidget(linie(seite), 2, 0, 1, 2);
    raster->addWidget(start, 3, 0);
    raster->addWidget(erg, 3, 1);
    raster->setRowStretch(4, 1);
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
    spalte->addStretch();
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
    raster->addWidget(new QLabel(QStringLiteral("Sozialanteil %"), panel), 1, 3);
    m_labSozialant = wert(QStringLiteral("LabSozialant"), panel);
    raster->addWidget(m_labSozialant, 1, 4);
    auto *ende = benannt(new QPushButton(QStringLiteral("Programmende [Ctrl][Q]"), panel), QStringLiteral("Button3"));
    auto *hilfe = knopf(panel, QStringLiteral("BtnHelp"), QStringLiteral("Dokumentation / Hilfe"), &TVenBuchungForm::BtnHelpClick);
    for (QPushButton *k : {ende, hilfe}) {
        k->setAutoDefault(false);
        k->setFocusPolicy(Qt::NoFocus);
    }
    connect(ende, &QPushButton::clicked, this, [this] { BtnCloseClick(); });
    raster->addWidget(ende, 2, 0, 1, 2);
    raster->addWidget(hilfe, 2, 3, 1, 2);
    raster->setColumnStretch(4, 1);
    return panel;
}

// --- frame -----------------------------------------------------------------

void TVenBuchungForm::sicher(const std::function<void()> &handler)
{
    if (m_imHandler)
        return; // a question box of a running handler must not start another
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
    if (!m_vennlok->PaktVorhanden())
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
    if (!m_vennlok)
        return;
    TVennlok &v = *m_vennlok;
    // Without a pact (or an open month) there are no figures: a dash, never the missing-value sentinel.
    const bool offen = v.PaktVorhanden() && v.KasseOffen();
    const QString strich = QStringLiteral("\u2013");
    m_labEinBuchungen->setText(offen ? QString::number(v.AnzahlEingangsbuchungen()) : strich);
    m_labAusBuchungen->setText(offen ? QString::number(v.AnzahlAusgangsbuchungen()) : strich);
    m_labKassenbestand->setText(offen ? Anzeigeformat::Kasse(v.Kassenstand()) : strich);
    m_labSozialant->setText(offen ? Anzeigeformat::Anteil(v.Sozialanteil()) : strich);
    m_labSozialanteil->setText(offen ? Anzeigeformat::Anteil(v.Sozialanteil()) : strich);
    m_labEigenanteil->setText(offen ? Anzeigeformat::Anteil(1 - v.Sozialanteil()) : strich);
    m_edBuchMonat->setText(v.Buchungsmonat());
    m_edEinBetrag->setText(einheitenText(v.Beitrag()));
    m_btnNeu->setEnabled(!v.PaktVorhanden());
    m_btnVertrag->setEnabled(v.PaktVorhanden());
}

void TVenBuchungForm::changeEvent(QEvent *ereignis)
{
    QMainWindow::changeEvent(ereignis);
    if (ereignis->type() == QEvent::ActivationChange && isActiveWindow() && m_vennlok && !m_imHandler) {
        PageControl1Change();
        Anzeige();
    }
}

void TVenBuchungForm::closeEvent(QCloseEvent *ereignis)
{
    if (m_vennlok)
        m_vennlok->FensterSkriptLoeschen();
    m_demokratForm->close();
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

void TVenBuchungForm::BtnHelpClick()
{
    QString verzeichnis = QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    if (verzeichnis.startsWith(QLatin1Char('/')))
        verzeichnis.remove(0, 1); // "file:///" already carries the root
    starten(QStringLiteral("start C:\\mozilla\\mozilla.exe file:///") + verzeichnis + QStringLiteral("VennlokDoku.html#")
            + HilfeAnker[AktiveSeite()]);
}

void TVenBuchungForm::BtnStartvertragClick()
{
    starten(QStringLiteral("start Startvertrag.html"));
}

void TVenBuchungForm::BtnErgVertragClick()
{
    starten(QStringLiteral("start Ergaenzungsvertrag.html"));
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
    m_memAdresse->setPlainText(AdressVorlage.join(QLatin1Char('\n')));
    m_memVertreter->setPlainText(VertreterVorlage.join(QLatin1Char('\n')));
}

void TVenBuchungForm::initMemoRechnung()
{
    m_memRechnung->setPlainText(RechnungVorlage.join(QLatin1Char('\n')));
}

bool TVenBuchungForm::bekannt(const QString &name) const
{
    // Payments and the address page find a member under the typed or the folded name.
    return m_vennlok->TeilhaberVorhanden(name) || m_vennlok->TeilhaberVorhanden(NameFuerDatei(name));
}

void TVenBuchungForm::CBTeilhaberExit()
{
    const QString name = m_cbTeilhaber->currentText().trimmed();
    if (name.isEmpty())
        return;
    // A typo must not make a new member: a name without a file is admitted only on Yes.
    if (!bekannt(name)
        && !m_benutzer->Frage(this, QStringLiteral("unbekannter Teilhaber"), QStringLiteral("Diesen Teilhaber aufnehmen?"))) {
        m_cbTeilhaber->setEditText(QString());
        return;
    }
    QString meldung;
    if (!m_vennlok->TeilhaberOeffnen(name, &meldung)) {
        if (!meldung.isEmpty())
            m_benutzer->Meldung(this, meldung);
        return;
    }
    initMemos();
    m_memAdresse->setPlainText(Anzeigeformat::MemoFuellen(AdressVorlage, m_vennlok->Adressen(), [this](const QString &key) {
                                   QString wert;
                                   m_vennlok->AdressWert(key, wert);
                                   return wert;
                               }).join(QLatin1Char('\n')));
    m_vennlok->TeilhaberSchliessen();
    m_memAdresse->setFocus();
}

void TVenBuchungForm::BtnSpeichernClick()
{
    QString meldung;
    if (!m_vennlok->TeilhaberOeffnen(m_cbTeilhaber->currentText().trimmed(), &meldung)) {
        if (!meldung.isEmpty())
            m_benutzer->Meldung(this, meldung);
        return;
    }
    const QString heute = DatumText(Uhr::Jetzt());
    QStringList abgelehnt;
    for (const QString &zeile : m_memAdresse->toPlainText().split(QLatin1Char('\n'))) {
        const auto eintrag = Anzeigeformat::MemoZeile(zeile);
        if (!eintrag || eintrag->wert.isEmpty())
            continue;
        QString fehler;
        if (!m_vennlok->AdresseSpeichern(eintrag->schluessel, eintrag->wert, heute, &fehler))
            abgelehnt.append(fehler);
    }
    m_vennlok->TeilhaberSchliessen();
    if (!abgelehnt.isEmpty())
        m_benutzer->Meldung(this, abgelehnt.join(QLatin1Char('\n')));
}

void TVenBuchungForm::BtnNeuTeilhaberClick()
{
    m_cbTeilhaber->setEditText(QString());
    initMemos();
}

void TVenBuchungForm::teilhaberListe(bool nurOffene)
{
    m_vennlok->TeilhaberListeSchreiben(nurOffene);
    starten(QStringLiteral("start TeilhaberListe.txt"));
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
    QString meldung = QStringLiteral("Buchung war nicht möglich");
    const QString name = m_cbEinTeilhaber->currentText().trimmed();
    if (name.size() >= 4
        && (bekannt(name)
            || m_benutzer->Frage(this, QStringLiteral("unbekannter Teilhaber"), QStringLiteral("Diesen Teilhaber aufnehmen?"))))
        meldung = m_vennlok->Einzahlung(name, m_vennlok->Buchungsmonat(), m_vennlok->Beitrag(), Uhr::Jetzt());
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

void TVenBuchungForm::EdRechBetragChange()
{
    const auto betrag = Anzeigeformat::Betrag(m_edRechBetrag->text());
    if (!betrag)
        return;
    const Money satz = R4(m_vennlok->Sozialanteil());
    m_labAbsVen->setText(einheitenText(SozialanteilBetrag(*betrag, satz)));
    m_labAbsEigen->setText(einheitenText(EigenanteilBetrag(*betrag, satz)));
}

void TVenBuchungForm::BtnRechnungClick()
{
    const QString name = m_cbRechTeilhaber->currentText().trimmed();
    const auto betrag = Anzeigeformat::Betrag(m_edRechBetrag->text());
    if (!m_vennlok->TeilhaberVorhanden(name)) {
        m_benutzer->Meldung(this, QStringLiteral("Dieser Teilhaber existiert nicht."));
    } else if (betrag) {
        const QString meldung = m_vennlok->Rechnung(name, *betrag, Uhr::Jetzt());
        if (!meldung.isEmpty())
            m_benutzer->Meldung(this, meldung);
    }
    m_cbRechTeilhaber->setEditText(QString());
    m_cbRechTeilhaber->setFocus();
    Anzeige();
}

// --- Auszahlungen, Monatsabschluß, Austritt, Neu / Auto -----------------------

void TVenBuchungForm::BtnAuszahlungenClick()
{
    m_vennlok->AuszahlungenBuchen(m_vennlok->Buchungsmonat());
    Anzeige();
}

void TVenBuchungForm::BtnAuszWegClick()
{
    const MonthKey monat = m_vennlok->Buchungsmonat();
    if (m_benutzer->Frage(this, QStringLiteral("Auszahlungen verwerfen"),
                          QStringLiteral("Alle Auszahlungen des Monats %1 verwerfen? Sie werden aus den Teilhaberdateien "
                                         "und aus der Kasse genommen.").arg(monat)))
        m_vennlok->BuchungenVerwerfen(monat, 2);
    Anzeige();
}

void TVenBuchungForm::BtnMonatsendeClick()
{
    if (m_benutzer->Frage(this, QStringLiteral("Monatsabschluß"), QStringLiteral("Diesen Monat abschließen?"))
        && m_vennlok->Monatsabschluss(m_vennlok->Buchungsmonat(), false, Uhr::Jetzt())
        && m_benutzer->Frage(this, QStringLiteral("Monatsabschluß"),
                             QStringLiteral("Es haben noch nicht alle Teilhaber eingezahlt, trotzdem abschließen?")))
        m_vennlok->Monatsabschluss(m_vennlok->Buchungsmonat(), true, Uhr::Jetzt());
    Anzeige();
}

void TVenBuchungForm::BtnTeilAustrittClick()
{
    const QString name = m_cbTeilAustritt->currentText().trimmed();
    if (!m_vennlok->TeilhaberVorhanden(name)) {
        m_benutzer->Meldung(this, QStringLiteral("Dieser Teilhaber existiert nicht."));
        return;
    }
    const Money betrag = m_vennlok->Austrittsbetrag(name);
    if (!m_benutzer->Frage(this, QStringLiteral("Austritt"),
                           QStringLiteral("Den Austritt von %1 buchen? Die Endrechnung zahlt %2 aus; noch nicht "
                                          "ausgezahlte Rechnungen dieses Monats werden dabei ausgezahlt.")
                               .arg(name, Anzeigeformat::Kasse(betrag))))
        return;
    const QString meldung = m_vennlok->Austritt(name);
    if (!meldung.isEmpty())
        m_benutzer->Meldung(this, meldung);
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
    if (!datei.isEmpty()) {
        Anzeige();
        repaint();
        try {
            m_vennlok->AutoBuchung(datei, 31, m_infoForm.get());
        } catch (const VennlokFehler &fehler) {
            m_infoForm->hide();
            Anzeige();
            m_benutzer->Meldung(this, fehler.text());
        }
        m_infoForm->hide();
    }
    Anzeige();
}

void TVenBuchungForm::BtnKillMonthClick()
{
    const MonthKey monat = m_vennlok->Buchungsmonat();
    if (monat.isEmpty() || !m_vennlok->KasseOffen()) {
        m_benutzer->Meldung(this, QStringLiteral("Es gibt keinen offenen Monat, der verworfen werden könnte."));
        return;
    }
    if (!m_benutzer->Frage(this, QStringLiteral("letzten Monat verwerfen"),
                           QStringLiteral("Den Monat %1 verwerfen? Alle seine Einzahlungen, Rechnungen und Auszahlungen "
                                          "werden gelöscht, und der Monat %2 wird wieder geöffnet.")
                               .arg(monat, Vormonat(monat)))) {
        return;
    }
    if (!m_vennlok->MonatVerwerfen(monat))
        m_benutzer->Meldung(this, QStringLiteral("Der Monat %1 kann nicht verworfen werden.").arg(monat));
    Anzeige();
}
