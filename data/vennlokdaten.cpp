#include "data/vennlokdaten.h"

#include "algo/formeln.h"

#include <QFileInfo>

namespace {

const QString Start = QStringLiteral("Startdaten");
const QString Aktuell = QStringLiteral("aktuelle Daten");
const QString Vertrag = QStringLiteral("Ergänzungsvertrag");
const QString AnwaltPraefix = QStringLiteral("Anwalt_");
const QString MonatPraefix = QStringLiteral("Monat");

const QString KBuchungsmonat = QStringLiteral("Buchungsmonat");
const QString KBeitrag = QStringLiteral("Beitrag");
const QString KHonorarEin = QStringLiteral("HonorarEingangsbuchung");
const QString KHonorarRech = QStringLiteral("HonorarRechnungsbuchung");
const QString KInt = QStringLiteral("IntSozialanteil");
const QString KExt = QStringLiteral("ExtSozialanteil");
const QString KDaempfung = QStringLiteral("Daempfung");
const QString KGrund = QStringLiteral("Grundsicherung");
const QString KLimit = QStringLiteral("LimitVirtSumme");

// The parameters kept per month, in file order.
const QStringList Parameter = {KBeitrag, KHonorarEin, KHonorarRech, KInt, KExt, KDaempfung, KGrund, KLimit};

double anteil(Money skaliert)
{
    return double(skaliert) / double(MoneyProEinheit);
}

QString monatsAbschnitt(const MonthKey &monat)
{
    return MonatPraefix + monat;
}

} // namespace

const QString TVennlokDaten::Dateiname = QStringLiteral("A_Vennlok.ven");

void TVennlokDaten::schreibeParameter(const QString &section, const QString &key, Money wert)
{
    WriteMoney(section, key, wert);
}

void TVennlokDaten::NeuerPakt(const QString &buchungsprogramm, const MonthKey &buchungsmonat, DateTime beginn,
                              Money beitrag, Money honorarEingangsbuchung, Money honorarRechnungsbuchung,
                              Money intSozialanteil, Money daempfung, Money grundsicherung, Money limitVirtSumme,
                              QString &meldung)
{
    const double intAnteil = anteil(intSozialanteil);
    const double extAnteil = ExtAusInt(2, intAnteil);
    WriteString(Start, QStringLiteral("Buchungsprogramm"), buchungsprogramm);
    WriteDateTime(Start, QStringLiteral("Vennlok begonnen am"), beginn);
    for (const QString &section : {Start, Aktuell}) {
        WriteString(section, KBuchungsmonat, buchungsmonat);
        WriteMoney(section, KBeitrag, beitrag);
        WriteMoney(section, KHonorarEin, honorarEingangsbuchung);
        WriteMoney(section, KHonorarRech, honorarRechnungsbuchung);
        WriteFloat(section, KInt, intAnteil);
        WriteFloat(section, KExt, extAnteil);
        WriteFloat(section, KDaempfung, anteil(daempfung));
        WriteMoney(section, KGrund, grundsicherung);
        WriteMoney(section, KLimit, limitVirtSumme);
    }
    UpdateFile();
    meldung = QStringLiteral("Neuer Pakt angelegt.") + QFileInfo(FileName()).fileName();
}

bool TVennlokDaten::Ergaenzungsvertrag(DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                                       Money honorarRechnungsbuchung, Money daempfung, Money grundsicherung,
                                       Money limitVirtSumme)
{
    return Geschuetzt([&] {
        const QString section = Vertrag + MonatKey(datum);
        WriteFloat(section, Vertrag, datum);
        for (const QString &ziel : {section, Aktuell}) {
            WriteMoney(ziel, KBeitrag, beitrag);
            WriteMoney(ziel, KHonorarEin, honorarEingangsbuchung);
            WriteMoney(ziel, KHonorarRech, honorarRechnungsbuchung);
            WriteFloat(ziel, KDaempfung, anteil(daempfung));
            WriteMoney(ziel, KGrund, grundsicherung);
            WriteMoney(ziel, KLimit, limitVirtSumme);
        }
        WriteString(Start, section, section);
        WriteString(Aktuell, Vertrag, section);
        UpdateFile();
    });
}

bool TVennlokDaten::IstAngelegt() const
{
    return SectionExists(Start);
}

bool TVennlokDaten::HatErgaenzungsvertrag() const
{
    return IstAngelegt() && ValueExists(Aktuell, Vertrag);
}

QStringList TVennlokDaten::Anwaelte() const
{
    QStringList namen;
    for (const QString &key : ReadSection(Start))
        if (key.startsWith(AnwaltPraefix))
            namen.append(key.mid(AnwaltPraefix.size()));
    return namen;
}

QString TVennlokDaten::AnwaltAdresse(const QString &name) const
{
    return ReadString(Aktuell, AnwaltPraefix + name, QString());
}

