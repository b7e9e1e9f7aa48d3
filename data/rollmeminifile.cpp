#include "data/rollmeminifile.h"

#include "algo/fehler.h"
#include "algo/runden.h"
#include "data/cp1252.h"
#include "data/speicher.h"
#include "data/textdatei.h"
#include "data/textformat.h"

#include <QDebug>
#include <QFile>
#include <algorithm>
#include <cmath>

namespace {

bool istLeerzeichen(QChar c)
{
    return c.unicode() <= 0x20;
}

// Trims what the reading rules trim: blanks and control characters.
QStringView trimmen(QStringView text)
{
    qsizetype a = 0, e = text.size();
    while (a < e && istLeerzeichen(text[a]))
        ++a;
    while (e > a && istLeerzeichen(text[e - 1]))
        --e;
    return text.mid(a, e - a);
}

bool istBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Each line of text (ended by CR LF, LF or CR) as a view into it: a large
// file is read without a copy of every line.
template <typename F>
void zeilenTrennen(QStringView text, F zeile)
{
    qsizetype anfang = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            zeile(text.mid(anfang, i - anfang));
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            anfang = i + 1;
        }
    }
    if (anfang < text.size())
        zeile(text.mid(anfang));
}

// Refuses a text that would not come back unchanged from the file.
void pruefen(const QString &text, const QString &was, bool leerErlaubt)
{
    auto fehler = [&](const QString &grund) {
        throw VennlokFehler(QStringLiteral("%1 \u201E%2\u201C kann nicht gespeichert werden: %3.")
                                .arg(was, text, grund));
    };
    if (text.isEmpty()) {
        if (!leerErlaubt)
            fehler(QStringLiteral("er ist leer"));
        return;
    }
    // Nearly every text is ASCII: one pass decides it; others are checked character by character.
    bool ascii = true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F)
            fehler(QStringLiteral("er enthält ein Steuerzeichen"));
        ascii = ascii && u < 0x80;
    }
    if (!ascii) {
        for (QChar c : text)
            if (Cp1252::istSteuerzeichen(c))
                fehler(QStringLiteral("er enthält ein Steuerzeichen"));
        if (!Cp1252::darstellbar(text))
            fehler(QStringLiteral("er enthält ein Zeichen außerhalb des Zeichensatzes Windows-1252"));
    }
    if (istLeerzeichen(text.front()) || istLeerzeichen(text.back()))
        fehler(QStringLiteral("er beginnt oder endet mit einem Leerzeichen"));
}

void pruefeAbschnitt(const QString &section)
{
    pruefen(section, QStringLiteral("Der Abschnittsname"), false);
}

void pruefeSchluessel(const QString &key)
{
    pruefen(key, QStringLiteral("Der Schlüssel"), false);
    if (key.contains(QLatin1Char('=')))
        throw VennlokFehler(QStringLiteral("Der Schlüssel \u201E%1\u201C kann nicht gespeichert werden: "
                                           "er enthält ein Gleichheitszeichen.").arg(key));
    if (key.startsWith(QLatin1Char(';')) || key.startsWith(QLatin1Char('[')))
        throw VennlokFehler(QStringLiteral("Der Schlüssel \u201E%1\u201C kann nicht gespeichert werden: "
                                           "er beginnt mit \u201E%2\u201C.").arg(key, key.left(1)));
}

void pruefeWert(const QString &value)
{
    pruefen(value, QStringLiteral("Der Wert"), true);
}

} // namespace

TRollMemIniFile::TRollMemIniFile(const QString &fileName, TSpeicher *speicher)
    : m_fileName(fileName), m_speicher(speicher)
{
    std::optional<QByteArray> inhalt = m_speicher ? m_speicher->Lesen(fileName) : Direkt::Lesen(fileName);
    if (!inhalt)
        return;
    // A byte-order mark that an editor put at the start is not part of the first section's name.
    if (inhalt->startsWith("\xEF\xBB\xBF"))
        inhalt->remove(0, 3);
    if (inhalt->isEmpty())
        m_unvollstaendig = QStringLiteral("ist leer");
    else if (!inhalt->endsWith('\n'))
        m_unvollstaendig = QStringLiteral("endet mitten in einer Zeile");
    const QString text = Cp1252::dekodieren(*inhalt);
    inhalt.reset(); // the bytes are not needed beside their text
    leeren();
    Abschnitt *aktuell = nullptr;
    zeilenTrennen(text, [&](QStringView zeile) { zeileLesen(zeile, aktuell); });
    if (m_speicher)
        m_speicher->Geladen(this);
}

