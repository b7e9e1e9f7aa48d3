#pragma once

#include <QMainWindow>

/// The program's main window on one pact's data directory.
class TVenBuchungForm : public QMainWindow
{
    Q_OBJECT

public:
    explicit TVenBuchungForm(const QString &datenverzeichnis, QWidget *parent = nullptr);

    const QString &Datenverzeichnis() const { return m_datenverzeichnis; }

private:
    QString m_datenverzeichnis;
};
