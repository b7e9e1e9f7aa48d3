#pragma once

#include "dokumente/dokumente.h"

#include <QString>

class QDialog;
class QWidget;

/// Questions and messages to the operator. The windows ask through this one
/// interface, so tests can answer without a real message box.
class TBenutzer
{
public:
    virtual ~TBenutzer() = default;
    /// A question with the buttons Yes and No; true only for Yes.
    virtual bool Frage(QWidget *fenster, const QString &titel, const QString &text) = 0;
    /// A message with an OK button.
    virtual void Meldung(QWidget *fenster, const QString &text) = 0;
    /// A command file chosen by the operator ("auto|*.aut"); empty when cancelled.
    virtual QString AutoDateiWaehlen(QWidget *fenster, const QString &verzeichnis) = 0;
    /// Where to write a document: vorschlag is the suggested path, filter
    /// as "PDF (*.pdf);;CSV (*.csv)"; empty when cancelled.
    virtual QString DateiSpeichern(QWidget *fenster, const QString &titel, const QString &vorschlag, const QString &filter) = 0;
    /// A folder chosen by the operator; empty when cancelled.
    virtual QString OrdnerWaehlen(QWidget *fenster, const QString &titel, const QString &start) = 0;
    /// A file to read, chosen by the operator (filter as for DateiSpeichern); empty when cancelled.
    virtual QString DateiOeffnen(QWidget *fenster, const QString &titel, const QString &verzeichnis, const QString &filter) = 0;
    /// Shows dialog modally; true when the operator confirmed it.
    virtual bool Dialog(QDialog *dialog) = 0;
    /// One line typed by the operator, vorgabe filled in; empty when cancelled.
    virtual QString Eingabe(QWidget *fenster, const QString &titel, const QString &text, const QString &vorgabe) = 0;
    /// The document in a print preview, from which the operator prints it;
    /// true when it went to the printer.
    virtual bool Drucken(QWidget *fenster, const Dokumente::TDruck &druck) = 0;
};

/// Real message boxes and the real file dialog.
class TStandardBenutzer : public TBenutzer
{
public:
    bool Frage(QWidget *fenster, const QString &titel, const QString &text) override;
    void Meldung(QWidget *fenster, const QString &text) override;
    QString AutoDateiWaehlen(QWidget *fenster, const QString &verzeichnis) override;
    QString DateiSpeichern(QWidget *fenster, const QString &titel, const QString &vorschlag, const QString &filter) override;
    QString OrdnerWaehlen(QWidget *fenster, const QString &titel, const QString &start) override;
    QString DateiOeffnen(QWidget *fenster, const QString &titel, const QString &verzeichnis, const QString &filter) override;
    bool Dialog(QDialog *dialog) override;
    QString Eingabe(QWidget *fenster, const QString &titel, const QString &text, const QString &vorgabe) override;
    bool Drucken(QWidget *fenster, const Dokumente::TDruck &druck) override;
};
