#include <gtest/gtest.h>

#include "htmlayout/stock_behaviors.h"
#include "test_page.h"

namespace htmlayout {
namespace {

const char kTable[] = R"(<style>
body { margin: 0; padding: 0 }
table { behavior: column-resizer; width: 400px }
th { width: 100px; height: 20px; padding: 0 2px }
td { height: 20px; padding: 0 }
</style>
<table id=t><tr><th id=h0>A</th><th id=h1>B</th><th id=h2>C</th></tr><tr><td id=c0>1</td><td id=c1>2</td><td id=c2>3</td></tr></table>
<div id=below style="height: 50px">below</div>)";

class ColumnResizer : public ::testing::Test {
 protected:
  test::test_page page{kTable};
  int width(const wchar_t* id) { return page.by_id(id).get_location().width(); }
  int right(const wchar_t* id) { return page.by_id(id).get_location().right; }
  bool mouse(unsigned cmd, int x, int y, unsigned buttons) { return page.doc.mouse(cmd, {x, y}, buttons, 0); }
};

TEST_F(ColumnResizer, DraggingTheRightEdgeOfAHeaderCellResizesItsColumn) {
  ASSERT_EQ(width(L"h0"), 104);
  int edge = right(L"h0") - 2;
  EXPECT_TRUE(column_resize_grip(page.by_id(L"t"), page.by_id(L"h0"), {edge, 10}));
  EXPECT_TRUE(mouse(MOUSE_DOWN, edge, 10, MAIN_MOUSE_BUTTON));
  EXPECT_TRUE(mouse(MOUSE_MOVE, edge + 30, 30, MAIN_MOUSE_BUTTON));
  EXPECT_EQ(width(L"h0"), 134);
  EXPECT_EQ(width(L"c0"), 134);
  EXPECT_EQ(page.by_id(L"h1").get_location().left, 134);
  EXPECT_TRUE(mouse(MOUSE_MOVE, 5, 10, MAIN_MOUSE_BUTTON));
  EXPECT_EQ(width(L"h0"), 8);  // never narrower than 8 px
  EXPECT_TRUE(mouse(MOUSE_UP, 5, 10, 0));
  mouse(MOUSE_MOVE, 200, 10, MAIN_MOUSE_BUTTON);
  EXPECT_EQ(width(L"h0"), 8);
}

TEST_F(ColumnResizer, PressesAwayFromTheEdgeOrBelowTheFirstRowAreLeftAlone) {
  EXPECT_FALSE(column_resize_grip(page.by_id(L"t"), page.by_id(L"h0"), {50, 10}));
  EXPECT_FALSE(column_resize_grip(page.by_id(L"t"), page.by_id(L"c0"), {right(L"c0") - 2, 30}));
  EXPECT_FALSE(mouse(MOUSE_DOWN, 50, 10, MAIN_MOUSE_BUTTON));
  EXPECT_FALSE(mouse(MOUSE_DOWN, right(L"c0") - 2, 30, MAIN_MOUSE_BUTTON));
  mouse(MOUSE_MOVE, 300, 30, MAIN_MOUSE_BUTTON);
  EXPECT_EQ(width(L"h0"), 104);
}

TEST_F(ColumnResizer, AReleaseOutsideTheTableEndsTheDragAtTheNextMove) {
  int edge = right(L"h1") - 1;
  mouse(MOUSE_DOWN, edge, 10, MAIN_MOUSE_BUTTON);
  mouse(MOUSE_MOVE, edge + 10, 10, MAIN_MOUSE_BUTTON);
  EXPECT_EQ(width(L"h1"), 114);
  mouse(MOUSE_UP, 10, 60, 0);  // over the div below: the table does not hear it
  EXPECT_FALSE(mouse(MOUSE_MOVE, edge + 40, 10, 0));
  EXPECT_EQ(width(L"h1"), 114);
}

}  // namespace
}  // namespace htmlayout
