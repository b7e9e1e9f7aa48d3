#include "data/teilhaber.h"

#include "algo/runden.h"
#include "data/monatkey.h"

#include <QFileInfo>
#include <algorithm>


namespace {

const QString Kopf = QStringLiteral("Kopfdaten");
const QString SEinzahlungen = QStringLiteral("Einzahlungen");
const QString SRechnungen = QStringLiteral("Rechnungen");
const QString SEigenanteile = QStringLiteral("Eigenanteile");
const QString SAuszahlungen = QStringLiteral("Auszahlungen");
const QString SKapital = QStringLiteral("Kapitalanteil");
const QString SAdresse = QStringLiteral("Adresse");

const QString KSummeEinz = QStringLiteral("SummeEinz");
const QString KName = QStringLiteral("Name"); // the name as it was first typed
const QString KSummeEigen = QStringLiteral("SummeEigen");
const QString KSummeAusz = QStringLiteral("SummeAusz");
const QString KAnzahlEinz = QStringLiteral("AnzahlEinz");
const QString KAnzahlAusz = QStringLiteral("AnzahlAusz");
const QString KSummeOffen = QStringLiteral("SummeOffen");
const QString KAuszahlung = QStringLiteral("Auszahlung");
const QString KAusgetreten = QStringLiteral("Ausgetreten im Monat");
const QString SOffen = QStringLiteral("Offen");

// Whether key is monat + "_" + a number.
bool istEintrag(const QString &key, const MonthKey &monat)
{
    if (key.size() <= monat.size() + 1 || !key.startsWith(monat) || key[monat.size()] != QLatin1Char('_'))
        return false;
    for (qsizetype i = monat.size() + 1; i < key.size(); ++i)
        if (key[i] < QLatin1Char('0') || key[i] > QLatin1Char('9'))
            return false;
    return true;
}

} // namespace

bool TTeilhaber::Anlegen(const QString &name, const QString &getippt)
{
    return Geschuetzt([&] {
        WriteString(Kopf, QStringLiteral("Teilhaber"), name);
        // Kept where it says more than the folded name ("Jürgen Größe" beside "Juergen_Groesse").
        if (!getippt.trimmed().isEmpty() && getippt.trimmed() != name)
            WriteString(Kopf, KName, getippt.trimmed());
        for (const QString &key : {KSummeEinz, KSummeEigen, KSummeAusz})
            WriteMoney(Kopf, key, 0);
        for (const QString &key : {KAnzahlEinz, KAnzahlAusz})
            WriteInteger(Kopf, key, 0);
        UpdateFile();
    });
}

void TTeilhaber::addiere(const QString &key, Money betrag)
{
    WriteMoney(Kopf, key, GeldPlus(MoneyNoetig(Kopf, key), betrag));
}

void TTeilhaber::zaehle(const QString &key, int schritt)
{
    WriteInteger(Kopf, key, ZaehlerPlus(IntegerNoetig(Kopf, key), schritt));
}

void TTeilhaber::neuerEintrag(const QString &section, const MonthKey &monat, Money betrag)
{
    int n = 1;
    while (ValueExists(section, monat + QLatin1Char('_') + QString::number(n)))
        ++n;
    WriteMoney(section, monat + QLatin1Char('_') + QString::number(n), betrag);
}

QStringList TTeilhaber::eintraege(const QString &section, const MonthKey &monat) const
{
    return ReadSection(section, [&](const QString &key) { return istEintrag(key, monat); });
}

Money TTeilhaber::monatsSumme(const QString &section, const MonthKey &monat) const
{
    Money summe = 0;
    for (const QString &key : eintraege(section, monat))
        summe = GeldPlus(summe, MoneyNoetig(section, key));
    return summe;
}

void TTeilhaber::loesche(const QString &section, const MonthKey &monat)
{
    for (const QString &key : eintraege(section, monat))
        DeleteKey(section, key);
    // A section the month had opened goes with its last entry.
    if (!SectionExists(section)) // no key left
        EraseSection(section);
}

bool TTeilhaber::EinzahlungBuchen(const MonthKey &monat, Money betrag, DateTime)
{
    return Geschuetzt([&] {
        addiere(KSummeEinz, betrag);
        zaehle(KAnzahlEinz, 1);
        neuerEintrag(SEinzahlungen, monat, betrag);
        UpdateFile();
    });
}

