#include "data/monatkey.h"

#include "algo/fehler.h"
#include "data/bankdaten.h"
#include "data/cp1252.h"
#include "data/textformat.h"

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
    QString n = name;
    static const std::pair<const char16_t *, const char16_t *> umlaute[] = {
        {u"\u00C4", u"Ae"}, {u"\u00E4", u"ae"}, {u"\u00D6", u"Oe"}, {u"\u00F6", u"oe"},
        {u"\u00DC", u"Ue"}, {u"\u00FC", u"ue"}, {u"\u00DF", u"ss"},
    };
    for (const auto &[von, nach] : umlaute)
        n.replace(QString::fromUtf16(von), QString::fromUtf16(nach));
    for (QChar c : QStringLiteral(",.;:+/ "))
        n.replace(c, QLatin1Char('_'));
    while (n.contains(QLatin1String("__")))
        n.replace(QLatin1String("__"), QLatin1String("_"));
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
    if (Bankdaten::SepaText(name, 70).trimmed().isEmpty())
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
