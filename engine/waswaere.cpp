// What if: many runs of the pact's future, each on its own engine in memory.

#include "engine/waswaere.h"

#include "algo/fehler.h"
#include "algo/formeln.h"
#include "algo/runden.h"
#include "data/textformat.h"
#include "engine/kontext.h"
#include "engine/vennlok.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <random>
#include <thread>

namespace {

// The same numbers from the same seed with every standard library.
class Wuerfel
{
public:
    explicit Wuerfel(std::uint64_t saat) : m_zufall(saat) {}
    int bis(int n) { return n <= 0 ? 0 : int(m_zufall() % std::uint64_t(n)); } // 0 .. n-1
    // True with the chance zaehler / nenner.
    bool chance(qint64 zaehler, qint64 nenner) { return nenner > 0 && qint64(m_zufall() % std::uint64_t(nenner)) < zaehler; }

private:
    std::mt19937_64 m_zufall;
};

// A run's seed from the request's seed and the run's number alone.
std::uint64_t laufSaat(std::uint32_t saat, int nr)
{
    std::uint64_t z = (std::uint64_t(saat) << 32) ^ std::uint64_t(nr) ^ 0x9E3779B97F4A7C15ULL;
    // splitmix64: neighbouring numbers give unrelated seeds
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

enum Gewohnheit { Voll, Teilweise, Zweimal, Gar_nicht, Gewohnheiten };

// Below this many months of his own, a participant pays as the pact's
// generator has members pay: 93 in full, 3 in two parts, 4 not at all.
constexpr int MindestMonate = 3;
// What one request may reckon in all: about 200 MB of kept figures.
constexpr qint64 MaxLaufMonate = 2000000;
const int Vorgabe[Gewohnheiten] = {93, 0, 3, 4};

QDate monatsanfang(const MonthKey &monat)
{
    return QDate(monat.left(4).toInt(), monat.mid(4, 2).toInt(), 1);
}

DateTime tag(const MonthKey &monat, int t)
{
    return Textformat::ausQDateTime(QDateTime(monatsanfang(monat).addDays(t - 1), QTime(12, 0)));
}

// The nearest-rank percentile of sorted values.
template <class T>
T perzentil(const std::vector<T> &sortiert, int p)
{
    const size_t n = sortiert.size();
    size_t rang = (size_t(p) * n + 99) / 100; // ceil(p/100 · n)
    return sortiert[std::clamp<size_t>(rang, 1, n) - 1];
}

} // namespace

const QStringList TVariante::Schluessel = {QStringLiteral("Beitrag"),        QStringLiteral("HonorarEingangsbuchung"),
                                           QStringLiteral("HonorarRechnungsbuchung"), QStringLiteral("Daempfung"),
                                           QStringLiteral("Grundsicherung"), QStringLiteral("LimitVirtSumme"),
                                           QStringLiteral("Kaeufer")};

TVariante TVariante::Lesen(const QString &text, QString *fehler)
{
    TVariante v;
    v.name = text.trimmed();
    const auto falsch = [&](const QString &warum) {
        if (fehler)
            *fehler = QStringLiteral("Variante \u201E%1\u201C: %2").arg(Textformat::zitat(text.trimmed()), warum);
        return TVariante();
    };
    if (v.name == QLatin1String("heute"))
        return v;
    for (const QString &teil : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (teil.trimmed().isEmpty())
            continue;
        const qsizetype gleich = teil.indexOf(QLatin1Char('='));
        if (gleich < 0)
            return falsch(QStringLiteral("\u201E%1\u201C ist keine Zuweisung Schlüssel=Wert.").arg(Textformat::zitat(teil.trimmed())));
        const QString schluessel = teil.left(gleich).trimmed(), wert = teil.mid(gleich + 1).trimmed();
        if (!Schluessel.contains(schluessel))
            return falsch(QStringLiteral("\u201E%1\u201C ist kein Parameter, den eine Variante ändern kann (%2).")
                              .arg(Textformat::zitat(schluessel), Schluessel.join(QStringLiteral(", "))));
        bool lesbar = false;
        if (schluessel == QLatin1String("Kaeufer"))
            lesbar = Textformat::textZuInt(wert).has_value();
        else if (schluessel == QLatin1String("Daempfung"))
            lesbar = Textformat::textZuFloat(QString(wert).replace(QLatin1Char('.'), QLatin1Char(','))).has_value();
        else
            lesbar = Textformat::einfacherBetrag(QString(wert).replace(QLatin1Char('.'), QLatin1Char(','))).has_value();
        if (!lesbar)
            return falsch(QStringLiteral("\u201E%1\u201C ist kein Wert für %2.").arg(Textformat::zitat(wert), schluessel));
        v.zuweisungen.append({schluessel, wert});
    }
    if (v.zuweisungen.isEmpty())
        return falsch(QStringLiteral("sie ändert nichts."));
    return v;
}

// What the history says, read once before the runs.
struct TWasWaere::Geschichte
{
    // Each member's habit counts by file name; members without enough months use Vorgabe.
    QHash<QString, std::array<int, Gewohnheiten>> gewohnheit;
    // What part of the contribution a part or a first of two parts was, in per mille.
    std::vector<int> teile;
    // Each member's invoices of one closed month, one entry per member and month.
    std::vector<QList<Money>> rechnungen;
    // Joins and exits: how many over how many months (joins) or member-months (exits).
    qint64 eintritte = 0, eintrittsMonate = 0, austritte = 0, mitgliedsMonate = 0;
};

TWasWaere::TWasWaere(TVennlok &quelle)
    : m_verzeichnis(quelle.Datenverzeichnis()), m_statistik(std::make_unique<Geschichte>())
{
    TKontext &k = *quelle.m_k;
    if (!k.PaktVorhanden())
        throw VennlokFehler(QStringLiteral("Hier gibt es keinen Pakt, dessen Zukunft sich rechnen ließe."));
    // The pact's own files; old months' logs are not needed to go on.
    const MonthKey offen = k.Buchungsmonat();
    static const QRegularExpression paktdatei(QStringLiteral("^(A_.*\\.ven|[TX]_.*\\.ven|Transfers\\.tra)$"));
    const QString offenesLog = QStringLiteral("A_Kassendaten%1.buc").arg(offen);
    m_bild = k.speicher->Bild([&](const QString &name) { return paktdatei.match(name).hasMatch() || name == offenesLog; });
    m_geschichte = quelle.Verlauf();

    Geschichte &g = *m_statistik;
    const QList<MonthKey> monate = [&] {
        QList<MonthKey> alle = k.daten->ArchivierteMonate();
        alle.removeIf([&](const MonthKey &m) { return m >= offen; });
        std::sort(alle.begin(), alle.end());
        return alle;
    }();
    const auto lesen = [&](const QString &datei, bool mitglied) {
        const TTeilhaber &t = k.teilhaber->Teilhaber(datei);
        std::array<int, Gewohnheiten> zaehler{};
        int dabei = 0;
        bool erster = true;
        for (const MonthKey &m : monate) {
            const QList<Money> ein = t.Buchungen(true, m);
            const QList<Money> rechnungen = t.Buchungen(false, m);
            if (erster && ein.isEmpty() && rechnungen.isEmpty())
                continue; // not in the pact yet
            if (erster && m != monate.first())
                ++g.eintritte;
            erster = false;
            ++dabei;
            const Money beitrag = k.daten->MonatBeitrag(m);
            Money summe = 0;
            for (const Money b : ein)
                summe = GeldPlus(summe, b);
            Gewohnheit art = Voll;
            if (ein.isEmpty())
                art = Gar_nicht;
            else if (ein.size() >= 2)
                art = Zweimal;
            else if (beitrag > 0 && summe < beitrag)
                art = Teilweise;
            ++zaehler[art];
            if ((art == Teilweise || art == Zweimal) && beitrag > 0)
                g.teile.push_back(int(std::clamp<qint64>(ein.first() * 1000 / beitrag, 1, 999)));
            if (m != monate.first())
                g.rechnungen.push_back(rechnungen);
        }
        g.mitgliedsMonate += dabei;
        if (!mitglied)
            ++g.austritte;
        if (mitglied && dabei >= MindestMonate)
            g.gewohnheit.insert(datei, zaehler);
    };
    for (const QString &datei : k.teilhaber->Mitglieder())
        lesen(datei, true);
    for (const QString &datei : k.teilhaber->Ausgetretene())
        lesen(datei, false);
    g.eintrittsMonate = std::max<qint64>(0, monate.size() - 1);
    std::sort(g.teile.begin(), g.teile.end());
}

TWasWaere::~TWasWaere() = default;

namespace {

struct LaufMonat
{
    MonthKey monat;
    Money kasse = 0, auszahlungen = 0, eigenanteile = 0, grundsicherung = 0;
    double anteil = 0;
};

} // namespace

TWasWaereErgebnis TWasWaere::Rechnen(const TWasWaereAuftrag &auftrag, const std::function<bool(int, int)> &fortschritt)
{
    if (auftrag.monate < 1 || auftrag.monate > 600 || auftrag.laeufe < 1 || auftrag.laeufe > 10000)
        throw VennlokFehler(QStringLiteral("Eine Rechnung braucht 1 bis 600 Monate und 1 bis 10000 Läufe."));
    QList<TVariante> varianten{TVariante{QStringLiteral("heute"), {}}};
    for (const TVariante &v : auftrag.varianten)
        if (v.name != QLatin1String("heute"))
            varianten.append(v);
    // Every run's months are kept until the percentiles are taken: a bound keeps that within memory.
    const qint64 laufMonate = qint64(varianten.size()) * auftrag.laeufe * auftrag.monate;
    if (laufMonate > MaxLaufMonate)
        throw VennlokFehler(QStringLiteral("Eine Rechnung umfasst höchstens %1 Lauf-Monate (Varianten × Läufe × Monate); "
                                           "diese hätte %2. Bitte weniger Läufe oder Monate wählen.")
                                .arg(QLocale(QLocale::German).toString(MaxLaufMonate), QLocale(QLocale::German).toString(laufMonate)));
    const Geschichte &g = *m_statistik;
    const int gesamt = int(varianten.size()) * auftrag.laeufe;

    // One run: its own engine in memory, months drawn from the history and closed by the engine.
    const auto laufen = [&](const TVariante &variante, int nr) {
        TVennlok v(m_verzeichnis, m_bild);
        TKontext &k = *v.m_k;
        v.Oeffnen();
        Wuerfel w(laufSaat(auftrag.saat, nr));
        int kaeufer = 0, zugaenge = 0;
        QList<LaufMonat> ergebnis;
        for (int m = 0; m < auftrag.monate; ++m) {
            const MonthKey monat = k.Buchungsmonat();
            TTransaktion transaktion(v);
            if (m == 1 && !variante.zuweisungen.isEmpty()) {
                // The variant's rules from the month after the booking month on.
                const TParameter p = v.Parameter();
                Money werte[] = {p.beitrag, p.honorarEingangsbuchung, p.honorarRechnungsbuchung, 0, p.grundsicherung, p.limitVirtSumme};
                double daempfung = p.daempfung;
                const auto abgelehnt = [&](const QString &warum) {
                    return VennlokFehler(QStringLiteral("Variante \u201E%1\u201C: %2").arg(variante.name, warum));
                };
                for (const auto &[schluessel, wert] : variante.zuweisungen) {
                    // Read as TVariante::Lesen checked them; a variant made otherwise is refused, not guessed.
                    const QString komma = QString(wert).replace(QLatin1Char('.'), QLatin1Char(','));
                    const int i = int(TVariante::Schluessel.indexOf(schluessel));
                    constexpr int DaempfungNr = 3, KaeuferNr = 6; // their places in TVariante::Schluessel
                    const auto ganz = Textformat::textZuInt(wert);
                    const auto anteil = Textformat::textZuFloat(komma);
                    const auto betrag = Textformat::einfacherBetrag(komma);
                    if (i < 0 || (i == KaeuferNr && !ganz) || (i == DaempfungNr && !anteil)
                        || (i != DaempfungNr && i != KaeuferNr && !betrag))
                        throw abgelehnt(QStringLiteral("\u201E%1=%2\u201C ist keine Änderung, die eine Variante machen kann.").arg(schluessel, wert));
                    if (i == KaeuferNr)
                        kaeufer = *ganz;
                    else if (i == DaempfungNr)
                        daempfung = *anteil;
                    else
                        werte[i] = *betrag;
                }
                try {
                    const TErgebnis r = v.Vertrag(QStringLiteral("WasWaere"), tag(monat, 1), werte[0], werte[1], werte[2], daempfung,
                                                  werte[4], werte[5]);
                    if (!r.gebucht())
                        throw abgelehnt(r.meldung);
                } catch (const VennlokFehler &f) {
                    if (f.text().startsWith(QStringLiteral("Variante ")))
                        throw;
                    throw abgelehnt(f.text());
                }
            }
            const Money beitrag = k.daten->Beitrag();
            const QStringList mitglieder = k.teilhaber->Mitglieder();
            const bool ersterMonat = m == 0;
            // Payments: each member as his habit says; in the booking month only who has paid nothing yet.
            for (int i = 0; i < mitglieder.size(); ++i) {
                const QString &datei = mitglieder[i];
                TTeilhaber &t = k.teilhaber->Teilhaber(datei);
                if (ersterMonat && !t.Buchungen(true, monat).isEmpty())
                    continue;
                const auto gewohnt = g.gewohnheit.constFind(datei);
                int wurf = w.bis(gewohnt == g.gewohnheit.cend()
                                     ? 100
                                     : (*gewohnt)[0] + (*gewohnt)[1] + (*gewohnt)[2] + (*gewohnt)[3]);
                int art = 0;
                for (; art < Gewohnheiten - 1; ++art) {
                    const int anteil = gewohnt == g.gewohnheit.cend() ? Vorgabe[art] : (*gewohnt)[art];
                    if (wurf < anteil)
                        break;
                    wurf -= anteil;
                }
                const QString name = NameAusDateiname(datei);
                const DateTime am = tag(monat, 2 + i % 5);
                const int promille = g.teile.empty() ? 500 : g.teile[size_t(w.bis(int(g.teile.size())))];
                const Money teil = beitrag / 1000 * promille / 100 * 100; // on the cent
                switch (art) {
                case Voll:
                    v.Einzahlung(name, monat, beitrag, am);
                    break;
                case Teilweise:
                    v.Einzahlung(name, monat, teil, am);
                    break;
                case Zweimal:
                    v.Einzahlung(name, monat, teil, am);
                    v.Einzahlung(name, monat, GeldPlus(beitrag, -teil), tag(monat, 10));
                    break;
                default:
                    break;
                }
            }
            // Joins at the observed rate; each new member pays in full.
            if (g.eintrittsMonate > 0) {
                const qint64 anzahl = g.eintritte / g.eintrittsMonate + (w.chance(g.eintritte % g.eintrittsMonate, g.eintrittsMonate) ? 1 : 0);
                for (qint64 n = 0; n < anzahl; ++n)
                    v.Einzahlung(QStringLiteral("Zugang %1").arg(++zugaenge, 4, 10, QLatin1Char('0')), monat, beitrag,
                                 tag(monat, 6));
            }
            // Invoices: each member's of a past month drawn at random, as the buyer model makes them.
            if (!ersterMonat || v.Monatsstand().rechnungsbuchungen == 0) {
                for (const QString &datei : mitglieder) {
                    QList<Money> rechnungen;
                    if (!g.rechnungen.empty())
                        rechnungen = g.rechnungen[size_t(w.bis(int(g.rechnungen.size())))];
                    else if (w.chance(60, 100))
                        rechnungen = {Money(1500 + w.bis(12000)) * 100};
                    for (const Money betrag : std::as_const(rechnungen))
                        v.Rechnung(NameAusDateiname(datei), KaeuferBetrag(kaeufer, betrag, k.daten->ExtSozialanteil()),
                                   tag(monat, 15));
                }
            }
            // Exits at the observed rate per member and month.
            if (g.austritte > 0)
                for (const QString &datei : mitglieder)
                    if (w.chance(g.austritte, g.mitgliedsMonate))
                        v.Austritt(NameAusDateiname(datei));
            const TErgebnis abschluss = v.Monatsabschluss(monat, true, tag(monat, 28));
            if (!abschluss.gebucht())
                throw VennlokFehler(QStringLiteral("Der Monatsabschluss %1 einer Rechnung ist misslungen: %2").arg(monat, abschluss.meldung));
            transaktion.Festschreiben();
            LaufMonat lm;
            lm.monat = monat;
            lm.grundsicherung = k.daten->Grundsicherung();
            ergebnis.append(lm);
        }
        // The closed months' figures as the history reads them.
        const QList<TMonatsverlauf> verlauf = v.Verlauf();
        for (LaufMonat &lm : ergebnis)
            for (auto it = verlauf.crbegin(); it != verlauf.crend(); ++it)
                if (it->monat == lm.monat) {
                    lm.kasse = it->kasse;
                    lm.auszahlungen = it->auszahlungen;
                    lm.eigenanteile = it->eigenanteile;
                    lm.anteil = it->extAnteil;
                    break;
                }
        return ergebnis;
    };

    // The runs, on all cores: each takes the next number; a failure or a cancel stops them all.
    std::vector<QList<LaufMonat>> laeufe(static_cast<size_t>(gesamt));
    std::atomic<int> naechster{0}, fertig{0};
    std::atomic<bool> abbrechen{false};
    std::mutex fehlerSperre;
    std::optional<VennlokFehler> fehler;
    const auto arbeiter = [&] {
        for (int i = naechster++; i < gesamt && !abbrechen; i = naechster++) {
            // Nothing may leave a worker thread: a failure of any kind ends all runs and is told.
            const auto merken = [&](const VennlokFehler &f) {
                const std::lock_guard<std::mutex> halten(fehlerSperre);
                if (!fehler)
                    fehler = f;
                abbrechen = true;
            };
            try {
                laeufe[size_t(i)] = laufen(varianten[i / auftrag.laeufe], i % auftrag.laeufe);
            } catch (const VennlokFehler &f) {
                merken(f);
            } catch (const std::exception &f) {
                merken(VennlokFehler(QStringLiteral("Ein Lauf der Rechnung ist misslungen: %1").arg(QString::fromLocal8Bit(f.what()))));
            }
            const int jetzt = ++fertig;
            if (fortschritt && !fortschritt(jetzt, gesamt))
                abbrechen = true;
        }
    };
    const int kerne = auftrag.threads > 0 ? auftrag.threads : std::max(1, int(std::thread::hardware_concurrency()));
    std::vector<std::thread> threads;
    for (int t = 1; t < std::min(kerne, gesamt); ++t)
        threads.emplace_back(arbeiter);
    arbeiter();
    for (std::thread &t : threads)
        t.join();
    if (fehler)
        throw *fehler;

    TWasWaereErgebnis ergebnis;
    ergebnis.geschichte = m_geschichte;
    ergebnis.abgebrochen = abbrechen;
    if (ergebnis.abgebrochen)
        return ergebnis;
    for (int vi = 0; vi < varianten.size(); ++vi) {
        QList<TWasWaereMonat> monate;
        for (int m = 0; m < auftrag.monate; ++m) {
            std::vector<Money> kasse, aus, eigen;
            std::vector<double> anteil;
            int unter = 0;
            for (int r = 0; r < auftrag.laeufe; ++r) {
                const LaufMonat &lm = laeufe[size_t(vi * auftrag.laeufe + r)][m];
                kasse.push_back(lm.kasse);
                aus.push_back(lm.auszahlungen);
                eigen.push_back(lm.eigenanteile);
                anteil.push_back(lm.anteil);
                if (lm.kasse < lm.grundsicherung)
                    ++unter;
            }
            for (auto *liste : {&kasse, &aus, &eigen})
                std::sort(liste->begin(), liste->end());
            std::sort(anteil.begin(), anteil.end());
            TWasWaereMonat wm;
            wm.monat = laeufe[size_t(vi * auftrag.laeufe)][m].monat;
            const int p[3] = {10, 50, 90};
            for (int i = 0; i < 3; ++i) {
                wm.kasse[i] = perzentil(kasse, p[i]);
                wm.anteil[i] = perzentil(anteil, p[i]);
                wm.auszahlungen[i] = perzentil(aus, p[i]);
            }
            wm.eigenanteile = perzentil(eigen, 50);
            wm.unterdeckung = double(unter) / auftrag.laeufe;
            monate.append(wm);
        }
        ergebnis.varianten.append({varianten[vi].name, monate});
    }
    return ergebnis;
}
