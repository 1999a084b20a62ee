// The three real pages at their windows' sizes, laid out with the
// fixed-metrics canvas and the pages' own pictures: the whole box dump (text
// runs with their baselines) is kept in tests/ui/golden/<page>.expected
// (tests/support/golden_file.h), and the boxes that matter are checked by value.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "htmlayout/box_dump.h"
#include "tests/htmlayout/test_page.h"
#include "tests/support/golden_file.h"
#include "tests/support/whole_file.h"

namespace kestro {
namespace {

namespace fs = std::filesystem;
using htmlayout::dom::element;
using htmlayout::rect;
using test::readWholeFile;

const fs::path kPages = fs::path(KESTRO_SOURCE_DIR) / "ui/res";
const fs::path kGolden = fs::path(KESTRO_SOURCE_DIR) / "tests/ui/golden";

class RealPage {
 public:
  RealPage(const std::string& file, int width, int height) : page_(readWholeFile(kPages / file), width, height) {
    feedPictures();
  }

  element byId(const wchar_t* id) const { return page_.by_id(id); }
  rect box(const wchar_t* id) {
    page_.doc.update();
    return byId(id).get_location();
  }
  void show(const wchar_t* id) {
    byId(id).set_style_attribute("display", L"block");
    page_.doc.update();
  }
  // The first or last text run of an element, in view coordinates.
  rect run(const wchar_t* id, bool last = false) {
    page_.doc.update();
    const htmlayout::HELEMENT el = byId(id);
    const rect at = page_.doc.box_of(el);
    if (el->box.fragments.empty()) return {};
    const auto& run = last ? el->box.fragments.back() : el->box.fragments.front();
    return {at.left + run.x, at.top + run.y, at.left + run.x + run.width, at.top + run.y + run.height};
  }
  size_t runCount(const wchar_t* id) {
    page_.doc.update();
    return htmlayout::HELEMENT(byId(id))->box.fragments.size();
  }
  htmlayout::document& doc() { return page_.doc; }

 private:
  // Every picture the page asks for, from the program's resource folder.
  void feedPictures() {
    for (size_t done = 0; done < page_.host.requested.size();) {
      const std::vector<std::wstring> asked(page_.host.requested.begin() + static_cast<long>(done),
                                            page_.host.requested.end());
      done = page_.host.requested.size();
      for (const std::wstring& url : asked) {
        const std::string bytes = readWholeFile(kPages / fs::path(url));
        page_.doc.data_ready(url, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      }
      page_.doc.update();
    }
  }

  htmlayout::test::test_page page_;
};

testing::AssertionResult boxIs(const rect& r, int left, int top, int width, int height) {
  if (r.left == left && r.top == top && r.width() == width && r.height() == height) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "the box is " << r.left << "," << r.top << " " << r.width() << "x"
                                     << r.height() << ", not " << left << "," << top << " " << width << "x" << height;
}

// A page and its window's size.
struct PageCase {
  std::string name;
  int width;
  int height;
};

void PrintTo(const PageCase& page, std::ostream* out) { *out << page.name; }

class PageGolden : public testing::TestWithParam<PageCase> {};

TEST_P(PageGolden, LaysOutAsItsDump) {
  const PageCase& page = GetParam();
  RealPage real(page.name + ".html", page.width, page.height);
  EXPECT_TRUE(test::matchesGoldenFile(kGolden, page.name, htmlayout::dump_boxes(real.doc())));
}

INSTANTIATE_TEST_SUITE_P(Pages, PageGolden,
                         testing::Values(PageCase{"login", 357, 270}, PageCase{"main", 750, 489},
                                         PageCase{"message", 372, 201}),
                         [](const testing::TestParamInfo<PageCase>& info) { return info.param.name; });

TEST(PageBoxes, LoginPageShowsItsProgressInPlaceOfTheButtons) {
  RealPage login("login.html", 357, 270);
  login.show(L"pgslogin");
  login.show(L"txtpgs");
  EXPECT_TRUE(boxIs(login.box(L"pgslogin"), 10, 242, 337, 19));
  EXPECT_TRUE(boxIs(login.box(L"txtpgs"), 10, 242, 347, 19));
}

TEST(PageBoxes, MainPageProgressBarsAndGameFilter) {
  RealPage main("main.html", 750, 489);
  for (const wchar_t* panel : {L"panel-id1", L"panel-id2", L"panel-id3"}) {
    element(main.doc().root()).find_first(L"[name=" + std::wstring(panel) + L"]").set_attribute("selected", L"");
  }
  main.show(L"pgsnode");
  main.show(L"pgsgame");
  main.show(L"txtgamefilter");
  EXPECT_EQ(main.box(L"pgsnode").width(), 300);
  EXPECT_EQ(main.box(L"pgsnode").height(), 19);
  EXPECT_EQ(main.box(L"pgsgame").width(), 300);
  EXPECT_EQ(main.box(L"txtgamefilter").width(), 123);
  EXPECT_EQ(main.box(L"txtgamefilter").height(), 19);
}

// The message text is centred in its 280 x 48 cell however many lines it takes.
TEST(PageBoxes, MessagePageCentresItsText) {
  RealPage message("message.html", 372, 201);
  EXPECT_TRUE(boxIs(message.box(L"txtmessage"), 78, 112, 280, 48));
  message.byId(L"txtmessage").set_text(L"确定要退出吗？");
  const rect one = message.run(L"txtmessage");
  EXPECT_EQ(one.top - 112, 160 - one.bottom) << "one line in the middle";
  message.byId(L"txtmessage").set_text(L"第一行\r\n第二行");
  ASSERT_EQ(message.runCount(L"txtmessage"), 2u) << "a line feed ends the line";
  EXPECT_EQ(message.run(L"txtmessage").top - 112, 160 - message.run(L"txtmessage", true).bottom)
      << "two lines in the middle";
}

}  // namespace
}  // namespace kestro
