#pragma once

#include "engine/vennlok.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TBenutzer;

/// "demokratische Anpassung": creates the pact or enters a supplementary
/// contract with the pact's parameters and the trustee's address. Not
/// modal; refilled from the engine whenever it is shown or the operator
/// comes back to it from the main window.
class TDemokratForm : public QWidget
{
    Q_OBJECT

public:
    TDemokratForm(TVennlok &vennlok, TBenutzer &benutzer, QWidget *hauptfenster = nullptr);

    /// Fills every field and the trustee memo from the engine.
    void FormActivate();
    /// Converts the fields, asks, and creates the pact or enters the contract.
    void BtnDataOKClick();

signals:
    /// The pact was created or a contract entered; text says so for the status line.
    void gebucht(const QString &text);

protected:
    void showEvent(QShowEvent *ereignis) override;
    void closeEvent(QCloseEvent *ereignis) override;

private:
    /// Stores the pact's account (when changed) and the trustee's lines; the
    /// first refusal, or an empty text.
    QString anwaltSpeichern();
    /// The pact's account as the fields hold it; an opening balance that does
    /// not read counts as 0 (kontoFehler names it).
    TVennlokDaten::Konto kontoAusFeldern() const;
    /// Why the account fields cannot be stored, or an empty text.
    QString kontoFehler() const;

    TVennlok &m_vennlok;
    TBenutzer &m_benutzer;
    QWidget *m_hauptfenster;
    QLabel *m_labels[8];
    QLineEdit *m_edMon, *m_edits[6], *m_edVen;
    QLineEdit *m_edKontoinhaber, *m_edIban, *m_edBic, *m_edGlaeubigerId, *m_edAnfangssaldo;
    QLineEdit *m_edPaktname, *m_edSicherungsordner;
    QPlainTextEdit *m_memAdresse;
    QPushButton *m_btnDataOK;
};
