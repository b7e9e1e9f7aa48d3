// The facade: the locked directory, its context, and each public operation handed to its unit.

#include "engine/vennlok.h"

#include "algo/fehler.h"
#include "algo/formeln.h"
#include "data/bankdaten.h"
#include "data/uhr.h"
#include "engine/einheiten.h"
#include "engine/intern.h"
#include "platform/dateien.h"
#include "platform/skript.h"
#include "platform/sperre.h"

#include <cmath>
#include <QDir>
#include <QFile>
#include <QFileInfo>

TVennlok::TVennlok(const QString &datenverzeichnis, bool unterbrocheneBuchungBereinigen)
{
    const QString verzeichnis = QDir(datenverzeichnis).absolutePath();
    if (!QFileInfo(verzeichnis).isDir())
        throw VennlokFehler(QStringLiteral("Das Datenverzeichnis \u201E%1\u201C gibt es nicht.").arg(verzeichnis));
    m_sperre = std::make_unique<TSperre>(verzeichnis);
    m_k = std::make_unique<TKontext>(verzeichnis);
    m_k->nachSchritt = [this](const QString &schritt) { NachSchritt(schritt); };
    // The lock of a program that ended without letting go (killed, a power
    // cut) was taken over: the log says so.
    QStringList gefunden;
    if (m_sperre->Verwaist())
        gefunden << QStringLiteral("Eine verwaiste Sperrdatei eines beendeten Programms wurde übernommen.");
    if (unterbrocheneBuchungBereinigen) {
        const TJournalSpeicher::Wiederherstellung w = m_k->speicher->Wiederherstellen();
        m_fund = w.fund;
        gefunden << w.meldung;
    }
    gefunden.removeAll(QString());
    m_wiederhergestellt = gefunden.join(QLatin1Char(' '));
    m_k->DatenLesen();
}

TVennlok::TVennlok(const QString &datenverzeichnis, const QHash<QString, QByteArray> &bild)
{
    m_k = std::make_unique<TKontext>(QDir(datenverzeichnis).absolutePath(), &bild);
    m_k->autoModus = true;
    m_k->DatenLesen();
}

TVennlok::~TVennlok()
{
    // A script still at work reads its file first; it ends before the file goes.
    Plattform::AufSkripteWarten();
    if (!m_k->speicher->NurImSpeicher()) {
        QFile::remove(Pfad(Intern::SkriptSicherung));
        QFile::remove(Pfad(Intern::SkriptTransfers));
    }
    // The context lets go of its files before the lock is given up.
    m_k.reset();
}

const QString &TVennlok::Datenverzeichnis() const { return m_k->verzeichnis; }
TJournalSpeicher &TVennlok::Speicher() { return *m_k->speicher; }
QString TVennlok::Pfad(const QString &dateiname) const { return m_k->Pfad(dateiname); }
bool TVennlok::PaktVorhanden() const { return m_k->PaktVorhanden(); }
MonthKey TVennlok::Buchungsmonat() const { return m_k->Buchungsmonat(); }
void TVennlok::SetAutoModus(bool an) { m_k->autoModus = an; }

void TVennlok::Oeffnen()
{
    if (PaktVorhanden()) {
        m_k->dateienPruefen();
        // A lost cash book of a later month must not come back with a balance of 0.
        const QString kasse = TKasse::Dateiname(Buchungsmonat());
        if (!m_k->speicher->Existiert(Pfad(kasse)) && Buchungsmonat() != m_k->daten->Startmonat())
            throw VennlokFehler(QStringLiteral("Die Kassendatei \u201E%1\u201C des offenen Monats fehlt. Sie wird nicht mit "
                                               "dem Kassenstand 0 neu angelegt; bitte die Datei aus einer Sicherung "
                                               "zurückholen.").arg(kasse),
                                Pfad(kasse), VennlokFehler::Beschaedigt);
        m_k->transaktion(QString(), [&] { m_k->KasseOeffnen(Buchungsmonat(), Uhr::Heute()); });
    }
    if (!m_wiederhergestellt.isEmpty()) {
        m_k->log(m_wiederhergestellt);
        m_wiederhergestellt.clear();
    }
}

TParameter TVennlok::Parameter() const
{
    const TVennlokDaten &d = *m_k->daten;
    return {d.Beitrag(),        d.HonorarEingangsbuchung(), d.HonorarRechnungsbuchung(), d.IntSozialanteil(),
            d.ExtSozialanteil(), d.Daempfung(),              d.Grundsicherung(),          d.LimitVirtSumme()};
}

TMonatsstand TVennlok::Monatsstand() const
{
    const TKasse *kasse = m_k->kasse.get();
    if (!kasse)
        return {};
    const MonthKey monat = Buchungsmonat();
    return {true, kasse->Summe(), kasse->Eingangsbuchungen(monat), kasse->Ausgangsbuchungen(monat),
            kasse->Rechnungsbuchungen(monat), kasse->Rechnungen()};
}

