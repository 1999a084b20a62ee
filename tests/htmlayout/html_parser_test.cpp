#include "htmlayout/html_parser.h"

#include <gtest/gtest.h>

#include "base/text_convert.h"

namespace htmlayout {
namespace {

// Compact form of a tree: tag[attr=value](children) and "text".
std::string show(HELEMENT n) {
  if (n->is_text) return "\"" + kestro::toUtf8(n->text) + "\"";
  std::string out = n->tag;
  for (const auto& [k, v] : n->attributes) out += "[" + k + "=" + kestro::toUtf8(v) + "]";
  if (!n->children.empty()) {
    out += "(";
    for (size_t i = 0; i < n->children.size(); ++i) out += (i ? " " : "") + show(n->children[i]);
    out += ")";
  }
  return out;
}

std::string parse(const std::string& html) {
  parsed_page page = parse_html(html);
  std::string out = show(page.root);
  release(page.root);
  return out;
}

struct parse_case { const char* html; const char* tree; };

TEST(HtmlParser, BuildsTrees) {
  const parse_case cases[] = {
      {"<p>hi</p>", "html(p(\"hi\"))"},
      {"<html lang=zh><body><div id=a class='x y'>t</div></body></html>", "html[lang=zh](body(div[id=a][class=x y](\"t\")))"},
      {"<img src=\"A.PNG\"><br/>x", "html(img[src=A.PNG] br \"x\")"},
      {"<input type=checkbox checked>", "html(input[type=checkbox][checked=])"},
      {"<ul><li>a<li>b</ul>", "html(ul(li(\"a\") li(\"b\")))"},
      {"<table><tr><td>1<td>2<tr><td>3</table>", "html(table(tr(td(\"1\") td(\"2\")) tr(td(\"3\"))))"},
      {"<!-- c --><!DOCTYPE html><b>x</b>", "html(b(\"x\"))"},
      {"<div><span>a</div>b", "html(div(span(\"a\")) \"b\")"},
      {"a < b</nope>c", "html(\"a < bc\")"},
      {"<DIV ID=Up>x</DIV>", "html(div[id=Up](\"x\"))"},
      {"<p a=1 a=2>", "html(p[a=1])"},
      {"<p title=\"unterminated>x", "html(p[title=unterminated>x])"},
      {"<", "html(\"<\")"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse(c.html), c.tree) << c.html;
}

TEST(HtmlParser, DecodesCharacterReferences) {
  EXPECT_EQ(parse("a&amp;b&lt;&gt;&quot;&#20013;&#x6587;&nbsp;&bogus;&"), "html(\"a&b<>\"中文\xC2\xA0&bogus;&\")");
  EXPECT_EQ(parse("<a title=\"&#x41;&#65;\">"), "html(a[title=AA])");
  EXPECT_EQ(kestro::toUtf8(decode_entities(L"&#0;&#xD800;&#99999999;")), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(HtmlParser, CollectsStyleSheetsAndKeepsScriptText) {
  parsed_page page = parse_html("<style>p{color:red}</style><STYLE>a{}</Style><script>if(a<b)x()</script>");
  ASSERT_EQ(page.style_sheets.size(), 2u);
  EXPECT_EQ(page.style_sheets[0], "p{color:red}");
  EXPECT_EQ(page.style_sheets[1], "a{}");
  EXPECT_EQ(show(page.root), "html(style style script(\"if(a<b)x()\"))");
  release(page.root);
}

TEST(HtmlParser, LimitsNestingDepth) {
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<div>";
  parsed_page page = parse_html(deep);
  size_t depth = 0;
  for (HELEMENT n = page.root; !n->children.empty(); n = n->children.back()) ++depth;
  EXPECT_LE(depth, kMaxTreeDepth);
  release(page.root);
}

size_t countElements(HELEMENT n) {
  if (n->is_text) return 0;
  size_t count = 1;
  for (HELEMENT child : n->children) count += countElements(child);
  return count;
}

// Inputs that cost quadratic time in a naive parser (each style tag copying
// the rest of the page, each attribute searching those before it) finish in
// a blink here; quadratically they would take minutes.
TEST(HtmlParser, LongPagesAndLongTagsParseInLinearTime) {
  std::string styles;
  for (int i = 0; i < 200000; ++i) styles += "<style>a{}</style>";
  parsed_page many = parse_html(styles);
  EXPECT_EQ(many.style_sheets.size(), kMaxElements) << "style elements count against the element cap";
  release(many.root);

  std::string tag = "<p";
  for (int i = 0; i < 100000; ++i) tag += " a" + std::to_string(i) + "=1";
  tag += " a5=dup>";
  parsed_page wide = parse_html(tag);
  ASSERT_EQ(wide.root->children.size(), 1u);
  EXPECT_EQ(wide.root->children[0]->attributes.size(), 100000u);
  EXPECT_EQ(*wide.root->children[0]->attribute("a5"), L"1") << "the first of repeated names wins";
  release(wide.root);
}

TEST(HtmlParser, CapsElementsAndText) {
  std::string page;
  for (size_t i = 0; i < kMaxElements + 500; ++i) page += "<b>x</b>";
  parsed_page many = parse_html(page);
  EXPECT_EQ(countElements(many.root), kMaxElements + 1) << "the implied root and the capped elements";
  release(many.root);

  parsed_page text = parse_html("<p>" + std::string(kMaxTextLength + 1000, 'x') + "</p><p>more</p>");
  size_t total = 0;
  for (HELEMENT p : text.root->children)
    for (HELEMENT t : p->children) total += t->text.size();
  EXPECT_EQ(total, kMaxTextLength);
  release(text.root);
}

}  // namespace
}  // namespace htmlayout
