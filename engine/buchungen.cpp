// Bookings: founding, contracts, trustees, payments and invoices.

#include "engine/vennlok.h"

#include "algo/formeln.h"
#include "algo/runden.h"
#include "data/bankdaten.h"
#include "data/uhr.h"
#include "engine/intern.h"

using namespace Intern;

namespace {

// The amounts that founding and contracts both set, as the rules check them.
QList<std::pair<QString, double>> betraege(Money beitrag, Money honorarEingangsbuchung, Money honorarRechnungsbuchung,
                                           Money grundsicherung, Money limitVirtSumme)
{
    return {{QStringLiteral("Beitrag"), Einheiten(beitrag)},
            {QStringLiteral("HonorarEingangsbuchung"), Einheiten(honorarEingangsbuchung)},
            {QStringLiteral("HonorarRechnungsbuchung"), Einheiten(honorarRechnungsbuchung)},
            {QStringLiteral("Grundsicherung"), Einheiten(grundsicherung)},
            {QStringLiteral("LimitVirtSumme"), Einheiten(limitVirtSumme)}};
}

} // namespace

TErgebnis TVennlok::neuPakt(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                            Money honorarRechnungsbuchung, double intSozialanteil, double daempfung, Money grundsicherung,
                            Money limitVirtSumme)
{
    if (PaktVorhanden())
        return abgelehnt(QStringLiteral("In diesem Datenverzeichnis besteht bereits ein Pakt. Ein neuer Pakt kann hier "
                                        "nicht angelegt werden; die Pakt-Daten bleiben unverändert."));
    if (!MonatGueltig(MonatKey(datum)))
        throw VennlokFehler(QStringLiteral("Ein Pakt kann nur in den Jahren 1900 bis 9998 beginnen, nicht am %1.")
                                .arg(Textformat::datumZuText(datum)),
                            QString(), VennlokFehler::Grenze);
    werteVerlangen(betraege(beitrag, honorarEingangsbuchung, honorarRechnungsbuchung, grundsicherung, limitVirtSumme)
                   + QList<std::pair<QString, double>>{{QStringLiteral("IntSozialanteil"), intSozialanteil},
                                                       {QStringLiteral("Daempfung"), daempfung}});
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
    if (!PaktVorhanden())
        return abgelehnt(QStringLiteral("Der Pakt konnte nicht angelegt werden."));
    TErgebnis ergebnis = gebucht(true, beitrag);
    ergebnis.meldung = QStringLiteral("Neuer Pakt angelegt. Hauptdatei: A_Vennlok.ven");
    return ergebnis;
}

