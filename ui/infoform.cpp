#include "ui/infoform.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

TInfoForm::TInfoForm(QWidget *hauptfenster)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_hauptfenster(hauptfenster)
{
    setObjectName(QStringLiteral("InfoForm"));
    setWindowTitle(QStringLiteral("automatische Buchung"));
    auto *panel = new QVBoxLayout(this);
    const auto label = [&](const QString &name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(name);
        l->setAlignment(Qt::AlignCenter);
        QFont schrift = l->font();
        schrift.setPixelSize(16);
        l->setFont(schrift);
        l->setStyleSheet(QStringLiteral("color: black;"));
        l->setMinimumWidth(220);
        panel->addWidget(l);
        return l;
    };
    label(QStringLiteral("Label2"), QStringLiteral("Buchungsmonat"));
    m_label1 = label(QStringLiteral("Label1"), QStringLiteral("Label1"));
    m_label3 = label(QStringLiteral("Label3"), QStringLiteral("Label1"));
    m_fortschritt = new QProgressBar(this);
    m_fortschritt->setObjectName(QStringLiteral("Fortschritt"));
    m_fortschritt->setRange(0, 100);
    m_fortschritt->setValue(0);
    panel->addWidget(m_fortschritt);
    setStyleSheet(QStringLiteral("TInfoForm { border: 1px solid gray; }"));
    resize(sizeHint());
}

void TInfoForm::ZeigInfo(const QString &text)
{
    m_label1->setText(text);
    ++m_zaehler;
    m_label3->setText(QString::number(m_zaehler));
    if (!isVisible()) {
        if (m_hauptfenster)
            move(m_hauptfenster->geometry().center() - rect().center());
        show();
    }
    raise();
    // The replay does not return to the event loop between its lines: draw now.
    repaint();
}

void TInfoForm::MonatAbgeschlossen(const MonthKey &monat, int)
{
    ZeigInfo(monat);
}

void TInfoForm::Zeilen(int erledigt, int gesamt)
{
    // In per cent, so a long command file repaints a hundred times, not once a line.
    const int prozent = gesamt > 0 ? int(qint64(erledigt) * 100 / gesamt) : 0;
    if (prozent == m_fortschritt->value())
        return;
    m_fortschritt->setValue(prozent);
    if (isVisible())
        m_fortschritt->repaint();
}

void TInfoForm::changeEvent(QEvent *ereignis)
{
    QWidget::changeEvent(ereignis);
    if (ereignis->type() == QEvent::ActivationChange && !isActiveWindow() && m_hauptfenster && isVisible()
        && QApplication::activeWindow() == nullptr)
        m_hauptfenster->activateWindow();
}
