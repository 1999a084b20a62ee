// Drawing of the rate chart: 90 seconds of upstream and downstream rates as
// two lines over a grid that scrolls with the clock, with a scale on the left
// and a legend at the top right.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "htmlayout/canvas.h"

namespace htmlayout {

// Bits per second one grid step stands for, and its label increment in Kbits/s.
struct rate_scale {
  int64_t step = 1024;
  int label_increment = 1;
  bool operator==(const rate_scale&) const = default;
};

// The smallest scale on which `peak` stays below 15 grid steps.
rate_scale scale_for_peak(int64_t peak);
// "%dKbits/s" below 1000, else "%.1fMbits/s" of kbits / 1024.
std::wstring rate_label(int kbits);
// The y of a sample: 25 pixels per grid step up from 2 pixels above `bottom`.
int64_t sample_y(int bottom, int64_t bits_per_second, int64_t step);

struct rate_chart_input {
  rect area;                    // the element's content box
  font_spec font;               // labels and legend
  color ink = 0xFF000000u;      // their colour
  int seconds = 0;              // seconds of the current local time
  const std::deque<int64_t>* up = nullptr;    // oldest first
  const std::deque<int64_t>* down = nullptr;
};

void draw_rate_chart(canvas& gfx, const rate_chart_input& in);

}  // namespace htmlayout
