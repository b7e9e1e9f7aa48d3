#pragma once

#include "algo/typen.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

/// An account statement as a bank delivers it (ISO 20022 camt.053, versions
/// 001.02 and 001.08), read into plain values. The reader knows no
/// participant and no rule; it only says what the bank booked.
namespace Camt {

/// One transaction of the statement. An entry the bank books as one line
/// with several transaction details (a batch) gives one Buchung per detail.
struct Buchung
{
    int nr = 0;            // position in the file, from 1
    QString referenz;      // the bank's reference of the transaction, or of its entry + "/" + the detail's number
    QDate buchungstag;     // booking date (else value date)
    Money betrag = 0;      // positive for a credit, negative for a debit
    bool storno = false;   // the bank's reversal of an earlier entry
    bool gebucht = true;   // status BOOK; false for pending entries
    QString partei;        // the payer of a credit, the payee of a debit
    QString iban;          // that party's account, without blanks
    QString text;          // the remittance text ("SVWZ+" part when the bank packs references into it)
    QString endToEndId;    // structured, or from "EREF+"; empty for "NOTPROVIDED"
    QString mandat;        // the mandate reference, structured or from "MREF+"
    QString rueckgabe;     // the return reason code of a returned direct debit
};

struct Saldo
{
    bool bekannt = false;
    QDate tag;
    Money betrag = 0;
};

struct Auszug
{
    QString version;       // "001.02" or "001.08"
    QString iban;          // the statement's account
    Saldo anfang, schluss; // opening (OPBD, else PRCD) and closing booked balance (CLBD)
    QList<Buchung> buchungen;
};

/// The schema version the document declares ("001.02", "001.08"), or an
/// empty text when it is no camt.053 document.
QString Version(const QByteArray &xml);

/// Reads a statement that conforms to its schema. Every statement in the
/// document must be of the same account. Throws VennlokFehler with a German
/// reason for an amount that is not in euros or not on the cent, a document
/// that is not well-formed, or statements of two accounts.
Auszug Lesen(const QByteArray &xml);

} // namespace Camt
