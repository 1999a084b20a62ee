#include <gtest/gtest.h>

#include "base/text_convert.h"
#include "test_page.h"

namespace htmlayout {
namespace {

std::vector<std::string>& journal() {
  static std::vector<std::string> j;
  return j;
}

std::string id_of(HELEMENT he) {
  const std::wstring* id = he ? he->attribute("id") : nullptr;
  return id ? kestro::toUtf8(*id) : "-";
}

// Records every mouse and behavior event it passes, with its phase.
class recorder : public behavior {
 public:
  recorder() : behavior(HANDLE_MOUSE | HANDLE_BEHAVIOR_EVENT | HANDLE_TIMER | HANDLE_METHOD_CALL, "test-recorder") {}
  bool handle_mouse(HELEMENT he, MOUSE_PARAMS& p) override {
    if ((p.cmd & ~SINKING) == MOUSE_DOWN) journal().push_back(std::string(p.cmd & SINKING ? "sink " : "bubble ") + id_of(he));
    return false;
  }
  bool on_event(HELEMENT he, HELEMENT target, BEHAVIOR_EVENTS type, uintptr_t reason) override {
    journal().push_back("event " + std::to_string(type) + " at " + id_of(he) + " about " + id_of(target) + " " + std::to_string(reason));
    return false;
  }
  bool handle_timer(HELEMENT he, TIMER_PARAMS&) override {
    journal().push_back("timer " + id_of(he));
    return he->attribute("keep") != nullptr;
  }
  bool on_script_call(HELEMENT he, XCALL_PARAMS& p) override {
    if (p.method_name != "sum") return false;
    int64_t total = 0;
    for (const auto& v : p.argv) total += v.i;
    p.retval = value::make_int64(total);
    journal().push_back("call " + id_of(he));
    return true;
  }
  void attached(HELEMENT he) override { journal().push_back("attached " + id_of(he)); }
  void detached(HELEMENT he) override { journal().push_back("detached " + id_of(he)); }
};
recorder the_recorder;

class window_log : public event_handler {
 public:
  window_log() : event_handler(HANDLE_BEHAVIOR_EVENT) {}
  bool on_event(HELEMENT, HELEMENT target, BEHAVIOR_EVENTS type, uintptr_t) override {
    journal().push_back("window " + std::to_string(type) + " " + id_of(target));
    return false;
  }
};

const char kPage[] = R"(<style>.r { behavior: test-recorder } #btn { behavior: test-recorder button } div { width: 100px; height: 50px }</style>
<div id=outer class=r><div id=inner class=r><button id=btn class=r>OK</button></div></div>
<input type=checkbox id=chk><input id=txt><a id=lnk href=x>link</a>)";

struct Events : ::testing::Test {
  void SetUp() override { journal().clear(); }
};

TEST_F(Events, BehaviorsAttachOncePerElementAndDetachWhenTheStyleDrops) {
  test::test_page page(kPage);
  EXPECT_EQ(journal(), (std::vector<std::string>{"attached outer", "attached inner", "attached btn"}));
  journal().clear();
  page.by_id(L"inner").set_style_attribute("behavior", L"none");
  page.doc.update();
  EXPECT_EQ(journal(), (std::vector<std::string>{"detached inner"}));
}

TEST_F(Events, MouseSinksFromTheRootThenBubbles) {
  test::test_page page(kPage);
  journal().clear();
  rect b = page.by_id(L"btn").get_location();
  page.doc.mouse(MOUSE_DOWN, {b.left + 2, b.top + 2}, MAIN_MOUSE_BUTTON, 0);
  EXPECT_EQ(journal(), (std::vector<std::string>{"sink outer", "sink inner", "sink btn", "bubble btn", "bubble inner", "bubble outer"}));
}

TEST_F(Events, ButtonClickIsPostedAndBubblesToTheWindow) {
  test::test_page page(kPage);
  window_log win;
  page.doc.attach_window_handler(&win, HANDLE_ALL);
  journal().clear();
  rect b = page.by_id(L"btn").get_location();
  page.doc.mouse(MOUSE_DOWN, {b.left + 2, b.top + 2}, MAIN_MOUSE_BUTTON, 0);
  page.doc.mouse(MOUSE_UP, {b.left + 2, b.top + 2}, MAIN_MOUSE_BUTTON, 0);
  std::vector<std::string> events;
  for (auto& j : journal())
    if (j.rfind("sink", 0) && j.rfind("bubble", 0)) events.push_back(j);
  EXPECT_EQ(events, (std::vector<std::string>{
                        "window 32768 btn", "event 32768 at outer about btn 0", "event 32768 at inner about btn 0",
                        "event 32768 at btn about btn 0", "event 0 at btn about btn 0", "event 0 at inner about btn 0",
                        "event 0 at outer about btn 0", "window 0 btn"}));
  page.doc.detach_window_handler(&win);
}

TEST_F(Events, ReleaseOutsideThePressedButtonDoesNotClick) {
  test::test_page page(kPage);
  window_log win;
  page.doc.attach_window_handler(&win, HANDLE_ALL);
  rect b = page.by_id(L"btn").get_location();
  page.doc.mouse(MOUSE_DOWN, {b.left + 2, b.top + 2}, MAIN_MOUSE_BUTTON, 0);
  journal().clear();
  page.doc.mouse(MOUSE_UP, {390, 290}, MAIN_MOUSE_BUTTON, 0);
  EXPECT_TRUE(journal().empty());
}

TEST_F(Events, CheckBoxHyperlinkAndEdit) {
  test::test_page page(kPage);
  window_log win;
  page.doc.attach_window_handler(&win, HANDLE_ALL);
  journal().clear();
  dom::element chk = page.by_id(L"chk"), txt = page.by_id(L"txt"), lnk = page.by_id(L"lnk");
  auto click = [&](const dom::element& e) {
    rect r = e.get_location();
    page.doc.mouse(MOUSE_DOWN, {r.left + 1, r.top + 1}, MAIN_MOUSE_BUTTON, 0);
    page.doc.mouse(MOUSE_UP, {r.left + 1, r.top + 1}, MAIN_MOUSE_BUTTON, 0);
  };
  EXPECT_EQ(chk.get_value(), value::make_bool(false));
  click(chk);
  EXPECT_EQ(chk.get_value(), value::make_bool(true));
  click(lnk);
  EXPECT_EQ(journal(), (std::vector<std::string>{"window 32770 chk", "window 2 chk", "window 32768 chk", "window 0 chk",
                                                 "window 32896 lnk", "window 128 lnk"}));
  chk.set_value(value::make_bool(false));
  EXPECT_FALSE(chk.get_state(STATE_CHECKED));
  click(txt);
  EXPECT_EQ(page.doc.focus(), HELEMENT(txt));
  page.doc.key(KEY_CHAR, L'a', 0);
  page.doc.key(KEY_CHAR, 0x4E2D, 0);
  page.doc.key(KEY_CHAR, L'b', 0);
  page.doc.key(KEY_DOWN, KEYCODE_BACK, 0);
  EXPECT_EQ(txt.text(), L"a\x4E2D");
  EXPECT_EQ(txt.get_value(), value::make_string(L"a\x4E2D"));
}

// Tab walks the shown, enabled boxes and buttons in document order and wraps;
// Shift+Tab walks back; Space on the button Tab reached presses it.
TEST_F(Events, TabMovesThroughBoxesAndButtonsInOrder) {
  test::test_page page(R"(<style>button { behavior: button } #hidden { display: none }</style>
<input id=name><a id=lnk href=x>link</a><input type=password id=pass>
<div id=hidden><input id=gone></div><button id=off disabled>off</button><button id=go>go</button>)");
  page.by_id(L"off").set_state(STATE_DISABLED);
  window_log win;
  page.doc.attach_window_handler(&win, HANDLE_ALL);
  std::vector<std::string> order;
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(page.doc.key(KEY_DOWN, KEYCODE_TAB, 0));
    order.push_back(id_of(page.doc.focus()));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"name", "pass", "go", "name"}));
  EXPECT_TRUE(page.doc.focus_from_keyboard());
  page.doc.key(KEY_DOWN, KEYCODE_TAB, SHIFT_KEY_PRESSED);
  EXPECT_EQ(id_of(page.doc.focus()), "go");
  journal().clear();
  page.doc.key(KEY_DOWN, KEYCODE_SPACE, 0);
  EXPECT_NE(std::find(journal().begin(), journal().end(), "window 0 go"), journal().end()) << "Space presses the button";
  page.doc.key(KEY_DOWN, KEYCODE_TAB, SHIFT_KEY_PRESSED);
  EXPECT_EQ(id_of(page.doc.focus()), "pass");

  test::test_page bare("<p>no controls</p>");
  EXPECT_FALSE(bare.doc.key(KEY_DOWN, KEYCODE_TAB, 0));
}

