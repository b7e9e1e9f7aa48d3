#pragma once

#include "engine/auswertung.h"

#include <QWidget>
#include <functional>

class QLabel;
class TBenutzer;
class TVennlok;

/// "Verlauf": the closed months of the pact as four charts on one month
/// axis. The mouse over a month shows its figures. Shows the pact of the
/// data directory, or a simulation's archive folder chosen by the operator;
/// exports the charts as PNG and PDF. Reads only.
class TVerlaufForm : public QWidget
{
    Q_OBJECT

public:
    TVerlaufForm(TVennlok &vennlok, TBenutzer &benutzer, QWidget *hauptfenster = nullptr);

    /// Charts the pact of the data directory.
    void PaktZeigen();
    /// Charts the pact archived in ordner; a message when it holds none.
    void SimulationZeigen(const QString &ordner);
    void BtnSimulationClick();
    /// Asks for a file and writes the charts there, as PNG or PDF by its ending.
    void Exportieren(const QString &format);
    /// Strg+P: the charts in a print preview.
    void Drucken();

    const QList<TMonatsverlauf> &Monate() const { return m_verlauf; }
    /// Opens the what-if window (set by the main window).
    std::function<void()> wasWaere;
    /// The month under the mouse, -1 for none; its figures stand under the charts.
    int Hervorgehoben() const { return m_hervorgehoben; }
    void Hervorheben(int monat);

protected:
    void showEvent(QShowEvent *ereignis) override;

private:
    void anzeigen(const QList<TMonatsverlauf> &verlauf, const QString &art, const QString &name);

    TVennlok &m_vennlok;
    TBenutzer &m_benutzer;
    QWidget *m_hauptfenster;
    QWidget *m_flaeche;
    QLabel *m_labQuelle, *m_labMonat;
    QList<TMonatsverlauf> m_verlauf;
    QString m_quelle; // the name of the pact shown
    int m_hervorgehoben = -1;
};
