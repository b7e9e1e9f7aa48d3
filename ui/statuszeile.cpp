#include "ui/statuszeile.h"

#include <QTime>

TStatuszeile::TStatuszeile(QWidget *eltern)
    : QLabel(eltern)
{
    setFrameShape(QFrame::StyledPanel);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void TStatuszeile::Setzen(const QString &text)
{
    m_text = text;
    if (!text.isEmpty())
        m_verlauf.append(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")) + QLatin1Char(' ') + text);
    setToolTip(text.isEmpty() ? QString()
                              : text + QStringLiteral("\n\nDoppelklick: alle Meldungen seit dem Start"));
    kuerzen();
}

void TStatuszeile::kuerzen()
{
    // The room inside the frame; a text that does not fit ends in "…".
    const int breite = contentsRect().width() - 2 * margin() - 2 * indent() - 4;
    setText(breite > 0 ? fontMetrics().elidedText(m_text, Qt::ElideRight, breite) : m_text);
}

void TStatuszeile::resizeEvent(QResizeEvent *ereignis)
{
    QLabel::resizeEvent(ereignis);
    kuerzen();
}

void TStatuszeile::mouseDoubleClickEvent(QMouseEvent *ereignis)
{
    QLabel::mouseDoubleClickEvent(ereignis);
    if (verlaufZeigen)
        verlaufZeigen();
}

QSize TStatuszeile::minimumSizeHint() const
{
    // One line high, and never wider than the window wants to be.
    return {0, QLabel::minimumSizeHint().height()};
}
