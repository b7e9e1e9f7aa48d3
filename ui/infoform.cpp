#include "ui/infoform.h"

#include "ui/fensterplatz.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

TInfoForm::TInfoForm(QWidget *hauptfenster)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_hauptfenster(hauptfenster)
{
    setObjectName(QStringLiteral("InfoForm"));
    setWindowTitle(QStringLiteral("automatische Buchung"));
    auto *panel = new QVBoxLayout(this);
    const auto label = [&](const QString &name, const QString &text, int groesse) {
        auto *l = new QLabel(text, this);
        l->setObjectName(name);
        l->setAlignment(Qt::AlignCenter);
        QFont schrift = l->font();
        schrift.setPixelSize(groesse);
        l->setFont(schrift);
        l->setStyleSheet(QStringLiteral("color: black;"));
        l->setMinimumWidth(280);
        panel->addWidget(l);
        return l;
    };
    m_titel = label(QStringLiteral("LabTitel"), QString(), 13);
    m_titel->setWordWrap(true);
    label(QStringLiteral("Label2"), QStringLiteral("zuletzt abgeschlossener Monat"), 13);
    m_label1 = label(QStringLiteral("Label1"), QStringLiteral("\u2013"), 16);
    m_label3 = label(QStringLiteral("Label3"), QStringLiteral("0"), 13);
    m_label3->setToolTip(QStringLiteral("Monatsabschlüsse seit dem Programmstart"));
    m_fortschritt = new QProgressBar(this);
    m_fortschritt->setObjectName(QStringLiteral("Fortschritt"));
    m_fortschritt->setRange(0, 100);
    m_fortschritt->setValue(0);
    m_fortschritt->setFormat(QStringLiteral("%p % der Befehlsdatei"));
    panel->addWidget(m_fortschritt);
    m_abbrechen = new QPushButton(QStringLiteral("Abbrechen"), this);
    m_abbrechen->setObjectName(QStringLiteral("BtnAbbrechen"));
    m_abbrechen->setToolTip(QStringLiteral("Hält nach der laufenden Zeile an; was gebucht ist, bleibt gebucht."));
    connect(m_abbrechen, &QPushButton::clicked, this, &TInfoForm::Abbrechen);
    panel->addWidget(m_abbrechen);
    setStyleSheet(QStringLiteral("TInfoForm { border: 1px solid gray; background: white; }"));
    resize(sizeHint());
}

void TInfoForm::imFenster(std::function<void()> schritt)
{
    if (QThread::currentThread() == thread())
        schritt();
    else
        QMetaObject::invokeMethod(this, std::move(schritt), Qt::QueuedConnection);
}

void TInfoForm::Beginnen(const QString &titel, bool abbrechbar)
{
    m_abbruch = false;
    m_prozent = -1;
    m_monate.clear();
    m_meldungen.clear();
    m_gesichert = 0;
    m_gesamt = 0;
    m_titel->setText(titel);
    m_abbrechen->setVisible(abbrechbar);
    m_abbrechen->setEnabled(true);
    m_abbrechen->setText(QStringLiteral("Abbrechen"));
    m_fortschritt->setRange(0, abbrechbar ? 100 : 0);
    m_fortschritt->setValue(0);
    adjustSize();
    if (m_hauptfenster)
        Fensterplatz::Zentrieren(this, m_hauptfenster);
    show();
    raise();
}

void TInfoForm::Abbrechen()
{
    m_abbruch = true;
    m_abbrechen->setEnabled(false);
    m_abbrechen->setText(QStringLiteral("wird nach der laufenden Zeile angehalten …"));
}

void TInfoForm::ZeigInfo(const QString &text)
{
    m_label1->setText(text);
    ++m_zaehler;
    m_label3->setText(QStringLiteral("%1 Abschlüsse").arg(m_zaehler));
    if (!isVisible()) {
        if (m_hauptfenster)
            Fensterplatz::Zentrieren(this, m_hauptfenster);
        show();
    }
    raise();
}

void TInfoForm::MonatAbgeschlossen(const MonthKey &monat, int)
{
    imFenster([this, monat] {
        m_monate.append(monat);
        ZeigInfo(monat);
        emit monatAngekommen(monat);
    });
}

void TInfoForm::Zeilen(int erledigt, int gesamt)
{
    // In per cent, so a long command file redraws a hundred times, not once a line.
    const int prozent = gesamt > 0 ? int(qint64(erledigt) * 100 / gesamt) : 0;
    if (m_prozent.exchange(prozent) == prozent)
        return;
    imFenster([this, prozent, gesamt] {
        m_gesamt = gesamt;
        if (m_fortschritt->maximum() > 0 && prozent != m_fortschritt->value())
            m_fortschritt->setValue(prozent);
    });
}

void TInfoForm::Meldung(const QString &text)
{
    imFenster([this, text] { m_meldungen.append(text); });
}

void TInfoForm::Gesichert(int zeile)
{
    imFenster([this, zeile] { m_gesichert = zeile; });
}

void TInfoForm::changeEvent(QEvent *ereignis)
{
    QWidget::changeEvent(ereignis);
    if (ereignis->type() == QEvent::ActivationChange && !isActiveWindow() && m_hauptfenster && isVisible()
        && QApplication::activeWindow() == nullptr)
        m_hauptfenster->activateWindow();
}
