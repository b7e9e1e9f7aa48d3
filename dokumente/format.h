#pragma once

#include "algo/typen.h"

#include <QString>
#include <optional>

/// The forms of figures in printed documents and exported tables, German
/// whatever the locale, computed exactly from the Money integer.
namespace Druckformat {

/// "1.234,56": thousands points, to the cent, rounded commercially (an own
/// share of 12,3456 is shown as 12,35; the files keep 12,3456).
QString Betrag(Money betrag);
/// Betrag with its currency after a non-breaking space: "1.234,56 €".
QString Euro(Money betrag);
/// "1234,56" for tables read by spreadsheet programs: no thousands points,
/// to the cent as Betrag.
QString Tabellenbetrag(Money betrag);
/// A share as a percentage with two decimals: "77,50 %".
QString Prozent(double anteil);
/// "200612" as "Dezember 2006"; "Dez. 06" when kurz.
QString Monat(const QString &monat, bool kurz = false);
/// What a command line parser found wrong with the options, in German:
/// "Unbekannte Option „--x“." and its kind.
QString Optionsfehler(const QString &fehlertext, const QStringList &unbekannt);

} // namespace Druckformat

/// Amounts as people type them, in a window or on the command line.
namespace Eingabe {

/// An amount typed by the operator: German form, blanks allowed around, no
/// thousands separator, at most four decimals. No value when it does not read.
std::optional<Money> Betrag(const QString &text);

/// A number of a dialog's field in German form with at most four decimals
/// (a share, a damping, an amount in units); no value when it does not read.
std::optional<double> Zahl(const QString &text);

/// Why text is no amount that can be booked, in one German sentence; empty
/// when it is one. Refused too: a negative amount and one beyond the
/// booking limit.
QString BetragFehler(const QString &text);

} // namespace Eingabe
