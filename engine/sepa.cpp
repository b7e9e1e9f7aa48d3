// Bank transfers: the pact's account, the participants' IBANs and the SEPA
// credit transfer file of a month's payouts.

#include "engine/vennlok.h"

#include "algo/fehler.h"
#include "algo/runden.h"
#include "data/bankdaten.h"
#include "data/uhr.h"
#include "engine/intern.h"
#include "engine/teilhaberregister.h"

#include <QXmlStreamWriter>

using namespace Intern;

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

// The participant paid as name: a member or one who left.
const TTeilhaber *empfaenger(TTeilhaberRegister &register_, const QString &name)
{
    QString datei = register_.Datei(name);
    for (const QString &x : register_.Ausgetretene())
        if (datei.isEmpty() && NameAusDateiname(x) == name)
            datei = x;
    return datei.isEmpty() ? nullptr : &register_.Teilhaber(datei);
}

// The payee's IBAN when it is valid; empty otherwise.
QString gueltigeIban(const TTeilhaber *t)
{
    const QString iban = t ? Bankdaten::IbanNormal(t->Adresse(Iban)) : QString();
    return Bankdaten::IbanFehler(iban).isEmpty() ? iban : QString();
}

struct Posten
{
    QString name, iban, bic, zweck;
    Money betrag;
};

} // namespace

TVennlokDaten::Konto TVennlok::PaktKonto() const
{
    return m_daten->PaktKonto();
}

QString TVennlok::PaktKontoSetzen(const QString &inhaber, const QString &iban, const QString &bic)
{
    if (inhaber.trimmed().isEmpty())
        return QStringLiteral("Der Kontoinhaber des Pakts fehlt.");
    if (const QString fehler = Bankdaten::IbanFehler(iban); !fehler.isEmpty())
        return QStringLiteral("Konto des Pakts: ") + fehler;
    if (const QString fehler = Bankdaten::BicFehler(bic); !fehler.isEmpty())
        return QStringLiteral("Konto des Pakts: ") + fehler;
    const TVennlokDaten::Konto konto{inhaber.trimmed(), Bankdaten::IbanNormal(iban), bic.trimmed().toUpper()};
    transaktion(QString(), [&] {
        datenAendern([&] {
            m_daten->SetPaktKonto(konto);
            m_daten->UpdateFile();
        });
        log(QStringLiteral("Konto,%1,%2,%3").arg(fuerLog(konto.inhaber), konto.iban, konto.bic));
    });
    return QString();
}

QStringList TVennlok::OhneIban(const MonthKey &monat)
{
    QStringList ohne;
    for (const TUeberweisung &u : Ueberweisungen(monat))
        if (!u.name.isEmpty() && AufCent(u.betrag) > 0 && gueltigeIban(empfaenger(*m_register, u.name)).isEmpty()
            && !ohne.contains(u.name))
            ohne.append(u.name);
    return ohne;
}

