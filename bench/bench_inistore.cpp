// Lookups and writes in the INI store with few and with many keys in one
// section, as in a cash book that has taken years of bookings. The time per
// operation should not grow with the number of keys.
#include "data/rollmeminifile.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

namespace {

double nsProLesen(int schluessel)
{
    QTemporaryDir dir;
    TRollMemIniFile ini(dir.filePath(QStringLiteral("bench.ven")));
    for (int i = 1; i <= schluessel; ++i)
        ini.WriteMoney(QStringLiteral("Einzahlungen 05.03.2006"), QStringLiteral("Meier_%1").arg(i), Money(i) * 500000);
    const int runden = 200000;
    Money summe = 0;
    QElapsedTimer uhr;
    uhr.start();
    for (int r = 0; r < runden; ++r)
        summe += ini.ReadMoney(QStringLiteral("einzahlungen 05.03.2006"),
                               QStringLiteral("meier_%1").arg(1 + r % schluessel), 0);
    const double ns = double(uhr.nsecsElapsed()) / runden;
    std::printf("%7d Schlüssel: %8.1f ns je Lesen (Prüfsumme %lld)\n", schluessel, ns, static_cast<long long>(summe));
    return ns;
}

} // namespace

int main()
{
    const double wenige = nsProLesen(10);
    const double viele = nsProLesen(100000);
    std::printf("Verhältnis 100000 : 10 = %.2f\n", viele / wenige);
    return 0;
}
