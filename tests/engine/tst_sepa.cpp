// The SEPA file of a golden scenario with bank details added: valid against
// the EPC schema (xmllint, Debian libxml2-utils), its amounts the month's
// payouts to the cent, adding up to its control sum; who has no IBAN is left
// out and named.

#include "algo/runden.h"
#include "data/anwalt.h"
#include "data/bankdaten.h"
#include "data/teilhaber.h"
#include "engine/einheiten.h"
#include "engine/vennlok.h"

#include "tests/dateistand.h"
#include "tests/testhilfe.h"
#include "tests/kontoauszug.h"
#include "tests/testpakt.h"

#include <QProcess>
#include <QXmlStreamReader>
#include <QtTest>

using namespace Testhilfe;

namespace {

const QStringList Ibans{"DE89370400440532013000", "AT611904300234573201", "BE68539007547034",
                        "NL91ABNA0417164300", "FR1420041010050500013M02606", "GB29NWBK60161331926819"};

Money cent(const QString &text)
{
    return Money(std::llround(text.toDouble() * 100)) * 100;
}

} // namespace

class TstSepa : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;

    // xmllint's verdict on a file; empty when it validates.
    // What xmllint says of datei against a schema of engine/sepa/ (the transfer file's unless named).
    QString schemaFehler(const QString &datei, const QString &schema = QStringLiteral("pain.001.001.09.xsd"))
    {
        QProcess p;
        p.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), QStringLiteral("--schema"),
                                            QStringLiteral(VENNLOK_SEPA_SCHEMAS "/") + schema, datei});
        if (!p.waitForFinished(30000))
            return QStringLiteral("xmllint (Debian libxml2-utils) fehlt");
        return p.exitCode() == 0 ? QString() : QString::fromLocal8Bit(p.readAllStandardError());
    }

