// vennlok-cli: replays command files and reports a pact's months without a desktop.

#include "algo/fehler.h"
#include "algo/runden.h"
#include "cli/bericht.h"
#include "cli/erzeugen.h"
#include "data/bankdaten.h"
#include "data/uhr.h"
#include "dokumente/dokumente.h"
#include "dokumente/format.h"
#include "engine/vennlok.h"
#include "engine/waswaere.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <cstdio>

namespace {

const char Hilfe[] =
    "Aufruf: vennlok-cli BEFEHL [OPTIONEN]\n"
    "\n"
    "Befehle:\n"
    "  replay DATEI.aut [--dir VERZEICHNIS] [--csv] [--ab-zeile N | --fortsetzen]\n"
    "      spielt die Befehlsdatei in das Datenverzeichnis ein (alle Buchungsarten),\n"
    "      meldet jeden Monatsabschluss auf der Fehlerausgabe und zeigt am Ende die Monatstabelle\n"
    "      --ab-zeile N setzt eine unterbrochene Einspielung ab Zeile N fort,\n"
    "      --fortsetzen nach der letzten gesicherten Zeile\n"
    "  erzeugen --teilhaber N --monate M [--seed S]\n"
    "      schreibt eine realistische Befehlsdatei auf die Standardausgabe\n"
    "  pruefen [--dir VERZEICHNIS]\n"
    "      prüft, ob die Dateien des Pakts zueinander passen; eine Zeile je Befund,\n"
    "      Rückgabewert 0 ohne Befund, 1 mit Befunden\n"
    "  oeffnen [--dir VERZEICHNIS]\n"
    "      öffnet das Datenverzeichnis: eine unterbrochene Buchung wird zu Ende geführt\n"
    "      oder verworfen und das gemeldet\n"
    "  verlauf [--dir VERZEICHNIS] --png DATEI | --pdf DATEI\n"
    "      zeichnet den Verlauf der abgeschlossenen Monate (Kasse, Ein- und Auszahlungen,\n"
    "      Sozialanteil, Eingangsbuchungen); auch für den Ordner einer archivierten Simulation\n"
    "  wasware [--dir VERZEICHNIS] --monate M --laeufe R [--seed S]\n"
    "          [--variante \"Schlüssel=Wert[;Schlüssel=Wert…]\"]… [--csv DATEI] [--png DATEI] [--pdf DATEI]\n"
    "      rechnet die Zukunft des Pakts in R Läufen über M Monate, im Speicher (im\n"
    "      Verzeichnis ändert sich nichts): heute und je Variante ab dem nächsten Monat mit\n"
    "      anderen Werten für Beitrag, HonorarEingangsbuchung, HonorarRechnungsbuchung,\n"
    "      Daempfung, Grundsicherung, LimitVirtSumme oder Kaeufer; schreibt die Perzentile\n"
    "      je Variante und Monat als CSV und die Fächerdiagramme als PNG oder PDF\n"
    "  auszug NAME [--dir VERZEICHNIS] --pdf DATEI | --csv DATEI\n"
    "      schreibt den Kontoauszug eines Teilhabers, Monat für Monat\n"
    "  rueckstaende [--dir VERZEICHNIS] --pdf DATEI | --csv DATEI\n"
    "      schreibt die Rückstandsliste: wer wie viel aus welchen Monaten schuldet\n"
    "  monatsbericht MONAT [--dir VERZEICHNIS] --pdf DATEI\n"
    "      schreibt den Monatsbericht eines Monats (JJJJMM) mit seinen Überweisungen, wie ihn\n"
    "      der Monatsabschluss im Fenster schreibt; auch für Monate einer Simulation\n"
    "  sepa MONAT [--dir VERZEICHNIS] [--ausfuehrung TT.MM.JJJJ] > DATEI\n"
    "      schreibt die SEPA-Überweisungsdatei (pain.001) eines abgeschlossenen Monats auf die\n"
    "      Standardausgabe; Vorgabe der Ausführung: der nächste Bankarbeitstag\n"
    "  lastschriften [MONAT] [--dir VERZEICHNIS] [--faellig TT.MM.JJJJ] > DATEI\n"
    "      schreibt die SEPA-Lastschriftdatei (pain.008, Basislastschrift) des Monats (Vorgabe:\n"
    "      der Buchungsmonat): von jedem Teilhaber mit IBAN, Mandatsreferenz und Mandatsdatum\n"
    "      wird eingezogen, was ihm am Beitrag fehlt; Vorgabe der Fälligkeit: der nächste\n"
    "      Bankarbeitstag. Gebucht wird erst, was der Kontoauszug zeigt\n"
    "  bank DATEI [--dir VERZEICHNIS] [--buchen]\n"
    "      liest einen Kontoauszug (camt.053, Version 001.02 oder 001.08) des Paktkontos und\n"
    "      zeigt je Posten den Vorschlag: Einzahlung eines Teilhabers (nach IBAN, Lastschrift,\n"
    "      Mandat oder Namen), Rücklastschrift, bestätigte Überweisung, offen oder schon\n"
    "      gelesen; dazu den erwarteten Kontostand gegen den Schlusssaldo. Mit --buchen werden\n"
    "      die zugeordneten Posten in einem Vorgang gebucht; kein Posten wird zweimal gebucht.\n"
    "      Rückgabewert 0 gelesen, 1 abgelehnt\n"
    "  einzahlung NAME [BETRAG] [--dir VERZEICHNIS]\n"
    "      bucht eine Einzahlung in den Buchungsmonat (Vorgabe: der Beitrag); ein neuer Name\n"
    "      wird als Teilhaber aufgenommen\n"
    "  rechnung NAME BETRAG [--dir VERZEICHNIS]\n"
    "      bucht eine Rechnung eines Teilhabers (BETRAG mit Komma, z. B. 80,25)\n"
    "  austritt NAME [--dir VERZEICHNIS]\n"
    "      bucht den Austritt eines Teilhabers mit seiner Endrechnung\n"
    "  abschluss [--dir VERZEICHNIS]\n"
    "      schließt den Buchungsmonat ab, auch wenn noch nicht alle eingezahlt haben\n"
    "  verwerfen [--dir VERZEICHNIS]\n"
    "      verwirft den Buchungsmonat mit seinen Buchungen und Austritten und öffnet den Vormonat\n"
    "  auszahlungen-verwerfen [--dir VERZEICHNIS]\n"
    "      nimmt die Auszahlungen des Buchungsmonats zurück\n"
    "  storno einzahlung NAME [NR] [--dir VERZEICHNIS]\n"
    "  storno rechnung NAME NR [--dir VERZEICHNIS]\n"
    "      storniert eine Einzahlung oder Rechnung des Buchungsmonats (NR: die wievielte des\n"
    "      Monats; ohne NR die einzige Einzahlung), als wäre sie nie gebucht worden\n"
    "      Buchungen: Rückgabewert 0 gebucht, 1 abgelehnt (der Grund auf der Fehlerausgabe),\n"
    "      2 falscher Aufruf; Fragen des Fensters gelten als mit Ja beantwortet\n"
    "  sicherung zurueck ARCHIV --dir NEUER_ORDNER\n"
    "      holt eine Sicherung (Sicherung<Monat>.tar, von jedem Monatsabschluss geschrieben) in\n"
    "      einen neuen oder leeren Ordner zurück und prüft ihn wie pruefen; nie über einen Pakt\n"
    "  report [--dir VERZEICHNIS] [--csv]\n"
    "      zeigt die Monatstabelle eines Pakts: Monat, Eingangsbuchungen, Einzahlungen,\n"
    "      Auszahlungen, Eigenanteile, Summe, IntSozialanteil, ExtSozialanteil\n"
    "\n"
    "Optionen:\n"
    "  --dir VERZEICHNIS  Datenverzeichnis (Vorgabe: das Arbeitsverzeichnis)\n"
    "  --csv              Tabelle als CSV (Dezimalpunkt, ohne Tausendertrennzeichen)\n"
    "  -h, --hilfe        diese Hilfe (auch --help)\n"
    "  --version          die Version des Programms\n";

void ausgeben(FILE *ziel, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), ziel);
    std::fputc('\n', ziel);
    std::fflush(ziel);
}

