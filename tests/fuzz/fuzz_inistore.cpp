// Any bytes as a data file: loading never fails, and what is saved reads
// back to the same bytes (the second save equals the first). The typed
// readers run over every key, so that no text breaks a parser. The file
// lives in a store in memory, so that the disk does not set the pace.
#include "data/rollmeminifile.h"
#include "data/speicher.h"

#include <QHash>
#include <cstdlib>

namespace {

class Speicher : public TSpeicher
{
public:
    std::optional<QByteArray> Lesen(const QString &pfad) override
    {
        return m_dateien.contains(pfad) ? std::optional<QByteArray>(m_dateien.value(pfad)) : std::nullopt;
    }
    bool Existiert(const QString &pfad) override { return m_dateien.contains(pfad); }
    void Schreiben(const QString &pfad, const QByteArray &inhalt) override { m_dateien.insert(pfad, inhalt); }
    void Anhaengen(const QString &pfad, const QByteArray &inhalt) override { m_dateien[pfad] += inhalt; }
    void Loeschen(const QString &pfad) override { m_dateien.remove(pfad); }
    QStringList Liste(const QString &) override { return m_dateien.keys(); }
    void Vormerken(TRollMemIniFile *datei) override { m_dateien.insert(datei->FileName(), datei->Inhalt()); }
    void Loslassen(TRollMemIniFile *) override {}

private:
    QHash<QString, QByteArray> m_dateien;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *daten, std::size_t groesse)
{
    static Speicher speicher;
    const QString pfad = QStringLiteral("/vennlok-fuzz/f.ven");
    speicher.Schreiben(pfad, QByteArray(reinterpret_cast<const char *>(daten), qsizetype(groesse)));
    TRollMemIniFile erste(pfad, &speicher);
    for (const QString &section : erste.ReadSections())
        for (const QString &key : erste.ReadSection(section)) {
            erste.ReadMoney(section, key, 0);
            erste.ReadFloat(section, key, 0);
            erste.ReadInteger(section, key, 0);
            erste.ReadDateTime(section, key, 0);
        }
    const QByteArray eins = erste.Inhalt();
    erste.UpdateFile();
    TRollMemIniFile zweite(pfad, &speicher);
    if (zweite.Inhalt() != eins)
        std::abort();
    return 0;
}