TRollMemIniFile::~TRollMemIniFile()
{
    // Nothing is written here: a write that failed could not be reported.
    // A change handed to the store with UpdateFile is taken over now.
    if (m_speicher)
        m_speicher->Loslassen(this);
}

namespace {

constexpr size_t FnvAnfang = 14695981039346656037ULL, FnvFaktor = 1099511628211ULL;

// A-Z lowered; everything else as it is.
inline char16_t klein(char16_t c)
{
    return char16_t(c - u'A') <= char16_t(u'Z' - u'A') ? char16_t(c + (u'a' - u'A')) : c;
}

} // namespace

bool operator==(const IniName &a, const IniName &b)
{
    const qsizetype n = a.text.size();
    if (n == b.text.size()) {
        const char16_t *x = reinterpret_cast<const char16_t *>(a.text.constData());
        const char16_t *y = reinterpret_cast<const char16_t *>(b.text.constData());
        qsizetype i = 0;
        for (; i < n && (x[i] | y[i]) < 0x80; ++i)
            if (klein(x[i]) != klein(y[i]))
                return false;
        if (i == n)
            return true;
    } else if (a.text.size() + b.text.size() > 0) {
        // Folding keeps ASCII's length; only a name beyond ASCII can fold to another length.
        bool nurAscii = true;
        for (const QString *t : {&a.text, &b.text})
            for (const QChar c : *t)
                nurAscii = nurAscii && c.unicode() < 0x80;
        if (nurAscii)
            return false;
    }
    return a.text.toCaseFolded() == b.text.toCaseFolded();
}

namespace {

// FNV-1a carries a unit's bits only upwards; the table takes the low bits.
// Mixing the high bits down keeps names that differ in their last digits
// ("Teilhaber_0001_17", "Teilhaber_0001_27") apart in a large section.
inline size_t gemischt(size_t h)
{
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ull;
    h ^= h >> 32;
    return h;
}

} // namespace

size_t qHash(const IniName &name, size_t seed)
{
    // FNV-1a over the folded UTF-16 units: the same for every spelling that folds alike.
    size_t h = FnvAnfang ^ seed;
    for (const QChar c : name.text) {
        if (c.unicode() >= 0x80) {
            h = FnvAnfang ^ seed;
            for (const QChar f : name.text.toCaseFolded())
                h = (h ^ f.unicode()) * FnvFaktor;
            return gemischt(h);
        }
        h = (h ^ klein(c.unicode())) * FnvFaktor;
    }
    return gemischt(h);
}

void TRollMemIniFile::leeren()
{
    ++m_stand;
    m_zuletzt = nullptr;
    m_index.clear();
    m_abschnitte.clear();
}

void TRollMemIniFile::laden(const QStringList &zeilen)
{
    leeren();
    Abschnitt *aktuell = nullptr;
    for (const QString &zeile : zeilen)
        zeileLesen(zeile, aktuell);
}

void TRollMemIniFile::zeileLesen(QStringView roh, Abschnitt *&aktuell)
{
    const QStringView zeile = trimmen(roh);
    if (zeile.isEmpty() || zeile.startsWith(QLatin1Char(';')))
        return;
    if (zeile.size() >= 2 && zeile.startsWith(QLatin1Char('[')) && zeile.endsWith(QLatin1Char(']'))) {
        aktuell = &abschnittAnlegen(trimmen(zeile.mid(1, zeile.size() - 2)).toString());
        return;
    }
    if (!aktuell)
        return; // lines before the first section are dropped
    const qsizetype gleich = zeile.indexOf(QLatin1Char('='));
    if (gleich < 0) {
        zeileAnhaengen(*aktuell, Zeile{zeile.toString(), QString(), false});
        return;
    }
    qsizetype schluesselEnde = gleich;
    while (schluesselEnde > 0 && istBlank(zeile[schluesselEnde - 1]))
        --schluesselEnde;
    qsizetype wertAnfang = gleich + 1;
    while (wertAnfang < zeile.size() && istBlank(zeile[wertAnfang]))
        ++wertAnfang;
    zeileAnhaengen(*aktuell, Zeile{zeile.left(schluesselEnde).toString(), zeile.mid(wertAnfang).toString(), true});
}

