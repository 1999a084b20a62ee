#include <gtest/gtest.h>

#include "behavior_page.h"
#include "ui/behaviors/grid.h"

namespace htmlayout::test {
namespace {

// A header row and rows r1..r6 of 20 px; r4 is not displayed.
std::string grid_page(const char* table_attributes) {
  std::string rows;
  for (int i = 1; i <= 6; ++i) {
    std::string n = std::to_string(i);
    rows += "<tr id=r" + n + (i == 4 ? " style=\"display:none\" class=gone" : "") + "><td id=c" + n + ">row " + n +
            "</td><td>x</td></tr>";
  }
  return R"(<style>
table { behavior: grid; width: 300px }
td, th { height: 20px; padding: 0 }
.gone { display: none }
</style>
<table id=t fixedrows=1 )" +
         std::string(table_attributes) + R"(><tr id=h><th id=h0>A</th><th id=h1>B</th></tr>)" + rows + "</table>";
}

class Grid : public ::testing::Test {
 protected:
  std::vector<std::string> events() {
    page->page.doc.process_posted();
    return page->log.take();
  }
  void open(const char* attributes) {
    page = std::make_unique<behavior_page>(grid_page(attributes));
    page->page.doc.set_focus(page->by_id(L"t"));
  }
  std::string current() const { return page->ids(L"tr:current"); }
  std::string checked() const { return page->ids(L"tr:checked"); }
  std::string anchor() const { return page->ids(L"tr:anchor"); }

