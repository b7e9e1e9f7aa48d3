#include "dokumente/diagramm.h"

#include "dokumente/format.h"

#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <functional>

namespace {

constexpr double RandLinks = 78, RandRechts = 14, Titelhoehe = 18, Achsenhoehe = 34, Abstand = 10;

struct Reihe
{
    QString name;
    QColor farbe;
    std::function<double(const TMonatsverlauf &)> wert;
    bool balken;
};

double einheiten(Money m)
{
    return double(m) / double(MoneyProEinheit);
}

// A round step for about four grid lines over the span.
double schritt(double spanne)
{
    const double roh = spanne / 4;
    const double zehner = std::pow(10.0, std::floor(std::log10(roh)));
    for (double f : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (f * zehner >= roh)
            return f * zehner;
    return 10 * zehner;
}

QRectF zeichenflaeche(const QRectF &bereich)
{
    return bereich.adjusted(RandLinks, 0, -RandRechts, -Achsenhoehe);
}

void chart(QPainter &p, const QRectF &feld, const QString &titel, const QString &einheit, const QList<Reihe> &reihen,
           const QList<TMonatsverlauf> &verlauf, int hervorgehoben, const std::function<QString(double)> &beschriftung)
{
    const QRectF flaeche = feld.adjusted(RandLinks, Titelhoehe + 8, -RandRechts, 0);
    double lo = 0, hi = 0;
    for (const Reihe &r : reihen)
        for (const TMonatsverlauf &m : verlauf) {
            lo = std::min(lo, r.wert(m));
            hi = std::max(hi, r.wert(m));
        }
    if (hi - lo < 1e-9)
        hi = lo + 1;
    const double s = schritt(hi - lo);
    lo = std::floor(lo / s) * s;
    hi = std::ceil(hi / s) * s;
    const auto y = [&](double v) { return flaeche.bottom() - (v - lo) / (hi - lo) * flaeche.height(); };
    const int n = int(verlauf.size());
    const double breite = flaeche.width() / std::max(n, 1);
    const auto x = [&](int i) { return flaeche.left() + (i + 0.5) * breite; };

    p.setPen(Qt::black);
    QFont fett = p.font();
    fett.setBold(true);
    p.save();
    p.setFont(fett);
    p.drawText(QRectF(feld.left(), feld.top(), feld.width(), Titelhoehe), Qt::AlignLeft | Qt::AlignVCenter,
               titel + QStringLiteral(" (") + einheit + QLatin1Char(')'));
    p.restore();
    // Legend beside the title.
    double lx = feld.right() - RandRechts;
    for (auto it = reihen.crbegin(); it != reihen.crend(); ++it) {
        const double w = p.fontMetrics().horizontalAdvance(it->name) + 22;
        lx -= w;
        p.fillRect(QRectF(lx, feld.top() + 5, 12, 8), it->farbe);
        p.drawText(QRectF(lx + 16, feld.top(), w, Titelhoehe), Qt::AlignLeft | Qt::AlignVCenter, it->name);
    }
    p.setPen(QColor(220, 220, 220));
    for (double v = lo; v <= hi + s / 2; v += s)
        p.drawLine(QPointF(flaeche.left(), y(v)), QPointF(flaeche.right(), y(v)));
    p.setPen(Qt::black);
    for (double v = lo; v <= hi + s / 2; v += s)
        p.drawText(QRectF(feld.left(), y(v) - 8, RandLinks - 6, 16), Qt::AlignRight | Qt::AlignVCenter, beschriftung(v));
    if (hervorgehoben >= 0 && hervorgehoben < n)
        p.fillRect(QRectF(x(hervorgehoben) - breite / 2, flaeche.top(), breite, flaeche.height()), QColor(255, 230, 150, 120));
    // Bars of one month side by side, lines through the months' middles.
    int anzahlBalken = 0;
    for (const Reihe &r : reihen)
        anzahlBalken += r.balken;
    int balkenNr = 0;
    for (const Reihe &r : reihen) {
        if (r.balken) {
            const double bw = breite * 0.8 / anzahlBalken;
            for (int i = 0; i < n; ++i) {
                const double v = r.wert(verlauf[i]);
                const double links = x(i) - breite * 0.4 + balkenNr * bw;
                p.fillRect(QRectF(QPointF(links, y(std::max(v, 0.0))), QPointF(links + bw, y(std::min(v, 0.0)))), r.farbe);
            }
            ++balkenNr;
        } else {
            QPainterPath pfad;
            for (int i = 0; i < n; ++i)
                i == 0 ? pfad.moveTo(x(i), y(r.wert(verlauf[i]))) : pfad.lineTo(x(i), y(r.wert(verlauf[i])));
            p.setPen(QPen(r.farbe, 2));
            p.drawPath(pfad);
            if (n == 1)
                p.drawEllipse(QPointF(x(0), y(r.wert(verlauf[0]))), 3, 3);
        }
    }
    p.setPen(Qt::gray);
    p.drawRect(flaeche);
}

} // namespace

namespace Verlaufsdiagramm {

int MonatBei(const QRectF &bereich, int anzahl, double x)
{
    const QRectF flaeche = zeichenflaeche(bereich);
    if (anzahl <= 0 || x < flaeche.left() || x >= flaeche.right())
        return -1;
    return std::min(anzahl - 1, int((x - flaeche.left()) / (flaeche.width() / anzahl)));
}

void Zeichnen(QPainter &p, const QRectF &bereich, const QList<TMonatsverlauf> &verlauf, int hervorgehoben)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(bereich, Qt::white);
    if (verlauf.isEmpty()) {
        p.drawText(bereich, Qt::AlignCenter, QStringLiteral("Noch kein Monat abgeschlossen: es gibt keinen Verlauf."));
        p.restore();
        return;
    }
    const QRectF innen = zeichenflaeche(bereich).adjusted(-RandLinks, 0, RandRechts, 0);
    const double hoehe = (innen.height() - 3 * Abstand) / 4;
    const auto feld = [&](int nr) { return QRectF(innen.left(), innen.top() + nr * (hoehe + Abstand), innen.width(), hoehe); };
    const auto euro = [](double v) {
        return QLocale(QLocale::German, QLocale::Germany).toString(v, 'f', std::fabs(v - std::round(v)) < 1e-9 ? 0 : 2);
    };
    const auto prozent = [](double v) { return QString::number(v * 100, 'f', 0) + QStringLiteral(" %"); };
    const auto zahl = [](double v) { return QString::number(v, 'f', 0); };
    chart(p, feld(0), QStringLiteral("Kasse nach dem Abschluss"), QStringLiteral("€"),
          {{QStringLiteral("Kasse"), QColor(30, 110, 180), [](const TMonatsverlauf &m) { return einheiten(m.kasse); }, false}},
          verlauf, hervorgehoben, euro);
    chart(p, feld(1), QStringLiteral("Einzahlungen und Auszahlungen"), QStringLiteral("€ je Monat"),
          {{QStringLiteral("Einzahlungen"), QColor(60, 150, 60), [](const TMonatsverlauf &m) { return einheiten(m.einzahlungen); }, true},
           {QStringLiteral("Auszahlungen"), QColor(200, 70, 50), [](const TMonatsverlauf &m) { return einheiten(m.auszahlungen); }, true},
           {QStringLiteral("Eigenanteile"), QColor(230, 160, 40), [](const TMonatsverlauf &m) { return einheiten(m.eigenanteile); }, true}},
          verlauf, hervorgehoben, euro);
    chart(p, feld(2), QStringLiteral("Sozialanteil im Monat"), QStringLiteral("%"),
          {{QStringLiteral("extern (gültig)"), QColor(120, 60, 160), [](const TMonatsverlauf &m) { return m.extAnteil; }, false},
           {QStringLiteral("intern"), QColor(150, 150, 150), [](const TMonatsverlauf &m) { return m.intAnteil; }, false}},
          verlauf, hervorgehoben, prozent);
    chart(p, feld(3), QStringLiteral("Eingangsbuchungen"), QStringLiteral("Anzahl je Monat"),
          {{QStringLiteral("Eingangsbuchungen"), QColor(30, 110, 180), [](const TMonatsverlauf &m) { return double(m.eingangsbuchungen); }, true}},
          verlauf, hervorgehoben, zahl);
    // The month axis under the last chart: every month when there is room, else every k-th.
    const QRectF flaeche = zeichenflaeche(bereich);
    const int n = int(verlauf.size());
    const double breite = flaeche.width() / n;
    const int jede = std::max(1, int(std::ceil(52.0 / breite)));
    p.setPen(Qt::black);
    for (int i = 0; i < n; i += jede)
        p.drawText(QRectF(flaeche.left() + i * breite + breite / 2 - 40, flaeche.bottom() + 2, 80, 16), Qt::AlignCenter,
                   Druckformat::Monat(verlauf[i].monat, true));
    p.drawText(QRectF(flaeche.left(), flaeche.bottom() + 18, flaeche.width(), 16), Qt::AlignCenter, QStringLiteral("Monat"));
    p.restore();
}

QString Zahlen(const TMonatsverlauf &m)
{
    return QStringList{Druckformat::Monat(m.monat),
                       QStringLiteral("Kasse: %1 €").arg(Druckformat::Betrag(m.kasse)),
                       QStringLiteral("Einzahlungen: %1 €").arg(Druckformat::Betrag(m.einzahlungen)),
                       QStringLiteral("Auszahlungen: %1 €").arg(Druckformat::Betrag(m.auszahlungen)),
                       QStringLiteral("Eigenanteile: %1 €").arg(Druckformat::Betrag(m.eigenanteile)),
                       QStringLiteral("Sozialanteil: %1 (intern %2)").arg(Druckformat::Prozent(m.extAnteil), Druckformat::Prozent(m.intAnteil)),
                       QStringLiteral("Eingangsbuchungen: %1").arg(m.eingangsbuchungen)}
        .join(QLatin1Char('\n'));
}

} // namespace Verlaufsdiagramm
