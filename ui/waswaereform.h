#pragma once

#include "engine/waswaere.h"

#include <QWidget>
#include <atomic>
#include <memory>
#include <thread>

class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;
class TBenutzer;
class TVennlok;

/// "Was wäre wenn": the pact's future under other rules. The operator sets
/// months, runs and seed and edits the variants in a table (the first row is
/// today's rules); "Rechnen" runs them in memory on all cores with progress
/// and cancel, while the window stays usable; the fan charts show every
/// variant beside the others, and export as PNG, PDF and CSV. Nothing in the
/// data directory changes.
class TWasWaereForm : public QWidget
{
    Q_OBJECT

public:
    TWasWaereForm(TVennlok &vennlok, TBenutzer &benutzer, QWidget *hauptfenster = nullptr);
    ~TWasWaereForm() override;

    /// Months, runs and seed as the fields hold them.
    void Einstellen(int monate, int laeufe, int saat);
    /// Adds a row for a variant ("Schlüssel=Wert;…"); VarianteEntfernen removes the selected one.
    void VarianteHinzufuegen(const QString &text = QString());
    void VarianteEntfernen();
    /// Starts the runs; a message instead when a variant cannot be read or there is no pact.
    void Rechnen();
    void Abbrechen();
    bool Laeuft() const { return m_thread != nullptr; }
    /// Asks for a file and writes the result there: "png", "pdf" or "csv".
    void Exportieren(const QString &format);

    const TWasWaereErgebnis &Ergebnis() const { return m_ergebnis; }
    QString Status() const;

signals:
    void Fertig();

private:
    void fertig();
    void knoepfeSetzen();

    TVennlok &m_vennlok;
    TBenutzer &m_benutzer;
    QWidget *m_hauptfenster;
    QSpinBox *m_monate, *m_laeufe, *m_saat;
    QTableWidget *m_varianten;
    QPushButton *m_btnRechnen, *m_btnAbbrechen, *m_btnPng, *m_btnPdf, *m_btnCsv;
    QProgressBar *m_fortschritt;
    QLabel *m_status;
    QWidget *m_flaeche;
    TWasWaereErgebnis m_ergebnis;
    // The runs go on in their own thread; the window hears of progress and the end through its queue.
    std::unique_ptr<std::thread> m_thread;
    std::unique_ptr<TWasWaere> m_rechnung;
    std::atomic<bool> m_abbrechen{false};
    TWasWaereErgebnis m_neu;
    QString m_fehler;
};
