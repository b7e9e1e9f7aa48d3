#pragma once

#include "algo/typen.h"
#include "data/monatkey.h"
#include "engine/auswertung.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class TVennlok;

/// A rule change to study: parameters of the master data that change from
/// the month after the booking month on. "heute" changes nothing.
struct TVariante
{
    QString name; // "heute", or the assignments as they were given
    QList<QPair<QString, QString>> zuweisungen;

    /// The keys a variant may change.
    static const QStringList Schluessel;
    /// "Schlüssel=Wert[;Schlüssel=Wert…]" read and checked: an unknown key,
    /// a value the rules do not allow or a text without "=" give the German
    /// reason in fehler and an empty variant.
    static TVariante Lesen(const QString &text, QString *fehler);
};

/// What a what-if is asked to do.
struct TWasWaereAuftrag
{
    int monate = 12;
    int laeufe = 20;
    std::uint32_t saat = 1;
    QList<TVariante> varianten; // "heute" comes first whether given or not
    int threads = 0;            // 0: all cores
};

/// One month of one variant over all runs: the 10th, 50th and 90th
/// percentile (nearest rank) of the figures after its close.
struct TWasWaereMonat
{
    MonthKey monat;
    Money kasse[3] = {0, 0, 0};
    double anteil[3] = {0, 0, 0}; // the social share in force during the month
    Money auszahlungen[3] = {0, 0, 0};
    Money eigenanteile = 0; // the median
    double unterdeckung = 0; // share of runs whose fund after the close is below the Grundsicherung
};

struct TWasWaereErgebnis
{
    QList<TMonatsverlauf> geschichte; // the pact's closed months so far
    QList<QPair<QString, QList<TWasWaereMonat>>> varianten;
    bool abgebrochen = false;
};

/// The pact's future under other rules: every run starts from the pact as it
/// stands, in memory (nothing in its directory changes), draws a month's
/// bookings from the pact's own history — each participant's habit of paying
/// in full, in part, in two payments or not at all; invoices resampled from
/// past months; joins and exits at the observed rates — and closes each month
/// by the engine's own month close. Runs go in parallel; each is seeded from
/// the seed and its number alone, so the same request gives the same result
/// on any number of cores.
class TWasWaere
{
public:
    /// Takes a picture of quelle's pact and reads its history. Throws
    /// VennlokFehler without a pact.
    explicit TWasWaere(TVennlok &quelle);
    ~TWasWaere();

    /// Runs the request. fortschritt (from the calling thread's workers, in
    /// any order) gets the runs done and all; returning false cancels, and
    /// the result says so. Throws VennlokFehler when a run fails.
    TWasWaereErgebnis Rechnen(const TWasWaereAuftrag &auftrag,
                              const std::function<bool(int fertig, int gesamt)> &fortschritt = nullptr);

    struct Geschichte; // what the history says about habits, invoices, joins and exits

private:
    QString m_verzeichnis;
    QHash<QString, QByteArray> m_bild;
    QList<TMonatsverlauf> m_geschichte;
    std::unique_ptr<Geschichte> m_statistik;
};
