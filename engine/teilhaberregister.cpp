// The participant register: each participant file parsed once and found by its name.

#include "engine/teilhaberregister.h"

#include "platform/journal.h"

#include <utility>

TTeilhaberRegister::TTeilhaberRegister(TJournalSpeicher &speicher, const QString &verzeichnis)
    : m_speicher(speicher), m_verzeichnis(verzeichnis)
{
}

QString TTeilhaberRegister::Datei(const QString &name) const
{
    return m_speicher.NameOhneGrossKlein(TeilhaberDateiname(name));
}

QStringList TTeilhaberRegister::Mitglieder() const
{
    return m_speicher.Liste(QStringLiteral("T_*.ven"));
}

QStringList TTeilhaberRegister::Ausgetretene() const
{
    return m_speicher.Liste(QStringLiteral("X_*.ven"));
}

QString TTeilhaberRegister::AusgetreteneDatei(const QString &name) const
{
    const QString gesucht = QLatin1Char('X') + TeilhaberDateiname(name).mid(1);
    for (const QString &datei : Ausgetretene())
        if (datei.compare(gesucht, Qt::CaseInsensitive) == 0)
            return datei;
    return QString();
}

QString TTeilhaberRegister::DateiAuchAusgetreten(const QString &name) const
{
    const QString datei = Datei(name);
    return datei.isEmpty() ? AusgetreteneDatei(name) : datei;
}

TTeilhaber &TTeilhaberRegister::Teilhaber(const QString &datei)
{
    const auto gefunden = m_teilhaber.constFind(datei);
    if (gefunden != m_teilhaber.cend())
        return **gefunden;
    const QString pfad = m_verzeichnis + QLatin1Char('/') + datei;
    auto teilhaber = std::make_shared<TTeilhaber>(pfad, &m_speicher);
    // A file cut short (empty, or ending in the middle of a line) is refused
    // before anything is booked on it. What it holds is not demanded: a file
    // written by hand may leave out what the booking writes itself.
    if (m_speicher.Existiert(pfad))
        teilhaber->VollstaendigVerlangen(QStringLiteral("Kopfdaten"), {});
    return *m_teilhaber.insert(datei, teilhaber).value();
}

void TTeilhaberRegister::Vergessen(const QString &datei)
{
    m_teilhaber.remove(datei);
}

void TTeilhaberRegister::AllesVergessen()
{
    m_teilhaber.clear();
}

void TTeilhaberRegister::FuerJeden(const std::function<void(TTeilhaber &, const QString &)> &schritt)
{
    for (const QString &datei : Mitglieder()) {
        TTeilhaber &teilhaber = Teilhaber(datei);
        schritt(teilhaber, datei);
        if (teilhaber.Geaendert())
            teilhaber.UpdateFile();
    }
}
