#include "data/kasse.h"

#include "algo/runden.h"

#include "data/textformat.h"
#include "data/uhr.h"


namespace {

const QString Kopf = QStringLiteral("Kopfdaten");
const QString KasseAbschnitt = QStringLiteral("Kasse");
const QString Honorar = QStringLiteral("Honorarbuchung");
const QString KAbgeschlossen = QStringLiteral("ABGESCHLOSSEN");

const QString KSumme = QStringLiteral("Summe");
const QString KSummeVormonat = QStringLiteral("SummeVormonat");
const QString KEinzahlungen = QStringLiteral("Einzahlungen");
const QString KRechnungen = QStringLiteral("Rechnungen");
const QString KEigenanteile = QStringLiteral("Eigenanteile");
const QString KAuszahlungen = QStringLiteral("Auszahlungen");

const QString ZEingang = QStringLiteral("Eingangsbuchungen");
const QString ZRechnung = QStringLiteral("Rechnungsbuchungen");
const QString ZAusgang = QStringLiteral("Ausgangsbuchungen");

const QString DEinzahlungen = QStringLiteral("TeilhaberEinzahlungen ");
const QString DRechnungen = QStringLiteral("TeilhaberRechnungen ");
const QString DEigenanteil = QStringLiteral("TeilhaberEigenanteil ");
const QString DAuszahlungen = QStringLiteral("TeilhaberAuszahlungen ");
const QString DAustritte = QStringLiteral("TeilhaberAustritte ");
const QString KHonorarGesamt = QStringLiteral("Honorare gesamt");

// Whether key is name + "_" + a number, the name compared ignoring case.
bool istEintragVon(const QString &key, const QString &name)
{
    const qsizetype trenner = key.lastIndexOf(QLatin1Char('_'));
    if (trenner != name.size() || trenner + 1 >= key.size()
        || key.left(trenner).compare(name, Qt::CaseInsensitive) != 0)
        return false;
    for (qsizetype i = trenner + 1; i < key.size(); ++i)
        if (!key[i].isDigit())
            return false;
    return true;
}

} // namespace

const QString TKasse::Abschnitt = KasseAbschnitt;
const QStringList TKasse::Summen{KSumme, KSummeVormonat, KEinzahlungen, KRechnungen, KEigenanteile, KAuszahlungen};
const QStringList TKasse::Zaehler{ZEingang, ZRechnung, ZAusgang};

QString TKasse::Dateiname(const MonthKey &monat)
{
    return QStringLiteral("A_Kassendaten") + monat + QStringLiteral(".ven");
}

MonthKey TKasse::MonatAusDateiname(const QString &datei)
{
    // "A_Kassendaten" + six digits + ".ven": the month is what lies between.
    const MonthKey monat = datei.mid(13, 6);
    return datei == Dateiname(monat) && MonatGueltig(monat) ? monat : MonthKey();
}

bool TKasse::Eroeffnen(const MonthKey &monat, Money beitrag, Money honorarEingangsbuchung,
                       Money honorarAusgangsbuchung, Money anfangssumme, DateTime datum)
{
    return Geschuetzt([&] {
        WriteDateTime(Kopf, QStringLiteral("Kassendatei vom Monat ") + monat + QStringLiteral(" eröffnet am"), datum);
        WriteMoney(Kopf, QStringLiteral("Beitrag"), beitrag);
        WriteMoney(Kopf, QStringLiteral("HonorarEingangsbuchung"), honorarEingangsbuchung);
        WriteMoney(Kopf, QStringLiteral("HonorarAusgangsbuchung"), honorarAusgangsbuchung);
        WriteMoney(KasseAbschnitt, KSumme, anfangssumme);
        WriteMoney(KasseAbschnitt, KSummeVormonat, anfangssumme);
        for (const QString &key : {KEinzahlungen, KRechnungen, KEigenanteile, KAuszahlungen})
            WriteMoney(KasseAbschnitt, key, 0);
        for (const QString &zaehler : {ZEingang, ZRechnung, ZAusgang})
            WriteInteger(KasseAbschnitt, zaehler + monat, 0);
        UpdateFile();
    });
}

