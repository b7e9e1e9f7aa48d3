// The SEPA file of a golden scenario with bank details added: valid against
// the EPC schema (xmllint, Debian libxml2-utils), its amounts the month's
// payouts to the cent, adding up to its control sum; who has no IBAN is left
// out and named.

#include "algo/runden.h"
#include "data/anwalt.h"
#include "data/bankdaten.h"
#include "data/teilhaber.h"
#include "engine/vennlok.h"

#include "tests/testhilfe.h"
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
    QString schemaFehler(const QString &datei)
    {
        QProcess p;
        p.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), QStringLiteral("--schema"),
                                            QStringLiteral(VENNLOK_SEPA_SCHEMA), datei});
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
        const QByteArray stamm = dateiInhalt(v.Pfad(QStringLiteral("A_Vennlok.ven")));
        QCOMPARE(stamm.contains("[Bankverbindung]"), !entfernt);
        QCOMPARE(v.PaktKonto().iban, entfernt ? QString() : fehler.isEmpty() ? QStringLiteral("DE02120300000000202051")
                                                                             : QStringLiteral("DE89370400440532013000"));
        QCOMPARE(v.PaktKonto().glaeubigerId, fehler.isEmpty() ? Bankdaten::IbanNormal(glaeubiger) : QString());
        QCOMPARE(v.PaktKonto().anfangssaldo, fehler.isEmpty() ? konto.anfangssaldo : 0);
        QCOMPARE(v.PaktKontoAnders(konto), !fehler.isEmpty());
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
            wieder.SepaDatei(QStringLiteral("200604"), QDate(2006, 5, 2));
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
        QStringList ohne;
        const QByteArray xml = v.SepaDatei(QStringLiteral("200604"), QDate(2006, 5, 2), &ohne);
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
                if (AufCent(TTeilhaber(m_tmp.filePath("T_" + name + ".ven")).Auszahlungen(m.monat)) > 0)
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
        QVERIFY_THROWS_EXCEPTION(VennlokFehler, v.SepaDatei(monat, QDate(2008, 2, 1)));
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

        QStringList ohneIban;
        const QString datei = v.SepaNeuSchreiben(monat, QDate(2008, 2, 1), &ohneIban);
        QCOMPARE(datei, QStringLiteral("Ueberweisungen%1.xml").arg(monat));
        QCOMPARE(ohneIban, QStringList{ohne});
        QCOMPARE(v.Monatsbericht(monat).ohneIban, QStringList{ohne});
        QCOMPARE(schemaFehler(m_tmp.filePath(datei)), QString());
        // Each file its own message and payment identifiers, also two within one second.
        static const QRegularExpression kennung(QStringLiteral("<(MsgId|PmtInfId)>([^<]+)<"));
        QSet<QString> kennungenAllerDateien;
        for (int i = 0; i < 3; ++i) {
            const QString xml = QString::fromUtf8(v.SepaDatei(monat, QDate(2008, 2, 1)));
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
        QCOMPARE(betraege.take(QStringLiteral("Treuhaender")), AufCent(TAnwalt(m_tmp.filePath(TAnwalt::Dateiname)).HonorareGesamt(monat)));
        QVERIFY(dateiInhalt(m_tmp.filePath(datei)).contains("<Nm>Dr. Schulz</Nm>"));
        QCOMPARE(kennungen.size(), betraege.size() + 1);
        QCOMPARE(anzahl, QString::number(betraege.size() + 1));
        Money summe = AufCent(TAnwalt(m_tmp.filePath(TAnwalt::Dateiname)).HonorareGesamt(monat));
        for (auto it = betraege.cbegin(); it != betraege.cend(); ++it) {
            QCOMPARE(it.value(), AufCent(TTeilhaber(m_tmp.filePath("T_" + it.key() + ".ven")).Auszahlungen(monat)));
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
