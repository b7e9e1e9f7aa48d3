// The pact's account against the bank: a camt.053 statement read, matched to
// participants, booked once, and the balance the books expect.

#include "engine/einheiten.h"

#include "algo/fehler.h"
#include "algo/runden.h"
#include "data/bankdaten.h"
#include "data/camt.h"
#include "data/textdatei.h"
#include "engine/intern.h"
#include "platform/schema.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

using namespace Intern;

namespace {

// What the pact remembers of every transaction booked or dismissed, by its kennung.
const QString Gedaechtnis = QStringLiteral("A_Kontoabgleich.ven");
const QString Gelesen = QStringLiteral("Gelesen");
// The latest statement booked, by its closing balance's day.
const QString LetzterAuszug = QStringLiteral("Kontoauszug");

QString sha1(const QString &text, int laenge)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex().left(laenge)).toUpper();
}

// The bank's reference where it can stand as a key of the pact's files,
// else a checksum of what describes the transaction.
QString kennungVon(const Camt::Buchung &b)
{
    static const QRegularExpression sicher(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9./+:-]{0,59}$"));
    if (sicher.match(b.referenz).hasMatch())
        return b.referenz;
    return QStringLiteral("Pruefsumme-") + sha1(QStringList{b.buchungstag.toString(Qt::ISODate), QString::number(b.betrag), b.partei,
                                                            b.iban, b.text, b.endToEndId, b.referenz}
                                                    .join(QLatin1Char('|')),
                                                20);
}

// The words of a name or text, folded as names are and in lower case:
// "Bäcker, Anna" gives {"baecker", "anna"}.
QSet<QString> woerter(const QString &text)
{
    static const QRegularExpression trenner(QStringLiteral("[^a-z0-9]+"));
    QSet<QString> menge;
    for (const QString &w : NameFuerDatei(text).toLower().split(trenner, Qt::SkipEmptyParts))
        menge.insert(w);
    return menge;
}

// What a collection's end-to-end reference names a member by: a checksum of his file's name.
QString personenKennung(const QString &datei)
{
    return sha1(datei.toLower(), 12);
}

DateTime tagAlsZeit(const QDate &tag)
{
    return Textformat::ausQDateTime(tag.startOfDay());
}

// The amount the transfer file of monat gives the transaction endToEndId, or none.
std::optional<Money> ueberwiesenLaut(TKontext &k, const QString &endToEndId)
{
    static const QRegularExpression form(QStringLiteral("^VENNLOK-(\\d{6})-\\d{5}$"));
    const auto m = form.match(endToEndId);
    if (!m.hasMatch())
        return std::nullopt;
    const auto xml = k.speicher->Lesen(k.Pfad(QStringLiteral("Ueberweisungen%1.xml").arg(m.captured(1))));
    if (!xml)
        return std::nullopt;
    const QString text = QString::fromUtf8(*xml);
    const qsizetype stelle = text.indexOf(QStringLiteral("<EndToEndId>%1</EndToEndId>").arg(endToEndId));
    static const QRegularExpression betrag(QStringLiteral("<InstdAmt Ccy=\"EUR\">(\\d+)\\.(\\d{2})</InstdAmt>"));
    const auto b = stelle < 0 ? QRegularExpressionMatch() : betrag.match(text, stelle);
    if (!b.hasMatch())
        return std::nullopt;
    return b.captured(1).toLongLong() * MoneyProEinheit + b.captured(2).toLongLong() * 100;
}

} // namespace

QString TBankabgleich::LastschriftKennung(const MonthKey &monat, const QString &datei)
{
    return QStringLiteral("VL-L%1-%2").arg(monat, personenKennung(datei));
}

