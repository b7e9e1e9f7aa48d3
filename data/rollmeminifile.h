#pragma once

#include "algo/fehler.h"
#include "algo/typen.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <list>
#include <vector>

/// An INI-style data file held wholly in memory, with one rollback point.
///
/// The file is read once on construction; every read and write afterwards
/// works on memory. Section and key lookups ignore letter case (umlauts
/// included) and are hashed; sections and keys keep the spelling and order of
/// their first write. Files are Windows-1252 with CR LF; numbers and dates are
/// written in the German forms of Textformat.
///
/// UpdateFile replaces the file atomically: a failed write leaves the old file
/// whole. Given a store (TSpeicher), reading and writing go through it, and
/// UpdateFile hands the content to its transaction. The destructor never writes.
///
/// Every Write... and the rollback throw VennlokFehler (text for the
/// operator) before anything changes when the section, key or value cannot be
/// stored in the file: control characters, characters outside Windows-1252,
/// blanks at either end, an empty section or key, "=" in a key or a key that
/// starts with ";" or "[".
class TSpeicher;

/// A section name or key as an INI file's lookups see it: equal and hashed
/// as its folded form, without making the folded copy while it is ASCII
/// (nearly always), which had cost a quarter of a replay's instructions.
struct IniName
{
    QString text;
};
bool operator==(const IniName &a, const IniName &b);
size_t qHash(const IniName &name, size_t seed = 0);

class TRollMemIniFile
{
public:
    /// Loads fileName when it exists; a missing file gives an empty store and
    /// nothing is created yet. Throws VennlokFehler when the file exists but
    /// cannot be read. speicher (when given) is the store of the file's
    /// directory, which must outlive the object.
    explicit TRollMemIniFile(const QString &fileName, TSpeicher *speicher = nullptr);
    virtual ~TRollMemIniFile();

    TRollMemIniFile(const TRollMemIniFile &) = delete;
    TRollMemIniFile &operator=(const TRollMemIniFile &) = delete;

    const QString &FileName() const { return m_fileName; }

    /// Marks the content as the point to go back to; only the latest point
    /// is kept. Cheap: from here on each change records how to undo it.
    void SetRollbackPoint();
    /// Restores the content of the latest rollback point (memory only).
    /// Throws VennlokFehler when no point was set.
    void Rollback();

    QString ReadString(const QString &section, const QString &key, const QString &defaultValue) const;
    void WriteString(const QString &section, const QString &key, const QString &value);

    /// Decimal text; reading also takes "0x" hexadecimal. Missing or
    /// unreadable text gives the default.
    int ReadInteger(const QString &section, const QString &key, int defaultValue) const;
    void WriteInteger(const QString &section, const QString &key, int value);

    /// The float text form (decimal comma). Missing or unreadable text gives
    /// the default. Writing infinity or NaN throws VennlokFehler.
    double ReadFloat(const QString &section, const QString &key, double defaultValue) const;
    void WriteFloat(const QString &section, const QString &key, double value);

    /// An amount stored in units ("12,5" for 125000). Read back: the number
    /// times 10000; missing or unreadable text, more than four decimals or a
    /// magnitude beyond GeldGrenze give the default. Writing a value beyond
    /// GeldGrenze, which the text form could not hold exactly, throws
    /// VennlokFehler (art Grenze).
    Money ReadMoney(const QString &section, const QString &key, Money defaultValue) const;
    void WriteMoney(const QString &section, const QString &key, Money value);

    /// The value a booking needs: missing or unreadable, it throws
    /// VennlokFehler (art Beschaedigt) "Die Datei „X“ ist beschädigt:
    /// [section] key fehlt oder ist nicht lesbar." The missing-value
    /// sentinel never comes back from these.
    Money MoneyNoetig(const QString &section, const QString &key) const;
    int IntegerNoetig(const QString &section, const QString &key) const;
    double FloatNoetig(const QString &section, const QString &key) const;
    /// Throws VennlokFehler (art Beschaedigt) for a value of this file that
    /// breaks a rule: "Die Datei „X“ ist beschädigt: [section] key was".
    [[noreturn]] void Beschaedigt(const QString &section, const QString &key, const QString &was) const;
    /// Throws VennlokFehler (art Beschaedigt) when the file as read was
    /// empty or ended in the middle of a line, or section lacks one of keys:
    /// what a file cut short looks like.
    void VollstaendigVerlangen(const QString &section, const QStringList &keys) const;

    /// "dd.MM.yyyy HH:mm:ss", the time left out at exactly midnight.
    DateTime ReadDateTime(const QString &section, const QString &key, DateTime defaultValue) const;
    void WriteDateTime(const QString &section, const QString &key, DateTime value);

