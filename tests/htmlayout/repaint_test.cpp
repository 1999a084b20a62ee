// What a change asks the host to draw again: a change nobody can see asks
// for nothing, an element's own repaint for its box alone. A page that
// changes every second (the traffic view's figures and chart) would
// otherwise draw its whole window every second.
#include <gtest/gtest.h>

#include "test_page.h"

namespace htmlayout {
namespace {

constexpr char kPage[] = R"(<html><body>
<div id="shown"><span id="figure">0</span><div id="chart" style="width: 120px; height: 40px"></div></div>
<div id="hidden" style="display: none"><span id="hiddenfigure">0</span></div>
</body></html>)";

TEST(Repaint, AHiddenPanelsTextChangesNothingOnScreen) {
  test::test_page page(kPage);
  page.doc.update();
  page.host.whole_repaints = 0;
  page.by_id(L"hiddenfigure").set_text(L"12.5 KBytes");
  EXPECT_EQ(page.host.whole_repaints, 0);
  page.doc.update();
  EXPECT_EQ(page.by_id(L"hiddenfigure").text(), L"12.5 KBytes");

  page.by_id(L"figure").set_text(L"12.5 KBytes");
  EXPECT_GT(page.host.whole_repaints, 0) << "a shown text is drawn again";
}

TEST(Repaint, AnElementsUpdateRepaintsItsBoxAlone) {
  test::test_page page(kPage);
  page.doc.update();
  page.host.whole_repaints = 0;
  dom::element chart = page.by_id(L"chart");
  chart.update();
  EXPECT_EQ(page.host.whole_repaints, 0);
  ASSERT_EQ(page.host.repainted_areas.size(), 1u);
  EXPECT_EQ(page.host.repainted_areas[0], chart.get_location());
  EXPECT_EQ(page.host.repainted_areas[0].width(), 120);
  EXPECT_EQ(page.host.repainted_areas[0].height(), 40);
}

}  // namespace
}  // namespace htmlayout
