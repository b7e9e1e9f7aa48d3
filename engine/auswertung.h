#pragma once

#include "algo/typen.h"
#include "data/monatkey.h"
#include "engine/kontoabgleich.h"

#include <QDate>
#include <QList>
#include <QPair>
#include <QStringList>

// What the engine's reading operations hand to statements, lists and charts.
// Every amount is as booked; sums are formed by the engine.

/// One closed month of the pact as its history section records it.
struct TMonatsverlauf
{
    MonthKey monat;
    Money kasse = 0; // the fund after the close
    Money einzahlungen = 0, auszahlungen = 0, eigenanteile = 0;
    int eingangsbuchungen = 0;
    double intAnteil = 0, extAnteil = 0; // the social share in force during the month
};

/// One transfer of a month close: "Honorare", "Rechnung" or "AustrittsAuszahlung".
struct TUeberweisung
{
    QString art;
    QString name; // the participant; empty for the trustee's fees
    Money betrag = 0;
};

/// The figures of one closed month, from its cash book.
struct TMonatsbericht
{
    MonthKey monat;
    Money kasseVorher = 0, kasseNachher = 0;
    Money einzahlungen = 0, rechnungen = 0, auszahlungen = 0, eigenanteile = 0, honorare = 0;
    int eingangsbuchungen = 0, rechnungsbuchungen = 0;
    double anteil = 0;      // the share in force during the month
    double neuerAnteil = 0; // the share in force after the close
    QList<TUeberweisung> ueberweisungen; // payees as their names were typed
    bool paktKonto = false; // the pact's account is entered, so the payouts go into a SEPA file
    QStringList ohneIban;   // paid out, but without a valid IBAN: not in the SEPA file (with the account only)
    TKontostand konto;      // the account as the books expect it at the month's end, and a statement ending in it
};

/// One month of a participant's account.
struct TKontoMonat
{
    MonthKey monat;
    Money beitrag = 0;    // the contribution owed
    Money eingezahlt = 0;
    Money rueckstand = 0; // what was missing at the month's close
    Money rechnungen = 0;
    Money auszahlungen = 0, eigenanteile = 0, sozialanteile = 0; // the payout, split into its two parts
    Money kapitalanteil = 0;
    bool offen = false; // the booking month, not closed yet
};

/// A participant's statement, month by month from the first booking.
struct TKontoauszug
{
    QString name;
    QList<QPair<QString, QString>> adresse;
    QList<TKontoMonat> monate;
    TKontoMonat summe; // the money columns added up; the capital share of the last closed month
    Money rueckstandGesamt = 0; // the arrears, as TRueckstand::betrag
    Money faellig = 0;          // unpaid of the booking month's contribution, as TRueckstand::faellig
    MonthKey ausgetreten;
};

/// A payment or invoice of the booking month, as a reversal names it.
struct TBuchungsposten
{
    bool einzahlung = true; // else an invoice
    int nr = 0;             // counted from 1 per kind, in booking order
    Money betrag = 0;
    QDate tag;              // the booking's day in the cash book
};

/// A participant who owes. Arrears are one figure everywhere: what is unpaid
/// of the contributions of closed months (betrag, the months in monate).
/// What is still unpaid of the booking month's contribution is due, not
/// in arrears (faellig: "fällig im laufenden Monat").
struct TRueckstand
{
    QString name;
    Money betrag = 0;
    QStringList monate;
    Money faellig = 0;
};
