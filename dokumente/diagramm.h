#pragma once

#include "engine/auswertung.h"
#include "engine/waswaere.h"

#include <QRectF>

class QPainter;

/// The pact's history as four charts one under the other on a shared month
/// axis: the fund; payments in against payouts, with own shares; the social
/// share in force, internal and external; the incoming bookings.
namespace Verlaufsdiagramm {

/// Draws the charts into bereich; the month hervorgehoben (an index into
/// verlauf, -1 for none) is marked across all four.
void Zeichnen(QPainter &maler, const QRectF &bereich, const QList<TMonatsverlauf> &verlauf, int hervorgehoben = -1);
/// The month under the horizontal position x, -1 outside the months.
int MonatBei(const QRectF &bereich, int anzahl, double x);
/// The figures of one month in German forms, one per line.
QString Zahlen(const TMonatsverlauf &monat);

} // namespace Verlaufsdiagramm

/// A what-if: for the fund, the social share and the payouts, the pact's
/// history as a black line and then a fan per variant in its own colour —
/// the median as a line, the 10th to 90th percentile of the runs as a band.
namespace Faecherdiagramm {
void Zeichnen(QPainter &maler, const QRectF &bereich, const TWasWaereErgebnis &ergebnis);
}
