#pragma once

#include "algo/typen.h"

#include <QString>

/// Six characters, year then two-digit month: March 2006 is "200603".
using MonthKey = QString;

/// The month of a date: "200603" for 5 March 2006.
MonthKey MonatKey(DateTime datum);

/// Year, month and day of a date: "20060305" for 5 March 2006.
QString DatumText(DateTime datum);

/// Whether monat is six digits, a year from 1900 to 9998 and a month 01 to 12.
bool MonatGueltig(const MonthKey &monat);

/// The month before and after. Only the first six characters are looked at.
/// Throws VennlokFehler when they are not a year and a month in digits.
MonthKey Vormonat(const MonthKey &monat);
MonthKey Folgemonat(const MonthKey &monat);

/// A participant name folded into characters that are safe in a file name:
/// umlauts and ß spelled out, "," "." ";" ":" "+" "/" and blanks become "_",
/// runs of "_" collapse into one. "Müller, Hans-Jürgen" gives "Mueller_Hans-Juergen".
QString NameFuerDatei(const QString &name);

/// "T_" + name + ".ven", the name used as given.
QString TeilhaberDateiname(const QString &name);

/// The text between the two-character prefix and the first ".ven";
/// empty when there is no ".ven".
QString NameAusDateiname(const QString &dateiname);

/// Why a participant name cannot be used, or an empty text when it can. A
/// name becomes part of a file name and of keys in the data files, so it may
/// not be empty or hold control characters, characters outside Windows-1252,
/// "=", "[", "]", a backslash or the characters * ? " < > | that file names
/// cannot hold. "/" and ":" are allowed: the folding turns them into "_".
QString TeilhaberNameFehler(const QString &name);
