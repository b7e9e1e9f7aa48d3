#include "data/cp1252.h"

#include "algo/fehler.h"

namespace {

// Unicode code points of the bytes 0x80..0x9F.
constexpr char16_t Obertabelle[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The byte for one UTF-16 code unit, or -1.
int byteFuer(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i)
        if (Obertabelle[i] == c)
            return 0x80 + i;
    return -1;
}

} // namespace

namespace Cp1252 {

QString dekodieren(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *ziel = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        ziel[i] = QChar(b >= 0x80 && b < 0xA0 ? Obertabelle[b - 0x80] : char16_t(b));
    }
    return text;
}

bool istSteuerzeichen(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0);
}

qsizetype ersteNichtDarstellbare(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (byteFuer(text[i].unicode()) < 0)
            return i;
    return -1;
}

bool darstellbar(const QString &text)
{
    return ersteNichtDarstellbare(text) < 0;
}

QByteArray kodieren(const QString &text)
{
    QByteArray bytes;
    anhaengen(bytes, text);
    return bytes;
}

bool kodierenNach(char *ziel, const QString &text)
{
    const QChar *zeichen = text.constData();
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const char16_t u = zeichen[i].unicode();
        // Latin-1 outside the C1 range is its own byte: the common case, without the table.
        const int b = u < 0x80 || (u >= 0xA0 && u <= 0xFF) ? int(u) : byteFuer(u);
        if (b < 0)
            return false;
        ziel[i] = char(b);
    }
    return true;
}

void anhaengen(QByteArray &ziel, const QString &text)
{
    const qsizetype anfang = ziel.size();
    ziel.resize(anfang + text.size());
    char *bytes = ziel.data() + anfang;
    const QChar *zeichen = text.constData();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = zeichen[i].unicode();
        // Latin-1 outside the C1 range is its own byte: the common case, without the table.
        const int b = u < 0x80 || (u >= 0xA0 && u <= 0xFF) ? int(u) : byteFuer(u);
        if (b < 0) {
            ziel.resize(anfang);
            // A surrogate pair is one character for the operator.
            const bool paar = text[i].isHighSurrogate() && i + 1 < text.size();
            const uint code = paar ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
            const QString nummer = QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0'));
            throw VennlokFehler(QStringLiteral("Das Zeichen \u201E%1\u201C (U+%2) kann in den Dateien "
                                               "nicht gespeichert werden.")
                                    .arg(text.mid(i, paar ? 2 : 1), nummer));
        }
        bytes[i] = char(b);
    }
}

} // namespace Cp1252
