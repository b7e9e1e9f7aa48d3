#pragma once

#include "algo/typen.h"
#include "data/monatkey.h"

#include <QString>

/// What a booking did: booked, refused, or nothing to do. meldung is the
/// text the rules give the operator (empty where they are silent); grund
/// says why a booking was refused or did nothing, also where the rules refuse
/// without a message (a name under four characters, an invoice of an unknown
/// name); betrag is the amount it moved (the payment, the invoice, the
/// settlement).
struct TErgebnis
{
    enum Art { Gebucht, Abgelehnt, NichtsZuTun };
    Art art = NichtsZuTun;
    QString meldung;
    QString grund;
    Money betrag = 0;

    bool gebucht() const { return art == Gebucht; }
    bool abgelehnt() const { return art == Abgelehnt; }

    /// A refusal with its reason and meldung, the text for the operator (the
    /// reason itself unless the rules refuse silently).
    static TErgebnis Ablehnung(const QString &grund, const QString &meldung);
    static TErgebnis Ablehnung(const QString &grund) { return Ablehnung(grund, grund); }
    /// The outcome of a booking of betrag that reached the files (ok) or was
    /// refused by them.
    static TErgebnis Buchung(bool ok, Money betrag);
    static TErgebnis Nichts(const QString &grund) { return {NichtsZuTun, QString(), grund, 0}; }
};

/// What an automatic replay reports while it runs.
class TFortschritt
{
public:
    virtual ~TFortschritt() = default;
    /// A month close of the replay is done; anzahl counts the closes of this replay.
    virtual void MonatAbgeschlossen(const MonthKey &monat, int anzahl) = 0;
    /// How far the command file is read.
    virtual void Zeilen(int erledigt, int gesamt) { Q_UNUSED(erledigt) Q_UNUSED(gesamt) }
    /// A message of a line that was refused while the replay goes on.
    virtual void Meldung(const QString &text) { Q_UNUSED(text) }
    /// Lines 1 to zeile are durably booked; a replay interrupted later goes
    /// on with zeile + 1.
    virtual void Gesichert(int zeile) { Q_UNUSED(zeile) }
    /// Asked before each line: true stops the replay there. The lines before
    /// it stay booked and the replay ends as after its last line.
    virtual bool Abbruch() { return false; }
};
