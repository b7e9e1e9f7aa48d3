#pragma once

#include <QObject>
#include <functional>

class QKeyEvent;
class QWidget;

/// Key preview for a window: sees every key press in the window before the
/// focused control does. A key the callback handles (returns true for) is
/// consumed there, so no control, default button or parent sees it again.
class TTastenVorschau : public QObject
{
public:
    TTastenVorschau(QWidget *fenster, std::function<bool(QKeyEvent *)> taste);

protected:
    bool eventFilter(QObject *objekt, QEvent *ereignis) override;

private:
    QWidget *m_fenster;
    std::function<bool(QKeyEvent *)> m_taste;
};
