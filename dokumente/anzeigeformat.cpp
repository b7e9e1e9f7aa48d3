#include "dokumente/anzeigeformat.h"

#include "algo/runden.h"
#include "data/textformat.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace {

const QLocale Deutsch(QLocale::German, QLocale::Germany);

// The value rounded to n significant digits, as the shortest text of it.
double signifikant(double wert, int stellen)
{
    return QString::number(wert, 'e', stellen - 1).toDouble();
}

} // namespace

namespace Anzeigeformat {

QString Kasse(Money betrag)
{
    const double gerundet = signifikant(double(betrag) / double(MoneyProEinheit), 8);
    if (std::fabs(gerundet) < 1e8)
        return Deutsch.toString(gerundet, 'f', 2) + QStringLiteral("\u00A0€");
    const QString e = QString::number(std::fabs(gerundet), 'e', 7);
    const qsizetype ePos = e.indexOf(QLatin1Char('e'));
    QString ziffern = e.left(1) + e.mid(2, ePos - 2);
    while (ziffern.size() > 1 && ziffern.endsWith(QLatin1Char('0')))
        ziffern.chop(1);
    const int exponent = e.mid(ePos + 1).toInt();
    QString text = gerundet < 0 ? QStringLiteral("-") : QString();
    text += ziffern.left(1);
    if (ziffern.size() > 1)
        text += QLatin1Char(',') + ziffern.mid(1);
    return text + QLatin1Char('E') + (exponent < 0 ? QStringLiteral("-") : QString())
           + QString::number(std::abs(exponent)).rightJustified(2, QLatin1Char('0'));
}

QString Anteil(double anteil)
{
    return QString::number(signifikant(anteil, 4), 'f', 2).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString Einheitentext(Money betrag)
{
    return Textformat::moneyZuText(betrag);
}

QString Dialogwert(double wert)
{
    int stellen = 2;
    while (stellen < 4 && std::fabs(wert * std::pow(10.0, stellen) - std::nearbyint(wert * std::pow(10.0, stellen))) > 1e-6)
        ++stellen;
    return QString::number(wert, 'f', stellen).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString DialogBetrag(Money betrag)
{
    return Dialogwert(Einheiten(betrag));
}

QList<Eintrag> MemoEintraege(const QString &text)
{
    QList<Eintrag> eintraege;
    for (const QString &zeile : text.split(QLatin1Char('\n'))) {
        const qsizetype gleich = zeile.indexOf(QLatin1Char('='));
        if (gleich < 0)
            continue;
        QString wert = zeile.mid(gleich + 1);
        const qsizetype ende = wert.indexOf(QLatin1Char(';'));
        if (ende >= 0)
            wert.truncate(ende);
        if (!wert.trimmed().isEmpty())
            eintraege.append({zeile.left(gleich).trimmed(), wert.trimmed()});
    }
    return eintraege;
}

QStringList MemoFuellen(QStringList zeilen, const QList<QPair<QString, QString>> &gespeichert)
{
    QHash<QString, QString> werte;
    for (const auto &[key, wert] : gespeichert) {
        werte.insert(key, wert);
        if (!zeilen.contains(key + QStringLiteral("=;")))
            zeilen.append(key + QStringLiteral("=;"));
    }
    for (QString &zeile : zeilen) {
        const qsizetype gleich = zeile.indexOf(QLatin1Char('='));
        if (gleich < 0 || zeile != zeile.left(gleich) + QStringLiteral("=;"))
            continue;
        const QString key = zeile.left(gleich);
        zeile = key + QLatin1Char('=') + werte.value(key) + QLatin1Char(';');
    }
    return zeilen;
}

} // namespace Anzeigeformat
