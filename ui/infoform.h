#pragma once

#include "engine/vennlok.h"

#include <QWidget>
#include <atomic>

class QLabel;
class QProgressBar;
class QPushButton;

/// The progress window of long work that runs beside the window (a replay,
/// a month close): what runs, the month last closed, the number of closes
/// since program start (never reset), a bar and, for a replay, a cancel
/// button. The engine reports from its working thread; every report reaches
/// the widgets through the window's own event loop.
class TInfoForm : public QWidget, public TFortschritt
{
    Q_OBJECT

public:
    explicit TInfoForm(QWidget *hauptfenster = nullptr);

    /// Shows the window centred on the main window for a new piece of work
    /// and forgets what the last one reported. Without a cancel button the
    /// bar only shows that something runs.
    void Beginnen(const QString &titel, bool abbrechbar);
    /// Shows text as the month just closed, counts it and repaints at once.
    void ZeigInfo(const QString &text);
    int Zaehler() const { return m_zaehler; }

    /// What the work reported since Beginnen: the months closed, the refused
    /// lines, how many lines are durably booked, and whether it was cancelled.
    const QStringList &Monate() const { return m_monate; }
    const QStringList &Meldungen() const { return m_meldungen; }
    int GesicherteZeile() const { return m_gesichert; }
    int Zeilenzahl() const { return m_gesamt; }
    bool Abgebrochen() const { return m_abbruch; }
    /// As the cancel button: the work stops at its next line.
    void Abbrechen();

    void MonatAbgeschlossen(const MonthKey &monat, int anzahl) override;
    void Zeilen(int erledigt, int gesamt) override;
    void Meldung(const QString &text) override;
    void Gesichert(int zeile) override;
    bool Abbruch() override { return m_abbruch; }

signals:
    /// A month close of the running work has arrived here.
    void monatAngekommen(const QString &monat);

protected:
    void changeEvent(QEvent *ereignis) override;

private:
    /// Runs schritt on the window's thread, later when called from another.
    void imFenster(std::function<void()> schritt);

    QWidget *m_hauptfenster;
    QLabel *m_titel, *m_label1, *m_label3;
    QProgressBar *m_fortschritt;
    QPushButton *m_abbrechen;
    int m_zaehler = 0;
    int m_gesichert = 0;
    int m_gesamt = 0;
    QStringList m_monate, m_meldungen;
    std::atomic<bool> m_abbruch{false};
    std::atomic<int> m_prozent{-1}; // the last per cent sent to the bar
};
