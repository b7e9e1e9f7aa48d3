// The automatic booking replay of a command file.

#include "engine/einheiten.h"
#include "engine/vennlok.h"
#include "engine/intern.h"

#include "algo/fehler.h"
#include "algo/formeln.h"
#include "algo/runden.h"
#include "data/cp1252.h"
#include "data/textdatei.h"
#include "data/textformat.h"
#include "data/uhr.h"
#include "platform/skript.h"

#include <QCryptographicHash>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <utility>
#include <vector>

namespace {

bool istLeer(QChar c)
{
    return c.unicode() <= 0x20;
}

// A line's fields with the means to read them; every failure names the field's text.
class Felder
{
public:
    explicit Felder(QStringList felder) : m_felder(std::move(felder)) {}

    qsizetype anzahl() const { return m_felder.size(); }

    const QString &text(int i) const
    {
        if (i >= m_felder.size())
            throw VennlokFehler(QStringLiteral("Feld %1 fehlt").arg(i));
        return m_felder[i];
    }

    // A field's text as a message quotes it.
    QString zitiert(int i) const { return Textformat::zitat(text(i)); }

    DateTime datum(int i) const
    {
        const auto d = Textformat::textZuDateTime(text(i));
        if (!d)
            throw VennlokFehler(QStringLiteral("'%1' ist kein gültiges Datum").arg(zitiert(i)));
        return *d;
    }

    int ganzzahl(int i) const
    {
        const auto n = Textformat::textZuInt(text(i));
        if (!n)
            throw VennlokFehler(QStringLiteral("'%1' ist kein gültiger ganzzahliger Wert").arg(zitiert(i)));
        return *n;
    }

    double zahl(int i) const
    {
        const auto x = Textformat::textZuFloat(text(i));
        if (!x)
            throw VennlokFehler(QStringLiteral("'%1' ist kein gültiger Gleitkommawert").arg(zitiert(i)));
        return *x;
    }

    Money betrag(int i) const
    {
        const double x = zahl(i);
        if (!R4Optional(x))
            throw VennlokFehler(QStringLiteral("'%1' ist kein gültiger Betrag").arg(zitiert(i)));
        return imRahmen(i, x);
    }

    // An amount of a payment or invoice: a line whose amount does not read is skipped.
    std::optional<Money> waehrung(int i) const
    {
        if (i >= m_felder.size())
            return std::nullopt;
        const auto x = Textformat::textZuFloat(m_felder[i]);
        return x && R4Optional(*x) ? std::optional<Money>(imRahmen(i, *x)) : std::nullopt;
    }

    // An amount read must be one the program books: at most four decimals and 100,000,000.
    Money imRahmen(int i, double x) const
    {
        const auto b = R4Genau(x);
        if (!b || *b > BetragGrenze || *b < -BetragGrenze)
            throw VennlokFehler(QStringLiteral("der Betrag '%1' ist nicht zulässig: erlaubt sind höchstens vier "
                                               "Nachkommastellen und Beträge bis 100.000.000")
                                    .arg(zitiert(i)),
                                QString(), VennlokFehler::Grenze);
        return *b;
    }

