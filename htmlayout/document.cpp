#include "htmlayout/document.h"

#include <algorithm>

#include "base/text_convert.h"
#include "htmlayout/html_parser.h"
#include "htmlayout/layout.h"
#include "htmlayout/stock_behaviors.h"
#include "htmlayout/style_resolver.h"

namespace htmlayout {
namespace {

void visit(HELEMENT el, const auto& fn) {
  fn(el);
  for (HELEMENT c : el->children)
    if (!c->is_text) visit(c, fn);
}

std::vector<std::string> behavior_names(const std::string& list) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < list.size()) {
    size_t end = list.find_first_of(" ,", i);
    if (end == std::string::npos) end = list.size();
    if (end > i) out.push_back(list.substr(i, end - i));
    i = end + 1;
  }
  return out;
}

void init_handler(HELEMENT el, event_handler* h, unsigned cmd) {
  INITIALIZATION_PARAMS p;
  p.cmd = cmd;
  h->handle_event(el, HANDLE_INITIALIZATION, &p);
}

}  // namespace

document::document(canvas& gfx, document_host& host) : gfx_(gfx), host_(host) {}

document::~document() { clear_document(); }

void document::clear_document() {
  for (HELEMENT el : restyle_roots_) release(el);
  restyle_roots_.clear();
  if (!root_) return;
  for (auto& t : timers_) release(t.el);
  timers_.clear();
  for (auto& p : posted_) { release(p.he); release(p.target); }
  posted_.clear();
  for (HELEMENT* slot : {&hover_, &focus_, &capture_, &pressed_, &scroll_drag_}) hold(*slot, nullptr);
  visit(root_, [](HELEMENT el) {
    for (auto& h : el->handlers) init_handler(el, h.handler, BEHAVIOR_DETACH);
    el->handlers.clear();
    el->doc = nullptr;
  });
  release(root_);
  root_ = nullptr;
  sheets_.clear();
  requested_.clear();
}

bool document::load_html(std::string_view utf8) {
  if (utf8.empty()) return false;
  clear_document();
  parsed_page page = parse_html(utf8);
  root_ = page.root;
  visit(root_, [this](HELEMENT el) {
    el->doc = this;
    for (HELEMENT c : el->children) c->doc = this;
    // Initial states written in the page.
    if (el->attribute("checked")) el->state |= STATE_CHECKED;
    if (el->attribute("disabled")) el->state |= STATE_DISABLED;
  });
  for (const auto& css : page.style_sheets) sheets_.push_back(parse_style_sheet(kestro::fromUtf8(css)));
  size_t order = 0;
  for (auto& sheet : sheets_)
    for (auto& rule : sheet.rules) rule.order = order++;
  style_dirty_ = layout_dirty_ = true;
  update();
  notification done;
  done.code = HLN_DOCUMENT_COMPLETE;
  done.window = host_.window();
  host_.notify(done);
  return true;
}

void document::data_ready(const std::wstring& uri, const uint8_t* bytes, size_t size, int density_dpi) {
  if (gfx_.load_image(uri, bytes, size, density_dpi)) invalidate_layout();
}

void document::set_view_size(int width, int height) {
  if (width == view_w_ && height == view_h_) return;
  view_w_ = width;
  view_h_ = height;
  invalidate_layout();
}

void document::update() {
  if (!root_) return;
  // Only a style pass can name a resource: the whole tree's after a full
  // pass, otherwise only the restyled subtrees'. Those stay held until read.
  bool styled_all = false;
  std::vector<HELEMENT> restyled;
  for (int pass = 0; pass < 4 && (style_dirty_ || layout_dirty_ || !restyle_roots_.empty()); ++pass) {
    std::vector<HELEMENT> roots = std::move(restyle_roots_);
    restyle_roots_.clear();
    if (style_dirty_) {
      style_dirty_ = false;
      styled_all = true;
      if (resolve_styles(root_, sheets_)) layout_dirty_ = true;
      sync_behaviors();
    } else if (!roots.empty()) {
      bool moved = false;
      for (HELEMENT el : roots) {
        HELEMENT top = el;
        while (top->parent) top = top->parent;
        if (top != root_) continue;
        moved = restyle_subtree(el, root_, sheets_) || moved;
        sync_behaviors(el);
      }
      if (moved) layout_dirty_ = true;
    }
    restyled.insert(restyled.end(), roots.begin(), roots.end());
    if (style_dirty_) continue;  // an attached behavior changed states
    if (!layout_dirty_) break;
    layout_dirty_ = false;
    layout_document(*this);
  }
  if (styled_all) {
    request_resources(root_);
  } else {
    for (HELEMENT el : restyled) {
      HELEMENT top = el;
      while (top->parent) top = top->parent;
      if (top == root_) request_resources(el);
    }
  }
  for (HELEMENT el : restyled) release(el);
}

void document::request_resources(HELEMENT from) {
  // Each resource named by a style or an image is asked for once.
  const std::wstring none;
  visit(from, [&](HELEMENT el) {
    const std::wstring* src = el->tag == "img" ? el->attribute("src") : nullptr;
    const std::wstring* urls[3] = {&el->style.background_image.url, &el->style.foreground_image.url, src ? src : &none};
    for (const std::wstring* u : urls) {
      const std::wstring& url = *u;
      if (url.empty() || std::find(requested_.begin(), requested_.end(), url) != requested_.end()) continue;
      requested_.push_back(url);
      NMHL_LOAD_DATA n;
      n.code = HLN_LOAD_DATA;
      n.window = host_.window();
      n.uri = url;
      n.principal = el;
      host_.notify(n);
    }
  });
}