bool TKasse::Abgeschlossen() const
{
    return ValueExists(Kopf, KAbgeschlossen);
}

bool TKasse::Wiedereroeffnen(DateTime datum)
{
    return Geschuetzt([&] {
        DeleteKey(Kopf, KAbgeschlossen);
        WriteDateTime(Kopf, QStringLiteral("wieder eröffnet am"), datum);
        UpdateFile();
    });
}

bool TKasse::Abschliessen(const MonthKey &monat)
{
    return Geschuetzt([&] {
        const Money summe = Summe();
        const Money vormonat = SummeVormonat();
        if (vormonat != FehlwertMoney) {
            WriteMoney(KasseAbschnitt, QStringLiteral("Kassengewinn"), summe - vormonat);
            const int eingang = Eingangsbuchungen(monat);
            if (eingang > 0)
                WriteFloat(KasseAbschnitt, QStringLiteral("mittlerer Kassengewinn"),
                           ReadFloat(KasseAbschnitt, QStringLiteral("Kassengewinn"), 0) / eingang);
        }
        SetAbgeschlossen(Uhr::Heute());
        UpdateFile();
    });
}

void TKasse::addiere(const QString &key, Money betrag)
{
    WriteMoney(KasseAbschnitt, key, GeldPlus(MoneyNoetig(KasseAbschnitt, key), betrag));
}

bool TKasse::buchen(const MonthKey &monat, const QString &name, DateTime datum, const QString &zaehler,
                    std::initializer_list<std::pair<const QString &, Money>> summen,
                    std::initializer_list<Posten> posten)
{
    SetRollbackPoint();
    const bool gebucht = Geschuetzt([&] {
        for (const auto &[key, betrag] : summen)
            addiere(key, betrag);
        const QString monatsZaehler = zaehler + monat;
        WriteInteger(KasseAbschnitt, monatsZaehler, ZaehlerPlus(IntegerNoetig(KasseAbschnitt, monatsZaehler), 1));
        const QString tag = Textformat::datumZuText(datum);
        const QString tagesZaehler = zaehler + tag;
        if (!ValueExists(KasseAbschnitt, tagesZaehler))
            WriteInteger(KasseAbschnitt, tagesZaehler, 0);
        WriteInteger(KasseAbschnitt, tagesZaehler, ZaehlerPlus(IntegerNoetig(KasseAbschnitt, tagesZaehler), 1));
        for (const Posten &p : posten) {
            const QString section = p.section + tag;
            int n = 1;
            while (ValueExists(section, name + QLatin1Char('_') + QString::number(n)))
                ++n;
            WriteMoney(section, name + QLatin1Char('_') + QString::number(n), p.betrag);
        }
        UpdateFile();
    });
    if (!gebucht)
        Rollback();
    return gebucht;
}

bool TKasse::EinzahlungBuchen(const MonthKey &monat, const QString &name, Money betrag, DateTime datum)
{
    return buchen(monat, name, datum, ZEingang, {{KSumme, betrag}, {KEinzahlungen, betrag}},
                  {{DEinzahlungen, betrag}});
}

bool TKasse::RechnungBuchen(const MonthKey &monat, const QString &name, Money betrag, DateTime datum)
{
    return buchen(monat, name, datum, ZRechnung, {{KRechnungen, betrag}}, {{DRechnungen, betrag}});
}

bool TKasse::AuszahlungBuchen(const MonthKey &monat, const QString &name, Money auszahlung, Money eigenanteil,
                              DateTime datum)
{
    return buchen(monat, name, datum, ZAusgang,
                  {{KSumme, eigenanteil - auszahlung}, {KAuszahlungen, auszahlung}, {KEigenanteile, eigenanteil}},
                  {{DEigenanteil, eigenanteil}, {DAuszahlungen, auszahlung}});
}

