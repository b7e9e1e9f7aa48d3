// The engine's frame: the locked directory, its store, the master data and the open month.

#include "engine/vennlok.h"
#include "engine/intern.h"

#include "algo/fehler.h"
#include "algo/formeln.h"
#include "algo/runden.h"
#include "data/bankdaten.h"
#include "data/cp1252.h"
#include "data/textdatei.h"
#include "data/textformat.h"
#include "data/uhr.h"
#include "platform/dateien.h"
#include "platform/skript.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

const QString TVennlok::Version = QStringLiteral("core B.01");

TVennlok::TVennlok(const QString &datenverzeichnis, bool unterbrocheneBuchungBereinigen)
    : m_verzeichnis(QDir(datenverzeichnis).absolutePath())
{
    if (!QFileInfo(m_verzeichnis).isDir())
        throw VennlokFehler(QStringLiteral("Das Datenverzeichnis \u201E%1\u201C gibt es nicht.").arg(m_verzeichnis));
    m_sperre = std::make_unique<TSperre>(m_verzeichnis);
    speicherOeffnen();
    // The lock of a program that ended without letting go (killed, a power
    // cut) was taken over: the log says so.
    QStringList gefunden;
    if (m_sperre->Verwaist())
        gefunden << QStringLiteral("Eine verwaiste Sperrdatei eines beendeten Programms wurde übernommen.");
    if (unterbrocheneBuchungBereinigen) {
        const TJournalSpeicher::Wiederherstellung w = m_speicher->Wiederherstellen();
        m_fund = w.fund;
        gefunden << w.meldung;
    }
    gefunden.removeAll(QString());
    m_wiederhergestellt = gefunden.join(QLatin1Char(' '));
    m_daten = std::make_unique<TVennlokDaten>(Pfad(TVennlokDaten::Dateiname));
}

void TVennlok::speicherOeffnen()
{
    dateienLoslassen();
    m_register.reset();
    m_speicher.reset(); // one store per directory at a time
    m_speicher = std::make_unique<TJournalSpeicher>(m_verzeichnis);
    m_register = std::make_unique<TTeilhaberRegister>(*m_speicher, m_verzeichnis);
}

TVennlok::~TVennlok()
{
    // A script still at work reads its file first; it ends before the file goes.
    Plattform::AufSkripteWarten();
    QFile::remove(Pfad(Intern::SkriptSicherung));
    QFile::remove(Pfad(Intern::SkriptTransfers));
    // Every operation writes what it changed; nothing is written on the way out,
    // so a directory without a pact does not get an empty master data file.
    dateienLoslassen();
}

void TVennlok::dateienLoslassen()
{
    for (TRollMemIniFile *datei : {static_cast<TRollMemIniFile *>(m_daten.get()),
                                   static_cast<TRollMemIniFile *>(m_kasse.get())})
        if (datei)
            datei->Verwerfen();
    if (m_register)
        m_register->AllesVergessen();
    m_kasse.reset();
    m_buchungslog.reset();
    m_daten.reset();
}

QString TVennlok::Pfad(const QString &dateiname) const
{
    return QDir(m_verzeichnis).filePath(dateiname);
}

bool TVennlok::PaktVorhanden(const QString &datenverzeichnis)
{
    return QFileInfo(QDir(datenverzeichnis).filePath(TVennlokDaten::Dateiname)).isFile();
}

void TVennlok::VerzeichnisAnlegen(const QString &datenverzeichnis)
{
    if (!QDir().mkpath(datenverzeichnis))
        throw VennlokFehler(QStringLiteral("Der Ordner \u201E%1\u201C kann nicht angelegt werden.")
                                .arg(QDir::toNativeSeparators(datenverzeichnis)));
}

QString TVennlok::FreiesVerzeichnis(const QString &basis)
{
    const auto frei = [](const QString &ordner) {
        const QFileInfo info(ordner);
        return !info.exists()
               || (info.isDir() && QDir(ordner).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System));
    };
    QString ordner = basis;
    for (int n = 2; !frei(ordner); ++n)
        ordner = basis + QStringLiteral("-%1").arg(n);
    return ordner;
}

bool TVennlok::PaktVorhanden() const
{
    return m_speicher->Existiert(Pfad(TVennlokDaten::Dateiname));
}

void TVennlok::log(const QString &zeile)
{
    if (m_buchungslog)
        m_buchungslog->Schreiben(zeile);
}

