#include "algo/formeln.h"

#include "algo/fehler.h"
#include "algo/runden.h"

#include <QString>
#include <cmath>
#include <limits>

namespace {

constexpr double Einheit = double(MoneyProEinheit);

// The product of two Money values in units. The integer product is exact
// while it fits; only beyond that it is formed in floating point.
double produktInEinheiten(Money a, Money b)
{
    Money produkt = 0;
    const bool passt = b == 0 || (std::llabs(a) <= std::numeric_limits<Money>::max() / std::llabs(b));
    if (passt) {
        produkt = a * b;
        return double(produkt) / (Einheit * Einheit);
    }
    return Einheiten(a) * Einheiten(b);
}

[[noreturn]] void divisionDurchNull(const char *formel)
{
    throw VennlokFehler(QStringLiteral("Rechenfehler in %1: Division durch null.").arg(QLatin1String(formel)));
}

using Breit = __int128;

// zaehler / nenner rounded to the nearest integer, an exact tie to the even
// neighbour. Exact: no binary error can push a value across a half, and a
// true half is seen as one. nenner must not be 0.
Money quotientGerade(Breit zaehler, Breit nenner)
{
    if (nenner < 0) {
        zaehler = -zaehler;
        nenner = -nenner;
    }
    Breit q = zaehler / nenner;
    Breit r = zaehler % nenner; // same sign as zaehler
    if (r < 0) {
        --q;
        r += nenner;
    }
    // Now zaehler = q * nenner + r with 0 <= r < nenner.
    const Breit doppelt = 2 * r;
    if (doppelt > nenner || (doppelt == nenner && (q & 1) != 0))
        ++q;
    if (q > std::numeric_limits<Money>::max() || q < std::numeric_limits<Money>::min())
        throw VennlokFehler(QStringLiteral("Rechenfehler: das Ergebnis ist kein darstellbarer Geldbetrag."));
    return Money(q);
}

} // namespace

Money SozialanteilBetrag(Money betrag, Money satz)
{
    if (betrag <= 0)
        return 0;
    return R4(R2(produktInEinheiten(betrag, satz)));
}

Money EigenanteilBetrag(Money betrag, Money satz)
{
    if (betrag <= 0)
        return 0;
    return R4(R2(Einheiten(betrag - SozialanteilBetrag(betrag, satz))));
}

Money GekuerzterSatz(Money summeEinz, Money summeOffen, Money satz)
{
    if (summeOffen <= 0)
        return satz;
    const Money gesamt = summeEinz + summeOffen;
    if (gesamt == 0)
        divisionDurchNull("GekuerzterSatz");
    // SummeEinz / gesamt × Satz as a scaled fraction, exactly.
    return quotientGerade(Breit(summeEinz) * satz, gesamt);
}

Money KapitalanteilNeu(Money kapitalVormonat, Money einzahlungen, Money eigenanteile,
                       Money auszahlungen, Money minimum)
{
    const Money neu = GeldPlus(GeldPlus(kapitalVormonat, einzahlungen), GeldPlus(eigenanteile, -auszahlungen));
    return neu > minimum ? neu : minimum;
}

Money Dreisatz(Money a, Money b, Money c)
{
    if (c <= 0)
        return 0;
    return quotientGerade(Breit(a) * b, c);
}

double ExtAusInt(int modell, double intAnteil)
{
    if (!std::isfinite(intAnteil))
        throw VennlokFehler(QStringLiteral("Rechenfehler in ExtAusInt: der interne Sozialanteil ist keine Zahl."));
    if (modell != 2)
        return R3(intAnteil);
    const double nenner = 0.3 + intAnteil;
    if (nenner == 0)
        divisionDurchNull("ExtAusInt");
    volatile double y = 1 - 0.3 / nenner + 0.2 * intAnteil; // stored as a double, as the rules define it
    y = 0.05 + y;
    return R3(y);
}

double IntAusExt(double ext)
{
    if (!std::isfinite(ext))
        throw VennlokFehler(QStringLiteral("Rechenfehler in IntAusExt: der Sozialanteil ist keine Zahl."));
    double x = 0;
    for (int schritt = 0; ExtAusInt(2, x) < ext; ++schritt) {
        if (schritt >= 1000000)
            throw VennlokFehler(QStringLiteral("Rechenfehler in IntAusExt: der Sozialanteil %1 ist unerreichbar groß.")
                                    .arg(ext));
        x += 0.003;
    }
    return x;
}