void document::sync_behaviors(HELEMENT from) {
  std::vector<std::pair<HELEMENT, bool>> visibility;
  visit(from ? from : root_, [&](HELEMENT el) {
    bool shown = el->style.display != display_t::NONE && (!el->parent || (el->parent->state & STATE_VISIBLE));
    if (shown != bool(el->state & STATE_VISIBLE)) {
      el->state ^= STATE_VISIBLE;
      if (!el->handlers.empty()) visibility.emplace_back(el, shown);
    }
    std::vector<std::string> wanted = behavior_names(el->style.behavior);
    for (size_t i = el->handlers.size(); i-- > 0;) {
      if (std::find(wanted.begin(), wanted.end(), el->handlers[i].name) != wanted.end()) continue;
      attached_handler gone = el->handlers[i];
      el->handlers.erase(el->handlers.begin() + static_cast<long>(i));
      init_handler(el, gone.handler, BEHAVIOR_DETACH);
    }
    for (const auto& name : wanted) {
      if (el->has_handler(name)) continue;
      attached_handler h{stock_behavior(name), 0, name};
      if (h.handler) {
        h.subscription = h.handler->subscription;
      } else {
        NMHL_ATTACH_BEHAVIOR n;
        n.code = HLN_ATTACH_BEHAVIOR;
        n.window = host_.window();
        n.element = el;
        n.behaviorName = name;
        host_.notify(n);
        h.handler = n.elementProc;
        h.subscription = n.elementEvents;
      }
      if (!h.handler) continue;  // unknown behaviors are ignored
      el->handlers.push_back(h);
      init_handler(el, h.handler, BEHAVIOR_ATTACH);
    }
  });
  // Told to the element itself only: its ancestors' visibility changed with it.
  for (auto& [el, shown] : visibility) {
    BEHAVIOR_EVENT_PARAMS p;
    p.cmd = VISIBILITY_CHANGED;
    p.heTarget = el;
    p.reason = shown ? 1 : 0;
    dispatch_to(el, HANDLE_BEHAVIOR_EVENT, &p);
  }
}

void document::set_state(HELEMENT el, unsigned to_set, unsigned to_clear) {
  if (!el) return;
  unsigned before = el->state;
  el->state = (el->state & ~to_clear) | to_set;
  if (el->state != before && el->doc == this) invalidate_states(el);
}

void document::invalidate_states(HELEMENT el, bool repaint) {
  if (repaint) host_.invalidate();
  if (style_dirty_) return;  // the whole tree is styled anyway
  if (!el) {
    style_dirty_ = true;
    return;
  }
  // A root inside another root adds nothing.
  for (HELEMENT r : restyle_roots_)
    for (HELEMENT e = el; e; e = e->parent)
      if (e == r) return;
  retain(el);
  restyle_roots_.push_back(el);
}

void document::set_timer(HELEMENT he, unsigned ms, uintptr_t id) {
  auto it = std::find_if(timers_.begin(), timers_.end(), [&](const timer& t) { return t.el == he && t.id == id; });
  if (it != timers_.end()) {
    release(it->el);
    timers_.erase(it);
  }
  if (ms > 0 && he) {
    retain(he);
    int64_t now = host_.now_ms();
    timers_.push_back({he, id, ms, (now >= 0 ? now : now_ms_) + ms});
  }
  host_.timers_changed();
}

int64_t document::next_timer_due() const {
  int64_t due = -1;
  for (const auto& t : timers_)
    if (due < 0 || t.due < due) due = t.due;
  return due;
}

void document::fire_timers(int64_t now_ms) {
  now_ms_ = now_ms;
  std::vector<timer> due;
  for (const auto& t : timers_)
    if (t.due <= now_ms) due.push_back(t);
  for (const auto& t : due) {
    auto it = std::find_if(timers_.begin(), timers_.end(), [&](const timer& x) { return x.el == t.el && x.id == t.id; });
    if (it == timers_.end() || it->due != t.due) continue;  // changed by an earlier handler
    it->due = now_ms + t.period;
    HELEMENT el = t.el;
    retain(el);
    TIMER_PARAMS p;
    p.timer_id = t.id;
    bool keep = el->doc == this && dispatch_to(el, HANDLE_TIMER, &p);
    if (!keep) {
      auto again = std::find_if(timers_.begin(), timers_.end(), [&](const timer& x) { return x.el == el && x.id == t.id; });
      if (again != timers_.end() && again->due == now_ms + t.period) {
        release(again->el);
        timers_.erase(again);
      }
    }
    release(el);
  }
  host_.timers_changed();
}

void document::attach_window_handler(event_handler* h, unsigned subscription) {
  detach_window_handler(h);
  window_handlers_.push_back({h, subscription});
}

void document::detach_window_handler(event_handler* h) {
  std::erase_if(window_handlers_, [&](const window_handler& w) { return w.handler == h; });
}

}  // namespace htmlayout
