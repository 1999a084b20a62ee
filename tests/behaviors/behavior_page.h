// A page with the program's behaviors registered, loaded into a document with
// the fixed-metrics canvas, and a window handler that records the element
// events the behaviors post.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "base/text_convert.h"
#include "tests/htmlayout/test_page.h"
#include "ui/behaviors/page_behaviors.h"

namespace htmlayout::test {

inline std::string id_of(HELEMENT he) {
  const std::wstring* id = he ? he->attribute("id") : nullptr;
  return id ? kestro::toUtf8(*id) : "-";
}

// "<code> <target id> <reason>" for every element event the window hears.
class event_log : public event_handler {
 public:
  event_log() : event_handler(HANDLE_BEHAVIOR_EVENT) {}
  bool on_event(HELEMENT, HELEMENT target, BEHAVIOR_EVENTS type, uintptr_t reason) override {
    if (type & SINKING) return false;
    char code[16];
    std::snprintf(code, sizeof code, "0x%x", static_cast<unsigned>(type));
    events.push_back(std::string(code) + " " + id_of(target) + " " + std::to_string(reason));
    return false;
  }
  std::vector<std::string> take() { return std::exchange(events, {}); }
  std::vector<std::string> events;
};

struct behavior_page {
  explicit behavior_page(const std::string& html, int width = 600, int height = 400)
      : page(with_behaviors(html), width, height) {
    page.doc.update();
    page.doc.attach_window_handler(&log, HANDLE_BEHAVIOR_EVENT);
  }
  static const std::string& with_behaviors(const std::string& html) {
    kestro::registerPageBehaviors();
    return html;
  }
  dom::element by_id(const wchar_t* id) const { return page.by_id(id); }
  // A press of the main button at the middle of an element, then the release.
  void click(const wchar_t* id, unsigned alt_state = 0) {
    point p = middle(id);
    page.doc.mouse(MOUSE_DOWN, p, MAIN_MOUSE_BUTTON, alt_state);
    page.doc.mouse(MOUSE_UP, p, 0, alt_state);
  }
  void double_click(const wchar_t* id) { page.doc.mouse(MOUSE_DCLICK, middle(id), MAIN_MOUSE_BUTTON, 0); }
  void key(unsigned code, unsigned alt_state = 0) { page.doc.key(KEY_DOWN, code, alt_state); }
  point middle(const wchar_t* id) const {
    rect r = by_id(id).get_location();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  // Ids of the elements of `selector` below the root, in document order.
  std::string ids(const wchar_t* selector) const {
    std::string out;
    for (auto& e : page.root().find_all(selector)) out += (out.empty() ? "" : " ") + id_of(e);
    return out;
  }

  test_page page;
  event_log log;
};

}  // namespace htmlayout::test
