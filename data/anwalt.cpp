#include "data/anwalt.h"


namespace {

QString abschnitt(const MonthKey &monat)
{
    return QStringLiteral("Honorare") + monat;
}

} // namespace

const QString TAnwalt::Dateiname = QStringLiteral("A_Anwaltshonorare.ven");

bool TAnwalt::HonorareSetzen(const MonthKey &monat, DateTime datum, Money honorarEin, Money honorarRech)
{
    return Geschuetzt([&] {
        WriteDateTime(abschnitt(monat), QStringLiteral("berechnet am"), datum);
        WriteMoney(abschnitt(monat), QStringLiteral("aus Eingangsbuchungen"), honorarEin);
        WriteMoney(abschnitt(monat), QStringLiteral("aus Rechnungsbuchungen"), honorarRech);
        WriteMoney(abschnitt(monat), QStringLiteral("Honorare gesamt"), honorarEin + honorarRech);
        UpdateFile();
    });
}

Money TAnwalt::HonorareGesamt(const MonthKey &monat) const
{
    return ReadMoney(abschnitt(monat), QStringLiteral("Honorare gesamt"), FehlwertMoney);
}
