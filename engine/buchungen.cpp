// Bookings: founding, contracts, trustees, payments and invoices.

#include "engine/einheiten.h"
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

TErgebnis TBuchungen::NeuPakt(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                            Money honorarRechnungsbuchung, double intSozialanteil, double daempfung, Money grundsicherung,
                            Money limitVirtSumme)
{
    return k.vorgang([&]() -> TErgebnis {
        if (k.PaktVorhanden())
            return TErgebnis::Ablehnung(QStringLiteral("In diesem Datenverzeichnis besteht bereits ein Pakt. Ein neuer Pakt kann hier "
                                            "nicht angelegt werden; die Pakt-Daten bleiben unverändert."));
        if (!MonatGueltig(MonatKey(datum)))
            throw VennlokFehler(QStringLiteral("Ein Pakt kann nur in den Jahren 1900 bis 9998 beginnen, nicht am %1.")
                                    .arg(Textformat::datumZuText(datum)),
                                QString(), VennlokFehler::Grenze);
        TPruefung::WerteVerlangen(betraege(beitrag, honorarEingangsbuchung, honorarRechnungsbuchung, grundsicherung, limitVirtSumme)
                       + QList<std::pair<QString, double>>{{QStringLiteral("IntSozialanteil"), intSozialanteil},
                                                           {QStringLiteral("Daempfung"), daempfung}});
        k.datenAendern([&] {
            QString eigene;
            k.daten->NeuerPakt(version, MonatKey(datum), datum, beitrag, honorarEingangsbuchung, honorarRechnungsbuchung,
                               R4(intSozialanteil), R4(daempfung), grundsicherung, limitVirtSumme, eigene);
        });
        if (k.PaktVorhanden())
            k.KasseOeffnen(k.daten->Buchungsmonat(), Uhr::Heute());
        k.log(QStringLiteral("NeuPakt,") + version + QLatin1Char(',') + Textformat::datumZuText(datum) + QLatin1Char(',')
            + k.daten->Buchungsmonat() + QLatin1Char(',') + geldText(beitrag) + QLatin1Char(',')
            + geldText(honorarEingangsbuchung) + QLatin1Char(',') + geldText(honorarRechnungsbuchung) + QLatin1Char(',')
            + zahl(intSozialanteil) + QLatin1Char(',') + zahl(daempfung) + QLatin1Char(',') + geldText(grundsicherung)
            + QLatin1Char(',') + geldText(limitVirtSumme));
        k.log(QString());
        if (!k.PaktVorhanden())
            return TErgebnis::Ablehnung(QStringLiteral("Der Pakt konnte nicht angelegt werden."));
        TErgebnis ergebnis = TErgebnis::Buchung(true, beitrag);
        ergebnis.meldung = QStringLiteral("Neuer Pakt angelegt. Hauptdatei: A_Vennlok.ven");
        return ergebnis;
    });
}

bool TBuchungen::vertrag(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                       Money honorarRechnungsbuchung, double daempfungAnteil, Money grundsicherung, Money limitVirtSumme)
{
    const Money daempfung = R4(daempfungAnteil); // the master data keep it scaled
    if (!MonatGueltig(MonatKey(datum)))
        throw VennlokFehler(QStringLiteral("Ein Ergänzungsvertrag kann nur in den Jahren 1900 bis 9998 gelten, nicht ab dem %1.")
                                .arg(Textformat::datumZuText(datum)),
                            QString(), VennlokFehler::Grenze);
    TPruefung::WerteVerlangen(betraege(beitrag, honorarEingangsbuchung, honorarRechnungsbuchung, grundsicherung, limitVirtSumme)
                   + QList<std::pair<QString, double>>{{QStringLiteral("Daempfung"), Einheiten(daempfung)}});
    k.daten->SetRollbackPoint();
    const bool ok = k.daten->Ergaenzungsvertrag(datum, beitrag, honorarEingangsbuchung, honorarRechnungsbuchung,
                                                daempfung, grundsicherung, limitVirtSumme);
    if (!ok)
        k.daten->Rollback(); // nothing of a contract that could not be stored stays in memory
    k.log(QStringLiteral("Vertrag,") + version + QLatin1Char(',') + Textformat::datumZuText(datum) + QLatin1Char(',')
        + geldText(beitrag) + QLatin1Char(',') + geldText(honorarEingangsbuchung) + QLatin1Char(',')
        + geldText(honorarRechnungsbuchung) + QLatin1Char(',') + geldText(daempfung) + QLatin1Char(',')
        + geldText(grundsicherung) + QLatin1Char(',') + geldText(limitVirtSumme));
    k.log(QString());
    return ok;
}

