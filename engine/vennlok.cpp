#include "engine/vennlok.h"

#include "algo/fehler.h"
#include "algo/formeln.h"
#include "algo/runden.h"
#include "data/cp1252.h"
#include "data/textdatei.h"
#include "data/textformat.h"
#include "data/uhr.h"
#include "platform/dateien.h"
#include "platform/skript.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString SkriptSicherung = QStringLiteral("G654J76N.BAT");
const QString SkriptTransfers = QStringLiteral("T633786A.BAT");
const QString Sperrdatei = QStringLiteral("Vennlok.lck");
const QString TeilhaberMuster = QStringLiteral("T_*.ven");

QString geldText(Money wert)
{
    return Textformat::moneyZuText(wert);
}

QString zahl(double wert)
{
    return Textformat::floatZuText(wert);
}

// A text as it can stand in the log: what Windows-1252 or a line cannot hold becomes "?".
QString fuerLog(const QString &text)
{
    QString t = text;
    for (qsizetype i = 0; i < t.size(); ++i)
        if (Cp1252::istSteuerzeichen(t[i]) || !Cp1252::darstellbar(t.mid(i, 1)))
            t[i] = QLatin1Char('?');
    return t;
}

} // namespace

const QString TVennlok::Version = QStringLiteral("core B.01");

TVennlok::TVennlok(const QString &datenverzeichnis)
    : m_verzeichnis(QDir(datenverzeichnis).absolutePath()),
      m_sperre(QDir(datenverzeichnis).filePath(Sperrdatei))
{
    if (!QFileInfo(m_verzeichnis).isDir())
        throw VennlokFehler(QStringLiteral("Das Datenverzeichnis \u201E%1\u201C gibt es nicht.").arg(m_verzeichnis));
    // A lock left by a crashed program is taken over; a living holder keeps it however old it is.
    m_sperre.setStaleLockTime(0);
    bool gesperrt = m_sperre.tryLock(0);
    if (!gesperrt && m_sperre.error() == QLockFile::LockFailedError) {
        // A lock file that a killed program left empty or half written names no holder: it is taken over.
        qint64 pid = 0;
        QString rechner, programm;
        if (!m_sperre.getLockInfo(&pid, &rechner, &programm) || pid <= 0) {
            m_sperre.removeStaleLockFile();
            gesperrt = m_sperre.tryLock(0);
        }
    }
    if (!gesperrt) {
        if (m_sperre.error() == QLockFile::LockFailedError)
            throw VennlokFehler(QStringLiteral("Das Datenverzeichnis \u201E%1\u201C wird gerade von einem anderen "
                                               "Vennlok-Programm benutzt. Bitte jenes zuerst beenden.")
                                    .arg(m_verzeichnis));
        throw VennlokFehler(QStringLiteral("Im Datenverzeichnis \u201E%1\u201C kann keine Sperrdatei angelegt werden.")
                                .arg(m_verzeichnis));
    }
    m_speicher = std::make_unique<TJournalSpeicher>(m_verzeichnis);
    m_wiederhergestellt = m_speicher->Wiederherstellen();
    m_daten = std::make_unique<TVennlokDaten>(Pfad(TVennlokDaten::Dateiname));
}

TVennlok::~TVennlok()
{
    // A script still at work reads its file first; it ends before the file goes.
    Plattform::AufSkripteWarten();
    QFile::remove(Pfad(SkriptSicherung));
    QFile::remove(Pfad(SkriptTransfers));
    // Every operation writes what it changed; nothing is written on the way out,
    // so a directory without a pact does not get an empty master data file.
    dateienLoslassen();
}