class Konsole : public TFortschritt
{
public:
    void MonatAbgeschlossen(const MonthKey &monat, int anzahl) override
    {
        ausgeben(stderr, QStringLiteral("%1 (%2)").arg(monat).arg(anzahl));
    }
    void Meldung(const QString &text) override { ausgeben(stderr, text); }
    void Gesichert(int zeile) override { ausgeben(stderr, QStringLiteral("gesichert bis Zeile %1").arg(zeile)); }
};

int tabelle(const QString &verzeichnis, bool csv)
{
    if (!Vennlok::PaktVorhanden(verzeichnis)) {
        ausgeben(stderr, QStringLiteral("Im Verzeichnis \u201E%1\u201C gibt es keinen Pakt (keine A_Vennlok.ven).")
                             .arg(QDir::toNativeSeparators(verzeichnis)));
        return 1;
    }
    // Read under the directory's lock, after an interrupted booking is finished.
    const TVennlok vennlok(verzeichnis);
    for (const QString &zeile : csv ? Bericht::Csv(verzeichnis) : Bericht::Tabelle(verzeichnis))
        ausgeben(stdout, zeile);
    return 0;
}

int pruefen(const QString &verzeichnis)
{
    if (!Vennlok::PaktVorhanden(verzeichnis) && Vennlok::Unterbrochen(verzeichnis).isEmpty()) {
        ausgeben(stderr, QStringLiteral("Im Verzeichnis \u201E%1\u201C gibt es keinen Pakt (keine A_Vennlok.ven).")
                             .arg(QDir::toNativeSeparators(verzeichnis)));
        return 1;
    }
    // Under the lock, so that a booking another program is committing is no
    // finding; what a crash left is reported as it is, not finished first.
    TVennlok vennlok(verzeichnis, false);
    QStringList befunde = Vennlok::Unterbrochen(verzeichnis);
    if (befunde.isEmpty())
        befunde = vennlok.Pruefen();
    for (const QString &befund : befunde)
        ausgeben(stdout, befund);
    if (befunde.isEmpty())
        ausgeben(stderr, QStringLiteral("Keine Befunde: die Dateien des Pakts passen zueinander."));
    return befunde.isEmpty() ? 0 : 1;
}

