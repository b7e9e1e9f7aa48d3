#pragma once

#include "algo/typen.h"

/// The pact's arithmetic. Amounts are Money (1/10000 units). A "scaled
/// fraction" is a Money whose value is the fraction times 10000 (0.775 is
/// 7750). R2, R3 and R4 are the roundings of runden.h, all ties to even.
/// Every function is pure. Those that divide by a value that may be zero
/// throw VennlokFehler instead of giving infinity or NaN; none returns a
/// non-finite value.

/// The social share of a payout: R4(R2(Betrag × Satz)), the product formed in
/// units; 0 for Betrag <= 0. Satz: scaled fraction.
Money SozialanteilBetrag(Money betrag, Money satz);

/// The own share of a payout: R4(R2(Betrag - SozialanteilBetrag)) in units;
/// 0 for Betrag <= 0. Satz: scaled fraction.
Money EigenanteilBetrag(Money betrag, Money satz);

/// The social share for a participant in arrears, as a scaled fraction:
/// R4(SummeEinz / (SummeEinz + SummeOffen) × Satz) when SummeOffen > 0,
/// else Satz. Throws when SummeEinz + SummeOffen is 0 while SummeOffen > 0.
Money GekuerzterSatz(Money summeEinz, Money summeOffen, Money satz);

/// The larger of KapitalVormonat + Einzahlungen + Eigenanteile - Auszahlungen
/// and Minimum; exact.
Money KapitalanteilNeu(Money kapitalVormonat, Money einzahlungen, Money eigenanteile,
                       Money auszahlungen, Money minimum);

/// R4(a × b / c) in units when c > 0, else 0.
Money Dreisatz(Money a, Money b, Money c);

/// The social share in force for an internal share (doubles). Model 2:
/// y = 1 - 0.3 / (0.3 + Int) + 0.2 × Int, y = 0.05 + y, result R3(y); any
/// other model: R3(Int). Throws at Int = -0.3 and for a non-finite Int.
double ExtAusInt(int modell, double intAnteil);

/// The first x of 0, 0.003, 0.006, ... (x grows by repeated addition) with
/// ExtAusInt(2, x) >= Ext; 0 for any Ext up to 0.05. Throws for a non-finite
/// Ext or one the curve would need more than a million steps to reach.
double IntAusExt(double ext);

/// The inflow factor of a month, as a scaled fraction in 0..10000: 0 without
/// any flow, 5000 without payouts, rising with the ratio of payments in to
/// payouts.
Money Zuflussfaktor(Money einzahlungen, Money auszahlungen);

/// The fund's cover, as a scaled fraction in 0..10000: the balance per
/// incoming booking (when there are any) as a fraction of the basic security
/// (when it is positive).
Money Deckungsgrad(int eingangsbuchungen, Money summe, Money grundsicherung);

/// x³ of a scaled fraction x, taken in units, as a double; negative results are 0.
double Kubik(Money x);

/// R4((1 - w) × a + w × b) in units: w weighs the second argument.
Money MischeBetrag(Money a, Money b, double w);

/// w × a + (1 - w) × b: w weighs the first argument.
double Mische(double a, double b, double w);

/// The internal share for the next month (double, not clamped):
/// Mische(IntAlt, MischeBetrag(r, s, Kubik(s)), Daempfung) with
/// r = Zuflussfaktor(Einzahlungen, Auszahlungen) and
/// s = Deckungsgrad(Eingangsbuchungen, Summe, Grundsicherung).
double NeuerIntSozialanteil(int eingangsbuchungen, Money einzahlungen, Money auszahlungen,
                            Money summe, Money grundsicherung, double intAlt, double daempfung);

/// How far the opening balance carries the month's invoices (double):
/// 1 - (Rechnungen - SummeVormonat) / Rechnungen when Rechnungen > 0, else Vorgabe.
double Deckungsquote(Money summeVormonat, Money rechnungen, double vorgabe);

/// The simulated invoice amount. Model 2: Betrag × R4(0.15 + 0.05 / (1 - Sozialanteil)),
/// the product in units, rounded by R4; any other model: Betrag. Throws for a
/// share of exactly 1 under model 2.
Money KaeuferBetrag(int kaeufer, Money betrag, double sozialanteil);