    /// The section's keys in stored order; empty when the section is missing.
    void ReadSection(const QString &section, QStringList &keys) const;
    QStringList ReadSection(const QString &section) const;
    /// The section's keys for which passt holds, in stored order: a few keys
    /// of a long section without copying all of them.
    QStringList ReadSection(const QString &section, const std::function<bool(const QString &key)> &passt) const;
    /// All section names in stored order.
    QStringList ReadSections() const;

    /// True when the section exists and holds at least one key.
    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &key) const;

    void EraseSection(const QString &section);
    void DeleteKey(const QString &section, const QString &key);

    /// Replaces the whole file by the content in memory, atomically. Throws
    /// VennlokFehler when the file cannot be written; the old file then stays
    /// as it was and memory is unchanged.
    void UpdateFile();

    /// True when the content changed since it was read or last written.
    bool Geaendert() const { return m_geaendert; }
    /// Counts every change of the content in memory (writes, deletions, going
    /// back, reading anew): a value derived from the content stays good while it is the same.
    quint64 Stand() const { return m_stand; }

    /// The object is given up: a later UpdateFile no longer goes to the
    /// store's transaction.
    void Verwerfen() { m_verworfen = true; }

    /// The content as the file's lines, without line ends.
    QStringList Zeilen() const;
    /// The content as the file's bytes: Windows-1252 with CR LF.
    QByteArray Inhalt() const;
    /// The same bytes, one piece per section. A section that did not change
    /// since the last call hands out the same shared bytes again, so a store
    /// can tell what changed without comparing.
    QList<QByteArray> Stuecke() const;

protected:
    /// Runs the steps of an operation that reports failure by its result:
    /// true when they complete, false when any of them throws. A damaged
    /// file or a value beyond the limits is passed on with its message.
    template <typename F>
    static bool Geschuetzt(F schritte)
    {
        try {
            schritte();
            return true;
        } catch (const VennlokFehler &f) {
            if (f.art() != VennlokFehler::Allgemein)
                throw;
            return false;
        } catch (const std::exception &) {
            return false;
        }
    }

private:
    struct Zeile
    {
        QString schluessel; // for a line without "=", the whole line
        QString wert;
        bool mitGleich = true;
    };
    using ZeilenListe = std::list<Zeile>;
    struct Abschnitt
    {
        QString name;
        ZeilenListe zeilen;
        QHash<IniName, ZeilenListe::iterator> index; // key -> first line with it
        int anzahlSchluessel = 0;
        bool hatDoppelte = false;
        // The section's bytes as Inhalt last encoded them; empty after a change.
        mutable QByteArray kodiert;
    };
    using AbschnittListe = std::list<Abschnitt>;

    void laden(const QStringList &zeilen);
    // One line of the file as read: a section starts, a key with its value or a line without "=" is appended.
    void zeileLesen(QStringView zeile, Abschnitt *&aktuell);
    void leeren();
    const Abschnitt *finde(const QString &section) const;
    Abschnitt *finde(const QString &section);
    const Zeile *findeZeile(const QString &section, const QString &key) const;
    Abschnitt &abschnittAnlegen(const QString &section);
    void zeileAnhaengen(Abschnitt &abschnitt, const Zeile &zeile);
    static void indexNeuAufbauen(Abschnitt &abschnitt);
    // How to take back one change made since the rollback point.
    struct Rueckweg
    {
        enum Art { Wert, Zeile, Abschnitt, Stand } art;
        QString abschnitt; // section name
        QString schluessel; // key (Wert)
        QString alt;        // the old value (Wert)
        QStringList stand;  // the whole content before the change (Stand)
    };
    bool merken(Rueckweg schritt); // true when it reloaded the content: pointers into it are stale
    void standMerken(); // before a deletion: the whole content
    void zuruecknehmen(const Rueckweg &schritt);
    bool rohText(const QString &section, const QString &key, QString &text) const;

    QString m_fileName;
    TSpeicher *m_speicher = nullptr;
    AbschnittListe m_abschnitte;
    QHash<IniName, AbschnittListe::iterator> m_index; // section name
    // The section found last and its name as asked (held, so its buffer
    // stays this name's); reset whenever a section goes.
    mutable QString m_zuletztName;
    mutable Abschnitt *m_zuletzt = nullptr;
    std::vector<Rueckweg> m_rueckwege; // since the rollback point, oldest first
    bool m_standGemerkt = false;      // the record holds a whole copy
    bool m_hatRollbackPunkt = false;
    bool m_geaendert = false;
    quint64 m_stand = 0;
    QString m_unvollstaendig; // how the file read looked cut short: "ist leer", "endet mitten in einer Zeile"
    bool m_verworfen = false;
};