TRollMemIniFile::Abschnitt &TRollMemIniFile::abschnittAnlegen(const QString &section)
{
    const IniName schluessel{section};
    auto it = m_index.constFind(schluessel);
    if (it != m_index.constEnd())
        return *it.value();
    m_abschnitte.push_back(Abschnitt{section, {}, {}, 0, false, {}});
    auto neu = std::prev(m_abschnitte.end());
    m_index.insert(schluessel, neu);
    return *neu;
}

void TRollMemIniFile::zeileAnhaengen(Abschnitt &abschnitt, const Zeile &zeile)
{
    abschnitt.kodiert.clear();
    abschnitt.zeilen.push_back(zeile);
    if (!zeile.mitGleich)
        return;
    ++abschnitt.anzahlSchluessel;
    const IniName schluessel{zeile.schluessel};
    if (abschnitt.index.contains(schluessel))
        abschnitt.hatDoppelte = true;
    else
        abschnitt.index.insert(schluessel, std::prev(abschnitt.zeilen.end()));
}

void TRollMemIniFile::indexNeuAufbauen(Abschnitt &abschnitt)
{
    abschnitt.index.clear();
    for (auto it = abschnitt.zeilen.begin(); it != abschnitt.zeilen.end(); ++it) {
        if (!it->mitGleich)
            continue;
        const IniName schluessel{it->schluessel};
        if (!abschnitt.index.contains(schluessel))
            abschnitt.index.insert(schluessel, it);
    }
}

TRollMemIniFile::Abschnitt *TRollMemIniFile::finde(const QString &section)
{
    return const_cast<Abschnitt *>(std::as_const(*this).finde(section));
}

const TRollMemIniFile::Abschnitt *TRollMemIniFile::finde(const QString &section) const
{
    // The section asked for last, when asked by the same spelling again
    // (a booking asks for its few sections many times): no hashing.
    if (m_zuletzt && section.size() == m_zuletztName.size()
        && (section.constData() == m_zuletztName.constData() || section == m_zuletztName))
        return m_zuletzt;
    auto it = m_index.constFind(IniName{section});
    if (it == m_index.constEnd())
        return nullptr;
    m_zuletztName = section;
    m_zuletzt = &*it.value();
    return m_zuletzt;
}

const TRollMemIniFile::Zeile *TRollMemIniFile::findeZeile(const QString &section, const QString &key) const
{
    const Abschnitt *abschnitt = finde(section);
    if (!abschnitt)
        return nullptr;
    auto it = abschnitt->index.constFind(IniName{key});
    return it == abschnitt->index.constEnd() ? nullptr : &*it.value();
}

bool TRollMemIniFile::rohText(const QString &section, const QString &key, QString &text) const
{
    const Zeile *zeile = findeZeile(section, key);
    if (!zeile)
        return false;
    text = zeile->wert;
    return true;
}

QStringList TRollMemIniFile::Zeilen() const
{
    QStringList zeilen;
    for (const Abschnitt &abschnitt : m_abschnitte) {
        zeilen.append(QLatin1Char('[') + abschnitt.name + QLatin1Char(']'));
        for (const Zeile &zeile : abschnitt.zeilen)
            zeilen.append(zeile.mitGleich ? zeile.schluessel + QLatin1Char('=') + zeile.wert
                                          : zeile.schluessel);
        zeilen.append(QString());
    }
    return zeilen;
}

void TRollMemIniFile::SetRollbackPoint()
{
    m_rueckwege.clear();
    m_standGemerkt = false;
    m_hatRollbackPunkt = true;
}

bool TRollMemIniFile::merken(Rueckweg schritt)
{
    // Called before the change it records. Once a whole copy is recorded,
    // going back restores it whatever came later.
    if (!m_hatRollbackPunkt || m_standGemerkt)
        return false;
    // A record longer than the file itself is folded into one copy of the
    // point's content, so the memory it takes stays within the file's size.
    if (m_rueckwege.size() >= 64) {
        std::size_t zeilen = 0;
        for (const Abschnitt &a : m_abschnitte)
            zeilen += a.zeilen.size() + 1;
        if (m_rueckwege.size() > zeilen) {
            const QStringList jetzt = Zeilen();
            Rollback();
            Rueckweg punkt{Rueckweg::Stand, {}, {}, {}, Zeilen()};
            laden(jetzt);
            m_rueckwege.assign(1, std::move(punkt));
            m_standGemerkt = true;
            return true;
        }
    }
    m_standGemerkt = schritt.art == Rueckweg::Stand;
    m_rueckwege.push_back(std::move(schritt));
    return false;
}

