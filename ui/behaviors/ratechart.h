// The rate chart: the last 90 seconds of the tunnel's upstream and
// downstream rates, fed one pair per second through "newdata", emptied by
// "cleardata", repainted once a second while the element is shown. The one
// instance keeps the history for every element that names it.
#pragma once

#include <cstdint>
#include <deque>

#include "htmlayout/behavior.h"

namespace htmlayout {

class ratechart : public behavior {
 public:
  static constexpr size_t kSamples = 90;

  ratechart();

  void detached(HELEMENT he) override;
  void attached(HELEMENT he) override;
  bool handle_timer(HELEMENT he, TIMER_PARAMS& p) override;
  bool handle_draw(HELEMENT he, DRAW_PARAMS& p) override;
  bool on_event(HELEMENT he, HELEMENT target, BEHAVIOR_EVENTS type, uintptr_t reason) override;
  // "newdata" (two T_INT64: up, down, bits per second) and "cleardata".
  bool on_script_call(HELEMENT he, XCALL_PARAMS& p) override;

  const std::deque<int64_t>& up() const { return up_; }
  const std::deque<int64_t>& down() const { return down_; }

 private:
  void clear();

  std::deque<int64_t> up_, down_;  // always kSamples each, oldest first
};

}  // namespace htmlayout
