// Routing of input and behavior events through the element tree.
#include <algorithm>

#include "htmlayout/document.h"
#include "htmlayout/layout.h"

namespace htmlayout {
namespace {

bool focusable(HELEMENT el) {
  if (el->attribute("tabindex")) return true;
  for (const auto& h : el->handlers)
    if (h.subscription & (HANDLE_FOCUS | HANDLE_KEY)) return true;
  return false;
}

bool scrollable(HELEMENT el) {
  return (el->style.overflow == overflow_t::AUTO || el->style.overflow == overflow_t::SCROLL) &&
         el->box.content_height > el->box.height - el->style.border[0] - el->style.border[2];
}

}  // namespace

bool document::dispatch_to(HELEMENT el, unsigned group, void* params) {
  // A handler may detach behaviors while it runs; walk a copy.
  std::vector<attached_handler> handlers = el->handlers;
  if (group == HANDLE_BEHAVIOR_EVENT) static_cast<BEHAVIOR_EVENT_PARAMS*>(params)->he = el;
  for (const auto& h : handlers) {
    if (group != HANDLE_INITIALIZATION && !(h.subscription & group)) continue;
    if (h.handler->handle_event(el, group, params)) return true;
  }
  return false;
}

bool document::route(HELEMENT target, unsigned group, unsigned& cmd, void* params) {
  if (!target) return false;
  std::vector<HELEMENT> path;
  for (HELEMENT e = target; e; e = e->parent) { retain(e); path.push_back(e); }
  unsigned base = cmd;
  bool consumed = false;
  auto windows = [&](unsigned phase_cmd) {
    cmd = phase_cmd;
    for (auto w : std::vector<window_handler>(window_handlers_)) {
      if (!(w.subscription & group) || !(w.handler->subscription & group)) continue;
      if (group == HANDLE_BEHAVIOR_EVENT) static_cast<BEHAVIOR_EVENT_PARAMS*>(params)->he = root_;
      if (w.handler->handle_event(root_, group, params)) return true;
    }
    return false;
  };
  consumed = windows(base | SINKING);
  for (size_t i = path.size(); !consumed && i-- > 0;) {
    cmd = base | SINKING;
    consumed = dispatch_to(path[i], group, params);
  }
  for (size_t i = 0; !consumed && i < path.size(); ++i) {
    cmd = base;
    consumed = dispatch_to(path[i], group, params);
  }
  if (!consumed) consumed = windows(base);
  cmd = base;
  for (HELEMENT e : path) release(e);
  return consumed;
}

bool document::send_behavior_event(HELEMENT he, unsigned code, HELEMENT target, uintptr_t reason) {
  if (!he || he->doc != this) return false;
  BEHAVIOR_EVENT_PARAMS p;
  p.cmd = code;
  p.heTarget = target;
  p.reason = reason;
  return route(he, HANDLE_BEHAVIOR_EVENT, p.cmd, &p);
}

void document::post_behavior_event(HELEMENT he, unsigned code, HELEMENT target, uintptr_t reason) {
  if (!he) return;
  retain(he);
  retain(target);
  posted_.push_back({he, code, target, reason});
  host_.posted();
}

void document::process_posted() {
  // Events posted while these run wait for the next call.
  for (size_t n = posted_.size(); n > 0 && !posted_.empty(); --n) {
    posted_event e = posted_.front();
    posted_.pop_front();
    send_behavior_event(e.he, e.code, e.target, e.reason);
    release(e.he);
    release(e.target);
  }
}

bool document::call_method(HELEMENT he, METHOD_PARAMS& params) {
  return he && he->doc == this && dispatch_to(he, HANDLE_METHOD_CALL, &params);
}

void document::hold(HELEMENT& slot, HELEMENT el) {
  if (slot == el) return;
  retain(el);
  release(slot);
  slot = el;
}

void document::set_hover(HELEMENT el) {
  if (el == hover_) return;
  // Only the two branches below the common ancestor change their state: the
  // topmost element of each is all that needs styling again.
  const auto below_common = [](HELEMENT from, HELEMENT other) {
    HELEMENT top = nullptr;
    for (HELEMENT e = from; e; e = e->parent) {
      bool shared = false;
      for (HELEMENT o = other; o && !shared; o = o->parent) shared = o == e;
      if (shared) break;
      top = e;
    }
    return top;
  };
  HELEMENT lost = below_common(hover_, el), gained = below_common(el, hover_);
  for (HELEMENT e = hover_; e; e = e->parent) e->state &= ~STATE_HOVER;
  for (HELEMENT e = el; e; e = e->parent) e->state |= STATE_HOVER;
  if (lost) invalidate_states(lost);
  if (gained) invalidate_states(gained);
  HELEMENT old = hover_;
  retain(old);
  hold(hover_, el);
  if (old && old->doc == this) {
    MOUSE_PARAMS p;
    p.cmd = MOUSE_LEAVE;
    p.target = old;
    route(old, HANDLE_MOUSE, p.cmd, &p);
  }
  release(old);
  if (el) {
    MOUSE_PARAMS p;
    p.cmd = MOUSE_ENTER;
    p.target = el;
    route(el, HANDLE_MOUSE, p.cmd, &p);
  }
  }

bool document::scrollbar_mouse(unsigned cmd, point pt) {
  if (scroll_drag_) {
    HELEMENT s = scroll_drag_;
    if (cmd == MOUSE_UP) hold(scroll_drag_, nullptr);
    if (cmd != MOUSE_MOVE || s->doc != this) return true;
    rect view = box_of(s);
    int client = view.height() - s->style.border[0] - s->style.border[2];
    int total = std::max(client, s->box.content_height + s->style.padding[0] + s->style.padding[2]);
    int thumb = std::max(12, total > 0 ? client * client / total : client);
    int travel = std::max(1, client - thumb);
    s->box.scroll_top = std::clamp(drag_from_top_ + (pt.y - drag_from_y_) * (total - client) / travel, 0, total - client);
    host_.invalidate();
    return true;
  }
  if (cmd != MOUSE_DOWN) return false;
  for (HELEMENT s = hit_test(pt); s; s = s->parent) {
    if (!s->box.scrollbar) continue;
    rect view = box_of(s);
    int right = view.right - s->style.border[1];
    if (pt.x < right - kScrollbarWidth || pt.x >= right || !view.contains(pt)) return false;
    int top = view.top + s->style.border[0];
    int client = view.height() - s->style.border[0] - s->style.border[2];
    int total = std::max(client, s->box.content_height + s->style.padding[0] + s->style.padding[2]);
    int thumb = std::max(12, total > 0 ? client * client / total : client);
    int thumb_top = top + (total > client ? (client - thumb) * s->box.scroll_top / (total - client) : 0);
    if (pt.y < thumb_top) s->box.scroll_top = std::max(0, s->box.scroll_top - client);
    else if (pt.y >= thumb_top + thumb) s->box.scroll_top = std::min(total - client, s->box.scroll_top + client);
    else {
      hold(scroll_drag_, s);
      drag_from_y_ = pt.y;
      drag_from_top_ = s->box.scroll_top;
    }
    host_.invalidate();
    return true;
  }
  return false;
}

bool document::mouse(unsigned cmd, point pt, unsigned buttons, unsigned alt_state, int wheel) {
  update();
  if (scrollbar_mouse(cmd, pt)) return true;
  HELEMENT target = capture_ ? capture_ : hit_test(pt);
  if (target && target->doc != this) target = nullptr;
  if (cmd == MOUSE_MOVE || cmd == MOUSE_DOWN) set_hover(target);
  if (!target) return false;
  retain(target);
  if (cmd == MOUSE_DOWN && (buttons & MAIN_MOUSE_BUTTON)) {
    for (HELEMENT e = target; e; e = e->parent) e->state |= STATE_ACTIVE;
    hold(pressed_, target);
    HELEMENT f = target;
    while (f && !focusable(f)) f = f->parent;
    if (f && f != focus_) set_focus(f, true);
    invalidate_states();
  }
  MOUSE_PARAMS p;
  p.cmd = cmd;
  p.target = target;
  rect b = box_of(target);
  p.pos = {pt.x - b.left, pt.y - b.top};
  p.pos_document = pt;
  p.button_state = buttons;
  p.alt_state = alt_state;
  p.wheel_delta = wheel;
  bool consumed = route(target, HANDLE_MOUSE, p.cmd, &p);
  if (cmd == MOUSE_UP && pressed_) {
    for (HELEMENT e = pressed_; e; e = e->parent) e->state &= ~STATE_ACTIVE;
    hold(pressed_, nullptr);
    invalidate_states();
  }
  if (cmd == MOUSE_WHEEL && !consumed) {
    HELEMENT s = target;
    while (s && !scrollable(s)) s = s->parent;
    if (s) {
      int max_top = std::max(0, s->box.content_height - (s->box.height - s->style.border[0] - s->style.border[2]));
      s->box.scroll_top = std::clamp(s->box.scroll_top - wheel * 40 / 120, 0, max_top);
      consumed = true;
      host_.invalidate();
    }
  }
  release(target);
  process_posted();
  return consumed;
}

bool document::key(unsigned cmd, unsigned code, unsigned alt_state, bool repeated) {
  HELEMENT target = focus_ ? focus_ : root_;
  if (!target) return false;
  KEY_PARAMS p;
  p.cmd = cmd;
  p.target = target;
  p.key_code = code;
  p.alt_state = alt_state;
  p.repeated = repeated;
  bool consumed = route(target, HANDLE_KEY, p.cmd, &p);
  if (!consumed && cmd == KEY_DOWN && code == KEYCODE_TAB) consumed = focus_next((alt_state & SHIFT_KEY_PRESSED) != 0);
  if (!consumed && cmd == KEY_DOWN) consumed = scroll_by_key(code);
  process_posted();
  return consumed;
}

bool document::scroll_by_key(unsigned code) {
  // The scrolling box around the focus, else around the mouse.
  HELEMENT s = focus_ ? focus_ : hover_;
  while (s && !scrollable(s)) s = s->parent;
  if (!s) return false;
  int client = s->box.height - s->style.border[0] - s->style.border[2];
  int max_top = std::max(0, s->box.content_height + s->style.padding[0] + s->style.padding[2] - client);
  int line = 40;
  int top = s->box.scroll_top;
  switch (code) {
    case KEYCODE_UP: top -= line; break;
    case KEYCODE_DOWN: top += line; break;
    case KEYCODE_PRIOR: top -= client; break;
    case KEYCODE_NEXT: top += client; break;
    case KEYCODE_HOME: top = 0; break;
    case KEYCODE_END: top = max_top; break;
    default: return false;
  }
  s->box.scroll_top = std::clamp(top, 0, max_top);
  host_.invalidate();
  return true;
}

bool document::focus_next(bool backwards) {
  std::vector<HELEMENT> order;
  std::vector<HELEMENT> todo{root_};
  while (!todo.empty()) {
    HELEMENT el = todo.back();
    todo.pop_back();
    if (!el || el->is_text || !(el->state & STATE_VISIBLE)) continue;
    if ((el->tag == "input" || el->tag == "button") && !(el->state & STATE_DISABLED)) order.push_back(el);
    todo.insert(todo.end(), el->children.rbegin(), el->children.rend());
  }
  if (order.empty()) return false;
  const auto at = std::find(order.begin(), order.end(), focus_);
  size_t next;
  if (at == order.end()) next = backwards ? order.size() - 1 : 0;
  else {
    const size_t i = static_cast<size_t>(at - order.begin());
    next = backwards ? (i + order.size() - 1) % order.size() : (i + 1) % order.size();
  }
  set_focus(order[next]);
  focus_from_keyboard_ = true;
  scroll_into_view(order[next]);
  host_.invalidate();
  return true;
}

void document::set_focus(HELEMENT el, bool by_mouse) {
  focus_from_keyboard_ = false;
  if (el == focus_) return;
  HELEMENT old = focus_;
  retain(old);
  hold(focus_, el);
  if (old) {
    old->state &= ~STATE_FOCUS;
    FOCUS_PARAMS p;
    p.cmd = FOCUS_LOST;
    p.target = old;
    p.by_mouse_click = by_mouse;
    if (old->doc == this) route(old, HANDLE_FOCUS, p.cmd, &p);
  }
  release(old);
  if (el) {
    el->state |= STATE_FOCUS;
    FOCUS_PARAMS p;
    p.cmd = FOCUS_GOT;
    p.target = el;
    p.by_mouse_click = by_mouse;
    route(el, HANDLE_FOCUS, p.cmd, &p);
  }
  invalidate_states(old);
  invalidate_states(el);
}

}  // namespace htmlayout
