#include "dokumente/format.h"

#include "algo/runden.h"
#include "data/textformat.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>
#include <cstdlib>

namespace {

const QLocale Deutsch(QLocale::German, QLocale::Germany);

} // namespace

namespace Druckformat {

QString Betrag(Money b)
{
    // People see cents, rounded commercially; the data files keep the four
    // decimals the rules compute with.
    return Textformat::betragText(AufCentOhneGrenze(b), true);
}

QString Euro(Money b)
{
    return Betrag(b) + QStringLiteral("\u00A0\u20AC");
}

QString Tabellenbetrag(Money b)
{
    return Textformat::betragText(AufCentOhneGrenze(b), false);
}

QString Prozent(double anteil)
{
    return Deutsch.toString(anteil * 100.0, 'f', 2) + QStringLiteral(" %");
}

QString Monat(const QString &monat, bool kurz)
{
    const int jahr = monat.left(4).toInt();
    const int m = monat.mid(4, 2).toInt();
    if (m < 1 || m > 12)
        return monat;
    if (kurz)
        return Deutsch.monthName(m, QLocale::ShortFormat) + QLatin1Char(' ') + monat.mid(2, 2);
    return Deutsch.monthName(m) + QLatin1Char(' ') + QString::number(jahr);
}

QString Optionsfehler(const QString &fehlertext, const QStringList &unbekannt)
{
    const auto strich = [](const QString &name) {
        return QString(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    };
    if (!unbekannt.isEmpty()) {
        QStringList namen;
        for (const QString &name : unbekannt)
            namen.append(QStringLiteral("\u201E%1\u201C").arg(strich(name)));
        return (unbekannt.size() == 1 ? QStringLiteral("Unbekannte Option %1.") : QStringLiteral("Unbekannte Optionen %1."))
            .arg(namen.join(QStringLiteral(", ")));
    }
    // The parser's own texts name the option between apostrophes.
    static const QRegularExpression genannt(QStringLiteral("'([^']*)'"));
    const QString option = genannt.match(fehlertext).captured(1);
    if (fehlertext.startsWith(QLatin1String("Missing value")))
        return QStringLiteral("Der Option \u201E%1\u201C fehlt ihr Wert.").arg(option);
    if (fehlertext.startsWith(QLatin1String("Unexpected value")))
        return QStringLiteral("Die Option \u201E%1\u201C nimmt keinen Wert.").arg(option);
    return QStringLiteral("Die Optionen sind so nicht lesbar.");
}

} // namespace Druckformat

namespace Eingabe {

std::optional<double> Zahl(const QString &text)
{
    const auto wert = Textformat::textZuFloat(text);
    return wert && R4Optional(*wert) ? wert : std::nullopt;
}

std::optional<Money> Betrag(const QString &text)
{
    const auto wert = Textformat::textZuFloat(text);
    return wert ? R4Genau(*wert) : std::nullopt;
}

QString BetragFehler(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QStringLiteral("Bitte einen Betrag in Euro eingeben, z. B. 80,25.");
    const QString zitat = QStringLiteral("\u201E%1\u201C").arg(t.left(30));
    if (const auto betrag = Betrag(t)) {
        if (*betrag < 0)
            return QStringLiteral("Der Betrag darf nicht negativ sein.");
        if (*betrag > BetragGrenze)
            return QStringLiteral("%1 ist zu groß: höchstens %2 können gebucht werden.").arg(zitat, Druckformat::Euro(BetragGrenze));
        return QString();
    }
    static const QRegularExpression mitPunkt(QStringLiteral("^-?\\d+\\.\\d+$"));
    if (mitPunkt.match(t).hasMatch())
        return QStringLiteral("%1 ist kein Betrag: das Dezimalzeichen ist das Komma (%2).")
            .arg(zitat, QString(t).replace(QLatin1Char('.'), QLatin1Char(',')));
    static const QRegularExpression zuGenau(QStringLiteral("^-?\\d+,\\d{5,}$"));
    if (zuGenau.match(t).hasMatch())
        return QStringLiteral("%1 ist kein Betrag: höchstens vier Stellen nach dem Komma.").arg(zitat);
    return QStringLiteral("%1 ist kein Betrag: nur Ziffern und ein Komma, ohne Tausenderpunkte (z. B. 1250,50).").arg(zitat);
}

} // namespace Eingabe
