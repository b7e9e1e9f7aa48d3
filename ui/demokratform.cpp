#include "ui/demokratform.h"

#include "engine/vennlok.h"
#include "dokumente/anzeigeformat.h"
#include "dokumente/format.h"
#include "ui/benutzer.h"
#include "ui/fensterplatz.h"
#include "ui/tastenvorschau.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QStringList AnwaltVorlage{QStringLiteral("Name=;"), QStringLiteral("Land=;"), QStringLiteral("PLZ=;"),
                                QStringLiteral("Stadt=;"), QStringLiteral("Straße=;"), QStringLiteral("No.=;"),
                                QStringLiteral("Tel.=;"), QStringLiteral("Fax.=;"), QStringLiteral("eMail=;"),
                                QStringLiteral("Kontoinhaber=;"), QStringLiteral("IBAN=;"), QStringLiteral("BIC=;")};

void grau(QLineEdit *edit, bool nurLesen)
{
    edit->setReadOnly(nurLesen);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, nurLesen ? edit->palette().color(QPalette::Disabled, QPalette::Window)
                                        : QApplication::palette().color(QPalette::Base));
    edit->setPalette(p);
}

// Whether the typed account differs from the stored one, as it would be stored.

} // namespace

TDemokratForm::TDemokratForm(TVennlok &vennlok, TBenutzer &benutzer, QWidget *hauptfenster)
    : QWidget(nullptr, Qt::Window), m_vennlok(vennlok), m_benutzer(benutzer), m_hauptfenster(hauptfenster)
{
    setObjectName(QStringLiteral("DemokratForm"));
    setWindowTitle(QStringLiteral("demokratische Anpassung"));
    auto *raster = new QGridLayout(this);
    const auto neueZeile = [&](int nr, const QString &labelName, const QString &editName) {
        auto *label = new QLabel(QStringLiteral("Label1"), this);
        label->setObjectName(labelName);
        auto *edit = new QLineEdit(this);
        edit->setObjectName(editName);
        raster->addWidget(label, nr, 0);
        raster->addWidget(edit, nr, 1);
        m_labels[nr] = label;
        return edit;
    };
    m_edMon = neueZeile(0, QStringLiteral("LabMon"), QStringLiteral("EdMon"));
    m_edits[0] = neueZeile(1, QStringLiteral("Label1"), QStringLiteral("Edit1"));
    m_edits[1] = neueZeile(2, QStringLiteral("Label2"), QStringLiteral("Edit2"));
    m_edits[2] = neueZeile(3, QStringLiteral("Label3"), QStringLiteral("Edit3"));
    m_edVen = neueZeile(4, QStringLiteral("LbVen"), QStringLiteral("EdVen"));
    m_edits[3] = neueZeile(5, QStringLiteral("Label4"), QStringLiteral("Edit4"));
    m_edits[4] = neueZeile(6, QStringLiteral("Label5"), QStringLiteral("Edit5"));
    m_edits[5] = neueZeile(7, QStringLiteral("Label6"), QStringLiteral("Edit6"));
    // The pact's own account, which the SEPA transfer files pay from.
    const auto kontoZeile = [&](int nr, const QString &text, const QString &name, const QString &tipp) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setToolTip(tipp);
        raster->addWidget(new QLabel(text, this), nr, 0);
        raster->addWidget(edit, nr, 1);
        return edit;
    };
    m_edKontoinhaber = kontoZeile(8, QStringLiteral("Konto des Pakts: Inhaber"), QStringLiteral("EdKontoinhaber"),
                                  QStringLiteral("Kontoinhaber des Paktkontos, von dem die Auszahlungen überwiesen werden"));
    m_edIban = kontoZeile(9, QStringLiteral("IBAN des Pakts"), QStringLiteral("EdIban"), QStringLiteral("Leerzeichen sind erlaubt"));
    m_edBic = kontoZeile(10, QStringLiteral("BIC des Pakts (freiwillig)"), QStringLiteral("EdBic"), QStringLiteral("8 oder 11 Zeichen"));
    m_edGlaeubigerId = kontoZeile(11, QStringLiteral("Gläubiger-ID (für Lastschriften)"), QStringLiteral("EdGlaeubigerId"),
                                  QStringLiteral("Gläubiger-Identifikationsnummer der Bundesbank, z. B. DE98ZZZ09999999999"));
    m_edAnfangssaldo = kontoZeile(12, QStringLiteral("Anfangssaldo des Kontos (€)"), QStringLiteral("EdAnfangssaldo"),
                                  QStringLiteral("Kontostand vor der ersten Buchung des Pakts; daraus ergibt sich der erwartete Kontostand"));
    m_edPaktname = kontoZeile(13, QStringLiteral("Name des Pakts"), QStringLiteral("EdPaktname"),
                              QStringLiteral("So heißt der Pakt auf jedem Dokument; leer: der Name des Datenordners"));
    m_edSicherungsordner = kontoZeile(14, QStringLiteral("Ordner für Sicherungen"), QStringLiteral("EdSicherungsordner"),
                                      QStringLiteral("Wohin jeder Monatsabschluss sein Archiv schreibt, am besten auf einer anderen "
                                                     "Platte; leer: der Ordner \"Sicherungen\" im Datenordner"));
    m_memAdresse = new QPlainTextEdit(this);
    m_memAdresse->setObjectName(QStringLiteral("MemAdresse"));
    m_memAdresse->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memAdresse->setToolTip(QStringLiteral("Adresse des Treuhänders, je Zeile Eintrag=Wert"));
    raster->addWidget(new QLabel(QStringLiteral("Adresse des Treuhänders"), this), 15, 0, 1, 2);
    raster->addWidget(m_memAdresse, 16, 0, 1, 2);
    raster->setRowStretch(16, 1);
    raster->setColumnStretch(1, 1);
    m_btnDataOK = new QPushButton(QStringLiteral("neue Daten übernehmen (Strg+W)"), this);
    m_btnDataOK->setObjectName(QStringLiteral("BtnDataOK"));
    raster->addWidget(m_btnDataOK, 17, 0, 1, 2);
    connect(m_btnDataOK, &QPushButton::clicked, this, &TDemokratForm::BtnDataOKClick);

    // Down the form as it reads; the start month is never typed.
    m_edMon->setFocusPolicy(Qt::NoFocus);
    m_memAdresse->setTabChangesFocus(true);
    QWidget *reihenfolge[] = {m_edits[0], m_edits[1], m_edits[2], m_edVen,  m_edits[3],   m_edits[4],
                              m_edits[5], m_edKontoinhaber, m_edIban, m_edBic, m_edGlaeubigerId, m_edAnfangssaldo,
                              m_edPaktname, m_edSicherungsordner, m_memAdresse, m_btnDataOK};
    for (int i = 0; i + 1 < int(std::size(reihenfolge)); ++i)
        setTabOrder(reihenfolge[i], reihenfolge[i + 1]);

    new TTastenVorschau(this, [this](QKeyEvent *taste) {
        if (taste->key() == Qt::Key_Escape)
            close();
        else if (taste->key() == Qt::Key_W && (taste->modifiers() & Qt::ControlModifier))
            BtnDataOKClick();
        else
            return false;
        return true;
    });
    // Coming back from the main window refills the dialog, as the engine may have changed.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *alt, QWidget *neu) {
        if (neu && neu->window() == this && alt && m_hauptfenster && alt->window() == m_hauptfenster)
            FormActivate();
    });
    resize(440, 640);
}

