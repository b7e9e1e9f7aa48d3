#include "ui/verlaufform.h"

#include "dokumente/diagramm.h"
#include "dokumente/dokumente.h"
#include "engine/vennlok.h"
#include "ui/benutzer.h"
#include "ui/fensterplatz.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

// The drawing surface: paints the charts and reports the month under the mouse.
class TFlaeche : public QWidget
{
public:
    explicit TFlaeche(TVerlaufForm *form) : QWidget(form), m_form(form)
    {
        setObjectName(QStringLiteral("Diagramm"));
        setMouseTracking(true);
        setMinimumSize(640, 520);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter maler(this);
        Verlaufsdiagramm::Zeichnen(maler, rect(), m_form->Monate(), m_form->Hervorgehoben());
    }
    void mouseMoveEvent(QMouseEvent *ereignis) override
    {
        const int monat = Verlaufsdiagramm::MonatBei(rect(), int(m_form->Monate().size()), ereignis->position().x());
        m_form->Hervorheben(monat);
        if (monat >= 0)
            QToolTip::showText(ereignis->globalPosition().toPoint(), Verlaufsdiagramm::Zahlen(m_form->Monate()[monat]), this);
        else
            QToolTip::hideText();
    }
    void leaveEvent(QEvent *) override { m_form->Hervorheben(-1); }

private:
    TVerlaufForm *m_form;
};

} // namespace

TVerlaufForm::TVerlaufForm(TVennlok &vennlok, TBenutzer &benutzer, QWidget *hauptfenster)
    : QWidget(nullptr, Qt::Window), m_vennlok(vennlok), m_benutzer(benutzer), m_hauptfenster(hauptfenster)
{
    setObjectName(QStringLiteral("VerlaufForm"));
    setWindowTitle(QStringLiteral("Verlauf des Pakts"));
    auto *spalte = new QVBoxLayout(this);
    m_labQuelle = new QLabel(this);
    m_labQuelle->setObjectName(QStringLiteral("LabQuelle"));
    spalte->addWidget(m_labQuelle);
    m_flaeche = new TFlaeche(this);
    spalte->addWidget(m_flaeche, 1);
    m_labMonat = new QLabel(QStringLiteral("Die Maus über einem Monat zeigt seine Zahlen."), this);
    m_labMonat->setObjectName(QStringLiteral("LabMonat"));
    spalte->addWidget(m_labMonat);
    // The lines change with the mouse: they wrap within the window instead
    // of widening it, so the window keeps the size it was given.
    for (QLabel *zeile : {m_labQuelle, m_labMonat}) {
        zeile->setWordWrap(true);
        zeile->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    auto *schliessen = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(schliessen, &QShortcut::activated, this, &QWidget::close);
    auto *knoepfe = new QHBoxLayout;
    const auto knopf = [&](const QString &name, const QString &text, auto handler) {
        auto *k = new QPushButton(text, this);
        k->setObjectName(name);
        connect(k, &QPushButton::clicked, this, handler);
        knoepfe->addWidget(k);
        return k;
    };
    knopf(QStringLiteral("BtnPakt"), QStringLiteral("Pakt dieses Verzeichnisses"), [this] { PaktZeigen(); });
    knopf(QStringLiteral("BtnSimulation"), QStringLiteral("Simulation öffnen …"), [this] { BtnSimulationClick(); })
        ->setToolTip(QStringLiteral("Den Ordner einer archivierten Simulation (StoreSim) zeigen"));
    knopf(QStringLiteral("BtnWasWaere"), QStringLiteral("Was wäre wenn …"), [this] {
        if (wasWaere)
            wasWaere();
    })->setToolTip(QStringLiteral("Die Zukunft des Pakts unter anderen Regeln rechnen"));
    knoepfe->addStretch();
    knopf(QStringLiteral("BtnDrucken"), QStringLiteral("Drucken …"), [this] { Drucken(); })
        ->setToolTip(QStringLiteral("Die Diagramme mit Vorschau drucken (Strg+P)"));
    auto *drucken = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), this);
    connect(drucken, &QShortcut::activated, this, &TVerlaufForm::Drucken);
    knopf(QStringLiteral("BtnPng"), QStringLiteral("PNG …"), [this] { Exportieren(QStringLiteral("png")); })
        ->setToolTip(QStringLiteral("Die Diagramme als Bild speichern"));
    knopf(QStringLiteral("BtnPdf"), QStringLiteral("PDF …"), [this] { Exportieren(QStringLiteral("pdf")); })
        ->setToolTip(QStringLiteral("Die Diagramme als PDF auf einer A4-Seite speichern"));
    spalte->addLayout(knoepfe);
    resize(900, 760);
}

