#include "data/camt.h"

#include "algo/fehler.h"
#include "data/bankdaten.h"

#include <QRegularExpression>
#include <QXmlStreamReader>
#include <algorithm>
#include <memory>
#include <vector>

namespace Camt {

namespace {

// The document as a tree of elements by local name: both versions differ in
// their namespace and in a few paths, not in the names read here.
struct Knoten
{
    QString name;
    QString text;
    QString waehrung; // the "Ccy" attribute of an amount
    std::vector<std::unique_ptr<Knoten>> kinder;

    const Knoten *kind(const QString &n) const
    {
        for (const auto &k : kinder)
            if (k->name == n)
                return k.get();
        return nullptr;
    }

    // The element at pfad ("Refs/EndToEndId"), or none.
    const Knoten *pfad(const QString &p) const
    {
        const Knoten *k = this;
        for (const QString &teil : p.split(QLatin1Char('/'))) {
            k = k->kind(teil);
            if (!k)
                return nullptr;
        }
        return k;
    }

    QString wert(const QString &p) const
    {
        const Knoten *k = pfad(p);
        return k ? k->text.trimmed() : QString();
    }

    // The first of several paths that holds a text.
    QString ersterWert(std::initializer_list<const char *> pfade) const
    {
        for (const char *p : pfade)
            if (const QString w = wert(QLatin1String(p)); !w.isEmpty())
                return w;
        return QString();
    }

