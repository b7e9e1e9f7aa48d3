// The month close, the exit and the discarding of bookings and months.

#include "engine/vennlok.h"

#include "algo/fehler.h"
#include "algo/formeln.h"
#include "algo/runden.h"
#include "data/textdatei.h"
#include "data/textformat.h"
#include "data/uhr.h"
#include "platform/dateien.h"
#include "platform/skript.h"

#include <QFile>
#include <vector>

namespace {

const QString Transfers = QStringLiteral("Transfers.tra");
const QString Bankzeile = QStringLiteral("hier KTO, BLZ und Bank");

[[noreturn]] void misslungen(const QString &was)
{
    throw VennlokFehler(QStringLiteral("%1 ist misslungen; es wurde nichts gebucht.").arg(was));
}

} // namespace

void TVennlok::fuerJedenTeilhaber(const std::function<void(TTeilhaber &, const QString &)> &schritt)
{
    for (const QString &datei : teilhaberDateien()) {
        m_teilhaber = std::make_unique<TTeilhaber>(Pfad(datei));
        TeilhaberFreigabe freigabe{m_teilhaber};
        schritt(*m_teilhaber, datei);
        if (m_teilhaber->Geaendert())
            m_teilhaber->UpdateFile();
    }
}

void TVennlok::transaktion(const QString &fehlerzeile, const std::function<void()> &schritte)
{
    const MonthKey monat = Buchungsmonat();
    m_speicher->Beginnen();
    try {
        schritte();
        m_speicher->Festschreiben();
    } catch (const std::exception &) {
        m_speicher->Abbrechen();
        zustandNeuLaden(monat, fehlerzeile);
        throw;
    }
}

void TVennlok::zustandNeuLaden(const MonthKey &monat, const QString &fehlerzeile)
{
    dateienLoslassen();
    m_daten = std::make_unique<TVennlokDaten>(Pfad(TVennlokDaten::Dateiname));
    if (monat.isEmpty() || !m_speicher->Existiert(Pfad(TKasse::Dateiname(monat))))
        return;
    m_kasse = std::make_unique<TKasse>(Pfad(TKasse::Dateiname(monat)));
    try {
        m_buchungslog = std::make_unique<TBuchungslog>(Pfad(TBuchungslog::Dateiname(monat)));
        if (!fehlerzeile.isEmpty())
            log(fehlerzeile);
    } catch (const VennlokFehler &) {
        // The booking is undone either way; a log that cannot be written must not hide why.
    }
}

void TVennlok::dateiUmbenennen(const QString &alt, const QString &neu)
{
    m_speicher->Umbenennen(Pfad(alt), Pfad(neu));
}

void TVennlok::skriptStarten(const QString &name, const QStringList &zeilen)
{
    Textdatei::ZeilenSchreiben(Pfad(name), zeilen);
    Plattform::SkriptStarten(Pfad(name), m_verzeichnis);
}

// --- month close -----------------------------------------------------------

bool TVennlok::Monatsabschluss(const MonthKey &monat, bool erzwingen, DateTime datum)
{
    if (!m_kasse)
        throw VennlokFehler(QStringLiteral("Es ist keine Kasse offen: ohne Pakt gibt es keinen Monatsabschluss."));
    if (monat != Buchungsmonat())
        throw VennlokFehler(QStringLiteral("Der Monat %1 ist nicht der Buchungsmonat %2 und kann nicht abgeschlossen werden.")
                                .arg(monat, Buchungsmonat()));
    if (AnzahlTeilhaber(2) != 0 && !erzwingen)
        return true;

    const MonthKey folgemonat = Folgemonat(monat);
    transaktion(QStringLiteral("Monatsab#####,") + monat + QStringLiteral("   ABSCHLUSSFEHLER"), [&] {
        log(QStringLiteral("Monatsab,") + monat);
        m_buchungslog.reset();
        anwaltHonorarBuchen(monat, datum);
        NachSchritt(QStringLiteral("AnwaltHonorarBuchen"));
        offeneBeitraegeBuchen(monat);
        NachSchritt(QStringLiteral("OffeneBeitraegeBuchen"));
        auszahlungenBuchen(monat);
        NachSchritt(QStringLiteral("AuszahlungenBuchen"));
        kapitalanteileBerechnen(monat);
        NachSchritt(QStringLiteral("KapitalanteileBerechnen"));
        parameterBerechnen(monat);
        NachSchritt(QStringLiteral("ParameterBerechnen"));
        if (!m_kasse->Abschliessen(monat, datum))
            misslungen(QStringLiteral("Das Abschließen der Kasse"));
        const Money schluss = m_kasse->Summe();
        m_kasse.reset();
        transfersSchreiben(monat, datum);
        NachSchritt(QStringLiteral("TransfersSchreiben"));
        KasseOeffnen(folgemonat, Uhr::Heute());
        m_kasse->SetSummeVormonat(schluss);
        m_kasse->SetSumme(schluss);
        m_kasse->UpdateFile();
        m_daten->SetBuchungsmonat(folgemonat);
        m_daten->UpdateFile();
        NachSchritt(QStringLiteral("KasseOeffnen"));
    });
    // The scripts only show and copy what is booked; the booking never depends on them.
    if (!AutoModus) {
        TransfersZeigen();
        Sicherung(monat);
    }
    return false;
}