  std::unique_ptr<behavior_page> page;
};

TEST_F(Grid, ClickMakesTheRowCurrentAndCheckedAndPostsRowClick) {
  open("");
  page->click(L"c2");
  EXPECT_EQ(current(), "r2");
  EXPECT_EQ(checked(), "r2");
  EXPECT_EQ(events(), (std::vector<std::string>{"0x82 r2 2"}));
  page->click(L"c5", SHIFT_KEY_PRESSED);  // without "multiple" Shift is a plain click
  EXPECT_EQ(current(), "r5");
  EXPECT_EQ(checked(), "r5");
  EXPECT_EQ(events(), (std::vector<std::string>{"0x82 r5 5"}));
}

TEST_F(Grid, DoubleClickOnARowPostsRowDoubleClickOnTheHeaderAColumnClick) {
  open("");
  page->double_click(L"c3");
  EXPECT_EQ(current(), "r3");
  EXPECT_EQ(events(), (std::vector<std::string>{"0x83 r3 3"}));
  page->double_click(L"h1");
  EXPECT_EQ(current(), "r3");
  EXPECT_EQ(events(), (std::vector<std::string>{"0x81 h1 1"}));
}

TEST_F(Grid, HeaderPressPostsHeaderClickWithTheColumnIndexAndIsConsumed) {
  open("");
  point p = page->middle(L"h1");
  EXPECT_TRUE(page->page.doc.mouse(MOUSE_DOWN, p, MAIN_MOUSE_BUTTON, 0));
  EXPECT_EQ(events(), (std::vector<std::string>{"0x81 h1 1"}));
  EXPECT_FALSE(page->page.doc.mouse(MOUSE_DOWN, p, PROP_MOUSE_BUTTON, 0));
  EXPECT_EQ(events(), (std::vector<std::string>{"0x81 h1 1"}));
  EXPECT_EQ(current(), "");
}

TEST_F(Grid, MultipleTableWithShiftAndCtrl) {
  open("multiple");
  page->click(L"c2");
  EXPECT_EQ(anchor(), "r2");
  page->click(L"c6", SHIFT_KEY_PRESSED);  // range from the anchor; the hidden row stays unchecked
  EXPECT_EQ(current(), "r6");
  EXPECT_EQ(checked(), "r2 r3 r5 r6");
  page->click(L"c3", CONTROL_KEY_PRESSED);  // toggles one row
  EXPECT_EQ(current(), "r3");
  EXPECT_EQ(checked(), "r2 r5 r6");
  page->click(L"c1", CONTROL_KEY_PRESSED);
  EXPECT_EQ(checked(), "r1 r2 r5 r6");
  page->click(L"c1", SHIFT_KEY_PRESSED);  // upwards from the anchor
  EXPECT_EQ(checked(), "r1 r2");
  page->click(L"c5");  // a plain click starts again
  EXPECT_EQ(checked(), "r5");
  EXPECT_EQ(anchor(), "r5");
  EXPECT_EQ(current(), "r5");
}

TEST_F(Grid, ShiftWithoutAnchorStartsAtTheFirstRowBelowTheHeader) {
  open("multiple");
  page->click(L"c3", SHIFT_KEY_PRESSED);
  EXPECT_EQ(checked(), "r1 r2 r3");
  EXPECT_EQ(anchor(), "");
}

TEST_F(Grid, ArrowHomeAndEndSkipHiddenRowsAndStopAtTheHeader) {
  open("");
  struct step { unsigned key; const char* current; const char* event; };
  const step steps[] = {
      {KEYCODE_DOWN, "r1", "0x82 r1 1"}, {KEYCODE_UP, "r1", nullptr}, {KEYCODE_END, "r6", "0x82 r6 6"},
      {KEYCODE_UP, "r5", "0x82 r5 5"},   {KEYCODE_UP, "r3", "0x82 r3 3"}, {KEYCODE_DOWN, "r5", "0x82 r5 5"},
      {KEYCODE_HOME, "r1", "0x82 r1 1"},
  };
  for (const auto& s : steps) {
    page->key(s.key);
    EXPECT_EQ(current(), s.current) << s.key;
    EXPECT_EQ(events(), s.event ? std::vector<std::string>{s.event} : std::vector<std::string>{}) << s.key;
  }
}

TEST_F(Grid, UpWithoutCurrentRowStartsFromTheLastRowAndDownPastTheEndKeepsIt) {
  open("");
  page->key(KEYCODE_UP);
  EXPECT_EQ(current(), "r6");
  EXPECT_TRUE(page->page.doc.key(KEY_DOWN, KEYCODE_DOWN, 0));  // nothing below: consumed, no change
  EXPECT_EQ(current(), "r6");
  EXPECT_EQ(events(), (std::vector<std::string>{"0x82 r6 6"}));
}

TEST_F(Grid, CtrlAChecksEveryRowOnlyInAMultipleTable) {
  open("");
  page->click(L"c2");
  EXPECT_FALSE(page->page.doc.key(KEY_DOWN, 'A', CONTROL_KEY_PRESSED));
  EXPECT_EQ(checked(), "r2");
  open("multiple");
  page->click(L"c2");
  EXPECT_TRUE(page->page.doc.key(KEY_DOWN, 'A', CONTROL_KEY_PRESSED));
  EXPECT_EQ(checked(), "h r1 r2 r3 r4 r5 r6");
  EXPECT_EQ(current(), "r2");
}

TEST(GridPaging, PageDownAndPageUpMoveByTheScrollingBoxHeight) {
  // 100 px of scrolling box over rows of 20 px: a page reaches 200 px.
  std::string rows;
  for (int i = 1; i <= 20; ++i) rows += "<tr id=r" + std::to_string(i) + "><td>" + std::to_string(i) + "</td></tr>";
  behavior_page page(R"(<style>
body { margin: 0; padding: 0 }
#box { overflow: auto; height: 100px; width: 300px }
table { behavior: grid; width: 280px } td, th { height: 20px; padding: 0 }
</style><div id=box><table id=t fixedrows=1><tr id=h><th>A</th></tr>)" + rows + "</table></div>");
  page.page.doc.set_focus(page.by_id(L"t"));
  ASSERT_EQ(page.by_id(L"r1").get_location().top, 20);
  ASSERT_EQ(page.by_id(L"r1").get_location().height(), 20);
  rect box = page.by_id(L"box").get_location();
  ASSERT_EQ(box.top, 0);
  ASSERT_EQ(box.height(), 100);
  page.key(KEYCODE_NEXT);
  // r9 ends at 200; r10's bottom lies below it.
  EXPECT_EQ(page.ids(L"tr:current"), "r9");
  // Scrolled by 100 px to show r9, no row starts a page above the box: the topmost one.
  EXPECT_EQ(page.by_id(L"r1").get_location().top, -80);
  page.key(KEYCODE_PRIOR);
  EXPECT_EQ(page.ids(L"tr:current"), "r1");
}

}  // namespace
}  // namespace htmlayout::test