void TDemokratForm::showEvent(QShowEvent *ereignis)
{
    QWidget::showEvent(ereignis);
    if (m_hauptfenster)
        Fensterplatz::Zentrieren(this, m_hauptfenster);
    FormActivate();
}

void TDemokratForm::closeEvent(QCloseEvent *ereignis)
{
    QWidget::closeEvent(ereignis);
    if (m_hauptfenster)
        m_hauptfenster->activateWindow();
}

void TDemokratForm::FormActivate()
{
    const bool start = m_vennlok.PaktVorhanden();
    // The words a treasurer reads; the key of the master data stays as a tooltip.
    const auto zeile = [this](int nr, QLineEdit *edit, const QString &text, const QString &schluessel, const QString &wert) {
        m_labels[nr]->setText(text);
        m_labels[nr]->setToolTip(schluessel);
        edit->setToolTip(schluessel);
        edit->setText(wert);
    };
    zeile(0, m_edMon, start ? QStringLiteral("Monat des Vertrags") : QStringLiteral("Startmonat"),
          QStringLiteral("der laufende Monat; er kann nicht gewählt werden"), Vennlok::LaufenderMonat());
    grau(m_edMon, true);
    zeile(1, m_edits[0], QStringLiteral("Monatsbeitrag (€)"), QStringLiteral("Beitrag"),
          Anzeigeformat::DialogBetrag((m_vennlok.Parameter().beitrag)));
    zeile(2, m_edits[1], QStringLiteral("Gebühr je Einzahlung (€)"), QStringLiteral("HonorarEingangsbuchung"),
          Anzeigeformat::DialogBetrag((m_vennlok.Parameter().honorarEingangsbuchung)));
    zeile(3, m_edits[2], QStringLiteral("Gebühr je Rechnung (€)"), QStringLiteral("HonorarRechnungsbuchung"),
          Anzeigeformat::DialogBetrag((m_vennlok.Parameter().honorarRechnungsbuchung)));
    zeile(4, m_edVen, QStringLiteral("Sozialanteil (0 bis 1)"), QStringLiteral("IntSozialanteil"),
          Anzeigeformat::Dialogwert(m_vennlok.Parameter().sozialanteil));
    grau(m_edVen, start);
    zeile(5, m_edits[3], QStringLiteral("Dämpfung (0 bis 1)"), QStringLiteral("Daempfung"),
          Anzeigeformat::Dialogwert(m_vennlok.Parameter().daempfung));
    zeile(6, m_edits[4], QStringLiteral("Grundsicherung (€)"), QStringLiteral("Grundsicherung"),
          Anzeigeformat::DialogBetrag((m_vennlok.Parameter().grundsicherung)));
    zeile(7, m_edits[5], QStringLiteral("Grenze der virtuellen Summe (€)"), QStringLiteral("LimitVirtSumme"),
          Anzeigeformat::DialogBetrag((m_vennlok.Parameter().limitVirtSumme)));
    const TVennlokDaten::Konto konto = m_vennlok.PaktKonto();
    m_edKontoinhaber->setText(konto.inhaber);
    m_edIban->setText(konto.iban);
    m_edBic->setText(konto.bic);
    m_edGlaeubigerId->setText(konto.glaeubigerId);
    m_edAnfangssaldo->setText(Anzeigeformat::DialogBetrag(konto.anfangssaldo));
    const TVennlok::Paktangaben angaben = m_vennlok.PaktangabenGespeichert();
    m_edPaktname->setText(angaben.name);
    m_edSicherungsordner->setText(QDir::toNativeSeparators(angaben.sicherungsordner));
    m_edPaktname->setPlaceholderText(QFileInfo(m_vennlok.Datenverzeichnis()).fileName());
    m_edSicherungsordner->setPlaceholderText(QDir::toNativeSeparators(m_vennlok.Sicherungsordner()));
    m_memAdresse->setPlainText(Anzeigeformat::MemoFuellen(AnwaltVorlage, m_vennlok.Anwalt()).join(QLatin1Char('\n')));
    m_memAdresse->setFocus();
}

