#include "ui/benutzer.h"

#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>

bool TStandardBenutzer::Frage(QWidget *fenster, const QString &titel, const QString &text)
{
    return QMessageBox::question(fenster, titel, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

void TStandardBenutzer::Meldung(QWidget *fenster, const QString &text)
{
    QMessageBox::information(fenster, QStringLiteral("Vennlok Buchungsprogramm"), text);
}

QString TStandardBenutzer::AutoDateiWaehlen(QWidget *fenster, const QString &verzeichnis)
{
    return QFileDialog::getOpenFileName(fenster, QStringLiteral("Befehlsdatei wählen"), verzeichnis,
                                        QStringLiteral("auto (*.aut)"));
}

QString TStandardBenutzer::DateiSpeichern(QWidget *fenster, const QString &titel, const QString &vorschlag, const QString &filter)
{
    return QFileDialog::getSaveFileName(fenster, titel, vorschlag, filter);
}

QString TStandardBenutzer::OrdnerWaehlen(QWidget *fenster, const QString &titel, const QString &start)
{
    return QFileDialog::getExistingDirectory(fenster, titel, start);
}

QString TStandardBenutzer::DateiOeffnen(QWidget *fenster, const QString &titel, const QString &verzeichnis, const QString &filter)
{
    return QFileDialog::getOpenFileName(fenster, titel, verzeichnis, filter);
}

bool TStandardBenutzer::Dialog(QDialog *dialog)
{
    return dialog->exec() == QDialog::Accepted;
}

bool TStandardBenutzer::Drucken(QWidget *fenster, const Dokumente::TDruck &druck)
{
    // Drawn at the resolution its PDF has: the charts' margins and labels are laid out for it.
    QPrinter drucker;
    drucker.setResolution(druck.aufloesung);
    drucker.setDocName(druck.titel);
    Dokumente::Einrichten(drucker, druck);
    QPrintPreviewDialog vorschau(&drucker, fenster);
    vorschau.setWindowTitle(QStringLiteral("Druckvorschau: ") + druck.titel);
    QObject::connect(&vorschau, &QPrintPreviewDialog::paintRequested, &vorschau, [&druck](QPrinter *geraet) {
        QPainter maler(geraet);
        druck.zeichnen(*geraet, maler);
    });
    return vorschau.exec() == QDialog::Accepted;
}

QString TStandardBenutzer::Eingabe(QWidget *fenster, const QString &titel, const QString &text, const QString &vorgabe)
{
    return QInputDialog::getText(fenster, titel, text, QLineEdit::Normal, vorgabe);
}
