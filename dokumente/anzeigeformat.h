#pragma once

#include "algo/typen.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

/// How the windows show figures (always the German forms) and read the
/// key-value lines of their memos.
namespace Anzeigeformat {

/// The fund: rounded to 8 significant digits, "1.234.567,90 €"; with more
/// than 8 digits before the decimal comma "-2,1474836E09" without currency symbol.
QString Kasse(Money betrag);

/// A share: rounded to 4 significant digits, shown with 2 decimals ("0,50").
QString Anteil(double anteil);

/// An amount in units as the files write it ("141,7397"), for the invoice preview.
QString Einheitentext(Money betrag);

/// A value of the adjustment dialog: at least 2 and as many decimals as it
/// holds up to 4, no thousands separator ("180,00", "0,657", "-300,00"), so
/// that confirming an unchanged value changes nothing.
QString Dialogwert(double wert);
/// An amount as a value of the adjustment dialog, in units ("180,00").
QString DialogBetrag(Money betrag);

/// The items of a memo that carry a value, one per line "key=value;": the
/// key before the line's first "=", the value after it up to the line's
/// first ";" (or its end), both trimmed, so that " IBAN = …" is checked as
/// an IBAN. Lines without "=" or with an empty value
/// give none.
struct Eintrag
{
    QString schluessel;
    QString wert;
};
QList<Eintrag> MemoEintraege(const QString &text);

/// Fills a memo template with stored values: stored keys missing from the
/// template are appended as key + "=;", then every empty line key + "=;"
/// whose key has a value gets it.
QStringList MemoFuellen(QStringList zeilen, const QList<QPair<QString, QString>> &gespeichert);

} // namespace Anzeigeformat
