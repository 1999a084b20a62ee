// The start sequence's clock check: the service's time against the local clock,
// both as OLE Automation dates (days since 1899-12-30, the time of day as the
// fraction), which is what the system's date parser produces.
#pragma once

#include <cstdint>
#include <ctime>

namespace kestro {

// Three days: a larger difference breaks the tunnel's encryption.
inline constexpr int64_t kMaxClockDifferenceSeconds = 259200;

// An OLE date of a local calendar time (tm_year, tm_mon, tm_mday, tm_hour,
// tm_min, tm_sec as std::tm holds them).
double oleDateFromCalendar(const std::tm& local);

// server - local in seconds, rounded to the nearest second. Dates before 1899-12-30
// are negative with a positive time fraction, so -1.25 is 1899-12-29 06:00.
int64_t clockDifferenceSeconds(double serverDate, double localDate);

// Strict bounds: exactly three days either way still passes.
bool clockWithinTolerance(int64_t differenceSeconds);

}  // namespace kestro
