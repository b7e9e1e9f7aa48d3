#include "algo/runden.h"

#include "algo/fehler.h"

#include <QString>
#include <algorithm>
#include <cmath>

std::optional<Money> R4Optional(double einheiten)
{
    const double roh = std::nearbyint(einheiten * double(MoneyProEinheit));
    // 2^63 is exact as a double; a value at or above it does not fit.
    if (!std::isfinite(roh) || roh >= 9223372036854775808.0 || roh < -9223372036854775808.0)
        return std::nullopt;
    return Money(roh);
}

std::optional<Money> R4Genau(double einheiten)
{
    const auto betrag = R4Optional(einheiten);
    if (!betrag || std::fabs(double(*betrag) - einheiten * double(MoneyProEinheit))
                       > 1e-6 * std::max(1.0, std::fabs(double(*betrag))))
        return std::nullopt;
    return betrag;
}

double Einheiten(Money betrag)
{
    return double(betrag) / double(MoneyProEinheit);
}

Money R4(double einheiten)
{
    const auto betrag = R4Optional(einheiten);
    if (!betrag)
        throw VennlokFehler(QStringLiteral("Rechenfehler: das Ergebnis ist kein darstellbarer Geldbetrag."));
    return *betrag;
}

namespace {

[[noreturn]] void zuGross()
{
    throw VennlokFehler(QStringLiteral("Der Betrag wird zu groß: die Dateien fassen höchstens 99.999.999.999,9999."),
                        QString(), VennlokFehler::Grenze);
}

} // namespace

// Portable checks (no compiler built-ins): every operand is first brought
// within the limit, so the arithmetic below cannot overflow 64 bits.
Money GeldPlus(Money a, Money b)
{
    if (a > GeldGrenze || a < -GeldGrenze || b > GeldGrenze || b < -GeldGrenze)
        zuGross();
    const Money summe = a + b;
    if (summe > GeldGrenze || summe < -GeldGrenze)
        zuGross();
    return summe;
}

Money GeldMal(Money betrag, std::int64_t anzahl)
{
    if (betrag == 0 || anzahl == 0)
        return 0;
    if (betrag > GeldGrenze || betrag < -GeldGrenze || anzahl > GeldGrenze || anzahl < -GeldGrenze
        || (betrag < 0 ? -betrag : betrag) > GeldGrenze / (anzahl < 0 ? -anzahl : anzahl))
        zuGross();
    return betrag * anzahl;
}

int ZaehlerPlus(int zaehler, int schritt)
{
    const std::int64_t summe = std::int64_t(zaehler) + schritt;
    if (summe > 2147483647 || summe < -2147483647 - 1)
        throw VennlokFehler(QStringLiteral("Ein Zähler wird zu groß für die Dateien."), QString(), VennlokFehler::Grenze);
    return int(summe);
}

Money AufCentOhneGrenze(Money betrag)
{
    // The rest has the amount's sign, so half a cent goes away from zero:
    // up for a credit, down for a debit. The nearest multiple of 100 lies
    // within 64 bits for every amount, so nothing here can overflow.
    const Money rest = betrag % 100;
    const Money ganz = betrag - rest;
    if (rest >= 50)
        return ganz + 100;
    if (rest <= -50)
        return ganz - 100;
    return ganz;
}

Money AufCent(Money betrag)
{
    const Money cent = AufCentOhneGrenze(betrag);
    if (cent > GeldGrenze || cent < -GeldGrenze)
        zuGross();
    return cent;
}

double R2(double x)
{
    const double schritt = 0.01;
    return std::nearbyint(x / schritt) * schritt;
}

double R3(double x)
{
    const double schritt = 0.001;
    return std::nearbyint(x / schritt) * schritt;
}

double Clamp01(double x)
{
    return x < 0 ? 0 : (x > 1 ? 1 : x);
}

Money Clamp01(Money anteil)
{
    return anteil < 0 ? 0 : (anteil > MoneyProEinheit ? MoneyProEinheit : anteil);
}
