// The engine's context: the store, the files in memory, and the transaction frame around every operation.

#include "engine/kontext.h"

#include "algo/fehler.h"
#include "data/uhr.h"
#include "engine/einheiten.h"

#include <QDir>

TKontext::TKontext(const QString &verzeichnis)
    : verzeichnis(verzeichnis)
{
    speicherOeffnen();
}

TKontext::TKontext(const QString &verzeichnis, const QHash<QString, QByteArray> *bild)
    : verzeichnis(verzeichnis)
{
    speicher = std::make_unique<TJournalSpeicher>(verzeichnis, *bild);
    teilhaber = std::make_unique<TTeilhaberRegister>(*speicher, verzeichnis);
}

TKontext::~TKontext()
{
    // Every operation writes what it changed; nothing is written on the way out,
    // so a directory without a pact does not get an empty master data file.
    dateienLoslassen();
}

QString TKontext::Pfad(const QString &dateiname) const
{
    // As QDir::filePath joins them (the directory is absolute and clean), without
    // building a QDir for each of the many files an operation names.
    if (QDir::isAbsolutePath(dateiname))
        return dateiname;
    if (dateiname.isEmpty())
        return verzeichnis;
    return verzeichnis.endsWith(QLatin1Char('/')) ? verzeichnis + dateiname : verzeichnis + QLatin1Char('/') + dateiname;
}

bool TKontext::PaktVorhanden() const
{
    return speicher->NameExistiert(TVennlokDaten::Dateiname);
}

MonthKey TKontext::Buchungsmonat() const
{
    return PaktVorhanden() ? daten->Buchungsmonat() : MonthKey();
}

void TKontext::log(const QString &zeile)
{
    if (buchungslog)
        buchungslog->Schreiben(zeile);
}

void TKontext::DatenLesen()
{
    daten = Lesen<TVennlokDaten>(TVennlokDaten::Dateiname);
}

void TKontext::speicherOeffnen()
{
    dateienLoslassen();
    teilhaber.reset();
    if (speicher && speicher->NurImSpeicher()) {
        // Nothing changes behind a store in memory: it stays as it is.
        teilhaber = std::make_unique<TTeilhaberRegister>(*speicher, verzeichnis);
        return;
    }
    speicher.reset(); // one store per directory at a time
    speicher = std::make_unique<TJournalSpeicher>(verzeichnis);
    teilhaber = std::make_unique<TTeilhaberRegister>(*speicher, verzeichnis);
}

void TKontext::dateienLoslassen()
{
    for (TRollMemIniFile *datei : {static_cast<TRollMemIniFile *>(daten.get()), static_cast<TRollMemIniFile *>(kasse.get())})
        if (datei)
            datei->Verwerfen();
    if (teilhaber)
        teilhaber->AllesVergessen();
    kasse.reset();
    buchungslog.reset();
    daten.reset();
}

void TKontext::KasseOeffnen(const MonthKey &monat, DateTime datum)
{
    if (!PaktVorhanden())
        return;
    const QString name = TKasse::Dateiname(monat);
    const bool neu = !speicher->Existiert(Pfad(name));
    if (kasse)
        kasse->Verwerfen();
    kasse = Lesen<TKasse>(name);
    // A damaged book is refused before the log tells of its opening.
    if (!neu)
        TPruefung::KassePruefen(*kasse, monat);
    if (kasse->Abgeschlossen()) {
        // A closed month opened again keeps every figure it has.
        if (!kasse->Wiedereroeffnen(Uhr::Jetzt()))
            throw VennlokFehler(QStringLiteral("Die Kassendatei \u201E%1\u201C kann nicht wieder eröffnet werden.").arg(name));
    } else if (neu) {
        if (!kasse->Eroeffnen(monat, daten->Beitrag(), daten->HonorarEingangsbuchung(), daten->HonorarRechnungsbuchung(), 0,
                              Uhr::Heute()))
            throw VennlokFehler(QStringLiteral("Die Kassendatei \u201E%1\u201C kann nicht angelegt werden.").arg(name));
    }
    buchungslog.reset();
    buchungslog = std::make_unique<TBuchungslog>(Pfad(TBuchungslog::Dateiname(monat)), datum, speicher.get());
}

void TKontext::datenAendern(const std::function<void()> &aenderung)
{
    daten->SetRollbackPoint();
    try {
        aenderung();
    } catch (const std::exception &) {
        daten->Rollback();
        throw;
    }
}

void TKontext::SetIntSozialanteil(double wert)
{
    transaktion(QString(), [&] {
        datenAendern([&] {
            daten->SetIntSozialanteil(wert);
            daten->UpdateFile();
        });
    });
}

void TKontext::transaktion(const QString &zeile, const std::function<void()> &schritte)
{
    // Inside a replay's group the failure line waits until the group's good lines are booked again.
    const bool innen = speicher->InTransaktion();
    // A value a booking needs that is missing or damaged refuses it before anything is touched.
    if (!innen)
        dateienPruefen();
    speicher->Beginnen();
    try {
        schritte();
        speicher->Festschreiben();
    } catch (const std::exception &e) {
        // Durable in the journal, only not yet in every file: memory already
        // holds the committed state, and nothing is to be undone.
        const auto *fehler = dynamic_cast<const VennlokFehler *>(&e);
        if (fehler && fehler->art() == VennlokFehler::Ausstehend)
            throw;
        zurueckrollen(innen ? QString() : zeile);
        if (innen)
            fehlerzeile = zeile;
        throw;
    }
}

TErgebnis TKontext::vorgang(const std::function<TErgebnis()> &buchung)
{
    TErgebnis ergebnis;
    transaktion(QString(), [&] { ergebnis = buchung(); });
    return ergebnis;
}

void TKontext::zurueckrollen(const QString &zeile)
{
    speicher->Abbrechen();
    zustandNeuLaden(zeile);
    // A caller's transaction stays open: what it books afterwards joins it
    // and is undone with it, instead of being stored on its own.
    for (int i = 0; i < gehalten; ++i)
        speicher->Beginnen();
}

void TKontext::zustandNeuLaden(const QString &zeile)
{
    dateienLoslassen();
    DatenLesen();
    const MonthKey monat = Buchungsmonat();
    if (monat.isEmpty() || !speicher->Existiert(Pfad(TKasse::Dateiname(monat))))
        return;
    kasse = Lesen<TKasse>(TKasse::Dateiname(monat));
    try {
        buchungslog = std::make_unique<TBuchungslog>(Pfad(TBuchungslog::Dateiname(monat)), speicher.get());
        if (!zeile.isEmpty())
            log(zeile);
    } catch (const VennlokFehler &) {
        // The booking is undone either way; a log that cannot be written must not hide why.
    }
}

void TKontext::dateiUmbenennen(const QString &alt, const QString &neu)
{
    speicher->Umbenennen(Pfad(alt), Pfad(neu));
}
