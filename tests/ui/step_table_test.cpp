#include "ui/main/step_table.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

using htmlayout::dom::element;

std::wstring picture(const element& row) { return row.child(2).child(0).get_attribute("src"); }

TEST(StepTable, StepsTakeTheirVerdictsInTheLastRow) {
  element table = steptable::create(L"acctable");
  EXPECT_EQ(table.get_attribute("id"), L"acctable");
  ASSERT_EQ(table.children_count(), 1u) << "the header row";
  EXPECT_FALSE(steptable::lastStatus(table).is_valid()) << "the header has no picture";
  steptable::markLast(table, L"OK.PNG");  // nothing to mark yet
  EXPECT_EQ(table.child(0).child(0).children_count(), 0u);

  steptable::appendStep(table, L"正在检查系统网络参数状态");
  EXPECT_EQ(steptable::lastStatus(table).get_attribute("src"), L"LOADING.GIF");
  steptable::markLast(table, L"WARN.PNG", L"warn", L"需要重新启动计算机");
  steptable::appendStep(table, L"正在与节点建立加速专用通道");
  steptable::markLast(table, L"OK.PNG");

  ASSERT_EQ(table.children_count(), 3u);
  const element warned = table.child(1);
  EXPECT_EQ(picture(warned), L"WARN.PNG");
  EXPECT_EQ(warned.child(0).child(0).get_attribute("src"), L"ARROW.PNG");
  const element detail = steptable::detailOf(warned);
  ASSERT_TRUE(detail.is_valid());
  EXPECT_EQ(detail.get_attribute("class"), L"warn");
  EXPECT_EQ(detail.text(), L"需要重新启动计算机");
  EXPECT_EQ(picture(table.child(2)), L"OK.PNG");
  EXPECT_FALSE(steptable::detailOf(table.child(2)).is_valid());
}

TEST(StepTable, AButtonRowEndsTheTableWithoutAStatus) {
  element table = steptable::create(L"diagtable");
  steptable::appendStep(table, L"检查");
  steptable::appendButtonRow(table, L"btnbackdiag", L"BTNBACK.PNG");
  EXPECT_FALSE(steptable::lastStatus(table).is_valid());
  const element button = table.child(2).child(1).child(0);
  EXPECT_EQ(button.get_attribute("id"), L"btnbackdiag");
  EXPECT_EQ(button.get_style_attribute("background"), L"url(BTNBACK.PNG)");
  EXPECT_EQ(button.get_style_attribute("behavior"), L"button");
  // A verdict that comes after the button changes nothing.
  steptable::markLast(table, L"NO.PNG", L"error", L"x");
  EXPECT_EQ(table.child(2).child(1).children_count(), 1u);
  EXPECT_EQ(picture(table.child(1)), L"LOADING.GIF");
}

}  // namespace
}  // namespace kestro