TKontoabgleich TBankabgleich::Lesen(const QString &pfad)
{
    const QString name = QFileInfo(pfad).fileName();
    QFile datei(pfad);
    if (!datei.open(QIODevice::ReadOnly))
        throw VennlokFehler(QStringLiteral("Der Kontoauszug \u201E%1\u201C kann nicht gelesen werden: %2")
                                .arg(name, Textdatei::Grund(datei.error())), pfad);
    const QByteArray xml = datei.readAll();
    const QString version = Camt::Version(xml);
    if (version.isEmpty())
        throw VennlokFehler(QStringLiteral("\u201E%1\u201C ist kein Kontoauszug im Format camt.053 (Version 001.02 oder 001.08).")
                                .arg(name), pfad);
    if (const QString fehler = Plattform::SchemaFehler(xml, schema(QStringLiteral("camt.053.%1.xsd").arg(version)));
        !fehler.isEmpty())
        throw VennlokFehler(QStringLiteral("Der Kontoauszug \u201E%1\u201C entspricht nicht dem Schema camt.053.%2: %3")
                                .arg(name, version, fehler), pfad);
    const Camt::Auszug auszug = Camt::Lesen(xml);
    const TVennlokDaten::Konto konto = k.daten->PaktKonto();
    if (!Bankdaten::IbanFehler(konto.iban).isEmpty())
        throw VennlokFehler(QStringLiteral("Ohne Konto des Pakts kann kein Kontoauszug gelesen werden: Kontoinhaber und IBAN "
                                           "des Pakts werden in der demokratischen Anpassung eingetragen."));
    if (auszug.iban != konto.iban)
        throw VennlokFehler(QStringLiteral("Der Kontoauszug \u201E%1\u201C ist der des Kontos %2, nicht der des Pakts (%3). "
                                           "Es wurde nichts gebucht.").arg(name, auszug.iban, konto.iban), pfad);

    // The members by what a bank statement names them with.
    QHash<QString, QString> nachIban, nachMandat, nachLastschrift;
    QList<std::pair<QString, QSet<QString>>> namen;
    for (const QString &mitglied : k.teilhaber->Mitglieder()) {
        const TTeilhaber &t = k.teilhaber->Teilhaber(mitglied);
        if (const QString iban = Bankdaten::IbanNormal(t.Adresse(QStringLiteral("IBAN"))); !iban.isEmpty())
            nachIban.insert(iban, mitglied);
        if (const QString mandat = t.Adresse(QStringLiteral("Mandatsreferenz")).trimmed(); !mandat.isEmpty())
            nachMandat.insert(mandat.toUpper(), mitglied);
        nachLastschrift.insert(personenKennung(mitglied), mitglied);
        namen.append({mitglied, woerter(NameAusDateiname(mitglied))});
    }
    // By the name in a text: every word of the name in it, the longest name
    // winning; two names alike are no match.
    const auto nachName = [&](const QString &text) {
        const QSet<QString> im = woerter(text);
        QString gefunden;
        qsizetype laenge = 0;
        bool zweideutig = false;
        for (const auto &[mitglied, wort] : namen) {
            if (wort.isEmpty() || !im.contains(wort) || wort.size() < laenge)
                continue;
            zweideutig = wort.size() == laenge;
            laenge = wort.size();
            gefunden = mitglied;
        }
        return zweideutig ? QString() : gefunden;
    };
    static const QRegularExpression lastschrift(QStringLiteral("^VL-L\\d{6}-([0-9A-F]{12})$"));
    const auto ausLastschrift = [&](const Camt::Buchung &b) {
        const auto m = lastschrift.match(b.endToEndId);
        return m.hasMatch() ? nachLastschrift.value(m.captured(1)) : QString();
    };

    const std::unique_ptr<TRollMemIniFile> gedaechtnis = k.Lesen<TRollMemIniFile>(Gedaechtnis);
    const MonthKey buchungsmonat = k.Buchungsmonat();
    TKontoabgleich abgleich;
    abgleich.datei = name;
    abgleich.iban = auszug.iban;
    abgleich.saldenBekannt = auszug.anfang.bekannt && auszug.schluss.bekannt;
    abgleich.anfangssaldo = auszug.anfang.betrag;
    abgleich.schlusssaldo = auszug.schluss.betrag;
    abgleich.bis = auszug.schluss.tag;
    QHash<QString, int> gesehen; // two equal transactions without a reference keep two kennungen
    for (const Camt::Buchung &b : auszug.buchungen) {
        TBankposten p;
        p.nr = b.nr;
        p.kennung = kennungVon(b);
        if (const int n = ++gesehen[p.kennung]; n > 1)
            p.kennung += QStringLiteral("-%1").arg(n);
        p.tag = b.buchungstag;
        p.betrag = b.betrag;
        p.partei = b.partei;
        p.iban = b.iban;
        p.text = b.text;
        p.endToEndId = b.endToEndId;
        p.rueckgabe = b.rueckgabe;
        QString mitglied;
        if (!b.gebucht) {
            p.vorschlag = TBankposten::Vorgemerkt;
            p.grund = QStringLiteral("von der Bank noch nicht gebucht");
        } else if (gedaechtnis->ValueExists(Gelesen, p.kennung)) {
            p.vorschlag = TBankposten::Gelesen;
            p.grund = QStringLiteral("schon gelesen: ") + gedaechtnis->ReadString(Gelesen, p.kennung, QString());
            ++abgleich.schonGelesen;
        } else if (b.betrag > 0 && !b.storno) {
            const QList<std::pair<QString, QString>> wege{{nachIban.value(b.iban), QStringLiteral("nach der IBAN")},
                                                         {ausLastschrift(b), QStringLiteral("Lastschrift dieses Programms")},
                                                         {nachMandat.value(b.mandat.toUpper()), QStringLiteral("nach der Mandatsreferenz")},
                                                         {nachName(b.partei), QStringLiteral("nach dem Namen des Auftraggebers")},
                                                         {nachName(b.text), QStringLiteral("nach dem Namen im Verwendungszweck")}};
            for (const auto &[wer, wie] : wege)
                if (mitglied.isEmpty() && !wer.isEmpty()) {
                    mitglied = wer;
                    p.grund = wie;
                }
            p.vorschlag = mitglied.isEmpty() ? TBankposten::Offen : TBankposten::Einzahlung;
            if (mitglied.isEmpty())
                p.grund = QStringLiteral("kein Teilhaber gefunden");
            else if (k.teilhaber->Teilhaber(mitglied).Einzahlungen(buchungsmonat) >= k.daten->Beitrag()) {
                // The rules take one contribution a month: a second one would be refused.
                p.vorschlag = TBankposten::Offen;
                p.grund += QStringLiteral("; %1 hat den Beitrag des Monats %2 schon gezahlt").arg(NameAusDateiname(mitglied), buchungsmonat);
            }
            else if (MonatKey(tagAlsZeit(b.buchungstag)) != buchungsmonat)
                p.grund += QStringLiteral("; gebucht am %1, als Einzahlung des Buchungsmonats %2")
                               .arg(b.buchungstag.toString(QStringLiteral("dd.MM.yyyy")), buchungsmonat);
        } else if (b.betrag < 0 && (!b.rueckgabe.isEmpty() || b.storno || !ausLastschrift(b).isEmpty())) {
            mitglied = ausLastschrift(b);
            if (mitglied.isEmpty())
                mitglied = nachMandat.value(b.mandat.toUpper(), nachIban.value(b.iban));
            bool passt = false;
            if (!mitglied.isEmpty())
                for (const Money betrag : k.teilhaber->Teilhaber(mitglied).Buchungen(true, buchungsmonat))
                    passt = passt || betrag == -b.betrag;
            p.vorschlag = passt ? TBankposten::Rueckbuchung : TBankposten::Offen;
            p.grund = QStringLiteral("Rücklastschrift%1").arg(b.rueckgabe.isEmpty() ? QString() : QStringLiteral(" (Grund %1)").arg(b.rueckgabe));
            if (mitglied.isEmpty())
                p.grund += QStringLiteral(": kein Teilhaber gefunden");
            else if (!passt)
                p.grund += QStringLiteral(": keine Einzahlung von %1 über %2 im Buchungsmonat %3")
                               .arg(NameAusDateiname(mitglied), Textformat::euroText(-b.betrag), buchungsmonat);
        } else if (b.betrag < 0 && ueberwiesenLaut(k, b.endToEndId)) {
            const bool gleich = *ueberwiesenLaut(k, b.endToEndId) == -b.betrag;
            p.vorschlag = gleich ? TBankposten::Bestaetigung : TBankposten::Offen;
            p.grund = gleich ? QStringLiteral("Überweisung %1 dieses Programms ausgeführt").arg(b.endToEndId)
                             : QStringLiteral("Überweisung %1 dieses Programms, aber über einen anderen Betrag").arg(b.endToEndId);
        } else {
            p.grund = b.betrag < 0 ? QStringLiteral("Abbuchung, keiner Überweisung dieses Programms zugeordnet")
                                   : QStringLiteral("nicht zugeordnet");
        }
        p.teilhaber = mitglied.isEmpty() ? QString() : NameAusDateiname(mitglied);
        p.angekreuzt = p.vorschlag == TBankposten::Einzahlung || p.vorschlag == TBankposten::Rueckbuchung
                       || p.vorschlag == TBankposten::Bestaetigung;
        abgleich.posten.append(p);
    }
    // What the books will expect once the ticked transactions are booked, against the bank's balance.
    abgleich.erwartet = abgleich.erwartetNachBuchung = Kontostand().erwartet;
    for (const TBankposten &p : std::as_const(abgleich.posten)) {
        if (p.angekreuzt && (p.vorschlag == TBankposten::Einzahlung || p.vorschlag == TBankposten::Rueckbuchung))
            abgleich.erwartetNachBuchung = GeldPlus(abgleich.erwartetNachBuchung, p.betrag);
        if (p.vorschlag == TBankposten::Offen)
            abgleich.offen = GeldPlus(abgleich.offen, p.betrag);
    }
    abgleich.differenz = GeldPlus(abgleich.schlusssaldo, -abgleich.erwartetNachBuchung);
    return abgleich;
}