// Restores a backup archive into a new folder and checks what it restored.
int sicherungZurueck(const QString &archiv, const QString &ziel)
{
    try {
        const QStringList dateien = Vennlok::SicherungZurueckholen(archiv, ziel);
        ausgeben(stderr, QStringLiteral("%1 Dateien aus \u201E%2\u201C nach \u201E%3\u201C zurückgeholt; sie werden geprüft.")
                             .arg(dateien.size())
                             .arg(QDir::toNativeSeparators(archiv), QDir::toNativeSeparators(ziel)));
    } catch (const VennlokFehler &fehler) {
        ausgeben(stderr, QStringLiteral("vennlok-cli: ") + fehler.text());
        return 1;
    }
    return pruefen(ziel);
}

// How many words each booking takes, the command itself counted: at least, at most.
const QHash<QString, std::pair<int, int>> &buchungswoerter()
{
    static const QHash<QString, std::pair<int, int>> woerter{
        {QStringLiteral("einzahlung"), {2, 3}}, {QStringLiteral("rechnung"), {3, 3}}, {QStringLiteral("austritt"), {2, 2}},
        {QStringLiteral("abschluss"), {1, 1}},  {QStringLiteral("verwerfen"), {1, 1}}, {QStringLiteral("auszahlungen-verwerfen"), {1, 1}},
        {QStringLiteral("storno"), {3, 4}}};
    return woerter;
}

bool istBuchung(const QString &befehl)
{
    return buchungswoerter().contains(befehl);
}

// The bookings of the window, one per call: 0 booked, 1 refused, 2 a wrong call.
int buchen(const QStringList &argumente, const QString &verzeichnis)
{
    const QString befehl = argumente.first();
    const auto [mindestens, hoechstens] = buchungswoerter().value(befehl);
    if (argumente.size() < mindestens || argumente.size() > hoechstens) {
        ausgeben(stderr, QStringLiteral("vennlok-cli: falsche Argumente für %1.").arg(befehl));
        std::fputs(Hilfe, stderr);
        return 2;
    }
    std::optional<Money> betrag;
    const bool storno = befehl == QLatin1String("storno");
    const bool stornoEinzahlung = storno && argumente[1] == QLatin1String("einzahlung");
    if (storno && ((!stornoEinzahlung && argumente[1] != QLatin1String("rechnung")) || (!stornoEinzahlung && argumente.size() < 4)
                   || (argumente.size() == 4 && argumente[3].toInt() < 1))) {
        ausgeben(stderr, QStringLiteral("vennlok-cli: storno braucht \u201Eeinzahlung NAME [NR]\u201C oder \u201Erechnung NAME NR\u201C "
                                        "(NR ab 1)."));
        return 2;
    }
    if (argumente.size() == 3 && !storno) {
        if (const QString fehler = Eingabe::BetragFehler(argumente[2]); !fehler.isEmpty()) {
            ausgeben(stderr, QStringLiteral("vennlok-cli: ") + fehler);
            return 2;
        }
        betrag = Eingabe::Betrag(argumente[2]);
    }
    if (!Vennlok::PaktVorhanden(verzeichnis)) {
        ausgeben(stderr, QStringLiteral("vennlok-cli: Im Verzeichnis \u201E%1\u201C gibt es keinen Pakt (keine A_Vennlok.ven).")
                             .arg(QDir::toNativeSeparators(verzeichnis)));
        return 1;
    }
    TVennlok vennlok(verzeichnis);
    vennlok.Oeffnen();
    // No viewer or backup script is started from a terminal.
    vennlok.SetAutoModus(true);
    const MonthKey monat = vennlok.Buchungsmonat();
    const QString name = argumente.value(1);
    const auto abgelehnt = [](const QString &grund) {
        ausgeben(stderr, QStringLiteral("vennlok-cli: ") + grund);
        return 1;
    };
    if (befehl == QLatin1String("einzahlung") || befehl == QLatin1String("rechnung")) {
        const bool einzahlung = befehl == QLatin1String("einzahlung");
        const Money wert = betrag.value_or(vennlok.Parameter().beitrag);
        const TErgebnis ergebnis = einzahlung ? vennlok.Einzahlung(name, monat, wert, Uhr::Jetzt())
                                              : vennlok.Rechnung(name, wert, Uhr::Jetzt());
        if (!ergebnis.gebucht())
            return abgelehnt(ergebnis.grund);
        ausgeben(stdout, QStringLiteral("%1 %2 für %3 gebucht (%4).")
                             .arg(einzahlung ? QStringLiteral("Einzahlung") : QStringLiteral("Rechnung"), Druckformat::Euro(wert),
                                  vennlok.Anzeigename(name), Druckformat::Monat(monat)));
        return 0;
    }
    if (befehl == QLatin1String("austritt")) {
        const QString wer = vennlok.Anzeigename(name); // before the file becomes a leaver's
        const TErgebnis ergebnis = vennlok.Austritt(name);
        if (!ergebnis.gebucht())
            return abgelehnt(ergebnis.grund);
        ausgeben(stdout, QStringLiteral("Austritt von %1 gebucht (%2); Endrechnung %3.")
                             .arg(wer, Druckformat::Monat(monat), Druckformat::Euro(ergebnis.betrag)));
        return 0;
    }
    if (befehl == QLatin1String("abschluss")) {
        const QStringList offen = vennlok.OffeneTeilhaber();
        vennlok.Monatsabschluss(monat, true, Uhr::Jetzt());
        ausgeben(stdout, QStringLiteral("%1 abgeschlossen; neuer Buchungsmonat %2.")
                             .arg(Druckformat::Monat(monat), Druckformat::Monat(vennlok.Buchungsmonat())));
        if (!offen.isEmpty())
            ausgeben(stdout, QStringLiteral("Als Rückstand gebucht: ") + offen.join(QStringLiteral(", ")));
        // The close stands whether or not its archive can be written.
        try {
            ausgeben(stdout, QStringLiteral("Sicherung geschrieben: %1").arg(QDir::toNativeSeparators(vennlok.SicherungSchreiben(monat))));
        } catch (const VennlokFehler &fehler) {
            ausgeben(stderr, QStringLiteral("vennlok-cli: Der Monat ist abgeschlossen, aber: ") + fehler.text());
        }
        return 0;
    }
    if (befehl == QLatin1String("verwerfen")) {
        const QStringList austritte = vennlok.AustritteImMonat(monat);
        if (const TErgebnis ergebnis = vennlok.MonatVerwerfen(monat); !ergebnis.gebucht())
            return abgelehnt(ergebnis.grund);
        ausgeben(stdout, QStringLiteral("%1 verworfen; Buchungsmonat ist wieder der %2.")
                             .arg(Druckformat::Monat(monat), Druckformat::Monat(vennlok.Buchungsmonat())));
        if (!austritte.isEmpty())
            ausgeben(stdout, QStringLiteral("Zurückgenommene Austritte: ") + austritte.join(QStringLiteral(", ")));
        return 0;
    }
    if (storno) {
        const QString wer = argumente[2];
        int nr = argumente.size() == 4 ? argumente[3].toInt() : 0;
        if (nr == 0) {
            // Without a number only a month's one payment is meant.
            QStringList posten;
            for (const TBuchungsposten &p : vennlok.Posten(wer))
                if (p.einzahlung)
                    posten.append(QStringLiteral("%1: %2").arg(p.nr).arg(Druckformat::Euro(p.betrag)));
            if (posten.size() != 1)
                return abgelehnt(posten.isEmpty() ? QStringLiteral("%1 hat im %2 keine Einzahlung gebucht.").arg(wer, Druckformat::Monat(monat))
                                                  : QStringLiteral("%1 hat im %2 %3 Einzahlungen (%4). Bitte die Nummer angeben.")
                                                        .arg(wer, Druckformat::Monat(monat)).arg(posten.size()).arg(posten.join(QStringLiteral(", "))));
            nr = 1;
        }
        const TErgebnis ergebnis = vennlok.Storno(stornoEinzahlung, wer, nr);
        if (!ergebnis.gebucht())
            return abgelehnt(ergebnis.meldung);
        ausgeben(stdout, QStringLiteral("%1 Nr. %2 von %3 über %4 storniert (%5).")
                             .arg(stornoEinzahlung ? QStringLiteral("Einzahlung") : QStringLiteral("Rechnung")).arg(nr)
                             .arg(vennlok.Anzeigename(wer), Druckformat::Euro(ergebnis.betrag), Druckformat::Monat(monat)));
        return 0;
    }
    vennlok.BuchungenVerwerfen(monat, 2);
    ausgeben(stdout, QStringLiteral("Die Auszahlungen im %1 sind zurückgenommen.").arg(Druckformat::Monat(monat)));
    return 0;
}

