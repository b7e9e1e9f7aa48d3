#pragma once

#include "engine/auswertung.h"

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
