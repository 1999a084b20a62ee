#include <gtest/gtest.h>

#include "behavior_page.h"
#include "ui/behaviors/sortable_grid.h"

namespace htmlayout::test {
namespace {

// The node table's shape: a header and rows keyed by "value" (latency), a
// style "-value" from the sheet (score), the element attribute "-value"
// (load) and plain text (name).
const char kNodes[] = R"(<style>
table { behavior: sortable-grid; width: 400px } td, th { height: 20px; padding: 0 }
.s5 { -value: 5 } .s40 { -value: 40 } .s7 { -value: 7 }
</style>
<table id=t fixedrows=1>
<tr id=h><th id=hname>名称</th><th id=hlat>本地延时</th><th id=hscore>适合度</th><th id=hload>节点负载</th></tr>
<tr id=a><td>beta</td><td value=120>120毫秒</td><td class=s40>x</td><td -value=1>忙</td></tr>
<tr id=b><td>Alpha</td><td value=999>无法连接节点</td><td class=s5>x</td><td -value=9>闲</td></tr>
<tr id=c><td>alpha</td><td value=35>35毫秒</td><td class=s7>x</td><td -value=5>中</td></tr>
<tr id=d><td>gamma</td><td value=998>测试延时失败</td><td>x</td><td -value=3>满</td></tr>
</table>)";

class SortableGrid : public ::testing::Test {
 protected:
  behavior_page page{kNodes};
  std::string order() const { return page.ids(L"#t>tr"); }
  std::vector<std::string> events() {
    page.page.doc.process_posted();
    return page.log.take();
  }
};

TEST_F(SortableGrid, HeaderClickSortsAscendingByTheColumnsKeys) {
  struct column { const wchar_t* header; const char* order; };
  const column columns[] = {
      {L"hlat", "h c a d b"},     // "value" as numbers
      {L"hscore", "h d b c a"},   // style "-value"; d has none and sorts as -1314
      {L"hname", "h b c a d"},    // no keys: texts by UTF-16 code units, capitals first
      {L"hload", "h a d c b"},    // the "-value" attribute as a number: 1 3 5 9
  };
  for (const auto& c : columns) {
    page.click(c.header);
    EXPECT_EQ(order(), c.order) << kestro::toUtf8(c.header);
    EXPECT_EQ(page.ids(L"th:checked"), kestro::toUtf8(c.header));
  }
}

TEST_F(SortableGrid, ClickingTheSortedHeaderAgainPostsTheClickButDoesNotSortAgain) {
  page.click(L"hlat");
  EXPECT_EQ(events(), (std::vector<std::string>{"0x81 hlat 1"}));
  page.by_id(L"t").insert(page.by_id(L"b"), 1);  // disorder the rows by hand
  page.click(L"hlat");
  EXPECT_EQ(events(), (std::vector<std::string>{"0x81 hlat 1"}));
  EXPECT_EQ(order(), "h b c a d");
  page.click(L"hname");
  page.click(L"hlat");  // another column first, then this one: sorted again
  EXPECT_EQ(order(), "h c a d b");
}

TEST_F(SortableGrid, TheCurrentRowStaysCurrentAfterTheSort) {
  page.click(L"a");
  page.click(L"hlat");
  EXPECT_EQ(page.ids(L"tr:current"), "a");
  EXPECT_EQ(order(), "h c a d b");
}

TEST(SortableGridWithResizer, APressOnAColumnEdgeResizesInsteadOfSorting) {
  std::string html = kNodes;
  html.replace(html.find("behavior: sortable-grid"), 23, "behavior: sortable-grid column-resizer");
  behavior_page page(html);
  rect header = page.by_id(L"hlat").get_location();
  point edge{header.right - 2, (header.top + header.bottom) / 2};
  page.page.doc.mouse(MOUSE_DOWN, edge, MAIN_MOUSE_BUTTON, 0);
  page.page.doc.mouse(MOUSE_MOVE, {edge.x + 20, edge.y}, MAIN_MOUSE_BUTTON, 0);
  page.page.doc.mouse(MOUSE_UP, {edge.x + 20, edge.y}, 0, 0);
  EXPECT_EQ(page.by_id(L"hlat").get_location().width(), header.width() + 20);
  EXPECT_EQ(page.ids(L"#t>tr"), "h a b c d");
  EXPECT_TRUE(page.log.take().empty());
  page.click(L"hlat");
  EXPECT_EQ(page.ids(L"#t>tr"), "h c a d b");
}

TEST(RowSorter, KeysAndComparison) {
  behavior_page page(R"(<style>.k { -value: 12 }</style><table id=t>
<tr id=r1><td value="7">x</td></tr>
<tr id=r2><td class=k>x</td></tr>
<tr id=r3><td>b</td></tr>
<tr id=r4><td>a</td></tr>
<tr id=r5><td value="-1314">a</td></tr>
<tr id=r6><td value="abc">zzz</td></tr>
<tr id=r7><td value="99999999999999999999">x</td></tr>
<tr id=r8></tr>
</table>)");
  using sorter = sortable_grid::row_sorter;
  EXPECT_EQ(sorter::key_of(page.by_id(L"r1").child(0)), L"7");
  EXPECT_EQ(sorter::key_of(page.by_id(L"r2").child(0)), L"12");
  EXPECT_EQ(sorter::key_of(page.by_id(L"r3").child(0)), L"-1314");

  struct pair { const wchar_t* a; const wchar_t* b; int result; };
  const pair pairs[] = {
      {L"r1", L"r2", -1},  // 7 < 12
      {L"r2", L"r1", 1},
      {L"r3", L"r4", 1},   // both without key: "b" after "a"
      {L"r4", L"r4", 0},
      {L"r3", L"r1", -1},  // no key is -1314 against a number
      {L"r5", L"r4", 0},   // an explicit "-1314" with the same text
      {L"r6", L"r1", -1},  // not a number: 0
      {L"r7", L"r1", 1},   // too large: the largest number, not a wrapped one
      {L"r8", L"r3", -1},  // no cell: no key and no text
  };
  for (const auto& p : pairs)
    EXPECT_EQ(sorter(0)(page.by_id(p.a), page.by_id(p.b)), p.result)
        << kestro::toUtf8(p.a) << " " << kestro::toUtf8(p.b);
}

// The node table's load column: texts that sort wrongly as text ("100.00%"
// before "45.00%" before "5.00%"), keyed by the load x 10000 in the element
// attribute "-value", as the node panel builds it.
TEST(SortableGridNodeLoad, SortsByTheLoadsNumberNotItsText) {
  behavior_page page(R"(<style>table { behavior: sortable-grid }</style>
<table id=t fixedrows=1>
<tr id=h><th id=hname>节点名称</th><th id=hload>节点负载</th></tr>
<tr id=full><td>甲</td><td -value=10000>100.00%</td></tr>
<tr id=mid><td>乙</td><td -value=4500>45.00%</td></tr>
<tr id=low><td>丙</td><td -value=500>5.00%</td></tr>
<tr id=idle><td>丁</td><td -value=0>0.00%</td></tr>
</table>)");
  page.click(L"hload");
  EXPECT_EQ(page.ids(L"#t>tr"), "h idle low mid full");
  using sorter = sortable_grid::row_sorter;
  EXPECT_EQ(sorter::key_of(page.by_id(L"mid").child(1)), L"4500");
  // "value" still comes first.
  page.by_id(L"full").child(1).set_attribute("value", L"1");
  EXPECT_EQ(sorter::key_of(page.by_id(L"full").child(1)), L"1");
}

}  // namespace
}  // namespace htmlayout::test