// Reads a bank statement and shows what it proposes; with buchenJa books the matched transactions.
int bank(const QString &datei, const QString &verzeichnis, bool buchenJa)
{
    if (!Vennlok::PaktVorhanden(verzeichnis))
        throw VennlokFehler(QStringLiteral("Im Verzeichnis gibt es keinen Pakt (keine A_Vennlok.ven)."), verzeichnis);
    TVennlok vennlok(verzeichnis);
    vennlok.Oeffnen();
    vennlok.SetAutoModus(true);
    const TKontoabgleich abgleich = vennlok.KontoauszugLesen(datei);
    static const QHash<int, QString> vorschlaege{{TBankposten::Einzahlung, QStringLiteral("Einzahlung")},
                                                 {TBankposten::Rueckbuchung, QStringLiteral("Rücklastschrift")},
                                                 {TBankposten::Bestaetigung, QStringLiteral("bestätigt")},
                                                 {TBankposten::Offen, QStringLiteral("offen")},
                                                 {TBankposten::Vorgemerkt, QStringLiteral("vorgemerkt")},
                                                 {TBankposten::Gelesen, QStringLiteral("schon gelesen")}};
    ausgeben(stdout, QStringLiteral("Kontoauszug %1, Konto %2").arg(abgleich.datei, abgleich.iban));
    for (const TBankposten &p : abgleich.posten)
        ausgeben(stdout, QStringLiteral("%1  %2  %3  %4  %5%6  (%7)")
                             .arg(p.nr, 3)
                             .arg(p.tag.toString(QStringLiteral("dd.MM.yyyy")), Druckformat::Euro(p.betrag).rightJustified(15),
                                  p.partei.left(28).leftJustified(28), vorschlaege.value(p.vorschlag),
                                  p.teilhaber.isEmpty() ? QString() : QLatin1Char(' ') + p.teilhaber, p.grund));
    if (abgleich.saldenBekannt) {
        ausgeben(stdout, QStringLiteral("Schlusssaldo des Auszugs %1 (%2); erwarteter Kontostand nach den Büchern %3, "
                                        "nach dem Buchen der Vorschläge %4; Differenz %5.")
                             .arg(Druckformat::Euro(abgleich.schlusssaldo), abgleich.bis.toString(QStringLiteral("dd.MM.yyyy")),
                                  Druckformat::Euro(abgleich.erwartet), Druckformat::Euro(abgleich.erwartetNachBuchung), Druckformat::Euro(abgleich.differenz)));
        if (abgleich.offen != 0)
            ausgeben(stdout, QStringLiteral("Davon nicht zugeordnet: %1.").arg(Druckformat::Euro(abgleich.offen)));
    }
    if (!buchenJa)
        return 0;
    QList<TBankauswahl> auswahl;
    for (const TBankposten &p : abgleich.posten)
        if (p.angekreuzt)
            auswahl.append({p.nr, QString()});
    const TErgebnis ergebnis = vennlok.KontoauszugBuchen(abgleich, auswahl);
    ausgeben(ergebnis.abgelehnt() ? stderr : stdout, ergebnis.gebucht() ? ergebnis.meldung : ergebnis.grund.isEmpty() ? ergebnis.meldung : ergebnis.grund);
    return ergebnis.abgelehnt() ? 1 : 0;
}