TEST_F(Events, PostedEventsWaitForProcessing) {
  test::test_page page(kPage);
  journal().clear();
  dom::element inner = page.by_id(L"inner"), btn = page.by_id(L"btn");
  inner.post_event(TABLE_ROW_CLICK, 3, btn);
  EXPECT_TRUE(journal().empty());
  EXPECT_EQ(page.host.posts, 1);
  page.doc.process_posted();
  EXPECT_EQ(journal(), (std::vector<std::string>{"event 32898 at outer about btn 3", "event 32898 at inner about btn 3",
                                                 "event 130 at inner about btn 3", "event 130 at outer about btn 3"}));
}

TEST_F(Events, TimersFireUntilTheHandlerLetsGo) {
  test::test_page page(kPage);
  dom::element outer = page.by_id(L"outer"), inner = page.by_id(L"inner");
  outer.set_attribute("keep", L"");
  page.doc.set_clock(1000);
  outer.set_timer(100);
  inner.set_timer(250);
  EXPECT_EQ(page.doc.next_timer_due(), 1100);
  journal().clear();
  page.doc.fire_timers(1100);
  page.doc.fire_timers(1250);
  page.doc.fire_timers(1500);
  EXPECT_EQ(journal(), (std::vector<std::string>{"timer outer", "timer outer", "timer inner", "timer outer"}));
  EXPECT_EQ(page.doc.next_timer_due(), 1600);
  outer.set_timer(0);
  EXPECT_EQ(page.doc.next_timer_due(), -1);
}