void TVennlok::Oeffnen()
{
    if (PaktVorhanden()) {
        dateienPruefen();
        // A lost cash book of a later month must not come back with a balance of 0.
        const QString kasse = TKasse::Dateiname(Buchungsmonat());
        if (!m_speicher->Existiert(Pfad(kasse)) && Buchungsmonat() != m_daten->Startmonat())
            throw VennlokFehler(QStringLiteral("Die Kassendatei \u201E%1\u201C des offenen Monats fehlt. Sie wird nicht mit "
                                               "dem Kassenstand 0 neu angelegt; bitte die Datei aus einer Sicherung "
                                               "zurückholen.").arg(kasse),
                                Pfad(kasse), VennlokFehler::Beschaedigt);
        transaktion(QString(), [&] { KasseOeffnen(Buchungsmonat(), Uhr::Heute()); });
    }
    if (!m_wiederhergestellt.isEmpty()) {
        log(m_wiederhergestellt);
        m_wiederhergestellt.clear();
    }
}

void TVennlok::KasseOeffnen(const MonthKey &monat, DateTime datum)
{
    if (!PaktVorhanden())
        return;
    const QString name = Pfad(TKasse::Dateiname(monat));
    const bool neu = !m_speicher->Existiert(name);
    if (m_kasse)
        m_kasse->Verwerfen();
    m_kasse = std::make_unique<TKasse>(name);
    // A damaged book is refused before the log tells of its opening.
    if (!neu)
        kassePruefen(*m_kasse, monat);
    if (m_kasse->Abgeschlossen()) {
        // A closed month opened again keeps every figure it has.
        if (!m_kasse->Wiedereroeffnen(Uhr::Jetzt()))
            throw VennlokFehler(QStringLiteral("Die Kassendatei \u201E%1\u201C kann nicht wieder eröffnet werden.")
                                    .arg(TKasse::Dateiname(monat)));
    } else if (neu) {
        if (!m_kasse->Eroeffnen(monat, Beitrag(), HonorarEingangsbuchung(), HonorarRechnungsbuchung(), 0, Uhr::Heute()))
            throw VennlokFehler(QStringLiteral("Die Kassendatei \u201E%1\u201C kann nicht angelegt werden.")
                                    .arg(TKasse::Dateiname(monat)));
    }
    m_buchungslog.reset();
    m_buchungslog = std::make_unique<TBuchungslog>(Pfad(TBuchungslog::Dateiname(monat)), datum);
}

DateTime TVennlok::Jetzt()
{
    return Uhr::Jetzt();
}

QString TVennlok::Datumstext()
{
    return DatumText(Uhr::Jetzt());
}

MonthKey TVennlok::LaufenderMonat()
{
    return MonatKey(Uhr::Jetzt());
}

MonthKey TVennlok::MonatDavor(const MonthKey &monat)
{
    return Vormonat(monat);
}

QDate TVennlok::NaechsterBankarbeitstag(const QDate &tag)
{
    return Bankdaten::NaechsterBankarbeitstag(tag);
}

double TVennlok::IntSozialanteilFuer(double ext)
{
    return IntAusExt(ext);
}

bool TVennlok::PaktKontoAnders(const QString &inhaber, const QString &iban, const QString &bic) const
{
    const TVennlokDaten::Konto alt = m_daten->PaktKonto();
    return inhaber.trimmed() != alt.inhaber || Bankdaten::AngabeNormal(QStringLiteral("IBAN"), iban) != alt.iban
           || Bankdaten::AngabeNormal(QStringLiteral("BIC"), bic) != alt.bic;
}

std::pair<Money, Money> TVennlok::RechnungsAnteile(Money betrag) const
{
    const Money satz = R4(Sozialanteil());
    return {SozialanteilBetrag(betrag, satz), EigenanteilBetrag(betrag, satz)};
}

MonthKey TVennlok::Buchungsmonat() const
{
    return PaktVorhanden() ? m_daten->Buchungsmonat() : MonthKey();
}

void TVennlok::SetBuchungsmonat(const MonthKey &monat)
{
    if (PaktVorhanden())
        m_daten->SetBuchungsmonat(monat);
}

Money TVennlok::Beitrag() const { return m_daten->Beitrag(); }
Money TVennlok::HonorarEingangsbuchung() const { return m_daten->HonorarEingangsbuchung(); }
Money TVennlok::HonorarRechnungsbuchung() const { return m_daten->HonorarRechnungsbuchung(); }
double TVennlok::IntSozialanteil() const { return m_daten->IntSozialanteil(); }
double TVennlok::Sozialanteil() const { return m_daten->ExtSozialanteil(); }
double TVennlok::Daempfung() const { return m_daten->Daempfung(); }
Money TVennlok::Grundsicherung() const { return m_daten->Grundsicherung(); }
Money TVennlok::LimitVirtSumme() const { return m_daten->LimitVirtSumme(); }

