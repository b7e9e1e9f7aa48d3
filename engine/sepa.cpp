// Bank transfers: the pact's account, the participants' IBANs and the SEPA
// credit transfer file of a month's payouts.

#include "engine/einheiten.h"
#include "engine/vennlok.h"

#include "algo/fehler.h"
#include "algo/runden.h"
#include "data/bankdaten.h"
#include "data/uhr.h"
#include "engine/intern.h"
#include "engine/teilhaberregister.h"
#include "platform/schema.h"

#include <QFile>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamWriter>
#include <functional>

using namespace Intern;

QByteArray Intern::schema(const QString &datei)
{
    // Simulations close months on several threads at once.
    static QMutex sperre;
    const QMutexLocker halten(&sperre);
    static QHash<QString, QByteArray> gelesen;
    auto it = gelesen.find(datei);
    if (it == gelesen.end()) {
        QFile f(QStringLiteral(":/schemas/") + datei);
        it = gelesen.insert(datei, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
    }
    return *it;
}

namespace {

const QString Iban = QStringLiteral("IBAN");
const QString Bic = QStringLiteral("BIC");
const QString Kontoinhaber = QStringLiteral("Kontoinhaber");

QString sepaDateiname(const MonthKey &monat)
{
    return QStringLiteral("Ueberweisungen%1.xml").arg(monat);
}

// Cents as the file writes an amount: "1234.56".
QString euro(Money betrag)
{
    const Money cent = AufCent(betrag) / 100;
    return QStringLiteral("%1.%2").arg(cent / 100).arg(cent % 100, 2, 10, QLatin1Char('0'));
}

const QString Treuhaender = QStringLiteral("Treuhänder");

// A payout the transfer file pays (at least a cent): to a participant, or the
// trustee's fees. The payee as named to the operator and to the bank, and the
// bank details of his address; the IBAN empty when it is not valid.
struct Empfang
{
    const TUeberweisung *ueberweisung; // into the list empfaenge was given
    QString wer;                       // "Anna_Baecker", "Treuhänder"
    QString inhaber, iban, bic;
};

QList<Empfang> empfaenge(TTeilhaberRegister &register_, const TVennlokDaten &daten, const QList<TUeberweisung> &liste)
{
    QList<Empfang> ergebnis;
    for (const TUeberweisung &u : liste) {
        if (AufCent(u.betrag) <= 0)
            continue;
        // The address items: the trustee's from the master data, a participant's from his file.
        std::function<QString(const QString &)> angabe = [&daten](const QString &s) { return daten.AnwaltAdresse(s); };
        Empfang e{&u, Treuhaender, QString(), QString(), QString()};
        if (!u.name.isEmpty()) {
            const QString datei = register_.DateiAuchAusgetreten(u.name);
            const TTeilhaber *t = datei.isEmpty() ? nullptr : &register_.Teilhaber(datei);
            angabe = [t](const QString &s) { return t ? t->Adresse(s) : QString(); };
            e.wer = t ? t->Anzeigename() : u.name;
        }
        // The first holder that the bank's character set can carry: the
        // account's holder, else the name, else (the trustee's) his title. A
        // file edited by hand may leave none: the schema check then refuses.
        const QStringList inhaber = u.name.isEmpty()
                                        ? QStringList{angabe(Kontoinhaber).trimmed(), angabe(QStringLiteral("Name")).trimmed(), Treuhaender}
                                        : QStringList{angabe(Kontoinhaber).trimmed(), e.wer};
        for (const QString &kandidat : inhaber)
            if (e.inhaber.isEmpty() && !Bankdaten::SepaText(kandidat, 70).trimmed().isEmpty())
                e.inhaber = kandidat;
        const QString iban = Bankdaten::IbanNormal(angabe(Iban));
        e.iban = Bankdaten::IbanFehler(iban).isEmpty() ? iban : QString();
        e.bic = Bankdaten::AngabeNormal(Bic, angabe(Bic));
        ergebnis.append(e);
    }
    return ergebnis;
}

// Nested elements around one text: blatt(w, {"DbtrAcct", "Id", "IBAN"}, iban).
void blatt(QXmlStreamWriter &w, const QStringList &pfad, const QString &text)
{
    for (int i = 0; i + 1 < pfad.size(); ++i)
        w.writeStartElement(pfad[i]);
    w.writeTextElement(pfad.last(), text);
    for (int i = 0; i + 1 < pfad.size(); ++i)
        w.writeEndElement();
}

struct Posten
{
    QString name, iban, bic, zweck;
    Money betrag;
};

} // namespace

TVennlokDaten::Konto TBankdateien::PaktKonto() const
{
    return k.daten->PaktKonto();
}

namespace {

// The account as it is stored: holder trimmed, IBAN, BIC and creditor identifier without blanks.
TVennlokDaten::Konto gespeichert(const TVennlokDaten::Konto &konto)
{
    return {konto.inhaber.trimmed(), Bankdaten::AngabeNormal(Iban, konto.iban), Bankdaten::AngabeNormal(Bic, konto.bic),
            Bankdaten::IbanNormal(konto.glaeubigerId), konto.anfangssaldo};
}

} // namespace

bool TBankdateien::PaktKontoAnders(const TVennlokDaten::Konto &konto) const
{
    const TVennlokDaten::Konto alt = k.daten->PaktKonto(), neu = gespeichert(konto);
    return neu.inhaber != alt.inhaber || neu.iban != alt.iban || neu.bic != alt.bic || neu.glaeubigerId != alt.glaeubigerId
           || neu.anfangssaldo != alt.anfangssaldo;
}

bool TBankdateien::PaktKontoEingetragen() const
{
    const TVennlokDaten::Konto konto = k.daten->PaktKonto();
    return !konto.inhaber.isEmpty() && Bankdaten::IbanFehler(konto.iban).isEmpty();
}

TErgebnis TBankdateien::PaktKontoSetzen(const TVennlokDaten::Konto &eingabe)
{
    if (const QString fehler = Vennlok::PaktKontoFehler(eingabe); !fehler.isEmpty())
        return TErgebnis::Ablehnung(fehler);
    const TVennlokDaten::Konto konto = gespeichert(eingabe);
    k.transaktion(QString(), [&] {
        k.datenAendern([&] {
            k.daten->SetPaktKonto(konto);
            k.daten->UpdateFile();
        });
        QString zeile = QStringLiteral("Konto,%1,%2,%3").arg(fuerLog(konto.inhaber), konto.iban, konto.bic);
        if (!konto.glaeubigerId.isEmpty() || konto.anfangssaldo != 0)
            zeile += QStringLiteral(",%1,%2").arg(konto.glaeubigerId, geldText(konto.anfangssaldo));
        k.log(zeile);
    });
    return TErgebnis::Buchung(true, 0);
}

namespace {

// Who of the payees has no valid IBAN, each once.
QStringList ohneGueltigeIban(const QList<Empfang> &empfaenge)
{
    QStringList ohne;
    for (const Empfang &e : empfaenge)
        if (e.iban.isEmpty() && !ohne.contains(e.wer))
            ohne.append(e.wer);
    return ohne;
}

} // namespace

QStringList TBankdateien::OhneIban(const QList<TUeberweisung> &liste)
{
    return ohneGueltigeIban(empfaenge(*k.teilhaber, *k.daten, liste));
}

QByteArray TBankdateien::SepaDatei(const MonthKey &monat, const QDate &ausfuehrung, QStringList *ohneIban)
{
    if (!k.daten->ArchivierteMonate().contains(monat))
        throw VennlokFehler(QStringLiteral("Der Monat %1 ist nicht abgeschlossen.").arg(Textformat::zitat(monat)));
    if (!PaktKontoEingetragen())
        throw VennlokFehler(QStringLiteral("Ohne Konto des Pakts gibt es keine SEPA-Datei: Kontoinhaber und IBAN des Pakts "
                                           "werden in der demokratischen Anpassung eingetragen."));
    return Xml(monat, ausfuehrung, TAuswertung(k).Ueberweisungen(monat), ohneIban);
}

QByteArray TBankdateien::Xml(const MonthKey &monat, const QDate &ausfuehrung, const QList<TUeberweisung> &ueberweisungen,
                             QStringList *ohneIban)
{
    const TVennlokDaten::Konto konto = k.daten->PaktKonto();
    const QList<Empfang> liste = empfaenge(*k.teilhaber, *k.daten, ueberweisungen);
    if (ohneIban)
        *ohneIban = ohneGueltigeIban(liste);
    QList<Posten> posten;
    for (const Empfang &e : liste) {
        if (e.iban.isEmpty())
            continue;
        const TUeberweisung &u = *e.ueberweisung;
        const QString zweck = u.name.isEmpty() ? QStringLiteral("Vennlok %1 Honorare %2").arg(monat, Treuhaender)
                                               : QStringLiteral("Vennlok %1 Auszahlung %2").arg(monat, e.wer);
        posten.append({Bankdaten::SepaText(e.inhaber, 70), e.iban, e.bic, Bankdaten::SepaText(zweck, 140), u.betrag});
    }
    if (posten.isEmpty())
        return QByteArray(); // a file without a transfer is not valid
    Money summe = 0;
    for (const Posten &p : posten)
        summe = GeldPlus(summe, AufCent(p.betrag));
    const QDateTime jetzt = Textformat::zuQDateTime(Uhr::Jetzt());
    // Unique per file, also for two files of one second: the moment to the
    // millisecond and a random part; 35 characters at most.
    const QString kennung = QStringLiteral("VL%1-%2-%3")
                                .arg(monat, QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmsszzz")))
                                .arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'))
                                .toUpper();

    QByteArray xml;
    QXmlStreamWriter w(&xml);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeDefaultNamespace(QStringLiteral("urn:iso:std:iso:20022:tech:xsd:pain.001.001.09"));
    w.writeStartElement(QStringLiteral("Document"));
    w.writeStartElement(QStringLiteral("CstmrCdtTrfInitn"));
    w.writeStartElement(QStringLiteral("GrpHdr"));
    w.writeTextElement(QStringLiteral("MsgId"), kennung);
    w.writeTextElement(QStringLiteral("CreDtTm"), jetzt.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")));
    w.writeTextElement(QStringLiteral("NbOfTxs"), QString::number(posten.size()));
    w.writeTextElement(QStringLiteral("CtrlSum"), euro(summe));
    blatt(w, {QStringLiteral("InitgPty"), QStringLiteral("Nm")}, Bankdaten::SepaText(konto.inhaber, 70));
    w.writeEndElement(); // GrpHdr
    w.writeStartElement(QStringLiteral("PmtInf"));
    w.writeTextElement(QStringLiteral("PmtInfId"), kennung.left(33) + QStringLiteral("-1"));
    w.writeTextElement(QStringLiteral("PmtMtd"), QStringLiteral("TRF"));
    w.writeTextElement(QStringLiteral("NbOfTxs"), QString::number(posten.size()));
    w.writeTextElement(QStringLiteral("CtrlSum"), euro(summe));
    blatt(w, {QStringLiteral("PmtTpInf"), QStringLiteral("SvcLvl"), QStringLiteral("Cd")}, QStringLiteral("SEPA"));
    blatt(w, {QStringLiteral("ReqdExctnDt"), QStringLiteral("Dt")}, ausfuehrung.toString(Qt::ISODate));
    blatt(w, {QStringLiteral("Dbtr"), QStringLiteral("Nm")}, Bankdaten::SepaText(konto.inhaber, 70));
    // A file edited by hand may hold the account with blanks or a wrong BIC; the bank gets its normal form.
    const QString bic = Bankdaten::AngabeNormal(Bic, konto.bic);
    blatt(w, {QStringLiteral("DbtrAcct"), QStringLiteral("Id"), Iban}, Bankdaten::AngabeNormal(Iban, konto.iban));
    if (bic.isEmpty() || !Bankdaten::BicFehler(bic).isEmpty())
        blatt(w, {QStringLiteral("DbtrAgt"), QStringLiteral("FinInstnId"), QStringLiteral("Othr"), QStringLiteral("Id")},
              QStringLiteral("NOTPROVIDED"));
    else
        blatt(w, {QStringLiteral("DbtrAgt"), QStringLiteral("FinInstnId"), QStringLiteral("BICFI")}, bic);
    w.writeTextElement(QStringLiteral("ChrgBr"), QStringLiteral("SLEV"));
    int nr = 0;
    for (const Posten &p : posten) {
        w.writeStartElement(QStringLiteral("CdtTrfTxInf"));
        blatt(w, {QStringLiteral("PmtId"), QStringLiteral("EndToEndId")},
              QStringLiteral("VENNLOK-%1-%2").arg(monat).arg(++nr, 5, 10, QLatin1Char('0')));
        w.writeStartElement(QStringLiteral("Amt"));
        w.writeStartElement(QStringLiteral("InstdAmt"));
        w.writeAttribute(QStringLiteral("Ccy"), QStringLiteral("EUR"));
        w.writeCharacters(euro(p.betrag));
        w.writeEndElement();
        w.writeEndElement();
        if (!p.bic.isEmpty() && Bankdaten::BicFehler(p.bic).isEmpty())
            blatt(w, {QStringLiteral("CdtrAgt"), QStringLiteral("FinInstnId"), QStringLiteral("BICFI")}, p.bic);
        blatt(w, {QStringLiteral("Cdtr"), QStringLiteral("Nm")}, p.name);
        blatt(w, {QStringLiteral("CdtrAcct"), QStringLiteral("Id"), Iban}, p.iban);
        blatt(w, {QStringLiteral("RmtInf"), QStringLiteral("Ustrd")}, p.zweck);
        w.writeEndElement(); // CdtTrfTxInf
    }
    w.writeEndDocument();
    // A file the bank's schema refuses is never written or handed out.
    if (const QString fehler = Plattform::SchemaFehler(xml, schema(QStringLiteral("pain.001.001.09.xsd"))); !fehler.isEmpty())
        throw VennlokFehler(QStringLiteral("Die SEPA-Datei des Monats %1 entspricht nicht dem Schema der Bank und wird "
                                           "nicht geschrieben: %2").arg(monat, fehler),
                            sepaDateiname(monat));
    return xml;
}

void TBankdateien::MitAbschlussSchreiben(const MonthKey &monat, DateTime datum, const QList<TUeberweisung> &ueberweisungen)
{
    if (!PaktKontoEingetragen())
        return; // without the pact's account there is no file to write
    const QDate ausfuehrung = Bankdaten::NaechsterBankarbeitstag(Textformat::zuQDateTime(datum).date());
    const QByteArray xml = Xml(monat, ausfuehrung, ueberweisungen, nullptr);
    if (!xml.isEmpty())
        k.speicher->Schreiben(k.Pfad(sepaDateiname(monat)), xml);
}

TBankdatei TBankdateien::Datei(TBankdatei::Art art, const MonthKey &monat, const QDate &tag, bool schreiben)
{
    TBankdatei datei;
    datei.tag = tag;
    if (art == TBankdatei::Ueberweisungen) {
        datei.name = sepaDateiname(monat);
        datei.inhalt = SepaDatei(monat, tag, &datei.ohne);
        // the list must outlive the loop: each Empfang points into it
        const QList<TUeberweisung> ueberweisungen = TAuswertung(k).Ueberweisungen(monat);
        for (const Empfang &e : empfaenge(*k.teilhaber, *k.daten, ueberweisungen))
            if (!e.iban.isEmpty()) {
                ++datei.anzahl;
                datei.summe = GeldPlus(datei.summe, AufCent(e.ueberweisung->betrag));
            }
    } else {
        datei.name = QStringLiteral("Lastschriften%1.xml").arg(monat);
        datei.inhalt = LastschriftXml(monat, tag, &datei.ohne, &datei.anzahl, &datei.summe);
    }
    if (schreiben) {
        if (datei.inhalt.isEmpty())
            throw VennlokFehler(art == TBankdatei::Ueberweisungen
                                    ? QStringLiteral("Im Monat %1 gibt es keine Auszahlung an einen Empfänger mit gültiger IBAN.").arg(monat)
                                    : QStringLiteral("Im Monat %1 ist von keinem Teilhaber mit vollständigem Mandat etwas einzuziehen.").arg(monat));
        k.transaktion(QString(), [&] { k.speicher->Schreiben(k.Pfad(datei.name), datei.inhalt); });
    }
    return datei;
}

QByteArray TBankdateien::LastschriftXml(const MonthKey &monat, const QDate &faellig, QStringList *ohneMandat, int *anzahl,
                                        Money *summe)
{
    const TVennlokDaten::Konto konto = k.daten->PaktKonto();
    if (!PaktKontoEingetragen())
        throw VennlokFehler(QStringLiteral("Ohne Konto des Pakts gibt es keine Lastschriftdatei: Kontoinhaber und IBAN des Pakts "
                                           "werden in der demokratischen Anpassung eingetragen."));
    if (konto.glaeubigerId.isEmpty() || !Bankdaten::GlaeubigerIdFehler(konto.glaeubigerId).isEmpty())
        throw VennlokFehler(QStringLiteral("Ohne Gläubiger-Identifikationsnummer des Pakts gibt es keine Lastschriften: sie wird "
                                           "in der demokratischen Anpassung beim Konto des Pakts eingetragen."));
    const QDate heute = Textformat::zuQDateTime(Uhr::Jetzt()).date();
    const QDate fruehestens = Bankdaten::NaechsterBankarbeitstag(heute);
    if (!faellig.isValid() || faellig < fruehestens || Bankdaten::NaechsterBankarbeitstag(faellig.addDays(-1)) != faellig)
        throw VennlokFehler(QStringLiteral("Der Fälligkeitstag %1 geht nicht: er muss ein Bankarbeitstag sein, frühestens der %2.")
                                .arg(faellig.toString(QStringLiteral("dd.MM.yyyy")), fruehestens.toString(QStringLiteral("dd.MM.yyyy"))));
    if (!MonatGueltig(monat) || monat > k.Buchungsmonat())
        throw VennlokFehler(QStringLiteral("Für den Monat %1 gibt es keine Lastschriften: er ist noch nicht offen.").arg(Textformat::zitat(monat)));
    // A mandate already collected from in an earlier file goes on as RCUR.
    QSet<QString> eingezogen;
    static const QRegularExpression mandat(QStringLiteral("<MndtId>([^<]*)</MndtId>"));
    for (const QString &frueher : k.speicher->Liste(QStringLiteral("Lastschriften*.xml"))) {
        if (frueher.mid(13, 6) >= monat)
            continue;
        const QString text = QString::fromUtf8(k.speicher->Lesen(k.Pfad(frueher)).value_or(QByteArray()));
        for (auto it = mandat.globalMatch(text); it.hasNext();)
            eingezogen.insert(it.next().captured(1));
    }
    struct Einzug
    {
        QString datei, name, iban, bic, mandat, datum;
        Money betrag;
    };
    QList<Einzug> erst, folge;
    QStringList ohne;
    const Money beitrag = monat == k.Buchungsmonat() ? k.daten->Beitrag() : k.daten->MonatBeitrag(monat);
    for (const QString &mitglied : k.teilhaber->Mitglieder()) {
        const TTeilhaber &t = k.teilhaber->Teilhaber(mitglied);
        const Money fehlt = GeldPlus(beitrag, -t.Einzahlungen(monat));
        if (AufCent(fehlt) <= 0)
            continue;
        const QString iban = Bankdaten::IbanNormal(t.Adresse(QStringLiteral("IBAN")));
        const QString ref = t.Adresse(QStringLiteral("Mandatsreferenz")).trimmed();
        const auto datum = Textformat::textZuDateTime(t.Adresse(QStringLiteral("Mandatsdatum")).trimmed());
        if (iban.isEmpty() && ref.isEmpty())
            continue; // pays by transfer
        if (!Bankdaten::IbanFehler(iban).isEmpty() || ref.isEmpty() || !Bankdaten::MandatsreferenzFehler(ref).isEmpty() || !datum) {
            if (!ref.isEmpty())
                ohne.append(t.Anzeigename());
            continue;
        }
        const QString inhaber = t.Adresse(QStringLiteral("Kontoinhaber")).trimmed();
        const Einzug e{mitglied, Bankdaten::SepaText(inhaber.isEmpty() ? t.Anzeigename() : inhaber, 70),
                       iban, Bankdaten::AngabeNormal(Bic, t.Adresse(Bic)), ref,
                       Textformat::zuQDateTime(*datum).date().toString(Qt::ISODate), AufCent(fehlt)};
        (eingezogen.contains(ref) ? folge : erst).append(e);
    }
    if (ohneMandat)
        *ohneMandat = ohne;
    if (erst.isEmpty() && folge.isEmpty())
        return QByteArray();
    Money gesamt = 0;
    for (const QList<Einzug> *liste : {&erst, &folge})
        for (const Einzug &e : *liste)
            gesamt = GeldPlus(gesamt, e.betrag);
    if (anzahl)
        *anzahl = int(erst.size() + folge.size());
    if (summe)
        *summe = gesamt;
    const QString kennung = QStringLiteral("VD%1-%2-%3")
                                .arg(monat, QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmsszzz")))
                                .arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'))
                                .toUpper();
    const QString glaeubiger = Bankdaten::SepaText(konto.inhaber, 70);
    QByteArray xml;
    QXmlStreamWriter w(&xml);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeDefaultNamespace(QStringLiteral("urn:iso:std:iso:20022:tech:xsd:pain.008.001.08"));
    w.writeStartElement(QStringLiteral("Document"));
    w.writeStartElement(QStringLiteral("CstmrDrctDbtInitn"));
    w.writeStartElement(QStringLiteral("GrpHdr"));
    w.writeTextElement(QStringLiteral("MsgId"), kennung);
    w.writeTextElement(QStringLiteral("CreDtTm"), Textformat::zuQDateTime(Uhr::Jetzt()).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")));
    w.writeTextElement(QStringLiteral("NbOfTxs"), QString::number(erst.size() + folge.size()));
    w.writeTextElement(QStringLiteral("CtrlSum"), euro(gesamt));
    blatt(w, {QStringLiteral("InitgPty"), QStringLiteral("Nm")}, glaeubiger);
    w.writeEndElement(); // GrpHdr
    int block = 0;
    for (const auto &[liste, art] : {std::pair{&erst, QStringLiteral("FRST")}, std::pair{&folge, QStringLiteral("RCUR")}}) {
        if (liste->isEmpty())
            continue;
        Money teil = 0;
        for (const Einzug &e : *liste)
            teil = GeldPlus(teil, e.betrag);
        w.writeStartElement(QStringLiteral("PmtInf"));
        w.writeTextElement(QStringLiteral("PmtInfId"), kennung.left(33) + QLatin1Char('-') + QString::number(++block));
        w.writeTextElement(QStringLiteral("PmtMtd"), QStringLiteral("DD"));
        w.writeTextElement(QStringLiteral("NbOfTxs"), QString::number(liste->size()));
        w.writeTextElement(QStringLiteral("CtrlSum"), euro(teil));
        w.writeStartElement(QStringLiteral("PmtTpInf"));
        blatt(w, {QStringLiteral("SvcLvl"), QStringLiteral("Cd")}, QStringLiteral("SEPA"));
        blatt(w, {QStringLiteral("LclInstrm"), QStringLiteral("Cd")}, QStringLiteral("CORE"));
        w.writeTextElement(QStringLiteral("SeqTp"), art);
        w.writeEndElement(); // PmtTpInf
        w.writeTextElement(QStringLiteral("ReqdColltnDt"), faellig.toString(Qt::ISODate));
        blatt(w, {QStringLiteral("Cdtr"), QStringLiteral("Nm")}, glaeubiger);
        blatt(w, {QStringLiteral("CdtrAcct"), QStringLiteral("Id"), Iban}, Bankdaten::AngabeNormal(Iban, konto.iban));
        const QString bic = Bankdaten::AngabeNormal(Bic, konto.bic);
        if (bic.isEmpty() || !Bankdaten::BicFehler(bic).isEmpty())
            blatt(w, {QStringLiteral("CdtrAgt"), QStringLiteral("FinInstnId"), QStringLiteral("Othr"), QStringLiteral("Id")},
                  QStringLiteral("NOTPROVIDED"));
        else
            blatt(w, {QStringLiteral("CdtrAgt"), QStringLiteral("FinInstnId"), QStringLiteral("BICFI")}, bic);
        w.writeTextElement(QStringLiteral("ChrgBr"), QStringLiteral("SLEV"));
        w.writeStartElement(QStringLiteral("CdtrSchmeId"));
        w.writeStartElement(QStringLiteral("Id"));
        w.writeStartElement(QStringLiteral("PrvtId"));
        w.writeStartElement(QStringLiteral("Othr"));
        w.writeTextElement(QStringLiteral("Id"), konto.glaeubigerId);
        blatt(w, {QStringLiteral("SchmeNm"), QStringLiteral("Prtry")}, QStringLiteral("SEPA"));
        w.writeEndElement(); // Othr
        w.writeEndElement(); // PrvtId
        w.writeEndElement(); // Id
        w.writeEndElement(); // CdtrSchmeId
        for (const Einzug &e : *liste) {
            w.writeStartElement(QStringLiteral("DrctDbtTxInf"));
            blatt(w, {QStringLiteral("PmtId"), QStringLiteral("EndToEndId")}, TBankabgleich::LastschriftKennung(monat, e.datei));
            w.writeStartElement(QStringLiteral("InstdAmt"));
            w.writeAttribute(QStringLiteral("Ccy"), QStringLiteral("EUR"));
            w.writeCharacters(euro(e.betrag));
            w.writeEndElement();
            w.writeStartElement(QStringLiteral("DrctDbtTx"));
            w.writeStartElement(QStringLiteral("MndtRltdInf"));
            w.writeTextElement(QStringLiteral("MndtId"), e.mandat);
            w.writeTextElement(QStringLiteral("DtOfSgntr"), e.datum);
            w.writeEndElement(); // MndtRltdInf
            w.writeEndElement(); // DrctDbtTx
            if (!e.bic.isEmpty() && Bankdaten::BicFehler(e.bic).isEmpty())
                blatt(w, {QStringLiteral("DbtrAgt"), QStringLiteral("FinInstnId"), QStringLiteral("BICFI")}, e.bic);
            else
                blatt(w, {QStringLiteral("DbtrAgt"), QStringLiteral("FinInstnId"), QStringLiteral("Othr"), QStringLiteral("Id")},
                      QStringLiteral("NOTPROVIDED"));
            blatt(w, {QStringLiteral("Dbtr"), QStringLiteral("Nm")}, e.name);
            blatt(w, {QStringLiteral("DbtrAcct"), QStringLiteral("Id"), Iban}, e.iban);
            blatt(w, {QStringLiteral("RmtInf"), QStringLiteral("Ustrd")},
                  Bankdaten::SepaText(QStringLiteral("Vennlok %1 Beitrag %2").arg(monat, k.teilhaber->Teilhaber(e.datei).Anzeigename()), 140));
            w.writeEndElement(); // DrctDbtTxInf
        }
        w.writeEndElement(); // PmtInf
    }
    w.writeEndDocument();
    if (const QString fehler = Plattform::SchemaFehler(xml, schema(QStringLiteral("pain.008.001.08_GBIC_4.xsd"))); !fehler.isEmpty())
        throw VennlokFehler(QStringLiteral("Die Lastschriftdatei des Monats %1 entspricht nicht dem Schema der Bank und wird "
                                           "nicht geschrieben: %2").arg(monat, fehler),
                            QStringLiteral("Lastschriften%1.xml").arg(monat));
    return xml;
}
