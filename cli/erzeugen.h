#pragma once

#include <QByteArray>
#include <cstdint>

/// Writes a realistic command file for a pact of teilhaber members over
/// monate months: a "NeuPakt" line, daily "Datum" lines, payments (most in
/// full, some missed, doubled or in two parts), members who join later,
/// invoices from the second month (a few members with ten or more in one
/// month), "Kaeufer,2" part-way, a "Vertrag" with a time of day, names with
/// umlauts and blanks, and one "Monatsab" per month. The same arguments give
/// the same bytes on every machine. UTF-8 with LF line ends.
namespace Erzeugen {
QByteArray Befehlsdatei(int teilhaber, int monate, std::uint32_t saat);
}
