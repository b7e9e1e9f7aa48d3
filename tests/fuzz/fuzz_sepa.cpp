// The transfer file from whatever holder names and amounts reach it: a
// holder the engine stores gives a file the bank's schema accepts, with
// every amount rounded to the cent and the control sum of those amounts;
// the writer never refuses what was stored, and never crashes.
#include "algo/fehler.h"
#include "algo/runden.h"
#include "engine/einheiten.h"
#include "engine/vennlok.h"
#include "platform/journal.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The writer is the bank unit's: the target reaches it through the context, as a subclass may.
class TSepaVennlok : public TVennlok
{
public:
    using TVennlok::TVennlok;
    QByteArray xml(const QList<TUeberweisung> &liste) { return TBankdateien(Kontext()).Xml(QStringLiteral("200603"), QDate(2006, 4, 3), liste, nullptr); }
};

const QStringList Namen{QStringLiteral("Anna"), QStringLiteral("Bernd"), QStringLiteral("Clara")};

TSepaVennlok &pakt()
{
    static QTemporaryDir *verzeichnis = nullptr;
    static TSepaVennlok *vennlok = nullptr;
    if (!vennlok) {
        TJournalSpeicher::Syncen = false;
        verzeichnis = new QTemporaryDir;
        vennlok = new TSepaVennlok(verzeichnis->path());
        vennlok->SetAutoModus(true);
        if (!vennlok->NeuPakt(Vennlok::Version, 38777.0, 500000, 5000, 20000, 0.5, 0.65, 30000000, -3000000).gebucht()
            || !vennlok->PaktKontoSetzen({QStringLiteral("Pakt"), QStringLiteral("DE02120300000000202051"), QString(), QString(), 0}).meldung.isEmpty()
            || !vennlok->AnwaltSetzen(QStringLiteral("IBAN"), QStringLiteral("DE44500105175407324931"), QStringLiteral("20060301")).meldung.isEmpty())
            std::abort();
        for (const QString &name : Namen) {
            vennlok->Einzahlung(name, vennlok->Buchungsmonat(), 500000, 38778.0);
            if (vennlok->TeilhaberOeffnen(name).abgelehnt()
                || !vennlok->AdresseSpeichern(name, QStringLiteral("IBAN"), QStringLiteral("DE89370400440532013000"), QStringLiteral("20060302")).gebucht())
                std::abort();
        }
    }
    return *vennlok;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *daten, std::size_t groesse)
{
    TSepaVennlok &v = pakt();
    // Four amounts (participants and trustee) from the first 32 bytes, within the booking limit; the rest a holder's name.
    QList<TUeberweisung> liste;
    Money summe = 0;
    for (int i = 0; i < 4; ++i) {
        std::int64_t roh = 0;
        if (groesse >= std::size_t(8 * (i + 1)))
            std::memcpy(&roh, daten + 8 * i, 8);
        const Money betrag = roh % (BetragGrenze + 1);
        liste.append({QStringLiteral("Auszahlung"), i < 3 ? Namen[i] : QString(), betrag});
        if (AufCent(betrag) > 0)
            summe += AufCent(betrag);
    }
    const QString inhaber = groesse > 32 ? QString::fromUtf8(reinterpret_cast<const char *>(daten) + 32, qsizetype(groesse - 32)) : QString();
    if (!v.TeilhaberOeffnen(QStringLiteral("Anna")).abgelehnt()) {
        v.AdresseSpeichern(QStringLiteral("Anna"), QStringLiteral("Kontoinhaber"), inhaber, QStringLiteral("20060303")); // stored or refused
    }
    v.AnwaltSetzen(QStringLiteral("Name"), inhaber, QStringLiteral("20060303"));
    QByteArray xml;
    try {
        xml = v.xml(liste);
    } catch (const VennlokFehler &f) {
        std::fprintf(stderr, "%s\n", f.what());
        std::abort();
    }
    if (summe == 0) {
        if (!xml.isEmpty())
            std::abort();
        return 0;
    }
    const Money cent = summe / 100;
    const QString kontrolle = QStringLiteral("<CtrlSum>%1.%2</CtrlSum>").arg(cent / 100).arg(cent % 100, 2, 10, QLatin1Char('0'));
    if (QString::fromUtf8(xml).count(kontrolle) != 2) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(kontrolle), xml.constData());
        std::abort();
    }
    return 0;
}