QByteArray TVennlok::SepaDatei(const MonthKey &monat, const QDate &ausfuehrung, QStringList *ohneIban)
{
    if (!m_daten->ArchivierteMonate().contains(monat))
        throw VennlokFehler(QStringLiteral("Der Monat %1 ist nicht abgeschlossen.").arg(Textformat::zitat(monat)));
    const TVennlokDaten::Konto konto = m_daten->PaktKonto();
    if (!Bankdaten::IbanFehler(konto.iban).isEmpty() || konto.inhaber.isEmpty())
        throw VennlokFehler(QStringLiteral("Ohne Konto des Pakts gibt es keine SEPA-Datei: Kontoinhaber und IBAN des Pakts "
                                           "werden in der demokratischen Anpassung eingetragen."));
    // The participants' payouts; the trustee's fees are not paid from here.
    QList<Posten> posten;
    for (const TUeberweisung &u : Ueberweisungen(monat)) {
        if (u.name.isEmpty() || AufCent(u.betrag) <= 0)
            continue;
        const TTeilhaber *t = empfaenger(*m_register, u.name);
        const QString iban = gueltigeIban(t);
        if (iban.isEmpty()) {
            if (ohneIban && !ohneIban->contains(u.name))
                ohneIban->append(u.name);
            continue;
        }
        const QString inhaber = t->Adresse(Kontoinhaber).isEmpty() ? QString(u.name).replace(QLatin1Char('_'), QLatin1Char(' '))
                                                                   : t->Adresse(Kontoinhaber);
        posten.append({Bankdaten::SepaText(inhaber, 70), iban, t->Adresse(Bic).trimmed().toUpper(),
                       Bankdaten::SepaText(QStringLiteral("Vennlok %1 Auszahlung %2").arg(monat, u.name), 140), u.betrag});
    }
    if (posten.isEmpty())
        return QByteArray(); // a file without a transfer is not valid
    Money summe = 0;
    for (const Posten &p : posten)
        summe = GeldPlus(summe, AufCent(p.betrag));
    const QDateTime jetzt = Textformat::zuQDateTime(Uhr::Jetzt());
    const QString kennung = QStringLiteral("VENNLOK-%1-%2").arg(monat, jetzt.toString(QStringLiteral("yyyyMMddHHmmss")));

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
    w.writeStartElement(QStringLiteral("InitgPty"));
    w.writeTextElement(QStringLiteral("Nm"), Bankdaten::SepaText(konto.inhaber, 70));
    w.writeEndElement();
    w.writeEndElement(); // GrpHdr
    w.writeStartElement(QStringLiteral("PmtInf"));
    w.writeTextElement(QStringLiteral("PmtInfId"), kennung);
    w.writeTextElement(QStringLiteral("PmtMtd"), QStringLiteral("TRF"));
    w.writeTextElement(QStringLiteral("NbOfTxs"), QString::number(posten.size()));
    w.writeTextElement(QStringLiteral("CtrlSum"), euro(summe));
    w.writeStartElement(QStringLiteral("PmtTpInf"));
    w.writeStartElement(QStringLiteral("SvcLvl"));
    w.writeTextElement(QStringLiteral("Cd"), QStringLiteral("SEPA"));
    w.writeEndElement();
    w.writeEndElement();
    w.writeStartElement(QStringLiteral("ReqdExctnDt"));
    w.writeTextElement(QStringLiteral("Dt"), ausfuehrung.toString(Qt::ISODate));
    w.writeEndElement();
    w.writeStartElement(QStringLiteral("Dbtr"));
    w.writeTextElement(QStringLiteral("Nm"), Bankdaten::SepaText(konto.inhaber, 70));
    w.writeEndElement();
    w.writeStartElement(QStringLiteral("DbtrAcct"));
    w.writeStartElement(QStringLiteral("Id"));
    w.writeTextElement(Iban, konto.iban);
    w.writeEndElement();
    w.writeEndElement();
    w.writeStartElement(QStringLiteral("DbtrAgt"));
    w.writeStartElement(QStringLiteral("FinInstnId"));
    if (konto.bic.isEmpty()) {
        w.writeStartElement(QStringLiteral("Othr"));
        w.writeTextElement(QStringLiteral("Id"), QStringLiteral("NOTPROVIDED"));
        w.writeEndElement();
    } else {
        w.writeTextElement(QStringLiteral("BICFI"), konto.bic);
    }
    w.writeEndElement();
    w.writeEndElement();
    w.writeTextElement(QStringLiteral("ChrgBr"), QStringLiteral("SLEV"));
    int nr = 0;
    for (const Posten &p : posten) {
        w.writeStartElement(QStringLiteral("CdtTrfTxInf"));
        w.writeStartElement(QStringLiteral("PmtId"));
        w.writeTextElement(QStringLiteral("EndToEndId"), QStringLiteral("VENNLOK-%1-%2").arg(monat).arg(++nr, 5, 10, QLatin1Char('0')));
        w.writeEndElement();
        w.writeStartElement(QStringLiteral("Amt"));
        w.writeStartElement(QStringLiteral("InstdAmt"));
        w.writeAttribute(QStringLiteral("Ccy"), QStringLiteral("EUR"));
        w.writeCharacters(euro(p.betrag));
        w.writeEndElement();
        w.writeEndElement();
        if (Bankdaten::BicFehler(p.bic).isEmpty() && !p.bic.isEmpty()) {
            w.writeStartElement(QStringLiteral("CdtrAgt"));
            w.writeStartElement(QStringLiteral("FinInstnId"));
            w.writeTextElement(QStringLiteral("BICFI"), p.bic);
            w.writeEndElement();
            w.writeEndElement();
        }
        w.writeStartElement(QStringLiteral("Cdtr"));
        w.writeTextElement(QStringLiteral("Nm"), p.name);
        w.writeEndElement();
        w.writeStartElement(QStringLiteral("CdtrAcct"));
        w.writeStartElement(QStringLiteral("Id"));
        w.writeTextElement(Iban, p.iban);
        w.writeEndElement();
        w.writeEndElement();
        w.writeStartElement(QStringLiteral("RmtInf"));
        w.writeTextElement(QStringLiteral("Ustrd"), p.zweck);
        w.writeEndElement();
        w.writeEndElement(); // CdtTrfTxInf
    }
    w.writeEndDocument();
    return xml;
}

void TVennlok::sepaSchreiben(const MonthKey &monat, DateTime datum)
{
    if (!Bankdaten::IbanFehler(m_daten->PaktKonto().iban).isEmpty())
        return; // without the pact's account there is no file to write
    const QDate ausfuehrung = Bankdaten::NaechsterBankarbeitstag(Textformat::zuQDateTime(datum).date());
    const QByteArray xml = SepaDatei(monat, ausfuehrung);
    if (!xml.isEmpty())
        m_speicher->Schreiben(Pfad(sepaDateiname(monat)), xml);
}

QString TVennlok::SepaNeuSchreiben(const MonthKey &monat, const QDate &ausfuehrung, QStringList *ohneIban)
{
    const QByteArray xml = SepaDatei(monat, ausfuehrung, ohneIban);
    if (xml.isEmpty())
        throw VennlokFehler(QStringLiteral("Im Monat %1 gibt es keine Auszahlung an einen Teilhaber mit gültiger IBAN.").arg(monat));
    transaktion(QString(), [&] { m_speicher->Schreiben(Pfad(sepaDateiname(monat)), xml); });
    return sepaDateiname(monat);
}
