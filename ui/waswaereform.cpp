#include "ui/waswaereform.h"

#include "dokumente/diagramm.h"
#include "dokumente/dokumente.h"
#include "engine/vennlok.h"
#include "ui/benutzer.h"

#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The fan charts of the last result.
class TFaecher : public QWidget
{
public:
    explicit TFaecher(const TWasWaereErgebnis &ergebnis, QWidget *eltern) : QWidget(eltern), m_ergebnis(ergebnis)
    {
        setObjectName(QStringLiteral("Diagramm"));
        setMinimumSize(640, 420);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter maler(this);
        if (m_ergebnis.varianten.isEmpty()) {
            maler.fillRect(rect(), Qt::white);
            maler.drawText(rect(), Qt::AlignCenter,
                           QStringLiteral("Varianten eintragen und \u201ERechnen\u201C: hier erscheinen Kasse, Sozialanteil\n"
                                          "und Auszahlungen jeder Variante, Median und 10–90 % der Läufe."));
            return;
        }
        Faecherdiagramm::Zeichnen(maler, rect(), m_ergebnis);
    }

private:
    const TWasWaereErgebnis &m_ergebnis;
};

} // namespace

TWasWaereForm::TWasWaereForm(TVennlok &vennlok, TBenutzer &benutzer, QWidget *hauptfenster)
    : QWidget(nullptr, Qt::Window), m_vennlok(vennlok), m_benutzer(benutzer), m_hauptfenster(hauptfenster)
{
    setObjectName(QStringLiteral("WasWaereForm"));
    setWindowTitle(QStringLiteral("Was wäre wenn …"));
    auto *spalte = new QVBoxLayout(this);
    auto *oben = new QHBoxLayout;
    auto *felder = new QFormLayout;
    const auto zahl = [&](const QString &name, const QString &text, int von, int bis, int wert, const QString &tipp) {
        auto *feld = new QSpinBox(this);
        feld->setObjectName(name);
        feld->setRange(von, bis);
        feld->setValue(wert);
        feld->setToolTip(tipp);
        felder->addRow(text, feld);
        return feld;
    };
    m_monate = zahl(QStringLiteral("EdMonate"), QStringLiteral("Monate"), 1, 600, 24, QStringLiteral("Wie viele Monate ab dem Buchungsmonat gerechnet werden"));
    m_laeufe = zahl(QStringLiteral("EdLaeufe"), QStringLiteral("Läufe je Variante"), 1, 10000, 20,
                    QStringLiteral("Jeder Lauf zieht die Buchungen neu aus der Geschichte des Pakts"));
    m_saat = zahl(QStringLiteral("EdSaat"), QStringLiteral("Saat"), 0, 2147483647, 1,
                  QStringLiteral("Dieselbe Saat gibt dieselben Zahlen, auf jedem Rechner"));
    oben->addLayout(felder);
    auto *variantenSpalte = new QVBoxLayout;
    m_varianten = new QTableWidget(0, 1, this);
    m_varianten->setObjectName(QStringLiteral("TabVarianten"));
    m_varianten->setHorizontalHeaderLabels({QStringLiteral("Variante: Schlüssel=Wert; … ab dem nächsten Monat")});
    m_varianten->setToolTip(QStringLiteral("Schlüssel: %1; mehrere durch ; getrennt, z. B. Beitrag=60;Daempfung=0,3")
                                .arg(TVariante::Schluessel.join(QStringLiteral(", "))));
    m_varianten->horizontalHeader()->setStretchLastSection(true);
    m_varianten->verticalHeader()->setVisible(false);
    m_varianten->setMaximumHeight(150);
    auto *heute = new QTableWidgetItem(QStringLiteral("heute"));
    heute->setFlags(Qt::ItemIsEnabled);
    heute->setToolTip(QStringLiteral("Die Regeln, wie sie heute gelten: immer dabei"));
    m_varianten->insertRow(0);
    m_varianten->setItem(0, 0, heute);
    variantenSpalte->addWidget(m_varianten);
    auto *variantenKnoepfe = new QHBoxLayout;
    auto *knoepfe = new QHBoxLayout;
    const auto knopf = [&](QHBoxLayout *reihe, const QString &name, const QString &text, auto handler) {
        auto *k = new QPushButton(text, this);
        k->setObjectName(name);
        connect(k, &QPushButton::clicked, this, handler);
        reihe->addWidget(k);
        return k;
    };
    knopf(variantenKnoepfe, QStringLiteral("BtnVarianteNeu"), QStringLiteral("Variante hinzufügen"), [this] { VarianteHinzufuegen(); });
    knopf(variantenKnoepfe, QStringLiteral("BtnVarianteWeg"), QStringLiteral("Variante entfernen"), [this] { VarianteEntfernen(); });
    variantenKnoepfe->addStretch();
    variantenSpalte->addLayout(variantenKnoepfe);
    oben->addLayout(variantenSpalte, 1);
    spalte->addLayout(oben);

    m_btnRechnen = knopf(knoepfe, QStringLiteral("BtnRechnen"), QStringLiteral("Rechnen"), [this] { Rechnen(); });
    m_btnAbbrechen = knopf(knoepfe, QStringLiteral("BtnAbbrechen"), QStringLiteral("Abbrechen"), [this] { Abbrechen(); });
    m_fortschritt = new QProgressBar(this);
    m_fortschritt->setObjectName(QStringLiteral("Fortschritt"));
    knoepfe->addWidget(m_fortschritt, 1);
    m_btnPng = knopf(knoepfe, QStringLiteral("BtnPng"), QStringLiteral("PNG …"), [this] { Exportieren(QStringLiteral("png")); });
    m_btnPdf = knopf(knoepfe, QStringLiteral("BtnPdf"), QStringLiteral("PDF …"), [this] { Exportieren(QStringLiteral("pdf")); });
    m_btnCsv = knopf(knoepfe, QStringLiteral("BtnCsv"), QStringLiteral("CSV …"), [this] { Exportieren(QStringLiteral("csv")); });
    spalte->addLayout(knoepfe);
    m_flaeche = new TFaecher(m_ergebnis, this);
    spalte->addWidget(m_flaeche, 1);
    m_status = new QLabel(QStringLiteral("Im Datenverzeichnis ändert sich dabei nichts: gerechnet wird im Speicher."), this);
    m_status->setObjectName(QStringLiteral("LabStatus"));
    m_status->setWordWrap(true);
    spalte->addWidget(m_status);
    knoepfeSetzen();
    resize(1000, 820);
}

