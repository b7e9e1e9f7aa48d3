#include "ui/kontoauszugform.h"

#include "dokumente/format.h"

#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString vorschlagText(TBankposten::Vorschlag v)
{
    switch (v) {
    case TBankposten::Einzahlung: return QStringLiteral("Einzahlung");
    case TBankposten::Rueckbuchung: return QStringLiteral("Rücklastschrift");
    case TBankposten::Bestaetigung: return QStringLiteral("Überweisung bestätigt");
    case TBankposten::Offen: return QStringLiteral("offen");
    case TBankposten::Vorgemerkt: return QStringLiteral("vorgemerkt");
    case TBankposten::Gelesen: return QStringLiteral("schon gelesen");
    }
    return QString();
}

} // namespace

TKontoauszugForm::TKontoauszugForm(const TKontoabgleich &abgleich, const QStringList &namen, QWidget *parent)
    : QDialog(parent), m_abgleich(abgleich)
{
    setObjectName(QStringLiteral("KontoauszugForm"));
    setWindowTitle(QStringLiteral("Kontoauszug %1").arg(abgleich.datei));
    auto *spalte = new QVBoxLayout(this);
    QString kopf = QStringLiteral("Konto %1").arg(abgleich.iban);
    if (abgleich.saldenBekannt)
        kopf += QStringLiteral("  ·  Schlusssaldo %1 am %2  ·  erwartet nach dem Buchen %3  ·  Differenz %4")
                    .arg(Druckformat::Euro(abgleich.schlusssaldo), abgleich.bis.toString(QStringLiteral("dd.MM.yyyy")),
                         Druckformat::Euro(abgleich.erwartetNachBuchung), Druckformat::Euro(abgleich.differenz));
    if (abgleich.offen != 0)
        kopf += QStringLiteral(", davon nicht zugeordnet %1").arg(Druckformat::Euro(abgleich.offen));
    if (abgleich.schonGelesen)
        kopf += QStringLiteral("\n%1 Posten sind schon aus einem früheren Auszug gebucht und werden übergangen.").arg(abgleich.schonGelesen);
    auto *titel = new QLabel(kopf, this);
    titel->setObjectName(QStringLiteral("LabKopf"));
    titel->setWordWrap(true);
    spalte->addWidget(titel);

    m_tabelle = new QTableWidget(int(abgleich.posten.size()), 8, this);
    m_tabelle->setObjectName(QStringLiteral("TabPosten"));
    m_tabelle->setHorizontalHeaderLabels({QStringLiteral("Buchen"), QStringLiteral("Datum"), QStringLiteral("Zahler / Empfänger"),
                                          QStringLiteral("Verwendungszweck"), QStringLiteral("Betrag"), QStringLiteral("Vorschlag"),
                                          QStringLiteral("Teilhaber"), QStringLiteral("Hinweis")});
    m_tabelle->verticalHeader()->hide();
    m_tabelle->setSelectionMode(QAbstractItemView::NoSelection);
    for (int zeile = 0; zeile < abgleich.posten.size(); ++zeile) {
        const TBankposten &p = abgleich.posten[zeile];
        const bool moeglich = p.vorschlag != TBankposten::Gelesen && p.vorschlag != TBankposten::Vorgemerkt;
        auto *haken = new QTableWidgetItem;
        haken->setFlags(moeglich ? Qt::ItemIsUserCheckable | Qt::ItemIsEnabled : Qt::NoItemFlags);
        haken->setCheckState(p.angekreuzt ? Qt::Checked : Qt::Unchecked);
        m_tabelle->setItem(zeile, Haken, haken);
        const auto text = [&](Spalte s, const QString &t, Qt::Alignment a = Qt::AlignLeft | Qt::AlignVCenter) {
            auto *item = new QTableWidgetItem(t);
            item->setFlags(moeglich ? Qt::ItemIsEnabled : Qt::NoItemFlags);
            item->setTextAlignment(a);
            item->setToolTip(t);
            m_tabelle->setItem(zeile, s, item);
        };
        text(Datum, p.tag.toString(QStringLiteral("dd.MM.yyyy")));
        text(Partei, p.partei);
        text(Text, p.text);
        text(Betrag, Druckformat::Euro(p.betrag), Qt::AlignRight | Qt::AlignVCenter);
        text(Vorschlag, vorschlagText(p.vorschlag));
        text(Hinweis, p.grund);
        // A credit may be given to another participant; the name completes as typed.
        if (moeglich && p.betrag > 0) {
            auto *wahl = new QComboBox(m_tabelle);
            wahl->setObjectName(QStringLiteral("CBPosten%1").arg(p.nr));
            wahl->setEditable(true);
            wahl->addItems(namen);
            wahl->setEditText(p.teilhaber);
            wahl->completer()->setCompletionMode(QCompleter::PopupCompletion);
            wahl->completer()->setCaseSensitivity(Qt::CaseInsensitive);
            wahl->setToolTip(QStringLiteral("Teilhaber, dem die Gutschrift als Einzahlung gebucht wird; leer: der Posten wird übergangen"));
            m_tabelle->setCellWidget(zeile, Teilhaber, wahl);
        } else {
            text(Teilhaber, p.teilhaber);
        }
    }
    m_tabelle->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tabelle->horizontalHeader()->setSectionResizeMode(Text, QHeaderView::Interactive);
    m_tabelle->horizontalHeader()->setSectionResizeMode(Hinweis, QHeaderView::Stretch);
    m_tabelle->setColumnWidth(Text, 240);
    m_tabelle->setWordWrap(false);
    spalte->addWidget(m_tabelle, 1);

    auto *knoepfe = new QDialogButtonBox(this);
    auto *buchen = knoepfe->addButton(QStringLiteral("Buchen"), QDialogButtonBox::AcceptRole);
    buchen->setObjectName(QStringLiteral("BtnBuchen"));
    buchen->setToolTip(QStringLiteral("Bucht jeden angekreuzten Posten in einem Vorgang; ein angekreuzter Posten ohne "
                                      "Teilhaber wird übergangen und nicht wieder vorgeschlagen"));
    knoepfe->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("BtnAbbrechen"));
    connect(knoepfe, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(knoepfe, &QDialogButtonBox::rejected, this, &QDialog::reject);
    spalte->addWidget(knoepfe);
    resize(1100, 520);
}

QList<TBankauswahl> TKontoauszugForm::Auswahl() const
{
    QList<TBankauswahl> auswahl;
    for (int zeile = 0; zeile < m_abgleich.posten.size(); ++zeile) {
        if (m_tabelle->item(zeile, Haken)->checkState() != Qt::Checked)
            continue;
        const auto *wahl = qobject_cast<const QComboBox *>(m_tabelle->cellWidget(zeile, Teilhaber));
        const TBankposten &p = m_abgleich.posten[zeile];
        // A credit whose name was cleared is dismissed, not booked to the proposal.
        const QString wer = wahl ? wahl->currentText().trimmed() : QString();
        auswahl.append({p.nr, wer, wahl && wer.isEmpty()});
    }
    return auswahl;
}
