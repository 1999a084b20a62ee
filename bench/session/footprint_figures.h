// The figures printed of a run of samples: which source each figure takes
// (Windows' answer where Wine gives one, else what Linux or Wine's own
// records show), growth over a phase and CPU as a share of one core.
#pragma once

#include <string>
#include <vector>

#include "bench/session/process_footprint_win.h"

namespace kestro::bench {

// A sample on the benchmark's clock, with the machine's load average then.
struct TimedFootprint {
  double seconds = 0;
  double load = 0;
  Footprint footprint;
};

// The figures compared over time, each from the best source that answered.
struct Figures {
  double privateMb = 0;
  double workingSetMb = 0;
  double handles = 0;
  double gdi = 0;
  double user = 0;
  double cpuSeconds = 0;
};

// Where each figure of `first` comes from, one line per figure.
std::string sourcesText(const Footprint& first);
Figures figuresOf(const Footprint& footprint);
// One line of a sample: every figure and its Linux counterparts.
std::string sampleLine(const TimedFootprint& sample);

// The figures of a phase: start, end, least-squares growth per hour, the
// spread (largest less smallest) and CPU as a percentage of one core.
std::string phaseSummary(const std::string& name, const std::vector<TimedFootprint>& samples);

// "before -> after (change)" of the figures around a loop.
std::string loopSummary(const std::string& name, const Footprint& before, const Footprint& after);

}  // namespace kestro::bench