TErgebnis TBankabgleich::Buchen(const TKontoabgleich &abgleich, const QList<TBankauswahl> &auswahl)
{
    return k.vorgang([&]() -> TErgebnis {
        if (abgleich.iban != k.daten->PaktKonto().iban)
            return TErgebnis::Ablehnung(QStringLiteral("Der Kontoauszug ist nicht der des Kontos des Pakts."));
        const std::unique_ptr<TRollMemIniFile> gedaechtnis = k.Lesen<TRollMemIniFile>(Gedaechtnis);
        const MonthKey monat = k.Buchungsmonat();
        int einzahlungen = 0, rueckbuchungen = 0, bestaetigt = 0, uebergangen = 0;
        Money summe = 0;
        QStringList abgelehnt;
        for (const TBankauswahl &wahl : auswahl) {
            const auto it = std::find_if(abgleich.posten.cbegin(), abgleich.posten.cend(),
                                         [&](const TBankposten &p) { return p.nr == wahl.nr; });
            if (it == abgleich.posten.cend() || it->vorschlag == TBankposten::Gelesen || it->vorschlag == TBankposten::Vorgemerkt
                || gedaechtnis->ValueExists(Gelesen, it->kennung))
                continue;
            const TBankposten &p = *it;
            const QString wer = wahl.teilhaber.trimmed().isEmpty() ? p.teilhaber : wahl.teilhaber.trimmed();
            QString vermerk;
            if (wahl.uebergehen) {
                ++uebergangen;
                vermerk = QStringLiteral("übergangen");
            } else if (p.betrag > 0 && !wer.isEmpty() && (p.vorschlag == TBankposten::Einzahlung || p.vorschlag == TBankposten::Offen)) {
                const TErgebnis e = TBuchungen(k).Einzahlung(wer, monat, p.betrag, tagAlsZeit(p.tag));
                if (!e.gebucht()) {
                    abgelehnt.append(QStringLiteral("Posten %1 (%2, %3): %4").arg(p.nr).arg(p.partei, Textformat::euroText(p.betrag), e.grund));
                    continue;
                }
                ++einzahlungen;
                summe = GeldPlus(summe, p.betrag);
                vermerk = QStringLiteral("Einzahlung %1").arg(NameAusDateiname(TBuchungen(k).Datei(wer)));
            } else if (p.vorschlag == TBankposten::Rueckbuchung) {
                // The last payment of that amount in the booking month is the one returned.
                int nr = 0;
                for (const TBuchungsposten &b : TBuchungen(k).Posten(p.teilhaber))
                    if (b.einzahlung && b.betrag == -p.betrag)
                        nr = b.nr;
                const TErgebnis e = TBuchungen(k).Storno(true, p.teilhaber, nr);
                if (!e.gebucht()) {
                    abgelehnt.append(QStringLiteral("Posten %1 (%2): %3").arg(p.nr).arg(p.teilhaber, e.meldung));
                    continue;
                }
                ++rueckbuchungen;
                vermerk = QStringLiteral("Rücklastschrift %1").arg(p.teilhaber);
            } else if (p.vorschlag == TBankposten::Bestaetigung) {
                ++bestaetigt;
                vermerk = QStringLiteral("Überweisung bestätigt");
            } else {
                ++uebergangen;
                vermerk = QStringLiteral("übergangen");
            }
            gedaechtnis->WriteString(Gelesen, p.kennung,
                                     QStringLiteral("%1 %2 %3 (%4)").arg(p.tag.toString(QStringLiteral("dd.MM.yyyy")),
                                                                         geldText(p.betrag), vermerk, abgleich.datei));
        }
        if (einzahlungen + rueckbuchungen + bestaetigt + uebergangen == 0)
            return abgelehnt.isEmpty() ? TErgebnis::Nichts(QStringLiteral("Aus dem Kontoauszug ist nichts zu buchen."))
                                       : TErgebnis::Ablehnung(abgelehnt.join(QLatin1Char('\n')));
        const QDate bisher = QDate::fromString(gedaechtnis->ReadString(LetzterAuszug, QStringLiteral("Datum"), QString()),
                                               QStringLiteral("dd.MM.yyyy"));
        if (abgleich.saldenBekannt && (!bisher.isValid() || abgleich.bis >= bisher)) {
            gedaechtnis->WriteString(LetzterAuszug, QStringLiteral("Datum"), abgleich.bis.toString(QStringLiteral("dd.MM.yyyy")));
            gedaechtnis->WriteString(LetzterAuszug, QStringLiteral("Datei"), abgleich.datei);
            gedaechtnis->WriteMoney(LetzterAuszug, QStringLiteral("Schlusssaldo"), abgleich.schlusssaldo);
            gedaechtnis->WriteMoney(LetzterAuszug, QStringLiteral("Differenz"),
                                    GeldPlus(abgleich.schlusssaldo, -abgleich.erwartetNachBuchung));
        }
        gedaechtnis->UpdateFile();
        QString meldung = QStringLiteral("Kontoauszug %1: %2 Einzahlung(en) über %3 gebucht")
                              .arg(abgleich.datei).arg(einzahlungen).arg(Textformat::euroText(summe));
        if (rueckbuchungen)
            meldung += QStringLiteral(", %1 Rücklastschrift(en) zurückgebucht").arg(rueckbuchungen);
        if (bestaetigt)
            meldung += QStringLiteral(", %1 Überweisung(en) bestätigt").arg(bestaetigt);
        if (uebergangen)
            meldung += QStringLiteral(", %1 Posten übergangen").arg(uebergangen);
        if (abgleich.schonGelesen)
            meldung += QStringLiteral("; %1 schon gelesene Posten nicht noch einmal gebucht").arg(abgleich.schonGelesen);
        meldung += QLatin1Char('.');
        if (!abgelehnt.isEmpty())
            meldung += QStringLiteral("\nNicht gebucht:\n") + abgelehnt.join(QLatin1Char('\n'));
        k.log(QStringLiteral("Kontoauszug,%1,%2,%3,%4,%5")
                  .arg(fuerLog(abgleich.datei)).arg(einzahlungen).arg(rueckbuchungen).arg(bestaetigt).arg(uebergangen));
        TErgebnis ergebnis = TErgebnis::Buchung(true, summe);
        ergebnis.meldung = meldung;
        return ergebnis;
    });
}