// Documents are drawn on the offscreen platform, which needs no desktop.
// Without one, Qt notes on standard error that it chose a runtime folder of
// its own: a remark for developers, not for the treasurer, and left out.
void ohneBildschirm()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QtMessageHandler vorher = nullptr;
    vorher = qInstallMessageHandler([](QtMsgType art, const QMessageLogContext &ort, const QString &text) {
        if (art == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
            return;
        if (vorher)
            vorher(art, ort, text);
        else
            ausgeben(stderr, text);
    });
}

// verlauf, auszug, rueckstaende, monatsbericht: documents drawn on the offscreen platform.
int dokument(int argc, char *argv[])
{
    ohneBildschirm();
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption dir(QStringLiteral("dir"), QString(), QStringLiteral("VERZEICHNIS"));
    const QCommandLineOption pdf(QStringLiteral("pdf"), QString(), QStringLiteral("DATEI"));
    const QCommandLineOption csv(QStringLiteral("csv"), QString(), QStringLiteral("DATEI"));
    const QCommandLineOption png(QStringLiteral("png"), QString(), QStringLiteral("DATEI"));
    parser.addOptions({dir, pdf, csv, png});
    const QStringList argumente = parser.parse(app.arguments()) ? parser.positionalArguments() : QStringList();
    const QString befehl = argumente.value(0);
    const bool verlauf = befehl == QLatin1String("verlauf"), bericht = befehl == QLatin1String("monatsbericht");
    const int ausgaben = int(parser.isSet(pdf)) + int(parser.isSet(csv)) + int(parser.isSet(png));
    const bool passt = argumente.size() == (befehl == QLatin1String("auszug") || bericht ? 2 : 1) && ausgaben == 1
                       && (verlauf ? !parser.isSet(csv) : bericht ? parser.isSet(pdf) : !parser.isSet(png));
    if (!passt) {
        const QString erlaubt = verlauf ? QStringLiteral("--png DATEI oder --pdf DATEI")
                                : bericht ? QStringLiteral("--pdf DATEI")
                                          : QStringLiteral("--pdf DATEI oder --csv DATEI");
        ausgeben(stderr, parser.errorText().isEmpty()
                             ? QStringLiteral("vennlok-cli: %1 braucht genau eine Ausgabe: %2.").arg(befehl, erlaubt)
                             : QStringLiteral("vennlok-cli: ") + Druckformat::Optionsfehler(parser.errorText(), parser.unknownOptionNames()));
        std::fputs(Hilfe, stderr);
        return 2;
    }
    const QString verzeichnis = QFileInfo(parser.isSet(dir) ? parser.value(dir) : QDir::currentPath()).absoluteFilePath();
    const QString ziel = parser.value(parser.isSet(pdf) ? pdf : parser.isSet(csv) ? csv : png);
    try {
        if (verlauf) {
            const TVennlok gesperrt(verzeichnis);
            const QList<TMonatsverlauf> monate = Vennlok::Verlauf(verzeichnis);
            parser.isSet(png) ? Dokumente::VerlaufPng(monate, ziel) : Dokumente::VerlaufPdf(monate, gesperrt.PaktName(), ziel);
        } else {
            if (!Vennlok::PaktVorhanden(verzeichnis))
                throw VennlokFehler(QStringLiteral("Im Verzeichnis \u201E%1\u201C gibt es keinen Pakt (keine A_Vennlok.ven).")
                                        .arg(QDir::toNativeSeparators(verzeichnis)));
            TVennlok vennlok(verzeichnis);
            const QString pakt = vennlok.PaktName();
            if (befehl == QLatin1String("auszug")) {
                const TKontoauszug auszug = vennlok.Kontoauszug(argumente[1]);
                parser.isSet(pdf) ? Dokumente::KontoauszugPdf(auszug, pakt, ziel) : Dokumente::KontoauszugCsv(auszug, ziel);
            } else if (bericht) {
                Dokumente::MonatsberichtPdf(vennlok.Monatsbericht(argumente[1]), pakt, ziel);
            } else {
                const QList<TRueckstand> liste = vennlok.Rueckstaende();
                parser.isSet(pdf) ? Dokumente::RueckstaendePdf(liste, vennlok.Buchungsmonat(), pakt, ziel)
                                  : Dokumente::RueckstaendeCsv(liste, ziel);
            }
        }
    } catch (const VennlokFehler &fehler) {
        ausgeben(stderr, QStringLiteral("vennlok-cli: ") + fehler.text());
        return 1;
    }
    ausgeben(stderr, QStringLiteral("Geschrieben: %1").arg(QDir::toNativeSeparators(ziel)));
    return 0;
}