Money Zuflussfaktor(Money einzahlungen, Money auszahlungen)
{
    const Money t = einzahlungen + auszahlungen;
    if (t <= 0)
        return 0;
    const Money e = quotientGerade(Breit(einzahlungen) * MoneyProEinheit, t);
    const Money a = quotientGerade(Breit(auszahlungen) * MoneyProEinheit, t);
    const Money q = a <= 0 ? MoneyProEinheit : quotientGerade(Breit(e) * MoneyProEinheit, a);
    return Clamp01(q - MoneyProEinheit / 2);
}

Money Deckungsgrad(int eingangsbuchungen, Money summe, Money grundsicherung)
{
    Money v = summe;
    if (eingangsbuchungen > 0)
        v = quotientGerade(v, eingangsbuchungen);
    if (grundsicherung > 0)
        v = quotientGerade(Breit(v) * MoneyProEinheit, grundsicherung);
    return Clamp01(v);
}

double Kubik(Money x)
{
    const double e = Einheiten(x);
    const double k = e * e * e;
    return k < 0 ? 0 : k;
}

Money MischeBetrag(Money a, Money b, double w)
{
    // (1 - w) × a + w × b = a + w × (b - a), with w taken at its exact binary
    // value m × 2^-k: a + m × (b - a) / 2^k, rounded once, ties to even.
    if (!std::isfinite(w))
        throw VennlokFehler(QStringLiteral("Rechenfehler in MischeBetrag: das Gewicht ist keine Zahl."));
    const Breit differenz = Breit(b) - a;
    if (w == 0 || differenz == 0)
        return a;
    int exponent = 0;
    const double mantisse = std::frexp(w, &exponent); // 0.5 <= |mantisse| < 1
    const Breit m = Breit(std::ldexp(mantisse, 53));   // exact: 53 bits
    const int k = 53 - exponent;                        // w = m × 2^-k
    if (k <= 0) {
        if (k < -8)
            throw VennlokFehler(QStringLiteral("Rechenfehler in MischeBetrag: das Gewicht ist zu groß."));
        return quotientGerade(Breit(a) + m * differenz * (Breit(1) << -k), 1);
    }
    // |m × differenz| < 2^118: beyond a shift of 119 it is less than half a unit.
    if (k > 119)
        return a;
    const Breit f = m * differenz;
    const Breit ganz = f >> k; // floor
    const Breit rest = f - ganz * (Breit(1) << k); // a product: shifting a negative value left is undefined
    const Breit haelfte = Breit(1) << (k - 1);
    Breit q = Breit(a) + ganz;
    if (rest > haelfte || (rest == haelfte && (q & 1) != 0))
        ++q;
    return quotientGerade(q, 1);
}

double Mische(double a, double b, double w)
{
    return w * a + (1 - w) * b;
}

double NeuerIntSozialanteil(int eingangsbuchungen, Money einzahlungen, Money auszahlungen,
                            Money summe, Money grundsicherung, double intAlt, double daempfung)
{
    const Money r = Zuflussfaktor(einzahlungen, auszahlungen);
    const Money s = Deckungsgrad(eingangsbuchungen, summe, grundsicherung);
    const Money b = MischeBetrag(r, s, Kubik(s));
    return Mische(intAlt, Einheiten(b), daempfung);
}

double Deckungsquote(Money summeVormonat, Money rechnungen, double vorgabe)
{
    if (rechnungen <= 0)
        return vorgabe;
    return 1 - (Einheiten(rechnungen) - Einheiten(summeVormonat)) / Einheiten(rechnungen);
}

Money KaeuferBetrag(int kaeufer, Money betrag, double sozialanteil)
{
    if (kaeufer != 2)
        return betrag;
    if (!std::isfinite(sozialanteil))
        throw VennlokFehler(QStringLiteral("Rechenfehler in KaeuferBetrag: der Sozialanteil ist keine Zahl."));
    const double nenner = 1 - sozialanteil;
    if (nenner == 0)
        divisionDurchNull("KaeuferBetrag");
    const Money faktor = R4(0.15 + 0.05 / nenner);
    // Amount × factor on the grid, exactly.
    return quotientGerade(Breit(betrag) * faktor, MoneyProEinheit);
}
