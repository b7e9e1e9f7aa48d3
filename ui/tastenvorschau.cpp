#include "ui/tastenvorschau.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

TTastenVorschau::TTastenVorschau(QWidget *fenster, std::function<bool(QKeyEvent *)> taste)
    : QObject(fenster), m_fenster(fenster), m_taste(std::move(taste))
{
    qApp->installEventFilter(this);
}

bool TTastenVorschau::eventFilter(QObject *objekt, QEvent *ereignis)
{
    if (ereignis->type() != QEvent::KeyPress)
        return false;
    // A key travels from the focused control up to the window; it is seen at
    // its first receiver. A handled key goes no further: a handler may move
    // the focus (a question box, a closed window), and the same key reaching
    // the window afterwards would otherwise look like a first receiver again.
    auto *widget = qobject_cast<QWidget *>(objekt);
    QWidget *fokus = QApplication::focusWidget();
    const bool ersterEmpfaenger = widget && (widget == fokus || (!fokus && widget == m_fenster));
    if (ersterEmpfaenger && widget->window() == m_fenster && m_fenster->isEnabled())
        return m_taste(static_cast<QKeyEvent *>(ereignis));
    return false;
}
