#include "accel/clock_check.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

std::tm calendar(int year, int month, int day, int hour, int minute, int second) {
  std::tm value{};
  value.tm_year = year - 1900;
  value.tm_mon = month - 1;
  value.tm_mday = day;
  value.tm_hour = hour;
  value.tm_min = minute;
  value.tm_sec = second;
  return value;
}

TEST(ClockCheck, OleDatesOfKnownDays) {
  EXPECT_DOUBLE_EQ(oleDateFromCalendar(calendar(1899, 12, 30, 0, 0, 0)), 0.0);
  EXPECT_DOUBLE_EQ(oleDateFromCalendar(calendar(1900, 1, 1, 12, 0, 0)), 2.5);
  EXPECT_DOUBLE_EQ(oleDateFromCalendar(calendar(2000, 1, 1, 0, 0, 0)), 36526.0);
  EXPECT_DOUBLE_EQ(oleDateFromCalendar(calendar(1899, 12, 29, 6, 0, 0)), -1.25);
}

TEST(ClockCheck, DifferenceInSecondsAcrossDaysAndBeforeDayZero) {
  const double local = oleDateFromCalendar(calendar(2026, 12, 8, 23, 59, 30));
  EXPECT_EQ(clockDifferenceSeconds(oleDateFromCalendar(calendar(2026, 12, 9, 0, 0, 30)), local), 60);
  EXPECT_EQ(clockDifferenceSeconds(oleDateFromCalendar(calendar(2026, 12, 11, 23, 59, 30)), local), 259200);
  EXPECT_EQ(clockDifferenceSeconds(oleDateFromCalendar(calendar(2026, 12, 5, 23, 59, 29)), local), -259201);
  // -1.25 (1899-12-29 06:00) lies six hours after -1.0 (1899-12-29 00:00).
  EXPECT_EQ(clockDifferenceSeconds(-1.25, -1.0), 21600);
}

TEST(ClockCheck, ThreeDaysEitherWayIsTheStrictBound) {
  EXPECT_TRUE(clockWithinTolerance(0));
  EXPECT_TRUE(clockWithinTolerance(259200));
  EXPECT_TRUE(clockWithinTolerance(-259200));
  EXPECT_FALSE(clockWithinTolerance(259201));
  EXPECT_FALSE(clockWithinTolerance(-259201));
}

TEST(ClockCheck, AnUnparsedServerTimeOfDayZeroFails) {
  const double now = oleDateFromCalendar(calendar(2026, 12, 8, 1, 30, 0));
  EXPECT_FALSE(clockWithinTolerance(clockDifferenceSeconds(0.0, now)));
  EXPECT_FALSE(clockWithinTolerance(clockDifferenceSeconds(-1.0, now)));
}

}  // namespace
}  // namespace kestro
