#include "ui/behaviors/ratechart.h"

#include <chrono>

#include "htmlayout/dom.h"
#include "htmlayout/layout.h"
#include "htmlayout/node.h"
#include "ui/behaviors/rate_chart_drawing.h"

namespace htmlayout {
namespace {

constexpr unsigned kRepaintMs = 1000;

// Seconds of the local time: time zones differ from UTC by whole minutes.
int clock_seconds() {
  auto now = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(now).count() % 60);
}

}  // namespace

ratechart::ratechart()
    : behavior(HANDLE_TIMER | HANDLE_DRAW | HANDLE_BEHAVIOR_EVENT | HANDLE_METHOD_CALL, "ratechart") {
  clear();
}

void ratechart::clear() {
  up_.assign(kSamples, 0);
  down_.assign(kSamples, 0);
}

void ratechart::detached(HELEMENT he) { dom::element(he).set_timer(0); }

// A chart attached in a hidden panel waits for VISIBILITY_CHANGED: a hidden
// chart has nothing to repaint.
void ratechart::attached(HELEMENT he) {
  dom::element chart(he);
  if (chart.is_visible()) chart.set_timer(kRepaintMs);
}

bool ratechart::handle_timer(HELEMENT he, TIMER_PARAMS&) {
  dom::element(he).update();
  return true;
}

bool ratechart::handle_draw(HELEMENT he, DRAW_PARAMS& p) {
  if (p.cmd != DRAW_CONTENT || !p.gfx) return false;
  rate_chart_input in;
  in.area = p.area;
  in.font = font_of(he->style);
  in.ink = he->style.text_color;
  in.seconds = clock_seconds();
  in.up = &up_;
  in.down = &down_;
  draw_rate_chart(*p.gfx, in);
  return true;
}

bool ratechart::on_event(HELEMENT he, HELEMENT, BEHAVIOR_EVENTS type, uintptr_t reason) {
  if (type == VISIBILITY_CHANGED) dom::element(he).set_timer(reason ? kRepaintMs : 0);
  return false;
}

bool ratechart::on_script_call(HELEMENT, XCALL_PARAMS& p) {
  if (p.method_name == "newdata") {
    if (p.argv.size() == 2 && p.argv[0].type == T_INT64 && p.argv[1].type == T_INT64) {
      up_.push_back(p.argv[0].i);
      down_.push_back(p.argv[1].i);
      up_.pop_front();
      down_.pop_front();
    }
    return true;
  }
  if (p.method_name == "cleardata") {
    clear();
    return true;
  }
  return false;
}

}  // namespace htmlayout