void TVennlok::anwaltHonorarBuchen(const MonthKey &monat, DateTime datum)
{
    const Money ein = HonorarEingangsbuchung() * m_kasse->Eingangsbuchungen(monat);
    const Money rech = HonorarRechnungsbuchung() * m_kasse->Rechnungsbuchungen(monat);
    TAnwalt anwalt(Pfad(TAnwalt::Dateiname));
    if (!anwalt.HonorareSetzen(monat, datum, ein, rech)) {
        anwalt.Verwerfen();
        misslungen(QStringLiteral("Das Eintragen der Anwaltshonorare"));
    }
    if (!m_kasse->HonorarBuchen(datum, ein, rech))
        misslungen(QStringLiteral("Die Buchung der Anwaltshonorare"));
}

void TVennlok::offeneBeitraegeBuchen(const MonthKey &monat)
{
    const Money beitrag = Beitrag();
    fuerJedenTeilhaber([&](TTeilhaber &t, const QString &) { t.OffenBuchen(monat, beitrag); });
}

void TVennlok::teilhaberAuszahlen(TTeilhaber &teilhaber, const QString &name, const MonthKey &monat)
{
    const Money rechnungen = teilhaber.Rechnungen(monat);
    const Money ausgezahlt = teilhaber.Auszahlungen(monat);
    if (rechnungen <= 0 || rechnungen <= ausgezahlt)
        return;
    // Only what is still unpaid: a payout made earlier in the month is not paid again.
    const Money offen = rechnungen - ausgezahlt;
    const Money eigenVorher = teilhaber.Eigenanteile(monat);
    if (!teilhaber.AuszahlungBuchen(monat, offen, Uhr::Heute(), R4(Sozialanteil()), LimitVirtSumme()))
        misslungen(QStringLiteral("Die Auszahlung an %1").arg(name));
    const Money eigen = teilhaber.Eigenanteile(monat) - eigenVorher;
    if (m_kasse && !m_kasse->AuszahlungBuchen(monat, name, offen, eigen, Uhr::Heute()))
        misslungen(QStringLiteral("Die Kassenbuchung der Auszahlung an %1").arg(name));
}

void TVennlok::auszahlungenBuchen(const MonthKey &monat)
{
    fuerJedenTeilhaber([&](TTeilhaber &t, const QString &datei) { teilhaberAuszahlen(t, NameAusDateiname(datei), monat); });
}

bool TVennlok::AuszahlungenBuchen(const MonthKey &monat)
{
    transaktion(QStringLiteral("Aus#####,") + monat + QStringLiteral("   BUCHUNGSFEHLER"),
                [&] { auszahlungenBuchen(monat); });
    return true;
}

void TVennlok::kapitalanteileBerechnen(const MonthKey &monat)
{
    const Money limit = LimitVirtSumme();
    Money summe = 0;
    fuerJedenTeilhaber([&](TTeilhaber &t, const QString &) { summe += t.Kapitalanteil(monat, limit); });
    const Money kasse = m_kasse->Summe();
    fuerJedenTeilhaber([&](TTeilhaber &t, const QString &) {
        t.SetKapitalanteil(monat, Dreisatz(t.Kapitalanteil(monat, limit), kasse, summe));
    });
}

