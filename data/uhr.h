#pragma once

#include "algo/typen.h"

#include <functional>

/// The program's one clock for "today" and "now". Tests replace it to fix
/// the time; everything that stamps a date reads it here.
namespace Uhr {

/// The current local date and time, to the millisecond.
DateTime Jetzt();

/// Today at midnight.
DateTime Heute();

/// Replaces the clock; an empty function restores the system clock.
void Setzen(std::function<DateTime()> uhr);

} // namespace Uhr