TErgebnis TBuchungen::AnwaltSetzen(const QString &name, const QString &adresse, const QString &datumstext)
{
    return k.vorgang([&]() -> TErgebnis {
        if (const QString fehler = Vennlok::AnwaltFehler(name, adresse); !fehler.isEmpty())
            return TErgebnis::Ablehnung(fehler);
        const QString gespeichert = Bankdaten::AngabeNormal(name, adresse);
        try {
            k.datenAendern([&] { k.daten->SetAnwalt(name, gespeichert); });
        } catch (const VennlokFehler &e) {
            return TErgebnis::Ablehnung(e.text());
        }
        const QString art = k.daten->HatErgaenzungsvertrag() ? QStringLiteral("Vertrag") : QStringLiteral("NeuPakt");
        k.log(art + QStringLiteral(":Adresse,") + name + QLatin1Char(',') + gespeichert + QLatin1Char(',') + datumstext);
        return TErgebnis::Buchung(true, 0);
    });
}

void TBuchungen::buchungAbschliessen(TTeilhaber &teilhaber, bool gebucht, const QString &zeile,
                                   const QString &fehlerzeile)
{
    if (!gebucht) {
        // The cash book refused: the participant file goes back to what it was.
        teilhaber.Rollback();
        try {
            teilhaber.UpdateFile();
        } catch (const VennlokFehler &) {
            k.log(fehlerzeile);
            throw;
        }
    }
    k.log(gebucht ? zeile : fehlerzeile);
}

QString TBuchungen::nameAbweisen(const QString &name, Money betrag, const QString &kopf, const QString &abstand)
{
    const QString fehler = TeilhaberNameFehler(name);
    // A name too long for the files is refused without a trace in them.
    if (!fehler.isEmpty() && name.size() <= 60)
        k.log(kopf + fuerLog(name) + QLatin1Char(',') + geldText(betrag) + abstand + QStringLiteral("UNZULÄSSIGER NAME"));
    return fehler;
}

TErgebnis TBuchungen::Einzahlung(const QString &name, const MonthKey &monat, Money betrag, DateTime datum)
{
    return k.vorgang([&]() -> TErgebnis {
        const Money beitrag = k.daten->Beitrag();
        if (!k.kasse)
            return TErgebnis::Ablehnung(QStringLiteral("Die Kasse ist nicht offen."));
        if (betrag > BetragGrenze || betrag < -BetragGrenze)
            return TErgebnis::Ablehnung(betragZuGross(betrag));
        if (const QString fehler = nameAbweisen(name, betrag, QStringLiteral("Ein#####,"), QStringLiteral("   "));
            !fehler.isEmpty())
            return TErgebnis::Ablehnung(fehler);
        QString datei = k.teilhaber->Datei(name);
        if (datei.isEmpty())
            datei = k.teilhaber->Datei(NameFuerDatei(name));
        const bool neu = datei.isEmpty();
        const QString wer = neu ? NameFuerDatei(name) : NameAusDateiname(datei);
        if (wer.size() < 4) {
            k.log(QStringLiteral("Teilhabername zu kurz, Länge mindestens: 4"));
            // The rules pass over such a line without a message; the caller learns why.
            return TErgebnis::Ablehnung(QStringLiteral("Der Teilhabername \u201E%1\u201C ist zu kurz: mindestens 4 Zeichen.").arg(wer), QString());
        }
        TTeilhaber &teilhaber = k.teilhaber->Teilhaber(neu ? TeilhaberDateiname(wer) : datei);
        if (neu)
            teilhaber.Anlegen(wer, name);
        if (beitrag <= teilhaber.Einzahlungen(monat))
            return TErgebnis::Ablehnung(QStringLiteral("Für diesen Tag / Monat existiert eine Buchung. Bitte die Korrektur benutzen"));
        const MonthKey buchungsmonat = k.Buchungsmonat();
        teilhaber.SetRollbackPoint();
        const bool ok1 = teilhaber.EinzahlungBuchen(buchungsmonat, betrag, datum);
        const bool ok2 = ok1 && k.kasse->EinzahlungBuchen(buchungsmonat, wer, betrag, datum);
        buchungAbschliessen(teilhaber, ok2, QStringLiteral("Einzahlg,") + wer + QLatin1Char(',') + geldText(betrag),
                            QStringLiteral("Ein#####,") + wer + QLatin1Char(',') + geldText(betrag)
                                + QStringLiteral("   BUCHUNGSFEHLER"));
        return TErgebnis::Buchung(ok2, betrag);
    });
}

