#pragma once

#include "algo/typen.h"
#include "data/monatkey.h"

#include <QFile>
#include <QString>

/// The booking log of a month, "A_Kassendaten" + month + ".buc": one line
/// per booking attempt and change of master or address data, in Windows-1252
/// with CR LF. Written only, never read back.
///
/// Without a store every line reaches the file before Schreiben returns; with
/// the engine's store, the lines reach it with the transaction's other files.
class TSpeicher;

class TBuchungslog
{
public:
    /// Opens the log (appending when it exists, else creating it with its
    /// heading) and writes the opening lines "KasseAuf," and "Datum," with
    /// datum. Throws VennlokFehler when the file cannot be created, opened or
    /// written.
    TBuchungslog(const QString &dateiname, DateTime datum, TSpeicher *speicher = nullptr);
    /// Opens an existing log to go on writing, without opening lines.
    explicit TBuchungslog(const QString &dateiname, TSpeicher *speicher = nullptr);
    ~TBuchungslog();

    TBuchungslog(const TBuchungslog &) = delete;
    TBuchungslog &operator=(const TBuchungslog &) = delete;

    /// "A_Kassendaten" + monat + ".buc".
    static QString Dateiname(const MonthKey &monat);

    /// Writes zeile and a line end. Throws VennlokFehler when the line cannot
    /// be written or holds a character outside Windows-1252.
    void Schreiben(const QString &zeile);

    QString FileName() const { return m_pfad; }

private:
    QString m_pfad;
    TSpeicher *m_speicher;
};
