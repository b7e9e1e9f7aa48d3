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

// The value axis of a chart: round grid steps over the values taken, zero among them.
struct Skala
{
    double lo = 0, hi = 0, s = 1;
    void nehmen(double v)
    {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    void runden()
    {
        if (hi - lo < 1e-9)
            hi = lo + 1;
        s = schritt(hi - lo);
        lo = std::floor(lo / s) * s;
        hi = std::ceil(hi / s) * s;
    }
    double y(const QRectF &flaeche, double v) const { return flaeche.bottom() - (v - lo) / (hi - lo) * flaeche.height(); }
};

// A chart's title in bold above, its grid lines and their labels on the left.
void gitter(QPainter &p, const QRectF &feld, const QRectF &flaeche, const QString &titel, const Skala &skala,
            const std::function<QString(double)> &beschriftung)
{
    QFont fett = p.font();
    fett.setBold(true);
    p.save();
    p.setFont(fett);
    p.setPen(Qt::black);
    p.drawText(QRectF(feld.left(), feld.top(), feld.width(), Titelhoehe), Qt::AlignLeft | Qt::AlignVCenter, titel);
    p.restore();
    p.setPen(QColor(220, 220, 220));
    for (double v = skala.lo; v <= skala.hi + skala.s / 2; v += skala.s)
        p.drawLine(QPointF(flaeche.left(), skala.y(flaeche, v)), QPointF(flaeche.right(), skala.y(flaeche, v)));
    p.setPen(Qt::black);
    for (double v = skala.lo; v <= skala.hi + skala.s / 2; v += skala.s)
        p.drawText(QRectF(feld.left(), skala.y(flaeche, v) - 8, RandLinks - 6, 16), Qt::AlignRight | Qt::AlignVCenter, beschriftung(v));
}

QRectF zeichenflaeche(const QRectF &bereich)
{
    return bereich.adjusted(RandLinks, 0, -RandRechts, -Achsenhoehe);
}

void chart(QPainter &p, const QRectF &feld, const QString &titel, const QString &einheit, const QList<Reihe> &reihen,
           const QList<TMonatsverlauf> &verlauf, int hervorgehoben, const std::function<QString(double)> &beschriftung)
{
    const QRectF flaeche = feld.adjusted(RandLinks, Titelhoehe + 8, -RandRechts, 0);
    Skala skala;
    for (const Reihe &r : reihen)
        for (const TMonatsverlauf &m : verlauf)
            skala.nehmen(r.wert(m));
    skala.runden();
    const auto y = [&](double v) { return skala.y(flaeche, v); };
    const int n = int(verlauf.size());
    const double breite = flaeche.width() / std::max(n, 1);
    const auto x = [&](int i) { return flaeche.left() + (i + 0.5) * breite; };

    gitter(p, feld, flaeche, titel + QStringLiteral(" (") + einheit + QLatin1Char(')'), skala, beschriftung);
    // Legend beside the title.
    double lx = feld.right() - RandRechts;
    for (auto it = reihen.crbegin(); it != reihen.crend(); ++it) {
        const double w = p.fontMetrics().horizontalAdvance(it->name) + 22;
        lx -= w;
        p.fillRect(QRectF(lx, feld.top() + 5, 12, 8), it->farbe);
        p.drawText(QRectF(lx + 16, feld.top(), w, Titelhoehe), Qt::AlignLeft | Qt::AlignVCenter, it->name);
    }
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
                       QStringLiteral("Kasse: %1\u00A0€").arg(Druckformat::Betrag(m.kasse)),
                       QStringLiteral("Einzahlungen: %1\u00A0€").arg(Druckformat::Betrag(m.einzahlungen)),
                       QStringLiteral("Auszahlungen: %1\u00A0€").arg(Druckformat::Betrag(m.auszahlungen)),
                       QStringLiteral("Eigenanteile: %1\u00A0€").arg(Druckformat::Betrag(m.eigenanteile)),
                       QStringLiteral("Sozialanteil: %1 (intern %2)").arg(Druckformat::Prozent(m.extAnteil), Druckformat::Prozent(m.intAnteil)),
                       QStringLiteral("Eingangsbuchungen: %1").arg(m.eingangsbuchungen)}
        .join(QLatin1Char('\n'));
}

} // namespace Verlaufsdiagramm

