#include "data/bankdaten.h"

#include <QHash>
#include <QRegularExpression>

namespace {

// The IBAN lengths of the countries of the SEPA schemes (ISO 13616 registry).
const QHash<QString, int> &ibanLaengen()
{
    static const QHash<QString, int> laengen{
        {"AD", 24}, {"AT", 20}, {"BE", 16}, {"BG", 22}, {"CH", 21}, {"CY", 28}, {"CZ", 24}, {"DE", 22}, {"DK", 18},
        {"EE", 20}, {"ES", 24}, {"FI", 18}, {"FR", 27}, {"GB", 22}, {"GI", 23}, {"GR", 27}, {"HR", 21}, {"HU", 28},
        {"IE", 22}, {"IS", 26}, {"IT", 27}, {"LI", 21}, {"LT", 20}, {"LU", 20}, {"LV", 21}, {"MC", 27}, {"MT", 31},
        {"NL", 18}, {"NO", 15}, {"PL", 28}, {"PT", 25}, {"RO", 24}, {"SE", 24}, {"SI", 19}, {"SK", 24}, {"SM", 27},
        {"VA", 22}};
    return laengen;
}

// Easter Sunday of the Gregorian calendar (the anonymous Gregorian algorithm).
QDate ostersonntag(int jahr)
{
    const int a = jahr % 19, b = jahr / 100, c = jahr % 100, d = b / 4, e = b % 4;
    const int f = (b + 8) / 25, g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7, m = (a + 11 * h + 22 * l) / 451;
    const int monat = (h + l - 7 * m + 114) / 31, tag = (h + l - 7 * m + 114) % 31 + 1;
    return QDate(jahr, monat, tag);
}

bool bankarbeitstag(const QDate &tag)
{
    if (tag.dayOfWeek() >= 6)
        return false;
    const int m = tag.month(), d = tag.day();
    if ((m == 1 && d == 1) || (m == 5 && d == 1) || (m == 12 && (d == 25 || d == 26)))
        return false;
    const QDate ostern = ostersonntag(tag.year());
    return tag != ostern.addDays(-2) && tag != ostern.addDays(1);
}

} // namespace

namespace Bankdaten {

QString IbanNormal(const QString &text)
{
    QString iban = text;
    iban.remove(QLatin1Char(' '));
    return iban.toUpper();
}

QString IbanFehler(const QString &text)
{
    const QString iban = IbanNormal(text);
    if (iban.isEmpty())
        return QStringLiteral("Die IBAN fehlt.");
    static const QRegularExpression form(QStringLiteral("^[A-Z0-9]+$"));
    if (!form.match(iban).hasMatch())
        return QStringLiteral("Die IBAN darf nur Buchstaben und Ziffern enthalten.");
    const QString land = iban.left(2);
    const auto laenge = ibanLaengen().constFind(land);
    if (iban.size() < 4 || !land.at(0).isLetter() || !land.at(1).isLetter() || laenge == ibanLaengen().constEnd())
        return QStringLiteral("Die IBAN beginnt nicht mit dem Ländercode eines SEPA-Landes (\u201E%1\u201C).").arg(land);
    if (!iban.at(2).isDigit() || !iban.at(3).isDigit())
        return QStringLiteral("Nach dem Ländercode stehen in der IBAN zwei Prüfziffern.");
    if (iban.size() != *laenge)
        return QStringLiteral("Eine IBAN aus %1 hat %2 Zeichen, diese hat %3.").arg(land).arg(*laenge).arg(iban.size());
    // Mod 97 over the number with the first four characters moved to the end, letters as 10 to 35.
    int rest = 0;
    for (const QChar c : iban.mid(4) + iban.left(4)) {
        const int wert = c.isDigit() ? c.digitValue() : c.unicode() - 'A' + 10;
        rest = (wert >= 10 ? rest * 100 : rest * 10) + wert;
        rest %= 97;
    }
    if (rest != 1)
        return QStringLiteral("Die Prüfziffern der IBAN stimmen nicht: vermutlich ein Tippfehler.");
    return QString();
}

QString BicFehler(const QString &text)
{
    const QString bic = text.trimmed().toUpper();
    static const QRegularExpression form(QStringLiteral("^[A-Z0-9]{4}[A-Z]{2}[A-Z0-9]{2}([A-Z0-9]{3})?$"));
    if (bic.isEmpty() || form.match(bic).hasMatch())
        return QString();
    return QStringLiteral("\u201E%1\u201C ist keine BIC: sie hat 8 oder 11 Zeichen, darin an 5. und 6. Stelle den Ländercode.")
        .arg(bic.left(20));
}

QString InhaberFehler(const QString &inhaber)
{
    if (inhaber.trimmed().isEmpty() || !SepaText(inhaber, 70).trimmed().isEmpty())
        return QString();
    return QStringLiteral("Der Kontoinhaber \u201E%1\u201C enthält kein Zeichen, das eine Bank überweisen kann "
                          "(Buchstaben, Ziffern, Leerzeichen und / - ? : ( ) . , ' +).").arg(inhaber.trimmed().left(40));
}

QString AngabeFehler(const QString &schluessel, const QString &wert)
{
    if (schluessel == QLatin1String("IBAN"))
        return IbanFehler(wert);
    if (schluessel == QLatin1String("BIC"))
        return BicFehler(wert);
    if (schluessel == QLatin1String("Kontoinhaber"))
        return InhaberFehler(wert);
    return QString();
}

QString AngabeNormal(const QString &schluessel, const QString &wert)
{
    const bool bank = schluessel == QLatin1String("IBAN") || schluessel == QLatin1String("BIC");
    return bank ? IbanNormal(wert) : wert;
}

QString SepaText(const QString &text, int laenge)
{
    static const QHash<QChar, QString> umlaute{{QChar(0xE4), "ae"}, {QChar(0xF6), "oe"}, {QChar(0xFC), "ue"},
                                               {QChar(0xC4), "Ae"}, {QChar(0xD6), "Oe"}, {QChar(0xDC), "Ue"},
                                               {QChar(0xDF), "ss"}};
    static const QString erlaubt = QStringLiteral("/-?:().,'+ ");
    QString ergebnis;
    for (const QChar c : text) {
        if (umlaute.contains(c)) {
            ergebnis += umlaute[c];
            continue;
        }
        const QChar basis = QString(c).normalized(QString::NormalizationForm_D).at(0);
        const bool latein = basis.unicode() < 128 && (basis.isLetterOrNumber() || erlaubt.contains(basis));
        ergebnis += latein ? basis : QLatin1Char(' ');
    }
    return ergebnis.simplified().left(laenge).trimmed();
}

QDate NaechsterBankarbeitstag(const QDate &tag)
{
    QDate naechster = tag.addDays(1);
    while (!bankarbeitstag(naechster))
        naechster = naechster.addDays(1);
    return naechster;
}

} // namespace Bankdaten
