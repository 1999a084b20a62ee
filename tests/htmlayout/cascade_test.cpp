#include <gtest/gtest.h>

#include "htmlayout/box_dump.h"
#include "htmlayout/css_parser.h"
#include "htmlayout/css_values.h"
#include "test_page.h"

namespace htmlayout {
namespace {

TEST(Cascade, SpecificityThenOrderThenImportance) {
  test::test_page page(R"(<style>
    p { color: red; }
    .a { color: #00ff00; }
    p { color: blue; }
    #x { font-size: 20px; }
    p.a { font-size: 30px !important; }
    div { color: #123; font-weight: bold; font-size: 10px; }
  </style>
  <div><p id=x class=a>t</p><p id=y>u</p><span id=z style="color: #abcdef">v</span></div>)");
  EXPECT_EQ(page.by_id(L"x")->style.text_color, rgb(0, 255, 0));
  EXPECT_EQ(page.by_id(L"x")->style.font_size, 30);
  EXPECT_EQ(page.by_id(L"y")->style.text_color, rgb(0, 0, 255));
  EXPECT_EQ(page.by_id(L"z")->style.text_color, rgb(0xab, 0xcd, 0xef));
  // Inherited from the div: weight and size; not inherited: display.
  EXPECT_EQ(page.by_id(L"y")->style.font_weight, 700);
  EXPECT_EQ(page.by_id(L"y")->style.font_size, 10);
  EXPECT_EQ(page.by_id(L"z")->style.display, display_t::INLINE);
}

TEST(Cascade, StatesRestyle) {
  test::test_page page("<style>li:current { color: red } li:disabled { display: none }</style><ul><li id=a>1</li></ul>");
  dom::element a = page.by_id(L"a");
  EXPECT_EQ(a->style.text_color, rgb(0, 0, 0));
  a.set_state(STATE_CURRENT);
  page.doc.update();
  EXPECT_EQ(a->style.text_color, rgb(255, 0, 0));
  a.set_state(STATE_DISABLED, STATE_CURRENT);
  page.doc.update();
  EXPECT_EQ(a->style.display, display_t::NONE);
  EXPECT_FALSE(a.is_visible());
}

TEST(Cascade, RuntimeStyleAttributesWin) {
  test::test_page page("<style>#a { display: none; -value: 7 } #a.b { display: inline }</style><div id=a class=b>x</div>");
  dom::element a = page.by_id(L"a");
  EXPECT_EQ(a.get_style_attribute("display"), L"inline");
  a.set_style_attribute("display", L"block");
  EXPECT_EQ(a.get_style_attribute("display"), L"block");
  page.doc.update();
  EXPECT_EQ(a->style.display, display_t::BLOCK);
  a.set_style_attribute("display", L"");
  page.doc.update();
  EXPECT_EQ(a->style.display, display_t::INLINE);
  EXPECT_EQ(a.get_style_attribute("-value"), L"7");
  a.set_style_attribute("-value", L"42");
  EXPECT_EQ(a.get_style_attribute("-value"), L"42");
  a.set_style_attribute("foreground-image", L"url(LOADING.GIF)");
  a.set_style_attribute("background-image", L"url('BG.PNG')");
  page.doc.update();
  EXPECT_EQ(a->style.foreground_image.url, L"LOADING.GIF");
  EXPECT_EQ(a->style.background_image.url, L"BG.PNG");
  EXPECT_EQ(page.host.requested, (std::vector<std::wstring>{L"BG.PNG", L"LOADING.GIF"}));
}

TEST(CssValues, ParsesColoursLengthsAndShorthands) {
  EXPECT_EQ(parse_color(L"#fff"), rgb(255, 255, 255));
  EXPECT_EQ(parse_color(L"#102030"), rgb(16, 32, 48));
  EXPECT_EQ(parse_color(L"rgb(1,2,3)"), rgb(1, 2, 3));
  EXPECT_EQ(parse_color(L"rgba(1,2,3,0)"), 0x00010203u);
  EXPECT_EQ(parse_color(L"Red"), rgb(255, 0, 0));
  EXPECT_FALSE(parse_color(L"#12").has_value());
  EXPECT_FALSE(parse_color(L"rgb(1)").has_value());
  EXPECT_EQ(parse_length(L"12px", 10), length::px(12));
  EXPECT_EQ(parse_length(L"2em", 10), length::px(20));
  EXPECT_EQ(parse_length(L"50%", 10)->kind, length::PERCENT);
  EXPECT_FALSE(parse_length(L"px", 10).has_value());
  computed_style s, parent;
  EXPECT_TRUE(apply_property(s, "margin", L"1px 2px", parent));
  EXPECT_EQ(s.margin[3], length::px(2));
  EXPECT_TRUE(apply_property(s, "border", L"2px solid #010203", parent));
  EXPECT_EQ(s.border[2], 2);
  EXPECT_EQ(s.border_color[1], rgb(1, 2, 3));
  EXPECT_TRUE(apply_property(s, "background", L"#fff url(A.PNG) no-repeat", parent));
  EXPECT_EQ(s.background_image.url, L"A.PNG");
  EXPECT_EQ(s.background_image.repeat, repeat_t::NO_REPEAT);
  EXPECT_TRUE(apply_property(s, "background-repeat", L"stretch", parent));
  EXPECT_EQ(s.background_image.repeat, repeat_t::STRETCH);
  EXPECT_FALSE(apply_property(s, "unknown-thing", L"1", parent));
  EXPECT_FALSE(apply_property(s, "width", L"wide", parent));
}

// Numbers no page needs reach no overflow: they are cut to the engine's caps
// and the page still lays out and paints (UBSan would stop the test on an
// overflowing conversion).
TEST(CssValues, HostileNumbersAreCutToTheCaps) {
  EXPECT_EQ(parse_length(L"1e30px", 12), length::px(static_cast<float>(kMaxCssNumber)));
  EXPECT_EQ(parse_length(L"-1e30px", 12), length::px(static_cast<float>(-kMaxCssNumber)));
  EXPECT_EQ(parse_length(L"1e4000em", 12), std::nullopt) << "infinity is not a number";
  EXPECT_EQ(parse_length(L"nan", 12), std::nullopt);
  EXPECT_EQ(parse_length(L"9000em", 1000), length::px(static_cast<float>(kMaxCssNumber)));
  EXPECT_EQ(parse_color(L"rgb(1e400,nan,-1e400)"), std::nullopt);
  EXPECT_EQ(parse_color(L"rgb(1e30,0,-1e30)"), rgb(255, 0, 0));
  computed_style s, parent;
  EXPECT_TRUE(apply_property(s, "font-size", L"1e30px", parent));
  EXPECT_EQ(s.font_size, kMaxFontSize);
  EXPECT_TRUE(apply_property(s, "line-height", L"1e30", parent));
  EXPECT_EQ(s.line_height, static_cast<int>(kMaxCssNumber));
  EXPECT_EQ(parse_pixel_attribute(L"99999999999999999999"), static_cast<int>(kMaxCssNumber));
  EXPECT_EQ(parse_pixel_attribute(L"-5"), 0);

  std::string rows;
  for (int i = 0; i < 300; ++i) rows += "<div style='height:1e30px;margin:1e30px;padding:1e9px;border:1e30px solid red'>x</div>";
  test::test_page page("<style>div{width:1e30%;line-height:1e30;font-size:1e30em}</style>"
                       "<table><tr><td colspan=99999999999 width=1e99>a</td></tr></table>"
                       "<img width=1e99 height=-1e99><div class=bar style='behavior:progress' value=1e400 max=1e400></div>" +
                       rows + "<p id=last>end</p>");
  const rect last = page.by_id(L"last").get_location();
  EXPECT_GT(last.top, 0) << "positions still add up";
  page.doc.paint(page.gfx, {0, 0, 400, 300});
}

// A hover moving from row to row restyles only the two rows, and gives the
// same styles and boxes as styling the whole page would.
TEST(Cascade, AStateChangeRestylesItsSubtreeLikeTheWholePage) {
  test::test_page page("<style>td { height: 20px } tr:hover td { color: #f00 } tr:hover .b { font-size: 20px }"
                       "tr:checked td { color: #00f }</style><table>"
                       "<tr id=r1><td id=a1>a</td><td class=b id=b1>b</td></tr>"
                       "<tr id=r2><td id=a2>a</td><td class=b id=b2>b</td></tr></table>");
  page.doc.update();
  const auto style = [&](const wchar_t* id) -> const computed_style& { return HELEMENT(page.by_id(id))->style; };
  const auto at = [&](const wchar_t* id) {
    const rect r = page.by_id(id).get_location();
    return point{r.left + 1, r.top + 1};
  };
  page.doc.mouse(MOUSE_MOVE, at(L"a1"), 0, 0);
  page.doc.update();
  EXPECT_EQ(style(L"a1").text_color, rgb(255, 0, 0));
  EXPECT_EQ(style(L"b1").font_size, 20);
  EXPECT_EQ(style(L"a2").text_color, rgb(0, 0, 0));
  page.doc.mouse(MOUSE_MOVE, at(L"a2"), 0, 0);
  page.doc.update();
  EXPECT_EQ(style(L"a1").text_color, rgb(0, 0, 0));
  EXPECT_EQ(style(L"b1").font_size, 12);
  EXPECT_EQ(style(L"a2").text_color, rgb(255, 0, 0));
  page.by_id(L"r1").set_state(STATE_CHECKED);
  page.doc.update();
  EXPECT_EQ(style(L"a1").text_color, rgb(0, 0, 255));

  const std::string before = dump_boxes(page.doc);
  page.doc.invalidate_style();
  EXPECT_EQ(dump_boxes(page.doc), before) << "a whole pass finds nothing left to change";
  EXPECT_EQ(style(L"a1").text_color, rgb(0, 0, 255));
  EXPECT_EQ(style(L"b2").font_size, 20);
}

TEST(CssParser, SkipsBrokenRulesAndKeepsTheRest) {
  style_sheet sheet = parse_style_sheet(L"/* c */ p { color: red; bogus } a:nope { x: y } @media x { p {} } div{width:1px;background:url(a;b.png)} }}} em { }");
  ASSERT_EQ(sheet.rules.size(), 3u);
  EXPECT_EQ(sheet.rules[0].declarations.size(), 1u);
  EXPECT_EQ(sheet.rules[1].declarations[1].value, L"url(a;b.png)");
  EXPECT_TRUE(sheet.rules[2].declarations.empty());
}

}  // namespace
}  // namespace htmlayout
