#include <gtest/gtest.h>

#include "behavior_page.h"
#include "ui/behaviors/tabs.h"

namespace htmlayout::test {
namespace {

const char kTabView[] = R"(<style>
#tabview { behavior: tabs }
.strip > div { display: inline-block; width: 80px; height: 30px }
#tabview > [name] { display: none; height: 100px }
#tabview > [name][selected] { display: block }
</style>
<div id=other>outside</div>
<div id=tabview>
  <div class=strip id=strip>
    <div id=t1 panel=panel-id1 selected>加速面板</div><div id=t2 panel=panel-id2>加速节点</div><div id=t3 panel=panel-id3 disabled>游戏加速</div><div id=t4 panel=panel-id4><span id=t4label>语音加速</span></div><div id=t5 panel=panel-id9>无面板</div>
  </div>
  <div id=p1 name=panel-id1 selected>one</div>
  <div id=p2 name=panel-id2>two</div>
  <div id=p3 name=panel-id3>three</div>
  <div id=p4 name=panel-id4>four</div>
</div>)";

class Tabs : public ::testing::Test {
 protected:
  behavior_page tab_page{kTabView};
  dom::element view = tab_page.by_id(L"tabview");

  // Current tab, expanded panels, panels with "selected", tabs with "selected".
  std::string shown() const {
    return tab_page.ids(L"[panel]:current") + " | " + tab_page.ids(L"[name]:expanded") + " | " +
           tab_page.ids(L"[name][selected]") + " | " + tab_page.ids(L"[panel][selected]");
  }
  bool select(const wchar_t* panel) { return view.call_method("select", {value::make_string(panel)}); }
  std::vector<std::string> events() {
    tab_page.page.doc.process_posted();
    return tab_page.log.take();
  }
};

TEST_F(Tabs, AttachingMarksThePreselectedTabAndPanel) {
  EXPECT_TRUE(HELEMENT(view)->has_handler("tabs"));
  EXPECT_EQ(shown(), "t1 | p1 | p1 | t1");
  EXPECT_TRUE(tab_page.by_id(L"strip").get_state(STATE_CURRENT));
}

TEST_F(Tabs, ClickSelectsTabShowsItsPanelAndPostsCollapsedThenExpanded) {
  tab_page.click(L"t2");
  EXPECT_EQ(shown(), "t2 | p2 | p2 | t2");
  EXPECT_TRUE(tab_page.by_id(L"p1").get_state(STATE_COLLAPSED));
  EXPECT_EQ(tab_page.by_id(L"p1").get_style_attribute("display"), L"none");
  EXPECT_EQ(tab_page.by_id(L"p2").get_style_attribute("display"), L"block");
  EXPECT_EQ(events(), (std::vector<std::string>{"0x90 t1 0", "0x91 t2 0"}));

  tab_page.click(L"t4label");  // a click inside a tab selects that tab
  EXPECT_EQ(shown(), "t4 | p4 | p4 | t4");
  EXPECT_EQ(events(), (std::vector<std::string>{"0x90 t2 0", "0x91 t4 0"}));
}

TEST_F(Tabs, NothingChangesForCurrentTabTabWithoutPanelOrClickInAPanel) {
  tab_page.click(L"t1");
  tab_page.click(L"t5");
  tab_page.click(L"p1");
  EXPECT_EQ(shown(), "t1 | p1 | p1 | t1");
  EXPECT_TRUE(events().empty());
}

TEST_F(Tabs, SelectMethodTakesThePanelName) {
  EXPECT_TRUE(select(L"panel-id2"));
  EXPECT_EQ(shown(), "t2 | p2 | p2 | t2");
  EXPECT_EQ(events(), (std::vector<std::string>{"0x90 t1 0", "0x91 t2 0"}));

  EXPECT_TRUE(select(L"panel-id2"));  // already current: no event
  EXPECT_TRUE(select(L"panel-id7"));  // no such tab
  EXPECT_TRUE(view.call_method("select", {}));
  EXPECT_TRUE(view.call_method("select", {value::make_int(2)}));
  EXPECT_FALSE(view.call_method("Select", {value::make_string(L"panel-id1")}));
  EXPECT_EQ(shown(), "t2 | p2 | p2 | t2");
  EXPECT_TRUE(events().empty());
}

TEST_F(Tabs, ArrowHomeAndEndMoveWhileTheTabViewHasFocusSkippingDisabledTabs) {
  tab_page.page.doc.set_focus(view);
  struct step { unsigned key; const char* current; };
  const step steps[] = {
      {KEYCODE_RIGHT, "t2"}, {KEYCODE_RIGHT, "t4"}, {KEYCODE_RIGHT, "t4"},  // t5 names no panel
      {KEYCODE_LEFT, "t2"},  {KEYCODE_HOME, "t1"}, {KEYCODE_LEFT, "t1"},
  };
  for (const auto& s : steps) {
    tab_page.key(s.key);
    EXPECT_EQ(tab_page.ids(L"[panel]:current"), s.current) << s.key;
  }
}

TEST_F(Tabs, EndOnATabWithoutPanelLeavesTheSelection) {
  tab_page.page.doc.set_focus(view);
  tab_page.key(KEYCODE_END);  // t5 names no panel: nothing changes
  EXPECT_EQ(shown(), "t1 | p1 | p1 | t1");
}

TEST_F(Tabs, CtrlTabCyclesFromAnyFocusPlainArrowsOnlyWithFocusOnTheView) {
  tab_page.page.doc.set_focus(nullptr);
  tab_page.key(KEYCODE_RIGHT);
  EXPECT_EQ(tab_page.ids(L"[panel]:current"), "t1");

  tab_page.page.doc.set_focus(tab_page.by_id(L"p1"));
  EXPECT_TRUE(tab_page.page.doc.key(KEY_DOWN, KEYCODE_TAB, CONTROL_KEY_PRESSED));
  EXPECT_EQ(tab_page.ids(L"[panel]:current"), "t2");
  tab_page.key(KEYCODE_TAB, CONTROL_KEY_PRESSED | SHIFT_KEY_PRESSED);
  EXPECT_EQ(tab_page.ids(L"[panel]:current"), "t1");
  EXPECT_FALSE(tab_page.page.doc.key(KEY_DOWN, KEYCODE_TAB, 0));
  tab_page.key(KEYCODE_RIGHT);  // the focus is inside a panel
  EXPECT_EQ(tab_page.ids(L"[panel]:current"), "t1");
}

TEST_F(Tabs, ActivateChildSelectsTheTabOfItsTarget) {
  tab_page.by_id(L"t4label").send_event(ACTIVATE_CHILD);
  EXPECT_EQ(shown(), "t4 | p4 | p4 | t4");
}

TEST(TabsRegistration, APageNamingTabsGetsTheProgramsBehavior) {
  behavior_page page(R"(<style>#v { behavior: tabs } #c { behavior: ratechart } #g { behavior: sortable-grid column-resizer }</style>
<div id=v></div><div id=c></div><table id=g><tr><td>x</td></tr></table>)");
  EXPECT_TRUE(HELEMENT(page.by_id(L"v"))->has_handler("tabs"));
  EXPECT_TRUE(HELEMENT(page.by_id(L"c"))->has_handler("ratechart"));
  EXPECT_TRUE(HELEMENT(page.by_id(L"g"))->has_handler("sortable-grid"));
  EXPECT_TRUE(HELEMENT(page.by_id(L"g"))->has_handler("column-resizer"));
  kestro::registerPageBehaviors();  // later calls keep the same objects
  EXPECT_NE(dynamic_cast<tabs*>(behavior::find("tabs", page.by_id(L"v"))), nullptr);
}

}  // namespace
}  // namespace htmlayout::test
