// Time per stage for a page with a 500-row table, and the memory the loaded
// page holds (element tree and styles, counted by walking it).
#include <chrono>
#include <cstdio>
#include <string>

#include "htmlayout/document.h"
#include "htmlayout/html_parser.h"
#include "htmlayout/layout.h"
#include "htmlayout/recording_canvas.h"
#include "htmlayout/style_resolver.h"
#ifdef _WIN32
#include "htmlayout/gdi_canvas_win.h"
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

double ms_since(clock_type::time_point t) {
  return std::chrono::duration<double, std::milli>(clock_type::now() - t).count();
}

void run(const char* name, canvas& gfx, canvas& painter, const std::string& page) {
  constexpr int kRounds = 5;
  double parse = 0, style = 0, layout = 0, paint = 0, hover = 0;
  size_t bytes = 0;
  for (int round = 0; round < kRounds; ++round) {
    auto t = clock_type::now();
    parsed_page parsed = parse_html(page);
    parse += ms_since(t);
    release(parsed.root);

    document_host host;
    document doc(gfx, host);
    doc.set_view_size(640, 480);
    doc.load_html(page);
    t = clock_type::now();
    resolve_styles(doc.root(), {});
    style += ms_since(t);
    t = clock_type::now();
    layout_document(doc);
    layout += ms_since(t);
    t = clock_type::now();
    doc.paint(painter, {0, 0, 640, 480});
    paint += ms_since(t);
    // The mouse moving from row to row: states change, boxes do not move.
    t = clock_type::now();
    for (int y = 40; y < 440; y += 20) doc.mouse(MOUSE_MOVE, {100, y}, 0, 0);
    doc.update();
    hover += ms_since(t) / 20;
    bytes = tree_bytes(doc.root());
  }
  std::printf("%-6s 500 rows: parse %.2f ms, style %.2f ms, layout %.2f ms, paint %.2f ms, hover move %.2f ms; page holds %zu KiB\n",
              name, parse / kRounds, style / kRounds, layout / kRounds, paint / kRounds, hover / kRounds, bytes / 1024);
}

}  // namespace

int main() {
  const std::string page = make_page(500);
  recording_canvas fixed;
  run("fixed", fixed, fixed, page);
#ifdef _WIN32
  gdi_canvas gdi;
  HDC screen = GetDC(nullptr);
  HDC back = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 640, 480);
  HGDIOBJ old = SelectObject(back, bmp);
  gdi.set_target(back);
  run("gdi", gdi, gdi, page);
  gdi.set_target(nullptr);
  SelectObject(back, old);
  DeleteObject(bmp);
  DeleteDC(back);
  ReleaseDC(nullptr, screen);
#endif
  return 0;
}
