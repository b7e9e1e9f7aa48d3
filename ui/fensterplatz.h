#pragma once

class QWidget;

/// Where windows open: centred on the screen the main window is on, and
/// never beyond that screen's free area (a window larger than the screen
/// is made to fit), so that no button lies out of reach.
namespace Fensterplatz {

/// Centres fenster on the screen of bezug (the primary screen without one).
void Zentrieren(QWidget *fenster, const QWidget *bezug);

/// Keeps fenster where it is, but pulls it back onto the free area of its
/// screen and shrinks it to fit.
void Einpassen(QWidget *fenster);

} // namespace Fensterplatz
