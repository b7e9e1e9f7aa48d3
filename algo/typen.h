#pragma once

#include <cstdint>

/// An amount in 1/10000 of a currency unit: 12.5 units is 125000.
using Money = std::int64_t;

/// A point in time as days since 30.12.1899; the fraction is the local time of day.
using DateTime = double;

/// Money units per currency unit.
constexpr Money MoneyProEinheit = 10000;

/// Default that typed getters pass to mark a missing key: -2^31 (in units for
/// amounts, in counts for integers).
constexpr int FehlwertInt = -2147483647 - 1;
constexpr double FehlwertFloat = -2147483648.0;
constexpr Money FehlwertMoney = Money(-2147483648LL) * MoneyProEinheit;

/// The largest magnitude of an amount that is typed, read from a command file
/// or booked: 100,000,000 units.
constexpr Money BetragGrenze = Money(100000000) * MoneyProEinheit;

/// The largest magnitude of any Money the files hold: their text form keeps
/// 15 significant digits, so below 10^11 units every value is exact.
constexpr Money GeldGrenze = Money(999999999999999);