bool TTeilhaber::RechnungBuchen(const MonthKey &monat, Money betrag)
{
    return Geschuetzt([&] {
        neuerEintrag(SRechnungen, monat, betrag);
        UpdateFile();
    });
}

bool TTeilhaber::AuszahlungBuchen(const MonthKey &monat, Money betrag, Money eigen, DateTime)
{
    return Geschuetzt([&] {
        addiere(KSummeAusz, betrag);
        addiere(KSummeEigen, eigen);
        zaehle(KAnzahlAusz, 1);
        neuerEintrag(SEigenanteile, monat, eigen);
        neuerEintrag(SAuszahlungen, monat, betrag);
        UpdateFile();
    });
}

QList<Money> TTeilhaber::Buchungen(bool einzahlungen, const MonthKey &monat) const
{
    const QString &section = einzahlungen ? SEinzahlungen : SRechnungen;
    QList<Money> betraege;
    for (const QString &key : eintraege(section, monat))
        betraege.append(MoneyNoetig(section, key));
    return betraege;
}

bool TTeilhaber::Stornieren(bool einzahlung, const MonthKey &monat, int nr)
{
    const QString &section = einzahlung ? SEinzahlungen : SRechnungen;
    const QStringList keys = eintraege(section, monat);
    if (nr < 1 || nr > keys.size())
        return false;
    return Geschuetzt([&] {
        const QString &key = keys[nr - 1];
        if (einzahlung) {
            addiere(KSummeEinz, -MoneyNoetig(section, key));
            zaehle(KAnzahlEinz, -1);
        }
        DeleteKey(section, key);
        // The later entries of the month move up a number, as they would have been numbered.
        for (int i = nr; i < keys.size(); ++i) {
            const Money betrag = MoneyNoetig(section, keys[i]);
            DeleteKey(section, keys[i]);
            WriteMoney(section, monat + QLatin1Char('_') + QString::number(i), betrag);
        }
        if (ReadSection(section).isEmpty())
            EraseSection(section);
        UpdateFile();
    });
}

bool TTeilhaber::EinzahlungenLoeschen(const MonthKey &monat)
{
    return Geschuetzt([&] {
        for (const QString &key : eintraege(SEinzahlungen, monat)) {
            addiere(KSummeEinz, -MoneyNoetig(SEinzahlungen, key));
            zaehle(KAnzahlEinz, -1);
            DeleteKey(SEinzahlungen, key);
        }
        UpdateFile();
    });
}

bool TTeilhaber::RechnungenLoeschen(const MonthKey &monat)
{
    return Geschuetzt([&] {
        loesche(SRechnungen, monat);
        UpdateFile();
    });
}

void TTeilhaber::auszahlungenEntfernen(const MonthKey &monat)
{
    addiere(KSummeAusz, -Auszahlungen(monat));
    addiere(KSummeEigen, -Eigenanteile(monat));
    loesche(SEigenanteile, monat);
    loesche(SAuszahlungen, monat);
}

bool TTeilhaber::AuszahlungenLoeschen(const MonthKey &monat)
{
    return Geschuetzt([&] {
        auszahlungenEntfernen(monat);
        UpdateFile();
    });
}

bool TTeilhaber::AustrittBuchen(const MonthKey &monat, Money auszahlung)
{
    return Geschuetzt([&] {
        WriteString(Kopf, KAusgetreten, monat);
        WriteMoney(Kopf, KAuszahlung, auszahlung);
        UpdateFile();
    });
}

bool TTeilhaber::AustrittZuruecknehmen(const MonthKey &monat)
{
    return Geschuetzt([&] {
        DeleteKey(Kopf, KAusgetreten);
        DeleteKey(Kopf, KAuszahlung);
        // What the exit paid out of the month's invoices goes back, its count too.
        zaehle(KAnzahlAusz, -int(eintraege(SAuszahlungen, monat).size()));
        auszahlungenEntfernen(monat);
        UpdateFile();
    });
}

MonthKey TTeilhaber::AusgetretenImMonat() const
{
    return ReadString(Kopf, KAusgetreten, QString());
}

bool TTeilhaber::SetKapitalanteil(const MonthKey &monat, Money wert)
{
    WriteMoney(SKapital, monat, wert);
    return true;
}

void TTeilhaber::SetSummeOffen(Money wert)
{
    WriteMoney(Kopf, KSummeOffen, wert);
}

