// The three real pages at their windows' sizes, laid out with the
// fixed-metrics canvas and the pages' own pictures: the boxes that matter are
// checked by value, and the whole box dump (text runs with their baselines)
// is kept in tests/ui/golden/<page>.expected. A mismatch writes
// <page>-FAILED.txt beside it; KESTRO_UPDATE_GOLDEN=1 rewrites the dumps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "htmlayout/box_dump.h"
#include "tests/htmlayout/test_page.h"

namespace kestro {
namespace {

namespace fs = std::filesystem;
using htmlayout::dom::element;
using htmlayout::rect;

const fs::path kPages = fs::path(KESTRO_SOURCE_DIR) / "ui/res";
const fs::path kGolden = fs::path(KESTRO_SOURCE_DIR) / "tests/ui/golden";

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class RealPage {
 public:
  RealPage(const char* file, int width, int height) : page_(readFile(kPages / file), width, height) { feedPictures(); }

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

  // The dump against the kept one.
  void expectGolden(const std::string& name) {
    const std::string actual = htmlayout::dump_boxes(page_.doc);
    const fs::path expected = kGolden / (name + ".expected");
    if (std::getenv("KESTRO_UPDATE_GOLDEN") != nullptr) {
      fs::create_directories(kGolden);
      std::ofstream(expected, std::ios::binary) << actual;
      return;
    }
    const fs::path failed = kGolden / (name + "-FAILED.txt");
    if (actual == readFile(expected)) {
      fs::remove(failed);
      return;
    }
    std::ofstream(failed, std::ios::binary) << actual;
    ADD_FAILURE() << name << ": the box dump differs from " << expected << " (actual dump in " << failed << ")";
  }

 private:
  // Every picture the page asks for, from the program's resource folder.
  void feedPictures() {
    for (size_t done = 0; done < page_.host.requested.size();) {
      const std::vector<std::wstring> asked(page_.host.requested.begin() + static_cast<long>(done),
                                            page_.host.requested.end());
      done = page_.host.requested.size();
      for (const std::wstring& url : asked) {
        const std::string bytes = readFile(kPages / fs::path(url));
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

TEST(PageGolden, LoginPageAtItsWindowSize) {
  RealPage login("login.html", 357, 270);
  login.expectGolden("login");
  login.show(L"pgslogin");
  login.show(L"txtpgs");
  EXPECT_TRUE(boxIs(login.box(L"pgslogin"), 10, 242, 337, 19));
  EXPECT_TRUE(boxIs(login.box(L"txtpgs"), 10, 242, 347, 19));
}

TEST(PageGolden, MainPageAtItsWindowSize) {
  RealPage main("main.html", 750, 489);
  main.expectGolden("main");
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
TEST(PageGolden, MessagePageCentresItsText) {
  RealPage message("message.html", 372, 201);
  message.expectGolden("message");
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
