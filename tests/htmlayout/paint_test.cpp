#include <gtest/gtest.h>

#include "test_page.h"

namespace htmlayout {
namespace {

std::vector<std::string> paint(test::test_page& page, rect dirty = {0, 0, 400, 300}) {
  page.gfx.calls.clear();
  page.doc.paint(page.gfx, dirty);
  return page.gfx.calls;
}

TEST(Paint, DrawsBackgroundsBordersTextImagesAndControls) {
  test::test_page page(R"(<style>html { font-size: 12px }
    #a { width: 40px; height: 20px; background-color: #ff0000; border: 1px solid #00ff00; border-radius: 3px; }
    #b { width: 20px; height: 20px; background-image: url(BG.PNG); background-repeat: stretch; foreground-image: url(stock:arrow-down); }
    progress { width: 100px; height: 10px; border: 0; }</style>
    <div id=a>hi</div><div id=b></div><progress value=25 maxvalue=50></progress><input type=checkbox checked>)");
  EXPECT_EQ(paint(page), (std::vector<std::string>{
                             "clip 0,0 400x300",
                             "fill 0,0 42x22 #ffff0000 r3",
                             "border 0,0 42x22 1 #ff00ff00",
                             "text 1,10 12px #ff000000 \"hi\"",
                             "image 0,22 20x20 BG.PNG 4",
                             "fill 7,30 7x1 #ff282828", "fill 8,31 5x1 #ff282828", "fill 9,32 3x1 #ff282828", "fill 10,33 1x1 #ff282828",
                             "fill 0,44 50x10 #ff06b025",
                             "fill 100,42 15x15 #ffffffff",
                             "border 100,42 15x15 1 #ffa0a0a0",
                             "fill 104,46 7x7 #ff282828",
                             "unclip"}));
}

TEST(Paint, ProgressFillsWithItsForegroundAndCheckBoxDivsKeepTheirLook) {
  test::test_page page(R"(<style>html { font-size: 10px }
    progress { width: 100px; height: 10px; border: 0; foreground-image: url(BAR.PNG); foreground-repeat: stretch }
    div { behavior: checkbox; width: 20px; height: 10px }</style>
    <progress value=30 maxvalue=60></progress><div id=d checked></div>)");
  EXPECT_EQ(paint(page), (std::vector<std::string>{"clip 0,0 400x300", "clip 0,0 50x10", "image 0,0 100x10 BAR.PNG 4", "unclip", "unclip"}));
  EXPECT_TRUE(page.by_id(L"d").get_state(STATE_CHECKED));
}

TEST(Paint, ClippingContainersSkipWhatCannotShow) {
  std::string rows;
  for (int i = 0; i < 50; ++i) rows += "<div style='height:20px'>r" + std::to_string(i) + "</div>";
  test::test_page page("<style>body{margin:0;font-size:10px}</style><div id=l style='height:60px;overflow:auto'>" + rows + "</div>");
  int texts = 0;
  for (const auto& c : paint(page))
    if (c.rfind("text ", 0) == 0) ++texts;
  EXPECT_EQ(texts, 3);
}

class chart : public behavior {
 public:
  chart() : behavior(HANDLE_DRAW, "test-chart") {}
  bool handle_draw(HELEMENT, DRAW_PARAMS& p) override {
    if (p.cmd != DRAW_CONTENT) return false;
    p.gfx->fill_rect(p.area, rgb(1, 2, 3), 0);
    return true;
  }
};
chart the_chart;

TEST(Paint, BehaviorsDrawTheContentLayer) {
  test::test_page page("<style>body{margin:0}</style><widget style='behavior:test-chart;width:30px;height:10px;padding:1px'>text</widget>");
  EXPECT_EQ(paint(page), (std::vector<std::string>{"clip 0,0 400x300", "fill 1,1 30x10 #ff010203", "unclip"}));
}

}  // namespace
}  // namespace htmlayout

namespace htmlayout {
namespace {

TEST(Paint, TabsAndLineBreaksOfTextSetAtRunTimeAreDrawnAsOneSpace) {
  test::test_page page("<style>html { font-size: 10px }</style><p id=p></p>");
  dom::element p = page.by_id(L"p");
  p.set_text(L"found:\r\nname\tfile.exe\r\nend");
  page.doc.update();
  std::string drawn;
  for (const auto& call : paint(page))
    if (call.rfind("text ", 0) == 0) drawn += call.substr(call.find('"'));
  EXPECT_EQ(drawn, "\"found:\"\" name\"\" file.exe\"\" end\"");
}

}  // namespace
}  // namespace htmlayout
