// The tab view: a strip of tabs (".strip>[panel]") over panels ("[name]").
// The selected tab and panel carry the attribute "selected", the current tab
// the current state and the shown panel the expanded state; the window hears
// of a change through ELEMENT_COLLAPSED and ELEMENT_EXPANDED on the tabs.
#pragma once

#include "htmlayout/behavior.h"
#include "htmlayout/dom.h"

namespace htmlayout {

class tabs : public behavior {
 public:
  tabs() : behavior(HANDLE_MOUSE | HANDLE_KEY | HANDLE_FOCUS | HANDLE_BEHAVIOR_EVENT | HANDLE_METHOD_CALL, "tabs") {}

  void attached(HELEMENT he) override;
  bool handle_mouse(HELEMENT he, MOUSE_PARAMS& p) override;
  bool handle_key(HELEMENT he, KEY_PARAMS& p) override;
  bool on_event(HELEMENT he, HELEMENT target, BEHAVIOR_EVENTS type, uintptr_t reason) override;
  // "select" with the panel name: shows that panel.
  bool on_script_call(HELEMENT he, XCALL_PARAMS& p) override;

  // Makes `tab` the current tab of `tab_view` and shows its panel.
  static void select_tab(dom::element tab_view, dom::element tab);

 private:
  enum class direction { first, last, next, previous };
  // The tab at `target` or its nearest ancestor below the tab view with "panel".
  static dom::element tab_of(dom::element tab_view, HELEMENT target);
  static bool move(dom::element tab_view, direction d);
};

}  // namespace htmlayout