    void punktZuKomma()
    {
        for (QString &feld : m_felder)
            feld.replace(QLatin1Char('.'), QLatin1Char(','));
    }

private:
    QStringList m_felder;
};

QByteArray befehlsdateiLesen(const QString &datei)
{
    QFile f(datei);
    if (!f.open(QIODevice::ReadOnly))
        throw VennlokFehler(QStringLiteral("Die Befehlsdatei \u201E%1\u201C kann nicht gelesen werden: %2")
                                .arg(datei, Textdatei::Grund(f.error())), datei);
    return f.readAll();
}

// What the record of an interrupted replay keeps of its command file: the
// SHA-1 of its bytes, so that a replay resumes only the file it began.
QString pruefsumme(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

QStringList zeilenLesen(const QByteArray &bytes)
{
    // A file written on a Linux desktop is UTF-8; one from Windows is Windows-1252.
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = Cp1252::dekodieren(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList zeilen = text.split(QLatin1Char('\n'));
    if (!zeilen.isEmpty() && zeilen.last().isEmpty())
        zeilen.removeLast();
    return zeilen;
}

// Resets AutoModus however the replay ends.
struct AutoModusAus
{
    bool &modus;
    ~AutoModusAus() { modus = false; }
};

} // namespace

QStringList Vennlok::FelderTrennen(const QString &zeile)
{
    QStringList felder;
    const qsizetype n = zeile.size();
    qsizetype p = 0;
    while (p < n && istLeer(zeile[p]))
        ++p;
    while (p < n) {
        QString feld;
        if (zeile[p] == QLatin1Char('"')) {
            ++p;
            while (p < n) {
                if (zeile[p] == QLatin1Char('"')) {
                    if (p + 1 < n && zeile[p + 1] == QLatin1Char('"')) {
                        feld += QLatin1Char('"');
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                feld += zeile[p++];
            }
        } else {
            const qsizetype anfang = p;
            while (p < n && !istLeer(zeile[p]) && zeile[p] != QLatin1Char(','))
                ++p;
            feld = zeile.mid(anfang, p - anfang);
        }
        felder.append(feld);
        while (p < n && istLeer(zeile[p]))
            ++p;
        if (p < n && zeile[p] == QLatin1Char(',')) {
            if (p + 1 == n)
                felder.append(QString());
            do
                ++p;
            while (p < n && istLeer(zeile[p]));
        }
    }
    return felder;
}

const QString Vennlok::Standdatei = QStringLiteral("AutoBuchung.stand");

namespace {

// What a replayed line did.
enum class Zeilenart { Gewoehnlich, Abschluss, Ende };

// One line of a command file: its number (from 1), its text and its fields.
struct Befehl
{
    int zeile;
    QString text;
    QStringList felder;
};

// The command file parsed once, before anything is booked.
std::vector<Befehl> befehleLesen(const QByteArray &bytes)
{
    const QStringList zeilen = zeilenLesen(bytes);
    std::vector<Befehl> befehle;
    befehle.reserve(std::size_t(zeilen.size()));
    for (const QString &zeile : zeilen)
        befehle.push_back({int(befehle.size()) + 1, zeile, Vennlok::FelderTrennen(zeile)});
    return befehle;
}

// The replay's state that lines carry forward.
struct Stand
{
    DateTime datum = 0;
    int kaeufer = 0;
};

} // namespace

void TEinspielung::Einspielen(const QString &datei, int arten, TFortschritt *fortschritt, int abZeile)
{
    k.autoModus = true;
    AutoModusAus aus{k.autoModus};
    k.fehlerzeile.clear();
    const QByteArray bytes = befehlsdateiLesen(datei);
    const std::vector<Befehl> befehle = befehleLesen(bytes);
    const int anzahl = int(befehle.size());
    const QString dateiname = QFileInfo(datei).fileName();
    const QString summe = pruefsumme(bytes);
    // Without a pact, the first line that books must found one: anything
    // else would book nothing and look like a replay that went well.
    if (!k.PaktVorhanden() && abZeile <= 1) {
        const auto erste = std::find_if(befehle.cbegin(), befehle.cend(), [](const Befehl &b) {
            const QString wort = b.felder.value(0);
            return !wort.isEmpty() && !wort.startsWith(QLatin1Char('#')) && wort != QLatin1String("Kaeufer")
                   && wort != QLatin1String("Datum");
        });
        if (erste == befehle.cend() || erste->felder.value(0) != QLatin1String("NeuPakt") || !(arten & 1))
            throw VennlokFehler(erste == befehle.cend()
                                    ? QStringLiteral("Hier gibt es keinen Pakt, und die Befehlsdatei \u201E%1\u201C legt "
                                                     "keinen an (keine Zeile NeuPakt). Es wurde nichts gebucht.").arg(dateiname)
                                    : QStringLiteral("Hier gibt es keinen Pakt, und die Befehlsdatei \u201E%1\u201C beginnt "
                                                     "nicht mit NeuPakt (Zeile %2: \u201E%3\u201C). Es wurde nichts gebucht.")
                                          .arg(dateiname).arg(erste->zeile).arg(Textformat::zitat(erste->text)),
                                datei);
    }
    Stand stand{Uhr::Heute(), 0};
    int abschluesse = 0;
    MonthKey geschlossen;

    // The command words: which kind of arten enables each (0: always), what
    // it does, and what it carries forward (the date, the buyer model), which
    // a resumed replay takes from the lines before it without booking them.
    // A word not in the table is passed over, as the rules say. Austritt,
    // Auszahlen, Verwerfen and MonatVerwerfen are this program's own words
    // for what the window does; they run with the month closes (16).
    using Melden = std::function<void(const QString &)>;
    struct Wort
    {
        const char *wort;
        int art;
        std::function<void(const Felder &)> stand;
        std::function<Zeilenart(Felder &, const Melden &)> buchen;
    };
    const auto datumAus = [&](int feld) { return [&stand, feld](const Felder &f) { stand.datum = f.datum(feld); }; };
    // Why a payment or invoice line is passed over, as the rules pass it
    // over: no name, the name's own fault (namensfehler), an amount that
    // does not read; empty when it is booked.
    const auto uebergehen = [](const Felder &f, const QString &was, const QString &namensfehler,
                               const std::optional<Money> &betrag) {
        if (f.anzahl() < 2 || f.text(1).trimmed().isEmpty())
            return QStringLiteral("%1 ohne Namen übergangen.").arg(was);
        if (!namensfehler.isEmpty())
            return QStringLiteral("%1 für \u201E%2\u201C übergangen: %3.").arg(was, Textformat::zitat(f.text(1)), namensfehler);
        if (!betrag)
            return QStringLiteral("%1 für \u201E%2\u201C übergangen: \u201E%3\u201C ist kein Betrag.")
                .arg(was, Textformat::zitat(f.text(1)), Textformat::zitat(f.anzahl() > 2 ? f.text(2) : QString()));
        return QString();
    };
    const auto monatVerlangen = [&](const Felder &f) {
        const MonthKey monat = f.text(1);
        if (monat != k.Buchungsmonat())
            throw VennlokFehler(QStringLiteral("der Monat %1 ist nicht der Buchungsmonat %2").arg(Textformat::zitat(monat), k.Buchungsmonat()));
        return monat;
    };
    const Wort woerter[] = {
        {"Kaeufer", 0, [&](const Felder &f) { stand.kaeufer = f.ganzzahl(1); }, nullptr},
        {"Datum", 0, datumAus(1), nullptr},
        {"NeuPakt", 1, datumAus(2),
         [&](Felder &f, const Melden &meldung) {
             f.punktZuKomma();
             const TErgebnis ergebnis = v.NeuPakt(f.text(1), stand.datum, f.betrag(3), f.betrag(4), f.betrag(5), f.zahl(6),
                                                f.zahl(7), f.betrag(8), f.betrag(9));
             if (!ergebnis.gebucht())
                 meldung(ergebnis.meldung);
             return Zeilenart::Gewoehnlich;
         }},
        {"Vertrag", 1, datumAus(2),
         [&](Felder &f, const Melden &) {
             f.punktZuKomma();
             if (!v.Vertrag(f.text(1), stand.datum, f.betrag(3), f.betrag(4), f.betrag(5), f.zahl(6), f.betrag(7), f.betrag(8)).gebucht())
                 throw VennlokFehler(QStringLiteral("der Ergänzungsvertrag konnte nicht gespeichert werden"));
             return Zeilenart::Gewoehnlich;
         }},
        {"Einzahlg", 2, nullptr,
         [&](Felder &f, const Melden &meldung) {
             const auto betrag = f.waehrung(2);
             if (const QString warum = uebergehen(f, QStringLiteral("Einzahlung"), f.anzahl() > 1 && f.text(1).size() < 4
                                                      ? QStringLiteral("ein Name hat mindestens vier Zeichen") : QString(), betrag);
                 !warum.isEmpty())
                 meldung(warum);
             else
                 meldung(v.Einzahlung(f.text(1), k.Buchungsmonat(), *betrag, stand.datum).meldung);
             return Zeilenart::Gewoehnlich;
         }},
        {"Rechnung", 4, nullptr,
         [&](Felder &f, const Melden &meldung) {
             const auto betrag = f.waehrung(2);
             if (const QString warum = uebergehen(f, QStringLiteral("Rechnung"), f.anzahl() > 1 && !v.TeilhaberVorhanden(f.text(1))
                                                      ? QStringLiteral("einen solchen Teilhaber gibt es nicht") : QString(), betrag);
                 !warum.isEmpty())
                 meldung(warum);
             else
                 meldung(v.Rechnung(f.text(1), KaeuferBetrag(stand.kaeufer, *betrag, k.daten->ExtSozialanteil()), stand.datum).meldung);
             return Zeilenart::Gewoehnlich;
         }},
        {"Monatsab", 16, nullptr,
         [&](Felder &f, const Melden &) {
             const MonthKey monat = monatVerlangen(f);
             v.Monatsabschluss(monat, true, stand.datum);
             geschlossen = monat;
             return Zeilenart::Abschluss;
         }},
        {"Austritt", 16, nullptr,
         [&](Felder &f, const Melden &meldung) {
             meldung(v.Austritt(f.text(1)).meldung);
             return Zeilenart::Gewoehnlich;
         }},
        {"Auszahlen", 16, nullptr,
         [&](Felder &f, const Melden &) {
             v.AuszahlungenBuchen(monatVerlangen(f));
             return Zeilenart::Gewoehnlich;
         }},
        {"Verwerfen", 16, nullptr,
         [&](Felder &f, const Melden &) {
             v.BuchungenVerwerfen(monatVerlangen(f), f.ganzzahl(2) & 14);
             return Zeilenart::Gewoehnlich;
         }},
        {"MonatVerwerfen", 16, nullptr,
         [&](Felder &f, const Melden &) {
             if (const TErgebnis r = v.MonatVerwerfen(monatVerlangen(f)); !r.gebucht())
                 throw VennlokFehler(r.grund);
             return Zeilenart::Gewoehnlich;
         }},
        // The pact's account (holder, IBAN, BIC, creditor identifier) and an item of a
        // participant's address, as the adjustment dialog and the address page store them.
        {"Konto", 1, nullptr,
         [&](Felder &f, const Melden &) {
             const TErgebnis r = v.PaktKontoSetzen({f.text(1), f.text(2), f.anzahl() > 3 ? f.text(3) : QString(),
                                                    f.anzahl() > 4 ? f.text(4) : QString(), 0});
             if (!r.gebucht())
                 throw VennlokFehler(r.meldung);
             return Zeilenart::Gewoehnlich;
         }},
        {"Adresse", 2, nullptr,
         [&](Felder &f, const Melden &) {
             TErgebnis r = v.TeilhaberOeffnen(f.text(1));
             if (!r.abgelehnt())
                 r = v.AdresseSpeichern(f.text(1), f.text(2), f.text(3), Textformat::datumZuText(stand.datum));
             if (r.abgelehnt())
                 throw VennlokFehler(r.meldung);
             return Zeilenart::Gewoehnlich;
         }},
        // A bank statement beside the command file: what it proposes is booked, as when every
        // proposal is confirmed; what it refuses is reported.
        {"Kontoauszug", 2, nullptr,
         [&](Felder &f, const Melden &meldung) {
             const TKontoabgleich abgleich = v.KontoauszugLesen(QFileInfo(datei).absoluteDir().filePath(f.text(1)));
             QList<TBankauswahl> auswahl;
             for (const TBankposten &p : abgleich.posten)
                 if (p.angekreuzt)
                     auswahl.append({p.nr, QString()});
             const TErgebnis ergebnis = v.KontoauszugBuchen(abgleich, auswahl);
             if (ergebnis.abgelehnt())
                 meldung(ergebnis.meldung);
             else if (ergebnis.meldung.contains(QLatin1Char('\n')))
                 meldung(ergebnis.meldung.section(QLatin1Char('\n'), 1));
             return Zeilenart::Gewoehnlich;
         }},
        {"StoreSim", 0, nullptr, [](Felder &, const Melden &) { return Zeilenart::Ende; }},
    };
    const auto finden = [&](const QStringList &felder) -> const Wort * {
        for (const Wort &w : woerter)
            if (felder.value(0) == QLatin1String(w.wort))
                return &w;
        return nullptr;
    };

    // Carries out line nr; melden: whether refusals are reported (not when a
    // line is repeated). A line refused or passed over is told with its
    // number, its text and why, and written to the month's log.
    const auto ausfuehren = [&](int nr, bool melden) {
        const Befehl &befehl = befehle[nr];
        const Melden meldung = [&](const QString &text) {
            if (!melden || text.isEmpty())
                return;
            const QString zeile = QStringLiteral("%1, Zeile %2 (\u201E%3\u201C): %4")
                                      .arg(dateiname).arg(befehl.zeile).arg(Textformat::zitat(befehl.text), text);
            if (fortschritt)
                fortschritt->Meldung(zeile);
            k.log(zeile);
        };
        const Wort *wort = finden(befehl.felder);
        if (!wort) {
            const QString erstes = befehl.felder.value(0).trimmed();
            if (!erstes.isEmpty() && !erstes.startsWith(QLatin1Char('#')))
                meldung(QStringLiteral("übergangen: das Wort \u201E%1\u201C kennt die Autobuchung nicht.").arg(Textformat::zitat(erstes)));
            return Zeilenart::Gewoehnlich;
        }
        if (wort->art && !(arten & wort->art))
            return Zeilenart::Gewoehnlich;
        Felder f(befehl.felder);
        if (wort->stand)
            wort->stand(f);
        // Without a pact only founding it books.
        if (!wort->buchen || (!k.PaktVorhanden() && qstrcmp(wort->wort, "NeuPakt") != 0))
            return Zeilenart::Gewoehnlich;
        return wort->buchen(f, meldung);
    };

    // A resumed replay takes the date and buyer model of the lines before without booking them.
    for (int nr = 0; nr < std::min(abZeile - 1, anzahl); ++nr) {
        const Wort *wort = finden(befehle[nr].felder);
        if (!wort || !wort->stand)
            continue;
        try {
            wort->stand(Felder(befehle[nr].felder));
        } catch (const VennlokFehler &) {
            // a line that did not read when it was booked carried nothing either
        }
    }

    // The lines up to each month close form one transaction: the files are
    // the same as when each line is booked alone, written once per month.
    struct Offen
    {
        // By the owning pointer: archiving the pact replaces the store on the way.
        std::unique_ptr<TJournalSpeicher> &speicher;
        ~Offen()
        {
            if (speicher && speicher->InTransaktion())
                speicher->Abbrechen(); // memory only: nothing of the open group is written
        }
    } offen{k.speicher};
    // How far the replay is durable, stored with the bookings themselves.
    const auto standMerken = [&](int zeile) {
        if (k.PaktVorhanden())
            k.speicher->Schreiben(k.Pfad(Vennlok::Standdatei), QStringLiteral("Datei=%1\r\nPruefsumme=%2\r\nZeile=%3\r\n")
                                                        .arg(dateiname, summe).arg(zeile).toUtf8());
    };
    // The replay's last transaction: no record of an interruption is left.
    const auto beenden = [&](int zeile) {
        k.speicher->Loeschen(k.Pfad(Vennlok::Standdatei));
        k.speicher->Festschreiben();
        if (fortschritt)
            fortschritt->Gesichert(zeile);
    };
    int gruppe = std::max(0, abZeile - 1);
    Stand gruppenStand = stand;
    k.dateienPruefen();
    k.speicher->Beginnen();
    for (int nr = gruppe; nr < anzahl; ++nr) {
        if (fortschritt)
            fortschritt->Zeilen(nr, anzahl);
        if (fortschritt && fortschritt->Abbruch())
            return beenden(nr); // what is booked stays, as after a last line
        Zeilenart art;
        try {
            art = ausfuehren(nr, true);
        } catch (const VennlokFehler &fehler) {
            // The lines before this one stay booked: the group is undone and booked again without it.
            k.speicher->Abbrechen();
            k.zustandNeuLaden(QString());
            stand = gruppenStand;
            k.speicher->Beginnen();
            for (int k = gruppe; k < nr; ++k)
                ausfuehren(k, false);
            if (!k.fehlerzeile.isEmpty())
                k.log(std::exchange(k.fehlerzeile, QString()));
            standMerken(nr);
            k.speicher->Festschreiben();
            if (fortschritt)
                fortschritt->Gesichert(nr);
            throw VennlokFehler(QStringLiteral("%1, Zeile %2: %3\n%4")
                                    .arg(dateiname)
                                    .arg(befehle[nr].zeile)
                                    .arg(fehler.text(), Textformat::zitat(befehle[nr].text)),
                                fehler.datei(), fehler.art());
        }
        if (art == Zeilenart::Ende) {
            k.speicher->Loeschen(k.Pfad(Vennlok::Standdatei));
            k.speicher->Festschreiben();
            TSkripte(k).SimulationSpeichern(datei);
            break; // the pact is gone; nothing after it can be booked
        }
        if (art == Zeilenart::Abschluss) {
            standMerken(nr + 1);
            k.speicher->Festschreiben();
            if (fortschritt) {
                fortschritt->Gesichert(nr + 1);
                fortschritt->MonatAbgeschlossen(geschlossen, ++abschluesse);
            }
            gruppe = nr + 1;
            gruppenStand = stand;
            k.dateienPruefen();
            k.speicher->Beginnen();
        }
    }
    beenden(anzahl);
    if (fortschritt)
        fortschritt->Zeilen(anzahl, anzahl);
}

namespace {

// A value of the record of an interrupted replay ("Schluessel=Wert" lines).
QString standWert(const QByteArray &inhalt, const QByteArray &schluessel)
{
    for (const QByteArray &zeile : inhalt.split('\n'))
        if (zeile.startsWith(schluessel + '='))
            return QString::fromUtf8(zeile.mid(schluessel.size() + 1).trimmed());
    return QString();
}

} // namespace

int TEinspielung::GesicherteZeile()
{
    const auto inhalt = k.speicher->Lesen(k.Pfad(Vennlok::Standdatei));
    return inhalt ? standWert(*inhalt, "Zeile").toInt() : 0;
}

QString TEinspielung::FortsetzenFehler(const QString &datei)
{
    const auto inhalt = k.speicher->Lesen(k.Pfad(Vennlok::Standdatei));
    if (!inhalt)
        return QString();
    const QString name = standWert(*inhalt, "Datei"), summe = standWert(*inhalt, "Pruefsumme");
    const QString gegeben = QFileInfo(datei).fileName();
    if (name != gegeben)
        return QStringLiteral("Die unterbrochene Einspielung war die der Befehlsdatei \u201E%1\u201C, nicht die von "
                              "\u201E%2\u201C. Bitte jene fortsetzen.").arg(name, gegeben);
    if (!summe.isEmpty() && summe != pruefsumme(befehlsdateiLesen(datei)))
        return QStringLiteral("Die Befehlsdatei \u201E%1\u201C ist nicht mehr dieselbe wie bei der unterbrochenen "
                              "Einspielung (ihr Inhalt hat sich geändert). Sie wird nicht fortgesetzt.").arg(gegeben);
    return QString();
}

