#pragma once

#include "engine/auswertung.h"
#include "engine/waswaere.h"

#include <QString>
#include <functional>

class QPagedPaintDevice;
class QPainter;

/// The printed documents and exported tables: PDF on A4 with the pact's name,
/// the date and page numbers in every page's foot; CSV separated by
/// semicolons with decimal commas, UTF-8 with BOM and CR LF, as German
/// spreadsheet programs read it. Each writes its file whole or not at all
/// and throws VennlokFehler naming the file when it cannot. They need a
/// QGuiApplication (the offscreen platform will do).
namespace Dokumente {

/// A document laid out on A4 pages, to be drawn into a PDF file or onto a
/// printer (and its preview) alike.
struct TDruck
{
    QString titel;
    bool quer = false;  // landscape
    int rand = 15;      // margin on every side in millimetres
    int aufloesung = 300; // dots per inch it is drawn at, on paper as in its PDF
    /// Draws every page onto geraet, set up with Einrichten, through maler
    /// (begun on geraet), calling geraet.newPage() between pages.
    std::function<void(QPagedPaintDevice &geraet, QPainter &maler)> zeichnen;
};

/// The documents to print; each XxxPdf below writes the same into a file.
TDruck Kontoauszug(const TKontoauszug &auszug, const QString &pakt);
TDruck Rueckstaende(const QList<TRueckstand> &liste, const QString &buchungsmonat, const QString &pakt);
TDruck Monatsbericht(const TMonatsbericht &bericht, const QString &pakt);
TDruck Verlauf(const QList<TMonatsverlauf> &verlauf, const QString &pakt);
TDruck WasWaere(const TWasWaereErgebnis &ergebnis, const QString &pakt);
/// A4 in the document's orientation, with its margins.
void Einrichten(QPagedPaintDevice &geraet, const TDruck &druck);
void PdfSchreiben(const TDruck &druck, const QString &datei);

void KontoauszugPdf(const TKontoauszug &auszug, const QString &pakt, const QString &datei);
void KontoauszugCsv(const TKontoauszug &auszug, const QString &datei);

void RueckstaendePdf(const QList<TRueckstand> &liste, const QString &buchungsmonat, const QString &pakt, const QString &datei);
void RueckstaendeCsv(const QList<TRueckstand> &liste, const QString &datei);

/// One page: the month's figures and its transfers.
void MonatsberichtPdf(const TMonatsbericht &bericht, const QString &pakt, const QString &datei);

/// The history charts as a picture of breite × hoehe pixels, or on an A4 page in landscape.
void VerlaufPng(const QList<TMonatsverlauf> &verlauf, const QString &datei, int breite = 1000, int hoehe = 900);
void VerlaufPdf(const QList<TMonatsverlauf> &verlauf, const QString &pakt, const QString &datei);

/// A what-if: one row per variant and month (euros on the cent, shares as
/// fractions with four decimals); the fan charts as a picture or on an A4
/// page in landscape.
void WasWaereCsv(const TWasWaereErgebnis &ergebnis, const QString &datei);
void WasWaerePng(const TWasWaereErgebnis &ergebnis, const QString &datei, int breite = 1200, int hoehe = 900);
void WasWaerePdf(const TWasWaereErgebnis &ergebnis, const QString &pakt, const QString &datei);

} // namespace Dokumente
