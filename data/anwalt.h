#pragma once

#include "data/monatkey.h"
#include "data/rollmeminifile.h"

/// The trustee's fees month by month, "A_Anwaltshonorare.ven": one section
/// "Honorare" + month per closed month.
class TAnwalt : public TRollMemIniFile
{
public:
    using TRollMemIniFile::TRollMemIniFile;

    static const QString Dateiname; // "A_Anwaltshonorare.ven"

    /// Records the month's fees (overwriting an earlier record of the month)
    /// and writes the file. False on any failure; memory keeps what was set.
    bool HonorareSetzen(const MonthKey &monat, DateTime datum, Money honorarEin, Money honorarRech);

    /// The month's total fee; the missing-value sentinel when there is none.
    Money HonorareGesamt(const MonthKey &monat) const;
};