    std::vector<const Knoten *> alle(const QString &n) const
    {
        std::vector<const Knoten *> liste;
        for (const auto &k : kinder)
            if (k->name == n)
                liste.push_back(k.get());
        return liste;
    }
};

std::unique_ptr<Knoten> baum(const QByteArray &xml)
{
    QXmlStreamReader leser(xml);
    auto wurzel = std::make_unique<Knoten>();
    std::vector<Knoten *> stapel{wurzel.get()};
    while (!leser.atEnd()) {
        leser.readNext();
        if (leser.isStartElement()) {
            auto k = std::make_unique<Knoten>();
            k->name = leser.name().toString();
            k->waehrung = leser.attributes().value(QStringLiteral("Ccy")).toString();
            Knoten *roh = k.get();
            stapel.back()->kinder.push_back(std::move(k));
            stapel.push_back(roh);
        } else if (leser.isEndElement()) {
            stapel.pop_back();
        } else if (leser.isCharacters() && stapel.size() > 1) {
            stapel.back()->text += leser.text();
        }
    }
    if (leser.hasError())
        throw VennlokFehler(QStringLiteral("Der Kontoauszug ist kein wohlgeformtes XML (Zeile %1: %2).")
                                .arg(leser.lineNumber())
                                .arg(leser.errorString()));
    return wurzel;
}

// "1234.5" in euros, exactly, as Money.
Money betragAus(const Knoten *k, const QString &wo)
{
    if (!k)
        throw VennlokFehler(QStringLiteral("%1: der Betrag fehlt.").arg(wo));
    if (k->waehrung != QLatin1String("EUR"))
        throw VennlokFehler(QStringLiteral("%1: der Betrag ist nicht in Euro (%2). Ein Pakt führt sein Konto in Euro.")
                                .arg(wo, k->waehrung));
    static const QRegularExpression form(QStringLiteral("^(\\d{1,12})(?:\\.(\\d{1,4}))?$"));
    const auto m = form.match(k->text.trimmed());
    if (!m.hasMatch())
        throw VennlokFehler(QStringLiteral("%1: \u201E%2\u201C ist kein Betrag.").arg(wo, k->text.trimmed()));
    const Money euro = m.captured(1).toLongLong();
    const Money teile = m.captured(2).leftJustified(4, QLatin1Char('0')).toLongLong();
    return euro * MoneyProEinheit + teile;
}

Money mitVorzeichen(Money betrag, const QString &soll)
{
    return soll == QLatin1String("DBIT") ? -betrag : betrag;
}

QDate tagAus(const Knoten *k)
{
    if (!k)
        return QDate();
    const QString text = k->ersterWert({"Dt", "DtTm"});
    return QDate::fromString(text.left(10), Qt::ISODate);
}

// A reference packed into the text the German way: "EREF+ABC" or "EREF: ABC".
QString ausText(const QString &text, const QString &kennung)
{
    const QRegularExpression muster(QStringLiteral("%1[+:]\\s*(\\S+)").arg(kennung));
    const auto m = muster.match(text);
    return m.hasMatch() ? m.captured(1) : QString();
}

// The remittance text without the packed references: the "SVWZ+" part where there is one.
QString verwendungszweck(const QString &text)
{
    const qsizetype svwz = text.indexOf(QLatin1String("SVWZ+"));
    if (svwz >= 0) {
        QString rest = text.mid(svwz + 5);
        static const QRegularExpression naechste(QStringLiteral("\\s[A-Z]{4}\\+"));
        const auto m = naechste.match(rest);
        return (m.hasMatch() ? rest.left(m.capturedStart()) : rest).trimmed();
    }
    return text.trimmed();
}

Saldo saldo(const Knoten &stmt, std::initializer_list<const char *> codes)
{
    for (const char *code : codes)
        for (const Knoten *bal : stmt.alle(QStringLiteral("Bal")))
            if (bal->ersterWert({"Tp/CdOrPrtry/Cd", "Tp/CdOrPrtry/Prtry"}) == QLatin1String(code))
                return {true, tagAus(bal->kind(QStringLiteral("Dt"))),
                        mitVorzeichen(betragAus(bal->kind(QStringLiteral("Amt")), QStringLiteral("Saldo %1").arg(QLatin1String(code))),
                                      bal->wert(QStringLiteral("CdtDbtInd")))};
    return {};
}

} // namespace

QString Version(const QByteArray &xml)
{
    static const QRegularExpression ns(QStringLiteral("urn:iso:std:iso:20022:tech:xsd:camt\\.053\\.(001\\.0[28])"));
    QXmlStreamReader leser(xml);
    while (!leser.atEnd()) {
        leser.readNext();
        if (leser.isStartElement()) {
            const auto m = ns.match(leser.namespaceUri().toString());
            return m.hasMatch() && leser.name() == QLatin1String("Document") ? m.captured(1) : QString();
        }
    }
    return QString();
}

Auszug Lesen(const QByteArray &xml)
{
    Auszug auszug;
    auszug.version = Version(xml);
    const std::unique_ptr<Knoten> wurzel = baum(xml);
    const Knoten *nachricht = wurzel->pfad(QStringLiteral("Document/BkToCstmrStmt"));
    if (auszug.version.isEmpty() || !nachricht)
        throw VennlokFehler(QStringLiteral("Die Datei ist kein Kontoauszug im Format camt.053 (Version 001.02 oder 001.08)."));
    int nr = 0;
    for (const Knoten *stmt : nachricht->alle(QStringLiteral("Stmt"))) {
        const QString iban = Bankdaten::IbanNormal(stmt->wert(QStringLiteral("Acct/Id/IBAN")));
        if (!auszug.iban.isEmpty() && iban != auszug.iban)
            throw VennlokFehler(QStringLiteral("Die Datei enthält Auszüge zweier Konten (%1 und %2).").arg(auszug.iban, iban));
        auszug.iban = iban;
        if (!auszug.anfang.bekannt)
            auszug.anfang = saldo(*stmt, {"OPBD", "PRCD"});
        if (const Saldo s = saldo(*stmt, {"CLBD"}); s.bekannt)
            auszug.schluss = s;
        for (const Knoten *ntry : stmt->alle(QStringLiteral("Ntry"))) {
            const QString wo = QStringLiteral("Posten %1").arg(nr + 1);
            const QString soll = ntry->wert(QStringLiteral("CdtDbtInd"));
            const Money gesamt = betragAus(ntry->kind(QStringLiteral("Amt")), wo);
            const QString status = ntry->ersterWert({"Sts/Cd", "Sts"});
            const QDate tag = tagAus(ntry->kind(QStringLiteral("BookgDt"))).isValid() ? tagAus(ntry->kind(QStringLiteral("BookgDt")))
                                                                                       : tagAus(ntry->kind(QStringLiteral("ValDt")));
            const QString eintragsReferenz = ntry->wert(QStringLiteral("AcctSvcrRef"));
            std::vector<const Knoten *> details;
            for (const Knoten *d : ntry->alle(QStringLiteral("NtryDtls")))
                for (const Knoten *tx : d->alle(QStringLiteral("TxDtls")))
                    details.push_back(tx);
            // A batch whose details carry no amounts of their own stays one line.
            const auto betragVon = [](const Knoten *tx) {
                const Knoten *b = tx->pfad(QStringLiteral("AmtDtls/TxAmt/Amt"));
                return b ? b : tx->kind(QStringLiteral("Amt"));
            };
            const Knoten leer;
            if (details.size() > 1 && std::any_of(details.begin(), details.end(), [&](const Knoten *tx) { return !betragVon(tx); }))
                details.clear();
            if (details.empty())
                details.push_back(&leer);
            for (size_t i = 0; i < details.size(); ++i) {
                const Knoten &tx = *details[i];
                Buchung b;
                b.nr = ++nr;
                b.buchungstag = tag;
                b.gebucht = status.isEmpty() || status == QLatin1String("BOOK");
                b.storno = ntry->wert(QStringLiteral("RvslInd")) == QLatin1String("true");
                const Knoten *einzeln = details.size() > 1 ? betragVon(&tx) : nullptr;
                b.betrag = mitVorzeichen(einzeln ? betragAus(einzeln, wo) : gesamt,
                                         tx.wert(QStringLiteral("CdtDbtInd")).isEmpty() ? soll : tx.wert(QStringLiteral("CdtDbtInd")));
                // The party on the other side: who paid a credit, who received a debit.
                const bool haben = b.betrag >= 0;
                const QString seite = haben ? QStringLiteral("Dbtr") : QStringLiteral("Cdtr");
                b.partei = tx.ersterWert({haben ? "RltdPties/Dbtr/Pty/Nm" : "RltdPties/Cdtr/Pty/Nm",
                                          haben ? "RltdPties/Dbtr/Nm" : "RltdPties/Cdtr/Nm"});
                b.iban = Bankdaten::IbanNormal(tx.wert(QStringLiteral("RltdPties/%1Acct/Id/IBAN").arg(seite)));
                QStringList zeilen;
                if (const Knoten *rmt = tx.kind(QStringLiteral("RmtInf")))
                    for (const Knoten *u : rmt->alle(QStringLiteral("Ustrd")))
                        zeilen.append(u->text.trimmed());
                QString roh = zeilen.join(QLatin1Char(' '));
                if (roh.isEmpty())
                    roh = tx.wert(QStringLiteral("AddtlTxInf"));
                if (roh.isEmpty())
                    roh = ntry->wert(QStringLiteral("AddtlNtryInf"));
                b.text = verwendungszweck(roh);
                b.endToEndId = tx.wert(QStringLiteral("Refs/EndToEndId"));
                if (b.endToEndId.isEmpty() || b.endToEndId == QLatin1String("NOTPROVIDED"))
                    b.endToEndId = ausText(roh, QStringLiteral("EREF"));
                if (b.endToEndId == QLatin1String("NOTPROVIDED"))
                    b.endToEndId.clear();
                b.mandat = tx.wert(QStringLiteral("Refs/MndtId"));
                if (b.mandat.isEmpty())
                    b.mandat = ausText(roh, QStringLiteral("MREF"));
                b.rueckgabe = tx.ersterWert({"RtrInf/Rsn/Cd", "RtrInf/Rsn/Prtry"});
                const QString eigene = tx.wert(QStringLiteral("Refs/AcctSvcrRef"));
                b.referenz = !eigene.isEmpty() ? eigene
                             : eintragsReferenz.isEmpty() ? QString()
                             : details.size() > 1 ? eintragsReferenz + QLatin1Char('/') + QString::number(i + 1)
                                                  : eintragsReferenz;
                auszug.buchungen.append(b);
            }
        }
    }
    return auszug;
}

} // namespace Camt