void TVennlokDaten::SetAnwalt(const QString &name, const QString &adresse)
{
    QString section = ReadString(Aktuell, Vertrag, QString());
    if (section.isEmpty())
        section = Start;
    WriteString(section, AnwaltPraefix + name, adresse);
    WriteString(Aktuell, AnwaltPraefix + name, adresse);
    UpdateFile();
}

Money TVennlokDaten::parameterBetrag(const QString &key, Money vorgabe) const
{
    for (const QString &section : {Aktuell, Start}) {
        const Money wert = ReadMoney(section, key, FehlwertMoney);
        if (wert != FehlwertMoney)
            return wert;
    }
    return vorgabe;
}

double TVennlokDaten::parameterAnteil(const QString &key, double vorgabe) const
{
    for (const QString &section : {Aktuell, Start}) {
        const double wert = ReadFloat(section, key, FehlwertFloat);
        if (wert != FehlwertFloat)
            return wert;
    }
    return vorgabe;
}

Money TVennlokDaten::Beitrag() const { return parameterBetrag(KBeitrag, 180 * MoneyProEinheit); }
Money TVennlokDaten::HonorarEingangsbuchung() const { return parameterBetrag(KHonorarEin, MoneyProEinheit / 2); }
Money TVennlokDaten::HonorarRechnungsbuchung() const { return parameterBetrag(KHonorarRech, 2 * MoneyProEinheit); }
Money TVennlokDaten::Grundsicherung() const { return parameterBetrag(KGrund, 3000 * MoneyProEinheit); }
Money TVennlokDaten::LimitVirtSumme() const { return parameterBetrag(KLimit, -300 * MoneyProEinheit); }
void TVennlokDaten::anteileLesen() const
{
    if (m_anteileStand == Stand())
        return;
    m_intAnteil = parameterAnteil(KInt, ExtAusInt(2, 0.207));
    m_extAnteil = parameterAnteil(KExt, ExtAusInt(2, 0.207));
    m_anteileStand = Stand();
}

double TVennlokDaten::IntSozialanteil() const
{
    anteileLesen();
    return m_intAnteil;
}

double TVennlokDaten::ExtSozialanteil() const
{
    anteileLesen();
    return m_extAnteil;
}
double TVennlokDaten::Daempfung() const { return parameterAnteil(KDaempfung, 0.65); }

void TVennlokDaten::SetIntSozialanteil(double wert)
{
    const double ext = ExtAusInt(2, wert);
    WriteFloat(Aktuell, KInt, wert);
    WriteFloat(Aktuell, KExt, ext);
}

MonthKey TVennlokDaten::Buchungsmonat() const
{
    return ReadString(Aktuell, KBuchungsmonat, QString());
}

void TVennlokDaten::SetBuchungsmonat(const MonthKey &monat)
{
    WriteString(Aktuell, KBuchungsmonat, monat);
}

MonthKey TVennlokDaten::Startmonat() const
{
    return ReadString(Start, KBuchungsmonat, QString());
}

bool TVennlokDaten::MonatArchivieren(const MonthKey &monat)
{
    return Geschuetzt([&] {
        for (const QString &key : Parameter)
            WriteFloat(monatsAbschnitt(monat), key, ReadFloat(Aktuell, key, FehlwertFloat));
        UpdateFile();
    });
}

bool TVennlokDaten::MonatZurueckholen(const MonthKey &monat)
{
    return Geschuetzt([&] {
        const QString quelle = monat == Startmonat() ? Start : monatsAbschnitt(monat);
        for (const QString &key : Parameter)
            WriteFloat(Aktuell, key, ReadFloat(quelle, key, FehlwertFloat));
        EraseSection(monatsAbschnitt(monat));
        UpdateFile();
    });
}

void TVennlokDaten::SetMonatEingangsbuchungen(const MonthKey &monat, int anzahl)
{
    WriteInteger(monatsAbschnitt(monat), QStringLiteral("Eingangsbuchungen"), anzahl);
}

void TVennlokDaten::SetMonatSumme(const MonthKey &monat, Money wert)
{
    WriteMoney(monatsAbschnitt(monat), QStringLiteral("Summe"), wert);
}

void TVennlokDaten::SetMonatEinzahlungen(const MonthKey &monat, Money wert)
{
    WriteMoney(monatsAbschnitt(monat), QStringLiteral("Einzahlungen"), wert);
}

void TVennlokDaten::SetMonatAuszahlungen(const MonthKey &monat, Money wert)
{
    WriteMoney(monatsAbschnitt(monat), QStringLiteral("Auszahlungen"), wert);
}

void TVennlokDaten::SetMonatEigenanteile(const MonthKey &monat, Money wert)
{
    WriteMoney(monatsAbschnitt(monat), QStringLiteral("Eigenanteile"), wert);
}

void TVennlokDaten::SetMonatUeberwiesen(const MonthKey &monat, Money cent, Money differenz)
{
    WriteMoney(monatsAbschnitt(monat), QStringLiteral("Ueberwiesen"), cent);
    WriteMoney(monatsAbschnitt(monat), QStringLiteral("Rundungsdifferenz"), differenz);
}

