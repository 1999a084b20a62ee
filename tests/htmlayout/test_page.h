// A page loaded into a document with the fixed-metrics canvas and a host that
// attaches registered behaviors and records what it was asked for.
#pragma once

#include <string>
#include <vector>

#include "htmlayout/behavior.h"
#include "htmlayout/document.h"
#include "htmlayout/dom.h"
#include "htmlayout/recording_canvas.h"

namespace htmlayout::test {

class test_host : public document_host {
 public:
  unsigned notify(notification& n) override {
    if (n.code == HLN_LOAD_DATA) requested.push_back(static_cast<NMHL_LOAD_DATA&>(n).uri);
    if (n.code == HLN_ATTACH_BEHAVIOR) {
      auto& a = static_cast<NMHL_ATTACH_BEHAVIOR&>(n);
      if (event_handler* h = behavior::find(a.behaviorName, a.element)) {
        a.elementProc = h;
        a.elementEvents = h->subscription;
      }
    }
    return 0;
  }
  void posted() override { ++posts; }
  void invalidate() override { ++whole_repaints; }
  void invalidate_area(const rect& area) override { repainted_areas.push_back(area); }

  std::vector<std::wstring> requested;
  int posts = 0;
  int whole_repaints = 0;
  std::vector<rect> repainted_areas;
};

struct test_page {
  explicit test_page(const std::string& html, int width = 400, int height = 300) {
    doc.set_view_size(width, height);
    doc.load_html(html);
  }
  dom::element root() const { return doc.root(); }
  dom::element by_id(const wchar_t* id) const { return root().find_by_id(id); }

  recording_canvas gfx;
  test_host host;
  document doc{gfx, host};
};

}  // namespace htmlayout::test
