#include "ui/host/element_bindings.h"

#include <gtest/gtest.h>

#include "tests/htmlayout/test_page.h"

namespace kestro {
namespace {

constexpr char kPage[] =
    "<html><body><div id=\"b\">second</div><div id=\"a\">first<span id=\"b\">inner</span></div></body></html>";

TEST(ElementBindings, BindsTheFirstElementOfEachIdInTheListedOrder) {
  htmlayout::test::test_page page(kPage);
  ElementBindings bound;
  constexpr std::wstring_view ids[] = {L"a", L"missing", L"b"};
  bound.bind(page.root(), ids);
  ASSERT_EQ(bound.size(), 3u);
  EXPECT_EQ(bound[0].text(), L"firstinner");
  EXPECT_FALSE(bound[1].is_valid());
  EXPECT_EQ(bound[2].text(), L"second");
  EXPECT_EQ(bound.indexOf(bound[2]), 2u);
  EXPECT_EQ(bound.indexOf(page.root()), 3u);
  EXPECT_EQ(bound.indexOf(nullptr), 3u);
}

TEST(ElementBindings, KeepsOneReferenceEachAndReleasesThemAll) {
  htmlayout::test::test_page page(kPage);
  const htmlayout::HELEMENT a = page.by_id(L"a");
  const int before = a->refs;
  {
    ElementBindings bound;
    constexpr std::wstring_view ids[] = {L"a", L"a"};
    bound.bind(page.root(), ids);
    EXPECT_EQ(a->refs, before + 2);
    bound.bind(page.root(), ids);  // binding again lets the old ones go first
    EXPECT_EQ(a->refs, before + 2);
  }
  EXPECT_EQ(a->refs, before);
}

TEST(ElementBindings, KeptElementsOutliveTheirRemovalFromThePage) {
  htmlayout::test::test_page page(kPage);
  ElementBindings bound;
  constexpr std::wstring_view ids[] = {L"a"};
  bound.bind(page.root(), ids);
  htmlayout::dom::element(bound[0]).destroy();
  EXPECT_EQ(bound[0].text(), L"firstinner");
}

}  // namespace
}  // namespace kestro
