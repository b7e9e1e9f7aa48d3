// The text forms of numbers, amounts and dates: whatever text is read, the
// value it gives is written in a form that reads back to itself; any amount
// within the files' range and any finite double survive writing and reading;
// amounts written and read on integers agree with the float rule.
#include "algo/runden.h"
#include "algo/typen.h"
#include "data/textformat.h"

#include <QString>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

void pruefe(bool gilt)
{
    if (!gilt)
        std::abort();
}

// Writing, reading and writing again gives the same text.
void fixpunktFloat(double x)
{
    const QString eins = Textformat::floatZuText(x);
    const auto zurueck = Textformat::textZuFloat(eins);
    pruefe(zurueck.has_value());
    pruefe(Textformat::floatZuText(*zurueck) == eins);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *daten, std::size_t groesse)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(daten), qsizetype(groesse));
    if (const auto x = Textformat::textZuFloat(text))
        fixpunktFloat(*x);
    // The integer reading of amounts agrees with the float reading wherever it reads.
    if (const auto betrag = Textformat::einfacherBetrag(text)) {
        const auto x = Textformat::textZuFloat(text);
        pruefe(x && R4Genau(*x) == betrag);
    }
    if (const auto n = Textformat::textZuInt(text))
        pruefe(Textformat::textZuInt(Textformat::intZuText(*n)) == *n);
    if (const auto d = Textformat::textZuDateTime(text)) {
        const QString eins = Textformat::dateTimeZuText(*d);
        const auto zurueck = Textformat::textZuDateTime(eins);
        pruefe(zurueck.has_value() && Textformat::dateTimeZuText(*zurueck) == eins);
    }
    Textformat::zitat(text);
    if (groesse >= 8) {
        Money m;
        double x;
        std::memcpy(&m, daten, 8);
        std::memcpy(&x, daten, 8);
        if (m >= -GeldGrenze && m <= GeldGrenze) {
            const QString text = Textformat::moneyZuText(m);
            const auto zurueck = Textformat::textZuFloat(text);
            pruefe(zurueck && std::llround(*zurueck * double(MoneyProEinheit)) == m);
            // Written from the integer, the text is the float rule's.
            pruefe(text == Textformat::floatZuText(double(m) / double(MoneyProEinheit)));
            pruefe(Textformat::einfacherBetrag(text) == m);
        }
        if (std::isfinite(x))
            fixpunktFloat(x);
    }
    return 0;
}
