#include "data/textformat.h"

#include "algo/fehler.h"
#include "algo/runden.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QDate Nulltag(1899, 12, 30);
constexpr qint64 MsProTag = 86400000;

// Date and milliseconds of the day of a DateTime; the fraction counts away
// from the day as for dates before 1899 too, and a fraction that rounds to a
// whole day moves on to the next one.
struct Zerlegt
{
    QDate datum;
    qint64 ms;
};

Zerlegt zerlegen(DateTime zeitpunkt)
{
    if (!std::isfinite(zeitpunkt))
        throw VennlokFehler(QStringLiteral("Ungültiger Zeitpunkt."));
    double tage = std::trunc(zeitpunkt);
    qint64 ms = std::llround(std::fabs(zeitpunkt - tage) * double(MsProTag));
    if (ms >= MsProTag) {
        ms -= MsProTag;
        tage += zeitpunkt < 0 ? -1 : 1;
    }
    return {Nulltag.addDays(qint64(tage)), ms};
}

QString zweistellig(int n)
{
    return QString::number(n).rightJustified(2, QLatin1Char('0'));
}

QString datumText(const QDate &d)
{
    int jahr = 0, monat = 0, tag = 0;
    d.getDate(&jahr, &monat, &tag);
    if (jahr < 0 || jahr > 9999) // the long way, which the form was first written in
        return zweistellig(tag) + QLatin1Char('.') + zweistellig(monat) + QLatin1Char('.')
               + QString::number(jahr).rightJustified(4, QLatin1Char('0'));
    // Every booking stamps a date: written into one buffer, not pieced from numbers.
    const char16_t text[10] = {char16_t(u'0' + tag / 10),   char16_t(u'0' + tag % 10),         u'.',
                               char16_t(u'0' + monat / 10), char16_t(u'0' + monat % 10),       u'.',
                               char16_t(u'0' + jahr / 1000), char16_t(u'0' + jahr / 100 % 10), char16_t(u'0' + jahr / 10 % 10),
                               char16_t(u'0' + jahr % 10)};
    return QString(reinterpret_cast<const QChar *>(text), 10);
}

QString zeitText(qint64 ms)
{
    const qint64 s = ms / 1000;
    return zweistellig(int(s / 3600)) + QLatin1Char(':') + zweistellig(int(s / 60 % 60))
           + QLatin1Char(':') + zweistellig(int(s % 60));
}

bool istBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString ohneBlanks(const QString &text)
{
    qsizetype a = 0, e = text.size();
    while (a < e && istBlank(text[a]))
        ++a;
    while (e > a && istBlank(text[e - 1]))
        --e;
    return text.mid(a, e - a);
}

} // namespace