void TDemokratForm::BtnDataOKClick()
{
    // Every field is read before anything is stored; the first that does not read stops it all.
    double werte[7];
    QLineEdit *felder[7] = {m_edits[0], m_edits[1], m_edits[2], m_edVen, m_edits[3], m_edits[4], m_edits[5]};
    for (int i = 0; i < 7; ++i) {
        const auto wert = Eingabe::Zahl(felder[i]->text());
        if (!wert) {
            m_benutzer.Meldung(this, QStringLiteral("%1: '%2' ist kein gültiger Gleitkommawert")
                                         .arg(m_labels[i + 1]->text(), felder[i]->text()));
            felder[i]->setFocus();
            return;
        }
        werte[i] = *wert;
    }
    // The account is checked with the figures, before anything is stored.
    if (const QString fehler = kontoFehler(); !fehler.isEmpty()) {
        m_benutzer.Meldung(this, fehler);
        const TVennlokDaten::Konto konto = kontoAusFeldern();
        (konto.inhaber.isEmpty()                                   ? m_edKontoinhaber
         : !Eingabe::BetragFehler(m_edAnfangssaldo->text()).isEmpty() ? m_edAnfangssaldo
                                                                   : m_edIban)
            ->setFocus();
        return;
    }
    // So are the trustee's bank details.
    for (const Anzeigeformat::Eintrag &eintrag : Anzeigeformat::MemoEintraege(m_memAdresse->toPlainText())) {
        if (const QString fehler = Vennlok::AnwaltFehler(eintrag.schluessel, eintrag.wert); !fehler.isEmpty()) {
            m_benutzer.Meldung(this, fehler);
            m_memAdresse->setFocus();
            return;
        }
    }
    const auto betrag = [&](int i) { return Eingabe::Betrag(felder[i]->text()).value_or(0); };
    const Money beitrag = betrag(0), ein = betrag(1), rech = betrag(2);
    const double daempfung = werte[4];
    const Money grund = betrag(5), limit = betrag(6);
    // The contract, the pact's account and the trustee's lines as the
    // operator confirmed them: one transaction, stored whole or not at all.
    // Returns what to report in the status line; empty when nothing was stored.
    const auto speichern = [&]() -> QString {
        TTransaktion transaktion(m_vennlok);
        QString gemeldet;
        if (!m_vennlok.PaktVorhanden()) {
            if (!m_benutzer.Frage(this, QStringLiteral("neuen Pakt anlegen"), QStringLiteral("Diese Startdaten eintragen?")))
                return QString();
            const TErgebnis ergebnis = m_vennlok.NeuPakt(Vennlok::Version, Vennlok::Jetzt(), beitrag, ein, rech,
                                                         Vennlok::IntSozialanteilFuer(werte[3]), daempfung, grund, limit);
            if (!ergebnis.gebucht()) {
                m_benutzer.Meldung(this, ergebnis.meldung);
                return QString();
            }
            gemeldet = QStringLiteral("Neuer Pakt angelegt, erster Buchungsmonat %1").arg(Druckformat::Monat(m_vennlok.Buchungsmonat()));
        } else if (!m_vennlok.VertragAnders(beitrag, ein, rech, daempfung, grund, limit)) {
            // The figures are as in force: the pact's name, account, backup
            // folder or the trustee's address are stored without a contract.
            if (!m_benutzer.Frage(this, QStringLiteral("Angaben des Pakts"),
                                  QStringLiteral("Die Zahlen des Vertrags bleiben, wie sie sind. Die übrigen Angaben speichern?")))
                return QString();
            gemeldet = QStringLiteral("Angaben des Pakts gespeichert");
        } else {
            if (!m_benutzer.Frage(this, QStringLiteral("Ergänzungsvertrag"), QStringLiteral("Ergänzungsvertrag eintragen?")))
                return QString();
            if (const TErgebnis ergebnis = m_vennlok.Vertrag(Vennlok::Version, Vennlok::Jetzt(), beitrag, ein, rech, daempfung,
                                                             grund, limit);
                !ergebnis.gebucht()) {
                m_benutzer.Meldung(this, ergebnis.meldung + QStringLiteral(" Es wurde nichts gespeichert."));
                return QString();
            }
            gemeldet = QStringLiteral("Ergänzungsvertrag eingetragen (%1)").arg(Druckformat::Monat(m_vennlok.Buchungsmonat()));
        }
        if (const TErgebnis ergebnis = m_vennlok.PaktangabenSetzen({m_edPaktname->text(), QDir::fromNativeSeparators(m_edSicherungsordner->text())});
            ergebnis.abgelehnt()) {
            m_benutzer.Meldung(this, ergebnis.meldung + QStringLiteral("\nEs wurde nichts gespeichert."));
            (ergebnis.meldung.contains(QStringLiteral("Ordner")) ? m_edSicherungsordner : m_edPaktname)->setFocus();
            return QString();
        }
        if (const QString fehler = anwaltSpeichern(); !fehler.isEmpty()) {
            m_benutzer.Meldung(this, fehler + QStringLiteral("\nEs wurde nichts gespeichert."));
            return QString();
        }
        transaktion.Festschreiben();
        return gemeldet;
    };
    try {
        if (const QString gemeldet = speichern(); !gemeldet.isEmpty())
            emit gebucht(gemeldet);
    } catch (const VennlokFehler &fehler) {
        m_benutzer.Meldung(this, fehler.text());
    }
    close();
}