bool TKasse::HonorarBuchen(DateTime datum, Money honorarEin, Money honorarRech)
{
    return Geschuetzt([&] {
        const Money gesamt = GeldPlus(honorarEin, honorarRech);
        WriteDateTime(Honorar, QStringLiteral("Datum"), datum);
        WriteMoney(Honorar, QStringLiteral("Honorare aus Einbuchungen"), honorarEin);
        WriteMoney(Honorar, QStringLiteral("Honorare aus Rechnungen"), honorarRech);
        // An earlier fee booking of this book goes back into the fund first.
        const Money frueher = ValueExists(Honorar, KHonorarGesamt) ? MoneyNoetig(Honorar, KHonorarGesamt) : 0;
        WriteMoney(Honorar, KHonorarGesamt, gesamt);
        addiere(KSumme, GeldPlus(frueher, -gesamt));
        addiere(KAuszahlungen, GeldPlus(gesamt, -frueher));
        UpdateFile();
    });
}

bool TKasse::AuszahlungenStornieren(const MonthKey &monat, const QString &name)
{
    SetRollbackPoint();
    const bool ok = Geschuetzt([&] {
        Money auszahlungen = 0, eigenanteile = 0;
        for (const QString &section : ReadSections()) {
            // The book is the month's own: every payout entry in it belongs to the month,
            // whatever day it was booked on.
            const bool auszahlung = section.startsWith(DAuszahlungen);
            if (!auszahlung && !section.startsWith(DEigenanteil))
                continue;
            const QString tag = section.mid((auszahlung ? DAuszahlungen : DEigenanteil).size());
            for (const QString &key : ReadSection(section)) {
                if (!istEintragVon(key, name))
                    continue;
                const Money betrag = MoneyNoetig(section, key);
                if (auszahlung) {
                    auszahlungen = GeldPlus(auszahlungen, betrag);
                    const QString tagesZaehler = ZAusgang + tag;
                    WriteInteger(KasseAbschnitt, tagesZaehler, ZaehlerPlus(IntegerNoetig(KasseAbschnitt, tagesZaehler), -1));
                    WriteInteger(KasseAbschnitt, ZAusgang + monat,
                                 ZaehlerPlus(IntegerNoetig(KasseAbschnitt, ZAusgang + monat), -1));
                } else {
                    eigenanteile = GeldPlus(eigenanteile, betrag);
                }
                DeleteKey(section, key);
            }
        }
        addiere(KSumme, GeldPlus(auszahlungen, -eigenanteile));
        addiere(KAuszahlungen, -auszahlungen);
        addiere(KEigenanteile, -eigenanteile);
        UpdateFile();
    });
    if (!ok)
        Rollback();
    return ok;
}

bool TKasse::Stornieren(Eintrag::Art art, const MonthKey &monat, const QString &name, int nr, Money betrag)
{
    if (art != Eintrag::Einzahlung && art != Eintrag::Rechnung)
        return false;
    const bool einzahlung = art == Eintrag::Einzahlung;
    std::vector<Eintrag> eigene;
    for (const Eintrag &e : Eintraege())
        if (e.art == art && e.name.compare(name, Qt::CaseInsensitive) == 0)
            eigene.push_back(e);
    const Eintrag *gewaehlt = nr >= 1 && nr <= int(eigene.size()) && eigene[nr - 1].betrag == betrag ? &eigene[nr - 1] : nullptr;
    for (const Eintrag &e : eigene)
        if (!gewaehlt && e.betrag == betrag)
            gewaehlt = &e;
    if (!gewaehlt)
        return false;
    SetRollbackPoint();
    const bool ok = Geschuetzt([&] {
        const QString &stamm = einzahlung ? DEinzahlungen : DRechnungen;
        const QString &zaehler = einzahlung ? ZEingang : ZRechnung;
        if (einzahlung) {
            addiere(KSumme, -betrag);
            addiere(KEinzahlungen, -betrag);
        } else {
            addiere(KRechnungen, -betrag);
        }
        for (const QString &key : {zaehler + monat, zaehler + gewaehlt->abschnitt.mid(stamm.size())}) {
            const int neu = ZaehlerPlus(IntegerNoetig(KasseAbschnitt, key), -1);
            // The month's counter stays, as the opening wrote it; a day's goes with its last booking.
            if (neu == 0 && key != zaehler + monat)
                DeleteKey(KasseAbschnitt, key);
            else
                WriteInteger(KasseAbschnitt, key, neu);
        }
        DeleteKey(gewaehlt->abschnitt, gewaehlt->schluessel);
        // The participant's later entries of that day move up a number, as they would have been numbered.
        const QString &abschnitt = gewaehlt->abschnitt;
        const int weg = gewaehlt->schluessel.mid(gewaehlt->schluessel.lastIndexOf(QLatin1Char('_')) + 1).toInt();
        for (const QString &key : ReadSection(abschnitt)) {
            const int n = key.mid(key.lastIndexOf(QLatin1Char('_')) + 1).toInt();
            if (!istEintragVon(key, name) || n <= weg)
                continue;
            const Money wert = MoneyNoetig(abschnitt, key);
            DeleteKey(abschnitt, key);
            WriteMoney(abschnitt, key.left(key.lastIndexOf(QLatin1Char('_')) + 1) + QString::number(n - 1), wert);
        }
        if (ReadSection(gewaehlt->abschnitt).isEmpty())
            EraseSection(gewaehlt->abschnitt);
        UpdateFile();
    });
    if (!ok)
        Rollback();
    return ok;
}