namespace Faecherdiagramm {

namespace {

const QColor Farben[] = {QColor(30, 110, 180), QColor(200, 70, 50),  QColor(60, 150, 60),  QColor(120, 60, 160),
                         QColor(230, 140, 20), QColor(20, 150, 150), QColor(180, 60, 130), QColor(110, 110, 40)};

// One chart: the history as a black line, then each variant's 10–90 % band and median.
void faecher(QPainter &p, const QRectF &feld, const QString &titel, const TWasWaereErgebnis &e,
             const std::function<double(const TMonatsverlauf &)> &vorher, const std::function<double(const TWasWaereMonat &, int)> &wert,
             const std::function<QString(double)> &beschriftung)
{
    const QRectF flaeche = feld.adjusted(RandLinks, Titelhoehe + 8, -RandRechts, 0);
    const int alt = int(e.geschichte.size());
    const int n = alt + (e.varianten.isEmpty() ? 0 : int(e.varianten.first().second.size()));
    Skala skala;
    for (const TMonatsverlauf &m : e.geschichte)
        skala.nehmen(vorher(m));
    for (const auto &variante : e.varianten)
        for (const TWasWaereMonat &m : variante.second)
            for (int i = 0; i < 3; ++i)
                skala.nehmen(wert(m, i));
    skala.runden();
    const auto y = [&](double v) { return skala.y(flaeche, v); };
    const double breite = flaeche.width() / std::max(n, 1);
    const auto x = [&](int i) { return flaeche.left() + (i + 0.5) * breite; };

    gitter(p, feld, flaeche, titel, skala, beschriftung);
    QPainterPath geschichte;
    for (int i = 0; i < alt; ++i)
        i == 0 ? geschichte.moveTo(x(i), y(vorher(e.geschichte[i]))) : geschichte.lineTo(x(i), y(vorher(e.geschichte[i])));
    p.setPen(QPen(Qt::black, 2));
    p.drawPath(geschichte);
    for (int v = 0; v < e.varianten.size(); ++v) {
        const QColor farbe = Farben[v % 8];
        const QList<TWasWaereMonat> &monate = e.varianten[v].second;
        QPolygonF band;
        for (int i = 0; i < monate.size(); ++i)
            band << QPointF(x(alt + i), y(wert(monate[i], 0)));
        for (int i = int(monate.size()) - 1; i >= 0; --i)
            band << QPointF(x(alt + i), y(wert(monate[i], 2)));
        QColor hell = farbe;
        hell.setAlpha(55);
        p.setPen(Qt::NoPen);
        p.setBrush(hell);
        p.drawPolygon(band);
        p.setBrush(Qt::NoBrush);
        QPainterPath median;
        if (alt > 0)
            median.moveTo(x(alt - 1), y(vorher(e.geschichte.last())));
        for (int i = 0; i < monate.size(); ++i)
            median.elementCount() == 0 ? median.moveTo(x(alt + i), y(wert(monate[i], 1)))
                                       : median.lineTo(x(alt + i), y(wert(monate[i], 1)));
        p.setPen(QPen(farbe, 2));
        p.drawPath(median);
    }
    p.setPen(Qt::gray);
    p.drawRect(flaeche);
}

} // namespace

void Zeichnen(QPainter &p, const QRectF &bereich, const TWasWaereErgebnis &e)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(bereich, Qt::white);
    if (e.varianten.isEmpty()) {
        p.drawText(bereich, Qt::AlignCenter, QStringLiteral("Keine Rechnung."));
        p.restore();
        return;
    }
    // The legend on top: the history, then each variant in its colour.
    double lx = bereich.left() + RandLinks;
    const auto eintrag = [&](const QColor &farbe, const QString &text) {
        const double w = p.fontMetrics().horizontalAdvance(text) + 26;
        p.fillRect(QRectF(lx, bereich.top() + 5, 14, 8), farbe);
        p.setPen(Qt::black);
        p.drawText(QRectF(lx + 18, bereich.top(), w, Titelhoehe), Qt::AlignLeft | Qt::AlignVCenter, text);
        lx += w;
    };
    eintrag(Qt::black, QStringLiteral("bisher"));
    for (int v = 0; v < e.varianten.size(); ++v)
        eintrag(Farben[v % 8], e.varianten[v].first);
    const QRectF innen = zeichenflaeche(bereich).adjusted(-RandLinks, Titelhoehe + Abstand, RandRechts, 0);
    const double hoehe = (innen.height() - 2 * Abstand) / 3;
    const auto feld = [&](int nr) { return QRectF(innen.left(), innen.top() + nr * (hoehe + Abstand), innen.width(), hoehe); };
    const auto euro = [](double v) { return QLocale(QLocale::German, QLocale::Germany).toString(v, 'f', 0); };
    faecher(p, feld(0), QStringLiteral("Kasse nach dem Abschluss (€; Median und 10–90 % der Läufe)"), e,
            [](const TMonatsverlauf &m) { return einheiten(m.kasse); },
            [](const TWasWaereMonat &m, int i) { return einheiten(m.kasse[i]); }, euro);
    faecher(p, feld(1), QStringLiteral("Sozialanteil im Monat (%)"), e, [](const TMonatsverlauf &m) { return m.extAnteil; },
            [](const TWasWaereMonat &m, int i) { return m.anteil[i]; },
            [](double v) { return QString::number(v * 100, 'f', 0) + QStringLiteral(" %"); });
    faecher(p, feld(2), QStringLiteral("Auszahlungen je Monat (€)"), e, [](const TMonatsverlauf &m) { return einheiten(m.auszahlungen); },
            [](const TWasWaereMonat &m, int i) { return einheiten(m.auszahlungen[i]); }, euro);
    // The month axis: every k-th month.
    const QRectF flaeche = zeichenflaeche(bereich);
    QStringList monate;
    for (const TMonatsverlauf &m : e.geschichte)
        monate << m.monat;
    for (const TWasWaereMonat &m : e.varianten.first().second)
        monate << m.monat;
    const double breite = flaeche.width() / std::max<qsizetype>(1, monate.size());
    const int jede = std::max(1, int(std::ceil(52.0 / breite)));
    p.setPen(Qt::black);
    for (int i = 0; i < monate.size(); i += jede)
        p.drawText(QRectF(flaeche.left() + i * breite + breite / 2 - 40, flaeche.bottom() + 2, 80, 16), Qt::AlignCenter,
                   Druckformat::Monat(monate[i], true));
    p.restore();
}

} // namespace Faecherdiagramm