// --- bookings --------------------------------------------------------------

TErgebnis TVennlok::NeuPakt(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                            Money honorarRechnungsbuchung, double intSozialanteil, double daempfung, Money grundsicherung,
                            Money limitVirtSumme)
{
    return TBuchungen(*m_k).NeuPakt(version, datum, beitrag, honorarEingangsbuchung, honorarRechnungsbuchung,
                                    intSozialanteil, daempfung, grundsicherung, limitVirtSumme);
}

bool TVennlok::VertragAnders(Money beitrag, Money honorarEingangsbuchung, Money honorarRechnungsbuchung, double daempfung,
                             Money grundsicherung, Money limitVirtSumme) const
{
    const TParameter p = Parameter();
    const auto raster = [](double anteil) { return std::llround(anteil * 10000.0); };
    return p.beitrag != beitrag || p.honorarEingangsbuchung != honorarEingangsbuchung
           || p.honorarRechnungsbuchung != honorarRechnungsbuchung || raster(p.daempfung) != raster(daempfung)
           || p.grundsicherung != grundsicherung || p.limitVirtSumme != limitVirtSumme;
}

TErgebnis TVennlok::Vertrag(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                            Money honorarRechnungsbuchung, double daempfung, Money grundsicherung, Money limitVirtSumme)
{
    return TBuchungen(*m_k).Vertrag(version, datum, beitrag, honorarEingangsbuchung, honorarRechnungsbuchung, daempfung,
                                    grundsicherung, limitVirtSumme);
}

QList<QPair<QString, QString>> TVennlok::Anwalt() const
{
    QList<QPair<QString, QString>> adresse;
    for (const QString &name : m_k->daten->Anwaelte())
        adresse.append({name, m_k->daten->AnwaltAdresse(name)});
    return adresse;
}

TErgebnis TVennlok::AnwaltSetzen(const QString &name, const QString &adresse, const QString &datumstext)
{
    return TBuchungen(*m_k).AnwaltSetzen(name, adresse, datumstext);
}

TErgebnis TVennlok::Einzahlung(const QString &name, const MonthKey &monat, Money betrag, DateTime datum)
{
    return TBuchungen(*m_k).Einzahlung(name, monat, betrag, datum);
}

TErgebnis TVennlok::Rechnung(const QString &name, Money betrag, DateTime datum)
{
    return TBuchungen(*m_k).Rechnung(name, betrag, datum);
}

std::pair<Money, Money> TVennlok::RechnungsAnteile(Money betrag) const { return TBuchungen(*m_k).RechnungsAnteile(betrag); }
double TVennlok::SozialanteilNachRechnung(Money betrag) const { return TBuchungen(*m_k).SozialanteilNachRechnung(betrag); }

// --- participants ----------------------------------------------------------

bool TVennlok::TeilhaberVorhanden(const QString &name) const { return TAuswertung(*m_k).TeilhaberVorhanden(name); }
QString TVennlok::TeilhaberName(const QString &eingabe) const { return TAuswertung(*m_k).TeilhaberName(eingabe); }
QString TVennlok::Anzeigename(const QString &eingabe) const { return TAuswertung(*m_k).Anzeigename(eingabe); }
QStringList TVennlok::OffeneTeilhaber() { return TAuswertung(*m_k).OffeneTeilhaber(); }
QStringList TVennlok::Teilhabernamen() { return TAuswertung(*m_k).Teilhabernamen(); }

QStringList Vennlok::Namensformen(const QStringList &namen)
{
    QStringList formen;
    for (const QString &name : namen) {
        formen.append(name);
        const QString gefaltet = NameFuerDatei(name).replace(QLatin1Char('_'), QLatin1Char(' ')).trimmed();
        if (gefaltet != name)
            formen.append(gefaltet);
    }
    return formen;
}
TErgebnis TVennlok::TeilhaberOeffnen(const QString &name) { return TBuchungen(*m_k).TeilhaberOeffnen(name); }
QList<QPair<QString, QString>> TVennlok::Adresse(const QString &name) const { return TAuswertung(*m_k).Adresse(name); }

TErgebnis TVennlok::AdresseSpeichern(const QString &name, const QString &schluessel, const QString &wert,
                                     const QString &datumstext)
{
    return TBuchungen(*m_k).AdresseSpeichern(name, schluessel, wert, datumstext);
}

QList<TBuchungsposten> TVennlok::Posten(const QString &name) const { return TBuchungen(*m_k).Posten(name); }

TErgebnis TVennlok::Storno(bool einzahlung, const QString &name, int nr)
{
    return TBuchungen(*m_k).Storno(einzahlung, name, nr);
}