TWasWaereForm::~TWasWaereForm()
{
    m_abbrechen = true;
    if (m_thread)
        m_thread->join();
}

void TWasWaereForm::Einstellen(int monate, int laeufe, int saat)
{
    m_monate->setValue(monate);
    m_laeufe->setValue(laeufe);
    m_saat->setValue(saat);
}

void TWasWaereForm::VarianteHinzufuegen(const QString &text)
{
    const int zeile = m_varianten->rowCount();
    m_varianten->insertRow(zeile);
    m_varianten->setItem(zeile, 0, new QTableWidgetItem(text.isEmpty() ? QStringLiteral("Beitrag=") : text));
    m_varianten->setCurrentCell(zeile, 0);
    if (text.isEmpty())
        m_varianten->editItem(m_varianten->item(zeile, 0));
}

void TWasWaereForm::VarianteEntfernen()
{
    const int zeile = m_varianten->currentRow();
    if (zeile > 0) // today's rules stay
        m_varianten->removeRow(zeile);
}

QString TWasWaereForm::Status() const
{
    return m_status->text();
}

void TWasWaereForm::knoepfeSetzen()
{
    const bool laeuft = Laeuft();
    m_btnRechnen->setEnabled(!laeuft);
    m_btnAbbrechen->setEnabled(laeuft);
    for (QPushButton *k : {m_btnPng, m_btnPdf, m_btnCsv})
        k->setEnabled(!laeuft && !m_ergebnis.varianten.isEmpty());
}

