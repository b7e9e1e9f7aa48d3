#include "dokumente/dokumente.h"

#include "algo/runden.h"

#include "algo/fehler.h"
#include "dokumente/diagramm.h"
#include "dokumente/format.h"

#include <QAbstractTextDocumentLayout>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <functional>

namespace {

using Druckformat::Betrag;

[[noreturn]] void nichtGeschrieben(const QString &datei, const QString &grund)
{
    throw VennlokFehler(QStringLiteral("Die Datei kann nicht geschrieben werden: %1").arg(grund), datei);
}

// Writes through a save file: the target changes only when everything is written.
void schreiben(const QString &datei, const std::function<void(QIODevice &)> &inhalt)
{
    QSaveFile ziel(datei);
    if (!ziel.open(QIODevice::WriteOnly))
        nichtGeschrieben(datei, QStringLiteral("der Ordner ist nicht beschreibbar oder fehlt"));
    inhalt(ziel);
    if (!ziel.commit())
        nichtGeschrieben(datei, QStringLiteral("der Datenträger ist voll oder nicht beschreibbar"));
}

QString heute()
{
    return QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
}

QString zelle(const QString &text, bool rechts = false)
{
    return QStringLiteral("<td%1>%2</td>").arg(rechts ? QStringLiteral(" align=\"right\"") : QString(), text.toHtmlEscaped());
}

QString zeile(const QStringList &zellen, int textspalten = 1, bool kopf = false)
{
    QString html = QStringLiteral("<tr>");
    for (int i = 0; i < zellen.size(); ++i)
        html += kopf ? QStringLiteral("<th>%1</th>").arg(zellen[i].toHtmlEscaped()) : zelle(zellen[i], i >= textspalten);
    return html + QStringLiteral("</tr>");
}

QString tabelle(const QString &koerper)
{
    return QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">") + koerper
           + QStringLiteral("</table>");
}

// Two columns: what each figure is, and the figure on the right.
QString wertetabelle(const QList<QPair<QString, QString>> &werte)
{
    QString koerper;
    for (const auto &[text, wert] : werte)
        koerper += QStringLiteral("<tr>") + zelle(text) + zelle(wert, true) + QStringLiteral("</tr>");
    return tabelle(koerper);
}

// The page of a document on any paged device: A4, its orientation and margins.
void seiteEinrichten(QPagedPaintDevice &geraet, const Dokumente::TDruck &druck)
{
    geraet.setPageSize(QPageSize(QPageSize::A4));
    geraet.setPageOrientation(druck.quer ? QPageLayout::Landscape : QPageLayout::Portrait);
    geraet.setPageMargins(QMarginsF(druck.rand, druck.rand, druck.rand, druck.rand), QPageLayout::Millimeter);
}

// A document of text and tables laid out on A4 pages, each with its foot:
// the pact's name, the title, the date and the page number.
Dokumente::TDruck textdruck(const QString &html, const QString &pakt, const QString &titel, bool quer = false)
{
    Dokumente::TDruck druck;
    druck.titel = titel;
    druck.quer = quer;
    druck.rand = 15;
    druck.aufloesung = 300;
    druck.zeichnen = [html, pakt, titel](QPagedPaintDevice &geraet, QPainter &maler) {
        const QRectF seite(QPointF(0, 0), QSizeF(geraet.width(), geraet.height()));
        const double dpi = geraet.logicalDpiY();
        const double fuss = dpi * 0.35;
        QTextDocument dokument;
        QFont schrift = dokument.defaultFont();
        schrift.setPointSizeF(8.5);
        dokument.setDefaultFont(schrift);
        dokument.setDefaultStyleSheet(QStringLiteral("th { background-color: #e8e8e8; } h1 { font-size: 14pt; } h2 { font-size: 11pt; }"));
        dokument.setHtml(html);
        // The layout works in points of 1/72 inch; the page in device pixels.
        const double massstab = dpi / 72.0;
        dokument.setPageSize(QSizeF(seite.width() / massstab, (seite.height() - fuss) / massstab));
        const int seiten = dokument.pageCount();
        for (int nr = 0; nr < seiten; ++nr) {
            if (nr > 0)
                geraet.newPage();
            maler.save();
            maler.scale(massstab, massstab);
            const QRectF ausschnitt(0, nr * dokument.pageSize().height(), dokument.pageSize().width(), dokument.pageSize().height());
            maler.translate(0, -ausschnitt.top());
            QAbstractTextDocumentLayout::PaintContext kontext;
            kontext.clip = ausschnitt;
            dokument.documentLayout()->draw(&maler, kontext);
            maler.restore();
            QFont klein = maler.font();
            klein.setPointSizeF(8);
            maler.setFont(klein);
            maler.drawText(QRectF(0, seite.height() - fuss * 0.7, seite.width(), fuss * 0.7), Qt::AlignLeft | Qt::AlignVCenter,
                           QStringLiteral("Pakt %1 · %2 · Stand %3").arg(pakt, titel, heute()));
            maler.drawText(QRectF(0, seite.height() - fuss * 0.7, seite.width(), fuss * 0.7), Qt::AlignRight | Qt::AlignVCenter,
                           QStringLiteral("Seite %1 von %2").arg(nr + 1).arg(seiten));
        }
    };
    return druck;
}

