#include "cli/bericht.h"

#include "data/textformat.h"
#include "engine/vennlok.h"

#include <QDir>

namespace {

// The closed months as the engine reads them, the one reader of the month history.
QList<TMonatsverlauf> lesen(const QString &verzeichnis)
{
    return Vennlok::Verlauf(verzeichnis);
}

const QStringList Kopf{QStringLiteral("Monat"), QStringLiteral("Eingangsbuchungen"), QStringLiteral("Einzahlungen"),
                       QStringLiteral("Auszahlungen"), QStringLiteral("Eigenanteile"), QStringLiteral("Summe"),
                       QStringLiteral("IntSozialanteil"), QStringLiteral("ExtSozialanteil")};

QString zweiStellen(Money betrag)
{
    return QString::number(double(betrag) / double(MoneyProEinheit), 'f', 2).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString punkt(const QString &text)
{
    return QString(text).replace(QLatin1Char(','), QLatin1Char('.'));
}

} // namespace

namespace Bericht {

QStringList Tabelle(const QString &datenverzeichnis)
{
    QList<QStringList> felder{Kopf};
    for (const TMonatsverlauf &z : lesen(datenverzeichnis))
        felder.append({z.monat, QString::number(z.eingangsbuchungen), zweiStellen(z.einzahlungen),
                       zweiStellen(z.auszahlungen), zweiStellen(z.eigenanteile), zweiStellen(z.kasse),
                       Textformat::floatZuText(z.intAnteil), Textformat::floatZuText(z.extAnteil)});
    QList<qsizetype> breite(Kopf.size(), 0);
    for (const QStringList &f : felder)
        for (qsizetype i = 0; i < f.size(); ++i)
            breite[i] = std::max(breite[i], f[i].size());
    QStringList zeilen;
    for (const QStringList &f : felder) {
        QStringList teile;
        for (qsizetype i = 0; i < f.size(); ++i)
            teile.append(i == 0 ? f[i].leftJustified(breite[i]) : f[i].rightJustified(breite[i]));
        zeilen.append(teile.join(QStringLiteral("  ")));
    }
    return zeilen;
}

QStringList Csv(const QString &datenverzeichnis)
{
    QStringList zeilen{Kopf.join(QLatin1Char(','))};
    for (const TMonatsverlauf &z : lesen(datenverzeichnis))
        zeilen.append(QStringList{z.monat, QString::number(z.eingangsbuchungen), punkt(Textformat::moneyZuText(z.einzahlungen)),
                                  punkt(Textformat::moneyZuText(z.auszahlungen)), punkt(Textformat::moneyZuText(z.eigenanteile)),
                                  punkt(Textformat::moneyZuText(z.kasse)), punkt(Textformat::floatZuText(z.intAnteil)),
                                  punkt(Textformat::floatZuText(z.extAnteil))}
                          .join(QLatin1Char(',')));
    return zeilen;
}

} // namespace Bericht
