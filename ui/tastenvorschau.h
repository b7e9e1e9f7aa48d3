#pragma once

#include <QObject>
#include <functional>

class QKeyEvent;
class QWidget;

/// Key preview for a window: sees every key press in the window before the
/// focused control does, without consuming it.
class TTastenVorschau : public QObject
{
public:
    TTastenVorschau(QWidget *fenster, std::function<void(QKeyEvent *)> taste);

protected:
    bool eventFilter(QObject *objekt, QEvent *ereignis) override;

private:
    QWidget *m_fenster;
    std::function<void(QKeyEvent *)> m_taste;
};