// wasware: the pact's future under other rules, in memory.
int wasware(int argc, char *argv[])
{
    ohneBildschirm();
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption dir(QStringLiteral("dir"), QString(), QStringLiteral("VERZEICHNIS"));
    const QCommandLineOption monate(QStringLiteral("monate"), QString(), QStringLiteral("M"));
    const QCommandLineOption laeufe(QStringLiteral("laeufe"), QString(), QStringLiteral("R"));
    const QCommandLineOption saat(QStringLiteral("seed"), QString(), QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption variante(QStringLiteral("variante"), QString(), QStringLiteral("ZUWEISUNGEN"));
    const QCommandLineOption csv(QStringLiteral("csv"), QString(), QStringLiteral("DATEI"));
    const QCommandLineOption png(QStringLiteral("png"), QString(), QStringLiteral("DATEI"));
    const QCommandLineOption pdf(QStringLiteral("pdf"), QString(), QStringLiteral("DATEI"));
    parser.addOptions({dir, monate, laeufe, saat, variante, csv, png, pdf});
    const auto falsch = [&](const QString &warum) {
        ausgeben(stderr, QStringLiteral("vennlok-cli: ") + warum);
        std::fputs(Hilfe, stderr);
        return 2;
    };
    if (!parser.parse(app.arguments()))
        return falsch(Druckformat::Optionsfehler(parser.errorText(), parser.unknownOptionNames()));
    if (parser.positionalArguments().size() != 1)
        return falsch(QStringLiteral("wasware nimmt keine weiteren Argumente."));
    TWasWaereAuftrag auftrag;
    bool ok1 = false, ok2 = false, ok3 = false;
    auftrag.monate = parser.value(monate).toInt(&ok1);
    auftrag.laeufe = parser.value(laeufe).toInt(&ok2);
    auftrag.saat = parser.value(saat).toUInt(&ok3);
    if (!ok1 || !ok2 || !ok3 || auftrag.monate < 1 || auftrag.monate > 600 || auftrag.laeufe < 1 || auftrag.laeufe > 10000)
        return falsch(QStringLiteral("wasware braucht --monate 1..600, --laeufe 1..10000 und als --seed eine Zahl ab 0."));
    for (const QString &text : parser.values(variante)) {
        QString fehler;
        const TVariante v = TVariante::Lesen(text, &fehler);
        if (!fehler.isEmpty())
            return falsch(fehler);
        auftrag.varianten.append(v);
    }
    const QString verzeichnis = QFileInfo(parser.isSet(dir) ? parser.value(dir) : QDir::currentPath()).absoluteFilePath();
    try {
        if (!Vennlok::PaktVorhanden(verzeichnis))
            throw VennlokFehler(QStringLiteral("Im Verzeichnis \u201E%1\u201C gibt es keinen Pakt (keine A_Vennlok.ven).")
                                    .arg(QDir::toNativeSeparators(verzeichnis)));
        TWasWaereErgebnis ergebnis;
        QString pakt;
        {
            // Reading the pact takes its lock; the runs need it no more.
            TVennlok quelle(verzeichnis);
            pakt = quelle.PaktName();
            TWasWaere waswaere(quelle);
            ergebnis = waswaere.Rechnen(auftrag, [](int fertig, int gesamt) {
                std::fprintf(stderr, "\r%d von %d Läufen", fertig, gesamt);
                return true;
            });
            std::fputc('\n', stderr);
        }
        if (parser.isSet(csv))
            Dokumente::WasWaereCsv(ergebnis, parser.value(csv));
        if (parser.isSet(png))
            Dokumente::WasWaerePng(ergebnis, parser.value(png));
        if (parser.isSet(pdf))
            Dokumente::WasWaerePdf(ergebnis, pakt, parser.value(pdf));
        // The last month's medians on the terminal.
        for (const auto &[name, monate] : ergebnis.varianten)
            ausgeben(stdout, QStringLiteral("%1: %2 Kasse %3\u00A0€, Sozialanteil %4, Unterdeckung in %5 der Läufe")
                                 .arg(name, monate.last().monat, Druckformat::Betrag(AufCent(monate.last().kasse[1])),
                                      Druckformat::Prozent(monate.last().anteil[1]), Druckformat::Prozent(monate.last().unterdeckung)));
    } catch (const VennlokFehler &fehler) {
        ausgeben(stderr, QStringLiteral("vennlok-cli: ") + fehler.text());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "wasware") == 0)
        return wasware(argc, argv);
    for (const char *befehl : {"verlauf", "auszug", "rueckstaende", "monatsbericht"})
        if (argc > 1 && qstrcmp(argv[1], befehl) == 0)
            return dokument(argc, argv);
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption hilfe(QStringList{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("hilfe")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption dir(QStringLiteral("dir"), QString(), QStringLiteral("VERZEICHNIS"));
    const QCommandLineOption csv(QStringLiteral("csv"));
    const QCommandLineOption abZeile(QStringLiteral("ab-zeile"), QString(), QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption fortsetzen(QStringLiteral("fortsetzen"));
    const QCommandLineOption teilhaber(QStringLiteral("teilhaber"), QString(), QStringLiteral("N"));
    const QCommandLineOption monate(QStringLiteral("monate"), QString(), QStringLiteral("M"));
    const QCommandLineOption saat(QStringLiteral("seed"), QString(), QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption ausfuehrung(QStringLiteral("ausfuehrung"), QString(), QStringLiteral("TT.MM.JJJJ"));
    const QCommandLineOption faellig(QStringLiteral("faellig"), QString(), QStringLiteral("TT.MM.JJJJ"));
    const QCommandLineOption buchenOption(QStringLiteral("buchen"));
    parser.addOptions({hilfe, version, dir, csv, abZeile, fortsetzen, teilhaber, monate, saat, ausfuehrung, faellig, buchenOption});
    if (!parser.parse(QCoreApplication::arguments())) {
        ausgeben(stderr, QStringLiteral("vennlok-cli: ") + Druckformat::Optionsfehler(parser.errorText(), parser.unknownOptionNames()));
        std::fputs(Hilfe, stderr);
        return 2;
    }
    const QStringList argumente = parser.positionalArguments();
    if (parser.isSet(version)) {
        std::printf("vennlok-cli %s (%s)\n", VENNLOK_VERSION, qPrintable(Vennlok::Version));
        return 0;
    }
    if (parser.isSet(hilfe) || argumente.isEmpty()) {
        std::fputs(Hilfe, parser.isSet(hilfe) ? stdout : stderr);
        return parser.isSet(hilfe) ? 0 : 2;
    }
    if (argumente.first() == QLatin1String("erzeugen") && argumente.size() == 1) {
        bool ok1 = false, ok2 = false, ok3 = false;
        const int n = parser.value(teilhaber).toInt(&ok1), m = parser.value(monate).toInt(&ok2);
        const uint s = parser.value(saat).toUInt(&ok3);
        if (!ok1 || !ok2 || !ok3 || n < 1 || n > 100000 || m < 1 || m > 1200) {
            ausgeben(stderr, QStringLiteral("vennlok-cli: erzeugen braucht --teilhaber 1..100000 und --monate 1..1200."));
            return 2;
        }
        const QByteArray text = Erzeugen::Befehlsdatei(n, m, s);
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return 0;
    }
    const QString verzeichnis = QFileInfo(parser.isSet(dir) ? parser.value(dir) : QDir::currentPath()).absoluteFilePath();
    if (argumente.first() == QLatin1String("sicherung")) {
        if (argumente.size() != 3 || argumente[1] != QLatin1String("zurueck") || !parser.isSet(dir)) {
            ausgeben(stderr, QStringLiteral("vennlok-cli: sicherung zurueck braucht ein Archiv und mit --dir den neuen Ordner."));
            return 2;
        }
        return sicherungZurueck(QFileInfo(argumente[2]).absoluteFilePath(), verzeichnis);
    }
    if (!QFileInfo(verzeichnis).isDir()) {
        ausgeben(stderr, QStringLiteral("vennlok-cli: Das Datenverzeichnis \u201E%1\u201C gibt es nicht.").arg(verzeichnis));
        return 1;
    }
    const QString befehl = argumente.first();
    try {
        if (befehl == QLatin1String("report") && argumente.size() == 1)
            return tabelle(verzeichnis, parser.isSet(csv));
        const bool lastschriften = befehl == QLatin1String("lastschriften") && argumente.size() <= 2;
        if ((befehl == QLatin1String("sepa") && argumente.size() == 2) || lastschriften) {
            const QCommandLineOption &option = lastschriften ? faellig : ausfuehrung;
            const QDate tag = parser.isSet(option) ? QDate::fromString(parser.value(option), QStringLiteral("dd.MM.yyyy"))
                                                   : Vennlok::NaechsterBankarbeitstag(Vennlok::Datum());
            if (!tag.isValid()) {
                ausgeben(stderr, QStringLiteral("vennlok-cli: --%1 braucht ein Datum TT.MM.JJJJ.").arg(option.names().first()));
                return 2;
            }
            if (!Vennlok::PaktVorhanden(verzeichnis))
                throw VennlokFehler(QStringLiteral("Im Verzeichnis gibt es keinen Pakt (keine A_Vennlok.ven)."), verzeichnis);
            TVennlok vennlok(verzeichnis);
            const MonthKey monat = argumente.size() == 2 ? argumente[1] : vennlok.Buchungsmonat();
            const TBankdatei datei = vennlok.Bankdatei(lastschriften ? TBankdatei::Lastschriften : TBankdatei::Ueberweisungen, monat, tag, false);
            if (datei.inhalt.isEmpty())
                throw VennlokFehler(lastschriften ? QStringLiteral("Im Monat %1 ist von keinem Teilhaber mit vollständigem Mandat etwas einzuziehen.").arg(monat)
                                                  : QStringLiteral("Im Monat %1 gibt es keine Auszahlung an einen Empfänger mit gültiger IBAN.").arg(monat));
            std::fwrite(datei.inhalt.constData(), 1, size_t(datei.inhalt.size()), stdout);
            ausgeben(stderr, QStringLiteral("%1: %2 %3 über %4\u00A0€, %5 am %6.")
                                 .arg(datei.name).arg(datei.anzahl)
                                 .arg(lastschriften ? QStringLiteral("Lastschrift(en)") : QStringLiteral("Überweisung(en)"),
                                      Druckformat::Betrag(datei.summe), lastschriften ? QStringLiteral("fällig") : QStringLiteral("auszuführen"),
                                      datei.tag.toString(QStringLiteral("dd.MM.yyyy"))));
            if (!datei.ohne.isEmpty())
                ausgeben(stderr, (lastschriften ? QStringLiteral("Ohne vollständiges Mandat, nicht in der Datei: ")
                                                : QStringLiteral("Ohne gültige IBAN, nicht in der Datei: "))
                                     + datei.ohne.join(QStringLiteral(", ")));
            return 0;
        }
        if (istBuchung(befehl))
            return buchen(argumente, verzeichnis);
        if (befehl == QLatin1String("bank") && argumente.size() == 2)
            return bank(QFileInfo(argumente[1]).absoluteFilePath(), verzeichnis, parser.isSet(buchenOption));
        if (befehl == QLatin1String("pruefen") && argumente.size() == 1)
            return pruefen(verzeichnis);
        if (befehl == QLatin1String("oeffnen") && argumente.size() == 1) {
            TVennlok vennlok(verzeichnis);
            const QString gefunden = vennlok.Wiedergefunden();
            vennlok.Oeffnen();
            switch (vennlok.Vorgefunden()) {
            case TJournalSpeicher::Fund::Nichts:
                ausgeben(stderr, QStringLiteral("Geöffnet; es war keine Buchung unterbrochen."));
                return 0;
            case TJournalSpeicher::Fund::ZuEndeGefuehrt:
                ausgeben(stderr, QStringLiteral("Geöffnet; eine unterbrochene Buchung wurde zu Ende geführt."));
                return 0;
            case TJournalSpeicher::Fund::Verworfen:
                ausgeben(stderr, QStringLiteral("Geöffnet; eine unvollständige Buchung wurde verworfen, es gilt der Stand davor."));
                return 0;
            case TJournalSpeicher::Fund::Beiseitegelegt:
                ausgeben(stderr, QStringLiteral("Geöffnet, aber: ") + gefunden);
                return 1;
            }
        }
        if (befehl == QLatin1String("replay") && argumente.size() == 2) {
            const QString datei = QFileInfo(argumente[1]).absoluteFilePath();
            if (!QFileInfo(datei).isFile()) {
                ausgeben(stderr, QStringLiteral("vennlok-cli: Die Befehlsdatei \u201E%1\u201C gibt es nicht.").arg(argumente[1]));
                return 1;
            }
            {
                TVennlok vennlok(verzeichnis);
                vennlok.Oeffnen();
                Konsole konsole;
                bool ok = false;
                int ab = parser.value(abZeile).toInt(&ok);
                if (parser.isSet(fortsetzen)) {
                    // Opening the directory has finished or undone an interrupted transaction.
                    ab = vennlok.GesicherteZeile() + 1;
                    const QString anders = vennlok.FortsetzenFehler(datei);
                    if (!anders.isEmpty()) {
                        ausgeben(stderr, QStringLiteral("vennlok-cli: ") + anders);
                        return 1;
                    }
                    if (ab == 1 && vennlok.PaktVorhanden()) {
                        ausgeben(stderr, QStringLiteral("Hier ist keine unterbrochene Einspielung fortzusetzen."));
                        return 0;
                    }
                }
                if (!ok || ab < 1) {
                    ausgeben(stderr, QStringLiteral("vennlok-cli: --ab-zeile braucht eine Zeilennummer ab 1."));
                    return 2;
                }
                vennlok.AutoBuchung(datei, 31, &konsole, ab);
            }
            if (!Vennlok::PaktVorhanden(verzeichnis)) {
                ausgeben(stderr, QStringLiteral("Der Pakt wurde archiviert (StoreSim); hier ist keiner mehr."));
                return 0;
            }
            return tabelle(verzeichnis, parser.isSet(csv));
        }
    } catch (const VennlokFehler &fehler) {
        ausgeben(stderr, QStringLiteral("vennlok-cli: ") + fehler.text());
        return 1;
    } catch (const std::exception &fehler) {
        ausgeben(stderr, QStringLiteral("vennlok-cli: ") + QString::fromUtf8(fehler.what()));
        return 1;
    }
    ausgeben(stderr, QStringLiteral("vennlok-cli: unbekannter Befehl oder falsche Argumente: ") + argumente.join(QLatin1Char(' ')));
    std::fputs(Hilfe, stderr);
    return 2;
}
