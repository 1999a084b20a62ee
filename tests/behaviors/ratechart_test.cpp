#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>

#include "behavior_page.h"
#include "ui/behaviors/rate_chart_drawing.h"
#include "ui/behaviors/ratechart.h"

namespace htmlayout::test {
namespace {

const std::string kGreen = "#ff449b58", kRed = "#ffff0000", kBlue = "#ff0000ff";

struct chart_drawing {
  chart_drawing(int width, int seconds, std::deque<int64_t> up_samples = {}, std::deque<int64_t> down_samples = {})
      : up(std::move(up_samples)), down(std::move(down_samples)) {
    up.resize(ratechart::kSamples, 0);
    down.resize(ratechart::kSamples, 0);
    rate_chart_input in;
    in.area = {0, 0, width, 200};
    in.font.size = 12;
    in.ink = 0xFF454545u;
    in.seconds = seconds;
    in.up = &up;
    in.down = &down;
    draw_rate_chart(gfx, in);
  }
  // The calls that start with `prefix` and end with `suffix`.
  std::vector<std::string> calls(const std::string& prefix, const std::string& suffix = "") const {
    std::vector<std::string> out;
    for (const auto& c : gfx.calls)
      if (c.rfind(prefix, 0) == 0 && c.size() >= suffix.size() && c.compare(c.size() - suffix.size(), suffix.size(), suffix) == 0)
        out.push_back(c);
    return out;
  }
  std::vector<std::string> labels() const {
    std::vector<std::string> out;
    for (const auto& c : calls("text ")) out.push_back(c.substr(c.find('"')));
    return out;
  }

