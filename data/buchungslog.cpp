#include "data/buchungslog.h"

#include "algo/fehler.h"
#include "data/cp1252.h"
#include "data/textformat.h"
#include "data/speicher.h"
#include "data/uhr.h"

#include <QFile>

namespace {

QString datumUndZeit()
{
    const DateTime jetzt = Uhr::Jetzt();
    return Textformat::datumZuText(jetzt) + QLatin1Char(',') + Textformat::zeitZuText(jetzt);
}

} // namespace

TBuchungslog::TBuchungslog(const QString &dateiname, TSpeicher *speicher)
    : m_pfad(dateiname), m_speicher(speicher)
{
}

TBuchungslog::TBuchungslog(const QString &dateiname, DateTime datum, TSpeicher *speicher)
    : m_pfad(dateiname), m_speicher(speicher)
{
    const bool neu = m_speicher ? !m_speicher->Existiert(dateiname) : !QFile::exists(dateiname);
    if (neu) {
        Schreiben(QString());
        Schreiben(QStringLiteral("BuchungsLog vom ") + datumUndZeit());
    }
    Schreiben(QString());
    Schreiben(QStringLiteral("KasseAuf,") + datumUndZeit());
    Schreiben(QStringLiteral("Datum,") + Textformat::datumZuText(datum));
}

TBuchungslog::~TBuchungslog() = default;

QString TBuchungslog::Dateiname(const MonthKey &monat)
{
    return QStringLiteral("A_Kassendaten") + monat + QStringLiteral(".buc");
}

void TBuchungslog::Schreiben(const QString &zeile)
{
    const QByteArray bytes = Cp1252::kodieren(zeile) + "\r\n";
    if (m_speicher)
        m_speicher->Anhaengen(m_pfad, bytes);
    else
        Direkt::Anhaengen(m_pfad, bytes);
}
