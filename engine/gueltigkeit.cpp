// What values a pact may hold: the same rules for founding, contracts and
// the master data and cash book read from disk.

#include "engine/einheiten.h"

#include "algo/formeln.h"
#include "algo/runden.h"
#include "engine/intern.h"

using namespace Intern;

namespace {

enum class Bedingung { Positiv, NichtNegativ, NichtPositiv, Anteil, AnteilInKraft };

struct Regel
{
    QString schluessel;
    Bedingung bedingung;
};

const Regel Regeln[] = {
    {QStringLiteral("Beitrag"), Bedingung::Positiv},
    {QStringLiteral("HonorarEingangsbuchung"), Bedingung::NichtNegativ},
    {QStringLiteral("HonorarRechnungsbuchung"), Bedingung::NichtNegativ},
    {QStringLiteral("IntSozialanteil"), Bedingung::Anteil},
    {QStringLiteral("ExtSozialanteil"), Bedingung::AnteilInKraft},
    {QStringLiteral("Daempfung"), Bedingung::Anteil},
    {QStringLiteral("Grundsicherung"), Bedingung::Positiv},
    {QStringLiteral("LimitVirtSumme"), Bedingung::NichtPositiv},
};

bool istAnteil(Bedingung b)
{
    return b == Bedingung::Anteil || b == Bedingung::AnteilInKraft;
}

// Why wert (units for amounts) breaks the rule; empty when it keeps it.
QString verletzt(Bedingung b, double wert)
{
    const double grenze = double(BetragGrenze / MoneyProEinheit);
    // The share in force follows the internal one on its curve, which ends a little above 1.
    const double hoechsterAnteil = b == Bedingung::AnteilInKraft ? ExtAusInt(2, 1.0) : 1.0;
    switch (b) {
    case Bedingung::Positiv:
        return wert > 0 && wert <= grenze ? QString() : QStringLiteral("größer als 0 und höchstens 100.000.000");
    case Bedingung::NichtNegativ:
        return wert >= 0 && wert <= grenze ? QString() : QStringLiteral("von 0 bis 100.000.000");
    case Bedingung::NichtPositiv:
        return wert <= 0 && wert >= -grenze ? QString() : QStringLiteral("von -100.000.000 bis 0");
    case Bedingung::Anteil:
    case Bedingung::AnteilInKraft:
        return wert >= 0 && wert <= hoechsterAnteil ? QString()
                                                    : QStringLiteral("von 0 bis %1").arg(zahl(hoechsterAnteil));
    }
    return QString();
}

const Regel &regel(const QString &schluessel)
{
    for (const Regel &r : Regeln)
        if (r.schluessel == schluessel)
            return r;
    throw VennlokFehler(QStringLiteral("Unbekannter Parameter %1.").arg(schluessel));
}

} // namespace

void TPruefung::WerteVerlangen(const QList<std::pair<QString, double>> &werte)
{
    for (const auto &[schluessel, wert] : werte) {
        const Regel &r = regel(schluessel);
        const QString erlaubt = verletzt(r.bedingung, wert);
        if (!erlaubt.isEmpty())
            throw VennlokFehler(QStringLiteral("%1 %2 ist nicht zulässig; erlaubt ist %3. Es wurde nichts gebucht.")
                                    .arg(schluessel, zahl(wert), erlaubt),
                                QString(), VennlokFehler::Grenze);
    }
}

void TKontext::dateienPruefen()
{
    if (!PaktVorhanden())
        return;
    // The master data: the booking month and every parameter where it stands.
    const QString start = QStringLiteral("Startdaten"), aktuell = QStringLiteral("aktuelle Daten");
    const QString monatKey = QStringLiteral("Buchungsmonat");
    daten->VollstaendigVerlangen(start, {monatKey});
    if (!daten->ValueExists(aktuell, QStringLiteral("Beitrag")))
        daten->VollstaendigVerlangen(start, {QStringLiteral("Beitrag")});
    for (const QString &section : {start, aktuell}) {
        const MonthKey monat = daten->ReadString(section, monatKey, QString());
        if (!MonatGueltig(monat))
            daten->Beschaedigt(section, monatKey,
                                 monat.isEmpty() ? QStringLiteral("fehlt")
                                                 : QStringLiteral("\u201E%1\u201C ist kein Monat (JJJJMM, Monat 01 bis 12)")
                                                       .arg(Textformat::zitat(monat)));
        for (const Regel &r : Regeln) {
            if (!daten->ValueExists(section, r.schluessel))
                continue;
            const double wert = istAnteil(r.bedingung)
                                    ? daten->FloatNoetig(section, r.schluessel)
                                    : Einheiten(daten->MoneyNoetig(section, r.schluessel));
            const QString erlaubt = verletzt(r.bedingung, wert);
            if (!erlaubt.isEmpty())
                daten->Beschaedigt(section, r.schluessel,
                                     QStringLiteral("ist %1; erlaubt ist %2").arg(zahl(wert), erlaubt));
        }
    }
    if (Buchungsmonat() < daten->Startmonat())
        daten->Beschaedigt(aktuell, monatKey, QStringLiteral("liegt vor dem Startmonat"));
    // The open cash book: every total a booking adds to, and the month's counters.
    if (kasse)
        TPruefung::KassePruefen(*kasse, Buchungsmonat());
}

void TPruefung::KassePruefen(const TKasse &kasse, const MonthKey &monat)
{
    for (const QString &key : TKasse::Summen)
        kasse.MoneyNoetig(TKasse::Abschnitt, key);
    for (const QString &zaehler : TKasse::Zaehler)
        if (kasse.ValueExists(TKasse::Abschnitt, zaehler + monat))
            kasse.IntegerNoetig(TKasse::Abschnitt, zaehler + monat);
}
