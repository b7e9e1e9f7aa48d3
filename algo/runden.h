#pragma once

#include "algo/typen.h"

#include <optional>

/// The pact's rounding points. All ties go to the even neighbour.

/// An amount in units on the Money grid: the nearest integer to x × 10000.
/// No value for infinity, NaN or a result beyond 64 bits.
std::optional<Money> R4Optional(double einheiten);

/// As R4Optional; throws VennlokFehler where that gives no value.
Money R4(double einheiten);

/// x units as Money when x has at most four decimals (up to the residue of
/// its binary form): no value for more decimals, infinity, NaN or 64 bits.
std::optional<Money> R4Genau(double einheiten);

/// A Money in units, as a double.
double Einheiten(Money betrag);

/// Sums and products of Money, checked: a result beyond GeldGrenze throws
/// VennlokFehler (art Grenze) instead of going on with a value the files
/// cannot hold or an overflowed one.
Money GeldPlus(Money a, Money b);
Money GeldMal(Money betrag, std::int64_t anzahl);

/// An amount on whole cents, for the bank (transfers, collections, the
/// account's expected balance): the nearest multiple of 100 units of Money,
/// half a cent away from zero, as German accounting rounds commercially;
/// exact on the integer. Throws VennlokFehler (art Grenze) for a result
/// beyond what the files can hold.
Money AufCent(Money betrag);
/// The same rounding for any Money, without the files' limit: for showing
/// amounts, which must never fail.
Money AufCentOhneGrenze(Money betrag);

/// A count plus schritt, checked against the 32 bits counters are stored in.
int ZaehlerPlus(int zaehler, int schritt);

/// x divided by the double nearest 0.01 (0.001), rounded to an integer and
/// multiplied back: two (three) decimal places with binary residue.
double R2(double x);
double R3(double x);

/// A fraction limited to 0..1; for a Money-scaled fraction to 0..10000.
double Clamp01(double x);
Money Clamp01(Money anteil);