private slots:
    // The pact's account is whole or absent: an owner and a valid IBAN, the
    // BIC, the creditor identifier and the opening balance optional; three
    // empty fields are no account at all.
    void paktkonto_data()
    {
        tabelle("paktkonto", {"inhaber", "iban", "bic", "glaeubiger", "saldo", "fehler"});
    }

    void paktkonto()
    {
        QFETCH(QString, inhaber);
        QFETCH(QString, iban);
        QFETCH(QString, bic);
        QFETCH(QString, glaeubiger);
        QFETCH(QString, saldo);
        QFETCH(QString, fehler);
        const TVennlokDaten::Konto konto{inhaber, iban, bic, glaeubiger, e(QString(saldo).replace(QLatin1Char(','), QLatin1Char('.')).toDouble())};
        QTemporaryDir tmp;
        TVennlok v(tmp.path());
        paktGruenden(v);
        QCOMPARE(v.PaktKontoSetzen({QStringLiteral("Alt"), QStringLiteral("DE89370400440532013000"), QString(), QString(), 0}).meldung, QString());
        QCOMPARE(Vennlok::PaktKontoFehler(konto).left(fehler.size()), fehler);
        QCOMPARE(v.PaktKontoSetzen(konto).meldung.left(fehler.size()), fehler);
        const bool entfernt = fehler.isEmpty() && (inhaber + iban + bic).trimmed().isEmpty();
        const QByteArray stamm = dateiStand(v.Pfad(QStringLiteral("A_Vennlok.ven")));
        QCOMPARE(stamm.contains("[Bankverbindung]"), !entfernt);
        QCOMPARE(v.PaktKonto().iban, entfernt ? QString() : fehler.isEmpty() ? QStringLiteral("DE02120300000000202051")
                                                                             : QStringLiteral("DE89370400440532013000"));
        QCOMPARE(v.PaktKonto().glaeubigerId, fehler.isEmpty() ? Bankdaten::IbanNormal(glaeubiger) : QString());
        QCOMPARE(v.PaktKonto().anfangssaldo, fehler.isEmpty() ? konto.anfangssaldo : 0);
        QCOMPARE(v.PaktKontoAnders(konto), !fehler.isEmpty());
    }

    // One transaction of a statement, proposed as the table says; booking
    // what is ticked changes the participant's payments accordingly, and a
    // second reading passes over what was booked or dismissed.
    void kontoauszugPosten_data()
    {
        tabelle("kontoauszug_posten", {"betrag", "partei", "iban", "text", "e2e", "rueckgabe", "vorschlag", "teilhaber", "grund"});
    }

    void kontoauszugPosten()
    {
        QFETCH(QString, betrag);
        QFETCH(QString, partei);
        QFETCH(QString, iban);
        QFETCH(QString, text);
        QFETCH(QString, e2e);
        QFETCH(QString, rueckgabe);
        QFETCH(QString, vorschlag);
        QFETCH(QString, teilhaber);
        QFETCH(QString, grund);
        QTemporaryDir tmp;
        TVennlok v(tmp.path());
        zweiterMonat(v, {QStringLiteral("Anna Bäcker"), QStringLiteral("Otto Berg"), QStringLiteral("Anna Berg"),
                         QStringLiteral("Clara Lind"), QStringLiteral("Emil")});
        QVERIFY(v.PaktKontoSetzen({QStringLiteral("Pakt"), QStringLiteral("DE02120300000000202051"), QString(), QString(), 0}).gebucht());
        QVERIFY(v.AdresseSpeichern(QStringLiteral("Anna Bäcker"), QStringLiteral("IBAN"), QStringLiteral("DE89370400440532013000"), QStringLiteral("01.04.2006")).gebucht());
        QVERIFY(v.AdresseSpeichern(QStringLiteral("Clara Lind"), QStringLiteral("Mandatsreferenz"), QStringLiteral("VL-CLARA"), QStringLiteral("01.04.2006")).gebucht());
        QVERIFY(v.Einzahlung(QStringLiteral("Anna Bäcker"), v.Buchungsmonat(), e(20), zeitpunkt(2006, 4, 2)).gebucht());
        QVERIFY(v.Einzahlung(QStringLiteral("Emil"), v.Buchungsmonat(), e(50), zeitpunkt(2006, 4, 2)).gebucht());
        // "{Name}" stands for the reference of that member's collection.
        const QRegularExpression platzhalter(QStringLiteral("\\{(\\w+)\\}"));
        for (QString *feld : {&e2e, &text})
            if (const auto m = platzhalter.match(*feld); m.hasMatch())
                feld->replace(m.captured(0), TBankabgleich::LastschriftKennung(QString(), QStringLiteral("T_%1.ven").arg(m.captured(1))).mid(5));
        Bankbuchung b{e(QString(betrag).replace(QLatin1Char(','), QLatin1Char('.')).toDouble()), QDate(2006, 4, 10), partei, iban,
                      text, e2e, QStringLiteral("REF-1"), rueckgabe};
        if (e2e == QLatin1String("MAERZ"))
            b.tag = QDate(2006, 3, 31), b.endToEndId.clear();
        b.vorgemerkt = e2e == QLatin1String("VORGEMERKT");
        if (b.vorgemerkt)
            b.endToEndId.clear();
        const QString datei = tmp.filePath(QStringLiteral("auszug.xml"));
        schreiben(datei, kontoauszug(QStringLiteral("001.08"), QStringLiteral("DE02120300000000202051"), 0, {b}));
        const TKontoabgleich abgleich = v.KontoauszugLesen(datei);
        QCOMPARE(abgleich.posten.size(), 1);
        const TBankposten &p = abgleich.posten.first();
        static const QStringList arten{"Einzahlung", "Rueckbuchung", "Bestaetigung", "Offen", "Vorgemerkt", "Gelesen"};
        QCOMPARE(arten.value(p.vorschlag), vorschlag);
        QCOMPARE(p.teilhaber, teilhaber);
        QVERIFY2(p.grund.startsWith(grund), qPrintable(p.grund));
        QCOMPARE(p.betrag, b.betrag);

        // Booked as ticked: a payment more, or one less.
        const auto eingezahlt = [&] {
            Money summe = 0;
            for (const TBuchungsposten &posten : v.Posten(teilhaber.isEmpty() ? QStringLiteral("Emil") : teilhaber))
                summe += posten.einzahlung ? posten.betrag : 0;
            return summe;
        };
        const Money vorher = eingezahlt();
        const TErgebnis ergebnis = v.KontoauszugBuchen(abgleich, {{p.nr, QString()}});
        const Money erwartet = p.vorschlag == TBankposten::Einzahlung || p.vorschlag == TBankposten::Rueckbuchung ? vorher + p.betrag : vorher;
        QCOMPARE(eingezahlt(), erwartet);
        // A pending one is not for booking; a ticked credit of one who paid already is refused as the rules refuse it.
        const bool abgewiesen = p.vorschlag == TBankposten::Offen && !p.teilhaber.isEmpty() && p.betrag > 0;
        QCOMPARE(ergebnis.gebucht(), p.vorschlag != TBankposten::Vorgemerkt && !abgewiesen);
        QCOMPARE(ergebnis.abgelehnt(), abgewiesen);
        QVERIFY(v.Pruefen().isEmpty());
        const TKontoabgleich wieder = v.KontoauszugLesen(datei);
        QCOMPARE(wieder.posten.first().vorschlag, ergebnis.gebucht() ? TBankposten::Gelesen : p.vorschlag);
        QCOMPARE(wieder.schonGelesen, ergebnis.gebucht() ? 1 : 0);
    }

    // A statement the pact cannot take is refused before anything is read into the books.
    void kontoauszugAbgelehnt_data()
    {
        QTest::addColumn<QByteArray>("inhalt");
        QTest::addColumn<QString>("grund");
        const QByteArray gut = kontoauszug(QStringLiteral("001.02"), QStringLiteral("DE02120300000000202051"), 0,
                                           {{e(50), QDate(2006, 4, 3), QStringLiteral("Anna"), QString(), QString(), QString(), QString(), QString()}});
        QTest::newRow("another account's statement")
            << QByteArray(gut).replace("DE02120300000000202051", "DE89370400440532013000") << "ist der des Kontos DE89370400440532013000";
        QTest::newRow("a statement in dollars") << QByteArray(gut).replace("Ccy=\"EUR\"", "Ccy=\"USD\"") << "der Betrag ist nicht in Euro";
        QTest::newRow("an entry without its amount breaks the schema")
            << QByteArray(gut).replace("<Amt Ccy=\"EUR\">50.00</Amt><CdtDbtInd>CRDT</CdtDbtInd><Sts>", "<CdtDbtInd>CRDT</CdtDbtInd><Sts>")
            << "entspricht nicht dem Schema camt.053.001.02";
        QTest::newRow("a transfer file is no statement")
            << QByteArray("<?xml version=\"1.0\"?><Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.001.001.09\"/>")
            << "ist kein Kontoauszug im Format camt.053";
        QTest::newRow("a statement cut short") << gut.left(gut.size() / 2) << "entspricht nicht dem Schema";
    }

    void kontoauszugAbgelehnt()
    {
        QFETCH(QByteArray, inhalt);
        QFETCH(QString, grund);
        QTemporaryDir tmp;
        TVennlok v(tmp.path());
        paktGruenden(v);
        QVERIFY(v.PaktKontoSetzen({QStringLiteral("Pakt"), QStringLiteral("DE02120300000000202051"), QString(), QString(), 0}).gebucht());
        const QString datei = QDir(tmp.path()).filePath(QStringLiteral("auszug.xml"));
        schreiben(datei, inhalt);
        const auto vorher = verzeichnisstand(QDir(tmp.path()));
        try {
            v.KontoauszugLesen(datei);
            QFAIL("nicht abgelehnt");
        } catch (const VennlokFehler &f) {
            QVERIFY2(f.text().contains(grund), qPrintable(f.text()));
        }
        QCOMPARE(verzeichnisstand(QDir(tmp.path())), vorher);
    }

    // A 60-member pact's open month: 20 payers with their IBAN on file, 5
    // known only by the name in the text, an unknown payer and a bank fee.
    // Exactly the 25 contributions are booked, a second reading books
    // nothing, the files agree, and the expected balance differs from the
    // bank's by what nothing matched.
    void kontoauszugEinesSechzigerPakts()
    {
        QTemporaryDir tmp;
        TVennlok v(tmp.path());
        QStringList namen;
        for (int i = 1; i <= 60; ++i)
            namen << QStringLiteral("Mitglied%1 Name%2").arg(i).arg(QChar('A' + (i % 26)));
        zweiterMonat(v, namen);
        QVERIFY(v.PaktKontoSetzen({QStringLiteral("Pakt"), QStringLiteral("DE02120300000000202051"), QString(), QString(), e(100)}).gebucht());
        QList<Bankbuchung> buchungen;
        for (int i = 0; i < 20; ++i) {
            const QString iban = QStringLiteral("DE%1").arg(i, 20, 10, QLatin1Char('0'));
            // A valid German IBAN for each: the check digits computed as the bank does.
            int rest = 0;
            for (const QChar c : iban.mid(4) + QStringLiteral("131400"))
                rest = (rest * 10 + c.digitValue()) % 97;
            const QString gueltig = QStringLiteral("DE%1").arg(98 - rest, 2, 10, QLatin1Char('0')) + iban.mid(4);
            QVERIFY(v.AdresseSpeichern(namen[i], QStringLiteral("IBAN"), gueltig, QStringLiteral("01.04.2006")).gebucht());
            buchungen.append({e(50), QDate(2006, 4, 3), QStringLiteral("Kontoinhaber %1").arg(i), gueltig, QStringLiteral("Beitrag"),
                              QString(), QStringLiteral("R%1").arg(i), QString()});
        }
        for (int i = 20; i < 25; ++i)
            buchungen.append({e(50), QDate(2006, 4, 4), QStringLiteral("Familienkonto"), QString(),
                              QStringLiteral("Beitrag April %1").arg(namen[i]), QString(), QStringLiteral("R%1").arg(i), QString()});
        buchungen.append({e(50), QDate(2006, 4, 5), QStringLiteral("Erika Fremd"), QString(), QStringLiteral("Spende"), QString(),
                          QStringLiteral("R-FREMD"), QString()});
        buchungen.append({e(-3.9), QDate(2006, 4, 30), QString(), QString(), QStringLiteral("Kontoführung"), QString(), QStringLiteral("R-ENTGELT"), QString()});
        const Money anfang = v.Kontostand().erwartet;
        const QString datei = tmp.filePath(QStringLiteral("april.xml"));
        schreiben(datei, kontoauszug(QStringLiteral("001.08"), QStringLiteral("DE02120300000000202051"), anfang, buchungen));
        QCOMPARE(schemaFehler(datei, QStringLiteral("camt.053.001.08.xsd")), QString());

        const TKontoabgleich abgleich = v.KontoauszugLesen(datei);
        QList<TBankauswahl> auswahl;
        for (const TBankposten &p : abgleich.posten)
            if (p.angekreuzt)
                auswahl.append({p.nr, QString()});
        QCOMPARE(auswahl.size(), 25);
        const int vorher = v.Monatsstand().eingangsbuchungen;
        const TErgebnis ergebnis = v.KontoauszugBuchen(abgleich, auswahl);
        QVERIFY2(ergebnis.gebucht(), qPrintable(ergebnis.meldung));
        QCOMPARE(ergebnis.betrag, e(25 * 50));
        QVERIFY2(ergebnis.meldung.startsWith(QStringLiteral("Kontoauszug april.xml: 25 Einzahlung(en) über 1.250,00 \u20AC gebucht.")),
                 qPrintable(ergebnis.meldung));
        QCOMPARE(v.Monatsstand().eingangsbuchungen, vorher + 25);
        QCOMPARE(v.OffeneTeilhaber().size(), 35);
        QCOMPARE(v.Pruefen(), QStringList());
        // The books now expect the bank's balance but for the unknown payer and the fee.
        QCOMPARE(v.Kontostand().erwartet, abgleich.erwartetNachBuchung);
        QCOMPARE(abgleich.differenz, abgleich.offen);
        QCOMPARE(abgleich.offen, e(50 - 3.9));
        // The panel and the month report name the statement's closing balance and that difference.
        for (const TKontostand &konto : {v.Kontostand(), v.Monatsbericht(QStringLiteral("200604")).konto}) {
            QVERIFY(konto.auszug);
            QCOMPARE(konto.auszugTag, QDate(2006, 4, 30));
            QCOMPARE(konto.auszugSaldo, abgleich.schlusssaldo);
            QCOMPARE(konto.auszugDifferenz, abgleich.offen);
        }
        QVERIFY(!v.Monatsbericht(QStringLiteral("200603")).konto.auszug);

        const auto stand = verzeichnisstand(QDir(tmp.path()));
        const TKontoabgleich wieder = v.KontoauszugLesen(datei);
        QCOMPARE(wieder.schonGelesen, 25);
        QList<TBankauswahl> alle;
        for (const TBankposten &p : wieder.posten)
            alle.append({p.nr, QString()});
        // Ticking everything of a second reading dismisses the two open ones and books nothing.
        const TErgebnis zweites = v.KontoauszugBuchen(wieder, alle);
        QVERIFY2(zweites.gebucht() && zweites.betrag == 0, qPrintable(zweites.meldung));
        QVERIFY(zweites.meldung.contains(QStringLiteral("2 Posten übergangen; 25 schon gelesene")));
        QCOMPARE(v.Monatsstand().eingangsbuchungen, vorher + 25);
        QCOMPARE(v.KontoauszugLesen(datei).schonGelesen, 27);
        auto danach = verzeichnisstand(QDir(tmp.path()));
        QVERIFY(danach.take(QStringLiteral("A_Kontoabgleich.ven")) != stand.value(QStringLiteral("A_Kontoabgleich.ven")));
        danach.remove(QStringLiteral("A_Kassendaten200604.buc"));
        auto vorherOhne = stand;
        vorherOhne.remove(QStringLiteral("A_Kontoabgleich.ven"));
        vorherOhne.remove(QStringLiteral("A_Kassendaten200604.buc"));
        QCOMPARE(danach, vorherOhne);
    }

    // Golden scenarios as the bank saw them: every payment in, every
    // transfer of each close out on the cent. The balance the books expect is
    // the statement's closing balance, to the cent.
    void erwarteterKontostand_data()
    {
        QTest::addColumn<QString>("szenario");
        QTest::newRow("fourteen months of the longest scenario") << "06_vierzehn_monate";
        QTest::newRow("payouts on four decimals that the bank rounds") << "04_kaeufer2";
        QTest::newRow("an exit's settlement and payouts rounded both ways") << "07_austritt";
    }

    void erwarteterKontostand()
    {
        QFETCH(QString, szenario);
        QTemporaryDir tmp;
        TVennlok v(tmp.path());
        v.AutoBuchung(QStringLiteral(VENNLOK_GOLDEN "/%1/befehle.aut").arg(szenario), 31);
        QVERIFY(v.PaktKontoSetzen({QStringLiteral("Pakt"), QStringLiteral("DE02120300000000202051"), QString(), QString(), e(12.34)}).gebucht());
        QList<Bankbuchung> buchungen;
        for (const TMonatsverlauf &m : v.Verlauf()) {
            const QDate tag = QDate::fromString(m.monat + QStringLiteral("01"), QStringLiteral("yyyyMMdd"));
            for (const QString &datei : QDir(tmp.path()).entryList({QStringLiteral("T_*.ven"), QStringLiteral("X_*.ven")}))
                for (const Money betrag : TTeilhaber(tmp.filePath(datei), &v.Speicher()).Buchungen(true, m.monat))
                    buchungen.append({betrag, tag, datei, QString(), QStringLiteral("Beitrag"), QString(), QString(), QString()});
            for (const TUeberweisung &u : v.Ueberweisungen(m.monat))
                buchungen.append({-AufCent(u.betrag), tag.addDays(27), u.name, QString(), u.art, QString(), QString(), QString()});
        }
        QVERIFY(buchungen.size() > 10);
        const QString datei = tmp.filePath(QStringLiteral("alles.xml"));
        schreiben(datei, kontoauszug(QStringLiteral("001.02"), QStringLiteral("DE02120300000000202051"), e(12.34), buchungen,
                                     QDate(2006, 1, 1), QDate(2008, 1, 1)));
        const TKontoabgleich abgleich = v.KontoauszugLesen(datei);
        QVERIFY(abgleich.saldenBekannt);
        QCOMPARE(abgleich.erwartet, abgleich.schlusssaldo);
        QCOMPARE(v.Kontostand().erwartet, abgleich.schlusssaldo);
        // Each month's report expects what the bank held at that month's end.
        Money bisher = e(12.34);
        for (const TMonatsverlauf &m : v.Verlauf()) {
            for (const Bankbuchung &b : std::as_const(buchungen))
                if (b.tag.toString(QStringLiteral("yyyyMM")) == m.monat)
                    bisher += b.betrag;
            QCOMPARE(v.Monatsbericht(m.monat).konto.erwartet, bisher);
        }
        // Each close recorded its cents and the difference to its four decimals.
        const QByteArray stamm = dateiStand(tmp.filePath(QStringLiteral("A_Vennlok.ven")));
        QCOMPARE(stamm.count("Ueberwiesen="), v.Verlauf().size());
        QCOMPARE(stamm.count("Rundungsdifferenz="), v.Verlauf().size());
    }

    // Collecting contributions by direct debit: from each member with a whole
    // mandate what he has not paid of the month, FRST the first time and
    // RCUR after; a file the German banks' schema accepts; nothing booked.
    void lastschriften()
    {
        const FesteUhr uhr(zeitpunkt(2006, 4, 5, 10));
        QTemporaryDir tmp;
        TVennlok v(tmp.path());
        zweiterMonat(v, {QStringLiteral("Emil")});
        const auto adresse = [&](const QString &name, const QString &schluessel, const QString &wert) {
            QVERIFY(!v.TeilhaberOeffnen(name).abgelehnt());
            QVERIFY2(v.AdresseSpeichern(name, schluessel, wert, QStringLiteral("01.04.2006")).gebucht(), qPrintable(name + schluessel));
        };
        adresse(QStringLiteral("Anna"), QStringLiteral("IBAN"), Ibans[0]);
        adresse(QStringLiteral("Anna"), QStringLiteral("Mandatsreferenz"), QStringLiteral("VL-ANNA"));
        adresse(QStringLiteral("Anna"), QStringLiteral("Mandatsdatum"), QStringLiteral("01.03.2006"));
        adresse(QStringLiteral("Berta"), QStringLiteral("IBAN"), Ibans[1]);
        adresse(QStringLiteral("Berta"), QStringLiteral("Mandatsreferenz"), QStringLiteral("VL-BERTA"));
        adresse(QStringLiteral("Berta"), QStringLiteral("Mandatsdatum"), QStringLiteral("02.03.2006"));
        adresse(QStringLiteral("Clara"), QStringLiteral("IBAN"), Ibans[2]);
        adresse(QStringLiteral("Clara"), QStringLiteral("Mandatsreferenz"), QStringLiteral("VL-CLARA"));
        adresse(QStringLiteral("Dora"), QStringLiteral("Ort"), QStringLiteral("Köln"));
        QVERIFY(v.AdresseSpeichern(QStringLiteral("Dora"), QStringLiteral("Mandatsreferenz"), QStringLiteral("vl-anna"), QStringLiteral("01.04.2006"))
                    .meldung.contains(QStringLiteral("hat schon Anna")));
        adresse(QStringLiteral("Emil"), QStringLiteral("IBAN"), Ibans[3]);
        adresse(QStringLiteral("Emil"), QStringLiteral("Mandatsreferenz"), QStringLiteral("VL-EMIL"));
        adresse(QStringLiteral("Emil"), QStringLiteral("Mandatsdatum"), QStringLiteral("02.03.2006"));
        QVERIFY(v.Einzahlung(QStringLiteral("Anna"), v.Buchungsmonat(), e(20), zeitpunkt(2006, 4, 2)).gebucht());
        QVERIFY(v.Einzahlung(QStringLiteral("Emil"), v.Buchungsmonat(), e(50), zeitpunkt(2006, 4, 2)).gebucht());
        const QString monat = v.Buchungsmonat();
        // Without the creditor identifier there are no collections.
        QVERIFY(v.PaktKontoSetzen({QStringLiteral("Pakt Köln"), QStringLiteral("DE02120300000000202051"), QString(), QString(), 0}).gebucht());
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, v.Bankdatei(TBankdatei::Lastschriften, monat, QDate(2006, 4, 6), false));
        QVERIFY(v.PaktKontoSetzen({QStringLiteral("Pakt Köln"), QStringLiteral("DE02120300000000202051"), QString(),
                                   QStringLiteral("DE98ZZZ09999999999"), 0}).gebucht());
        // Due today or on a Saturday is refused; the next working day is the earliest.
        for (const QDate &falsch : {QDate(2006, 4, 5), QDate(2006, 4, 8), QDate(2006, 4, 14)})
            QVERIFY_THROWS_EXCEPTION(VennlokFehler, v.Bankdatei(TBankdatei::Lastschriften, monat, falsch, false));
        const auto stand = verzeichnisstand(QDir(tmp.path()));
        const TBankdatei april = v.Bankdatei(TBankdatei::Lastschriften, monat, QDate(2006, 4, 6), true);
        QCOMPARE(april.name, QStringLiteral("Lastschriften200604.xml"));
        QCOMPARE(april.anzahl, 2);
        QCOMPARE(april.summe, e(30 + 50));
        QCOMPARE(april.ohne, QStringList{QStringLiteral("Clara")});
        QCOMPARE(schemaFehler(tmp.filePath(april.name), QStringLiteral("pain.008.001.08_GBIC_4.xsd")), QString());
        const QString xml = QString::fromUtf8(april.inhalt);
        QCOMPARE(xml.count(QStringLiteral("<SeqTp>FRST</SeqTp>")), 1);
        QCOMPARE(xml.count(QStringLiteral("<DrctDbtTxInf>")), 2);
        QVERIFY(xml.contains(QStringLiteral("<InstdAmt Ccy=\"EUR\">30.00</InstdAmt>")));
        QVERIFY(xml.contains(QStringLiteral("<EndToEndId>%1</EndToEndId>").arg(TBankabgleich::LastschriftKennung(monat, QStringLiteral("T_Berta.ven")))));
        QVERIFY(xml.contains(QStringLiteral("<Id>DE98ZZZ09999999999</Id>")));
        // Writing the file booked nothing.
        auto danach = verzeichnisstand(QDir(tmp.path()));
        QVERIFY(danach.remove(april.name));
        QCOMPARE(danach, stand);

        // The next month collects from the same mandates again, now as RCUR.
        v.Monatsabschluss(monat, true, zeitpunkt(2006, 4, 30));
        const TBankdatei mai = v.Bankdatei(TBankdatei::Lastschriften, v.Buchungsmonat(), QDate(2006, 4, 6), false);
        QCOMPARE(mai.anzahl, 3);
        QCOMPARE(QString::fromUtf8(mai.inhalt).count(QStringLiteral("<SeqTp>RCUR</SeqTp>")), 1);
        QCOMPARE(QString::fromUtf8(mai.inhalt).count(QStringLiteral("<SeqTp>FRST</SeqTp>")), 1); // Emil's first
        QVERIFY(QString::fromUtf8(mai.inhalt).indexOf(QStringLiteral("VL-EMIL")) < QString::fromUtf8(mai.inhalt).indexOf(QStringLiteral("RCUR")));
    }

    // An account edited by hand down to its IBAN is no account: the close
    // goes through without a SEPA file instead of failing on it. Edited with
    // blanks and a wrong BIC, it still gives the bank a valid file.
    void vonHandBearbeitetesKonto()
    {
        QTemporaryDir tmp;
        const QString stamm = tmp.filePath(QStringLiteral("A_Vennlok.ven"));
        {
            TVennlok v(tmp.path());
            paktGruenden(v);
            QCOMPARE(v.Einzahlung(QStringLiteral("Anna"), v.Buchungsmonat(), e(50), zeitpunkt(2006, 3, 2)).meldung, QString());
        }
        schreiben(stamm, dateiInhalt(stamm) + "[Bankverbindung]\r\nIBAN=DE02120300000000202051\r\n");
        {
            TVennlok v(tmp.path());
            v.Oeffnen();
            QVERIFY(!v.PaktKontoEingetragen());
            v.Monatsabschluss(QStringLiteral("200603"), true, zeitpunkt(2006, 3, 31));
            QCOMPARE(v.Buchungsmonat(), QStringLiteral("200604"));
            QVERIFY(!QFile::exists(tmp.filePath(QStringLiteral("Ueberweisungen200603.xml"))));
            QCOMPARE(v.Rechnung(QStringLiteral("Anna"), e(10), zeitpunkt(2006, 4, 3)).meldung, QString());
            QVERIFY(!v.TeilhaberOeffnen(QStringLiteral("Anna")).abgelehnt());
            QVERIFY(v.AdresseSpeichern(QStringLiteral("Anna"), QStringLiteral("IBAN"), Ibans[0], QStringLiteral("20060403")).gebucht());
        }
        QByteArray text = dateiInhalt(stamm);
        QVERIFY(text.contains("IBAN=DE02120300000000202051"));
        schreiben(stamm, text.replace("IBAN=DE02120300000000202051", "Kontoinhaber=Pakt\r\nIBAN=de02 1203 0000 0000 2020 51\r\nBIC=xx"));
        {
            TVennlok v(tmp.path());
            v.Oeffnen();
            QVERIFY(v.PaktKontoEingetragen());
            v.Monatsabschluss(QStringLiteral("200604"), true, zeitpunkt(2006, 4, 30));
            const QString datei = tmp.filePath(QStringLiteral("Ueberweisungen200604.xml"));
            QCOMPARE(schemaFehler(datei), QString());
            QVERIFY(dateiInhalt(datei).contains("<IBAN>DE02120300000000202051</IBAN>"));
            QVERIFY(dateiInhalt(datei).contains("<IBAN>" + Ibans[0].toLatin1() + "</IBAN>"));
        }

        // A holder edited by hand to nothing the bank can carry: the file the
        // schema refuses is neither handed out nor written, the close refused whole.
        text = dateiInhalt(stamm);
        QVERIFY(text.contains("Kontoinhaber=Pakt"));
        schreiben(stamm, text.replace("Kontoinhaber=Pakt", "Kontoinhaber=\x80\x80\x80"));
        TVennlok wieder(tmp.path());
        wieder.Oeffnen();
        try {
            wieder.Bankdatei(TBankdatei::Ueberweisungen, QStringLiteral("200604"), QDate(2006, 5, 2), false);
            QFAIL("a file the schema refuses was handed out");
        } catch (const VennlokFehler &f) {
            QVERIFY2(f.text().contains(QStringLiteral("entspricht nicht dem Schema der Bank")) && f.text().contains(QStringLiteral("Nm")),
                     qPrintable(f.text()));
        }
        QCOMPARE(wieder.Rechnung(QStringLiteral("Anna"), e(10), zeitpunkt(2006, 5, 3)).meldung, QString());
        const auto vorher = verzeichnisstand(tmp.path());
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, wieder.Monatsabschluss(QStringLiteral("200605"), true, zeitpunkt(2006, 5, 31)));
        const auto nachher = verzeichnisstand(tmp.path());
        for (const QString &name : nachher.keys())
            QVERIFY2(name.endsWith(QLatin1String(".buc")) || nachher[name] == vorher.value(name), qPrintable(name));
        QVERIFY(!QFile::exists(tmp.filePath(QStringLiteral("Ueberweisungen200605.xml"))));
    }

    // Each transfer is its payout rounded to the cent (1,006 is 1.01, not
    // 1.00), the control sum adds the rounded amounts (3.02, not 3.01), and
    // an IBAN edited by hand into a wrong one keeps its payee out of the file.
    void betraegeAufDenCent()
    {
        QTemporaryDir tmp;
        const QString berta = tmp.filePath(QStringLiteral("T_Berta.ven"));
        {
            TVennlok v(tmp.path());
            v.SetAutoModus(true);
            QVERIFY(v.NeuPakt(Vennlok::Version, zeitpunkt(2006, 3, 1), e(50), e(1.006), 0, 0.5, 0.65, e(3000), e(-300)).gebucht());
            QCOMPARE(v.PaktKontoSetzen({QStringLiteral("Pakt"), QStringLiteral("DE02120300000000202051"), QString(), QString(), 0}).meldung, QString());
            QCOMPARE(v.AnwaltSetzen(QStringLiteral("IBAN"), QStringLiteral("DE44500105175407324931"), QStringLiteral("20060301")).meldung, QString());
            for (const QString &name : {QStringLiteral("Anna"), QStringLiteral("Berta")}) {
                QCOMPARE(v.Einzahlung(name, v.Buchungsmonat(), e(50), zeitpunkt(2006, 3, 2)).meldung, QString());
                QVERIFY(!v.TeilhaberOeffnen(name).abgelehnt());
                QVERIFY(v.AdresseSpeichern(name, QStringLiteral("IBAN"), Ibans[name == QLatin1String("Anna") ? 0 : 1], QStringLiteral("20060302")).gebucht());
            }
            QVERIFY(v.Monatsabschluss(QStringLiteral("200603"), true, zeitpunkt(2006, 3, 31)).gebucht());
            QCOMPARE(v.Einzahlung(QStringLiteral("Anna"), v.Buchungsmonat(), e(50), zeitpunkt(2006, 4, 2)).meldung, QString());
            QCOMPARE(v.Rechnung(QStringLiteral("Anna"), e(2.006), zeitpunkt(2006, 4, 3)).meldung, QString());
            QCOMPARE(v.Rechnung(QStringLiteral("Berta"), e(5), zeitpunkt(2006, 4, 3)).meldung, QString());
        }
        // Berta's IBAN, edited by hand, loses its last digit's truth.
        QByteArray text = dateiInhalt(berta);
        QVERIFY(text.contains(Ibans[1].toLatin1()));
        schreiben(berta, text.replace(Ibans[1].toLatin1(), Ibans[1].chopped(1).toLatin1() + '2'));
        TVennlok v(tmp.path());
        v.Oeffnen();
        v.SetAutoModus(true);
        QVERIFY(v.Monatsabschluss(QStringLiteral("200604"), true, zeitpunkt(2006, 4, 28)).gebucht());
        const TBankdatei datei = v.Bankdatei(TBankdatei::Ueberweisungen, QStringLiteral("200604"), QDate(2006, 5, 2), false);
        const QStringList &ohne = datei.ohne;
        const QByteArray &xml = datei.inhalt;
        QCOMPARE(ohne, QStringList{QStringLiteral("Berta")});
        QVERIFY(!xml.contains(Ibans[1].chopped(1).toLatin1()));
        QVERIFY2(xml.contains("<InstdAmt Ccy=\"EUR\">2.01</InstdAmt>") && xml.contains("<InstdAmt Ccy=\"EUR\">1.01</InstdAmt>"),
                 xml.constData());
        QCOMPARE(xml.count("<CtrlSum>3.02</CtrlSum>"), 2);
        QCOMPARE(xml.count("<InstdAmt"), 2);
    }

    // Holders that leave nothing in the bank's character set are refused
    // where they are stored: a participant's name, his account's holder, the trustee's.
    void inhaberOhneSepaZeichen()
    {
        QTemporaryDir tmp;
        TVennlok v(tmp.path());
        paktGruenden(v);
        QVERIFY(v.Einzahlung(QStringLiteral("\u20AC\u20AC\u20AC\u20AC"), v.Buchungsmonat(), e(50), zeitpunkt(2006, 3, 2)).meldung
                    .contains(QStringLiteral("keinen Buchstaben und keine Ziffer")));
        QCOMPARE(v.Einzahlung(QStringLiteral("Anna"), v.Buchungsmonat(), e(50), zeitpunkt(2006, 3, 2)).meldung, QString());
        QVERIFY(!v.TeilhaberOeffnen(QStringLiteral("Anna")).abgelehnt());
        for (const QString &inhaber : {QStringLiteral("\u20AC\u20AC\u20AC"), QStringLiteral("<&]]>")}) {
            const QString fehler = v.AdresseSpeichern(QStringLiteral("Anna"), QStringLiteral("Kontoinhaber"), inhaber, QStringLiteral("20060302")).meldung;
            QVERIFY2(fehler.contains(QStringLiteral("enthält kein Zeichen, das eine Bank überweisen kann")), qPrintable(fehler));
            QVERIFY(v.AnwaltSetzen(QStringLiteral("Kontoinhaber"), inhaber, QStringLiteral("20060302")).meldung
                        .startsWith(QStringLiteral("Treuhänder: Der Kontoinhaber")));
        }
        QVERIFY(v.AdresseSpeichern(QStringLiteral("Anna"), QStringLiteral("Kontoinhaber"), QStringLiteral("Anna Bäcker €"), QStringLiteral("20060302")).gebucht());
    }

    void ueberweisungenEinesMonats()
    {
        TVennlok v(m_tmp.path());
        v.AutoBuchung(QStringLiteral(VENNLOK_GOLDEN "/06_vierzehn_monate/befehle.aut"), 31);
        const QStringList namen{"Lauf01", "Lauf02", "Lauf03", "Lauf04", "Lauf05", "Lauf06"};
        // The month with the most participants paid out; its last one gets no IBAN.
        MonthKey monat;
        QStringList bezahlt;
        for (const TMonatsverlauf &m : v.Verlauf()) {
            QStringList hier;
            for (const QString &name : namen)
                if (AufCent(TTeilhaber(m_tmp.filePath("T_" + name + ".ven"), &v.Speicher()).Auszahlungen(m.monat)) > 0)
                    hier.append(name);
            if (hier.size() > bezahlt.size()) {
                monat = m.monat;
                bezahlt = hier;
            }
        }
        QVERIFY(bezahlt.size() >= 2);
        const QString ohne = bezahlt.last();
        for (int i = 0; i < namen.size(); ++i) {
            QVERIFY(!v.TeilhaberOeffnen(namen[i]).abgelehnt());
            const QString fehler = v.AdresseSpeichern(namen[i], QStringLiteral("IBAN"), QStringLiteral("DE00 1234"), QStringLiteral("01.01.2008")).meldung;
            QVERIFY2(fehler.startsWith(QStringLiteral("Eine IBAN aus DE hat 22 Zeichen")), qPrintable(fehler));
            if (namen[i] != ohne)
                QVERIFY(v.AdresseSpeichern(namen[i], QStringLiteral("IBAN"), Ibans[i].left(4) + ' ' + Ibans[i].mid(4), QStringLiteral("01.01.2008")).gebucht());
        }
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, v.Bankdatei(TBankdatei::Ueberweisungen, monat, QDate(2008, 2, 1), false));
        // Without the pact's account there is no SEPA file, and so no one is missing from it.
        QCOMPARE(v.Monatsbericht(monat).ohneIban, QStringList());
        QCOMPARE(v.PaktKontoSetzen({QStringLiteral("Pakt Vennlok"), QStringLiteral("DE89370400440532013001"), QString(), QString(), 0}).meldung.left(40),
                 QStringLiteral("Konto des Pakts: Die Prüfziffern der IBA"));
        QCOMPARE(v.PaktKontoSetzen({QStringLiteral("Pakt Vennlok Köln"), QStringLiteral("DE02 1203 0000 0000 2020 51"), QStringLiteral("byladem1001"), QString(), 0}).meldung, QString());
        // The trustee's fees are paid like a payout once he has an IBAN; a wrong one is refused.
        QCOMPARE(v.Monatsbericht(monat).ohneIban, QStringList({"Treuhänder", ohne}));
        QCOMPARE(v.AnwaltSetzen(QStringLiteral("IBAN"), QStringLiteral("DE00 1234"), QStringLiteral("20080101")).meldung.left(46),
                 QStringLiteral("Treuhänder: Eine IBAN aus DE hat 22 Zeichen, d"));
        QCOMPARE(v.AnwaltSetzen(QStringLiteral("IBAN"), QStringLiteral("DE44 5001 0517 5407 3249 31"), QStringLiteral("20080101")).meldung, QString());
        QCOMPARE(v.AnwaltSetzen(QStringLiteral("Name"), QStringLiteral("Dr. Schulz"), QStringLiteral("20080101")).meldung, QString());

        const TBankdatei geschrieben = v.Bankdatei(TBankdatei::Ueberweisungen, monat, QDate(2008, 2, 1), true);
        const QString &datei = geschrieben.name;
        const QStringList &ohneIban = geschrieben.ohne;
        QCOMPARE(datei, QStringLiteral("Ueberweisungen%1.xml").arg(monat));
        QCOMPARE(ohneIban, QStringList{ohne});
        QCOMPARE(v.Monatsbericht(monat).ohneIban, QStringList{ohne});
        QCOMPARE(schemaFehler(m_tmp.filePath(datei)), QString());
        // Each file its own message and payment identifiers, also two within one second.
        static const QRegularExpression kennung(QStringLiteral("<(MsgId|PmtInfId)>([^<]+)<"));
        QSet<QString> kennungenAllerDateien;
        for (int i = 0; i < 3; ++i) {
            const QString xml = QString::fromUtf8(v.Bankdatei(TBankdatei::Ueberweisungen, monat, QDate(2008, 2, 1), false).inhalt);
            for (auto it = kennung.globalMatch(xml); it.hasNext();) {
                const QString k = it.next().captured(2);
                QVERIFY2(k.size() <= 35 && !kennungenAllerDateien.contains(k), qPrintable(k));
                kennungenAllerDateien.insert(k);
            }
        }
        QCOMPARE(kennungenAllerDateien.size(), 6);

        // The amounts: each a participant's payout to the cent, together the control sum.
        QXmlStreamReader xml(dateiInhalt(m_tmp.filePath(datei)));
        QMap<QString, Money> betraege;
        QString kontrollsumme, anzahl, name, betrag, glaeubigerIban;
        QSet<QString> kennungen;
        const QMap<QString, QString *> felder{{"CtrlSum", &kontrollsumme}, {"NbOfTxs", &anzahl}, {"InstdAmt", &betrag},
                                              {"Ustrd", &name}, {"IBAN", &glaeubigerIban}};
        while (!xml.atEnd()) {
            xml.readNext();
            const QString element = xml.name().toString();
            if (xml.isStartElement() && felder.contains(element))
                *felder[element] = xml.readElementText();
            else if (xml.isStartElement() && element == QLatin1String("EndToEndId"))
                kennungen.insert(xml.readElementText());
            else if (xml.isEndElement() && element == QLatin1String("CdtTrfTxInf"))
                betraege[name.section(' ', 3)] = cent(betrag);
        }
        QVERIFY(!xml.hasError());
        QCOMPARE(betraege.keys(), QStringList(bezahlt.mid(0, bezahlt.size() - 1)) << QStringLiteral("Treuhaender"));
        QCOMPARE(betraege.take(QStringLiteral("Treuhaender")), AufCent(TAnwalt(m_tmp.filePath(TAnwalt::Dateiname), &v.Speicher()).HonorareGesamt(monat)));
        QVERIFY(dateiInhalt(m_tmp.filePath(datei)).contains("<Nm>Dr. Schulz</Nm>"));
        QCOMPARE(kennungen.size(), betraege.size() + 1);
        QCOMPARE(anzahl, QString::number(betraege.size() + 1));
        Money summe = AufCent(TAnwalt(m_tmp.filePath(TAnwalt::Dateiname), &v.Speicher()).HonorareGesamt(monat));
        for (auto it = betraege.cbegin(); it != betraege.cend(); ++it) {
            QCOMPARE(it.value(), AufCent(TTeilhaber(m_tmp.filePath("T_" + it.key() + ".ven"), &v.Speicher()).Auszahlungen(monat)));
            summe += it.value();
        }
        QCOMPARE(cent(kontrollsumme), summe);
        QCOMPARE(glaeubigerIban, Ibans[namen.indexOf(bezahlt[bezahlt.size() - 2])]);

        // With the pact's account the month close writes the file itself.
        const MonthKey offen = v.Buchungsmonat();
        QCOMPARE(v.Rechnung(QStringLiteral("Lauf01"), e(100), zeitpunkt(2008, 1, 30)).meldung, QString());
        v.Monatsabschluss(offen, true, zeitpunkt(2008, 1, 31));
        QCOMPARE(schemaFehler(m_tmp.filePath(QStringLiteral("Ueberweisungen%1.xml").arg(offen))), QString());
        QVERIFY(dateiInhalt(m_tmp.filePath(QStringLiteral("Ueberweisungen%1.xml").arg(offen))).contains("<Dt>2008-02-01</Dt>"));
    }
};

QTEST_GUILESS_MAIN(TstSepa)
#include "tst_sepa.moc"
