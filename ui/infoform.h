#pragma once

#include "engine/vennlok.h"

#include <QWidget>

class QLabel;
class QProgressBar;

/// The borderless progress window of an automatic replay: the month last
/// closed, the number of closes since program start (never reset) and how
/// far the command file is read.
class TInfoForm : public QWidget, public TFortschritt
{
    Q_OBJECT

public:
    explicit TInfoForm(QWidget *hauptfenster = nullptr);

    /// Shows text as the month just closed, counts it and repaints at once.
    void ZeigInfo(const QString &text);
    int Zaehler() const { return m_zaehler; }

    void MonatAbgeschlossen(const MonthKey &monat, int anzahl) override;
    void Zeilen(int erledigt, int gesamt) override;

protected:
    void changeEvent(QEvent *ereignis) override;

private:
    QWidget *m_hauptfenster;
    QLabel *m_label1;
    QLabel *m_label3;
    QProgressBar *m_fortschritt;
    int m_zaehler = 0;
};
