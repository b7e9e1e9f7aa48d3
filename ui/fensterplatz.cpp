#include "ui/fensterplatz.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace Fensterplatz {

namespace {

// The frame the window system draws around a window; before a window is
// shown it is not known yet, so a title bar's height is assumed.
QSize rahmen(const QWidget *fenster)
{
    const QSize gemessen = fenster->frameGeometry().size() - fenster->geometry().size();
    return gemessen.expandedTo(QSize(2, 32));
}

QRect freieFlaeche(const QWidget *fenster)
{
    const QScreen *schirm = fenster && fenster->screen() ? fenster->screen() : QGuiApplication::primaryScreen();
    return schirm ? schirm->availableGeometry() : QRect();
}

// Shrinks fenster to fit frei with its frame; returns the frame's size.
QSize anpassen(QWidget *fenster, const QRect &frei)
{
    const QSize r = rahmen(fenster);
    const QSize passt = fenster->size().boundedTo(frei.size() - r).expandedTo(fenster->minimumSize());
    if (passt != fenster->size())
        fenster->resize(passt);
    return r;
}

void setzen(QWidget *fenster, const QRect &frei, QPoint links, const QSize &r)
{
    // The frame's top left corner, within the free area; the frame's right
    // and bottom edges too where the window fits.
    links.setX(std::max(frei.left(), std::min(links.x(), frei.right() + 1 - fenster->width() - r.width())));
    links.setY(std::max(frei.top(), std::min(links.y(), frei.bottom() + 1 - fenster->height() - r.height())));
    fenster->move(links);
}

} // namespace

void Zentrieren(QWidget *fenster, const QWidget *bezug)
{
    const QRect frei = freieFlaeche(bezug ? bezug : fenster);
    if (frei.isEmpty())
        return;
    const QSize r = anpassen(fenster, frei);
    const QSize aussen = fenster->size() + r;
    setzen(fenster, frei, frei.center() - QPoint(aussen.width() / 2, aussen.height() / 2), r);
}

void Einpassen(QWidget *fenster)
{
    const QRect frei = freieFlaeche(fenster);
    if (frei.isEmpty())
        return;
    const QSize r = anpassen(fenster, frei);
    setzen(fenster, frei, fenster->pos(), r);
}

} // namespace Fensterplatz