void TVennlok::parameterBerechnen(const MonthKey &monat)
{
    if (!m_daten->MonatArchivieren(monat))
        misslungen(QStringLiteral("Das Archivieren der Monatsparameter"));
    m_daten->SetMonatEingangsbuchungen(monat, m_kasse->Eingangsbuchungen(monat));
    m_daten->SetMonatSumme(monat, m_kasse->Summe());
    m_daten->SetMonatEinzahlungen(monat, m_kasse->Einzahlungen());
    m_daten->SetMonatAuszahlungen(monat, m_kasse->Auszahlungen());
    m_daten->SetMonatEigenanteile(monat, m_kasse->Eigenanteile());
    if (monat != m_daten->Startmonat())
        m_daten->SetIntSozialanteil(NeuerIntSozialanteil(m_daten->MonatEingangsbuchungen(monat), m_kasse->Einzahlungen(),
                                                         m_kasse->Auszahlungen(), m_daten->MonatSumme(monat),
                                                         Grundsicherung(), IntSozialanteil(), Daempfung()));
    m_daten->UpdateFile();
}

void TVennlok::transfersSchreiben(const MonthKey &monat, DateTime datum)
{
    QStringList zeilen{QString(),
                       QStringLiteral("Transfers des Monats ") + monat + QStringLiteral(" erzeugt am ")
                           + Textformat::datumZuText(datum) + QLatin1Char(',') + Textformat::zeitZuText(datum),
                       QString()};
    const auto block = [&](const QString &art, Money betrag) {
        zeilen << art + Textformat::transferBetrag(betrag) << Bankzeile << QString();
    };
    {
        TAnwalt anwalt(Pfad(TAnwalt::Dateiname));
        anwalt.Verwerfen();
        const Money honorare = anwalt.HonorareGesamt(monat);
        if (honorare > 0)
            block(QStringLiteral("Honorare: "), honorare);
    }
    // Participants who left in this month are paid too: their invoices and their settlement.
    std::vector<std::unique_ptr<TTeilhaber>> ausgetreten;
    for (const QString &datei : m_speicher->Liste(QStringLiteral("X_*.ven"))) {
        auto t = std::make_unique<TTeilhaber>(Pfad(datei));
        t->Verwerfen();
        if (t->AusgetretenImMonat() == monat)
            ausgetreten.push_back(std::move(t));
    }
    fuerJedenTeilhaber([&](TTeilhaber &t, const QString &) {
        const Money auszahlungen = t.Auszahlungen(monat);
        if (auszahlungen > 0)
            block(QStringLiteral("Rechnung: "), auszahlungen);
    });
    for (const auto &t : ausgetreten)
        if (t->Auszahlungen(monat) > 0)
            block(QStringLiteral("Rechnung: "), t->Auszahlungen(monat));
    for (const auto &t : ausgetreten)
        if (t->Auszahlung() > 0)
            block(QStringLiteral("AustrittsAuszahlung: "), t->Auszahlung());
    Textdatei::ZeilenSchreiben(Pfad(Transfers), zeilen);
}

void TVennlok::TransfersZeigen()
{
    skriptStarten(QStringLiteral("T633786A.BAT"), {QStringLiteral("start ") + Transfers});
}

void TVennlok::Sicherung(const MonthKey &monat)
{
    const QString ziel = QStringLiteral("Backup") + monat;
    skriptStarten(QStringLiteral("G654J76N.BAT"),
                  {QStringLiteral("md ") + ziel, QStringLiteral("copy *.buc ") + ziel, QStringLiteral("copy *.tra ") + ziel,
                   QStringLiteral("copy *.ven ") + ziel});
}

// --- exit ------------------------------------------------------------------

Money TVennlok::Austrittsbetrag(const QString &name)
{
    const QString datei = TeilhaberNameFehler(name).isEmpty() ? teilhaberDatei(name) : QString();
    const MonthKey monat = Buchungsmonat();
    if (datei.isEmpty() || monat.isEmpty() || monat == m_daten->Startmonat())
        return 0;
    TTeilhaber t(Pfad(datei));
    t.Verwerfen();
    return std::max<Money>(t.GespeicherterKapitalanteil(Vormonat(monat)), 0);
}