// Whether a cell is an amount or count as the documents write them ("-16,30",
// "1.234,5"): a spreadsheet reads it as a number, never as a formula.
bool istZahl(const QString &f)
{
    static const QRegularExpression zahl(QStringLiteral("^-?[0-9][0-9.]*(,[0-9]+)?$"));
    return zahl.match(f).hasMatch();
}

// Semicolons, quotes where a field needs them, UTF-8 with BOM, CR LF. A
// text that a spreadsheet would run as a formula (beginning with "=", "+",
// "-" or "@", or a tab or line end before one) gets a leading apostrophe;
// numbers stay numbers.
void csv(const QList<QStringList> &zeilen, const QString &datei)
{
    QByteArray text("\xEF\xBB\xBF");
    for (const QStringList &z : zeilen) {
        QStringList felder;
        for (QString f : z) {
            static const QString formelzeichen = QStringLiteral("=+-@\t\r");
            if (!f.isEmpty() && formelzeichen.contains(f.front()) && !istZahl(f))
                f.prepend(QLatin1Char('\''));
            if (f.contains(QLatin1Char(';')) || f.contains(QLatin1Char('"')) || f.contains(QLatin1Char('\n')))
                f = QLatin1Char('"') + f.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
            felder.append(f);
        }
        text += felder.join(QLatin1Char(';')).toUtf8() + "\r\n";
    }
    schreiben(datei, [&](QIODevice &geraet) { geraet.write(text); });
}

const QStringList KontoSpalten{QStringLiteral("Monat"), QStringLiteral("Beitrag"), QStringLiteral("eingezahlt"),
                               QStringLiteral("Rückstand"), QStringLiteral("Rechnungen"), QStringLiteral("Auszahlung"),
                               QStringLiteral("davon Eigenanteil"), QStringLiteral("davon Sozialanteil"),
                               QStringLiteral("Kapitalanteil")};

QStringList kontoZeile(const TKontoMonat &m, const QString &monat, const std::function<QString(Money)> &form)
{
    return {monat, form(m.beitrag), form(m.eingezahlt), form(m.rueckstand), form(m.rechnungen), form(m.auszahlungen),
            form(m.eigenanteile), form(m.sozialanteile), form(m.kapitalanteil)};
}

QString monatsText(const TKontoMonat &m)
{
    return m.offen ? m.monat + QStringLiteral(" (offen)") : m.monat;
}

} // namespace