bool TTeilhaber::OffenBuchen(const MonthKey &monat, Money beitrag)
{
    const Money fehlt = GeldPlus(beitrag, -Einzahlungen(monat));
    const Money frueher = ValueExists(SOffen, monat) ? MoneyNoetig(SOffen, monat) : 0;
    if (fehlt > 0)
        WriteMoney(SOffen, monat, fehlt);
    else
        DeleteKey(SOffen, monat);
    const Money neu = std::max<Money>(fehlt, 0);
    if (neu != frueher)
        SetSummeOffen(GeldPlus(ValueExists(Kopf, KSummeOffen) ? MoneyNoetig(Kopf, KSummeOffen) : 0, GeldPlus(neu, -frueher)));
    return true;
}

Money TTeilhaber::Offen(const MonthKey &monat) const
{
    return ValueExists(SOffen, monat) ? MoneyNoetig(SOffen, monat) : 0;
}

QStringList TTeilhaber::OffeneMonate() const
{
    return ReadSection(SOffen);
}

bool TTeilhaber::AdresseSetzen(const QString &schluessel, const QString &wert, const QString &datumstext)
{
    const QString alt = Adresse(schluessel);
    if (alt != wert && !alt.isEmpty())
        WriteString(QStringLiteral("Adresse_alt") + datumstext, schluessel, alt);
    WriteString(SAdresse, schluessel, wert);
    return true;
}

Money TTeilhaber::Einzahlungen(const MonthKey &monat) const { return monatsSumme(SEinzahlungen, monat); }
Money TTeilhaber::Rechnungen(const MonthKey &monat) const { return monatsSumme(SRechnungen, monat); }
Money TTeilhaber::Eigenanteile(const MonthKey &monat) const { return monatsSumme(SEigenanteile, monat); }
Money TTeilhaber::Auszahlungen(const MonthKey &monat) const { return monatsSumme(SAuszahlungen, monat); }

Money TTeilhaber::GespeicherterKapitalanteil(const MonthKey &monat) const
{
    return ReadMoney(SKapital, monat, 0);
}

TTeilhaber::Eintragssummen TTeilhaber::AlleEintraege() const
{
    Eintragssummen summen;
    const auto summe = [&](const QString &section, Money &ziel, int *anzahl) {
        for (const QString &key : ReadSection(section)) {
            ziel = GeldPlus(ziel, MoneyNoetig(section, key));
            if (anzahl)
                ++*anzahl;
        }
    };
    summe(SEinzahlungen, summen.einzahlungen, &summen.anzahlEinzahlungen);
    summe(SEigenanteile, summen.eigenanteile, nullptr);
    summe(SAuszahlungen, summen.auszahlungen, nullptr);
    summe(SOffen, summen.offen, nullptr);
    return summen;
}

QStringList TTeilhaber::KapitalMonate() const
{
    return ReadSection(SKapital);
}

Money TTeilhaber::Auszahlung() const { return ReadMoney(Kopf, KAuszahlung, 0); }
Money TTeilhaber::SummeOffen() const { return ReadMoney(Kopf, KSummeOffen, 0); }
Money TTeilhaber::SummeEinz() const { return ReadMoney(Kopf, KSummeEinz, FehlwertMoney); }
Money TTeilhaber::SummeEigen() const { return ReadMoney(Kopf, KSummeEigen, FehlwertMoney); }
Money TTeilhaber::SummeAusz() const { return ReadMoney(Kopf, KSummeAusz, FehlwertMoney); }
int TTeilhaber::AnzahlEinz() const { return ReadInteger(Kopf, KAnzahlEinz, FehlwertInt); }
int TTeilhaber::AnzahlAusz() const { return ReadInteger(Kopf, KAnzahlAusz, FehlwertInt); }
QString TTeilhaber::Name() const { return ReadString(Kopf, QStringLiteral("Teilhaber"), QString()); }

QString TTeilhaber::Anzeigename() const
{
    const QString getippt = ReadString(Kopf, KName, QString());
    if (!getippt.isEmpty())
        return getippt;
    const QString gefaltet = Name();
    return gefaltet.isEmpty() ? NameAusDateiname(QFileInfo(FileName()).fileName()) : gefaltet;
}

QStringList TTeilhaber::Adressen() const { return ReadSection(SAdresse); }
QString TTeilhaber::Adresse(const QString &schluessel) const { return ReadString(SAdresse, schluessel, QString()); }