TEST_F(Events, MethodCallsByNameWithValues) {
  test::test_page page(kPage);
  value result;
  EXPECT_TRUE(page.by_id(L"btn").call_method("sum", {value::make_int64(int64_t(1) << 40), value::make_int64(2)}, &result));
  EXPECT_EQ(result, value::make_int64((int64_t(1) << 40) + 2));
  EXPECT_FALSE(page.by_id(L"btn").call_method("Sum", {}));
  EXPECT_FALSE(page.by_id(L"chk").call_method("sum", {}));
}

TEST_F(Events, VisibilityChangesReachTheBehavior) {
  test::test_page page(kPage);
  journal().clear();
  page.by_id(L"outer").set_style_attribute("display", L"none");
  page.doc.update();
  page.by_id(L"outer").set_style_attribute("display", L"");
  page.doc.update();
  std::vector<std::string> want{"event 17 at outer about outer 0", "event 17 at inner about inner 0", "event 17 at btn about btn 0",
                                "event 17 at outer about outer 1", "event 17 at inner about inner 1", "event 17 at btn about btn 1"};
  std::vector<std::string> got;
  for (auto& j : journal())
    if (j.find("event 17 at") == 0) got.push_back(j);
  EXPECT_EQ(got, want);
}

TEST(BehaviorRegistry, FindsByExactName) {
  test::test_page page("<div id=d></div>");
  EXPECT_EQ(behavior::find("test-recorder", page.by_id(L"d")), &the_recorder);
  EXPECT_EQ(behavior::find("Test-Recorder", page.by_id(L"d")), nullptr);
  EXPECT_EQ(behavior::find("", page.by_id(L"d")), nullptr);
}

}  // namespace
}  // namespace htmlayout