namespace Textformat {

QString floatZuText(double wert)
{
    if (!std::isfinite(wert))
        throw VennlokFehler(QStringLiteral("Ein ungültiger Zahlenwert (unendlich oder keine Zahl) "
                                           "kann nicht gespeichert werden."));
    if (wert == 0)
        return QStringLiteral("0");

    // 15 significant digits, rounded once; the exponent is the one after rounding.
    QString e = QString::number(std::fabs(wert), 'e', 14); // d.dddddddddddddde±XX
    // Only next to the largest double can rounding overflow; reading the text
    // back for every value would cost more than all the rest of this function.
    if (std::fabs(wert) > 1.79e308 && !std::isfinite(e.toDouble())) {
        // Rounded up beyond the largest double, the text would read back as
        // nothing: the digits are cut off instead.
        const QString lang = QString::number(std::fabs(wert), 'e', 16);
        e = lang.left(16) + lang.mid(lang.indexOf(QLatin1Char('e')));
    }
    const qsizetype ePos = e.indexOf(QLatin1Char('e'));
    QString ziffern = e.left(1) + e.mid(2, ePos - 2);
    const int exponent = e.mid(ePos + 1).toInt();
    while (ziffern.size() > 1 && ziffern.endsWith(QLatin1Char('0')))
        ziffern.chop(1);

    QString text = wert < 0 ? QStringLiteral("-") : QString();
    if (exponent < -5 || exponent >= 15) {
        text += ziffern.left(1);
        if (ziffern.size() > 1)
            text += QLatin1Char(',') + ziffern.mid(1);
        text += QLatin1Char('E') + QString::number(exponent);
    } else if (exponent < 0) {
        text += QStringLiteral("0,") + QString(-exponent - 1, QLatin1Char('0')) + ziffern;
    } else {
        const int ganz = exponent + 1;
        if (ziffern.size() <= ganz) {
            text += ziffern + QString(ganz - ziffern.size(), QLatin1Char('0'));
        } else {
            text += ziffern.left(ganz) + QLatin1Char(',') + ziffern.mid(ganz);
        }
    }
    return text;
}

std::optional<double> textZuFloat(const QString &text)
{
    static const QRegularExpression muster(
        QStringLiteral("^([+-]?)([0-9]*)(?:,([0-9]*))?(?:[eE]([+-]?[0-9]+))?$"));
    const auto treffer = muster.match(ohneBlanks(text));
    if (!treffer.hasMatch())
        return std::nullopt;
    const QString ganz = treffer.captured(2), bruch = treffer.captured(3);
    if (ganz.isEmpty() && bruch.isEmpty())
        return std::nullopt;
    QString c = treffer.captured(1) + (ganz.isEmpty() ? QStringLiteral("0") : ganz);
    if (!bruch.isEmpty())
        c += QLatin1Char('.') + bruch;
    if (treffer.hasCaptured(4))
        c += QLatin1Char('e') + treffer.captured(4);
    bool ok = false;
    const double wert = c.toLatin1().toDouble(&ok); // always the C form, never the locale
    if (!ok || !std::isfinite(wert))
        return std::nullopt;
    return wert;
}

namespace {

// 10^15 units: below it an amount has at most 15 digits, so the float rule's
// 15 significant digits give its exact decimal form.
constexpr Money FuenfzehnStellen = 1000000000000000LL;

} // namespace

QString moneyZuText(Money betrag)
{
    // Written from the integer, which is what the float rule gives here, without
    // its detour through a double and a scientific form: the files hold mostly amounts.
    if (betrag <= -FuenfzehnStellen || betrag >= FuenfzehnStellen)
        return floatZuText(double(betrag) / double(MoneyProEinheit));
    if (betrag == 0)
        return QStringLiteral("0");
    // Into one buffer from the right: the decimals without trailing zeros, the
    // comma, the whole units, the sign (every booking writes several amounts).
    char16_t puffer[24];
    int pos = 24;
    Money rest = betrag < 0 ? -betrag : betrag;
    Money bruch = rest % MoneyProEinheit;
    rest /= MoneyProEinheit;
    if (bruch) {
        int stellen = 4;
        while (bruch % 10 == 0) {
            bruch /= 10;
            --stellen;
        }
        for (int i = 0; i < stellen; ++i, bruch /= 10)
            puffer[--pos] = char16_t(u'0' + bruch % 10);
        puffer[--pos] = u',';
    }
    do {
        puffer[--pos] = char16_t(u'0' + rest % 10);
        rest /= 10;
    } while (rest);
    if (betrag < 0)
        puffer[--pos] = u'-';
    return QString(reinterpret_cast<const QChar *>(puffer + pos), 24 - pos);
}

std::optional<Money> einfacherBetrag(const QString &text)
{
    const qsizetype start = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    Money einheiten = 0;
    int ziffern = 0, nachKomma = -1; // -1: no comma yet
    for (qsizetype i = start; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u',' && nachKomma < 0 && ziffern > 0) {
            nachKomma = 0;
        } else if (c >= u'0' && c <= u'9' && ziffern < 15 && nachKomma < 4) {
            einheiten = einheiten * 10 + (c - u'0');
            ++ziffern;
            if (nachKomma >= 0)
                ++nachKomma;
        } else {
            return std::nullopt;
        }
    }
    const int fehlend = 4 - std::max(nachKomma, 0); // decimals up to the fourth
    if (ziffern == 0 || nachKomma == 0 || ziffern + fehlend > 15)
        return std::nullopt;
    for (int i = 0; i < fehlend; ++i)
        einheiten *= 10;
    return start ? -einheiten : einheiten;
}

QString betragText(Money betrag, bool tausender)
{
    const bool negativ = betrag < 0;
    // The magnitude as unsigned, so the most negative value has one too.
    const unsigned long long wert = negativ ? 0ULL - static_cast<unsigned long long>(betrag) : static_cast<unsigned long long>(betrag);
    const unsigned long long ganz = wert / MoneyProEinheit;
    const unsigned long long rest = wert % MoneyProEinheit;
    QString ziffern = QString::number(ganz);
    if (tausender)
        for (qsizetype i = ziffern.size() - 3; i > 0; i -= 3)
            ziffern.insert(i, QLatin1Char('.'));
    const bool cent = rest % 100 == 0;
    const QString nachkomma = cent ? QString::number(rest / 100).rightJustified(2, QLatin1Char('0'))
                                   : QString::number(rest).rightJustified(4, QLatin1Char('0'));
    return (negativ ? QStringLiteral("-") : QString()) + ziffern + QLatin1Char(',') + nachkomma;
}

