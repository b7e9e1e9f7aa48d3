#include "data/monatkey.h"

#include "algo/fehler.h"
#include "data/bankdaten.h"
#include "data/cp1252.h"
#include "data/textformat.h"

#include <algorithm>

namespace {

QString zweistellig(int n)
{
    const QString t = QString::number(n);
    return t.size() == 1 ? QLatin1Char('0') + t : t;
}

int ziffernZuZahl(const MonthKey &monat, int von, int anzahl)
{
    const QString teil = monat.mid(von, anzahl);
    bool ok = teil.size() == anzahl;
    for (QChar c : teil)
        ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!ok)
        throw VennlokFehler(QStringLiteral("\u201E%1\u201C ist kein gültiger Monat.").arg(monat));
    return teil.toInt();
}

struct JahrMonat
{
    int jahr;
    int monat;
};

JahrMonat zerlegen(const MonthKey &monat)
{
    return {ziffernZuZahl(monat, 0, 4), ziffernZuZahl(monat, 4, 2)};
}

// Four digits for the year whatever it is: a year outside 1000 to 9999 gives
// a key of another length or with leading zeros, which MonatGueltig refuses.
MonthKey zusammensetzen(int jahr, int monat)
{
    return QStringLiteral("%1").arg(jahr, 4, 10, QLatin1Char('0')) + zweistellig(monat);
}

} // namespace

MonthKey MonatKey(DateTime datum)
{
    const QDate d = Textformat::zuQDateTime(datum).date();
    return zusammensetzen(d.year(), d.month());
}

QString DatumText(DateTime datum)
{
    const QDate d = Textformat::zuQDateTime(datum).date();
    return QString::number(d.year()) + zweistellig(d.month()) + zweistellig(d.day());
}

MonthKey Vormonat(const MonthKey &monat)
{
    const JahrMonat jm = zerlegen(monat);
    if (jm.monat <= 1)
        return zusammensetzen(jm.jahr - 1, 12);
    return zusammensetzen(jm.jahr, jm.monat - 1);
}

MonthKey Folgemonat(const MonthKey &monat)
{
    const JahrMonat jm = zerlegen(monat);
    if (jm.monat >= 12)
        return zusammensetzen(jm.jahr + 1, 1);
    return zusammensetzen(jm.jahr, jm.monat + 1);
}

QString NameFuerDatei(const QString &name)
{
    // One pass, as every booking folds its name: umlauts and ß spelled out,
    // ",.;:+/" and blanks become "_", and a run of "_" becomes one.
    QString n;
    n.reserve(name.size() + 4);
    const auto anhaengen = [&n](QChar c) {
        if (c != QLatin1Char('_') || n.isEmpty() || n.back() != QLatin1Char('_'))
            n.append(c);
    };
    for (const QChar c : name) {
        switch (c.unicode()) {
        case 0x00C4: n.append(QLatin1String("Ae")); break;
        case 0x00E4: n.append(QLatin1String("ae")); break;
        case 0x00D6: n.append(QLatin1String("Oe")); break;
        case 0x00F6: n.append(QLatin1String("oe")); break;
        case 0x00DC: n.append(QLatin1String("Ue")); break;
        case 0x00FC: n.append(QLatin1String("ue")); break;
        case 0x00DF: n.append(QLatin1String("ss")); break;
        case ',': case '.': case ';': case ':': case '+': case '/': case ' ': anhaengen(QLatin1Char('_')); break;
        default: anhaengen(c); break;
        }
    }
    return n;
}

QString TeilhaberDateiname(const QString &name)
{
    return QStringLiteral("T_") + name + QStringLiteral(".ven");
}

QString NameAusDateiname(const QString &dateiname)
{
    const qsizetype p = dateiname.indexOf(QLatin1String(".ven"));
    if (p < 2)
        return QString();
    return dateiname.mid(2, p - 2);
}

QString TeilhaberNameFehler(const QString &name)
{
    const auto fehler = [&](const QString &grund) {
        return QStringLiteral("Der Teilhabername \u201E%1\u201C ist nicht zulässig: %2.").arg(Textformat::zitat(name), grund);
    };
    if (name.trimmed().isEmpty())
        return QStringLiteral("Bitte einen Teilhabernamen angeben.");
    if (name.size() > 60)
        return fehler(QStringLiteral("er ist länger als 60 Zeichen"));
    for (QChar c : name) {
        if (Cp1252::istSteuerzeichen(c))
            return fehler(QStringLiteral("er enthält ein Steuerzeichen"));
        if (QStringLiteral("=[]\\*?\"<>|").contains(c))
            return fehler(QStringLiteral("das Zeichen \u201E%1\u201C ist nicht erlaubt").arg(c));
    }
    const qsizetype falsch = Cp1252::ersteNichtDarstellbare(name);
    if (falsch >= 0)
        return fehler(QStringLiteral("das Zeichen \u201E%1\u201C kann in den Dateien nicht gespeichert werden")
                          .arg(name.mid(falsch, name[falsch].isHighSurrogate() ? 2 : 1)));
    // The name is the holder of the participant's transfers unless the address names another.
    // A Latin letter or digit always reaches the bank; only a name without one is transliterated to see.
    const bool lateinisch = std::any_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() < 0x80 && c.isLetterOrNumber(); });
    if (!lateinisch && Bankdaten::SepaText(name, 70).trimmed().isEmpty())
        return fehler(QStringLiteral("er enthält keinen Buchstaben und keine Ziffer, die eine Bank überweisen kann"));
    return QString();
}

bool MonatGueltig(const MonthKey &monat)
{
    if (monat.size() != 6)
        return false;
    for (QChar c : monat)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    const int jahr = monat.left(4).toInt();
    const int m = monat.mid(4).toInt();
    return jahr >= 1900 && jahr <= 9998 && m >= 1 && m <= 12;
}
