#pragma once

// Small helpers shared by the tests: whole-file reads and writes, a fixed
// clock and a simulated full disk.

#include "data/textformat.h"
#include "data/uhr.h"

#include <QByteArray>
#include <QDir>
#include <QMap>
#include <cmath>
#include <QFile>
#include <QString>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace Testhilfe {

inline QByteArray dateiInhalt(const QString &pfad)
{
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<fehlt>");
    return f.readAll();
}

inline void schreiben(const QString &pfad, const QByteArray &inhalt)
{
    QFile f(pfad);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(inhalt), inhalt.size());
}

// A test table kept as text in tests/tabellen/NAME.txt and read into QTest's
// rows, one row a line: "row name | column | column …". Lines starting with
// "#" and blank lines are skipped; blanks at a line's end do not count. In a
// field \n, \r, \t, \\ and \xNN (the Latin-1 character NN) are escapes, any
// other backslash stands for itself. Every column is a QString; spalten are
// literals, as QTest keeps the pointers.
inline void tabelle(const char *name, std::initializer_list<const char *> spalten)
{
    for (const char *spalte : spalten)
        QTest::addColumn<QString>(spalte);
    QFile f(QStringLiteral(VENNLOK_TABELLEN "/") + QLatin1String(name) + QStringLiteral(".txt"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("test table %s is missing", name);
    for (const QString &zeile : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        if (zeile.trimmed().isEmpty() || zeile.startsWith(QLatin1Char('#')))
            continue;
        const QString text = zeile.trimmed();
        const QStringList felder = (text.endsWith(QLatin1String(" |")) ? text + QLatin1Char(' ') : text).split(QStringLiteral(" | "));
        if (felder.size() != int(spalten.size()) + 1)
            qFatal("test table %s: %s has %d fields", name, qPrintable(felder[0]), int(felder.size()));
        QTestData &reihe = QTest::newRow(qPrintable(felder[0]));
        for (int i = 1; i < felder.size(); ++i) {
            const QString &roh = felder[i];
            QString feld = QStringLiteral(""); // empty, never null
            for (int k = 0; k < roh.size(); ++k) {
                const int art = roh[k] == QLatin1Char('\\') && k + 1 < roh.size() ? QStringLiteral("nrt\\x").indexOf(roh[k + 1]) : -1;
                if (art < 0)
                    feld += roh[k];
                else if (art < 4)
                    feld += QStringLiteral("\n\r\t\\").at(art), ++k;
                else
                    feld += QChar(roh.mid(k + 2, 2).toInt(nullptr, 16)), k += 3;
            }
            reihe << feld;
        }
    }
}

// Text with LF line ends as it stands in a test, with CR LF as in the files.
inline QByteArray crlf(const char *text)
{
    return QByteArray(text).replace("\n", "\r\n");
}

// An amount in units as Money.
inline Money e(double einheiten)
{
    return Money(std::llround(einheiten * double(MoneyProEinheit)));
}


inline DateTime zeitpunkt(int jahr, int monat, int tag, int stunde = 0, int minute = 0, int sekunde = 0)
{
    return Textformat::ausQDateTime(QDateTime(QDate(jahr, monat, tag), QTime(stunde, minute, sekunde)));
}

// Fixes "now" for as long as it lives.
class FesteUhr
{
public:
    explicit FesteUhr(DateTime jetzt) { Uhr::Setzen([jetzt] { return jetzt; }); }
    ~FesteUhr() { Uhr::Setzen({}); }
};

#ifdef Q_OS_UNIX
// Lets every file write of this process fail, as on a full disk, for as long as it lives.
class VollePlatte
{
public:
    VollePlatte()
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_alt);
        rlimit neu = m_alt;
        neu.rlim_cur = 1;
        setrlimit(RLIMIT_FSIZE, &neu);
    }
    ~VollePlatte() { setrlimit(RLIMIT_FSIZE, &m_alt); }

private:
    rlimit m_alt{};
};
#endif

} // namespace Testhilfe
