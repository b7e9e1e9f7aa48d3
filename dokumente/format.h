#pragma once

#include "algo/typen.h"

#include <QString>

/// The forms of figures in printed documents and exported tables, German
/// whatever the locale, computed exactly from the Money integer.
namespace Druckformat {

/// "1.234,56": thousands points, two decimals, four where the amount has
/// more than cents (an own share of 12,3456 is not rounded away).
QString Betrag(Money betrag);
/// "1234,56" for tables read by spreadsheet programs: no thousands points,
/// two decimals, four where needed.
QString Tabellenbetrag(Money betrag);
/// A share as a percentage with two decimals: "77,50 %".
QString Prozent(double anteil);
/// "200612" as "Dezember 2006"; "Dez. 06" when kurz.
QString Monat(const QString &monat, bool kurz = false);

} // namespace Druckformat