void TVerlaufForm::showEvent(QShowEvent *ereignis)
{
    QWidget::showEvent(ereignis);
    if (m_hauptfenster)
        Fensterplatz::Zentrieren(this, m_hauptfenster);
}

void TVerlaufForm::anzeigen(const QList<TMonatsverlauf> &verlauf, const QString &art, const QString &name)
{
    m_verlauf = verlauf;
    m_quelle = name;
    m_hervorgehoben = -1;
    m_labQuelle->setText(QStringLiteral("%1 %2 – %3 abgeschlossene Monate").arg(art, name).arg(verlauf.size()));
    m_labMonat->setText(QStringLiteral("Die Maus über einem Monat zeigt seine Zahlen."));
    m_flaeche->update();
}

void TVerlaufForm::PaktZeigen()
{
    anzeigen(m_vennlok.Verlauf(), QStringLiteral("Pakt"), m_vennlok.PaktName());
}

void TVerlaufForm::SimulationZeigen(const QString &ordner)
{
    try {
        anzeigen(Vennlok::Verlauf(ordner), QStringLiteral("Simulation"), Vennlok::PaktName(ordner));
    } catch (const VennlokFehler &fehler) {
        m_benutzer.Meldung(this, fehler.text());
    }
}

void TVerlaufForm::BtnSimulationClick()
{
    const QString ordner = m_benutzer.OrdnerWaehlen(this, QStringLiteral("Ordner einer Simulation wählen"), m_vennlok.Datenverzeichnis());
    if (!ordner.isEmpty())
        SimulationZeigen(ordner);
}

void TVerlaufForm::Exportieren(const QString &format)
{
    const QString vorschlag = QDir(m_vennlok.Datenverzeichnis()).filePath(QStringLiteral("Verlauf.") + format);
    const QString datei = m_benutzer.DateiSpeichern(this, QStringLiteral("Verlauf speichern"), vorschlag,
                                                    format.toUpper() + QStringLiteral(" (*.") + format + QLatin1Char(')'));
    if (datei.isEmpty())
        return;
    try {
        if (format == QLatin1String("png"))
            Dokumente::VerlaufPng(m_verlauf, datei);
        else
            Dokumente::VerlaufPdf(m_verlauf, m_quelle, datei);
        m_labMonat->setText(QStringLiteral("Gespeichert: %1").arg(QDir::toNativeSeparators(datei)));
    } catch (const VennlokFehler &fehler) {
        m_benutzer.Meldung(this, fehler.text());
    }
}

void TVerlaufForm::Drucken()
{
    const Dokumente::TDruck druck = Dokumente::Verlauf(m_verlauf, m_quelle);
    m_labMonat->setText(m_benutzer.Drucken(this, druck) ? QStringLiteral("Gedruckt: %1").arg(druck.titel)
                                                        : QStringLiteral("Nicht gedruckt."));
}

void TVerlaufForm::Hervorheben(int monat)
{
    if (monat == m_hervorgehoben)
        return;
    m_hervorgehoben = monat;
    if (monat >= 0)
        m_labMonat->setText(Verlaufsdiagramm::Zahlen(m_verlauf[monat]).replace(QLatin1Char('\n'), QStringLiteral(" · ")));
    m_flaeche->update();
}