bool TBuchungen::kassenRechnung(const MonthKey &monat, const QString &name, Money betrag, DateTime datum)
{
    const bool ok = k.kasse->RechnungBuchen(monat, name, betrag, datum);
    if (const auto gesenkt = gedeckterAnteil(0))
        k.SetIntSozialanteil(*gesenkt);
    return ok;
}

std::optional<double> TBuchungen::gedeckterAnteil(Money weitere) const
{
    if (!k.kasse || k.Buchungsmonat() == k.daten->Startmonat())
        return std::nullopt;
    const double s = k.daten->ExtSozialanteil();
    const Money p4 = R4(Deckungsquote(k.kasse->SummeVormonat(), GeldPlus(k.kasse->Rechnungen(), weitere), s));
    if (double(p4) < s * double(MoneyProEinheit))
        return IntAusExt(double(p4) / double(MoneyProEinheit));
    return std::nullopt;
}

double TBuchungen::SozialanteilNachRechnung(Money betrag) const
{
    const auto gesenkt = gedeckterAnteil(betrag);
    return gesenkt ? ExtAusInt(2, *gesenkt) : k.daten->ExtSozialanteil();
}

TErgebnis TBuchungen::Rechnung(const QString &name, Money betrag, DateTime datum)
{
    return k.vorgang([&]() -> TErgebnis {
        if (k.Buchungsmonat() == k.daten->Startmonat()) {
            const QString text = QStringLiteral("Im ersten Monat erfolgen keine Rechnungsbuchungen.");
            k.log(text);
            return TErgebnis::Ablehnung(text);
        }
        if (!k.kasse)
            return TErgebnis::Ablehnung(QStringLiteral("Die Kasse ist nicht offen."), QString());
        if (betrag > BetragGrenze || betrag < -BetragGrenze)
            return TErgebnis::Ablehnung(betragZuGross(betrag));
        if (betrag < 0)
            return TErgebnis::Ablehnung(QStringLiteral("Eine Rechnung über %1 ist nicht zulässig: der Betrag darf nicht negativ sein. "
                                            "Es wurde nichts gebucht.").arg(geldText(betrag)));
        if (const QString fehler = nameAbweisen(name, betrag, QStringLiteral("Rec#####,"), QStringLiteral("    "));
            !fehler.isEmpty())
            return TErgebnis::Ablehnung(fehler);
        const QString datei = k.teilhaber->Datei(name);
        // The rules pass over an invoice of an unknown name without a message.
        if (datei.isEmpty())
            return TErgebnis::Ablehnung(QStringLiteral("Einen Teilhaber \u201E%1\u201C gibt es nicht.").arg(name), QString());
        const QString wer = NameAusDateiname(datei);
        TTeilhaber &teilhaber = k.teilhaber->Teilhaber(datei);
        teilhaber.SetRollbackPoint();
        const MonthKey buchungsmonat = k.Buchungsmonat();
        const bool ok1 = teilhaber.RechnungBuchen(buchungsmonat, betrag);
        const bool ok2 = ok1 && kassenRechnung(buchungsmonat, wer, betrag, datum);
        buchungAbschliessen(teilhaber, ok2, QStringLiteral("Rechnung,") + wer + QLatin1Char(',') + geldText(betrag),
                            QStringLiteral("Rec#####,") + wer + QLatin1Char(',') + geldText(betrag)
                                + QStringLiteral("    BUCHUNGSFEHLER"));
        return TErgebnis::Buchung(ok2, betrag);
    });
}

