#include "data/uhr.h"

#include "data/textformat.h"

#include <QDateTime>
#include <cmath>

namespace {

std::function<DateTime()> &ersatz()
{
    static std::function<DateTime()> uhr;
    return uhr;
}

} // namespace

namespace Uhr {

DateTime Jetzt()
{
    if (ersatz())
        return ersatz()();
    return Textformat::ausQDateTime(QDateTime::currentDateTime());
}

DateTime Heute()
{
    return std::trunc(Jetzt());
}

void Setzen(std::function<DateTime()> uhr)
{
    ersatz() = std::move(uhr);
}

} // namespace Uhr
