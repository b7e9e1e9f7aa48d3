#include "data/bankdaten.h"
#include "data/textformat.h"
#include "data/uhr.h"

#include <QHash>
#include <QRegularExpression>

namespace {

// The countries of the SEPA schemes as of 2026 (with Albania, Moldova,
// Montenegro and North Macedonia, members since 2024/25, and Serbia) and
// the form of their account part (BBAN) as the ISO 13616 IBAN registry
// gives it: n digits, a capital letters, c letters or digits, each with its
// count. The IBAN's length is 4 more than the account part's.
const QHash<QString, QString> &bbanFormen()
{
    static const QHash<QString, QString> formen{
        {"AD", "4!n4!n12!c"}, {"AL", "8!n16!c"}, {"AT", "5!n11!n"}, {"BE", "3!n7!n2!n"}, {"BG", "4!a4!n2!n8!c"},
        {"CH", "5!n12!c"}, {"CY", "3!n5!n16!c"}, {"CZ", "4!n6!n10!n"}, {"DE", "8!n10!n"}, {"DK", "4!n9!n1!n"},
        {"EE", "2!n2!n11!n1!n"}, {"ES", "4!n4!n1!n1!n10!n"}, {"FI", "3!n11!n"}, {"FR", "5!n5!n11!c2!n"},
        {"GB", "4!a6!n8!n"}, {"GI", "4!a15!c"}, {"GR", "3!n4!n16!c"}, {"HR", "7!n10!n"}, {"HU", "3!n4!n1!n15!n1!n"},
        {"IE", "4!a6!n8!n"}, {"IS", "4!n2!n6!n10!n"}, {"IT", "1!a5!n5!n12!c"}, {"LI", "5!n12!c"}, {"LT", "5!n11!n"},
        {"LU", "3!n13!c"}, {"LV", "4!a13!c"}, {"MC", "5!n5!n11!c2!n"}, {"MD", "2!c18!c"}, {"ME", "3!n13!n2!n"},
        {"MK", "3!n10!c2!n"}, {"MT", "4!a5!n18!c"}, {"NL", "4!a10!n"}, {"NO", "4!n6!n1!n"}, {"PL", "8!n16!n"},
        {"PT", "4!n4!n11!n2!n"}, {"RO", "4!a16!c"}, {"RS", "3!n13!n2!n"}, {"SE", "3!n16!n1!n"}, {"SI", "5!n8!n2!n"},
        {"SK", "4!n6!n10!n"}, {"SM", "1!a5!n5!n12!c"}, {"VA", "3!n15!n"}};
    return formen;
}

// The pieces of a registry form: count and kind ('n', 'a' or 'c').
QList<std::pair<int, char>> stuecke(const QString &form)
{
    QList<std::pair<int, char>> liste;
    static const QRegularExpression stueck(QStringLiteral("(\\d+)!([nac])"));
    for (auto it = stueck.globalMatch(form); it.hasNext();) {
        const auto m = it.next();
        liste.append({m.captured(1).toInt(), m.captured(2).at(0).toLatin1()});
    }
    return liste;
}

int bbanLaenge(const QString &form)
{
    int laenge = 0;
    for (const auto &[anzahl, art] : stuecke(form))
        laenge += anzahl;
    return laenge;
}

// Whether bban has the form; where not, "4 Buchstaben, dann 14 Ziffern" for the message.
bool bbanPasst(const QString &bban, const QString &form, QString &beschreibung)
{
    qsizetype pos = 0;
    bool passt = true;
    QList<std::pair<int, char>> zusammen; // neighbours of one kind joined for the message
    for (const auto &[anzahl, art] : stuecke(form)) {
        for (int i = 0; i < anzahl; ++i, ++pos) {
            const QChar c = bban.at(pos);
            const bool ziffer = c.isDigit(), buchstabe = c >= QLatin1Char('A') && c <= QLatin1Char('Z');
            passt = passt && (art == 'n' ? ziffer : art == 'a' ? buchstabe : ziffer || buchstabe);
        }
        if (!zusammen.isEmpty() && zusammen.last().second == art)
            zusammen.last().first += anzahl;
        else
            zusammen.append({anzahl, art});
    }
    QStringList teile;
    for (const auto &[anzahl, art] : zusammen)
        teile.append(QStringLiteral("%1 %2").arg(anzahl).arg(art == 'n'   ? QStringLiteral("Ziffern")
                                                               : art == 'a' ? QStringLiteral("Buchstaben")
                                                                            : QStringLiteral("Buchstaben oder Ziffern")));
    beschreibung = teile.join(QStringLiteral(", dann "));
    return passt;
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

namespace {

// Mod 97 (ISO 7064 mod 97-10) over a text of digits and letters, letters as 10 to 35.
int mod97(const QString &text)
{
    int rest = 0;
    for (const QChar c : text) {
        const int wert = c.isDigit() ? c.digitValue() : c.unicode() - 'A' + 10;
        rest = (wert >= 10 ? rest * 100 : rest * 10) + wert;
        rest %= 97;
    }
    return rest;
}

} // namespace

namespace Bankdaten {

QString IbanNormal(const QString &text)
{
    // Pasted from a web page or a spreadsheet an IBAN brings non-breaking
    // spaces and tabs: every kind of blank goes.
    QString iban;
    for (const QChar c : text)
        if (!c.isSpace())
            iban += c;
    return iban.toUpper();
}

QString IbanFehler(const QString &text)
{
    const QString iban = IbanNormal(text);
    if (iban.isEmpty())
        return QStringLiteral("Die IBAN fehlt.");
    static const QRegularExpression zeichen(QStringLiteral("^[A-Z0-9]+$"));
    if (!zeichen.match(iban).hasMatch())
        return QStringLiteral("Die IBAN darf nur Buchstaben und Ziffern enthalten.");
    const QString land = iban.left(2);
    const auto form = bbanFormen().constFind(land);
    if (iban.size() < 4 || !land.at(0).isLetter() || !land.at(1).isLetter() || form == bbanFormen().constEnd())
        return QStringLiteral("Die IBAN beginnt nicht mit dem Ländercode eines SEPA-Landes (\u201E%1\u201C).").arg(land);
    if (!iban.at(2).isDigit() || !iban.at(3).isDigit())
        return QStringLiteral("Nach dem Ländercode stehen in der IBAN zwei Prüfziffern.");
    const int laenge = 4 + bbanLaenge(*form);
    if (iban.size() != laenge)
        return QStringLiteral("Eine IBAN aus %1 hat %2 Zeichen, diese hat %3.").arg(land).arg(laenge).arg(iban.size());
    QString aufbau;
    if (!bbanPasst(iban.mid(4), *form, aufbau))
        return QStringLiteral("Die IBAN passt nicht zum Aufbau der Konten aus %1: nach den Prüfziffern stehen dort %2.")
            .arg(land, aufbau);
    // Computed check digits lie from 02 to 98; 00, 01 and 99 pass mod 97 all the same.
    const int pruefziffern = iban.mid(2, 2).toInt();
    if (pruefziffern < 2 || pruefziffern > 98)
        return QStringLiteral("Die Prüfziffern %1 gibt es nicht (erlaubt sind 02 bis 98): vermutlich ein Tippfehler.")
            .arg(iban.mid(2, 2));
    if (mod97(iban.mid(4) + iban.left(4)) != 1)
        return QStringLiteral("Die Prüfziffern der IBAN stimmen nicht: vermutlich ein Tippfehler.");
    return QString();
}

QString GlaeubigerIdFehler(const QString &text)
{
    const QString id = IbanNormal(text);
    if (id.isEmpty())
        return QString();
    static const QRegularExpression form(QStringLiteral("^[A-Z]{2}[0-9]{2}[A-Z0-9]{3}[A-Z0-9]{1,28}$"));
    if (!form.match(id).hasMatch())
        return QStringLiteral("Eine Gläubiger-Identifikationsnummer hat die Form Land, zwei Prüfziffern, drei Zeichen "
                              "Geschäftsbereich und die nationale Kennung (z. B. DE98ZZZ09999999999); \u201E%1\u201C hat sie nicht.")
            .arg(Textformat::zitat(text.trimmed()));
    if (id.startsWith(QLatin1String("DE")) && id.size() != 18)
        return QStringLiteral("Eine deutsche Gläubiger-Identifikationsnummer hat 18 Zeichen, diese hat %1.").arg(id.size());
    // Mod 97-10 over the national id followed by the country and the check digits; the business code is left out.
    if (mod97(id.mid(7) + id.left(4)) != 1)
        return QStringLiteral("Die Prüfziffern der Gläubiger-Identifikationsnummer stimmen nicht: vermutlich ein Tippfehler.");
    return QString();
}

QString MandatsreferenzFehler(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^[A-Za-z0-9+?/:().,' -]{1,35}$"));
    if (text.isEmpty() || form.match(text).hasMatch())
        return QString();
    return QStringLiteral("Eine Mandatsreferenz hat höchstens 35 Zeichen aus Buchstaben ohne Umlaute, Ziffern, dem "
                          "Leerzeichen und + ? / - : ( ) . , '.");
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
    if (schluessel == QLatin1String("Mandatsreferenz"))
        return MandatsreferenzFehler(wert);
    if (schluessel == QLatin1String("Mandatsdatum") && !wert.trimmed().isEmpty()) {
        const auto tag = Textformat::textZuDateTime(wert.trimmed());
        if (!tag)
            return QStringLiteral("\u201E%1\u201C ist kein Datum (TT.MM.JJJJ).").arg(Textformat::zitat(wert.trimmed()));
        if (Textformat::zuQDateTime(*tag).date() > Textformat::zuQDateTime(Uhr::Jetzt()).date())
            return QStringLiteral("Ein Mandat kann nicht nach heute unterschrieben sein (%1).").arg(wert.trimmed());
    }
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