void TWasWaereForm::Rechnen()
{
    if (Laeuft())
        return;
    TWasWaereAuftrag auftrag;
    auftrag.monate = m_monate->value();
    auftrag.laeufe = m_laeufe->value();
    auftrag.saat = std::uint32_t(m_saat->value());
    for (int zeile = 1; zeile < m_varianten->rowCount(); ++zeile) {
        const QString text = m_varianten->item(zeile, 0) ? m_varianten->item(zeile, 0)->text().trimmed() : QString();
        if (text.isEmpty())
            continue;
        QString fehler;
        const TVariante variante = TVariante::Lesen(text, &fehler);
        if (!fehler.isEmpty()) {
            m_benutzer.Meldung(this, fehler);
            m_status->setText(QStringLiteral("Nicht gerechnet: ") + fehler);
            return;
        }
        if (variante.name != QLatin1String("heute")) // today's rules are the first row already
            auftrag.varianten.append(variante);
    }
    try {
        m_rechnung = std::make_unique<TWasWaere>(m_vennlok);
    } catch (const VennlokFehler &f) {
        m_benutzer.Meldung(this, f.text());
        m_status->setText(QStringLiteral("Nicht gerechnet: ") + f.text());
        return;
    }
    const int gesamt = (int(auftrag.varianten.size()) + 1) * auftrag.laeufe;
    m_fortschritt->setRange(0, gesamt);
    m_fortschritt->setValue(0);
    m_abbrechen = false;
    m_fehler.clear();
    m_status->setText(QStringLiteral("Rechnet %1 Läufe über %2 Monate …").arg(gesamt).arg(auftrag.monate));
    m_thread = std::make_unique<std::thread>([this, auftrag] {
        try {
            m_neu = m_rechnung->Rechnen(auftrag, [this](int fertig, int) {
                QMetaObject::invokeMethod(this, [this, fertig] { m_fortschritt->setValue(std::max(m_fortschritt->value(), fertig)); },
                                          Qt::QueuedConnection);
                return !m_abbrechen;
            });
        } catch (const VennlokFehler &f) {
            m_fehler = f.text();
        } catch (const std::exception &f) {
            m_fehler = QStringLiteral("Die Rechnung ist misslungen: %1").arg(QString::fromLocal8Bit(f.what()));
        }
        QMetaObject::invokeMethod(this, [this] { fertig(); }, Qt::QueuedConnection);
    });
    knoepfeSetzen();
}

void TWasWaereForm::Abbrechen()
{
    m_abbrechen = true;
    m_status->setText(QStringLiteral("Wird abgebrochen …"));
}

void TWasWaereForm::fertig()
{
    m_thread->join();
    m_thread.reset();
    m_rechnung.reset();
    if (!m_fehler.isEmpty()) {
        m_status->setText(QStringLiteral("Nicht gerechnet: ") + m_fehler);
        m_benutzer.Meldung(this, m_fehler);
    } else if (m_neu.abgebrochen) {
        m_status->setText(QStringLiteral("Abgebrochen; das letzte Ergebnis bleibt stehen."));
    } else {
        m_ergebnis = m_neu;
        const auto &letzter = m_ergebnis.varianten.first().second.last();
        m_status->setText(QStringLiteral("%1 Varianten × %2 Läufe gerechnet, bis %3. Im Datenverzeichnis hat sich nichts geändert.")
                              .arg(m_ergebnis.varianten.size()).arg(m_laeufe->value()).arg(letzter.monat));
        m_flaeche->update();
    }
    knoepfeSetzen();
    emit Fertig();
}

void TWasWaereForm::Exportieren(const QString &format)
{
    if (m_ergebnis.varianten.isEmpty())
        return;
    const QString vorschlag = QDir(m_vennlok.Datenverzeichnis()).filePath(QStringLiteral("WasWaere.") + format);
    const QString datei = m_benutzer.DateiSpeichern(this, QStringLiteral("Was wäre wenn speichern"), vorschlag,
                                                    format.toUpper() + QStringLiteral(" (*.") + format + QLatin1Char(')'));
    if (datei.isEmpty())
        return;
    try {
        if (format == QLatin1String("png"))
            Dokumente::WasWaerePng(m_ergebnis, datei);
        else if (format == QLatin1String("pdf"))
            Dokumente::WasWaerePdf(m_ergebnis, m_vennlok.PaktName(), datei);
        else
            Dokumente::WasWaereCsv(m_ergebnis, datei);
        m_status->setText(QStringLiteral("Gespeichert: %1").arg(QDir::toNativeSeparators(datei)));
    } catch (const VennlokFehler &fehler) {
        m_benutzer.Meldung(this, fehler.text());
    }
}