void TRollMemIniFile::standMerken()
{
    if (m_hatRollbackPunkt && !m_standGemerkt)
        merken({Rueckweg::Stand, {}, {}, {}, Zeilen()});
}

void TRollMemIniFile::zuruecknehmen(const Rueckweg &schritt)
{
    if (schritt.art == Rueckweg::Stand) {
        laden(schritt.stand);
        return;
    }
    auto ab = m_index.find(IniName{schritt.abschnitt});
    if (ab == m_index.end())
        return;
    if (schritt.art == Rueckweg::Abschnitt) {
        // A new section is always the last one.
        m_zuletzt = nullptr;
        m_abschnitte.erase(ab.value());
        m_index.erase(ab);
        return;
    }
    Abschnitt &abschnitt = *ab.value();
    if (schritt.art == Rueckweg::Wert) {
        auto z = abschnitt.index.find(IniName{schritt.schluessel});
        if (z != abschnitt.index.end())
            z.value()->wert = schritt.alt;
        abschnitt.kodiert.clear();
        return;
    }
    // A new line is always the last one of its section.
    auto letzte = std::prev(abschnitt.zeilen.end());
    if (letzte->mitGleich) {
        --abschnitt.anzahlSchluessel;
        auto z = abschnitt.index.find(IniName{letzte->schluessel});
        if (z != abschnitt.index.end() && z.value() == letzte)
            abschnitt.index.erase(z);
    }
    abschnitt.zeilen.erase(letzte);
    abschnitt.kodiert.clear();
}

void TRollMemIniFile::Rollback()
{
    if (!m_hatRollbackPunkt)
        throw VennlokFehler(QStringLiteral("Für die Datei \u201E%1\u201C gibt es keinen Rücksetzpunkt.")
                                .arg(m_fileName));
    for (auto it = m_rueckwege.crbegin(); it != m_rueckwege.crend(); ++it)
        zuruecknehmen(*it);
    m_rueckwege.clear();
    m_standGemerkt = false;
    m_geaendert = true;
    ++m_stand;
}

QString TRollMemIniFile::ReadString(const QString &section, const QString &key, const QString &defaultValue) const
{
    QString text;
    return rohText(section, key, text) ? text : defaultValue;
}

void TRollMemIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    pruefeAbschnitt(section);
    pruefeSchluessel(key);
    pruefeWert(value);
    // One lookup of the section and one of the key; the undo record is
    // written before anything changes, and when writing it reloaded the
    // content, they are looked up again.
    Abschnitt *abschnitt = finde(section);
    const auto zeileIn = [&key](Abschnitt *a) -> Zeile * {
        if (!a)
            return nullptr;
        const auto it = a->index.constFind(IniName{key});
        return it == a->index.constEnd() ? nullptr : &*it.value();
    };
    Zeile *vorhanden = zeileIn(abschnitt);
    if (vorhanden && vorhanden->wert == value)
        return;
    bool neuGeladen = !abschnitt && merken({Rueckweg::Abschnitt, section, {}, {}, {}});
    neuGeladen = (vorhanden ? merken({Rueckweg::Wert, section, key, vorhanden->wert, {}})
                            : merken({Rueckweg::Zeile, section, {}, {}, {}}))
                 || neuGeladen;
    if (neuGeladen) {
        abschnitt = finde(section);
        vorhanden = zeileIn(abschnitt);
    }
    if (!abschnitt)
        abschnitt = &abschnittAnlegen(section);
    if (vorhanden) {
        vorhanden->wert = value;
        abschnitt->kodiert.clear();
    } else {
        zeileAnhaengen(*abschnitt, Zeile{key, value, true});
    }
    m_geaendert = true;
    ++m_stand;
}

int TRollMemIniFile::ReadInteger(const QString &section, const QString &key, int defaultValue) const
{
    QString text;
    if (!rohText(section, key, text))
        return defaultValue;
    return Textformat::textZuInt(text).value_or(defaultValue);
}

void TRollMemIniFile::WriteInteger(const QString &section, const QString &key, int value)
{
    if (value == FehlwertInt)
        Beschaedigt(section, key, QStringLiteral("soll einen fehlenden Wert erhalten"));
    WriteString(section, key, Textformat::intZuText(value));
}

