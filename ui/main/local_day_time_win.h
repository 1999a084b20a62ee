// The local date and time as the node and game lists remember when they were
// fetched (a list is refreshed at most once in a while).
#pragma once

namespace kestro {

// A local date-time as a day count, with whether it was ever set.
struct LocalDayTime {
  double days = 0.0;
  bool valid = false;
};

// Now, in local time, as days since 1601-01-01.
LocalDayTime localNow();

}  // namespace kestro