TErgebnis TBuchungen::Vertrag(const QString &version, DateTime datum, Money beitrag, Money honorarEingangsbuchung,
                            Money honorarRechnungsbuchung, double daempfung, Money grundsicherung, Money limitVirtSumme)
{
    bool ok = false;
    k.transaktion(QString(), [&] {
        ok = vertrag(version, datum, beitrag, honorarEingangsbuchung, honorarRechnungsbuchung, daempfung, grundsicherung,
                     limitVirtSumme);
    });
    return ok ? TErgebnis::Buchung(true, beitrag) : TErgebnis::Ablehnung(QStringLiteral("Der Ergänzungsvertrag konnte nicht gespeichert werden."));
}

std::pair<Money, Money> TBuchungen::RechnungsAnteile(Money betrag) const
{
    const Money satz = R4(k.daten->ExtSozialanteil());
    return {SozialanteilBetrag(betrag, satz), EigenanteilBetrag(betrag, satz)};
}

// --- the participants' files -------------------------------------------------

QString TBuchungen::Datei(const QString &name) const
{
    if (!TeilhaberNameFehler(name).isEmpty())
        return QString();
    const QString datei = k.teilhaber->Datei(name);
    return datei.isEmpty() ? k.teilhaber->Datei(NameFuerDatei(name)) : datei;
}

TErgebnis TBuchungen::TeilhaberOeffnen(const QString &name)
{
    return k.vorgang([&]() -> TErgebnis {
        if (const QString fehler = TeilhaberNameFehler(name); !fehler.isEmpty())
            return TErgebnis::Ablehnung(fehler);
        const QString gefaltet = NameFuerDatei(name);
        if (!Datei(name).isEmpty())
            return TErgebnis::Nichts(QStringLiteral("Den Teilhaber \u201E%1\u201C gibt es schon.").arg(name));
        if (!k.teilhaber->Teilhaber(TeilhaberDateiname(gefaltet)).Anlegen(gefaltet, name)) {
            k.teilhaber->Vergessen(TeilhaberDateiname(gefaltet));
            return TErgebnis::Ablehnung(QStringLiteral("Die Teilhaberdatei \u201E%1\u201C kann nicht angelegt werden.")
                                            .arg(TeilhaberDateiname(gefaltet)));
        }
        return TErgebnis::Buchung(true, 0);
    });
}

TErgebnis TBuchungen::AdresseSpeichern(const QString &name, const QString &schluessel, const QString &wert,
                                       const QString &datumstext)
{
    return k.vorgang([&]() -> TErgebnis {
        const QString datei = Datei(name);
        if (datei.isEmpty())
            return TErgebnis::Ablehnung(QStringLiteral("Einen Teilhaber \u201E%1\u201C gibt es nicht.").arg(name));
        // Bank details are checked before they are stored: a wrong IBAN would only show at the bank.
        if (const QString fehler = Bankdaten::AngabeFehler(schluessel, wert); !fehler.isEmpty())
            return TErgebnis::Ablehnung(fehler);
        // A mandate reference names one member's mandate: the bank tells collections apart by it.
        if (schluessel == QLatin1String("Mandatsreferenz") && !wert.trimmed().isEmpty())
            for (const QString &anderer : k.teilhaber->Mitglieder())
                if (anderer != datei
                    && k.teilhaber->Teilhaber(anderer).Adresse(schluessel).trimmed().compare(wert.trimmed(), Qt::CaseInsensitive) == 0)
                    return TErgebnis::Ablehnung(QStringLiteral("Die Mandatsreferenz \u201E%1\u201C hat schon %2; jede gibt es im Pakt nur einmal.")
                                                    .arg(wert.trimmed(), NameAusDateiname(anderer)));
        TTeilhaber &teilhaber = k.teilhaber->Teilhaber(datei);
        const QString gespeichert = Bankdaten::AngabeNormal(schluessel, wert);
        try {
            teilhaber.AdresseSetzen(schluessel, gespeichert, datumstext);
        } catch (const VennlokFehler &e) {
            return TErgebnis::Ablehnung(e.text());
        }
        // Stored with its log line, so file and log always agree.
        teilhaber.UpdateFile();
        k.log(datei + QStringLiteral(":Adresse,") + schluessel + QLatin1Char(',') + gespeichert + QLatin1Char(',') + datumstext);
        return TErgebnis::Buchung(true, 0);
    });
}