double TRollMemIniFile::ReadFloat(const QString &section, const QString &key, double defaultValue) const
{
    QString text;
    if (!rohText(section, key, text))
        return defaultValue;
    return Textformat::textZuFloat(text).value_or(defaultValue);
}

void TRollMemIniFile::WriteFloat(const QString &section, const QString &key, double value)
{
    const QString text = Textformat::floatZuText(value);
    // What the text form cannot give back (the sentinel, a double at the edge of its range) is not written.
    if (value == FehlwertFloat || !Textformat::textZuFloat(text))
        Beschaedigt(section, key, QStringLiteral("soll den Wert %1 erhalten, den die Datei nicht fassen kann").arg(text));
    WriteString(section, key, text);
}

Money TRollMemIniFile::ReadMoney(const QString &section, const QString &key, Money defaultValue) const
{
    QString text;
    if (!rohText(section, key, text))
        return defaultValue;
    // The form the program writes is read on integers; any other through the float form.
    if (const auto einfach = Textformat::einfacherBetrag(text))
        return *einfach > GeldGrenze || *einfach < -GeldGrenze ? defaultValue : *einfach;
    const auto einheiten = Textformat::textZuFloat(text);
    if (!einheiten)
        return defaultValue;
    const auto betrag = R4Genau(*einheiten);
    // More than four decimals, or more digits than the text form holds, is no amount of this program.
    if (!betrag || *betrag > GeldGrenze || *betrag < -GeldGrenze)
        return defaultValue;
    return *betrag;
}

void TRollMemIniFile::WriteMoney(const QString &section, const QString &key, Money value)
{
    if (value == FehlwertMoney)
        Beschaedigt(section, key, QStringLiteral("soll einen fehlenden Wert erhalten"));
    WriteString(section, key, Textformat::moneyZuText(GeldPlus(value, 0)));
}

Money TRollMemIniFile::MoneyNoetig(const QString &section, const QString &key) const
{
    const Money wert = ReadMoney(section, key, FehlwertMoney);
    if (wert == FehlwertMoney)
        Beschaedigt(section, key, QStringLiteral("fehlt oder ist nicht lesbar"));
    return wert;
}

int TRollMemIniFile::IntegerNoetig(const QString &section, const QString &key) const
{
    const int wert = ReadInteger(section, key, FehlwertInt);
    if (wert == FehlwertInt)
        Beschaedigt(section, key, QStringLiteral("fehlt oder ist nicht lesbar"));
    return wert;
}

double TRollMemIniFile::FloatNoetig(const QString &section, const QString &key) const
{
    const double wert = ReadFloat(section, key, FehlwertFloat);
    if (wert == FehlwertFloat)
        Beschaedigt(section, key, QStringLiteral("fehlt oder ist nicht lesbar"));
    return wert;
}

void TRollMemIniFile::Beschaedigt(const QString &section, const QString &key, const QString &was) const
{
    const QString name = m_fileName.mid(m_fileName.lastIndexOf(QLatin1Char('/')) + 1);
    throw VennlokFehler(QStringLiteral("Die Datei \u201E%1\u201C ist beschädigt: [%2] %3 %4.").arg(name, section, key, was),
                        m_fileName, VennlokFehler::Beschaedigt);
}

void TRollMemIniFile::VollstaendigVerlangen(const QString &section, const QStringList &keys) const
{
    const QString name = m_fileName.mid(m_fileName.lastIndexOf(QLatin1Char('/')) + 1);
    if (!m_unvollstaendig.isEmpty())
        throw VennlokFehler(QStringLiteral("Die Datei \u201E%1\u201C ist beschädigt: sie %2 (abgeschnitten?).")
                                .arg(name, m_unvollstaendig),
                            m_fileName, VennlokFehler::Beschaedigt);
    for (const QString &key : keys)
        if (!ValueExists(section, key))
            Beschaedigt(section, key, QStringLiteral("fehlt (ist die Datei abgeschnitten?)"));
}

DateTime TRollMemIniFile::ReadDateTime(const QString &section, const QString &key, DateTime defaultValue) const
{
    QString text;
    if (!rohText(section, key, text))
        return defaultValue;
    return Textformat::textZuDateTime(text).value_or(defaultValue);
}

void TRollMemIniFile::WriteDateTime(const QString &section, const QString &key, DateTime value)
{
    WriteString(section, key, Textformat::dateTimeZuText(value));
}