Money TVennlokDaten::MonatUeberwiesen(const MonthKey &monat) const
{
    return ReadMoney(monatsAbschnitt(monat), QStringLiteral("Ueberwiesen"), FehlwertMoney);
}

int TVennlokDaten::MonatEingangsbuchungen(const MonthKey &monat) const
{
    return ReadInteger(monatsAbschnitt(monat), QStringLiteral("Eingangsbuchungen"), FehlwertInt);
}

Money TVennlokDaten::MonatSumme(const MonthKey &monat) const
{
    return ReadMoney(monatsAbschnitt(monat), QStringLiteral("Summe"), FehlwertMoney);
}

Money TVennlokDaten::MonatEinzahlungen(const MonthKey &monat) const
{
    return ReadMoney(monatsAbschnitt(monat), QStringLiteral("Einzahlungen"), FehlwertMoney);
}

Money TVennlokDaten::MonatAuszahlungen(const MonthKey &monat) const
{
    return ReadMoney(monatsAbschnitt(monat), QStringLiteral("Auszahlungen"), FehlwertMoney);
}

Money TVennlokDaten::MonatEigenanteile(const MonthKey &monat) const
{
    return ReadMoney(monatsAbschnitt(monat), QStringLiteral("Eigenanteile"), FehlwertMoney);
}

TVennlokDaten::Konto TVennlokDaten::PaktKonto() const
{
    const QString s = QStringLiteral("Bankverbindung");
    const Money saldo = ReadMoney(s, QStringLiteral("Anfangssaldo"), 0);
    return {ReadString(s, QStringLiteral("Kontoinhaber"), QString()), ReadString(s, QStringLiteral("IBAN"), QString()),
            ReadString(s, QStringLiteral("BIC"), QString()), ReadString(s, QStringLiteral("GlaeubigerId"), QString()),
            saldo == FehlwertMoney ? 0 : saldo};
}

void TVennlokDaten::SetPaktKonto(const Konto &konto)
{
    const QString s = QStringLiteral("Bankverbindung");
    if (konto.inhaber.isEmpty() && konto.iban.isEmpty() && konto.bic.isEmpty()) {
        EraseSection(s);
        return;
    }
    WriteString(s, QStringLiteral("Kontoinhaber"), konto.inhaber);
    WriteString(s, QStringLiteral("IBAN"), konto.iban);
    WriteString(s, QStringLiteral("BIC"), konto.bic);
    // The items of direct debits and of the balance are written only where they are used.
    if (konto.glaeubigerId.isEmpty())
        DeleteKey(s, QStringLiteral("GlaeubigerId"));
    else
        WriteString(s, QStringLiteral("GlaeubigerId"), konto.glaeubigerId);
    if (konto.anfangssaldo == 0)
        DeleteKey(s, QStringLiteral("Anfangssaldo"));
    else
        WriteMoney(s, QStringLiteral("Anfangssaldo"), konto.anfangssaldo);
}

namespace {
const QString PaktSektion = QStringLiteral("Pakt");

void paktAngabeSetzen(TVennlokDaten &daten, const QString &schluessel, const QString &wert)
{
    if (wert.isEmpty())
        daten.DeleteKey(PaktSektion, schluessel);
    else
        daten.WriteString(PaktSektion, schluessel, wert);
    if (daten.ReadSection(PaktSektion).isEmpty())
        daten.EraseSection(PaktSektion);
}
} // namespace

QString TVennlokDaten::Paktname() const { return ReadString(PaktSektion, QStringLiteral("Name"), QString()); }
QString TVennlokDaten::Sicherungsordner() const { return ReadString(PaktSektion, QStringLiteral("Sicherungsordner"), QString()); }
void TVennlokDaten::SetPaktname(const QString &name) { paktAngabeSetzen(*this, QStringLiteral("Name"), name); }
void TVennlokDaten::SetSicherungsordner(const QString &ordner) { paktAngabeSetzen(*this, QStringLiteral("Sicherungsordner"), ordner); }

Money TVennlokDaten::MonatBeitrag(const MonthKey &monat) const
{
    return ReadMoney(monatsAbschnitt(monat), KBeitrag, FehlwertMoney);
}

double TVennlokDaten::MonatIntSozialanteil(const MonthKey &monat) const
{
    return ReadFloat(monatsAbschnitt(monat), KInt, FehlwertFloat);
}

double TVennlokDaten::MonatExtSozialanteil(const MonthKey &monat) const
{
    return ReadFloat(monatsAbschnitt(monat), KExt, FehlwertFloat);
}

QList<MonthKey> TVennlokDaten::ArchivierteMonate() const
{
    QList<MonthKey> monate;
    for (const QString &section : ReadSections()) {
        const QString rest = section.mid(MonatPraefix.size());
        bool ziffern = section.startsWith(MonatPraefix) && rest.size() == 6;
        for (QChar c : rest)
            ziffern = ziffern && c.isDigit();
        if (ziffern && SectionExists(section))
            monate.append(rest);
    }
    return monate;
}
