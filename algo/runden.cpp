#include "algo/runden.h"

#include "algo/fehler.h"

#include <QString>
#include <cmath>

std::optional<Money> R4Optional(double einheiten)
{
    const double roh = std::nearbyint(einheiten * double(MoneyProEinheit));
    // 2^63 is exact as a double; a value at or above it does not fit.
    if (!std::isfinite(roh) || roh >= 9223372036854775808.0 || roh < -9223372036854775808.0)
        return std::nullopt;
    return Money(roh);
}

Money R4(double einheiten)
{
    const auto betrag = R4Optional(einheiten);
    if (!betrag)
        throw VennlokFehler(QStringLiteral("Rechenfehler: das Ergebnis ist kein darstellbarer Geldbetrag."));
    return *betrag;
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
