#pragma once

// Helpers shared by the engine's units; not part of its interface.

#include "algo/fehler.h"
#include "algo/typen.h"
#include "data/cp1252.h"
#include "data/textformat.h"

#include <QString>

namespace Intern {

inline QString geldText(Money wert)
{
    return Textformat::moneyZuText(wert);
}

inline QString zahl(double wert)
{
    return Textformat::floatZuText(wert);
}

// A text as it can stand in the log: what Windows-1252 or a line cannot hold becomes "?".
inline QString fuerLog(const QString &text)
{
    QString t = text;
    for (qsizetype i = 0; i < t.size(); ++i)
        if (Cp1252::istSteuerzeichen(t[i]) || !Cp1252::darstellbar(t.mid(i, 1)))
            t[i] = QLatin1Char('?');
    return t;
}

// A step of a booking that failed: the whole operation is undone.
[[noreturn]] inline void misslungen(const QString &was)
{
    throw VennlokFehler(QStringLiteral("%1 ist misslungen; es wurde nichts gebucht.").arg(was));
}

// Why an amount is refused that lies beyond what may be booked.
inline QString betragZuGross(Money betrag)
{
    return QStringLiteral("Der Betrag %1 ist nicht zulässig: erlaubt sind Beträge bis 100.000.000. "
                          "Es wurde nichts gebucht.").arg(geldText(betrag));
}

// Command scripts of the data directory.
inline const QString SkriptSicherung = QStringLiteral("G654J76N.BAT");
inline const QString SkriptTransfers = QStringLiteral("T633786A.BAT");
inline const QString SkriptFenster = QStringLiteral("B7654F.BAT");

// A bank schema built into the program (engine/sepa/), read once.
QByteArray schema(const QString &datei);

// The month's transfers list.
inline const QString Transfers = QStringLiteral("Transfers.tra");

} // namespace Intern
