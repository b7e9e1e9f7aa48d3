#pragma once

#include "algo/typen.h"
#include "data/monatkey.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// What the engine hands to the windows and the command line about the
// pact's bank account: a statement read and matched, what to book of it,
// and the balance the books expect.

/// One transaction of a bank statement with what the engine proposes for it.
struct TBankposten
{
    enum Vorschlag {
        Einzahlung,   // a credit of a participant: booked as a payment into the booking month
        Rueckbuchung, // a returned direct debit: the payment it returns is reversed
        Bestaetigung, // a debit of this program's own transfer file: confirmed as paid
        Offen,        // nothing matched (a bank fee, an unknown payer); ticked, it is dismissed
        Vorgemerkt,   // not booked by the bank yet: neither booked nor remembered
        Gelesen       // read from an earlier statement already: passed over
    };
    int nr = 0;          // position in the statement, from 1
    QString kennung;     // what is remembered of it: the bank's reference, else a checksum
    QDate tag;           // booking date
    Money betrag = 0;    // positive for a credit
    QString partei;      // payer or payee
    QString iban;
    QString text;        // remittance text
    QString endToEndId;
    QString rueckgabe;   // the return reason of a returned direct debit
    Vorschlag vorschlag = Offen;
    QString teilhaber;   // the participant proposed (the stored name), or empty
    QString grund;       // how it was matched, or why not, and notes (another month)
    bool angekreuzt = false; // ticked by default
};

/// A statement read against the pact's books. Reading changes nothing.
struct TKontoabgleich
{
    QString datei;             // the statement's file name
    QString iban;              // its account, the pact's
    bool saldenBekannt = false;
    Money anfangssaldo = 0, schlusssaldo = 0;
    QDate bis;                 // the day of the closing balance
    QList<TBankposten> posten;
    int schonGelesen = 0;      // transactions remembered from an earlier statement
    Money erwartet = 0;        // the balance the books expect now
    Money erwartetNachBuchung = 0; // and once every ticked transaction is booked
    Money offen = 0;           // the booked transactions nothing matched (fees, unknown payers)
    Money differenz = 0;       // closing balance less erwartetNachBuchung: offen when nothing else is missing
};

/// What the operator confirmed of a statement: the transaction nr, and the
/// participant to book a credit for (empty: as proposed); or that it is to
/// be dismissed, remembered without booking it.
struct TBankauswahl
{
    int nr = 0;
    QString teilhaber;
    bool uebergehen = false;
};

/// A bank file of a month, as written into the data directory or handed out.
struct TBankdatei
{
    enum Art { Ueberweisungen, Lastschriften };
    QString name;      // "Ueberweisungen" or "Lastschriften" + month + ".xml"
    QByteArray inhalt; // validated against the bank's schema
    QStringList ohne;  // left out: payees without a valid IBAN, debtors without a whole mandate
    int anzahl = 0;
    Money summe = 0;   // on the cent
    QDate tag;         // execution or due date
};

/// The balance of the pact's account that the books expect: the opening
/// balance plus every payment booked, less what every closed month's
/// transfers took from it in cents.
struct TKontostand
{
    bool konto = false; // the pact's account is entered
    Money anfangssaldo = 0, einzahlungen = 0, ueberwiesen = 0;
    Money erwartet = 0;
    // The latest statement booked: its closing balance and how far it is
    // from what the books expected after booking it.
    bool auszug = false;
    QDate auszugTag;
    QString auszugDatei;
    Money auszugSaldo = 0, auszugDifferenz = 0;
};
