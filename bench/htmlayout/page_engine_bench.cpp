// Time per stage for a page with a 500-row table, and the memory the loaded
// page holds (element tree and styles, counted by walking it). Then the real
// MAIN page at the main window's size, and the game panel from a 600-game
// game.php reply (the reference data's) to the painted panel, through the
// program's own reply reader and list entries.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "htmlayout/document.h"
#include "htmlayout/html_parser.h"
#include "htmlayout/layout.h"
#include "htmlayout/recording_canvas.h"
#include "htmlayout/style_resolver.h"
#include "service/game_list_worker.h"
#include "service/service_exchange.h"
#include "ui/main/game_entry.h"
#ifdef _WIN32
#include "htmlayout/win32/gdi_canvas_win.h"
#endif

namespace {

using namespace htmlayout;
using clock_type = std::chrono::steady_clock;

std::string make_page(int rows) {
  std::string page = R"(<html><head><style>
    body { font-family: Tahoma; font-size: 12px; }
    #list { height: 400px; overflow: auto; }
    table { width: 600px; }
    tr:current { background-color: #dde; }
    td.load { text-align: right; color: #080; }
    th:checked { foreground-image: url(ARROW.PNG); }
  </style></head><body><div id=list><table id=nodes fixedrows=1>
  <tr><th style="width: 40px">编号</th><th>节点名称</th><th style="width: 80px">延时</th><th style="width: 80px">负载</th></tr>)";
  for (int i = 0; i < rows; ++i) {
    page += "<tr><td>" + std::to_string(i) + "</td><td>上海电信 node " + std::to_string(i) +
            " 加速节点</td><td value=" + std::to_string(i % 97) + ">" + std::to_string(i % 97) +
            "ms</td><td class=load>" + std::to_string(i % 100) + "%</td></tr>";
  }
  return page + "</table></div></body></html>";
}

size_t tree_bytes(HELEMENT el) {
  size_t n = sizeof(element_node) + el->tag.capacity() + el->text.capacity() * sizeof(wchar_t) +
             el->children.capacity() * sizeof(HELEMENT) + el->box.fragments.capacity() * sizeof(line_fragment) +
             el->style.font_family.capacity() * sizeof(wchar_t);
  for (const auto& [k, v] : el->attributes) n += sizeof(k) + sizeof(v) + k.capacity() + v.capacity() * sizeof(wchar_t);
  for (HELEMENT c : el->children) n += tree_bytes(c);
  return n;
}

// Milliseconds from one lap to the next.
class stopwatch {
 public:
  double lap() {
    const clock_type::time_point now = clock_type::now();
    const double ms = std::chrono::duration<double, std::milli>(now - last_).count();
    last_ = now;
    return ms;
  }

 private:
  clock_type::time_point last_ = clock_type::now();
};

// The mean of five rounds of each stage of a page at a view size: parse alone;
// the load (parse, style, layout and resource requests, as a window does it);
// then a whole restyle, a whole layout and a paint of the loaded page; and,
// when asked, the mouse moving from row to row once it is over the page
// (states change, boxes do not move).
struct page_figures {
  double parse = 0, load = 0, style = 0, layout = 0, paint = 0, enter = 0, hover = 0;
  size_t bytes = 0;
};

page_figures measure_page(canvas& gfx, canvas& painter, const std::string& page, int width, int height, bool hover) {
  constexpr int kRounds = 5;
  page_figures sum;
  for (int round = 0; round < kRounds; ++round) {
    stopwatch watch;
    parsed_page parsed = parse_html(page);
    sum.parse += watch.lap();
    release(parsed.root);
    document_host host;
    document doc(gfx, host);
    doc.set_view_size(width, height);
    watch.lap();
    doc.load_html(page);
    sum.load += watch.lap();
    resolve_styles(doc.root(), doc.style_sheets());
    sum.style += watch.lap();
    layout_document(doc);
    sum.layout += watch.lap();
    doc.paint(painter, {0, 0, width, height});
    sum.paint += watch.lap();
    if (hover) {
      // The mouse enters the page (which restyles the page once), then moves
      // from row to row: that move is the figure.
      doc.mouse(MOUSE_MOVE, {100, 30}, 0, 0);
      doc.update();
      sum.enter += watch.lap();
      for (int y = 40; y < 440; y += 20) doc.mouse(MOUSE_MOVE, {100, y}, 0, 0);
      doc.update();
      sum.hover += watch.lap() / 20;
    }
    sum.bytes = tree_bytes(doc.root());
  }
  for (double* figure : {&sum.parse, &sum.load, &sum.style, &sum.layout, &sum.paint, &sum.enter, &sum.hover}) {
    *figure /= kRounds;
  }
  return sum;
}

void run(const char* name, canvas& gfx, canvas& painter, const std::string& page) {
  const page_figures f = measure_page(gfx, painter, page, 640, 480, true);
  std::printf("%-6s 500 rows: parse %.2f ms, style %.2f ms, layout %.2f ms, paint %.2f ms, hover move %.2f ms"
              " (the mouse entering the page %.2f ms); page holds %zu KiB\n",
              name, f.parse, f.style, f.layout, f.paint, f.hover, f.enter, f.bytes / 1024);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

constexpr int kMainWidth = 750, kMainHeight = 489;

void run_main_page(const char* name, canvas& gfx, const std::string& page) {
  const page_figures f = measure_page(gfx, gfx, page, kMainWidth, kMainHeight, false);
  // The total is what showing the page costs: its load (which parses, styles
  // and lays it out) and one paint; style and layout are the re-runs' figures.
  std::printf("%-6s MAIN page: parse %.2f ms, style %.2f ms, layout %.2f ms, paint %.2f ms, total (load and paint) %.2f ms\n",
              name, f.parse, f.style, f.layout, f.paint, f.load + f.paint);
}

// game.php's answer for an international account: every game, with the members the service sends.
std::string game_reply(const std::string& data_file) {
  const nlohmann::json data = nlohmann::json::parse(read_file(data_file), nullptr, false);
  nlohmann::json reply = nlohmann::json::array();
  if (data.is_discarded()) return reply.dump();
  for (const auto& game : data["games"]) {
    reply.push_back({{"id", game["id"]}, {"gameportid", game["gameportid"]}, {"gamename", game["gamename"]},
                     {"pyname", game["pyname"]}, {"enname", game["enname"]}, {"url", game["url"]},
                     {"vendor", game["vendor"]}});
  }
  return reply.dump();
}

void run_game_panel(const char* name, canvas& gfx, const std::string& page, const std::string& body) {
  constexpr int kRounds = 5;
  double read = 0, entries = 0, layout = 0, paint = 0;
  size_t games = 0;
  for (int round = 0; round < kRounds; ++round) {
    document_host host;
    document doc(gfx, host);
    doc.set_view_size(kMainWidth, kMainHeight);
    doc.load_html(page);
    dom::element root = doc.root();
    root.find_first(L"[name=panel-id1]").remove_attribute("selected");
    root.find_first(L"[name=panel-id3]").set_attribute("selected", L"");
    doc.update();
    stopwatch watch;
    const kestro::ServiceReply reply = kestro::interpretServiceReply(kestro::HttpFailure::None, 200, body, kestro::ReplyShape::Array);
    const auto catalogue = kestro::readGames(reply, [](size_t, size_t, const kestro::GameRecord&) {});
    read += watch.lap();
    const dom::element list = root.find_by_id(L"gamelist");
    for (const auto& [id, game] : catalogue) kestro::appendGameEntry(list, game);
    entries += watch.lap();
    doc.update();
    layout += watch.lap();
    doc.paint(gfx, {0, 0, kMainWidth, kMainHeight});
    paint += watch.lap();
    games = catalogue.size();
  }
  std::printf("%-6s game panel, %zu games: reply to painted panel %.2f ms (read %.2f, entries %.2f, style and layout %.2f, paint %.2f)\n",
              name, games, (read + entries + layout + paint) / kRounds, read / kRounds, entries / kRounds,
              layout / kRounds, paint / kRounds);
}

}  // namespace

int main() {
  const std::string page = make_page(500);
  const std::string main_page = read_file(KESTRO_SOURCE_DIR "/ui/res/main.html");
  const std::string games = game_reply(KESTRO_SOURCE_DIR "/standins/reference_service/data.json");
  recording_canvas fixed;
  run("fixed", fixed, fixed, page);
  run_main_page("fixed", fixed, main_page);
  run_game_panel("fixed", fixed, main_page, games);
#ifdef _WIN32
  gdi_canvas gdi;
  HDC screen = GetDC(nullptr);
  HDC back = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 640, 480);
  HGDIOBJ old = SelectObject(back, bmp);
  gdi.set_target(back);
  run("gdi", gdi, gdi, page);
  run_main_page("gdi", gdi, main_page);
  run_game_panel("gdi", gdi, main_page, games);
  gdi.set_target(nullptr);
  SelectObject(back, old);
  DeleteObject(bmp);
  DeleteDC(back);
  ReleaseDC(nullptr, screen);
#endif
  return 0;
}