int TVennlok::AnzahlTeilhaber(int art) { return TAuswertung(*m_k).AnzahlTeilhaber(art); }
QStringList TVennlok::TeilhaberListe(bool nurOffene) { return TAuswertung(*m_k).TeilhaberListe(nurOffene); }
void TVennlok::TeilhaberListeSchreiben(bool nurOffene) { TSkripte(*m_k).TeilhaberListeSchreiben(nurOffene); }

// --- month close, exit, discarding -----------------------------------------

TErgebnis TVennlok::Monatsabschluss(const MonthKey &monat, bool erzwingen, DateTime datum)
{
    return TAbschluss(*m_k).Monatsabschluss(monat, erzwingen, datum);
}

TErgebnis TVennlok::AuszahlungenBuchen(const MonthKey &monat) { return TAbschluss(*m_k).AuszahlungenBuchen(monat); }
Money TVennlok::Austrittsbetrag(const QString &name) { return TAustritte(*m_k).Austrittsbetrag(name); }
TErgebnis TVennlok::Austritt(const QString &name) { return TAustritte(*m_k).Austritt(name); }

TErgebnis TVennlok::BuchungenVerwerfen(const MonthKey &monat, int arten)
{
    return TAustritte(*m_k).BuchungenVerwerfen(monat, arten);
}

TErgebnis TVennlok::MonatVerwerfen(const MonthKey &monat) { return TAustritte(*m_k).MonatVerwerfen(monat); }
QStringList TVennlok::AustritteImMonat(const MonthKey &monat) { return TAustritte(*m_k).AustritteImMonat(monat); }

// --- scripts and replay ----------------------------------------------------

void TVennlok::Starten(const QString &zeile) { TSkripte(*m_k).Starten(zeile); }
bool TVennlok::DokumentVorhanden(const QString &datei) const { return TSkripte(*m_k).DokumentVorhanden(datei); }
void TVennlok::FensterSkriptLoeschen() { TSkripte(*m_k).FensterSkriptLoeschen(); }

void TVennlok::AutoBuchung(const QString &datei, int arten, TFortschritt *fortschritt, int abZeile)
{
    TEinspielung(*this, *m_k).Einspielen(datei, arten, fortschritt, abZeile);
}

int TVennlok::GesicherteZeile() { return TEinspielung(*this, *m_k).GesicherteZeile(); }
QString TVennlok::FortsetzenFehler(const QString &datei) { return TEinspielung(*this, *m_k).FortsetzenFehler(datei); }

// --- bank ------------------------------------------------------------------

TVennlokDaten::Konto TVennlok::PaktKonto() const { return TBankdateien(*m_k).PaktKonto(); }
bool TVennlok::PaktKontoEingetragen() const { return TBankdateien(*m_k).PaktKontoEingetragen(); }

bool TVennlok::PaktKontoAnders(const TVennlokDaten::Konto &konto) const { return TBankdateien(*m_k).PaktKontoAnders(konto); }
TErgebnis TVennlok::PaktKontoSetzen(const TVennlokDaten::Konto &konto) { return TBankdateien(*m_k).PaktKontoSetzen(konto); }

TBankdatei TVennlok::Bankdatei(TBankdatei::Art art, const MonthKey &monat, const QDate &tag, bool schreiben)
{
    return TBankdateien(*m_k).Datei(art, monat, tag, schreiben);
}

TKontoabgleich TVennlok::KontoauszugLesen(const QString &pfad) { return TBankabgleich(*m_k).Lesen(pfad); }

TErgebnis TVennlok::KontoauszugBuchen(const TKontoabgleich &abgleich, const QList<TBankauswahl> &auswahl)
{
    return TBankabgleich(*m_k).Buchen(abgleich, auswahl);
}

TKontostand TVennlok::Kontostand() const { return TBankabgleich(*m_k).Kontostand(); }

// --- reports and checks ----------------------------------------------------

QList<TMonatsverlauf> TVennlok::Verlauf() const { return TAuswertung(*m_k).Verlauf(); }
TMonatsbericht TVennlok::Monatsbericht(const MonthKey &monat) { return TAuswertung(*m_k).Monatsbericht(monat); }
QList<TUeberweisung> TVennlok::Ueberweisungen(const MonthKey &monat) { return TAuswertung(*m_k).Ueberweisungen(monat); }
TKontoauszug TVennlok::Kontoauszug(const QString &name) { return TAuswertung(*m_k).Kontoauszug(name); }
QList<TRueckstand> TVennlok::Rueckstaende() { return TAuswertung(*m_k).Rueckstaende(); }
QStringList TVennlok::Pruefen() { return TPruefung(*m_k).Pruefen(); }

// --- a transaction the caller holds ----------------------------------------