bool TVennlok::vertrag(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                       Money honorarRechnungsbuchung, double daempfungAnteil, Money grundsicherung, Money limitVirtSumme)
{
    const Money daempfung = R4(daempfungAnteil); // the master data keep it scaled
    if (!MonatGueltig(MonatKey(datum)))
        throw VennlokFehler(QStringLiteral("Ein Ergänzungsvertrag kann nur in den Jahren 1900 bis 9998 gelten, nicht ab dem %1.")
                                .arg(Textformat::datumZuText(datum)),
                            QString(), VennlokFehler::Grenze);
    werteVerlangen(betraege(beitrag, honorarEingangsbuchung, honorarRechnungsbuchung, grundsicherung, limitVirtSumme)
                   + QList<std::pair<QString, double>>{{QStringLiteral("Daempfung"), Einheiten(daempfung)}});
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

QString TVennlok::AnwaltFehler(const QString &name, const QString &adresse)
{
    // The trustee's bank details are checked as a participant's: his fees are transferred to them.
    const QString fehler = Bankdaten::AngabeFehler(name, adresse);
    return fehler.isEmpty() ? fehler : QStringLiteral("Treuhänder: ") + fehler;
}

TErgebnis TVennlok::anwaltSetzen(const QString &name, const QString &adresse, const QString &datumstext)
{
    if (const QString fehler = AnwaltFehler(name, adresse); !fehler.isEmpty())
        return abgelehnt(fehler);
    const QString gespeichert = Bankdaten::AngabeNormal(name, adresse);
    try {
        datenAendern([&] { m_daten->SetAnwalt(name, gespeichert); });
    } catch (const VennlokFehler &e) {
        return abgelehnt(e.text());
    }
    const QString art = m_daten->HatErgaenzungsvertrag() ? QStringLiteral("Vertrag") : QStringLiteral("NeuPakt");
    log(art + QStringLiteral(":Adresse,") + name + QLatin1Char(',') + gespeichert + QLatin1Char(',') + datumstext);
    return gebucht(true, 0);
}

void TVennlok::buchungAbschliessen(TTeilhaber &teilhaber, bool gebucht, const QString &zeile,
                                   const QString &fehlerzeile)
{
    if (!gebucht) {
        // The cash book refused: the participant file goes back to what it was.
        teilhaber.Rollback();
        try {
            teilhaber.UpdateFile();
        } catch (const VennlokFehler &) {
            log(fehlerzeile);
            throw;
        }
    }
    log(gebucht ? zeile : fehlerzeile);
}

QString TVennlok::nameAbweisen(const QString &name, Money betrag, const QString &kopf, const QString &abstand)
{
    const QString fehler = TeilhaberNameFehler(name);
    // A name too long for the files is refused without a trace in them.
    if (!fehler.isEmpty() && name.size() <= 60)
        log(kopf + fuerLog(name) + QLatin1Char(',') + geldText(betrag) + abstand + QStringLiteral("UNZULÄSSIGER NAME"));
    return fehler;
}

bool TVennlok::kassenEinzahlung(const MonthKey &monat, const QString &name, Money betrag, DateTime datum)
{
    return m_kasse && m_kasse->EinzahlungBuchen(monat, name, betrag, datum);
}

TErgebnis TVennlok::abgelehnt(const QString &grund, const QString &meldung)
{
    return {TErgebnis::Abgelehnt, meldung, grund, 0};
}

TErgebnis TVennlok::einzahlung(const QString &name, const MonthKey &monat, Money betrag, DateTime datum)
{
    const Money beitrag = Beitrag();
    if (!m_kasse)
        return abgelehnt(QStringLiteral("Die Kasse ist nicht offen."));
    if (betrag > BetragGrenze || betrag < -BetragGrenze)
        return abgelehnt(betragZuGross(betrag));
    if (const QString fehler = nameAbweisen(name, betrag, QStringLiteral("Ein#####,"), QStringLiteral("   "));
        !fehler.isEmpty())
        return abgelehnt(fehler);
    QString datei = teilhaberDatei(name);
    if (datei.isEmpty())
        datei = teilhaberDatei(NameFuerDatei(name));
    const bool neu = datei.isEmpty();
    const QString wer = neu ? NameFuerDatei(name) : NameAusDateiname(datei);
    if (wer.size() < 4) {
        log(QStringLiteral("Teilhabername zu kurz, Länge mindestens: 4"));
        // The rules pass over such a line without a message; the caller learns why.
        return abgelehnt(QStringLiteral("Der Teilhabername \u201E%1\u201C ist zu kurz: mindestens 4 Zeichen.").arg(wer), QString());
    }
    TTeilhaber &teilhaber = m_register->Teilhaber(neu ? TeilhaberDateiname(wer) : datei);
    if (neu)
        teilhaber.Anlegen(wer);
    if (beitrag <= teilhaber.Einzahlungen(monat))
        return abgelehnt(QStringLiteral("Für diesen Tag / Monat existiert eine Buchung. Bitte die Korrektur benutzen"));
    const MonthKey buchungsmonat = Buchungsmonat();
    teilhaber.SetRollbackPoint();
    const bool ok1 = teilhaber.EinzahlungBuchen(buchungsmonat, betrag, datum);
    const bool ok2 = ok1 && kassenEinzahlung(buchungsmonat, wer, betrag, datum);
    buchungAbschliessen(teilhaber, ok2, QStringLiteral("Einzahlg,") + wer + QLatin1Char(',') + geldText(betrag),
                        QStringLiteral("Ein#####,") + wer + QLatin1Char(',') + geldText(betrag)
                            + QStringLiteral("   BUCHUNGSFEHLER"));
    return gebucht(ok2, betrag);
}

TErgebnis TVennlok::gebucht(bool ok, Money betrag)
{
    if (!ok)
        return abgelehnt(QStringLiteral("Die Buchung ist misslungen; es wurde nichts gebucht."), QString());
    return {TErgebnis::Gebucht, QString(), QString(), betrag};
}

bool TVennlok::kassenRechnung(const MonthKey &monat, const QString &name, Money betrag, DateTime datum)
{
    const bool ok = m_kasse->RechnungBuchen(monat, name, betrag, datum);
    if (const auto gesenkt = gedeckterAnteil(0))
        SetIntSozialanteil(*gesenkt);
    return ok;
}

std::optional<double> TVennlok::gedeckterAnteil(Money weitere) const
{
    if (!m_kasse || Buchungsmonat() == m_daten->Startmonat())
        return std::nullopt;
    const double s = Sozialanteil();
    const Money p4 = R4(Deckungsquote(m_kasse->SummeVormonat(), GeldPlus(m_kasse->Rechnungen(), weitere), s));
    if (double(p4) < s * double(MoneyProEinheit))
        return IntAusExt(double(p4) / double(MoneyProEinheit));
    return std::nullopt;
}

double TVennlok::SozialanteilNachRechnung(Money betrag) const
{
    const auto gesenkt = gedeckterAnteil(betrag);
    return gesenkt ? ExtAusInt(2, *gesenkt) : Sozialanteil();
}

TErgebnis TVennlok::rechnung(const QString &name, Money betrag, DateTime datum)
{
    if (Buchungsmonat() == m_daten->Startmonat()) {
        const QString text = QStringLiteral("Im ersten Monat erfolgen keine Rechnungsbuchungen.");
        log(text);
        return abgelehnt(text);
    }
    if (!m_kasse)
        return abgelehnt(QStringLiteral("Die Kasse ist nicht offen."), QString());
    if (betrag > BetragGrenze || betrag < -BetragGrenze)
        return abgelehnt(betragZuGross(betrag));
    if (betrag < 0)
        return abgelehnt(QStringLiteral("Eine Rechnung über %1 ist nicht zulässig: der Betrag darf nicht negativ sein. "
                                        "Es wurde nichts gebucht.").arg(geldText(betrag)));
    if (const QString fehler = nameAbweisen(name, betrag, QStringLiteral("Rec#####,"), QStringLiteral("    "));
        !fehler.isEmpty())
        return abgelehnt(fehler);
    const QString datei = teilhaberDatei(name);
    // The rules pass over an invoice of an unknown name without a message.
    if (datei.isEmpty())
        return abgelehnt(QStringLiteral("Einen Teilhaber \u201E%1\u201C gibt es nicht.").arg(name), QString());
    const QString wer = NameAusDateiname(datei);
    TTeilhaber &teilhaber = m_register->Teilhaber(datei);
    teilhaber.SetRollbackPoint();
    const MonthKey buchungsmonat = Buchungsmonat();
    const bool ok1 = teilhaber.RechnungBuchen(buchungsmonat, betrag);
    const bool ok2 = ok1 && kassenRechnung(buchungsmonat, wer, betrag, datum);
    buchungAbschliessen(teilhaber, ok2, QStringLiteral("Rechnung,") + wer + QLatin1Char(',') + geldText(betrag),
                        QStringLiteral("Rec#####,") + wer + QLatin1Char(',') + geldText(betrag)
                            + QStringLiteral("    BUCHUNGSFEHLER"));
    return gebucht(ok2, betrag);
}

// Every public booking is one transaction.

TErgebnis TVennlok::NeuPakt(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                            Money honorarRechnungsbuchung, double intSozialanteil, double daempfung, Money grundsicherung,
                            Money limitVirtSumme)
{
    TErgebnis ergebnis;
    transaktion(QString(), [&] {
        ergebnis = neuPakt(version, datum, beitrag, honorarEingangsbuchung, honorarRechnungsbuchung, intSozialanteil,
                           daempfung, grundsicherung, limitVirtSumme);
    });
    return ergebnis;
}

TErgebnis TVennlok::Vertrag(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                            Money honorarRechnungsbuchung, double daempfung, Money grundsicherung, Money limitVirtSumme)
{
    bool ok = false;
    transaktion(QString(), [&] {
        ok = vertrag(version, datum, beitrag, honorarEingangsbuchung, honorarRechnungsbuchung, daempfung, grundsicherung,
                     limitVirtSumme);
    });
    return ok ? gebucht(true, beitrag) : abgelehnt(QStringLiteral("Der Ergänzungsvertrag konnte nicht gespeichert werden."));
}

TErgebnis TVennlok::AnwaltSetzen(const QString &name, const QString &adresse, const QString &datumstext)
{
    TErgebnis ergebnis;
    transaktion(QString(), [&] { ergebnis = anwaltSetzen(name, adresse, datumstext); });
    return ergebnis;
}

TErgebnis TVennlok::Einzahlung(const QString &name, const MonthKey &monat, Money betrag, DateTime datum)
{
    TErgebnis ergebnis;
    transaktion(QString(), [&] { ergebnis = einzahlung(name, monat, betrag, datum); });
    return ergebnis;
}

TErgebnis TVennlok::Rechnung(const QString &name, Money betrag, DateTime datum)
{
    TErgebnis ergebnis;
    transaktion(QString(), [&] { ergebnis = rechnung(name, betrag, datum); });
    return ergebnis;
}