  std::deque<int64_t> up, down;
  recording_canvas gfx;
};

std::deque<int64_t> newest(int64_t v) {
  std::deque<int64_t> d(ratechart::kSamples, 0);
  d.back() = v;
  return d;
}

TEST(RateChartDrawing, EmptyHistoryDrawsFrameGridScaleFlatLinesAndLegend) {
  chart_drawing chart(600, 0);
  ASSERT_GE(chart.gfx.calls.size(), 2u);
  EXPECT_EQ(chart.gfx.calls[0], "fill 75,0 525x200 #ffffffff");
  EXPECT_EQ(chart.gfx.calls[1], "border 75,0 525x200 2 " + kGreen);
  // Horizontal grid lines every 25 px up from 2 px above the bottom, one label each.
  EXPECT_EQ(chart.calls("line 75,198 600,198 1 " + kGreen).size(), 1u);
  EXPECT_EQ(chart.calls("line 75,23 600,23 1 " + kGreen).size(), 1u);
  EXPECT_EQ(chart.labels(), (std::vector<std::string>{"\"0Kbits/s\"", "\"1Kbits/s\"", "\"2Kbits/s\"", "\"3Kbits/s\"",
                                                      "\"4Kbits/s\"", "\"5Kbits/s\"", "\"6Kbits/s\"", "\"7Kbits/s\"",
                                                      "\"上行流量速率\"", "\"下行流量速率\""}));
  // Right-aligned 5 px before the plot (8 characters of 6 px), level with its
  // line; the lowest is lifted to end at the chart's bottom (ascent 9, descent 3).
  EXPECT_EQ(chart.calls("text ")[0], "text 22,197 12px #ff454545 \"0Kbits/s\"");
  EXPECT_EQ(chart.calls("text ")[1], "text 22,176 12px #ff454545 \"1Kbits/s\"");
  for (const std::string& text : chart.calls("text ")) {
    const int baseline = std::stoi(text.substr(text.find(',') + 1));
    EXPECT_GE(baseline - 9, 0) << text;
    EXPECT_LE(baseline + 3, 200) << text;
  }
  // The legend's texts level with their lines, on a white ground over the grid.
  EXPECT_EQ(chart.calls("text ")[8], "text 520,15 12px #ff454545 \"上行流量速率\"");
  EXPECT_EQ(chart.calls("text ")[9], "text 520,40 12px #ff454545 \"下行流量速率\"");
  EXPECT_EQ(chart.calls("fill 486,4 110x42 #ffffffff").size(), 1u);
  // 89 segments per curve on the bottom grid line, the newest sample at x0 + 445.
  EXPECT_EQ(chart.calls("line ", " 1 " + kRed).size(), 89u);
  EXPECT_EQ(chart.calls("line ", " 1 " + kBlue).size(), 89u);
  EXPECT_EQ(chart.calls("line ", " 1 " + kRed).front(), "line 75,198 80,198 1 " + kRed);
  EXPECT_EQ(chart.calls("line ", " 1 " + kRed).back(), "line 515,198 520,198 1 " + kRed);
  EXPECT_EQ(chart.calls("line ", " 2 " + kRed), (std::vector<std::string>{"line 490,12 515,12 2 " + kRed}));
  EXPECT_EQ(chart.calls("line ", " 2 " + kBlue), (std::vector<std::string>{"line 490,37 515,37 2 " + kBlue}));
}

TEST(RateChartDrawing, VerticalGridScrollsWithTheSeconds) {
  struct tick { int seconds; const char* first_line; size_t lines; };
  const tick ticks[] = {{0, "line 100,0 100,200", 20}, {1, "line 95,0 95,200", 21}, {3, "line 85,0 85,200", 21},
                        {4, "line 80,0 80,200", 21},   {59, "line 80,0 80,200", 21}};
  for (const auto& t : ticks) {
    chart_drawing chart(600, t.seconds);
    auto vertical = chart.calls("line ", ",200 1 " + kGreen);
    ASSERT_FALSE(vertical.empty());
    EXPECT_EQ(vertical.front(), std::string(t.first_line) + " 1 " + kGreen) << t.seconds;
    EXPECT_EQ(vertical.size(), t.lines) << t.seconds;
  }
}

TEST(RateChartDrawing, ScaleFollowsThePeakOfBothHistories) {
  struct peak { int64_t peak; rate_scale scale; };
  const peak peaks[] = {
      {-5, {1024, 1}},           {0, {1024, 1}},           {15359, {1024, 1}},        {15360, {5120, 5}},
      {76799, {5120, 5}},        {76800, {10240, 10}},     {153600, {20480, 20}},     {307200, {51200, 50}},
      {768000, {102400, 100}},   {1536000, {512000, 500}}, {7679999, {512000, 500}},  {7680000, {1048576, 1024}},
      {INT64_MAX, {1048576, 1024}},
  };
  for (const auto& p : peaks) EXPECT_EQ(scale_for_peak(p.peak), p.scale) << p.peak;
}

TEST(RateChartDrawing, LabelsInKbitsThenMbits) {
  struct label { int kbits; const wchar_t* text; };
  const label labels[] = {{0, L"0Kbits/s"},     {5, L"5Kbits/s"},       {999, L"999Kbits/s"},
                          {1000, L"1.0Mbits/s"}, {1500, L"1.5Mbits/s"}, {3072, L"3.0Mbits/s"}};
  for (const auto& l : labels) EXPECT_EQ(rate_label(l.kbits), l.text) << l.kbits;

  chart_drawing chart(600, 0, newest(2000000));  // step 512000
  auto drawn = chart.labels();
  EXPECT_EQ(std::vector<std::string>(drawn.begin(), drawn.begin() + 4),
            (std::vector<std::string>{"\"0Kbits/s\"", "\"500Kbits/s\"", "\"1.0Mbits/s\"", "\"1.5Mbits/s\""}));
}

TEST(RateChartDrawing, SamplesRiseTwentyFivePixelsPerStep) {
  chart_drawing chart(600, 0, newest(15360), newest(15359));
  // Peak 15360 takes the step 5120: 15360 is three steps; 15359 truncates to 74 px.
  EXPECT_EQ(chart.calls("line ", " 1 " + kRed).back(), "line 515,198 520,123 1 " + kRed);
  EXPECT_EQ(chart.calls("line ", " 1 " + kBlue).back(), "line 515,198 520,124 1 " + kBlue);
  EXPECT_EQ(sample_y(200, 1024, 1024), 173);
  EXPECT_EQ(sample_y(200, -1024, 1024), 223);  // below the bottom grid line
  EXPECT_EQ(sample_y(200, 1023, 1024), 174);
}

TEST(RateChartDrawing, NarrowChartLeavesOutTheNewestSamplesAndHugeValuesDoNotOverflow) {
  chart_drawing narrow(375, 0);  // plot 300 px wide: samples up to x0 + 295
  EXPECT_EQ(narrow.calls("line ", " 1 " + kRed).size(), 59u);
  EXPECT_EQ(narrow.calls("line ", " 1 " + kRed).back(), "line 365,198 370,198 1 " + kRed);

  chart_drawing huge(600, 0, newest(INT64_MAX), newest(INT64_MIN));
  EXPECT_EQ(sample_y(200, INT64_MAX, 1048576), 200 - (INT64_MAX / 1048576 * 25 + 1048575 * 25 / 1048576) - 2);
  EXPECT_EQ(huge.calls("line ", " 1 " + kRed).size(), 89u);
}

class RateChart : public ::testing::Test {
 protected:
  void SetUp() override { chart.call_method("cleardata", {}); }