TKontostand TBankabgleich::Kontostand(const MonthKey &bis) const
{
    TKontostand stand;
    const TVennlokDaten::Konto konto = k.daten->PaktKonto();
    stand.konto = Bankdaten::IbanFehler(konto.iban).isEmpty();
    stand.anfangssaldo = konto.anfangssaldo;
    const MonthKey buchungsmonat = k.Buchungsmonat();
    for (const MonthKey &monat : k.daten->ArchivierteMonate()) {
        if (monat >= buchungsmonat || (!bis.isEmpty() && monat > bis))
            continue;
        const Money ein = k.daten->MonatEinzahlungen(monat);
        stand.einzahlungen = GeldPlus(stand.einzahlungen, ein == FehlwertMoney ? 0 : ein);
        // A month closed before the cents were recorded: its payouts on the cent as a whole.
        Money aus = k.daten->MonatUeberwiesen(monat);
        if (aus == FehlwertMoney)
            aus = AufCent(std::max<Money>(k.daten->MonatAuszahlungen(monat), 0));
        stand.ueberwiesen = GeldPlus(stand.ueberwiesen, aus);
    }
    if (k.kasse && (bis.isEmpty() || bis >= buchungsmonat))
        stand.einzahlungen = GeldPlus(stand.einzahlungen, k.kasse->Einzahlungen());
    stand.erwartet = GeldPlus(GeldPlus(stand.anfangssaldo, stand.einzahlungen), -stand.ueberwiesen);
    if (k.speicher->Existiert(k.Pfad(Gedaechtnis))) {
        const std::unique_ptr<TRollMemIniFile> gedaechtnis = k.Lesen<TRollMemIniFile>(Gedaechtnis);
        stand.auszugTag = QDate::fromString(gedaechtnis->ReadString(LetzterAuszug, QStringLiteral("Datum"), QString()),
                                            QStringLiteral("dd.MM.yyyy"));
        // For a month, only the statement that ends in it.
        stand.auszug = stand.auszugTag.isValid()
                       && (bis.isEmpty() || stand.auszugTag.toString(QStringLiteral("yyyyMM")) == bis);
        if (stand.auszug) {
            stand.auszugDatei = gedaechtnis->ReadString(LetzterAuszug, QStringLiteral("Datei"), QString());
            stand.auszugSaldo = gedaechtnis->ReadMoney(LetzterAuszug, QStringLiteral("Schlusssaldo"), 0);
            stand.auszugDifferenz = gedaechtnis->ReadMoney(LetzterAuszug, QStringLiteral("Differenz"), 0);
        }
    }
    return stand;
}
