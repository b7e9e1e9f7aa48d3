// Golden scenarios: each folder below tests/golden holds a command file
// "befehle.aut" and the data files it must produce under "erwartet/". The
// scenario is replayed into a fresh directory and compared file by file, byte
// for byte, after the texts of the day and time of the run are replaced by
// "<HEUTE>" and "<ZEIT>" on both sides.
//
// Exits, payouts and discards are the replay's own words (Austritt,
// Auszahlen, Verwerfen, MonatVerwerfen). Besides them a scenario may use two
// lines the replay passes over, which this runner acts on:
//   Merken                   remembers the data files as they are now
//   WieGemerkt               the data files equal the remembered ones (the
//                            logs, the dated record of a discarded month's
//                            book and its reopening stamp apart): a month
//                            closed again as before
// The replay before and after such a line runs as its own command file, so
// it starts with a "Datum" line and "Kaeufer" again where needed.
//
// VENNLOK_GOLDEN_SCHREIBEN=1 rewrites every "erwartet/" folder from the
// program's output, for a change whose figures were reviewed.

#include "algo/fehler.h"
#include "engine/vennlok.h"
#include "platform/skript.h"

#include "tests/dateistand.h"
#include "tests/testhilfe.h"

#include <QRegularExpression>
#include <QtTest>

using namespace Testhilfe;

namespace {

const QStringList Zusatzbefehle{QStringLiteral("Merken"), QStringLiteral("WieGemerkt")};

// The data files of a directory but the logs, the dated records of discarded
// books and the stamp a book gets when it is opened again.
QMap<QString, QByteArray> ohneProtokolle(const QDir &dir)
{
    QMap<QString, QByteArray> stand = verzeichnisstand(dir, QByteArray("wieder er\xf6" "ffnet am="));
    for (auto it = stand.begin(); it != stand.end();)
        it = it.key().endsWith(QLatin1String(".buc")) || !it.key().contains(QRegularExpression(QStringLiteral("\\.(ven|tra)$")))
                 ? stand.erase(it) : std::next(it);
    return stand;
}

bool istDatendatei(const QString &name)
{
    return name != QLatin1String("Vennlok.lck") && !name.endsWith(QLatin1String(".BAT"))
           && !name.endsWith(QLatin1String(".aut"));
}

// The text of the run's moment replaced by placeholders; heute are the date
// texts of the run (two when it crossed midnight).
QByteArray normalisiert(QByteArray inhalt, const QList<QByteArray> &heute)
{
    static const QRegularExpression zeit(QStringLiteral("<HEUTE>([ ,])[0-9]{2}:[0-9]{2}:[0-9]{2}"));
    for (const QByteArray &tag : heute)
        inhalt.replace(tag, "<HEUTE>");
    return QString::fromLatin1(inhalt).replace(zeit, QStringLiteral("<HEUTE>\\1<ZEIT>")).toLatin1();
}

QString dateinameNormalisiert(QString name, const QList<QByteArray> &heute)
{
    for (const QByteArray &tag : heute)
        name.replace(QString::fromLatin1(tag).remove(QLatin1Char('.')), QStringLiteral("HEUTE"));
    return name;
}

QList<QByteArray> zeilenVon(const QByteArray &inhalt)
{
    return inhalt.split('\n');
}

// Carries out the scenario's command file in verzeichnis.
void abspielen(const QString &befehle, const QString &verzeichnis, const QString &arbeit)
{
    QFile f(befehle);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> zeilen = f.readAll().split('\n');
    TVennlok vennlok(verzeichnis);
    vennlok.Oeffnen();
    QByteArray teil;
    int teile = 0;
    QMap<QString, QByteArray> gemerkt;
    const auto teilAbspielen = [&] {
        if (teil.trimmed().isEmpty())
            return;
        const QString datei = QDir(arbeit).filePath(QStringLiteral("teil%1.aut").arg(++teile));
        schreiben(datei, teil);
        vennlok.AutoBuchung(datei, 31);
        teil.clear();
    };
    for (const QByteArray &roh : zeilen) {
        const QStringList felder = Vennlok::FelderTrennen(QString::fromUtf8(roh).trimmed());
        if (felder.isEmpty() || !Zusatzbefehle.contains(felder.first())) {
            teil += roh + '\n';
            continue;
        }
        teilAbspielen();
        if (felder.first() == QLatin1String("Merken")) {
            gemerkt = ohneProtokolle(QDir(verzeichnis));
            continue;
        }
        const QMap<QString, QByteArray> jetzt = ohneProtokolle(QDir(verzeichnis));
        QCOMPARE(jetzt.keys(), gemerkt.keys());
        for (auto it = gemerkt.cbegin(); it != gemerkt.cend(); ++it)
            QVERIFY2(jetzt.value(it.key()) == it.value(), qPrintable(it.key() + QStringLiteral(" weicht ab")));
    }
    teilAbspielen();
}

} // namespace