bool TKasse::AustrittBuchen(const MonthKey &monat, const QString &name, Money betrag, DateTime datum)
{
    return buchen(monat, name, datum, ZAusgang, {{KSumme, -betrag}, {KAuszahlungen, betrag}}, {{DAustritte, betrag}});
}

Money TKasse::Summe() const { return ReadMoney(KasseAbschnitt, KSumme, FehlwertMoney); }
Money TKasse::SummeVormonat() const { return ReadMoney(KasseAbschnitt, KSummeVormonat, FehlwertMoney); }
Money TKasse::Einzahlungen() const { return ReadMoney(KasseAbschnitt, KEinzahlungen, FehlwertMoney); }
Money TKasse::Rechnungen() const { return ReadMoney(KasseAbschnitt, KRechnungen, FehlwertMoney); }
Money TKasse::Eigenanteile() const { return ReadMoney(KasseAbschnitt, KEigenanteile, FehlwertMoney); }
Money TKasse::Auszahlungen() const { return ReadMoney(KasseAbschnitt, KAuszahlungen, FehlwertMoney); }

std::vector<TKasse::Eintrag> TKasse::Eintraege() const
{
    const std::pair<const QString &, Eintrag::Art> arten[] = {
        {DEinzahlungen, Eintrag::Einzahlung}, {DRechnungen, Eintrag::Rechnung}, {DEigenanteil, Eintrag::Eigenanteil},
        {DAuszahlungen, Eintrag::Auszahlung}, {DAustritte, Eintrag::Austritt}};
    std::vector<Eintrag> eintraege;
    for (const QString &section : ReadSections())
        for (const auto &[stamm, art] : arten)
            if (section.startsWith(stamm))
                for (const QString &key : ReadSection(section))
                    eintraege.push_back({art, key.left(std::max<qsizetype>(0, key.lastIndexOf(QLatin1Char('_')))),
                                         ReadMoney(section, key, FehlwertMoney), section, key});
    return eintraege;
}

Money TKasse::HonorareGesamt() const
{
    return ReadMoney(Honorar, KHonorarGesamt, 0);
}

void TKasse::SetSumme(Money wert) { WriteMoney(KasseAbschnitt, KSumme, wert); }
void TKasse::SetSummeVormonat(Money wert) { WriteMoney(KasseAbschnitt, KSummeVormonat, wert); }
void TKasse::SetAbgeschlossen(DateTime datum) { WriteDateTime(Kopf, KAbgeschlossen, datum); }

int TKasse::Eingangsbuchungen(const MonthKey &monat) const { return ReadInteger(KasseAbschnitt, ZEingang + monat, 0); }
int TKasse::Rechnungsbuchungen(const MonthKey &monat) const { return ReadInteger(KasseAbschnitt, ZRechnung + monat, 0); }
int TKasse::Ausgangsbuchungen(const MonthKey &monat) const { return ReadInteger(KasseAbschnitt, ZAusgang + monat, 0); }
