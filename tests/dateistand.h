#pragma once

// What a data directory holds, for tests that look at it while a program
// holds it open.

#include "platform/journal.h"
#include "tests/testhilfe.h"

// Every file of a data directory (the directory lock aside) with its content
// as the directory holds it, its journal applied; lines holding
// ohneZeilenMit, such as the day of the run, are left out.
inline QMap<QString, QByteArray> verzeichnisstand(const QDir &dir, const QByteArray &ohneZeilenMit = QByteArray())
{
    QMap<QString, QByteArray> dateien;
    const QMap<QString, QByteArray> ansicht = TJournalSpeicher::Ansicht(dir.path());
    for (auto it = ansicht.cbegin(); it != ansicht.cend(); ++it) {
        const QString &name = it.key();
        if (name == QLatin1String("Vennlok.lck"))
            continue;
        QByteArray inhalt = it.value();
        if (!ohneZeilenMit.isEmpty()) {
            QByteArray gefiltert;
            for (const QByteArray &zeile : inhalt.split('\n'))
                if (!zeile.contains(ohneZeilenMit))
                    gefiltert += zeile + '\n';
            inhalt = gefiltert;
        }
        dateien.insert(name, inhalt);
    }
    return dateien;
}

// One file of a data directory as the directory holds it, its journal applied.
inline QByteArray dateiStand(const QString &pfad)
{
    const QFileInfo info(pfad);
    return TJournalSpeicher::Ansicht(info.absolutePath()).value(info.fileName());
}
