#include "cli/erzeugen.h"

#include "data/monatkey.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <random>

namespace {

const char *const Vornamen[] = {"Jörg", "Anna", "Bärbel", "Günter", "Ute", "Hans-Peter", "Özlem", "Kai",
                                "Lena", "Björn", "Maria", "Jürgen", "Sören", "Eva", "Ägidius", "Ida"};
const char *const Nachnamen[] = {"Müller", "Schäfer", "Groß", "Weiß", "Köhler", "Bäcker", "Öztürk", "Lange",
                                 "Krüger", "Jäger", "Fuchs", "Hoffmann", "Brandt", "Vogel", "Kühn", "Böhm"};

// Uniform enough for a simulation and, unlike the standard distributions,
// the same with every standard library.
class Wuerfel
{
public:
    explicit Wuerfel(std::uint32_t saat) : m_zufall(saat) {}
    int bis(int n) { return int(m_zufall() % std::uint32_t(n)); } // 0 .. n-1
    bool prozent(int p) { return bis(100) < p; }

private:
    std::mt19937 m_zufall;
};

QString betrag(int cent)
{
    return QStringLiteral("\"%1,%2\"").arg(cent / 100).arg(cent % 100, 2, 10, QLatin1Char('0'));
}

QString tag(const QDate &monat, int t)
{
    return monat.addDays(t - 1).toString(QStringLiteral("dd.MM.yyyy"));
}

} // namespace

namespace Erzeugen {

QByteArray Befehlsdatei(int teilhaber, int monate, std::uint32_t saat)
{
    Wuerfel w(saat);
    QStringList z;
    z << QStringLiteral("# Erzeugter Pakt: %1 Teilhaber, %2 Monate, Saat %3").arg(teilhaber).arg(monate).arg(saat);
    const QDate start(2010, 1, 1);
    z << QStringLiteral("NeuPakt,V1,%1,50,0.5,2,0.5,0.65,3000,-300").arg(tag(start, 1));

    struct Mitglied
    {
        QString name, datei;
        int eintritt;
    };
    std::vector<Mitglied> mitglieder;
    for (int i = 0; i < teilhaber; ++i) {
        const QString name = QStringLiteral("%1 %2 %3")
                                 .arg(QString::fromUtf8(Vornamen[i % 16]), QString::fromUtf8(Nachnamen[(i / 16 + i) % 16]))
                                 .arg(i + 1);
        // About one in eight joins part-way.
        const int eintritt = (i % 8 == 7 && monate > 1) ? 1 + w.bis(monate - 1) : 0;
        mitglieder.push_back({name, NameFuerDatei(name), eintritt});
    }
    int beitrag = 5000;
    for (int m = 0; m < monate; ++m) {
        const QDate monat = start.addMonths(m);
        if (m == monate / 3 && m > 0) {
            beitrag = 5500;
            z << QStringLiteral("Vertrag,V2,\"%1 10:30\",55,0.5,2,0.65,3000,-300").arg(tag(monat, 1));
        }
        if (m == monate / 2 && m > 0)
            z << QStringLiteral("Kaeufer,2");
        for (int t = 2; t <= 6; ++t) {
            z << QStringLiteral("Datum,%1").arg(tag(monat, t));
            for (size_t i = t - 2; i < mitglieder.size(); i += 5) {
                const Mitglied &mg = mitglieder[i];
                if (mg.eintritt > m)
                    continue;
                const QString name = QLatin1Char('"') + mg.name + QLatin1Char('"');
                const int wurf = w.bis(100);
                if (wurf < 4)
                    continue; // missed this month
                if (wurf < 7) {
                    const int teil = 1000 + 100 * w.bis(30);
                    z << QStringLiteral("Einzahlg,%1,%2").arg(name, betrag(teil)) << QStringLiteral("Einzahlg,%1,%2").arg(name, betrag(beitrag - teil));
                } else {
                    z << QStringLiteral("Einzahlg,%1,%2").arg(name, betrag(beitrag));
                    if (wurf < 10)
                        z << QStringLiteral("Einzahlg,%1,%2").arg(name, betrag(beitrag)); // twice: refused
                }
            }
        }
        if (m > 0) {
            z << QStringLiteral("Datum,%1").arg(tag(monat, 15));
            for (const Mitglied &mg : mitglieder)
                if (mg.eintritt < m && w.prozent(60))
                    z << QStringLiteral("Rechnung,%1,%2").arg(mg.datei, betrag(1500 + w.bis(12000)));
            // One member with many small invoices.
            const Mitglied &viel = mitglieder[size_t(w.bis(int(mitglieder.size())))];
            if (viel.eintritt < m && w.prozent(30))
                for (int k = 0; k < 11; ++k)
                    z << QStringLiteral("Rechnung,%1,%2").arg(viel.datei, betrag(300 + w.bis(1500)));
        }
        z << QStringLiteral("Datum,%1").arg(tag(monat, 28))
          << QStringLiteral("Monatsab,%1").arg(monat.toString(QStringLiteral("yyyyMM")));
    }
    return z.join(QLatin1Char('\n')).toUtf8() + '\n';
}

} // namespace Erzeugen