void TRollMemIniFile::ReadSection(const QString &section, QStringList &keys) const
{
    keys.clear();
    const Abschnitt *abschnitt = finde(section);
    if (!abschnitt)
        return;
    keys.reserve(abschnitt->anzahlSchluessel);
    for (const Zeile &zeile : abschnitt->zeilen)
        if (zeile.mitGleich)
            keys.append(zeile.schluessel);
}

QStringList TRollMemIniFile::ReadSection(const QString &section) const
{
    QStringList keys;
    ReadSection(section, keys);
    return keys;
}

QStringList TRollMemIniFile::ReadSection(const QString &section, const std::function<bool(const QString &)> &passt) const
{
    QStringList keys;
    if (const Abschnitt *abschnitt = finde(section))
        for (const Zeile &zeile : abschnitt->zeilen)
            if (zeile.mitGleich && passt(zeile.schluessel))
                keys.append(zeile.schluessel);
    return keys;
}

QStringList TRollMemIniFile::ReadSections() const
{
    QStringList namen;
    namen.reserve(qsizetype(m_abschnitte.size()));
    for (const Abschnitt &abschnitt : m_abschnitte)
        namen.append(abschnitt.name);
    return namen;
}

bool TRollMemIniFile::SectionExists(const QString &section) const
{
    const Abschnitt *abschnitt = finde(section);
    return abschnitt && abschnitt->anzahlSchluessel > 0;
}

bool TRollMemIniFile::ValueExists(const QString &section, const QString &key) const
{
    return findeZeile(section, key) != nullptr;
}

void TRollMemIniFile::EraseSection(const QString &section)
{
    if (!finde(section))
        return;
    standMerken(); // before any lookup: recording may reload the content
    auto it = m_index.find(IniName{section});
    m_zuletzt = nullptr;
    m_abschnitte.erase(it.value());
    m_index.erase(it);
    m_geaendert = true;
    ++m_stand;
}

void TRollMemIniFile::DeleteKey(const QString &section, const QString &key)
{
    if (!findeZeile(section, key))
        return;
    standMerken(); // before any lookup: recording may reload the content
    Abschnitt *abschnitt = finde(section);
    auto it = abschnitt->index.find(IniName{key});
    abschnitt->zeilen.erase(it.value());
    abschnitt->kodiert.clear();
    --abschnitt->anzahlSchluessel;
    if (abschnitt->hatDoppelte)
        indexNeuAufbauen(*abschnitt); // a later line with the same key takes over
    else
        abschnitt->index.erase(it);
    m_geaendert = true;
    ++m_stand;
}

void TRollMemIniFile::UpdateFile()
{
    if (m_speicher && !m_verworfen)
        m_speicher->Vormerken(this);
    else
        Textdatei::SchreibeAtomar(m_fileName, Inhalt());
    m_geaendert = false;
}

QList<QByteArray> TRollMemIniFile::Stuecke() const
{
    // Each section keeps its bytes until it changes: a cash book of many
    // days is written after every booking, and only the day booked into and
    // the totals are encoded again.
    QList<QByteArray> stuecke;
    stuecke.reserve(qsizetype(m_abschnitte.size()));
    for (const Abschnitt &abschnitt : m_abschnitte) {
        if (abschnitt.kodiert.isEmpty()) {
            QByteArray &k = abschnitt.kodiert;
            qsizetype bytes = abschnitt.name.size() + 6; // one byte per character: room for all at once
            for (const Zeile &zeile : abschnitt.zeilen)
                bytes += zeile.schluessel.size() + zeile.wert.size() + 3;
            k.reserve(bytes);
            k += '[';
            Cp1252::anhaengen(k, abschnitt.name);
            k += "]\r\n";
            for (const Zeile &zeile : abschnitt.zeilen) {
                Cp1252::anhaengen(k, zeile.schluessel);
                if (zeile.mitGleich) {
                    k += '=';
                    Cp1252::anhaengen(k, zeile.wert);
                }
                k += "\r\n";
            }
            k += "\r\n";
        }
        stuecke.append(abschnitt.kodiert);
    }
    return stuecke;
}

QByteArray TRollMemIniFile::Inhalt() const
{
    const QList<QByteArray> stuecke = Stuecke();
    qsizetype groesse = 0;
    for (const QByteArray &stueck : stuecke)
        groesse += stueck.size();
    QByteArray inhalt;
    inhalt.reserve(groesse);
    for (const QByteArray &stueck : stuecke)
        inhalt += stueck;
    return inhalt;
}
