#include "data/buchungslog.h"

#include "algo/fehler.h"
#include "data/cp1252.h"
#include "data/textformat.h"
#include "data/uhr.h"

namespace {

QString datumUndZeit()
{
    const DateTime jetzt = Uhr::Jetzt();
    return Textformat::datumZuText(jetzt) + QLatin1Char(',') + Textformat::zeitZuText(jetzt);
}

} // namespace

void TBuchungslog::oeffnen()
{
    // Unbuffered: each line goes to the system as soon as it is written.
    if (!m_datei.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        throw VennlokFehler(QStringLiteral("Das Buchungslog \u201E%1\u201C kann nicht geöffnet werden: %2")
                                .arg(m_datei.fileName(), m_datei.errorString()));
}

TBuchungslog::TBuchungslog(const QString &dateiname)
    : m_datei(dateiname)
{
    oeffnen();
}

TBuchungslog::TBuchungslog(const QString &dateiname, DateTime datum)
    : m_datei(dateiname)
{
    const bool neu = !m_datei.exists();
    oeffnen();
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
    if (m_datei.write(bytes) != bytes.size() || !m_datei.flush())
        throw VennlokFehler(QStringLiteral("Das Buchungslog \u201E%1\u201C kann nicht geschrieben werden: %2")
                                .arg(m_datei.fileName(), m_datei.errorString()));
}
