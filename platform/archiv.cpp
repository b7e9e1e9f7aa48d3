// The backup archive: POSIX ustar, 512-byte blocks. Each file is a header
// block (name, octal size and mode, a checksum over the header) followed by
// its content padded to whole blocks; two zero blocks end the archive.

#include "platform/archiv.h"

#include "algo/fehler.h"
#include "platform/dateien.h"

#include <QDir>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <cstring>
#include <optional>

namespace Archiv {

namespace {

constexpr int Block = 512;
// Ustar keeps the size in 11 octal digits.
constexpr qint64 GroessteDatei = (qint64(1) << 33) - 1;

void oktal(char *feld, int breite, qint64 wert)
{
    // breite - 1 digits and a terminating NUL, as tar writes them.
    const QByteArray text = QByteArray::number(wert, 8).rightJustified(breite - 1, '0');
    std::memcpy(feld, text.constData(), size_t(breite - 1));
    feld[breite - 1] = '\0';
}

quint32 pruefsumme(const char *kopf)
{
    quint32 summe = 0;
    for (int i = 0; i < Block; ++i)
        summe += (i >= 148 && i < 156) ? quint32(' ') : quint32(static_cast<unsigned char>(kopf[i]));
    return summe;
}

// An octal field as tar writes it: digits, padded by spaces or NULs at either end.
std::optional<qint64> oktalLesen(const char *feld, int breite)
{
    const QByteArray text = QByteArray(feld, breite).replace('\0', ' ').trimmed();
    if (text.isEmpty() || text.size() > 12)
        return std::nullopt;
    qint64 wert = 0;
    for (const char c : text) {
        if (c < '0' || c > '7')
            return std::nullopt;
        wert = wert * 8 + (c - '0');
    }
    return wert;
}

[[noreturn]] void kaputt(const QString &archiv, const QString &grund)
{
    throw VennlokFehler(QStringLiteral("Die Sicherung \u201E%1\u201C ist kein vollständiges Archiv dieses Programms: %2")
                            .arg(QDir::toNativeSeparators(archiv), grund),
                        archiv, VennlokFehler::Beschaedigt);
}

} // namespace

QString NameFehler(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("ein leerer Name oder ein Verweis auf einen Ordner");
    for (const QChar c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 0x20 || c.unicode() == 0x7F)
            return QStringLiteral("\u201E%1\u201C ist kein einfacher Dateiname").arg(name);
    if (name.toUtf8().size() > 100)
        return QStringLiteral("\u201E%1\u201C ist länger als 100 Bytes").arg(name);
    return QString();
}

namespace {

// One file's header block, its content and the padding to whole blocks.
QByteArray eintrag(const Datei &datei, qint64 zeit)
{
    if (const QString fehler = NameFehler(datei.name); !fehler.isEmpty())
        throw VennlokFehler(QStringLiteral("Die Datei kann nicht gesichert werden: ") + fehler, datei.name);
    if (datei.inhalt.size() > GroessteDatei)
        throw VennlokFehler(QStringLiteral("Die Datei kann nicht gesichert werden: sie ist größer als 8 GB."), datei.name);
    char kopf[Block] = {};
    const QByteArray name = datei.name.toUtf8();
    std::memcpy(kopf, name.constData(), size_t(name.size()));
    oktal(kopf + 100, 8, 0644);
    oktal(kopf + 108, 8, 0);
    oktal(kopf + 116, 8, 0);
    oktal(kopf + 124, 12, datei.inhalt.size());
    oktal(kopf + 136, 12, zeit);
    kopf[156] = '0';
    std::memcpy(kopf + 257, "ustar", 6);
    std::memcpy(kopf + 263, "00", 2);
    oktal(kopf + 148, 7, pruefsumme(kopf));
    kopf[155] = ' ';
    QByteArray block(kopf, Block);
    block.append(datei.inhalt);
    block.append(QByteArray((Block - datei.inhalt.size() % Block) % Block, '\0'));
    return block;
}

const QByteArray Ende(2 * Block, '\0');

} // namespace

QByteArray Packen(const QList<Datei> &dateien, qint64 zeit)
{
    QByteArray archiv;
    for (const Datei &datei : dateien)
        archiv.append(eintrag(datei, zeit));
    return archiv + Ende;
}

QList<Datei> Entpacken(const QByteArray &daten, const QString &archiv)
{
    QList<Datei> dateien;
    QSet<QString> namen;
    qint64 pos = 0;
    for (;;) {
        if (pos + Block > daten.size())
            kaputt(archiv, QStringLiteral("es endet, bevor es zu Ende ist."));
        const char *kopf = daten.constData() + pos;
        if (std::all_of(kopf, kopf + Block, [](char c) { return c == '\0'; }))
            break;
        const auto summe = oktalLesen(kopf + 148, 8);
        if (!summe || quint32(*summe) != pruefsumme(kopf))
            kaputt(archiv, QStringLiteral("der Kopf eines Eintrags ist beschädigt (Prüfsumme)."));
        const QString name = QString::fromUtf8(kopf, int(qstrnlen(kopf, 100)));
        if (std::memcmp(kopf + 257, "ustar", 5) != 0 || kopf[345] != '\0')
            kaputt(archiv, QStringLiteral("\u201E%1\u201C ist kein Eintrag im ustar-Format ohne Pfad.").arg(name));
        if (kopf[156] != '0' && kopf[156] != '\0')
            kaputt(archiv, QStringLiteral("\u201E%1\u201C ist keine gewöhnliche Datei (Ordner, Verweis oder Gerät).").arg(name));
        if (const QString fehler = NameFehler(name); !fehler.isEmpty())
            kaputt(archiv, fehler + QLatin1Char('.'));
        if (namen.contains(name.toCaseFolded()))
            kaputt(archiv, QStringLiteral("\u201E%1\u201C steht zweimal darin.").arg(name));
        const auto groesse = oktalLesen(kopf + 124, 12);
        if (!groesse || *groesse > GroessteDatei || *groesse > daten.size() - pos - Block)
            kaputt(archiv, QStringLiteral("\u201E%1\u201C ist abgeschnitten.").arg(name));
        namen.insert(name.toCaseFolded());
        dateien.append({name, daten.mid(pos + Block, *groesse)});
        pos += Block + (*groesse + Block - 1) / Block * Block;
    }
    return dateien;
}

void Schreiben(const QString &ziel, const QString &verzeichnis, const QStringList &dateien, qint64 zeit)
{
    for (const QString &name : dateien)
        if (const QString fehler = NameFehler(name); !fehler.isEmpty())
            throw VennlokFehler(QStringLiteral("Die Datei kann nicht gesichert werden: ") + fehler, name);
    QSaveFile datei(ziel);
    const auto misslungen = [&](const QString &grund) {
        datei.cancelWriting();
        throw VennlokFehler(QStringLiteral("Die Sicherung \u201E%1\u201C konnte nicht geschrieben werden: %2")
                                .arg(QDir::toNativeSeparators(ziel), grund),
                            ziel);
    };
    if (!datei.open(QIODevice::WriteOnly))
        misslungen(datei.errorString());
    const auto schreiben = [&](const QByteArray &teil) {
        if (datei.write(teil) != teil.size())
            misslungen(Plattform::SystemGrund());
    };
    // One file at a time: the archive never holds more than the largest file in memory.
    const QDir dir(verzeichnis);
    for (const QString &name : dateien)
        if (const std::optional<QByteArray> inhalt = Plattform::Lesen(dir.filePath(name)))
            schreiben(eintrag({name, *inhalt}, zeit));
    schreiben(Ende);
    if (!datei.commit())
        misslungen(datei.errorString());
}

} // namespace Archiv