TTransaktion::TTransaktion(TVennlok &vennlok)
    : m_k(*vennlok.m_k)
{
    // A value a booking needs that is missing or damaged refuses it before anything is touched.
    if (!m_k.speicher->InTransaktion())
        m_k.dateienPruefen();
    m_abbrueche = m_k.speicher->Abbrueche();
    m_k.speicher->Beginnen();
    ++m_k.gehalten;
}

TTransaktion::~TTransaktion()
{
    if (m_fertig)
        return;
    --m_k.gehalten;
    try {
        m_k.zurueckrollen(QString());
    } catch (const std::exception &) {
        // Memory is read anew at the next operation's own failure; a destructor must not throw.
    }
}

void TTransaktion::Festschreiben()
{
    m_fertig = true;
    --m_k.gehalten;
    if (m_k.speicher->Abbrueche() != m_abbrueche) {
        m_k.zurueckrollen(QString());
        throw VennlokFehler(QStringLiteral("Eine Buchung dieses Vorgangs ist misslungen; es wurde nichts gespeichert."));
    }
    try {
        m_k.speicher->Festschreiben();
    } catch (const VennlokFehler &f) {
        if (f.art() != VennlokFehler::Ausstehend)
            m_k.zurueckrollen(QString());
        throw;
    }
}

// --- without an engine -----------------------------------------------------

namespace Vennlok {

const QString Version = QStringLiteral("core B.01");

bool PaktVorhanden(const QString &datenverzeichnis)
{
    return QFileInfo(QDir(datenverzeichnis).filePath(TVennlokDaten::Dateiname)).isFile();
}

void VerzeichnisAnlegen(const QString &datenverzeichnis)
{
    if (!QDir().mkpath(datenverzeichnis))
        throw VennlokFehler(QStringLiteral("Der Ordner \u201E%1\u201C kann nicht angelegt werden.")
                                .arg(QDir::toNativeSeparators(datenverzeichnis)));
}

QString FreiesVerzeichnis(const QString &basis)
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

DateTime Jetzt() { return Uhr::Jetzt(); }
QString Datumstext() { return DatumText(Uhr::Jetzt()); }
MonthKey LaufenderMonat() { return MonatKey(Uhr::Jetzt()); }
QDate Datum() { return Textformat::zuQDateTime(Uhr::Jetzt()).date(); }
MonthKey MonatDavor(const MonthKey &monat) { return Vormonat(monat); }
QDate NaechsterBankarbeitstag(const QDate &tag) { return Bankdaten::NaechsterBankarbeitstag(tag); }
double IntSozialanteilFuer(double ext) { return IntAusExt(ext); }

QString AnwaltFehler(const QString &name, const QString &adresse)
{
    // The trustee's bank details are checked as a participant's: his fees are transferred to them.
    const QString fehler = Bankdaten::AngabeFehler(name, adresse);
    return fehler.isEmpty() ? fehler : QStringLiteral("Treuhänder: ") + fehler;
}

QString PaktKontoFehler(const TVennlokDaten::Konto &konto)
{
    if (konto.inhaber.trimmed().isEmpty() && konto.iban.trimmed().isEmpty() && konto.bic.trimmed().isEmpty())
        return konto.glaeubigerId.trimmed().isEmpty() && konto.anfangssaldo == 0
                   ? QString()
                   : QStringLiteral("Gläubiger-ID und Anfangssaldo gehören zu einem Konto des Pakts: bitte Kontoinhaber und IBAN eintragen.");
    if (konto.inhaber.trimmed().isEmpty())
        return QStringLiteral("Der Kontoinhaber des Pakts fehlt.");
    for (const QString &fehler : {Bankdaten::InhaberFehler(konto.inhaber), Bankdaten::IbanFehler(konto.iban),
                                  Bankdaten::BicFehler(konto.bic), Bankdaten::GlaeubigerIdFehler(konto.glaeubigerId)})
        if (!fehler.isEmpty())
            return QStringLiteral("Konto des Pakts: ") + fehler;
    if (konto.anfangssaldo > BetragGrenze || konto.anfangssaldo < -BetragGrenze)
        return QStringLiteral("Konto des Pakts: der Anfangssaldo ist nicht zulässig; erlaubt sind Beträge bis 100.000.000.");
    return QString();
}

} // namespace Vennlok

TErgebnis TErgebnis::Ablehnung(const QString &grund, const QString &meldung)
{
    return {Abgelehnt, meldung, grund, 0};
}

TErgebnis TErgebnis::Buchung(bool ok, Money betrag)
{
    if (!ok)
        return Ablehnung(QStringLiteral("Die Buchung ist misslungen; es wurde nichts gebucht."), QString());
    return {Gebucht, QString(), QString(), betrag};
}