void TVennlok::dateienLoslassen()
{
    for (TRollMemIniFile *datei : {static_cast<TRollMemIniFile *>(m_daten.get()),
                                   static_cast<TRollMemIniFile *>(m_kasse.get()),
                                   static_cast<TRollMemIniFile *>(m_teilhaber.get())})
        if (datei)
            datei->Verwerfen();
    m_teilhaber.reset();
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
    if (PaktVorhanden())
        transaktion(QString(), [&] { KasseOeffnen(Buchungsmonat(), Uhr::Heute()); });
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

void TVennlok::neuPakt(const QString &version, QString &meldung, DateTime datum, Money beitrag,
                       Money honorarEingangsbuchung, Money honorarRechnungsbuchung, double intSozialanteil,
                       double daempfung, Money grundsicherung, Money limitVirtSumme)
{
    if (PaktVorhanden()) {
        meldung = QStringLiteral("In diesem Datenverzeichnis besteht bereits ein Pakt. Ein neuer Pakt kann hier "
                                 "nicht angelegt werden; die Pakt-Daten bleiben unverändert.");
        return;
    }
    datenAendern([&] {
        QString eigene;
        m_daten->NeuerPakt(version, MonatKey(datum), datum, beitrag, honorarEingangsbuchung, honorarRechnungsbuchung,
                           R4(intSozialanteil), R4(daempfung), grundsicherung, limitVirtSumme, eigene);
    });
    if (PaktVorhanden())
        KasseOeffnen(m_daten->Buchungsmonat(), Uhr::Heute());
    log(QStringLiteral("NeuPakt,") + version + QLatin1Char(',') + Textformat::datumZuText(datum) + QLatin1Char(',')
        + m_daten->Buchungsmonat() + QLatin1Char(',') + geldText(beitrag) + QLatin1Char(',')
        + geldText(honorarEingangsbuchung) + QLatin1Char(',') + geldText(honorarRechnungsbuchung) + QLatin1Char(',')
        + zahl(intSozialanteil) + QLatin1Char(',') + zahl(daempfung) + QLatin1Char(',') + geldText(grundsicherung)
        + QLatin1Char(',') + geldText(limitVirtSumme));
    log(QString());
    meldung = QStringLiteral("Neuer Pakt angelegt. Hauptdatei: A_Vennlok.ven");
}

bool TVennlok::vertrag(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                       Money honorarRechnungsbuchung, Money daempfung, Money grundsicherung, Money limitVirtSumme)
{
    m_daten->SetRollbackPoint();
    const bool ok = m_daten->Ergaenzungsvertrag(datum, beitrag, honorarEingangsbuchung, honorarRechnungsbuchung,
                                                daempfung, grundsicherung, limitVirtSumme);
    if (!ok)
        m_daten->Rollback(); // nothing of a contract that could not be stored stays in memory
    log(QStringLiteral("Vertrag,") + version + QLatin1Char(',') + Textformat::datumZuText(datum) + QLatin1Char(',')
        + geldText(beitrag) + QLatin1Char(',') + geldText(honorarEingangsbuchung) + QLatin1Char(',')
        + geldText(honorarRechnungsbuchung) + QLatin1Char(',') + geldText(daempfung) + QLatin1Char(',')
        + geldText(grundsicherung) + QLatin1Char(',') + geldText(limitVirtSumme));
    log(QString());
    return ok;
}

bool TVennlok::StartdatenVorhanden() const
{
    return m_daten->IstAngelegt();
}

QStringList TVennlok::AnwaltListe() const
{
    return m_daten->Anwaelte();
}

void TVennlok::AnwaltWert(const QString &name, QString &adresse) const
{
    adresse = m_daten->AnwaltAdresse(name);
}

QString TVennlok::anwaltSetzen(const QString &name, const QString &adresse, const QString &datumstext)
{
    try {
        datenAendern([&] { m_daten->SetAnwalt(name, adresse); });
    } catch (const VennlokFehler &e) {
        return e.text();
    }
    const QString art = m_daten->HatErgaenzungsvertrag() ? QStringLiteral("Vertrag") : QStringLiteral("NeuPakt");
    log(art + QStringLiteral(":Adresse,") + name + QLatin1Char(',') + adresse + QLatin1Char(',') + datumstext);
    return QString();
}

QString TVennlok::teilhaberDatei(const QString &name) const
{
    return m_speicher->NameOhneGrossKlein(TeilhaberDateiname(name));
}

void TVennlok::buchungAbschliessen(bool gebucht, const QString &zeile, const QString &fehlerzeile)
{
    if (!gebucht) {
        // The cash book refused: the participant file goes back to what it was.
        m_teilhaber->Rollback();
        try {
            m_teilhaber->UpdateFile();
        } catch (const VennlokFehler &) {
            log(fehlerzeile);
            throw;
        }
    }
    log(gebucht ? zeile : fehlerzeile);
}

bool TVennlok::kassenEinzahlung(const MonthKey &monat, const QString &name, Money betrag, DateTime datum)
{
    return m_kasse && m_kasse->EinzahlungBuchen(monat, name, betrag, datum);
}

QString TVennlok::einzahlung(const QString &name, const MonthKey &monat, Money betrag, DateTime datum)
{
    const Money beitrag = Beitrag();
    if (!m_kasse)
        return QStringLiteral("Die Kasse ist nicht offen.");
    const QString fehler = TeilhaberNameFehler(name);
    if (!fehler.isEmpty()) {
        log(QStringLiteral("Ein#####,") + fuerLog(name) + QLatin1Char(',') + geldText(betrag)
            + QStringLiteral("   UNZULÄSSIGER NAME"));
        return fehler;
    }
    QString datei = teilhaberDatei(name);
    if (datei.isEmpty())
        datei = teilhaberDatei(NameFuerDatei(name));
    const bool neu = datei.isEmpty();
    const QString wer = neu ? NameFuerDatei(name) : NameAusDateiname(datei);
    if (wer.size() < 4) {
        log(QStringLiteral("Teilhabername zu kurz, Länge mindestens: 4"));
        return QString();
    }
    m_teilhaber = std::make_unique<TTeilhaber>(Pfad(neu ? TeilhaberDateiname(wer) : datei));
    TeilhaberFreigabe freigabe{m_teilhaber};
    if (neu)
        m_teilhaber->Anlegen(wer);
    if (beitrag <= m_teilhaber->Einzahlungen(monat))
        return QStringLiteral("Für diesen Tag / Monat existiert eine Buchung. Bitte die Korrektur benutzen");
    const MonthKey buchungsmonat = Buchungsmonat();
    m_teilhaber->SetRollbackPoint();
    const bool ok1 = m_teilhaber->EinzahlungBuchen(buchungsmonat, betrag, datum);
    const bool ok2 = ok1 && kassenEinzahlung(buchungsmonat, wer, betrag, datum);
    buchungAbschliessen(ok2, QStringLiteral("Einzahlg,") + wer + QLatin1Char(',') + geldText(betrag),
                        QStringLiteral("Ein#####,") + wer + QLatin1Char(',') + geldText(betrag)
                            + QStringLiteral("   BUCHUNGSFEHLER"));
    return QString();
}

bool TVennlok::kassenRechnung(const MonthKey &monat, const QString &name, Money betrag, DateTime datum)
{
    const bool ok = m_kasse->RechnungBuchen(monat, name, betrag, datum);
    if (Buchungsmonat() != m_daten->Startmonat()) {
        const double s = Sozialanteil();
        const double p = Deckungsquote(m_kasse->SummeVormonat(), m_kasse->Rechnungen(), s);
        const Money p4 = R4(p);
        if (double(p4) < s * double(MoneyProEinheit))
            SetIntSozialanteil(IntAusExt(double(p4) / double(MoneyProEinheit)));
    }
    return ok;
}

QString TVennlok::rechnung(const QString &name, Money betrag, DateTime datum)
{
    const Money limit = LimitVirtSumme();
    if (Buchungsmonat() == m_daten->Startmonat()) {
        const QString text = QStringLiteral("Im ersten Monat erfolgen keine Rechnungsbuchungen.");
        log(text);
        return text;
    }
    if (!m_kasse)
        return QString();
    const QString fehler = TeilhaberNameFehler(name);
    if (!fehler.isEmpty()) {
        log(QStringLiteral("Rec#####,") + fuerLog(name) + QLatin1Char(',') + geldText(betrag)
            + QStringLiteral("    UNZULÄSSIGER NAME"));
        return fehler;
    }
    const QString datei = teilhaberDatei(name);
    if (datei.isEmpty())
        return QString();
    const QString wer = NameAusDateiname(datei);
    m_teilhaber = std::make_unique<TTeilhaber>(Pfad(datei));
    TeilhaberFreigabe freigabe{m_teilhaber};
    m_teilhaber->SetRollbackPoint();
    const MonthKey buchungsmonat = Buchungsmonat();
    const bool ok1 = m_teilhaber->RechnungBuchen(buchungsmonat, betrag, datum, R4(Sozialanteil()), limit);
    const bool ok2 = ok1 && kassenRechnung(buchungsmonat, wer, betrag, datum);
    buchungAbschliessen(ok2, QStringLiteral("Rechnung,") + wer + QLatin1Char(',') + geldText(betrag),
                        QStringLiteral("Rec#####,") + wer + QLatin1Char(',') + geldText(betrag)
                            + QStringLiteral("    BUCHUNGSFEHLER"));
    return QString();
}

bool TVennlok::TeilhaberVorhanden(const QString &name) const
{
    return TeilhaberNameFehler(name).isEmpty() && !teilhaberDatei(name).isEmpty();
}

bool TVennlok::teilhaberOeffnen(const QString &name, QString *meldung)
{
    const QString fehler = TeilhaberNameFehler(name);
    if (!fehler.isEmpty()) {
        if (meldung)
            *meldung = fehler;
        return false;
    }
    const QString gefaltet = NameFuerDatei(name);
    const QString datei = teilhaberDatei(gefaltet);
    if (m_teilhaber)
        m_teilhaber->Verwerfen();
    m_teilhaber = std::make_unique<TTeilhaber>(Pfad(datei.isEmpty() ? TeilhaberDateiname(gefaltet) : datei));
    if (datei.isEmpty() && !m_teilhaber->Anlegen(gefaltet)) {
        m_teilhaber->Verwerfen();
        m_teilhaber.reset();
        if (meldung)
            *meldung = QStringLiteral("Die Teilhaberdatei \u201E%1\u201C kann nicht angelegt werden.")
                           .arg(TeilhaberDateiname(gefaltet));
        return false;
    }
    return true;
}

QStringList TVennlok::Adressen() const
{
    return m_teilhaber ? m_teilhaber->Adressen() : QStringList();
}

void TVennlok::AdressWert(const QString &schluessel, QString &wert) const
{
    wert = m_teilhaber ? m_teilhaber->Adresse(schluessel) : QString();
}

bool TVennlok::adresseSpeichern(const QString &schluessel, const QString &wert, const QString &datumstext,
                                QString *meldung)
{
    if (!m_teilhaber)
        return true;
    try {
        m_teilhaber->AdresseSetzen(schluessel, wert, datumstext);
    } catch (const VennlokFehler &e) {
        if (meldung)
            *meldung = e.text();
        return false;
    }
    log(QFileInfo(m_teilhaber->FileName()).fileName() + QStringLiteral(":Adresse,") + schluessel + QLatin1Char(',')
        + wert + QLatin1Char(',') + datumstext);
    return true;
}

bool TVennlok::TeilhaberSchliessen()
{
    if (!m_teilhaber)
        return false;
    TeilhaberFreigabe freigabe{m_teilhaber};
    if (m_teilhaber->Geaendert() || !m_speicher->Existiert(m_teilhaber->FileName()))
        transaktion(QString(), [&] { m_teilhaber->UpdateFile(); });
    return true;
}

Money TVennlok::TeilhaberEinzahlungen(const QString &dateiname, const MonthKey &monat)
{
    m_teilhaber = std::make_unique<TTeilhaber>(Pfad(dateiname));
    TeilhaberFreigabe freigabe{m_teilhaber};
    return m_teilhaber->Einzahlungen(monat);
}

QStringList TVennlok::teilhaberDateien() const
{
    return m_speicher->Liste(TeilhaberMuster);
}

int TVennlok::AnzahlTeilhaber(int art)
{
    const MonthKey monat = Buchungsmonat();
    const Money beitrag = Beitrag();
    int anzahl = 0;
    for (const QString &datei : teilhaberDateien()) {
        if (art == 0) {
            ++anzahl;
        } else if (art == 1 || art == 2) {
            const Money bezahlt = TeilhaberEinzahlungen(datei, monat);
            if ((art == 1 && bezahlt == beitrag) || (art == 2 && bezahlt < beitrag))
                ++anzahl;
        }
    }
    return anzahl;
}

void TVennlok::TeilhaberNamen(const QString &datenverzeichnis, QStringList &liste)
{
    for (const QString &datei : Plattform::DateienSuchen(datenverzeichnis, TeilhaberMuster))
        liste.append(NameAusDateiname(datei));
}

QStringList TVennlok::liste(bool nurOffene)
{
    const MonthKey monat = Buchungsmonat();
    const Money beitrag = Beitrag();
    QStringList zeilen;
    for (const QString &datei : teilhaberDateien()) {
        const Money bezahlt = TeilhaberEinzahlungen(datei, monat);
        if (nurOffene && bezahlt >= beitrag)
            continue;
        const QString name = NameAusDateiname(datei);
        zeilen.append(name + QString(qMax<qsizetype>(0, 40 - name.size()), QLatin1Char('.')) + geldText(bezahlt));
    }
    return zeilen;
}

void TVennlok::Starten(const QString &zeile)
{
    const QString skript = Pfad(QStringLiteral("B7654F.BAT"));
    Textdatei::ZeilenSchreiben(skript, {zeile});
    Plattform::SkriptStarten(skript, m_verzeichnis);
}

void TVennlok::FensterSkriptLoeschen()
{
    Plattform::AufSkripteWarten();
    QFile::remove(Pfad(QStringLiteral("B7654F.BAT")));
}

void TVennlok::TeilhaberListeSchreiben(bool nurOffene)
{
    const QString titel = nurOffene ? QStringLiteral("Liste der Teilhaber mit zu kleinem Beitrag. Datum: ")
                                    : QStringLiteral("Liste aller Teilhaber / Beitrag. Datum: ");
    Textdatei::ZeilenSchreiben(Pfad(QStringLiteral("TeilhaberListe.txt")),
                               QStringList{titel + Textformat::datumZuText(Uhr::Jetzt()), QString()} + liste(nurOffene)
                                   + QStringList{QString()});
}

QStringList TVennlok::TeilhaberListe()
{
    return liste(false);
}

QStringList TVennlok::TeilhaberListeOffen()
{
    return liste(true);
}

// Every public booking is one transaction.

void TVennlok::NeuPakt(const QString &version, QString &meldung, DateTime datum, Money beitrag, Money honorarEingangsbuchung, Money honorarRechnungsbuchung, double intSozialanteil, double daempfung, Money grundsicherung, Money limitVirtSumme)
{
    transaktion(QString(), [&] { neuPakt(version, meldung, datum, beitrag, honorarEingangsbuchung, honorarRechnungsbuchung, intSozialanteil, daempfung, grundsicherung, limitVirtSumme); });
}

bool TVennlok::Vertrag(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung, Money honorarRechnungsbuchung, Money daempfung, Money grundsicherung, Money limitVirtSumme)
{
    bool ergebnis{};
    transaktion(QString(), [&] { ergebnis = vertrag(version, datum, beitrag, honorarEingangsbuchung, honorarRechnungsbuchung, daempfung, grundsicherung, limitVirtSumme); });
    return ergebnis;
}

QString TVennlok::AnwaltSetzen(const QString &name, const QString &adresse, const QString &datumstext)
{
    QString ergebnis{};
    transaktion(QString(), [&] { ergebnis = anwaltSetzen(name, adresse, datumstext); });
    return ergebnis;
}

QString TVennlok::Einzahlung(const QString &name, const MonthKey &monat, Money betrag, DateTime datum)
{
    QString ergebnis{};
    transaktion(QString(), [&] { ergebnis = einzahlung(name, monat, betrag, datum); });
    return ergebnis;
}

QString TVennlok::Rechnung(const QString &name, Money betrag, DateTime datum)
{
    QString ergebnis{};
    transaktion(QString(), [&] { ergebnis = rechnung(name, betrag, datum); });
    return ergebnis;
}

bool TVennlok::TeilhaberOeffnen(const QString &name, QString *meldung)
{
    bool ergebnis{};
    transaktion(QString(), [&] { ergebnis = teilhaberOeffnen(name, meldung); });
    return ergebnis;
}

bool TVennlok::AdresseSpeichern(const QString &schluessel, const QString &wert, const QString &datumstext, QString *meldung)
{
    bool ergebnis{};
    transaktion(QString(), [&] { ergebnis = adresseSpeichern(schluessel, wert, datumstext, meldung); });
    return ergebnis;
}