QString euroText(Money betrag)
{
    return betragText(AufCent(betrag), true) + QStringLiteral(" \u20AC");
}

QString transferBetrag(Money betrag)
{
    const double einheiten = double(betrag) / double(MoneyProEinheit);
    if (betrag == 0)
        return QStringLiteral("0,00");
    const QString e = QString::number(std::fabs(einheiten), 'e', 3); // d.ddde±XX, rounded once
    const qsizetype ePos = e.indexOf(QLatin1Char('e'));
    const int exponent = e.mid(ePos + 1).toInt();
    const QString vorzeichen = betrag < 0 ? QStringLiteral("-") : QString();
    if (exponent < 4) {
        const double gerundet = e.toDouble();
        return vorzeichen + QString::number(gerundet, 'f', 2).replace(QLatin1Char('.'), QLatin1Char(','));
    }
    QString ziffern = e.left(1) + e.mid(2, ePos - 2);
    while (ziffern.size() > 1 && ziffern.endsWith(QLatin1Char('0')))
        ziffern.chop(1);
    QString text = vorzeichen + ziffern.left(1);
    if (ziffern.size() > 1)
        text += QLatin1Char(',') + ziffern.mid(1);
    return text + QLatin1Char('E') + QString::number(exponent).rightJustified(2, QLatin1Char('0'));
}

QString intZuText(int wert)
{
    return QString::number(wert);
}

std::optional<int> textZuInt(const QString &text)
{
    QString t = ohneBlanks(text);
    bool negativ = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negativ = t[0] == QLatin1Char('-');
        t.remove(0, 1);
    }
    int basis = 10;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        basis = 16;
        t.remove(0, 2);
    }
    if (t.isEmpty())
        return std::nullopt;
    for (QChar c : t) {
        const bool ziffer = c.isDigit() && c.unicode() < 0x80;
        const bool hex = basis == 16 && QStringLiteral("abcdefABCDEF").contains(c);
        if (!ziffer && !hex)
            return std::nullopt;
    }
    bool ok = false;
    const qlonglong wert = t.toLongLong(&ok, basis);
    if (!ok)
        return std::nullopt;
    const qlonglong mitVorzeichen = negativ ? -wert : wert;
    if (mitVorzeichen < std::numeric_limits<int>::min() || mitVorzeichen > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(mitVorzeichen);
}

QString datumZuText(DateTime zeitpunkt)
{
    return datumText(zerlegen(zeitpunkt).datum);
}

QString zeitZuText(DateTime zeitpunkt)
{
    return zeitText(zerlegen(zeitpunkt).ms);
}

QString dateTimeZuText(DateTime zeitpunkt)
{
    const Zerlegt z = zerlegen(zeitpunkt);
    if (z.ms == 0)
        return datumText(z.datum);
    return datumText(z.datum) + QLatin1Char(' ') + zeitText(z.ms);
}

std::optional<DateTime> textZuDateTime(const QString &text)
{
    static const QRegularExpression muster(QStringLiteral(
        "^([0-9]{1,2})\\.([0-9]{1,2})\\.([0-9]{4})(?: +([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?)?$"));
    const auto t = muster.match(ohneBlanks(text));
    if (!t.hasMatch())
        return std::nullopt;
    const QDate datum(t.captured(3).toInt(), t.captured(2).toInt(), t.captured(1).toInt());
    if (!datum.isValid())
        return std::nullopt;
    QTime zeit(0, 0);
    if (t.hasCaptured(4)) {
        zeit = QTime(t.captured(4).toInt(), t.captured(5).toInt(),
                     t.hasCaptured(6) ? t.captured(6).toInt() : 0);
        if (!zeit.isValid())
            return std::nullopt;
    }
    return ausQDateTime(QDateTime(datum, zeit));
}

DateTime ausQDateTime(const QDateTime &zeitpunkt)
{
    const double tage = double(Nulltag.daysTo(zeitpunkt.date()));
    const double bruch = double(zeitpunkt.time().msecsSinceStartOfDay()) / double(MsProTag);
    return tage < 0 ? tage - bruch : tage + bruch;
}

QDateTime zuQDateTime(DateTime zeitpunkt)
{
    const Zerlegt z = zerlegen(zeitpunkt);
    return QDateTime(z.datum, QTime::fromMSecsSinceStartOfDay(int(z.ms)));
}

QString zitat(const QString &text)
{
    QString z;
    qsizetype i = 0;
    for (; i < text.size() && z.size() < 60; ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0))
            z += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            z += text[i];
    }
    return i < text.size() || z.size() > 60 ? z.left(60) + QChar(0x2026) : z;
}

} // namespace Textformat
