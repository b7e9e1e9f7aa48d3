#pragma once

// Answers the windows' questions from a prepared list and records every
// question and message, so GUI tests never wait on a real message box.

#include "ui/benutzer.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QStringList>
#include <QWidget>
#include <functional>

// A control of a window by its object name; a missing one ends the test run.
template <typename T>
T *kind(QWidget *fenster, const char *name)
{
    T *w = fenster->findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

class TTestBenutzer : public TBenutzer
{
public:
    QList<bool> antworten; // taken from the front; No when empty
    QStringList fragen, meldungen;
    QString datei, eingabe;
    std::function<void()> beiFrage; // what a real question box does to the windows meanwhile
    std::function<bool(QDialog *)> imDialog; // what the operator does in a dialog; cancelled when none

    bool Frage(QWidget *, const QString &titel, const QString &text) override
    {
        fragen.append(titel + QStringLiteral(": ") + text);
        if (beiFrage)
            beiFrage();
        return antworten.isEmpty() ? false : antworten.takeFirst();
    }
    void Meldung(QWidget *, const QString &text) override { meldungen.append(text); }
    QString AutoDateiWaehlen(QWidget *, const QString &) override { return datei; }
    QString DateiSpeichern(QWidget *, const QString &, const QString &, const QString &) override { return datei; }
    QString OrdnerWaehlen(QWidget *, const QString &, const QString &) override { return datei; }
    QString DateiOeffnen(QWidget *, const QString &, const QString &, const QString &) override { return datei; }
    bool Dialog(QDialog *dialog) override { return imDialog && imDialog(dialog); }
    QString Eingabe(QWidget *, const QString &, const QString &, const QString &) override { return eingabe; }
    // What went to the preview: each document's title and its pages, drawn as into a PDF.
    QStringList gedruckt;
    QByteArray druckbild;
    bool Drucken(QWidget *, const Dokumente::TDruck &druck) override
    {
        gedruckt.append(druck.titel);
        druckbild.clear();
        QBuffer puffer(&druckbild);
        puffer.open(QIODevice::WriteOnly);
        QPdfWriter geraet(&puffer);
        geraet.setResolution(druck.aufloesung);
        Dokumente::Einrichten(geraet, druck);
        QPainter maler(&geraet);
        druck.zeichnen(geraet, maler);
        return maler.end();
    }
};