TVennlokDaten::Konto TDemokratForm::kontoAusFeldern() const
{
    const QString saldo = m_edAnfangssaldo->text().trimmed();
    return {m_edKontoinhaber->text().trimmed(), m_edIban->text(), m_edBic->text(), m_edGlaeubigerId->text(),
            saldo.isEmpty() ? 0 : Eingabe::Betrag(saldo).value_or(0)};
}

QString TDemokratForm::kontoFehler() const
{
    const QString saldo = m_edAnfangssaldo->text().trimmed();
    if (!saldo.isEmpty())
        if (const QString fehler = Eingabe::BetragFehler(saldo); !fehler.isEmpty())
            return QStringLiteral("Anfangssaldo des Kontos: ") + fehler;
    return Vennlok::PaktKontoFehler(kontoAusFeldern());
}

QString TDemokratForm::anwaltSpeichern()
{
    const TVennlokDaten::Konto konto = kontoAusFeldern();
    if (m_vennlok.PaktKontoAnders(konto)) {
        if (const TErgebnis ergebnis = m_vennlok.PaktKontoSetzen(konto); !ergebnis.gebucht())
            return ergebnis.meldung;
    }
    const QString heute = Vennlok::Datumstext();
    for (const Anzeigeformat::Eintrag &eintrag : Anzeigeformat::MemoEintraege(m_memAdresse->toPlainText()))
        if (const TErgebnis ergebnis = m_vennlok.AnwaltSetzen(eintrag.schluessel, eintrag.wert, heute); !ergebnis.gebucht())
            return ergebnis.meldung;
    return QString();
}