namespace Dokumente {

TDruck Kontoauszug(const TKontoauszug &a, const QString &pakt)
{
    QString html = QStringLiteral("<h1>Kontoauszug %1</h1>").arg(a.name.toHtmlEscaped());
    QStringList adresse;
    for (const auto &[schluessel, wert] : a.adresse)
        if (!wert.isEmpty())
            adresse.append((schluessel + QStringLiteral(": ") + wert).toHtmlEscaped());
    html += QStringLiteral("<p>%1</p>").arg(adresse.isEmpty() ? QStringLiteral("Keine Adresse gespeichert.") : adresse.join(QStringLiteral("<br>")));
    html += QStringLiteral("<p>Pakt %1, Stand %2. Beträge in Euro.%3</p>")
                .arg(pakt.toHtmlEscaped(), heute(),
                     a.ausgetreten.isEmpty() ? QString() : QStringLiteral(" Ausgetreten im Monat %1.").arg(a.ausgetreten));
    QString koerper = zeile(KontoSpalten, 1, true);
    for (const TKontoMonat &m : a.monate)
        koerper += zeile(kontoZeile(m, monatsText(m), Betrag));
    koerper += zeile(kontoZeile(a.summe, QStringLiteral("Summe"), Betrag));
    html += tabelle(koerper);
    html += QStringLiteral("<p>Rückstand insgesamt (unbezahlte Beiträge abgeschlossener Monate): %1\u00A0€.%2 Der Kapitalanteil "
                           "der Summenzeile ist der des letzten abgeschlossenen Monats.</p>")
                .arg(Betrag(a.rueckstandGesamt),
                     a.ausgetreten.isEmpty() ? QStringLiteral(" Fällig im laufenden Monat: %1\u00A0€.").arg(Betrag(a.faellig)) : QString());
    return textdruck(html, pakt, QStringLiteral("Kontoauszug %1").arg(a.name), true);
}

void KontoauszugCsv(const TKontoauszug &a, const QString &datei)
{
    QList<QStringList> zeilen{KontoSpalten};
    for (const TKontoMonat &m : a.monate)
        zeilen.append(kontoZeile(m, monatsText(m), Druckformat::Tabellenbetrag));
    zeilen.append(kontoZeile(a.summe, QStringLiteral("Summe"), Druckformat::Tabellenbetrag));
    csv(zeilen, datei);
}

const QStringList RueckstandSpalten{QStringLiteral("Teilhaber"), QStringLiteral("Rückstand"), QStringLiteral("Monate"),
                                    QStringLiteral("fällig im laufenden Monat")};

TDruck Rueckstaende(const QList<TRueckstand> &liste, const QString &buchungsmonat, const QString &pakt)
{
    QString html = QStringLiteral("<h1>Rückstandsliste</h1><p>Pakt %1, Buchungsmonat %2, Stand %3. Beträge in Euro, "
                                  "der größte Rückstand zuerst. Rückstand: unbezahlte Beiträge abgeschlossener Monate; "
                                  "daneben, was vom Beitrag des laufenden Monats noch fällig ist.</p>")
                       .arg(pakt.toHtmlEscaped(), buchungsmonat, heute());
    QString koerper = zeile(RueckstandSpalten, 1, true);
    for (const TRueckstand &r : liste)
        koerper += QStringLiteral("<tr>") + zelle(r.name) + zelle(Betrag(r.betrag), true) + zelle(r.monate.join(QStringLiteral(", ")))
                   + zelle(Betrag(r.faellig), true) + QStringLiteral("</tr>");
    html += liste.isEmpty() ? QStringLiteral("<p>Niemand ist im Rückstand.</p>") : tabelle(koerper);
    return textdruck(html, pakt, QStringLiteral("Rückstandsliste"));
}

void RueckstaendeCsv(const QList<TRueckstand> &liste, const QString &datei)
{
    QList<QStringList> zeilen{RueckstandSpalten};
    for (const TRueckstand &r : liste)
        zeilen.append({r.name, Druckformat::Tabellenbetrag(r.betrag), r.monate.join(QLatin1Char(' ')),
                       Druckformat::Tabellenbetrag(r.faellig)});
    csv(zeilen, datei);
}

TDruck Monatsbericht(const TMonatsbericht &b, const QString &pakt)
{
    QString html = QStringLiteral("<h1>Monatsbericht %1 (%2)</h1>").arg(b.monat, Druckformat::Monat(b.monat));
    const QList<QPair<QString, QString>> zahlen{
        {QStringLiteral("Kasse vor dem Monat"), Druckformat::Euro(b.kasseVorher)},
        {QStringLiteral("Einzahlungen (%1 Buchungen)").arg(b.eingangsbuchungen), Druckformat::Euro(b.einzahlungen)},
        {QStringLiteral("Rechnungen (%1 Buchungen)").arg(b.rechnungsbuchungen), Druckformat::Euro(b.rechnungen)},
        {QStringLiteral("Auszahlungen, mit Honoraren"), Druckformat::Euro(b.auszahlungen)},
        {QStringLiteral("davon Honorare des Treuhänders"), Druckformat::Euro(b.honorare)},
        {QStringLiteral("Eigenanteile"), Druckformat::Euro(b.eigenanteile)},
        {QStringLiteral("Kasse nach dem Abschluss"), Druckformat::Euro(b.kasseNachher)},
        {QStringLiteral("Sozialanteil im Monat"), Druckformat::Prozent(b.anteil)},
        {QStringLiteral("neuer Sozialanteil"), Druckformat::Prozent(b.neuerAnteil)}};
    html += wertetabelle(zahlen);
    if (b.konto.konto) {
        html += QStringLiteral("<h2>Konto des Pakts</h2>");
        QList<QPair<QString, QString>> konto{
            {QStringLiteral("Kontostand nach den Büchern (Anfangssaldo, Einzahlungen, Überweisungen auf den Cent)"),
             Druckformat::Euro(b.konto.erwartet)}};
        if (b.konto.auszug) {
            konto.append({QStringLiteral("Schlusssaldo des Auszugs %1 vom %2")
                              .arg(b.konto.auszugDatei, b.konto.auszugTag.toString(QStringLiteral("dd.MM.yyyy"))),
                          Druckformat::Euro(b.konto.auszugSaldo)});
            konto.append({QStringLiteral("Differenz beim Einlesen (nicht zugeordnete Posten)"),
                          Druckformat::Euro(b.konto.auszugDifferenz)});
        }
        html += wertetabelle(konto);
    }
    html += QStringLiteral("<h2>Überweisungen</h2>");
    QString ueberweisungen = zeile({QStringLiteral("Art"), QStringLiteral("Empfänger"), QStringLiteral("Betrag (€)")}, 2, true);
    for (const TUeberweisung &u : b.ueberweisungen)
        ueberweisungen += zeile({u.art, u.name.isEmpty() ? QStringLiteral("Treuhänder") : u.name, Betrag(u.betrag)}, 2);
    html += b.ueberweisungen.isEmpty() ? QStringLiteral("<p>Keine.</p>") : tabelle(ueberweisungen);
    if (!b.paktKonto && !b.ueberweisungen.isEmpty())
        html += QStringLiteral("<p>Keine SEPA-Datei: für den Pakt ist kein Konto eingetragen.</p>");
    else if (!b.ohneIban.isEmpty())
        html += QStringLiteral("<p><b>Ohne gültige IBAN, nicht in der SEPA-Datei:</b> %1</p>")
                    .arg(b.ohneIban.join(QStringLiteral(", ")).toHtmlEscaped());
    return textdruck(html, pakt, QStringLiteral("Monatsbericht %1").arg(b.monat));
}

// Charts as a PNG picture of breite × hoehe pixels on white.
void bild(const QString &datei, int breite, int hoehe, const std::function<void(QPainter &, const QRectF &)> &zeichnen)
{
    QImage png(breite, hoehe, QImage::Format_RGB32);
    png.fill(Qt::white);
    QPainter maler(&png);
    zeichnen(maler, QRectF(0, 0, breite, hoehe).adjusted(8, 8, -8, -8));
    maler.end();
    schreiben(datei, [&](QIODevice &geraet) {
        if (!png.save(&geraet, "PNG"))
            nichtGeschrieben(datei, QStringLiteral("das Bild kann nicht erzeugt werden"));
    });
}

// Charts on one A4 page in landscape under the line "titel · Stand <date>".
Dokumente::TDruck diagrammdruck(const QString &titel, const std::function<void(QPainter &, const QRectF &)> &zeichnen)
{
    Dokumente::TDruck druck;
    druck.titel = titel;
    druck.quer = true;
    druck.rand = 12;
    druck.aufloesung = 150;
    druck.zeichnen = [titel, zeichnen](QPagedPaintDevice &geraet, QPainter &maler) {
        const QRectF seite(0, 0, geraet.width(), geraet.height());
        // The title line is as high on paper whatever the device's resolution.
        const double zeile = geraet.logicalDpiY() * 0.2;
        maler.drawText(QRectF(0, 0, seite.width(), zeile), Qt::AlignLeft | Qt::AlignVCenter,
                       QStringLiteral("%1 · Stand %2").arg(titel, heute()));
        zeichnen(maler, seite.adjusted(0, zeile * 1.2, 0, 0));
    };
    return druck;
}

void VerlaufPng(const QList<TMonatsverlauf> &verlauf, const QString &datei, int breite, int hoehe)
{
    bild(datei, breite, hoehe, [&](QPainter &maler, const QRectF &feld) { Verlaufsdiagramm::Zeichnen(maler, feld, verlauf); });
}

TDruck Verlauf(const QList<TMonatsverlauf> &verlauf, const QString &pakt)
{
    return diagrammdruck(QStringLiteral("Verlauf des Pakts %1").arg(pakt),
                         [verlauf](QPainter &maler, const QRectF &feld) { Verlaufsdiagramm::Zeichnen(maler, feld, verlauf); });
}

void WasWaereCsv(const TWasWaereErgebnis &e, const QString &datei)
{
    const auto euro = [](Money m) { return Druckformat::Tabellenbetrag(AufCent(m)); };
    const auto anteil = [](double a) { return QString::number(a, 'f', 4).replace(QLatin1Char('.'), QLatin1Char(',')); };
    QList<QStringList> zeilen{{QStringLiteral("Variante"), QStringLiteral("Monat"), QStringLiteral("Kasse_p10"), QStringLiteral("Kasse_p50"),
                               QStringLiteral("Kasse_p90"), QStringLiteral("Sozialanteil_p10"), QStringLiteral("Sozialanteil_p50"),
                               QStringLiteral("Sozialanteil_p90"), QStringLiteral("Auszahlungen_p50"), QStringLiteral("Eigenanteile_p50"),
                               QStringLiteral("Unterdeckung")}};
    for (const auto &[name, monate] : e.varianten)
        for (const TWasWaereMonat &m : monate)
            zeilen.append({name, m.monat, euro(m.kasse[0]), euro(m.kasse[1]), euro(m.kasse[2]), anteil(m.anteil[0]),
                           anteil(m.anteil[1]), anteil(m.anteil[2]), euro(m.auszahlungen[1]), euro(m.eigenanteile),
                           anteil(m.unterdeckung)});
    csv(zeilen, datei);
}

void WasWaerePng(const TWasWaereErgebnis &e, const QString &datei, int breite, int hoehe)
{
    bild(datei, breite, hoehe, [&](QPainter &maler, const QRectF &feld) { Faecherdiagramm::Zeichnen(maler, feld, e); });
}

TDruck WasWaere(const TWasWaereErgebnis &e, const QString &pakt)
{
    return diagrammdruck(QStringLiteral("Was wäre wenn: Pakt %1").arg(pakt),
                         [e](QPainter &maler, const QRectF &feld) { Faecherdiagramm::Zeichnen(maler, feld, e); });
}

void Einrichten(QPagedPaintDevice &geraet, const TDruck &druck)
{
    seiteEinrichten(geraet, druck);
}

void PdfSchreiben(const TDruck &druck, const QString &datei)
{
    schreiben(datei, [&](QIODevice &geraet) {
        QPdfWriter writer(&geraet);
        seiteEinrichten(writer, druck);
        writer.setResolution(druck.aufloesung);
        writer.setTitle(druck.titel);
        writer.setCreator(QStringLiteral("Vennlok Buchungsprogramm"));
        QPainter maler(&writer);
        druck.zeichnen(writer, maler);
        if (!maler.end())
            nichtGeschrieben(datei, QStringLiteral("das PDF kann nicht erzeugt werden"));
    });
}

void KontoauszugPdf(const TKontoauszug &auszug, const QString &pakt, const QString &datei)
{
    PdfSchreiben(Kontoauszug(auszug, pakt), datei);
}

void RueckstaendePdf(const QList<TRueckstand> &liste, const QString &buchungsmonat, const QString &pakt, const QString &datei)
{
    PdfSchreiben(Rueckstaende(liste, buchungsmonat, pakt), datei);
}

void MonatsberichtPdf(const TMonatsbericht &bericht, const QString &pakt, const QString &datei)
{
    PdfSchreiben(Monatsbericht(bericht, pakt), datei);
}

void VerlaufPdf(const QList<TMonatsverlauf> &verlauf, const QString &pakt, const QString &datei)
{
    PdfSchreiben(Verlauf(verlauf, pakt), datei);
}

void WasWaerePdf(const TWasWaereErgebnis &ergebnis, const QString &pakt, const QString &datei)
{
    PdfSchreiben(WasWaere(ergebnis, pakt), datei);
}

} // namespace Dokumente
