#include "accel/clock_check.h"

#include <cmath>

namespace kestro {
namespace {

// Days from 1970-01-01 to a proleptic Gregorian date (month 1 to 12).
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// 1899-12-30, day 0 of OLE dates, counted from 1970-01-01.
constexpr int64_t kOleEpochDays = -25569;

// OLE dates run backwards in days but forwards in time before day 0; a linear
// count makes them subtractable.
double linearDays(double oleDate) {
  if (oleDate >= 0) return oleDate;
  const double whole = std::trunc(oleDate);
  return whole + (whole - oleDate);
}

}  // namespace

double oleDateFromCalendar(const std::tm& local) {
  const int64_t days = daysFromCivil(int64_t{local.tm_year} + 1900, int64_t{local.tm_mon} + 1, local.tm_mday) -
                       kOleEpochDays;
  const double fraction = (local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec) / 86400.0;
  if (days >= 0) return static_cast<double>(days) + fraction;
  return static_cast<double>(days) - fraction;
}

int64_t clockDifferenceSeconds(double serverDate, double localDate) {
  return std::llround((linearDays(serverDate) - linearDays(localDate)) * 86400.0);
}

bool clockWithinTolerance(int64_t differenceSeconds) {
  return differenceSeconds <= kMaxClockDifferenceSeconds && differenceSeconds >= -kMaxClockDifferenceSeconds;
}

}  // namespace kestro
