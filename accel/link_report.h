// When the link of a running acceleration counts as degraded, and how its
// loss rate travels in the report message (WM_LINK_DEGRADED) to the window.
#pragma once

#include <cmath>
#include <cstdint>

namespace kestro {

// Both bounds are strict: exactly 50.0 ms or exactly 1 % is still a good link.
inline bool linkIsDegraded(float averageMs, float loss) { return averageMs > 50.0f || loss > 0.01f; }

// The loss rate (0 to 1) as a whole number of hundredths of a percent, which
// keeps the two decimals the diagnosis page shows.
inline intptr_t lossToReport(float loss) { return static_cast<intptr_t>(std::lround(loss * 10000.0f)); }
inline double lossPercentFromReport(intptr_t report) { return static_cast<double>(report) / 100.0; }

}  // namespace kestro
