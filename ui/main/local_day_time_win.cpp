#include "ui/main/local_day_time_win.h"

#include <windows.h>

namespace kestro {

LocalDayTime localNow() {
  FILETIME utc{};
  FILETIME local{};
  GetSystemTimeAsFileTime(&utc);
  FileTimeToLocalFileTime(&utc, &local);
  const ULONGLONG ticks = (static_cast<ULONGLONG>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
  // 100-nanosecond ticks; a day has 864 000 000 000 of them.
  return {static_cast<double>(ticks) / 864000000000.0, true};
}

}  // namespace kestro