  behavior_page page{R"(<style>#ratechart { behavior: ratechart; width: 600px; height: 200px; color: #454545 }</style>
<div id=panel><div id=ratechart></div></div>)"};
  dom::element chart = page.by_id(L"ratechart");
  const ratechart& history = kestro::rateChartBehavior();
};

TEST_F(RateChart, NewdataAppendsOnePairAndDropsTheOldest) {
  EXPECT_TRUE(chart.call_method("newdata", {value::make_int64(1000), value::make_int64(2000)}));
  EXPECT_TRUE(chart.call_method("newdata", {value::make_int64(3000), value::make_int64(4000)}));
  ASSERT_EQ(history.up().size(), 90u);
  ASSERT_EQ(history.down().size(), 90u);
  EXPECT_EQ(history.up()[88], 1000);
  EXPECT_EQ(history.up()[89], 3000);
  EXPECT_EQ(history.down()[89], 4000);
  EXPECT_EQ(history.up()[0], 0);

  EXPECT_TRUE(chart.call_method("cleardata", {}));
  EXPECT_EQ(std::count(history.up().begin(), history.up().end(), 0), 90);
  EXPECT_EQ(std::count(history.down().begin(), history.down().end(), 0), 90);
}

TEST_F(RateChart, OtherArgumentsAreHandledAndChangeNothingOtherNamesAreNotHandled) {
  const std::vector<value> bad[] = {
      {value::make_int64(5)},
      {value::make_int64(5), value::make_int64(6), value::make_int64(7)},
      {value::make_int(5), value::make_int(6)},
      {value::make_int64(5), value::make_string(L"6")},
  };
  for (const auto& args : bad) EXPECT_TRUE(chart.call_method("newdata", args));
  EXPECT_EQ(std::count(history.up().begin(), history.up().end(), 0), 90);
  EXPECT_EQ(std::count(history.down().begin(), history.down().end(), 0), 90);
  EXPECT_FALSE(chart.call_method("NewData", {value::make_int64(5), value::make_int64(6)}));
  EXPECT_FALSE(chart.call_method("select", {value::make_string(L"panel-id1")}));
}

TEST_F(RateChart, TimerRunsEverySecondWhileTheChartIsShown) {
  document& doc = page.page.doc;
  doc.set_clock(0);
  EXPECT_EQ(doc.next_timer_due(), 1000);
  doc.fire_timers(1000);
  EXPECT_EQ(doc.next_timer_due(), 2000);
  page.by_id(L"panel").set_style_attribute("display", L"none");
  doc.update();
  EXPECT_EQ(doc.next_timer_due(), -1);
  page.by_id(L"panel").set_style_attribute("display", L"");
  doc.update();
  EXPECT_EQ(doc.next_timer_due(), 2000);  // a second after the document's clock, 1000
  chart.set_style_attribute("behavior", L"none");
  doc.update();
  EXPECT_EQ(doc.next_timer_due(), -1);
}

TEST(RateChartTimer, AChartAttachedInAHiddenPanelStartsItsTimerWhenShown) {
  behavior_page page(R"(<style>#ratechart { behavior: ratechart } #panel { display: none }</style>
<div id=panel><div id=ratechart></div></div>)");
  document& doc = page.page.doc;
  EXPECT_EQ(doc.next_timer_due(), -1);
  doc.set_clock(500);
  page.by_id(L"panel").set_style_attribute("display", L"block");
  doc.update();
  EXPECT_EQ(doc.next_timer_due(), 1500);
}

TEST_F(RateChart, PaintsIntoTheContentBoxOfItsElement) {
  chart.call_method("newdata", {value::make_int64(15360), value::make_int64(0)});
  rect box = chart.get_content_location();
  recording_canvas target;
  page.page.doc.paint(target, {0, 0, 600, 400});
  auto has = [&](const std::string& call) {
    return std::find(target.calls.begin(), target.calls.end(), call) != target.calls.end();
  };
  int x0 = box.left + 75;
  EXPECT_TRUE(has("fill " + std::to_string(x0) + "," + std::to_string(box.top) + " 525x200 #ffffffff"));
  EXPECT_TRUE(has("line " + std::to_string(x0 + 440) + "," + std::to_string(box.bottom - 2) + " " +
                  std::to_string(x0 + 445) + "," + std::to_string(box.bottom - 77) + " 1 " + kRed));
  EXPECT_TRUE(std::any_of(target.calls.begin(), target.calls.end(),
                          [](const std::string& c) { return c.find("#ff454545 \"5Kbits/s\"") != std::string::npos; }));
}

}  // namespace
}  // namespace htmlayout::test