void TVennlok::datenAendern(const std::function<void()> &aenderung)
{
    m_daten->SetRollbackPoint();
    try {
        aenderung();
    } catch (const std::exception &) {
        m_daten->Rollback();
        throw;
    }
}

void TVennlok::SetIntSozialanteil(double wert)
{
    transaktion(QString(), [&] {
        datenAendern([&] {
            m_daten->SetIntSozialanteil(wert);
            m_daten->UpdateFile();
        });
    });
}

Money TVennlok::Kassenstand() const
{
    return m_kasse ? m_kasse->Summe() : FehlwertMoney;
}

int TVennlok::AnzahlEingangsbuchungen() const
{
    return m_kasse ? m_kasse->Eingangsbuchungen(Buchungsmonat()) : FehlwertInt;
}

int TVennlok::AnzahlAusgangsbuchungen() const
{
    return m_kasse ? m_kasse->Ausgangsbuchungen(Buchungsmonat()) : FehlwertInt;
}

int TVennlok::AnzahlRechnungsbuchungen() const
{
    return m_kasse ? m_kasse->Rechnungsbuchungen(Buchungsmonat()) : FehlwertInt;
}

Money TVennlok::SummeRechnungen() const
{
    return m_kasse ? m_kasse->Rechnungen() : FehlwertMoney;
}

void TVennlok::transaktion(const QString &fehlerzeile, const std::function<void()> &schritte)
{
    // Inside a replay's group the failure line waits until the group's good lines are booked again.
    const bool innen = m_speicher->InTransaktion();
    // A value a booking needs that is missing or damaged refuses it before anything is touched.
    if (!innen)
        dateienPruefen();
    m_speicher->Beginnen();
    try {
        schritte();
        m_speicher->Festschreiben();
    } catch (const std::exception &e) {
        // Durable in the journal, only not yet in every file: memory already
        // holds the committed state, and nothing is to be undone.
        const auto *fehler = dynamic_cast<const VennlokFehler *>(&e);
        if (fehler && fehler->art() == VennlokFehler::Ausstehend)
            throw;
        zurueckrollen(innen ? QString() : fehlerzeile);
        if (innen)
            m_fehlerzeile = fehlerzeile;
        throw;
    }
}

void TVennlok::zurueckrollen(const QString &fehlerzeile)
{
    m_speicher->Abbrechen();
    zustandNeuLaden(fehlerzeile);
    // A caller's transaction stays open: what it books afterwards joins it
    // and is undone with it, instead of being stored on its own.
    for (int i = 0; i < m_gehalten; ++i)
        m_speicher->Beginnen();
}

TTransaktion::TTransaktion(TVennlok &vennlok)
    : m_vennlok(vennlok)
{
    // A value a booking needs that is missing or damaged refuses it before anything is touched.
    if (!m_vennlok.m_speicher->InTransaktion())
        m_vennlok.dateienPruefen();
    m_abbrueche = m_vennlok.m_speicher->Abbrueche();
    m_vennlok.m_speicher->Beginnen();
    ++m_vennlok.m_gehalten;
}

TTransaktion::~TTransaktion()
{
    if (m_fertig)
        return;
    --m_vennlok.m_gehalten;
    try {
        m_vennlok.zurueckrollen(QString());
    } catch (const std::exception &) {
        // Memory is read anew at the next operation's own failure; a destructor must not throw.
    }
}

void TTransaktion::Festschreiben()
{
    m_fertig = true;
    --m_vennlok.m_gehalten;
    if (m_vennlok.m_speicher->Abbrueche() != m_abbrueche) {
        m_vennlok.zurueckrollen(QString());
        throw VennlokFehler(QStringLiteral("Eine Buchung dieses Vorgangs ist misslungen; es wurde nichts gespeichert."));
    }
    try {
        m_vennlok.m_speicher->Festschreiben();
    } catch (const VennlokFehler &f) {
        if (f.art() != VennlokFehler::Ausstehend)
            m_vennlok.zurueckrollen(QString());
        throw;
    }
}

void TVennlok::zustandNeuLaden(const QString &fehlerzeile)
{
    dateienLoslassen();
    m_daten = std::make_unique<TVennlokDaten>(Pfad(TVennlokDaten::Dateiname));
    const MonthKey monat = Buchungsmonat();
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

