#include <gtest/gtest.h>

#include "base/text_convert.h"
#include "test_page.h"

namespace htmlayout {
namespace {

std::string child_ids(const dom::element& e) {
  std::string out;
  for (unsigned i = 0; i < e.children_count(); ++i) out += (out.empty() ? "" : " ") + kestro::toUtf8(e.child(i).get_attribute("id"));
  return out;
}

TEST(ElementOps, AttributesAndTexts) {
  test::test_page page("<div id=a title='t'>x<b>y</b></div>");
  dom::element a = page.by_id(L"a");
  EXPECT_EQ(a.get_attribute("title"), L"t");
  EXPECT_EQ(a.get_attribute("TITLE"), L"t");
  EXPECT_FALSE(a.has_attribute("value"));
  a.set_attribute("value", L"5");
  EXPECT_EQ(a.get_attribute("value"), L"5");
  a.remove_attribute("value");
  EXPECT_FALSE(a.has_attribute("value"));
  EXPECT_EQ(a.text(), L"xy");
  a.set_text(L"\x8282\x70B9");
  EXPECT_EQ(a.text(), L"\x8282\x70B9");
  EXPECT_EQ(a.children_count(), 0u);
  a.set_text_utf8("\xE6\xB8\xB8\xE6\x88\x8F");
  EXPECT_EQ(a.text(), L"\x6E38\x620F");
}

TEST(ElementOps, CreateInsertDeleteAndNthChild) {
  test::test_page page("<table id=t><tr id=r0></tr></table>");
  dom::element t = page.by_id(L"t");
  dom::element r1 = dom::element::create("tr");
  r1.set_attribute("id", L"r1");
  t.insert(r1, 2147483647);
  dom::element r2 = dom::element::create("tr", L"text");
  r2.set_attribute("id", L"r2");
  t.insert(r2, 0);
  EXPECT_EQ(child_ids(t), "r2 r0 r1");
  EXPECT_EQ(t.child(1).get_attribute("id"), L"r0");
  EXPECT_FALSE(t.child(3).is_valid());
  EXPECT_EQ(r1.index(), 2);
  EXPECT_EQ(r1.parent(), t);
  t.insert(r2, 2147483647);  // moving an element already there
  EXPECT_EQ(child_ids(t), "r0 r1 r2");
  r1.destroy();
  EXPECT_EQ(child_ids(t), "r0 r2");
  // The kept handle still works and changes nothing on the page.
  EXPECT_EQ(r1.get_attribute("id"), L"r1");
  r1.set_text(L"gone");
  EXPECT_FALSE(r1.parent().is_valid());
  EXPECT_EQ(r1.get_location(), rect{});
  t.clear();
  EXPECT_EQ(t.children_count(), 0u);
  EXPECT_EQ(r2.text(), L"text");
}

TEST(ElementOps, HandlesSurviveRelayoutAndReload) {
  auto page = std::make_unique<test::test_page>("<div id=a style='width:50px;height:10px'></div>");
  dom::element a = page->by_id(L"a");
  rect before = a.get_location();
  page->doc.set_view_size(800, 600);
  page->doc.update();
  EXPECT_EQ(a.get_location(), before);
  EXPECT_EQ(page->by_id(L"a"), a);
  page->doc.load_html("<p>new</p>");
  EXPECT_EQ(a.get_attribute("id"), L"a");
  EXPECT_FALSE(a.parent().is_valid());
  page.reset();
  a.set_state(STATE_CHECKED);  // the page is gone; the element is not
  EXPECT_TRUE(a.get_state(STATE_CHECKED));
}

TEST(ElementOps, SelectVisitAndSort) {
  test::test_page page(R"(<table id=t fixedrows=1>
    <tr id=h><th>n</th></tr>
    <tr id=a><td value=30>x</td></tr><tr id=b><td value=4>y</td></tr><tr id=c><td value=100>z</td></tr></table>)");
  dom::element t = page.by_id(L"t");
  EXPECT_EQ(page.root().find_first(L"tr:current"), dom::element());
  page.by_id(L"b").set_state(STATE_CURRENT);
  EXPECT_EQ(page.root().find_first(L"tr:current"), page.by_id(L"b"));
  EXPECT_FALSE(page.root().find_by_id(L"nope").is_valid());
  dom::find_first_callback first;
  page.root().visit_elements(first, "td", "value", L"4");
  EXPECT_EQ(dom::element(first.hfound).parent(), page.by_id(L"b"));
  t.sort(1, 0x7FFFFFFF, [](HELEMENT x, HELEMENT y) {
    auto key = [](HELEMENT r) { return std::stoi(dom::element(r).child(0).get_attribute("value")); };
    return key(x) - key(y);
  });
  EXPECT_EQ(child_ids(t), "h b a c");
  EXPECT_LT(page.by_id(L"b").get_location().top, page.by_id(L"a").get_location().top);
}

TEST(ElementOps, ControlValues) {
  test::test_page page("<progress id=p value=3 maxvalue=10></progress><input id=e><input type=password id=pw>");
  dom::element p = page.by_id(L"p"), e = page.by_id(L"e"), pw = page.by_id(L"pw");
  EXPECT_EQ(p.get_value(), value::make_int(3));
  p.set_attribute("value", L"7");
  EXPECT_EQ(p.get_value(), value::make_int(7));
  e.set_text(L"user");
  EXPECT_EQ(e.get_value(), value::make_string(L"user"));
  pw.set_value(value::make_string(L"secret"));
  EXPECT_EQ(pw.text(), L"secret");
}

TEST(ElementOps, ScrollIntoView) {
  std::string rows;
  for (int i = 0; i < 20; ++i) rows += "<div id=r" + std::to_string(i) + " style='height:20px'>row</div>";
  test::test_page page("<div id=list style='height:100px;overflow:auto'>" + rows + "</div>");
  dom::element list = page.by_id(L"list"), last = page.by_id(L"r19");
  EXPECT_TRUE(list->box.scrollbar);
  last.scroll_to_view();
  EXPECT_EQ(list->box.scroll_top, 300);
  EXPECT_EQ(last.get_location().bottom, list.get_location().bottom);
  page.by_id(L"r0").scroll_to_view();
  EXPECT_EQ(list->box.scroll_top, 0);
  // The wheel scrolls too, and hit testing follows.
  page.doc.mouse(MOUSE_WHEEL, {10, 10}, 0, 0, -240);
  EXPECT_EQ(list->box.scroll_top, 80);
  EXPECT_EQ(page.doc.hit_test({10, 5}), HELEMENT(page.by_id(L"r4")));
  // The scroll bar: a click below the thumb pages down, the thumb drags.
  page.doc.mouse(MOUSE_DOWN, {392, 95}, MAIN_MOUSE_BUTTON, 0);
  page.doc.mouse(MOUSE_UP, {392, 95}, MAIN_MOUSE_BUTTON, 0);
  EXPECT_EQ(list->box.scroll_top, 180);
  page.doc.mouse(MOUSE_DOWN, {392, 1}, MAIN_MOUSE_BUTTON, 0);
  page.doc.mouse(MOUSE_UP, {392, 1}, MAIN_MOUSE_BUTTON, 0);
  EXPECT_EQ(list->box.scroll_top, 80);
  int thumb_y = 80 * (100 - 25) / 300 + 5;  // client 100, content 400: thumb 25 px
  page.doc.mouse(MOUSE_DOWN, {392, thumb_y}, MAIN_MOUSE_BUTTON, 0);
  page.doc.mouse(MOUSE_MOVE, {392, thumb_y + 15}, MAIN_MOUSE_BUTTON, 0);
  page.doc.mouse(MOUSE_UP, {392, thumb_y + 15}, MAIN_MOUSE_BUTTON, 0);
  EXPECT_EQ(list->box.scroll_top, 80 + 15 * 300 / 75);
  // Keys nobody consumed scroll the box around the focus.
  list.set_attribute("tabindex", L"0");
  list.set_state(STATE_FOCUS);
  page.doc.key(KEY_DOWN, KEYCODE_HOME, 0);
  EXPECT_EQ(list->box.scroll_top, 0);
  page.doc.key(KEY_DOWN, KEYCODE_NEXT, 0);
  EXPECT_EQ(list->box.scroll_top, 100);
  page.doc.key(KEY_DOWN, KEYCODE_END, 0);
  EXPECT_EQ(list->box.scroll_top, 300);
  EXPECT_FALSE(page.doc.key(KEY_DOWN, 'A', 0));
}

}  // namespace
}  // namespace htmlayout
