#pragma once

// Bank statements for tests, in the form banks deliver them (camt.053,
// version 001.02 or 001.08): one entry per transaction, the closing balance
// the opening balance plus every entry.

#include "algo/typen.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

namespace Testhilfe {

struct Bankbuchung
{
    Money betrag = 0; // positive for a credit
    QDate tag;
    QString partei, iban, text, endToEndId, referenz, rueckgabe;
    bool vorgemerkt = false;
};

inline QString bankBetrag(Money betrag)
{
    const Money cent = (betrag < 0 ? -betrag : betrag) / 100;
    return QStringLiteral("%1.%2").arg(cent / 100).arg(cent % 100, 2, 10, QLatin1Char('0'));
}

inline QByteArray kontoauszug(const QString &version, const QString &iban, Money anfang, const QList<Bankbuchung> &buchungen,
                              const QDate &von = QDate(2006, 4, 1), const QDate &bis = QDate(2006, 4, 30))
{
    const bool neu = version == QLatin1String("001.08");
    const auto esc = [](QString t) { return t.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;"); };
    Money schluss = anfang;
    QString eintraege;
    for (const Bankbuchung &b : buchungen) {
        schluss += b.betrag;
        const bool haben = b.betrag >= 0;
        const QString seite = haben ? QStringLiteral("Dbtr") : QStringLiteral("Cdtr");
        const QString status = b.vorgemerkt ? QStringLiteral("PDNG") : QStringLiteral("BOOK");
        QString e = QStringLiteral("<Ntry><Amt Ccy=\"EUR\">%1</Amt><CdtDbtInd>%2</CdtDbtInd>%3"
                                   "<BookgDt><Dt>%4</Dt></BookgDt><ValDt><Dt>%4</Dt></ValDt>")
                        .arg(bankBetrag(b.betrag), haben ? QStringLiteral("CRDT") : QStringLiteral("DBIT"),
                             neu ? QStringLiteral("<Sts><Cd>%1</Cd></Sts>").arg(status) : QStringLiteral("<Sts>%1</Sts>").arg(status),
                             b.tag.toString(Qt::ISODate));
        if (!b.referenz.isEmpty())
            e += QStringLiteral("<AcctSvcrRef>%1</AcctSvcrRef>").arg(esc(b.referenz));
        e += QStringLiteral("<BkTxCd><Domn><Cd>PMNT</Cd><Fmly><Cd>RCDT</Cd><SubFmlyCd>ESCT</SubFmlyCd></Fmly></Domn></BkTxCd>");
        e += QStringLiteral("<NtryDtls><TxDtls><Refs><EndToEndId>%1</EndToEndId></Refs>")
                 .arg(b.endToEndId.isEmpty() ? QStringLiteral("NOTPROVIDED") : esc(b.endToEndId));
        if (!b.partei.isEmpty() || !b.iban.isEmpty()) {
            e += QStringLiteral("<RltdPties>");
            if (!b.partei.isEmpty())
                e += neu ? QStringLiteral("<%1><Pty><Nm>%2</Nm></Pty></%1>").arg(seite, esc(b.partei))
                         : QStringLiteral("<%1><Nm>%2</Nm></%1>").arg(seite, esc(b.partei));
            if (!b.iban.isEmpty())
                e += QStringLiteral("<%1Acct><Id><IBAN>%2</IBAN></Id></%1Acct>").arg(seite, b.iban);
            e += QStringLiteral("</RltdPties>");
        }
        if (!b.text.isEmpty())
            e += QStringLiteral("<RmtInf><Ustrd>%1</Ustrd></RmtInf>").arg(esc(b.text));
        if (!b.rueckgabe.isEmpty())
            e += QStringLiteral("<RtrInf><Rsn><Cd>%1</Cd></Rsn></RtrInf>").arg(b.rueckgabe);
        eintraege += e + QStringLiteral("</TxDtls></NtryDtls></Ntry>\n");
    }
    const auto saldo = [](const char *code, Money betrag, const QDate &tag) {
        return QStringLiteral("<Bal><Tp><CdOrPrtry><Cd>%1</Cd></CdOrPrtry></Tp><Amt Ccy=\"EUR\">%2</Amt>"
                              "<CdtDbtInd>%3</CdtDbtInd><Dt><Dt>%4</Dt></Dt></Bal>\n")
            .arg(QLatin1String(code), bankBetrag(betrag), betrag < 0 ? QStringLiteral("DBIT") : QStringLiteral("CRDT"),
                 tag.toString(Qt::ISODate));
    };
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.%1\"><BkToCstmrStmt>"
                          "<GrpHdr><MsgId>TEST</MsgId><CreDtTm>%2T20:00:00</CreDtTm></GrpHdr>\n"
                          "<Stmt><Id>1</Id><CreDtTm>%2T20:00:00</CreDtTm><Acct><Id><IBAN>%3</IBAN></Id></Acct>\n")
               .arg(version, bis.toString(Qt::ISODate), iban)
               .toUtf8()
           + (saldo("OPBD", anfang, von) + saldo("CLBD", schluss, bis) + eintraege).toUtf8()
           + "</Stmt></BkToCstmrStmt></Document>\n";
}

} // namespace Testhilfe
