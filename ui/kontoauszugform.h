#pragma once

#include "engine/vennlok.h"

#include <QDialog>

class QLabel;
class QTableWidget;

/// "Kontoauszug einlesen": the transactions of a bank statement with what
/// the engine proposes for each, to be ticked, given another participant
/// (typed with completion) or left out. "Buchen" hands the ticked ones to
/// the engine as one transaction; the dialog books nothing itself.
class TKontoauszugForm : public QDialog
{
    Q_OBJECT

public:
    enum Spalte { Haken, Datum, Partei, Text, Betrag, Vorschlag, Teilhaber, Hinweis };

    TKontoauszugForm(const TKontoabgleich &abgleich, const QStringList &namen, QWidget *parent = nullptr);

    /// The ticked transactions with the participant each row names.
    QList<TBankauswahl> Auswahl() const;
    QTableWidget &Tabelle() { return *m_tabelle; }

private:
    const TKontoabgleich m_abgleich;
    QTableWidget *m_tabelle;
};