class TstGolden : public QObject
{
    Q_OBJECT

private slots:
    void szenario_data()
    {
        QTest::addColumn<QString>("ordner");
        const QDir wurzel(QStringLiteral(VENNLOK_GOLDEN));
        for (const QString &name : wurzel.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            QTest::newRow(qPrintable(name)) << wurzel.filePath(name);
        QVERIFY(wurzel.entryList(QDir::Dirs | QDir::NoDotAndDotDot).size() >= 8);
    }

    void szenario()
    {
        QFETCH(QString, ordner);
        QTemporaryDir daten, arbeit;
        const QByteArray vorher = Textformat::datumZuText(Uhr::Heute()).toLatin1();
        // The bank statements a scenario reads lie beside its command file.
        for (const QString &auszug : QDir(ordner).entryList({QStringLiteral("*.xml")}, QDir::Files))
            QVERIFY(QFile::copy(QDir(ordner).filePath(auszug), QDir(arbeit.path()).filePath(auszug)));
        abspielen(QDir(ordner).filePath(QStringLiteral("befehle.aut")), daten.path(), arbeit.path());
        if (QTest::currentTestFailed())
            return;
        Plattform::AufSkripteWarten();
        const QList<QByteArray> heute{vorher, Textformat::datumZuText(Uhr::Heute()).toLatin1()};

        QDir ist(daten.path());
        QDir soll(QDir(ordner).filePath(QStringLiteral("erwartet")));
        QStringList istDateien = ist.entryList(QDir::Files, QDir::Name);
        istDateien.erase(std::remove_if(istDateien.begin(), istDateien.end(), [](const QString &n) { return !istDatendatei(n); }),
                         istDateien.end());

        if (qEnvironmentVariableIntValue("VENNLOK_GOLDEN_SCHREIBEN") == 1) {
            soll.removeRecursively();
            QVERIFY(soll.mkpath(QStringLiteral(".")));
            for (const QString &name : istDateien)
                schreiben(soll.filePath(dateinameNormalisiert(name, heute)), normalisiert(dateiInhalt(ist.filePath(name)), heute));
            qInfo("%s neu geschrieben", qPrintable(soll.path()));
            return;
        }

        QStringList namen;
        for (const QString &name : istDateien)
            namen.append(dateinameNormalisiert(name, heute));
        QCOMPARE(namen, soll.entryList(QDir::Files, QDir::Name));
        for (const QString &name : istDateien) {
            const QList<QByteArray> a = zeilenVon(normalisiert(dateiInhalt(ist.filePath(name)), heute));
            const QList<QByteArray> e = zeilenVon(dateiInhalt(soll.filePath(dateinameNormalisiert(name, heute))));
            for (int i = 0; i < std::max(a.size(), e.size()); ++i) {
                const QByteArray erwartet = e.value(i, "<Dateiende>"), tatsaechlich = a.value(i, "<Dateiende>");
                if (erwartet != tatsaechlich)
                    QFAIL(qPrintable(QStringLiteral("%1, Zeile %2:\n  erwartet:    %3\n  tatsächlich: %4")
                                         .arg(name).arg(i + 1)
                                         .arg(QString::fromLatin1(erwartet.trimmed()), QString::fromLatin1(tatsaechlich.trimmed()))));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TstGolden)
#include "tst_golden.moc"