QString TVennlok::Austritt(const QString &name)
{
    if (!m_kasse)
        return QStringLiteral("Die Kasse ist nicht offen.");
    const QString fehler = TeilhaberNameFehler(name);
    if (!fehler.isEmpty())
        return fehler;
    const QString datei = teilhaberDatei(name);
    if (datei.isEmpty())
        return QStringLiteral("Dieser Teilhaber existiert nicht.");
    const QString wer = NameAusDateiname(datei);
    const MonthKey monat = Buchungsmonat();
    const Money betrag = Austrittsbetrag(wer);
    // Someone of the same name may have left before; that record stays.
    QString ziel = QLatin1Char('X') + datei.mid(1);
    for (int n = 2; m_speicher->Existiert(Pfad(ziel)); ++n)
        ziel = QStringLiteral("X_%1_%2.ven").arg(wer).arg(n);
    transaktion(QStringLiteral("Austritt#####,") + wer + QStringLiteral("   BUCHUNGSFEHLER"), [&] {
                    m_teilhaber = std::make_unique<TTeilhaber>(Pfad(datei));
                    TeilhaberFreigabe freigabe{m_teilhaber};
                    teilhaberAuszahlen(*m_teilhaber, wer, monat);
                    if (!m_teilhaber->AustrittBuchen(monat, betrag))
                        misslungen(QStringLiteral("Der Austritt von %1").arg(wer));
                    if (betrag > 0 && !m_kasse->AustrittBuchen(monat, wer, betrag, Uhr::Jetzt()))
                        misslungen(QStringLiteral("Die Kassenbuchung des Austritts von %1").arg(wer));
                    m_teilhaber.reset();
                    dateiUmbenennen(datei, ziel);
                    log(QStringLiteral("Austritt,") + wer + QLatin1Char(',') + Textformat::moneyZuText(betrag));
                });
    return QString();
}

// --- discarding ------------------------------------------------------------

void TVennlok::buchungenVerwerfen(const MonthKey &monat, int arten)
{
    const bool kasseDesMonats = m_kasse && monat == Buchungsmonat();
    fuerJedenTeilhaber([&](TTeilhaber &t, const QString &datei) {
        if (arten & 2) {
            // Payouts leave the fund's book too, or paying again would take the money twice.
            if (kasseDesMonats && !m_kasse->AuszahlungenStornieren(monat, NameAusDateiname(datei)))
                misslungen(QStringLiteral("Das Zurücknehmen der Auszahlungen aus der Kasse"));
            if (!t.AuszahlungenLoeschen(monat))
                misslungen(QStringLiteral("Das Verwerfen der Auszahlungen"));
        }
        if ((arten & 4) && !t.RechnungenLoeschen(monat))
            misslungen(QStringLiteral("Das Verwerfen der Rechnungen"));
        if ((arten & 8) && !t.EinzahlungenLoeschen(monat))
            misslungen(QStringLiteral("Das Verwerfen der Einzahlungen"));
    });
}

bool TVennlok::BuchungenVerwerfen(const MonthKey &monat, int arten)
{
    transaktion(QStringLiteral("Verwerfen#####,") + monat + QStringLiteral("   BUCHUNGSFEHLER"),
                [&] { buchungenVerwerfen(monat, arten); });
    return true;
}

bool TVennlok::MonatVerwerfen(const MonthKey &monat)
{
    if (!m_kasse || monat != Buchungsmonat() || monat == m_daten->Startmonat())
        return false;
    const MonthKey vormonat = Vormonat(monat);
    const QString alt = TKasse::Dateiname(monat);
    // The discarded book is kept as a record under a dated name; a second one of the same day gets a number.
    const QString stempel = alt + Textformat::dateTimeZuText(Uhr::Heute()).remove(QLatin1Char('.'));
    QString neu = stempel;
    for (int n = 2; m_speicher->Existiert(Pfad(neu)); ++n)
        neu = stempel + QLatin1Char('_') + QString::number(n);
    transaktion(QStringLiteral("Verwerfen#####,") + monat + QStringLiteral("   BUCHUNGSFEHLER"), [&] {
        buchungenVerwerfen(monat, 14);
        if (!m_kasse->Abschliessen(monat, Uhr::Jetzt()))
            misslungen(QStringLiteral("Das Abschließen der verworfenen Kasse"));
        m_kasse.reset();
        dateiUmbenennen(alt, neu);
        m_daten->SetBuchungsmonat(vormonat);
        KasseOeffnen(vormonat, Uhr::Heute());
        if (!m_daten->MonatZurueckholen(vormonat))
            misslungen(QStringLiteral("Das Zurückholen der Parameter von %1").arg(vormonat));
    });
    return true;
}