// --- reversing one booking -------------------------------------------------

QList<TBuchungsposten> TBuchungen::Posten(const QString &name) const
{
    QList<TBuchungsposten> posten;
    const QString datei = Datei(name);
    if (datei.isEmpty() || !k.kasse)
        return posten;
    const TTeilhaber &t = k.teilhaber->Teilhaber(datei);
    const QString wer = NameAusDateiname(datei);
    const std::vector<TKasse::Eintrag> eintraege = k.kasse->Eintraege();
    for (const bool einzahlung : {true, false}) {
        // The day of each from the cash book, whose entries of the participant stand in the same order.
        QList<QDate> tage;
        for (const TKasse::Eintrag &e : eintraege)
            if (e.art == (einzahlung ? TKasse::Eintrag::Einzahlung : TKasse::Eintrag::Rechnung) && e.name.compare(wer, Qt::CaseInsensitive) == 0)
                tage.append(QDate::fromString(e.abschnitt.section(QLatin1Char(' '), -1), QStringLiteral("dd.MM.yyyy")));
        const QList<Money> betraege = t.Buchungen(einzahlung, k.Buchungsmonat());
        for (int i = 0; i < betraege.size(); ++i)
            posten.append({einzahlung, i + 1, betraege[i], tage.value(i)});
    }
    return posten;
}

TErgebnis TBuchungen::Storno(bool einzahlung, const QString &name, int nr)
{
    return k.vorgang([&]() -> TErgebnis {
        if (!k.kasse)
            return TErgebnis::Ablehnung(QStringLiteral("Es gibt keinen offenen Monat, in dem storniert werden könnte."));
        const QString datei = Datei(name);
        if (datei.isEmpty())
            return TErgebnis::Ablehnung(QStringLiteral("Einen Teilhaber \u201E%1\u201C gibt es nicht.").arg(name));
        const QString wer = NameAusDateiname(datei);
        const MonthKey monat = k.Buchungsmonat();
        const QString was = einzahlung ? QStringLiteral("Einzahlung") : QStringLiteral("Rechnung");
        TTeilhaber &teilhaber = k.teilhaber->Teilhaber(datei);
        const QList<Money> betraege = teilhaber.Buchungen(einzahlung, monat);
        if (nr < 1 || nr > betraege.size())
            return TErgebnis::Ablehnung(betraege.isEmpty()
                                            ? QStringLiteral("%1 hat im Monat %2 keine %3 gebucht.").arg(wer, monat, was)
                                            : QStringLiteral("%1 hat im Monat %2 nur %3 %4 gebucht, keine Nummer %5.")
                                                  .arg(wer, monat).arg(betraege.size())
                                                  .arg(einzahlung ? QStringLiteral("Einzahlung(en)") : QStringLiteral("Rechnung(en)"))
                                                  .arg(nr));
        // A paid invoice has left the fund: its payout is discarded first.
        if (!einzahlung && teilhaber.Auszahlungen(monat) > 0)
            return TErgebnis::Ablehnung(QStringLiteral("Die Rechnungen von %1 im Monat %2 sind schon ausgezahlt. Bitte erst "
                                                       "die Auszahlungen verwerfen, dann die Rechnung stornieren.").arg(wer, monat));
        const Money betrag = betraege[nr - 1];
        if (!teilhaber.Stornieren(einzahlung, monat, nr))
            misslungen(QStringLiteral("Das Stornieren der %1 von %2").arg(was, wer));
        if (!k.kasse->Stornieren(einzahlung ? TKasse::Eintrag::Einzahlung : TKasse::Eintrag::Rechnung, monat, wer, nr, betrag))
            misslungen(QStringLiteral("Das Stornieren der %1 von %2 in der Kasse").arg(was, wer));
        k.log(QStringLiteral("Storno,%1,%2,%3").arg(einzahlung ? QStringLiteral("Einzahlg") : QStringLiteral("Rechnung"), wer,
                                                     geldText(betrag)));
        return TErgebnis::Buchung(true, betrag);
    });
}
