#pragma once

// The pact most engine and window tests start from: founded on 1 March 2006
// with a contribution of 50, fees of 0.50 and 2, damping 0.65, basic cover
// 3000 and a limit of -300; the internal share as given.

#include "engine/vennlok.h"

#include "tests/testhilfe.h"

namespace Testhilfe {

inline void paktGruenden(TVennlok &v, double intAnteil = 0.5)
{
    v.NeuPakt(Vennlok::Version, zeitpunkt(2006, 3, 1), e(50), e(0.5), e(2), intAnteil, 0.65, e(3000), e(-300));
}

// The pact in its second month: namen paid 50 each on 2 March, then March was closed.
inline void zweiterMonat(TVennlok &v, const QStringList &namen)
{
    v.SetAutoModus(true);
    paktGruenden(v);
    for (const QString &name : namen)
        v.Einzahlung(name, v.Buchungsmonat(), e(50), zeitpunkt(2006, 3, 2));
    v.Monatsabschluss(QStringLiteral("200603"), true, zeitpunkt(2006, 3, 31));
}

} // namespace Testhilfe
