#pragma once

#include "algo/typen.h"

#include <QDateTime>
#include <QString>
#include <optional>

/// How numbers and dates are written in the pact's files and logs. The forms
/// are always the German ones (decimal comma, dd.MM.yyyy, HH:mm:ss), whatever
/// the machine's locale, so that a pact's files read the same everywhere.
namespace Textformat {

/// A double in the files' float form: at most 15 significant digits, the
/// shortest form that shows them, decimal comma, no thousands separators;
/// fixed notation unless the decimal exponent is below -5 or at least 15,
/// then "1,5E-6" / "1E20". Throws VennlokFehler for infinity and NaN.
QString floatZuText(double wert);

/// Reads the float form back: optional blanks and sign, digits with an
/// optional decimal comma, an optional exponent. Anything else, a decimal
/// point included, gives no value.
std::optional<double> textZuFloat(const QString &text);

/// A Money in units by the float rule (125000 is "12,5", 1800000 is "180").
QString moneyZuText(Money betrag);
/// The amount of a text in the common form, "[-]digits[,digits]" with one to
/// four decimals, read exactly on integers while it is below 10^15 units; no value
/// for any other form (blanks, a sign "+", an exponent, more decimals), which
/// the float reading decides.
std::optional<Money> einfacherBetrag(const QString &text);

/// An amount for the transfers list: rounded to 4 significant digits; below
/// 10000 units in fixed form with 2 decimals ("12,50", "1235,00"), from there
/// on as mantissa and exponent of at least two digits ("1,235E04", "1E04").
QString transferBetrag(Money betrag);

/// An amount with a decimal comma and two decimals, four where it is off the
/// cent, thousands grouped by points when asked ("1.234,56", "-0,0001").
QString betragText(Money betrag, bool tausender);
/// An amount as people read it in a message: on the cent, half a cent away
/// from zero, thousands grouped and the euro sign ("1.234,56 €", "-0,01 €").
QString euroText(Money betrag);

/// Integer text: decimal, "-" for negative values; reading also takes a
/// "0x" prefix as hexadecimal. No value when unreadable or beyond 32 bits.
QString intZuText(int wert);
std::optional<int> textZuInt(const QString &text);

/// "dd.MM.yyyy" and "HH:mm:ss" of a DateTime (milliseconds rounded away).
QString datumZuText(DateTime zeitpunkt);
QString zeitZuText(DateTime zeitpunkt);

/// "dd.MM.yyyy HH:mm:ss", the time left out when it is exactly midnight.
QString dateTimeZuText(DateTime zeitpunkt);

/// Reads "d.M.yyyy" with an optional " H:mm" or " H:mm:ss". No value for
/// anything else or an impossible date such as 31.02.2006.
std::optional<DateTime> textZuDateTime(const QString &text);

/// At most 60 characters of a text someone gave, as a message quotes it:
/// control characters shown as \xNN, anything longer cut off with "…".
QString zitat(const QString &text);

/// Conversions between DateTime and a QDateTime in local time.
DateTime ausQDateTime(const QDateTime &zeitpunkt);
QDateTime zuQDateTime(DateTime zeitpunkt);

} // namespace Textformat
