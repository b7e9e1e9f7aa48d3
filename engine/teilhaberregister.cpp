// The participants: finding them, the address page, counts and lists.

#include "engine/teilhaberregister.h"

#include "platform/journal.h"
#include "engine/intern.h"
#include "engine/vennlok.h"
#include "data/bankdaten.h"
#include "data/textdatei.h"
#include "data/uhr.h"
#include "platform/dateien.h"

#include <QFileInfo>
#include <utility>

using namespace Intern;

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

TTeilhaber &TTeilhaberRegister::Teilhaber(const QString &datei)
{
    const auto gefunden = m_teilhaber.constFind(datei);
    if (gefunden != m_teilhaber.cend())
        return **gefunden;
    const QString pfad = m_verzeichnis + QLatin1Char('/') + datei;
    auto teilhaber = std::make_shared<TTeilhaber>(pfad);
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

// --- the engine's participant operations ---------------------------------

QString TVennlok::teilhaberDatei(const QString &name) const
{
    return m_register->Datei(name);
}

bool TVennlok::TeilhaberVorhanden(const QString &name) const
{
    return TeilhaberNameFehler(name).isEmpty() && !teilhaberDatei(name).isEmpty();
}

QString TVennlok::TeilhaberName(const QString &eingabe) const
{
    const QString name = eingabe.trimmed();
    if (!TeilhaberNameFehler(name).isEmpty())
        return QString();
    QString datei = teilhaberDatei(name);
    if (datei.isEmpty())
        datei = teilhaberDatei(NameFuerDatei(name));
    return datei.isEmpty() ? QString() : NameAusDateiname(datei);
}

QStringList TVennlok::OffeneTeilhaber()
{
    const MonthKey monat = Buchungsmonat();
    const Money beitrag = Beitrag();
    QStringList namen;
    for (const QString &datei : m_register->Mitglieder())
        if (TeilhaberEinzahlungen(datei, monat) < beitrag)
            namen.append(NameAusDateiname(datei));
    return namen;
}

bool TVennlok::teilhaberOeffnen(const QString &name, QString *meldung)
{
    const QString fehler = TeilhaberNameFehler(name);
    if (!fehler.isEmpty()) {
        if (meldung)
            *meldung = fehler;
        return false;
    }
    const QString gefaltet = NameFuerDatei(name);
    const QString datei = teilhaberDatei(gefaltet);
    if (!datei.isEmpty() || !teilhaberDatei(name).isEmpty())
        return true;
    if (!m_register->Teilhaber(TeilhaberDateiname(gefaltet)).Anlegen(gefaltet)) {
        m_register->Vergessen(TeilhaberDateiname(gefaltet));
        if (meldung)
            *meldung = QStringLiteral("Die Teilhaberdatei \u201E%1\u201C kann nicht angelegt werden.")
                           .arg(TeilhaberDateiname(gefaltet));
        return false;
    }
    return true;
}

TTeilhaber *TVennlok::adressTeilhaber(const QString &name) const
{
    if (!TeilhaberNameFehler(name).isEmpty())
        return nullptr;
    QString datei = teilhaberDatei(name);
    if (datei.isEmpty())
        datei = teilhaberDatei(NameFuerDatei(name));
    return datei.isEmpty() ? nullptr : &m_register->Teilhaber(datei);
}

QStringList TVennlok::Adressen(const QString &name) const
{
    const TTeilhaber *teilhaber = adressTeilhaber(name);
    return teilhaber ? teilhaber->Adressen() : QStringList();
}

QString TVennlok::AdressWert(const QString &name, const QString &schluessel) const
{
    const TTeilhaber *teilhaber = adressTeilhaber(name);
    return teilhaber ? teilhaber->Adresse(schluessel) : QString();
}

bool TVennlok::adresseSpeichern(const QString &name, const QString &schluessel, const QString &wert,
                                const QString &datumstext, QString *meldung)
{
    TTeilhaber *teilhaber = adressTeilhaber(name);
    if (!teilhaber) {
        if (meldung)
            *meldung = QStringLiteral("Einen Teilhaber \u201E%1\u201C gibt es nicht.").arg(name);
        return false;
    }
    // Bank details are checked before they are stored: a wrong IBAN would only show at the bank.
    if (const QString fehler = Bankdaten::AngabeFehler(schluessel, wert); !fehler.isEmpty()) {
        if (meldung)
            *meldung = fehler;
        return false;
    }
    const QString gespeichert = Bankdaten::AngabeNormal(schluessel, wert);
    try {
        teilhaber->AdresseSetzen(schluessel, gespeichert, datumstext);
    } catch (const VennlokFehler &e) {
        if (meldung)
            *meldung = e.text();
        return false;
    }
    // Stored with its log line, so file and log always agree.
    teilhaber->UpdateFile();
    log(QFileInfo(teilhaber->FileName()).fileName() + QStringLiteral(":Adresse,") + schluessel + QLatin1Char(',')
        + gespeichert + QLatin1Char(',') + datumstext);
    return true;
}

Money TVennlok::TeilhaberEinzahlungen(const QString &dateiname, const MonthKey &monat)
{
    return m_register->Teilhaber(dateiname).Einzahlungen(monat);
}

int TVennlok::AnzahlTeilhaber(int art)
{
    if (art == 0)
        return int(m_register->Mitglieder().size());
    if (art == 2)
        return int(OffeneTeilhaber().size());
    const MonthKey monat = Buchungsmonat();
    const Money beitrag = Beitrag();
    int anzahl = 0;
    for (const QString &datei : m_register->Mitglieder())
        anzahl += art == 1 && TeilhaberEinzahlungen(datei, monat) == beitrag;
    return anzahl;
}

void TVennlok::TeilhaberNamen(const QString &datenverzeichnis, QStringList &liste)
{
    for (const QString &datei : Plattform::DateienSuchen(datenverzeichnis, QStringLiteral("T_*.ven")))
        liste.append(NameAusDateiname(datei));
}

QStringList TVennlok::liste(bool nurOffene)
{
    const MonthKey monat = Buchungsmonat();
    const Money beitrag = Beitrag();
    QStringList zeilen;
    for (const QString &datei : m_register->Mitglieder()) {
        const Money bezahlt = TeilhaberEinzahlungen(datei, monat);
        if (nurOffene && bezahlt >= beitrag)
            continue;
        const QString name = NameAusDateiname(datei);
        zeilen.append(name + QString(qMax<qsizetype>(0, 40 - name.size()), QLatin1Char('.')) + geldText(bezahlt));
    }
    return zeilen;
}

void TVennlok::TeilhaberListeSchreiben(bool nurOffene)
{
    const QString titel = nurOffene ? QStringLiteral("Liste der Teilhaber mit zu kleinem Beitrag. Datum: ")
                                    : QStringLiteral("Liste aller Teilhaber / Beitrag. Datum: ");
    Textdatei::ZeilenSchreiben(Pfad(QStringLiteral("TeilhaberListe.txt")),
                               QStringList{titel + Textformat::datumZuText(Uhr::Jetzt()), QString()} + liste(nurOffene)
                                   + QStringList{QString()});
}

QStringList TVennlok::TeilhaberListe()
{
    return liste(false);
}

QStringList TVennlok::TeilhaberListeOffen()
{
    return liste(true);
}

bool TVennlok::TeilhaberOeffnen(const QString &name, QString *meldung)
{
    bool ergebnis{};
    transaktion(QString(), [&] { ergebnis = teilhaberOeffnen(name, meldung); });
    return ergebnis;
}

bool TVennlok::AdresseSpeichern(const QString &name, const QString &schluessel, const QString &wert,
                                const QString &datumstext, QString *meldung)
{
    bool ergebnis{};
    transaktion(QString(), [&] { ergebnis = adresseSpeichern(name, schluessel, wert, datumstext, meldung); });
    return ergebnis;
}
