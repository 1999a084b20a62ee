#include "htmlayout/selector.h"

#include <gtest/gtest.h>

#include "base/text_convert.h"
#include "test_page.h"

namespace htmlayout {
namespace {

const char kPage[] = R"(
<div id=view>
  <div class="strip" id=strip>
    <span id=t1 panel="panel-id2" selected>a</span>
    <span id=t2 panel=panel-id3>b</span>
  </div>
  <div id=p1 name="panel-id2"><p id=deep class="x y">z</p></div>
  <div id=p2 name="panel-id3"></div>
</div>
<table id=grid><tr id=r0><th id=h0>a</th></tr><tr id=r1><td id=c1>1</td></tr></table>
)";

std::string ids(const dom::element& scope, const wchar_t* sel) {
  std::string out;
  for (auto& e : scope.find_all(sel)) out += (out.empty() ? "" : " ") + kestro::toUtf8(e.get_attribute("id"));
  return out;
}

TEST(Selectors, MatchTheFormsThePagesUse) {
  test::test_page page(kPage);
  dom::element view = page.by_id(L"view");
  dom::element grid = page.by_id(L"grid");
  page.by_id(L"p1").set_state(STATE_EXPANDED);
  page.by_id(L"t1").set_state(STATE_CURRENT);
  page.by_id(L"r1").set_state(STATE_CURRENT);
  page.by_id(L"h0").set_state(STATE_CHECKED);
  struct selector_case { const dom::element* scope; const wchar_t* selector; const char* ids; };
  const selector_case cases[] = {
      {&view, L":root>.strip>[panel=panel-id3]", "t2"},
      {&view, L":root>.strip>[panel=\"panel-id2\"]", "t1"},
      {&view, L":root>[name=\"panel-id3\"]", "p2"},
      {&view, L":root>[name]:expanded", "p1"},
      {&view, L":root>.strip>[panel]:current", "t1"},
      {&view, L":root>.strip>[panel][selected]", "t1"},
      {&view, L":root>[name]", "p1 p2"},
      {&view, L":root p", "deep"},
      {&view, L"p.x.y", "deep"},
      {&view, L"p.x.z", ""},
      {&view, L"#deep", "deep"},
      {&view, L"div > p", "deep"},
      {&view, L":root > p", ""},
      {&view, L"span, p", "t1 t2 deep"},
      {&grid, L"tr:current", "r1"},
      {&grid, L"th:checked", "h0"},
      {&grid, L"td:checked", ""},
      {&grid, L"*:first-child", "r0 h0 c1"},
      {&grid, L"tr:nth-child(odd)", "r0"},
      {&grid, L"tr:nth-child(even)", "r1"},
      {&grid, L"tr:nth-child(2)", "r1"},
      {&view, L":root > div:nth-child(3)", "p2"},
  };
  for (const auto& c : cases) EXPECT_EQ(ids(*c.scope, c.selector), c.ids) << kestro::toUtf8(c.selector);
}

TEST(Selectors, RejectsMalformedText) {
  for (const wchar_t* bad : {L"", L"a >", L"[x", L"p:unknown", L".", L"#", L"a,,b", L"p::before", L"[x=\"open]", L"tr:nth-child(0)", L"tr:nth-child(2n+1)", L"tr:nth-child(odd"})
    EXPECT_FALSE(parse_selectors(bad).has_value()) << kestro::toUtf8(bad);
}

TEST(Selectors, Specificity) {
  auto spec = [](const wchar_t* s) { return (*parse_selectors(s))[0].specificity; };
  EXPECT_LT(spec(L"p"), spec(L".a"));
  EXPECT_LT(spec(L".a"), spec(L"p.a"));
  EXPECT_LT(spec(L"p.a.b"), spec(L"#x"));
  EXPECT_EQ(spec(L"[a]"), spec(L":hover"));
}

}  // namespace
}  // namespace htmlayout
