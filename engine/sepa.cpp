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
#include <QRandomGenerator>
#include <QXmlStreamWriter>
#include <functional>

using namespace Intern;

QByteArray Intern::schema(const QString &datei)
{
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
            QString datei = register_.Datei(u.name);
            if (datei.isEmpty())
                datei = register_.AusgetreteneDatei(u.name);
            const TTeilhaber *t = datei.isEmpty() ? nullptr : &register_.Teilhaber(datei);
            angabe = [t](const QString &s) { return t ? t->Adresse(s) : QString(); };
            e.wer = u.name;
        }
        // The first holder that the bank's character set can carry: the
        // account's holder, else the name, else (the trustee's) his title. A
        // file edited by hand may leave none: the schema check then refuses.
        const QStringList inhaber = u.name.isEmpty()
                                        ? QStringList{angabe(Kontoinhaber).trimmed(), angabe(QStringLiteral("Name")).trimmed(), Treuhaender}
                                        : QStringList{angabe(Kontoinhaber).trimmed(), QString(u.name).replace(QLatin1Char('_'), QLatin1Char(' '))};
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
                                               : QStringLiteral("Vennlok %1 Auszahlung %2").arg(monat, u.name);
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

QString TBankdateien::SepaNeuSchreiben(const MonthKey &monat, const QDate &ausfuehrung, QStringList *ohneIban)
{
    const QByteArray xml = SepaDatei(monat, ausfuehrung, ohneIban);
    if (xml.isEmpty())
        throw VennlokFehler(QStringLiteral("Im Monat %1 gibt es keine Auszahlung an einen Empfänger mit gültiger IBAN.").arg(monat));
    k.transaktion(QString(), [&] { k.speicher->Schreiben(k.Pfad(sepaDateiname(monat)), xml); });
    return sepaDateiname(monat);
}
